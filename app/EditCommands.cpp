// The main window's editing commands: the title editor and the title deletion over the working
// keys, and creating, renaming and deleting categories, albums and titles.
#include <windows.h>
#include "HourGlass.h"
#include "MainCodeD2.h"
#include "DragCommands.h"
#include "MainViewCommands.h"
#include "MainViews.h"
#include "CatalogueCommands.h"
#include "EditCommands.h"
#include "SysUtils.h"
#include "AdderCodeD2.h"
#include "DataCodeD2.h"
#include "ExtPage.h"
#include "Menus.h"
#include "RenamerCodeD2.h"

namespace {

using TKind = TMessageKind;
using TButtons = TMessageButtons;
using TAnswer = TMessageAnswer;

const char* const PurgeNote = "Please note this category will be purged after this session\r\n"
                              "            unless you add titles to it!";

} // namespace

// --- the menus ----------------------------------------------------------------------------------

void TEditCommands::BuildEditMenus(TMenuItem* albums, TMenuItem* categories, TMenuItem* titles) {
  auto item = [this](TMenu* menu, TMenuItem* parent, const std::string& name,
                     const std::string& caption, std::function<void()> action) {
    return NewMenuItem(&FFrm, parent ? *parent : menu->Items(), name, caption, std::move(action));
  };
  // Albums menu and its tab pop-up.
  auto newAlbum = [this] { Createnew1Click(&FFrm); };
  auto renameAlbum = [this] { Rename1Click(&FFrm); };
  auto removeTitles = [this] { Titlesselected3Click(&FFrm); };
  auto deleteAlbum = [this] { Albumselected3Click(&FFrm); };
  auto deleteAll = [this] { Allalbums4Click(&FFrm); };
  FCreatenew1 = item(nullptr, albums, "Createnew1", "Create &new album", newAlbum);
  FRename1 = item(nullptr, albums, "Rename1", "&Rename album", renameAlbum);
  TMenuItem* albumDelete = item(nullptr, albums, "Delete2", "&Delete", nullptr);
  FTitlesselected3 =
      item(nullptr, albumDelete, "Titlesselected3", "&Titles selected", removeTitles);
  FAlbumselected3 = item(nullptr, albumDelete, "Albumselected3", "&Album selected", deleteAlbum);
  FAllalbums4 = item(nullptr, albumDelete, "Allalbums4", "A&ll albums", deleteAll);
  FCreatenew3 = item(FParts.AlbPopUp, nullptr, "Createnew3", "Create &new album", newAlbum);
  FRename3 = item(FParts.AlbPopUp, nullptr, "Rename3", "&Rename album", renameAlbum);
  TMenuItem* albumDelete2 = item(FParts.AlbPopUp, nullptr, "Delete6", "&Delete", nullptr);
  FTitlesselected19 =
      item(nullptr, albumDelete2, "Titlesselected19", "&Titles selected", removeTitles);
  FAlbumselected7 = item(nullptr, albumDelete2, "Albumselected7", "&Album selected", deleteAlbum);
  FAllalbums8 = item(nullptr, albumDelete2, "Allalbums8", "A&ll albums", deleteAll);

  // Categories menu and its tab pop-up.
  auto newCategory = [this] { Createnew2Click(&FFrm); };
  auto renameCategory = [this] { Renameexisting1Click(&FFrm); };
  auto deleteTitles = [this] { Titlesselected6Click(&FFrm); };
  auto deleteCategory = [this] { Activecategory1Click(&FFrm); };
  FCreatenew2 = item(nullptr, categories, "Createnew2", "Create &new category", newCategory);
  FRenameexisting1 =
      item(nullptr, categories, "Renameexisting1", "&Rename category", renameCategory);
  // The rename and delete of the active category without the all-titles notice; reached by
  // dropping a category tab, so not shown in the menu.
  FRenamealbum2 = item(nullptr, categories, "Renamealbum2", "Rename active category",
                       [this] { Renamealbum2Click(&FFrm); });
  FRenamealbum2->SetVisible(false);
  TMenuItem* categoryDelete = item(nullptr, categories, "Delete3", "&Delete", nullptr);
  FTitlesselected6 =
      item(nullptr, categoryDelete, "Titlesselected6", "&Titles selected", deleteTitles);
  FActivecategory1 =
      item(nullptr, categoryDelete, "Activecategory1", "&Active category", deleteCategory);
  FDeletecategory1 = item(nullptr, categoryDelete, "Deletecategory1", "Delete active category",
                          [this] { Deletecategory1Click(&FFrm); });
  FDeletecategory1->SetVisible(false);
  FCreatenew4 =
      item(FParts.NewCatPopUp, nullptr, "Createnew4", "Create &new category", newCategory);
  FRename2 = item(FParts.NewCatPopUp, nullptr, "Rename2", "&Rename category", renameCategory);
  TMenuItem* categoryDelete2 = item(FParts.NewCatPopUp, nullptr, "Delete7", "&Delete", nullptr);
  FTitleselected1 =
      item(nullptr, categoryDelete2, "Titleselected1", "&Titles selected", deleteTitles);
  FActivecategory4 =
      item(nullptr, categoryDelete2, "Activecategory4", "&Active category", deleteCategory);

  // Titles menu: the selection of the view in use.
  FEdit1 = item(nullptr, titles, "Edit1", "&Edit", [this] { Edit1Click(&FFrm); });
  FDelete4 = item(nullptr, titles, "Delete4", "&Delete", [this] { Delete4Click(&FFrm); });
}

