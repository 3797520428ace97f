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
constexpr const char* ResumeHint = "Resume|Resume play";

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
  MMSlider1 = new TMMSlider(this);
  MMSlider1->SetName("MMSlider1");
  MMSlider1->SetBounds(0, 0, 400, 16);
  MMSlider1->Bevel()->SetBorderWidth(0);
  MMSlider1->Bevel()->SetBevelOuter(bvNone);
  MMSlider1->SetColor(clBtnFace);
  MMSlider1->SetThumbWidth(11);
  MMSlider1->SetThumbHeight(14);
  MMSlider1->SetGrooveSize(4);
  MMSlider1->SetFocusAction(faNone);
  MMSlider1->SetThumbStyle(tsOwnerDraw);
  MMSlider1->SetGrooveStyle(gsOwnerDraw);
  MMSlider1->SetRange(0, 1);
  MMSlider1->SetParent(TopPanel);
  MMSlider1->OnTrack = [this](TObject* s) { MMSlider1Track(s); };
  MMSlider1->OnTrackEnd = [this](TObject* s) { MMSlider1TrackEnd(s); };
  MMSlider1->OnChange = [this](TObject* s) { MMSlider1Change(s); };
  MMSlider1->OnDrawThumb = [this](TObject* s, TCanvas& c, RECT r, bool d, bool f) {
    MMSlider1DrawThumb(s, c, r, d, f);
  };
  MMSlider1->OnDrawGroove = [this](TObject* s, TCanvas& c, RECT& r) {
    MMSlider1DrawGroove(s, c, r);
  };
  MMSlider1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    TrackBar1MouseDown(s, b, sh, x, y);
  };
  SelPanel = new TSelPanel(this);
  SelPanel->SetName("SelPanel");
  SelPanel->SetParent(TopPanel);
  SelPanel->SetBevelOuter(bvNone);
  SelPanel->SetColor(GrooveFill);
  SelPanel->SetBounds(0, 0, 0, 3);
  SelPanel->SetVisible(false);

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
    TBitBtn* b = MakeButton(TopPanel, name, caption, 26);
    b->SetHint(hint);
    b->SetShowHint(true);
    return b;
  };
  RepeatSB = button("RepeatSB", "|<", "Restart|Play the title again from its beginning");
  OneStop = button("OneStop", "", StopHint);
  ProgView = button("ProgView", "...", "Program|View the program");
  AllStop->SetCaption("X");
  AllStop->SetHint("Stop and erase|Stop play and erase the program");
  Pause->SetCaption("");
  Pause->SetHint(PauseHint);
  for (TBitBtn* b : {Back, PlayNext, Pause, AllStop, Shuffle, MusicClear})
    b->SetShowHint(true);
  place(ListPanel, {{Back, 26},
                    {RepeatSB, 26},
                    {PlayNext, 26},
                    {Shuffle, 48},
                    {MusicClear, 40},
                    {ProgView, 26}});
  place(PlayPanel, {{Pause, 26}, {OneStop, 26}, {AllStop, 26}});

  TempPause = MakeButton(TopPanel, "TempPause", "", 28);
  TempGo = MakeButton(TopPanel, "TempGo", "", 28);
  TempOneStop = MakeButton(TopPanel, "TempOneStop", "", 28);
  DrawGlyph(TempPause->Glyph(), TGlyph::Pause);
  DrawGlyph(TempGo->Glyph(), TGlyph::Go);
  DrawGlyph(TempOneStop->Glyph(), TGlyph::Stop);
  for (TBitBtn* b : {TempPause, TempGo, TempOneStop}) {
    b->SetVisible(false);
    b->SetEnabled(false); // picture holders only
  }
  Pause->Glyph().Assign(TempPause->Glyph());
  OneStop->Glyph().Assign(TempOneStop->Glyph());

  Pause->OnClick = [this](TObject* s) { PauseClick(s); };
  OneStop->OnClick = [this](TObject* s) { OneStopClick(s); };
  AllStop->OnClick = [this](TObject* s) { AllStopClick(s); };
  RepeatSB->OnClick = [this](TObject* s) { RepeatSBClick(s); };
  Volume->OnClick = [this](TObject* s) { VolumeClick(s); };
  OutPort->OnClick = [this](TObject* s) { OutPortClick(s); };
  // The program viewer is not built yet: its button waits behind the gate.
  CommandGate().Add(ProgView);

  // The program menu and the Options menu's port and volume commands.
  auto item = [this](TMenuItem* parent, const char* name, const char* caption,
                     std::function<void()> action) {
    auto* m = new TMenuItem(this);
    m->SetName(name);
    m->SetCaption(caption);
    m->OnClick = [action](TObject*) { action(); };
    parent->Add(m);
    return m;
  };
  Music1 = new TMenuItem(this);
  Music1->SetName("Music1");
  Music1->SetCaption("&Music");
  MainMenu1->Items().Insert(MainMenu1->Items().IndexOf(Options1), Music1);
  item(Music1, "Pause1", "&Pause or resume", [this] { PauseClick(this); });
  item(Music1, "Stop1", "&Stop or restart", [this] { OneStopClick(this); });
  item(Music1, "Repeat1", "&Restart title", [this] { RepeatSBClick(this); });
  item(Music1, "Erase1", "&Erase program and stop...", [this] { AllStopClick(this); });
  N19 = item(Options1, "N19", "MIDI &output port...", [this] { N19Click(this); });
  Volume2 = item(Options1, "Volume2", "&Volume control", [this] { Volume2Click(this); });
  Music1->SetEnabled(false);
}

