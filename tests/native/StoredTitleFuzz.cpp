// Host build of the stored-title check under AddressSanitizer and UBSan: the archives of an intact
// catalogue's data file, each mutated many times, must never crash the check; the intact ones
// pass and a changed CRC or cut archive is always found.
#include "SeedFiles.h"
#include "StoredTitle.h"
#include "TuneRecords.h"
#include <zlib.h>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

// The program's CRC-32 is the zip one; zlib's stands in for it on the host.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t length) {
  return static_cast<uint32_t>(
      crc32(crc, static_cast<const Bytef*>(data), static_cast<uInt>(length)));
}

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: stored_title_fuzz SEEDFOLDER ROUNDS\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int rounds = std::atoi(argv[2]);
  const std::string index = ReadSeedFile(folder + "/Music.dex"),
                    data = ReadSeedFile(folder + "/Music.dax");
  struct TTitle {
    std::string Archive;
    uint32_t Crc;
  };
  std::vector<TTitle> titles;
  for (size_t at = 0; at + TuneRecSize <= index.size(); at += TuneRecSize) {
    TTuneRec r = DecodeTuneRec(reinterpret_cast<const uint8_t*>(index.data()) + at);
    titles.push_back({data.substr(r.Offset, r.Length), r.Crc});
  }
  int failures = 0, found = 0;
  auto fail = [&](const char* what, size_t title) {
    if (++failures <= 20) std::fprintf(stderr, "FAIL title %zu: %s\n", title + 1, what);
  };
  for (size_t t = 0; t < titles.size(); ++t) {
    const TTitle& title = titles[t];
    if (!StoredTitleFault(title.Archive, title.Crc).empty()) fail("an intact archive fails", t);
    if (StoredTitleFault(title.Archive, title.Crc ^ 1).empty()) fail("another CRC passes", t);
    for (size_t cut = 0; cut < 30; ++cut)
      if (StoredTitleFault(title.Archive.substr(0, cut), title.Crc).empty())
        fail("a cut header passes", t);
  }
  std::mt19937 rnd(37);
  for (int round = 0; round < rounds; ++round) {
    const size_t t = rnd() % titles.size();
    std::string a = titles[t].Archive;
    const int flips = 1 + static_cast<int>(rnd() % 4);
    for (int i = 0; i < flips; ++i)
      a[rnd() % a.size()] ^= static_cast<char>(1 + rnd() % 255);
    if (rnd() % 8 == 0) a.resize(rnd() % a.size());
    found += !StoredTitleFault(a, titles[t].Crc).empty();
  }
  std::printf("stored titles: %zu intact, %d mutated archives, %d found damaged\n", titles.size(),
              rounds, found);
  return failures ? 1 : 0;
}
