// The main window's player commands: stop and restart, pause and resume, erase and stop, restart
// the title, the volume control, the MIDI output port, and the position slider with its look.
#include <windows.h>
#include "HourGlass.h"
#include "MIDIOPortCode.h"
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "VisualEffects.h"
#include "ContextHelp.h"
#include "PlayerCommands.h"
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

void TPlayerCommands::BuildPlayerCommands() {
  FFrm.FMMSlider1 = new TMMSlider(&FFrm);
  FFrm.FMMSlider1->SetName("MMSlider1");
  FFrm.FMMSlider1->SetBounds(0, 0, 400, 16);
  FFrm.FMMSlider1->Bevel()->SetBorderWidth(0);
  FFrm.FMMSlider1->Bevel()->SetBevelOuter(bvNone);
  FFrm.FMMSlider1->SetColor(clBtnFace);
  FFrm.FMMSlider1->SetThumbWidth(11);
  FFrm.FMMSlider1->SetThumbHeight(14);
  FFrm.FMMSlider1->SetGrooveSize(4);
  FFrm.FMMSlider1->SetFocusAction(faNone);
  FFrm.FMMSlider1->SetThumbStyle(tsOwnerDraw);
  FFrm.FMMSlider1->SetGrooveStyle(gsOwnerDraw);
  FFrm.FMMSlider1->SetRange(0, 1);
  FFrm.FMMSlider1->SetParent(FFrm.FTopPanel);
  FFrm.FMMSlider1->OnTrack = [this](TObject* s) { MMSlider1Track(s); };
  FFrm.FMMSlider1->OnTrackEnd = [this](TObject* s) { MMSlider1TrackEnd(s); };
  FFrm.FMMSlider1->OnChange = [this](TObject* s) { MMSlider1Change(s); };
  FFrm.FMMSlider1->OnDrawThumb = [this](TObject* s, TCanvas& c, RECT r, bool d, bool f) {
    MMSlider1DrawThumb(s, c, r, d, f);
  };
  FFrm.FMMSlider1->OnDrawGroove = [this](TObject* s, TCanvas& c, RECT& r) {
    MMSlider1DrawGroove(s, c, r);
  };
  FFrm.FMMSlider1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    TrackBar1MouseDown(s, b, sh, x, y);
  };
  FFrm.FSelPanel = new TSelPanel(&FFrm);
  FFrm.FSelPanel->SetName("SelPanel");
  FFrm.FSelPanel->SetParent(FFrm.FTopPanel);
  FFrm.FSelPanel->SetBevelOuter(bvNone);
  FFrm.FSelPanel->SetColor(GrooveFill);
  FFrm.FSelPanel->SetBounds(0, 0, 0, 3);
  FFrm.FSelPanel->SetVisible(false);

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
    TBitBtn* b = FFrm.MakeButton(FFrm.FTopPanel, name, caption, 26);
    b->SetHint(hint);
    b->SetShowHint(true);
    return b;
  };
  FFrm.FRepeatSB = button("RepeatSB", "|<", "Restart|Play the title again from its beginning");
  FFrm.FOneStop = button("OneStop", "", StopHint);
  FFrm.FProgView = button("ProgView", "...", "Program|View the program");
  FFrm.FAllStop->SetCaption("X");
  FFrm.FAllStop->SetHint("Stop and erase|Stop play and erase the program");
  FFrm.FPause->SetCaption("");
  FFrm.FPause->SetHint(PauseHint);
  for (TBitBtn* b :
       {FFrm.FBack, FFrm.FPlayNext, FFrm.FPause, FFrm.FAllStop, FFrm.FShuffle, FFrm.FMusicClear})
    b->SetShowHint(true);
  place(FFrm.FListPanel, {{FFrm.FBack, 26},
                          {FFrm.FRepeatSB, 26},
                          {FFrm.FPlayNext, 26},
                          {FFrm.FShuffle, 48},
                          {FFrm.FMusicClear, 40},
                          {FFrm.FProgView, 26}});
  place(FFrm.FPlayPanel, {{FFrm.FPause, 26}, {FFrm.FOneStop, 26}, {FFrm.FAllStop, 26}});

  FFrm.FTempPause = FFrm.MakeButton(FFrm.FTopPanel, "TempPause", "", 28);
  FFrm.FTempGo = FFrm.MakeButton(FFrm.FTopPanel, "TempGo", "", 28);
  FFrm.FTempOneStop = FFrm.MakeButton(FFrm.FTopPanel, "TempOneStop", "", 28);
  DrawGlyph(FFrm.FTempPause->Glyph(), TGlyph::Pause);
  DrawGlyph(FFrm.FTempGo->Glyph(), TGlyph::Go);
  DrawGlyph(FFrm.FTempOneStop->Glyph(), TGlyph::Stop);
  for (TBitBtn* b : {FFrm.FTempPause, FFrm.FTempGo, FFrm.FTempOneStop}) {
    b->SetVisible(false);
    b->SetEnabled(false); // picture holders only
  }
  FFrm.FPause->Glyph().Assign(FFrm.FTempPause->Glyph());
  FFrm.FOneStop->Glyph().Assign(FFrm.FTempOneStop->Glyph());

  FFrm.FPause->OnClick = [this](TObject* s) { PauseClick(s); };
  FFrm.FOneStop->OnClick = [this](TObject* s) { OneStopClick(s); };
  FFrm.FAllStop->OnClick = [this](TObject* s) { AllStopClick(s); };
  FFrm.FRepeatSB->OnClick = [this](TObject* s) { RepeatSBClick(s); };
  FFrm.FVolume->OnClick = [this](TObject* s) { VolumeClick(s); };
  FFrm.FOutPort->OnClick = [this](TObject* s) { OutPortClick(s); };
  FFrm.FProgView->OnClick = [this](TObject* s) { FFrm.Viewtitles1Click(s); };
  FFrm.FViewtitles1->OnClick = [this](TObject* s) { FFrm.Viewtitles1Click(s); };
  FFrm.FProgView->SetEnabled(false); // until the program holds a title
  FFrm.CommandGate().Add(FFrm.FProgView);

  // The program menu and the Options menu's port and volume commands.
  auto item = [this](TMenuItem* parent, const char* name, const char* caption,
                     std::function<void()> action) {
    return NewMenuItem(&FFrm, *parent, name, caption, std::move(action));
  };
  FFrm.FMusic1 = new TMenuItem(&FFrm);
  FFrm.FMusic1->SetName("Music1");
  FFrm.FMusic1->SetCaption("&Music");
  FFrm.FMainMenu1->Items().Insert(FFrm.FMainMenu1->Items().IndexOf(FFrm.FOptions1), FFrm.FMusic1);
  item(FFrm.FMusic1, "Pause1", "&Pause or resume", [this] { PauseClick(&FFrm); });
  item(FFrm.FMusic1, "Stop1", "&Stop or restart", [this] { OneStopClick(&FFrm); });
  item(FFrm.FMusic1, "Repeat1", "&Restart title", [this] { RepeatSBClick(&FFrm); });
  item(FFrm.FMusic1, "Erase1", "&Erase program and stop...", [this] { AllStopClick(&FFrm); });
  FFrm.FN19 = item(FFrm.FOptions1, "N19", "MIDI &output port...", [this] { N19Click(&FFrm); });
  FFrm.FVolume2 =
      item(FFrm.FOptions1, "Volume2", "&Volume control", [this] { Volume2Click(&FFrm); });
  FFrm.FMusic1->SetEnabled(false);
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

