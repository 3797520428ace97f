// The sound library's base layer: bevels on screen, change events, multiply-divide against exact
// fractions, library strings and cursors, pumping waits, rotated text and the property registry.
#include <gtest/gtest.h>
#include "MMObj.h"
#include "MMProps.h"
#include "MMSlider.h"
#include "MMUtils.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include <fstream>
#include <set>
#include <sstream>

namespace {

TColor Rgb(TColor c) {
  return static_cast<TColor>(ColorToRGB(c));
}

struct TFramed : TMMCustomControl {
  using TMMCustomControl::TMMCustomControl;
};

} // namespace

TEST(MMBevel, ExtentCountsEveryRing) {
  TMMBevel b;
  EXPECT_EQ(b.BevelExtent(), 1);
  b.SetBorderStyle(bsSingle);
  b.SetBorderWidth(2);
  b.SetBorderSpace(1);
  EXPECT_EQ(b.BevelExtent(), 5);
  b.SetBevelInner(bvRaised);
  b.SetBevelInnerWidth(3);
  b.SetBevelOuter(bvNone);
  EXPECT_EQ(b.BevelExtent(), 7);
}

TEST(MMBevel, ChangeFiresOncePerRealChangeAndAssignCopiesAll) {
  TMMBevel a, b;
  int changes = 0;
  a.OnChange = [&](TObject*) { ++changes; };
  a.SetBevelOuter(bvLowered); // the present value
  a.SetOuterShadowColor(clBtnShadow);
  EXPECT_EQ(changes, 0);
  a.SetBevelOuter(bvRaised);
  a.SetBorderSpaceColor(clRed);
  a.SetBorderSpaceColor(clRed);
  EXPECT_EQ(changes, 2);

  b.SetBevelInner(bvLowered);
  b.SetBevelInnerWidth(4);
  b.SetBorderStyle(bsSingle);
  b.SetInnerLightColor(clYellow);
  changes = 0;
  a.Assign(&b);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(a.BevelOuter(), bvLowered);
  EXPECT_EQ(a.BevelInner(), bvLowered);
  EXPECT_EQ(a.BevelInnerWidth(), 4);
  EXPECT_EQ(a.BorderStyle(), bsSingle);
  EXPECT_EQ(a.BorderSpaceColor(), clBlack);
  EXPECT_EQ(a.InnerLightColor(), clYellow);

  TMMScale foreign;
  EXPECT_THROW(a.Assign(&foreign), EConvertError);
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
}

TEST(MMBevel, RingsShowTheirColoursOnScreen) {
  TForm form(nullptr);
  form.SetBounds(30, 30, 200, 120);
  auto* c = new TFramed(&form);
  c->SetBounds(10, 10, 60, 40);
  c->SetColor(clWhite);
  c->SetParent(&form);
  TMMBevel* b = c->Bevel();
  b->SetBorderStyle(bsSingle);
  b->SetOuterShadowColor(clRed);
  b->SetOuterLightColor(clBlue);
  b->SetBorderWidth(2);
  b->SetBorderColor(clLime);
  b->SetBevelInner(bvRaised);
  b->SetInnerLightColor(clYellow);
  b->SetInnerShadowColor(clFuchsia);
  b->SetBorderSpace(1);
  b->SetBorderSpaceColor(clAqua);
  form.Show();
  ProcessMessages();
  TBitmap shot;
  CaptureControl(*c, shot);
  const int w = 60, h = 40;
  EXPECT_EQ(shot.Pixel(0, 0), Rgb(clWindowFrame));
  EXPECT_EQ(shot.Pixel(w - 1, h - 1), Rgb(clWindowFrame));
  EXPECT_EQ(shot.Pixel(1, 20), clRed);      // lowered outer ring: shadow top and left
  EXPECT_EQ(shot.Pixel(w - 2, 20), clBlue); // light bottom and right
  EXPECT_EQ(shot.Pixel(2, 20), clLime);     // border, two rings
  EXPECT_EQ(shot.Pixel(30, 3), clLime);
  EXPECT_EQ(shot.Pixel(4, 20), clYellow); // raised inner ring: light top and left
  EXPECT_EQ(shot.Pixel(30, h - 5), clFuchsia);
  EXPECT_EQ(shot.Pixel(5, 20), clAqua);  // border space
  EXPECT_EQ(shot.Pixel(6, 20), clWhite); // the fill inside
  RECT inner = c->ClientRect();
  EXPECT_EQ(inner.left, 6);
  EXPECT_EQ(inner.bottom, h - 6);
}

