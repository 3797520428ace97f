// The main window's editing commands: the title editor and the title deletion over the working
// keys, and creating, renaming and deleting categories, albums and titles.
#include <windows.h>
#include "HourGlass.h"
#include "CatalogueCommands.h"
#include "CatalogueMenus.h"
#include "DragCommands.h"
#include "EditCommands.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "MainViews.h"
#include "PlayRoad.h"
#include "WorkingKeys.h"
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

void TEditCommands::BuildEditMenus(const TCatalogueMenus& menus) {
  TMenuItem *albums = menus.Albums, *categories = menus.Categories, *titles = menus.Titles;
  auto item = [this](TMenu* menu, TMenuItem* parent, const std::string& name,
                     const std::string& caption, std::function<void()> action) {
    return NewMenuItem(&FContext.Owner, parent ? *parent : menu->Items(), name, caption,
                       std::move(action));
  };
  // Albums menu and its tab pop-up.
  auto newAlbum = [this] { Createnew1Click(&FContext.Owner); };
  auto renameAlbum = [this] { Rename1Click(&FContext.Owner); };
  auto removeTitles = [this] { Titlesselected3Click(&FContext.Owner); };
  auto deleteAlbum = [this] { Albumselected3Click(&FContext.Owner); };
  auto deleteAll = [this] { Allalbums4Click(&FContext.Owner); };
  item(nullptr, albums, "Createnew1", "Create &new album", newAlbum);
  item(nullptr, albums, "Rename1", "&Rename album", renameAlbum);
  TMenuItem* albumDelete = item(nullptr, albums, "Delete2", "&Delete", nullptr);
  item(nullptr, albumDelete, "Titlesselected3", "&Titles selected", removeTitles);
  item(nullptr, albumDelete, "Albumselected3", "&Album selected", deleteAlbum);
  item(nullptr, albumDelete, "Allalbums4", "A&ll albums", deleteAll);
  item(menus.AlbPopUp, nullptr, "Createnew3", "Create &new album", newAlbum);
  item(menus.AlbPopUp, nullptr, "Rename3", "&Rename album", renameAlbum);
  TMenuItem* albumDelete2 = item(menus.AlbPopUp, nullptr, "Delete6", "&Delete", nullptr);
  item(nullptr, albumDelete2, "Titlesselected19", "&Titles selected", removeTitles);
  item(nullptr, albumDelete2, "Albumselected7", "&Album selected", deleteAlbum);
  item(nullptr, albumDelete2, "Allalbums8", "A&ll albums", deleteAll);

  // Categories menu and its tab pop-up.
  auto newCategory = [this] { Createnew2Click(&FContext.Owner); };
  auto renameCategory = [this] { Renameexisting1Click(&FContext.Owner); };
  auto deleteTitles = [this] { Titlesselected6Click(&FContext.Owner); };
  auto deleteCategory = [this] { Activecategory1Click(&FContext.Owner); };
  item(nullptr, categories, "Createnew2", "Create &new category", newCategory);
  item(nullptr, categories, "Renameexisting1", "&Rename category", renameCategory);
  // The rename and delete of the active category without the all-titles notice; reached by
  // dropping a category tab, so not shown in the menu.
  TMenuItem* renameActive = item(nullptr, categories, "Renamealbum2", "Rename active category",
                                 [this] { Renamealbum2Click(&FContext.Owner); });
  renameActive->SetVisible(false);
  TMenuItem* categoryDelete = item(nullptr, categories, "Delete3", "&Delete", nullptr);
  item(nullptr, categoryDelete, "Titlesselected6", "&Titles selected", deleteTitles);
  item(nullptr, categoryDelete, "Activecategory1", "&Active category", deleteCategory);
  TMenuItem* deleteActive =
      item(nullptr, categoryDelete, "Deletecategory1", "Delete active category",
           [this] { Deletecategory1Click(&FContext.Owner); });
  deleteActive->SetVisible(false);
  item(menus.NewCatPopUp, nullptr, "Createnew4", "Create &new category", newCategory);
  item(menus.NewCatPopUp, nullptr, "Rename2", "&Rename category", renameCategory);
  TMenuItem* categoryDelete2 = item(menus.NewCatPopUp, nullptr, "Delete7", "&Delete", nullptr);
  item(nullptr, categoryDelete2, "Titleselected1", "&Titles selected", deleteTitles);
  item(nullptr, categoryDelete2, "Activecategory4", "&Active category", deleteCategory);

  // Titles menu: the selection of the view in use.
  FEdit1 = item(nullptr, titles, "Edit1", "&Edit", [this] { Edit1Click(&FContext.Owner); });
  FDelete4 = item(nullptr, titles, "Delete4", "&Delete", [this] { Delete4Click(&FContext.Owner); });
}

