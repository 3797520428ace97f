// The catalogue store (title index and stored titles), the category, artist and album lists, and
// the data module that owns the store and the artist list.
#pragma once
#include "CatalogueCheck.h"
#include "CatalogueViews.h"
#include "Classes.h"
#include "FileOps.h"
#include "TuneRecords.h"
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

TB_DECLARE_EXCEPTION(EDataError, Exception);

// The suffix of the copy a damaged catalogue file leaves beside itself before it is first changed.
inline constexpr const char* DamagedCopySuffix = ".damaged";
// The copies of path beside it: path + DamagedCopySuffix, then the numbered ones, while they exist.
std::vector<std::string> DamagedCopies(const std::string& path, TFileOps& ops);
// The name under which KeepDamagedCopy keeps bytes: a copy already there that holds each part
// (each a run of bytes found anywhere in it; all the bytes when there are none), else the first
// free numbered name.
std::string DamagedCopyName(const std::string& path, const std::string& bytes,
                            const std::vector<std::string_view>& parts, TFileOps& ops);
// Keeps bytes (a damaged file's as opened) as that copy, unless it is there; answers its name.
std::string KeepDamagedCopy(const std::string& path, const std::string& bytes, TFileOps& ops,
                            const std::vector<std::string_view>& parts = {});

// The whole of a file; raises the stream's exception when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// What a list keeps of its file besides its records: the bytes the file holds (an unchanged list
// is not written again) and its cut last record, written back behind the records until the user
// gives it up.
struct TListFile {
  std::string OnDisk;
  std::string Tail;
  bool Accepted = false;
  // Writes records (and the tail) through a safe replace unless the file holds them already.
  void Write(const std::string& path, const std::string& records, TFileOps& ops);
};

class TCatList;
class TAlbList;

// An entry of the key index: a live record's number and its master key.
struct TIdIndexEntry {
  int32_t RecNo;
  int32_t Key;
};

// The title index Music.dex and the stored titles Music.dax. Every record of the index is held in
// memory; the key index holds the live ones sorted by master key. Changes are written through.
class TMyDB {
public:
  explicit TMyDB(TStoreHost* host = nullptr, TFileOps* ops = nullptr);
  ~TMyDB();
  TMyDB(const TMyDB&) = delete;
  TMyDB& operator=(const TMyDB&) = delete;

  // Opens (or creates) folder + base + ".dex" / ".dax" named from fileName. Leftovers of an
  // interrupted pack are recovered first. Raises the stream's exception when a file cannot be had.
  int Open(const std::string& fileName);
  void Close();

  int RecordCount() const { return static_cast<int>(FRecords.size()); }
  bool ReadRecord(int n, TTuneRec& rec) const;
  bool WriteRecord(const TTuneRec& rec, int n);
  bool DeleteRecord(int n, bool updateViews, bool updateCategory);
  int IdToRecNo(int32_t key) const;
  // The live record of key whose CRC is crc (an intact one first, see PickByCrc); 0 when none.
  int IdToRecNoByCrc(int32_t key, uint32_t crc) const;
  bool FindById(int32_t key, TTuneRec& rec) const;
  int32_t MaxId() const;
  // The key of a new title: MaxId + 1, or the lowest free key when MaxId is the highest possible.
  int32_t NextKey() const;
  bool FindIdByFileName(const std::string& name, int32_t& key) const;
  void AppendTune(TTuneRec& rec, const std::string& archivePath, bool quiet);
  // The same with the archive's bytes in hand.
  void AppendTuneData(TTuneRec& rec, const std::string& archive, bool quiet);
  bool SetDuration(int32_t seconds, int32_t key);
  // Files a changed title record (same master key): moves or updates its rows, then writes it.
  bool FileChange(const TTuneRec& rec, bool quiet);
  void DeleteTunes(const TStringList& keys);
  int DeleteCategoryTunes(int32_t categoryKey, TStringList& keys);
  int RenameCategoryInTunes(int32_t categoryKey, const std::string& name);
  int MoveCategoryTunes(int32_t fromKey, int32_t toKey, TTuneGridView* target,
                        const std::string& name);
  // Copies the title's stored archive to target once its unpacked bytes prove to be the title's;
  // a damaged one is told to the user (once) and left as it is.
  bool ExtractTuneData(const std::string& target, TTuneRec& rec, int32_t key);
  bool ExportTune(int32_t key, const std::string& target, bool zip);
  void FillGrid();
  // Answers false when a pack was needed and could not be done (the files stay as they were).
  // A catalogue opened damaged, or with a stored title found damaged, is never packed: its unread
  // bytes would be lost.
  bool Pack(int& deleted, int& kept);
  bool CategoryInUse(int32_t categoryKey) const;
  bool ArtistInUse(int32_t artistKey) const;
  // The category and artist keys that live titles carry, in one pass; with readableOnly, only
  // those of titles whose stored archive could be read.
  void UsedKeys(std::unordered_set<int32_t>* categories, std::unordered_set<int32_t>* artists,
                bool readableOnly = false) const;
  // The number of readable titles of each category.
  void CountByCategory(std::unordered_map<int32_t, int>& counts) const;