// --- the view in use ----------------------------------------------------------------------------

void TMasterFrm::CategoriesChange() {
  if (FClosed || !StartUpDone || !FCatList) return;
  // A page chosen on the tabs leaves the focus there: the arrow keys go on choosing tabs.
  if (!FCategories->Focused()) FCatList->FocusActiveGrid();
  FWorkingKeys.SetAlbumsInUse(false);
  FEditCommands->SelectedKeysOfActiveGrid(FWorkingKeys.CategorySelection());
  FCatalogueCommands->UpdateCategoryItems();
}

void TMasterFrm::AlbumsChange() {
  if (FClosed || !FAlbList) return;
  if (!FAlbums->Focused()) FAlbList->FocusActiveView();
  FWorkingKeys.SetAlbumsInUse(true);
  FAlbList->GetSelectedKeys(FWorkingKeys.AlbumSelection());
  if (FAlbums->ActivePageIndex() == 0) FViewCommands->ApplyAlbumTabsView();
  FCatalogueCommands->UpdateAlbumItems();
}

int TEditCommands::SelectedKeysOfActiveGrid(TStringList& keys) const {
  keys.Clear();
  if (FFrm.CatList())
    if (TTuneGridView* grid = FFrm.CatList()->ActiveGrid()) grid->GetSelectedKeys(keys);
  return keys.Count();
}

int TEditCommands::TitleKeysInUse(TStringList& keys) {
  keys.Clear();
  if (FFrm.WorkingKeys().AlbumsInUse()) {
    if (FFrm.AlbList() && FParts.Albums->ActivePageIndex() > 0)
      FFrm.AlbList()->GetSelectedKeys(keys);
  } else {
    SelectedKeysOfActiveGrid(keys);
  }
  return keys.Count();
}

void TEditCommands::RemoveFromProgram(int32_t key) {
  FFrm.Road().Program().RemoveKeyFromProgram(key);
  static_cast<TPlayRoadView&>(FFrm).ProgramChanged();
}

// --- the title editor and the title deletion ----------------------------------------------------

void TEditCommands::SetAddInfo(const std::string& title, int32_t artistKey, int32_t categoryKey) {
  FAddTitle = title;
  FAddArtistKey = artistKey;
  FAddCategoryKey = categoryKey;
}

TTuneAdder& TEditCommands::Adder() {
  TTuneAdder* adder = TuneAdder;
  if (!adder) {
    if (!FOwnAdder) FOwnAdder = std::make_unique<TTuneAdder>(nullptr);
    adder = FOwnAdder.get();
  }
  adder->SetLists(FFrm.CatList(), FFrm.DMM2() ? FFrm.DMM2()->PerfList() : nullptr);
  adder->OnAddInfo = [this](const std::string& title, const std::string&, int32_t artist,
                            int32_t category) { SetAddInfo(title, artist, category); };
  return *adder;
}

TRenamer& TEditCommands::RenamerForm() {
  TRenamer* renamer = Renamer;
  if (!renamer) {
    if (!FOwnRenamer) FOwnRenamer = std::make_unique<TRenamer>(nullptr);
    renamer = FOwnRenamer.get();
  }
  renamer->SetNameResult(&FNameResult);
  return *renamer;
}

void TEditCommands::Edit2Click(TObject*) {
  if (FFrm.WorkingKeys().Keys().Count() == 0) return;
  // The pop-up empties the working keys once it closes; the editor works on its own copy.
  TStringList keys;
  keys.AddStrings(FFrm.WorkingKeys().Keys());
  EditTitles(keys);
}

