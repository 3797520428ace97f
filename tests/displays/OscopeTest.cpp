// The oscilloscope: size and property rules, each kind and effect pixel for pixel against the
// Python model, the sweep and scroll of the chart mode, the scales, and the info box through
// real mouse messages, ended on every road.
#include <gtest/gtest.h>
#include "MMOscope.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr TColor Fore = TColor(0xFFFF00), Effect = TColor(0x0000FF), Disabled = TColor(0x808080),
                 Grid = TColor(0x00FF00);

std::vector<int16_t> Block(const std::string& bytes) {
  std::vector<int16_t> v(bytes.size() / 2);
  memcpy(v.data(), bytes.data(), v.size() * 2);
  return v;
}

struct ClipRecorder {
  std::vector<std::pair<bool, RECT>> Calls;
  ClipRecorder() {
    SetOscopeClipCursor([this](const RECT* r) {
      Calls.push_back({r != nullptr, r ? *r : RECT{}});
      return TRUE;
    });
  }
  ~ClipRecorder() { SetOscopeClipCursor(nullptr); }
  bool LastIsNull() const { return !Calls.empty() && !Calls.back().first; }
};

struct OscopeFixture : testing::Test {
  TForm Form{nullptr};
  TMMOscope* Scope = nullptr;
  void SetUp() override {
    Form.SetBounds(40, 40, 320, 240);
    Form.SetColor(clWhite);
    Scope = new TMMOscope(&Form);
    Scope->Bevel()->SetBevelOuter(bvNone);
    Scope->SetBounds(10, 10, 97, 50);
    Scope->SetParent(&Form);
    Scope->SetBitsPerPixel(24);
    Scope->SetBitLength(b16Bit);
    Scope->SetEffectColor(Effect);
    Scope->SetGridColor(Grid);
    Form.Show();
    ProcessMessages();
  }
  std::string Bits() {
    TMMDIBCanvas& c = Scope->DIBCanvas();
    GdiFlush();
    return std::string(reinterpret_cast<char*>(c.Bits()), size_t(c.RowLength()) * c.Height());
  }
  // A bitmap pixel as 0xBBGGRR.
  uint32_t BitmapPixel(int x, int y) {
    TMMDIBCanvas& c = Scope->DIBCanvas();
    const uint8_t* p = c.Bits() + size_t(c.Height() - 1 - y) * c.RowLength() + x * 3;
    return p[0] << 16 | p[1] << 8 | p[2];
  }
  COLORREF Screen(int x, int y) {
    HDC dc = GetDC(Form.Handle());
    COLORREF c = GetPixel(dc, Scope->Left() + x, Scope->Top() + y);
    ReleaseDC(Form.Handle(), dc);
    return c;
  }
  void Mouse(UINT msg, int x, int y, WPARAM keys) {
    SendMessageA(Form.Handle(), msg, keys, MAKELPARAM(Scope->Left() + x, Scope->Top() + y));
  }
  void Feed(int16_t value) {
    std::vector<int16_t> b(Scope->FrameSize() / 2 + 8, value);
    Scope->RefreshPCMData(b.data());
  }
};

} // namespace

TEST(OscopeRules, SizesFrameSizesAndLimits) {
  TForm form(nullptr);
  TMMOscope s(&form);
  s.Bevel()->SetBevelOuter(bvNone);
  s.SetBounds(0, 0, 194, 90);
  EXPECT_EQ(s.Points(), 194);
  EXPECT_EQ(s.DrawHeight(), 90);
  EXPECT_EQ(s.MidRow(), 45);
  EXPECT_EQ(s.Divisions(), 8);
  EXPECT_EQ(s.FrameSize(), 194);
  s.SetBitLength(b16Bit);
  s.SetMode(mStereo);
  s.SetZoom(-1);
  EXPECT_EQ(s.FrameSize(), 392);
  s.SetMode(mQuadro);
  EXPECT_EQ(s.Mode(), mStereo);
  s.SetFFTLength(1000);
  EXPECT_EQ(s.FFTLength(), 512);
  s.SetFFTLength(0);
  EXPECT_EQ(s.FFTLength(), 1);
  s.SetScroll(true);
  EXPECT_EQ(s.FrameSize(), 4);
  s.SetScroll(false);
  s.SetSteps(20);
  EXPECT_EQ(s.Steps(), 9);
  s.SetZoom(0);
  EXPECT_EQ(s.Zoom(), -1);
  s.SetZoom(12);
  EXPECT_EQ(s.Zoom(), 9);
  s.SetGain(33);
  EXPECT_EQ(s.Gain(), 0);
  s.SetSampleRate(100);
  EXPECT_EQ(s.SampleRate(), 8000);
  s.SetBounds(0, 0, 50, 41);
  EXPECT_EQ(s.Height(), 40); // kept even
  s.SetDrawAmpScale(true);
  EXPECT_EQ(s.Width(), 66);
  EXPECT_EQ(s.Points(), 4);
  s.SetDrawTimeScale(true);
  EXPECT_EQ(s.Height(), 42);
  WAVEFORMATEX f{};
  BuildPcmFormat(f, 16, 3, 11025);
  try {
    s.SetPWaveFormat(&f);
    ADD_FAILURE() << "no exception";
  } catch (const EMMOscopeError& e) {
    EXPECT_STREQ(e.what(), "Invalid WaveFormat");
  }
  BuildPcmFormat(f, 8, 1, 22050);
  s.SetPWaveFormat(&f);
  EXPECT_EQ(s.SampleRate(), 22050);
  EXPECT_EQ(s.BitLength(), b8Bit);
  EXPECT_EQ(s.Mode(), mMono);
  EXPECT_EQ(OscopeList().size(), 1u);
}

