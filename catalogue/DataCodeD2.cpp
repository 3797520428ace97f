// The catalogue store: the title index and the stored titles, written through at every change.
#include "DataCodeD2.h"
#include "Bytes.h"
#include "Handles.h"
#include "Messages.h"
#include "StoredTitle.h"
#include "TimeText.h"
#include <windows.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_map>

namespace {

const char* const AsideIndexName = "InfoOld";
const char* const AsideDataName = "DataOld";
const char* const BackUpFolder = "BackUp";
constexpr DWORD PumpIntervalMs = 25;
constexpr int64_t HeaderBlock = 65536; // bytes of the data file read at once for the zip headers
constexpr int64_t LargestCheckedBackUp = 256 << 20; // larger files in BackUp are never read

std::string DriveOf(const std::string& folder) {
  return folder.size() >= 2 && folder[1] == ':' ? folder.substr(0, 2)
                                                : ExcludeTrailingBackslash(folder);
}

} // namespace

TMyDB::TMyDB(TStoreHost* host, TFileOps* ops)
    : FHost(host ? host : &FNoHost), FOps(ops ? ops : &DefaultFileOps()) {}

// No messages run here: a destructor may be reached while a handler further down the stack still
// uses the windows those messages would change.
TMyDB::~TMyDB() {
  Close();
}

void TMyDB::Close() {
  FIndexFile.reset();
  FDataFile.reset();
  FRecords.clear();
  FRecords.shrink_to_fit();
  FDamaged.clear();
  FToldDamaged.clear();
  FFinding = TFileFinding();
  FIndexTail.clear();
  FKeyFloor = 0;
  FAccepted = false;
  FKeyIndex.clear();
  FOriginIndex.clear();
  FOriginIndexed = false;
  FLoaded = false;
  FPackNeeded = false;
  FLiveCount = 0;
  FDamagedCount = 0;
  FDataSize = 0;
}

// --- opening
// --------------------------------------------------------------------------------------

// A file the same as one BackUp holds already is not kept twice.
void TMyDB::MoveToBackUp(const std::string& path, std::vector<std::string>& moved) {
  std::string folder = FFolder + BackUpFolder + "\\";
  ForceDirectories(folder);
  std::string name = ExtractFileName(path);
  std::string target = folder + name;
  const int64_t size = FileSize(path);
  std::string bytes;
  for (int i = 1; FOps->Exists(target); ++i) {
    try {
      if (size <= LargestCheckedBackUp && FileSize(target) == size) {
        if (bytes.empty()) bytes = ReadWholeFile(path);
        if (ReadWholeFile(target) == bytes && FOps->Remove(path)) {
          moved.push_back(path + " -> " + target);
          return;
        }
      }
    } catch (const std::exception&) {
    }
    target = folder + name + "." + IntToStr(i);
  }
  if (FOps->Rename(path, target)) moved.push_back(path + " -> " + target);
}

// A pack writes the work pair, sets the old pair aside, renames the work pair in and then deletes
// the old pair. Whatever step it was interrupted at, the newest complete pair is put in place.
// Answers the files that belong to no complete pair; nothing is overwritten.
std::vector<std::string> TMyDB::RecoverLeftovers() {
  const std::string workIndex = FFolder + PackIndexName + PackExt;
  const std::string workData = FFolder + PackDataName + PackExt;
  const std::string asideIndex = FFolder + AsideIndexName + PackExt;
  const std::string asideData = FFolder + AsideDataName + PackExt;
  auto has = [this](const std::string& p) { return FOps->Exists(p); };
  if (!has(workIndex) && !has(workData) && !has(asideIndex) && !has(asideData)) return {};

  bool index = has(FIndexPath), data = has(FDataPath);
  // The work pair is complete once the old pair has been set aside (it is flushed before), and
  // also when neither catalogue file is left.
  if (!index && !data && has(workIndex) && has(workData)) {
    FOps->Rename(workIndex, FIndexPath);
    FOps->Rename(workData, FDataPath);
  } else if (index && !data && has(workData) && !has(workIndex)) {
    FOps->Rename(workData, FDataPath); // the index was renamed in, the data not yet
  } else if (!index && data && has(asideIndex) && !has(asideData)) {
    FOps->Rename(asideIndex, FIndexPath); // the old pair was being put back
  } else if (index && !data && has(asideData) && !has(asideIndex)) {
    FOps->Rename(asideData, FDataPath);
  } else if (!index && !data && has(asideIndex) && has(asideData)) {
    FOps->Rename(asideIndex, FIndexPath); // set aside, but the work pair is gone
    FOps->Rename(asideData, FDataPath);
  }
  std::vector<std::string> left;
  for (const auto& p : {workIndex, workData, asideIndex, asideData})
    if (has(p)) left.push_back(p);
  if (!has(FIndexPath) || !has(FDataPath)) {
    // Starting an empty catalogue now could bury the titles these files hold.
    if (left.empty()) return {};
    std::string text = "The database could not be restored after an interrupted packing. These "
                       "files hold it:";
    for (const auto& p : left)
      text += "\r\n" + p;
    throw EDataError(text);
  }
  return left;
}

// Beside a catalogue that opened whole, the files of an interrupted pack hold nothing it lacks and
// go. Beside a damaged one they may hold what it lost: they are kept in BackUp, and the user told.
void TMyDB::SettleLeftovers(const std::vector<std::string>& left) {
  if (!FFinding.Damaged()) {
    for (const auto& p : left)
      FOps->Remove(p);
    // Once a session: the opening after a pack finds BackUp as the first left it.
    if (!FQuietReopen) CleanBackUp();
    return;
  }
  std::vector<std::string> moved;
  for (const auto& p : left)
    MoveToBackUp(p, moved);
  if (moved.empty()) return;
  std::string text = "Files left over from an interrupted packing of the database were moved "
                     "to the BackUp folder:";
  for (const auto& m : moved)
    text += "\r\n" + m;
  FHost->ShowMessageBox(text, TMessageKind::Warning, 0, TMessageButtons::OK);
}

