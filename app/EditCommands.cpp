// The main window's editing commands: the title editor and the title deletion over the working
// keys, and creating, renaming and deleting categories, albums and titles.
#include <windows.h>
#include "HourGlass.h"
#include "MainCodeD2.h"
#include "SysUtils.h"

namespace {

using TKind = TMessageKind;
using TButtons = TMessageButtons;
using TAnswer = TMessageAnswer;

const char* const PurgeNote = "Please note this category will be purged after this session\r\n"
                              "            unless you add titles to it!";

} // namespace

// --- the menus ----------------------------------------------------------------------------------

void TMasterFrm::BuildEditMenus(TMenuItem* albums, TMenuItem* categories, TMenuItem* titles) {
  auto item = [this](TMenu* menu, TMenuItem* parent, const std::string& name,
                     const std::string& caption, std::function<void()> action) {
    return NewMenuItem(this, parent ? *parent : menu->Items(), name, caption, std::move(action));
  };
  // Albums menu and its tab pop-up.
  auto newAlbum = [this] { Createnew1Click(this); };
  auto renameAlbum = [this] { Rename1Click(this); };
  auto removeTitles = [this] { Titlesselected3Click(this); };
  auto deleteAlbum = [this] { Albumselected3Click(this); };
  auto deleteAll = [this] { Allalbums4Click(this); };
  FCreatenew1 = item(nullptr, albums, "Createnew1", "Create &new album", newAlbum);
  FRename1 = item(nullptr, albums, "Rename1", "&Rename album", renameAlbum);
  TMenuItem* albumDelete = item(nullptr, albums, "Delete2", "&Delete", nullptr);
  FTitlesselected3 =
      item(nullptr, albumDelete, "Titlesselected3", "&Titles selected", removeTitles);
  FAlbumselected3 = item(nullptr, albumDelete, "Albumselected3", "&Album selected", deleteAlbum);
  FAllalbums4 = item(nullptr, albumDelete, "Allalbums4", "A&ll albums", deleteAll);
  FCreatenew3 = item(FAlbPopUp, nullptr, "Createnew3", "Create &new album", newAlbum);
  FRename3 = item(FAlbPopUp, nullptr, "Rename3", "&Rename album", renameAlbum);
  TMenuItem* albumDelete2 = item(FAlbPopUp, nullptr, "Delete6", "&Delete", nullptr);
  FTitlesselected19 =
      item(nullptr, albumDelete2, "Titlesselected19", "&Titles selected", removeTitles);
  FAlbumselected7 = item(nullptr, albumDelete2, "Albumselected7", "&Album selected", deleteAlbum);
  FAllalbums8 = item(nullptr, albumDelete2, "Allalbums8", "A&ll albums", deleteAll);

  // Categories menu and its tab pop-up.
  auto newCategory = [this] { Createnew2Click(this); };
  auto renameCategory = [this] { Renameexisting1Click(this); };
  auto deleteTitles = [this] { Titlesselected6Click(this); };
  auto deleteCategory = [this] { Activecategory1Click(this); };
  FCreatenew2 = item(nullptr, categories, "Createnew2", "Create &new category", newCategory);
  FRenameexisting1 =
      item(nullptr, categories, "Renameexisting1", "&Rename category", renameCategory);
  // The rename and delete of the active category without the all-titles notice; reached by
  // dropping a category tab, so not shown in the menu.
  FRenamealbum2 = item(nullptr, categories, "Renamealbum2", "Rename active category",
                       [this] { Renamealbum2Click(this); });
  FRenamealbum2->SetVisible(false);
  TMenuItem* categoryDelete = item(nullptr, categories, "Delete3", "&Delete", nullptr);
  FTitlesselected6 =
      item(nullptr, categoryDelete, "Titlesselected6", "&Titles selected", deleteTitles);
  FActivecategory1 =
      item(nullptr, categoryDelete, "Activecategory1", "&Active category", deleteCategory);
  FDeletecategory1 = item(nullptr, categoryDelete, "Deletecategory1", "Delete active category",
                          [this] { Deletecategory1Click(this); });
  FDeletecategory1->SetVisible(false);
  FCreatenew4 = item(FNewCatPopUp, nullptr, "Createnew4", "Create &new category", newCategory);
  FRename2 = item(FNewCatPopUp, nullptr, "Rename2", "&Rename category", renameCategory);
  TMenuItem* categoryDelete2 = item(FNewCatPopUp, nullptr, "Delete7", "&Delete", nullptr);
  FTitleselected1 =
      item(nullptr, categoryDelete2, "Titleselected1", "&Titles selected", deleteTitles);
  FActivecategory4 =
      item(nullptr, categoryDelete2, "Activecategory4", "&Active category", deleteCategory);

  // Titles menu: the selection of the view in use.
  FEdit1 = item(nullptr, titles, "Edit1", "&Edit", [this] { Edit1Click(this); });
  FDelete4 = item(nullptr, titles, "Delete4", "&Delete", [this] { Delete4Click(this); });
}