TEST_F(OscopeFixture, KindsAndEffectsMatchTheModelPixelForPixel) {
  std::ifstream in(OracleDir("oscope") + "cases.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int cases = 0;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string name;
    int kind, effect, gain, steps, midline, grid, enabled;
    s >> name >> kind >> effect >> gain >> steps >> midline >> grid >> enabled;
    SCOPED_TRACE(name);
    Scope->SetEnabled(true);
    Scope->SetKind(TMMOscopeKind(kind));
    Scope->SetEffect(TMMOscopeEffect(effect));
    Scope->SetGain(gain);
    Scope->SetSteps(steps);
    Scope->SetDrawMidLine(midline != 0);
    Scope->SetDrawGrid(grid != 0);
    std::vector<int16_t> block = Block(ReadFileBytes(OracleDir("oscope") + name + ".blk"));
    ASSERT_EQ(int(block.size()), Scope->Points());
    Scope->RefreshPCMData(block.data());
    if (!enabled) {
      Scope->SetEnabled(false);
      Scope->DrawDirect([&] { Scope->DrawScope(true); });
    }
    const std::string want = ReadFileBytes(OracleDir("oscope") + name + ".dib");
    const std::string got = Bits();
    ASSERT_EQ(got.size(), want.size());
    size_t bad = 0;
    for (; bad < got.size() && got[bad] == want[bad]; ++bad) {
    }
    const int row = Scope->DIBCanvas().RowLength();
    EXPECT_EQ(bad, got.size()) << "first difference at x " << (bad % row) / 3 << " y "
                               << (Scope->DrawHeight() - 1 - int(bad / row));
    ++cases;
  }
  EXPECT_EQ(cases, 50);
  Scope->SetEnabled(true);
  // The picture reaches the screen too.
  Scope->SetEffect(efNone);
  Scope->SetKind(okDots);
  Scope->SetSteps(1);
  Scope->SetDrawMidLine(false);
  Scope->SetDrawGrid(false);
  Feed(16384);
  int lit = 0;
  for (int y = 0; y < 50; ++y)
    lit += Screen(40, y) == ColorToRGB(Fore);
  EXPECT_EQ(lit, 1);
}

TEST_F(OscopeFixture, DrawLineHandlerAloneDraws) {
  int posts = 0;
  Scope->SetDrawMidLine(true);
  Scope->SetDrawGrid(true);
  Scope->OnPostPaint = [&](TObject*) { ++posts; };
  const int16_t* seen = nullptr;
  Scope->OnDrawLine = [&](TMMOscope*, TMMDIBCanvas& c, const RECT& r, const int16_t* buffer) {
    EXPECT_EQ(r.right, 97);
    EXPECT_EQ(r.bottom, 50);
    seen = buffer;
    c.SetColor(clBlack);
    DIB_Clear(c);
    c.SetColor(clNavy);
    DIB_FillRect({0, 0, 1, 1}, c);
  };
  std::vector<int16_t> b(97, 12000);
  Scope->RefreshPCMData(b.data());
  EXPECT_EQ(seen, Scope->Buffer());
  EXPECT_EQ(seen[5], 12000);
  EXPECT_EQ(posts, 1);
  EXPECT_EQ(BitmapPixel(0, 0), uint32_t(ColorToRGB(clNavy)));
  // Nothing of the built-in trace, mid line or grid.
  int drawn = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 1; x < 97; ++x)
      drawn += BitmapPixel(x, y) != 0;
  EXPECT_EQ(drawn, 0);
}