void TEditCommands::EditTitles(const TStringList& keys) {
  if (keys.Count() == 0 || !FFrm.DMM2() || !FFrm.DMM2()->MyDB()) return;
  TMyDB& db = *FFrm.DMM2()->MyDB();
  TTuneRec rec;
  if (!db.FindById(StrToIntDef(keys[0], 0), rec)) return;
  std::string category = Trim(rec.CategoryName);
  std::string first = Trim(rec.FirstName);
  std::string last = Trim(rec.LastName);
  TTuneAdder& adder = Adder();
  FFrm.CenterOverMainWindow(adder);
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
  FFrm.Repaint();
  if (!adder.OKPressed()) return;
  auto hourGlass = HourGlass();
  TBusyState busy(FFrm);
  const int32_t categoryKey = FAddCategoryKey, artistKey = FAddArtistKey;
  AlbumBatch([&] {
    for (int i = 0; i < keys.Count(); ++i) {
      const int32_t key = StrToIntDef(keys[i], 0);
      TTuneRec own;
      if (!db.FindById(key, own)) continue;
      // Several titles keep their own title text, and their own value where the editor says so.
      const std::string title = several ? own.Title : FAddTitle;
      const int32_t c = categoryKey == KeepOwnKey ? own.CategoryKey : categoryKey;
      const int32_t a = artistKey == KeepOwnKey ? own.PerformerKey : artistKey;
      if (!FFrm.DMM2()->ChangeTune(key, false, a, c, title)) continue;
      if (key == FFrm.Road().MasterKeyPlaying()) {
        std::string newFirst, newLast;
        FFrm.DMM2()->PerfList()->GetPerformerNames(a, newFirst, newLast);
        FFrm.Road().SetTuneTexts(FFrm.CatList()->GetCategoryName(c),
                                 Trim(Trim(newFirst) + " " + Trim(newLast)), Trim(title));
      }
    }
  });
  // The grids sorted the edited titles to new rows: the selection goes with them, so that the
  // next drag or command acts on the titles just edited, not on the rows they left.
  std::vector<TMyStringGrid*> grids{FParts.AllCatGrid};
  for (const auto& page : FFrm.CategoryArea().Pages())
    grids.push_back(page->GridControl());
  for (TMyStringGrid* grid : grids) {
    bool holds = false;
    for (int i = 0; i < keys.Count() && !holds; ++i)
      holds = grid->FindKeyRow(StrToIntDef(keys[i], 0)) >= 1;
    if (holds) grid->SelectKeyRows(keys);
  }
  static_cast<TPlayRoadView&>(FFrm).ProgramChanged();
}

void TEditCommands::Delete1Click(TObject*) {
  if (!FFrm.WorkingKeys().FromCategories() || FFrm.WorkingKeys().Keys().Count() == 0 ||
      !FFrm.CatList())
    return;
  TStringList keys;
  keys.AddStrings(FFrm.WorkingKeys().Keys());
  std::string question;
  if (keys.Count() == 1) {
    TTuneRec rec;
    std::string title;
    if (FFrm.DMM2() && FFrm.DMM2()->MyDB() &&
        FFrm.DMM2()->MyDB()->FindById(StrToIntDef(keys[0], 0), rec))
      title = rec.Title;
    question = ("Permanently delete \"" + title).substr(0, 145);
    question = (question + "\" from the database and all albums?").substr(0, 180);
  } else {
    question = "Permanently delete " + IntToStr(keys.Count()) +
               " titles from the database and all albums?";
  }
  if (FFrm.ShowMessageBox(question, TKind::Confirmation, 0, TButtons::OK | TButtons::Cancel) !=
      TAnswer::OK)
    return;
  FFrm.Repaint();
  auto hourGlass = HourGlass();
  TBusyState busy(FFrm);
  for (int i = 0; i < keys.Count(); ++i)
    RemoveFromProgram(StrToIntDef(keys[i], 0));
  FFrm.CatList()->DeleteTitles(keys);
}

// --- categories ---------------------------------------------------------------------------------

std::string TEditCommands::AskForName(const std::string& caption, const std::string& proposal,
                                      const std::string& hint) {
  FNameResult.clear();
  TRenamer& renamer = RenamerForm();
  CenterFormAt(renamer, FFrm.Left() + FFrm.Width() / 2, FFrm.Top() + FFrm.Height() / 2);
  AskName(renamer, caption, proposal, hint);
  FFrm.Repaint();
  return FNameResult;
}

