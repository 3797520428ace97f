// Catalogue commands reached from the areas' pop-ups and the grids, held back while a long
// operation keeps the main window busy.
#include <windows.h>
#include "MailHandOff.h"
#include "MainCodeD2.h"
#include "EditCommands.h"
#include "CatalogueCommands.h"
#include "MainPlay.h"
#include "PrintCommands.h"
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
    if (!FFrm.CommandsDisabled()) return;
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
  for (TPopupMenu* menu : {FParts.NewCatPopUp, FParts.AlbPopUp})
    if (menu) HoldPopUpWhileBusy(menu);
}

void TMasterFrm::EnableCommands() {
  TMasterFrmBase::EnableCommands();
  // The busy time may have changed what is selected where.
  if (StartUpDone && !FClosed) ViewInUseChange();
}

// --- enabling ------------------------------------------------------------------------------------

namespace {
TMenuItem* ItemNamed(TComponent& owner, const char* name) {
  return dynamic_cast<TMenuItem*>(owner.FindComponent(name));
}
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
  EnableCatalogueItem(FFrm.CommandGate(), item, value);
}

void TCatalogueCommands::UpdateCategoryItems() {
  bool categoryPage = FParts.Categories->ActivePageIndex() > 0;
  for (const char* name : {"Renameexisting1", "Renamealbum2", "Activecategory1", "Deletecategory1",
                           "Activecategory2", "Category2", "Activecategory3", "Categoryselected2"})
    EnableItem(ItemNamed(FFrm, name), categoryPage);
  EnableItem(FParts.Category1, !categoryPage);
  for (const char* name : {"Delete3", "Allcategories1"})
    EnableItem(ItemNamed(FFrm, name), true);
  for (const char* name : {"Titlesselected4", "Titlesselected10", "Titlesselected5"})
    EnableItem(ItemNamed(FFrm, name), FFrm.WorkingKeys().CategorySelection().Count() > 0);

  bool selected = FFrm.WorkingKeys().CategorySelection().Count() > 0;
  for (TMenuItem* m :
       {FFrm.PlayCommands().Titlesselected8(), FFrm.EditCommands().Titlesselected6()})
    EnableItem(m, selected);
  FFrm.PrintCommands().UpdatePrintItems();
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
    EnableItem(ItemNamed(FFrm, name), album);
  for (const char* name : {"Titlesselected1", "Titlesselected9", "Titlesselected2"})
    EnableItem(ItemNamed(FFrm, name), albumPage && FFrm.WorkingKeys().AlbumSelection().Count() > 0);

  bool titles = albumPage && FFrm.WorkingKeys().AlbumSelection().Count() > 0;
  for (TMenuItem* m :
       {FFrm.PlayCommands().Titlesselected7(), FFrm.EditCommands().Titlesselected3()})
    EnableItem(m, titles);
  FFrm.PrintCommands().UpdatePrintItems();
  UpdateTitlesMenu();
}

void TCatalogueCommands::UpdateAllAlbumsItems() {
  bool lines = AlbumLinesExist();
  for (const char* name : {"Allalbums5", "Allalbums4", "Allalbums2", "Allalbums6", "Allalbums3"})
    EnableItem(ItemNamed(FFrm, name), lines);
}

void TCatalogueCommands::UpdateTitlesMenu() {
  if (!FParts.Title1) return;
  // While busy the menu stays as the busy state left it: disabled.
  if (FFrm.CommandsDisabled()) return;
  bool allAlbums = FFrm.WorkingKeys().AlbumsInUse() && FParts.Albums->ActivePageIndex() == 0;
  const TStringList& keys = FFrm.WorkingKeys().AlbumsInUse()
                                ? FFrm.WorkingKeys().AlbumSelection()
                                : FFrm.WorkingKeys().CategorySelection();
  FParts.Title1->SetEnabled(!allAlbums && keys.Count() > 0);
  EnableItem(ItemNamed(FFrm, "Mail3"), true);
}

