// Catalogue commands reached from the areas' pop-ups and the grids, held back while a long
// operation keeps the main window busy.
#include "MailHandOff.h"
#include "CatalogueCommands.h"
#include "CommandGate.h"
#include "DataCodeD2.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "MainViewCommands.h"
#include "PrintCommands.h"
#include "ProgramWide.h"
#include "WorkingKeys.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "Menus.h"

void TCatalogueCommands::HoldPopUpWhileBusy(TPopupMenu* menu) {
  TNotifyEvent prior = menu->OnPopup;
  menu->OnPopup = [this, menu, prior](TObject* s) {
    // Items held at an earlier busy showing get their state back first.
    std::vector<TMenuItem*>& held = FHeldPopUpItems[menu];
    for (TMenuItem* m : held)
      m->SetEnabled(true);
    held.clear();
    if (prior) prior(s);
    if (!FContext.Window.CommandsDisabled()) return;
    // A command started here would run nested inside the long one, under its feet.
    for (int i = 0; i < menu->Items().Count(); ++i) {
      TMenuItem* m = menu->Items().Items(i);
      if (m->Enabled() && !m->IsLine()) {
        m->SetEnabled(false);
        held.push_back(m);
      }
    }
  };
}

void TCatalogueCommands::HoldCommandsWhileBusy() {
  for (TPopupMenu* menu : {FMenus.NewCatPopUp, FMenus.AlbPopUp})
    if (menu) HoldPopUpWhileBusy(menu);
}

// --- enabling ------------------------------------------------------------------------------------

namespace {
// The mail commands can act only once a mail window has registered.
bool IsMailItem(const TMenuItem* item) {
  for (const char* name :
       {"Category2", "Titlesselected4", "Allcategories1", "Titlesselected1", "Albumselected1",
        "Allalbums2", "Mail3", "Activecategory6", "Titlesselected14", "Allcategories7",
        "Titlesselected20", "Albumselected8", "Allalbums9"})
    if (item->Name() == name) return true;
  return false;
}
} // namespace

void EnableCatalogueItem(TCommandGate& gate, TMenuItem* item, bool value) {
  if (item) gate.SetEnabled(item, value && (!IsMailItem(item) || MailWindowLink()));
}

void TCatalogueCommands::EnableItem(TMenuItem* item, bool value) {
  EnableCatalogueItem(FContext.Window.CommandGate(), item, value);
}

void TCatalogueCommands::UpdateCategoryItems() {
  bool categoryPage = FParts.Categories->ActivePageIndex() > 0;
  for (const char* name : {"Renameexisting1", "Renamealbum2", "Activecategory1", "Deletecategory1",
                           "Activecategory2", "Category2", "Activecategory3", "Categoryselected2"})
    EnableItem(ItemNamed(name), categoryPage);
  EnableItem(ItemNamed("Category1"), !categoryPage);
  for (const char* name : {"Delete3", "Allcategories1"})
    EnableItem(ItemNamed(name), true);
  for (const char* name : {"Titlesselected4", "Titlesselected10", "Titlesselected5"})
    EnableItem(ItemNamed(name), FContext.Keys.CategorySelection().Count() > 0);

  bool selected = FContext.Keys.CategorySelection().Count() > 0;
  for (const char* name : {"Titlesselected8", "Titlesselected6"})
    EnableItem(ItemNamed(name), selected);
  FContext.PrintCommands.UpdatePrintItems();
  UpdateTitlesMenu();
}

bool TCatalogueCommands::AlbumLinesExist() const {
  return FParts.AllAlbLV && FParts.AllAlbLV->ItemCount() > 0;
}

void TCatalogueCommands::UpdateAlbumItems() {
  bool albumPage = FParts.Albums->ActivePageIndex() > 0;
  bool album = albumPage || (FParts.AllAlbLV && FParts.AllAlbLV->SelCount() > 0);
  for (const char* name : {"Albumselected4", "Albumselected3", "Albumselected1", "Albumsselected1",
                           "Albumselected2", "Rename1", "Delete2"})
    EnableItem(ItemNamed(name), album);
  for (const char* name : {"Titlesselected1", "Titlesselected9", "Titlesselected2"})
    EnableItem(ItemNamed(name), albumPage && FContext.Keys.AlbumSelection().Count() > 0);

  bool titles = albumPage && FContext.Keys.AlbumSelection().Count() > 0;
  for (const char* name : {"Titlesselected7", "Titlesselected3"})
    EnableItem(ItemNamed(name), titles);
  FContext.PrintCommands.UpdatePrintItems();
  UpdateTitlesMenu();
}

void TCatalogueCommands::UpdateAllAlbumsItems() {
  bool lines = AlbumLinesExist();
  for (const char* name : {"Allalbums5", "Allalbums4", "Allalbums2", "Allalbums6", "Allalbums3"})
    EnableItem(ItemNamed(name), lines);
}

void TCatalogueCommands::UpdateTitlesMenu() {
  if (!FMenus.Titles) return;
  // While busy the menu stays as the busy state left it: disabled.
  if (FContext.Window.CommandsDisabled()) return;
  bool allAlbums = FContext.Keys.AlbumsInUse() && FParts.Albums->ActivePageIndex() == 0;
  const TStringList& keys = FContext.Keys.AlbumsInUse() ? FContext.Keys.AlbumSelection()
                                                        : FContext.Keys.CategorySelection();
  FMenus.Titles->SetEnabled(!allAlbums && keys.Count() > 0);
  EnableItem(ItemNamed("Mail3"), true);
}