  const std::string& Folder() const { return FFolder; }
  const std::string& IndexPath() const { return FIndexPath; }
  const std::string& DataPath() const { return FDataPath; }
  bool Loaded() const { return FLoaded; }
  bool PackNeeded() const { return FPackNeeded; }
  int LiveCount() const { return FLiveCount; }
  // Live records whose stored archive lies outside the data file: listed nowhere, kept on disk.
  int DamagedCount() const { return FDamagedCount; }
  // What the check of the title index found at the last opening.
  const TFileFinding& Finding() const { return FFinding; }
  // The index held what could not be read and the user has not accepted its loss: nothing may be
  // dropped for titles it left out.
  bool OpenedDamaged() const { return FFinding.Damaged() && !FAccepted; }
  // A list file names titles although the index holds no record at all: they were lost with it.
  void NoteTitlesNamedElsewhere(const std::string& fileName, int titles);
  // A key that a title the store could not read carries (its cut record or an album row names
  // it): never given to a new title.
  void ReserveKey(int32_t key) { FKeyFloor = std::max(FKeyFloor, key); }
  // The user gives up what could not be read: unreadable records are deleted, readable ones
  // rewritten sound (a shared key made unique), the cut record dropped; the next pack reclaims
  // every byte of Music.dax no title claims. The copies made at opening keep it all.
  void AcceptUnread();
  // The user was told the stored title of this key is damaged: a failure to copy it out needs no
  // second message.
  bool ToldDamaged(int32_t key) const;
  const std::vector<TIdIndexEntry>& KeyIndex() const { return FKeyIndex; }

  TCatList* CatList() const { return FCatList; }
  void SetCatList(TCatList* value) { FCatList = value; }
  TAlbList* AlbList() const { return FAlbList; }
  void SetAlbList(TAlbList* value) { FAlbList = value; }
  void SetHost(TStoreHost* value) { FHost = value ? value : &FNoHost; }
  TStoreHost& Host() const { return *FHost; }
  void SetZipper(TTuneZipper* value) { FZipper = value; }
  TFileOps& Ops() { return *FOps; }

  // A list file that could not be written is told to the user; while a hold is on (an import
  // that adds many titles) each failure is gathered and told once, in one box, when the last hold
  // ends. The change stays in memory either way: the next save writes it.
  void TellSaveFailure(const std::string& text);
  void HoldSaveFailures() { ++FSaveHolds; }
  void ReleaseSaveFailures();
  // A held failure that was told another way (as the reason a title was left out) is not told
  // again.
  void ForgetHeldFailure(const std::string& text);

private:
  std::vector<std::string> RecoverLeftovers();
  void SettleLeftovers(const std::vector<std::string>& left);
  void CleanBackUp();
  bool HeldByCatalogue(const std::string& path) const;
  void MoveToBackUp(const std::string& path, std::vector<std::string>& moved);
  std::string ReadIndex();
  void KeepCopies(const std::string& indexBytes);
  std::string KeepDataCopy(const std::string& indexBytes);
  void NoteUnreadKeys(const std::string& indexBytes);
  void MakeSound(int n, uint32_t faults);
  void GiveNewKey(int n);
  bool Usable(int n) const; // live and its archive lies within the data file
  void KeepDamagedOut();
  // Tells the user once per record that its stored title is damaged and was not read.
  void TellDamagedTitle(int n, const std::string& fault);
  int64_t DataEnd(int64_t length);
  void AppendRecord(TTuneRec& rec, int64_t offset, int64_t length, bool quiet);
  void InsertKey(int32_t recNo, int32_t key);
  void IndexOrigin(int n) const;
  void EraseKey(int32_t recNo, int32_t key);
  void WriteAt(int n, const TTuneRec& rec);
  TTuneGridView* AllGrid() const;
  TTuneGridView* CategoryGrid(int32_t categoryKey, int* index = nullptr) const;
  bool CopyPacked(int& deleted, int& kept, const std::string& workIndex,
                  const std::string& workData, std::string& failure);
  enum class TSwap { Done, RolledBack, Stuck };
  TSwap SwapIn(const std::string& workIndex, const std::string& workData, std::string& failure);