TEST(MMUtils, MulDivAgreesWithExactFractions) {
  EXPECT_EQ(MulDivRound(7, 3, 2), 11);
  EXPECT_EQ(MulDivTrunc(7, 3, 2), 10);
  EXPECT_EQ(MulDivRound(-7, 3, 2), -11);
  std::ifstream in(OracleDir("sound") + "muldiv.txt");
  ASSERT_TRUE(in) << "oracle file missing";
  int checked = 0;
  std::string line;
  auto result = [](auto f) -> std::string {
    try {
      return std::to_string(f());
    } catch (const EDivByZero&) {
      return "fault";
    } catch (const EIntOverflow&) {
      return "fault";
    }
  };
  while (std::getline(in, line)) {
    std::istringstream s(line);
    int64_t a, b, c;
    std::string trunc, round;
    s >> a >> b >> c >> trunc >> round;
    auto A = int32_t(a), B = int32_t(b), C = int32_t(c);
    ASSERT_EQ(result([&] { return MulDivTrunc(A, B, C); }), trunc) << line;
    ASSERT_EQ(result([&] { return MulDivRound(A, B, C); }), round) << line;
    ++checked;
  }
  EXPECT_EQ(checked, 10000);
}

TEST(MMUtils, RoundGoesToEvenAndTimeMoves) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.51), 3);
  EXPECT_FALSE(Win95Platform()); // Wine reports the NT family
  SetWin95Platform(true);
  EXPECT_TRUE(Win95Platform());
  SetWin95Platform(false);
  // Microseconds of the performance counter: each reading lies between the counter's own
  // readings around it, taken at the rate it says it counts.
  LARGE_INTEGER rate{}, before{}, after{};
  ASSERT_TRUE(QueryPerformanceFrequency(&rate));
  const auto micro = [&](const LARGE_INTEGER& c) {
    return static_cast<double>(c.QuadPart) / static_cast<double>(rate.QuadPart) * 1e6;
  };
  QueryPerformanceCounter(&before);
  const double t0 = GetExactTime();
  QueryPerformanceCounter(&after);
  EXPECT_GE(t0, micro(before) - 1);
  EXPECT_LE(t0, micro(after) + 1);
  // The time moves: once the counter has moved on, so has the exact time.
  ASSERT_TRUE(PollUntil([&] {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return micro(now) > t0 + 1000;
  }));
  const double t1 = GetExactTime();
  EXPECT_GT(t1, t0 + 1000);
}

TEST(MMUtils, DelayPumpingRunsPostedMessagesOnlyWhenAskedTo) {
  int seen = 0;
  HWND w = AllocateHWnd([&](UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg != WM_USER + 7) return false;
    ++seen;
    return true;
  });
  ProcessMessages();
  PostMessageA(w, WM_USER + 7, 0, 0);
  DelayPumping(-1, true); // returns at once
  EXPECT_EQ(seen, 0);
  DelayPumping(20, false);
  EXPECT_EQ(seen, 0);
  DelayPumping(30, true);
  EXPECT_EQ(seen, 1);
  DeallocateHWnd(w);
}

TEST(MMUtils, FixedBlocksAreZeroedAndFreedOnce) {
  void* p = GlobalAllocMem(64);
  EXPECT_TRUE(GlobalCmpMem(p, std::string(64, '\0').data(), 64));
  GlobalFillMem(p, 64, 0xAB);
  GlobalReAllocMem(p, 32);
  EXPECT_EQ(static_cast<unsigned char*>(p)[31], 0);
  GlobalFreeMem(p);
  EXPECT_EQ(p, nullptr);
  GlobalFreeMem(p);
  EXPECT_EQ(MinMaxR(15, 10, 0), 10);
  EXPECT_TRUE(InMinMaxR(5, 10, 0));
  EXPECT_EQ(SwapLong(0x11223344u), 0x44332211u);
  EXPECT_NEAR(double(fPower(3.0L, 4.0L)), 81.0, 1e-9);
}

TEST(MMResources, StringsAndThirtyCursors) {
  EXPECT_EQ(LoadLibraryString(62), "Invalid WaveFormat");
  EXPECT_EQ(LoadLibraryString(MMS_CANVAS_NEEDED), "Canvas needed for this operation");
  EXPECT_EQ(LoadLibraryString(MMS_MMSYSTEM_ERROR), "MMSystem error: %d");
  std::set<HCURSOR> distinct;
  for (int id = 2001; id <= 2030; ++id) {
    HCURSOR c = Screen->Cursors(id);
    EXPECT_NE(c, Screen->Cursors(crDefault)) << id;
    distinct.insert(c);
  }
  EXPECT_EQ(distinct.size(), 30u);
  EXPECT_NE(LoadLibraryCursor(5), nullptr);
  EXPECT_EQ(LoadLibraryCursor(31), nullptr);
}

