// The main window's player commands: stop and restart, pause and resume, erase and stop, restart
// the title, the volume control, the MIDI output port, and the position slider with its look.
#include <windows.h>
#include "HourGlass.h"
#include "MIDIOPortCode.h"
#include "PlayerCommands.h"
#include "ContextHelp.h"
#include "MainPlay.h"
#include "MainServices.h"
#include "MainViews.h"
#include "PlayRoad.h"
#include "ProgramWide.h"
#include "Settings.h"
#include "VisualEffects.h"
#include "WinExc32.h"
#include "finalMain.h"
#include "Menus.h"

namespace {

constexpr TColor ThumbLit = 0x00FF00, ThumbDim = 0x008000, GrooveFill = 0x008000;
constexpr const char* StopHint = "Stop|Stop current play";
constexpr const char* PlayHint = "Play|Restart play";
constexpr const char* PauseHint = "Pause|Pause play";
// What the pause button offers after a pause or a resume.
constexpr const char* PausedHint = "Resume";
constexpr const char* ResumedHint = "Pause";

// The glyphs of the player buttons, 16 x 16 on a transparent (bottom-left) background.
enum class TGlyph { Pause, Go, Stop };
void DrawGlyph(TBitmap& bmp, TGlyph kind) {
  bmp.SetSize(16, 16);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetColor(clFuchsia);
  c.FillRect({0, 0, 16, 16});
  c.Brush().SetColor(clBlack);
  c.Pen().SetColor(clBlack);
  switch (kind) {
  case TGlyph::Pause:
    c.FillRect({4, 3, 7, 13});
    c.FillRect({9, 3, 12, 13});
    break;
  case TGlyph::Go: {
    POINT tri[] = {{5, 3}, {12, 8}, {5, 13}};
    c.Polygon(tri, 3);
    break;
  }
  case TGlyph::Stop:
    c.FillRect({4, 4, 12, 12});
    break;
  }
}

// The played part over the slider: the mouse passes through it to the slider beneath.
class TSelPanel : public TPanel {
public:
  using TPanel::TPanel;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_NCHITTEST) {
      m.Result = HTTRANSPARENT;
      return;
    }
    TPanel::WndProc(m);
  }
};

bool IsActive(TMidiMode mode) {
  return mode == mdPlaying || mode == mdSeeking || mode == mdPaused;
}

} // namespace

void TPlayerCommands::BuildPlayerCommands(const TPlayerParts& parts) {
  FParts = parts;
  BuildSlider();
  BuildButtons();
  MakeGlyphs();
  WireButtons();
  BuildMenus();
}

// The position slider and the played part laid over it.
void TPlayerCommands::BuildSlider() {
  FMMSlider1 = new TMMSlider(&FContext.Owner);
  FMMSlider1->SetName("MMSlider1");
  FMMSlider1->SetBounds(0, 0, 400, 16);
  FMMSlider1->Bevel()->SetBorderWidth(0);
  FMMSlider1->Bevel()->SetBevelOuter(bvNone);
  FMMSlider1->SetColor(clBtnFace);
  FMMSlider1->SetThumbWidth(11);
  FMMSlider1->SetThumbHeight(14);
  FMMSlider1->SetGrooveSize(4);
  FMMSlider1->SetFocusAction(faNone);
  FMMSlider1->SetThumbStyle(tsOwnerDraw);
  FMMSlider1->SetGrooveStyle(gsOwnerDraw);
  FMMSlider1->SetRange(0, 1);
  FMMSlider1->SetParent(FParts.TopPanel);
  FMMSlider1->OnTrack = [this](TObject* s) { MMSlider1Track(s); };
  FMMSlider1->OnTrackEnd = [this](TObject* s) { MMSlider1TrackEnd(s); };
  FMMSlider1->OnChange = [this](TObject* s) { MMSlider1Change(s); };
  FMMSlider1->OnDrawThumb = [this](TObject* s, TCanvas& c, RECT r, bool d, bool f) {
    MMSlider1DrawThumb(s, c, r, d, f);
  };
  FMMSlider1->OnDrawGroove = [this](TObject* s, TCanvas& c, RECT& r) {
    MMSlider1DrawGroove(s, c, r);
  };
  FMMSlider1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    TrackBar1MouseDown(s, b, sh, x, y);
  };
  FSelPanel = new TSelPanel(&FContext.Owner);
  FSelPanel->SetName("SelPanel");
  FSelPanel->SetParent(FParts.TopPanel);
  FSelPanel->SetBevelOuter(bvNone);
  FSelPanel->SetColor(GrooveFill);
  FSelPanel->SetBounds(0, 0, 0, 3);
  FSelPanel->SetVisible(false);
}

