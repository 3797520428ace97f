// The category, artist and album lists: whole-file load and save, keys, lookups and summaries.
#include "DataCodeD2.h"
#include "Bytes.h"
#include "Handles.h"
#include "Messages.h"
#include "TimeText.h"
#include <algorithm>
#include <climits>
#include <optional>
#include <unordered_map>

std::string ReadWholeFile(const std::string& path) {
  TFileStream f(path, fmOpenRead | fmShareDenyWrite);
  int64_t size = f.Size();
  if (size > INT_MAX) throw EReadError("\"" + path + "\" is too big");
  std::string bytes(static_cast<size_t>(size), '\0');
  f.ReadBuffer(bytes.data(), static_cast<int32_t>(size));
  return bytes;
}

void TListFile::Write(const std::string& path, const std::string& records, TFileOps& ops) {
  std::string bytes = Accepted ? records : records + Tail;
  if (bytes == OnDisk && ops.Exists(path)) return;
  WriteFileSafely(path, bytes, ops);
  OnDisk = std::move(bytes);
}

namespace {

const uint8_t* At(const std::string& bytes, size_t offset) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
}

// The highest key of a list's records, 0 for none.
template <class TRec> int32_t HighestKey(const std::vector<TRec>& items) {
  int32_t m = 0;
  for (const auto& r : items)
    m = std::max(m, r.Key);
  return m;
}

// A list's records back to back, as its file holds them.
template <class TRec>
std::string EncodeAll(const std::vector<TRec>& items, size_t size,
                      void (*encode)(const TRec&, uint8_t*)) {
  std::string bytes(items.size() * size, '\0');
  for (size_t i = 0; i < items.size(); ++i)
    encode(items[i], reinterpret_cast<uint8_t*>(bytes.data()) + i * size);
  return bytes;
}

constexpr size_t ListNameAt = 16; // of a category's or album's name in its record

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

std::vector<std::string> DamagedCopies(const std::string& path, TFileOps& ops) {
  std::vector<std::string> copies;
  std::string copy = path + DamagedCopySuffix;
  for (int i = 1; ops.Exists(copy); ++i) {
    copies.push_back(copy);
    copy = path + DamagedCopySuffix + "." + IntToStr(i);
  }
  return copies;
}

std::string DamagedCopyName(const std::string& path, const std::string& bytes,
                            const std::vector<std::string_view>& parts, TFileOps& ops) {
  std::vector<std::string> copies = DamagedCopies(path, ops);
  for (const std::string& copy : copies) {
    std::string kept;
    try {
      kept = ReadWholeFile(copy);
    } catch (const std::exception&) {
      continue;
    }
    if (parts.empty() ? kept == bytes : std::all_of(parts.begin(), parts.end(), [&](auto part) {
          return kept.find(part) != std::string::npos;
        }))
      return copy;
  }
  std::string name = path + DamagedCopySuffix;
  if (!copies.empty()) {
    name += '.';
    name += IntToStr(static_cast<int>(copies.size()));
  }
  return name;
}

std::string KeepDamagedCopy(const std::string& path, const std::string& bytes, TFileOps& ops,
                            const std::vector<std::string_view>& parts) {
  std::string copy = DamagedCopyName(path, bytes, parts, ops);
  if (!ops.Exists(copy)) WriteFileSafely(copy, bytes, ops);
  return copy;
}

namespace {
int RecSizeOf(TCatalogueFileKind kind) {
  switch (kind) {
  case TCatalogueFileKind::Artists:
    return PerfRecSize;
  case TCatalogueFileKind::Albums:
    return AlbRecSize;
  case TCatalogueFileKind::Categories:
    return CatRecSize;
  default:
    return TuneRecSize;
  }
}

// A list file checked as read: a damaged one is copied aside before anything can change it.
TFileFinding CheckedList(TCatalogueFileKind kind, const std::string& path, const std::string& bytes,
                         TFileOps& ops, const std::vector<int32_t>* albumKeys = nullptr) {
  TFileFinding f = kind == TCatalogueFileKind::AlbumTitles ? CheckAlbumTitlesFile(bytes, albumKeys)
                                                           : CheckListFile(kind, bytes);
  if (f.Damaged())
    f.Copies.push_back(
        ExtractFileName(KeepDamagedCopy(path, bytes, ops, UnreadParts(f, bytes, RecSizeOf(kind)))));
  return f;
}

// Copies a list file for the entries only unread titles use, unless a copy holds them already.
void KeepEvidence(const std::string& path, const TListFile& file,
                  const std::vector<std::string_view>& entries, TFileFinding& finding,
                  TFileOps& ops) {
  if (entries.empty()) return;
  std::string name = ExtractFileName(KeepDamagedCopy(path, file.OnDisk, ops, entries));
  if (std::find(finding.Copies.begin(), finding.Copies.end(), name) == finding.Copies.end())
    finding.Copies.push_back(name);
}

// A name as the user may see it: control characters become blanks.
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) c = ' ';
  return text;
}

// The indexes of entries without a key of their own: a key below 1, or one an earlier entry has.
template <class TRec> std::vector<int> KeylessEntries(const std::vector<TRec>& items) {
  std::vector<int> out;
  std::unordered_set<int32_t> seen;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].Key < 1 || !seen.insert(items[i].Key).second) out.push_back(static_cast<int>(i));
  return out;
}
} // namespace

TTitleRanks::TTitleRanks(const std::vector<int32_t>& keysInRowOrder) {
  if (keysInRowOrder.empty()) return;
  auto [low, high] = std::minmax_element(keysInRowOrder.begin(), keysInRowOrder.end());
  const int64_t span = static_cast<int64_t>(*high) - *low + 1;
  if (span <= 4 * static_cast<int64_t>(keysInRowOrder.size()) + 1024) {
    FLow = *low;
    FDense.assign(static_cast<size_t>(span), -1);
    for (size_t i = keysInRowOrder.size(); i-- > 0;)
      FDense[static_cast<size_t>(keysInRowOrder[i] - FLow)] = static_cast<int>(i);
  } else {
    for (size_t i = keysInRowOrder.size(); i-- > 0;)
      FSparse[keysInRowOrder[i]] = static_cast<int>(i);
  }
}