  std::unique_ptr<TFileStream> FIndexFile;
  std::unique_ptr<TFileStream> FDataFile;
  std::string FFolder, FBaseName, FIndexPath, FDataPath;
  int FRecSize = TuneRecSize;
  std::vector<TTuneRec> FRecords;
  std::vector<uint8_t> FDamaged;        // per record: live, but not usable (see Open)
  std::unordered_set<int> FToldDamaged; // records whose damaged stored title the user was told of
  TFileFinding FFinding;
  std::string FIndexTail; // the cut last record's bytes, kept after the records until accepted
  int32_t FKeyFloor = 0;  // the highest key of a title that could not be read
  bool FAccepted = false;
  std::vector<TIdIndexEntry> FKeyIndex;
  // Record numbers by the hash of their origin, for the duplicate test; built when first asked.
  mutable std::unordered_multimap<size_t, int> FOriginIndex;
  mutable bool FOriginIndexed = false;
  bool FQuietReopen = false;
  bool FLoaded = false;
  bool FPackNeeded = false;
  int FLiveCount = 0;
  int FDamagedCount = 0;
  int64_t FDataSize = 0;
  TCatList* FCatList = nullptr;
  TAlbList* FAlbList = nullptr;
  TStoreHost FNoHost;
  TStoreHost* FHost;
  TFileOps* FOps;
  TTuneZipper* FZipper = nullptr;
  int FSaveHolds = 0;
  std::vector<std::string> FHeldFailures; // each text once, in the order they came
};

// The categories: Categories.dex, and the category pages of the main window.
class TCatList {
public:
  explicit TCatList(const std::string& programFolder, TFileOps* ops = nullptr);
  void LoadFromFile(const std::string& name, TCategoryArea* area);
  void SaveToFile();
  int Count() const { return static_cast<int>(FItems.size()); }
  TCatRec& Items(int index) { return FItems.at(index); }
  int32_t MaxKey() const;
  std::string GetCategoryName(int32_t key) const;
  int32_t FindCategory(const std::string& name) const; // exact; 0 when none
  int32_t FindOrAddCategory(const std::string& name);
  int IndexOfKey(int32_t key) const;
  void FillNameKeyLists(TStringList& names, TStringList& keys);
  bool RemoveUnused();
  void BeginUpdateAll();
  void EndUpdateAll();
  void UpdateSummary(int index);
  void UpdateAllTitlesSummary();
  void UpdateAllSummaries();
  TTuneGridView* AllTitlesGrid() const { return FArea ? &FArea->AllTitlesGrid() : nullptr; }
  TTuneGridView* Grid(int index) const;
  const std::string& FilePath() const { return FFilePath; }
  TMyDB* Store() const { return FStore; }
  void SetStore(TMyDB* value) { FStore = value; }
  // The file was read whole; until then nothing is written to it.
  bool Loaded() const { return FLoaded; }
  const TFileFinding& Finding() const { return FFinding; }
  // The titles the categories count as loaded, before the grids count them again.
  int CountedTitles() const;
  // A category added whose file could not be written since: titles must not take it yet.
  bool OnDisk(int32_t key) const { return !FUnsavedKeys.count(key); }
  // While the store holds titles it could not read, the categories only they use are copied.
  void KeepCopyOfUnread();
  // The user gives up what could not be read: an unreadable file starts empty, a cut record and
  // entries without a key of their own go, names lose their control characters.
  void AcceptUnread();

