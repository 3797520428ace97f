// Live sound into the displays: the test sound server's steady 1000 Hz sine at half of full
// scale, recorded from device 0 (stereo, 8-bit, 11025 Hz) and handed to a level bar, an
// oscilloscope and a 512-point FFT from the recorder's buffer event.
#include <gtest/gtest.h>
#include "MMFFT.h"
#include "MMLevel.h"
#include "MMOscope.h"
#include "MMProps.h"
#include "MMWavIn.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include <cmath>

namespace {

struct TDisplaysTail : TMMDSPComponent {
  TDisplaysTail() : TMMDSPComponent(nullptr) {
    if (!FindMMClass("TDisplaysTail")) {
      TMMClassInfo& c = RegisterMMClass<TDisplaysTail>("TDisplaysTail", "TMMDSPComponent");
      c.Props = {DSPLinkProp("Input"), DSPLinkProp("Output")};
    }
  }
};

} // namespace

TEST(RealSound, SineShowsOnLevelScopeAndSpectrum) {
  TForm form(nullptr);
  form.SetBounds(40, 40, 320, 240);
  auto* level = new TMMLevel(&form);
  level->Bevel()->SetBevelOuter(bvNone);
  level->SetBounds(10, 10, 200, 17);
  level->SetParent(&form);
  level->SetSamples(441);
  auto* scope = new TMMOscope(&form);
  scope->Bevel()->SetBevelOuter(bvNone);
  scope->SetBounds(10, 40, 194, 90);
  scope->SetParent(&form);
  scope->SetBitsPerPixel(24);
  auto* vbar = new TMMLevel(&form);
  vbar->SetBounds(280, 10, 17, 200);
  vbar->SetKind(lkVertical);
  vbar->SetParent(&form);
  vbar->SetSamples(441);
  vbar->SetPeakSpeed(2);
  auto* scaled = new TMMOscope(&form);
  scaled->SetDrawAmpScale(true);
  scaled->SetDrawTimeScale(true);
  scaled->SetDrawGrid(true);
  scaled->SetKind(okConLines);
  scaled->SetBounds(300, 10, 300, 200);
  scaled->SetParent(&form);
  form.SetBounds(40, 40, 640, 260);
  form.Show();
  ProcessMessages();

  TMMWaveIn w(nullptr);
  w.SetMode(mStereo);
  w.SetBitLength(b8Bit);
  w.SetSampleRate(11025);
  level->SetPWaveFormat(w.PWaveFormat());
  scope->SetPWaveFormat(w.PWaveFormat());
  vbar->SetPWaveFormat(w.PWaveFormat());
  scaled->SetPWaveFormat(w.PWaveFormat());
  ASSERT_LE(level->FrameSize(), 2048);
  TDisplaysTail tail;
  w.SetOutput(&tail);
  PFFTSetup fft = InitRealFFT(9);
  std::vector<int> spots, peaks;
  int topRow = 1000, bottomRow = -1;
  w.OnBufferReady = [&](TObject*, WAVEHDR* h) {
    if (h->dwBytesRecorded < 2048) return;
    const uint8_t* d = reinterpret_cast<const uint8_t*>(h->lpData);
    level->RefreshPCMData(d);
    spots.push_back(level->CurrentSpots());
    scope->RefreshPCMData(d);
    vbar->RefreshPCMData(d);
    scaled->RefreshPCMData(d);
    TMMDIBCanvas& c = scope->DIBCanvas();
    GdiFlush();
    int top = 1000, bottom = -1;
    for (int y = 0; y < c.Height(); ++y)
      for (int x = 0; x < c.Width(); ++x) {
        const uint8_t* p = c.Bits() + size_t(c.Height() - 1 - y) * c.RowLength() + 3 * x;
        if (p[0] | p[1] | p[2]) top = std::min(top, y), bottom = std::max(bottom, y);
      }
    topRow = top, bottomRow = bottom;
    std::vector<float> x(512);
    for (int i = 0; i < 512; ++i)
      x[i] = float((int(d[2 * i]) - 128) * 256);
    DoRealFFT(fft, x.data(), 1);
    int best = 1;
    double bestPower = 0;
    for (int k = 1; k < 256; ++k) {
      const double p = double(x[2 * k]) * x[2 * k] + double(x[2 * k + 1]) * x[2 * k + 1];
      if (p > bestPower) bestPower = p, best = k;
    }
    peaks.push_back(best);
  };
  w.Start();
  ASSERT_TRUE(PumpUntil([&] { return spots.size() >= 12; }, 20000)) << spots.size();
  // A picture for a person to look at: the bars in their zones with the peak mark, the trace.
  TBitmap shot;
  CaptureWindow(form.Handle(), shot);
  shot.SaveToFile(WinPath(EnvVar("TB_BUILD_DIR")) + "\\displays_live.bmp");
  w.Stop();
  w.Close();
  DoneRealFFT(fft);
  // The first buffers may still carry the stream's start; judge the steady ones.
  EXPECT_EQ(spots.back(), 83);
  EXPECT_EQ(spots[spots.size() - 2], 83);
  // Rows of +16384 and -16384 on a 90-row trace: 22 and 67.
  EXPECT_NEAR(topRow, 22, 1);
  EXPECT_NEAR(bottomRow, 67, 1);
  EXPECT_TRUE(peaks.back() == 46 || peaks.back() == 47) << peaks.back();
}