int TTitleRanks::Of(int32_t key) const {
  if (!FDense.empty()) {
    const int64_t at = static_cast<int64_t>(key) - FLow;
    return at >= 0 && at < static_cast<int64_t>(FDense.size()) ? FDense[static_cast<size_t>(at)]
                                                               : -1;
  }
  auto found = FSparse.find(key);
  return found == FSparse.end() ? -1 : found->second;
}

std::string SummaryDurationText(int64_t seconds) {
  return seconds < 1 ? "0:00" : SecondsToTimeText(Clamp32(seconds));
}

std::string SummaryLine(int count, int64_t seconds, int64_t bytes) {
  std::string first = count == 1 ? "1 title  ---  " : IntToStr(count) + " titles  ---  ";
  return first + SummaryDurationText(seconds) + "  ---  " +
         Trim(FormatThousands(static_cast<double>(bytes) * 0.001)) + "kb";
}

// --- categories
// -----------------------------------------------------------------------------------

TCatList::TCatList(const std::string& programFolder, TFileOps* ops)
    : FProgramFolder(IncludeTrailingBackslash(programFolder)), FOps(ops ? ops : &DefaultFileOps()) {
}

void TCatList::LoadFromFile(const std::string& name, TCategoryArea* area) {
  FFilePath = FProgramFolder + name + IndexExt;
  FArea = area;
  FItems.clear();
  FLoadedCounts.clear();
  FUnsavedKeys.clear();
  FLoaded = false;
  FFinding = TFileFinding();
  FFile = TListFile();
  if (!FOps->Exists(FFilePath)) WriteFileSafely(FFilePath, "", *FOps);
  if (auto* all = AllTitlesGrid()) {
    all->SetCanSort(true);
    all->SetCanDragRows(false);
  }
  std::string bytes = ReadWholeFile(FFilePath);
  FFinding = CheckedList(TCatalogueFileKind::Categories, FFilePath, bytes, *FOps);
  FFile.OnDisk = bytes;
  // Another file in its place: no pages are made of it and it is never written over.
  if (FFinding.NotRecords) return;
  size_t count = bytes.size() / CatRecSize;
  FFile.Tail = bytes.substr(count * CatRecSize);
  FItems.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    TCatRec r = DecodeCatRec(At(bytes, i * CatRecSize));
    r.View = FArea ? FArea->CreateCategoryPage(r.Name, r.Key) : nullptr;
    FLoadedCounts.emplace(r.Key, r);
    FItems.push_back(r);
  }
  SortByName();
  FLoaded = true;
}

int TCatList::CountedTitles() const {
  int64_t n = 0;
  for (const TCatRec& r : FItems)
    n += std::max(0, r.Titles);
  return Clamp32(n);
}

namespace {
// A list that could not be read must not be written back from what little it holds.
void RequireLoaded(bool loaded, const std::string& path) {
  if (!loaded) throw EDataError("\"" + path + "\" could not be read, so it is left as it is");
}

// A user's change whose list file cannot be replaced stays in the window and the former file on
// the disk: the user is told, and the next save writes everything. Without a store there is no
// one to tell, so the caller hears of it.
void SaveTelling(TMyDB* store, const std::function<void()>& save) {
  try {
    save();
  } catch (const std::exception& e) {
    if (!store) throw;
    store->TellSaveFailure(e.what());
  }
}
} // namespace

void TCatList::SortByName() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const TCatRec& a, const TCatRec& b) {
    return CompareText(a.Name, b.Name) < 0;
  });
}

void TCatList::SaveToFile() {
  if (!FLoaded) return;
  std::vector<TCatRec> items = FItems;
  // While titles a category counted cannot be read, it keeps the counts it was loaded with: the
  // next start must still see that they are missing.
  if (FStore && FStore->OpenedDamaged())
    for (TCatRec& r : items) {
      auto loaded = FLoadedCounts.find(r.Key);
      if (loaded != FLoadedCounts.end() && loaded->second.Titles > r.Titles) {
        r.Titles = loaded->second.Titles;
        r.Seconds = loaded->second.Seconds;
        r.Bytes = loaded->second.Bytes;
      }
    }
  FFile.Write(FFilePath, EncodeAll(items, CatRecSize, EncodeCatRec), *FOps);
  FUnsavedKeys.clear();
}

void TCatList::KeepCopyOfUnread() {
  if (!FStore || !FStore->OpenedDamaged() || !FLoaded) return;
  // A category that counted more titles than the store could read names titles that are missing.
  std::unordered_map<int32_t, int> live;
  FStore->CountByCategory(live);
  std::vector<std::string_view> entries;
  const std::string& bytes = FFile.OnDisk;
  for (size_t at = 0; at + CatRecSize <= bytes.size(); at += CatRecSize) {
    TCatRec r = DecodeCatRec(At(bytes, at));
    if (r.Titles > live[r.Key])
      entries.push_back(std::string_view(bytes).substr(at + ListNameAt, NameRoom + 1));
  }
  if (!FFile.Tail.empty()) entries.push_back(FFile.Tail);
  KeepEvidence(FFilePath, FFile, entries, FFinding, *FOps);
}

void TCatList::AcceptUnread() {
  FFile.Accepted = true;
  FFile.Tail.clear();
  if (!FLoaded) {
    FItems.clear();
    FLoaded = true;
  }
  std::vector<int> keyless = KeylessEntries(FItems);
  for (auto i = keyless.rbegin(); i != keyless.rend(); ++i)
    RemovePage(*i);
  for (TCatRec& r : FItems)
    r.Name = Printable(r.Name);
  FLoadedCounts.clear();
  SaveTelling(FStore, [this] { SaveToFile(); });
}

int32_t TCatList::MaxKey() const {
  return HighestKey(FItems);
}

int TCatList::IndexOfKey(int32_t key) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Key == key) return static_cast<int>(i);
  return -1;
}

std::string TCatList::GetCategoryName(int32_t key) const {
  int i = IndexOfKey(key);
  return i < 0 ? std::string() : FItems[i].Name;
}

