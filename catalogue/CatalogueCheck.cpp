// Checks the catalogue files' records for what a power cut, a flipped byte or a swapped file
// leaves, without touching any file or window.
#include "CatalogueCheck.h"
#include "Bytes.h"
#include "TuneRecords.h"
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr uint32_t Bit(TRecordFault f) {
  return static_cast<uint32_t>(f);
}

// Date-times the program can hold: 1 January of year 1 to 31 December 9999; 0 means unknown.
constexpr double FirstDay = -693593.0;
constexpr double PastLastDay = 2958466.0;

bool IsDate(double value) {
  return std::isfinite(value) && value >= FirstDay && value < PastLastDay;
}

const uint8_t* Rec(std::string_view bytes, int recNo, int recSize) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + static_cast<size_t>(recNo - 1) * recSize;
}

// A short string's length byte beyond its room means the bytes are not a record of this kind.
uint32_t TextFaults(const uint8_t* p, int room) {
  if (p[0] > room) return Bit(TRecordFault::NotRecord);
  for (int i = 1; i <= p[0]; ++i)
    if (p[i] < 0x20 || p[i] == 0x7F) return Bit(TRecordFault::NameNotText);
  return 0;
}

struct TTextField {
  int Offset;
  int Room;
};
constexpr TTextField TuneTexts[] = {{0, FileTypeRoom}, {56, TimeTextRoom}, {65, NameRoom},
                                    {106, NameRoom},   {147, NameRoom},    {188, FullNameRoom},
                                    {271, TitleRoom},  {397, OriginRoom}};
constexpr TTextField ArtistTexts[] = {{4, NameRoom}, {45, NameRoom}, {86, FullNameRoom}};
constexpr int ListNameOffset = 16;

uint32_t AllTextFaults(const uint8_t* p, const TTextField* fields, size_t count) {
  uint32_t faults = 0;
  for (size_t i = 0; i < count; ++i)
    faults |= TextFaults(p + fields[i].Offset, fields[i].Room);
  return faults;
}

// A title record decoded, with the faults of its texts.
uint32_t DecodeTitle(const uint8_t* p, TTuneRec& r) {
  DecodeTuneRecInto(p, r);
  return AllTextFaults(p, TuneTexts, std::size(TuneTexts));
}

TFileFinding StartFinding(TCatalogueFileKind kind, std::string_view bytes, int recSize) {
  static const char* const names[] = {"Music.dex", "Categories.dex", "Artists.dex", "Albums_A.dex",
                                      "Albums_AT.dex"};
  TFileFinding f;
  f.Kind = kind;
  f.FileName = names[static_cast<int>(kind)];
  f.Records = static_cast<int>(std::min<size_t>(bytes.size() / recSize, INT_MAX));
  f.CutBytes = static_cast<int>(bytes.size() % recSize);
  return f;
}

// Per-record faults gathered in a vector indexed by record; kept only where non-zero. A file most
// of whose records are wrong in themselves (not only against other records) is another file.
void Finish(TFileFinding& f, const std::vector<uint32_t>& faults) {
  constexpr uint32_t own =
      Bit(TRecordFault::NotRecord) | Bit(TRecordFault::NameNotText) | Bit(TRecordFault::OutOfRange);
  int notRecords = 0;
  for (size_t i = 0; i < faults.size(); ++i) {
    if (faults[i] == 0) continue;
    f.Bad.push_back({static_cast<int>(i + 1), faults[i]});
    if (faults[i] & own) ++notRecords;
  }
  f.NotRecords = f.Records > 0 && notRecords * 2 > f.Records;
}

// Marks every record whose key another record of the set shares.
void MarkDuplicateKeys(std::vector<std::pair<int32_t, int>> keyed, std::vector<uint32_t>& faults) {
  // Keys are handed out in ascending order: the set is nearly always sorted already.
  if (!std::is_sorted(keyed.begin(), keyed.end())) std::sort(keyed.begin(), keyed.end());
  for (size_t i = 0; i < keyed.size();) {
    size_t end = i + 1;
    while (end < keyed.size() && keyed[end].first == keyed[i].first)
      ++end;
    if (end - i > 1)
      for (size_t k = i; k < end; ++k)
        faults[keyed[k].second] |= Bit(TRecordFault::DuplicateKey);
    i = end;
  }
}

struct TSpan {
  int64_t Begin, End;
  int Index;
};