void TEditCommands::Createnew2Click(TObject*) {
  if (!FFrm.CatList()) return;
  std::string name = AskForName("Enter new category name", "", "Type in new category name");
  if (name.empty()) return;
  {
    auto busy = HourGlass();
    FFrm.CatList()->FindOrAddCategory(name);
  }
  FFrm.ShowMessageBox(PurgeNote, TKind::Information, 0, TButtons::OK);
}

void TEditCommands::Renameexisting1Click(TObject* Sender) {
  if (!FFrm.CatList()) return;
  if (FFrm.CatList()->ActiveIndex() < 0) {
    FFrm.ShowMessageBox("\"ALL CATEGORIES\" is not a renameable single category",
                        TKind::Information, 0, TButtons::OK);
    return;
  }
  Renamealbum2Click(Sender);
}

void TEditCommands::Renamealbum2Click(TObject*) {
  if (FPageCommandHeld()) return;
  // The all-titles page is no category to rename.
  if (!FFrm.CatList() || FFrm.CatList()->ActiveIndex() < 0 || !FParts.Categories->ActivePage())
    return;
  std::string name =
      AskForName("Enter new category name", Trim(FParts.Categories->ActivePage()->Caption()),
                 "Type in new category name");
  if (name.empty()) return;
  auto hourGlass = HourGlass();
  TBusyState busy(FFrm);
  FFrm.CatList()->RenameActiveCategory(name.substr(0, 255));
}

void TEditCommands::Activecategory1Click(TObject* Sender) {
  Deletecategory1Click(Sender);
}

