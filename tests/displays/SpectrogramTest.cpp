// The spectrogram: palettes and columns against the numpy model, rows that follow the FFT length,
// wrap and scroll, the shared redraw after a palette change, embossing and the info box.
#include <gtest/gtest.h>
#include "MMSpGram.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "DisplayTestUtil.h"
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

constexpr double Pi = DisplayPi;

std::vector<int> Numbers(const std::string& line) {
  std::vector<int> v;
  std::istringstream in(line);
  for (int x; in >> x;)
    v.push_back(x);
  return v;
}

struct GramFixture : testing::Test {
  TForm Form{nullptr};
  TMMSpectrogram* Gram = nullptr;
  void SetUp() override {
    Form.SetBounds(40, 40, 360, 300);
    Form.SetColor(clWhite);
    Gram = Make(10);
    Form.Show();
    ProcessMessages();
  }
  TMMSpectrogram* Make(int top) {
    auto* g = new TMMSpectrogram(&Form);
    g->Bevel()->SetBevelOuter(bvNone);
    g->SetBounds(10, top, 194, 90);
    g->SetParent(&Form);
    g->SetBitLength(b16Bit);
    return g;
  }
  // Feeds a block and answers the column it went to (-1 while the column is still off the left).
  int Feed(TMMSpectrogram* g, const void* block) {
    const int x = g->CurrentColumn();
    g->RefreshPCMData(block);
    return x;
  }
  int FeedVisible(TMMSpectrogram* g, const void* block) {
    int x = -1;
    for (int i = 0; i < 10 && x < 0; ++i)
      x = Feed(g, block);
    return x;
  }
  uint8_t Index(TMMSpectrogram* g, int x, int y) {
    TMMDIBCanvas& c = g->DIBCanvas();
    GdiFlush();
    return c.Bits()[size_t(c.Height() - 1 - y) * c.RowLength() + x];
  }
  COLORREF Screen(TMMSpectrogram* g, int x, int y) {
    HDC dc = GetDC(Form.Handle());
    COLORREF c = GetPixel(dc, g->Left() + x, g->Top() + y);
    ReleaseDC(Form.Handle(), dc);
    return c;
  }
};

std::vector<int16_t> Sine(int n, double amplitude, double cycles) {
  std::vector<int16_t> v(n);
  for (int i = 0; i < n; ++i)
    v[i] = int16_t(std::lround(amplitude * std::sin(2 * Pi * cycles * i / n)));
  return v;
}

} // namespace

TEST(SpectrogramPalette, EveryKindMatchesTheModel) {
  std::ifstream in(OracleDir("spectrum") + "palettes.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  for (int kind = 0; kind < 8; ++kind) {
    ASSERT_TRUE(std::getline(in, line));
    PALETTEENTRY e[256];
    BuildSpectrogramPalette(TMMSpectrogramPalette(kind), e);
    std::istringstream row(line);
    for (int i = 10; i <= 245; ++i) {
      std::string hex;
      row >> hex;
      const unsigned v = std::stoul(hex, nullptr, 16);
      EXPECT_EQ(e[i].peRed, (v >> 16) & 0xFF) << kind << " " << i;
      EXPECT_EQ(e[i].peGreen, (v >> 8) & 0xFF) << kind << " " << i;
      EXPECT_EQ(e[i].peBlue, v & 0xFF) << kind << " " << i;
    }
    EXPECT_EQ(e[5].peRed + e[5].peGreen + e[5].peBlue + e[250].peRed, 0);
  }
}

