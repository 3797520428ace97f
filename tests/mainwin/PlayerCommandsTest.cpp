// The player commands over a prepared catalogue and the stand-in sequencer: stop and restart,
// pause, erase and stop, restart the title, the buttons' state, the reset items, the position
// slider and its look, the volume control and the MIDI output port chooser.
#include <gtest/gtest.h>
#include <windows.h>
#include "Dialogs.h"
#include "MIDIOPortCode.h"
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "PlayerCommands.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "StandInSequencer.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "MainWindowFixture.h"
#include "finalMain.h"

namespace {

class PlayerCommands : public TMainWindowFixture {
protected:
  PlayerCommands() : TMainWindowFixture("tbplayer") {}
  TEndingSequencer FSeq;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
  }
  TProgram& Program() { return FForm->Road().Program(); }
  // Puts the first n titles in the program; the first one plays.
  void PlayTitles(size_t n) {
    TStringList keys;
    for (size_t i = 0; i < n; ++i)
      keys.Add(std::to_string(FCat.Keys[i]));
    Program().PlayAtTop(keys);
    ASSERT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  }
  void Key(TWinControl& c, WORD key) {
    SendMessageA(c.Handle(), WM_KEYDOWN, key, 0);
    SendMessageA(c.Handle(), WM_KEYUP, key, 0xC0000000);
  }
  bool SameGlyph(TBitBtn* a, TBitBtn* b) {
    TBitmap &x = a->Glyph(), &y = b->Glyph();
    if (x.Width() != y.Width() || x.Height() != y.Height()) return false;
    for (int py = 0; py < x.Height(); ++py)
      for (int px = 0; px < x.Width(); ++px)
        if (x.Pixel(px, py) != y.Pixel(px, py)) return false;
    return true;
  }
  std::string LastQuestion() {
    return FAnswers.Asked().empty() ? "" : FAnswers.Asked().back().Text;
  }
};

} // namespace

TEST_F(PlayerCommands, PauseAndResumeFollowTheSequencer) {
  Start();
  PlayTitles(2);
  FSeq.Position = 7000;
  FForm->PlayerCommands().PauseClick(nullptr);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PAUSE));
  EXPECT_EQ(Probe(FForm).Pause()->Tag(), 1);
  EXPECT_EQ(Probe(FForm).Pause()->Hint(), "Resume");
  EXPECT_TRUE(SameGlyph(Probe(FForm).Pause(), Probe(FForm).TempGo()));
  EXPECT_TRUE(Probe(FForm).Pause()->Enabled());
  FForm->PlayerCommands().PauseClick(nullptr);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_EQ(FSeq.Position, 7000u) << "resumes where it paused";
  EXPECT_EQ(Probe(FForm).Pause()->Tag(), 0);
  EXPECT_EQ(Probe(FForm).Pause()->Hint(), "Pause");
  EXPECT_TRUE(SameGlyph(Probe(FForm).Pause(), Probe(FForm).TempPause()));
  CloseAndWait();
}

TEST_F(PlayerCommands, AtStartNothingPlaysAndTheDropTargetsSayWhatADropDoes) {
  Start();
  // Nothing has been asked of the player yet: only what an empty program allows is offered.
  for (TBitBtn* b : {Probe(FForm).Back(), Probe(FForm).PlayNext(), Probe(FForm).RepeatSB(),
                     Probe(FForm).Pause(), Probe(FForm).OneStop(), Probe(FForm).AllStop(),
                     Probe(FForm).MusicClear(), Probe(FForm).Shuffle(), Probe(FForm).ProgView()})
    EXPECT_FALSE(b->Enabled()) << b->Name();
  EXPECT_FALSE(Probe(FForm).Item("Music1")->Enabled());
  // A click on a drop target does nothing, so every one of them shows its hint.
  EXPECT_EQ(Probe(FForm).Play()->Hint(), "Add music and play it last");
  EXPECT_EQ(Probe(FForm).PlayReplace()->Hint(), "Add music and play it first");
  for (TBitBtn* b : {Probe(FForm).Play(), Probe(FForm).PlayReplace(), Probe(FForm).EditCat(),
                     Probe(FForm).TrashCat(), Probe(FForm).MailTitle(), Probe(FForm).ExportTitle(),
                     Probe(FForm).Archive(), Probe(FForm).PrintCat()}) {
    EXPECT_TRUE(b->ShowHint()) << b->Name();
    EXPECT_FALSE(GetShortHint(b->Hint()).empty()) << b->Name();
  }
  CloseAndWait();
}

