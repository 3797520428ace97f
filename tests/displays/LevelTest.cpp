// The level bar: its layout and property rules, lit spots of random blocks and of the decay laws
// against the Python model, overflow events, the peak's hold and fall, the pixels on screen, and
// the peak under a hammer of blocks while the live timer ages it.
#include <gtest/gtest.h>
#include "MMLevel.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "DisplayTestUtil.h"
#include <atomic>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::vector<uint8_t> Hex(const std::string& s) {
  std::vector<uint8_t> v;
  for (size_t i = 0; i + 1 < s.size(); i += 2)
    v.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return v;
}

std::vector<int16_t> Sine(int n, double amplitude, double cycles) {
  std::vector<int16_t> v(n);
  for (int i = 0; i < n; ++i)
    v[i] = int16_t(std::lround(amplitude * std::sin(2 * 3.14159265358979 * cycles * i / n)));
  return v;
}

struct LevelFixture : testing::Test {
  TForm Form{nullptr};
  TMMLevel* Level = nullptr;
  int PcmOver = 0, GainOver = 0;
  void SetUp() override {
    Form.SetBounds(30, 30, 300, 260);
    Form.SetColor(clWhite);
    Level = new TMMLevel(&Form);
    Level->Bevel()->SetBevelOuter(bvNone);
    Level->SetBounds(10, 10, 200, 17);
    Level->SetParent(&Form);
    Level->OnPcmOverflow = [this](TObject*) { ++PcmOver; };
    Level->OnGainOverflow = [this](TObject*) { ++GainOver; };
    Form.Show();
    ProcessMessages();
  }
  void Block16(const std::vector<int16_t>& v) {
    Level->SetBitLength(b16Bit);
    Level->SetMode(mMono);
    Level->SetSamples(int(v.size()));
    Level->RefreshPCMData(v.data());
  }
  // Lit and unlit zone colours, one pixel each on a 24-bit picture; the peak does not age.
  const TColor Bar[3] = {TColor(0x00FF00), TColor(0x00FFFF), TColor(0x0000FF)};
  const TColor Dim[3] = {TColor(0x004000), TColor(0x004040), TColor(0x000040)};
  void UsePixelColours() {
    Level->SetBitsPerPixel(24);
    for (int i = 0; i < 3; ++i) {
      Level->SetColorByIndex(i, Bar[i]);
      Level->SetColorByIndex(i + 3, Dim[i]);
    }
    DisableTimerClient(Level->PeakTimer());
  }
  COLORREF Screen(int x, int y) { // in the bar's coordinates
    HDC dc = GetDC(Form.Handle());
    COLORREF c = GetPixel(dc, Level->Left() + x, Level->Top() + y);
    ReleaseDC(Form.Handle(), dc);
    return c;
  }
};

} // namespace

TEST_F(LevelFixture, LayoutAndPropertyRules) {
  EXPECT_EQ(Level->NumSpots(), 100);
  EXPECT_EQ(Level->SpotOffset(), 0);
  EXPECT_EQ(Level->Zone1Limit(), 50);
  EXPECT_EQ(Level->Zone2Limit(), 85);
  Level->SetSpotWidth(3);
  Level->SetSpotSpace(2); // 200 + 2 = 40 spots of 5, used 198: offset 1
  EXPECT_EQ(Level->NumSpots(), 40);
  EXPECT_EQ(Level->SpotOffset(), 1);
  EXPECT_EQ(Level->Zone2Limit(), 34);
  Level->SetSpotWidth(1);
  Level->SetSpotSpace(1);
  Level->SetKind(lkVertical);
  EXPECT_EQ(Level->Width(), 17);
  EXPECT_EQ(Level->Height(), 200);
  EXPECT_EQ(Level->NumSpots(), 100);
  Level->SetKind(lkHorizontal);
  EXPECT_EQ(Level->Width(), 200);
  Level->SetMode(mStereo);
  Level->SetMode(mQuadro);
  EXPECT_EQ(Level->Mode(), mStereo);
  Level->SetGain(40);
  EXPECT_EQ(Level->Gain(), 0);
  Level->SetGain(-9);
  EXPECT_EQ(Level->Gain(), 0);
  Level->SetBitLength(b16Bit);
  Level->SetSamples(0);
  EXPECT_EQ(Level->Samples(), 1);
  Level->SetSamples(441);
  EXPECT_EQ(Level->FrameSize(), 2 * 2 * 441);
  Level->SetSensitivy(-100);
  EXPECT_EQ(Level->Sensitivy(), -90);
  Level->SetPeakDelay(99);
  EXPECT_EQ(Level->PeakDelay(), 50);
  Level->SetNumPeaks(9);
  EXPECT_EQ(Level->NumPeaks(), 5);
  Level->SetBounds(0, 0, 0, 0);
  EXPECT_EQ(Level->Width(), 2);
  // A format that is not PCM is refused with the library's text; the present one stays.
  WAVEFORMATEX f{};
  BuildPcmFormat(f, 12, 1, 11025);
  try {
    Level->SetPWaveFormat(&f);
    ADD_FAILURE() << "no exception";
  } catch (const EMMLevelError& e) {
    EXPECT_STREQ(e.what(), "Invalid WaveFormat");
  }
  EXPECT_EQ(Level->BitLength(), b16Bit);
  EXPECT_EQ(Level->Mode(), mStereo);
  BuildPcmFormat(f, 8, 1, 22050);
  Level->SetPWaveFormat(&f);
  EXPECT_EQ(Level->BitLength(), b8Bit);
  EXPECT_EQ(Level->Mode(), mMono);
}