void TPlayerCommands::ShowRoadTexts() {
  TTuneInfo info;
  info.Category = FFrm.FRoad->CategoryText();
  info.Artist = FFrm.FRoad->ArtistText();
  info.Title = FFrm.FRoad->TitleText();
  info.Status = FFrm.FRoad->StatusText();
  info.ProgramCount = FFrm.FRoad->Program().Count();
  FFrm.ShowTuneInfo(info);
}

// --- commands
// --------------------------------------------------------------------------------------

void TPlayerCommands::OneStopClick(TObject*) {
  {
    auto busy = HourGlass();
    TProgram& program = FFrm.FRoad->Program();
    TMidiMode mode = FFrm.FRoad->Mode();
    if (mode != mdPlaying && mode != mdPaused) {
      FFrm.FRoad->SetUserStopped(false);
      if (FFrm.FMyMidi->DeviceId() >= 0) {
        FFrm.FMyMidi->SetPosition(0);
        FFrm.FOneStop->SetHint(StopHint);
        FFrm.FPause->SetHint(PauseHint);
        FFrm.VisualEffects().SwitchVisualEffects(true);
      }
    } else {
      FFrm.FMyMidi->SetPosition(0);
      FFrm.FMyMidi->Stop();
      Sleep(300);
      FFrm.FRoad->SetUserStopped(true);
      if (program.Count() == 0) {
        program.SetPlaying(false);
        FFrm.FRoad->ShowNothingPlaying();
        ShowRoadTexts();
        FFrm.CloseSequencer();
      }
      FFrm.VisualEffects().CloseSoundInput();
    }
    FFrm.UpdatePlayControls();
  }
  // Bounded: a closed or failing device never reaches either mode.
  FFrm.FRoad->WaitForMode([](TMidiMode m) { return m == mdStopped || m == mdPlaying; },
                          TPlayRoad::ModeWaitMs);
  FFrm.ProgramChanged();
}