TEST_F(PlayerCommands, ButtonsFollowModeAndProgramSize) {
  Start();
  struct TRow {
    size_t titles;
    DWORD mode;
    bool music, back, repeat, pause, oneStop, allStop, clear, shuffle;
  };
  // Program size and the sequencer's mode against what can be clicked.
  const TRow rows[] = {
      {0, 0, false, false, false, false, false, false, false, false},
      {1, MCI_MODE_PLAY, true, false, true, true, true, true, true, false},
      {3, MCI_MODE_PLAY, true, true, true, true, true, true, true, true},
      {3, MCI_MODE_PAUSE, true, true, true, true, true, true, true, true},
      {3, MCI_MODE_SEEK, true, true, true, true, true, true, true, true},
      {3, MCI_MODE_STOP, true, true, true, false, true, true, true, true},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(std::to_string(r.titles) + " titles, mode " + std::to_string(r.mode));
    if (r.titles) {
      PlayTitles(r.titles);
      FSeq.Mode = r.mode;
    }
    static_cast<TPlayRoadView*>(FForm)->UpdatePlayControls();
    EXPECT_EQ(Probe(FForm).Item("Music1")->Enabled(), r.music);
    EXPECT_EQ(Probe(FForm).Back()->Enabled(), r.back);
    EXPECT_EQ(Probe(FForm).PlayNext()->Enabled(), r.back);
    EXPECT_EQ(Probe(FForm).RepeatSB()->Enabled(), r.repeat);
    EXPECT_EQ(Probe(FForm).Pause()->Enabled(), r.pause);
    EXPECT_EQ(Probe(FForm).OneStop()->Enabled(), r.oneStop);
    EXPECT_EQ(Probe(FForm).AllStop()->Enabled(), r.allStop);
    EXPECT_EQ(Probe(FForm).MusicClear()->Enabled(), r.clear);
    EXPECT_EQ(Probe(FForm).Shuffle()->Enabled(), r.shuffle);
    EXPECT_EQ(Probe(FForm).ProgView()->Enabled(), r.clear);
    EXPECT_EQ(Probe(FForm).Pause()->Tag(), r.mode == MCI_MODE_PAUSE ? 1 : 0);
    if (r.mode == MCI_MODE_STOP) {
      EXPECT_EQ(Probe(FForm).OneStop()->Tag(), 1);
      EXPECT_EQ(Probe(FForm).OneStop()->Hint(), "Play|Restart play");
      EXPECT_TRUE(SameGlyph(Probe(FForm).OneStop(), Probe(FForm).TempGo()));
    }
    Program().EraseProgram();
    Program().SetPlaying(false);
  }
  CloseAndWait();
}

TEST_F(PlayerCommands, StopThenStopAgainRestartsAtTheBeginning) {
  Start();
  PlayTitles(2);
  FSeq.Position = 5000;
  FForm->PlayerCommands().OneStopClick(nullptr);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_STOP));
  EXPECT_TRUE(FForm->Road().UserStopped());
  EXPECT_EQ(Probe(FForm).OneStop()->Tag(), 1);
  EXPECT_EQ(Probe(FForm).OneStop()->Hint(), "Play|Restart play");
  FForm->PlayerCommands().OneStopClick(nullptr);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_EQ(FSeq.Position, 0u);
  EXPECT_FALSE(FForm->Road().UserStopped());
  EXPECT_EQ(Probe(FForm).OneStop()->Hint(), "Stop|Stop current play");
  EXPECT_EQ(Probe(FForm).OneStop()->Tag(), 0);
  CloseAndWait();
}

