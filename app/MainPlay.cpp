// The main window's play commands: the play pop-up over the working keys and the program buttons.
#include <windows.h>
#include "HourGlass.h"
#include "MailHandOff.h"
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "ExportCommands.h"
#include "EditCommands.h"
#include "ViewProgCode.h"
#include "DataCodeD2.h"
#include "ExtPage.h"
#include "MMSlider.h"
#include "Menus.h"

namespace {

// The items from this one on are the title commands.
constexpr int FirstTitleCommand = 4;

} // namespace

void TPlayCommands::BuildPlayPopUp() {
  FFrm.FPlayPopUp = new TPopupMenu(&FFrm);
  FFrm.FPlayPopUp->SetName("PlayPopUp");
  auto item = [this](const std::string& name, const std::string& caption) {
    return NewMenuItem(&FFrm, FFrm.FPlayPopUp->Items(), name, caption);
  };
  FFrm.FPlayT = item("PlayT", "PLAY: &Top of program");
  FFrm.FPlayB = item("PlayB", "PLAY: &Bottom of program");
  FFrm.FPlayR = item("PlayR", "PLAY: &Replace program");
  FFrm.FCancel1 = item("Cancel1", "&Cancel");
  FFrm.FEdit2 = item("Edit2", "&Edit");
  FFrm.FDelete5 = item("Delete5", "&Delete");
  FFrm.FMail4 = item("Mail4", "&Mail");
  FFrm.FSave2 = item("Save2", "&Save to disk");
  FFrm.FEdit2->OnClick = [this](TObject* s) { FFrm.FEditCommands->Edit2Click(s); };
  FFrm.FDelete5->OnClick = [this](TObject* s) { FFrm.FEditCommands->Delete5Click(s); };
  FFrm.FMail4->OnClick = [this](TObject* s) { FFrm.FExportCommands->Mail4Click(s); };
  FFrm.FSave2->OnClick = [this](TObject* s) { FFrm.FExportCommands->Save2Click(s); };
  for (TMenuItem* m : {FFrm.FEdit2, FFrm.FDelete5, FFrm.FMail4, FFrm.FSave2})
    m->SetVisible(TitleCommandReady(*m));
  FFrm.FPlayT->OnClick = [this](TObject* s) { PlayTClick(s); };
  FFrm.FPlayB->OnClick = [this](TObject* s) { PlayBClick(s); };
  FFrm.FPlayR->OnClick = [this](TObject* s) { PlayRClick(s); };
}

void TPlayCommands::BuildPlayMenus(TMenuItem* albums, TMenuItem* categories) {
  auto item = [this](TMenuItem* parent, const std::string& name, const std::string& caption,
                     std::function<void()> action) {
    return NewMenuItem(&FFrm, *parent, name, caption, std::move(action));
  };
  TMenuItem* albumPlay = item(albums, "Play1", "&Play", nullptr);
  FFrm.FTitlesselected7 = item(albumPlay, "Titlesselected7", "&Titles selected",
                               [this] { Titlesselected7Click(&FFrm); });
  FFrm.FAlbumselected4 =
      item(albumPlay, "Albumselected4", "&Album selected", [this] { Albumselected4Click(&FFrm); });
  FFrm.FAllalbums5 =
      item(albumPlay, "Allalbums5", "A&ll albums", [this] { Allalbums5Click(&FFrm); });
  TMenuItem* categoryPlay = item(categories, "Play2", "&Play", nullptr);
  FFrm.FTitlesselected8 = item(categoryPlay, "Titlesselected8", "&Titles selected",
                               [this] { Titlesselected8Click(&FFrm); });
  FFrm.FActivecategory2 = item(categoryPlay, "Activecategory2", "&Active category",
                               [this] { Activecategory2Click(&FFrm); });
  FFrm.FAllcategories3 = item(categoryPlay, "Allcategories3", "A&ll categories",
                              [this] { Allcategories3Click(&FFrm); });
}

bool TPlayCommands::PlayKeysOf(bool fromAlbums, const std::function<int(TStringList&)>& gather) {
  FFrm.WorkingKeys().Keys().Clear();
  if (!FFrm.FCatList || !FFrm.FAlbList || gather(FFrm.WorkingKeys().Keys()) <= 0) {
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
                 [this](TStringList& keys) { return FFrm.FAlbList->GetSelectedKeys(keys); }) &&
      FFrm.FAlbums->ActivePageIndex() > 0)
    if (TTuneGridView* grid = FFrm.FAlbList->Grid(FFrm.FAlbList->ActiveIndex())) grid->Focus();
}

void TPlayCommands::Albumselected4Click(TObject*) {
  PlayKeysOf(true, [this](TStringList& keys) { return FFrm.FAlbList->GetActiveAlbumKeys(keys); });
}

void TPlayCommands::Allalbums5Click(TObject*) {
  PlayKeysOf(true, [this](TStringList& keys) { return FFrm.FAlbList->GetAllKeys(keys); });
}

void TPlayCommands::Titlesselected8Click(TObject*) {
  if (PlayKeysOf(false, [this](TStringList& keys) {
        TTuneGridView* grid = FFrm.FCatList->ActiveGrid();
        if (grid) grid->GetSelectedKeys(keys);
        return keys.Count();
      }))
    FFrm.FCatList->FocusActiveGrid();
}