void TCatalogueCommands::NewCatPopUpPopup() {
  if (!FFrm.CatList()) return; // not shown yet
  // The category items as the area stands now, whichever area is in use.
  FFrm.EditCommands().SelectedKeysOfActiveGrid(FFrm.WorkingKeys().CategorySelection());
  UpdateCategoryItems();
  FParts.ViewCat1->SetCaption(FParts.CategorySummaryOnly->Caption());
  const std::pair<const char*, const char*> twins[] = {
      {"Rename2", "Renameexisting1"},           {"Category3", "Category1"},
      {"Activecategory5", "Activecategory2"},   {"Activecategory4", "Activecategory1"},
      {"Titlesselected14", "Titlesselected4"},  {"Activecategory6", "Category2"},
      {"Titlesselected15", "Titlesselected10"}, {"Activecategory7", "Activecategory3"},
      {"Titlesselected16", "Titlesselected5"},  {"Activecategory8", "Categoryselected2"},
      {"Titlesselected17", "Titlesselected12"}, {"Activecategory9", "Categoryselected1"}};
  for (const auto& [to, from] : twins)
    if (TMenuItem* source = ItemNamed(FFrm, from))
      EnableItem(ItemNamed(FFrm, to), source->Enabled());
  for (const char* name : {"Titlesselected13", "Titleselected1", "Allcategories6", "Allcategories7",
                           "Allcategories8", "Allcategories9", "Allcategories10"})
    EnableItem(ItemNamed(FFrm, name), true);
}

void TCatalogueCommands::AlbPopUpPopup() {
  FParts.View2->SetCaption(FParts.Albumsummaryonly1->Caption());
  FFrm.AlbumsChange();
  if (TMenuItem* rename = ItemNamed(FFrm, "Rename1"))
    EnableItem(FFrm.EditCommands().Rename3(), rename->Enabled());
  for (const char* name :
       {"Allalbums7", "Allalbums8", "Allalbums9", "Allalbums10", "Allalbums11", "Allalbums12"})
    EnableItem(ItemNamed(FFrm, name), AlbumLinesExist());
  const bool titles =
      FFrm.PlayCommands().Titlesselected7()->Enabled() && FParts.Albums->ActivePageIndex() > 0;
  const bool album = FFrm.PlayCommands().Albumselected4()->Enabled();
  for (const char* name : {"Titlesselected18", "Titlesselected19", "Titlesselected20",
                           "Titlesselected21", "Titlesselected22", "Titlesselected23"})
    EnableItem(ItemNamed(FFrm, name), titles);
  for (const char* name : {"Albumselected6", "Albumselected7", "Albumselected8", "Albumselected9",
                           "Albumselected10", "Albumselected11"})
    EnableItem(ItemNamed(FFrm, name), album);
}

void TCatalogueCommands::WireEnabling() {
  // A menu's item fires its OnClick as its sub-menu opens.
  FParts.Categories1->OnClick = [this](TObject*) { FFrm.CategoriesChange(); };
  FParts.Albums1->OnClick = [this](TObject*) {
    FFrm.AlbumsChange();
    UpdateAllAlbumsItems();
  };
  for (TPopupMenu* menu : {FParts.NewCatPopUp, FParts.AlbPopUp}) {
    TNotifyEvent prior = menu->OnPopup;
    bool categories = menu == FParts.NewCatPopUp;
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
        FFrm.CategoriesChange();
      else
        FFrm.AlbumsChange();
    };
  }
  // The right button on the album summary list opens the albums' pop-up.
  FParts.AllAlbLV->SetPopupMenu(FParts.AlbPopUp);
}

TCatalogueCommands::TCatalogueCommands(TMasterFrm& frm, TCatalogueParts parts)
    : FFrm(frm), FParts(parts) {}

TCatalogueCommands::~TCatalogueCommands() = default;
