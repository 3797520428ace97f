// The play road: from a master key to the title playing on the sequencer, and the player timer.
#include "PlayRoad.h"
#include <windows.h>
#include <mmsystem.h>
#include <algorithm>
#include "Classes.h"
#include "Handles.h"
#include "MessageBox.h"
#include "Messages.h"
#include "ResetStreams.h"
#include "Settings.h"
#include "SysUtils.h"
#include "Threads.h"

namespace {

const char* const CrLf2 = "\r\n\r\n";

// The sequencer's error when another program holds the MIDI output: by its text, and by its
// code, since the system's own texts say "port" rather than "Device".
bool DeviceInUse(const TMyMidi& player) {
  const std::string& text = player.LastError();
  return (text.find("Device") != std::string::npos && text.find("use") != std::string::npos) ||
         player.LastErrorCode() == MCIERR_SEQ_PORT_INUSE;
}

// Errors of the output device rather than of the title's file: no output port, no MIDI device.
bool DeviceFault(uint32_t code) {
  switch (code) {
  case MCIERR_SEQ_PORT_NONEXISTENT:
  case MCIERR_SEQ_PORT_MAPNODEVICE:
  case MCIERR_SEQ_PORT_MISCERROR:
  case MCIERR_SEQ_PORTUNSPECIFIED:
  case MCIERR_SEQ_NOMIDIPRESENT:
  case MCIERR_SEQ_TIMER:
  case MCIERR_DEVICE_OPEN:
  case MCIERR_DEVICE_NOT_READY:
  case MCIERR_DEVICE_LOCKED:
    return true;
  default:
    return false;
  }
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  TFileStream file(path, fmCreate);
  file.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
}

} // namespace

// --- the main window's side, quiet defaults ------------------------------------------------------

TMessageAnswer TPlayRoadView::ShowMessageBox(const std::string& text, TMessageKind kind,
                                             int /*helpContext*/, TMessageButtons buttons) {
  return PlainMessageBox(text, "Tonalbrook", kind, buttons);
}

void TPlayRoadView::Beep() {
  MessageBeep(0);
}

void TPlayRoadView::SendPluginPosition(int perMille) {
  HWND receiver = FindWindowA("TMsgRcvFrm", nullptr);
  if (!receiver) return;
  static const UINT message = RegisterWindowMessageA("QX_TrackBar_Perc");
  DWORD_PTR ignored = 0;
  // The receiver lives in a browser; a hung browser must not hang the player timer.
  SendMessageTimeoutA(receiver, message, static_cast<WPARAM>(perMille), 0, SMTO_ABORTIFHUNG, 1000,
                      &ignored);
}

TResetChoice ResetChoiceOf(const TSettings& settings) {
  if (settings.GMGSReset) return TResetChoice::GMGS;
  if (settings.GSGMReset) return TResetChoice::GSGM;
  if (settings.GMReset) return TResetChoice::GM;
  if (settings.GSReset) return TResetChoice::GS;
  return TResetChoice::None;
}

void StoreResetChoice(TResetChoice choice, TSettings& settings) {
  settings.GMGSReset = choice == TResetChoice::GMGS;
  settings.GSGMReset = choice == TResetChoice::GSGM;
  settings.GMReset = choice == TResetChoice::GM;
  settings.GSReset = choice == TResetChoice::GS;
}

// --- the road ------------------------------------------------------------------------------------

TPlayRoad::TPlayRoad(const std::string& appFolder, TMyMidi& player, TTuneFiles& tuneFiles,
                     TPlayStore& store, TPlayRoadView& view)
    : FAppFolder(IncludeTrailingBackslash(appFolder)), FPlayer(player), FTuneFiles(tuneFiles),
      FStore(store), FView(view), FProgram(*this), FGMReset(LoadResetStream("GMRESET")),
      FGSReset(LoadResetStream("GSRESET")) {}

void TPlayRoad::SetSliderDragging(bool value, int position) {
  FSliderDragging = value;
  if (value) FSliderPosition = position;
}