namespace {

// The names of the catalogue files the program itself puts in BackUp, numbered or not.
bool BackUpCopyOf(const std::string& name, const char* base, const char* ext) {
  const std::string plain = UpperCase(std::string(base) + ext);
  const std::string upper = UpperCase(name);
  if (upper.compare(0, plain.size(), plain) != 0) return false;
  if (upper.size() == plain.size()) return true;
  if (upper[plain.size()] != '.' || upper.size() == plain.size() + 1) return false;
  return std::all_of(upper.begin() + plain.size() + 1, upper.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

// The files BackUp holds from interrupted packs and lone catalogue files are no longer needed once
// every title they hold is in the catalogue, which opened whole. Anything else there stays.
void TMyDB::CleanBackUp() {
  const std::string folder = FFolder + BackUpFolder + "\\";
  WIN32_FIND_DATAA fd;
  TFindHandle h(FindFirstFileA((folder + "*").c_str(), &fd));
  if (!h) return;
  std::vector<std::string> candidates;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string name = fd.cFileName;
    for (const char* base : {PackIndexName, PackDataName, AsideIndexName, AsideDataName})
      if (BackUpCopyOf(name, base, PackExt)) candidates.push_back(folder + name);
    for (const char* ext : {IndexExt, DataExt})
      if (BackUpCopyOf(name, FBaseName.c_str(), ext)) candidates.push_back(folder + name);
  } while (FindNextFileA(h.Get(), &fd));
  h.Reset();
  for (const auto& path : candidates)
    if (HeldByCatalogue(path)) FOps->Remove(path);
}

// An index file is held when each of its live titles is a live title of the catalogue (by its
// CRC); a data file when each stored archive in it is one. Anything unreadable is not held.
bool TMyDB::HeldByCatalogue(const std::string& path) const {
  std::unordered_set<uint32_t> crcs;
  for (int n = 1; n <= RecordCount(); ++n)
    if (Usable(n) && FRecords[n - 1].Crc != 0) crcs.insert(FRecords[n - 1].Crc);
  std::string bytes;
  try {
    if (FileSize(path) > LargestCheckedBackUp) return false;
    bytes = ReadWholeFile(path);
  } catch (const std::exception&) {
    return false;
  }
  if (bytes.empty()) return true;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const std::string name = UpperCase(ExtractFileName(path));
  const bool index = name.rfind(UpperCase(PackIndexName), 0) == 0 ||
                     name.rfind(UpperCase(AsideIndexName), 0) == 0 ||
                     name.rfind(UpperCase(FBaseName + IndexExt), 0) == 0;
  if (index) {
    if (bytes.size() % TuneRecSize != 0) return false;
    TFileFinding f = CheckIndexFile(bytes, 0);
    if (f.NotRecords) return false;
    TTuneRec r;
    for (int n = 1; n <= f.Records; ++n) {
      DecodeTuneRecInto(p + static_cast<size_t>(n - 1) * TuneRecSize, r);
      if (r.Live && !crcs.count(r.Crc)) return false;
    }
    return true;
  }
  int archives = 0;
  for (size_t at = 0; at + ArchiveHeaderSize <= bytes.size(); ++at) {
    if (GetU32(p + at) != 0x04034B50) continue;
    // A header that defers its CRC to a descriptor cannot be matched: the file is kept.
    if ((GetU16(p + at + 6) & 0x0008) || !crcs.count(GetU32(p + at + 14))) return false;
    ++archives;
  }
  return archives > 0;
}

int TMyDB::Open(const std::string& fileName) {
  Close();
  FFolder = ExtractFilePath(fileName);
  if (FFolder.empty()) FFolder = "C:\\";
  std::string name = ExtractFileName(fileName);
  FBaseName = name.substr(0, name.find('.'));
  if (FBaseName.empty()) FBaseName = "Default";
  FIndexPath = FFolder + FBaseName + IndexExt;
  FDataPath = FFolder + FBaseName + DataExt;

  const std::vector<std::string> left = RecoverLeftovers();
  bool index = FOps->Exists(FIndexPath), data = FOps->Exists(FDataPath);
  if (index != data) {
    // One file alone is no catalogue: keep it in BackUp and start an empty one.
    std::vector<std::string> moved;
    MoveToBackUp(index ? FIndexPath : FDataPath, moved);
    FHost->ShowMessageBox("Only one of the two database files was found. It was moved to the "
                          "BackUp folder and an empty database was started:\r\n" +
                              (moved.empty() ? std::string("(could not be moved)") : moved[0]),
                          TMessageKind::Warning, 0, TMessageButtons::OK);
    if (FOps->Exists(FIndexPath) || FOps->Exists(FDataPath))
      throw EDataError("The database file " + (index ? FIndexPath : FDataPath) +
                       " has no partner and could not be moved aside");
    index = data = false;
  }
  if (index && data) {
    FIndexFile = std::make_unique<TFileStream>(FIndexPath, fmOpenReadWrite | fmShareExclusive);
    FDataFile = std::make_unique<TFileStream>(FDataPath, fmOpenReadWrite | fmShareExclusive);
  } else {
    FIndexFile = std::make_unique<TFileStream>(FIndexPath, fmCreate);
    FDataFile = std::make_unique<TFileStream>(FDataPath, fmCreate);
  }
  FRecSize = TuneRecSize;
  FDataSize = FDataFile->Size();

  // The index is read whole and checked as it is: a power cut or a swapped file leaves records
  // that must be neither trusted nor lost.
  const std::string indexBytes = ReadIndex();
  if (!FQuietReopen) KeepCopies(indexBytes);
  NoteUnreadKeys(indexBytes);

  const int count = static_cast<int>(indexBytes.size() / TuneRecSize);
  FIndexTail = indexBytes.substr(static_cast<size_t>(count) * TuneRecSize);
  FRecords.resize(static_cast<size_t>(count));
  FDamaged.reserve(static_cast<size_t>(count));
  FKeyIndex.reserve(static_cast<size_t>(count));
  // Records whose archive is empty or outside the data file, and all records of a file that is
  // not an index, stay out of the catalogue but keep their bytes in both files. A record with a
  // bad text alone still has its archive: it loads with the text cut to its room.
  for (int recNo = 1; recNo <= count; ++recNo) {
    const TTuneRec& r = FRecords[recNo - 1];
    bool inRange =
        r.Offset >= 0 && r.Length > 0 && static_cast<int64_t>(r.Offset) + r.Length <= FDataSize;
    bool usable = inRange && !FFinding.NotRecords;
    FDamaged.push_back(r.Live && !usable);
    if (!r.Live) {
      FPackNeeded = true;
    } else if (!usable) {
      ++FDamagedCount;
    } else {
      ++FLiveCount;
      FKeyIndex.push_back({recNo, r.MasterKey});
    }
  }
  // The archive of an append that ended before its record was written waits for the next pack.
  if (FFinding.InterruptedWriteBytes > 0) FPackNeeded = true;
  auto byKey = [](const TIdIndexEntry& a, const TIdIndexEntry& b) {
    return a.Key != b.Key ? a.Key < b.Key : a.RecNo < b.RecNo;
  };
  // Keys are handed out in ascending order, so a catalogue's index is nearly always sorted already.
  if (!std::is_sorted(FKeyIndex.begin(), FKeyIndex.end(), byKey))
    std::sort(FKeyIndex.begin(), FKeyIndex.end(), byKey);
  FLoaded = true;
  // An empty index beside categories that count titles has lost them.
  if (count == 0 && FCatList)
    NoteTitlesNamedElsewhere(ExtractFileName(FCatList->FilePath()), FCatList->CountedTitles());
  SettleLeftovers(left);
  return 0;
}

std::string TMyDB::ReadIndex() {
  const int64_t indexSize = FIndexFile->Size();
  if (indexSize > INT_MAX) throw EDataError("The database file " + FIndexPath + " is too big");
  std::string indexBytes(static_cast<size_t>(indexSize), '\0');
  FIndexFile->SetPosition(0);
  if (indexSize > 0) FIndexFile->ReadBuffer(indexBytes.data(), static_cast<int32_t>(indexSize));
  // Each stored archive's zip header is checked against its record; the headers are asked in the
  // order they lie, so a block read once serves the small archives that follow. Longer reads (of
  // bytes no title claims) go to the file directly.
  std::string block;
  int64_t blockAt = 0;
  auto readData = [&](int64_t offset, uint8_t* out, int32_t length) {
    try {
      if (offset < 0 || offset + length > FDataSize) return false;
      if (length > ArchiveHeaderSize) {
        FDataFile->SetPosition(offset);
        FDataFile->ReadBuffer(out, length);
        return true;
      }
      if (block.empty() || offset < blockAt ||
          offset + length > blockAt + static_cast<int64_t>(block.size())) {
        const int64_t want = std::min(HeaderBlock, FDataSize - offset);
        block.resize(static_cast<size_t>(want));
        FDataFile->SetPosition(offset);
        FDataFile->ReadBuffer(block.data(), static_cast<int32_t>(want));
        blockAt = offset;
      }
    } catch (const std::exception&) {
      block.clear();
      return false;
    }
    std::memcpy(out, block.data() + (offset - blockAt), static_cast<size_t>(length));
    return true;
  };
  // The check decodes the records into the memory list as it goes.
  FFinding = CheckIndexFile(indexBytes, FDataSize, std::nullopt, readData, &FRecords);
  return indexBytes;
}

// What could not be read is copied before anything can change it: the index's damaged records and
// cut record, and the data file when it holds bytes no title claims or archives that are not
// their titles'.
void TMyDB::KeepCopies(const std::string& indexBytes) {
  if (!FFinding.Damaged()) return;
  const std::vector<std::string_view> parts = UnreadParts(FFinding, indexBytes, TuneRecSize);
  if (!parts.empty())
    FFinding.Copies.push_back(
        ExtractFileName(KeepDamagedCopy(FIndexPath, indexBytes, *FOps, parts)));
  if (FFinding.DataDamaged()) FFinding.Copies.push_back(ExtractFileName(KeepDataCopy(indexBytes)));
}

// A copy of the data file that holds the same bytes wherever the data file could not be read is
// enough; appends since do not call for another.
std::string TMyDB::KeepDataCopy(const std::string& indexBytes) {
  std::vector<std::pair<int64_t, int64_t>> ranges = FFinding.UnclaimedRuns;
  TTuneRec r;
  for (const TBadRecord& b : FFinding.Bad)
    if (b.Has(TRecordFault::ArchiveMismatch)) {
      DecodeTuneRecInto(reinterpret_cast<const uint8_t*>(indexBytes.data()) +
                            static_cast<size_t>(b.RecNo - 1) * TuneRecSize,
                        r);
      ranges.push_back({r.Offset, static_cast<int64_t>(r.Offset) + r.Length});
    }
  constexpr int32_t Chunk = 1 << 20;
  std::string mine, theirs;
  auto read = [&](TStream& from, int64_t at, int32_t length, std::string& out) {
    out.resize(static_cast<size_t>(length));
    from.SetPosition(at);
    from.ReadBuffer(out.data(), length);
  };
  auto holds = [&](const std::string& copy) {
    TFileStream other(copy, fmOpenRead | fmShareDenyWrite);
    for (auto [begin, end] : ranges) {
      if (end > other.Size()) return false;
      for (int64_t at = begin; at < end; at += Chunk) {
        const int32_t length = static_cast<int32_t>(std::min<int64_t>(Chunk, end - at));
        read(*FDataFile, at, length, mine);
        read(other, at, length, theirs);
        if (mine != theirs) return false;
      }
    }
    return true;
  };
  std::string copy = FDataPath + DamagedCopySuffix;
  for (int i = 1; FOps->Exists(copy); ++i) {
    if (holds(copy)) return copy;
    copy = FDataPath + DamagedCopySuffix + "." + IntToStr(i);
  }
  auto out = FOps->Create(copy);
  try {
    for (int64_t at = 0; at < FDataSize; at += Chunk) {
      const int32_t length = static_cast<int32_t>(std::min<int64_t>(Chunk, FDataSize - at));
      read(*FDataFile, at, length, mine);
      out->WriteBuffer(mine.data(), length);
    }
    FOps->Commit(*out);
  } catch (...) {
    out.reset();
    FOps->Remove(copy);
    throw;
  }
  return copy;
}

// Keys of titles that could not be read are never given again: the cut record's, and those of the
// copies that earlier damage left (the titles may come back from them).
void TMyDB::NoteUnreadKeys(const std::string& indexBytes) {
  auto cutKey = [this](std::string_view bytes, int cut) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + bytes.size() - cut);
    if (cut >= 32 && p[5] == 1) ReserveKey(GetI32(p + 28));
  };
  if (!FFinding.NotRecords) cutKey(indexBytes, FFinding.CutBytes);
  constexpr uint32_t own = static_cast<uint32_t>(TRecordFault::NotRecord) |
                           static_cast<uint32_t>(TRecordFault::NameNotText) |
                           static_cast<uint32_t>(TRecordFault::OutOfRange);
  for (const std::string& path : DamagedCopies(FIndexPath, *FOps)) {
    std::string bytes;
    try {
      bytes = ReadWholeFile(path);
    } catch (const std::exception&) {
      continue;
    }
    TFileFinding f = CheckIndexFile(bytes, 0);
    if (f.NotRecords) continue;
    TTuneRec r;
    for (int n = 1; n <= f.Records; ++n) {
      DecodeTuneRecInto(reinterpret_cast<const uint8_t*>(bytes.data()) +
                            static_cast<size_t>(n - 1) * TuneRecSize,
                        r);
      if (r.Live && !(f.FaultsOf(n) & own)) ReserveKey(r.MasterKey);
    }
    cutKey(bytes, f.CutBytes);
  }
}