int32_t TCatList::FindCategory(const std::string& name) const {
  for (const auto& r : FItems)
    if (r.Name == name) return r.Key;
  return 0;
}

namespace {
// A name as a list stores it: trimmed, cut to the room, and trimmed again after the cut. Lookups
// use the same form, or a long or padded name would add a new entry every time.
std::string StoredName(const std::string& name) {
  return Trim(CutToRoom(Trim(name), NameRoom));
}
} // namespace

int32_t TCatList::FindOrAddCategory(const std::string& name) {
  std::string stored = StoredName(name);
  int32_t key = FindCategory(stored);
  if (key) return key;
  RequireLoaded(FLoaded, FFilePath);
  TCatRec r;
  r.Key = MaxKey() + 1;
  r.Name = stored;
  r.View = FArea ? FArea->CreateCategoryPage(r.Name, r.Key) : nullptr;
  FItems.push_back(r);
  FUnsavedKeys.insert(r.Key);
  SaveTelling(FStore, [this] { SaveToFile(); });
  return r.Key;
}

TTuneGridView* TCatList::Grid(int index) const {
  if (index < 0 || index >= Count() || !FItems[index].View) return nullptr;
  return &FItems[index].View->Grid();
}

void TCatList::FillNameKeyLists(TStringList& names, TStringList& keys) {
  SortByName();
  names.Clear();
  keys.Clear();
  for (const auto& r : FItems) {
    names.Add(r.Name);
    keys.Add(IntToStr(r.Key));
  }
}

bool TCatList::RemoveUnused() {
  // Which categories are used is known only from a store that opened whole.
  if (FItems.empty() || !FStore || !FStore->Loaded() || FStore->OpenedDamaged() || !FLoaded)
    return false;
  std::unordered_set<int32_t> used;
  FStore->UsedKeys(&used, nullptr);
  for (int i = Count() - 1; i >= 0; --i)
    if (!used.count(FItems[i].Key) || Trim(FItems[i].Name).empty())
      FItems.erase(FItems.begin() + i);
  SaveToFile();
  return true;
}

void TCatList::BeginUpdateAll() {
  if (auto* all = AllTitlesGrid()) all->BeginUpdate();
  for (int i = 0; i < Count(); ++i)
    if (auto* g = Grid(i)) g->BeginUpdate();
}

void TCatList::EndUpdateAll() {
  TTuneGridView* all = AllTitlesGrid();
  std::optional<TTitleRanks> order;
  if (all) {
    all->EndUpdate();
    all->FitAllColumns();
    all->SortByColumn(0);
    all->SelectFirstRow();
    // A category's titles stand in the all-titles grid in their category's order already.
    order.emplace(all->KeysInRowOrder());
  }
  for (int i = 0; i < Count(); ++i) {
    TTuneGridView* g = Grid(i);
    if (!g) continue;
    g->EndUpdate();
    if (order)
      g->SortByColumnInOrder(0, *order);
    else
      g->SortByColumn(0);
    g->SelectFirstRow();
    // A category grid has no category column: its column c is the all-titles grid's c + 1.
    if (all)
      for (int c = 0; c < g->ColCount() && c + 1 < all->ColCount(); ++c)
        g->SetColWidth(c, all->ColWidth(c + 1));
  }
  UpdateAllSummaries();
}

void TCatList::UpdateSummary(int index) {
  TTuneGridView* g = Grid(index);
  if (!g) return;
  TCatRec& r = FItems[index];
  r.Titles = g->TuneCount();
  r.Seconds = Clamp32(g->TotalSeconds());
  r.Bytes = Clamp32(g->TotalBytes());
  r.View->SetSummary(SummaryLine(r.Titles, g->TotalSeconds(), g->TotalBytes()));
}

void TCatList::UpdateAllTitlesSummary() {
  if (TTuneGridView* all = AllTitlesGrid())
    FArea->SetAllTitlesSummary(
        SummaryLine(all->TuneCount(), all->TotalSeconds(), all->TotalBytes()));
}

void TCatList::UpdateAllSummaries() {
  UpdateAllTitlesSummary();
  for (int i = 0; i < Count(); ++i)
    UpdateSummary(i);
}

// --- categories: the views
// -------------------------------------------------------------------------

int TCatList::ActivePageIndex() const {
  return FArea ? FArea->ActivePageIndex() : -1;
}

int TCatList::PageIndexOfKey(int32_t key) const {
  int i = IndexOfKey(key);
  return i < 0 || !FArea || !FItems[i].View ? -1 : FArea->PageIndexOf(FItems[i].View);
}

int TCatList::ActiveIndex() const {
  int page = ActivePageIndex();
  if (page <= 0) return -1;
  for (int i = 0; i < Count(); ++i)
    if (FItems[i].View && FArea->PageIndexOf(FItems[i].View) == page) return i;
  return -1;
}

TTuneGridView* TCatList::ActiveGrid() const {
  int i = ActiveIndex();
  return i >= 0 ? Grid(i) : AllTitlesGrid();
}

void TCatList::FocusActiveGrid() {
  if (TTuneGridView* g = ActiveGrid()) g->Focus();
}

void TCatList::ResortAll() {
  if (TTuneGridView* all = AllTitlesGrid()) all->Resort();
  for (int i = 0; i < Count(); ++i)
    if (TTuneGridView* g = Grid(i)) g->Resort();
}

void TCatList::DeleteTitles(const TStringList& keys) {
  if (FStore) {
    FStore->DeleteTunes(keys);
    if (FStore->AlbList()) FStore->AlbList()->RemoveTunes(keys);
  }
  if (Count() == 0) return;
  if (TTuneGridView* all = AllTitlesGrid()) {
    all->PurgeKeys(keys);
    UpdateAllTitlesSummary();
  }
  for (int i = 0; i < Count(); ++i)
    if (TTuneGridView* g = Grid(i)) {
      g->PurgeKeys(keys);
      UpdateSummary(i);
    }
}

