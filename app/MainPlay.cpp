// The main window's play commands: the play pop-up over the working keys and the program buttons.
#include <windows.h>
#include "HourGlass.h"
#include "MailHandOff.h"
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "ExportCommands.h"
#include "EditCommands.h"
#include "ViewProgCode.h"
#include "VisualEffects.h"
#include "DataCodeD2.h"
#include "ExtPage.h"
#include "MMSlider.h"
#include "Menus.h"

namespace {

// The items from this one on are the title commands.
constexpr int FirstTitleCommand = 4;

} // namespace

void TPlayCommands::BuildPlayPopUp() {
  // cppcheck-suppress publicAllocationError ; built once with the window, which owns the menu
  FPlayPopUp = new TPopupMenu(&FFrm);
  FPlayPopUp->SetName("PlayPopUp");
  auto item = [this](const std::string& name, const std::string& caption) {
    return NewMenuItem(&FFrm, FPlayPopUp->Items(), name, caption);
  };
  FPlayT = item("PlayT", "PLAY: &Top of program");
  FPlayB = item("PlayB", "PLAY: &Bottom of program");
  FPlayR = item("PlayR", "PLAY: &Replace program");
  FCancel1 = item("Cancel1", "&Cancel");
  FEdit2 = item("Edit2", "&Edit");
  FDelete5 = item("Delete5", "&Delete");
  FMail4 = item("Mail4", "&Mail");
  FSave2 = item("Save2", "&Save to disk");
  FEdit2->OnClick = [this](TObject* s) { FFrm.EditCommands().Edit2Click(s); };
  FDelete5->OnClick = [this](TObject* s) { FFrm.EditCommands().Delete5Click(s); };
  FMail4->OnClick = [this](TObject* s) { FFrm.ExportCommands().Mail4Click(s); };
  FSave2->OnClick = [this](TObject* s) { FFrm.ExportCommands().Save2Click(s); };
  for (TMenuItem* m : {FEdit2, FDelete5, FMail4, FSave2})
    m->SetVisible(TitleCommandReady(*m));
  FPlayT->OnClick = [this](TObject* s) { PlayTClick(s); };
  FPlayB->OnClick = [this](TObject* s) { PlayBClick(s); };
  FPlayR->OnClick = [this](TObject* s) { PlayRClick(s); };
}

void TPlayCommands::BuildPlayMenus(TMenuItem* albums, TMenuItem* categories) {
  auto item = [this](TMenuItem* parent, const std::string& name, const std::string& caption,
                     std::function<void()> action) {
    return NewMenuItem(&FFrm, *parent, name, caption, std::move(action));
  };
  TMenuItem* albumPlay = item(albums, "Play1", "&Play", nullptr);
  FTitlesselected7 = item(albumPlay, "Titlesselected7", "&Titles selected",
                          [this] { Titlesselected7Click(&FFrm); });
  FAlbumselected4 =
      item(albumPlay, "Albumselected4", "&Album selected", [this] { Albumselected4Click(&FFrm); });
  FAllalbums5 = item(albumPlay, "Allalbums5", "A&ll albums", [this] { Allalbums5Click(&FFrm); });
  TMenuItem* categoryPlay = item(categories, "Play2", "&Play", nullptr);
  FTitlesselected8 = item(categoryPlay, "Titlesselected8", "&Titles selected",
                          [this] { Titlesselected8Click(&FFrm); });
  FActivecategory2 = item(categoryPlay, "Activecategory2", "&Active category",
                          [this] { Activecategory2Click(&FFrm); });
  FAllcategories3 = item(categoryPlay, "Allcategories3", "A&ll categories",
                         [this] { Allcategories3Click(&FFrm); });
}

bool TPlayCommands::PlayKeysOf(bool fromAlbums, const std::function<int(TStringList&)>& gather) {
  FFrm.WorkingKeys().Keys().Clear();
  if (!FFrm.CatList() || !FFrm.AlbList() || gather(FFrm.WorkingKeys().Keys()) <= 0) {
    FFrm.WorkingKeys().Keys().Clear();
    return false;
  }
  FFrm.WorkingKeys().SetSource(fromAlbums, !fromAlbums);
  ChoosePlayMode(false);
  return true;
}

void TPlayCommands::Titlesselected7Click(TObject*) {
  // On an album page its selected titles; on the summary page every title of the selected lines.
  if (PlayKeysOf(true,
                 [this](TStringList& keys) { return FFrm.AlbList()->GetSelectedKeys(keys); }) &&
      FParts.Albums->ActivePageIndex() > 0)
    if (TTuneGridView* grid = FFrm.AlbList()->Grid(FFrm.AlbList()->ActiveIndex())) grid->Focus();
}

void TPlayCommands::Albumselected4Click(TObject*) {
  PlayKeysOf(true, [this](TStringList& keys) { return FFrm.AlbList()->GetActiveAlbumKeys(keys); });
}

void TPlayCommands::Allalbums5Click(TObject*) {
  PlayKeysOf(true, [this](TStringList& keys) { return FFrm.AlbList()->GetAllKeys(keys); });
}

void TPlayCommands::Titlesselected8Click(TObject*) {
  if (PlayKeysOf(false, [this](TStringList& keys) {
        TTuneGridView* grid = FFrm.CatList()->ActiveGrid();
        if (grid) grid->GetSelectedKeys(keys);
        return keys.Count();
      }))
    FFrm.CatList()->FocusActiveGrid();
}