bool SpanBefore(const TSpan& a, const TSpan& b) {
  return a.Begin < b.Begin;
}

// Archives are appended: their spans nearly always come in the order they lie.
void SortSpans(std::vector<TSpan>& spans) {
  if (!std::is_sorted(spans.begin(), spans.end(), SpanBefore))
    std::sort(spans.begin(), spans.end(), SpanBefore);
}

// Live archives that share bytes: both of each pair are marked.
void MarkOverlaps(std::vector<TSpan> spans, std::vector<uint32_t>& faults) {
  SortSpans(spans);
  int64_t reach = -1;
  int holder = -1;
  for (const TSpan& s : spans) {
    if (holder >= 0 && s.Begin < reach) {
      faults[s.Index] |= Bit(TRecordFault::Overlap);
      faults[holder] |= Bit(TRecordFault::Overlap);
    }
    if (s.End > reach) {
      reach = s.End;
      holder = s.Index;
    }
  }
}

// Bytes of [0, size) that no span covers.
int64_t Unclaimed(std::vector<TSpan> spans, int64_t size) {
  SortSpans(spans);
  int64_t covered = 0, reach = 0;
  for (const TSpan& s : spans) {
    int64_t from = std::max(s.Begin, reach);
    if (s.End > from) covered += s.End - from;
    reach = std::max(reach, s.End);
  }
  return size - covered;
}

// A stored archive is a one-file zip: its local header names the title's CRC and size unless the
// writer deferred them to a trailing descriptor.
bool ArchiveAgrees(const uint8_t* p, uint32_t titleCrc, int32_t titleSize) {
  if (GetU32(p) != 0x04034B50) return false;
  if (GetU16(p + 6) & 0x0008) return true;
  uint32_t crc = GetU32(p + 14), size = GetU32(p + 22);
  if (titleCrc != 0 && crc != titleCrc) return false;
  return size == 0xFFFFFFFF || titleSize <= 0 || size == static_cast<uint32_t>(titleSize);
}

// A live title's archive, to be checked against the CRC and size its record names.
struct TArchiveToCheck {
  int64_t Offset;
  int Index;
  uint32_t Crc;
  int32_t Size;
  bool operator<(const TArchiveToCheck& other) const { return Offset < other.Offset; }
};

std::string FaultText(uint32_t faults) {
  static const std::pair<TRecordFault, const char*> texts[] = {
      {TRecordFault::NotRecord, "not a record"},
      {TRecordFault::NameNotText, "a name that is not text"},
      {TRecordFault::OutOfRange, "a value out of range"},
      {TRecordFault::ZeroLength, "length 0"},
      {TRecordFault::OutsideData, "points outside Music.dax"},
      {TRecordFault::Overlap, "shares stored bytes with another title"},
      {TRecordFault::DuplicateKey, "key used twice"},
      {TRecordFault::ArchiveMismatch, "its stored title in Music.dax does not match"},
      {TRecordFault::UnknownAlbum, "album not in Albums_A.dex"}};
  std::string text;
  for (auto& [fault, name] : texts)
    if (faults & Bit(fault)) text += (text.empty() ? "" : ", ") + std::string(name);
  return text;
}

std::string Plural(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string FileLine(const TFileFinding& f) {
  static const char* const kinds[] = {"a title index", "a category file", "an artist file",
                                      "an album file", "an album titles file"};
  std::string line = f.FileName + ": " + Plural(f.Records, "record", "records");
  if (f.NotRecords) {
    line += ", but this is not " + std::string(kinds[static_cast<int>(f.Kind)]) +
            ": its records could not be read.";
    return line;
  }
  if (f.CutBytes > 0)
    line += " and a cut record at the end (" + Plural(f.CutBytes, "byte", "bytes") + ")";
  if (!f.Bad.empty()) {
    constexpr size_t Listed = 10;
    line += "; " + Plural(static_cast<int64_t>(f.Bad.size()), "record is", "records are") +
            " damaged: ";
    for (size_t i = 0; i < f.Bad.size() && i < Listed; ++i)
      line += (i ? "; " : "") + std::string("record ") + std::to_string(f.Bad[i].RecNo) + " (" +
              FaultText(f.Bad[i].Faults) + ")";
    if (f.Bad.size() > Listed) line += "; and " + std::to_string(f.Bad.size() - Listed) + " more";
  }
  line += ".";
  if (f.UnclaimedDataBytes > 0)
    line += " " + Plural(f.UnclaimedDataBytes, "byte", "bytes") +
            " of Music.dax belong to no title record.";
  return line;
}

} // namespace