void TPlayRoad::ShowNothingPlaying() {
  FCategoryText = FArtistText = FTitleText = "None";
  FStatusText = "No program";
}

void TPlayRoad::DebugTrace(const std::string& text) {
  if (FDebugMode) FView.ShowMessageBox(text, TMessageKind::Information, 0, TMessageButtons::OK);
}

TMidiMode TPlayRoad::Mode() {
  try {
    return FPlayer.GetMode();
  } catch (const std::exception&) {
    return mdError;
  }
}

TModeWait TPlayRoad::WaitForMode(const std::function<bool(TMidiMode)>& done, uint32_t timeoutMs) {
  TModeWait result = TModeWait::TimedOut;
  WaitFor(
      [&] {
        if (FAbort) {
          result = TModeWait::Aborted;
          return true;
        }
        TMidiMode mode = Mode();
        if (done(mode))
          result = TModeWait::Reached;
        else if (mode == mdNotReady)
          result = TModeWait::NotReady;
        else if (mode == mdError)
          result = TModeWait::Error;
        else
          return false;
        return true;
      },
      timeoutMs);
  return result;
}

void TPlayRoad::LetMessagesRun() {
  ::LetMessagesRun();
}

void TPlayRoad::SetPlayerTimer(bool enabled) {
  FTimer1Enabled = enabled;
  FView.SetTimer1(enabled);
}

void TPlayRoad::SettleAfterStart(bool pauseAtStart) {
  // Two timer intervals for the sequencer to get going.
  WaitFor([this] { return FAbort; }, 200);
  if (pauseAtStart) {
    // The program ran out without looping: rest on its first title, paused at its start.
    try {
      FPlayer.Pause();
    } catch (const std::exception&) {
      // A device that will not pause plays on; the wait below then ends at its bound.
    }
    FView.SetPausePicture(true);
    FView.UpdatePlayControls();
    WaitForMode([](TMidiMode m) { return m == mdPaused; }, ModeWaitMs);
  } else if (FView.SoundInputIdle()) {
    WaitForMode([](TMidiMode m) { return m == mdPlaying || m == mdStopped || m == mdNotReady; },
                ModeWaitMs);
  }
}

