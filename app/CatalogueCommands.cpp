// Catalogue commands reached from the areas' pop-ups and the grids, held back while a long
// operation keeps the main window busy.
#include <windows.h>
#include "MailHandOff.h"
#include "MainCodeD2.h"
#include "PrintCommands.h"

void TMasterFrm::HoldPopUpWhileBusy(TPopupMenu* menu) {
  TNotifyEvent prior = menu->OnPopup;
  menu->OnPopup = [this, menu, prior](TObject* s) {
    // Items held at an earlier busy showing get their state back first.
    std::vector<TMenuItem*>& held = FHeldPopUpItems[menu];
    for (TMenuItem* m : held)
      m->SetEnabled(true);
    held.clear();
    if (prior) prior(s);
    if (!CommandsDisabled()) return;
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

void TMasterFrm::HoldCommandsWhileBusy() {
  for (TPopupMenu* menu : {FNewCatPopUp, FAlbPopUp})
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

void TMasterFrm::EnableItem(TMenuItem* item, bool value) {
  if (item) CommandGate().SetEnabled(item, value && (!IsMailItem(item) || MailWindowLink()));
}

void TMasterFrm::UpdateCategoryItems() {
  bool categoryPage = FCategories->ActivePageIndex() > 0;
  for (const char* name : {"Renameexisting1", "Renamealbum2", "Activecategory1", "Deletecategory1",
                           "Activecategory2", "Category2", "Activecategory3", "Categoryselected2"})
    EnableItem(ItemNamed(*this, name), categoryPage);
  EnableItem(FCategory1, !categoryPage);
  for (const char* name : {"Delete3", "Allcategories1"})
    EnableItem(ItemNamed(*this, name), true);
  for (const char* name : {"Titlesselected4", "Titlesselected10", "Titlesselected5"})
    EnableItem(ItemNamed(*this, name), FSelection->Count() > 0);

  bool selected = FSelection->Count() > 0;
  for (TMenuItem* m : {FTitlesselected8, FTitlesselected6})
    EnableItem(m, selected);
  FPrintCommands->UpdatePrintItems();
  UpdateTitlesMenu();
}

bool TMasterFrm::AlbumLinesExist() const {
  return FAllAlbLV && FAllAlbLV->ItemCount() > 0;
}

void TMasterFrm::UpdateAlbumItems() {
  bool albumPage = FAlbums->ActivePageIndex() > 0;
  bool album = albumPage || (FAllAlbLV && FAllAlbLV->SelCount() > 0);
  for (const char* name : {"Albumselected4", "Albumselected3", "Albumselected1", "Albumsselected1",
                           "Albumselected2", "Rename1", "Delete2"})
    EnableItem(ItemNamed(*this, name), album);
  for (const char* name : {"Titlesselected1", "Titlesselected9", "Titlesselected2"})
    EnableItem(ItemNamed(*this, name), albumPage && FSelection2->Count() > 0);

  bool titles = albumPage && FSelection2->Count() > 0;
  for (TMenuItem* m : {FTitlesselected7, FTitlesselected3})
    EnableItem(m, titles);
  FPrintCommands->UpdatePrintItems();
  UpdateTitlesMenu();
}

void TMasterFrm::UpdateAllAlbumsItems() {
  bool lines = AlbumLinesExist();
  for (const char* name : {"Allalbums5", "Allalbums4", "Allalbums2", "Allalbums6", "Allalbums3"})
    EnableItem(ItemNamed(*this, name), lines);
}

void TMasterFrm::UpdateTitlesMenu() {
  if (!FTitle1) return;
  // While busy the menu stays as the busy state left it: disabled.
  if (CommandsDisabled()) return;
  bool allAlbums = FAlbumsInUse && FAlbums->ActivePageIndex() == 0;
  const TStringList& keys = FAlbumsInUse ? *FSelection2 : *FSelection;
  FTitle1->SetEnabled(!allAlbums && keys.Count() > 0);
  EnableItem(ItemNamed(*this, "Mail3"), true);
}

void TMasterFrm::NewCatPopUpPopup() {
  if (!FSelection) return; // not shown yet
  // The category items as the area stands now, whichever area is in use.
  SelectedKeysOfActiveGrid(*FSelection);
  UpdateCategoryItems();
  FViewCat1->SetCaption(FCategorySummaryOnly->Caption());
  const std::pair<const char*, const char*> twins[] = {
      {"Rename2", "Renameexisting1"},           {"Category3", "Category1"},
      {"Activecategory5", "Activecategory2"},   {"Activecategory4", "Activecategory1"},
      {"Titlesselected14", "Titlesselected4"},  {"Activecategory6", "Category2"},
      {"Titlesselected15", "Titlesselected10"}, {"Activecategory7", "Activecategory3"},
      {"Titlesselected16", "Titlesselected5"},  {"Activecategory8", "Categoryselected2"},
      {"Titlesselected17", "Titlesselected12"}, {"Activecategory9", "Categoryselected1"}};
  for (const auto& [to, from] : twins)
    if (TMenuItem* source = ItemNamed(*this, from))
      EnableItem(ItemNamed(*this, to), source->Enabled());
  for (const char* name : {"Titlesselected13", "Titleselected1", "Allcategories6", "Allcategories7",
                           "Allcategories8", "Allcategories9", "Allcategories10"})
    EnableItem(ItemNamed(*this, name), true);
}

void TMasterFrm::AlbPopUpPopup() {
  FView2->SetCaption(FAlbumsummaryonly1->Caption());
  AlbumsChange();
  if (TMenuItem* rename = ItemNamed(*this, "Rename1")) EnableItem(FRename3, rename->Enabled());
  for (const char* name :
       {"Allalbums7", "Allalbums8", "Allalbums9", "Allalbums10", "Allalbums11", "Allalbums12"})
    EnableItem(ItemNamed(*this, name), AlbumLinesExist());
  const bool titles = FTitlesselected7->Enabled() && FAlbums->ActivePageIndex() > 0;
  const bool album = FAlbumselected4->Enabled();
  for (const char* name : {"Titlesselected18", "Titlesselected19", "Titlesselected20",
                           "Titlesselected21", "Titlesselected22", "Titlesselected23"})
    EnableItem(ItemNamed(*this, name), titles);
  for (const char* name : {"Albumselected6", "Albumselected7", "Albumselected8", "Albumselected9",
                           "Albumselected10", "Albumselected11"})
    EnableItem(ItemNamed(*this, name), album);
}

void TMasterFrm::WireEnabling() {
  // A menu's item fires its OnClick as its sub-menu opens.
  FCategories1->OnClick = [this](TObject*) { CategoriesChange(); };
  FAlbums1->OnClick = [this](TObject*) {
    AlbumsChange();
    UpdateAllAlbumsItems();
  };
  for (TPopupMenu* menu : {FNewCatPopUp, FAlbPopUp}) {
    TNotifyEvent prior = menu->OnPopup;
    bool categories = menu == FNewCatPopUp;
    menu->OnPopup = [this, prior, categories](TObject* s) {
      if (prior) prior(s);
      if (categories)
        NewCatPopUpPopup();
      else
        AlbPopUpPopup();
    };
  }
  // A click on a tab that is active already changes no page, yet the user works in that area.
  for (TExtPageControl* tabs : {FCategories, FAlbums}) {
    TMouseEvent prior = tabs->OnMouseUp;
    bool categories = tabs == FCategories;
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
  FAllAlbLV->SetPopupMenu(FAlbPopUp);
}