// --- the controls' state
// ---------------------------------------------------------------------------

void TMasterFrm::UpdatePlayControls() {
  const TProgram& program = FRoad->Program();
  const TMidiMode mode = FRoad->Mode();
  const bool playing = program.Playing();
  const bool active = IsActive(mode) && !FRoad->UserStopped();
  Music1->SetEnabled(playing);
  // A long operation keeps the step buttons disabled; it sets them itself when it ends.
  if (!CommandsDisabled()) {
    bool steps = playing && program.Count() > 1;
    Back->SetEnabled(steps);
    PlayNext->SetEnabled(steps);
  }
  RepeatSB->SetEnabled(playing);
  Pause->SetEnabled(active);
  int pauseTag = mode == mdPaused ? 1 : 0;
  if (Pause->Tag() != pauseTag) {
    Pause->Glyph().Assign(pauseTag ? TempGo->Glyph() : TempPause->Glyph());
    Pause->SetTag(pauseTag);
    Pause->Invalidate();
  }
  OneStop->SetEnabled(playing || active);
  if (active) {
    if (OneStop->Tag() == 1 || !playing) {
      OneStop->Glyph().Assign(TempOneStop->Glyph());
      OneStop->SetTag(0);
      OneStop->SetHint(StopHint);
      OneStop->Invalidate();
    }
  } else if (playing && !FRoad->StopButtonReset() && OneStop->Tag() != 1) {
    // Stopped with a program: the button restarts play.
    OneStop->Glyph().Assign(TempGo->Glyph());
    OneStop->SetTag(1);
    OneStop->SetHint(PlayHint);
    OneStop->Invalidate();
  }
  const bool hasTitles = program.Count() > 0;
  AllStop->SetEnabled(hasTitles || active);
  MusicClear->SetEnabled(hasTitles);
  // Shuffling plays the new first title, so it is offered only while the program plays.
  Shuffle->SetEnabled(program.Count() > 1 && playing);
  CommandGate().SetEnabled(ProgView, hasTitles);
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

bool TMasterFrm::ContextHelpClick(TObject*) {
  return false;
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
        OneStop->SetHint(StopHint);
        Pause->SetHint(PauseHint);
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
    Pause->SetHint(ResumeHint);
    Pause->Glyph().Assign(TempGo->Glyph());
    Pause->SetTag(1);
  } else if (mode == mdPaused) {
    FMyMidi->Resume();
    SwitchVisualEffects(true);
    Pause->SetHint(PauseHint);
    Pause->Glyph().Assign(TempPause->Glyph());
    Pause->SetTag(0);
  }
  Pause->Invalidate();
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
  OneStop->Glyph().Assign(TempOneStop->Glyph());
  OneStop->SetTag(0);
  OneStop->SetHint(StopHint);
  OneStop->Invalidate();
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
  if (MMSlider1->MaxValue() != top) MMSlider1->SetRange(0, top);
  MMSlider1->SetPosition(position);
  MMSlider1Change(MMSlider1);
}

void TMasterFrm::TrackBar1MouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (ContextHelpClick(Sender)) return;
  // The mouse resumes a paused title first, so that its release repositions.
  if (FRoad->Mode() == mdPaused) PauseClick(Sender);
}

void TMasterFrm::MMSlider1Track(TObject*) {
  FRoad->SetSliderDragging(true, MMSlider1->Position());
}

void TMasterFrm::MMSlider1TrackEnd(TObject*) {
  TMidiMode mode = FRoad->Mode();
  if (mode != mdPlaying && mode != mdPaused) {
    MMSlider1->SetPosition(0);
  } else if (FRoad->SliderDragging() && mode == mdPlaying) {
    auto busy = HourGlass();
    FMyMidi->SetPosition(MMSlider1->Position() * 1000);
  }
  FRoad->SetSliderDragging(false);
  if (TopPanel->CanFocus()) TopPanel->SetFocus();
}

void TMasterFrm::MMSlider1DrawThumb(TObject*, TCanvas& c, RECT r, bool Dragged, bool Focused) {
  Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(MMSlider1->Enabled() ? MMSlider1->ThumbColor() : MMSlider1->DisabledColor());
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
  c.Brush().SetColor(MMSlider1->Color());
  c.FillRect(g);
  int maximum = MMSlider1->MaxValue() < 1 ? 1 : MMSlider1->MaxValue();
  int fill = MMSlider1->Position() * (MMSlider1->Width() - 2 * MMSlider1->ThumbWidth()) / maximum;
  if (fill <= 0) return;
  c.Brush().SetColor(GrooveFill);
  c.FillRect({g.left, g.top, std::min<LONG>(g.left + fill, g.right), g.bottom});
}

void TMasterFrm::MMSlider1Change(TObject*) {
  const int offset = MMSlider1->Bevel()->BevelExtent();
  const int maximum = MMSlider1->MaxValue() < 1 ? 1 : MMSlider1->MaxValue();
  int width = MMSlider1->Position() *
                  (MMSlider1->Width() - MMSlider1->ThumbWidth() / 2 - 4 * offset) / maximum -
              1;
  if (width <= 0) {
    SelPanel->SetVisible(false);
    return;
  }
  SelPanel->SetBounds(MMSlider1->Left() + offset + 1,
                      MMSlider1->Top() + (MMSlider1->Height() - SelPanel->Height()) / 2, width,
                      SelPanel->Height());
  SelPanel->SetVisible(true);
  SelPanel->BringToFront();
}
