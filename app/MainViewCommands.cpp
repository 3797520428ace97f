// The main window's view commands over its catalogue areas: sorting, the tab flags, the tab
// colours, the tab pop-up menus and the drawing of the tabs.
#include <windows.h>
#include "Dialogs.h"
#include "MainCodeD2.h"

namespace {

// The column each sort item sorts by on the all-titles page.
struct TSortItem {
  const char* Name;
  const char* Twin;
  const char* Caption;
};
const TSortItem SortItems[] = {
    {"Category1", "Category3", "&Category"},
    {"Artist2", "Artist1", "&Artist"},
    {"Title2", "title3", "&Title"},
    {"Duration1", "Duration2", "&Duration"},
    {"Filetype1", "Filetype2", "File t&ype"},
    {"Filesize1", "Filesize2", "File &size"},
    {"Filedate1", "Filedate2", "File dat&e"},
    {"Origin1", "Origin2", "&Origin"},
    {"Dateobtained1", "Dateobtained2", "Date o&btained"},
};

} // namespace

void TMasterFrm::BuildViewMenus(TMenuItem* categories, TMenuItem* albums, TMenuItem* view) {
  auto item = [this](TMenu* menu, TMenuItem* parent, const std::string& name,
                     const std::string& caption, std::function<void()> action) {
    return NewMenuItem(this, parent ? *parent : menu->Items(), name, caption, std::move(action));
  };
  FNewCatPopUp = new TPopupMenu(this);
  FNewCatPopUp->SetName("NewCatPopUp");
  FAlbPopUp = new TPopupMenu(this);
  FAlbPopUp->SetName("AlbPopUp");

  // Sorting: one item per column in the Categories menu, twinned in the categories pop-up.
  TMenuItem* sortMenu = item(nullptr, categories, "Sortby1", "&Sort titles by", nullptr);
  TMenuItem* sortPopUp = item(FNewCatPopUp, nullptr, "Sortby2", "&Sort titles by", nullptr);
  TMenuItem** mains[] = {&FCategory1, &FArtist2,   &FTitle2,  &FDuration1,    &FFiletype1,
                         &FFilesize1, &FFiledate1, &FOrigin1, &FDateobtained1};
  TMenuItem** twins[] = {&FCategory3, &FArtist1,   &Ftitle3,  &FDuration2,    &FFiletype2,
                         &FFilesize2, &FFiledate2, &FOrigin2, &FDateobtained2};
  for (int c = 0; c < 9; ++c) {
    auto sort = [this, c] { SortActiveGrid(c); };
    *mains[c] = item(nullptr, sortMenu, SortItems[c].Name, SortItems[c].Caption, sort);
    *twins[c] = item(nullptr, sortPopUp, SortItems[c].Twin, SortItems[c].Caption, sort);
  }
  FCategorySummaryOnly =
      item(nullptr, categories, "CategorySummaryOnly", "\"ALL CATEGORIES\" tab only",
           [this] { CategorySummaryOnlyClick(this); });
  FViewCat1 = item(FNewCatPopUp, nullptr, "ViewCat1", "\"ALL CATEGORIES\" tab only",
                   [this] { CategorySummaryOnlyClick(this); });
  FAlbumsummaryonly1 = item(nullptr, albums, "Albumsummaryonly1", "\"ALL ALBUMS\" tab only",
                            [this] { Albumsummaryonly1Click(this); });
  FView2 = item(FAlbPopUp, nullptr, "View2", "\"ALL ALBUMS\" tab only",
                [this] { Albumsummaryonly1Click(this); });

  // Tab colours: the View menu and both pop-ups.
  TMenuItem* colours = item(nullptr, view, "Tabcolours1", "&Tab colours", nullptr);
  FColor1 = item(nullptr, colours, "Color1", "&Background", [this] { Color1Click(this); });
  FFontcolor1 = item(nullptr, colours, "Fontcolor1", "&Font", [this] { Fontcolor1Click(this); });
  TMenuItem* catColours = item(FNewCatPopUp, nullptr, "Tabcolours2", "&Tab colours", nullptr);
  FBackground1 =
      item(nullptr, catColours, "Background1", "&Background", [this] { Color1Click(this); });
  FFont1 = item(nullptr, catColours, "Font1", "&Font", [this] { Fontcolor1Click(this); });
  TMenuItem* albColours = item(FAlbPopUp, nullptr, "Tabcolours3", "&Tab colours", nullptr);
  FBackground2 =
      item(nullptr, albColours, "Background2", "&Background", [this] { Color1Click(this); });
  FFont2 = item(nullptr, albColours, "Font2", "&Font", [this] { Fontcolor1Click(this); });

  // The pop-ups show their main-menu twins' state.
  FNewCatPopUp->OnPopup = [this](TObject*) {
    FViewCat1->SetCaption(FCategorySummaryOnly->Caption());
    FCategory1->SetEnabled(FCatList && FCatList->ActivePageIndex() == 0);
    FCategory3->SetEnabled(FCategory1->Enabled());
  };
  FAlbPopUp->OnPopup = [this](TObject*) { FView2->SetCaption(FAlbumsummaryonly1->Caption()); };
  categories->OnClick = [this](TObject*) {
    FCategory1->SetEnabled(FCatList && FCatList->ActivePageIndex() == 0);
  };
  MakeAlbumImage();
}