TEST(MMUtils, RotatedTextLiesWhereItsModeSays) {
  TBitmap bmp(300, 300);
  TCanvas& c = bmp.Canvas();
  auto ink = [&](const RECT& area) {
    RECT box{10000, 10000, -1, -1};
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (bmp.Pixel(x, y) != clWhite) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return box;
  };
  auto inside = [](const RECT& in, const RECT& out) {
    return in.left >= out.left && in.top >= out.top && in.right <= out.right &&
           in.bottom <= out.bottom;
  };
  const std::string text = "Level 12";
  RECT boxes[3];
  for (int mode = 0; mode < 3; ++mode) {
    c.Brush().SetColor(clWhite);
    c.FillRect({0, 0, 300, 300});
    boxes[mode] = DrawRotatedText(c, 150, 100, mode, -16, "Arial", text);
    GdiFlush();
    RECT drawn = ink({0, 0, 300, 300});
    ASSERT_GT(drawn.right, drawn.left) << "mode " << mode;
    EXPECT_TRUE(inside(drawn, boxes[mode])) << "mode " << mode;
    if (mode == 0) {
      EXPECT_GE(drawn.left, 150);
    }
    if (mode == 1) {
      EXPECT_LE(drawn.right, 150);
    }
    if (mode < 2) {
      EXPECT_LE(drawn.top, 100);
      EXPECT_GE(drawn.bottom, 100);
      EXPECT_GT(drawn.right - drawn.left, drawn.bottom - drawn.top);
    } else {
      EXPECT_GT(drawn.bottom - drawn.top, drawn.right - drawn.left); // upright
      EXPECT_GE(drawn.top, 100);
      EXPECT_LE(drawn.left, 150);
      EXPECT_GE(drawn.right, 150);
    }
  }
  // The upright box is the level box turned on its side.
  EXPECT_EQ(boxes[2].bottom - boxes[2].top, boxes[0].right - boxes[0].left);
  EXPECT_EQ(boxes[2].right - boxes[2].left, boxes[0].bottom - boxes[0].top);
}

