// The main window's player commands: stop and restart, pause and resume, erase and stop, restart
// the title, the volume control, the MIDI output port, and the position slider with its look.
#include <windows.h>
#include "HourGlass.h"
#include "MIDIOPortCode.h"
#include "MainCodeD2.h"
#include "WinExc32.h"
#include "finalMain.h"

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

void TMasterFrm::BuildPlayerCommands() {
  FMMSlider1 = new TMMSlider(this);
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
  FMMSlider1->SetParent(FTopPanel);
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
  FSelPanel = new TSelPanel(this);
  FSelPanel->SetName("SelPanel");
  FSelPanel->SetParent(FTopPanel);
  FSelPanel->SetBevelOuter(bvNone);
  FSelPanel->SetColor(GrooveFill);
  FSelPanel->SetBounds(0, 0, 0, 3);
  FSelPanel->SetVisible(false);

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
    TBitBtn* b = MakeButton(FTopPanel, name, caption, 26);
    b->SetHint(hint);
    b->SetShowHint(true);
    return b;
  };
  FRepeatSB = button("RepeatSB", "|<", "Restart|Play the title again from its beginning");
  FOneStop = button("OneStop", "", StopHint);
  FProgView = button("ProgView", "...", "Program|View the program");
  FAllStop->SetCaption("X");
  FAllStop->SetHint("Stop and erase|Stop play and erase the program");
  FPause->SetCaption("");
  FPause->SetHint(PauseHint);
  for (TBitBtn* b : {FBack, FPlayNext, FPause, FAllStop, FShuffle, FMusicClear})
    b->SetShowHint(true);
  place(FListPanel, {{FBack, 26},
                     {FRepeatSB, 26},
                     {FPlayNext, 26},
                     {FShuffle, 48},
                     {FMusicClear, 40},
                     {FProgView, 26}});
  place(FPlayPanel, {{FPause, 26}, {FOneStop, 26}, {FAllStop, 26}});

  FTempPause = MakeButton(FTopPanel, "TempPause", "", 28);
  FTempGo = MakeButton(FTopPanel, "TempGo", "", 28);
  FTempOneStop = MakeButton(FTopPanel, "TempOneStop", "", 28);
  DrawGlyph(FTempPause->Glyph(), TGlyph::Pause);
  DrawGlyph(FTempGo->Glyph(), TGlyph::Go);
  DrawGlyph(FTempOneStop->Glyph(), TGlyph::Stop);
  for (TBitBtn* b : {FTempPause, FTempGo, FTempOneStop}) {
    b->SetVisible(false);
    b->SetEnabled(false); // picture holders only
  }
  FPause->Glyph().Assign(FTempPause->Glyph());
  FOneStop->Glyph().Assign(FTempOneStop->Glyph());

  FPause->OnClick = [this](TObject* s) { PauseClick(s); };
  FOneStop->OnClick = [this](TObject* s) { OneStopClick(s); };
  FAllStop->OnClick = [this](TObject* s) { AllStopClick(s); };
  FRepeatSB->OnClick = [this](TObject* s) { RepeatSBClick(s); };
  FVolume->OnClick = [this](TObject* s) { VolumeClick(s); };
  FOutPort->OnClick = [this](TObject* s) { OutPortClick(s); };
  FProgView->OnClick = [this](TObject* s) { Viewtitles1Click(s); };
  FViewtitles1->OnClick = [this](TObject* s) { Viewtitles1Click(s); };
  FProgView->SetEnabled(false); // until the program holds a title
  CommandGate().Add(FProgView);

  // The program menu and the Options menu's port and volume commands.
  auto item = [this](TMenuItem* parent, const char* name, const char* caption,
                     std::function<void()> action) {
    return NewMenuItem(this, *parent, name, caption, std::move(action));
  };
  FMusic1 = new TMenuItem(this);
  FMusic1->SetName("Music1");
  FMusic1->SetCaption("&Music");
  FMainMenu1->Items().Insert(FMainMenu1->Items().IndexOf(FOptions1), FMusic1);
  item(FMusic1, "Pause1", "&Pause or resume", [this] { PauseClick(this); });
  item(FMusic1, "Stop1", "&Stop or restart", [this] { OneStopClick(this); });
  item(FMusic1, "Repeat1", "&Restart title", [this] { RepeatSBClick(this); });
  item(FMusic1, "Erase1", "&Erase program and stop...", [this] { AllStopClick(this); });
  FN19 = item(FOptions1, "N19", "MIDI &output port...", [this] { N19Click(this); });
  FVolume2 = item(FOptions1, "Volume2", "&Volume control", [this] { Volume2Click(this); });
  FMusic1->SetEnabled(false);
}

// --- the controls' state
// ---------------------------------------------------------------------------