void TPlayerCommands::BuildButtons() {
  // The step row takes the restart and program-view buttons, the play row the stop button.
  auto place = [](TPanel* panel, std::initializer_list<std::pair<TBitBtn*, int>> buttons) {
    int x = 1;
    for (auto [b, width] : buttons) {
      b->SetParent(panel);
      b->SetBounds(x, 1, width, 24);
      x += width;
    }
    panel->SetWidth(x + 1);
  };
  auto button = [this](const char* name, const char* caption, const char* hint) {
    TBitBtn* b = NewBitBtn(&FContext.Owner, FParts.TopPanel, name, caption, 26);
    b->SetHint(hint);
    b->SetShowHint(true);
    return b;
  };
  FRepeatSB = button("RepeatSB", "|<", "Restart|Play the title again from its beginning");
  FOneStop = button("OneStop", "", StopHint);
  FProgView = button("ProgView", "...", "Program|View the program");
  FParts.AllStop->SetCaption("X");
  FParts.AllStop->SetHint("Stop and erase|Stop play and erase the program");
  FParts.Pause->SetCaption("");
  FParts.Pause->SetHint(PauseHint);
  for (TBitBtn* b : {FParts.Back, FParts.PlayNext, FParts.Pause, FParts.AllStop, FParts.Shuffle,
                     FParts.MusicClear})
    b->SetShowHint(true);
  place(FParts.ListPanel, {{FParts.Back, 26},
                           {FRepeatSB, 26},
                           {FParts.PlayNext, 26},
                           {FParts.Shuffle, 48},
                           {FParts.MusicClear, 40},
                           {FProgView, 26}});
  place(FParts.PlayPanel, {{FParts.Pause, 26}, {FOneStop, 26}, {FParts.AllStop, 26}});
}

// The pause and stop buttons' pictures, drawn once on hidden holders.
void TPlayerCommands::MakeGlyphs() {
  FTempPause = NewBitBtn(&FContext.Owner, FParts.TopPanel, "TempPause", "", 28);
  FTempGo = NewBitBtn(&FContext.Owner, FParts.TopPanel, "TempGo", "", 28);
  FTempOneStop = NewBitBtn(&FContext.Owner, FParts.TopPanel, "TempOneStop", "", 28);
  DrawGlyph(FTempPause->Glyph(), TGlyph::Pause);
  DrawGlyph(FTempGo->Glyph(), TGlyph::Go);
  DrawGlyph(FTempOneStop->Glyph(), TGlyph::Stop);
  for (TBitBtn* b : {FTempPause, FTempGo, FTempOneStop}) {
    b->SetVisible(false);
    b->SetEnabled(false); // picture holders only
  }
  FParts.Pause->Glyph().Assign(FTempPause->Glyph());
  FOneStop->Glyph().Assign(FTempOneStop->Glyph());
}

