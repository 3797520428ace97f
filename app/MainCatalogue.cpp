// The catalogue the main window opens, shared read-only with its command groups.
#include "MainCatalogue.h"
#include "DataCodeD2.h"
#include "MainViews.h"
#include "TuneFiles.h"

TMainCatalogue::TMainCatalogue()
    : FTuneFiles(std::make_unique<TTuneFiles>()), FStore(std::make_unique<TCatalogueStore>()) {}

TMainCatalogue::~TMainCatalogue() = default;

TMyDB* TMainCatalogue::Store() const {
  return FDMM2 ? FDMM2->MyDB() : nullptr;
}

TPerfList* TMainCatalogue::Artists() const {
  return FDMM2 ? FDMM2->PerfList() : nullptr;
}

int TMainCatalogue::SelectedKeysOfActiveGrid(TStringList& keys) const {
  keys.Clear();
  if (FCatList)
    if (TTuneGridView* grid = FCatList->ActiveGrid()) grid->GetSelectedKeys(keys);
  return keys.Count();
}

void TMainCatalogue::MakeLists(const std::string& programFolder) {
  FCatList = std::make_unique<TCatList>(programFolder);
  FAlbList = std::make_unique<TAlbList>(programFolder);
}

void TMainCatalogue::SetDataModule(std::unique_ptr<TDMM2> module) {
  FDMM2 = std::move(module);
}

void TMainCatalogue::FreeDataModule() {
  FDMM2.reset();
}

void TMainCatalogue::SetAreas(std::unique_ptr<TMainCategoryArea> categories,
                              std::unique_ptr<TMainAlbumArea> albums) {
  FCategoryArea = std::move(categories);
  FAlbumArea = std::move(albums);
}