// --- the view in use ----------------------------------------------------------------------------

int TEditCommands::TitleKeysInUse(TStringList& keys) {
  keys.Clear();
  if (FContext.Keys.AlbumsInUse()) {
    if (FContext.Catalogue.AlbList() && FParts.Albums->ActivePageIndex() > 0)
      FContext.Catalogue.AlbList()->GetSelectedKeys(keys);
  } else {
    FContext.Catalogue.SelectedKeysOfActiveGrid(keys);
  }
  return keys.Count();
}

void TEditCommands::RemoveFromProgram(int32_t key) {
  FContext.Road.Program().RemoveKeyFromProgram(key);
  FContext.RoadView.ProgramChanged();
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
  adder->SetLists(FContext.Catalogue.CatList(), FContext.Catalogue.Artists());
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
  if (FContext.Keys.Keys().Count() == 0) return;
  // The pop-up empties the working keys once it closes; the editor works on its own copy.
  TStringList keys;
  keys.AddStrings(FContext.Keys.Keys());
  EditTitles(keys);
}

void TEditCommands::EditTitles(const TStringList& keys) {
  if (keys.Count() == 0 || !FContext.Catalogue.Store()) return;
  TMyDB& db = *FContext.Catalogue.Store();
  TTuneRec rec;
  if (!db.FindById(StrToIntDef(keys[0], 0), rec)) return;
  std::string category = Trim(rec.CategoryName);
  std::string first = Trim(rec.FirstName);
  std::string last = Trim(rec.LastName);
  TTuneAdder& adder = Adder();
  FContext.Window.CenterOverMainWindow(adder);
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
  FContext.Window.RepaintMain();
  if (!adder.OKPressed()) return;
  auto hourGlass = HourGlass();
  TBusyState busy(FContext.Window.Busy());
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
      if (!FContext.Catalogue.DMM2()->ChangeTune(key, false, a, c, title)) continue;
      if (key == FContext.Road.MasterKeyPlaying()) {
        std::string newFirst, newLast;
        FContext.Catalogue.DMM2()->PerfList()->GetPerformerNames(a, newFirst, newLast);
        FContext.Road.SetTuneTexts(FContext.Catalogue.CatList()->GetCategoryName(c),
                                   Trim(Trim(newFirst) + " " + Trim(newLast)), Trim(title));
      }
    }
  });
  // The grids sorted the edited titles to new rows: the selection goes with them, so that the
  // next drag or command acts on the titles just edited, not on the rows they left.
  std::vector<TMyStringGrid*> grids{FParts.AllCatGrid};
  for (const auto& page : FContext.Catalogue.CategoryArea().Pages())
    grids.push_back(page->GridControl());
  for (TMyStringGrid* grid : grids) {
    bool holds = false;
    for (int i = 0; i < keys.Count() && !holds; ++i)
      holds = grid->FindKeyRow(StrToIntDef(keys[i], 0)) >= 1;
    if (holds) grid->SelectKeyRows(keys);
  }
  FContext.RoadView.ProgramChanged();
}

