// Creating, renaming, editing and deleting categories, albums and titles.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TCatalogueCommands;
class TComponent;
class TExtPageControl;
class TMainCatalogue;
class TMainServices;
class TMenuItem;
class TMyStringGrid;
class TObject;
class TPageHold;
class TPlayRoad;
class TPlayRoadView;
class TRenamer;
class TStringList;
class TTuneAdder;
class TWorkingKeys;
struct TCatalogueMenus;

// What the editing commands work with: the window's message box and busy state, the owner of the
// items they build, the catalogue, the working keys, the play road (an edited or deleted title
// leaves or changes the program) and the view it shows on, the view in use whose selection a
// change renews, and the hold on commands that free a page.
struct TEditContext {
  TMainServices& Window;
  TComponent& Owner;
  const TMainCatalogue& Catalogue;
  TWorkingKeys& Keys;
  TPlayRoad& Road;
  TPlayRoadView& RoadView;
  TCatalogueCommands& CatalogueCommands;
  TPageHold& Pages;
};

// The window's parts the editing commands act on.
struct TEditParts {
  TExtPageControl* Categories = nullptr;
  TExtPageControl* Albums = nullptr;
  TMyStringGrid* AllCatGrid = nullptr;
};

// The main window's editing commands.
class TEditCommands {
public:
  explicit TEditCommands(const TEditContext& context);
  ~TEditCommands();
  TEditCommands(const TEditCommands&) = delete;
  TEditCommands& operator=(const TEditCommands&) = delete;

  // Editing and deleting titles. SetAddInfo keeps what the title editor hands over for the
  // change: title, artist key, category key (KeepOwnKey in a key keeps each title's own).
  void SetAddInfo(const std::string& title, int32_t artistKey, int32_t categoryKey);
  const std::string& AddTitle() const { return FAddTitle; }
  int32_t AddArtistKey() const { return FAddArtistKey; }
  int32_t AddCategoryKey() const { return FAddCategoryKey; }
  void Edit2Click(TObject* Sender);
  void EditTitles(const TStringList& keys);
  void Delete1Click(TObject* Sender);

  // The title pop-up's Delete: album rows leave their album, catalogue rows the catalogue.
  void Delete5Click(TObject* Sender);
  TTuneAdder& Adder();
  TRenamer& RenamerForm();

  // The name the name dialog handed over ("" when cancelled).
  const std::string& NameResult() const { return FNameResult; }

  // Creating, renaming and deleting categories, albums and titles.
  void Createnew2Click(TObject* Sender);
  void Createnew1Click(TObject* Sender);
  void Renameexisting1Click(TObject* Sender);
  void Renamealbum2Click(TObject* Sender);
  void Rename1Click(TObject* Sender);
  void Albumselected3Click(TObject* Sender);
  void Allalbums4Click(TObject* Sender);
  void Titlesselected3Click(TObject* Sender);
  void Activecategory1Click(TObject* Sender);
  void Deletecategory1Click(TObject* Sender);
  void Titlesselected6Click(TObject* Sender);
  void Edit1Click(TObject* Sender);
  void Delete4Click(TObject* Sender);
  void BuildEditMenus(const TCatalogueMenus& menus);
  // The parts it acts on, once the window has built them.
  void SetParts(const TEditParts& parts) { FParts = parts; }

  // Shows the name dialog centred on this window; answers the name, "" when cancelled.
  std::string AskForName(const std::string& caption, const std::string& proposal,
                         const std::string& hint);

  // The selected keys of the view in use (none on "ALL ALBUMS").
  int TitleKeysInUse(TStringList& keys);
  void RemoveFromProgram(int32_t key);

  // The Titles menu's items this group builds, before which the other groups put theirs.
  TMenuItem* Edit1() const { return FEdit1; }
  TMenuItem* Delete4() const { return FDelete4; }

private:
  // Changes that touch the albums once per title write the album files once, after them.
  void AlbumBatch(const std::function<void()>& changes);
  TEditContext FContext;
  TEditParts FParts;
  // The items others place theirs by, owned by their menu.
  TMenuItem *FEdit1 = nullptr, *FDelete4 = nullptr;
  std::string FAddTitle, FNameResult;
  int32_t FAddArtistKey = 0, FAddCategoryKey = 0;
  std::unique_ptr<TTuneAdder> FOwnAdder; // when the program made none
  std::unique_ptr<TRenamer> FOwnRenamer;
};