// --- the view in use ----------------------------------------------------------------------------

void TMasterFrm::CategoriesChange() {
  if (FClosed || !StartUpDone || !FCatList) return;
  FCatList->FocusActiveGrid();
  FCategoriesInUse = true;
  FAlbumsInUse = false;
  SelectedKeysOfActiveGrid(*FSelection);
  UpdateCategoryItems();
}

void TMasterFrm::AlbumsChange() {
  if (FClosed || !FAlbList) return;
  FAlbList->FocusActiveView();
  FAlbumsInUse = true;
  FCategoriesInUse = false;
  FAlbList->GetSelectedKeys(*FSelection2);
  if (FAlbums->ActivePageIndex() == 0) ApplyAlbumTabsView();
  UpdateAlbumItems();
}

int TMasterFrm::SelectedKeysOfActiveGrid(TStringList& keys) const {
  keys.Clear();
  if (FCatList)
    if (TTuneGridView* grid = FCatList->ActiveGrid()) grid->GetSelectedKeys(keys);
  return keys.Count();
}

void TMasterFrm::RemoveFromProgram(int32_t key) {
  FRoad->Program().RemoveKeyFromProgram(key);
  ProgramChanged();
}

// --- the title editor and the title deletion ----------------------------------------------------

void TMasterFrm::SetAddInfo(const std::string& title, const std::string& origin, int32_t artistKey,
                            int32_t categoryKey) {
  FAddTitle = title;
  if (!origin.empty()) FAddOrigin = origin;
  FAddArtistKey = artistKey;
  FAddCategoryKey = categoryKey;
}

TTuneAdder& TMasterFrm::Adder() {
  TTuneAdder* adder = TuneAdder;
  if (!adder) {
    if (!FOwnAdder) FOwnAdder = std::make_unique<TTuneAdder>(nullptr);
    adder = FOwnAdder.get();
  }
  adder->SetLists(FCatList.get(), FDMM2 ? FDMM2->PerfList() : nullptr);
  adder->OnAddInfo = [this](const std::string& title, const std::string& origin, int32_t artist,
                            int32_t category) { SetAddInfo(title, origin, artist, category); };
  return *adder;
}

TRenamer& TMasterFrm::RenamerForm() {
  TRenamer* renamer = Renamer;
  if (!renamer) {
    if (!FOwnRenamer) FOwnRenamer = std::make_unique<TRenamer>(nullptr);
    renamer = FOwnRenamer.get();
  }
  renamer->SetNameResult(&FNameResult);
  return *renamer;
}

void TMasterFrm::Edit2Click(TObject*) {
  if (FDragList->Count() == 0) return;
  // The pop-up empties the working keys once it closes; the editor works on its own copy.
  TStringList keys;
  keys.AddStrings(*FDragList);
  EditTitles(keys);
}

void TMasterFrm::EditTitles(const TStringList& keys) {
  if (keys.Count() == 0 || !FDMM2 || !FDMM2->MyDB()) return;
  TMyDB& db = *FDMM2->MyDB();
  TTuneRec rec;
  if (!db.FindById(StrToIntDef(keys[0], 0), rec)) return;
  std::string category = Trim(rec.CategoryName);
  std::string first = Trim(rec.FirstName);
  std::string last = Trim(rec.LastName);
  TTuneAdder& adder = Adder();
  CenterOverMainWindow(adder);
  const bool several = keys.Count() > 1;
  if (several) {
    for (int i = 1; i < keys.Count(); ++i) {
      TTuneRec other;
      if (!db.FindById(StrToIntDef(keys[i], 0), other)) continue;
      if (Trim(other.FirstName) != first) first.clear();
      if (Trim(other.LastName) != last) last.clear();
      if (Trim(other.CategoryName) != category) category.clear();
    }
    adder.ShowMultipleTitles(keys.Count(), last, first, category);
  } else {
    adder.ShowSingleTitle(rec.Title, first, category, last);
  }
  Repaint();
  if (!adder.OKPressed()) return;
  auto hourGlass = HourGlass();
  TBusyState busy(*this);
  const int32_t categoryKey = FAddCategoryKey, artistKey = FAddArtistKey;
  for (int i = 0; i < keys.Count(); ++i) {
    const int32_t key = StrToIntDef(keys[i], 0);
    TTuneRec own;
    if (!db.FindById(key, own)) continue;
    // Several titles keep their own title text, and their own value where the editor says so.
    const std::string title = several ? own.Title : FAddTitle;
    const int32_t c = categoryKey == KeepOwnKey ? own.CategoryKey : categoryKey;
    const int32_t a = artistKey == KeepOwnKey ? own.PerformerKey : artistKey;
    if (!FDMM2->ChangeTune(key, false, a, c, title)) continue;
    if (key == FRoad->MasterKeyPlaying()) {
      std::string newFirst, newLast;
      FDMM2->PerfList()->GetPerformerNames(a, newFirst, newLast);
      FRoad->SetTuneTexts(FCatList->GetCategoryName(c), Trim(Trim(newFirst) + " " + Trim(newLast)),
                          Trim(title));
    }
  }
  ProgramChanged();
}

