// The spectrum analyser: column values against the numpy model over lengths, formats, windows,
// weightings, axes and decay laws; full-scale input without overflow or wrap; the strongest
// frequency; property rules; peaks aged by the timer's procedure; pixels of the kinds, scales and
// grid; and the info box through real mouse messages, ended on every road.
#include <gtest/gtest.h>
#include "MMSpectr.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "DisplayTestUtil.h"
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

constexpr double Pi = DisplayPi;

std::vector<int16_t> Sine(int n, double amplitude, double cycles, int channels = 1) {
  std::vector<int16_t> v(size_t(n) * channels);
  for (int i = 0; i < n; ++i)
    for (int c = 0; c < channels; ++c)
      v[size_t(i) * channels + c] =
          int16_t(std::lround(amplitude * std::sin(2 * Pi * cycles * i / n)));
  return v;
}

struct ClipRecorder {
  std::vector<std::pair<bool, RECT>> Calls;
  ClipRecorder() {
    SetSpectrumClipCursor([this](const RECT* r) {
      Calls.push_back({r != nullptr, r ? *r : RECT{}});
      return TRUE;
    });
  }
  ~ClipRecorder() { SetSpectrumClipCursor(nullptr); }
  bool LastIsNull() const { return !Calls.empty() && !Calls.back().first; }
};

struct SpectrumFixture : testing::Test {
  TForm Form{nullptr};
  TMMSpectrum* Spec = nullptr;
  int PcmOver = 0, GainOver = 0;
  void SetUp() override {
    Form.SetBounds(40, 40, 360, 260);
    Form.SetColor(clWhite);
    Spec = Make();
    Form.Show();
    ProcessMessages();
  }
  TMMSpectrum* Make() {
    auto* s = new TMMSpectrum(&Form);
    s->Bevel()->SetBevelOuter(bvNone);
    s->SetBounds(10, 10, 194, 89);
    s->SetParent(&Form);
    s->OnPcmOverflow = [this](TObject*) { ++PcmOver; };
    s->OnGainOverflow = [this](TObject*) { ++GainOver; };
    return s;
  }
  void Feed16(const std::vector<int16_t>& v) {
    Spec->SetBitLength(b16Bit);
    Spec->RefreshPCMData(v.data());
  }
  int MaxValue() {
    int m = 0;
    for (const TMMSpectrumBar& b : Spec->Bars())
      m = std::max(m, b.Value);
    return m;
  }
  uint8_t Index(int x, int y) { // a bitmap pixel's palette index, y from the top
    TMMDIBCanvas& c = Spec->DIBCanvas();
    GdiFlush();
    return c.Bits()[size_t(c.Height() - 1 - y) * c.RowLength() + x];
  }
  uint8_t IndexOf(TColor color) { return uint8_t(Spec->DIBCanvas().NearestIndex(color)); }
  COLORREF Screen(int x, int y) {
    HDC dc = GetDC(Form.Handle());
    COLORREF c = GetPixel(dc, Spec->Left() + x, Spec->Top() + y);
    ReleaseDC(Form.Handle(), dc);
    return c;
  }
  void Mouse(UINT msg, int x, int y, WPARAM keys) {
    SendMessageA(Form.Handle(), msg, keys, MAKELPARAM(Spec->Left() + x, Spec->Top() + y));
  }
  std::string Bits() {
    TMMDIBCanvas& c = Spec->DIBCanvas();
    GdiFlush();
    return std::string(reinterpret_cast<char*>(c.Bits()), size_t(c.RowLength()) * c.Height());
  }
};

} // namespace

