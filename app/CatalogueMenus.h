// The menus that the catalogue's command groups fill: the Albums, Categories and Titles menus and
// the two tab pop-ups.
#pragma once

class TMenuItem;
class TPopupMenu;

// The window builds the three menus, the view commands the two pop-ups; each group that adds its
// items gets them as they are built.
struct TCatalogueMenus {
  TMenuItem* Albums = nullptr;
  TMenuItem* Categories = nullptr;
  TMenuItem* Titles = nullptr;
  TPopupMenu* AlbPopUp = nullptr;
  TPopupMenu* NewCatPopUp = nullptr;
};