void TCatList::RemovePage(int index) {
  TCatRec r = FItems[index];
  FItems.erase(FItems.begin() + index);
  if (FArea && r.View) {
    // The first page becomes active while the page still exists, so the change is reported.
    FArea->SetActivePageIndex(0);
    FArea->DeleteCategoryPage(r.View);
  }
}

void TCatList::DeleteCategory(int32_t key, const std::function<void(int32_t)>& perKey) {
  int index = IndexOfKey(key);
  if (index < 0) return;
  TStringList keys;
  if (FStore && FStore->DeleteCategoryTunes(key, keys) > 0) {
    if (perKey)
      for (int i = 0; i < keys.Count(); ++i)
        perKey(StrToIntDef(keys[i], 0));
    if (TTuneGridView* all = AllTitlesGrid()) {
      all->RemoveTuneRows(keys);
      UpdateAllTitlesSummary();
    }
    if (FStore->AlbList()) FStore->AlbList()->RemoveTunes(keys);
  }
  RemovePage(index);
  SaveTelling(FStore, [this] { SaveToFile(); });
}

void TCatList::DeleteActiveCategory(const std::function<void(int32_t)>& perKey) {
  int i = ActiveIndex();
  if (i < 0) return;
  DeleteCategory(FItems[i].Key, perKey);
  UpdateAllTitlesSummary();
}

void TCatList::RenameCategory(int32_t key, const std::string& newName) {
  std::string name = StoredName(newName);
  int index = IndexOfKey(key);
  if (index < 0 || name.empty() || name == FItems[index].Name) return;
  int target = IndexOfKey(FindCategory(name));
  if (target >= 0 && target != index) {
    // Merge: the titles move to the category that has the name already.
    int32_t targetKey = FItems[target].Key;
    TTuneGridView* targetGrid = Grid(target);
    if (FStore && FStore->MoveCategoryTunes(key, targetKey, targetGrid, name) > 0)
      if (TTuneGridView* all = AllTitlesGrid()) all->MoveToCategory(key, targetKey, name);
    UpdateSummary(target);
    DeleteCategory(key);
    return;
  }
  if (FStore && FStore->RenameCategoryInTunes(key, name) > 0)
    if (TTuneGridView* all = AllTitlesGrid()) all->RenameCategory(key, name);
  FItems[index].Name = name;
  if (FArea && FItems[index].View)
    FArea->RelabelCategoryPage(FItems[index].View, "  " + name + "  ",
                               "View all \"" + name + "\" titles");
  SaveTelling(FStore, [this] { SaveToFile(); });
}

void TCatList::RenameActiveCategory(const std::string& newName) {
  int i = ActiveIndex();
  if (i >= 0) RenameCategory(FItems[i].Key, newName);
}

// --- artists
// --------------------------------------------------------------------------------------

TPerfList::TPerfList(const std::string& programFolder, TFileOps* ops)
    : FProgramFolder(IncludeTrailingBackslash(programFolder)), FOps(ops ? ops : &DefaultFileOps()) {
}

void TPerfList::LoadFromFile(const std::string& name) {
  FFilePath = FProgramFolder + name + IndexExt;
  FItems.clear();
  FUnsavedKeys.clear();
  FLoaded = false;
  FFinding = TFileFinding();
  FFile = TListFile();
  if (FOps->Exists(FFilePath)) {
    std::string bytes = ReadWholeFile(FFilePath);
    FFinding = CheckedList(TCatalogueFileKind::Artists, FFilePath, bytes, *FOps);
    FFile.OnDisk = bytes;
    // Another file in its place is never written over.
    if (FFinding.NotRecords) return;
    size_t count = bytes.size() / PerfRecSize;
    FFile.Tail = bytes.substr(count * PerfRecSize);
    FItems.reserve(count);
    for (size_t i = 0; i < count; ++i)
      FItems.push_back(DecodePerfRec(At(bytes, i * PerfRecSize)));
    SortByLastName();
  }
  FLoaded = true;
}

void TPerfList::SortByLastName() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const TPerfRec& a, const TPerfRec& b) {
    return CompareText(a.LastName, b.LastName) < 0;
  });
}

void TPerfList::SaveToFile() {
  if (!FLoaded) return;
  FFile.Write(FFilePath, EncodeAll(FItems, PerfRecSize, EncodePerfRec), *FOps);
  FUnsavedKeys.clear();
}

void TPerfList::KeepCopyOfUnread() {
  if (!FStore || !FStore->OpenedDamaged() || !FLoaded) return;
  // An artist no readable title carries may be an unread title's.
  std::unordered_set<int32_t> used;
  FStore->UsedKeys(nullptr, &used, true);
  std::vector<std::string_view> entries;
  const std::string& bytes = FFile.OnDisk;
  for (size_t at = 0; at + PerfRecSize <= bytes.size(); at += PerfRecSize)
    if (!used.count(DecodePerfRec(At(bytes, at)).Key))
      entries.push_back(std::string_view(bytes).substr(at, PerfRecSize));
  if (!FFile.Tail.empty()) entries.push_back(FFile.Tail);
  KeepEvidence(FFilePath, FFile, entries, FFinding, *FOps);
}

void TPerfList::AcceptUnread() {
  FFile.Accepted = true;
  FFile.Tail.clear();
  if (!FLoaded) {
    FItems.clear();
    FLoaded = true;
  }
  std::vector<int> keyless = KeylessEntries(FItems);
  for (auto i = keyless.rbegin(); i != keyless.rend(); ++i)
    FItems.erase(FItems.begin() + *i);
  for (TPerfRec& r : FItems) {
    r.FirstName = Printable(r.FirstName);
    r.LastName = Printable(r.LastName);
    r.FullName = Printable(r.FullName);
  }
  SaveTelling(FStore, [this] { SaveToFile(); });
}

int32_t TPerfList::MaxKey() const {
  return HighestKey(FItems);
}

void TPerfList::GetPerformerNames(int32_t key, std::string& first, std::string& last) const {
  for (const auto& r : FItems)
    if (r.Key == key) {
      first = r.FirstName;
      last = r.LastName;
      return;
    }
  first.clear();
  last.clear();
}