  // The categories area: page 0 shows all titles, then one page per category.
  int ActivePageIndex() const;
  int PageIndexOfKey(int32_t key) const;
  // The category whose page is active; -1 on the all-titles page.
  int ActiveIndex() const;
  // The active category's grid, or the all-titles grid.
  TTuneGridView* ActiveGrid() const;
  void FocusActiveGrid();
  void ResortAll();
  // Deletes titles from the store and every grid. Keys as decimal text.
  void DeleteTitles(const TStringList& keys);
  // Deletes the category's titles and its page; perKey runs for every title deleted. The
  // category file is written at once.
  void DeleteCategory(int32_t key, const std::function<void(int32_t)>& perKey = {});
  void DeleteActiveCategory(const std::function<void(int32_t)>& perKey = {});
  // A new name that another category has exactly merges the two; the file is written at once.
  void RenameCategory(int32_t key, const std::string& newName);
  void RenameActiveCategory(const std::string& newName);

private:
  void SortByName();
  void RemovePage(int index);
  std::string FProgramFolder, FFilePath;
  std::vector<TCatRec> FItems;
  std::unordered_map<int32_t, TCatRec> FLoadedCounts; // the counts each category was loaded with
  std::unordered_set<int32_t> FUnsavedKeys;
  bool FLoaded = false;
  TFileFinding FFinding;
  TListFile FFile;
  TCategoryArea* FArea = nullptr;
  TMyDB* FStore = nullptr;
  TFileOps* FOps;
};

// The artists: Artists.dex.
class TPerfList {
public:
  explicit TPerfList(const std::string& programFolder, TFileOps* ops = nullptr);
  void LoadFromFile(const std::string& name);
  void SaveToFile();
  int Count() const { return static_cast<int>(FItems.size()); }
  const TPerfRec& Items(int index) const { return FItems.at(index); }
  int32_t MaxKey() const;
  void GetPerformerNames(int32_t key, std::string& first, std::string& last) const;
  int32_t FindPerformer(const std::string& first, const std::string& last) const;
  int32_t FindOrAddPerformer(const std::string& first, const std::string& last);
  void FillNameKeyLists(TStringList& firsts, TStringList& lasts, TStringList& keys);
  bool RemoveUnused();
  const std::string& FilePath() const { return FFilePath; }
  TMyDB* Store() const { return FStore; }
  void SetStore(TMyDB* value) { FStore = value; }
  bool Loaded() const { return FLoaded; }
  const TFileFinding& Finding() const { return FFinding; }
  bool OnDisk(int32_t key) const { return !FUnsavedKeys.count(key); }
  void KeepCopyOfUnread();
  void AcceptUnread();

private:
  void SortByLastName();
  std::string FProgramFolder, FFilePath;
  std::vector<TPerfRec> FItems;
  std::unordered_set<int32_t> FUnsavedKeys;
  bool FLoaded = false;
  TFileFinding FFinding;
  TListFile FFile;
  TMyDB* FStore = nullptr;
  TFileOps* FOps;
};

// The albums: Albums_A.dex with the album titles file Albums_AT.dex, and the album pages.
class TAlbList {
public:
  explicit TAlbList(const std::string& programFolder, TFileOps* ops = nullptr);
  void LoadFromFile(const std::string& name, TAlbumArea* area);
  void SaveToFile();
  int Count() const { return static_cast<int>(FItems.size()); }
  TAlbRec& Items(int index) { return FItems.at(index); }
  int32_t MaxKey() const;
  int32_t FindAlbum(const std::string& name) const; // ignoring case; 0 when none
  int32_t FindOrAddAlbum(const std::string& name);
  int IndexOfKey(int32_t key) const;
  int PageIndexOfKey(int32_t key) const;
  TTuneGridView* Grid(int index) const;
  void DistributeTitles(std::vector<TTuneRec>& records);
  // Whether an album row names the title of key with that CRC.
  bool HasRow(int32_t key, uint32_t crc) const;
  // The rows of the title of key with that CRC take the title's record (its new key among it).
  void RekeyRows(int32_t key, uint32_t crc, const TTuneRec& rec);
  void KeepCopyOfUnread();
  // Rows of unread titles and of unknown albums go, with a cut record and albums without a key of
  // their own.
  void AcceptUnread();
  // Every change below writes both album files at once (see Batch).
  void RefreshTune(TTuneRec rec);
  void RemoveTunes(const TStringList& keys);
  void UpdateSummary(int index);