void TEditCommands::Deletecategory1Click(TObject*) {
  if (!FFrm.CatList()) return;
  if (FPageCommandHeld()) return;
  // Every road here (menus, pop-up, a dropped tab) tells why the all-titles page is not deleted.
  if (FFrm.CatList()->ActiveIndex() < 0) {
    FFrm.ShowMessageBox("\"ALL CATEGORIES\" is not a delete-able single category!",
                        TKind::Information, 0, TButtons::OK);
    return;
  }
  if (!FParts.Categories->ActivePage()) return;
  std::string name = Trim(FParts.Categories->ActivePage()->Caption());
  if (FFrm.ShowMessageBox("Permanently delete all \"" + name + "\" titles from the database?",
                          TKind::Confirmation, 0, TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  MessageBeep(0);
  if (FFrm.ShowMessageBox("All \"" + AnsiUpperCase(name) + "\" titles will be deleted!",
                          TKind::Warning, 0, TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  FFrm.Repaint();
  auto hourGlass = HourGlass();
  TBusyState busy(FFrm);
  FFrm.CatList()->DeleteActiveCategory([this](int32_t key) { RemoveFromProgram(key); });
}

void TEditCommands::Titlesselected6Click(TObject*) {
  if (!FFrm.DMM2() || !FFrm.CatList()) return;
  TStringList keys;
  const int n = SelectedKeysOfActiveGrid(keys);
  if (n <= 0) return;
  if (FFrm.ShowMessageBox("Permanently delete these " + IntToStr(n) +
                              " titles from the database and all albums?",
                          TKind::Warning, 0, TButtons::OK | TButtons::Abort) != TAnswer::OK)
    return;
  FFrm.Repaint();
  {
    auto hourGlass = HourGlass();
    TBusyState busy(FFrm);
    // The albums the titles leave are written once, after the last; a failure to write them is
    // shown, not passed over with the title's own.
    AlbumBatch([&] {
      for (int i = 0; i < keys.Count(); ++i) {
        const int32_t key = StrToIntDef(keys[i], 0);
        // A deleted key can be given to the next title added; the program must not play that
        // one.
        RemoveFromProgram(key);
        try {
          FFrm.DMM2()->DeleteTune(key, true);
        } catch (const std::exception&) {
          // One title that cannot be deleted does not keep the others.
        }
      }
    });
  }
  FFrm.CategoriesChange();
}

// --- albums -------------------------------------------------------------------------------------

void TEditCommands::AlbumBatch(const std::function<void()>& changes) {
  if (FFrm.AlbList())
    FFrm.AlbList()->Batch(changes);
  else
    changes();
}

void TEditCommands::Createnew1Click(TObject*) {
  if (!FFrm.AlbList()) return;
  std::string name = AskForName("Enter new album name", "", "Type in new album name");
  if (name.empty()) return;
  auto busy = HourGlass();
  FFrm.AlbList()->FindOrAddAlbum(name);
}

void TEditCommands::Rename1Click(TObject*) {
  if (!FFrm.AlbList()) return;
  if (FPageCommandHeld()) return;
  std::string current = FFrm.AlbList()->ActiveAlbumName();
  if (current.empty()) return;
  std::string name = AskForName("Enter new album name", current, "Type in new album name");
  if (name.empty()) return;
  {
    auto busy = HourGlass();
    FFrm.AlbList()->RenameActiveAlbum(name);
  }
  FFrm.AlbumsChange();
}

void TEditCommands::Albumselected3Click(TObject*) {
  if (!FFrm.AlbList()) return;
  if (FPageCommandHeld()) return;
  std::string name = FFrm.AlbList()->ActiveAlbumName();
  if (name.empty()) return;
  if (FFrm.ShowMessageBox("Permanently delete album \"" + name + "\"?", TKind::Confirmation, 0,
                          TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  FFrm.Repaint();
  {
    auto hourGlass = HourGlass();
    TBusyState busy(FFrm);
    FFrm.AlbList()->DeleteActiveAlbum();
  }
  FFrm.AlbumsChange();
}

void TEditCommands::Allalbums4Click(TObject*) {
  if (!FFrm.AlbList()) return;
  if (FPageCommandHeld()) return;
  const int n = FFrm.AlbList()->Count();
  if (n == 0) return;
  if (FFrm.ShowMessageBox("Are you sure you want to delete all " + IntToStr(n) + " albums?",
                          TKind::Warning, 0, TButtons::Yes | TButtons::Cancel) != TAnswer::Yes)
    return;
  if (FFrm.ShowMessageBox("Deletion of all " + IntToStr(n) + " albums will proceed!",
                          TKind::Warning, 0, TButtons::OK | TButtons::Abort) != TAnswer::OK)
    return;
  auto hourGlass = HourGlass();
  TBusyState busy(FFrm);
  AlbumBatch([this] {
    for (int i = FFrm.AlbList()->Count() - 1; i >= 0; --i)
      FFrm.AlbList()->DeleteAlbum(FFrm.AlbList()->Items(i).Key);
  });
  FFrm.WorkingKeys().AlbumSelection().Clear();
}

void TEditCommands::Titlesselected3Click(TObject*) {
  // Selected titles are those of an album page; the summary page has none.
  if (!FFrm.AlbList() || FParts.Albums->ActivePageIndex() <= 0) return;
  TStringList keys;
  const int n = FFrm.AlbList()->GetSelectedKeys(keys);
  if (n <= 0) return;
  std::string name = FFrm.AlbList()->ActiveAlbumName();
  std::string question =
      n == 1 ? "Delete this title from album \"" + name + "\"?"
             : "Delete these " + IntToStr(n) + " titles from album \"" + name + "\"?";
  if (FFrm.ShowMessageBox(question, TKind::Information, 0, TButtons::OK | TButtons::Cancel) ==
      TAnswer::Cancel)
    return;
  FFrm.Repaint();
  FFrm.AlbList()->RemoveSelectedFromActive(keys);
}

// --- the Titles menu ----------------------------------------------------------------------------

void TEditCommands::Edit1Click(TObject*) {
  TStringList keys;
  if (TitleKeysInUse(keys) == 0) return;
  bool albums = FFrm.WorkingKeys().AlbumsInUse();
  FFrm.WorkingKeys().Replace(keys, albums, !albums);
  EditTitles(keys);
  FFrm.WorkingKeys().Clear();
}

void TEditCommands::Delete5Click(TObject* Sender) {
  if (FFrm.WorkingKeys().FromAlbums()) {
    Titlesselected3Click(Sender);
    return;
  }
  Delete1Click(Sender);
}

void TEditCommands::Delete4Click(TObject* Sender) {
  if (FFrm.WorkingKeys().AlbumsInUse()) {
    Titlesselected3Click(Sender);
    return;
  }
  TStringList keys;
  if (SelectedKeysOfActiveGrid(keys) == 0) return;
  FFrm.WorkingKeys().Replace(keys, false, true);
  Delete1Click(Sender);
  FFrm.WorkingKeys().Clear();
}

TEditCommands::TEditCommands(TMasterFrm& frm, TEditParts parts,
                             std::function<bool()> pageCommandHeld)
    : FFrm(frm), FParts(parts), FPageCommandHeld(std::move(pageCommandHeld)) {}

TEditCommands::~TEditCommands() = default;
