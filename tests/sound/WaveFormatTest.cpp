// Wave format records and the PCM searches: the edge cases, then 2,000 random buffers against
// the numpy oracle.
#include <gtest/gtest.h>
#include "MMUtils.h"
#include "TestUtil.h"
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  WAVEFORMATEX f{};
  BuildPcmFormat(f, bits, channels, rate);
  return f;
}

std::vector<uint8_t> Hex(const std::string& s) {
  std::vector<uint8_t> v;
  if (s == "-") return v;
  for (size_t i = 0; i + 1 < s.size(); i += 2)
    v.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return v;
}

} // namespace

TEST(WaveFormat, SizesCopiesDurationsAndValidity) {
  WAVEFORMATEX adpcm{};
  adpcm.wFormatTag = 2;
  adpcm.cbSize = 32;
  EXPECT_EQ(WaveFormatSize(&adpcm), 50);
  EXPECT_EQ(WaveFormatSize(nullptr), 0);
  WAVEFORMATEX stereo16 = Pcm(16, 2, 44100);
  EXPECT_EQ(WaveFormatSize(&stereo16), 16);
  EXPECT_EQ(stereo16.nBlockAlign, 4);
  EXPECT_EQ(stereo16.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(DuplicateWaveFormat(nullptr), nullptr);
  TGlobalMem<WAVEFORMATEX> copy = DuplicateWaveFormat(&stereo16);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::memcmp(copy.get(), &stereo16, 16), 0);
  EXPECT_EQ(copy->cbSize, 0);

  WAVEFORMATEX f = Pcm(8, 1, 22050);
  EXPECT_EQ(BytesToMilliseconds(&f, 2205), 100);
  f.nAvgBytesPerSec = 0; // no divide fault
  EXPECT_EQ(BytesToMilliseconds(&f, 2205), 0);
  EXPECT_EQ(BytesToMilliseconds(nullptr, 10), 0);

  WAVEFORMATEX odd = Pcm(12, 1, 8000);
  EXPECT_FALSE(PcmFormatValid(&odd));
  WAVEFORMATEX slow = Pcm(8, 1, 3999);
  EXPECT_FALSE(PcmFormatValid(&slow));
  WAVEFORMATEX fast = Pcm(16, 2, 100000);
  EXPECT_TRUE(PcmFormatValid(&fast));
  WAVEFORMATEX quad = Pcm(16, 4, 44100);
  EXPECT_FALSE(PcmFormatValid(&quad));
  EXPECT_FALSE(PcmFormatValid(&adpcm));
}

TEST(WaveFormat, TriggerSearchEdges) {
  WAVEFORMATEX mono16 = Pcm(16, 1, 11025);
  int16_t rising[10] = {0, 1000, 2000, 16350, 16400, 20000, 20000, 20000, 20000, 20000};
  EXPECT_EQ(FindTriggerPoint(&mono16, rising, 20, 50, 1, 0), 6);
  EXPECT_EQ(FindTriggerPoint(&mono16, rising, 20, 50, 0, 0), -1);
  EXPECT_EQ(FindTriggerPoint(&mono16, rising, 20, 90, 1, 0), -1); // never crosses
  // The crossing's later sample is the buffer's last: not counted.
  EXPECT_EQ(FindTriggerPoint(&mono16, rising, 8, 50, 1, 0), -1);
  EXPECT_EQ(FindTriggerPoint(&mono16, rising, 10, 50, 1, 0), 6);
  // A trailing half sample is no frame.
  EXPECT_EQ(FindTriggerPoint(&mono16, rising, 9, 50, 1, 0), -1);

  // Stereo 8-bit: left never crosses, right falls through -50 % (threshold 128 - 64 = 64).
  WAVEFORMATEX stereo8 = Pcm(8, 2, 11025);
  uint8_t s8[] = {128, 200, 128, 100, 128, 60, 128, 50, 128, 40};
  EXPECT_EQ(FindTriggerPoint(&stereo8, s8, sizeof s8, 50, 2, 0), 5);
  EXPECT_EQ(FindTriggerPoint(&stereo8, s8, sizeof s8, 50, 2, 2), 5);
  EXPECT_EQ(FindTriggerPoint(&stereo8, s8, sizeof s8, 50, 2, 1), -1);
}

TEST(WaveFormat, MinMaxInOrderOfOccurrence) {
  WAVEFORMATEX mono16 = Pcm(16, 1, 11025);
  int16_t up[] = {-5, 7, 300, -2000, 12};
  int l1, l2, r1, r2;
  FindMinMax(sizeof up, up, &mono16, l1, l2, r1, r2);
  EXPECT_EQ(l1, 300); // the maximum comes first
  EXPECT_EQ(l2, -2000);
  EXPECT_EQ(r1, 300);
  EXPECT_EQ(r2, -2000);
  // Frame 0 takes part: a buffer whose extreme is its first sample.
  int16_t first[] = {-3000, 5, 6};
  FindMinMax(sizeof first, first, &mono16, l1, l2, r1, r2);
  EXPECT_EQ(l1, -3000);
  EXPECT_EQ(l2, 6);
  WAVEFORMATEX stereo8 = Pcm(8, 2, 11025);
  uint8_t s8[] = {128, 255, 0, 128, 200, 0};
  FindMinMax(sizeof s8, s8, &stereo8, l1, l2, r1, r2);
  EXPECT_EQ(l1, 0);
  EXPECT_EQ(l2, 200);
  EXPECT_EQ(r1, 255);
  EXPECT_EQ(r2, 0);
}

TEST(WaveFormat, SearchesAgreeWithTheOracleOnRandomBuffers) {
  std::ifstream in(OracleDir("pcm_search") + "search.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int cases = 0, triggers = 0;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    int bits, channels, level, mode, channel, trig, e[4];
    std::string hex;
    ls >> bits >> channels >> level >> mode >> channel >> trig >> e[0] >> e[1] >> e[2] >> e[3] >>
        hex;
    std::vector<uint8_t> data = Hex(hex);
    WAVEFORMATEX f = Pcm(bits, channels, 11025);
    int size = static_cast<int>(data.size());
    EXPECT_EQ(FindTriggerPoint(&f, data.data(), size, level, mode, channel), trig) << line;
    int l1, l2, r1, r2;
    FindMinMax(size, data.data(), &f, l1, l2, r1, r2);
    EXPECT_EQ(l1, e[0]) << line;
    EXPECT_EQ(l2, e[1]) << line;
    EXPECT_EQ(r1, e[2]) << line;
    EXPECT_EQ(r2, e[3]) << line;
    ++cases;
    triggers += trig >= 0;
  }
  EXPECT_EQ(cases, 2000);
  EXPECT_GT(triggers, 500);
}