int32_t TPerfList::FindPerformer(const std::string& first, const std::string& last) const {
  for (const auto& r : FItems)
    if (SameText(r.LastName, last) && SameText(r.FirstName, first)) return r.Key;
  return 0;
}

int32_t TPerfList::FindOrAddPerformer(const std::string& first, const std::string& last) {
  // Looked up as they would be stored, or over-long names would add the artist every time.
  int32_t key = FindPerformer(CutToRoom(first, NameRoom), CutToRoom(last, NameRoom));
  if (key) return key;
  RequireLoaded(FLoaded, FFilePath);
  TPerfRec r;
  r.Key = MaxKey() + 1;
  r.FirstName = CutToRoom(first, NameRoom);
  r.LastName = CutToRoom(last, NameRoom);
  r.FullName = CutToRoom(MakeFullName(first, last), FullNameRoom);
  FItems.push_back(r);
  FUnsavedKeys.insert(r.Key);
  // The artist stays in memory when the file cannot be written, and the next save of the list
  // writes it; until then no title takes it (a title is stored with its lists or not at all).
  SaveTelling(FStore, [this] { SaveToFile(); });
  return r.Key;
}

void TPerfList::FillNameKeyLists(TStringList& firsts, TStringList& lasts, TStringList& keys) {
  SortByLastName();
  firsts.Clear();
  lasts.Clear();
  keys.Clear();
  for (const auto& r : FItems) {
    firsts.Add(r.FirstName);
    lasts.Add(r.LastName);
    keys.Add(IntToStr(r.Key));
  }
}

bool TPerfList::RemoveUnused() {
  if (FItems.empty() || !FStore || !FStore->Loaded() || FStore->OpenedDamaged() || !FLoaded)
    return false;
  std::unordered_set<int32_t> used;
  FStore->UsedKeys(nullptr, &used);
  for (int i = Count() - 1; i >= 0; --i)
    if (!used.count(FItems[i].Key) || Trim(FItems[i].FirstName + FItems[i].LastName).empty())
      FItems.erase(FItems.begin() + i);
  SaveToFile();
  return true;
}

// --- albums
// ---------------------------------------------------------------------------------------

TAlbList::TAlbList(const std::string& programFolder, TFileOps* ops)
    : FProgramFolder(IncludeTrailingBackslash(programFolder)), FOps(ops ? ops : &DefaultFileOps()) {
}

void TAlbList::LoadFromFile(const std::string& name, TAlbumArea* area) {
  FAlbumPath = FProgramFolder + name + AlbumSuffix + IndexExt;
  FTitlesPath = FProgramFolder + name + AlbumTitlesSuffix + IndexExt;
  FArea = area;
  FItems.clear();
  FTitles.clear();
  FUnread.clear();
  FOrphans.clear();
  FLoaded = false;
  FFinding = TFileFinding();
  FTitlesFinding = TFileFinding();
  FFile = TListFile();
  FTitlesFile = TListFile();
  if (FOps->Exists(FAlbumPath)) {
    std::string bytes = ReadWholeFile(FAlbumPath);
    FFinding = CheckedList(TCatalogueFileKind::Albums, FAlbumPath, bytes, *FOps);
    FFile.OnDisk = bytes;
    // Another file in its place: no pages, and neither album file is written; every row is of an
    // album it does not hold.
    size_t count = FFinding.NotRecords ? 0 : bytes.size() / AlbRecSize;
    if (!FFinding.NotRecords) FFile.Tail = bytes.substr(count * AlbRecSize);
    for (size_t i = 0; i < count; ++i) {
      TAlbRec r = DecodeAlbRec(At(bytes, i * AlbRecSize));
      r.View = FArea ? FArea->CreateAlbumPage(r.Name, r.Key) : nullptr;
      FItems.push_back(r);
    }
  }
  std::vector<TTuneRec> titles;
  if (FOps->Exists(FTitlesPath)) {
    LoadTitles(titles);
    // Another file in its place: the albums show empty and neither file is written.
    if (FTitlesFinding.NotRecords) {
      for (int i = 0; i < Count(); ++i)
        UpdateSummary(i);
      return;
    }
  }
  // Rows of an album the album file lost stay as they are, to be written back after the others.
  auto known = std::stable_partition(titles.begin(), titles.end(), [this](const TTuneRec& r) {
    return IndexOfKey(r.AlbumKey) >= 0;
  });
  FOrphans.assign(known, titles.end());
  titles.erase(known, titles.end());
  // A title deleted while the album files could not be written (the program ended early) may have
  // given its key to a new title: a row joins its album only while its title is still the one
  // the store has under that key.
  // Of records sharing a key, the one whose CRC agrees is the row's title. Rows a damaged store
  // could not read are kept aside and written back: the title may come back with a mended index.
  // Their keys are never given to new titles.
  if (FStore && FStore->Loaded()) {
    std::unordered_set<int32_t> named;
    for (const auto* rows : {&titles, &FOrphans})
      for (const TTuneRec& r : *rows)
        named.insert(r.MasterKey);
    FStore->NoteTitlesNamedElsewhere(ExtractFileName(FTitlesPath), static_cast<int>(named.size()));
    auto unread = std::stable_partition(titles.begin(), titles.end(), [this](const TTuneRec& r) {
      return FStore->IdToRecNoByCrc(r.MasterKey, r.Crc) != 0;
    });
    if (FStore->OpenedDamaged()) FUnread.assign(unread, titles.end());
    titles.erase(unread, titles.end());
    for (const TTuneRec& r : FUnread)
      FStore->ReserveKey(r.MasterKey);
    for (const TTuneRec& r : FOrphans)
      FStore->ReserveKey(r.MasterKey);
  }
  if (!FArea) FTitles = titles;
  DistributeTitles(titles);
  FLoaded = !FFinding.NotRecords;
}