  // On an album page that album; on the summary page the album of the selected line. -1: none.
  int ActiveIndex() const;
  std::string ActiveAlbumName() const; // trimmed, at most 25 characters
  // The album a drop lands on: the line at (x, y) on the summary list, else the active page's.
  int DropTargetIndex(const TObject* target, int x, int y) const;
  void DeleteAlbum(int32_t key);
  void DeleteActiveAlbum();
  // A new name that another album has (in any letter case) merges the two.
  void RenameAlbum(int32_t key, const std::string& newName);
  void RenameActiveAlbum(const std::string& newName);
  void RemoveSelectedFromActive(const TStringList& keys);
  // Copies of the titles of keys join the album under the drop.
  void AddTitlesToAlbum(const TObject* target, int x, int y, const TStringList& keys);
  // Runs changes that touch the albums many times and writes the album files once, after them.
  void Batch(const std::function<void()>& changes);
  // Writes both album files after a user's change (rows moved in a grid); a file that cannot be
  // replaced is told to the user through the store's host, not raised.
  void SaveChanges();
  void ShowSelectedAlbumTab();
  void FocusActiveView();
  // Key collections (decimal text); each answers the count.
  int GetSelectedKeys(TStringList& keys) const;
  int GetActiveAlbumKeys(TStringList& keys) const;
  int GetAllKeys(TStringList& keys) const;
  const std::string& AlbumPath() const { return FAlbumPath; }
  bool Loaded() const { return FLoaded; }
  // The checks of the album file and the album titles file at the last load.
  const TFileFinding& Finding() const { return FFinding; }
  const TFileFinding& TitlesFinding() const { return FTitlesFinding; }
  const std::string& TitlesPath() const { return FTitlesPath; }
  TMyDB* Store() const { return FStore; }
  void SetStore(TMyDB* value) { FStore = value; }

private:
  void RemoveAlbum(int index);
  void Changed();
  void LoadTitles(std::vector<TTuneRec>& titles);
  std::string FProgramFolder, FAlbumPath, FTitlesPath;
  std::vector<TAlbRec> FItems;
  std::vector<TTuneRec> FTitles; // the album titles, kept only while there are no pages
  // Rows of titles a damaged store could not read: written back with their album.
  std::vector<TTuneRec> FUnread;
  // Rows of albums the album file does not hold (a record of it was lost): written back after all.
  std::vector<TTuneRec> FOrphans;
  TFileFinding FFinding;
  TFileFinding FTitlesFinding;
  TListFile FFile, FTitlesFile;
  bool FLoaded = false;
  int FBatches = 0;      // batches running; their changes are written when the last ends
  bool FUnsaved = false; // changed in a batch and not written yet
  TAlbumArea* FArea = nullptr;
  TMyDB* FStore = nullptr;
  TFileOps* FOps;
};

// The data module: owns the catalogue store and the artist list and offers the title operations.
class TDMM2 {
public:
  explicit TDMM2(const std::string& programFolder, TStoreHost* host = nullptr,
                 TFileOps* ops = nullptr);
  ~TDMM2();
  void FormCreate();
  bool AddTune(const std::string& archivePath, const std::string& title, TDateTime fileDate,
               bool quiet, TDateTime dateObtained, int32_t seconds, uint32_t crc, int32_t size,
               int32_t artistKey, int32_t categoryKey, const std::string& fileType,
               const std::string& origin, int32_t* newKey = nullptr);
  // The same with the packed archive's bytes in hand instead of its file.
  bool AddPackedTune(const std::string& archive, const std::string& title, TDateTime fileDate,
                     bool quiet, TDateTime dateObtained, int32_t seconds, uint32_t crc,
                     int32_t size, int32_t artistKey, int32_t categoryKey,
                     const std::string& fileType, const std::string& origin,
                     int32_t* newKey = nullptr);
  bool DeleteTune(int32_t key, bool updateCategory);
  bool ChangeTune(int32_t key, bool quiet, int32_t artistKey, int32_t categoryKey,
                  const std::string& title);
  void FormClose();

  bool Closing() const { return FClosing; }
  TMyDB* MyDB() const { return FMyDB.get(); }
  TPerfList* PerfList() const { return FPerfList.get(); }

private:
  bool Add(const std::function<void(TMyDB&, TTuneRec&)>& append, const std::string& title,
           TDateTime fileDate, TDateTime dateObtained, int32_t seconds, uint32_t crc, int32_t size,
           int32_t artistKey, int32_t categoryKey, const std::string& fileType,
           const std::string& origin, int32_t* newKey);
  std::string FProgramFolder;
  TStoreHost FNoHost; // quiet, for a module made without a window
  TStoreHost* FHost;
  TFileOps* FOps;
  bool FClosing = false;
  std::unique_ptr<TMyDB> FMyDB;
  std::unique_ptr<TPerfList> FPerfList;
};