void TPlayerCommands::WireButtons() {
  FParts.Pause->OnClick = [this](TObject* s) { PauseClick(s); };
  FOneStop->OnClick = [this](TObject* s) { OneStopClick(s); };
  FParts.AllStop->OnClick = [this](TObject* s) { AllStopClick(s); };
  FRepeatSB->OnClick = [this](TObject* s) { RepeatSBClick(s); };
  FParts.Volume->OnClick = [this](TObject* s) { VolumeClick(s); };
  FParts.OutPort->OnClick = [this](TObject* s) { OutPortClick(s); };
  FProgView->OnClick = [this](TObject* s) { FContext.ShowProgramViewer(s); };
  FParts.Viewtitles1->OnClick = [this](TObject* s) { FContext.ShowProgramViewer(s); };
  FProgView->SetEnabled(false); // until the program holds a title
  FContext.Window.CommandGate().Add(FProgView);
}

// The program menu and the Options menu's port and volume commands.
void TPlayerCommands::BuildMenus() {
  auto item = [this](TMenuItem* parent, const char* name, const char* caption,
                     std::function<void()> action) {
    return NewMenuItem(&FContext.Owner, *parent, name, caption, std::move(action));
  };
  FMusic1 = new TMenuItem(&FContext.Owner);
  FMusic1->SetName("Music1");
  FMusic1->SetCaption("&Music");
  FParts.MainMenu1->Items().Insert(FParts.MainMenu1->Items().IndexOf(FParts.Options1), FMusic1);
  item(FMusic1, "Pause1", "&Pause or resume", [this] { PauseClick(&FContext.Owner); });
  item(FMusic1, "Stop1", "&Stop or restart", [this] { OneStopClick(&FContext.Owner); });
  item(FMusic1, "Repeat1", "&Restart title", [this] { RepeatSBClick(&FContext.Owner); });
  item(FMusic1, "Erase1", "&Erase program and stop...", [this] { AllStopClick(&FContext.Owner); });
  FN19 =
      item(FParts.Options1, "N19", "MIDI &output port...", [this] { N19Click(&FContext.Owner); });
  FVolume2 = item(FParts.Options1, "Volume2", "&Volume control",
                  [this] { Volume2Click(&FContext.Owner); });
  FMusic1->SetEnabled(false);
}

// --- the controls' state
// ---------------------------------------------------------------------------

void TPlayerCommands::UpdatePlayControls() {
  const TProgram& program = FContext.Road.Program();
  const TMidiMode mode = FContext.Road.Mode();
  const bool playing = program.Playing();
  const bool active = IsActive(mode) && !FContext.Road.UserStopped();
  FMusic1->SetEnabled(playing);
  // A long operation keeps the step buttons disabled; it sets them itself when it ends.
  if (!FContext.Window.CommandsDisabled()) {
    bool steps = playing && program.Count() > 1;
    FParts.Back->SetEnabled(steps);
    FParts.PlayNext->SetEnabled(steps);
  }
  FRepeatSB->SetEnabled(playing);
  FParts.Pause->SetEnabled(active);
  int pauseTag = mode == mdPaused ? 1 : 0;
  if (FParts.Pause->Tag() != pauseTag) {
    FParts.Pause->Glyph().Assign(pauseTag ? FTempGo->Glyph() : FTempPause->Glyph());
    FParts.Pause->SetTag(pauseTag);
    FParts.Pause->Invalidate();
  }
  FOneStop->SetEnabled(playing || active);
  if (active) {
    if (FOneStop->Tag() == 1 || !playing) {
      FOneStop->Glyph().Assign(FTempOneStop->Glyph());
      FOneStop->SetTag(0);
      FOneStop->SetHint(StopHint);
      FOneStop->Invalidate();
    }
  } else if (playing && !FContext.Road.StopButtonReset() && FOneStop->Tag() != 1) {
    // Stopped with a program: the button restarts play.
    FOneStop->Glyph().Assign(FTempGo->Glyph());
    FOneStop->SetTag(1);
    FOneStop->SetHint(PlayHint);
    FOneStop->Invalidate();
  }
  const bool hasTitles = program.Count() > 0;
  FParts.AllStop->SetEnabled(hasTitles || active);
  FParts.MusicClear->SetEnabled(hasTitles);
  // Shuffling plays the new first title, so it is offered only while the program plays.
  FParts.Shuffle->SetEnabled(program.Count() > 1 && playing);
  FContext.Window.CommandGate().SetEnabled(FProgView, hasTitles);
}

