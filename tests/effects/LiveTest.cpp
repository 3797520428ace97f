// The connector fed by the recorder from device 0, where the test services play a steady
// 1000 Hz sine at half of full scale: the frames a display gets, the level bars and the
// oscilloscope, and every buffer dumped for the numpy checker with what this test measured; and
// oscilloscopes wider than a buffer's frames.
#include <gtest/gtest.h>
#include "MMConect.h"
#include "MMLevel.h"
#include "MMOscope.h"
#include "Messages.h"
#include "TestUtil.h"
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <mutex>

namespace {

std::string CheckDir() {
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += "effects_live\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

// The strongest bin of a transform of n samples (both channels' mean of 8-bit stereo frames).
int StrongestBin(const uint8_t* frames, int n) {
  int best = 0;
  double bestPower = 0;
  for (int k = 1; k < n / 2; ++k) {
    std::complex<double> sum = 0;
    for (int i = 0; i < n; ++i) {
      const double v = (frames[2 * i] + frames[2 * i + 1]) / 2.0 - 128;
      sum += v * std::polar(1.0, -2 * 3.14159265358979 * k * i / n);
    }
    if (std::norm(sum) > bestPower) bestPower = std::norm(sum), best = k;
  }
  return best;
}

} // namespace

TEST(LiveInput, DeviceZeroSineThroughTheConnector) {
  TForm form(nullptr);
  form.SetBounds(20, 20, 420, 260);
  auto* left = new TMMLevel(&form);
  auto* right = new TMMLevel(&form);
  auto* scope = new TMMOscope(&form);
  left->SetBounds(10, 10, 300, 12);
  right->SetBounds(10, 30, 300, 12);
  left->SetChannel(chLeft);
  right->SetChannel(chRight);
  scope->SetBounds(10, 50, 256, 120);
  for (TControl* c : std::initializer_list<TControl*>{left, right, scope})
    c->SetParent(&form);
  form.Show();

  TMMWaveIn w(nullptr);
  w.SetMode(mStereo); // 8-bit, 11025 Hz: the main window's recorder
  TMMConnector conn(nullptr);
  w.SetOutput(&conn);
  conn.SetLevel1(left);
  conn.SetLevel2(right);
  conn.SetOscope1(scope);
  std::vector<std::string> frames;
  TMMConnectorSlot tap;
  TComponent tapOwner(nullptr);
  tap.Display = &tapOwner;
  tap.SetFormat = [](const WAVEFORMATEX*) {};
  tap.Refresh = [&](const void* p) { frames.emplace_back(static_cast<const char*>(p), 256); };
  tap.Reset = [] {};
  tap.FrameSize = [] { return 256; }; // 128 stereo frames
  conn.SetSlot(8, tap);
  std::mutex lock;
  std::string take;
  int buffers = 0;
  w.OnBufferReady = [&](TObject*, WAVEHDR* h) {
    std::lock_guard<std::mutex> guard(lock);
    ++buffers;
    take.append(h->lpData, h->dwBytesRecorded);
  };
  w.Start();
  std::vector<int> lefts, rights;
  ASSERT_TRUE(PumpUntil(
      [&] {
        if (left->Value() > 0) lefts.push_back(left->Value());
        if (right->Value() > 0) rights.push_back(right->Value());
        // The level bars draw only the newest due frame, so they may count fewer frames than
        // the spectra: wait for both.
        return conn.FrameCount(cgSpectra) >= 20 && conn.FrameCount(cgLevels) > 20 && buffers >= 8;
      },
      15000))
      << conn.FrameCount(cgSpectra) << " " << conn.FrameCount(cgLevels);
  w.Stop();
  w.Close();

  // 1000 Hz in bins of 11025 / 128 = 86.13 Hz: bin 11 or 12.
  const int bin = StrongestBin(reinterpret_cast<const uint8_t*>(frames[15].data()), 128);
  EXPECT_LE(std::abs(bin * 11025.0 / 128 - 1000), 11025.0 / 128) << bin;
  // Peak 64 of 128: -6.02 dBFS on both bars; the stop cleared them.
  const int leftValue = MedianOf(lefts), rightValue = MedianOf(rights);
  const double leftDb = 20 * std::log10(leftValue / 100.0);
  const double rightDb = 20 * std::log10(rightValue / 100.0);
  EXPECT_NEAR(leftDb, -6.02, 0.5);
  EXPECT_NEAR(rightDb, -6.02, 0.5);
  EXPECT_EQ(left->CurrentSpots(), 0);
  EXPECT_GT(conn.FrameCount(cgLevels), 20);
  EXPECT_GT(conn.FrameCount(cgOscopes), 2);

  std::lock_guard<std::mutex> guard(lock);
  const std::string dir = CheckDir();
  WriteFileBytes(dir + "take.raw", take);
  WriteFileBytes(dir + "log.txt",
                 "rate 11025\nchannels 2\nbits 8\nfreq " + std::to_string(bin * 11025.0 / 128) +
                     "\nframes " + std::to_string(frames.size()) + "\nleft_db " +
                     std::to_string(leftDb) + "\nright_db " + std::to_string(rightDb) + "\n");
}

// Oscilloscopes wider than a buffer holds frames for: the trace spreads the buffer across the
// width. Read back from the bitmap, every column is lit and the lit rows span the sine's peaks,
// +-16384 of 32768, that is a quarter of the height above and below the middle.
TEST(LiveInput, WideOscilloscopesShowTheSine) {
  for (int width : {1200, 1916}) {
    SCOPED_TRACE(width);
    TForm form(nullptr);
    form.SetBounds(0, 0, width + 40, 200);
    auto* scope = new TMMOscope(&form);
    scope->Bevel()->SetBevelOuter(bvNone);
    scope->SetBitsPerPixel(24);
    scope->SetBounds(10, 10, width, 120);
    scope->SetParent(&form);
    form.Show();
    TMMWaveIn w(nullptr);
    w.SetMode(mStereo); // 8-bit, 11025 Hz, buffers of 2048 bytes: the main window's recorder
    TMMConnector conn(nullptr);
    w.SetOutput(&conn);
    conn.SetOscope1(scope);
    conn.SetRefreshOnStop(false); // the last trace stays for reading
    w.Start();
    const bool fed = PumpUntil([&] { return conn.FrameCount(cgOscopes) >= 5; }, 15000);
    w.Stop();
    w.Close();
    ASSERT_TRUE(fed) << "frames shown: " << conn.FrameCount(cgOscopes);
    ASSERT_EQ(scope->Points(), width);
    TMMDIBCanvas& c = scope->DIBCanvas();
    GdiFlush();
    const int h = scope->DrawHeight();
    const COLORREF fore = ColorToRGB(scope->ForegroundColor());
    int top = h, bottom = -1, litColumns = 0;
    for (int x = 0; x < width; ++x) {
      bool lit = false;
      for (int y = 0; y < h; ++y) {
        const uint8_t* p = c.Bits() + size_t(h - 1 - y) * c.RowLength() + x * 3;
        if (RGB(p[2], p[1], p[0]) != fore) continue;
        lit = true;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
      litColumns += lit;
    }
    EXPECT_EQ(litColumns, width);
    EXPECT_NEAR(top, h / 4 - 1, 3);
    EXPECT_NEAR(bottom, 3 * h / 4 - 1, 3);
  }
}