void TEditCommands::Delete1Click(TObject*) {
  if (!FContext.Keys.FromCategories() || FContext.Keys.Keys().Count() == 0 ||
      !FContext.Catalogue.CatList())
    return;
  TStringList keys;
  keys.AddStrings(FContext.Keys.Keys());
  std::string question;
  if (keys.Count() == 1) {
    TTuneRec rec;
    std::string title;
    if (TMyDB* db = FContext.Catalogue.Store(); db && db->FindById(StrToIntDef(keys[0], 0), rec))
      title = rec.Title;
    question = ("Permanently delete \"" + title).substr(0, 145);
    question = (question + "\" from the database and all albums?").substr(0, 180);
  } else {
    question = "Permanently delete " + IntToStr(keys.Count()) +
               " titles from the database and all albums?";
  }
  if (FContext.Window.ShowMessageBox(question, TKind::Confirmation, 0,
                                     TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  FContext.Window.RepaintMain();
  auto hourGlass = HourGlass();
  TBusyState busy(FContext.Window.Busy());
  for (int i = 0; i < keys.Count(); ++i)
    RemoveFromProgram(StrToIntDef(keys[i], 0));
  FContext.Catalogue.CatList()->DeleteTitles(keys);
}

// --- categories ---------------------------------------------------------------------------------

std::string TEditCommands::AskForName(const std::string& caption, const std::string& proposal,
                                      const std::string& hint) {
  FNameResult.clear();
  TRenamer& renamer = RenamerForm();
  const TMainServices::TCentre centre = FContext.Window.Centre();
  CenterFormAt(renamer, centre.X, centre.Y);
  AskName(renamer, caption, proposal, hint);
  FContext.Window.RepaintMain();
  return FNameResult;
}

void TEditCommands::Createnew2Click(TObject*) {
  if (!FContext.Catalogue.CatList()) return;
  std::string name = AskForName("Enter new category name", "", "Type in new category name");
  if (name.empty()) return;
  {
    auto busy = HourGlass();
    FContext.Catalogue.CatList()->FindOrAddCategory(name);
  }
  FContext.Window.ShowMessageBox(PurgeNote, TKind::Information, 0, TButtons::OK);
}

void TEditCommands::Renameexisting1Click(TObject* Sender) {
  if (!FContext.Catalogue.CatList()) return;
  if (FContext.Catalogue.CatList()->ActiveIndex() < 0) {
    FContext.Window.ShowMessageBox("\"ALL CATEGORIES\" is not a renameable single category",
                                   TKind::Information, 0, TButtons::OK);
    return;
  }
  Renamealbum2Click(Sender);
}

void TEditCommands::Renamealbum2Click(TObject*) {
  if (FContext.Pages.CommandHeld()) return;
  // The all-titles page is no category to rename.
  if (!FContext.Catalogue.CatList() || FContext.Catalogue.CatList()->ActiveIndex() < 0 ||
      !FParts.Categories->ActivePage())
    return;
  std::string name =
      AskForName("Enter new category name", Trim(FParts.Categories->ActivePage()->Caption()),
                 "Type in new category name");
  if (name.empty()) return;
  auto hourGlass = HourGlass();
  TBusyState busy(FContext.Window.Busy());
  FContext.Catalogue.CatList()->RenameActiveCategory(name.substr(0, 255));
}

void TEditCommands::Activecategory1Click(TObject* Sender) {
  Deletecategory1Click(Sender);
}

void TEditCommands::Deletecategory1Click(TObject*) {
  if (!FContext.Catalogue.CatList()) return;
  if (FContext.Pages.CommandHeld()) return;
  // Every road here (menus, pop-up, a dropped tab) tells why the all-titles page is not deleted.
  if (FContext.Catalogue.CatList()->ActiveIndex() < 0) {
    FContext.Window.ShowMessageBox("\"ALL CATEGORIES\" is not a delete-able single category!",
                                   TKind::Information, 0, TButtons::OK);
    return;
  }
  if (!FParts.Categories->ActivePage()) return;
  std::string name = Trim(FParts.Categories->ActivePage()->Caption());
  if (FContext.Window.ShowMessageBox(
          "Permanently delete all \"" + name + "\" titles from the database?", TKind::Confirmation,
          0, TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  MessageBeep(0);
  if (FContext.Window.ShowMessageBox("All \"" + AnsiUpperCase(name) + "\" titles will be deleted!",
                                     TKind::Warning, 0,
                                     TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  FContext.Window.RepaintMain();
  auto hourGlass = HourGlass();
  TBusyState busy(FContext.Window.Busy());
  FContext.Catalogue.CatList()->DeleteActiveCategory(
      [this](int32_t key) { RemoveFromProgram(key); });
}

void TEditCommands::Titlesselected6Click(TObject*) {
  if (!FContext.Catalogue.DMM2() || !FContext.Catalogue.CatList()) return;
  TStringList keys;
  const int n = FContext.Catalogue.SelectedKeysOfActiveGrid(keys);
  if (n <= 0) return;
  if (FContext.Window.ShowMessageBox(
          "Permanently delete these " + IntToStr(n) + " titles from the database and all albums?",
          TKind::Warning, 0, TButtons::OK | TButtons::Abort) != TAnswer::OK)
    return;
  FContext.Window.RepaintMain();
  {
    auto hourGlass = HourGlass();
    TBusyState busy(FContext.Window.Busy());
    // The albums the titles leave are written once, after the last; a failure to write them is
    // shown, not passed over with the title's own.
    AlbumBatch([&] {
      for (int i = 0; i < keys.Count(); ++i) {
        const int32_t key = StrToIntDef(keys[i], 0);
        // A deleted key can be given to the next title added; the program must not play that
        // one.
        RemoveFromProgram(key);
        try {
          FContext.Catalogue.DMM2()->DeleteTune(key, true);
        } catch (const std::exception&) {
          // One title that cannot be deleted does not keep the others.
        }
      }
    });
  }
  FContext.CatalogueCommands.CategoriesChange();
}

// --- albums -------------------------------------------------------------------------------------

void TEditCommands::AlbumBatch(const std::function<void()>& changes) {
  if (FContext.Catalogue.AlbList())
    FContext.Catalogue.AlbList()->Batch(changes);
  else
    changes();
}

void TEditCommands::Createnew1Click(TObject*) {
  if (!FContext.Catalogue.AlbList()) return;
  std::string name = AskForName("Enter new album name", "", "Type in new album name");
  if (name.empty()) return;
  auto busy = HourGlass();
  FContext.Catalogue.AlbList()->FindOrAddAlbum(name);
}

void TEditCommands::Rename1Click(TObject*) {
  if (!FContext.Catalogue.AlbList()) return;
  if (FContext.Pages.CommandHeld()) return;
  std::string current = FContext.Catalogue.AlbList()->ActiveAlbumName();
  if (current.empty()) return;
  std::string name = AskForName("Enter new album name", current, "Type in new album name");
  if (name.empty()) return;
  {
    auto busy = HourGlass();
    FContext.Catalogue.AlbList()->RenameActiveAlbum(name);
  }
  FContext.CatalogueCommands.AlbumsChange();
}

void TEditCommands::Albumselected3Click(TObject*) {
  if (!FContext.Catalogue.AlbList()) return;
  if (FContext.Pages.CommandHeld()) return;
  std::string name = FContext.Catalogue.AlbList()->ActiveAlbumName();
  if (name.empty()) return;
  if (FContext.Window.ShowMessageBox("Permanently delete album \"" + name + "\"?",
                                     TKind::Confirmation, 0,
                                     TButtons::OK | TButtons::Cancel) != TAnswer::OK)
    return;
  FContext.Window.RepaintMain();
  {
    auto hourGlass = HourGlass();
    TBusyState busy(FContext.Window.Busy());
    FContext.Catalogue.AlbList()->DeleteActiveAlbum();
  }
  FContext.CatalogueCommands.AlbumsChange();
}

void TEditCommands::Allalbums4Click(TObject*) {
  if (!FContext.Catalogue.AlbList()) return;
  if (FContext.Pages.CommandHeld()) return;
  const int n = FContext.Catalogue.AlbList()->Count();
  if (n == 0) return;
  if (FContext.Window.ShowMessageBox(
          "Are you sure you want to delete all " + IntToStr(n) + " albums?", TKind::Warning, 0,
          TButtons::Yes | TButtons::Cancel) != TAnswer::Yes)
    return;
  if (FContext.Window.ShowMessageBox("Deletion of all " + IntToStr(n) + " albums will proceed!",
                                     TKind::Warning, 0,
                                     TButtons::OK | TButtons::Abort) != TAnswer::OK)
    return;
  auto hourGlass = HourGlass();
  TBusyState busy(FContext.Window.Busy());
  AlbumBatch([this] {
    for (int i = FContext.Catalogue.AlbList()->Count() - 1; i >= 0; --i)
      FContext.Catalogue.AlbList()->DeleteAlbum(FContext.Catalogue.AlbList()->Items(i).Key);
  });
  FContext.Keys.AlbumSelection().Clear();
}

void TEditCommands::Titlesselected3Click(TObject*) {
  // Selected titles are those of an album page; the summary page has none.
  if (!FContext.Catalogue.AlbList() || FParts.Albums->ActivePageIndex() <= 0) return;
  TStringList keys;
  const int n = FContext.Catalogue.AlbList()->GetSelectedKeys(keys);
  if (n <= 0) return;
  std::string name = FContext.Catalogue.AlbList()->ActiveAlbumName();
  std::string question =
      n == 1 ? "Delete this title from album \"" + name + "\"?"
             : "Delete these " + IntToStr(n) + " titles from album \"" + name + "\"?";
  if (FContext.Window.ShowMessageBox(question, TKind::Information, 0,
                                     TButtons::OK | TButtons::Cancel) == TAnswer::Cancel)
    return;
  FContext.Window.RepaintMain();
  FContext.Catalogue.AlbList()->RemoveSelectedFromActive(keys);
}

// --- the Titles menu ----------------------------------------------------------------------------

void TEditCommands::Edit1Click(TObject*) {
  TStringList keys;
  if (TitleKeysInUse(keys) == 0) return;
  bool albums = FContext.Keys.AlbumsInUse();
  FContext.Keys.Replace(keys, albums, !albums);
  EditTitles(keys);
  FContext.Keys.Clear();
}

void TEditCommands::Delete5Click(TObject* Sender) {
  if (FContext.Keys.FromAlbums()) {
    Titlesselected3Click(Sender);
    return;
  }
  Delete1Click(Sender);
}

void TEditCommands::Delete4Click(TObject* Sender) {
  if (FContext.Keys.AlbumsInUse()) {
    Titlesselected3Click(Sender);
    return;
  }
  TStringList keys;
  if (FContext.Catalogue.SelectedKeysOfActiveGrid(keys) == 0) return;
  FContext.Keys.Replace(keys, false, true);
  Delete1Click(Sender);
  FContext.Keys.Clear();
}

TEditCommands::TEditCommands(const TEditContext& context) : FContext(context) {}

TEditCommands::~TEditCommands() = default;
