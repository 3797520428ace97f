// The view commands of the catalogue areas: sorting, summaries, tabs and their colours.
#pragma once
#include <windows.h>
#include <memory>
#include "Graphics.h"

class TBitmap;
class TComponent;
class TExtListView;
class TExtPageControl;
class TImageList;
class TMainCatalogue;
class TMenuItem;
class TObject;
class TPopupMenu;

// What the view commands work with: the owner of the pop-ups and items they build, and the
// catalogue whose active grid they sort.
struct TViewContext {
  TComponent& Owner;
  const TMainCatalogue& Catalogue;
};

// The window's parts the view commands act on: the two tab controls and the album list.
struct TViewParts {
  TExtPageControl* Categories = nullptr;
  TExtPageControl* Albums = nullptr;
  TExtListView* AllAlbLV = nullptr;
};

// The main window's view commands.
class TViewCommands {
public:
  explicit TViewCommands(const TViewContext& context);
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
  // Builds the two tab pop-ups and the view items of the Categories, Albums and View menus and of
  // the pop-ups.
  void BuildViewMenus(TMenuItem* categories, TMenuItem* albums, TMenuItem* view);
  // The tab pop-ups this group builds: the categories' and the albums'.
  TPopupMenu* NewCatPopUp() const { return FNewCatPopUp; }
  TPopupMenu* AlbPopUp() const { return FAlbPopUp; }
  // The parts it acts on, once the window has built them.
  void SetParts(const TViewParts& parts) { FParts = parts; }
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
  TViewContext FContext;
  TViewParts FParts;
  // What it built that it works with itself; the window owns them, as every part.
  TPopupMenu *FNewCatPopUp = nullptr, *FAlbPopUp = nullptr;
  TMenuItem *FCategory1 = nullptr, *FCategory3 = nullptr, *FCategorySummaryOnly = nullptr,
            *FViewCat1 = nullptr, *FAlbumsummaryonly1 = nullptr, *FView2 = nullptr;
  bool FShowAlbTabs = true, FShowCatTabs = true;
  std::unique_ptr<TBitmap> FAlbumImage;
  std::unique_ptr<TImageList> FLargeAlbumImages, FSmallAlbumImages;
};