void TMyDB::NoteTitlesNamedElsewhere(const std::string& fileName, int titles) {
  if (!FLoaded || RecordCount() > 0 || titles <= 0) return;
  FFinding.NamedElsewhere.push_back({fileName, titles});
}

// --- records
// --------------------------------------------------------------------------------------

bool TMyDB::Usable(int n) const {
  return n >= 1 && n <= RecordCount() && FRecords[n - 1].Live && !FDamaged[n - 1];
}

bool TMyDB::ReadRecord(int n, TTuneRec& rec) const {
  if (n < 1 || n > RecordCount()) return false;
  rec = FRecords[n - 1];
  return true;
}

void TMyDB::WriteAt(int n, const TTuneRec& rec) {
  uint8_t bytes[TuneRecSize];
  EncodeTuneRec(rec, bytes);
  FIndexFile->SetPosition(static_cast<int64_t>(n - 1) * TuneRecSize);
  FIndexFile->WriteBuffer(bytes, TuneRecSize);
}

void TMyDB::InsertKey(int32_t recNo, int32_t key) {
  TIdIndexEntry e{recNo, key};
  auto at = std::upper_bound(FKeyIndex.begin(), FKeyIndex.end(), e,
                             [](const TIdIndexEntry& a, const TIdIndexEntry& b) {
                               return a.Key != b.Key ? a.Key < b.Key : a.RecNo < b.RecNo;
                             });
  FKeyIndex.insert(at, e);
}