void TMasterFrm::UpdatePlayControls() {
  const TProgram& program = FRoad->Program();
  const TMidiMode mode = FRoad->Mode();
  const bool playing = program.Playing();
  const bool active = IsActive(mode) && !FRoad->UserStopped();
  FMusic1->SetEnabled(playing);
  // A long operation keeps the step buttons disabled; it sets them itself when it ends.
  if (!CommandsDisabled()) {
    bool steps = playing && program.Count() > 1;
    FBack->SetEnabled(steps);
    FPlayNext->SetEnabled(steps);
  }
  FRepeatSB->SetEnabled(playing);
  FPause->SetEnabled(active);
  int pauseTag = mode == mdPaused ? 1 : 0;
  if (FPause->Tag() != pauseTag) {
    FPause->Glyph().Assign(pauseTag ? FTempGo->Glyph() : FTempPause->Glyph());
    FPause->SetTag(pauseTag);
    FPause->Invalidate();
  }
  FOneStop->SetEnabled(playing || active);
  if (active) {
    if (FOneStop->Tag() == 1 || !playing) {
      FOneStop->Glyph().Assign(FTempOneStop->Glyph());
      FOneStop->SetTag(0);
      FOneStop->SetHint(StopHint);
      FOneStop->Invalidate();
    }
  } else if (playing && !FRoad->StopButtonReset() && FOneStop->Tag() != 1) {
    // Stopped with a program: the button restarts play.
    FOneStop->Glyph().Assign(FTempGo->Glyph());
    FOneStop->SetTag(1);
    FOneStop->SetHint(PlayHint);
    FOneStop->Invalidate();
  }
  const bool hasTitles = program.Count() > 0;
  FAllStop->SetEnabled(hasTitles || active);
  FMusicClear->SetEnabled(hasTitles);
  // Shuffling plays the new first title, so it is offered only while the program plays.
  FShuffle->SetEnabled(program.Count() > 1 && playing);
  CommandGate().SetEnabled(FProgView, hasTitles);
}

void TMasterFrm::ShowRoadTexts() {
  TTuneInfo info;
  info.Category = FRoad->CategoryText();
  info.Artist = FRoad->ArtistText();
  info.Title = FRoad->TitleText();
  info.Status = FRoad->StatusText();
  info.ProgramCount = FRoad->Program().Count();
  ShowTuneInfo(info);
}

// --- commands
// --------------------------------------------------------------------------------------

void TMasterFrm::OneStopClick(TObject*) {
  {
    auto busy = HourGlass();
    TProgram& program = FRoad->Program();
    TMidiMode mode = FRoad->Mode();
    if (mode != mdPlaying && mode != mdPaused) {
      FRoad->SetUserStopped(false);
      if (FMyMidi->DeviceId() >= 0) {
        FMyMidi->SetPosition(0);
        FOneStop->SetHint(StopHint);
        FPause->SetHint(PauseHint);
        SwitchVisualEffects(true);
      }
    } else {
      FMyMidi->SetPosition(0);
      FMyMidi->Stop();
      Sleep(300);
      FRoad->SetUserStopped(true);
      if (program.Count() == 0) {
        program.SetPlaying(false);
        FRoad->ShowNothingPlaying();
        ShowRoadTexts();
        CloseSequencer();
      }
      CloseSoundInput();
    }
    UpdatePlayControls();
  }
  // Bounded: a closed or failing device never reaches either mode.
  FRoad->WaitForMode([](TMidiMode m) { return m == mdStopped || m == mdPlaying; },
                     TPlayRoad::ModeWaitMs);
  ProgramChanged();
}

void TMasterFrm::PauseClick(TObject*) {
  TMidiMode mode = FRoad->Mode();
  if (mode == mdPlaying) {
    FMyMidi->Pause();
    SwitchVisualEffects(false);
    FPause->SetHint(PausedHint);
    FPause->Glyph().Assign(FTempGo->Glyph());
    FPause->SetTag(1);
  } else if (mode == mdPaused) {
    FMyMidi->Resume();
    SwitchVisualEffects(true);
    FPause->SetHint(ResumedHint);
    FPause->Glyph().Assign(FTempPause->Glyph());
    FPause->SetTag(0);
  }
  FPause->Invalidate();
  UpdatePlayControls();
  FRoad->WaitForMode([](TMidiMode m) { return m == mdPaused || m == mdPlaying; },
                     TPlayRoad::ModeWaitMs);
  ProgramChanged();
}

void TMasterFrm::AllStopClick(TObject*) {
  // Only Yes erases: No and a closed box keep the program.
  if (ShowMessageBox("Are you sure you want stop play and erase your music program?",
                     TMessageKind::Confirmation, 0,
                     TMessageButtons::Yes | TMessageButtons::No) != TMessageAnswer::Yes)
    return;
  Repaint();
  MusicClearClick(this);
  FRoad->Program().SetPlaying(false);
  CloseSequencer();
  SwitchVisualEffects(false);
  FRoad->SetUserStopped(true);
  FRoad->SetStopButtonReset(true);
  FOneStop->Glyph().Assign(FTempOneStop->Glyph());
  FOneStop->SetTag(0);
  FOneStop->SetHint(StopHint);
  FOneStop->Invalidate();
  FRoad->ShowNothingPlaying();
  ShowRoadTexts();
  UpdatePlayControls();
  ProgramChanged();
}