bool TFileFinding::Damaged() const {
  return CutBytes > 0 || NotRecords || UnclaimedDataBytes > 0 || !Bad.empty();
}

uint32_t TFileFinding::FaultsOf(int recNo) const {
  auto it = std::lower_bound(Bad.begin(), Bad.end(), recNo,
                             [](const TBadRecord& b, int n) { return b.RecNo < n; });
  return it != Bad.end() && it->RecNo == recNo ? it->Faults : 0;
}

bool TCatalogueFinding::Damaged() const {
  return std::any_of(Files.begin(), Files.end(), [](const TFileFinding& f) { return f.Damaged(); });
}

const TFileFinding* TCatalogueFinding::File(TCatalogueFileKind kind) const {
  for (const TFileFinding& f : Files)
    if (f.Kind == kind) return &f;
  return nullptr;
}

std::string TCatalogueFinding::Summary() const {
  std::string text;
  for (const TFileFinding& f : Files)
    if (f.Damaged()) text += "\r\n" + FileLine(f);
  return text.empty() ? text : "Tonalbrook found damage in its catalogue files:\r\n" + text;
}

TFileFinding CheckIndexFile(std::string_view index, int64_t dataSize,
                            std::optional<std::string_view> data,
                            const TArchiveHeaderReader& readHeader,
                            std::vector<TTuneRec>* records) {
  TFileFinding f = StartFinding(TCatalogueFileKind::Index, index, TuneRecSize);
  if (data) dataSize = static_cast<int64_t>(data->size());
  std::vector<uint32_t> faults(f.Records, 0);
  std::vector<std::pair<int32_t, int>> liveKeys;
  std::vector<TSpan> liveSpans, allSpans;
  std::vector<TArchiveToCheck> headers;
  liveKeys.reserve(static_cast<size_t>(f.Records));
  liveSpans.reserve(static_cast<size_t>(f.Records));
  allSpans.reserve(static_cast<size_t>(f.Records));
  if (records) records->resize(static_cast<size_t>(f.Records));
  TTuneRec scratch;
  for (int n = 1; n <= f.Records; ++n) {
    const uint8_t* p = Rec(index, n, TuneRecSize);
    uint32_t& bad = faults[n - 1];
    // Each record is decoded once: into the caller's list when there is one.
    TTuneRec& r = records ? (*records)[static_cast<size_t>(n - 1)] : scratch;
    bad |= DecodeTitle(p, r);
    if (p[5] > 1 || !IsDate(r.DateStamp) || !IsDate(r.DateObtained))
      bad |= Bit(TRecordFault::NotRecord);
    const int64_t begin = r.Offset, end = begin + r.Length;
    const bool inside = r.Offset >= 0 && r.Length >= 0 && end <= dataSize;
    if (inside && r.Length > 0) allSpans.push_back({begin, end, n - 1});
    if (!r.Live) continue;
    if (r.MasterKey < 1 || r.RecNo < 1 || r.Seconds < 0 || r.Size < 0)
      bad |= Bit(TRecordFault::OutOfRange);
    if (!inside)
      bad |= Bit(TRecordFault::OutsideData);
    else if (r.Length == 0)
      bad |= Bit(TRecordFault::ZeroLength);
    else {
      liveSpans.push_back({begin, end, n - 1});
      const bool checked = data || readHeader;
      if (checked && r.Length < ArchiveHeaderSize)
        bad |= Bit(TRecordFault::ArchiveMismatch);
      else if (checked)
        headers.push_back({begin, n - 1, r.Crc, r.Size});
    }
    liveKeys.push_back({r.MasterKey, n - 1});
  }
  // The headers are read in the order they lie in the data file, so that a reader can buffer.
  if (!std::is_sorted(headers.begin(), headers.end())) std::sort(headers.begin(), headers.end());
  uint8_t header[ArchiveHeaderSize];
  for (const TArchiveToCheck& h : headers) {
    const uint8_t* p = header;
    if (data)
      p = reinterpret_cast<const uint8_t*>(data->data()) + h.Offset;
    else if (!readHeader(h.Offset, header)) {
      faults[h.Index] |= Bit(TRecordFault::ArchiveMismatch);
      continue;
    }
    if (!ArchiveAgrees(p, h.Crc, h.Size)) faults[h.Index] |= Bit(TRecordFault::ArchiveMismatch);
  }
  MarkDuplicateKeys(liveKeys, faults);
  MarkOverlaps(liveSpans, faults);
  f.UnclaimedDataBytes = Unclaimed(allSpans, dataSize);
  Finish(f, faults);
  return f;
}

