// The light organ: band levels of sines in the three bands and peak modes against the numpy model,
// the lights' colours on a true-colour screen, bands that follow the FFT length, the dark middle
// light of the shortest transform, spheres and the property rules.
#include <gtest/gtest.h>
#include "MMLight.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "DisplayTestUtil.h"
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

constexpr double Pi = DisplayPi;

struct LightFixture : testing::Test {
  TForm Form{nullptr};
  TMMLight* Light = nullptr;
  void SetUp() override {
    Form.SetBounds(40, 40, 360, 260);
    Form.SetColor(clWhite);
    Light = new TMMLight(&Form);
    Light->Bevel()->SetBevelOuter(bvNone);
    Light->SetBounds(10, 10, 240, 90);
    Light->SetParent(&Form);
    Light->SetBitLength(b16Bit);
    Form.Show();
    ProcessMessages();
  }
  COLORREF Screen(POINT p) {
    HDC dc = GetDC(Form.Handle());
    COLORREF c = GetPixel(dc, Light->Left() + p.x, Light->Top() + p.y);
    ReleaseDC(Form.Handle(), dc);
    return c;
  }
  static COLORREF Colour(int band, int level) {
    return band == 0 ? RGB(level, 0, 0) : band == 1 ? RGB(0, level, 0) : RGB(level, level, 0);
  }
};

std::vector<int16_t> Sine(int n, double amplitude, double freq) {
  std::vector<int16_t> v(n);
  for (int i = 0; i < n; ++i)
    v[i] = int16_t(std::lround(amplitude * std::sin(2 * Pi * freq * i / 11025)));
  return v;
}

} // namespace

TEST_F(LightFixture, SinesLightTheirBandInEveryPeakMode) {
  std::ifstream in(OracleDir("spectrum") + "light.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    std::istringstream row(line);
    int n, freq;
    std::string hex;
    row >> n >> freq >> hex;
    SCOPED_TRACE(std::to_string(n) + " samples, " + std::to_string(freq) + " Hz");
    Light->SetFFTLength(n); // 128, then 512 on the same control
    const std::string block = Unhex(hex);
    ASSERT_EQ(int(block.size()), Light->FrameSize());
    for (TMMLightPeakMode mode : {pmRMS, pmPeak, pmAverage}) {
      Light->SetPeakMode(mode);
      Light->RefreshPCMData(block.data());
      for (int z = 0; z < 3; ++z) {
        int expect;
        row >> expect;
        EXPECT_NEAR(Light->Level(z), expect, 1) << "mode " << mode << " band " << z;
        EXPECT_EQ(Screen(Light->LightCenter(z)), Colour(z, Light->Level(z)))
            << "mode " << mode << " band " << z;
      }
    }
    ++rows;
  }
  EXPECT_EQ(rows, 6);
  // The same block again changes no palette entry.
  const std::vector<int16_t> b = Sine(512, 2500, 750);
  Light->RefreshPCMData(b.data());
  const int writes = Light->PaletteWrites();
  Light->RefreshPCMData(b.data());
  EXPECT_EQ(Light->PaletteWrites(), writes);
}

TEST_F(LightFixture, ShortestTransformLeavesTheMiddleDark) {
  Light->SetFFTLength(8);
  EXPECT_EQ(Light->BandFirst(0), 0);
  EXPECT_EQ(Light->BandEnd(0), 0);
  EXPECT_EQ(Light->BandFirst(1), -1);
  EXPECT_EQ(Light->BandFirst(2), 1);
  const std::vector<int16_t> b = Sine(8, 20000, 750);
  Light->RefreshPCMData(b.data());
  EXPECT_EQ(Light->Level(1), 0);
  EXPECT_EQ(Screen(Light->LightCenter(1)), RGB(0, 0, 0));
  EXPECT_GT(Light->Level(0) + Light->Level(2), 0);
}

TEST_F(LightFixture, SpheresShadeTheirRingsAndRulesHold) {
  Light->SetFFTLength(512);
  Light->SetKind(lkSphere);
  Light->SetZoneCount(10);
  const std::vector<int16_t> b = Sine(512, 2500, 150);
  Light->RefreshPCMData(b.data());
  const int level = Light->Level(0);
  ASSERT_GT(level, 30);
  const POINT c = Light->LightCenter(0);
  const int r = Light->LightRadius();
  EXPECT_EQ(Screen(c), RGB(level, 0, 0)); // the innermost ring at full level
  // The outermost ring: k = 9, b = trunc(255 x trunc(sqrt(100 - 81)) / 10) = 102.
  EXPECT_EQ(Screen({c.x, c.y - r + 1}), RGB(level * 102 / 255, 0, 0));
  SaveScreenShot(Form.Handle(), 360, 120, "light_spheres.bmp");
  Light->SetSphereHorz(-1);
  EXPECT_EQ(Light->SphereHorz(), 0.0f);
  Light->RefreshPCMData(b.data());
  EXPECT_EQ(Screen(c), RGB(0, 0, 0));
  try {
    Light->SetZoneCount(79);
    ADD_FAILURE() << "79 rings accepted";
  } catch (const EMMDIBError& e) {
    EXPECT_STREQ(e.what(), "Invalid count of animated colors");
  }
  Light->SetZoneCount(60);
  Light->SetTriangleDist(1);
  EXPECT_EQ(Light->TriangleDist(), 2);
  Light->SetZoneCount(0);
  EXPECT_EQ(Light->ZoneCount(), 1);
  Light->SetGainBass(5000);
  EXPECT_EQ(Light->GainBass(), 1000);
  Light->SetAmplitudeScale(-3);
  EXPECT_EQ(Light->AmplitudeScale(), 0);
  Light->SetMode(mQuadro);
  EXPECT_EQ(Light->Mode(), mMono);
  WAVEFORMATEX f{};
  BuildPcmFormat(f, 12, 1, 22050);
  EXPECT_THROW(Light->SetPWaveFormat(&f), EMMLightError);
  EXPECT_EQ(Light->SampleRate(), 11025);
  // The triangle: two lights side by side on top, the middle one below between them.
  Light->SetKind(lkCircle);
  Light->SetArrange(laTriangle);
  Light->SetGainBass(100);
  Light->SetAmplitudeScale(100);
  EXPECT_EQ(Light->LightCenter(0).y, Light->LightCenter(2).y);
  EXPECT_GT(Light->LightCenter(1).y, Light->LightCenter(0).y);
  EXPECT_EQ(Light->LightCenter(1).x * 2, Light->LightCenter(0).x + Light->LightCenter(2).x);
  std::vector<int16_t> chord(512, 0);
  for (int freq : {150, 750, 1750}) {
    const std::vector<int16_t> s = Sine(512, 2500, freq);
    for (int i = 0; i < 512; ++i)
      chord[i] = int16_t(chord[i] + s[i]);
  }
  Light->RefreshPCMData(chord.data());
  SaveScreenShot(Form.Handle(), 360, 120, "light.bmp");
}