TEST_F(LevelFixture, LitSpotsMatchTheModelForEveryFormat) {
  std::ifstream in(OracleDir("level") + "blocks.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int cases = 0;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    int bits, stereo, channel, logamp, gain, sens, samples, spots, pcm, over;
    std::string hex;
    s >> bits >> stereo >> channel >> logamp >> gain >> sens >> samples >> hex >> spots >> pcm >>
        over;
    Level->ResetData();
    Level->SetBitLength(bits == 16 ? b16Bit : b8Bit);
    Level->SetMode(stereo ? mStereo : mMono);
    Level->SetChannel(TMMChannel(channel));
    Level->SetLogAmp(logamp != 0);
    Level->SetGain(gain);
    Level->SetSensitivy(sens);
    Level->SetSamples(samples);
    std::vector<uint8_t> block = Hex(hex);
    PcmOver = GainOver = 0;
    Level->RefreshPCMData(block.data());
    EXPECT_EQ(Level->CurrentSpots(), spots) << line.substr(0, 40);
    EXPECT_EQ(PcmOver, pcm) << line.substr(0, 40);
    EXPECT_EQ(GainOver, over) << line.substr(0, 40);
    ++cases;
  }
  EXPECT_GT(cases, 600);
}

TEST_F(LevelFixture, DecayLawsMatchTheModel) {
  std::ifstream in(OracleDir("level") + "decay.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    int mode, decay;
    s >> mode >> decay;
    std::vector<int> levels, want;
    std::string t;
    while (s >> t && t != "|")
      levels.push_back(std::stoi(t));
    while (s >> t)
      want.push_back(std::stoi(t));
    Level->SetDecay(decay);
    Level->SetDecayMode(TMMDecayMode(mode));
    Level->ResetData();
    for (size_t i = 0; i < levels.size(); ++i) {
      Block16({int16_t(levels[i])});
      EXPECT_EQ(Level->CurrentSpots(), want[i])
          << "mode " << mode << " decay " << decay << " #" << i;
    }
    ++rows;
  }
  EXPECT_EQ(rows, 15);
}

TEST_F(LevelFixture, EdgeLevelsAndOverflows) {
  int draws = 0;
  // Silence after silence draws nothing; silence after sound lowers the bar and draws.
  Level->OnDrawBar = [&](TMMCustomLevel*, TMMDIBCanvas&, const RECT&, int, int) { ++draws; };
  Block16(std::vector<int16_t>(50, 0));
  EXPECT_EQ(draws, 0);
  Block16(Sine(50, 16384, 2));
  EXPECT_GT(Level->CurrentSpots(), 0);
  EXPECT_EQ(draws, 1);
  Block16(std::vector<int16_t>(50, 0));
  EXPECT_EQ(Level->CurrentSpots(), 0);
  EXPECT_EQ(draws, 2);
  Level->OnDrawBar = nullptr;
  // At the sensitivity floor nothing lights; a full-scale block fires the PCM overflow.
  Level->ResetData();
  Block16({int16_t(std::floor(32767 * std::pow(10.0, -35 / 20.0)))});
  EXPECT_EQ(Level->CurrentSpots(), 0);
  Block16({100, 32767, -5});
  EXPECT_EQ(PcmOver, 1);
  EXPECT_EQ(Level->CurrentSpots(), 100);
  // Three times a half-scale block overflows the gain and lights every spot.
  Level->ResetData();
  Level->SetGain(16);
  GainOver = 0;
  Block16({16384});
  EXPECT_EQ(GainOver, 1);
  EXPECT_EQ(Level->CurrentSpots(), 100);
  // -32768 is a level of 32768, not a negative one.
  Level->SetGain(0);
  Level->ResetData();
  PcmOver = 0;
  Block16({-32768, 0});
  EXPECT_EQ(PcmOver, 1);
  EXPECT_EQ(Level->CurrentSpots(), 100);
  Level->SetBitLength(b8Bit);
  Level->ResetData();
  uint8_t low[2] = {0, 128};
  PcmOver = 0;
  Level->SetSamples(2);
  Level->RefreshPCMData(low);
  EXPECT_EQ(PcmOver, 1);
  EXPECT_EQ(Level->CurrentSpots(), 100);
  // Disabled or hidden bars take no blocks.
  Level->ResetData();
  Level->SetEnabled(false);
  Block16({20000});
  EXPECT_EQ(Level->CurrentSpots(), 0);
  Level->SetEnabled(true);
}

