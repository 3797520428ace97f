// Which catalogue commands can act now, and holding them while the window is busy.
#pragma once
#include <map>
#include <vector>

class TCommandGate;
class TExtListView;
class TExtPageControl;
class TMasterFrm;
class TMenuItem;
class TPopupMenu;

// Enables a catalogue command through the gate; a mail command only once a mail window has
// registered.
void EnableCatalogueItem(TCommandGate& gate, TMenuItem* item, bool value);

// The window's parts whose enabling and pop-ups the catalogue commands keep.
struct TCatalogueParts {
  TPopupMenu*& NewCatPopUp;
  TPopupMenu*& AlbPopUp;
  TExtPageControl*& Categories;
  TMenuItem*& Category1;
  TExtListView*& AllAlbLV;
  TExtPageControl*& Albums;
  TMenuItem*& Title1;
  TMenuItem*& ViewCat1;
  TMenuItem*& CategorySummaryOnly;
  TMenuItem*& View2;
  TMenuItem*& Albumsummaryonly1;
  TMenuItem*& Categories1;
  TMenuItem*& Albums1;
};

// The enabling of the main window's catalogue commands.
class TCatalogueCommands {
public:
  TCatalogueCommands(TMasterFrm& frm, TCatalogueParts parts);
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
  TCatalogueParts FParts;
  std::map<TPopupMenu*, std::vector<TMenuItem*>> FHeldPopUpItems;
};
