// The main window's play commands: the play pop-up over the working keys and the program buttons.
#include <windows.h>
#include "HourGlass.h"
#include "MailHandOff.h"
#include "MainCodeD2.h"
#include "ExportCommands.h"
#include "EditCommands.h"
#include "ViewProgCode.h"

namespace {

// The items from this one on are the title commands.
constexpr int FirstTitleCommand = 4;

} // namespace

void TMasterFrm::BuildPlayPopUp() {
  FPlayPopUp = new TPopupMenu(this);
  FPlayPopUp->SetName("PlayPopUp");
  auto item = [this](const std::string& name, const std::string& caption) {
    return NewMenuItem(this, FPlayPopUp->Items(), name, caption);
  };
  FPlayT = item("PlayT", "PLAY: &Top of program");
  FPlayB = item("PlayB", "PLAY: &Bottom of program");
  FPlayR = item("PlayR", "PLAY: &Replace program");
  FCancel1 = item("Cancel1", "&Cancel");
  FEdit2 = item("Edit2", "&Edit");
  FDelete5 = item("Delete5", "&Delete");
  FMail4 = item("Mail4", "&Mail");
  FSave2 = item("Save2", "&Save to disk");
  FEdit2->OnClick = [this](TObject* s) { FEditCommands->Edit2Click(s); };
  FDelete5->OnClick = [this](TObject* s) { FEditCommands->Delete5Click(s); };
  FMail4->OnClick = [this](TObject* s) { FExportCommands->Mail4Click(s); };
  FSave2->OnClick = [this](TObject* s) { FExportCommands->Save2Click(s); };
  for (TMenuItem* m : {FEdit2, FDelete5, FMail4, FSave2})
    m->SetVisible(TitleCommandReady(*m));
  FPlayT->OnClick = [this](TObject* s) { PlayTClick(s); };
  FPlayB->OnClick = [this](TObject* s) { PlayBClick(s); };
  FPlayR->OnClick = [this](TObject* s) { PlayRClick(s); };
}

void TMasterFrm::BuildPlayMenus(TMenuItem* albums, TMenuItem* categories) {
  auto item = [this](TMenuItem* parent, const std::string& name, const std::string& caption,
                     std::function<void()> action) {
    return NewMenuItem(this, *parent, name, caption, std::move(action));
  };
  TMenuItem* albumPlay = item(albums, "Play1", "&Play", nullptr);
  FTitlesselected7 = item(albumPlay, "Titlesselected7", "&Titles selected",
                          [this] { Titlesselected7Click(this); });
  FAlbumselected4 =
      item(albumPlay, "Albumselected4", "&Album selected", [this] { Albumselected4Click(this); });
  FAllalbums5 = item(albumPlay, "Allalbums5", "A&ll albums", [this] { Allalbums5Click(this); });
  TMenuItem* categoryPlay = item(categories, "Play2", "&Play", nullptr);
  FTitlesselected8 = item(categoryPlay, "Titlesselected8", "&Titles selected",
                          [this] { Titlesselected8Click(this); });
  FActivecategory2 = item(categoryPlay, "Activecategory2", "&Active category",
                          [this] { Activecategory2Click(this); });
  FAllcategories3 = item(categoryPlay, "Allcategories3", "A&ll categories",
                         [this] { Allcategories3Click(this); });
}

bool TMasterFrm::PlayKeysOf(bool fromAlbums, const std::function<int(TStringList&)>& gather) {
  FDragList->Clear();
  if (!FCatList || !FAlbList || gather(*FDragList) <= 0) {
    FDragList->Clear();
    return false;
  }
  SetDragSource(fromAlbums, !fromAlbums);
  ChoosePlayMode(false);
  return true;
}

void TMasterFrm::Titlesselected7Click(TObject*) {
  // On an album page its selected titles; on the summary page every title of the selected lines.
  if (PlayKeysOf(true, [this](TStringList& keys) { return FAlbList->GetSelectedKeys(keys); }) &&
      FAlbums->ActivePageIndex() > 0)
    if (TTuneGridView* grid = FAlbList->Grid(FAlbList->ActiveIndex())) grid->Focus();
}

void TMasterFrm::Albumselected4Click(TObject*) {
  PlayKeysOf(true, [this](TStringList& keys) { return FAlbList->GetActiveAlbumKeys(keys); });
}

