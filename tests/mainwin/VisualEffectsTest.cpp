// The main window's visual effects over the test services' sine on device 0: the displays' layout
// in the music panel, the display panel's height and the level bars' idle colours on screen, the
// disable question, a refused device and the input's failures, a close while they run, and the
// whole road from the recorder to the spectrum, level bars and oscilloscope, dumped for numpy.
#include <gtest/gtest.h>
#include <windows.h>
#include "MainCodeD2.h"
#include "MainLayout.h"
#include "VisualEffects.h"
#include "PlayerCommands.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "MainWindowFixture.h"
#include "StandInSequencer.h"
#include <cmath>
#include <mutex>

namespace {

std::string CheckDir() {
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += "mainwin_effects\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

// The player area above the music panel, each captured from its own window, for a person to
// look at. The music panel is taken as shown: a repaint starts the spectrogram's picture afresh.
void Picture(TMasterFrm& form, TBitmap& shot) {
  TBitmap top, music;
  CaptureControl(*Probe(form).TopPanel(), top);
  CopyShown(Probe(form).MusicPanel()->Handle(), music);
  shot.SetSize(Max(top.Width(), music.Width()), top.Height() + music.Height());
  BitBlt(shot.Canvas().Handle(), 0, 0, top.Width(), top.Height(), top.Canvas().Handle(), 0, 0,
         SRCCOPY);
  BitBlt(shot.Canvas().Handle(), 0, top.Height(), music.Width(), music.Height(),
         music.Canvas().Handle(), 0, 0, SRCCOPY);
  GdiFlush();
}

class VisualEffects : public TMainWindowFixture {
protected:
  VisualEffects() : TMainWindowFixture("tbeffects") {}
  void WithEffectsTicked() {
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n[Visual]\r\nVisE=1\r\n");
  }
  // The idle colours of the three zones of a level bar, read from its first, 70 % and last spots.
  std::vector<COLORREF> ZoneColours(TMMLevel* l) {
    TBitmap shot;
    CaptureControl(*Probe(FForm).Panel11(), shot);
    const int w = l->Width() - 2, y = l->Top() + l->Height() / 2;
    // Spots of one pixel with one between them: the first lit pixel of three.
    auto at = [&](int x) {
      for (int dx = 0; dx < 3; ++dx)
        if (TColor c = shot.Pixel(l->Left() + x + dx, y); c != clBlack) return COLORREF(c);
      return COLORREF(0);
    };
    return {at(1 + 1), at(1 + w * 70 / 100), at(w - 1)};
  }
  bool InputStarted() { return Probe(FForm).MMWaveIn1()->InState(TMMWaveIn::wsStarted); }
  bool Idle() { return Probe(FForm).MMWaveIn1()->InState(TMMWaveIn::wsClosed); }
};

} // namespace

TEST_F(VisualEffects, DisplaysShareTheMusicPanel) {
  WithEffectsTicked();
  Start();
  ASSERT_TRUE(Probe(FForm).Item("Visualeffects1")->Checked());
  ASSERT_TRUE(Probe(FForm).ShowTools());
  FForm->Layout().ToolsLeftClick(
      nullptr); // tool row on, effects ticked: the music panel comes forward
  ASSERT_TRUE(Probe(FForm).MusicPanel()->Visible());
  EXPECT_EQ(Probe(FForm).ToolsLeft()->Hint(), "Hide|Hide visual effects");
  EXPECT_EQ(Probe(FForm).Item("Showmusictoolbar1")->Caption(), "&Hide visual effects");
  const int H = Probe(FForm).MusicPanel()->Height(), W = Probe(FForm).MusicPanel()->Width();
  TMMSpectrum* spectrum = Probe(FForm).MMSpectrum1();
  TMMOscope* scope = Probe(FForm).MMOscope2();
  // One item: the spectrum fills the panel less 2 pixels all round.
  EXPECT_EQ(spectrum->BoundsRect().top, 2);
  EXPECT_EQ(spectrum->Height(), H - 4);
  EXPECT_EQ(spectrum->Width(), W - 4);
  EXPECT_FALSE(scope->Visible());
  // Two: each (H - 6) / 2 high, the oscilloscope 2 pixels below the spectrum.
  FForm->VisualEffects().Lights1Click(nullptr);
  EXPECT_EQ(spectrum->Height(), (H - 6) / 2);
  EXPECT_TRUE(scope->Visible());
  EXPECT_EQ(scope->Top(), (H - 6) / 2 + 4);
  EXPECT_EQ(scope->Height(), (H - 6) / 2);
  EXPECT_EQ(scope->PopupMenu(), Probe(FForm).visualPopUp());
  // The oscilloscope alone takes the top.
  FForm->VisualEffects().Spectrumbars1Click(nullptr);
  EXPECT_FALSE(spectrum->Visible());
  EXPECT_EQ(scope->Top(), 2);
  EXPECT_EQ(scope->Height(), H - 4);
  // Unticking the last one leaves the spectrum.
  FForm->VisualEffects().Lights1Click(nullptr);
  EXPECT_TRUE(Probe(FForm).Item("Spectrumbars1")->Checked());
  EXPECT_TRUE(spectrum->Visible());
  EXPECT_FALSE(scope->Visible());
  EXPECT_EQ(spectrum->Height(), H - 4);
  // Three: (H - 8) / 3 each, spectrum, oscilloscope and spectrogram from the top.
  TMMSpectrogram* gram = Probe(FForm).MMSpectrogram1();
  EXPECT_FALSE(gram->Visible());
  FForm->VisualEffects().Lights1Click(nullptr);
  FForm->VisualEffects().Spectrograph1Click(nullptr);
  const int h = (H - 8) / 3;
  EXPECT_EQ(spectrum->Height(), h);
  EXPECT_EQ(scope->Top(), h + 4);
  EXPECT_EQ(gram->Top(), h + 4 + h + 2);
  EXPECT_EQ(gram->Height(), h);
  EXPECT_EQ(gram->Width(), W - 4);
  EXPECT_TRUE(gram->Visible());
  // Spectrum and spectrogram: the spectrogram right under the spectrum.
  FForm->VisualEffects().Lights1Click(nullptr);
  EXPECT_EQ(gram->Top(), (H - 6) / 2 + 4);
  EXPECT_FALSE(scope->Visible());
  FForm->Layout().ToolsLeftClick(nullptr);
  EXPECT_FALSE(Probe(FForm).MusicPanel()->Visible());
  EXPECT_FALSE(Probe(FForm).ShowTools());
}

TEST_F(VisualEffects, SwitchingSetsTheDisplayPanelAndAsksBeforeDisabling) {
  Start();
  const COLORREF dark = RGB(0, 128, 0), light = RGB(0, 255, 0), red = RGB(128, 0, 0);
  EXPECT_FALSE(Probe(FForm).Item("Visualeffects1")->Checked());
  EXPECT_EQ(Probe(FForm).Panel11()->Height(), 62);
  EXPECT_EQ(Probe(FForm).TopPanel()->Height(), 62 + 52);
  EXPECT_TRUE(Idle());
  EXPECT_EQ(Probe(FForm).MMLevel1()->Width(),
            Probe(FForm).CDPanel()->Width() - 2 * Probe(FForm).MMLevel1()->Left());
  EXPECT_EQ(Probe(FForm).MMLevel2()->Width(), Probe(FForm).MMLevel1()->Width());

  FForm->VisualEffects().Visualeffects1Click(nullptr);
  EXPECT_TRUE(Probe(FForm).Item("Visualeffects1")->Checked());
  EXPECT_TRUE(FForm->Settings().VisE == false); // written only at shutdown
  EXPECT_EQ(Probe(FForm).Panel11()->Height(), 88);
  EXPECT_EQ(Probe(FForm).TopPanel()->Height(), 88 + 52);
  EXPECT_TRUE(InputStarted());
  // Before the first buffer (about 1.7 s) both bars show their idle zones.
  for (TMMLevel* l : {Probe(FForm).MMLevel1(), Probe(FForm).MMLevel2()})
    EXPECT_EQ(ZoneColours(l), (std::vector<COLORREF>{dark, light, red}));

  // The pop-up's two items mirror the switch.
  FForm->VisualEffects().VisEPopUpPopup(nullptr);
  EXPECT_TRUE(Probe(FForm).Item("ShowVE")->Checked());
  EXPECT_FALSE(Probe(FForm).Item("DisableVE")->Checked());

  FAnswers.Push(mrNo);
  FForm->VisualEffects().DisableVEClick(nullptr);
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_EQ(FAnswers.Asked()[0].Text, "Are you sure you want to disable Visual Effects?");
  EXPECT_TRUE(Probe(FForm).Item("Visualeffects1")->Checked());
  EXPECT_TRUE(InputStarted());
  EXPECT_EQ(Probe(FForm).Panel11()->Height(), 88);

  FAnswers.Push(mrYes);
  FForm->VisualEffects().DisableVEClick(nullptr);
  EXPECT_FALSE(Probe(FForm).Item("Visualeffects1")->Checked());
  EXPECT_TRUE(Idle());
  EXPECT_EQ(Probe(FForm).Panel11()->Height(), 62);
  Probe(FForm).Panel11()->SetHeight(88); // uncovered for a look: every zone idles in the dark green
  EXPECT_EQ(ZoneColours(Probe(FForm).MMLevel1()), (std::vector<COLORREF>{dark, dark, dark}));
  Probe(FForm).Panel11()->SetHeight(62);

  // The other item of the pop-up switches them on again without a question.
  FForm->VisualEffects().ShowVEClick(nullptr);
  EXPECT_TRUE(Probe(FForm).Item("Visualeffects1")->Checked());
  EXPECT_EQ(FAnswers.Asked().size(), 2u);
  EXPECT_TRUE(InputStarted());
}

TEST_F(VisualEffects, InputFailuresCloseTheInputQuietly) {
  Start();
  Probe(FForm).MMWaveIn1()->SetDeviceID(57); // no such device
  FForm->VisualEffects().Visualeffects1Click(nullptr);
  EXPECT_TRUE(Probe(FForm).Item("Visualeffects1")->Checked());
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(FAnswers.Asked().empty());

  Probe(FForm).MMWaveIn1()->SetDeviceID(0);
  FForm->VisualEffects().Visualeffects1Click(nullptr); // unticks: asks, Yes by default
  FForm->VisualEffects().ShowVEClick(nullptr);
  ASSERT_TRUE(InputStarted());
  const size_t asked = FAnswers.Asked().size();
  // By its kind, from anywhere, and by its sender: closed, nothing shown.
  FForm->AppException(nullptr, EMMWaveInError("device gone"));
  EXPECT_TRUE(Idle());
  FForm->VisualEffects().ShowVEClick(nullptr);
  ASSERT_TRUE(InputStarted());
  FForm->AppException(Probe(FForm).MMWaveIn1(), Exception("driver failure"));
  EXPECT_TRUE(Idle());
  EXPECT_EQ(FAnswers.Asked().size(), asked);
  // Anything else is still shown.
  FForm->AppException(nullptr, Exception("other"));
  EXPECT_EQ(FAnswers.Asked().size(), asked + 1);
}

TEST_F(VisualEffects, PlayerCommandsSwitchTheInput) {
  TEndingSequencer seq;
  SetMainMciDriver(&seq);
  WithEffectsTicked();
  Start();
  TStringList keys;
  keys.Add(std::to_string(FCat.Keys[0]));
  keys.Add(std::to_string(FCat.Keys[1]));
  FForm->Road().Program().PlayAtTop(keys);
  ASSERT_EQ(seq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
  EXPECT_TRUE(InputStarted()); // the title started: as ticked
  FForm->PlayerCommands().PauseClick(nullptr);
  EXPECT_TRUE(Idle());
  FForm->PlayerCommands().PauseClick(nullptr); // resumed: as ticked
  EXPECT_TRUE(InputStarted());
  FForm->PlayerCommands().OneStopClick(nullptr);
  EXPECT_TRUE(Idle());
  FForm->PlayerCommands().OneStopClick(nullptr); // played again from the start
  EXPECT_TRUE(InputStarted());
  // Unticked, a resume leaves the input closed.
  FForm->VisualEffects().Visualeffects1Click(nullptr);
  ASSERT_FALSE(Probe(FForm).Item("Visualeffects1")->Checked());
  FForm->PlayerCommands().PauseClick(nullptr);
  FForm->PlayerCommands().PauseClick(nullptr);
  EXPECT_TRUE(Idle());
  // The session's end closes the input before anything else.
  FForm->VisualEffects().Visualeffects1Click(nullptr);
  ASSERT_TRUE(InputStarted());
  SendMessageA(FForm->Handle(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_TRUE(Idle());
}

TEST_F(VisualEffects, CloseWhileRunningEndsThemAndKeepsTheSetting) {
  WithEffectsTicked();
  Start();
  ASSERT_TRUE(PumpUntil([&] { return InputStarted(); }, 20000));
  ASSERT_TRUE(
      PumpUntil([&] { return Probe(FForm).MMConnector2()->FrameCount(cgLevels) > 0; }, 15000))
      << Probe(FForm).MMConnector2()->IsConnectorStarted() << " "
      << Probe(FForm).MMWaveIn1()->BytesRecorded();
  CloseAndWait();
  const std::string ini = ReadFileBytes(FDir / "Tonalbrook.ini");
  EXPECT_NE(ini.find("VisE=1"), std::string::npos) << ini;
}

TEST_F(VisualEffects, SineFromTheRecorderReachesEveryDisplay) {
  WithEffectsTicked();
  Start();
  FForm->Layout().ToolsLeftClick(nullptr);
  FForm->VisualEffects().Lights1Click(nullptr);
  FForm->VisualEffects().Spectrograph1Click(nullptr);
  ASSERT_TRUE(Probe(FForm).MusicPanel()->Visible());
  ASSERT_TRUE(Probe(FForm).MMOscope2()->Visible());
  TMMConnector* conn = Probe(FForm).MMConnector2();
  conn->SetTriggerMode(tmUpFlank);
  // A second oscilloscope slot records where the trigger put each frame.
  TComponent owner(nullptr);
  std::vector<std::string> triggered;
  TMMConnectorSlot probe;
  probe.Display = &owner;
  probe.SetFormat = [](const WAVEFORMATEX*) {};
  probe.Refresh = [&](const void* p) { triggered.emplace_back(static_cast<const char*>(p), 16); };
  probe.Reset = [] {};
  probe.FrameSize = [] { return 16; };
  conn->SetSlot(5, probe);
  std::mutex lock;
  std::string take;
  Probe(FForm).MMWaveIn1()->OnBufferReady = [&](TObject*, WAVEHDR* h) {
    std::lock_guard<std::mutex> guard(lock);
    take.append(h->lpData, h->dwBytesRecorded);
  };
  std::vector<int> lefts, rights;
  int low = 0, high = 0;
  ASSERT_TRUE(PumpUntil(
      [&] {
        // Readings are collected rather than maximised: one glitched buffer on a loaded
        // machine must not stand for the level.
        if (Probe(FForm).MMLevel1()->Value() > 0) lefts.push_back(Probe(FForm).MMLevel1()->Value());
        if (Probe(FForm).MMLevel2()->Value() > 0)
          rights.push_back(Probe(FForm).MMLevel2()->Value());
        const int16_t* b = Probe(FForm).MMOscope2()->Buffer();
        for (int i = 0; b && i < Probe(FForm).MMOscope2()->Points(); ++i)
          low = Min(low, b[i]), high = Max(high, b[i]);
        return conn->FrameCount(cgSpectra) >= 20 && conn->FrameCount(cgOscopes) >= 5 &&
               conn->FrameCount(cgSpectrograms) >= 20;
      },
      15000))
      << conn->FrameCount(cgSpectra);
  const double freq = Probe(FForm).MMSpectrum1()->PeakFrequency();
  // The spectrogram's brightest band holds bin 1000 / (11025 / 512) = 46.4.
  TMMSpectrogram* gram = Probe(FForm).MMSpectrogram1();
  const std::vector<uint8_t> column = gram->LastColumn();
  ASSERT_FALSE(column.empty());
  int brightest = 0;
  for (int r = 1; r < int(column.size()); ++r)
    if (column[r] > column[brightest]) brightest = r;
  int band = brightest;
  while (band > 0 && gram->RowFirstBin(band) < 0)
    --band;
  printf("spectrogram: brightest row %d index %d of %zu rows, %d columns drawn\n", brightest,
         column[brightest], column.size(), gram->ColumnsDrawn());
  const int firstBin = gram->RowFirstBin(band);
  const int endBin = gram->RowEndBin(band) == 0 ? firstBin + 1 : gram->RowEndBin(band);
  const int left = MedianOf(lefts), right = MedianOf(rights);
  const double leftDb = 20 * std::log10(left / 100.0), rightDb = 20 * std::log10(right / 100.0);
  TBitmap shot;
  Picture(*FForm, shot);
  // On the screen, the 1000 Hz row of the spectrogram is lit in the columns drawn so far, and
  // its top row (the highest frequencies, where nothing sounds) stays dark.
  TBitmap shown;
  CopyShown(Probe(FForm).MusicPanel()->Handle(), shown);
  const RECT area = gram->DrawRect();
  const int gx = gram->Left() + area.left, gy = gram->Top() + area.top;
  const int rows = area.bottom - area.top,
            drawn = Min(gram->CurrentColumn(), area.right - area.left);
  int lit = 0, litTop = 0;
  for (int x = 0; x < drawn; ++x) {
    lit += shown.Pixel(gx + x, gy + rows - 1 - brightest) != clBlack;
    litTop += shown.Pixel(gx + x, gy) != clBlack;
  }
  EXPECT_GE(drawn, 10);
  EXPECT_GE(lit, drawn * 3 / 4) << "of " << drawn << " columns";
  EXPECT_LE(litTop, drawn / 4);
  FForm->VisualEffects().Visualeffects1Click(nullptr); // Yes: closed
  conn->SetSlot(5, TMMConnectorSlot{});

  // 128 points at 11025 Hz: bins of 86.1 Hz.
  EXPECT_LE(std::abs(freq - 1000), 11025.0 / 128) << freq;
  EXPECT_TRUE(firstBin <= 47 && endBin >= 46) << firstBin << ".." << endBin;
  EXPECT_NEAR(leftDb, -6.02, 0.5);
  EXPECT_NEAR(rightDb, -6.02, 0.5);
  // The trace spans about half of the oscilloscope: +-16384 of the 16-bit range.
  EXPECT_NEAR(high - low, 32768, 3300) << low << " " << high;
  // Each triggered frame starts at a rising crossing of the middle, within one sample frame.
  ASSERT_FALSE(triggered.empty());
  for (const std::string& f : triggered) {
    const auto* s = reinterpret_cast<const uint8_t*>(f.data());
    const int first = (s[0] + s[1]) / 2 - 128, next = (s[2] + s[3]) / 2 - 128;
    EXPECT_LE(std::abs(first), 37) << first;
    EXPECT_GT(next, first);
  }
  std::lock_guard<std::mutex> guard(lock);
  const std::string dir = CheckDir();
  shot.SaveToFile(dir + "mainwindow.bmp");
  WriteFileBytes(dir + "take.raw", take);
  WriteFileBytes(dir + "log.txt", "rate 11025\nchannels 2\nbits 8\nfreq " + std::to_string(freq) +
                                      "\nleft_db " + std::to_string(leftDb) + "\nright_db " +
                                      std::to_string(rightDb) + "\n");
}