void TPlayerCommands::ShowRoadTexts() {
  TTuneInfo info;
  info.Category = FContext.Road.CategoryText();
  info.Artist = FContext.Road.ArtistText();
  info.Title = FContext.Road.TitleText();
  info.Status = FContext.Road.StatusText();
  info.ProgramCount = FContext.Road.Program().Count();
  View().ShowTuneInfo(info);
}

// --- commands
// --------------------------------------------------------------------------------------

void TPlayerCommands::OneStopClick(TObject*) {
  {
    auto busy = HourGlass();
    TProgram& program = FContext.Road.Program();
    TMidiMode mode = FContext.Road.Mode();
    if (mode != mdPlaying && mode != mdPaused) {
      FContext.Road.SetUserStopped(false);
      if (FContext.Road.Player().DeviceId() >= 0) {
        FContext.Road.Player().SetPosition(0);
        FOneStop->SetHint(StopHint);
        FParts.Pause->SetHint(PauseHint);
        FContext.VisualEffects.SwitchVisualEffects(true);
      }
    } else {
      FContext.Road.Player().SetPosition(0);
      FContext.Road.Player().Stop();
      Sleep(300);
      FContext.Road.SetUserStopped(true);
      if (program.Count() == 0) {
        program.SetPlaying(false);
        FContext.Road.ShowNothingPlaying();
        ShowRoadTexts();
        FContext.CloseSequencer();
      }
      FContext.VisualEffects.CloseSoundInput();
    }
    UpdatePlayControls();
  }
  // Bounded: a closed or failing device never reaches either mode.
  FContext.Road.WaitForMode([](TMidiMode m) { return m == mdStopped || m == mdPlaying; },
                            TPlayRoad::ModeWaitMs);
  View().ProgramChanged();
}

void TPlayerCommands::PauseClick(TObject*) {
  TMidiMode mode = FContext.Road.Mode();
  if (mode == mdPlaying) {
    FContext.Road.Player().Pause();
    FContext.VisualEffects.SwitchVisualEffects(false);
    FParts.Pause->SetHint(PausedHint);
    FParts.Pause->Glyph().Assign(FTempGo->Glyph());
    FParts.Pause->SetTag(1);
  } else if (mode == mdPaused) {
    FContext.Road.Player().Resume();
    FContext.VisualEffects.SwitchVisualEffects(true);
    FParts.Pause->SetHint(ResumedHint);
    FParts.Pause->Glyph().Assign(FTempPause->Glyph());
    FParts.Pause->SetTag(0);
  }
  FParts.Pause->Invalidate();
  UpdatePlayControls();
  FContext.Road.WaitForMode([](TMidiMode m) { return m == mdPaused || m == mdPlaying; },
                            TPlayRoad::ModeWaitMs);
  View().ProgramChanged();
}

void TPlayerCommands::AllStopClick(TObject*) {
  // Only Yes erases: No and a closed box keep the program.
  if (FContext.Window.ShowMessageBox(
          "Are you sure you want to stop play and erase your music program?",
          TMessageKind::Confirmation, 0,
          TMessageButtons::Yes | TMessageButtons::No) != TMessageAnswer::Yes)
    return;
  FContext.Window.RepaintMain();
  FContext.PlayCommands.MusicClearClick(&FContext.Owner);
  FContext.Road.Program().SetPlaying(false);
  FContext.CloseSequencer();
  FContext.VisualEffects.SwitchVisualEffects(false);
  FContext.Road.SetUserStopped(true);
  FContext.Road.SetStopButtonReset(true);
  FOneStop->Glyph().Assign(FTempOneStop->Glyph());
  FOneStop->SetTag(0);
  FOneStop->SetHint(StopHint);
  FOneStop->Invalidate();
  FContext.Road.ShowNothingPlaying();
  ShowRoadTexts();
  UpdatePlayControls();
  View().ProgramChanged();
}

