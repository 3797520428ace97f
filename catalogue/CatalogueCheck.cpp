// Checks the catalogue files' records for what a power cut, a flipped byte or a swapped file
// leaves, without touching any file or window.
#include "CatalogueCheck.h"
#include "Bytes.h"
#include "TuneRecords.h"
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>

namespace {

constexpr uint32_t Bit(TRecordFault f) {
  return static_cast<uint32_t>(f);
}

constexpr double FirstDay = -693593.0;
constexpr double PastLastDay = 2958466.0;
// A title whose file seemed corrupted and was added all the same has the duration -1.
constexpr int32_t LeastSeconds = -1;

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

// The runs of [0, size) that no span covers, in order.
std::vector<std::pair<int64_t, int64_t>> Unclaimed(std::vector<TSpan> spans, int64_t size) {
  SortSpans(spans);
  std::vector<std::pair<int64_t, int64_t>> runs;
  int64_t reach = 0;
  for (const TSpan& s : spans) {
    if (s.Begin > reach) runs.push_back({reach, std::min(s.Begin, size)});
    reach = std::max(reach, s.End);
  }
  if (reach < size) runs.push_back({reach, size});
  return runs;
}

constexpr uint8_t LocalSignature[4] = {'P', 'K', 3, 4};

// A run no record claims is what an append leaves when it ends between writing a title's archive
// and its record: one archive, whole or cut, so it starts as a zip's local header does and holds
// no second one.
bool OneArchive(int64_t begin, int64_t end, const TDataReader& read) {
  constexpr int32_t Block = 65536;
  std::vector<uint8_t> bytes;
  for (int64_t at = begin; at < end;) {
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(Block, end - at));
    bytes.resize(static_cast<size_t>(want));
    if (!read(at, bytes.data(), want)) return false;
    for (int32_t i = 0; i < want; ++i) {
      const int64_t pos = at + i;
      // Bytes of a signature cut by the block's end are compared in the next block.
      const int32_t n = static_cast<int32_t>(std::min<int64_t>(4, end - pos));
      if (i + n > want && at + want < end) break;
      const bool signature = std::equal(bytes.begin() + i, bytes.begin() + i + n, LocalSignature);
      if (pos == begin && !signature) return false;
      if (pos > begin && signature && n == 4) return false;
    }
    at += want > 3 && at + want < end ? want - 3 : want;
  }
  return true;
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

std::string NamedElsewhereText(const std::vector<TNamedTitles>& named) {
  std::string text;
  for (size_t i = 0; i < named.size(); ++i)
    text += std::string(i == 0 ? ", but " : " and ") + named[i].FileName + " counts " +
            Plural(named[i].Titles, "title", "titles");
  return text;
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
  line += NamedElsewhereText(f.NamedElsewhere);
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

bool IsCatalogueDate(double value) {
  return std::isfinite(value) && value >= FirstDay && value < PastLastDay;
}

bool TFileFinding::Damaged() const {
  return CutBytes > 0 || NotRecords || UnclaimedDataBytes > 0 || !Bad.empty() ||
         !NamedElsewhere.empty();
}

bool TFileFinding::DataDamaged() const {
  return UnclaimedDataBytes > 0 || std::any_of(Bad.begin(), Bad.end(), [](const TBadRecord& b) {
           return b.Has(TRecordFault::ArchiveMismatch);
         });
}

std::vector<std::string_view> UnreadParts(const TFileFinding& finding, std::string_view bytes,
                                          int recSize) {
  std::vector<std::string_view> parts;
  if (finding.NotRecords) {
    parts.push_back(bytes);
    return parts;
  }
  for (const TBadRecord& b : finding.Bad)
    parts.push_back(bytes.substr(static_cast<size_t>(b.RecNo - 1) * recSize, recSize));
  if (finding.CutBytes > 0) parts.push_back(bytes.substr(bytes.size() - finding.CutBytes));
  return parts;
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

std::vector<std::string> TCatalogueFinding::Copies() const {
  std::vector<std::string> copies;
  for (const TFileFinding& f : Files)
    for (const std::string& c : f.Copies)
      if (std::find(copies.begin(), copies.end(), c) == copies.end()) copies.push_back(c);
  return copies;
}

std::string TCatalogueFinding::Summary() const {
  std::string text;
  for (const TFileFinding& f : Files)
    if (f.Damaged()) text += "\r\n" + FileLine(f);
  return text.empty() ? text : "Tonalbrook found damage in its catalogue files:\r\n" + text;
}

TFileFinding CheckIndexFile(std::string_view index, int64_t dataSize,
                            std::optional<std::string_view> data, const TDataReader& readData,
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
    if (p[5] > 1 || !IsCatalogueDate(r.DateStamp) || !IsCatalogueDate(r.DateObtained))
      bad |= Bit(TRecordFault::NotRecord);
    const int64_t begin = r.Offset, end = begin + r.Length;
    const bool inside = r.Offset >= 0 && r.Length >= 0 && end <= dataSize;
    if (inside && r.Length > 0) allSpans.push_back({begin, end, n - 1});
    if (!r.Live) continue;
    if (r.MasterKey < 1 || r.RecNo < 1 || r.Seconds < LeastSeconds || r.Size < 0)
      bad |= Bit(TRecordFault::OutOfRange);
    if (!inside)
      bad |= Bit(TRecordFault::OutsideData);
    else if (r.Length == 0)
      bad |= Bit(TRecordFault::ZeroLength);
    else {
      liveSpans.push_back({begin, end, n - 1});
      const bool checked = data || readData;
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
    else if (!readData(h.Offset, header, ArchiveHeaderSize)) {
      faults[h.Index] |= Bit(TRecordFault::ArchiveMismatch);
      continue;
    }
    if (!ArchiveAgrees(p, h.Crc, h.Size)) faults[h.Index] |= Bit(TRecordFault::ArchiveMismatch);
  }
  MarkDuplicateKeys(liveKeys, faults);
  MarkOverlaps(liveSpans, faults);
  TDataReader read = readData;
  if (data)
    read = [data](int64_t offset, uint8_t* out, int32_t length) {
      std::memcpy(out, data->data() + offset, static_cast<size_t>(length));
      return true;
    };
  for (auto [begin, end] : Unclaimed(allSpans, dataSize)) {
    // Without the bytes a run cannot be told from lost titles.
    if (read && OneArchive(begin, end, read))
      f.InterruptedWriteBytes += end - begin;
    else {
      f.UnclaimedDataBytes += end - begin;
      f.UnclaimedRuns.push_back({begin, end});
    }
  }
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
    if (r.MasterKey < 1 || r.AlbumKey < 1 || r.Seconds < LeastSeconds || r.Size < 0)
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