TEST(MMRegistry, FindsPropertiesAlongTheChainWithTheirDefaults) {
  TMMSlider slider(nullptr);
  EXPECT_TRUE(IsPublishedProp(&slider, "Bevel"));
  EXPECT_TRUE(IsPublishedProp(&slider, "scale"));
  EXPECT_FALSE(IsPublishedProp(&slider, "Output"));
  EXPECT_TRUE(IsPublishedEvent(&slider, "OnTrackEnd"));
  EXPECT_EQ(MMClassOf(&slider)->ClassName, "TMMSlider");
  // Defaults as the slider's, the bevel's and the scale's tables give them.
  const std::pair<const char*, int64_t> sliderDefaults[] = {{"Width", 200},
                                                            {"Height", 40},
                                                            {"Color", clWindow},
                                                            {"FocusAction", faFocusRect},
                                                            {"FocusColor", clActiveCaption},
                                                            {"GrooveColor", clBtnFace},
                                                            {"ThumbColor", clBtnFace},
                                                            {"ThumbBorder", 1},
                                                            {"DisabledColor", 0xFFFFFF},
                                                            {"HandCursor", 0},
                                                            {"ThumbCursor", crDefault},
                                                            {"MinValue", 0},
                                                            {"MaxValue", 10},
                                                            {"LineSize", 1},
                                                            {"PageSize", 5},
                                                            {"Orientation", orHorizontal},
                                                            {"Position", 0},
                                                            {"GrooveSize", 3},
                                                            {"ThumbWidth", 11},
                                                            {"ThumbHeight", 23},
                                                            {"ThumbStyle", tsRect},
                                                            {"GrooveStyle", gsRect},
                                                            {"ScaleDistance", 10},
                                                            {"ScalePosition", 1},
                                                            {"Logarithmic", 0},
                                                            {"Sensitivity", -24},
                                                            {"TabStop", 1}};
  for (auto& [name, value] : sliderDefaults) {
    EXPECT_EQ(GetOrdProp(&slider, name), value) << name;
    EXPECT_FALSE(IsStoredProp(&slider, name)) << name;
  }
  auto* bevel = GetObjectProp(&slider, "Bevel");
  EXPECT_EQ(GetOrdProp(bevel, "BorderWidth"), 5);
  const std::pair<const char*, int64_t> bevelDefaults[] = {{"BevelInner", bvNone},
                                                           {"BevelOuter", bvLowered},
                                                           {"BevelInnerWidth", 1},
                                                           {"BevelOuterWidth", 1},
                                                           {"BorderStyle", bsNone},
                                                           {"BorderSpace", 0},
                                                           {"BorderColor", clBtnFace},
                                                           {"BorderSpaceColor", clBlack},
                                                           {"InnerLightColor", clBtnHighlight},
                                                           {"InnerShadowColor", clBtnShadow},
                                                           {"OuterLightColor", clBtnHighlight},
                                                           {"OuterShadowColor", clBtnShadow}};
  for (auto& [name, value] : bevelDefaults)
    EXPECT_EQ(GetOrdProp(bevel, name), value) << name;
  auto* scale = GetObjectProp(&slider, "Scale");
  EXPECT_EQ(GetOrdProp(scale, "Visible"), 0);
  EXPECT_EQ(GetOrdProp(scale, "Origin"), soOuter);
  EXPECT_EQ(GetOrdProp(scale, "Connect"), 1);
  EXPECT_EQ(GetOrdProp(scale, "TickCount"), 11);

  int64_t id = 0;
  EXPECT_TRUE(IdentToInt("TMMDeviceId", "MapperId", id));
  EXPECT_EQ(id, -1);
  std::string name;
  EXPECT_TRUE(IntToIdent("TMMDeviceId", -2, name));
  EXPECT_EQ(name, "badDeviceId");

  // A clone by name carries values and the owned bevel.
  SetOrdProp(&slider, "MaxValue", 300);
  SetOrdProp(&slider, "Position", 120);
  slider.Bevel()->SetBorderWidth(2);
  TMMSlider twin(nullptr);
  CopyPublishedProps(&slider, &twin);
  EXPECT_EQ(twin.MaxValue(), 300);
  EXPECT_EQ(twin.Position(), 120);
  EXPECT_EQ(twin.Bevel()->BorderWidth(), 2);
  EXPECT_THROW(GetOrdProp(&slider, "NoSuch"), EPropertyError);
}

TEST(MMControlBases, PanelAlignsInsideItsBevelAndPaintEventReplacesPainting) {
  TForm form(nullptr);
  form.SetBounds(30, 30, 240, 160);
  auto* panel = new TMMCustomPanel(&form);
  panel->SetBounds(10, 10, 120, 80);
  panel->SetColor(clWhite);
  panel->SetParent(&form);
  auto* child = new TPanel(&form);
  child->SetParent(panel);
  child->SetAlign(alClient);
  panel->Bevel()->SetBorderWidth(3); // extent 1 + 3
  form.Show();
  ProcessMessages();
  EXPECT_EQ(panel->BevelOuter(), bvNone) << "the library's bevel replaces the panel's";
  EXPECT_EQ(child->Left(), 4);
  EXPECT_EQ(child->Width(), 120 - 8);
  child->SetVisible(false);
  int painted = 0;
  panel->OnPaint = [&](TMMCustomPanel* p) {
    ++painted;
    p->Canvas().Brush().SetColor(clRed);
    p->Canvas().FillRect({0, 0, p->Width(), p->Height()});
  };
  TBitmap shot;
  CaptureControl(*panel, shot);
  EXPECT_GE(painted, 1);
  EXPECT_EQ(shot.Pixel(60, 40), clRed) << "the event painted instead of the fill";
  EXPECT_EQ(shot.Pixel(0, 0), clRed) << "and no bevel";
  panel->OnPaint = nullptr;
  CaptureControl(*panel, shot);
  EXPECT_EQ(shot.Pixel(60, 40), clWhite);
}

TEST(MMUtils, OnErrorFiresBeforeTheRaise) {
  TObject sender;
  std::vector<std::string> order;
  TNotifyEvent onError = [&](TObject* s) { order.push_back(s == &sender ? "event" : "other"); };
  try {
    RaiseWithOnError<EMMScaleError>(&sender, onError, "Canvas needed for this operation");
  } catch (const EMMScaleError& e) {
    order.push_back(e.what());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"event", "Canvas needed for this operation"}));
  EXPECT_THROW(RaiseWithOnError<EDivByZero>(&sender, nullptr, "x"), EDivByZero);
}