void TPlayerCommands::RepeatSBClick(TObject*) {
  if (!FContext.Road.Program().Playing()) return;
  if (FContext.Road.Player().DeviceId() >= 0)
    FContext.Road.PlayFromMasterKey(FContext.Road.MasterKeyPlaying());
  UpdatePlayControls();
  FContext.Road.WaitForMode([](TMidiMode m) { return m == mdPlaying || m == mdStopped; },
                            TPlayRoad::ModeWaitMs);
  View().ProgramChanged();
}

void TPlayerCommands::RunVolumeControl() {
  // The program's own folder first, then the system's search.
  std::string local = ProgramFolder() + "sndvol32.exe";
  FVolumeCommand = FileExists(local) ? "\"" + local + "\"" : std::string("sndvol32.exe");
  if (RunAndWait(FVolumeCommand, SW_SHOWNORMAL) != 0)
    FContext.Window.ShowMessageBox("The volume control could not be started.", TMessageKind::Error,
                                   0, TMessageButtons::OK);
}

void TPlayerCommands::VolumeClick(TObject* Sender) {
  if (FContext.ContextHelp.ContextHelpClick(Sender)) return;
  if (MixerFrmF) {
    MixerFrmF->SetWindowState(wsNormal);
    FContext.Window.CenterOverMainWindow(*MixerFrmF);
    MixerFrmF->Show();
    SetForegroundWindow(MixerFrmF->Handle());
    MixerFrmF->Activated();
    if (!MixerFrmF->NoMixer()) return;
    // No mixer opened: the system's volume control stands in for the window.
    MixerFrmF->Close();
  }
  HWND control = FindWindowA(nullptr, "Volume Control");
  if (!control) control = FindWindowA(nullptr, "Play Control");
  if (control) {
    MessageBeep(0);
    ShowWindow(control, SW_RESTORE);
    SetForegroundWindow(control);
    return;
  }
  RunVolumeControl();
}

void TPlayerCommands::Volume2Click(TObject*) {
  RunVolumeControl();
}

void TPlayerCommands::OutPortClick(TObject* Sender) {
  if (FContext.ContextHelp.ContextHelpClick(Sender)) return;
  N19Click(Sender);
}

void TPlayerCommands::N19Click(TObject*) {
  const int oldPort = FContext.Road.Player().MidiOutPort();
  int result;
  bool restart, restartPos;
  {
    TMIDIOPortFrm chooser(nullptr);
    chooser.Player = &FContext.Road.Player();
    chooser.PlayerMode = [this] { return FContext.Road.Mode(); };
    chooser.DoRestartOnPortChange = FContext.Settings.DoRestartOnPortChange;
    chooser.RestartPosOnPortChange = FContext.Settings.RestartPosOnPortChange;
    FContext.Window.CenterOverMainWindow(chooser);
    result = chooser.ShowModal();
    restart = chooser.RestartRB->Checked();
    restartPos = chooser.RadioButton1->Checked();
  }
  const bool changed = result == mrOk && FContext.Road.Player().MidiOutPort() != oldPort;
  // The restart choices are the user's only when a new port was taken.
  if (!changed) return;
  FContext.Settings.DoRestartOnPortChange = restart;
  FContext.Settings.RestartPosOnPortChange = restartPos;
  if (FContext.Road.Mode() != mdPlaying || (!restart && !restartPos)) return;
  const int kept = FContext.Road.Player().GetPosition();
  View().SetTimer1(false);
  {
    auto busy = HourGlass();
    RepeatSBClick(&FContext.Owner); // reopens the sequencer on the new port
    if (restartPos) FContext.Road.Player().SetPosition(kept);
  }
  View().SetTimer1(true);
}

// --- the position slider
// ---------------------------------------------------------------------------

