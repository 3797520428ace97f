// The data module: adds, deletes and changes titles, and closes the catalogue at shutdown.
#include "DataCodeD2.h"
#include "Bytes.h"
#include <windows.h>

bool TDMM2::AddTune(const std::string& archivePath, const std::string& title, TDateTime fileDate,
                    bool quiet, TDateTime dateObtained, int32_t seconds, uint32_t crc, int32_t size,
                    int32_t artistKey, int32_t categoryKey, const std::string& fileType,
                    const std::string& origin, int32_t* newKey) {
  return Add([&](TMyDB& db, TTuneRec& rec) { db.AppendTune(rec, archivePath, quiet); }, title,
             fileDate, dateObtained, seconds, crc, size, artistKey, categoryKey, fileType, origin,
             newKey);
}

bool TDMM2::AddPackedTune(const std::string& archive, const std::string& title, TDateTime fileDate,
                          bool quiet, TDateTime dateObtained, int32_t seconds, uint32_t crc,
                          int32_t size, int32_t artistKey, int32_t categoryKey,
                          const std::string& fileType, const std::string& origin, int32_t* newKey) {
  return Add([&](TMyDB& db, TTuneRec& rec) { db.AppendTuneData(rec, archive, quiet); }, title,
             fileDate, dateObtained, seconds, crc, size, artistKey, categoryKey, fileType, origin,
             newKey);
}

bool TDMM2::Add(const std::function<void(TMyDB&, TTuneRec&)>& append, const std::string& title,
                TDateTime fileDate, TDateTime dateObtained, int32_t seconds, uint32_t crc,
                int32_t size, int32_t artistKey, int32_t categoryKey, const std::string& fileType,
                const std::string& origin, int32_t* newKey) {
  if (!FMyDB || !FMyDB->Loaded()) return false;
  // A title goes in only once its category and artist are in their files: else the next start
  // would find it naming entries that do not exist. Each failure is told as the title's reason.
  std::string failures;
  auto onDisk = [&](auto* list, int32_t key) {
    if (!list || list->OnDisk(key)) return;
    try {
      list->SaveToFile();
    } catch (const std::exception& e) {
      FMyDB->ForgetHeldFailure(e.what());
      failures += (failures.empty() ? "" : " ") + std::string(e.what());
    }
  };
  onDisk(FMyDB->CatList(), categoryKey);
  onDisk(FPerfList.get(), artistKey);
  if (!failures.empty()) throw EDataError(failures);
  TNewTune t;
  t.Title = title;
  t.FileDate = fileDate;
  t.DateObtained = dateObtained;
  t.Seconds = seconds;
  t.Crc = crc;
  t.Size = size;
  t.PerformerKey = artistKey;
  t.CategoryKey = categoryKey;
  t.FileType = fileType;
  t.Origin = origin;
  std::string category = FMyDB->CatList() ? FMyDB->CatList()->GetCategoryName(categoryKey) : "";
  std::string first, last;
  if (FPerfList) FPerfList->GetPerformerNames(artistKey, first, last);
  TTuneRec rec = BuildTuneRec(t, FMyDB->NextKey(), category, first, last);
  append(*FMyDB, rec);
  if (newKey) *newKey = rec.MasterKey;
  return true;
}

bool TDMM2::DeleteTune(int32_t key, bool updateCategory) {
  if (!FMyDB) return false;
  int n = FMyDB->IdToRecNo(key);
  if (n == 0) return false;
  bool done = FMyDB->DeleteRecord(n, true, updateCategory);
  if (TAlbList* albums = FMyDB->AlbList()) {
    TStringList keys;
    keys.Add(IntToStr(key));
    albums->RemoveTunes(keys);
  }
  return done;
}

bool TDMM2::ChangeTune(int32_t key, bool quiet, int32_t artistKey, int32_t categoryKey,
                       const std::string& title) {
  TTuneRec rec;
  if (!FMyDB || !FMyDB->FindById(key, rec)) return false;
  std::string category = FMyDB->CatList() ? FMyDB->CatList()->GetCategoryName(categoryKey) : "";
  if (category.empty()) {
    FHost->ShowMessageBox("New category for CK = " + IntToStr(categoryKey) + " not found",
                          TMessageKind::Warning, 0, TMessageButtons::OK);
    return false;
  }
  std::string first, last;
  if (FPerfList) FPerfList->GetPerformerNames(artistKey, first, last);
  std::string full = MakeFullName(first, last);
  if (full.empty()) {
    FHost->ShowMessageBox("New performer for PK = " + IntToStr(artistKey) + " not found",
                          TMessageKind::Warning, 0, TMessageButtons::OK);
    return false;
  }
  rec.CategoryName = category;
  rec.FirstName = Trim(first);
  rec.LastName = Trim(last);
  rec.FullName = full;
  rec.Title = CutToRoom(title, TitleRoom);
  rec.PerformerKey = artistKey;
  rec.CategoryKey = categoryKey;
  return FMyDB->FileChange(rec, quiet);
}

void TDMM2::FormClose() {
  FClosing = true;
  // Each step runs even when one before it failed: a failed artist save must not stop the pack.
  auto report = [this](const std::exception& e) {
    FHost->ShowMessageBox(e.what(), TMessageKind::Error, 0, TMessageButtons::OK);
  };
  if (FPerfList) {
    try {
      if (!FPerfList->RemoveUnused()) FPerfList->SaveToFile();
    } catch (const std::exception& e) {
      report(e);
    }
    FPerfList.reset();
  }
  if (FMyDB) {
    try {
      int deleted, kept;
      FMyDB->Pack(deleted, kept);
    } catch (const std::exception& e) {
      report(e);
    }
    FMyDB.reset();
  }
  SetCurrentDir(FProgramFolder);
}