TEST_F(OscopeFixture, ScrollingSweepsThenShiftsTheBitmap) {
  Scope->SetKind(okVertLines);
  Scope->SetScroll(true);
  Scope->SetAccelerate(false);
  Scope->SetFFTLength(16);
  ProcessMessages();
  Scope->ResetData(); // marks a full redraw for the next block
  auto valueOf = [](int k) { return int16_t(-30000 + (k * 977) % 60000); };
  auto rowOf = [this](int16_t s) { return 49 - (s + 32767) * 50 / 65535; };
  auto columnShows = [&](int x, int k) { // the column's line reaches block k's row
    return BitmapPixel(x, rowOf(valueOf(k))) == uint32_t(ColorToRGB(Fore));
  };
  for (int k = 1; k <= 5; ++k)
    Feed(valueOf(k));
  // The first BarWidth blocks fell off the left: only the sweep bar is in the bitmap.
  EXPECT_EQ(Scope->BarStart(), 0);
  EXPECT_EQ(Scope->WriteEnd(), 5);
  for (int x = 0; x < 97; ++x)
    EXPECT_NE(BitmapPixel(x, 2), uint32_t(ColorToRGB(Fore))) << x;
  EXPECT_EQ(BitmapPixel(3, 1), uint32_t(ColorToRGB(Scope->BarColor())));
  for (int k = 6; k <= 40; ++k) {
    Feed(valueOf(k));
    EXPECT_EQ(Scope->WriteEnd(), k); // a column per block
    EXPECT_TRUE(columnShows(k - 6, k)) << k;
  }
  for (int k = 41; k <= 97 + 3; ++k)
    Feed(valueOf(k));
  // The write end stopped at the edge; since then each block moved the picture a column left.
  EXPECT_EQ(Scope->WriteEnd(), 97);
  EXPECT_EQ(Scope->BarStart(), 92);
  for (int j = 0; j < 30; ++j)
    EXPECT_TRUE(columnShows(91 - j, 100 - j)) << j;
}

TEST_F(OscopeFixture, AcceleratedScrollingMovesTheScreen) {
  Scope->SetKind(okVertLines);
  Scope->SetScroll(true);
  Scope->SetFFTLength(16);
  ProcessMessages();
  Scope->ResetData();
  auto valueOf = [](int k) { return int16_t(-30000 + (k * 977) % 60000); };
  auto rowOf = [](int16_t s) { return 49 - (s + 32767) * 50 / 65535; };
  for (int k = 1; k <= 100; ++k)
    Feed(valueOf(k));
  for (int j = 0; j < 30; ++j)
    EXPECT_EQ(Screen(91 - j, rowOf(valueOf(100 - j))), ColorToRGB(Fore)) << j;
  // The sweep bar sits right of the newest column.
  EXPECT_EQ(Screen(96, 20), ColorToRGB(Scope->BarColor()));
}

TEST_F(OscopeFixture, ScrollingConnectedLinesKeepTheirOwnLastPoint) {
  auto* other = new TMMOscope(&Form);
  other->Bevel()->SetBevelOuter(bvNone);
  other->SetBounds(10, 100, 97, 50);
  other->SetParent(&Form);
  other->SetBitsPerPixel(24);
  other->SetBitLength(b16Bit);
  for (TMMOscope* s : {Scope, other}) {
    s->SetKind(okConLines);
    s->SetScroll(true);
    s->SetAccelerate(false);
    s->SetFFTLength(16);
  }
  ProcessMessages();
  Scope->ResetData();
  other->ResetData();
  for (int k = 0; k < 30; ++k) {
    Feed(20000);
    std::vector<int16_t> low(64, -20000);
    other->RefreshPCMData(low.data());
  }
  // The high trace stays on its row: no line runs down to the other scope's row.
  const int high = 49 - (20000 + 32767) * 50 / 65535;
  for (int x = 3; x < 24; ++x)
    for (int y = high + 2; y < 50; ++y)
      EXPECT_NE(BitmapPixel(x, y), uint32_t(ColorToRGB(Fore))) << x << " " << y;
  delete other;
}

TEST_F(OscopeFixture, ScaleTicksAndLabels) {
  Scope->SetDrawAmpScale(true);
  Scope->SetDrawTimeScale(true);
  Scope->SetBounds(10, 10, 200, 150);
  Form.Invalidate();
  ProcessMessages();
  TBitmap shot;
  CaptureWindow(Form.Handle(), shot);
  const int h = 150 - 40, height = Scope->DrawHeight(), div = Scope->Divisions();
  EXPECT_EQ(height, 110);
  EXPECT_EQ(div, 10);
  for (int d = 0; d <= div; ++d) {
    const int row = h - int(d * 32768.0 / div / (32768.0 / height)) - 1;
    if (row < 0) continue; // the top tick lies one row above the trace
    EXPECT_EQ(ColorToRGB(shot.Pixel(10 + 25, 10 + row)), 0u) << d;           // left tick end
    EXPECT_EQ(ColorToRGB(shot.Pixel(10 + 200 - 29 + 3, 10 + row)), 0u) << d; // right tick end
  }
  // Time ticks under the trace: 6 pixels down from the scale's top at each division.
  const int points = Scope->Points();
  int n = 32;
  while (n > 1 && points / n < 10)
    n /= 2;
  const RECT dr = Scope->DrawRect();
  for (int k = 0; k <= n; ++k) {
    const int x = 10 + dr.left + (points - 1) * k / n;
    EXPECT_EQ(ColorToRGB(shot.Pixel(x, 10 + dr.bottom + 3 + 2)), 0u) << k;
  }
  // Labels: something dark left of the left axis at the top tick ("+1.00").
  int ink = 0;
  for (int x = 10; x < 10 + 23; ++x)
    ink += ColorToRGB(shot.Pixel(x, 10 + h - 110)) == 0;
  EXPECT_GT(ink, 0);
}