void TPlayerCommands::PauseClick(TObject*) {
  TMidiMode mode = FFrm.FRoad->Mode();
  if (mode == mdPlaying) {
    FFrm.FMyMidi->Pause();
    FFrm.VisualEffects().SwitchVisualEffects(false);
    FFrm.FPause->SetHint(PausedHint);
    FFrm.FPause->Glyph().Assign(FFrm.FTempGo->Glyph());
    FFrm.FPause->SetTag(1);
  } else if (mode == mdPaused) {
    FFrm.FMyMidi->Resume();
    FFrm.VisualEffects().SwitchVisualEffects(true);
    FFrm.FPause->SetHint(ResumedHint);
    FFrm.FPause->Glyph().Assign(FFrm.FTempPause->Glyph());
    FFrm.FPause->SetTag(0);
  }
  FFrm.FPause->Invalidate();
  FFrm.UpdatePlayControls();
  FFrm.FRoad->WaitForMode([](TMidiMode m) { return m == mdPaused || m == mdPlaying; },
                          TPlayRoad::ModeWaitMs);
  FFrm.ProgramChanged();
}

void TPlayerCommands::AllStopClick(TObject*) {
  // Only Yes erases: No and a closed box keep the program.
  if (FFrm.ShowMessageBox("Are you sure you want to stop play and erase your music program?",
                          TMessageKind::Confirmation, 0,
                          TMessageButtons::Yes | TMessageButtons::No) != TMessageAnswer::Yes)
    return;
  FFrm.Repaint();
  FFrm.PlayCommands().MusicClearClick(&FFrm);
  FFrm.FRoad->Program().SetPlaying(false);
  FFrm.CloseSequencer();
  FFrm.VisualEffects().SwitchVisualEffects(false);
  FFrm.FRoad->SetUserStopped(true);
  FFrm.FRoad->SetStopButtonReset(true);
  FFrm.FOneStop->Glyph().Assign(FFrm.FTempOneStop->Glyph());
  FFrm.FOneStop->SetTag(0);
  FFrm.FOneStop->SetHint(StopHint);
  FFrm.FOneStop->Invalidate();
  FFrm.FRoad->ShowNothingPlaying();
  ShowRoadTexts();
  FFrm.UpdatePlayControls();
  FFrm.ProgramChanged();
}

void TPlayerCommands::RepeatSBClick(TObject*) {
  if (!FFrm.FRoad->Program().Playing()) return;
  if (FFrm.FMyMidi->DeviceId() >= 0) FFrm.FRoad->PlayFromMasterKey(FFrm.FRoad->MasterKeyPlaying());
  FFrm.UpdatePlayControls();
  FFrm.FRoad->WaitForMode([](TMidiMode m) { return m == mdPlaying || m == mdStopped; },
                          TPlayRoad::ModeWaitMs);
  FFrm.ProgramChanged();
}

void TPlayerCommands::RunVolumeControl() {
  // The program's own folder first, then the system's search.
  std::string local = ProgramFolder() + "sndvol32.exe";
  FVolumeCommand = FileExists(local) ? "\"" + local + "\"" : std::string("sndvol32.exe");
  if (RunAndWait(FVolumeCommand, SW_SHOWNORMAL) != 0)
    FFrm.ShowMessageBox("The volume control could not be started.", TMessageKind::Error, 0,
                        TMessageButtons::OK);
}

