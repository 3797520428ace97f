// The player's display panel: category, artist, title, place in the program, times and state.
#pragma once
#include "ExtCtrls.h"
#include "StdCtrls.h"
#include "midi.h"
#include <memory>
#include <string>

// A label whose text change can start a blink run, and whose fixed-width form shortens a long
// text with "..." to fit its room.
class TFlashLabel : public TLabel {
public:
  explicit TFlashLabel(TComponent* AOwner);

  int Duration() const { return FDuration; }
  void SetDuration(int value) { FDuration = value; }
  int Interval() const { return static_cast<int>(FTimer->Interval()); }
  void SetInterval(int value); // 0 sets 350
  TColor OnColor() const { return FOnColor; }
  void SetOnColor(TColor value) { FOnColor = value; }
  TColor OffColor() const { return FOffColor; }
  void SetOffColor(TColor value) { FOffColor = value; }
  bool CanFlash() const { return FCanFlash; }
  void SetCanFlash(bool value) { FCanFlash = value; }

  // Takes a new text: a label that sizes itself shows it at once; a fixed-width one waits for
  // Fit. A changed text starts a blink run when CanFlash is set.
  void SetCaption(const std::string& value) override;
  // The text last given (the caption may show it shortened).
  const std::string& FullText() const { return FFullText; }
  // For a fixed-width label: takes width and shows the full text, or a shortened one when it is
  // wider than that.
  void Fit(int width);

  bool Flashing() const { return FTimer->Enabled(); }
  int TickCount() const { return FTickCount; }
  // The run's timer; a test may fire its OnTimer itself instead of waiting.
  TTimer* FlashTimer() const { return FTimer; }
  void StartFlash();
  void StopFlash();

protected:
  virtual void FlashTick();
  void FontChanged() override;

private:
  TTimer* FTimer;
  int FDuration = 0;
  TColor FOnColor = 0, FOffColor = 0;
  bool FCanFlash = false;
  int FTickCount = 0, FTickLimit = 0;
  std::string FFullText;
  // What the last Fit measured, so that an unchanged text and room are not measured again.
  int FFittedWidth = -1;
  std::string FFittedText;
};

// Where the panel learns the player's mode; the real one is TMyMidi, tests drive their own.
class TPlayerModeSource {
public:
  virtual ~TPlayerModeSource() = default;
  // True while the player opens or repositions its file: its mode is not asked then.
  virtual bool Repositioning() = 0;
  virtual TMidiMode Mode() = 0;
};

// TMyMidi as a mode source.
class TMyMidiModeSource : public TPlayerModeSource {
public:
  explicit TMyMidiModeSource(TMyMidi& player) : FPlayer(player) {}
  bool Repositioning() override { return FPlayer.Busy(); }
  TMidiMode Mode() override { return FPlayer.GetMode(); }

private:
  TMyMidi& FPlayer;
};

// Seconds as the panel shows them: "0:09", "0:59", "1:00", "1:00:00".
std::string PanelTimeText(int seconds);
// The state text the panel shows for a mode ("Idle" for open, other and no device).
std::string ModeStateText(TMidiMode mode);

class TCDPanelP : public TPanel {
public:
  explicit TCDPanelP(TComponent* AOwner);
  ~TCDPanelP() override;

  // Links the player and starts the 300 ms poll of its mode (nullptr unlinks it).
  void SetPlayer(TMyMidi* player);
  // The same for any mode source (not owned).
  void SetModeSource(TPlayerModeSource* source);
  TPlayerModeSource* ModeSource() const { return FSource; }

  // Fills every value and lays the labels out. An empty status shows the program line
  // "Title  <index> of  <count>  in program"; any other status shows alone in its place.
  void ShowTuneInfo(const std::string& category, const std::string& artist, int totalSeconds,
                    int elapsedSeconds, int programCount, int programIndex,
                    const std::string& programStatus, const std::string& title);
  // Shows text in the state label; the poll leaves it there for the given seconds.
  void ShowStateMessage(const std::string& text, int seconds = 8);
  // From now on the state and program labels blink when they change.
  void StartFlashing();
  // One poll of the player's mode (the poll timer calls it every 300 ms).
  void Poll();
  void LayoutLabels();
  // What the panel shows, a line each: category, artist, title, the program line (or the status
  // alone), the state, and the elapsed and total time. Other programs get it as the window's
  // text, so that screen readers and tests can read the panel.
  std::string ShownText() const;
  void WndProc(TMessage& message) override;

  TTimer* PollTimer() const { return FPollTimer; }
  TTimer* MessageTimer() const { return FMessageTimer; }
  bool MessageShowing() const { return FMessageTimer->Enabled(); }

  TLabel* CategoryCaption() const { return FCategoryCaption; }
  TLabel* ArtistCaption() const { return FArtistCaption; }
  TLabel* TitleCaption() const { return FTitleCaption; }
  TLabel* ProgramPrefix() const { return FProgramPrefix; }
  TLabel* ProgramMiddle() const { return FProgramMiddle; }
  TLabel* ProgramSuffix() const { return FProgramSuffix; }
  TFlashLabel* CategoryLabel() const { return FCategory; }
  TFlashLabel* ArtistLabel() const { return FArtist; }
  TFlashLabel* TitleLabel() const { return FTitle; }
  TFlashLabel* StateLabel() const { return FState; }
  TFlashLabel* ProgramIndexLabel() const { return FProgramIndex; }
  TFlashLabel* ProgramCountLabel() const { return FProgramCount; }
  TFlashLabel* ProgramStatusLabel() const { return FProgramStatus; }
  TFlashLabel* ElapsedLabel() const { return FElapsed; }
  TFlashLabel* TotalLabel() const { return FTotal; }

protected:
  void Resize() override;

private:
  TLabel* MakeLabel(const std::string& text, const std::string& fontName, TColor color);
  TFlashLabel* MakeFlashLabel(TColor onColor, TColor offColor, int duration, bool fixedWidth);

  TLabel *FCategoryCaption = nullptr, *FArtistCaption = nullptr, *FTitleCaption = nullptr;
  TLabel *FProgramPrefix = nullptr, *FProgramMiddle = nullptr, *FProgramSuffix = nullptr;
  TFlashLabel *FCategory = nullptr, *FArtist = nullptr, *FTitle = nullptr, *FState = nullptr;
  TFlashLabel *FProgramIndex = nullptr, *FProgramCount = nullptr, *FProgramStatus = nullptr;
  TFlashLabel *FElapsed = nullptr, *FTotal = nullptr;
  TTimer* FMessageTimer = nullptr;
  TTimer* FPollTimer = nullptr;
  TPlayerModeSource* FSource = nullptr;
  std::unique_ptr<TMyMidiModeSource> FPlayerSource;
  bool FLabelsMade = false;
};