void TCatalogueCommands::NewCatPopUpPopup() {
  if (!FContext.Catalogue.CatList()) return; // not shown yet
  // The category items as the area stands now, whichever area is in use.
  FContext.Catalogue.SelectedKeysOfActiveGrid(FContext.Keys.CategorySelection());
  UpdateCategoryItems();
  ItemNamed("ViewCat1")->SetCaption(ItemNamed("CategorySummaryOnly")->Caption());
  const std::pair<const char*, const char*> twins[] = {
      {"Rename2", "Renameexisting1"},           {"Category3", "Category1"},
      {"Activecategory5", "Activecategory2"},   {"Activecategory4", "Activecategory1"},
      {"Titlesselected14", "Titlesselected4"},  {"Activecategory6", "Category2"},
      {"Titlesselected15", "Titlesselected10"}, {"Activecategory7", "Activecategory3"},
      {"Titlesselected16", "Titlesselected5"},  {"Activecategory8", "Categoryselected2"},
      {"Titlesselected17", "Titlesselected12"}, {"Activecategory9", "Categoryselected1"}};
  for (const auto& [to, from] : twins)
    if (TMenuItem* source = ItemNamed(from)) EnableItem(ItemNamed(to), source->Enabled());
  for (const char* name : {"Titlesselected13", "Titleselected1", "Allcategories6", "Allcategories7",
                           "Allcategories8", "Allcategories9", "Allcategories10"})
    EnableItem(ItemNamed(name), true);
}

void TCatalogueCommands::AlbPopUpPopup() {
  ItemNamed("View2")->SetCaption(ItemNamed("Albumsummaryonly1")->Caption());
  AlbumsChange();
  if (TMenuItem* rename = ItemNamed("Rename1")) EnableItem(ItemNamed("Rename3"), rename->Enabled());
  for (const char* name :
       {"Allalbums7", "Allalbums8", "Allalbums9", "Allalbums10", "Allalbums11", "Allalbums12"})
    EnableItem(ItemNamed(name), AlbumLinesExist());
  const bool titles =
      ItemNamed("Titlesselected7")->Enabled() && FParts.Albums->ActivePageIndex() > 0;
  const bool album = ItemNamed("Albumselected4")->Enabled();
  for (const char* name : {"Titlesselected18", "Titlesselected19", "Titlesselected20",
                           "Titlesselected21", "Titlesselected22", "Titlesselected23"})
    EnableItem(ItemNamed(name), titles);
  for (const char* name : {"Albumselected6", "Albumselected7", "Albumselected8", "Albumselected9",
                           "Albumselected10", "Albumselected11"})
    EnableItem(ItemNamed(name), album);
}

void TCatalogueCommands::WireEnabling(const TCatalogueMenus& menus, const TCatalogueParts& parts) {
  FMenus = menus;
  FParts = parts;
  // A menu's item fires its OnClick as its sub-menu opens.
  FMenus.Categories->OnClick = [this](TObject*) { CategoriesChange(); };
  FMenus.Albums->OnClick = [this](TObject*) {
    AlbumsChange();
    UpdateAllAlbumsItems();
  };
  for (TPopupMenu* menu : {FMenus.NewCatPopUp, FMenus.AlbPopUp}) {
    TNotifyEvent prior = menu->OnPopup;
    bool categories = menu == FMenus.NewCatPopUp;
    menu->OnPopup = [this, prior, categories](TObject* s) {
      if (prior) prior(s);
      if (categories)
        NewCatPopUpPopup();
      else
        AlbPopUpPopup();
    };
  }
  // A click on a tab that is active already changes no page, yet the user works in that area.
  for (TExtPageControl* tabs : {FParts.Categories, FParts.Albums}) {
    TMouseEvent prior = tabs->OnMouseUp;
    bool categories = tabs == FParts.Categories;
    tabs->OnMouseUp = [this, prior, categories](TObject* s, TMouseButton b, TShiftState sh, int x,
                                                int y) {
      if (prior) prior(s, b, sh, x, y);
      if (categories)
        CategoriesChange();
      else
        AlbumsChange();
    };
  }
  // The right button on the album summary list opens the albums' pop-up.
  FParts.AllAlbLV->SetPopupMenu(FMenus.AlbPopUp);
}

TMenuItem* TCatalogueCommands::ItemNamed(const char* name) const {
  return dynamic_cast<TMenuItem*>(FContext.Owner.FindComponent(name));
}

// --- the view in use
// ------------------------------------------------------------------------------

void TCatalogueCommands::CategoriesChange() {
  TCatList* list = FContext.Catalogue.CatList();
  if (FContext.Window.Closed() || !StartUpDone || !list) return;
  // A page chosen on the tabs leaves the focus there: the arrow keys go on choosing tabs.
  if (!FParts.Categories->Focused()) list->FocusActiveGrid();
  FContext.Keys.SetAlbumsInUse(false);
  FContext.Catalogue.SelectedKeysOfActiveGrid(FContext.Keys.CategorySelection());
  UpdateCategoryItems();
}

void TCatalogueCommands::AlbumsChange() {
  TAlbList* list = FContext.Catalogue.AlbList();
  if (FContext.Window.Closed() || !list) return;
  if (!FParts.Albums->Focused()) list->FocusActiveView();
  FContext.Keys.SetAlbumsInUse(true);
  list->GetSelectedKeys(FContext.Keys.AlbumSelection());
  if (FParts.Albums->ActivePageIndex() == 0) FContext.ViewCommands.ApplyAlbumTabsView();
  UpdateAlbumItems();
}

void TCatalogueCommands::ViewInUseChange() {
  if (FContext.Keys.AlbumsInUse())
    AlbumsChange();
  else
    CategoriesChange();
}

TCatalogueCommands::TCatalogueCommands(const TCatalogueContext& context) : FContext(context) {}

TCatalogueCommands::~TCatalogueCommands() = default;
