// Creating, renaming, editing and deleting categories, albums and titles.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TExtPageControl;
class TMasterFrm;
class TMenuItem;
class TMyStringGrid;
class TObject;
class TPopupMenu;
class TRenamer;
class TStringList;
class TTuneAdder;

// The window's parts the editing commands build or act on.
struct TEditParts {
  TExtPageControl*& Categories;
  TExtPageControl*& Albums;
  TPopupMenu*& NewCatPopUp;
  TPopupMenu*& AlbPopUp;
  TMyStringGrid*& AllCatGrid;
};

// The main window's editing commands.
class TEditCommands {
public:
  // pageCommandHeld answers whether a command that frees a page must wait now (and beeps then).
  TEditCommands(TMasterFrm& frm, TEditParts parts, std::function<bool()> pageCommandHeld);
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
  void BuildEditMenus(TMenuItem* albums, TMenuItem* categories, TMenuItem* titles);

  // Shows the name dialog centred on this window; answers the name, "" when cancelled.
  std::string AskForName(const std::string& caption, const std::string& proposal,
                         const std::string& hint);

  // The selected keys of the active category grid.
  int SelectedKeysOfActiveGrid(TStringList& keys) const;
  // The selected keys of the view in use (none on "ALL ALBUMS").
  int TitleKeysInUse(TStringList& keys);
  void RemoveFromProgram(int32_t key);

  // The items this group builds.
  TMenuItem* Createnew1() const { return FCreatenew1; }
  TMenuItem* Createnew2() const { return FCreatenew2; }
  TMenuItem* Createnew3() const { return FCreatenew3; }
  TMenuItem* Createnew4() const { return FCreatenew4; }
  TMenuItem* Rename1() const { return FRename1; }
  TMenuItem* Rename2() const { return FRename2; }
  TMenuItem* Rename3() const { return FRename3; }
  TMenuItem* Renameexisting1() const { return FRenameexisting1; }
  TMenuItem* Renamealbum2() const { return FRenamealbum2; }
  TMenuItem* Albumselected3() const { return FAlbumselected3; }
  TMenuItem* Albumselected7() const { return FAlbumselected7; }
  TMenuItem* Allalbums4() const { return FAllalbums4; }
  TMenuItem* Allalbums8() const { return FAllalbums8; }
  TMenuItem* Titlesselected3() const { return FTitlesselected3; }
  TMenuItem* Titlesselected19() const { return FTitlesselected19; }
  TMenuItem* Activecategory1() const { return FActivecategory1; }
  TMenuItem* Activecategory4() const { return FActivecategory4; }
  TMenuItem* Deletecategory1() const { return FDeletecategory1; }
  TMenuItem* Titlesselected6() const { return FTitlesselected6; }
  TMenuItem* Titleselected1() const { return FTitleselected1; }
  TMenuItem* Edit1() const { return FEdit1; }
  TMenuItem* Delete4() const { return FDelete4; }

private:
  // Changes that touch the albums once per title write the album files once, after them.
  void AlbumBatch(const std::function<void()>& changes);
  TMasterFrm& FFrm;
  TEditParts FParts;
  // The items this group builds, owned by their menus.
  TMenuItem *FCreatenew1 = nullptr, *FCreatenew2 = nullptr, *FCreatenew3 = nullptr,
            *FCreatenew4 = nullptr, *FRename1 = nullptr, *FRename2 = nullptr, *FRename3 = nullptr,
            *FRenameexisting1 = nullptr, *FRenamealbum2 = nullptr, *FAlbumselected3 = nullptr,
            *FAlbumselected7 = nullptr, *FAllalbums4 = nullptr, *FAllalbums8 = nullptr,
            *FTitlesselected3 = nullptr, *FTitlesselected19 = nullptr, *FActivecategory1 = nullptr,
            *FActivecategory4 = nullptr, *FDeletecategory1 = nullptr, *FTitlesselected6 = nullptr,
            *FTitleselected1 = nullptr, *FEdit1 = nullptr, *FDelete4 = nullptr;
  std::function<bool()> FPageCommandHeld;
  std::string FAddTitle, FNameResult;
  int32_t FAddArtistKey = 0, FAddCategoryKey = 0;
  std::unique_ptr<TTuneAdder> FOwnAdder; // when the program made none
  std::unique_ptr<TRenamer> FOwnRenamer;
};