void TMasterFrm::RepeatSBClick(TObject*) {
  if (!FRoad->Program().Playing()) return;
  if (FMyMidi->DeviceId() >= 0) FRoad->PlayFromMasterKey(FRoad->MasterKeyPlaying());
  UpdatePlayControls();
  FRoad->WaitForMode([](TMidiMode m) { return m == mdPlaying || m == mdStopped; },
                     TPlayRoad::ModeWaitMs);
  ProgramChanged();
}

void TMasterFrm::RunVolumeControl() {
  // The program's own folder first, then the system's search.
  std::string local = ProgramFolder() + "sndvol32.exe";
  FVolumeCommand = FileExists(local) ? "\"" + local + "\"" : std::string("sndvol32.exe");
  if (RunAndWait(FVolumeCommand, SW_SHOWNORMAL) != 0)
    ShowMessageBox("The volume control could not be started.", TMessageKind::Error, 0,
                   TMessageButtons::OK);
}

void TMasterFrm::VolumeClick(TObject* Sender) {
  if (ContextHelpClick(Sender)) return;
  if (MixerFrmF) {
    MixerFrmF->SetWindowState(wsNormal);
    CenterOverMainWindow(*MixerFrmF);
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

void TMasterFrm::Volume2Click(TObject*) {
  RunVolumeControl();
}

void TMasterFrm::OutPortClick(TObject* Sender) {
  if (ContextHelpClick(Sender)) return;
  N19Click(Sender);
}

void TMasterFrm::N19Click(TObject*) {
  const int oldPort = FMyMidi->MidiOutPort();
  int result;
  bool restart, restartPos;
  {
    TMIDIOPortFrm chooser(nullptr);
    chooser.Player = FMyMidi.get();
    chooser.PlayerMode = [this] { return FRoad->Mode(); };
    chooser.DoRestartOnPortChange = FSettings.DoRestartOnPortChange;
    chooser.RestartPosOnPortChange = FSettings.RestartPosOnPortChange;
    CenterOverMainWindow(chooser);
    result = chooser.ShowModal();
    restart = chooser.RestartRB->Checked();
    restartPos = chooser.RadioButton1->Checked();
  }
  const bool changed = result == mrOk && FMyMidi->MidiOutPort() != oldPort;
  // The restart choices are the user's only when a new port was taken.
  if (!changed) return;
  FSettings.DoRestartOnPortChange = restart;
  FSettings.RestartPosOnPortChange = restartPos;
  if (FRoad->Mode() != mdPlaying || (!restart && !restartPos)) return;
  const int kept = FMyMidi->GetPosition();
  SetTimer1(false);
  {
    auto busy = HourGlass();
    RepeatSBClick(this); // reopens the sequencer on the new port
    if (restartPos) FMyMidi->SetPosition(kept);
  }
  SetTimer1(true);
}

// --- the position slider
// ---------------------------------------------------------------------------

void TMasterFrm::SetSlider(int position, int maximum) {
  // Quiet: follows the player without seeking.
  int top = maximum < 1 ? 1 : maximum;
  if (FMMSlider1->MaxValue() != top) FMMSlider1->SetRange(0, top);
  FMMSlider1->SetPosition(position);
  MMSlider1Change(FMMSlider1);
}

void TMasterFrm::TrackBar1MouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (ContextHelpClick(Sender)) return;
  // The mouse resumes a paused title first, so that its release repositions.
  if (FRoad->Mode() == mdPaused) PauseClick(Sender);
}

void TMasterFrm::MMSlider1Track(TObject*) {
  FRoad->SetSliderDragging(true, FMMSlider1->Position());
}

void TMasterFrm::MMSlider1TrackEnd(TObject*) {
  TMidiMode mode = FRoad->Mode();
  if (mode != mdPlaying && mode != mdPaused) {
    FMMSlider1->SetPosition(0);
  } else if (FRoad->SliderDragging() && mode == mdPlaying) {
    auto busy = HourGlass();
    FMyMidi->SetPosition(FMMSlider1->Position() * 1000);
  }
  FRoad->SetSliderDragging(false);
  if (FTopPanel->CanFocus()) FTopPanel->SetFocus();
}

void TMasterFrm::MMSlider1DrawThumb(TObject*, TCanvas& c, RECT r, bool Dragged, bool Focused) {
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

void TMasterFrm::MMSlider1DrawGroove(TObject*, TCanvas& c, RECT& r) {
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

void TMasterFrm::MMSlider1Change(TObject*) {
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
