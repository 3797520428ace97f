// Which catalogue commands can act now, and holding them while the window is busy.
#pragma once
#include <map>
#include <vector>

class TMasterFrm;
class TMenuItem;
class TPopupMenu;

// The enabling of the main window's catalogue commands.
class TCatalogueCommands {
public:
  explicit TCatalogueCommands(TMasterFrm& frm);
  ~TCatalogueCommands();
  TCatalogueCommands(const TCatalogueCommands&) = delete;
  TCatalogueCommands& operator=(const TCatalogueCommands&) = delete;

  // While busy, the areas' pop-ups offer nothing and the grids start nothing.
  void HoldCommandsWhileBusy();
  void HoldPopUpWhileBusy(TPopupMenu* menu);

  // Which catalogue items can act now, after every change in an area and as menus open.
  void WireEnabling();
  void EnableItem(TMenuItem* item, bool value);
  void UpdateCategoryItems();
  void UpdateAlbumItems();
  void UpdateAllAlbumsItems();
  bool AlbumLinesExist() const;

  // The Titles menu acts on the view in use's selection: enabled while there is one (never on
  // "ALL ALBUMS").
  void UpdateTitlesMenu();
  void NewCatPopUpPopup();
  void AlbPopUpPopup();

private:
  TMasterFrm& FFrm;
  std::map<TPopupMenu*, std::vector<TMenuItem*>> FHeldPopUpItems;
};
