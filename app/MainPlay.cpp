// The main window's play commands: the play pop-up over the working keys and the program buttons.
#include <windows.h>
#include "HourGlass.h"
#include "MailHandOff.h"
#include "MainPlay.h"
#include "Buttons.h"
#include "EditCommands.h"
#include "ExportCommands.h"
#include "DataCodeD2.h"
#include "MainCatalogue.h"
#include "PlayRoad.h"
#include "WorkingKeys.h"
#include "ExtPage.h"
#include "MMSlider.h"
#include "Menus.h"

namespace {

// The items from this one on are the title commands.
constexpr int FirstTitleCommand = 4;

} // namespace

void TPlayCommands::BuildPlayPopUp() {
  // cppcheck-suppress publicAllocationError ; built once with the window, which owns the menu
  FPlayPopUp = new TPopupMenu(&FContext.Owner);
  FPlayPopUp->SetName("PlayPopUp");
  auto item = [this](const std::string& name, const std::string& caption) {
    return NewMenuItem(&FContext.Owner, FPlayPopUp->Items(), name, caption);
  };
  FPlayT = item("PlayT", "PLAY: &Top of program");
  FPlayB = item("PlayB", "PLAY: &Bottom of program");
  FPlayR = item("PlayR", "PLAY: &Replace program");
  item("Cancel1", "&Cancel");
  TMenuItem* edit = item("Edit2", "&Edit");
  TMenuItem* remove = item("Delete5", "&Delete");
  FMail4 = item("Mail4", "&Mail");
  TMenuItem* save = item("Save2", "&Save to disk");
  edit->OnClick = [this](TObject* s) { FContext.EditCommands.Edit2Click(s); };
  remove->OnClick = [this](TObject* s) { FContext.EditCommands.Delete5Click(s); };
  FMail4->OnClick = [this](TObject* s) { FContext.ExportCommands.Mail4Click(s); };
  save->OnClick = [this](TObject* s) { FContext.ExportCommands.Save2Click(s); };
  for (TMenuItem* m : {edit, remove, FMail4, save})
    m->SetVisible(TitleCommandReady(*m));
  FPlayT->OnClick = [this](TObject* s) { PlayTClick(s); };
  FPlayB->OnClick = [this](TObject* s) { PlayBClick(s); };
  FPlayR->OnClick = [this](TObject* s) { PlayRClick(s); };
}

void TPlayCommands::BuildPlayMenus(TMenuItem* albums, TMenuItem* categories) {
  auto item = [this](TMenuItem* parent, const std::string& name, const std::string& caption,
                     std::function<void()> action) {
    return NewMenuItem(&FContext.Owner, *parent, name, caption, std::move(action));
  };
  TMenuItem* albumPlay = item(albums, "Play1", "&Play", nullptr);
  item(albumPlay, "Titlesselected7", "&Titles selected",
       [this] { Titlesselected7Click(&FContext.Owner); });
  item(albumPlay, "Albumselected4", "&Album selected",
       [this] { Albumselected4Click(&FContext.Owner); });
  item(albumPlay, "Allalbums5", "A&ll albums", [this] { Allalbums5Click(&FContext.Owner); });
  TMenuItem* categoryPlay = item(categories, "Play2", "&Play", nullptr);
  item(categoryPlay, "Titlesselected8", "&Titles selected",
       [this] { Titlesselected8Click(&FContext.Owner); });
  item(categoryPlay, "Activecategory2", "&Active category",
       [this] { Activecategory2Click(&FContext.Owner); });
  item(categoryPlay, "Allcategories3", "A&ll categories",
       [this] { Allcategories3Click(&FContext.Owner); });
}

bool TPlayCommands::PlayKeysOf(bool fromAlbums, const std::function<int(TStringList&)>& gather) {
  FContext.Keys.Keys().Clear();
  if (!FContext.Catalogue.CatList() || !FContext.Catalogue.AlbList() ||
      gather(FContext.Keys.Keys()) <= 0) {
    FContext.Keys.Keys().Clear();
    return false;
  }
  FContext.Keys.SetSource(fromAlbums, !fromAlbums);
  ChoosePlayMode(false);
  return true;
}

void TPlayCommands::Titlesselected7Click(TObject*) {
  // On an album page its selected titles; on the summary page every title of the selected lines.
  if (PlayKeysOf(true,
                 [this](TStringList& keys) {
                   return FContext.Catalogue.AlbList()->GetSelectedKeys(keys);
                 }) &&
      FParts.Albums->ActivePageIndex() > 0)
    if (TTuneGridView* grid =
            FContext.Catalogue.AlbList()->Grid(FContext.Catalogue.AlbList()->ActiveIndex()))
      grid->Focus();
}

void TPlayCommands::Albumselected4Click(TObject*) {
  PlayKeysOf(true, [this](TStringList& keys) {
    return FContext.Catalogue.AlbList()->GetActiveAlbumKeys(keys);
  });
}

void TPlayCommands::Allalbums5Click(TObject*) {
  PlayKeysOf(true,
             [this](TStringList& keys) { return FContext.Catalogue.AlbList()->GetAllKeys(keys); });
}

