// Host tests of the catalogue check: hand-made damaged files, built byte by byte at the layouts'
// offsets, and the findings each must give.
#include "CatalogueCheck.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Failures = 0;

#define CHECK(cond)                                                                                \
  do {                                                                                             \
    if (!(cond)) {                                                                                 \
      ++Failures;                                                                                  \
      std::fprintf(stderr, "%s:%d: CHECK(%s) failed\n", __FILE__, __LINE__, #cond);                \
    }                                                                                              \
  } while (0)

void CheckText(const std::string& got, const std::string& want, int line) {
  if (got == want) return;
  ++Failures;
  std::fprintf(stderr, "%s:%d: text differs\n got: [%s]\nwant: [%s]\n", __FILE__, line, got.c_str(),
               want.c_str());
}

void Put32(std::string& b, size_t at, int32_t v) {
  std::memcpy(&b[at], &v, 4); // the host is little-endian like the files
}
void PutDate(std::string& b, size_t at, double v) {
  std::memcpy(&b[at], &v, 8);
}
void PutText(std::string& b, size_t at, const std::string& text) {
  b[at] = static_cast<char>(text.size());
  std::memcpy(&b[at + 1], text.data(), text.size());
}

struct TTitle {
  bool Live = true;
  int32_t Offset = 0, Length = 100, Key = 1;
  uint32_t Crc = 0;
  int32_t Size = 1000, Album = 0;
  std::string Title = "Gymnopedie";
};

// One 672-byte title record.
std::string Title(const TTitle& t) {
  std::string b(672, '\0');
  PutText(b, 0, "MIDI");
  b[5] = t.Live ? 1 : 0;
  Put32(b, 8, 1);
  Put32(b, 12, t.Offset);
  Put32(b, 16, t.Length);
  Put32(b, 20, 1);
  Put32(b, 24, 1);
  Put32(b, 28, t.Key);
  Put32(b, 32, 185);
  Put32(b, 36, t.Album);
  Put32(b, 40, t.Size);
  Put32(b, 44, static_cast<int32_t>(t.Crc));
  PutText(b, 56, "3:05");
  PutText(b, 65, "Classical");
  PutText(b, 106, "Satie");
  PutText(b, 147, "Erik");
  PutText(b, 188, "Erik Satie");
  PutText(b, 271, t.Title);
  PutText(b, 397, "C:\\Music\\gymnopedie.mid");
  PutDate(b, 656, 36000.5);
  PutDate(b, 664, 45000.25);
  return b;
}

// Back-to-back titles of 100 bytes each from offset 0, keys 1, 2, ...
std::string Titles(int count) {
  std::string b;
  for (int i = 0; i < count; ++i) {
    TTitle t;
    t.Offset = 100 * i;
    t.Key = i + 1;
    b += Title(t);
  }
  return b;
}

std::string ListRec(int size, int32_t key, const std::string& name) {
  std::string b(size, '\0');
  Put32(b, 0, key);
  Put32(b, 4, 2);
  Put32(b, 8, 300);
  Put32(b, 12, 4000);
  PutText(b, 16, name);
  Put32(b, 60, 0x00ABCDEF); // a view reference left from memory: not significant
  return b;
}

std::string Artist(int32_t key, const std::string& first, const std::string& last) {
  std::string b(176, '\0');
  Put32(b, 0, key);
  PutText(b, 4, first);
  PutText(b, 45, last);
  PutText(b, 86, first + " " + last);
  return b;
}

// A stored archive's local header: signature, flags, CRC and uncompressed size.
std::string ZipHead(uint32_t crc, uint32_t size, int length) {
  std::string b(length, 'z');
  Put32(b, 0, 0x04034B50);
  b[6] = b[7] = 0;
  Put32(b, 14, static_cast<int32_t>(crc));
  Put32(b, 22, static_cast<int32_t>(size));
  return b;
}

const uint32_t NotRecord = static_cast<uint32_t>(TRecordFault::NotRecord);
const uint32_t NameNotText = static_cast<uint32_t>(TRecordFault::NameNotText);
const uint32_t OutOfRange = static_cast<uint32_t>(TRecordFault::OutOfRange);
const uint32_t ZeroLength = static_cast<uint32_t>(TRecordFault::ZeroLength);
const uint32_t OutsideData = static_cast<uint32_t>(TRecordFault::OutsideData);
const uint32_t Overlap = static_cast<uint32_t>(TRecordFault::Overlap);
const uint32_t DuplicateKey = static_cast<uint32_t>(TRecordFault::DuplicateKey);
const uint32_t ArchiveMismatch = static_cast<uint32_t>(TRecordFault::ArchiveMismatch);
const uint32_t UnknownAlbum = static_cast<uint32_t>(TRecordFault::UnknownAlbum);

void IntactCatalogueIsNotReported() {
  TCatalogueBytes files;
  std::string index = Titles(3);
  std::string cats = ListRec(72, 1, "Classical") + ListRec(72, 2, "Pop");
  std::string artists = Artist(1, "Erik", "Satie");
  std::string albums = ListRec(76, 4, "Evening");
  TTitle row;
  row.Album = 4;
  std::string rows = Title(row);
  files.Index = index;
  files.DataSize = 300;
  files.Categories = cats;
  files.Artists = artists;
  files.Albums = albums;
  files.AlbumTitles = rows;
  TCatalogueFinding f = CheckCatalogue(files);
  CHECK(!f.Damaged());
  CHECK(f.Summary().empty());
  CHECK(f.Files.size() == 5);
  CHECK(f.File(TCatalogueFileKind::Index)->Records == 3);
  CHECK(f.File(TCatalogueFileKind::Albums)->Records == 1);
}

void CutIndexAndItsUnclaimedData() {
  // A power cut during the write of record 3 of 5: 300 of its bytes reached the disk.
  std::string index = Titles(5).substr(0, 2 * 672 + 300);
  TFileFinding f = CheckIndexFile(index, 500);
  CHECK(f.Records == 2);
  CHECK(f.CutBytes == 300);
  CHECK(f.Bad.empty());
  CHECK(f.UnclaimedDataBytes == 300); // the archives of titles 3 to 5
  TCatalogueBytes files;
  files.Index = index;
  files.DataSize = 500;
  CheckText(CheckCatalogue(files).Summary(),
            "Tonalbrook found damage in its catalogue files:\r\n\r\n"
            "Music.dex: 2 records and a cut record at the end (300 bytes). 300 bytes of Music.dax "
            "belong to no title record.",
            __LINE__);

  // An empty index beside a data file that holds titles.
  TFileFinding empty = CheckIndexFile("", 975369);
  CHECK(empty.Records == 0 && empty.CutBytes == 0 && !empty.NotRecords);
  CHECK(empty.UnclaimedDataBytes == 975369);
  CHECK(empty.Damaged());
  CHECK(!CheckIndexFile("", 0).Damaged());
}

void FieldsOutOfRangeOrDisagreeing() {
  std::vector<TTitle> t(8);
  for (int i = 0; i < 8; ++i) {
    t[i].Offset = 100 * i;
    t[i].Key = i + 1;
  }
  t[1].Length = 0;   // record 2: length 0
  t[2].Offset = 750; // record 3: ends past the data file's 800 bytes
  t[3].Offset = 420; // record 4: overlaps record 5 (400..500) alone
  t[3].Length = 50;
  t[5].Key = 7;                  // records 6 and 7 share key 7
  t[7].Offset = -100;            // record 8: before the data file
  t[7].Title = "Gym\x01nopedie"; // and a title that is not text
  std::string index;
  for (const TTitle& x : t)
    index += Title(x);
  // A deleted record may keep a key, a zero length or a range that no longer fits.
  TTitle gone;
  gone.Live = false;
  gone.Key = 7;
  gone.Length = 0;
  index += Title(gone);
  TFileFinding f = CheckIndexFile(index, 800);
  CHECK(f.Records == 9);
  CHECK(f.Bad.size() == 7);
  CHECK(f.FaultsOf(1) == 0);
  CHECK(f.FaultsOf(2) == ZeroLength);
  CHECK(f.FaultsOf(3) == OutsideData);
  CHECK(f.FaultsOf(4) == Overlap);
  CHECK(f.FaultsOf(5) == Overlap);
  CHECK(f.FaultsOf(6) == DuplicateKey);
  CHECK(f.FaultsOf(7) == DuplicateKey);
  CHECK(f.FaultsOf(8) == (OutsideData | NameNotText));
  CHECK(f.FaultsOf(9) == 0);
  CHECK(!f.NotRecords);
  CHECK(f.UnclaimedDataBytes == 400); // 100..400 and 700..800 hold no archive of a record
  TCatalogueFinding all;
  all.Files.push_back(f);
  CheckText(all.Summary(),
            "Tonalbrook found damage in its catalogue files:\r\n\r\n"
            "Music.dex: 9 records; 7 records are damaged: record 2 (length 0); record 3 (points "
            "outside Music.dax); record 4 (shares stored bytes with another title); record 5 "
            "(shares stored bytes with another title); record 6 (key used twice); record 7 (key "
            "used twice); record 8 (a name that is not text, points outside Music.dax). 400 bytes "
            "of Music.dax belong to no title record.",
            __LINE__);

  // Keys, record numbers, sizes and durations below their least values; a text past its room;
  // a live flag that is neither; a date no calendar holds.
  std::string odd = Titles(5);
  Put32(odd, 0 * 672 + 28, 0);
  Put32(odd, 1 * 672 + 32, -5);
  odd[2 * 672 + 271] = static_cast<char>(126);
  odd[3 * 672 + 5] = 2;
  PutDate(odd, 4 * 672 + 664, 1e300);
  TFileFinding g = CheckIndexFile(odd, 500);
  CHECK(g.FaultsOf(1) == OutOfRange);
  CHECK(g.FaultsOf(2) == OutOfRange);
  CHECK(g.FaultsOf(3) == NotRecord);
  CHECK(g.FaultsOf(4) == NotRecord);
  CHECK(g.FaultsOf(5) == NotRecord);
  CHECK(g.NotRecords); // three of five are no title records at all
}

void StoredArchivesAgainstTheirRecords() {
  TTitle a, b, c, d;
  a.Crc = 0x11111111;
  a.Size = 700;
  b.Offset = 100;
  b.Key = 2;
  b.Crc = 0x22222222;
  b.Size = 800;
  c.Offset = 200;
  c.Key = 3;
  c.Crc = 0x33333333;
  c.Size = 900;
  d.Offset = 300;
  d.Key = 4;
  d.Length = 20; // too short to be a zip at all
  std::string index = Title(a) + Title(b) + Title(c) + Title(d);
  std::string data = ZipHead(0x11111111, 700, 100) + ZipHead(0x22222223, 800, 100) +
                     ZipHead(0x33333333, 901, 100) + std::string(20, 'P');
  TFileFinding f = CheckIndexFile(index, 0, std::string_view(data));
  CHECK(f.FaultsOf(1) == 0);
  CHECK(f.FaultsOf(2) == ArchiveMismatch); // a flipped CRC byte
  CHECK(f.FaultsOf(3) == ArchiveMismatch); // a size that disagrees
  CHECK(f.FaultsOf(4) == ArchiveMismatch);
  CHECK(f.UnclaimedDataBytes == 0);
  // Without the bytes only the ranges can be checked.
  CHECK(!CheckIndexFile(index, 320).Damaged());
}

void AFileThatIsNoIndex() {
  // Music.dex replaced by another file: three records' worth of a zip's compressed bytes.
  std::string noise(3 * 672, '\0');
  for (size_t i = 0; i < noise.size(); ++i)
    noise[i] = static_cast<char>(0x9D + i * 37);
  TFileFinding f = CheckIndexFile(noise, 4000);
  CHECK(f.Records == 3);
  CHECK(f.NotRecords);
  TCatalogueFinding all;
  all.Files.push_back(f);
  CheckText(all.Summary(),
            "Tonalbrook found damage in its catalogue files:\r\n\r\n"
            "Music.dex: 3 records, but this is not a title index: its records could not be read.",
            __LINE__);
}

void ListFilesAndTheirRecords() {
  // Categories: a key 0, a key given twice, a name past its room, a name with a line break, and a
  // cut record at the end.
  std::string cats = ListRec(72, 1, "Classical") + ListRec(72, 0, "Pop") + ListRec(72, 3, "Jazz") +
                     ListRec(72, 3, "Blues") + ListRec(72, 5, "Folk") +
                     ListRec(72, 6, "Line\nbreak") + std::string(10, 'x');
  cats[4 * 72 + 16] = static_cast<char>(41);
  TFileFinding c = CheckListFile(TCatalogueFileKind::Categories, cats);
  CHECK(c.Records == 6);
  CHECK(c.CutBytes == 10);
  CHECK(c.FaultsOf(1) == 0);
  CHECK(c.FaultsOf(2) == OutOfRange);
  CHECK(c.FaultsOf(3) == DuplicateKey);
  CHECK(c.FaultsOf(4) == DuplicateKey);
  CHECK(c.FaultsOf(5) == NotRecord);
  CHECK(c.FaultsOf(6) == NameNotText);
  CHECK(!c.NotRecords);

  // Albums: the same head, 76 bytes; negative totals are out of range.
  std::string albums = ListRec(76, 1, "Evening") + ListRec(76, 2, "Morning");
  Put32(albums, 76 + 8, -1);
  TFileFinding a = CheckListFile(TCatalogueFileKind::Albums, albums);
  CHECK(a.Records == 2 && a.CutBytes == 0);
  CHECK(a.FaultsOf(1) == 0 && a.FaultsOf(2) == OutOfRange);

  // Artists: a full name past its room of 82.
  std::string artists = Artist(1, "Erik", "Satie") + Artist(2, "Scott", "Joplin");
  artists[176 + 86] = static_cast<char>(83);
  TFileFinding p = CheckListFile(TCatalogueFileKind::Artists, artists);
  CHECK(p.FaultsOf(1) == 0 && p.FaultsOf(2) == NotRecord);

  // Categories.dex replaced by the title index: its "records" are not categories.
  std::string swapped = Titles(20);
  TFileFinding s = CheckListFile(TCatalogueFileKind::Categories, swapped);
  CHECK(s.Records == 186 && s.CutBytes == 48);
  CHECK(s.NotRecords);
}

void AlbumRows() {
  TTitle one, two, three;
  one.Album = 1;
  two.Album = 9; // no such album
  three.Album = 1;
  three.Key = 0;
  std::string rows = Title(one) + Title(two) + Title(three);
  rows[5] = 7; // live flag and archive have no meaning in rows
  std::string albums = ListRec(76, 1, "Evening");
  TCatalogueBytes files;
  std::string index = Titles(1);
  files.Index = index;
  files.DataSize = 100;
  files.Albums = albums;
  files.AlbumTitles = rows;
  TCatalogueFinding f = CheckCatalogue(files);
  const TFileFinding* r = f.File(TCatalogueFileKind::AlbumTitles);
  CHECK(r && r->Records == 3);
  CHECK(r && r->FaultsOf(1) == 0);
  CHECK(r && r->FaultsOf(2) == UnknownAlbum);
  CHECK(r && r->FaultsOf(3) == OutOfRange);
  CHECK(!f.File(TCatalogueFileKind::Index)->Damaged());
  CHECK(f.File(TCatalogueFileKind::Categories) == nullptr); // absent files are no damage
  CheckText(f.Summary(),
            "Tonalbrook found damage in its catalogue files:\r\n\r\n"
            "Albums_AT.dex: 3 records; 2 records are damaged: record 2 (album not in "
            "Albums_A.dex); record 3 (a value out of range).",
            __LINE__);
  // Without an album file, no row can be told from another album's.
  CHECK(CheckAlbumTitlesFile(rows).FaultsOf(2) == 0);
}

void SummaryListsTenRecordsAndCountsTheRest() {
  std::string artists;
  for (int i = 0; i < 13; ++i)
    artists += Artist(5, "Same", "Key");
  TCatalogueFinding all;
  all.Files.push_back(CheckListFile(TCatalogueFileKind::Artists, artists));
  CheckText(all.Summary(),
            "Tonalbrook found damage in its catalogue files:\r\n\r\n"
            "Artists.dex: 13 records; 13 records are damaged: record 1 (key used twice); record 2 "
            "(key used twice); record 3 (key used twice); record 4 (key used twice); record 5 (key "
            "used twice); record 6 (key used twice); record 7 (key used twice); record 8 (key used "
            "twice); record 9 (key used twice); record 10 (key used twice); and 3 more.",
            __LINE__);
}

void DuplicateKeysPickTheRecordThatAgrees() {
  std::vector<TKeyCandidate> c{{3, 0xAAAA, false}, {5, 0xBBBB, true}, {9, 0xAAAA, true}};
  CHECK(PickByCrc(c, 0xAAAA) == 9); // the intact one of two that agree
  CHECK(PickByCrc(c, 0xBBBB) == 5);
  CHECK(PickByCrc(c, 0xCCCC) == 0);
  CHECK(PickByCrc({{4, 0xAAAA, false}}, 0xAAAA) == 4);
  CHECK(PickByCrc({}, 0xAAAA) == 0);
}

void AnInterruptedAppendIsNoDamage() {
  // Two titles of 100 bytes, then what an append left before its record was written.
  std::string index = Titles(2), titles = ZipHead(0, 1000, 100) + ZipHead(0, 1000, 100);
  auto check = [&](const std::string& tail) {
    std::string data = titles + tail;
    return CheckIndexFile(index, 0, std::string_view(data));
  };
  TFileFinding whole = check(ZipHead(1, 2, 120)); // its archive, whole
  CHECK(whole.InterruptedWriteBytes == 120 && whole.UnclaimedDataBytes == 0 && !whole.Damaged());
  TFileFinding cut = check(ZipHead(1, 2, 120).substr(0, 3)); // cut inside its signature
  CHECK(cut.InterruptedWriteBytes == 3 && !cut.Damaged());
  // Two archives are lost titles; bytes of no archive are another file's.
  TFileFinding two = check(ZipHead(1, 2, 120) + ZipHead(3, 4, 120));
  CHECK(two.UnclaimedDataBytes == 240 && two.InterruptedWriteBytes == 0 && two.DataDamaged());
  CHECK(two.UnclaimedRuns.size() == 1 && two.UnclaimedRuns[0].first == 200);
  CHECK(check(std::string(50, 'z')).UnclaimedDataBytes == 50);
  // Without the bytes nothing tells them apart.
  CHECK(CheckIndexFile(index, 320).UnclaimedDataBytes == 120);

  // A title added although its file seemed corrupted has the duration -1; below it is no duration.
  std::string odd = Titles(2);
  Put32(odd, 32, -1);
  Put32(odd, 672 + 32, -2);
  TFileFinding f = CheckIndexFile(odd, 200);
  CHECK(f.FaultsOf(1) == 0 && f.FaultsOf(2) == OutOfRange);

  // An empty index beside lists that count titles.
  TFileFinding lost = CheckIndexFile("", 0);
  lost.NamedElsewhere = {{"Categories.dex", 12}, {"Albums_AT.dex", 1}};
  TCatalogueFinding all;
  all.Files.push_back(lost);
  CheckText(all.Summary(),
            "Tonalbrook found damage in its catalogue files:\r\n\r\n"
            "Music.dex: 0 records, but Categories.dex counts 12 titles and Albums_AT.dex counts "
            "1 title.",
            __LINE__);
}

} // namespace

int main() {
  IntactCatalogueIsNotReported();
  CutIndexAndItsUnclaimedData();
  FieldsOutOfRangeOrDisagreeing();
  StoredArchivesAgainstTheirRecords();
  AFileThatIsNoIndex();
  ListFilesAndTheirRecords();
  AlbumRows();
  SummaryListsTenRecordsAndCountsTheRest();
  DuplicateKeysPickTheRecordThatAgrees();
  AnInterruptedAppendIsNoDamage();
  if (Failures)
    std::fprintf(stderr, "%d checks failed\n", Failures);
  else
    std::printf("catalogue check: all cases hold\n");
  return Failures ? 1 : 0;
}