TEST_F(PlayerCommands, StopOnTheLastTitleOfAnEmptiedProgramEndsIt) {
  Start();
  PlayTitles(1);
  FForm->PlayCommands().MusicClearClick(nullptr); // the title plays on
  ASSERT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  // A wait for a mode that never comes asks the mode every few milliseconds until its bound of
  // seconds; a stop that does not wait asks it a few times at most, however busy the machine.
  const int queries = FSeq.ModeQueries;
  FForm->PlayerCommands().OneStopClick(nullptr);
  EXPECT_LT(FSeq.ModeQueries - queries, 20) << "returns without waiting for a mode";
  EXPECT_EQ(Probe(FForm).MyMidi1().DeviceId(), -1) << "sequencer closed";
  EXPECT_FALSE(Program().Playing());
  EXPECT_EQ(FForm->Road().StatusText(), "No program");
  EXPECT_EQ(FForm->Road().TitleText(), "None");
  EXPECT_FALSE(Probe(FForm).OneStop()->Enabled());
  CloseAndWait();
}

TEST_F(PlayerCommands, StuckOrMissingDevicesEndTheWaits) {
  Start();
  PlayTitles(2);
  FSeq.StuckMode = MCI_MODE_NOT_READY;
  FForm->PlayerCommands().PauseClick(nullptr); // not playing: nothing to pause, and no endless wait
  EXPECT_EQ(FSeq.Pauses, 0);
  FForm->PlayerCommands().RepeatSBClick(nullptr);
  // Seeking is neither playing nor paused: a restart, then a bounded wait for a mode that
  // never comes.
  FSeq.StuckMode = MCI_MODE_SEEK;
  // Coming back at all is the proof: an endless wait would hold the program until ctest's limit.
  FForm->PlayerCommands().OneStopClick(nullptr);
  EXPECT_FALSE(FForm->Road().UserStopped());
  FSeq.StuckMode = 0;
  CloseAndWait();
}

TEST_F(PlayerCommands, RestartReopensTheTitle) {
  Start();
  PlayTitles(3);
  const size_t opened = FSeq.Opened.size();
  const int key = FForm->Road().MasterKeyPlaying();
  FSeq.Position = 9000;
  FForm->PlayerCommands().RepeatSBClick(nullptr);
  EXPECT_EQ(FSeq.Opened.size(), opened + 1);
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), key);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_EQ(FSeq.Position, 0u);
  CloseAndWait();
}

TEST_F(PlayerCommands, EraseAndStopOnlyOnYes) {
  Start();
  PlayTitles(3);
  FAnswers.Push(mrNo);
  FForm->PlayerCommands().AllStopClick(nullptr);
  EXPECT_EQ(LastQuestion(), "Are you sure you want to stop play and erase your music program?");
  EXPECT_EQ(Program().Count(), 3);
  FAnswers.Push(mrCancel); // the box closed
  FForm->PlayerCommands().AllStopClick(nullptr);
  EXPECT_EQ(Program().Count(), 3);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  FAnswers.Push(mrYes);
  FForm->PlayerCommands().AllStopClick(nullptr);
  EXPECT_EQ(Program().Count(), 0);
  EXPECT_FALSE(Program().Playing());
  EXPECT_EQ(Probe(FForm).MyMidi1().DeviceId(), -1);
  EXPECT_EQ(FForm->Road().CategoryText(), "None");
  EXPECT_EQ(FForm->Road().StatusText(), "No program");
  EXPECT_EQ(Probe(FForm).OneStop()->Tag(), 0);
  EXPECT_EQ(Probe(FForm).OneStop()->Hint(), "Stop|Stop current play");
  EXPECT_FALSE(Probe(FForm).AllStop()->Enabled());
  CloseAndWait();
}

TEST_F(PlayerCommands, OneResetItemIsTickedAfterEachClick) {
  Start();
  TMenuItem* items[] = {Probe(FForm).Item("GM1"), Probe(FForm).Item("GS1"),
                        Probe(FForm).Item("None1"), Probe(FForm).Item("GMGS1"),
                        Probe(FForm).Item("GSGM1")};
  for (TMenuItem* clicked : items) {
    clicked->Click();
    int ticked = 0;
    for (TMenuItem* m : items)
      ticked += m->Checked();
    EXPECT_EQ(ticked, 1) << clicked->Name();
    EXPECT_TRUE(clicked->Checked()) << clicked->Name();
  }
  bool looping = Probe(FForm).Item("Looping1")->Checked();
  Probe(FForm).Item("Looping1")->Click();
  EXPECT_NE(Probe(FForm).Item("Looping1")->Checked(), looping);
  EXPECT_EQ(FForm->Road().Looping(), !looping);
  CloseAndWait();
}