TEST_F(SpectrumFixture, ColumnValuesMatchTheNumpyModel) {
  std::ifstream in(OracleDir("spectrum") + "cases.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int cases = 0, lit = 0;
  delete Spec;
  while (std::getline(in, line)) {
    std::istringstream head(line);
    std::string word;
    int n, bits, stereo, channel, window, gain, logAmp, logFreq, decayMode, decay, vscale, ref,
        blocks, sineBin;
    head >> word >> n >> bits >> stereo >> channel >> window >> gain >> logAmp >> logFreq >>
        decayMode >> decay >> vscale >> ref >> blocks >> sineBin;
    ASSERT_EQ(word, "case");
    SCOPED_TRACE("case " + std::to_string(cases) + ": " + line);
    Spec = Make();
    Spec->SetFFTLength(n);
    Spec->SetBitLength(bits == 16 ? b16Bit : b8Bit);
    Spec->SetMode(stereo ? mStereo : mMono);
    Spec->SetChannel(TMMChannel(channel));
    Spec->SetWindow(TMMFFTWindow(window));
    Spec->SetGain(TMMSpectrumGain(gain));
    Spec->SetLogAmp(logAmp != 0);
    Spec->SetLogFreq(logFreq != 0);
    Spec->SetDecay(decay);
    Spec->SetDecayMode(TMMDecayMode(decayMode));
    Spec->SetVerticalScale(vscale);
    Spec->SetRefFreq(ref);
    for (int b = 0; b < blocks; ++b) {
      std::getline(in, line);
      const std::string bytes = Unhex(line);
      ASSERT_EQ(int(bytes.size()), Spec->FrameSize());
      Spec->RefreshPCMData(bytes.data());
    }
    std::vector<int> firsts, values;
    int bin = 0;
    for (std::vector<int>* target : {&firsts, &values}) {
      std::getline(in, line);
      std::istringstream row(line);
      row >> word;
      for (int v; row >> v;)
        target->push_back(v);
    }
    std::getline(in, line);
    std::istringstream(line) >> word >> bin;
    const std::vector<TMMSpectrumBar> bars = Spec->Bars();
    ASSERT_EQ(bars.size(), firsts.size());
    int worst = 0, strongest = 0;
    for (size_t i = 0; i < bars.size(); ++i) {
      EXPECT_EQ(bars[i].First, firsts[i]);
      worst = std::max(worst, std::abs(bars[i].Value - values[i]));
      strongest = std::max(strongest, values[i]);
    }
    EXPECT_LE(worst, 1);
    if (strongest > 5) ++lit;
    if (sineBin >= 0 && strongest > 5) {
      EXPECT_EQ(Spec->PeakBin(), bin);
    }
    delete Spec;
    Spec = nullptr;
    ++cases;
  }
  EXPECT_GT(cases, 150);
  EXPECT_GT(lit, 80);
}

TEST_F(SpectrumFixture, FullScaleInputFillsTheHeight) {
  // A full-scale sine at a bin centre: sqrt P = 32767 x N/2 / (N/2), the top of the axis.
  Spec->SetWindow(fwRectangular);
  Spec->SetBitLength(b16Bit);
  Feed16(Sine(128, 32767, 16));
  EXPECT_GE(MaxValue(), 88);
  // Full-scale DC and a square wave: the scaled transform holds at 32767 instead of wrapping.
  for (TMMFFTWindow w : {fwRectangular, fwHamming}) {
    Spec->SetWindow(w);
    Feed16(std::vector<int16_t>(128, 32767));
    EXPECT_GE(Spec->Bars()[0].Value, 88) << w;
  }
  Spec->SetWindow(fwRectangular);
  std::vector<int16_t> square(128);
  for (int i = 0; i < 128; ++i)
    square[i] = (i / 8) % 2 ? -32767 : 32767;
  GainOver = 0;
  Feed16(square); // its fundamental is 4/pi of full scale: over the top
  EXPECT_GE(MaxValue(), 89);
  EXPECT_GT(GainOver, 0);
  // A first difference takes DC out entirely.
  Spec->SetGain(sg6db);
  Feed16(std::vector<int16_t>(128, 30000));
  EXPECT_EQ(MaxValue(), 0);
  Spec->SetLogAmp(true);
  Feed16(std::vector<int16_t>(128, 30000));
  EXPECT_EQ(MaxValue(), 0);
}

TEST_F(SpectrumFixture, StrongestFrequencyAndItsText) {
  Spec->SetDisplayPeak(true);
  Spec->SetBitLength(b16Bit);
  for (int k : {3, 10, 40}) {
    Spec->SetLogFreq(false);
    Feed16(Sine(128, 20000, k));
    EXPECT_EQ(Spec->PeakBin(), k);
    EXPECT_DOUBLE_EQ(Spec->PeakFrequency(), (k + 0.5) * 11025 / 128);
    char text[32];
    snprintf(text, sizeof text, "%.1f Hz", (k + 0.5) * 11025 / 128);
    EXPECT_EQ(Spec->PeakText(), text);
    Spec->SetLogFreq(true);
    Feed16(Sine(128, 20000, k));
    EXPECT_EQ(Spec->PeakBin(), k);
    EXPECT_DOUBLE_EQ(Spec->PeakFrequency(), double(k) * 11025 / 128);
  }
  // A quiet sine: no text at 5 pixels or less.
  Spec->SetLogFreq(false);
  Feed16(Sine(128, 1200, 10));
  ASSERT_LE(Spec->PeakValue(), 5);
  EXPECT_EQ(Spec->PeakText(), "");
}

TEST_F(SpectrumFixture, PropertyRulesAndRefusals) {
  const std::pair<int, int> lengths[] = {{1000, 512}, {5000, 4096}, {3, 8}, {4096, 4096}};
  for (auto [in, out] : lengths) {
    Spec->SetFFTLength(in);
    EXPECT_EQ(Spec->FFTLength(), out);
  }
  Spec->SetFFTLength(128);
  EXPECT_EQ(Spec->FrameSize(), 128);
  Spec->SetBitLength(b16Bit);
  Spec->SetMode(mStereo);
  EXPECT_EQ(Spec->FrameSize(), 512);
  Spec->SetMode(mQuadro);
  EXPECT_EQ(Spec->Mode(), mStereo);
  Spec->SetFrequencyScale(16);
  EXPECT_EQ(Spec->FrequencyScale(), 8);
  Spec->SetFrequencyScale(3);
  EXPECT_EQ(Spec->FrequencyScale(), 2);
  Spec->SetPoint1(0);
  Spec->SetPoint1(101);
  EXPECT_EQ(Spec->Point1(), 50);
  Spec->SetSpotHeight(30); // a third of 89 is 29
  EXPECT_EQ(Spec->SpotHeight(), 1);
  Spec->SetSpotHeight(29);
  EXPECT_EQ(Spec->SpotHeight(), 29);
  Spec->SetVerticalScale(0);
  EXPECT_EQ(Spec->VerticalScale(), 1);
  Spec->SetVerticalScale(900);
  EXPECT_EQ(Spec->VerticalScale(), 500);
  Spec->SetSampleRate(200000);
  EXPECT_EQ(Spec->SampleRate(), 100000);
  Spec->SetRefFreq(0);
  EXPECT_EQ(Spec->RefFreq(), 1);
  EXPECT_THROW(Spec->SetBitsPerPixel(24), EMMSpectrumError);

  // A 12-bit or non-PCM format is refused and the old one stays.
  WAVEFORMATEX f{};
  BuildPcmFormat(f, 16, 2, 22050);
  Spec->SetPWaveFormat(&f);
  EXPECT_EQ(Spec->SampleRate(), 22050);
  WAVEFORMATEX bad = f;
  bad.wBitsPerSample = 12;
  try {
    Spec->SetPWaveFormat(&bad);
    ADD_FAILURE() << "12-bit accepted";
  } catch (const EMMSpectrumError& e) {
    EXPECT_STREQ(e.what(), "Invalid WaveFormat");
  }
  bad = f;
  bad.wFormatTag = 2;
  EXPECT_THROW(Spec->SetPWaveFormat(&bad), EMMSpectrumError);
  EXPECT_EQ(Spec->SampleRate(), 22050);
  EXPECT_EQ(Spec->BitLength(), b16Bit);
  EXPECT_EQ(Spec->Mode(), mStereo);

  // Every 255 of an 8-bit block fires the overflow event once.
  BuildPcmFormat(f, 8, 1, 11025);
  Spec->SetPWaveFormat(&f);
  std::vector<uint8_t> block(128, 128);
  block[3] = block[50] = block[51] = 255;
  PcmOver = 0;
  Spec->RefreshPCMData(block.data());
  EXPECT_EQ(PcmOver, 3);
}

TEST_F(SpectrumFixture, PeaksHoldThenFallOnTheTimersProcedure) {
  Spec->SetPeakDelay(3);
  Spec->SetBitLength(b16Bit);
  Feed16(Sine(128, 32000, 20));
  auto strongest = [this] {
    std::vector<TMMSpectrumBar> bars = Spec->Bars();
    return *std::max_element(bars.begin(), bars.end(),
                             [](auto& a, auto& b) { return a.Peak < b.Peak; });
  };
  TMMSpectrumBar bar = strongest();
  const int lit = bar.Peak;
  ASSERT_GT(lit, 10);
  EXPECT_EQ(bar.Counter, 7);
  Feed16(std::vector<int16_t>(128, 0)); // silence: the peak stays
  for (int i = 0; i < 6; ++i)
    Spec->AgePeaks();
  EXPECT_EQ(strongest().Peak, lit);
  Spec->AgePeaks();
  EXPECT_EQ(strongest().Peak, 0);
  // With a speed the peak steps down a spot per PeakSpeed ticks after the hold.
  Spec->SetPeakSpeed(2);
  Feed16(Sine(128, 32000, 20));
  Feed16(std::vector<int16_t>(128, 0));
  for (int i = 0; i < 7; ++i)
    Spec->AgePeaks();
  EXPECT_EQ(strongest().Peak, lit - 1);
  Spec->AgePeaks();
  EXPECT_EQ(strongest().Peak, lit - 1);
  Spec->AgePeaks();
  EXPECT_EQ(strongest().Peak, lit - 2);
  // No peak spots: the client is held and nothing is marked.
  EXPECT_TRUE(Spec->PeakTimerRunning());
  Spec->SetNumPeaks(0);
  EXPECT_FALSE(Spec->PeakTimerRunning());
  Feed16(Sine(128, 32000, 20));
  EXPECT_EQ(strongest().Peak, 0);
  Spec->SetNumPeaks(2);
  EXPECT_TRUE(Spec->PeakTimerRunning());
  Spec->SetEnabled(false);
  EXPECT_FALSE(Spec->PeakTimerRunning());
}

TEST_F(SpectrumFixture, BarsDrawLitInactiveAndSpacedSpots) {
  Spec->SetBitLength(b16Bit);
  Spec->SetWindow(fwRectangular);
  Feed16(Sine(128, 32767, 16)); // bin 16: a full bar
  ASSERT_EQ(Spec->SpotCount(), 45);
  const uint8_t bar1 = IndexOf(TColor(0xFFFF00)), bar3 = IndexOf(TColor(0x0000FF));
  const uint8_t in1 = IndexOf(TColor(0x808000)), in3 = IndexOf(TColor(0x000080));
  const uint8_t black = IndexOf(clBlack);
  TMMSpectrumBar full{}, quiet{};
  for (const TMMSpectrumBar& b : Spec->Bars()) {
    if (Spec->ColumnFirstBin(b.First) == 16) full = b;
    if (Spec->ColumnFirstBin(b.First) == 40) quiet = b;
  }
  ASSERT_EQ(full.End - full.First, 3);
  auto litSpots = [&](int x) {
    int count = 0;
    for (int s = 1; s <= 45; ++s) {
      const int y = 88 - Spec->SpotOffset() - (s - 1) * 2;
      const uint8_t i = Index(x, y);
      if (i == bar1 || i == IndexOf(TColor(0xFFFF00)) || i == bar3) ++count;
    }
    return count;
  };
  // 88 of 89 pixels: round(88 x 45 / 89) = 44 spots, the 45th unlit.
  ASSERT_EQ(full.Value, 88);
  EXPECT_EQ(litSpots(full.First), 44);
  EXPECT_EQ(Index(full.First, 88 - Spec->SpotOffset()), bar1);          // zone 1 at the bottom
  EXPECT_EQ(Index(full.First, 88 - Spec->SpotOffset() - 43 * 2), bar3); // zone 3 from spot 39
  EXPECT_EQ(Index(full.First, 88 - Spec->SpotOffset() - 44 * 2), in3);
  EXPECT_EQ(Index(full.First, 88 - Spec->SpotOffset() - 1), black); // the space between spots
  EXPECT_EQ(Index(full.End - 1, 88 - Spec->SpotOffset()), black);   // Space 1: last column
  EXPECT_EQ(litSpots(quiet.First), 0);
  EXPECT_EQ(Index(quiet.First, 88 - Spec->SpotOffset()), in1);
  EXPECT_EQ(Index(quiet.First, 88 - Spec->SpotOffset() - 44 * 2), in3);
  // The screen shows the bitmap.
  EXPECT_EQ(Screen(full.First, 88 - Spec->SpotOffset()), ColorToRGB(TColor(0xFFFF00)));
  // Dotted active spots: a lit spot of 2 x 4 pixels holds both colours.
  Spec->SetSpotHeight(4);
  Spec->SetActiveDoted(true);
  Feed16(Sine(128, 32767, 16));
  const int bottom = 88 - Spec->SpotOffset();
  int on = 0, off = 0;
  for (int y = bottom - 3; y <= bottom; ++y)
    for (int x = full.First; x < full.End - 1; ++x)
      (Index(x, y) == bar1 ? on : off)++;
  EXPECT_GT(on, 0);
  EXPECT_GT(off, 0);
}

TEST_F(SpectrumFixture, DotsLinesAndScrollPlaceKnownValues) {
  Spec->SetBitLength(b16Bit);
  Spec->SetKind(skDots);
  Feed16(Sine(128, 12000, 16));
  TMMSpectrumBar bar{};
  for (const TMMSpectrumBar& b : Spec->Bars())
    if (Spec->ColumnFirstBin(b.First) == 16) bar = b;
  ASSERT_GT(bar.Value, 10);
  ASSERT_LT(bar.Value, 80);
  const uint8_t black = IndexOf(clBlack);
  EXPECT_NE(Index(bar.First, 88 - bar.Value), black);
  EXPECT_EQ(Index(bar.First, 88 - bar.Value - 1), black);
  Spec->SetKind(skLines);
  Feed16(Sine(128, 12000, 16));
  EXPECT_NE(Index(bar.First, 88 - bar.Value), black);
  // Scroll: the trace sits over the base line and moves down 2 lines per block.
  Spec->SetKind(skScroll);
  Spec->Repaint();
  Feed16(Sine(128, 3000, 16));
  const int base = 89 - 89 / 3;
  bar = {};
  for (const TMMSpectrumBar& b : Spec->Bars())
    if (Spec->ColumnFirstBin(b.First) == 16) bar = b;
  const int row = 89 - base - bar.Value;
  ASSERT_GT(row, 3);
  EXPECT_NE(Index(bar.First, row), black);
  Feed16(std::vector<int16_t>(128, 0));
  EXPECT_NE(Index(bar.First, row + 2), black);
  EXPECT_EQ(Index(bar.First, 0), black);
  EXPECT_EQ(Index(bar.First, 1), black);
}

TEST_F(SpectrumFixture, ScalesGridAndNarrowControls) {
  Spec->SetDrawAmpScale(true);
  Spec->SetDrawFreqScale(true);
  Spec->SetDrawGrid(true);
  Spec->SetGridColor(TColor(0x00FF00));
  Spec->SetScaleTextColor(clWhite);
  EXPECT_EQ(Spec->DrawRect().left, 32);
  EXPECT_EQ(Spec->DrawRect().right, 194 - 32);
  EXPECT_EQ(Spec->DrawRect().bottom, 89 - 40);
  EXPECT_EQ(Spec->DrawWidth(), 130);
  Feed16(Sine(128, 12000, 16));
  TBitmap shot;
  CaptureControl(Form, shot);
  shot.SaveToFile(ShotPath("spectrum_scales.bmp"));
  auto inkIn = [&](int l, int t, int r, int b) {
    int ink = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x)
        ink += (ColorToRGB(shot.Pixel(10 + x, 10 + y)) & 0x808080) != 0;
    return ink;
  };
  EXPECT_GT(inkIn(0, 0, 30, 49), 10);                             // left labels
  EXPECT_GT(inkIn(164, 0, 194, 49), 10);                          // right labels
  EXPECT_GT(inkIn(32, 50, 162, 89), 20);                          // frequency labels
  EXPECT_EQ(ColorToRGB(shot.Pixel(10 + 32, 10 + 48)), 0x00FF00u); // grid at the bottom left
  // Narrow and low controls draw their scales without a fault.
  Spec->SetDrawAmpScale(false);
  Spec->SetBounds(10, 10, 9, 89);
  Spec->Repaint();
  EXPECT_EQ(Spec->DrawWidth(), 9);
  Spec->SetDrawFreqScale(false);
  Spec->SetDrawAmpScale(true);
  Spec->SetBounds(10, 10, 194, 9);
  Spec->Repaint();
  EXPECT_EQ(Spec->DrawHeight(), 9);
  ProcessMessages();
}

