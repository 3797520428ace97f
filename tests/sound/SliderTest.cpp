// The slider through real window messages: positions and ranges, the logarithmic mapping against
// Python, keys, mouse drags, orientation, the thumb cursor, the shared bitmaps, and its pixels.
#include <gtest/gtest.h>
#include "MMSlider.h"
#include "MMUtils.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

// The class library's utility windows of this thread (each timer has one).
BOOL CALLBACK CountUtilityWindow(HWND w, LPARAM lp) {
  char name[32] = {};
  GetClassNameA(w, name, sizeof name);
  if (std::string(name) == "TbUtilWindow") ++*reinterpret_cast<int*>(lp);
  return TRUE;
}

int UtilityWindows() {
  int n = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountUtilityWindow, reinterpret_cast<LPARAM>(&n));
  return n;
}

struct SliderFixture : testing::Test {
  TForm Form{nullptr};
  TMMSlider* Slider = nullptr;
  int Changes = 0, Tracks = 0, TrackEnds = 0;
  void SetUp() override {
    Form.SetBounds(20, 20, 320, 160);
    Slider = new TMMSlider(&Form);
    Slider->SetBounds(10, 10, 200, 40);
    Slider->SetParent(&Form);
    Slider->OnChange = [this](TObject*) { ++Changes; };
    Slider->OnTrack = [this](TObject*) { ++Tracks; };
    Slider->OnTrackEnd = [this](TObject*) { ++TrackEnds; };
    Form.Show();
    ProcessMessages();
  }
  void Key(WORD key) {
    SendMessageA(Slider->Handle(), WM_KEYDOWN, key, 0);
    SendMessageA(Slider->Handle(), WM_KEYUP, key, 0xC0000000);
  }
  void Mouse(UINT msg, int x, int y, WPARAM keys) {
    SendMessageA(Slider->Handle(), msg, keys, MAKELPARAM(x, y));
  }
  POINT ThumbCentre() {
    RECT r = Slider->ThumbRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
};

// Independent of the control: with a bevel of 5 and an 11-pixel thumb, a 200-pixel slider has
// 190 - 11 = 179 pixels to spread the range over.
int ExpectedPosition(int x, int range) {
  double along = x - 5 - 5;
  int p = static_cast<int>(std::nearbyint(along / 179.0 * range));
  return std::clamp(p, 0, range);
}

} // namespace

TEST_F(SliderFixture, RangeAndPositionRules) {
  Slider->SetRange(0, 100);
  Slider->SetPosition(40);
  EXPECT_EQ(Changes, 1);
  Slider->SetPosition(40);
  EXPECT_EQ(Changes, 1); // no change, no event
  Slider->SetMaxValue(20);
  EXPECT_EQ(Slider->Position(), 20);
  Slider->SetMaxValue(Slider->MinValue());
  EXPECT_EQ(Slider->MaxValue(), 1);
  EXPECT_FALSE(Slider->SetThumbPosition(5)); // outside the range
  EXPECT_FALSE(Slider->SetThumbPosition(Slider->ThumbPosition()));
}

TEST_F(SliderFixture, LogarithmicMappingMatchesPython) {
  Slider->SetRange(0, 100);
  Slider->SetLogarithmic(true);
  Slider->SetPosition(50);
  EXPECT_EQ(Slider->ThumbPosition(), 75);
  EXPECT_EQ(Slider->Position(), 50);
  std::ifstream in(OracleDir("sound") + "sliderlog.txt");
  ASSERT_TRUE(in);
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    int r, sens, v, thumb, back;
    s >> r >> sens >> v >> thumb >> back;
    Slider->SetLogarithmic(false);
    Slider->SetRange(0, r);
    Slider->SetSensitivity(sens);
    Slider->SetLogarithmic(true);
    Slider->SetPosition(v);
    ASSERT_EQ(Slider->ThumbPosition(), thumb) << line;
    ASSERT_EQ(Slider->Position(), back) << line;
    ++rows;
  }
  EXPECT_GT(rows, 40);
  // Negative values take no logarithm: the bottom of the scale.
  Slider->SetPosition(-5);
  EXPECT_EQ(Slider->ThumbPosition(), 0);
  Slider->SetSensitivity(-200);
  EXPECT_EQ(Slider->Sensitivity(), -96);
  Slider->SetSensitivity(0);
  EXPECT_EQ(Slider->Sensitivity(), -20);
}

