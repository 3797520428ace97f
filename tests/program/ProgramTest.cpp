// The play list as a user meets it: order after top, bottom and replace; stepping with wrap and
// looping; shuffle rounds; titles that leave the program while it plays.
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include <vector>
#include "Program.h"
#include "SysUtils.h"

namespace {

// Stands in for the play road: records which titles started and how each start settled.
class TFakePlayer : public TProgramPlayer {
public:
  TProgram* Program = nullptr;
  std::set<int> Broken; // titles whose file cannot be played: the road takes them out
  bool DeviceBusyTimeout = false;
  bool LoopingOn = true;
  bool Abort = false;
  std::vector<int> Started;
  std::vector<bool> Settled; // pauseAtStart of each settled start
  int Refreshes = 0;

  bool PlayFromMasterKey(int key) override {
    FStartFailed = false;
    if (DeviceBusyTimeout) {
      FStartFailed = true;
      return false;
    }
    if (Broken.count(key)) {
      Program->RemoveKeyFromProgram(key);
      return false;
    }
    Started.push_back(key);
    return true;
  }
  bool StartFailed() const override { return FStartFailed; }
  bool Aborted() const override { return Abort; }
  bool Looping() const override { return LoopingOn; }
  void SettleAfterStart(bool pauseAtStart) override { Settled.push_back(pauseAtStart); }
  void ProgramChanged() override { ++Refreshes; }

private:
  bool FStartFailed = false;
};

TStringList Keys(std::initializer_list<int> keys) {
  TStringList list;
  for (int k : keys)
    list.Add(IntToStr(k));
  return list;
}

std::vector<int> Order(const TProgram& p) {
  std::vector<int> r;
  for (int i = 0; i < p.Count(); ++i)
    r.push_back(p.Keys(i));
  return r;
}

class ProgramTest : public testing::Test {
protected:
  ProgramTest() : program(player) { player.Program = &program; }
  TFakePlayer player;
  TProgram program;
};

} // namespace

TEST_F(ProgramTest, TopBottomAndReplaceGiveTheOrderTheUserAskedFor) {
  // Nothing plays: the pop-up is skipped and top is chosen at once.
  TPlayPopUpItems idle = program.PlayPopUpItems();
  EXPECT_EQ(idle.TopCaption, "&PLAY");
  EXPECT_FALSE(idle.BottomVisible);
  EXPECT_TRUE(idle.ChooseTopAtOnce);

  // Bottom with no program playing starts at the first title.
  program.PlayAtBottom(Keys({1, 2, 3, 4, 5}));
  EXPECT_EQ(player.Started, std::vector<int>({1}));
  EXPECT_TRUE(program.Playing());
  EXPECT_EQ(program.StatusText(), "Title 1 of 5 in program");

  TPlayPopUpItems busy = program.PlayPopUpItems();
  EXPECT_EQ(busy.TopCaption, "PLAY: &Top of program");
  EXPECT_TRUE(busy.BottomVisible);
  EXPECT_TRUE(busy.ReplaceVisible);
  EXPECT_FALSE(busy.ChooseTopAtOnce);

  // Three keys at the top stand first, in their order, and the first of them plays at once.
  program.PlayAtTop(Keys({6, 7, 8}));
  EXPECT_EQ(Order(program), std::vector<int>({6, 7, 8, 1, 2, 3, 4, 5}));
  EXPECT_EQ(program.Index(), 0);
  EXPECT_EQ(player.Started.back(), 6);

  // Bottom while a program plays only appends (the viewer is told); the same key may stand twice.
  int refreshes = player.Refreshes;
  program.PlayAtBottom(Keys({9, 6}));
  EXPECT_GT(player.Refreshes, refreshes);
  EXPECT_EQ(Order(program), std::vector<int>({6, 7, 8, 1, 2, 3, 4, 5, 9, 6}));
  EXPECT_EQ(player.Started.back(), 6);
  EXPECT_EQ(player.Started.size(), 2u);

  // Replace erases and plays the new keys from the top.
  program.ReplaceAndPlay(Keys({42, 43}));
  EXPECT_EQ(Order(program), std::vector<int>({42, 43}));
  EXPECT_EQ(program.KeyPlaying(), 42);
  EXPECT_EQ(program.StatusText(), "Title 1 of 2 in program");

  // Erase empties the program; no new title is started.
  program.EraseProgram();
  EXPECT_EQ(program.Count(), 0);
  EXPECT_FALSE(program.Playing());
  EXPECT_FALSE(program.StepProgram(true));
  EXPECT_EQ(player.Started.size(), 3u);
}