void TPlayCommands::Activecategory2Click(TObject*) {
  PlayKeysOf(false, [this](TStringList& keys) {
    // The all-titles page is no category.
    if (FFrm.FCatList->ActiveIndex() < 0) return 0;
    FFrm.FCatList->ActiveGrid()->GetAllKeys(keys);
    return keys.Count();
  });
}

void TPlayCommands::Allcategories3Click(TObject*) {
  PlayKeysOf(false, [this](TStringList& keys) {
    FFrm.FCatList->AllTitlesGrid()->GetAllKeys(keys);
    return keys.Count();
  });
}

bool TPlayCommands::TitleCommandReady(const TMenuItem& item) const {
  // A title command shows only once it has something to do; mail needs the mail window.
  if (&item == FFrm.FMail4 && !MailWindowLink()) return false;
  return static_cast<bool>(item.OnClick);
}

void TMasterFrm::SetDragSource(bool fromAlbums, bool fromCategories) {
  FWorkingKeys.SetSource(fromAlbums, fromCategories);
}

void TPlayCommands::ChoosePlayMode(bool titleCommands) {
  TPlayPopUpItems offer = FFrm.FRoad->Program().PlayPopUpItems();
  FFrm.FPlayT->SetCaption(offer.TopCaption);
  FFrm.FPlayB->SetVisible(offer.BottomVisible);
  FFrm.FPlayR->SetVisible(offer.ReplaceVisible);
  if (offer.ChooseTopAtOnce) {
    PlayTClick(FFrm.FPlayT);
    return;
  }
  // Whatever happens in the pop-up, the title commands are there again afterwards and the keys
  // are spent (the chosen command has run by the time the pop-up returns).
  TScopeExit after([this] {
    TMenuItem& items = FFrm.FPlayPopUp->Items();
    for (int i = FirstTitleCommand; i < items.Count(); ++i)
      items.Items(i)->SetVisible(TitleCommandReady(*items.Items(i)));
    FFrm.WorkingKeys().Clear();
  });
  TMenuItem& items = FFrm.FPlayPopUp->Items();
  for (int i = FirstTitleCommand; i < items.Count(); ++i)
    items.Items(i)->SetVisible(titleCommands && TitleCommandReady(*items.Items(i)));
  POINT cursor{};
  GetCursorPos(&cursor);
  FFrm.FPlayPopUp->Popup(cursor.x, cursor.y);
}

void TPlayCommands::PlayTClick(TObject*) {
  // The keys must come from one of the views; either one will do.
  if (FFrm.WorkingKeys().Ready()) {
    auto busy = HourGlass();
    FFrm.FRoad->Program().PlayAtTop(FFrm.WorkingKeys().Keys());
  }
  FFrm.WorkingKeys().Clear();
  FFrm.UpdatePlayControls();
}

void TPlayCommands::PlayBClick(TObject*) {
  if (FFrm.WorkingKeys().Ready()) {
    auto busy = HourGlass();
    FFrm.FRoad->Program().PlayAtBottom(FFrm.WorkingKeys().Keys());
  }
  FFrm.WorkingKeys().Clear();
  FFrm.UpdatePlayControls();
}

void TPlayCommands::PlayRClick(TObject* Sender) {
  // Nothing to play instead: the program the user has stays.
  if (FFrm.WorkingKeys().Ready()) MusicClearClick(Sender);
  PlayTClick(Sender);
}

void TPlayCommands::MusicClearClick(TObject*) {
  FFrm.FRoad->Program().EraseProgram();
  FFrm.UpdatePlayControls();
  FFrm.ProgramChanged();
}

void TPlayCommands::PlayNextClick(TObject*) {
  FFrm.FPlayNext->SetEnabled(false);
  try {
    auto busy = HourGlass();
    FFrm.FRoad->Program().StepProgram(true);
  } catch (...) {
    FFrm.FPlayNext->SetEnabled(true);
    throw;
  }
  FFrm.FPlayNext->SetEnabled(true);
  FFrm.UpdatePlayControls();
}

void TPlayCommands::BackClick(TObject*) {
  FFrm.FBack->SetEnabled(false);
  try {
    auto busy = HourGlass();
    FFrm.FRoad->Program().StepProgram(false);
  } catch (...) {
    FFrm.FBack->SetEnabled(true);
    throw;
  }
  FFrm.FBack->SetEnabled(true);
  FFrm.UpdatePlayControls();
}

void TPlayCommands::Shuffle2Click(TObject*) {
  if (!FFrm.FRoad->Program().Playing()) return;
  if (FFrm.FMMSlider1->CanFocus()) FFrm.FMMSlider1->SetFocus();
  auto busy = HourGlass();
  FFrm.FRoad->Program().ShuffleAndPlay();
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
    FMMConnector2->SetOutput(viewer->MMConnector1);
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

TPlayCommands::TPlayCommands(TMasterFrm& frm) : FFrm(frm) {}

TPlayCommands::~TPlayCommands() = default;