TEST_F(PlayerCommands, SliderReleaseRepositionsOnlyWhilePlaying) {
  Start();
  PlayTitles(2);
  TMMSlider& slider = *Probe(FForm).MMSlider1();
  EXPECT_EQ(slider.MaxValue(), 61) << "the title's length in seconds";
  slider.SetPosition(0);
  for (int i = 0; i < 3; ++i)
    SendMessageA(slider.Handle(), WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(FForm->Road().SliderDragging());
  SendMessageA(slider.Handle(), WM_KEYUP, VK_RIGHT, 0xC0000000);
  EXPECT_EQ(FSeq.Position, 3000u);
  EXPECT_FALSE(FForm->Road().SliderDragging());

  // Paused: keys move the thumb, the release leaves the player where it is.
  FForm->PlayerCommands().PauseClick(nullptr);
  ASSERT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PAUSE));
  Key(slider, VK_RIGHT);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PAUSE));
  EXPECT_EQ(FSeq.Position, 3000u);
  // The mouse resumes first, so its release repositions.
  RECT t = slider.ThumbRect();
  int y = (t.top + t.bottom) / 2;
  SendMessageA(slider.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(t.left + 5, y));
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  SendMessageA(slider.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(t.left + 5, y));
  EXPECT_EQ(FSeq.Position, static_cast<DWORD>(slider.Position() * 1000));

  // Stopped: the thumb goes back to the start.
  FForm->PlayerCommands().OneStopClick(nullptr);
  Key(slider, VK_END);
  EXPECT_EQ(slider.Position(), 0);
  CloseAndWait();
}

TEST_F(PlayerCommands, ThumbAndGrooveShowThePlayedPart) {
  Start();
  PlayTitles(1);
  TMMSlider& slider = *Probe(FForm).MMSlider1();
  FSeq.Position = 30000; // the player timer moves the thumb there
  ASSERT_TRUE(PumpUntil([&] { return slider.Position() == 30; }, 20000));
  TBitmap shot;
  CaptureControl(slider, shot);
  RECT t = slider.ThumbRect();
  POINT c{(t.left + t.right) / 2, (t.top + t.bottom) / 2};
  EXPECT_EQ(shot.Pixel(c.x, c.y), static_cast<TColor>(0x008000));
  RECT g = slider.GrooveRect();
  int gy = (g.top + g.bottom) / 2;
  EXPECT_EQ(shot.Pixel(g.left + 5, gy), static_cast<TColor>(0x008000)) << "filled up to the thumb";
  EXPECT_NE(shot.Pixel(g.right - 5, gy), static_cast<TColor>(0x008000)) << "empty after it";
  EXPECT_TRUE(Probe(FForm).SelPanel()->Visible());
  EXPECT_GT(Probe(FForm).SelPanel()->Width(), 0);
  EXPECT_LT(Probe(FForm).SelPanel()->Left() + Probe(FForm).SelPanel()->Width(),
            slider.Left() + c.x);
  // A click on the played part reaches the slider beneath it.
  POINT onPart = Probe(FForm).SelPanel()->ClientToScreen({2, 1});
  EXPECT_EQ(SendMessageA(Probe(FForm).SelPanel()->Handle(), WM_NCHITTEST, 0,
                         MAKELPARAM(onPart.x, onPart.y)),
            HTTRANSPARENT);
  // Pressed: the centre lights up.
  SendMessageA(slider.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, c.y));
  CaptureControl(slider, shot);
  t = slider.ThumbRect();
  EXPECT_EQ(shot.Pixel((t.left + t.right) / 2, (t.top + t.bottom) / 2),
            static_cast<TColor>(0x00FF00));
  SendMessageA(slider.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(c.x, c.y));
  // The main window for the record: slider under the display, the button rows.
  TBitmap window;
  CaptureControl(*Probe(FForm).TopPanel(), window);
  window.SaveToFile(EnvVar("TB_BUILD_DIR").empty()
                        ? FDir / "player.bmp"
                        : WinPath(EnvVar("TB_BUILD_DIR")) + "\\player-commands.bmp");
  CloseAndWait();
}

