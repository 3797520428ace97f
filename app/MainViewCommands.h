// The view commands of the catalogue areas: sorting, summaries, tabs and their colours.
#pragma once
#include <windows.h>
#include <memory>
#include "Graphics.h"

class TMasterFrm;
class TBitmap;
class TExtListView;
class TExtPageControl;
class TImageList;
class TMenuItem;
class TObject;
class TPopupMenu;

// The window's parts the view commands use: the two tab controls and the album list, and the
// slots of the pop-ups and items these commands build.
struct TViewParts {
  TExtPageControl*& Categories;
  TExtPageControl*& Albums;
  TExtListView*& AllAlbLV;
  TPopupMenu*& NewCatPopUp;
  TPopupMenu*& AlbPopUp;
  // The sort items of the Categories menu, then their twins in the categories pop-up.
  TMenuItem *&Category1, *&Artist2, *&Title2, *&Duration1, *&Filetype1, *&Filesize1, *&Filedate1,
      *&Origin1, *&Dateobtained1;
  TMenuItem *&Category3, *&Artist1, *&title3, *&Duration2, *&Filetype2, *&Filesize2, *&Filedate2,
      *&Origin2, *&Dateobtained2;
  TMenuItem *&CategorySummaryOnly, *&ViewCat1, *&Albumsummaryonly1, *&View2;
  TMenuItem *&Color1, *&Fontcolor1, *&Background1, *&Font1, *&Background2, *&Font2;
};

// The main window's view commands.
class TViewCommands {
public:
  TViewCommands(TMasterFrm& frm, TViewParts parts);
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
  // Whether the pages after each area's summary page show their tabs.
  bool ShowAlbTabs() const { return FShowAlbTabs; }
  bool ShowCatTabs() const { return FShowCatTabs; }
  void SetShowTabs(bool albums, bool categories) {
    FShowAlbTabs = albums;
    FShowCatTabs = categories;
  }

private:
  TMasterFrm& FFrm;
  TViewParts FParts;
  bool FShowAlbTabs = true, FShowCatTabs = true;
  std::unique_ptr<TBitmap> FAlbumImage;
  std::unique_ptr<TImageList> FLargeAlbumImages, FSmallAlbumImages;
};