void TPlayerCommands::SetSlider(int position, int maximum) {
  // Quiet: follows the player without seeking.
  int top = maximum < 1 ? 1 : maximum;
  if (FMMSlider1->MaxValue() != top) FMMSlider1->SetRange(0, top);
  FMMSlider1->SetPosition(position);
  MMSlider1Change(FMMSlider1);
}

void TPlayerCommands::PlaceSlider(int left, int top, int width) {
  FMMSlider1->SetBounds(left, top, width, FMMSlider1->Height());
  MMSlider1Change(FMMSlider1);
}

void TPlayerCommands::TrackBar1MouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (FContext.ContextHelp.ContextHelpClick(Sender)) return;
  // The mouse resumes a paused title first, so that its release repositions.
  if (FContext.Road.Mode() == mdPaused) PauseClick(Sender);
}

void TPlayerCommands::MMSlider1Track(TObject*) {
  FContext.Road.SetSliderDragging(true, FMMSlider1->Position());
}

void TPlayerCommands::MMSlider1TrackEnd(TObject*) {
  TMidiMode mode = FContext.Road.Mode();
  if (mode != mdPlaying && mode != mdPaused) {
    FMMSlider1->SetPosition(0);
  } else if (FContext.Road.SliderDragging() && mode == mdPlaying) {
    auto busy = HourGlass();
    FContext.Road.Player().SetPosition(FMMSlider1->Position() * 1000);
  }
  FContext.Road.SetSliderDragging(false);
  if (FParts.TopPanel->CanFocus()) FParts.TopPanel->SetFocus();
}

void TPlayerCommands::MMSlider1DrawThumb(TObject*, TCanvas& c, RECT r, bool Dragged, bool Focused) {
  Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(FMMSlider1->Enabled() ? FMMSlider1->ThumbColor()
                                           : FMMSlider1->DisabledColor());
  c.FillRect(r);
  RECT inner = r;
  Frame3D(c, inner, clBtnShadow, clBtnHighlight, 1);
  RECT centre = r;
  InflateRect(&centre, -2, -2);
  c.Brush().SetColor(Dragged || Focused ? ThumbLit : ThumbDim);
  c.FillRect(centre);
}

void TPlayerCommands::MMSlider1DrawGroove(TObject*, TCanvas& c, RECT& r) {
  RECT g = r;
  Frame3D(c, g, clBtnShadow, clBtnHighlight, 1);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(FMMSlider1->Color());
  c.FillRect(g);
  int maximum = FMMSlider1->MaxValue() < 1 ? 1 : FMMSlider1->MaxValue();
  int fill =
      FMMSlider1->Position() * (FMMSlider1->Width() - 2 * FMMSlider1->ThumbWidth()) / maximum;
  if (fill <= 0) return;
  c.Brush().SetColor(GrooveFill);
  c.FillRect({g.left, g.top, std::min<LONG>(g.left + fill, g.right), g.bottom});
}

void TPlayerCommands::MMSlider1Change(TObject*) {
  const int offset = FMMSlider1->Bevel()->BevelExtent();
  const int maximum = FMMSlider1->MaxValue() < 1 ? 1 : FMMSlider1->MaxValue();
  int width = FMMSlider1->Position() *
                  (FMMSlider1->Width() - FMMSlider1->ThumbWidth() / 2 - 4 * offset) / maximum -
              1;
  if (width <= 0) {
    FSelPanel->SetVisible(false);
    return;
  }
  FSelPanel->SetBounds(FMMSlider1->Left() + offset + 1,
                       FMMSlider1->Top() + (FMMSlider1->Height() - FSelPanel->Height()) / 2, width,
                       FSelPanel->Height());
  FSelPanel->SetVisible(true);
  FSelPanel->BringToFront();
}

TPlayerCommands::TPlayerCommands(const TPlayerContext& context) : FContext(context) {}

TPlayRoadView& TPlayerCommands::View() {
  return FContext.RoadView;
}

TPlayerCommands::~TPlayerCommands() = default;
