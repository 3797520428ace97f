// The catalogue's mail, archive and save commands over each area's key sources, the tab pop-ups'
// play commands and the Titles menu's play, mail and save.
#include <windows.h>
#include "MailHandOff.h"
#include "MainCodeD2.h"
#include "PrintCommands.h"
#include "SysUtils.h"

namespace {

using TSource = TMasterFrm::TKeySource;
using TAction = TMasterFrm::TTableAction;

// One row of a sub-menu: its three items (main menu, then the twin in the tab pop-up).
struct TTableItem {
  const char* Name;
  const char* Twin;
  const char* Caption;
  TSource Source;
};

struct TTableMenu {
  TAction Action;
  const char* Caption;
  const char* AlbumsMenu; // the sub-menus' own names: Albums, Categories, and their pop-ups
  const char* CategoriesMenu;
  const char* AlbumsPopUp;
  const char* CategoriesPopUp;
  TTableItem Albums[3];
  TTableItem Categories[3];
};

const TTableMenu TableMenus[] = {
    {TAction::Mail,
     "&Mail",
     "Mail1",
     "Mail2",
     "Mail5",
     "Mail6",
     {{"Titlesselected1", "Titlesselected20", "&Titles selected", TSource::AlbumTitles},
      {"Albumselected1", "Albumselected8", "&Album selected", TSource::ActiveAlbum},
      {"Allalbums2", "Allalbums9", "A&ll albums", TSource::AllAlbums}},
     {{"Titlesselected4", "Titlesselected14", "&Titles selected", TSource::CategoryTitles},
      {"Category2", "Activecategory6", "&Active category", TSource::ActiveCategory},
      {"Allcategories1", "Allcategories7", "A&ll categories", TSource::AllCategories}}},
    {TAction::Archive,
     "A&rchive",
     "Archive1",
     "Archive2",
     "Archive3",
     "Archive4",
     {{"Titlesselected9", "Titlesselected21", "&Titles selected", TSource::AlbumTitles},
      {"Albumsselected1", "Albumselected9", "&Album selected", TSource::ActiveAlbum},
      {"Allalbums6", "Allalbums10", "A&ll albums", TSource::AllAlbums}},
     {{"Titlesselected10", "Titlesselected15", "&Titles selected", TSource::CategoryTitles},
      {"Activecategory3", "Activecategory7", "&Active category", TSource::ActiveCategory},
      {"Allcategories4", "Allcategories8", "A&ll categories", TSource::AllCategories}}},
    {TAction::Save,
     "&Save to disk",
     "Savetodisk1",
     "Savetodisk2",
     "Savetodisk3",
     "Savetodisk4",
     {{"Titlesselected2", "Titlesselected22", "&Titles selected", TSource::AlbumTitles},
      {"Albumselected2", "Albumselected10", "&Album selected", TSource::ActiveAlbum},
      {"Allalbums3", "Allalbums11", "A&ll albums", TSource::AllAlbums}},
     {{"Titlesselected5", "Titlesselected16", "&Titles selected", TSource::CategoryTitles},
      {"Categoryselected2", "Activecategory8", "&Active category", TSource::ActiveCategory},
      {"Allcategories2", "Allcategories9", "A&ll categories", TSource::AllCategories}}},
};

bool FromAlbums(TSource source) {
  return source == TSource::AlbumTitles || source == TSource::ActiveAlbum ||
         source == TSource::AllAlbums;
}

} // namespace