void TMyDB::EraseKey(int32_t recNo, int32_t key) {
  auto at = std::lower_bound(FKeyIndex.begin(), FKeyIndex.end(), key,
                             [](const TIdIndexEntry& a, int32_t k) { return a.Key < k; });
  for (; at != FKeyIndex.end() && at->Key == key; ++at)
    if (at->RecNo == recNo) {
      FKeyIndex.erase(at);
      return;
    }
}

bool TMyDB::WriteRecord(const TTuneRec& rec, int n) {
  // Only a live title can be rewritten: reviving a deleted record could make two live titles
  // with one key, since a deleted title's key may have been given again.
  if (!FLoaded || !Usable(n)) return false;
  TTuneRec r = rec;
  const TTuneRec& old = FRecords[n - 1];
  r.RecNo = old.RecNo;
  r.Offset = old.Offset;
  r.Length = old.Length;
  r.Live = true;
  // What the file holds, cut to the rooms, is what memory holds.
  uint8_t bytes[TuneRecSize];
  EncodeTuneRec(r, bytes);
  r = DecodeTuneRec(bytes);
  WriteAt(n, r);
  if (r.MasterKey != old.MasterKey) {
    EraseKey(n, old.MasterKey);
    InsertKey(n, r.MasterKey);
  }
  const bool newOrigin = r.Origin != old.Origin;
  FRecords[n - 1] = r;
  if (newOrigin && FOriginIndexed) IndexOrigin(n);
  if (FAlbList) FAlbList->RefreshTune(r);
  return true;
}

bool TMyDB::DeleteRecord(int n, bool updateViews, bool updateCategory) {
  if (!FLoaded || n < 1 || n > RecordCount()) return false;
  TTuneRec& r = FRecords[n - 1];
  // Only a usable title has rows. A record deleted before may have had its key given again, and
  // the rows of that key now belong to the new title.
  bool hadRows = Usable(n);
  if (r.Live) {
    uint8_t dead = 0;
    FIndexFile->SetPosition(static_cast<int64_t>(n - 1) * TuneRecSize + 5);
    FIndexFile->WriteBuffer(&dead, 1);
    r.Live = false;
    if (FDamaged[n - 1])
      --FDamagedCount;
    else
      EraseKey(n, r.MasterKey);
    FDamaged[n - 1] = false;
  }
  FPackNeeded = true;
  if (updateViews && hadRows) {
    if (auto* all = AllGrid()) all->RemoveTuneRow(r.MasterKey);
    if (updateCategory) {
      int index;
      if (auto* g = CategoryGrid(r.CategoryKey, &index)) {
        g->RemoveTuneRow(r.MasterKey);
        FCatList->UpdateSummary(index);
      }
    }
    if (FCatList) FCatList->UpdateAllSummaries();
  }
  return true;
}

int TMyDB::IdToRecNo(int32_t key) const {
  auto at = std::lower_bound(FKeyIndex.begin(), FKeyIndex.end(), key,
                             [](const TIdIndexEntry& a, int32_t k) { return a.Key < k; });
  return at != FKeyIndex.end() && at->Key == key ? at->RecNo : 0;
}

int TMyDB::IdToRecNoByCrc(int32_t key, uint32_t crc) const {
  auto at = std::lower_bound(FKeyIndex.begin(), FKeyIndex.end(), key,
                             [](const TIdIndexEntry& a, int32_t k) { return a.Key < k; });
  std::vector<TKeyCandidate> candidates;
  const uint32_t shared = static_cast<uint32_t>(TRecordFault::DuplicateKey);
  for (; at != FKeyIndex.end() && at->Key == key; ++at)
    candidates.push_back(
        {at->RecNo, FRecords[at->RecNo - 1].Crc, (FFinding.FaultsOf(at->RecNo) & ~shared) == 0});
  return PickByCrc(candidates, crc);
}

bool TMyDB::FindById(int32_t key, TTuneRec& rec) const {
  int n = IdToRecNo(key);
  return n != 0 && ReadRecord(n, rec);
}

// Damaged titles count too: they are live in the file, and giving their key to a new title would
// make two live records with one key should the damaged one ever be mended.
int32_t TMyDB::MaxId() const {
  int32_t m = FKeyIndex.empty() ? 0 : std::max(0, FKeyIndex.back().Key);
  if (FDamagedCount > 0)
    for (int n = 1; n <= RecordCount(); ++n)
      if (FDamaged[n - 1] && FRecords[n - 1].Live) m = std::max(m, FRecords[n - 1].MasterKey);
  return m;
}

int32_t TMyDB::NextKey() const {
  int32_t m = std::max(MaxId(), FKeyFloor);
  if (m < INT32_MAX) return m + 1;
  // A corrupt record holds the top key; the next free key above 0 keeps keys unique.
  std::unordered_set<int32_t> used;
  for (const TTuneRec& r : FRecords)
    if (r.Live) used.insert(r.MasterKey);
  int32_t k = std::max(1, FKeyFloor < INT32_MAX ? FKeyFloor + 1 : 1);
  while (used.count(k))
    ++k;
  return k;
}