TEST_F(OscopeFixture, InfoBoxFollowsTheMouseAndEndsOnEveryRoad) {
  ClipRecorder clip;
  std::vector<int16_t> b(97);
  for (int i = 0; i < 97; ++i)
    b[i] = int16_t(i * 600 - 29000);
  Scope->SetKind(okConLines);
  Scope->RefreshPCMData(b.data());
  ProcessMessages();
  const std::string before = Bits();

  Mouse(WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
  ASSERT_TRUE(Scope->InfoActive());
  ASSERT_EQ(clip.Calls.size(), 1u);
  POINT tl{Scope->Left(), Scope->Top()};
  ClientToScreen(Form.Handle(), &tl);
  EXPECT_EQ(clip.Calls[0].second.left, tl.x);
  EXPECT_EQ(clip.Calls[0].second.top, tl.y);
  EXPECT_EQ(clip.Calls[0].second.right, tl.x + 97);
  EXPECT_EQ(clip.Calls[0].second.bottom, tl.y + 50);
  // A white box framed in black, 15 rows under the mouse.
  EXPECT_EQ(Screen(20, 25), RGB(0, 0, 0));
  EXPECT_EQ(Screen(21, 26), RGB(255, 255, 255));
  // Blocks change nothing while the button is held.
  const std::string held = Bits();
  std::vector<int16_t> other(97, 9000);
  Scope->RefreshPCMData(other.data());
  EXPECT_EQ(Bits(), held);
  EXPECT_EQ(Scope->Buffer()[0], b[0]);
  // The box follows; the old place is restored whole (the store is as large as the box).
  Mouse(WM_MOUSEMOVE, 60, 2, MK_LBUTTON);
  const std::string moved = Bits();
  const RECT box = Scope->InfoBoxRect();
  EXPECT_EQ(box.top, 17);
  EXPECT_EQ(box.right, 97); // moved left to end at the edge
  size_t changed = 0;
  const int row = Scope->DIBCanvas().RowLength();
  for (size_t i = 0; i < moved.size(); ++i) {
    const POINT p{int(i % row) / 3, 49 - int(i / row)};
    if (moved[i] != before[i] && !PtInRect(&box, p)) ++changed;
  }
  EXPECT_EQ(changed, 0u);
  // Readouts: full scale at the top, -1 at the bottom, time from the frame's 9 ms.
  EXPECT_EQ(Scope->InfoText({0, 0}), " 0.1 ms 1.00 V");
  EXPECT_EQ(Scope->InfoText({96, 49}), " 9.0 ms -1.00 V");
  Mouse(WM_LBUTTONUP, 60, 2, 0);
  EXPECT_FALSE(Scope->InfoActive());
  EXPECT_TRUE(clip.LastIsNull());
  EXPECT_EQ(Bits(), before); // the picture is restored

  // A capture lost to another window ends it too.
  HWND thief =
      CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Scope->InfoActive());
  SetCapture(thief);
  EXPECT_FALSE(Scope->InfoActive());
  EXPECT_TRUE(clip.LastIsNull());
  ReleaseCapture();
  DestroyWindow(thief);
  // And so do disabling, hiding and freeing.
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Scope->InfoActive());
  Scope->SetEnabled(false);
  EXPECT_FALSE(Scope->InfoActive());
  EXPECT_TRUE(clip.LastIsNull());
  Scope->SetEnabled(true);
  Mouse(WM_LBUTTONUP, 30, 30, 0);
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Scope->InfoActive());
  Scope->SetVisible(false);
  EXPECT_TRUE(clip.LastIsNull());
  Scope->SetVisible(true);
  Mouse(WM_LBUTTONUP, 30, 30, 0);
  Scope->SetShowHint(true);
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Scope->InfoActive());
  EXPECT_FALSE(Scope->ShowHint());
  const size_t calls = clip.Calls.size();
  delete Scope;
  Scope = nullptr;
  EXPECT_EQ(clip.Calls.size(), calls + 1);
  EXPECT_TRUE(clip.LastIsNull());
  ReleaseCapture();
}