TEST_F(PlayerCommands, VolumeFindsTheControlRunsTheHelperOrSaysSo) {
  Start();
  // No control window and no program: a message, nothing else.
  FForm->PlayerCommands().VolumeClick(nullptr);
  EXPECT_EQ(LastQuestion(), "The volume control could not be started.");
  // A helper beside the program runs.
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  ASSERT_TRUE(CopyFileA((std::string(system) + "\\hostname.exe").c_str(),
                        (FDir / "sndvol32.exe").c_str(), FALSE));
  size_t asked = FAnswers.Asked().size();
  FForm->PlayerCommands().VolumeClick(nullptr);
  EXPECT_EQ(FAnswers.Asked().size(), asked) << "no message";
  std::string helper = FDir / "sndvol32.exe";
  EXPECT_EQ(FForm->PlayerCommands().VolumeCommand(),
            std::string(1, '"').append(helper).append(1, '"'));
  // A running control comes to the front instead.
  TForm control(nullptr);
  control.SetCaption("Volume Control");
  control.SetBounds(50, 50, 200, 100);
  control.Show();
  ShowWindow(control.Handle(), SW_MINIMIZE);
  ProcessMessages();
  DeleteFileA((FDir / "sndvol32.exe").c_str());
  FForm->PlayerCommands().VolumeClick(nullptr);
  ProcessMessages();
  EXPECT_FALSE(IsIconic(control.Handle()));
  EXPECT_EQ(FAnswers.Asked().size(), asked) << "no message";
  CloseAndWait();
}

// A sound system without mixers: the device calls answer as Wine's do with no sound server.
struct TNoMixers : TMMDeviceApi {
  UINT GetNumDevs(TMMDeviceType type) override {
    return type == dtMixer ? 0 : TMMDeviceApi::GetNumDevs(type);
  }
};

TEST_F(PlayerCommands, VolumeShowsTheMixerWindowOrFallsBackWithoutAMixer) {
  Start();
  // A card with a mixer: the window comes up centred over the main window.
  MixerFrmF = new TMixerFrmF(nullptr);
  MixerFrmF->AfterConstruction();
  if (!MixerFrmF->NoMixer()) {
    FForm->PlayerCommands().VolumeClick(nullptr);
    ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(MixerFrmF->Handle()));
    RECT m, w;
    GetWindowRect(FForm->Handle(), &m);
    GetWindowRect(MixerFrmF->Handle(), &w);
    EXPECT_NEAR((w.left + w.right) / 2, (m.left + m.right) / 2, 2);
    MixerFrmF->Hide();
  }
  delete MixerFrmF;
  // No mixer: the window stands, empty, and the system's volume control comes forward.
  TNoMixers none;
  SetDeviceApi(&none);
  MixerFrmF = new TMixerFrmF(nullptr);
  MixerFrmF->AfterConstruction();
  EXPECT_TRUE(MixerFrmF->NoMixer());
  TForm control(nullptr);
  control.SetCaption("Volume Control");
  control.SetBounds(50, 50, 200, 100);
  control.Show();
  ShowWindow(control.Handle(), SW_MINIMIZE);
  ProcessMessages();
  size_t asked = FAnswers.Asked().size();
  FForm->PlayerCommands().VolumeClick(nullptr);
  ProcessMessages();
  EXPECT_FALSE(IsIconic(control.Handle()));
  EXPECT_FALSE(IsWindowVisible(MixerFrmF->Handle()));
  EXPECT_EQ(FAnswers.Asked().size(), asked) << "no message";
  delete MixerFrmF;
  SetDeviceApi(nullptr);
  CloseAndWait();
}