bool TPlayRoad::PlayFromMasterKey(int key) {
  FStartFailed = false;
  const std::string archive = TuneFolder() + "AAAZip.Zip";
  ForceDirectories(TuneFolder());

  // A title that cannot be started leaves the program, so the program never stops on it again.
  auto dropKey = [&] {
    FProgram.RemoveKeyFromProgram(key);
    FProgram.SetPlaying(FProgram.Count() > 0);
  };

  TTuneRec rec;
  if (!FStore.ExtractTuneData(archive, rec, key)) {
    DeleteFile(archive);
    dropKey();
    return false;
  }

  // An import or another start under way: wait a little, then keep the former title.
  for (int round = 0; FImportBusy || FStartBusy;) {
    LetMessagesRun();
    if (FAbort) return false;
    if (!FImportBusy && !FStartBusy) break;
    if (++round >= BusyRounds) {
      FStartFailed = true;
      DeleteFile(archive);
      return false;
    }
    WaitFor([this] { return FAbort || (!FImportBusy && !FStartBusy); }, BusyRoundMs);
  }
  TFlagHold startBusy(FStartBusy);

  std::string message, extracted;
  if (!FTuneFiles.UnzipSingleFile(archive, TuneFolder(), message, extracted)) {
    FView.ShowMessageBox(std::string("Error unzipping in play:") + CrLf2 + message + CrLf2 +
                             "Please contact Tonalbrook support.",
                         TMessageKind::Error, 0, TMessageButtons::OK);
    DeleteFile(archive);
    dropKey();
    return false;
  }
  if (!DeleteFile(archive)) {
    // A work file held by another program says nothing about the title: it stays in the program.
    FView.ShowMessageBox("... But cannot delete TempZippFile " + archive, TMessageKind::Error, 0,
                         TMessageButtons::Cancel);
    DeleteFile(extracted);
    return false;
  }

  int64_t size = 0;
  if (TTuneFiles::CheckMIDIHeader(extracted, size) < mfStandardMidi) {
    dropKey();
    FView.ShowMessageBox("Cannot play: " + extracted +
                             (size == 0 ? " is empty!" : " is NOT A VALID MIDI FILE!"),
                         TMessageKind::Error, 0, TMessageButtons::Cancel);
    DeleteFile(extracted);
    return false;
  }

  FMasterKeyPlaying = key;
  FNotesEndMs = CutSilentTail(extracted);
  if (PlayMIDI(extracted, false)) {
    // The duration read from the file stands: the sequencer may time the title at another tempo
    // (Wine's at 120 beats a minute). Its length only fills a duration the reading could not
    // give (a RIFF title, a file read as damaged); a failed length query answers 0.
    const int length = FPlayer.Length();
    if (rec.Seconds < 1 && length >= 1000)
      FStore.SetDuration(std::min(length / 1000, MaxTitleSeconds), key);
    FTitleText = Trim(rec.Title);
    FArtistText = Trim(Trim(rec.FirstName) + " " + Trim(rec.LastName));
    FCategoryText = Trim(rec.CategoryName);
    if (FProgram.Stepping()) FStatusText = FProgram.StatusText();
    FUserStopped = false;
    SetPlayerTimer(true);
    return true;
  }

  if (FileExists(extracted)) DeleteFile(extracted);
  dropKey();
  // Only the title's own file is offered for deletion: a busy device, the play file that
  // could not be replaced or a shutdown say nothing about the title.
  if (FTitleFileFailed) {
    FView.Beep();
    if (FView.ShowMessageBox("File may be corrupted: Delete from database?", TMessageKind::Warning,
                             0, TMessageButtons::Yes | TMessageButtons::No) == TMessageAnswer::Yes)
      FStore.DeleteTune(key, true);
  }
  return false;
}

void TPlayRoad::PlayOneReset(const std::string& path) {
  int64_t size = 0;
  if (!FileExists(path) || TTuneFiles::CheckMIDIHeader(path, size) != mfStandardMidi) return;
  FPlayer.SetMidiFile(path);
  if (FPlayer.Open() != 0) return;
  try {
    FPlayer.Play();
    // To its end; a device that never gets there (no output device, an error) gives up after
    // the reset's own length and a little more.
    WaitForMode([](TMidiMode m) { return m != mdPlaying && m != mdSeeking; },
                static_cast<uint32_t>(FPlayer.Length()) + ResetSlackMs);
    FPlayer.Stop();
  } catch (const std::exception&) {
    // A reset that cannot play must not keep the title from playing.
  }
  FPlayer.Close();
}

void TPlayRoad::PlayResets() {
  if (FResetChoice == TResetChoice::None) return;
  ForceDirectories(TrashFolder());
  const std::string gm = TrashFolder() + "M.dat";
  const std::string gs = TrashFolder() + "S.dat";
  // A reset file that cannot be written is not played; the other reset and the title still are.
  for (const auto& [path, bytes] : {std::pair{gm, &FGMReset}, std::pair{gs, &FGSReset}}) {
    try {
      if (!bytes->empty()) WriteWholeFile(path, *bytes);
    } catch (const EStreamError&) {
    }
  }
  switch (FResetChoice) {
  case TResetChoice::GM:
    PlayOneReset(gm);
    break;
  case TResetChoice::GS:
    PlayOneReset(gs);
    break;
  case TResetChoice::GMGS:
    PlayOneReset(gm);
    if (!FAbort) PlayOneReset(gs);
    break;
  case TResetChoice::GSGM:
    PlayOneReset(gs);
    if (!FAbort) PlayOneReset(gm);
    break;
  case TResetChoice::None:
    break;
  }
  if (FileExists(gm)) DeleteFile(gm);
  if (FileExists(gs)) DeleteFile(gs);
}