TEST_F(SpectrumFixture, InfoBoxFollowsTheMouseAndEndsOnEveryRoad) {
  ClipRecorder clip;
  Spec->SetBitLength(b16Bit);
  Feed16(Sine(128, 20000, 20));
  ProcessMessages();
  const std::string before = Bits();
  const std::vector<TMMSpectrumBar> bars = Spec->Bars();
  Mouse(WM_LBUTTONDOWN, 40, 10, MK_LBUTTON);
  ASSERT_TRUE(Spec->InfoActive());
  ASSERT_EQ(clip.Calls.size(), 1u);
  POINT tl{Spec->Left(), Spec->Top()};
  ClientToScreen(Form.Handle(), &tl);
  EXPECT_EQ(clip.Calls[0].second.left, tl.x);
  EXPECT_EQ(clip.Calls[0].second.top, tl.y);
  EXPECT_EQ(clip.Calls[0].second.right, tl.x + 194);
  EXPECT_EQ(clip.Calls[0].second.bottom, tl.y + 89);
  EXPECT_EQ(Screen(40, 25), RGB(0, 0, 0)); // the box's frame, 15 rows under the mouse
  EXPECT_EQ(Screen(41, 26), RGB(255, 255, 255));
  // 97 of 194 columns is a quarter of 11025 Hz; row 0 is full scale.
  EXPECT_EQ(Spec->InfoText({97, 0}), "2.756 KHz 0.99 V");
  Spec->SetLogAmp(true);
  EXPECT_EQ(Spec->InfoText({0, 88}), "0.000 KHz -59.3 dB");
  Spec->SetLogAmp(false);
  // Blocks are ignored while the button is held.
  Feed16(Sine(128, 30000, 5));
  EXPECT_EQ(Spec->Bars()[10].Value, bars[10].Value);
  Mouse(WM_MOUSEMOVE, 190, 80, MK_LBUTTON);
  const RECT box = Spec->InfoBoxRect();
  EXPECT_EQ(box.right, 194);
  Mouse(WM_LBUTTONUP, 190, 80, 0);
  EXPECT_FALSE(Spec->InfoActive());
  EXPECT_TRUE(clip.LastIsNull());
  EXPECT_EQ(Bits(), before);

  HWND thief =
      CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Spec->InfoActive());
  SetCapture(thief);
  EXPECT_FALSE(Spec->InfoActive());
  EXPECT_TRUE(clip.LastIsNull());
  ReleaseCapture();
  DestroyWindow(thief);
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Spec->InfoActive());
  ReleaseCapture();
  EXPECT_FALSE(Spec->InfoActive());
  Mouse(WM_LBUTTONUP, 30, 30, 0);
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Spec->InfoActive());
  Spec->SetVisible(false);
  EXPECT_FALSE(Spec->InfoActive());
  EXPECT_TRUE(clip.LastIsNull());
  Spec->SetVisible(true);
  Mouse(WM_LBUTTONUP, 30, 30, 0);
  Spec->SetShowHint(true);
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Spec->InfoActive());
  EXPECT_FALSE(Spec->ShowHint());
  const size_t calls = clip.Calls.size();
  delete Spec;
  Spec = nullptr;
  EXPECT_EQ(clip.Calls.size(), calls + 1);
  EXPECT_TRUE(clip.LastIsNull());
  ReleaseCapture();
}

