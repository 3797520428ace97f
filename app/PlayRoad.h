// The play road: from a master key to the title playing on the sequencer, and the player timer.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include "MessageKinds.h"
#include "Program.h"
#include "TuneFiles.h"
#include "TuneRecords.h"
#include "midi.h"

// The catalogue store as the play road uses it (the data module adapts its store to this).
class TPlayStore {
public:
  virtual ~TPlayStore() = default;
  // Writes the title's stored archive to target and fills rec; false when it cannot.
  virtual bool ExtractTuneData(const std::string& target, TTuneRec& rec, int key) = 0;
  // Stores the title's duration in seconds; false when the key is not found.
  virtual bool SetDuration(int seconds, int key) = 0;
  virtual bool DeleteTune(int key, bool updateCategory) = 0;
};

// What the display panel shows each player tick.
struct TTuneInfo {
  std::string Category;
  std::string Artist;
  int TotalSeconds = 0;
  int Seconds = 0;
  int ProgramCount = 0;
  int ProgramPlace = 0; // program index + 1
  std::string Status;
  std::string Title;
};

// The main window's side of the road: its panel, slider, buttons, boxes and timer. Every method
// has a quiet default so that a stand-in only overrides what it watches.
class TPlayRoadView {
public:
  virtual ~TPlayRoadView() = default;
  // The main window's message box; by default a plain system box.
  virtual TMessageAnswer ShowMessageBox(const std::string& text, TMessageKind kind, int helpContext,
                                        TMessageButtons buttons);
  virtual void Beep();
  virtual void ShowTuneInfo(const TTuneInfo& /*info*/) {}
  // A state message on the display panel for some seconds.
  virtual void ShowStateMessage(const std::string& /*text*/, int /*seconds*/) {}
  // The device-busy notice (it keeps itself quiet for 2 s after its Close button).
  virtual void ShowDeviceBusyNotice() {}
  virtual void SetSlider(int /*position*/, int /*maximum*/) {}
  // The Pause button's picture: pause while playing, go while paused.
  virtual void SetPausePicture(bool /*paused*/) {}
  virtual void UpdatePlayControls() {}
  virtual void SetVisualEffects() {}
  // Arms or stops the 100 ms timer that calls TPlayRoad::Timer1Timer.
  virtual void SetTimer1(bool /*enabled*/) {}
  // The program or its index changed: the program viewer refreshes when visible.
  virtual void ProgramChanged() {}
  // The sound input is idle (the settle wait after a start applies only then).
  virtual bool SoundInputIdle() { return true; }
  // Tells the browser plug-in's receiver window the play position in per mille.
  virtual void SendPluginPosition(int perMille);
};

// Reset choices of the menu items GM1, GS1, None1, GMGS1, GSGM1.
enum class TResetChoice { GM, GS, None, GMGS, GSGM };

class TSettings;
// The one reset item the settings tick (the first set of GMGS, GSGM, GM, GS; else none).
TResetChoice ResetChoiceOf(const TSettings& settings);
// Writes the choice back: its own key set, the other three cleared.
void StoreResetChoice(TResetChoice choice, TSettings& settings);

// Why a mode wait ended.
enum class TModeWait { Reached, NotReady, Error, Aborted, TimedOut };

class TPlayRoad : public TProgramPlayer {
public:
  // appFolder holds the play file and the work folders "TempTune" and "TempTrash".
  TPlayRoad(const std::string& appFolder, TMyMidi& player, TTuneFiles& tuneFiles, TPlayStore& store,
            TPlayRoadView& view);
  TPlayRoad(const TPlayRoad&) = delete;
  TPlayRoad& operator=(const TPlayRoad&) = delete;

  TProgram& Program() { return FProgram; }
  TMyMidi& Player() { return FPlayer; }

  // True when the title of key plays; a title that cannot play leaves the program.
  bool PlayFromMasterKey(int key) override;
  // True when the sequencer plays file, which becomes the play file "AInternal.MID".
  bool PlayMIDI(const std::string& file, bool check);
  // Every 100 ms while enabled: follows the sequencer, moves the slider, steps the program.
  void Timer1Timer();
  // Shows text in an information box while the debug mode is on.
  void DebugTrace(const std::string& text);

  // Pumps messages until the mode satisfies done; also ends on not ready (no device), error,
  // the abort flag, or after timeoutMs.
  TModeWait WaitForMode(const std::function<bool(TMidiMode)>& done, uint32_t timeoutMs);
  // The player's mode; a failing query reads as an error.
  TMidiMode Mode();

  std::string PlayFile() const { return FAppFolder + "AInternal.MID"; }
  std::string TuneFolder() const { return FAppFolder + "TempTune\\"; }
  std::string TrashFolder() const { return FAppFolder + "TempTrash\\"; }