void TMasterFrm::Allalbums5Click(TObject*) {
  PlayKeysOf(true, [this](TStringList& keys) { return FAlbList->GetAllKeys(keys); });
}

void TMasterFrm::Titlesselected8Click(TObject*) {
  if (PlayKeysOf(false, [this](TStringList& keys) {
        TTuneGridView* grid = FCatList->ActiveGrid();
        if (grid) grid->GetSelectedKeys(keys);
        return keys.Count();
      }))
    FCatList->FocusActiveGrid();
}

void TMasterFrm::Activecategory2Click(TObject*) {
  PlayKeysOf(false, [this](TStringList& keys) {
    // The all-titles page is no category.
    if (FCatList->ActiveIndex() < 0) return 0;
    FCatList->ActiveGrid()->GetAllKeys(keys);
    return keys.Count();
  });
}

void TMasterFrm::Allcategories3Click(TObject*) {
  PlayKeysOf(false, [this](TStringList& keys) {
    FCatList->AllTitlesGrid()->GetAllKeys(keys);
    return keys.Count();
  });
}

bool TMasterFrm::TitleCommandReady(const TMenuItem& item) const {
  // A title command shows only once it has something to do; mail needs the mail window.
  if (&item == FMail4 && !MailWindowLink()) return false;
  return static_cast<bool>(item.OnClick);
}

void TMasterFrm::SetDragSource(bool fromAlbums, bool fromCategories) {
  FDragFromAlbums = fromAlbums;
  FDragFromCategories = fromCategories;
}

void TMasterFrm::ClearDragList() {
  FDragList->Clear();
  SetDragSource(false, false);
}

void TMasterFrm::ChoosePlayMode(bool titleCommands) {
  TPlayPopUpItems offer = FRoad->Program().PlayPopUpItems();
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
    ClearDragList();
  });
  TMenuItem& items = FPlayPopUp->Items();
  for (int i = FirstTitleCommand; i < items.Count(); ++i)
    items.Items(i)->SetVisible(titleCommands && TitleCommandReady(*items.Items(i)));
  POINT cursor{};
  GetCursorPos(&cursor);
  FPlayPopUp->Popup(cursor.x, cursor.y);
}

void TMasterFrm::PlayTClick(TObject*) {
  // The keys must come from one of the views; either one will do.
  if ((FDragFromAlbums || FDragFromCategories) && FDragList->Count() > 0) {
    auto busy = HourGlass();
    FRoad->Program().PlayAtTop(*FDragList);
  }
  ClearDragList();
  UpdatePlayControls();
}

void TMasterFrm::PlayBClick(TObject*) {
  if ((FDragFromAlbums || FDragFromCategories) && FDragList->Count() > 0) {
    auto busy = HourGlass();
    FRoad->Program().PlayAtBottom(*FDragList);
  }
  ClearDragList();
  UpdatePlayControls();
}

void TMasterFrm::PlayRClick(TObject* Sender) {
  // Nothing to play instead: the program the user has stays.
  if ((FDragFromAlbums || FDragFromCategories) && FDragList->Count() > 0) MusicClearClick(Sender);
  PlayTClick(Sender);
}

void TMasterFrm::MusicClearClick(TObject*) {
  FRoad->Program().EraseProgram();
  UpdatePlayControls();
  ProgramChanged();
}

void TMasterFrm::PlayNextClick(TObject*) {
  FPlayNext->SetEnabled(false);
  try {
    auto busy = HourGlass();
    FRoad->Program().StepProgram(true);
  } catch (...) {
    FPlayNext->SetEnabled(true);
    throw;
  }
  FPlayNext->SetEnabled(true);
  UpdatePlayControls();
}

void TMasterFrm::BackClick(TObject*) {
  FBack->SetEnabled(false);
  try {
    auto busy = HourGlass();
    FRoad->Program().StepProgram(false);
  } catch (...) {
    FBack->SetEnabled(true);
    throw;
  }
  FBack->SetEnabled(true);
  UpdatePlayControls();
}

void TMasterFrm::Shuffle2Click(TObject*) {
  if (!FRoad->Program().Playing()) return;
  if (FMMSlider1->CanFocus()) FMMSlider1->SetFocus();
  auto busy = HourGlass();
  FRoad->Program().ShuffleAndPlay();
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