TEST_F(SpectrumFixture, EveryKindLeavesAPictureToLookAt) {
  Spec->SetBounds(10, 10, 300, 180);
  Spec->SetDrawAmpScale(true);
  Spec->SetDrawFreqScale(true);
  Spec->SetDrawGrid(true);
  Spec->SetDisplayPeak(true);
  Spec->SetScaleTextColor(clWhite);
  Spec->SetBitLength(b16Bit);
  std::vector<int16_t> chord(128, 0);
  for (auto [k, a] : {std::pair{6, 9000.0}, {21, 16000.0}, {45, 4000.0}}) {
    const std::vector<int16_t> s = Sine(128, a, k);
    for (int i = 0; i < 128; ++i)
      chord[i] = int16_t(chord[i] + s[i]);
  }
  const char* names[] = {"dots", "lines", "vlines", "bars", "peaks", "scroll"};
  for (int kind = skDots; kind <= skScroll; ++kind) {
    Spec->SetKind(TMMSpectrumKind(kind));
    Spec->Repaint();
    for (int i = 0; i < 12; ++i)
      Feed16(chord);
    EXPECT_EQ(Spec->PeakBin(), 21);
    EXPECT_FALSE(Spec->PeakText().empty());
    SaveScreenShot(Form.Handle(), 320, 200, std::string("spectrum_") + names[kind] + ".bmp");
  }
}

