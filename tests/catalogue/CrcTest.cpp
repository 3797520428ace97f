// File CRC-32 against zlib's values, computed by the Python oracle.
#include <gtest/gtest.h>
#include "Crc32.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include <fstream>
#include <sstream>

namespace {

std::vector<std::pair<std::string, std::string>> ReadPairs(const std::string& path, char sep) {
  std::vector<std::pair<std::string, std::string>> r;
  std::istringstream in(ReadFileBytes(path));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t at = line.rfind(sep);
    if (at != std::string::npos) r.emplace_back(line.substr(0, at), line.substr(at + 1));
  }
  return r;
}

std::string Hex(uint32_t v) {
  return Format("%08x", v);
}

} // namespace

TEST(FileCrc, EdgeSizesAroundTheBlockMatchZlib) {
  auto sizes = ReadPairs(OracleDir("crc32") + "sizes.txt", ' ');
  ASSERT_EQ(sizes.size(), 7u);
  for (const auto& [size, crc] : sizes) {
    auto got = FileCRC32(OracleDir("crc32") + "size_" + size + ".bin");
    ASSERT_TRUE(got.has_value()) << size;
    EXPECT_EQ(Hex(*got), crc) << "size " << size;
  }
  EXPECT_EQ(*FileCRC32(OracleDir("crc32") + "size_0.bin"), 0u); // an empty file's CRC is 0
}

TEST(FileCrc, EveryCorpusFileMatchesZlib) {
  auto listed = ReadPairs(OracleDir("crc32") + "corpus.txt", '\t');
  auto files = CorpusFiles();
  ASSERT_FALSE(files.empty()) << "the corpus is missing";
  ASSERT_EQ(listed.size(), files.size());
  std::string root = WinPath(EnvVar("TB_CORPUS"));
  for (const auto& [rel, crc] : listed) {
    auto got = FileCRC32(root + "\\" + StringReplaceAll(rel, "/", "\\"));
    ASSERT_TRUE(got.has_value()) << rel;
    EXPECT_EQ(Hex(*got), crc) << rel;
  }
}

TEST(FileCrc, MemoryCrcContinuesAcrossPiecesAndKnownValue) {
  const std::string s = "123456789";
  EXPECT_EQ(Crc32Update(0, s.data(), s.size()), 0xCBF43926u); // the standard check value
  uint32_t c = 0;
  for (char ch : s)
    c = Crc32Update(c, &ch, 1);
  EXPECT_EQ(c, 0xCBF43926u);
  // Unaligned starts take the byte-wise path first.
  std::string buf = "x" + s + s + s;
  EXPECT_EQ(Crc32Update(0, buf.data() + 1, 27), Crc32Update(0, (s + s + s).data(), 27));
}

TEST(FileCrc, AFileThatCannotBeOpenedGivesNoValue) {
  TScratchDir dir("crc");
  unsigned long err = 0;
  EXPECT_FALSE(FileCRC32(dir / "missing.mid", &err).has_value());
  EXPECT_NE(err, 0u);
  EXPECT_FALSE(FileCRC32(dir.Path()).has_value()); // a folder is not a file
}

TEST(FileCrc, EveryLengthAndAlignmentAgreesWithABitwiseReference) {
  auto reference = [](uint32_t crc, const uint8_t* p, size_t n) {
    uint32_t c = ~crc;
    while (n--) {
      c ^= *p++;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
  };
  std::vector<uint8_t> data(700);
  uint32_t x = 7;
  for (auto& b : data)
    b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 23);
  for (size_t at = 0; at < 4; ++at)
    for (size_t n = 0; n + at <= data.size(); n += (n < 300 ? 1 : 37))
      ASSERT_EQ(Crc32Update(0x5A5A5A5A, data.data() + at, n),
                reference(0x5A5A5A5A, data.data() + at, n))
          << "offset " << at << " length " << n;
}