void TPlayCommands::Titlesselected8Click(TObject*) {
  if (PlayKeysOf(false, [this](TStringList& keys) {
        TTuneGridView* grid = FContext.Catalogue.CatList()->ActiveGrid();
        if (grid) grid->GetSelectedKeys(keys);
        return keys.Count();
      }))
    FContext.Catalogue.CatList()->FocusActiveGrid();
}

void TPlayCommands::Activecategory2Click(TObject*) {
  PlayKeysOf(false, [this](TStringList& keys) {
    // The all-titles page is no category.
    if (FContext.Catalogue.CatList()->ActiveIndex() < 0) return 0;
    FContext.Catalogue.CatList()->ActiveGrid()->GetAllKeys(keys);
    return keys.Count();
  });
}

void TPlayCommands::Allcategories3Click(TObject*) {
  PlayKeysOf(false, [this](TStringList& keys) {
    FContext.Catalogue.CatList()->AllTitlesGrid()->GetAllKeys(keys);
    return keys.Count();
  });
}

bool TPlayCommands::TitleCommandReady(const TMenuItem& item) const {
  // A title command shows only once it has something to do; mail needs the mail window.
  if (&item == FMail4 && !MailWindowLink()) return false;
  return static_cast<bool>(item.OnClick);
}

void TPlayCommands::ChoosePlayMode(bool titleCommands) {
  TPlayPopUpItems offer = FContext.Road.Program().PlayPopUpItems();
  FPlayT->SetCaption(offer.TopCaption);
  FPlayB->SetVisible(offer.BottomVisible);
  FPlayR->SetVisible(offer.ReplaceVisible);
  if (offer.ChooseTopAtOnce) {
    PlayTClick(FPlayT);
    return;
  }
  // Whatever happens in the pop-up, the title commands are there again afterwards and the keys
  // are spent (the chosen command has run by the time the pop-up returns).
  TScopeExit after([this] {
    TMenuItem& items = FPlayPopUp->Items();
    for (int i = FirstTitleCommand; i < items.Count(); ++i)
      items.Items(i)->SetVisible(TitleCommandReady(*items.Items(i)));
    FContext.Keys.Clear();
  });
  TMenuItem& items = FPlayPopUp->Items();
  for (int i = FirstTitleCommand; i < items.Count(); ++i)
    items.Items(i)->SetVisible(titleCommands && TitleCommandReady(*items.Items(i)));
  POINT cursor{};
  GetCursorPos(&cursor);
  FPlayPopUp->Popup(cursor.x, cursor.y);
}

void TPlayCommands::PlayTClick(TObject*) {
  // The keys must come from one of the views; either one will do.
  if (FContext.Keys.Ready()) {
    auto busy = HourGlass();
    FContext.Road.Program().PlayAtTop(FContext.Keys.Keys());
  }
  FContext.Keys.Clear();
  FContext.RoadView.UpdatePlayControls();
}

void TPlayCommands::PlayBClick(TObject*) {
  if (FContext.Keys.Ready()) {
    auto busy = HourGlass();
    FContext.Road.Program().PlayAtBottom(FContext.Keys.Keys());
  }
  FContext.Keys.Clear();
  FContext.RoadView.UpdatePlayControls();
}

void TPlayCommands::PlayRClick(TObject* Sender) {
  // Nothing to play instead: the program the user has stays.
  if (FContext.Keys.Ready()) MusicClearClick(Sender);
  PlayTClick(Sender);
}

void TPlayCommands::MusicClearClick(TObject*) {
  FContext.Road.Program().EraseProgram();
  FContext.RoadView.UpdatePlayControls();
  FContext.RoadView.ProgramChanged();
}

void TPlayCommands::PlayNextClick(TObject*) {
  FParts.PlayNext->SetEnabled(false);
  try {
    auto busy = HourGlass();
    FContext.Road.Program().StepProgram(true);
  } catch (...) {
    FParts.PlayNext->SetEnabled(true);
    throw;
  }
  FParts.PlayNext->SetEnabled(true);
  FContext.RoadView.UpdatePlayControls();
}

void TPlayCommands::BackClick(TObject*) {
  FParts.Back->SetEnabled(false);
  try {
    auto busy = HourGlass();
    FContext.Road.Program().StepProgram(false);
  } catch (...) {
    FParts.Back->SetEnabled(true);
    throw;
  }
  FParts.Back->SetEnabled(true);
  FContext.RoadView.UpdatePlayControls();
}

void TPlayCommands::Shuffle2Click(TObject*) {
  if (!FContext.Road.Program().Playing()) return;
  if (FParts.MMSlider1->CanFocus()) FParts.MMSlider1->SetFocus();
  auto busy = HourGlass();
  FContext.Road.Program().ShuffleAndPlay();
}

// --- the program viewer
// ------------------------------------------------------------------------------

TPlayCommands::TPlayCommands(const TPlayContext& context) : FContext(context) {}

TPlayCommands::~TPlayCommands() = default;
