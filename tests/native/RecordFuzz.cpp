// Host build of the catalogue's record codecs and file check under AddressSanitizer and UBSan:
// mutated copies of an intact catalogue's files are decoded record by record and checked whole;
// nothing may crash or touch memory wrongly, and what the check reports must fit the damage done.
#include "SeedFiles.h"
#include "CatalogueCheck.h"
#include "TimeText.h"
#include "TitleFileName.h"
#include "TuneRecords.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

int Failures = 0;

void Fail(const std::string& what, int round) {
  if (++Failures <= 20) std::fprintf(stderr, "FAIL (round %d): %s\n", round, what.c_str());
}

const uint8_t* At(const std::string& bytes, size_t offset) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
}

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool Same(const TTuneRec& a, const TTuneRec& b) {
  return a.FileType == b.FileType && a.Live == b.Live && a.RecNo == b.RecNo &&
         a.Offset == b.Offset && a.Length == b.Length && a.CategoryKey == b.CategoryKey &&
         a.PerformerKey == b.PerformerKey && a.MasterKey == b.MasterKey && a.Seconds == b.Seconds &&
         a.AlbumKey == b.AlbumKey && a.Size == b.Size && a.Crc == b.Crc &&
         a.TimeText == b.TimeText && a.CategoryName == b.CategoryName && a.LastName == b.LastName &&
         a.FirstName == b.FirstName && a.FullName == b.FullName && a.Title == b.Title &&
         a.Origin == b.Origin && SameBits(a.DateStamp, b.DateStamp) &&
         SameBits(a.DateObtained, b.DateObtained);
}

template <class TRec> bool SameHead(const TRec& a, const TRec& b) {
  return a.Key == b.Key && a.Titles == b.Titles && a.Seconds == b.Seconds && a.Bytes == b.Bytes &&
         a.Name == b.Name && b.View == nullptr;
}

bool Same(const TCatRec& a, const TCatRec& b) {
  return SameHead(a, b);
}
bool Same(const TAlbRec& a, const TAlbRec& b) {
  return SameHead(a, b);
}
bool Same(const TPerfRec& a, const TPerfRec& b) {
  return a.Key == b.Key && a.FirstName == b.FirstName && a.LastName == b.LastName &&
         a.FullName == b.FullName;
}

// Every whole record decodes, and what it decodes to is stored and read back unchanged.
template <class TRec>
void DecodeAll(const std::string& bytes, int recSize, TRec (*decode)(const uint8_t*),
               void (*encode)(const TRec&, uint8_t*), int round) {
  std::vector<uint8_t> again(recSize);
  for (size_t at = 0; at + recSize <= bytes.size(); at += recSize) {
    TRec r = decode(At(bytes, at));
    encode(r, again.data());
    if (!Same(r, decode(again.data())))
      Fail("record at " + std::to_string(at) + " round trip", round);
  }
}

void UseTitles(const std::string& bytes, int round) {
  DecodeAll<TTuneRec>(bytes, TuneRecSize, DecodeTuneRec, EncodeTuneRec, round);
  // What the program makes of a stored title: its duration text and its file name.
  TTuneRec r;
  for (size_t at = 0; at + TuneRecSize <= bytes.size(); at += TuneRecSize) {
    DecodeTuneRecInto(At(bytes, at), r);
    std::string time = SecondsToTimeText(r.Seconds);
    std::string name = TitleFileName(r.Title);
    if (time.empty() || name.empty() || name.size() > 121 ||
        name.find_first_of("\\/:*?\"<>|") != std::string::npos)
      Fail("title " + std::to_string(at / TuneRecSize + 1) + " made \"" + name + "\"", round);
  }
}

struct TSeeds {
  std::string Index, Data, Categories, Artists, Albums, AlbumTitles;
};

TCatalogueBytes View(const TSeeds& s) {
  TCatalogueBytes b;
  b.Index = s.Index;
  b.DataSize = static_cast<int64_t>(s.Data.size());
  b.Data = std::string_view(s.Data);
  b.Categories = s.Categories;
  b.Artists = s.Artists;
  b.Albums = s.Albums;
  b.AlbumTitles = s.AlbumTitles;
  return b;
}

// Offsets of text length bytes and of int32 fields in each record kind, where mutations aim.
struct TLayout {
  int RecSize;
  std::vector<std::pair<int, int>> Texts; // offset, room
  std::vector<int> Ints;
};

