// The needle meter: levels through the decibel and linear scales, property rules, overflow
// events, the peak's hold and fall by hand, the needle on screen and the tick colours.
#include <gtest/gtest.h>
#include "MMMeter.h"
#include "Messages.h"
#include <cmath>
#include <vector>

namespace {

struct MeterFixture : testing::Test {
  TForm Form{nullptr};
  TMMMeter* Meter = nullptr;
  int PcmOver = 0, GainOver = 0;
  void SetUp() override {
    Form.SetBounds(40, 40, 300, 200);
    Form.SetColor(clGray);
    Meter = new TMMMeter(&Form);
    Meter->Bevel()->SetBevelOuter(bvNone);
    Meter->SetBounds(10, 10, 170, 90);
    Meter->SetParent(&Form);
    Meter->OnPcmOverflow = [this](TObject*) { ++PcmOver; };
    Meter->OnGainOverflow = [this](TObject*) { ++GainOver; };
    Form.Show();
    ProcessMessages();
  }
  // The loudest sample of a 16-bit mono block of 50 samples.
  void Block16(int16_t loudest) {
    Meter->SetBitLength(b16Bit);
    Meter->SetMode(mMono);
    std::vector<int16_t> v(50, 0);
    v[17] = loudest;
    Meter->RefreshPCMData(v.data());
  }
  COLORREF Screen(int x, int y) {
    HDC dc = GetDC(Form.Handle());
    COLORREF c = GetPixel(dc, Meter->Left() + x, Meter->Top() + y);
    ReleaseDC(Form.Handle(), dc);
    return c;
  }
};

bool Near(int a, int b, int tolerance) {
  return std::abs(a - b) <= tolerance;
}

} // namespace

TEST_F(MeterFixture, DecibelScaleEdgesAndGain) {
  // 25 dB below full scale: 32767 x 10^(-25/20) = 1842.7.
  Block16(1843);
  EXPECT_TRUE(Near(Meter->NeedleLevel(), 16384, 2)) << Meter->NeedleLevel();
  Block16(103); // -50.06 dB: at or below the bottom
  EXPECT_EQ(Meter->NeedleLevel(), 0);
  Meter->SetGain(40);
  EXPECT_EQ(Meter->Gain(), 0);
  Meter->SetGain(-8);
  EXPECT_EQ(Meter->Gain(), -8);
  Block16(32000);
  EXPECT_EQ(Meter->NeedleLevel(), 0);
  Meter->SetDecay(20);
  EXPECT_EQ(Meter->Decay(), 16);
  Meter->SetScaleAngle(10);
  EXPECT_EQ(Meter->ScaleAngle(), 45);
  Meter->SetSensitivy(-5);
  EXPECT_EQ(Meter->Sensitivy(), -9);
}

TEST_F(MeterFixture, LinearScaleAndValueBothWays) {
  Meter->SetLogAmp(false);
  // The floor is 32767 x 10^(-50/20) = 103.6; half of full scale sits at (16384 - 103.6) /
  // (32767 - 103.6) of the scale.
  Block16(16384);
  EXPECT_TRUE(Near(Meter->NeedleLevel(), 16332, 1)) << Meter->NeedleLevel();
  EXPECT_EQ(Meter->Value(), 50);
  Meter->SetLogAmp(true);
  Meter->SetValue(50); // -6.02 dB: (50 - 6.02) / 50 of the scale
  EXPECT_TRUE(Near(Meter->NeedleLevel(), 28822, 2)) << Meter->NeedleLevel();
  EXPECT_EQ(Meter->Value(), 50);
  // Gain -8 while the needle is up: the reading leaves the gain out instead of dividing by zero.
  Meter->SetGain(-8);
  EXPECT_EQ(Meter->Value(), 50);
  Meter->SetGain(8); // twice the amplitude in, so half of it read back
  EXPECT_EQ(Meter->Value(), 25);
}