// The album titles file, checked against the albums, and the keys its earlier copies name.
void TAlbList::LoadTitles(std::vector<TTuneRec>& titles) {
  std::string t = ReadWholeFile(FTitlesPath);
  std::vector<int32_t> albumKeys;
  for (const TAlbRec& a : FItems)
    albumKeys.push_back(a.Key);
  FTitlesFinding = CheckedList(TCatalogueFileKind::AlbumTitles, FTitlesPath, t, *FOps, &albumKeys);
  FTitlesFile.OnDisk = t;
  if (FTitlesFinding.NotRecords) return;
  size_t n = t.size() / TuneRecSize;
  FTitlesFile.Tail = t.substr(n * TuneRecSize);
  titles.reserve(n);
  for (size_t i = 0; i < n; ++i)
    titles.push_back(DecodeTuneRec(At(t, i * TuneRecSize)));
  if (!FStore) return;
  for (const std::string& copy : DamagedCopies(FTitlesPath, *FOps)) {
    try {
      std::string kept = ReadWholeFile(copy);
      TFileFinding f = CheckAlbumTitlesFile(kept);
      for (int i = 1; i <= f.Records && !f.NotRecords; ++i)
        if (!(f.FaultsOf(i) & static_cast<uint32_t>(TRecordFault::OutOfRange)))
          FStore->ReserveKey(DecodeTuneRec(At(kept, (i - 1) * size_t{TuneRecSize})).MasterKey);
    } catch (const std::exception&) {
    }
  }
}

void TAlbList::SaveToFile() {
  if (!FLoaded) return;
  FUnsaved = false;
  std::stable_sort(FItems.begin(), FItems.end(), [](const TAlbRec& a, const TAlbRec& b) {
    return CompareText(a.Name, b.Name) < 0;
  });
  FFile.Write(FAlbumPath, EncodeAll(FItems, AlbRecSize, EncodeAlbRec), *FOps);
  std::string titles;
  uint8_t rec[TuneRecSize];
  auto append = [&](const std::vector<TTuneRec>& records) {
    for (const TTuneRec& r : records) {
      EncodeTuneRec(r, rec);
      titles.append(reinterpret_cast<const char*>(rec), TuneRecSize);
    }
  };
  for (const auto& a : FItems) {
    // Without a page the album's titles are the ones it was loaded with.
    std::vector<TTuneRec> records;
    if (a.View)
      records = a.View->Grid().TuneRecords();
    else
      for (const TTuneRec& r : FTitles)
        if (r.AlbumKey == a.Key) records.push_back(r);
    for (const TTuneRec& r : FUnread)
      if (r.AlbumKey == a.Key) records.push_back(r);
    append(records);
  }
  append(FOrphans);
  FTitlesFile.Write(FTitlesPath, titles, *FOps);
}

bool TAlbList::HasRow(int32_t key, uint32_t crc) const {
  auto matches = [&](const TTuneRec& r) { return r.MasterKey == key && r.Crc == crc; };
  if (std::any_of(FTitles.begin(), FTitles.end(), matches)) return true;
  for (const TAlbRec& a : FItems)
    if (a.View) {
      std::vector<TTuneRec> rows = a.View->Grid().TuneRecords();
      if (std::any_of(rows.begin(), rows.end(), matches)) return true;
    }
  return false;
}

void TAlbList::RekeyRows(int32_t key, uint32_t crc, const TTuneRec& rec) {
  auto retake = [&](TTuneRec& r) {
    if (r.MasterKey != key || r.Crc != crc) return false;
    int32_t album = r.AlbumKey;
    r = rec;
    r.AlbumKey = album;
    return true;
  };
  bool changed = false;
  for (TTuneRec& r : FTitles)
    changed |= retake(r);
  for (int i = 0; i < Count(); ++i) {
    TTuneGridView* g = Grid(i);
    if (!g) continue;
    std::vector<TTuneRec> rows = g->TuneRecords();
    bool any = false;
    for (TTuneRec& r : rows)
      any |= retake(r);
    if (!any) continue;
    // Rows are found by key alone: all go, and come back in their order.
    TStringList keys;
    for (const TTuneRec& r : g->TuneRecords())
      keys.Add(IntToStr(r.MasterKey));
    g->DeleteKeyRows(keys);
    g->InsertAlbumRows(rows, 1, false);
    UpdateSummary(i);
    changed = true;
  }
  if (changed) Changed();
}

void TAlbList::KeepCopyOfUnread() {
  if (!FStore || !FStore->OpenedDamaged() || FUnread.empty()) return;
  // The rows of unread titles, as the file holds them.
  std::vector<std::string_view> entries;
  const std::string& bytes = FTitlesFile.OnDisk;
  for (size_t at = 0; at + TuneRecSize <= bytes.size(); at += TuneRecSize) {
    TTuneRec r = DecodeTuneRec(At(bytes, at));
    if (FStore->IdToRecNoByCrc(r.MasterKey, r.Crc) == 0 && IndexOfKey(r.AlbumKey) >= 0)
      entries.push_back(std::string_view(bytes).substr(at, TuneRecSize));
  }
  KeepEvidence(FTitlesPath, FTitlesFile, entries, FTitlesFinding, *FOps);
}

void TAlbList::AcceptUnread() {
  FFile.Accepted = FTitlesFile.Accepted = true;
  FFile.Tail.clear();
  FTitlesFile.Tail.clear();
  FUnread.clear();
  FOrphans.clear();
  if (!FLoaded) {
    // An album file that was no album file starts empty; one beside an album titles file that
    // was none keeps its albums, now without rows.
    if (FFinding.NotRecords) FItems.clear();
    FLoaded = true;
  }
  std::vector<int> keyless = KeylessEntries(FItems);
  for (auto i = keyless.rbegin(); i != keyless.rend(); ++i)
    RemoveAlbum(*i);
  for (TAlbRec& r : FItems)
    r.Name = Printable(r.Name);
  SaveChanges();
}

int32_t TAlbList::MaxKey() const {
  return HighestKey(FItems);
}

int32_t TAlbList::FindAlbum(const std::string& name) const {
  for (const auto& r : FItems)
    if (SameText(r.Name, name)) return r.Key;
  return 0;
}

int TAlbList::IndexOfKey(int32_t key) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Key == key) return static_cast<int>(i);
  return -1;
}

