// The program (play list): the master keys the main window plays through, one after the other.
#include "Program.h"
#include <chrono>
#include <random>
#include "SysUtils.h"

int TProgram::Keys(int line) const {
  return StrToIntDef(Trim(FLines[line]), -1);
}

int TProgram::AppendToProgram(const TStringList& keys) {
  for (int i = 0; i < keys.Count(); ++i)
    FLines.Add(keys[i]);
  return FLines.Count();
}

int TProgram::InsertAtTopOfProgram(const TStringList& keys) {
  for (int i = 0; i < keys.Count(); ++i)
    FLines.Insert(i, keys[i]);
  return FLines.Count();
}

void TProgram::RemoveKeyFromProgram(int key) {
  for (int line = FLines.Count() - 1; line >= 0; --line) {
    int value = 0;
    if (TryStrToInt(Trim(FLines[line]), value) && value == key) DeleteLine(line);
  }
}

void TProgram::DeleteLine(int line) {
  if (line < 0 || line >= FLines.Count()) return;
  FLines.Delete(line);
  if (line <= FIndex) --FIndex;
}

void TProgram::EraseProgram() {
  FLines.Clear();
  FIndex = -1;
  FPlaying = false;
}

void TProgram::ShuffleProgram() {
  if (FLines.Count() == 0) return;
  std::string formerFirst = Trim(FLines[0]);
  TStringList work;
  for (int i = FLines.Count() - 1; i >= 0; --i)
    work.Add(FLines[i]);
  std::mt19937 random(
      static_cast<uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count() ^
                            std::random_device{}()));
  TStringList result;
  while (work.Count() >= 2) {
    int pick = std::uniform_int_distribution<int>(0, work.Count() - 1)(random);
    result.Add(work[pick]);
    work.Delete(pick);
  }
  result.Add(work[0]);
  CopyStrings(result, FLines);
  if (FLines.Count() >= 2 && Trim(FLines[0]) == formerFirst) FLines.Exchange(0, 1);
}

void TProgram::UpdateStatusText() {
  FStatusText = "Title " + IntToStr(FIndex + 1) + " of " + IntToStr(FLines.Count()) + " in program";
}

bool TProgram::StepProgram(bool forward) {
  FPlayer.LetMessagesRun();
  if (FPlayer.Aborted()) {
    EraseProgram();
    FPlayer.SetPlayerTimer(false);
    return false;
  }
  if (FLines.Count() == 0) return false;
  const int formerIndex = FIndex;
  const int formerKey = FKeyPlaying;
  FPlayer.SetPlayerTimer(false);

  bool played = false;
  bool endOfProgram = false;
  // A title that fails leaves the program, so one try per line reaches every title; the bound
  // also ends the round when the road fails without taking the title out.
  for (int tries = FLines.Count(); tries > 0 && FLines.Count() > 0; --tries) {
    const int count = FLines.Count();
    if (forward) {
      ++FIndex;
      if (FIndex >= count && !FPlayer.Looping()) endOfProgram = true;
      if (FIndex >= count || FIndex < 0) FIndex = 0;
    } else {
      --FIndex;
      if (FIndex < 0 || FIndex >= count) FIndex = count - 1;
    }
    FKeyPlaying = Keys(FIndex);
    FPlaying = true;
    UpdateStatusText();

    FStepping = true;
    bool ok = FPlayer.PlayFromMasterKey(FKeyPlaying);
    FStepping = false;
    if (ok) {
      played = true;
      break;
    }
    if (FPlayer.StartFailed()) {
      FIndex = formerIndex;
      FKeyPlaying = formerKey;
      UpdateStatusText();
      break;
    }
    if (FPlayer.Aborted()) break;
    // The failed title left the program and the index now stands on the title before it; a step
    // back must play that one, not skip it.
    if (!forward && FLines.Count() < count) ++FIndex;
  }

  FPlayer.SetPlayerTimer(true);
  if (played) FPlayer.SettleAfterStart(endOfProgram);
  FPlayer.ProgramChanged();
  return played;
}

void TProgram::PlayAtTop(const TStringList& keys) {
  if (keys.Count() == 0) return;
  InsertAtTopOfProgram(keys);
  FIndex = -1;
  StepProgram(true);
}

void TProgram::PlayAtBottom(const TStringList& keys) {
  if (keys.Count() == 0) return;
  AppendToProgram(keys);
  if (!FPlaying) {
    FIndex = -1;
    StepProgram(true);
  } else {
    FPlayer.ProgramChanged();
  }
}

void TProgram::ReplaceAndPlay(const TStringList& keys) {
  if (keys.Count() == 0) return;
  EraseProgram();
  PlayAtTop(keys);
}

void TProgram::ShuffleAndPlay() {
  if (!FPlaying) return;
  ShuffleProgram();
  FIndex = -1;
  StepProgram(true);
}

TPlayPopUpItems TProgram::PlayPopUpItems() const {
  TPlayPopUpItems items;
  items.TopCaption = FPlaying ? "PLAY: &Top of program" : "&PLAY";
  items.BottomVisible = FPlaying;
  items.ReplaceVisible = items.BottomVisible;
  // Of the first four items (top, bottom, replace, cancel) top and cancel are always shown.
  int visible = 2 + (items.BottomVisible ? 1 : 0) + (items.ReplaceVisible ? 1 : 0);
  items.ChooseTopAtOnce = visible < 3;
  return items;
}

int TProgram::CopyStrings(const TStringList& source, TStringList& target) {
  target.Clear();
  for (int i = 0; i < source.Count(); ++i)
    target.Add(source[i]);
  return target.Count();
}