TEST_F(SpectrumFixture, PeaksStayInRangeUnderTheLiveTimer) {
  // Blocks raise the peaks on this thread while the shared timer ages them on its own.
  Spec->SetPeakDelay(0);
  Spec->SetPeakSpeed(1);
  Spec->SetBitLength(b16Bit);
  // Sixty ticks of the live timer.
  TTimerTicks ticks;
  int blocks = 0;
  while (ticks.Count() < 60) {
    Feed16(Sine(128, 4000 + (blocks % 7) * 4000, 5 + blocks % 50));
    for (const TMMSpectrumBar& b : Spec->Bars()) {
      ASSERT_GE(b.Peak, 0);
      ASSERT_LE(b.Peak, Spec->SpotCount());
      ASSERT_LE(b.Counter, 1);
    }
    ++blocks;
  }
  printf("%d blocks under the live timer\n", blocks);
}

TEST_F(SpectrumFixture, DrawBarHandlerAndResetData) {
  // A handler draws the bars instead: once per bar, with its columns, lit spots and peak.
  std::vector<std::pair<RECT, int>> calls;
  Spec->OnDrawBar = [&](TMMSpectrum*, TMMDIBCanvas&, const RECT& r, int value, int) {
    calls.push_back({r, value});
  };
  Spec->SetBitLength(b16Bit);
  Spec->SetWindow(fwRectangular);
  Feed16(Sine(128, 32767, 16));
  const std::vector<TMMSpectrumBar> bars = Spec->Bars();
  ASSERT_EQ(calls.size(), bars.size());
  int strongest = 0;
  for (size_t i = 0; i < bars.size(); ++i) {
    EXPECT_EQ(calls[i].first.left, bars[i].First);
    EXPECT_EQ(calls[i].first.right, bars[i].End);
    EXPECT_EQ(calls[i].first.bottom, 89);
    strongest = std::max(strongest, calls[i].second);
  }
  EXPECT_EQ(strongest, 44); // round(88 x 45 / 89) spots
  // Nothing of the control's own spots is drawn: the area is the background colour.
  EXPECT_EQ(Index(bars[0].First, 88 - Spec->SpotOffset()), IndexOf(clBlack));
  Spec->OnDrawBar = nullptr;
  // ResetData leaves the info box and clears values, peaks and the strongest frequency.
  ClipRecorder clip;
  Mouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);
  ASSERT_TRUE(Spec->InfoActive());
  Spec->ResetData();
  EXPECT_FALSE(Spec->InfoActive());
  EXPECT_TRUE(clip.LastIsNull());
  for (const TMMSpectrumBar& b : Spec->Bars()) {
    EXPECT_EQ(b.Value, 0);
    EXPECT_EQ(b.Peak, 0);
  }
  EXPECT_EQ(Spec->PeakValue(), 0);
  ReleaseCapture();
}

TEST_F(SpectrumFixture, APointInTheScaleStripsShowsNoBox) {
  ClipRecorder clip;
  Spec->SetDrawAmpScale(true);
  Spec->SetBitLength(b16Bit);
  Feed16(Sine(128, 20000, 20));
  ProcessMessages();
  const std::string before = Bits();
  Mouse(WM_LBUTTONDOWN, 60, 10, MK_LBUTTON);
  ASSERT_TRUE(Spec->InfoActive());
  EXPECT_NE(Spec->InfoBoxRect().right, 0);
  EXPECT_NE(Bits(), before);
  Mouse(WM_MOUSEMOVE, 5, 10, MK_LBUTTON); // in the left strip
  EXPECT_EQ(Spec->InfoBoxRect().right, 0);
  EXPECT_EQ(Bits(), before);
  Mouse(WM_LBUTTONUP, 5, 10, 0);
  EXPECT_FALSE(Spec->InfoActive());
}
