// The catalogue's mail, archive and save commands over each area's key sources, the tab pop-ups'
// play commands and the Titles menu's play, mail and save.
#include "MailHandOff.h"
#include "CatalogueCommands.h"
#include "CatalogueMenus.h"
#include "EditCommands.h"
#include "ExportCommands.h"
#include "MainCatalogue.h"
#include "MainPlay.h"
#include "MainServices.h"
#include "PrintCommands.h"
#include "TableCommands.h"
#include "WorkingKeys.h"
#include "SysUtils.h"
#include "DataCodeD2.h"
#include "ExtPage.h"
#include "Handles.h"
#include "Menus.h"

namespace {

using TSource = TTableCommands::TKeySource;
using TAction = TTableCommands::TTableAction;

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

void TTableCommands::BuildTableMenus(const TCatalogueMenus& menus, TMenuItem* fileMenu,
                                     TMenuItem* scanSystem) {
  TMenuItem *albums = menus.Albums, *categories = menus.Categories, *titles = menus.Titles;
  auto item = [this](TMenuItem* parent, const std::string& name, const std::string& caption,
                     std::function<void()> action) {
    return NewMenuItem(&FContext.Owner, *parent, name, caption, std::move(action));
  };
  TMenuItem& albPopUp = menus.AlbPopUp->Items();
  TMenuItem& catPopUp = menus.NewCatPopUp->Items();
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
    auto* m = new TMenuItem(&FContext.Owner);
    m->SetName(name);
    m->SetCaption("&Play");
    popUp->Items().Insert(0, m);
    return m;
  };
  TMenuItem* albumPlay = playMenu(menus.AlbPopUp, "Play4");
  item(albumPlay, "Titlesselected18", "&Titles selected",
       [this] { FContext.PlayCommands.Titlesselected7Click(&FContext.Owner); });
  item(albumPlay, "Albumselected6", "&Album selected",
       [this] { FContext.PlayCommands.Albumselected4Click(&FContext.Owner); });
  item(albumPlay, "Allalbums7", "A&ll albums",
       [this] { FContext.PlayCommands.Allalbums5Click(&FContext.Owner); });
  TMenuItem* categoryPlay = playMenu(menus.NewCatPopUp, "Play5");
  item(categoryPlay, "Titlesselected13", "&Titles selected",
       [this] { FContext.PlayCommands.Titlesselected8Click(&FContext.Owner); });
  item(categoryPlay, "Activecategory5", "&Active category",
       [this] { FContext.PlayCommands.Activecategory2Click(&FContext.Owner); });
  item(categoryPlay, "Allcategories6", "A&ll categories",
       [this] { FContext.PlayCommands.Allcategories3Click(&FContext.Owner); });

  // The Titles menu: play, edit, mail, save, print, delete.
  auto titleItem = [this, titles](const std::string& name, const std::string& caption,
                                  TMenuItem* before, void (TTableCommands::*click)(TObject*)) {
    auto* m = new TMenuItem(&FContext.Owner);
    m->SetName(name);
    m->SetCaption(caption);
    if (click) m->OnClick = [this, click](TObject* s) { (this->*click)(s); };
    titles->Insert(titles->IndexOf(before), m);
    return m;
  };
  titleItem("Play3", "&Play", FContext.EditCommands.Edit1(), &TTableCommands::Play3Click);
  titleItem("Mail3", "&Mail", FContext.EditCommands.Delete4(), &TTableCommands::Mail3Click);
  titleItem("Save1", "&Save to disk", FContext.EditCommands.Delete4(), &TTableCommands::Save1Click);
  titleItem("Print3", "P&rint", FContext.EditCommands.Delete4(), nullptr)->OnClick =
      [this](TObject* s) { FContext.PrintCommands.Print3Click(s); };

  // The web search of earlier versions: hidden, and its handler does nothing.
  auto* web = new TMenuItem(&FContext.Owner);
  web->SetName("SearchtheWeb1");
  web->SetCaption("Search the &Web");
  web->SetVisible(false);
  web->OnClick = [this](TObject* s) { GetWebClick(s); };
  fileMenu->Insert(fileMenu->IndexOf(scanSystem) + 1, web);
}

void TTableCommands::GetWebClick(TObject*) {}

// --- key sources ---------------------------------------------------------------------------------