void TPlayerCommands::VolumeClick(TObject* Sender) {
  if (FFrm.ContextHelp().ContextHelpClick(Sender)) return;
  if (MixerFrmF) {
    MixerFrmF->SetWindowState(wsNormal);
    FFrm.CenterOverMainWindow(*MixerFrmF);
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
  if (FFrm.ContextHelp().ContextHelpClick(Sender)) return;
  N19Click(Sender);
}

void TPlayerCommands::N19Click(TObject*) {
  const int oldPort = FFrm.FMyMidi->MidiOutPort();
  int result;
  bool restart, restartPos;
  {
    TMIDIOPortFrm chooser(nullptr);
    chooser.Player = FFrm.FMyMidi.get();
    chooser.PlayerMode = [this] { return FFrm.FRoad->Mode(); };
    chooser.DoRestartOnPortChange = FFrm.FSettings.DoRestartOnPortChange;
    chooser.RestartPosOnPortChange = FFrm.FSettings.RestartPosOnPortChange;
    FFrm.CenterOverMainWindow(chooser);
    result = chooser.ShowModal();
    restart = chooser.RestartRB->Checked();
    restartPos = chooser.RadioButton1->Checked();
  }
  const bool changed = result == mrOk && FFrm.FMyMidi->MidiOutPort() != oldPort;
  // The restart choices are the user's only when a new port was taken.
  if (!changed) return;
  FFrm.FSettings.DoRestartOnPortChange = restart;
  FFrm.FSettings.RestartPosOnPortChange = restartPos;
  if (FFrm.FRoad->Mode() != mdPlaying || (!restart && !restartPos)) return;
  const int kept = FFrm.FMyMidi->GetPosition();
  FFrm.SetTimer1(false);
  {
    auto busy = HourGlass();
    RepeatSBClick(&FFrm); // reopens the sequencer on the new port
    if (restartPos) FFrm.FMyMidi->SetPosition(kept);
  }
  FFrm.SetTimer1(true);
}

// --- the position slider
// ---------------------------------------------------------------------------

void TMasterFrm::SetSlider(int position, int maximum) {
  // Quiet: follows the player without seeking.
  int top = maximum < 1 ? 1 : maximum;
  if (FMMSlider1->MaxValue() != top) FMMSlider1->SetRange(0, top);
  FMMSlider1->SetPosition(position);
  FPlayerCommands->MMSlider1Change(FMMSlider1);
}

void TPlayerCommands::TrackBar1MouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  if (FFrm.ContextHelp().ContextHelpClick(Sender)) return;
  // The mouse resumes a paused title first, so that its release repositions.
  if (FFrm.FRoad->Mode() == mdPaused) PauseClick(Sender);
}

void TPlayerCommands::MMSlider1Track(TObject*) {
  FFrm.FRoad->SetSliderDragging(true, FFrm.FMMSlider1->Position());
}

void TPlayerCommands::MMSlider1TrackEnd(TObject*) {
  TMidiMode mode = FFrm.FRoad->Mode();
  if (mode != mdPlaying && mode != mdPaused) {
    FFrm.FMMSlider1->SetPosition(0);
  } else if (FFrm.FRoad->SliderDragging() && mode == mdPlaying) {
    auto busy = HourGlass();
    FFrm.FMyMidi->SetPosition(FFrm.FMMSlider1->Position() * 1000);
  }
  FFrm.FRoad->SetSliderDragging(false);
  if (FFrm.FTopPanel->CanFocus()) FFrm.FTopPanel->SetFocus();
}

void TPlayerCommands::MMSlider1DrawThumb(TObject*, TCanvas& c, RECT r, bool Dragged, bool Focused) {
  Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(FFrm.FMMSlider1->Enabled() ? FFrm.FMMSlider1->ThumbColor()
                                                : FFrm.FMMSlider1->DisabledColor());
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
  c.Brush().SetColor(FFrm.FMMSlider1->Color());
  c.FillRect(g);
  int maximum = FFrm.FMMSlider1->MaxValue() < 1 ? 1 : FFrm.FMMSlider1->MaxValue();
  int fill = FFrm.FMMSlider1->Position() *
             (FFrm.FMMSlider1->Width() - 2 * FFrm.FMMSlider1->ThumbWidth()) / maximum;
  if (fill <= 0) return;
  c.Brush().SetColor(GrooveFill);
  c.FillRect({g.left, g.top, std::min<LONG>(g.left + fill, g.right), g.bottom});
}

void TPlayerCommands::MMSlider1Change(TObject*) {
  const int offset = FFrm.FMMSlider1->Bevel()->BevelExtent();
  const int maximum = FFrm.FMMSlider1->MaxValue() < 1 ? 1 : FFrm.FMMSlider1->MaxValue();
  int width = FFrm.FMMSlider1->Position() *
                  (FFrm.FMMSlider1->Width() - FFrm.FMMSlider1->ThumbWidth() / 2 - 4 * offset) /
                  maximum -
              1;
  if (width <= 0) {
    FFrm.FSelPanel->SetVisible(false);
    return;
  }
  FFrm.FSelPanel->SetBounds(FFrm.FMMSlider1->Left() + offset + 1,
                            FFrm.FMMSlider1->Top() +
                                (FFrm.FMMSlider1->Height() - FFrm.FSelPanel->Height()) / 2,
                            width, FFrm.FSelPanel->Height());
  FFrm.FSelPanel->SetVisible(true);
  FFrm.FSelPanel->BringToFront();
}

TPlayerCommands::TPlayerCommands(TMasterFrm& frm) : FFrm(frm) {}

TPlayerCommands::~TPlayerCommands() = default;