TEST_F(SliderFixture, KeysMoveAndTrackAsTheTableSays) {
  Slider->SetRange(0, 20);
  Key(VK_PRIOR);
  EXPECT_EQ(Slider->ThumbPosition(), 5);
  Key(VK_RIGHT);
  EXPECT_EQ(Slider->ThumbPosition(), 6);
  Key(VK_END);
  EXPECT_EQ(Slider->ThumbPosition(), 20);
  EXPECT_EQ(Tracks, 3);
  EXPECT_EQ(TrackEnds, 3);
  Key(VK_RIGHT); // at the top: nothing, no track
  EXPECT_EQ(Tracks, 3);
  Key(VK_NEXT);
  EXPECT_EQ(Slider->ThumbPosition(), 15);
  Key(VK_HOME);
  EXPECT_EQ(Slider->ThumbPosition(), 0);
  Slider->SetLineSize(4);
  Slider->SetThumbPosition(18);
  Key(VK_RIGHT); // 22 would pass the top: ignored
  EXPECT_EQ(Slider->ThumbPosition(), 18);
  EXPECT_EQ(SendMessageA(Slider->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);

  Slider->SetBounds(10, 10, 40, 120); // vertical: Home goes to the top value
  ProcessMessages();
  EXPECT_EQ(Slider->Orientation(), orVertical);
  Key(VK_HOME);
  EXPECT_EQ(Slider->ThumbPosition(), 20);
  Key(VK_END);
  EXPECT_EQ(Slider->ThumbPosition(), 0);
}

TEST_F(SliderFixture, DraggingTheThumbTracksEachStep) {
  Slider->SetRange(0, 100);
  POINT c = ThumbCentre();
  Mouse(WM_LBUTTONDOWN, c.x, c.y, MK_LBUTTON);
  EXPECT_TRUE(Slider->Dragging());
  EXPECT_EQ(Tracks, 1);
  for (int x : {60, 61, 120, 120, 300}) // 300 is past the end: clamped to the top
    Mouse(WM_MOUSEMOVE, x, c.y, MK_LBUTTON);
  EXPECT_EQ(Slider->ThumbPosition(), 100);
  int movedTo120 = ExpectedPosition(120, 100);
  EXPECT_NE(movedTo120, ExpectedPosition(61, 100));
  Mouse(WM_LBUTTONUP, 300, c.y, 0);
  EXPECT_FALSE(Slider->Dragging());
  EXPECT_EQ(TrackEnds, 1);
  // Down, 60, 61 (when it moves the thumb), 120 and 300 each tracked once.
  int expectedTracks = 1 + 1 + (ExpectedPosition(61, 100) != ExpectedPosition(60, 100)) + 1 + 1;
  EXPECT_EQ(Tracks, expectedTracks);

  // A press beside the thumb jumps there without dragging.
  Tracks = 0;
  Mouse(WM_LBUTTONDOWN, 80, c.y, MK_LBUTTON);
  EXPECT_FALSE(Slider->Dragging());
  EXPECT_EQ(Slider->ThumbPosition(), ExpectedPosition(80, 100));
  Mouse(WM_MOUSEMOVE, 150, c.y, MK_LBUTTON);
  EXPECT_EQ(Slider->ThumbPosition(), ExpectedPosition(80, 100));
  Mouse(WM_LBUTTONUP, 150, c.y, 0);
  EXPECT_EQ(Tracks, 1);
  EXPECT_EQ(TrackEnds, 2);
}

TEST_F(SliderFixture, ShapeSetsOrientationAndBitmapsAreShared) {
  Slider->SetBounds(10, 10, 30, 200);
  ProcessMessages();
  EXPECT_EQ(Slider->Orientation(), orVertical);
  Slider->SetBounds(10, 10, 200, 30);
  ProcessMessages();
  EXPECT_EQ(Slider->Orientation(), orHorizontal);

  int before = TBitmapCache::Count();
  auto* twin = new TMMSlider(&Form);
  twin->SetBounds(0, 60, 200, 30);
  EXPECT_EQ(TBitmapCache::Count(), before);
  EXPECT_EQ(TBitmapCache::Users(200, 30), 2);
  twin->SetBounds(0, 60, 150, 30);
  EXPECT_EQ(TBitmapCache::Users(200, 30), 1);
  EXPECT_EQ(TBitmapCache::Users(150, 30), 1);
  delete twin;
  EXPECT_EQ(TBitmapCache::Users(150, 30), 0);
  EXPECT_EQ(TBitmapCache::Count(), before);
  {
    TMMSlider negative(nullptr);
    negative.SetBounds(0, 0, -5, 10);
    EXPECT_EQ(TBitmapCache::Users(0, 10), 1);
  }
  EXPECT_EQ(TBitmapCache::Users(0, 10), 0);
}

TEST_F(SliderFixture, HandCursorOverTheThumb) {
  Slider->SetHandCursor(true);
  POINT c = Slider->ClientToScreen(ThumbCentre());
  SetCursorPos(c.x, c.y);
  SendMessageA(Slider->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Slider->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), Screen->Cursors(2005));
  POINT away = Slider->ClientToScreen({190, 5});
  SetCursorPos(away.x, away.y);
  SendMessageA(Slider->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Slider->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_NE(GetCursor(), Screen->Cursors(2005));
}

TEST_F(SliderFixture, PaintsGrooveThumbFocusAndDisabledDots) {
  Slider->SetRange(0, 10);
  Slider->SetGrooveColor(clRed);
  Slider->SetThumbColor(clBlue);
  Slider->SetColor(clWhite);
  TBitmap shot;
  CaptureControl(*Slider, shot);
  RECT g = Slider->GrooveRect(), t = Slider->ThumbRect();
  int gy = (g.top + g.bottom) / 2;
  EXPECT_EQ(shot.Pixel(150, gy), clRed);
  EXPECT_EQ(shot.Pixel(t.left + 4, t.top + 5), clBlue);
  EXPECT_EQ(shot.Pixel(t.left, t.top), static_cast<TColor>(ColorToRGB(clWindowFrame)));
  EXPECT_EQ(shot.Pixel(150, 2), static_cast<TColor>(ColorToRGB(clBtnFace))); // 5-pixel border

  Slider->SetFocus();
  ProcessMessages();
  CaptureControl(*Slider, shot);
  // The focus rectangle is dotted: one of two neighbours is inked.
  EXPECT_TRUE(shot.Pixel(150, g.top - 2) != clWhite || shot.Pixel(151, g.top - 2) != clWhite);

  Slider->SetFocusAction(faFocusColor);
  Slider->SetFocusColor(clLime);
  CaptureControl(*Slider, shot);
  EXPECT_EQ(shot.Pixel(150, gy), clLime);

  Slider->SetFocusAction(faFocusThumb);
  Slider->Perform(WM_KILLFOCUS);
  Slider->Perform(WM_SETFOCUS);
  ASSERT_TRUE(PumpUntil([&] { return Slider->BlinkPhase(); }, 3000));
  CaptureControl(*Slider, shot);
  int x = t.left + 4, y = t.top + 4 + ((t.left ^ t.top) & 1); // same parity: a dot

  EXPECT_EQ(shot.Pixel(x, y), clBlack);
  EXPECT_EQ(shot.Pixel(x + 1, y), clBlue);

  Slider->SetFocusAction(faNone);
  Slider->Perform(WM_KILLFOCUS);
  Slider->SetEnabled(false);
  Slider->SetDisabledColor(clYellow);
  CaptureControl(*Slider, shot);
  EXPECT_EQ(shot.Pixel(x, y), clYellow);
  EXPECT_EQ(shot.Pixel(x + 1, y), clBlue);
  EXPECT_EQ(shot.Pixel(x + 1, y + 1), clYellow);
}

TEST(SliderMended, NarrowRangesLoadingAndFreedFocusDoNotFault) {
  TForm form(nullptr);
  form.SetBounds(20, 20, 200, 100);
  // Narrower than its thumb and pictures.
  auto* narrow = new TMMSlider(&form);
  narrow->PicLeft().SetSize(8, 8);
  narrow->PicRight().SetSize(8, 8);
  narrow->PicturesChanged();
  narrow->SetBounds(0, 0, 20, 30);
  narrow->SetParent(&form);
  form.Show();
  ProcessMessages();
  narrow->SetRange(0, 50);
  narrow->SetPosition(25);
  EXPECT_EQ(narrow->Position(), 25);
  SendMessageA(narrow->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 15));
  SendMessageA(narrow->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 15));
  EXPECT_GE(narrow->Position(), 0);
  EXPECT_LE(narrow->Position(), 50);

  // An empty range set while loading is mended when loading ends.
  TMMSlider loaded(nullptr);
  loaded.BeginLoading();
  loaded.SetRange(5, 5);
  loaded.SetLogarithmic(true);
  loaded.SetPosition(3);
  EXPECT_GE(loaded.Position(), 0);
  loaded.EndLoading();
  EXPECT_EQ(loaded.MaxValue(), 6);

  // A focused, blinking slider that is freed leaves the timer alone: its timer window goes with
  // it, and the next slider to take the focus blinks on a timer of its own.
  const int timersBefore = UtilityWindows();
  auto* blinking = new TMMSlider(&form);
  blinking->SetBounds(0, 40, 120, 30);
  blinking->SetFocusAction(faAll);
  blinking->SetParent(&form);
  blinking->SetFocus();
  ProcessMessages();
  EXPECT_EQ(UtilityWindows(), timersBefore + 1) << "the blink timer";
  delete blinking;
  EXPECT_EQ(UtilityWindows(), timersBefore);
  auto* next = new TMMSlider(&form);
  next->SetBounds(0, 40, 120, 30);
  next->SetFocusAction(faAll);
  next->SetParent(&form);
  next->SetFocus();
  EXPECT_TRUE(PumpUntil([&] { return next->BlinkPhase(); }, 5000));
  delete next;
}