// Every import asks this, so the origins are indexed by their hash, built at the first question
// and kept up as records are added or rewritten. Entries of records deleted or rewritten since
// stay behind: each candidate is checked against the record itself.
bool TMyDB::FindIdByFileName(const std::string& name, int32_t& key) const {
  if (!FOriginIndexed) {
    FOriginIndex.reserve(FRecords.size());
    for (int n = 1; n <= RecordCount(); ++n)
      if (Usable(n)) IndexOrigin(n);
    FOriginIndexed = true;
  }
  int first = 0;
  auto range = FOriginIndex.equal_range(std::hash<std::string>()(name));
  for (auto it = range.first; it != range.second; ++it) {
    int n = it->second;
    if ((first == 0 || n < first) && Usable(n) && FRecords[n - 1].Origin == name) first = n;
  }
  if (first == 0) {
    key = -1;
    return false;
  }
  key = FRecords[first - 1].MasterKey;
  return true;
}

void TMyDB::IndexOrigin(int n) const {
  FOriginIndex.emplace(std::hash<std::string>()(FRecords[n - 1].Origin), n);
}

// --- views
// ----------------------------------------------------------------------------------------

TTuneGridView* TMyDB::AllGrid() const {
  return FCatList ? FCatList->AllTitlesGrid() : nullptr;
}

TTuneGridView* TMyDB::CategoryGrid(int32_t categoryKey, int* index) const {
  if (!FCatList) return nullptr;
  int i = FCatList->IndexOfKey(categoryKey);
  if (index) *index = i;
  return i < 0 ? nullptr : FCatList->Grid(i);
}

// --- changes
// --------------------------------------------------------------------------------------

void TMyDB::AppendTune(TTuneRec& rec, const std::string& archivePath, bool quiet) {
  if (!FLoaded) throw EDataError("The database is not open");
  TFileStream archive(archivePath, fmOpenRead | fmShareDenyWrite);
  int64_t length = archive.Size();
  int64_t offset = DataEnd(length);
  if (length > 0) FDataFile->CopyFrom(archive, length);
  AppendRecord(rec, offset, length, quiet);
}

void TMyDB::AppendTuneData(TTuneRec& rec, const std::string& archive, bool quiet) {
  if (!FLoaded) throw EDataError("The database is not open");
  int64_t length = static_cast<int64_t>(archive.size());
  int64_t offset = DataEnd(length);
  if (length > 0) FDataFile->WriteBuffer(archive.data(), static_cast<int32_t>(length));
  AppendRecord(rec, offset, length, quiet);
}

int64_t TMyDB::DataEnd(int64_t length) {
  int64_t offset = FDataFile->Seek(0, soEnd);
  if (offset < 0 || offset + length > INT32_MAX)
    throw EDataError("The database file " + FDataPath + " cannot take another title");
  return offset;
}

// The archive is in the data file before the record that points to it is written: a failure
// between the two leaves unreferenced bytes at the end, never a record pointing nowhere.
void TMyDB::AppendRecord(TTuneRec& rec, int64_t offset, int64_t length, bool quiet) {
  FDataSize = offset + length;
  KeepDamagedOut();

  // The new record goes right after the last whole record, even when a partial one trails it.
  int n = RecordCount() + 1;
  rec.Live = true;
  rec.RecNo = n;
  rec.Offset = static_cast<int32_t>(offset);
  rec.Length = static_cast<int32_t>(length);
  uint8_t bytes[TuneRecSize];
  EncodeTuneRec(rec, bytes);
  rec = DecodeTuneRec(bytes);
  WriteAt(n, rec);
  // A cut record stays behind the records until the user gives it up: it is what could not be
  // read of the title it began.
  if (!FIndexTail.empty())
    FIndexFile->WriteBuffer(FIndexTail.data(), static_cast<int32_t>(FIndexTail.size()));
  FRecords.push_back(rec);
  FDamaged.push_back(false);
  InsertKey(n, rec.MasterKey);
  if (FOriginIndexed) IndexOrigin(n);

  if (auto* all = AllGrid()) all->AddTuneRow(rec, !quiet);
  int index;
  if (auto* g = CategoryGrid(rec.CategoryKey, &index)) {
    g->AddTuneRow(rec, !quiet);
    if (!quiet) FCatList->UpdateSummary(index);
  }
  if (!quiet && FCatList) FCatList->UpdateAllSummaries();
}

// --- giving up what could not be read
// ----------------------------------------------------------------

void TMyDB::AcceptUnread() {
  if (!FLoaded || FAccepted || !FFinding.Damaged()) return;
  constexpr uint32_t mended = static_cast<uint32_t>(TRecordFault::NotRecord) |
                              static_cast<uint32_t>(TRecordFault::NameNotText) |
                              static_cast<uint32_t>(TRecordFault::OutOfRange);
  for (int n = 1; n <= RecordCount(); ++n) {
    if (!FRecords[n - 1].Live) continue;
    const uint32_t faults = FFinding.FaultsOf(n);
    if (FDamaged[n - 1] || (faults & static_cast<uint32_t>(TRecordFault::ArchiveMismatch))) {
      const int32_t key = FRecords[n - 1].MasterKey;
      const bool hadRows = Usable(n);
      DeleteRecord(n, true, true);
      // Album rows go with the title, unless another title keeps its key.
      if (hadRows && FAlbList && IdToRecNo(key) == 0) {
        TStringList keys;
        keys.Add(IntToStr(key));
        FAlbList->RemoveTunes(keys);
      }
    } else if (faults & mended) {
      MakeSound(n, faults);
    }
  }
  // A key below 1 or shared by several titles: each title but one gets a key of its own. The one
  // that album rows name keeps it, or else the first.
  std::vector<std::vector<int>> groups;
  for (size_t i = 0; i < FKeyIndex.size();) {
    size_t j = i;
    while (j < FKeyIndex.size() && FKeyIndex[j].Key == FKeyIndex[i].Key)
      ++j;
    if (j - i > 1 || FKeyIndex[i].Key < 1) {
      groups.emplace_back();
      for (size_t k = i; k < j; ++k)
        groups.back().push_back(FKeyIndex[k].RecNo);
    }
    i = j;
  }
  for (std::vector<int>& group : groups) {
    std::sort(group.begin(), group.end());
    const int32_t key = FRecords[group[0] - 1].MasterKey;
    int keeper = key < 1 ? 0 : group[0];
    for (int n : group)
      if (key >= 1 && FAlbList && FAlbList->HasRow(key, FRecords[n - 1].Crc)) {
        keeper = n;
        break;
      }
    for (int n : group)
      if (n != keeper) GiveNewKey(n);
  }
  if (!FIndexTail.empty()) {
    FIndexTail.clear();
    FIndexFile->SetSize(static_cast<int64_t>(RecordCount()) * TuneRecSize);
  }
  FAccepted = true;
  FPackNeeded = true;
  if (FCatList) {
    FCatList->ResortAll();
    FCatList->UpdateAllSummaries();
  }
}

