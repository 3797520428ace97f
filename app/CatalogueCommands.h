// Which catalogue commands can act now, the view in use, and holding the commands while the
// window is busy.
#pragma once
#include <map>
#include <vector>
#include "CatalogueMenus.h"

class TCommandGate;
class TComponent;
class TExtListView;
class TExtPageControl;
class TMainCatalogue;
class TMainServices;
class TMenuItem;
class TPopupMenu;
class TPrintCommands;
class TViewCommands;
class TWorkingKeys;

// Enables a catalogue command through the gate; a mail command only once a mail window has
// registered.
void EnableCatalogueItem(TCommandGate& gate, TMenuItem* item, bool value);

// What the enabling works with: the window's busy state and command gate, the owner of the
// catalogue's items (found there by name), the catalogue and the working keys, and the groups
// whose items and tabs follow the view in use.
struct TCatalogueContext {
  TMainServices& Window;
  TComponent& Owner;
  const TMainCatalogue& Catalogue;
  TWorkingKeys& Keys;
  TPrintCommands& PrintCommands;
  TViewCommands& ViewCommands;
};

// The window's parts whose selection and pop-ups the enabling follows.
struct TCatalogueParts {
  TExtPageControl* Categories = nullptr;
  TExtPageControl* Albums = nullptr;
  TExtListView* AllAlbLV = nullptr;
};

// The enabling of the main window's catalogue commands.
class TCatalogueCommands {
public:
  explicit TCatalogueCommands(const TCatalogueContext& context);
  ~TCatalogueCommands();
  TCatalogueCommands(const TCatalogueCommands&) = delete;
  TCatalogueCommands& operator=(const TCatalogueCommands&) = delete;

  // While busy, the areas' pop-ups offer nothing and the grids start nothing.
  void HoldCommandsWhileBusy();
  void HoldPopUpWhileBusy(TPopupMenu* menu);

  // Which catalogue items can act now, after every change in an area and as menus open.
  void WireEnabling(const TCatalogueMenus& menus, const TCatalogueParts& parts);
  void EnableItem(TMenuItem* item, bool value);
  void UpdateCategoryItems();
  void UpdateAlbumItems();
  void UpdateAllAlbumsItems();
  bool AlbumLinesExist() const;

  // The view in use: the area the user last worked in, and the keys selected in each. A change
  // in an area makes it the view in use and renews its selection and the items that follow it.
  void AlbumsChange();
  void CategoriesChange();
  // Runs the change handler of the area the user last worked in.
  void ViewInUseChange();

  // The Titles menu acts on the view in use's selection: enabled while there is one (never on
  // "ALL ALBUMS").
  void UpdateTitlesMenu();
  void NewCatPopUpPopup();
  void AlbPopUpPopup();

private:
  TMenuItem* ItemNamed(const char* name) const;
  TCatalogueContext FContext;
  TCatalogueMenus FMenus;
  TCatalogueParts FParts;
  std::map<TPopupMenu*, std::vector<TMenuItem*>> FHeldPopUpItems;
};
