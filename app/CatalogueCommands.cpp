// Catalogue commands reached from the areas' pop-ups and the grids, held back while a long
// operation keeps the main window busy.
#include <windows.h>
#include "MainCodeD2.h"

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
} // namespace

void TMasterFrm::EnableItem(TMenuItem* item, bool value) {
  if (item) CommandGate().SetEnabled(item, value);
}

void TMasterFrm::UpdateCategoryItems() {
  bool categoryPage = FCategories->ActivePageIndex() > 0;
  for (TMenuItem* m :
       {FRenameexisting1, FRenamealbum2, FActivecategory1, FDeletecategory1, FActivecategory2})
    EnableItem(m, categoryPage);
  EnableItem(FCategory1, !categoryPage);
  EnableItem(ItemNamed(*this, "Delete3"), true);
  bool selected = FSelection->Count() > 0;
  for (TMenuItem* m : {FTitlesselected8, FTitlesselected6})
    EnableItem(m, selected);
  UpdatePrintItems();
  UpdateTitlesMenu();
}

bool TMasterFrm::AlbumLinesExist() const {
  return FAllAlbLV && FAllAlbLV->ItemCount() > 0;
}

void TMasterFrm::UpdateAlbumItems() {
  bool albumPage = FAlbums->ActivePageIndex() > 0;
  bool album = albumPage || (FAllAlbLV && FAllAlbLV->SelCount() > 0);
  for (TMenuItem* m : {FAlbumselected4, FAlbumselected3, FRename1, ItemNamed(*this, "Delete2")})
    EnableItem(m, album);
  bool titles = albumPage && FSelection2->Count() > 0;
  for (TMenuItem* m : {FTitlesselected7, FTitlesselected3})
    EnableItem(m, titles);
  UpdatePrintItems();
  UpdateTitlesMenu();
}

void TMasterFrm::UpdateAllAlbumsItems() {
  bool lines = AlbumLinesExist();
  for (TMenuItem* m : {FAllalbums5, FAllalbums4})
    EnableItem(m, lines);
}

void TMasterFrm::UpdateTitlesMenu() {
  if (!FTitles1) return;
  // While busy the menu stays as the busy state left it: disabled.
  if (CommandsDisabled()) return;
  bool allAlbums = FAlbumsInUse && FAlbums->ActivePageIndex() == 0;
  const TStringList& keys = FAlbumsInUse ? *FSelection2 : *FSelection;
  FTitles1->SetEnabled(!allAlbums && keys.Count() > 0);
}

void TMasterFrm::NewCatPopUpPopup() {
  auto copy = [this](TMenuItem* to, TMenuItem* from) {
    if (to && from) EnableItem(to, from->Enabled());
  };
  copy(FRename2, FRenameexisting1);
  copy(FCategory3, FCategory1);
  copy(FActivecategory4, FActivecategory1);
  for (TMenuItem* m : {FTitleselected1})
    EnableItem(m, true);
}

void TMasterFrm::AlbPopUpPopup() {
  AlbumsChange();
  auto copy = [this](TMenuItem* to, TMenuItem* from) {
    if (to && from) EnableItem(to, from->Enabled());
  };
  copy(FRename3, FRename1);
  EnableItem(FAllalbums8, AlbumLinesExist());
  bool titles = FTitlesselected7 && FTitlesselected7->Enabled() && FAlbums->ActivePageIndex() > 0;
  EnableItem(FTitlesselected19, titles);
  copy(FAlbumselected7, FAlbumselected4);
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
}
