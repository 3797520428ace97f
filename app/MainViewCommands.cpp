// The main window's view commands over its catalogue areas: sorting, the tab flags, the tab
// colours, the tab pop-up menus and the drawing of the tabs.
#include <windows.h>
#include "Dialogs.h"
#include "MainViewCommands.h"
#include "MainCatalogue.h"
#include "ComCtrls.h"
#include "DataCodeD2.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "Menus.h"

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

void TViewCommands::BuildViewMenus(TMenuItem* categories, TMenuItem* albums, TMenuItem* view) {
  TComponent* owner = &FContext.Owner;
  auto item = [owner](TMenu* menu, TMenuItem* parent, const std::string& name,
                      const std::string& caption, std::function<void()> action) {
    return NewMenuItem(owner, parent ? *parent : menu->Items(), name, caption, std::move(action));
  };
  FNewCatPopUp = new TPopupMenu(owner);
  FNewCatPopUp->SetName("NewCatPopUp");
  FAlbPopUp = new TPopupMenu(owner);
  FAlbPopUp->SetName("AlbPopUp");

  // Sorting: one item per column in the Categories menu, twinned in the categories pop-up.
  TMenuItem* sortMenu = item(nullptr, categories, "Sortby1", "&Sort titles by", nullptr);
  TMenuItem* sortPopUp = item(FNewCatPopUp, nullptr, "Sortby2", "&Sort titles by", nullptr);
  for (int c = 0; c < 9; ++c) {
    auto sort = [this, c] { SortActiveGrid(c); };
    TMenuItem* main = item(nullptr, sortMenu, SortItems[c].Name, SortItems[c].Caption, sort);
    TMenuItem* twin = item(nullptr, sortPopUp, SortItems[c].Twin, SortItems[c].Caption, sort);
    if (c == 0) FCategory1 = main, FCategory3 = twin;
  }
  FCategorySummaryOnly =
      item(nullptr, categories, "CategorySummaryOnly", "\"ALL CATEGORIES\" tab only",
           [this, owner] { CategorySummaryOnlyClick(owner); });
  FViewCat1 = item(FNewCatPopUp, nullptr, "ViewCat1", "\"ALL CATEGORIES\" tab only",
                   [this, owner] { CategorySummaryOnlyClick(owner); });
  FAlbumsummaryonly1 = item(nullptr, albums, "Albumsummaryonly1", "\"ALL ALBUMS\" tab only",
                            [this, owner] { Albumsummaryonly1Click(owner); });
  FView2 = item(FAlbPopUp, nullptr, "View2", "\"ALL ALBUMS\" tab only",
                [this, owner] { Albumsummaryonly1Click(owner); });

  // Tab colours: the View menu and both pop-ups, each with a background and a font item.
  const std::pair<TMenu*, TMenuItem*> colourMenus[] = {
      {nullptr, view}, {FNewCatPopUp, nullptr}, {FAlbPopUp, nullptr}};
  const char* const colourNames[][3] = {{"Tabcolours1", "Color1", "Fontcolor1"},
                                        {"Tabcolours2", "Background1", "Font1"},
                                        {"Tabcolours3", "Background2", "Font2"}};
  for (int i = 0; i < 3; ++i) {
    TMenuItem* colours = item(colourMenus[i].first, colourMenus[i].second, colourNames[i][0],
                              "&Tab colours", nullptr);
    item(nullptr, colours, colourNames[i][1], "&Background", [this, owner] { Color1Click(owner); });
    item(nullptr, colours, colourNames[i][2], "&Font", [this, owner] { Fontcolor1Click(owner); });
  }

  // The pop-ups show their main-menu twins' state.
  FNewCatPopUp->OnPopup = [this](TObject*) {
    FViewCat1->SetCaption(FCategorySummaryOnly->Caption());
    TCatList* list = FContext.Catalogue.CatList();
    FCategory1->SetEnabled(list && list->ActivePageIndex() == 0);
    FCategory3->SetEnabled(FCategory1->Enabled());
  };
  FAlbPopUp->OnPopup = [this](TObject*) { FView2->SetCaption(FAlbumsummaryonly1->Caption()); };
  categories->OnClick = [this](TObject*) {
    TCatList* list = FContext.Catalogue.CatList();
    FCategory1->SetEnabled(list && list->ActivePageIndex() == 0);
  };
  MakeAlbumImage();
}

