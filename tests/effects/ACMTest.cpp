// Conversion to PCM through the audio compression manager, against sox's decodings of the same
// files: mu-law and IMA ADPCM block by block, the source block rule, one and two stages, and a
// missing library or a refused format.
#include <gtest/gtest.h>
#include "MMACM.h"
#include "MMUtils.h"
#include "TestUtil.h"
#include <cstring>

namespace {

struct TOracleSound {
  std::string Fmt, Data, Sox;
  explicit TOracleSound(const std::string& name) {
    const std::string dir = OracleDir("acm");
    Fmt = ReadFileBytes(dir + name + ".fmt");
    Data = ReadFileBytes(dir + name + ".data");
    Sox = ReadFileBytes(dir + name + "_sox.raw");
  }
  WAVEFORMATEX* Format() { return reinterpret_cast<WAVEFORMATEX*>(Fmt.data()); }
};

// Converts data in blocks of blockSize bytes, as the connector hands them on.
std::string ConvertAll(const WAVEFORMATEX* format, const WAVEFORMATEX* target,
                       const std::string& data, int blockSize, int* stages = nullptr) {
  std::string buffer(blockSize, '\0'), out;
  TACMConvert* r = OpenConversion(format, target, buffer.data(), blockSize, false);
  if (!r) return "no conversion";
  if (stages) *stages = r->Stages;
  for (size_t at = 0; at < data.size(); at += blockSize) {
    const int n = int(std::min<size_t>(blockSize, data.size() - at));
    std::memcpy(buffer.data(), data.data() + at, n);
    const int got = Convert(r, n);
    if (got < 0) {
      out = "failed";
      break;
    }
    out.append(reinterpret_cast<const char*>(r->DstBuffer), got);
  }
  CloseConversion(r);
  EXPECT_EQ(r, nullptr);
  return out;
}

std::string CheckDir() {
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += "effects_acm\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

} // namespace

TEST(ACMConversion, ManagerIsBoundAtStartUp) {
  ASSERT_TRUE(ACMPresent());
  EXPECT_GE(ACMVersion() >> 16, 0x0200u);
  printf("acmGetVersion: 0x%08X\n", ACMVersion());
  EXPECT_NE(ACMEntry("acmStreamConvert"), nullptr);
  EXPECT_NE(ACMEntry("acmFormatTagEnumA"), nullptr);
}

TEST(ACMConversion, MuLawAndImaAdpcmMatchSoxExactly) {
  for (const char* name : {"mulaw", "ima"}) {
    SCOPED_TRACE(name);
    TOracleSound s(name);
    ASSERT_FALSE(s.Data.empty());
    WAVEFORMATEX pcm;
    ASSERT_TRUE(SuggestPCMFormat(s.Format(), pcm));
    EXPECT_EQ(pcm.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(pcm.wBitsPerSample, 16);
    EXPECT_EQ(pcm.nSamplesPerSec, s.Format()->nSamplesPerSec);
    EXPECT_TRUE(CanConvert(s.Format(), &pcm, false));
    int stages = 0;
    const std::string out = ConvertAll(s.Format(), &pcm, s.Data, 1024, &stages);
    EXPECT_EQ(stages, 1);
    ASSERT_EQ(out.size(), s.Sox.size());
    EXPECT_TRUE(out == s.Sox);
  }
}

TEST(ACMConversion, SourceBlockIsWholeBlocksOfTheAlignment) {
  TOracleSound s("ima");
  std::string buffer(1000, '\0');
  std::memcpy(buffer.data(), s.Data.data(), 1000);
  TACMConvert* r = OpenConversion(s.Format(), nullptr, buffer.data(), 1000, false);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->SrcBlock, 768);
  // Three blocks of 256 bytes, each (256 - 4) x 2 + 1 = 505 samples of 2 bytes.
  EXPECT_EQ(Convert(r, 1000), 3 * 505 * 2);
  EXPECT_EQ(std::memcmp(r->DstBuffer, s.Sox.data(), 3030), 0);
  CloseConversion(r);
}

TEST(ACMConversion, StagesForRateChanges) {
  WAVEFORMATEX pcm8000, pcm11025;
  BuildPcmFormat(pcm8000, 16, 1, 8000);
  BuildPcmFormat(pcm11025, 16, 1, 11025);
  EXPECT_FALSE(NeedsConversion(&pcm8000, &pcm8000, false));
  EXPECT_TRUE(NeedsConversion(&pcm8000, &pcm11025, false));
  EXPECT_FALSE(NeedsConversion(&pcm8000, &pcm11025, true));
  EXPECT_FALSE(NeedsConversion(nullptr, &pcm11025, false));
  std::string sine(16000, '\0');
  int stages = 0;
  // Ten blocks of 800 samples, each 1102.5 samples at the new rate.
  EXPECT_NEAR(ConvertAll(&pcm8000, &pcm11025, sine, 1600, &stages).size() / 2.0, 11025, 10);
  EXPECT_EQ(stages, 1);
  // No stage needed: no conversion.
  std::string buffer(1024, '\0');
  EXPECT_EQ(OpenConversion(&pcm8000, &pcm8000, buffer.data(), 1024, false), nullptr);

  TOracleSound ima("ima");
  const std::string out = ConvertAll(ima.Format(), &pcm8000, ima.Data, 1024, &stages);
  EXPECT_EQ(stages, 2);
  // 44 blocks of 505 samples at 11025 Hz, resampled to 8000 Hz: about 16120 samples.
  EXPECT_NEAR(double(out.size()) / 2, 44 * 505 * 8000.0 / 11025, 44 * 4);
  WriteFileBytes(CheckDir() + "ima_to_8000.raw", out);
}

TEST(ACMConversion, MissingLibraryOrRefusedFormatGivesNoConversion) {
  TOracleSound s("mulaw");
  WAVEFORMATEX pcm;
  ASSERT_TRUE(SuggestPCMFormat(s.Format(), pcm));
  std::string buffer(1024, '\0');

  WAVEFORMATEX odd = *s.Format();
  odd.wFormatTag = 0x7777;
  EXPECT_EQ(OpenConversion(&odd, nullptr, buffer.data(), 1024, false), nullptr);
  EXPECT_FALSE(CanConvert(&odd, &pcm, false));

  BindACM("NOSUCHACM32.DLL");
  EXPECT_FALSE(ACMPresent());
  EXPECT_EQ(ACMEntry("acmStreamOpen"), nullptr);
  EXPECT_EQ(OpenConversion(s.Format(), &pcm, buffer.data(), 1024, false), nullptr);
  EXPECT_FALSE(CanConvert(s.Format(), &pcm, false));
  WAVEFORMATEX suggested;
  EXPECT_FALSE(SuggestPCMFormat(s.Format(), suggested));
  EXPECT_TRUE(NeedsConversion(s.Format(), &pcm, false));
  BindACM();
  EXPECT_TRUE(ACMPresent());
}