void TMasterFrm::Delete1Click(TObject*) {
  if (!FDragFromCategories || FDragList->Count() == 0 || !FCatList) return;
  TStringList keys;
  keys.AddStrings(*FDragList);
  std::string question;
  if (keys.Count() == 1) {
    TTuneRec rec;
    std::string title;
    if (FDMM2 && FDMM2->MyDB() && FDMM2->MyDB()->FindById(StrToIntDef(keys[0], 0), rec))
      title = rec.Title;
    question = ("Permanently delete \"" + title).substr(0, 145);
    question = (question + "\" from the database and all albums?").substr(0, 180);
  } else {
    question =
        "Permanently delete " + IntToStr(keys.Count()) + " titles fom the database and all albums?";
  }
  if (ShowMessageBox(question, TKind::Confirmation, 0, TButtons::OK | TButtons::Cancel) !=
      TAnswer::OK)
    return;
  Repaint();
  auto hourGlass = HourGlass();
  TBusyState busy(*this);
  for (int i = 0; i < keys.Count(); ++i)
    RemoveFromProgram(StrToIntDef(keys[i], 0));
  FCatList->DeleteTitles(keys);
}

// --- categories ---------------------------------------------------------------------------------

std::string TMasterFrm::AskForName(const std::string& caption, const std::string& proposal,
                                   const std::string& hint) {
  FNameResult.clear();
  TRenamer& renamer = RenamerForm();
  CenterFormAt(renamer, Left() + Width() / 2, Top() + Height() / 2);
  AskName(renamer, caption, proposal, hint);
  Repaint();
  return FNameResult;
}

void TMasterFrm::Createnew2Click(TObject*) {
  if (!FCatList) return;
  std::string name = AskForName("Enter new category name", "", "Type in new category name");
  if (name.empty()) return;
  {
    auto busy = HourGlass();
    FCatList->FindOrAddCategory(name);
  }
  ShowMessageBox(PurgeNote, TKind::Information, 0, TButtons::OK);
}

void TMasterFrm::Renameexisting1Click(TObject* Sender) {
  if (!FCatList) return;
  if (FCatList->ActiveIndex() < 0) {
    ShowMessageBox("\"ALL CATEGORIES\" is not a renameable single category", TKind::Information, 0,
                   TButtons::OK);
    return;
  }
  Renamealbum2Click(Sender);
}

void TMasterFrm::Renamealbum2Click(TObject*) {
  if (PageCommandHeld()) return;
  // The all-titles page is no category to rename.
  if (!FCatList || FCatList->ActiveIndex() < 0 || !FCategories->ActivePage()) return;
  std::string name =
      AskForName("Enter new category name", Trim(FCategories->ActivePage()->Caption()),
                 "Type in new category name");
  if (name.empty()) return;
  auto hourGlass = HourGlass();
  TBusyState busy(*this);
  FCatList->RenameActiveCategory(name.substr(0, 255));
}

void TMasterFrm::Activecategory1Click(TObject* Sender) {
  Deletecategory1Click(Sender);
}