void TMasterFrm::BuildTableMenus(TMenuItem* albums, TMenuItem* categories, TMenuItem* titles) {
  auto item = [this](TMenuItem* parent, const std::string& name, const std::string& caption,
                     std::function<void()> action) {
    return NewMenuItem(this, *parent, name, caption, std::move(action));
  };
  TMenuItem& albPopUp = FAlbPopUp->Items();
  TMenuItem& catPopUp = FNewCatPopUp->Items();
  for (const TTableMenu& menu : TableMenus) {
    TMenuItem* albumsMenu = item(albums, menu.AlbumsMenu, menu.Caption, nullptr);
    TMenuItem* albumsTwin = item(&albPopUp, menu.AlbumsPopUp, menu.Caption, nullptr);
    TMenuItem* categoriesMenu = item(categories, menu.CategoriesMenu, menu.Caption, nullptr);
    TMenuItem* categoriesTwin = item(&catPopUp, menu.CategoriesPopUp, menu.Caption, nullptr);
    for (int i = 0; i < 3; ++i)
      for (const TTableItem& t : {menu.Albums[i], menu.Categories[i]}) {
        auto run = [this, action = menu.Action, source = t.Source] {
          RunTableCommand(action, source);
        };
        const bool album = FromAlbums(t.Source);
        item(album ? albumsMenu : categoriesMenu, t.Name, t.Caption, run);
        item(album ? albumsTwin : categoriesTwin, t.Twin, t.Caption, run);
      }
  }

  // The tab pop-ups' play commands, first in each.
  auto playMenu = [this](TPopupMenu* popUp, const std::string& name) {
    auto* m = new TMenuItem(this);
    m->SetName(name);
    m->SetCaption("&Play");
    popUp->Items().Insert(0, m);
    return m;
  };
  TMenuItem* albumPlay = playMenu(FAlbPopUp, "Play4");
  item(albumPlay, "Titlesselected18", "&Titles selected", [this] { Titlesselected7Click(this); });
  item(albumPlay, "Albumselected6", "&Album selected", [this] { Albumselected4Click(this); });
  item(albumPlay, "Allalbums7", "A&ll albums", [this] { Allalbums5Click(this); });
  TMenuItem* categoryPlay = playMenu(FNewCatPopUp, "Play5");
  item(categoryPlay, "Titlesselected13", "&Titles selected",
       [this] { Titlesselected8Click(this); });
  item(categoryPlay, "Activecategory5", "&Active category", [this] { Activecategory2Click(this); });
  item(categoryPlay, "Allcategories6", "A&ll categories", [this] { Allcategories3Click(this); });

  // The Titles menu: play, edit, mail, save, print, delete.
  auto titleItem = [this, titles](const std::string& name, const std::string& caption,
                                  TMenuItem* before, void (TMasterFrm::*click)(TObject*)) {
    auto* m = new TMenuItem(this);
    m->SetName(name);
    m->SetCaption(caption);
    if (click) m->OnClick = [this, click](TObject* s) { (this->*click)(s); };
    titles->Insert(titles->IndexOf(before), m);
    return m;
  };
  titleItem("Play3", "&Play", FEdit1, &TMasterFrm::Play3Click);
  titleItem("Mail3", "&Mail", FDelete4, &TMasterFrm::Mail3Click);
  titleItem("Save1", "&Save to disk", FDelete4, &TMasterFrm::Save1Click);
  titleItem("Print3", "P&rint", FDelete4, nullptr)->OnClick = [this](TObject* s) {
    FPrintCommands->Print3Click(s);
  };

  // The web search of earlier versions: hidden, and its handler does nothing.
  auto* web = new TMenuItem(this);
  web->SetName("SearchtheWeb1");
  web->SetCaption("Search the &Web");
  web->SetVisible(false);
  web->OnClick = [this](TObject* s) { GetWebClick(s); };
  FFile1->Insert(FFile1->IndexOf(FScansystemforMIDIfiles1) + 1, web);
}

void TMasterFrm::GetWebClick(TObject*) {}

// --- key sources ---------------------------------------------------------------------------------

int TMasterFrm::GetCategoryKeys(TStringList& list, bool selectedOnly) {
  list.Clear();
  if (!FDragFromCategories || !FCatList) return 0;
  TTuneGridView* grid = FCatList->ActiveGrid();
  if (!grid) return 0;
  if (selectedOnly)
    grid->GetSelectedKeys(list);
  else
    grid->GetAllKeys(list);
  return list.Count();
}

