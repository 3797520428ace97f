// The view commands of the catalogue areas: sorting, summaries, tabs and their colours.
#pragma once
#include <windows.h>
#include <memory>
#include "Graphics.h"

class TMasterFrm;
class TBitmap;
class TImageList;
class TMenuItem;
class TObject;

// The main window's view commands.
class TViewCommands {
public:
  explicit TViewCommands(TMasterFrm& frm);
  ~TViewCommands();
  TViewCommands(const TViewCommands&) = delete;
  TViewCommands& operator=(const TViewCommands&) = delete;

  // View commands of the catalogue areas.
  // Sorts the active category grid by the column of that name on the all-titles page (0 for
  // "Category"); a category grid has no category column, so there it is one less.
  void SortActiveGrid(int allTitlesColumn);
  void ApplyAlbumTabsView();
  void ApplyCategoryTabsView();
  void Albumsummaryonly1Click(TObject* Sender);
  void CategorySummaryOnlyClick(TObject* Sender);
  void Color1Click(TObject* Sender);
  void Fontcolor1Click(TObject* Sender);
  void BuildViewMenus(TMenuItem* categories, TMenuItem* albums, TMenuItem* view);
  void CategoriesDrawTab(int index, const RECT& rect);
  void AlbumsDrawTab(int index, const RECT& rect);
  void MakeAlbumImage();
  void MakeAlbumImageLists();
  void SetTabColors(TColor back, TColor font);

private:
  TMasterFrm& FFrm;
  std::unique_ptr<TBitmap> FAlbumImage;
  std::unique_ptr<TImageList> FLargeAlbumImages, FSmallAlbumImages;
};