void TAlbList::DistributeTitles(std::vector<TTuneRec>& records) {
  if (FItems.empty() || records.empty()) return;
  std::unordered_multimap<int32_t, size_t> byKey;
  for (size_t i = 0; i < FItems.size(); ++i) {
    byKey.emplace(FItems[i].Key, i);
    if (FItems[i].View) FItems[i].View->Grid().BeginUpdate();
  }
  for (const TTuneRec& r : records) {
    auto range = byKey.equal_range(r.AlbumKey);
    for (auto it = range.first; it != range.second; ++it) {
      TAlbRec& a = FItems[it->second];
      ++a.Titles;
      // An unknown duration (-1) adds nothing; a sum past the record's room stays at its most.
      a.Seconds = Clamp32(int64_t(a.Seconds) + std::max(0, r.Seconds));
      if (a.View) a.View->Grid().AppendAlbumRow(r);
    }
  }
  for (int i = 0; i < Count(); ++i) {
    if (!FItems[i].View) continue;
    FItems[i].View->Grid().EndUpdate();
    FItems[i].View->Grid().FitAllColumns();
    UpdateSummary(i);
  }
}

void TAlbList::Changed() {
  if (FBatches > 0)
    FUnsaved = true;
  else
    SaveChanges();
}

void TAlbList::SaveChanges() {
  SaveTelling(FStore, [this] {
    try {
      SaveToFile();
    } catch (...) {
      FUnsaved = true; // still to be written
      throw;
    }
  });
}

void TAlbList::Batch(const std::function<void()>& changes) {
  {
    ++FBatches;
    TScopeExit ended([this] { --FBatches; });
    changes();
  }
  // A batch that failed part way leaves its changes unsaved: the next change or shutdown writes
  // them.
  if (FBatches == 0 && FUnsaved) SaveChanges();
}

void TAlbList::RefreshTune(TTuneRec rec) {
  bool changed = false;
  for (int i = 0; i < Count(); ++i) {
    if (!FItems[i].View) continue;
    rec.AlbumKey = FItems[i].Key;
    if (FItems[i].View->Grid().RefreshAlbumRows(rec) > 0) {
      UpdateSummary(i);
      changed = true;
    }
  }
  if (changed) Changed();
}

void TAlbList::RemoveTunes(const TStringList& keys) {
  TStringList sorted;
  for (int i = 0; i < keys.Count(); ++i)
    sorted.Add(Trim(keys[i]));
  sorted.SetSorted(true);
  bool changed = false;
  for (int i = 0; i < Count(); ++i)
    if (FItems[i].View && FItems[i].View->Grid().DeleteKeyRows(sorted) > 0) {
      UpdateSummary(i);
      changed = true;
    }
  if (changed) Changed();
}

void TAlbList::UpdateSummary(int index) {
  if (index < 0 || index >= Count() || !FItems[index].View) return;
  TAlbRec& r = FItems[index];
  TTuneGridView& g = r.View->Grid();
  r.Titles = g.TuneCount();
  r.Seconds = Clamp32(g.TotalSeconds());
  r.Bytes = Clamp32(g.TotalBytes());
  r.View->SetListLine(IntToStr(r.Titles), SummaryDurationText(g.TotalSeconds()));
  if (FArea) FArea->InvalidateSummaryList();
  r.View->SetSummary(SummaryLine(r.Titles, g.TotalSeconds(), g.TotalBytes()));
}

int32_t TAlbList::FindOrAddAlbum(const std::string& name) {
  std::string stored = StoredName(name);
  int32_t key = FindAlbum(stored);
  if (key) return key;
  RequireLoaded(FLoaded, FAlbumPath);
  TAlbRec r;
  r.Key = MaxKey() + 1;
  r.Name = stored;
  r.View = FArea ? FArea->CreateAlbumPage(r.Name, r.Key) : nullptr;
  FItems.push_back(r);
  Changed();
  return r.Key;
}

int TAlbList::PageIndexOfKey(int32_t key) const {
  int i = IndexOfKey(key);
  return i < 0 || !FArea || !FItems[i].View ? -1 : FArea->PageIndexOf(FItems[i].View);
}

TTuneGridView* TAlbList::Grid(int index) const {
  if (index < 0 || index >= Count() || !FItems[index].View) return nullptr;
  return &FItems[index].View->Grid();
}

int TAlbList::ActiveIndex() const {
  if (!FArea) return -1;
  int page = FArea->ActivePageIndex();
  const TAlbumView* wanted = nullptr;
  if (page <= 0) {
    std::vector<TAlbumView*> lines = FArea->SelectedLines();
    if (lines.empty()) return -1;
    wanted = lines.front();
  }
  for (int i = 0; i < Count(); ++i) {
    const TAlbumView* v = FItems[i].View;
    if (v && (page > 0 ? FArea->PageIndexOf(v) == page : v == wanted)) return i;
  }
  return -1;
}

std::string TAlbList::ActiveAlbumName() const {
  int i = ActiveIndex();
  return i < 0 ? std::string() : Trim(FItems[i].Name).substr(0, 25);
}

int TAlbList::DropTargetIndex(const TObject* target, int x, int y) const {
  if (!FArea) return -1;
  if (FArea->IsSummaryList(target)) {
    TAlbumView* v = FArea->ViewAtLine(x, y);
    for (int i = 0; v && i < Count(); ++i)
      if (FItems[i].View == v) return i;
    return -1;
  }
  int page = FArea->ActivePageIndex();
  for (int i = 0; page > 0 && i < Count(); ++i)
    if (FItems[i].View && FArea->PageIndexOf(FItems[i].View) == page) return i;
  return -1;
}

void TAlbList::DeleteAlbum(int32_t key) {
  int index = IndexOfKey(key);
  if (index < 0) return;
  RemoveAlbum(index);
  Changed();
}

void TAlbList::RemoveAlbum(int index) {
  TAlbRec r = FItems[index];
  FItems.erase(FItems.begin() + index);
  if (FArea && r.View) {
    FArea->SetActivePageIndex(0);
    FArea->DeleteAlbumPage(r.View);
  }
}

void TAlbList::DeleteActiveAlbum() {
  int i = ActiveIndex();
  if (i >= 0) DeleteAlbum(FItems[i].Key);
}