TEST_F(PlayerCommands, PortChooserListsNamesAndRestartsOnANewPort) {
  FSeq.Ports = {"Synth A", "Synth B, bank 2", "Synth C"};
  Start();
  PlayTitles(2);
  TMyMidi& midi = Probe(FForm).MyMidi1();
  const int port = midi.MidiOutPort();
  // The same port again: nothing happens to the title.
  size_t opened = FSeq.Opened.size();
  FAnswers.Push([&](TModalRequest& r) {
    auto* f = dynamic_cast<TMIDIOPortFrm*>(r.Form);
    EXPECT_NE(f, nullptr);
    if (!f) return int(mrCancel);
    EXPECT_EQ(f->ComboBox1->Items().Count(), 3);
    EXPECT_EQ(f->ComboBox1->Items()[1], "Synth B, bank 2");
    EXPECT_EQ(f->ComboBox1->ItemIndex(), port);
    EXPECT_FALSE(f->RadioGroup1->Enabled());
    f->BitBtn1->Click();
    return int(mrOk);
  });
  FForm->PlayerCommands().N19Click(nullptr);
  EXPECT_EQ(FSeq.Opened.size(), opened);
  EXPECT_EQ(midi.MidiOutPort(), port);

  // A new port while playing, restarting at the present place.
  FSeq.Position = 12000;
  FAnswers.Push([&](TModalRequest& r) {
    auto* f = dynamic_cast<TMIDIOPortFrm*>(r.Form);
    f->ComboBox1->SetItemIndex(2);
    f->ComboBox1Change(f->ComboBox1);
    EXPECT_TRUE(f->RadioGroup1->Enabled());
    EXPECT_EQ(f->RadioGroup1->Caption(), " When to use new MIDI output port? ");
    f->RadioButton1->SetChecked(true);
    f->BitBtn1->Click();
    return int(mrOk);
  });
  FForm->PlayerCommands().N19Click(nullptr);
  EXPECT_EQ(midi.MidiOutPort(), 2);
  EXPECT_EQ(FSeq.Opened.size(), opened + 1);
  EXPECT_EQ(FSeq.PortsSet.back(), 2u);
  EXPECT_EQ(FSeq.Position, 12000u) << "seeks back";
  EXPECT_TRUE(FForm->Settings().RestartPosOnPortChange);
  EXPECT_FALSE(FForm->Settings().DoRestartOnPortChange);

  // Cancel keeps the port and the restart settings.
  FAnswers.Push([&](TModalRequest& r) {
    auto* f = dynamic_cast<TMIDIOPortFrm*>(r.Form);
    EXPECT_TRUE(f->RadioButton1->Checked()) << "the setting is offered again";
    f->ComboBox1->SetItemIndex(0);
    f->ComboBox1Change(f->ComboBox1);
    f->RadioButton2->SetChecked(true);
    return int(mrCancel);
  });
  FForm->PlayerCommands().N19Click(nullptr);
  EXPECT_EQ(midi.MidiOutPort(), 2);
  EXPECT_TRUE(FForm->Settings().RestartPosOnPortChange);

  // Paused: the options are offered, but nothing restarts; the port serves the next start.
  FForm->PlayerCommands().PauseClick(nullptr);
  opened = FSeq.Opened.size();
  FAnswers.Push([&](TModalRequest& r) {
    auto* f = dynamic_cast<TMIDIOPortFrm*>(r.Form);
    f->ComboBox1->SetItemIndex(0);
    f->ComboBox1Change(f->ComboBox1);
    EXPECT_TRUE(f->RadioGroup1->Enabled());
    f->RestartRB->SetChecked(true);
    f->BitBtn1->Click();
    return int(mrOk);
  });
  FForm->PlayerCommands().N19Click(nullptr);
  EXPECT_EQ(midi.MidiOutPort(), 0);
  EXPECT_EQ(FSeq.Opened.size(), opened);
  EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PAUSE));
  CloseAndWait();
  // Written at shutdown as chosen.
  std::string ini = ReadFileBytes(FDir / "Tonalbrook.ini");
  EXPECT_NE(ini.find("MIDIOutPort=0"), std::string::npos);
}