bool TPlayRoad::CheckTitleFile(const std::string& file) {
  int64_t size = 0;
  if (TTuneFiles::CheckMIDIHeader(file, size) < mfStandardMidi) {
    FView.ShowMessageBox("PlayMIDI error: " + file + " is not a valid MIDI file",
                         TMessageKind::Error, 0, TMessageButtons::Cancel);
    FTitleFileFailed = true;
    return false;
  }
  return true;
}

bool TPlayRoad::ClosePlayerAndPlayResets() {
  Mode();
  FPlayer.Close();
  DebugTrace("MIDI player is closed.");

  PlayResets();
  DebugTrace("MIDI resets have been executed.");
  LetMessagesRun();
  return !FAbort; // shutting down: no new title
}

bool TPlayRoad::ClearPlayFile(const std::string& playFile) {
  for (int attempt = 0; attempt < 4 && FileExists(playFile); ++attempt) {
    LetMessagesRun();
    if (FAbort) return false; // shut down meanwhile: no new title
    DeleteFile(playFile);
  }
  if (FileExists(playFile)) {
    FView.ShowMessageBox("Could not delete InternalMIDIFile " + playFile, TMessageKind::Error, 0,
                         TMessageButtons::Cancel);
    return false;
  }
  DebugTrace("InternalMIDIFile has been deleted.");
  return true;
}

bool TPlayRoad::HandOverToPlayer(const std::string& file, const std::string& playFile) {
  if (!RenameFile(file, playFile)) {
    FView.ShowMessageBox("Could not rename " + file + " to " + playFile, TMessageKind::Error, 0,
                         TMessageButtons::Cancel);
    return false;
  }
  DebugTrace("AMIDIFile has been renamed.");
  FPlayer.SetMidiFile(playFile);
  DebugTrace("MIDIPlayer.MIDIFile has been assigned.");
  return true;
}

void TPlayRoad::ReportStartFailure(const std::string& message) {
  if (DeviceInUse(FPlayer)) {
    FView.ShowStateMessage("MIDI device unavailable", 8);
    FView.ShowDeviceBusyNotice();
    FProgram.EraseProgram();
    FView.ProgramChanged();
    return;
  }
  FView.ShowMessageBox(message, TMessageKind::Error, 0, TMessageButtons::Cancel);
  if (DeviceFault(FPlayer.LastErrorCode())) {
    // A fault of the output device fails every title alike: the program stops on it, and no
    // title is taken for a broken one.
    FProgram.EraseProgram();
    FView.ProgramChanged();
  } else {
    FTitleFileFailed = true;
  }
}

bool TPlayRoad::OpenAndPlay() {
  if (FPlayer.Open() != 0) {
    ReportStartFailure("MIDI Open/Close error = " + FPlayer.LastError());
    return false;
  }
  DebugTrace("MIDIPlayer has been opened.");

  try {
    FPlayer.Play();
  } catch (const std::exception& e) {
    ReportStartFailure(std::string("MIDI Play exception:") + CrLf2 + e.what());
    try {
      FPlayer.Stop();
    } catch (const std::exception&) {
      // The failure is told above; the stop only tidies up after it.
    }
    return false;
  }
  return true;
}

void TPlayRoad::ShowTitleStarted() {
  FView.SetPausePicture(false);
  FStopButtonReset = false;

  DebugTrace("MIDIPlayer should be playing.");
  FStartInProgress = false;
  FView.SetVisualEffects();
  const int length = FPlayer.Length();
  FSliderPosition = 0;
  FSliderMax = length / 1000;
  FView.SetSlider(FSliderPosition, FSliderMax);
  FStandingPosition = -1;
  FStandingTicks = 0;
}

