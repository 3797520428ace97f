// The catalogue the main window opens, as the command groups share it: the category and album
// lists, the data module with the store and the artists, the tune files and the two areas.
#pragma once
#include <memory>
#include <string>

class TAlbList;
class TCatalogueStore;
class TCatList;
class TDMM2;
class TMainAlbumArea;
class TMainCategoryArea;
class TMyDB;
class TPerfList;
class TStringList;
class TTuneFiles;

// The window holds it and makes or frees its parts; the groups get it read-only and find each
// part null until the window has made it (the lists when the window is created, the data module
// when the start-up timer opens the store, until shutdown closes it).
class TMainCatalogue {
public:
  TMainCatalogue();
  ~TMainCatalogue();
  TMainCatalogue(const TMainCatalogue&) = delete;
  TMainCatalogue& operator=(const TMainCatalogue&) = delete;

  TCatList* CatList() const { return FCatList.get(); }
  TAlbList* AlbList() const { return FAlbList.get(); }
  TDMM2* DMM2() const { return FDMM2.get(); }
  // The data module's store and artist list (null without the data module).
  TMyDB* Store() const;
  TPerfList* Artists() const;
  // The selected keys of the active category grid (none without the lists); answers their count.
  int SelectedKeysOfActiveGrid(TStringList& keys) const;
  // Titles packed and unpacked; the play road's store, which plays once the data module is in.
  TTuneFiles& TuneFiles() const { return *FTuneFiles; }
  TCatalogueStore& PlayStore() const { return *FStore; }
  // The category and album pages as the window built them.
  TMainCategoryArea& CategoryArea() const { return *FCategoryArea; }
  TMainAlbumArea& AlbumArea() const { return *FAlbumArea; }

  // The window's own making and freeing.
  void MakeLists(const std::string& programFolder);
  void SetDataModule(std::unique_ptr<TDMM2> module);
  void FreeDataModule();
  void SetAreas(std::unique_ptr<TMainCategoryArea> categories,
                std::unique_ptr<TMainAlbumArea> albums);

private:
  // Freed in the reverse order: the areas first, the tune files last.
  std::unique_ptr<TTuneFiles> FTuneFiles;
  std::unique_ptr<TCatalogueStore> FStore;
  std::unique_ptr<TDMM2> FDMM2;
  std::unique_ptr<TCatList> FCatList;
  std::unique_ptr<TAlbList> FAlbList;
  std::unique_ptr<TMainCategoryArea> FCategoryArea;
  std::unique_ptr<TMainAlbumArea> FAlbumArea;
};