const TLayout TitleLayout{
    TuneRecSize,
    {{0, 4}, {56, 8}, {65, 40}, {106, 40}, {147, 40}, {188, 82}, {271, 125}, {397, 255}},
    {8, 12, 16, 20, 24, 28, 32, 36, 40, 44}};
const TLayout CatLayout{CatRecSize, {{16, 40}}, {0, 4, 8, 12}};
const TLayout AlbLayout{AlbRecSize, {{16, 40}}, {0, 4, 8, 12}};
const TLayout PerfLayout{PerfRecSize, {{4, 40}, {45, 40}, {86, 82}}, {0}};

// A record whose text claims more than its room must be reported as no record.
struct TPlanted {
  int RecNo = 0;
};

std::string Mutate(const std::string& seed, const TLayout& layout,
                   const std::vector<std::string>& others, std::mt19937& rng, TPlanted& planted) {
  std::string c = seed;
  planted = {};
  const size_t records = c.size() / layout.RecSize;
  auto pickRecord = [&] { return records ? rng() % records : 0; };
  switch (rng() % 8) {
  case 0: // cut anywhere, as a power cut during a write leaves it
    c.resize(c.empty() ? 0 : rng() % c.size());
    break;
  case 1: // flipped bytes
    for (int k = 1 + rng() % 8; k > 0 && !c.empty(); --k)
      c[rng() % c.size()] ^= static_cast<char>(1 + rng() % 255);
    break;
  case 2: { // an extreme field value
    if (!records) break;
    static const int32_t extremes[] = {0, -1, 1, INT32_MAX, INT32_MIN, 0x10000};
    size_t at = pickRecord() * layout.RecSize + layout.Ints[rng() % layout.Ints.size()];
    int32_t v = extremes[rng() % std::size(extremes)];
    std::memcpy(&c[at], &v, 4);
    break;
  }
  case 3: { // a text that claims more than its room
    if (!records) break;
    size_t rec = pickRecord();
    auto [offset, room] = layout.Texts[rng() % layout.Texts.size()];
    if (room >= 255) break; // a length byte cannot exceed the origin's room
    c[rec * layout.RecSize + offset] = static_cast<char>(room + 1 + rng() % (255 - room));
    planted.RecNo = static_cast<int>(rec + 1);
    break;
  }
  case 4: // a record copied over another: duplicate keys, overlapping archives
    if (records > 1) {
      size_t from = pickRecord(), to = pickRecord();
      std::memcpy(&c[to * layout.RecSize], &seed[from * layout.RecSize], layout.RecSize);
    }
    break;
  case 5: // bytes inserted, shifting every later record
    c.insert(c.begin() + (c.empty() ? 0 : rng() % c.size()), 1 + rng() % 16,
             static_cast<char>(rng()));
    break;
  case 6: // the file replaced by another of the catalogue
    c = others[rng() % others.size()];
    break;
  default: { // random bytes of the same size, four from each draw
    uint32_t word = 0;
    for (size_t k = 0; k < c.size(); ++k, word >>= 8)
      c[k] = static_cast<char>(k % 4 ? word : (word = rng()));
    break;
  }
  }
  return c;
}

// The finding of one file must describe that file's shape and stay within its records.
void CheckShape(const TFileFinding* f, const std::string& bytes, int recSize, bool unchanged,
                int round) {
  if (!f) return Fail("no finding for a file", round);
  if (f->Records != static_cast<int>(bytes.size() / recSize) ||
      f->CutBytes != static_cast<int>(bytes.size() % recSize))
    Fail(f->FileName + " counted wrongly", round);
  int last = 0;
  for (const TBadRecord& b : f->Bad) {
    if (b.RecNo <= last || b.RecNo > f->Records || b.Faults == 0)
      Fail(f->FileName + " bad record list out of order", round);
    last = b.RecNo;
  }
  if (unchanged && f->Damaged()) Fail(f->FileName + " unchanged but reported damaged", round);
}