void TMasterFrm::SortActiveGrid(int allTitlesColumn) {
  if (!FCatList) return;
  TTuneGridView* grid = FCatList->ActiveGrid();
  if (!grid) return;
  bool allTitles = FCatList->ActiveIndex() < 0;
  // A category grid has no "Category" column.
  if (!allTitles && allTitlesColumn == 0) return;
  grid->SortByColumn(allTitles ? allTitlesColumn : allTitlesColumn - 1);
}

namespace {
// Shows the pages after the first when flag is set; without them the first page is active.
void ApplyTabsView(TExtPageControl& pages, bool flag) {
  if (pages.PageCount() <= 1) return;
  for (int i = 1; i < pages.PageCount(); ++i)
    pages.Pages(i)->SetTabVisible(flag);
  if (!flag) pages.SetActivePageIndex(0);
}
} // namespace

void TMasterFrm::ApplyAlbumTabsView() {
  ApplyTabsView(*FAlbums, FShowAlbTabs);
  // The caption always tells the flag, so the user sees it even before there are albums.
  FAlbumsummaryonly1->SetCaption(FShowAlbTabs ? "Show album summary ta&b only"
                                              : "Show &all album tabs");
}

void TMasterFrm::ApplyCategoryTabsView() {
  ApplyTabsView(*FCategories, FShowCatTabs);
  FCategorySummaryOnly->SetCaption(FShowCatTabs ? "Show category summary tab &only"
                                                : "Show all category &tabs");
}

void TMasterFrm::Albumsummaryonly1Click(TObject*) {
  FShowAlbTabs = !FShowAlbTabs;
  ApplyAlbumTabsView();
}

void TMasterFrm::CategorySummaryOnlyClick(TObject*) {
  FShowCatTabs = !FShowCatTabs;
  ApplyCategoryTabsView();
}

void TMasterFrm::SetTabColors(TColor back, TColor font) {
  for (TExtPageControl* tabs : {FCategories, FAlbums}) {
    tabs->SetTabActiveColor(back);
    tabs->TabActiveFont().SetColor(font);
    tabs->RepaintTabs();
  }
}

void TMasterFrm::Color1Click(TObject*) {
  TColorDialog dialog(this);
  dialog.SetColor(FCategories->TabActiveColor());
  if (dialog.Execute()) SetTabColors(dialog.Color(), FCategories->TabActiveFont().Color());
}

void TMasterFrm::Fontcolor1Click(TObject*) {
  TColorDialog dialog(this);
  dialog.SetColor(FCategories->TabActiveFont().Color());
  if (dialog.Execute()) SetTabColors(FCategories->TabActiveColor(), dialog.Color());
}

void TMasterFrm::CategoriesDrawTab(int index, const RECT& rect) {
  // rect: the whole tab.
  TCanvas& canvas = FCategories->Canvas();
  TTabSheet* page = FCategories->Pages(FCategories->GetPageIndexByTabIndex(index));
  RECT r = rect;
  canvas.Brush().SetStyle(bsClear);
  canvas.DrawText(Trim(page->Caption()), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TMasterFrm::AlbumsDrawTab(int index, const RECT& rect) {
  TCanvas& canvas = FAlbums->Canvas();
  TTabSheet* page = FAlbums->Pages(FAlbums->GetPageIndexByTabIndex(index));
  RECT r = rect;
  r.right -= 2;
  if (index == 0) {
    r.left += 5;
  } else {
    canvas.Draw(rect.left + 5, rect.top + 1, *FAlbumImage);
    r.left += 7 + FAlbumImage->Width();
  }
  canvas.Brush().SetStyle(bsClear);
  canvas.DrawText(page->Caption(), r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

namespace {

// A record sleeve with its disc, size pixels square, on a magenta that is left out when drawn.
std::unique_ptr<TBitmap> AlbumPicture(int size) {
  auto picture = std::make_unique<TBitmap>();
  picture->SetSize(size, size);
  auto at = [size](int v) { return v * size / 14; };
  TCanvas& c = picture->Canvas();
  c.Brush().SetColor(static_cast<TColor>(0xFF00FF));
  c.FillRect(RECT{0, 0, size, size});
  c.Pen().SetColor(static_cast<TColor>(0x404040));
  c.Brush().SetColor(static_cast<TColor>(0x8000));
  c.Rectangle(0, at(1), at(10), at(13));
  c.Brush().SetColor(clBlack);
  c.Ellipse(at(4), at(1), size, at(13));
  c.Brush().SetColor(static_cast<TColor>(0x00C0FF));
  c.Ellipse(at(7), at(5), at(11), at(9));
  return picture;
}

} // namespace

void TMasterFrm::MakeAlbumImage() {
  FAlbumImage = AlbumPicture(14);
  FAlbumImage->SetTransparentMode(tmFixed);
  FAlbumImage->SetTransparentColor(static_cast<TColor>(0xFF00FF));
  FAlbumImage->SetTransparent(true);
}

void TMasterFrm::MakeAlbumImageLists() {
  // The album list's lines show the sleeve: large in the icon view, small in the others.
  FLargeAlbumImages = std::make_unique<TImageList>(nullptr, 32, 32);
  FLargeAlbumImages->AddMasked(*AlbumPicture(32), static_cast<TColor>(0xFF00FF));
  FSmallAlbumImages = std::make_unique<TImageList>(nullptr, 16, 16);
  FSmallAlbumImages->AddMasked(*AlbumPicture(16), static_cast<TColor>(0xFF00FF));
  FAllAlbLV->SetLargeImages(FLargeAlbumImages.get());
  FAllAlbLV->SetSmallImages(FSmallAlbumImages.get());
}