TEST_F(PlayerCommands, PortChooserWithoutDevicesKeepsThePort) {
  FSeq.Ports.clear();
  Start();
  const int port = Probe(FForm).MyMidi1().MidiOutPort();
  FAnswers.Push([&](TModalRequest& r) {
    auto* f = dynamic_cast<TMIDIOPortFrm*>(r.Form);
    EXPECT_EQ(f->ComboBox1->Items().Count(), 0);
    f->BitBtn1->Click();
    return int(mrOk);
  });
  FForm->PlayerCommands().OutPortClick(nullptr);
  EXPECT_EQ(Probe(FForm).MyMidi1().MidiOutPort(), port);
  CloseAndWait();
}

namespace {

// The same commands on Wine's own sequencer, which plays without an output device.
class RealSequencer : public TMainWindowFixture {
protected:
  RealSequencer() : TMainWindowFixture("tbrealseq") {}
};

} // namespace

TEST_F(RealSequencer, CommandsRunThroughWithoutHanging) {
  Start();
  TMyMidi& midi = Probe(FForm).MyMidi1();
  // A corpus title of minutes (the catalogue's own are about a second long), played as the
  // road plays a title's file.
  std::vector<std::string> files = CorpusFiles("openttd-openmsx");
  ASSERT_FALSE(files.empty());
  ASSERT_TRUE(CopyFileA(files[0].c_str(), (FDir / "long.mid").c_str(), FALSE));
  ASSERT_TRUE(FForm->Road().PlayMIDI(FDir / "long.mid", true));
  TStringList keys;
  keys.Add(std::to_string(FCat.Keys[0]));
  FForm->Road().Program().AppendToProgram(keys); // a program, so that stop keeps the device
  FForm->Road().Program().SetPlaying(true);
  ASSERT_GE(midi.DeviceId(), 0);
  ASSERT_GT(midi.Length(), 4000) << "a corpus title longer than 3 s";
  DWORD started = GetTickCount();
  FForm->PlayerCommands().PauseClick(nullptr);
  FForm->PlayerCommands().PauseClick(nullptr);
  FForm->PlayerCommands().OneStopClick(nullptr);
  FForm->PlayerCommands().OneStopClick(nullptr);
  TMMSlider& slider = *Probe(FForm).MMSlider1();
  ASSERT_EQ(FForm->Road().Mode(), mdPlaying) << "stop, stop again: playing from the start";
  // The thumb released at 3 s.
  slider.SetPosition(3);
  FForm->PlayerCommands().MMSlider1Track(&slider);
  FForm->PlayerCommands().MMSlider1TrackEnd(&slider);
  EXPECT_EQ(midi.GetPosition(), 3000);
  FAnswers.Push(mrYes);
  FForm->PlayerCommands().AllStopClick(nullptr);
  EXPECT_EQ(midi.DeviceId(), -1);
  printf("commands on the real sequencer took %lu ms\n", GetTickCount() - started);

  // The port chooser as the user sees it (Wine lists no output ports), for the record.
  FAnswers.Push([&](TModalRequest& r) {
    auto* f = dynamic_cast<TMIDIOPortFrm*>(r.Form);
    EXPECT_EQ(f->ComboBox1->Items().Count(),
              midiOutGetNumDevs() > 0 ? int(midiOutGetNumDevs()) : 0);
    f->Show();
    ProcessMessages();
    TBitmap shot;
    CaptureWindow(f->Handle(), shot);
    // Inside the group boxes the window's face shows, not an unpainted hole.
    RECT box = f->RadioGroup1->BoundsRect();
    EXPECT_EQ(shot.Pixel(box.right - 6, box.bottom - 6),
              static_cast<TColor>(ColorToRGB(f->Color())));
    if (!EnvVar("TB_BUILD_DIR").empty())
      shot.SaveToFile(WinPath(EnvVar("TB_BUILD_DIR")) + "\\port-chooser.bmp");
    f->Hide();
    f->BitBtn1->Click();
    return int(mrOk);
  });
  const int port = midi.MidiOutPort();
  FForm->PlayerCommands().N19Click(nullptr);
  EXPECT_EQ(midi.MidiOutPort(), port);
  CloseAndWait();
}