// A readable title whose record holds what no record may: texts without control characters,
// unknown dates and counts as unknown, its record number its place.
void TMyDB::MakeSound(int n, uint32_t faults) {
  TTuneRec r = FRecords[n - 1];
  for (std::string* text : {&r.FileType, &r.TimeText, &r.CategoryName, &r.LastName, &r.FirstName,
                            &r.FullName, &r.Title, &r.Origin})
    for (char& c : *text)
      if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) c = ' ';
  if (!IsCatalogueDate(r.DateStamp)) r.DateStamp = 0;
  if (!IsCatalogueDate(r.DateObtained)) r.DateObtained = 0;
  if (r.Seconds < -1) r.Seconds = 0;
  if (r.Size < 0) r.Size = 0;
  if (faults & static_cast<uint32_t>(TRecordFault::OutOfRange)) FRecords[n - 1].RecNo = n;
  if (!WriteRecord(r, n)) return;
  if (auto* all = AllGrid()) all->UpdateTuneRow(FRecords[n - 1], false);
  if (auto* g = CategoryGrid(r.CategoryKey)) g->UpdateTuneRow(FRecords[n - 1], false);
}

// The rows of a title that shares its key are found by key alone: all rows of the key are taken
// out and put back for each title under its own key.
void TMyDB::GiveNewKey(int n) {
  const TTuneRec old = FRecords[n - 1];
  TTuneRec r = old;
  r.MasterKey = NextKey();
  std::vector<int> sharing;
  for (const TIdIndexEntry& e : FKeyIndex)
    if (e.Key == old.MasterKey) sharing.push_back(e.RecNo);
  std::vector<TTuneGridView*> grids = {AllGrid()};
  for (int m : sharing)
    grids.push_back(CategoryGrid(FRecords[m - 1].CategoryKey));
  std::sort(grids.begin(), grids.end());
  grids.erase(std::unique(grids.begin(), grids.end()), grids.end());
  for (TTuneGridView* g : grids)
    if (g)
      for (size_t i = 0; i < sharing.size(); ++i)
        g->RemoveTuneRow(old.MasterKey);
  WriteRecord(r, n);
  // Rows go along only when no title that keeps the key has the same CRC: else they are its.
  const bool own = std::none_of(sharing.begin(), sharing.end(), [&](int m) {
    return m != n && FRecords[m - 1].MasterKey == old.MasterKey && FRecords[m - 1].Crc == old.Crc;
  });
  if (FAlbList && own) FAlbList->RekeyRows(old.MasterKey, old.Crc, FRecords[n - 1]);
  for (int m : sharing) {
    const TTuneRec& now = FRecords[m - 1];
    if (auto* all = AllGrid()) all->AddTuneRow(now, false);
    if (auto* g = CategoryGrid(now.CategoryKey)) g->AddTuneRow(now, false);
  }
}

// A damaged record points past the end of the data file. Once the file grows past that point its
// range would hold another title's bytes, and at the next opening it would pass for a title; its
// offset is marked invalid instead (the rest of the record stays as it was).
void TMyDB::KeepDamagedOut() {
  if (FDamagedCount == 0) return;
  for (int n = 1; n <= RecordCount(); ++n) {
    TTuneRec& r = FRecords[n - 1];
    if (!FDamaged[n - 1] || r.Offset < 0 || r.Length < 0 ||
        static_cast<int64_t>(r.Offset) + r.Length > FDataSize)
      continue;
    uint8_t invalid[4];
    PutI32(invalid, -1);
    FIndexFile->SetPosition(static_cast<int64_t>(n - 1) * TuneRecSize + 12);
    FIndexFile->WriteBuffer(invalid, 4);
    r.Offset = -1;
  }
}

bool TMyDB::SetDuration(int32_t seconds, int32_t key) {
  int n = IdToRecNo(key);
  if (n == 0) return false;
  TTuneRec r = FRecords[n - 1];
  r.Seconds = seconds;
  r.TimeText = SecondsToTimeText(seconds);
  if (!WriteRecord(r, n)) return false;
  r = FRecords[n - 1];
  if (auto* all = AllGrid()) all->UpdateTuneRow(r, false);
  if (auto* g = CategoryGrid(r.CategoryKey)) g->UpdateTuneRow(r, false);
  if (FCatList) FCatList->UpdateAllSummaries();
  return true;
}

bool TMyDB::FileChange(const TTuneRec& rec, bool quiet) {
  int n = IdToRecNo(rec.MasterKey);
  if (n == 0) return false;
  const TTuneRec old = FRecords[n - 1];
  int index;
  if (old.CategoryKey != rec.CategoryKey) {
    if (auto* g = CategoryGrid(old.CategoryKey, &index)) {
      g->RemoveTuneRow(rec.MasterKey);
      FCatList->UpdateSummary(index);
    }
    if (auto* g = CategoryGrid(rec.CategoryKey, &index)) {
      g->AddTuneRow(rec, !quiet);
      if (!quiet) FCatList->UpdateSummary(index);
    }
  } else if (auto* g = CategoryGrid(rec.CategoryKey, &index)) {
    g->UpdateTuneRow(rec, !quiet);
    if (!quiet) FCatList->UpdateSummary(index);
  }
  if (auto* all = AllGrid()) all->UpdateTuneRow(rec, !quiet);
  return WriteRecord(rec, n);
}

void TMyDB::DeleteTunes(const TStringList& keys) {
  for (int i = 0; i < keys.Count(); ++i) {
    int key;
    if (TryStrToInt(Trim(keys[i]), key)) {
      int n = IdToRecNo(key);
      if (n) DeleteRecord(n, false, false);
    }
  }
}

int TMyDB::DeleteCategoryTunes(int32_t categoryKey, TStringList& keys) {
  keys.Clear();
  for (int n = 1; n <= RecordCount(); ++n)
    if (Usable(n) && FRecords[n - 1].CategoryKey == categoryKey) {
      // The caller takes the rows out of the grids in one pass.
      DeleteRecord(n, false, false);
      keys.Add(IntToStr(FRecords[n - 1].MasterKey));
    }
  return keys.Count();
}

int TMyDB::RenameCategoryInTunes(int32_t categoryKey, const std::string& name) {
  int count = 0;
  for (int n = 1; n <= RecordCount(); ++n)
    if (Usable(n) && FRecords[n - 1].CategoryKey == categoryKey) {
      TTuneRec r = FRecords[n - 1];
      r.CategoryName = CutToRoom(name, NameRoom);
      if (WriteRecord(r, n)) ++count;
    }
  return count;
}