void TAlbList::RenameAlbum(int32_t key, const std::string& newName) {
  std::string name = StoredName(newName);
  int index = IndexOfKey(key);
  if (index < 0 || name.empty() || name == FItems[index].Name) return;
  int other = -1;
  for (int i = 0; i < Count() && other < 0; ++i)
    if (i != index && SameText(FItems[i].Name, name)) other = i;
  if (other >= 0) {
    // Merge: this album's rows are appended to the album that has the name already.
    TTuneGridView* from = Grid(index);
    TTuneGridView* to = Grid(other);
    if (!from || !to) {
      // No pages: the kept titles change album, behind the other album's own.
      std::stable_partition(FTitles.begin(), FTitles.end(),
                            [key](const TTuneRec& r) { return r.AlbumKey != key; });
      for (TTuneRec& r : FTitles)
        if (r.AlbumKey == key) r.AlbumKey = FItems[other].Key;
    } else {
      to->BeginUpdate();
      for (TTuneRec rec : from->TuneRecords()) {
        rec.AlbumKey = FItems[other].Key;
        to->AppendAlbumRow(rec);
      }
      to->EndUpdate();
      to->FitAllColumns();
    }
    // Rows of unread titles go with their album.
    for (TTuneRec& r : FUnread)
      if (r.AlbumKey == key) r.AlbumKey = FItems[other].Key;
    UpdateSummary(other);
    RemoveAlbum(index);
  } else {
    FItems[index].Name = name;
    if (FArea && FItems[index].View)
      FArea->RelabelAlbumPage(FItems[index].View, "  " + name + "       ", name);
  }
  Changed();
}

void TAlbList::RenameActiveAlbum(const std::string& newName) {
  int i = ActiveIndex();
  if (i >= 0) RenameAlbum(FItems[i].Key, newName);
}

void TAlbList::RemoveSelectedFromActive(const TStringList& keys) {
  int i = ActiveIndex();
  if (keys.Count() == 0 || i < 0 || !Grid(i)) return;
  Grid(i)->PurgeKeysInRowOrder(keys);
  UpdateSummary(i);
  Changed();
}

void TAlbList::AddTitlesToAlbum(const TObject* target, int x, int y, const TStringList& keys) {
  if (keys.Count() == 0) return;
  int index = DropTargetIndex(target, x, y);
  TTuneGridView* grid = Grid(index);
  if (!grid) {
    if (FStore) FStore->Host().ShowPlainMessage("Targeted album not found");
    return;
  }
  // The hourglass goes back to the arrow however the insertion ends.
  TStoreHost* host = FStore ? &FStore->Host() : nullptr;
  if (host) host->SetBusyCursor(true);
  TScopeExit busyEnds([host] {
    if (host) host->SetBusyCursor(false);
  });
  std::vector<TTuneRec> recs;
  for (int i = 0; i < keys.Count(); ++i) {
    TTuneRec rec;
    int key;
    if (FStore && TryStrToInt(Trim(keys[i]), key) && FStore->FindById(key, rec)) {
      rec.AlbumKey = FItems[index].Key;
      recs.push_back(rec);
    }
  }
  if (FArea->IsSummaryList(target))
    grid->InsertAlbumRows(recs, grid->RowCount(), false);
  else
    grid->InsertAlbumRows(recs, grid->DropRow() < 0 ? 1 : grid->DropRow(), true);
  UpdateSummary(index);
  if (!recs.empty()) Changed();
}

void TAlbList::ShowSelectedAlbumTab() {
  if (!FArea || FArea->LineCount() == 0) return;
  std::vector<TAlbumView*> lines = FArea->SelectedLines();
  if (!lines.empty()) FArea->ShowAlbumPage(lines.front());
}

void TAlbList::FocusActiveView() {
  if (!FArea) return;
  if (FArea->ActivePageIndex() <= 0) {
    FArea->FocusSummaryList();
    return;
  }
  if (TTuneGridView* g = Grid(ActiveIndex())) g->Focus();
}

int TAlbList::GetSelectedKeys(TStringList& keys) const {
  keys.Clear();
  if (!FArea) return 0;
  std::vector<TAlbumView*> lines;
  if (FArea->ActivePageIndex() <= 0) lines = FArea->SelectedLines();
  for (TAlbumView* v : lines) {
    TStringList some;
    v->Grid().GetAllKeys(some);
    keys.AddStrings(some);
  }
  if (!lines.empty()) return keys.Count();
  int page = FArea->ActivePageIndex();
  for (const TAlbRec& r : FItems)
    if (r.View && page > 0 && FArea->PageIndexOf(r.View) == page)
      r.View->Grid().GetSelectedKeys(keys);
  return keys.Count();
}

int TAlbList::GetActiveAlbumKeys(TStringList& keys) const {
  keys.Clear();
  if (!FArea || ActiveIndex() < 0) return 0;
  if (FArea->ActivePageIndex() <= 0) return GetSelectedKeys(keys);
  Grid(ActiveIndex())->GetAllKeys(keys);
  return keys.Count();
}

int TAlbList::GetAllKeys(TStringList& keys) const {
  keys.Clear();
  for (int i = 0; i < Count(); ++i)
    if (TTuneGridView* g = Grid(i)) {
      TStringList some;
      g->GetAllKeys(some);
      keys.AddStrings(some);
    }
  return keys.Count();
}

// --- the data module
// ------------------------------------------------------------------------------

TDMM2::TDMM2(const std::string& programFolder, TStoreHost* host, TFileOps* ops)
    : FProgramFolder(IncludeTrailingBackslash(programFolder)), FHost(host ? host : &FNoHost),
      FOps(ops) {}

TDMM2::~TDMM2() = default;

void TDMM2::FormCreate() {
  FClosing = false;
  FMyDB = std::make_unique<TMyDB>(FHost, FOps);
  FPerfList = std::make_unique<TPerfList>(FProgramFolder, FOps);
  FPerfList->SetStore(FMyDB.get());
  FPerfList->LoadFromFile(ArtistsName);
}