TEST_F(ProgramTest, SteppingWrapsAtBothEndsAndStopsWithoutLooping) {
  program.PlayAtBottom(Keys({1, 2, 3}));
  program.StepProgram(true);
  program.StepProgram(true);
  // Looping: past the last title the first plays again, not paused.
  program.StepProgram(true);
  EXPECT_EQ(player.Started, std::vector<int>({1, 2, 3, 1}));
  EXPECT_EQ(player.Settled, std::vector<bool>({false, false, false, false}));
  // Back from the first title goes to the last.
  program.StepProgram(false);
  EXPECT_EQ(program.KeyPlaying(), 3);
  EXPECT_EQ(program.Index(), 2);
  EXPECT_EQ(program.StatusText(), "Title 3 of 3 in program");

  // Without looping the program ends on its first title, paused at its start.
  player.LoopingOn = false;
  program.StepProgram(true);
  EXPECT_EQ(program.KeyPlaying(), 1);
  EXPECT_EQ(program.Index(), 0);
  EXPECT_TRUE(player.Settled.back());
  EXPECT_TRUE(program.Playing());

  // One title without looping: forward reaches the end, comes back to it and pauses.
  program.ReplaceAndPlay(Keys({77}));
  player.Settled.clear();
  EXPECT_TRUE(program.StepProgram(true));
  EXPECT_EQ(program.KeyPlaying(), 77);
  EXPECT_EQ(player.Settled, std::vector<bool>({true}));
}

TEST_F(ProgramTest, ShuffleVisitsEveryTitleOncePerRound) {
  program.PlayAtBottom(Keys({1, 2, 3, 4, 5, 6, 7, 8, 9, 9}));
  for (int round = 0; round < 40; ++round) {
    int formerFirst = program.Keys(0);
    player.Started.clear();
    program.ShuffleAndPlay();
    // A title that stands twice may come first again through its second line.
    if (formerFirst != 9) {
      EXPECT_NE(program.Keys(0), formerFirst) << "the former first title came first again";
    }
    for (int i = 1; i < program.Count(); ++i)
      program.StepProgram(true);
    std::vector<int> visited = player.Started;
    std::sort(visited.begin(), visited.end());
    EXPECT_EQ(visited, std::vector<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 9}));
    // The next step begins the next round with the shuffled first title.
    program.StepProgram(true);
    EXPECT_EQ(program.KeyPlaying(), program.Keys(0));
  }

  // Two titles always swap; one title stays.
  program.ReplaceAndPlay(Keys({5, 6}));
  for (int i = 0; i < 10; ++i) {
    program.ShuffleProgram();
    EXPECT_EQ(Order(program), (i % 2 == 0) ? std::vector<int>({6, 5}) : std::vector<int>({5, 6}));
  }
  program.ReplaceAndPlay(Keys({5}));
  program.ShuffleProgram();
  EXPECT_EQ(Order(program), std::vector<int>({5}));

  // Shuffle-and-play does nothing while no program plays.
  program.EraseProgram();
  program.AppendToProgram(Keys({1, 2}));
  player.Started.clear();
  program.ShuffleAndPlay();
  EXPECT_EQ(Order(program), std::vector<int>({1, 2}));
  EXPECT_TRUE(player.Started.empty());
}