void TViewCommands::SortActiveGrid(int allTitlesColumn) {
  TCatList* list = FContext.Catalogue.CatList();
  if (!list) return;
  TTuneGridView* grid = list->ActiveGrid();
  if (!grid) return;
  bool allTitles = list->ActiveIndex() < 0;
  // A category grid has no "Category" column.
  if (!allTitles && allTitlesColumn == 0) return;
  grid->SortByColumn(allTitles ? allTitlesColumn : allTitlesColumn - 1);
}

namespace {
// Shows the pages after the first when flag is set; without them the first page is active.
void ApplyTabsView(TExtPageControl& pages, bool flag) {
  if (pages.PageCount() <= 1) return;
  TPagesUpdate update(pages);
  for (int i = 1; i < pages.PageCount(); ++i)
    pages.Pages(i)->SetTabVisible(flag);
  if (!flag) pages.SetActivePageIndex(0);
}
} // namespace

void TViewCommands::ApplyAlbumTabsView() {
  ApplyTabsView(*FParts.Albums, FShowAlbTabs);
  // The caption always tells the flag, so the user sees it even before there are albums.
  FAlbumsummaryonly1->SetCaption(FShowAlbTabs ? "Show album summary ta&b only"
                                              : "Show &all album tabs");
}

void TViewCommands::ApplyCategoryTabsView() {
  ApplyTabsView(*FParts.Categories, FShowCatTabs);
  FCategorySummaryOnly->SetCaption(FShowCatTabs ? "Show category summary tab &only"
                                                : "Show all category &tabs");
}

void TViewCommands::Albumsummaryonly1Click(TObject*) {
  FShowAlbTabs = !FShowAlbTabs;
  ApplyAlbumTabsView();
}

void TViewCommands::CategorySummaryOnlyClick(TObject*) {
  FShowCatTabs = !FShowCatTabs;
  ApplyCategoryTabsView();
}

void TViewCommands::SetTabColors(TColor back, TColor font) {
  for (TExtPageControl* tabs : {FParts.Categories, FParts.Albums}) {
    tabs->SetTabActiveColor(back);
    tabs->TabActiveFont().SetColor(font);
    tabs->RepaintTabs();
  }
}

void TViewCommands::Color1Click(TObject*) {
  TColorDialog dialog(&FContext.Owner);
  dialog.SetColor(FParts.Categories->TabActiveColor());
  if (dialog.Execute()) SetTabColors(dialog.Color(), FParts.Categories->TabActiveFont().Color());
}

void TViewCommands::Fontcolor1Click(TObject*) {
  TColorDialog dialog(&FContext.Owner);
  dialog.SetColor(FParts.Categories->TabActiveFont().Color());
  if (dialog.Execute()) SetTabColors(FParts.Categories->TabActiveColor(), dialog.Color());
}

void TViewCommands::CategoriesDrawTab(int index, const RECT& rect) {
  // rect: the whole tab.
  TCanvas& canvas = FParts.Categories->Canvas();
  TTabSheet* page = FParts.Categories->Pages(FParts.Categories->GetPageIndexByTabIndex(index));
  RECT r = rect;
  canvas.Brush().SetStyle(bsClear);
  canvas.DrawText(Trim(page->Caption()), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TViewCommands::AlbumsDrawTab(int index, const RECT& rect) {
  TCanvas& canvas = FParts.Albums->Canvas();
  TTabSheet* page = FParts.Albums->Pages(FParts.Albums->GetPageIndexByTabIndex(index));
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

void TViewCommands::MakeAlbumImage() {
  FAlbumImage = AlbumPicture(14);
  FAlbumImage->SetTransparentMode(tmFixed);
  FAlbumImage->SetTransparentColor(static_cast<TColor>(0xFF00FF));
  FAlbumImage->SetTransparent(true);
}

void TViewCommands::MakeAlbumImageLists() {
  // The album list's lines show the sleeve: large in the icon view, small in the others.
  FLargeAlbumImages = std::make_unique<TImageList>(nullptr, 32, 32);
  FLargeAlbumImages->AddMasked(*AlbumPicture(32), static_cast<TColor>(0xFF00FF));
  FSmallAlbumImages = std::make_unique<TImageList>(nullptr, 16, 16);
  FSmallAlbumImages->AddMasked(*AlbumPicture(16), static_cast<TColor>(0xFF00FF));
  FParts.AllAlbLV->SetLargeImages(FLargeAlbumImages.get());
  FParts.AllAlbLV->SetSmallImages(FSmallAlbumImages.get());
}

TViewCommands::TViewCommands(const TViewContext& context) : FContext(context) {}

TViewCommands::~TViewCommands() = default;