TEST_F(GramFixture, ColumnsMatchTheModelOnBitmapAndScreen) {
  std::ifstream in(OracleDir("spectrum") + "gram.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  std::getline(in, line);
  const std::string block0 = Unhex(line);
  std::getline(in, line);
  const std::string block1 = Unhex(line);
  std::vector<std::vector<int>> expect;
  while (std::getline(in, line))
    expect.push_back(Numbers(line));
  ASSERT_EQ(expect.size(), 3u);
  PALETTEENTRY pal[256];
  BuildSpectrogramPalette(spThreshold, pal);

  for (int logAmp = 0; logAmp < 2; ++logAmp) {
    Gram->SetLogAmp(logAmp != 0);
    const int x = FeedVisible(Gram, block0.data());
    ASSERT_GE(x, 0);
    const std::vector<uint8_t> col = Gram->LastColumn();
    for (int r = 0; r < 90; ++r) {
      EXPECT_NEAR(col[r], expect[logAmp][r], 1) << "row " << r;
      EXPECT_EQ(Index(Gram, x, 89 - r), col[r]);
    }
    // The screen shows the palette entry of each index.
    for (int r : {0, 14, 15, 40}) {
      const PALETTEENTRY& e = pal[col[r]];
      EXPECT_EQ(Screen(Gram, x, 89 - r), RGB(e.peRed, e.peGreen, e.peBlue)) << r;
    }
  }
  // At a twentieth of the amplitude nothing saturates: the brightest rows are those of bin 10.
  Gram->SetLogAmp(false);
  Gram->SetAmplitudeScale(5);
  Feed(Gram, block0.data());
  {
    const std::vector<uint8_t> col = Gram->LastColumn();
    const int brightest = *std::max_element(col.begin(), col.end());
    ASSERT_LT(brightest, 245);
    for (int r = 0; r < 90; ++r) {
      int bin = r;
      while (Gram->RowFirstBin(bin) < 0)
        --bin;
      if (col[r] == brightest) {
        EXPECT_EQ(Gram->RowFirstBin(bin), 10) << r;
      }
    }
  }
  Gram->SetAmplitudeScale(100);
  // Embossed: the difference to the band below in the previous column.
  Gram->SetLogAmp(false);
  Gram->SetEmbossed(true);
  Feed(Gram, block0.data());
  Feed(Gram, block1.data());
  const std::vector<uint8_t> col = Gram->LastColumn();
  for (int r = 0; r < 90; ++r)
    EXPECT_NEAR(col[r], expect[2][r], 1) << "row " << r;
}

TEST_F(GramFixture, RowsFollowTheLengthAndTheRateStaysWhereItIs) {
  // 1000 Hz at 11025 Hz: bin 11.6 of 128, 46.4 of 512.
  auto brightestFrequency = [&](int n) {
    std::vector<int16_t> b(n);
    for (int i = 0; i < n; ++i)
      b[i] = int16_t(std::lround(20000 * std::sin(2 * Pi * 1000.0 * i / 11025)));
    Feed(Gram, b.data());
    const std::vector<uint8_t> col = Gram->LastColumn();
    const int r = int(std::max_element(col.begin(), col.end()) - col.begin());
    int row = r;
    while (Gram->RowFirstBin(row) < 0)
      --row;
    return Gram->RowFirstBin(row) * 11025.0 / n;
  };
  Gram->SetAmplitudeScale(5); // nothing saturates
  Gram->SetFFTLength(512);
  EXPECT_NEAR(brightestFrequency(512), 1000, 11025.0 / 512 * 2);
  Gram->SetFFTLength(128);
  for (int r = 0; r < 90; ++r)
    EXPECT_LT(Gram->RowFirstBin(r), 64);
  EXPECT_NEAR(brightestFrequency(128), 1000, 11025.0 / 128 * 1.5);
  EXPECT_EQ(Gram->FrameSize(), 256);
}

TEST_F(GramFixture, WrapsUntilFullThenScrolls) {
  const std::vector<int16_t> quiet(128, 0);
  Gram->SetBarWidth(3);
  Gram->SetAccelerate(false);
  Gram->Repaint();
  const int start = Gram->CurrentColumn();
  EXPECT_EQ(start, -3 + 1); // the paint's pass took one column
  for (int i = 0; i < 194 - start; ++i)
    Feed(Gram, quiet.data());
  EXPECT_EQ(Gram->CurrentColumn(), 0); // wrapped
  Gram->SetScroll(true);
  Gram->Repaint();
  int last = Gram->CurrentColumn();
  for (int i = 0; i < 400; ++i) {
    Feed(Gram, i == 300 ? Sine(128, 30000, 20).data() : quiet.data());
    last = Gram->CurrentColumn();
  }
  EXPECT_EQ(last, 194 - 3); // full: the column stays and the picture moves left
  EXPECT_EQ(Gram->ColumnsDrawn(), 194);
  // The loud block 99 blocks ago has moved 99 columns left of where it was written.
  const int at = 194 - 3 - 100;
  uint8_t best = 0;
  for (int y = 0; y < 90; ++y)
    best = std::max(best, Index(Gram, at, y));
  EXPECT_GT(best, 100);
  uint8_t right = 0;
  for (int y = 0; y < 90; ++y)
    right = std::max(right, Index(Gram, at + 1, y));
  EXPECT_LT(right, 40);
}

TEST_F(GramFixture, PaletteChangeRedrawsTheOthersAndPropertyRules) {
  TMMSpectrogram* other = Make(120);
  ProcessMessages();
  const std::vector<int16_t> quiet(128, 0);
  for (int i = 0; i < 20; ++i)
    Feed(other, quiet.data());
  ASSERT_GT(other->CurrentColumn(), 10);
  Gram->SetPaletteTyp(spHot);
  ProcessMessages();
  EXPECT_TRUE(other->RedrawAll());
  Feed(other, quiet.data());
  EXPECT_FALSE(other->RedrawAll());
  EXPECT_EQ(other->CurrentColumn(), -5 + 1);

  Gram->SetSensitivy(0);
  EXPECT_EQ(Gram->Sensitivy(), -9);
  Gram->SetSensitivy(-200);
  EXPECT_EQ(Gram->Sensitivy(), -90);
  Gram->SetAmplitudeScale(2000);
  EXPECT_EQ(Gram->AmplitudeScale(), 1000);
  Gram->SetFrequencyBase(-5);
  EXPECT_EQ(Gram->FrequencyBase(), 0);
  Gram->SetMode(mQuadro);
  EXPECT_EQ(Gram->Mode(), mMono);
  WAVEFORMATEX f{};
  BuildPcmFormat(f, 12, 1, 22050);
  EXPECT_THROW(Gram->SetPWaveFormat(&f), EMMSpectrogramError);
  EXPECT_EQ(Gram->SampleRate(), 11025);
  // Info box: frequency only, the bottom row 0 Hz, the top one half the rate.
  EXPECT_EQ(Gram->InfoText({5, 89}), "0.000 KHz");
  EXPECT_EQ(Gram->InfoText({5, 0}), "5.513 KHz");
  Gram->SetDrawScale(true);
  Gram->SetScaleTextColor(clWhite);
  EXPECT_EQ(Gram->DrawRect().left, 32);
  Gram->Repaint();
  for (int i = 0; i < 60; ++i)
    Feed(Gram, Sine(128, 4000 + 400 * i, 5 + i % 40).data());
  // The screen as it stands: a repaint would start the picture afresh.
  SaveScreenShot(Form.Handle(), 360, 240, "spectrogram.bmp");
}

TEST_F(GramFixture, InfoBoxConfinesTheCursorUntilReleased) {
  std::vector<std::pair<bool, RECT>> calls;
  SetSpectrumClipCursor([&](const RECT* r) {
    calls.push_back({r != nullptr, r ? *r : RECT{}});
    return TRUE;
  });
  auto mouse = [&](UINT msg, int x, int y, WPARAM keys) {
    SendMessageA(Form.Handle(), msg, keys, MAKELPARAM(Gram->Left() + x, Gram->Top() + y));
  };
  for (int i = 0; i < 30; ++i)
    Feed(Gram, Sine(128, 20000, 5 + i).data());
  mouse(WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
  ASSERT_TRUE(Gram->InfoActive());
  ASSERT_EQ(calls.size(), 1u);
  POINT tl{Gram->Left(), Gram->Top()};
  ClientToScreen(Form.Handle(), &tl);
  EXPECT_EQ(calls[0].second.left, tl.x);
  EXPECT_EQ(calls[0].second.bottom, tl.y + 90);
  const int x = Gram->CurrentColumn();
  Feed(Gram, Sine(128, 20000, 9).data()); // ignored while the box is up
  EXPECT_EQ(Gram->CurrentColumn(), x);
  mouse(WM_MOUSEMOVE, 100, 60, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 100, 60, 0);
  EXPECT_FALSE(Gram->InfoActive());
  EXPECT_FALSE(calls.back().first);
  mouse(WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
  ASSERT_TRUE(Gram->InfoActive());
  ReleaseCapture();
  EXPECT_FALSE(Gram->InfoActive());
  EXPECT_FALSE(calls.back().first);
  mouse(WM_LBUTTONUP, 20, 10, 0);
  mouse(WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
  const size_t n = calls.size();
  delete Gram;
  Gram = nullptr;
  EXPECT_EQ(calls.size(), n + 1);
  EXPECT_FALSE(calls.back().first);
  ReleaseCapture();
  SetSpectrumClipCursor(nullptr);
}
