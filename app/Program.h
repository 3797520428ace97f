// The program (play list): the master keys the main window plays through, one after the other.
#pragma once
#include <string>
#include "Classes.h"

// What the program needs of the main window to play its titles. The main window implements it
// over the play road, the player timer and its menu; tests use a stand-in.
class TProgramPlayer {
public:
  virtual ~TProgramPlayer() = default;
  // Starts the title of key; true when it plays. A title that cannot be played is taken out of
  // the program by the road itself (TProgram::RemoveKeyFromProgram), unless the start only gave
  // up waiting for a busy import or start (StartFailed).
  virtual bool PlayFromMasterKey(int key) = 0;
  // The last failed start gave up waiting for a busy flag; the former title plays on.
  virtual bool StartFailed() const = 0;
  // The program-wide abort flag (shutdown, end of the Windows session).
  virtual bool Aborted() const = 0;
  // Menu item Looping1: the program starts again after its last title.
  virtual bool Looping() const = 0;
  // Lets pending window messages run.
  virtual void LetMessagesRun() {}
  // Switches the 100 ms player timer.
  virtual void SetPlayerTimer(bool /*enabled*/) {}
  // After a title was started: let it get going; pauseAtStart when the program ran out without
  // looping, so that it rests on its first title, paused.
  virtual void SettleAfterStart(bool /*pauseAtStart*/) {}
  // The program or its index changed: the viewer refreshes when it is visible.
  virtual void ProgramChanged() {}
};

// What the play pop-up shows: while a program plays, top, bottom and replace; otherwise only
// "&PLAY", which is then chosen at once without showing the pop-up.
struct TPlayPopUpItems {
  std::string TopCaption;
  bool BottomVisible;
  bool ReplaceVisible;
  bool ChooseTopAtOnce; // fewer than three of the first four items are visible
};

// The ordered list of master keys, held as decimal text (the same key may stand more than once),
// with the index of the title playing (-1 before the first step) and the program-playing flag.
class TProgram {
public:
  explicit TProgram(TProgramPlayer& player) : FPlayer(player) {}
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  const TStringList& Lines() const { return FLines; }
  int Count() const { return FLines.Count(); }
  // The key of a line (its text trimmed, as an integer; -1 when it is not a number).
  int Keys(int line) const;
  int Index() const { return FIndex; }
  void SetIndex(int value) { FIndex = value; }
  // A program is being played through.
  bool Playing() const { return FPlaying; }
  void SetPlaying(bool value) { FPlaying = value; }
  // The key the last step started.
  int KeyPlaying() const { return FKeyPlaying; }
  // "Title n of m in program" after a step.
  const std::string& StatusText() const { return FStatusText; }
  // Set while a step starts its title.
  bool Stepping() const { return FStepping; }

  // Each key added at the end, in the list's order; answers the new count.
  int AppendToProgram(const TStringList& keys);
  // The keys at the top in their own order, ahead of the former lines; answers the new count.
  int InsertAtTopOfProgram(const TStringList& keys);
  // Deletes every line of key; the index goes down by one for each deleted line at or before
  // it, so that the next forward step plays the title that followed.
  void RemoveKeyFromProgram(int key);
  // Deletes one line (the viewer's Delete key), moving the index the same way.
  void DeleteLine(int line);
  // Empties the program and clears the playing flag; the title playing plays on.
  void EraseProgram();
  // Reorders the lines at random; the former first title is never first when there are two or
  // more lines.
  void ShuffleProgram();
  // Moves one title forward or back, wrapping at either end, and plays it; a title that fails
  // leaves the program and the step moves on. Forward past the last title without looping
  // starts the first title paused. Answers whether a title plays.
  bool StepProgram(bool forward);

  // The play commands. Top: the keys at the top, the first of them played at once.
  void PlayAtTop(const TStringList& keys);
  // Bottom: the keys appended; play starts at the first title only when no program plays.
  void PlayAtBottom(const TStringList& keys);
  // Replace: the program erased, then as top.
  void ReplaceAndPlay(const TStringList& keys);
  // Shuffle while a program plays, then play the new first title.
  void ShuffleAndPlay();
  // What the play pop-up offers now.
  TPlayPopUpItems PlayPopUpItems() const;

  // Clears target and adds every line of source; answers the count.
  static int CopyStrings(const TStringList& source, TStringList& target);

private:
  void UpdateStatusText();

  TProgramPlayer& FPlayer;
  TStringList FLines;
  int FIndex = -1;
  bool FPlaying = false;
  int FKeyPlaying = -1;
  bool FStepping = false;
  std::string FStatusText;
};
