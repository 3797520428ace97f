// Creating, renaming, editing and deleting categories, albums and titles.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TMasterFrm;
class TMenuItem;
class TObject;
class TRenamer;
class TStringList;
class TTuneAdder;

// The main window's editing commands.
class TEditCommands {
public:
  explicit TEditCommands(TMasterFrm& frm);
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
  void RemoveFromProgram(int32_t key);

private:
  // Changes that touch the albums once per title write the album files once, after them.
  void AlbumBatch(const std::function<void()>& changes);
  TMasterFrm& FFrm;
  std::string FAddTitle, FNameResult;
  int32_t FAddArtistKey = 0, FAddCategoryKey = 0;
  std::unique_ptr<TTuneAdder> FOwnAdder; // when the program made none
  std::unique_ptr<TRenamer> FOwnRenamer;
};