void TPlayCommands::Activecategory2Click(TObject*) {
  PlayKeysOf(false, [this](TStringList& keys) {
    // The all-titles page is no category.
    if (FFrm.CatList()->ActiveIndex() < 0) return 0;
    FFrm.CatList()->ActiveGrid()->GetAllKeys(keys);
    return keys.Count();
  });
}

void TPlayCommands::Allcategories3Click(TObject*) {
  PlayKeysOf(false, [this](TStringList& keys) {
    FFrm.CatList()->AllTitlesGrid()->GetAllKeys(keys);
    return keys.Count();
  });
}

bool TPlayCommands::TitleCommandReady(const TMenuItem& item) const {
  // A title command shows only once it has something to do; mail needs the mail window.
  if (&item == FMail4 && !MailWindowLink()) return false;
  return static_cast<bool>(item.OnClick);
}

void TMasterFrm::SetDragSource(bool fromAlbums, bool fromCategories) {
  FWorkingKeys.SetSource(fromAlbums, fromCategories);
}

void TPlayCommands::ChoosePlayMode(bool titleCommands) {
  TPlayPopUpItems offer = FFrm.Road().Program().PlayPopUpItems();
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
    FFrm.WorkingKeys().Clear();
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
  if (FFrm.WorkingKeys().Ready()) {
    auto busy = HourGlass();
    FFrm.Road().Program().PlayAtTop(FFrm.WorkingKeys().Keys());
  }
  FFrm.WorkingKeys().Clear();
  static_cast<TPlayRoadView&>(FFrm).UpdatePlayControls();
}

void TPlayCommands::PlayBClick(TObject*) {
  if (FFrm.WorkingKeys().Ready()) {
    auto busy = HourGlass();
    FFrm.Road().Program().PlayAtBottom(FFrm.WorkingKeys().Keys());
  }
  FFrm.WorkingKeys().Clear();
  static_cast<TPlayRoadView&>(FFrm).UpdatePlayControls();
}

void TPlayCommands::PlayRClick(TObject* Sender) {
  // Nothing to play instead: the program the user has stays.
  if (FFrm.WorkingKeys().Ready()) MusicClearClick(Sender);
  PlayTClick(Sender);
}

void TPlayCommands::MusicClearClick(TObject*) {
  FFrm.Road().Program().EraseProgram();
  static_cast<TPlayRoadView&>(FFrm).UpdatePlayControls();
  static_cast<TPlayRoadView&>(FFrm).ProgramChanged();
}

void TPlayCommands::PlayNextClick(TObject*) {
  FParts.PlayNext->SetEnabled(false);
  try {
    auto busy = HourGlass();
    FFrm.Road().Program().StepProgram(true);
  } catch (...) {
    FParts.PlayNext->SetEnabled(true);
    throw;
  }
  FParts.PlayNext->SetEnabled(true);
  static_cast<TPlayRoadView&>(FFrm).UpdatePlayControls();
}

void TPlayCommands::BackClick(TObject*) {
  FParts.Back->SetEnabled(false);
  try {
    auto busy = HourGlass();
    FFrm.Road().Program().StepProgram(false);
  } catch (...) {
    FParts.Back->SetEnabled(true);
    throw;
  }
  FParts.Back->SetEnabled(true);
  static_cast<TPlayRoadView&>(FFrm).UpdatePlayControls();
}

void TPlayCommands::Shuffle2Click(TObject*) {
  if (!FFrm.Road().Program().Playing()) return;
  if (FParts.MMSlider1->CanFocus()) FParts.MMSlider1->SetFocus();
  auto busy = HourGlass();
  FFrm.Road().Program().ShuffleAndPlay();
}

// --- the program viewer
// ------------------------------------------------------------------------------

TViewProgFrm& TMasterFrm::ProgramViewer() {
  TViewProgFrm* viewer = ViewProgFrm;
  if (!viewer) {
    if (!FOwnViewer) FOwnViewer = std::make_unique<TViewProgFrm>(nullptr);
    viewer = FOwnViewer.get();
  }
  if (viewer != FViewer) {
    FViewer = viewer;
    viewer->SetMainWindow(this);
    // The viewer's spectrum sees what the main window's displays see.
    FVisualEffects->MMConnector2()->SetOutput(viewer->MMConnector1);
  }
  return *viewer;
}

void TMasterFrm::Viewtitles1Click(TObject*) {
  TViewProgFrm& viewer = ProgramViewer();
  if (!viewer.Visible()) {
    CenterOverMainWindow(viewer);
    int top = Top() - 30;
    if (top < 0) top = 30;
    int height = Height() + 60;
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (top + height > screenHeight) height = screenHeight - top - 35;
    viewer.SetBounds(viewer.Left(), top, viewer.Width(), height);
  }
  viewer.ShowProgram(FRoad->Program().Lines(), FRoad->Program().Index());
  if (viewer.HandleAllocated() && IsIconic(viewer.Handle()))
    ShowWindow(viewer.Handle(), SW_RESTORE);
  viewer.Show();
}

void TMasterFrm::ProgramChanged() {
  if (FViewer && FViewer->Visible())
    FViewer->ShowProgram(FRoad->Program().Lines(), FRoad->Program().Index());
}

TPlayCommands::TPlayCommands(TMasterFrm& frm, TPlayParts parts) : FFrm(frm), FParts(parts) {}

TPlayCommands::~TPlayCommands() = default;