int TMyDB::MoveCategoryTunes(int32_t fromKey, int32_t toKey, TTuneGridView* target,
                             const std::string& name) {
  int count = 0;
  if (target) target->BeginUpdate();
  for (int n = 1; n <= RecordCount(); ++n)
    if (Usable(n) && FRecords[n - 1].CategoryKey == fromKey) {
      TTuneRec r = FRecords[n - 1];
      r.CategoryKey = toKey;
      r.CategoryName = CutToRoom(name, NameRoom);
      if (WriteRecord(r, n)) {
        if (target) target->AddTuneRow(FRecords[n - 1], false);
        ++count;
      }
    }
  if (target) {
    target->EndUpdate();
    target->SortByColumn(0);
  }
  return count;
}

// Damaged titles are live too: their category and artist stay with them.
bool TMyDB::CategoryInUse(int32_t categoryKey) const {
  for (const TTuneRec& r : FRecords)
    if (r.Live && r.CategoryKey == categoryKey) return true;
  return false;
}

bool TMyDB::ArtistInUse(int32_t artistKey) const {
  for (const TTuneRec& r : FRecords)
    if (r.Live && r.PerformerKey == artistKey) return true;
  return false;
}

void TMyDB::UsedKeys(std::unordered_set<int32_t>* categories, std::unordered_set<int32_t>* artists,
                     bool readableOnly) const {
  for (int n = 1; n <= RecordCount(); ++n)
    if (readableOnly ? Usable(n) : FRecords[n - 1].Live) {
      if (categories) categories->insert(FRecords[n - 1].CategoryKey);
      if (artists) artists->insert(FRecords[n - 1].PerformerKey);
    }
}

void TMyDB::CountByCategory(std::unordered_map<int32_t, int>& counts) const {
  for (int n = 1; n <= RecordCount(); ++n)
    if (Usable(n)) ++counts[FRecords[n - 1].CategoryKey];
}

// --- stored archives
// ------------------------------------------------------------------------------