TFileFinding CheckListFile(TCatalogueFileKind kind, std::string_view bytes) {
  const bool artists = kind == TCatalogueFileKind::Artists;
  const int recSize = artists                              ? PerfRecSize
                      : kind == TCatalogueFileKind::Albums ? AlbRecSize
                                                           : CatRecSize;
  TFileFinding f = StartFinding(kind, bytes, recSize);
  std::vector<uint32_t> faults(f.Records, 0);
  std::vector<std::pair<int32_t, int>> keys;
  for (int n = 1; n <= f.Records; ++n) {
    const uint8_t* p = Rec(bytes, n, recSize);
    uint32_t& bad = faults[n - 1];
    int32_t key;
    if (artists) {
      key = DecodePerfRec(p).Key;
      bad |= AllTextFaults(p, ArtistTexts, std::size(ArtistTexts));
    } else {
      // Albums share the category record's head; only the trailing references differ.
      TCatRec r = DecodeCatRec(p);
      key = r.Key;
      bad |= TextFaults(p + ListNameOffset, NameRoom);
      if (r.Titles < 0 || r.Seconds < 0 || r.Bytes < 0) bad |= Bit(TRecordFault::OutOfRange);
    }
    if (key < 1) bad |= Bit(TRecordFault::OutOfRange);
    keys.push_back({key, n - 1});
  }
  MarkDuplicateKeys(keys, faults);
  Finish(f, faults);
  return f;
}

TFileFinding CheckAlbumTitlesFile(std::string_view bytes, const std::vector<int32_t>* albumKeys) {
  TFileFinding f = StartFinding(TCatalogueFileKind::AlbumTitles, bytes, TuneRecSize);
  std::vector<uint32_t> faults(f.Records, 0);
  TTuneRec r;
  for (int n = 1; n <= f.Records; ++n) {
    uint32_t& bad = faults[n - 1];
    // A row carries no archive, record number or live flag: only what the album grid shows.
    bad |= DecodeTitle(Rec(bytes, n, TuneRecSize), r);
    if (r.MasterKey < 1 || r.AlbumKey < 1 || r.Seconds < 0 || r.Size < 0)
      bad |= Bit(TRecordFault::OutOfRange);
    if (albumKeys &&
        std::find(albumKeys->begin(), albumKeys->end(), r.AlbumKey) == albumKeys->end())
      bad |= Bit(TRecordFault::UnknownAlbum);
  }
  Finish(f, faults);
  return f;
}

TCatalogueFinding CheckCatalogue(const TCatalogueBytes& files) {
  TCatalogueFinding result;
  result.Files.push_back(CheckIndexFile(files.Index, files.DataSize, files.Data));
  if (files.Categories)
    result.Files.push_back(CheckListFile(TCatalogueFileKind::Categories, *files.Categories));
  if (files.Artists)
    result.Files.push_back(CheckListFile(TCatalogueFileKind::Artists, *files.Artists));
  std::vector<int32_t> albumKeys;
  if (files.Albums) {
    result.Files.push_back(CheckListFile(TCatalogueFileKind::Albums, *files.Albums));
    for (int n = 1; n <= result.Files.back().Records; ++n)
      albumKeys.push_back(DecodeAlbRec(Rec(*files.Albums, n, AlbRecSize)).Key);
  }
  // Rows are only loaded when the album file exists; without it every row would be unknown.
  if (files.AlbumTitles)
    result.Files.push_back(
        CheckAlbumTitlesFile(*files.AlbumTitles, files.Albums ? &albumKeys : nullptr));
  return result;
}

int PickByCrc(const std::vector<TKeyCandidate>& candidates, uint32_t crc) {
  int agreeing = 0;
  for (const TKeyCandidate& c : candidates) {
    if (c.Crc != crc) continue;
    if (c.Intact) return c.RecNo;
    if (agreeing == 0) agreeing = c.RecNo;
  }
  return agreeing;
}
