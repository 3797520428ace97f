// The catalogue command table: mail, archive and save over the keys of one area and scope.
#pragma once

class TCatalogueCommands;
class TComponent;
class TEditCommands;
class TExportCommands;
class TExtPageControl;
class TMainCatalogue;
class TMainServices;
class TMenuItem;
class TObject;
class TPlayCommands;
class TPrintCommands;
class TStringList;
class TWorkingKeys;
struct TCatalogueMenus;

// What the table commands work with: the window's message box, the owner of the items they build,
// the catalogue, the working keys, and the groups whose commands the table runs.
struct TTableContext {
  TMainServices& Window;
  TComponent& Owner;
  const TMainCatalogue& Catalogue;
  TWorkingKeys& Keys;
  TPlayCommands& PlayCommands;
  TEditCommands& EditCommands;
  TExportCommands& ExportCommands;
  TCatalogueCommands& CatalogueCommands;
  TPrintCommands& PrintCommands;
};

// The window's part the table commands read the active album page from.
struct TTableParts {
  TExtPageControl* Albums = nullptr;
};

// The main window's table commands, from the Albums, Categories and Titles menus and the tab
// pop-ups.
class TTableCommands {
public:
  explicit TTableCommands(const TTableContext& context);
  // The parts it acts on, once the window has built them.
  void SetParts(const TTableParts& parts) { FParts = parts; }
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
  // The web search item, hidden, follows scanSystem in the File menu.
  void BuildTableMenus(const TCatalogueMenus& menus, TMenuItem* fileMenu, TMenuItem* scanSystem);

private:
  TTableContext FContext;
  TTableParts FParts;
};