bool TPlayRoad::PlayMIDI(const std::string& file, bool check) {
  FTitleFileFailed = false;
  const std::string playFile = PlayFile();
  if (check && !CheckTitleFile(file)) return false;
  DebugTrace(file + " is confirmed as a valid MIDI.");

  TFlagHold inProgress(FStartInProgress);
  if (!ClosePlayerAndPlayResets()) return false;
  if (!ClearPlayFile(playFile)) return false;
  if (!HandOverToPlayer(file, playFile)) return false;
  if (!OpenAndPlay()) return false;
  ShowTitleStarted();
  return true;
}

int64_t TPlayRoad::CutSilentTail(const std::string& file) {
  int64_t notesMs = -1;
  // A large file is read while the window answers.
  TAsideWork aside([&] { notesMs = TTuneFiles::CutSilentTail(file, SilentTailMs); });
  if (!aside.WaitQuietly(100)) aside.WaitRunningMessages();
  aside.Rethrow();
  return notesMs;
}

bool TPlayRoad::PositionStandsPastNotes(TMidiMode mode, int position) {
  if (mode != mdPlaying || position != FStandingPosition) {
    FStandingPosition = mode == mdPlaying ? position : -1;
    FStandingTicks = 0;
    return false;
  }
  // A clock that stands within the notes is a rest between events, not an end; nor is one of a
  // title whose notes could not be timed.
  return ++FStandingTicks >= StandingTicks && FNotesEndMs >= 0 &&
         int64_t(uint32_t(position)) > FNotesEndMs;
}

void TPlayRoad::Timer1Timer() {
  // A tick that arrives while a step waits inside an earlier tick is dropped.
  if (FInTimer) return;
  TFlagHold inTimer(FInTimer);
  TMidiMode mode = Mode();
  const int length = FPlayer.DeviceId() == -1 ? 0 : FPlayer.Length();
  const int position = FPlayer.GetPosition();
  if (PositionStandsPastNotes(mode, position)) {
    // Over: stopped here, the title ends as any other does.
    try {
      FPlayer.Stop();
    } catch (const std::exception&) {
      // A device that will not stop is asked again at the next tick.
    }
    mode = Mode();
  }
  const int remaining = length - position;
  const int total = length / 1000;
  int seconds = position / 1000;

  // The sequencer's own length reached is an end, but not before the title's last note: Wine's
  // times its length at 120 beats a minute, so a slower title passes it on the way.
  const bool atLength = remaining == 0 && !(FNotesEndMs >= 0 && position < FNotesEndMs);
  if ((mode == mdPlaying || mode == mdPaused || mode == mdSeeking) && !atLength) {
    if (!FSliderDragging) {
      FSliderPosition = seconds;
      int perMille = FSliderMax < 1 ? 0 : FSliderPosition * 1000 / FSliderMax;
      FView.SetSlider(FSliderPosition, FSliderMax);
      FView.SendPluginPosition(perMille);
    }
  } else if (FProgram.Playing() && !FStartInProgress && !FUserStopped) {
    SetPlayerTimer(false);
    FProgram.StepProgram(true);
    // Shutdown may have come during the step: the timer stays off then.
    if (!FAbort) SetPlayerTimer(true);
    mode = Mode();
    seconds = 0;
  } else {
    FSliderPosition = 0;
    FView.SetSlider(FSliderPosition, FSliderMax);
  }

  if (FProgram.Count() > 0) {
    FStatusText.clear();
  } else if (mode == mdPlaying || mode == mdPaused) {
    FStatusText = "Ending play with this title";
  } else {
    ShowNothingPlaying();
    FView.UpdatePlayControls();
  }

  TTuneInfo info;
  info.Category = FCategoryText;
  info.Artist = FArtistText;
  info.TotalSeconds = total;
  info.Seconds = FSliderDragging ? FSliderPosition : seconds;
  info.ProgramCount = FProgram.Count();
  info.ProgramPlace = FProgram.Index() + 1;
  info.Status = FStatusText;
  info.Title = FTitleText;
  FView.ShowTuneInfo(info);
}