struct TTarget {
  const char* Name;
  std::string TSeeds::*File;
  TCatalogueFileKind Kind;
  const TLayout* Layout;
  void (*Decode)(const std::string&, int);
};

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SEEDS_FOLDER [MUTATIONS]\n", argv[0]);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const int mutations = argc > 2 ? std::atoi(argv[2]) : 100000;
  TSeeds seeds{ReadSeedFile(folder + "Music.dex"),      ReadSeedFile(folder + "Music.dax"),
               ReadSeedFile(folder + "Categories.dex"), ReadSeedFile(folder + "Artists.dex"),
               ReadSeedFile(folder + "Albums_A.dex"),   ReadSeedFile(folder + "Albums_AT.dex")};
  TCatalogueFinding intact = CheckCatalogue(View(seeds));
  if (intact.Damaged() || !intact.Summary().empty())
    Fail("the intact catalogue was reported damaged:" + intact.Summary(), 0);
  const std::vector<std::string> others{seeds.Index,   seeds.Data,   seeds.Categories,
                                        seeds.Artists, seeds.Albums, seeds.AlbumTitles,
                                        std::string()};

  const TTarget targets[] = {
      {"titles", &TSeeds::Index, TCatalogueFileKind::Index, &TitleLayout, UseTitles},
      {"album titles", &TSeeds::AlbumTitles, TCatalogueFileKind::AlbumTitles, &TitleLayout,
       UseTitles},
      {"categories", &TSeeds::Categories, TCatalogueFileKind::Categories, &CatLayout,
       [](const std::string& b, int round) {
         DecodeAll<TCatRec>(b, CatRecSize, DecodeCatRec, EncodeCatRec, round);
       }},
      {"artists", &TSeeds::Artists, TCatalogueFileKind::Artists, &PerfLayout,
       [](const std::string& b, int round) {
         DecodeAll<TPerfRec>(b, PerfRecSize, DecodePerfRec, EncodePerfRec, round);
       }},
      {"albums", &TSeeds::Albums, TCatalogueFileKind::Albums, &AlbLayout,
       [](const std::string& b, int round) {
         DecodeAll<TAlbRec>(b, AlbRecSize, DecodeAlbRec, EncodeAlbRec, round);
       }},
  };
  std::vector<int32_t> albumKeys;
  for (size_t at = 0; at + AlbRecSize <= seeds.Albums.size(); at += AlbRecSize)
    albumKeys.push_back(DecodeAlbRec(At(seeds.Albums, at)).Key);
  // The mutated file alone is checked each round; the whole catalogue every 16th, so that the run
  // stays short.
  auto checkOne = [&](const TTarget& t, const std::string& file) {
    switch (t.Kind) {
    case TCatalogueFileKind::Index:
      return CheckIndexFile(file, static_cast<int64_t>(seeds.Data.size()), seeds.Data);
    case TCatalogueFileKind::AlbumTitles:
      return CheckAlbumTitlesFile(file, &albumKeys);
    default:
      return CheckListFile(t.Kind, file);
    }
  };
  std::mt19937 rng(37);
  int round = 0;
  for (const TTarget& t : targets) {
    int damaged = 0, planted = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < mutations; ++i, ++round) {
      TPlanted mark;
      std::string file = Mutate(seeds.*(t.File), *t.Layout, others, rng, mark);
      t.Decode(file, round);
      TCatalogueFinding found;
      if (i % 16 == 0) {
        TSeeds copy = seeds;
        copy.*(t.File) = file;
        found = CheckCatalogue(View(copy));
      } else {
        found.Files.push_back(checkOne(t, file));
      }
      const TFileFinding* f = found.File(t.Kind);
      CheckShape(f, file, t.Layout->RecSize, file == seeds.*(t.File), round);
      if (found.Damaged() != !found.Summary().empty())
        Fail("summary disagrees with finding", round);
      if (found.Damaged()) ++damaged;
      if (mark.RecNo && f) {
        ++planted;
        if (!(f->FaultsOf(mark.RecNo) & static_cast<uint32_t>(TRecordFault::NotRecord)))
          Fail(std::string(t.Name) + " record " + std::to_string(mark.RecNo) +
                   " with an overlong text not reported",
               round);
      }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %d mutated files, %d found damaged, %d overlong texts planted (%.1f s)\n",
                t.Name, mutations, damaged, planted, seconds);
  }
  // The data file damaged under an intact index: every stored title keeps its size, so only the
  // check of the archives' own headers can tell.
  int mismatched = 0;
  for (int i = 0; i < mutations / 10; ++i, ++round) {
    TSeeds copy = seeds;
    for (int k = 1 + rng() % 4; k > 0; --k)
      copy.Data[rng() % copy.Data.size()] ^= static_cast<char>(1 + rng() % 255);
    TCatalogueFinding found = CheckCatalogue(View(copy));
    if (found.Damaged()) ++mismatched;
  }
  std::printf("data: %d flipped copies, %d found damaged\n", mutations / 10, mismatched);
  if (Failures) std::fprintf(stderr, "%d failures\n", Failures);
  return Failures ? 1 : 0;
}