int TMasterFrm::GatherKeys(TKeySource source, TStringList& keys) {
  keys.Clear();
  if (!FCatList || !FAlbList) return 0;
  switch (source) {
  case TKeySource::AlbumTitles:
    // The summary page has no titles of its own to select.
    if (FAlbums->ActivePageIndex() > 0) FAlbList->GetSelectedKeys(keys);
    break;
  case TKeySource::ActiveAlbum:
    FAlbList->GetActiveAlbumKeys(keys);
    break;
  case TKeySource::AllAlbums:
    if (AlbumLinesExist()) FAlbList->GetAllKeys(keys);
    break;
  case TKeySource::CategoryTitles:
    GetCategoryKeys(keys, true);
    break;
  case TKeySource::ActiveCategory:
    // "ALL CATEGORIES" is no category of its own.
    if (FCatList->ActiveIndex() >= 0) GetCategoryKeys(keys, false);
    break;
  case TKeySource::AllCategories:
    if (TTuneGridView* all = FCatList->AllTitlesGrid()) all->GetAllKeys(keys);
    break;
  }
  return keys.Count();
}

int TMasterFrm::TitleKeysInUse(TStringList& keys) {
  keys.Clear();
  if (FAlbumsInUse) {
    if (FAlbList && FAlbums->ActivePageIndex() > 0) FAlbList->GetSelectedKeys(keys);
  } else {
    SelectedKeysOfActiveGrid(keys);
  }
  return keys.Count();
}

// --- the commands ------------------------------------------------------------------------------

void TMasterFrm::RunTableCommand(TTableAction action, TKeySource source) {
  const bool fromAlbums = FromAlbums(source);
  SetDragSource(fromAlbums, !fromAlbums);
  TScopeExit spent([this] { ClearDragList(); });
  const int n = GatherKeys(source, *FDragList);
  // An empty selection or album is told so by the archive; the rest simply have nothing to do.
  const bool nothing =
      (source == TKeySource::ActiveCategory && FCatList && FCatList->ActiveIndex() < 0) ||
      (source == TKeySource::AllAlbums && !AlbumLinesExist());
  if (nothing || (n == 0 && action != TTableAction::Archive)) return;
  auto ask = [this](const std::string& text, TMessageButtons buttons, TMessageAnswer go) {
    return ShowMessageBox(text, TMessageKind::Warning, 0, buttons | TMessageButtons::Cancel) == go;
  };
  const std::string count = IntToStr(n);
  if (source == TKeySource::AllAlbums && action == TTableAction::Mail &&
      !ask("Are you sure you want to mail " + count + " title(s)?", TMessageButtons::OK,
           TMessageAnswer::OK))
    return;
  if (source == TKeySource::AllAlbums && action == TTableAction::Save &&
      !ask("Are you sure you want to save " + count + " titles to disk?", TMessageButtons::OK,
           TMessageAnswer::OK))
    return;
  if (source == TKeySource::AllCategories && action == TTableAction::Save &&
      !ask("Are you sure you want to save " + count + " title(s) to disk?", TMessageButtons::Yes,
           TMessageAnswer::Yes))
    return;
  // The operation works on its own copy: what it runs may change the working keys.
  TStringList keys;
  keys.AddStrings(*FDragList);
  switch (action) {
  case TTableAction::Mail:
    MailTitles(keys);
    break;
  case TTableAction::Archive:
    ArchiveTitles(keys);
    break;
  case TTableAction::Save:
    SaveTitlesToDisk(keys);
    break;
  }
}

void TMasterFrm::Play3Click(TObject*) {
  PlayKeysOf(FAlbumsInUse, [this](TStringList& keys) { return TitleKeysInUse(keys); });
}

void TMasterFrm::Mail3Click(TObject*) {
  TStringList keys;
  if (TitleKeysInUse(keys) > 0) MailTitles(keys);
}

void TMasterFrm::Save1Click(TObject*) {
  TStringList keys;
  if (TitleKeysInUse(keys) > 0) SaveTitlesToDisk(keys);
}
