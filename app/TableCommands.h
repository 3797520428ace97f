// The catalogue command table: mail, archive and save over the keys of one area and scope.
#pragma once

class TExtPageControl;
class TMasterFrm;
class TMenuItem;
class TObject;
class TPopupMenu;
class TStringList;

// The window's parts the table commands add their items to.
struct TTableParts {
  TPopupMenu*& AlbPopUp;
  TPopupMenu*& NewCatPopUp;
  TExtPageControl*& Albums;
  TMenuItem*& File1;
  TMenuItem*& ScansystemforMIDIfiles1;
};

// The main window's table commands, from the Albums, Categories and Titles menus and the tab
// pop-ups.
class TTableCommands {
public:
  TTableCommands(TMasterFrm& frm, TTableParts parts);
  ~TTableCommands();
  TTableCommands(const TTableCommands&) = delete;
  TTableCommands& operator=(const TTableCommands&) = delete;

  // --- the catalogue command table (TableCommands.cpp): mail, archive and save over the keys of
  // one area and scope, from the Albums and Categories menus and their tab pop-ups.
  enum class TKeySource {
    AlbumTitles,    // the selected titles of the active album page
    ActiveAlbum,    // every title of the active album (or of the selected summary lines)
    AllAlbums,      // every title of every album
    CategoryTitles, // the selected titles of the active category grid
    ActiveCategory, // every title of the active category (none on "ALL CATEGORIES")
    AllCategories   // every title of the all-titles grid
  };
  enum class TTableAction { Mail, Archive, Save };

  // The working keys of one source; answers their count (0: the command does nothing).
  int GatherKeys(TKeySource source, TStringList& keys);

  // While the keys come from the categories: the selected keys of the active category grid, or
  // all keys of the active category.
  int GetCategoryKeys(TStringList& list, bool selectedOnly);

  // Gathers, confirms where the whole catalogue or all albums go, and runs the action.
  void RunTableCommand(TTableAction action, TKeySource source);

  // The Titles menu's play, mail and save; the web search that does nothing.
  void Play3Click(TObject* Sender);
  void Mail3Click(TObject* Sender);
  void Save1Click(TObject* Sender);
  void GetWebClick(TObject* Sender);

  // The mail, archive and save sub-menus, the pop-ups' play sub-menus and the Titles menu's rest.
  void BuildTableMenus(TMenuItem* albums, TMenuItem* categories, TMenuItem* titles);

private:
  TMasterFrm& FFrm;
  TTableParts FParts;
};