TEST_F(ProgramTest, RemovingTitlesKeepsTheRightNextTitle) {
  program.PlayAtBottom(Keys({1, 2, 3, 4, 5}));
  program.StepProgram(true);
  program.StepProgram(true); // 3 plays, index 2
  // Removing the title playing: the next step plays the one that followed it.
  program.RemoveKeyFromProgram(3);
  EXPECT_EQ(Order(program), std::vector<int>({1, 2, 4, 5}));
  program.StepProgram(true);
  EXPECT_EQ(program.KeyPlaying(), 4);

  // A key standing twice goes twice; the index moves down once per removed line at or before it.
  program.ReplaceAndPlay(Keys({7, 1, 7, 2, 7}));
  program.StepProgram(true);
  program.StepProgram(true);
  program.StepProgram(true); // index 3, key 2
  program.RemoveKeyFromProgram(7);
  EXPECT_EQ(Order(program), std::vector<int>({1, 2}));
  EXPECT_EQ(program.Index(), 1);
  EXPECT_EQ(program.Keys(program.Index()), 2);

  // The viewer's delete of the last line while it plays: the next step is the end of the round.
  program.DeleteLine(1);
  EXPECT_EQ(program.Index(), 0);
  program.StepProgram(true);
  EXPECT_EQ(program.KeyPlaying(), 1);
}

TEST_F(ProgramTest, TitlesThatCannotPlayLeaveTheProgramAndTheStepMovesOn) {
  program.PlayAtBottom(Keys({1, 2, 3, 4, 5}));
  program.StepProgram(true);
  program.StepProgram(true); // 3 plays
  player.Broken = {4, 5};
  // Forward skips both broken titles and wraps to the first.
  EXPECT_TRUE(program.StepProgram(true));
  EXPECT_EQ(program.KeyPlaying(), 1);
  EXPECT_EQ(Order(program), std::vector<int>({1, 2, 3}));

  // Back over a broken title plays the one before it, not the one before that.
  program.ReplaceAndPlay(Keys({1, 2, 3, 4}));
  program.StepProgram(true);
  program.StepProgram(true); // 3 plays
  player.Broken = {2};
  EXPECT_TRUE(program.StepProgram(false));
  EXPECT_EQ(program.KeyPlaying(), 1);
  // And back over a broken first title wraps to the last.
  program.StepProgram(true); // 3
  player.Broken = {1};
  program.StepProgram(false);
  EXPECT_EQ(program.KeyPlaying(), 4);
  EXPECT_EQ(Order(program), std::vector<int>({3, 4}));

  // Nothing playable: the program empties, the step answers false and nothing is paused.
  player.Broken = {3, 4};
  size_t settled = player.Settled.size();
  EXPECT_FALSE(program.StepProgram(true));
  EXPECT_EQ(program.Count(), 0);
  EXPECT_EQ(player.Settled.size(), settled);
}

TEST_F(ProgramTest, BusyStartKeepsTheProgramAndAbortEmptiesIt) {
  program.PlayAtBottom(Keys({1, 2, 3}));
  program.StepProgram(true); // 2 plays
  player.DeviceBusyTimeout = true;
  EXPECT_FALSE(program.StepProgram(true));
  EXPECT_EQ(program.Index(), 1);
  EXPECT_EQ(program.KeyPlaying(), 2);
  EXPECT_EQ(program.StatusText(), "Title 2 of 3 in program");
  EXPECT_EQ(Order(program), std::vector<int>({1, 2, 3}));

  player.DeviceBusyTimeout = false;
  player.Abort = true;
  EXPECT_FALSE(program.StepProgram(true));
  EXPECT_EQ(program.Count(), 0);
  EXPECT_FALSE(program.Playing());
}

TEST(ProgramCopy, CopyStringsReplacesTheTarget) {
  TStringList source = Keys({3, 1, 3});
  TStringList target = Keys({9});
  EXPECT_EQ(TProgram::CopyStrings(source, target), 3);
  EXPECT_EQ(target.CommaText(), "3,1,3");
}