TEST_F(MeterFixture, EightBitSamplesAndOverflowEvents) {
  Meter->SetBitLength(b8Bit);
  Meter->SetMode(mMono);
  std::vector<uint8_t> silence(50, 128);
  Meter->RefreshPCMData(silence.data());
  EXPECT_EQ(Meter->NeedleLevel(), 0);
  EXPECT_EQ(PcmOver, 0);
  std::vector<uint8_t> high(silence);
  high[3] = 255; // 127 x 256 = 32512
  Meter->RefreshPCMData(high.data());
  EXPECT_EQ(PcmOver, 0);
  EXPECT_TRUE(Near(Meter->NeedleLevel(), 32767 - 44, 2)) << Meter->NeedleLevel(); // -0.067 dB
  std::vector<uint8_t> low(silence);
  low[9] = 0; // 128 x 256 = 32768
  Meter->RefreshPCMData(low.data());
  EXPECT_EQ(PcmOver, 1);
  EXPECT_EQ(GainOver, 1);
  EXPECT_EQ(Meter->NeedleLevel(), 32767);
  // Stereo, both channels: half of each.
  Meter->SetMode(mStereo);
  std::vector<uint8_t> pair(100, 128);
  pair[10] = 0;   // left -32768
  pair[11] = 128; // right 0
  Meter->Reset();
  Meter->RefreshPCMData(pair.data()); // 16384: -6.02 dB
  EXPECT_TRUE(Near(Meter->NeedleLevel(), 28822, 2)) << Meter->NeedleLevel();
  Meter->SetChannel(chRight);
  Meter->RefreshPCMData(pair.data());
  EXPECT_EQ(Meter->NeedleLevel(), 0);
  WAVEFORMATEX bad{};
  bad.wFormatTag = 7;
  EXPECT_THROW(Meter->SetPWaveFormat(&bad), EMMMeterError);
}

TEST_F(MeterFixture, PeakHoldsThenFallsEverySecondTick) {
  Meter->SetEnabled(false); // the live timer stops: the ticks below are the only ones
  Meter->SetPeakDelay(3);
  Meter->SetPeakSpeed(2);
  Meter->SetValue(100);
  ASSERT_EQ(Meter->PeakLevel(), 32767);
  Meter->SetValue(0);
  std::vector<int> peaks;
  for (int i = 0; i < 9; ++i) {
    Meter->AgePeak();
    peaks.push_back(Meter->PeakLevel());
  }
  const std::vector<int> expected = {32767, 32767, 32267, 32267, 31767, 31767, 31267, 31267, 30767};
  EXPECT_EQ(peaks, expected);
  // Without a speed the peak drops to the needle at once after the delay.
  Meter->SetPeakSpeed(0);
  Meter->SetValue(100);
  Meter->SetValue(40);
  const int needle = Meter->NeedleLevel();
  for (int i = 0; i < 2; ++i)
    Meter->AgePeak();
  EXPECT_EQ(Meter->PeakLevel(), 32767);
  Meter->AgePeak();
  EXPECT_EQ(Meter->PeakLevel(), needle);
}

TEST_F(MeterFixture, NeedleStandsUpAtHalfScaleOnScreen) {
  Meter->SetShowPeak(false);
  Block16(1843); // half scale: straight up from the pivot
  ProcessMessages();
  const int w = 170, h = 90;
  const int top = h + Meter->NeedleOffset() - Meter->BaseRadius(); // the needle's tip: TopSpace
  ASSERT_EQ(top, 14);
  int white = 0;
  for (int y = top + 1; y < h; ++y)
    white += Screen(w / 2, y) == RGB(255, 255, 255);
  EXPECT_EQ(white, h - top - 1);
  // A column beside it shows no needle.
  int beside = 0;
  for (int y = top + 1; y < h; ++y)
    beside += Screen(w / 2 + 6, y) == RGB(255, 255, 255);
  EXPECT_EQ(beside, 0);
}

TEST_F(MeterFixture, TickColoursFollowTheZones) {
  Meter->Repaint();
  TBitmap& saved = Meter->SavedBitmap();
  const int w = saved.Width(), h = saved.Height();
  const double r = h + 30 - 14; // base radius
  auto colourNear = [&](int x, int y, TColor c) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (saved.Pixel(x + dx, y + dy) == c) return true;
    return false;
  };
  for (int i = 0; i < 41; ++i) {
    // The middle of the tick, 8 pixels inside the base circle, 45 + 90 x i / 40 degrees.
    const double a = (45 + 90.0 * i / 40) * 3.14159265358979 / 180;
    const int x = w / 2 - int(std::lround((r - 7) * std::cos(a)));
    const int y = h + 30 - int(std::lround((r - 7) * std::sin(a)));
    const TColor zone = i <= 24 ? clLime : i <= 32 ? clYellow : clRed;
    EXPECT_TRUE(colourNear(x, y, zone)) << "tick " << i;
  }
  // One tick or none: no tick colour anywhere, the caption still drawn.
  Meter->SetScaleTicks(1);
  Meter->Repaint();
  int tickPixels = 0, captionPixels = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const TColor c = saved.Pixel(x, y);
      tickPixels += c == clLime || c == clYellow || c == clRed;
      captionPixels += c == clSilver;
    }
  EXPECT_EQ(tickPixels, 0);
  EXPECT_GT(captionPixels, 10);
}