int TTableCommands::GetCategoryKeys(TStringList& list, bool selectedOnly) {
  list.Clear();
  if (!FContext.Keys.FromCategories() || !FContext.Catalogue.CatList()) return 0;
  TTuneGridView* grid = FContext.Catalogue.CatList()->ActiveGrid();
  if (!grid) return 0;
  if (selectedOnly)
    grid->GetSelectedKeys(list);
  else
    grid->GetAllKeys(list);
  return list.Count();
}

int TTableCommands::GatherKeys(TKeySource source, TStringList& keys) {
  keys.Clear();
  if (!FContext.Catalogue.CatList() || !FContext.Catalogue.AlbList()) return 0;
  switch (source) {
  case TKeySource::AlbumTitles:
    // The summary page has no titles of its own to select.
    if (FParts.Albums->ActivePageIndex() > 0) FContext.Catalogue.AlbList()->GetSelectedKeys(keys);
    break;
  case TKeySource::ActiveAlbum:
    FContext.Catalogue.AlbList()->GetActiveAlbumKeys(keys);
    break;
  case TKeySource::AllAlbums:
    if (FContext.CatalogueCommands.AlbumLinesExist())
      FContext.Catalogue.AlbList()->GetAllKeys(keys);
    break;
  case TKeySource::CategoryTitles:
    GetCategoryKeys(keys, true);
    break;
  case TKeySource::ActiveCategory:
    // "ALL CATEGORIES" is no category of its own.
    if (FContext.Catalogue.CatList()->ActiveIndex() >= 0) GetCategoryKeys(keys, false);
    break;
  case TKeySource::AllCategories:
    if (TTuneGridView* all = FContext.Catalogue.CatList()->AllTitlesGrid()) all->GetAllKeys(keys);
    break;
  }
  return keys.Count();
}

// --- the commands ------------------------------------------------------------------------------

void TTableCommands::RunTableCommand(TTableAction action, TKeySource source) {
  const bool fromAlbums = FromAlbums(source);
  FContext.Keys.SetSource(fromAlbums, !fromAlbums);
  TScopeExit spent([this] { FContext.Keys.Clear(); });
  int n = 0;
  if (action == TTableAction::Save && source == TKeySource::ActiveAlbum) {
    // Saving an album saves what is selected of it: its selected titles, or on the summary page
    // the albums whose lines are selected.
    FContext.Keys.Keys().Clear();
    if (FContext.Catalogue.AlbList())
      n = FContext.Catalogue.AlbList()->GetSelectedKeys(FContext.Keys.Keys());
  } else {
    n = GatherKeys(source, FContext.Keys.Keys());
  }
  // An empty selection or album is told so by the archive; the rest simply have nothing to do.
  const bool nothing =
      (source == TKeySource::ActiveCategory && FContext.Catalogue.CatList() &&
       FContext.Catalogue.CatList()->ActiveIndex() < 0) ||
      (source == TKeySource::AllAlbums && !FContext.CatalogueCommands.AlbumLinesExist());
  if (nothing || (n == 0 && action != TTableAction::Archive)) return;
  auto ask = [this](const std::string& text, TMessageButtons buttons, TMessageAnswer go) {
    return FContext.Window.ShowMessageBox(text, TMessageKind::Warning, 0,
                                          buttons | TMessageButtons::Cancel) == go;
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
  keys.AddStrings(FContext.Keys.Keys());
  switch (action) {
  case TTableAction::Mail:
    FContext.ExportCommands.MailTitles(keys);
    break;
  case TTableAction::Archive:
    FContext.ExportCommands.ArchiveTitles(keys);
    break;
  case TTableAction::Save:
    FContext.ExportCommands.SaveTitlesToDisk(keys);
    break;
  }
}

void TTableCommands::Play3Click(TObject*) {
  FContext.PlayCommands.PlayKeysOf(FContext.Keys.AlbumsInUse(), [this](TStringList& keys) {
    return FContext.EditCommands.TitleKeysInUse(keys);
  });
}

void TTableCommands::Mail3Click(TObject*) {
  TStringList keys;
  if (FContext.EditCommands.TitleKeysInUse(keys) > 0) FContext.ExportCommands.MailTitles(keys);
}

void TTableCommands::Save1Click(TObject*) {
  TStringList keys;
  if (FContext.EditCommands.TitleKeysInUse(keys) > 0)
    FContext.ExportCommands.SaveTitlesToDisk(keys);
}

TTableCommands::TTableCommands(const TTableContext& context) : FContext(context) {}

TTableCommands::~TTableCommands() = default;
