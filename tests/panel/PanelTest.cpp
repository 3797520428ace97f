// The player's display panel: state texts from a driven mode source, state messages, blink runs,
// shortened long texts, the layout and what the panel paints.
#include <gtest/gtest.h>
#include "CDPanel.h"
#include "Forms.h"
#include "Messages.h"
#include "TestCapture.h"
#include <atomic>
#include <thread>

namespace {

// A player whose mode the test sets; it can also be repositioning or fail to answer.
struct TStandInMode : TPlayerModeSource {
  TMidiMode Current = mdNotReady;
  bool Moving = false;
  bool Fails = false;
  std::function<void()> OnAsked;
  bool Repositioning() override { return Moving; }
  TMidiMode Mode() override {
    if (OnAsked) OnAsked();
    if (Fails) throw EMyMidi("could not get mode information");
    return Current;
  }
};

struct PanelFixture : testing::Test {
  TForm Form{nullptr};
  TCDPanelP* Panel = nullptr;
  TStandInMode Source;
  void SetUp() override {
    Form.SetBounds(40, 40, 600, 120);
    Panel = new TCDPanelP(&Form);
    Panel->SetBounds(0, 0, 560, 56);
    Panel->SetParent(&Form);
    Form.Show();
    ProcessMessages();
  }
  std::string State() const { return Panel->StateLabel()->Caption(); }
};

// Colour changes of one blink run, ticked by hand so that no wall clock is involved. Every tick
// swaps the colour; the last one ends the run, which puts the resting colour back at once.
int CountBlinkSteps(TFlashLabel& label) {
  int steps = 0;
  for (int guard = 0; label.Flashing() && guard < 1000; ++guard) {
    TColor before = label.Font().Color();
    label.FlashTimer()->OnTimer(label.FlashTimer());
    ++steps;
    if (label.Flashing()) {
      EXPECT_NE(label.Font().Color(), before) << "tick " << steps;
    }
  }
  return steps;
}

RECT Bounds(TControl* c) {
  return c->BoundsRect();
}
bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

TEST(PanelTimeText, SecondsMinutesAndHours) {
  EXPECT_EQ(PanelTimeText(0), "0:00");
  EXPECT_EQ(PanelTimeText(9), "0:09");
  EXPECT_EQ(PanelTimeText(59), "0:59");
  EXPECT_EQ(PanelTimeText(60), "1:00");
  EXPECT_EQ(PanelTimeText(605), "10:05");
  EXPECT_EQ(PanelTimeText(3600), "1:00:00");
  EXPECT_EQ(PanelTimeText(3600 + 9 * 60 + 7), "1:09:07");
}

TEST_F(PanelFixture, StartsEmptyWithNoProgram) {
  EXPECT_EQ(Panel->CategoryLabel()->FullText(), "...");
  EXPECT_EQ(Panel->TitleLabel()->Caption(), "...");
  EXPECT_EQ(Panel->ElapsedLabel()->Caption(), "0:00");
  EXPECT_EQ(Panel->ProgramStatusLabel()->Caption(), "No program");
  EXPECT_EQ(Panel->CategoryCaption()->Caption(), "Category");
  EXPECT_EQ(Panel->ProgramPrefix()->Caption(), "Title  ");
  EXPECT_EQ(Panel->ProgramSuffix()->Caption(), "  in program");
  EXPECT_EQ(Panel->Color(), clBlack);
  EXPECT_EQ(Panel->StateLabel()->Interval(), 300);
  EXPECT_EQ(Panel->MessageTimer()->Interval(), 8000u);
  EXPECT_FALSE(Panel->MessageShowing());
}

TEST_F(PanelFixture, EachModeGivesItsStateTextAfterOnePoll) {
  Panel->SetModeSource(&Source);
  const std::pair<TMidiMode, const char*> cases[] = {
      {mdPlaying, "Playing"}, {mdPaused, "Paused"},    {mdStopped, "Stopped"},
      {mdSeeking, "Seeking"}, {mdError, "MIDI Error"}, {mdOpen, "Idle"},
      {mdOther, "Idle"},      {mdNotReady, "Idle"},    {mdPlaying, "Playing"}};
  for (auto [mode, text] : cases) {
    Source.Current = mode;
    Panel->Poll();
    EXPECT_EQ(State(), text) << "mode " << mode;
  }
  // While the player repositions its mode is not asked and the state stays.
  Source.Moving = true;
  Source.Current = mdStopped;
  Panel->Poll();
  EXPECT_EQ(State(), "Playing");
  // A player that cannot answer shows an error; the poll itself raises nothing.
  Source.Moving = false;
  Source.Fails = true;
  Panel->Poll();
  EXPECT_EQ(State(), "MIDI Error");
  // Unlinked: idle.
  Panel->SetModeSource(nullptr);
  Panel->Poll();
  EXPECT_EQ(State(), "Idle");
}

TEST_F(PanelFixture, ThePollTimerFollowsThePlayerByItself) {
  Source.Current = mdPaused;
  Panel->SetModeSource(&Source);
  EXPECT_EQ(Panel->PollTimer()->Interval(), 300u);
  EXPECT_TRUE(PumpUntil([&] { return State() == "Paused"; }, 10000));
  Source.Current = mdPlaying;
  EXPECT_TRUE(PumpUntil([&] { return State() == "Playing"; }, 10000));
}

TEST_F(PanelFixture, ARealPlayerWithoutADeviceShowsIdle) {
  TMyMidi player;
  Panel->SetPlayer(&player);
  Panel->ShowStateMessage("x", 1);
  Panel->MessageTimer()->OnTimer(Panel->MessageTimer());
  Panel->Poll();
  EXPECT_EQ(State(), "Idle");
  Panel->SetPlayer(nullptr);
}

TEST_F(PanelFixture, AStateMessageHoldsAgainstThePollThenTheModeReturns) {
  Source.Current = mdPlaying;
  Panel->SetModeSource(&Source);
  Panel->Poll();
  Panel->ShowStateMessage("  MIDI device unavailable ");
  EXPECT_EQ(State(), "MIDI device unavailable");
  EXPECT_TRUE(Panel->MessageShowing());
  EXPECT_EQ(Panel->MessageTimer()->Interval(), 8000u);
  for (int i = 0; i < 20; ++i)
    Panel->Poll();
  EXPECT_EQ(State(), "MIDI device unavailable");
  // The message timer's tick ends the hold; the next poll brings the mode back.
  Panel->MessageTimer()->OnTimer(Panel->MessageTimer());
  EXPECT_FALSE(Panel->MessageShowing());
  EXPECT_EQ(State(), "MIDI device unavailable");
  Panel->Poll();
  EXPECT_EQ(State(), "Playing");
}

TEST_F(PanelFixture, AStateMessageEndsByItsOwnTimer) {
  Source.Current = mdStopped;
  bool overwrittenWhileHeld = false;
  Source.OnAsked = [&] {
    if (Panel->MessageShowing() && State() != "Saved") overwrittenWhileHeld = true;
  };
  Panel->SetModeSource(&Source);
  Panel->ShowStateMessage("Saved", 2);
  EXPECT_TRUE(PumpUntil([&] { return State() == "Stopped"; }, 20000));
  EXPECT_FALSE(overwrittenWhileHeld);
  EXPECT_FALSE(Panel->MessageShowing());
}

TEST(FlashLabel, BlinkRunsLastTheirDurationAndEndAtRest) {
  TFlashLabel label(nullptr);
  EXPECT_EQ(label.Interval(), 350);
  label.SetInterval(0);
  EXPECT_EQ(label.Interval(), 350);
  label.SetInterval(300);
  label.SetOnColor(clAqua);
  label.SetOffColor(clBlack);
  label.SetCanFlash(true);

  label.SetDuration(3000);
  label.SetCaption("one");
  ASSERT_TRUE(label.Flashing());
  EXPECT_EQ(CountBlinkSteps(label), 11);
  EXPECT_FALSE(label.Flashing());
  EXPECT_EQ(label.Font().Color(), clAqua);

  label.SetDuration(4000);
  label.SetCaption("two");
  EXPECT_EQ(CountBlinkSteps(label), 14);
  EXPECT_EQ(label.Font().Color(), clAqua);

  // The same text again starts nothing, and does not restart a run under way.
  label.SetCaption("two");
  EXPECT_FALSE(label.Flashing());
  label.SetCaption("three");
  for (int i = 0; i < 3; ++i)
    label.FlashTimer()->OnTimer(label.FlashTimer());
  label.SetCaption("three");
  EXPECT_EQ(label.TickCount(), 3);
  EXPECT_EQ(CountBlinkSteps(label), 11);

  // Without CanFlash a change only changes the text.
  label.SetCanFlash(false);
  label.SetCaption("four");
  EXPECT_FALSE(label.Flashing());
  EXPECT_EQ(label.Caption(), "four");
}

TEST_F(PanelFixture, OnlyStateAndProgramLabelsBlinkAndARealRunEnds) {
  Panel->ShowStateMessage("Before");
  EXPECT_FALSE(Panel->StateLabel()->Flashing()); // not before StartFlashing
  Panel->StartFlashing();
  Panel->ShowTuneInfo("Jazz", "Monk, T.", 200, 5, 12, 3, "", "Blue");
  EXPECT_TRUE(Panel->ProgramIndexLabel()->Flashing());
  EXPECT_TRUE(Panel->ProgramCountLabel()->Flashing());
  EXPECT_TRUE(Panel->ProgramStatusLabel()->Flashing());
  EXPECT_FALSE(Panel->CategoryLabel()->Flashing());
  EXPECT_FALSE(Panel->TitleLabel()->Flashing());
  EXPECT_FALSE(Panel->ElapsedLabel()->Flashing());
  EXPECT_FALSE(Panel->TotalLabel()->Flashing());
  Panel->ShowStateMessage("After");
  EXPECT_TRUE(Panel->StateLabel()->Flashing());
  // Left to its own timer the run ends, at its resting yellow.
  EXPECT_TRUE(PumpUntil([&] { return !Panel->StateLabel()->Flashing(); }, 30000));
  EXPECT_EQ(Panel->StateLabel()->Font().Color(), clYellow);
  // Ticks of the player timer with unchanged values start nothing new.
  PumpUntil([&] { return !Panel->ProgramIndexLabel()->Flashing(); }, 30000);
  Panel->ShowTuneInfo("Jazz", "Monk, T.", 200, 6, 12, 3, "", "Blue");
  EXPECT_FALSE(Panel->ProgramIndexLabel()->Flashing());
}

TEST_F(PanelFixture, LabelsStandWhereTheLayoutPutsThem) {
  Panel->ShowTuneInfo("Jazz", "Monk, T.", 4000, 65, 12, 3, "", "Blue Monk");
  const int right = Panel->Width() - 10;
  EXPECT_EQ(Panel->CategoryCaption()->Left(), 10);
  EXPECT_EQ(Panel->CategoryCaption()->Top(), 3);
  EXPECT_EQ(Panel->ArtistCaption()->Top(), 19);
  EXPECT_EQ(Panel->TitleCaption()->Top(), 35);
  EXPECT_EQ(Panel->CategoryLabel()->Left(), 65);
  EXPECT_EQ(Panel->TitleLabel()->Top(), 35);
  auto rightEdge = [](TControl* c) { return c->Left() + c->Width(); };
  EXPECT_EQ(rightEdge(Panel->StateLabel()), right);
  EXPECT_EQ(Panel->StateLabel()->Top(), 3);
  // The program line, right to left: suffix, count, middle, index, prefix.
  EXPECT_EQ(Panel->ProgramCountLabel()->Caption(), "12");
  EXPECT_EQ(Panel->ProgramIndexLabel()->Caption(), "3");
  EXPECT_EQ(rightEdge(Panel->ProgramSuffix()), right);
  EXPECT_EQ(rightEdge(Panel->ProgramCountLabel()), Panel->ProgramSuffix()->Left());
  EXPECT_EQ(rightEdge(Panel->ProgramMiddle()), Panel->ProgramCountLabel()->Left());
  EXPECT_EQ(rightEdge(Panel->ProgramIndexLabel()), Panel->ProgramMiddle()->Left());
  EXPECT_EQ(rightEdge(Panel->ProgramPrefix()), Panel->ProgramIndexLabel()->Left());
  EXPECT_EQ(Panel->ProgramPrefix()->Top(), 19);
  EXPECT_TRUE(Panel->ProgramPrefix()->Visible());
  EXPECT_FALSE(Panel->ProgramStatusLabel()->Visible());
  // Times on the third line.
  EXPECT_EQ(Panel->TotalLabel()->Caption(), "1:06:40");
  EXPECT_EQ(Panel->ElapsedLabel()->Caption(), "1:05");
  EXPECT_EQ(rightEdge(Panel->TotalLabel()), right);
  EXPECT_EQ(rightEdge(Panel->ElapsedLabel()), Panel->TotalLabel()->Left() - 20);
  EXPECT_EQ(Panel->TotalLabel()->Top(), 35);
  // The value labels reach up to 20 short of their right-hand neighbours.
  EXPECT_EQ(rightEdge(Panel->TitleLabel()), Panel->ElapsedLabel()->Left() - 20);
  EXPECT_EQ(rightEdge(Panel->ArtistLabel()), Panel->ProgramPrefix()->Left() - 20);
  EXPECT_EQ(rightEdge(Panel->CategoryLabel()), Panel->StateLabel()->Left() - 20);

  // A status text stands alone in the program line.
  Panel->ShowTuneInfo("Jazz", "Monk, T.", 4000, 65, 12, 3, "No program", "Blue Monk");
  EXPECT_TRUE(Panel->ProgramStatusLabel()->Visible());
  for (TControl* c : std::initializer_list<TControl*>{
           Panel->ProgramPrefix(), Panel->ProgramMiddle(), Panel->ProgramSuffix(),
           Panel->ProgramIndexLabel(), Panel->ProgramCountLabel()})
    EXPECT_FALSE(c->Visible());
  EXPECT_EQ(rightEdge(Panel->ProgramStatusLabel()), right);
  EXPECT_EQ(rightEdge(Panel->ArtistLabel()), Panel->ProgramStatusLabel()->Left() - 20);

  // A wider panel moves the right-hand labels with its edge.
  Panel->SetWidth(700);
  EXPECT_EQ(rightEdge(Panel->StateLabel()), 690);
  EXPECT_EQ(rightEdge(Panel->TotalLabel()), 690);
}

TEST_F(PanelFixture, ALongTitleIsShortenedAndMovesNothingElse) {
  Panel->ShowTuneInfo("Jazz", "Monk, T.", 200, 5, 12, 3, "", "Blue Monk");
  EXPECT_EQ(Panel->TitleLabel()->Caption(), "Blue Monk");
  std::vector<RECT> before;
  std::vector<TControl*> all;
  for (int i = 0; i < Panel->ControlCount(); ++i)
    all.push_back(Panel->Controls(i));
  for (TControl* c : all)
    before.push_back(Bounds(c));

  const std::string longTitle =
      "Variations on a Theme That Goes On and On Through Every Key of the Keyboard, Twice";
  Panel->ShowTuneInfo("Jazz", "Monk, T.", 200, 5, 12, 3, "", longTitle);
  TFlashLabel* title = Panel->TitleLabel();
  const std::string shown = title->Caption();
  ASSERT_GT(shown.size(), 3u);
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  EXPECT_EQ(longTitle.compare(0, shown.size() - 3, shown, 0, shown.size() - 3), 0);
  EXPECT_EQ(title->FullText(), longTitle);
  TBitmap probe(1, 1);
  probe.Canvas().Font().Assign(title->Font());
  EXPECT_LE(probe.Canvas().TextWidth(shown), title->Width());
  EXPECT_GT(probe.Canvas().TextWidth(shown + "..."), title->Width());
  for (size_t i = 0; i < all.size(); ++i)
    EXPECT_TRUE(SameRect(Bounds(all[i]), before[i])) << "label " << i << " moved";

  // Long category and artist texts are shortened the same way; the short title comes back whole.
  Panel->ShowTuneInfo(longTitle, longTitle, 200, 5, 12, 3, "", "Blue Monk");
  EXPECT_EQ(Panel->TitleLabel()->Caption(), "Blue Monk");
  EXPECT_EQ(Panel->CategoryLabel()->Caption().substr(Panel->CategoryLabel()->Caption().size() - 3),
            "...");
  EXPECT_EQ(Panel->ArtistLabel()->Caption().substr(Panel->ArtistLabel()->Caption().size() - 3),
            "...");
  // A panel too narrow for any value text leaves the labels empty-width, never negative.
  Panel->SetWidth(120);
  EXPECT_GE(Panel->TitleLabel()->Width(), 0);
}

TEST_F(PanelFixture, PaintsColouredTextOnBlack) {
  Panel->ShowTuneInfo("Jazz", "Monk, T.", 200, 5, 12, 3, "", "Blue Monk");
  Panel->ShowStateMessage("Playing");
  ProcessMessages();
  TBitmap shot;
  CaptureControl(*Panel, shot);
  EXPECT_EQ(shot.Pixel(2, 2), clBlack);
  EXPECT_EQ(shot.Pixel(Panel->Width() - 3, Panel->Height() - 3), clBlack);
  EXPECT_EQ(shot.Pixel(Panel->Width() / 2, 52), clBlack);
  auto count = [&](TControl* c, TColor colour) {
    int n = 0;
    for (int y = c->Top(); y < c->Top() + c->Height(); ++y)
      for (int x = c->Left(); x < c->Left() + c->Width(); ++x)
        if (shot.Pixel(x, y) == colour) ++n;
    return n;
  };
  EXPECT_GT(count(Panel->CategoryCaption(), clSilver), 0);
  EXPECT_GT(count(Panel->TitleLabel(), clAqua), 0);
  EXPECT_GT(count(Panel->StateLabel(), clYellow), 0);
  EXPECT_GT(count(Panel->ElapsedLabel(), clYellow), 0);
  EXPECT_EQ(count(Panel->StateLabel(), clWhite), 0);
}

TEST_F(PanelFixture, AnotherThreadReadsWhatItShowsWhileItsOwnCaptionStaysEmpty) {
  Panel->ShowTuneInfo("Jazz", "Monk, T.", 200, 65, 12, 3, "", "Blue Monk");
  Panel->ShowStateMessage("Playing");
  auto read = [&] {
    std::string text;
    std::atomic<bool> done{false};
    std::thread reader([&] {
      char buf[512] = {};
      SendMessageA(Panel->Handle(), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
      text = buf;
      done = true;
    });
    // This thread's pump answers the reader.
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    reader.join();
    return text;
  };
  EXPECT_EQ(read(), "Category: Jazz\r\nArtist: Monk, T.\r\nTitle: Blue Monk\r\n"
                    "Title 3 of 12 in program\r\nPlaying\r\n1:05 of 3:20\r\n");
  Panel->ShowTuneInfo("None", "None", 0, 0, 0, 0, "No program", "None");
  EXPECT_EQ(read(), "Category: None\r\nArtist: None\r\nTitle: None\r\nNo program\r\nPlaying\r\n"
                    "0:00 of 0:00\r\n");
  // The panel paints its caption: that stays empty.
  EXPECT_EQ(Panel->Caption(), "");
}