bool TMyDB::ExtractTuneData(const std::string& target, TTuneRec& rec, int32_t key) {
  int n = IdToRecNo(key);
  if (n == 0 || !FLoaded) return false;
  rec = FRecords[n - 1];
  if (!rec.Live) return false;
  try {
    TFileStream out(target, fmCreate);
    if (FDamaged[n - 1] || rec.Offset < 0 || rec.Length < 0 ||
        static_cast<int64_t>(rec.Offset) + rec.Length > FDataSize)
      return false;
    if (rec.Length == 0) return true;
    std::string archive(static_cast<size_t>(rec.Length), '\0');
    FDataFile->SetPosition(rec.Offset);
    FDataFile->ReadBuffer(archive.data(), rec.Length);
    // A flipped byte would otherwise be played, exported or mailed as if it were the title.
    if (std::string fault = StoredTitleFault(archive, rec.Crc); !fault.empty()) {
      TellDamagedTitle(n, fault);
      return false;
    }
    out.WriteBuffer(archive.data(), rec.Length);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TMyDB::ToldDamaged(int32_t key) const {
  int n = IdToRecNo(key);
  return n > 0 && FToldDamaged.count(n) > 0;
}

void TMyDB::TellDamagedTitle(int n, const std::string& fault) {
  if (!FToldDamaged.insert(n).second) return;
  const TTuneRec& r = FRecords[n - 1];
  FHost->ShowMessageBox("The stored title \"" + Trim(r.Title) + "\" (record " + IntToStr(n) +
                            " of " + ExtractFileName(FIndexPath) + ") is damaged: " + fault +
                            ".\r\n\r\nIt cannot be played, saved or mailed. Its bytes are kept "
                            "in " +
                            ExtractFileName(FDataPath) + " as they are.",
                        TMessageKind::Error, 0, TMessageButtons::OK);
}

bool TMyDB::ExportTune(int32_t key, const std::string& target, bool zip) {
  if (!FZipper) return false;
  FOps->Remove(target);
  // A sub-folder of its own: "TempTrash" itself gathers exported titles, and an entry unpacked
  // under its own name must not replace one of them.
  std::string workFolder = FFolder + "TempTrash\\Export";
  ForceDirectories(workFolder);
  std::string work = workFolder + "\\ForExport.zip";
  TTuneRec rec;
  bool ok = ExtractTuneData(work, rec, key);
  std::string message, extracted;
  if (ok) ok = FZipper->UnzipSingleFile(work, workFolder, message, extracted);
  if (ok) {
    ok = FOps->Rename(extracted, target);
    if (!ok) FOps->Remove(extracted);
  }
  if (ok && zip) {
    std::string mid = target + ".mid";
    if (FOps->Exists(mid)) FOps->Remove(mid);
    ok = FOps->Rename(target, mid) && FZipper->ZipOneFile(mid, target + ".zip");
    if (!ok) {
      FOps->Remove(target);
      FOps->Remove(target + ".zip");
    }
  }
  FOps->Remove(work);
  return ok;
}

// --- filling the grids
// ----------------------------------------------------------------------------

void TMyDB::FillGrid() {
  if (RecordCount() == 0) return;
  FHost->SetStatus("Loading database...", true);
  int live = 0;
  for (int n = 1; n <= RecordCount(); ++n)
    live += Usable(n);
  TTuneGridView* all = AllGrid();
  if (all) all->SetRowCount(live + 1);
  std::unordered_map<int32_t, TTuneGridView*> grids;
  if (FCatList) {
    FCatList->BeginUpdateAll();
    for (int i = 0; i < FCatList->Count(); ++i)
      if (auto* g = FCatList->Grid(i)) grids.emplace(FCatList->Items(i).Key, g);
  }
  FHost->ProgressStart(live);
  DWORD lastPump = GetTickCount();
  int k = 0;
  for (int n = 1; n <= RecordCount(); ++n) {
    if (Usable(n)) {
      const TTuneRec& r = FRecords[n - 1];
      if (all) all->SetTuneRow(r, ++k);
      auto g = grids.find(r.CategoryKey);
      if (g != grids.end()) g->second->AddTuneRow(r, false);
    }
    // Every 20 records the bar moves and the windows get their messages, but no more often than
    // a screen can show: each round of messages costs a trip to the window system.
    if (n % 20 == 0 && GetTickCount() - lastPump >= PumpIntervalMs) {
      FHost->ProgressPosition(std::min(n, live));
      LetMessagesRun();
      lastPump = GetTickCount();
    }
  }
  FHost->ProgressPosition(live);
  if (FCatList) FCatList->EndUpdateAll();
  FHost->SetStatus("Done", false);
  FHost->ProgressDone();
}

// --- failed saves
// --------------------------------------------------------------------------------

void TMyDB::TellSaveFailure(const std::string& text) {
  if (FSaveHolds == 0) {
    FHost->ShowMessageBox(text, TMessageKind::Error, 0, TMessageButtons::OK);
    return;
  }
  if (std::find(FHeldFailures.begin(), FHeldFailures.end(), text) == FHeldFailures.end())
    FHeldFailures.push_back(text);
}

void TMyDB::ForgetHeldFailure(const std::string& text) {
  FHeldFailures.erase(std::remove(FHeldFailures.begin(), FHeldFailures.end(), text),
                      FHeldFailures.end());
}

void TMyDB::ReleaseSaveFailures() {
  if (FSaveHolds == 0 || --FSaveHolds > 0 || FHeldFailures.empty()) return;
  std::string text;
  for (const std::string& failure : FHeldFailures)
    text += failure + "\r\n";
  FHeldFailures.clear();
  FHost->ShowMessageBox(text + "\r\nThe changes are kept and will be written at the next save; "
                               "the files stay as they were until then.",
                        TMessageKind::Error, 0, TMessageButtons::OK);
}

// --- packing
// --------------------------------------------------------------------------------------

bool TMyDB::CopyPacked(int& deleted, int& kept, const std::string& workIndex,
                       const std::string& workData, std::string& failure) {
  try {
    auto index = FOps->Create(workIndex);
    auto data = FOps->Create(workData);
    std::vector<uint8_t> archive;
    uint8_t bytes[TuneRecSize];
    DWORD lastPump = GetTickCount();
    for (int i = 0; i < RecordCount(); ++i) {
      TTuneRec r = FRecords[i];
      if (!r.Live) {
        ++deleted;
      } else {
        if (!FDamaged[i]) {
          // Checked again here: the offset and length come from the file.
          if (r.Offset < 0 || r.Length < 0 || static_cast<int64_t>(r.Offset) + r.Length > FDataSize)
            throw EDataError("title record " + IntToStr(i + 1) + " points outside the data file");
          archive.resize(static_cast<size_t>(r.Length));
          FDataFile->SetPosition(r.Offset);
          FDataFile->ReadBuffer(archive.data(), r.Length);
          int64_t at = data->Position();
          if (at + r.Length > INT32_MAX) throw EDataError("the packed data file would be too big");
          data->WriteBuffer(archive.data(), r.Length);
          r.Offset = static_cast<int32_t>(at);
        }
        // A damaged record goes over as it is: it still points nowhere valid, since the packed
        // data file is never longer than the old one.
        EncodeTuneRec(r, bytes);
        index->WriteBuffer(bytes, TuneRecSize);
        ++kept;
      }
      if (i % 50 == 0 && GetTickCount() - lastPump >= PumpIntervalMs) {
        FHost->ProgressPosition(i + 1);
        LetMessagesRun();
        lastPump = GetTickCount();
      }
    }
    FHost->ProgressPosition(RecordCount());
    FOps->Commit(*index);
    FOps->Commit(*data);
    return true;
  } catch (const std::exception& e) {
    failure = e.what();
    return false;
  }
}

// Sets the old pair aside, renames the work pair in and deletes the old pair. On a failure every
// step done is undone in reverse order; when an undo fails too, the files are left for the
// recovery at the next opening, which can always tell the newest complete pair.
TMyDB::TSwap TMyDB::SwapIn(const std::string& workIndex, const std::string& workData,
                           std::string& failure) {
  const std::string asideIndex = FFolder + AsideIndexName + PackExt;
  const std::string asideData = FFolder + AsideDataName + PackExt;
  FIndexFile.reset();
  FDataFile.reset();
  const std::pair<std::string, std::string> steps[4] = {{FIndexPath, asideIndex},
                                                        {FDataPath, asideData},
                                                        {workIndex, FIndexPath},
                                                        {workData, FDataPath}};
  const char* const failures[4] = {
      "could not set aside the title index", "could not set aside the title data",
      "could not rename infotempfile", "could not rename datatempfile"};
  for (int i = 0; i < 4; ++i) {
    if (FOps->Rename(steps[i].first, steps[i].second)) continue;
    failure = failures[i];
    for (int j = i - 1; j >= 0; --j)
      if (!FOps->Rename(steps[j].second, steps[j].first)) return TSwap::Stuck;
    return TSwap::RolledBack;
  }
  // The new pair is in place. Should a delete fail, the next opening moves the file to BackUp.
  FOps->Remove(asideIndex);
  FOps->Remove(asideData);
  return TSwap::Done;
}

bool TMyDB::Pack(int& deleted, int& kept) {
  deleted = 0;
  kept = RecordCount();
  // A stored title found damaged keeps Music.dax as it is too, byte for byte, for mending.
  if (!FLoaded || !FPackNeeded || OpenedDamaged() || !FToldDamaged.empty()) return true;
  int64_t needed = static_cast<int64_t>(1.25 * static_cast<double>(FDataSize + FIndexFile->Size()));
  int64_t free = FOps->Free(FFolder);
  if (free >= 0 && free < needed) {
    FHost->ShowMessageBox("Insufficient free space on " + DriveOf(FFolder) +
                              " to pack database!\r\n\r\nNo data has been lost, but you should "
                              "clear some space on your system after Tonalbrook closes.",
                          TMessageKind::Error, 0, TMessageButtons::OK);
    return false;
  }
  kept = 0;
  const std::string workIndex = FFolder + PackIndexName + PackExt;
  const std::string workData = FFolder + PackDataName + PackExt;
  FHost->SetStatus("Packing database...", false);
  FHost->ProgressStart(RecordCount());
  std::string failure;
  TSwap swap = TSwap::RolledBack;
  if (CopyPacked(deleted, kept, workIndex, workData, failure))
    swap = SwapIn(workIndex, workData, failure);
  bool ok = swap == TSwap::Done;
  FHost->ProgressDone();
  if (!ok) {
    if (swap == TSwap::RolledBack) {
      FOps->Remove(workIndex);
      FOps->Remove(workData);
    }
    deleted = 0;
    kept = RecordCount();
    FHost->SetStatus("Error packing!", false);
    FHost->ShowMessageBox(failure + "\r\n\r\nThe database was not packed; no data has been lost.",
                          TMessageKind::Error, 0, TMessageButtons::OK);
  } else {
    FHost->SetStatus("Done", false);
  }
  // Open again: after a pack the records sit at new offsets; after a failure the files were
  // closed for the swap.
  FQuietReopen = true;
  try {
    Open(FIndexPath);
  } catch (const std::exception& e) {
    // The files are as recovery left them; the next opening sorts them out.
    Close();
    FHost->ShowMessageBox(e.what(), TMessageKind::Error, 0, TMessageButtons::OK);
    ok = false;
  }
  FQuietReopen = false;
  return ok;
}