TEST_F(LevelFixture, ValueRoundTripsOnBothScales) {
  for (bool logamp : {true, false}) {
    Level->SetLogAmp(logamp);
    for (int p = 0; p <= 100; p += 5) {
      Level->ResetData();
      Level->SetValue(p);
      const int floorPercent = 2; // -35 dB is 1.8 % of full scale
      if (p < floorPercent) {
        EXPECT_EQ(Level->Value(), 0);
      } else {
        EXPECT_NEAR(Level->Value(), p, 2) << logamp << " " << p;
      }
    }
  }
  Level->SetLogAmp(true);
  Level->SetValue(150);
  EXPECT_EQ(Level->CurrentSpots(), 100);
  Level->SetValue(50);
  EXPECT_EQ(Level->CurrentSpots(), 83); // 16384 is -6.02 dB
  const int atZero = Level->Value();
  EXPECT_EQ(atZero, 50);
  // At Gain -8 the reading leaves the gain term out instead of dividing by zero.
  Level->SetGain(-8);
  EXPECT_EQ(Level->Value(), atZero);
  Level->SetGain(8);
  EXPECT_EQ(Level->Value(), 25);
}

TEST_F(LevelFixture, PeakHoldsThenFalls) {
  DisableTimerClient(Level->PeakTimer()); // ageing by hand only
  Level->SetPeakDelay(2);
  Level->SetPeakSpeed(0);
  Level->SetValue(100);
  Level->SetValue(10);
  EXPECT_EQ(Level->PeakSpots(), 100);
  for (int t = 0; t < 4; ++t)
    Level->AgePeak();
  EXPECT_EQ(Level->PeakSpots(), 100);
  Level->AgePeak(); // the fifth tick: 2 x 2 + 1
  EXPECT_EQ(Level->PeakSpots(), 0);
  // With a speed the peak falls one spot per PeakSpeed ticks after the hold.
  Level->SetPeakSpeed(3);
  Level->SetValue(100);
  for (int t = 0; t < 5; ++t)
    Level->AgePeak();
  EXPECT_EQ(Level->PeakSpots(), 99);
  for (int t = 0; t < 3; ++t)
    Level->AgePeak();
  EXPECT_EQ(Level->PeakSpots(), 98);
  // NumPeaks 0 keeps no peak.
  Level->ResetData();
  Level->SetNumPeaks(0);
  Level->SetValue(100);
  EXPECT_EQ(Level->PeakSpots(), 0);
  EnableTimerClient(Level->PeakTimer());
  // On the live timer: the peak of 2 x 2 + 1 ticks is gone well within forty.
  Level->SetNumPeaks(1);
  Level->SetPeakSpeed(0);
  TTimerTicks ticks;
  Level->SetValue(100);
  Level->SetValue(0);
  EXPECT_EQ(Level->PeakSpots(), 100);
  PollUntil([&] { return Level->PeakSpots() == 0 || ticks.Count() >= 40; });
  EXPECT_EQ(Level->PeakSpots(), 0);
}