void TMasterFrm::Deletecategory1Click(TObject*) {
  if (!FCatList) return;
  if (PageCommandHeld()) return;
  // Every road here (menus, pop-up, a dropped tab) tells why the all-titles page is not deleted.
  if (FCatList->ActiveIndex() < 0) {
    ShowMessageBox("\"ALL CATEGORIES\" is not a delete-able single category!", TKind::Information,
                   0, TButtons::OK);
    return;
  }
  if (!FCategories->ActivePage()) return;
  std::string name = Trim(FCategories->ActivePage()->Caption());
  if (ShowMessageBox("Permanently delete all \"" + name + "\" titles from the database?",
                     TKind::Confirmation, 0, TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  MessageBeep(0);
  if (ShowMessageBox("All \"" + AnsiUpperCase(name) + "\" titles will be deleted!", TKind::Warning,
                     0, TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  Repaint();
  auto hourGlass = HourGlass();
  TBusyState busy(*this);
  FCatList->DeleteActiveCategory([this](int32_t key) { RemoveFromProgram(key); });
}

void TMasterFrm::Titlesselected6Click(TObject*) {
  if (!FDMM2 || !FCatList) return;
  TStringList keys;
  const int n = SelectedKeysOfActiveGrid(keys);
  if (n <= 0) return;
  if (ShowMessageBox("Permanently delete these " + IntToStr(n) +
                         " titles fom the database and all albums?",
                     TKind::Warning, 0, TButtons::OK | TButtons::Abort) != TAnswer::OK)
    return;
  Repaint();
  {
    auto hourGlass = HourGlass();
    TBusyState busy(*this);
    for (int i = 0; i < keys.Count(); ++i) {
      const int32_t key = StrToIntDef(keys[i], 0);
      // A deleted key can be given to the next title added; the program must not play that one.
      RemoveFromProgram(key);
      try {
        FDMM2->DeleteTune(key, true);
      } catch (const std::exception&) {
        // One title that cannot be deleted does not keep the others.
      }
    }
  }
  CategoriesChange();
}

// --- albums -------------------------------------------------------------------------------------

void TMasterFrm::Createnew1Click(TObject*) {
  if (!FAlbList) return;
  std::string name = AskForName("Enter new album name", "", "Type in new album name");
  if (name.empty()) return;
  auto busy = HourGlass();
  FAlbList->FindOrAddAlbum(name);
}

void TMasterFrm::Rename1Click(TObject*) {
  if (!FAlbList) return;
  if (PageCommandHeld()) return;
  std::string current = FAlbList->ActiveAlbumName();
  if (current.empty()) return;
  std::string name = AskForName("Enter new album name", current, "Type in new album name");
  if (name.empty()) return;
  {
    auto busy = HourGlass();
    FAlbList->RenameActiveAlbum(name);
  }
  AlbumsChange();
}

void TMasterFrm::Albumselected3Click(TObject*) {
  if (!FAlbList) return;
  if (PageCommandHeld()) return;
  std::string name = FAlbList->ActiveAlbumName();
  if (name.empty()) return;
  if (ShowMessageBox("Permanently delete album \"" + name + "\" ?", TKind::Confirmation, 0,
                     TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  Repaint();
  {
    auto hourGlass = HourGlass();
    TBusyState busy(*this);
    FAlbList->DeleteActiveAlbum();
  }
  AlbumsChange();
}

void TMasterFrm::Allalbums4Click(TObject*) {
  if (!FAlbList) return;
  if (PageCommandHeld()) return;
  const int n = FAlbList->Count();
  if (n == 0) return;
  if (ShowMessageBox("Are you sure you want to delete all " + IntToStr(n) + " albums?",
                     TKind::Warning, 0, TButtons::Yes | TButtons::Cancel) != TAnswer::Yes)
    return;
  if (ShowMessageBox("Deletion of all " + IntToStr(n) + " albums will proceed!", TKind::Warning, 0,
                     TButtons::OK | TButtons::Abort) != TAnswer::OK)
    return;
  auto hourGlass = HourGlass();
  TBusyState busy(*this);
  for (int i = FAlbList->Count() - 1; i >= 0; --i)
    FAlbList->DeleteAlbum(FAlbList->Items(i).Key);
  FSelection2->Clear();
}

void TMasterFrm::Titlesselected3Click(TObject*) {
  // Selected titles are those of an album page; the summary page has none.
  if (!FAlbList || FAlbums->ActivePageIndex() <= 0) return;
  TStringList keys;
  const int n = FAlbList->GetSelectedKeys(keys);
  if (n <= 0) return;
  std::string name = FAlbList->ActiveAlbumName();
  std::string question =
      n == 1 ? "Delete this title from album \"" + name + "\" ?"
             : "Delete these " + IntToStr(n) + " titles from album \"" + name + "\" ?";
  if (ShowMessageBox(question, TKind::Information, 0, TButtons::OK | TButtons::Cancel) ==
      TAnswer::Cancel)
    return;
  Repaint();
  FAlbList->RemoveSelectedFromActive(keys);
}

// --- the Titles menu ----------------------------------------------------------------------------

void TMasterFrm::Edit1Click(TObject*) {
  TStringList keys;
  if (TitleKeysInUse(keys) == 0) return;
  FDragList->Clear();
  FDragList->AddStrings(keys);
  SetDragSource(FAlbumsInUse, !FAlbumsInUse);
  EditTitles(keys);
  ClearDragList();
}

void TMasterFrm::Delete5Click(TObject* Sender) {
  if (FDragFromAlbums) {
    Titlesselected3Click(Sender);
    return;
  }
  Delete1Click(Sender);
}

void TMasterFrm::Delete4Click(TObject* Sender) {
  if (FAlbumsInUse) {
    Titlesselected3Click(Sender);
    return;
  }
  TStringList keys;
  if (SelectedKeysOfActiveGrid(keys) == 0) return;
  FDragList->Clear();
  FDragList->AddStrings(keys);
  SetDragSource(false, true);
  Delete1Click(Sender);
  ClearDragList();
}