  // Flags the main window shares with its long operations and waits.
  bool Aborted() const override { return FAbort; }
  void SetAborted() { FAbort = true; } // never cleared
  bool StartInProgress() const { return FStartInProgress; }
  void SetImportBusy(bool value) { FImportBusy = value; }
  void SetStartBusy(bool value) { FStartBusy = value; }
  bool StartFailed() const override { return FStartFailed; }
  bool UserStopped() const { return FUserStopped; }
  void SetUserStopped(bool value) { FUserStopped = value; }
  bool StopButtonReset() const { return FStopButtonReset; }
  void SetStopButtonReset(bool value) { FStopButtonReset = value; }
  bool SliderDragging() const { return FSliderDragging; }
  // While dragging the timer leaves the slider alone and shows position as the current second.
  void SetSliderDragging(bool value, int position = 0);

  TResetChoice ResetChoice() const { return FResetChoice; }
  void SetResetChoice(TResetChoice value) { FResetChoice = value; }
  bool Looping() const override { return FLooping; }
  void SetLooping(bool value) { FLooping = value; }
  void SetDebugMode(bool value) { FDebugMode = value; }
  bool Timer1Enabled() const { return FTimer1Enabled; }

  int MasterKeyPlaying() const { return FMasterKeyPlaying; }
  const std::string& CategoryText() const { return FCategoryText; }
  const std::string& ArtistText() const { return FArtistText; }
  const std::string& TitleText() const { return FTitleText; }
  const std::string& StatusText() const { return FStatusText; }
  // The display texts of the title playing, when its catalogue data changed.
  void SetTuneTexts(const std::string& category, const std::string& artist,
                    const std::string& title) {
    FCategoryText = category;
    FArtistText = artist;
    FTitleText = title;
  }
  // "None" for category, artist and title and "No program" for the status.
  void ShowNothingPlaying();
  int SliderPosition() const { return FSliderPosition; }
  int SliderMax() const { return FSliderMax; }

  // The reset streams written to "M.dat" and "S.dat"; loaded from the program's resources.
  const std::string& GMReset() const { return FGMReset; }
  void SetGMReset(const std::string& value) { FGMReset = value; }
  const std::string& GSReset() const { return FGSReset; }
  void SetGSReset(const std::string& value) { FGSReset = value; }

  // Time-outs of the mode waits: a reset gets its length plus ResetSlackMs, the others
  // ModeWaitMs.
  static constexpr uint32_t ResetSlackMs = 2000;
  static constexpr uint32_t ModeWaitMs = 5000;
  static constexpr int BusyRounds = 12;
  static constexpr uint32_t BusyRoundMs = 50;
  // Player ticks for which a playing title's position may stand past its last note before the
  // title counts as over (a sequencer that waits for a late last event with its clock standing).
  static constexpr int StandingTicks = 15;
  // Silence past a title's last note longer than this is cut from the copy the sequencer plays:
  // Wine's waits it out, and can be neither stopped nor closed before its end.
  static constexpr int64_t SilentTailMs = 1000;

protected:
  // TProgramPlayer
  void LetMessagesRun() override;
  void SetPlayerTimer(bool enabled) override;
  void SettleAfterStart(bool pauseAtStart) override;
  void ProgramChanged() override { FView.ProgramChanged(); }

private:
  // The steps of PlayMIDI; those answering bool say whether the start goes on.
  bool CheckTitleFile(const std::string& file);
  bool ClosePlayerAndPlayResets();
  bool ClearPlayFile(const std::string& playFile);
  bool HandOverToPlayer(const std::string& file, const std::string& playFile);
  bool OpenAndPlay();
  void ReportStartFailure(const std::string& message);
  void ShowTitleStarted();
  void PlayResets();
  void PlayOneReset(const std::string& path);
  // Cuts a long silence past the last note from the title's file; the ms of its last note, -1
  // when the file cannot be timed.
  int64_t CutSilentTail(const std::string& file);
  // True when a playing title's position has stood past its last note for StandingTicks ticks.
  bool PositionStandsPastNotes(TMidiMode mode, int position);

  std::string FAppFolder;
  TMyMidi& FPlayer;
  TTuneFiles& FTuneFiles;
  TPlayStore& FStore;
  TPlayRoadView& FView;
  TProgram FProgram;

  bool FAbort = false;
  bool FStartInProgress = false;
  bool FImportBusy = false;
  bool FStartBusy = false;
  bool FStartFailed = false;
  bool FUserStopped = false;
  bool FStopButtonReset = false;
  bool FSliderDragging = false;
  bool FInTimer = false;
  bool FTitleFileFailed = false; // the last PlayMIDI failed on the title's own file
  bool FTimer1Enabled = false;
  bool FLooping = true;
  bool FDebugMode = false;
  TResetChoice FResetChoice = TResetChoice::None;

  int FMasterKeyPlaying = -1;
  std::string FCategoryText = "None";
  std::string FArtistText = "None";
  std::string FTitleText = "None";
  std::string FStatusText = "No program";
  int FSliderPosition = 0;
  int FSliderMax = 0;
  // Where the title's last note lies (ms), as read from its file; -1 when unknown.
  int64_t FNotesEndMs = -1;
  int64_t FStandingPosition = -1;
  int FStandingTicks = 0;
  std::string FGMReset;
  std::string FGSReset;
};