TEST_F(LevelFixture, PeakStaysInRangeUnderTheLiveTimer) {
  Level->SetPeakDelay(0);
  Level->SetPeakSpeed(1);
  std::atomic<bool> bad{false}, stop{false};
  std::thread watcher([&] {
    while (!stop) {
      const int p = Level->PeakSpots();
      if (p < 0 || p > Level->NumSpots()) bad = true;
    }
  });
  // Sixty ticks of the live timer.
  TTimerTicks ticks;
  int i = 0;
  while (ticks.Count() < 60) {
    Level->SetValue((i * 37) % 101);
    if (i % 50 == 0) Level->ResetData();
    if (i % 7 == 0) Level->SetPeakSpeed(i % 3);
    ++i;
  }
  stop = true;
  watcher.join();
  EXPECT_FALSE(bad);
  EXPECT_GE(Level->PeakSpots(), 0);
  EXPECT_LE(Level->PeakSpots(), 100);
}

TEST_F(LevelFixture, PixelsShowZonesUnlitDottedReversedAndVertical) {
  const TColor *bar = Bar, *dim = Dim;
  UsePixelColours();
  Level->SetValue(100);         // peak at 100
  Block16(Sine(200, 16384, 3)); // -6.02 dB: 83 spots
  ASSERT_EQ(Level->CurrentSpots(), 83);
  auto zone = [](int spot) { return spot > 85 ? 2 : spot > 50 ? 1 : 0; };
  for (int spot = 1; spot <= 100; ++spot) {
    const int x = 2 * (spot - 1);
    const TColor want = (spot <= 83 || spot == 100) ? bar[zone(spot)] : dim[zone(spot)];
    EXPECT_EQ(Screen(x, 8), ColorToRGB(want)) << spot;
    EXPECT_EQ(Screen(x + 1, 8), RGB(0, 0, 0)) << spot; // the space between spots
  }
  // Dotted unlit spots: every second pixel of every second row.
  Level->SetInactiveDoted(true);
  Level->SetValue(0);
  Level->ResetData();
  Level->SetValue(50);
  const int x = 2 * 89;
  EXPECT_EQ(Screen(x, 0), ColorToRGB(dim[2]));
  EXPECT_EQ(Screen(x, 1), RGB(0, 0, 0));
  EXPECT_EQ(Screen(x, 2), ColorToRGB(dim[2]));
  Level->SetInactiveDoted(false);
  // Reversed: spot 1 at the right end.
  Level->SetDirection(dirReversed);
  Level->ResetData();
  Level->SetValue(50);
  EXPECT_EQ(Screen(199, 8), ColorToRGB(bar[0]));
  EXPECT_EQ(Screen(1, 8), ColorToRGB(dim[2])); // spot 100 ends one pixel short
  // Vertical: spot 1 at the bottom.
  Level->SetDirection(dirNormal);
  Level->SetKind(lkVertical);
  Level->ResetData();
  Level->SetValue(50);
  EXPECT_EQ(Screen(8, 199), ColorToRGB(bar[0]));
  EXPECT_EQ(Screen(8, 1), ColorToRGB(dim[2]));
  EnableTimerClient(Level->PeakTimer());
}

// Frames of one display step that rise and fall back leave the bar where it was: the screen
// still gets the peak mark they raised, and a change of look between two such steps still shows.
TEST_F(LevelFixture, AStepThatEndsWhereItBeganShowsThePeakItPassed) {
  const TColor *bar = Bar, *dim = Dim;
  UsePixelColours();
  // On the log scale of -35 dB over 100 spots: 10 % is spot 43, 95 % spot 99.
  Level->SetValue(10);
  auto step = [this](std::initializer_list<int> values) {
    TMMDrawHold hold;
    for (int v : values)
      Level->SetValue(v);
    hold.Release([](TMMGraphicControl*, std::exception_ptr) { ADD_FAILURE(); });
  };
  step({10, 95, 10});
  const int spot99 = 2 * (99 - 1), spot60 = 2 * (60 - 1), spot30 = 2 * (30 - 1);
  EXPECT_EQ(Screen(spot30, 8), ColorToRGB(bar[0]));
  EXPECT_EQ(Screen(spot60, 8), ColorToRGB(dim[1]));
  EXPECT_EQ(Screen(spot99, 8), ColorToRGB(bar[2]));
  // Reversed between two steps that end on the same bar and mark: spot 1 moves to the right end.
  Level->SetDirection(dirReversed);
  step({10, 11, 10});
  EXPECT_EQ(Screen(199 - spot30, 8), ColorToRGB(bar[0]));
  EXPECT_EQ(Screen(199 - spot99, 8), ColorToRGB(bar[2]));
  EXPECT_EQ(Screen(spot30 + 1, 8), ColorToRGB(dim[1])); // spot 71 from the right
  EnableTimerClient(Level->PeakTimer());
}
