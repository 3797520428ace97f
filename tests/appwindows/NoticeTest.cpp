// The device-busy notice: its text, showing over the main window, closing by its button or when
// another window takes the focus, and the quiet 2 s after its Close button.
#include <gtest/gtest.h>
#include "Messages.h"
#include "UnMIDICode.h"

namespace {

void PressClose(TUnMIDIFrm& notice) {
  SendMessageA(notice.BitBtn1->Handle(), BM_CLICK, 0, 0);
  ProcessMessages();
}

} // namespace

TEST(BusyNotice, ShowsItsTextOverTheMainWindowAndClosesByItsButton) {
  TForm mainWindow(nullptr);
  mainWindow.SetBounds(50, 60, 800, 600);
  mainWindow.Show();
  TUnMIDIFrm notice(nullptr);
  ASSERT_TRUE(notice.ShowNotice(&mainWindow));
  ProcessMessages();
  EXPECT_TRUE(notice.Visible());
  EXPECT_TRUE(IsWindowVisible(notice.Handle()));
  EXPECT_EQ(notice.Caption(), "MIDI device unavailable");
  EXPECT_NE(GetWindow(notice.Handle(), GW_OWNER), mainWindow.Handle());

  // Centred over the main window, its button and memo centred in it.
  EXPECT_NEAR(notice.Left() + notice.Width() / 2, 50 + 400, 1);
  EXPECT_NEAR(notice.Top() + notice.Height() / 2, 60 + 300, 1);
  EXPECT_NEAR(notice.BitBtn1->Left() * 2 + notice.BitBtn1->Width(), notice.ClientWidth(), 1);
  EXPECT_NEAR(notice.Memo1->Left() * 2 + notice.Memo1->Width(), notice.ClientWidth(), 1);
  EXPECT_TRUE(notice.BitBtn1->Font().Style().Contains(fsBold));
  EXPECT_EQ(notice.BitBtn1->Caption(), "&Close");

  TStringList lines = notice.Memo1->Lines();
  ASSERT_EQ(lines.Count(), 9);
  EXPECT_EQ(lines[0], "Windows allows only one MIDI player to PLAY music on the MIDI sub-system at "
                      "any point in time ");
  EXPECT_EQ(lines[2], "detected that another MIDI player currently is playing or active.");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[8], "     2. Shut down and restart your system.");
  EXPECT_TRUE(notice.Memo1->ReadOnly());
  EXPECT_FALSE(notice.Timer1->Enabled());
  EXPECT_EQ(notice.Timer1->Interval(), 20000u);

  PressClose(notice);
  EXPECT_FALSE(notice.Visible());
  EXPECT_FALSE(IsWindowVisible(notice.Handle()));
}

TEST(BusyNotice, StaysQuietForTwoSecondsAfterItsCloseButton) {
  TUnMIDIFrm notice(nullptr);
  ASSERT_TRUE(notice.ShowNotice(nullptr));
  // The click alone, with no messages run after it: the real quiet timer cannot fire before the
  // test ticks it by hand below.
  SendMessageA(notice.BitBtn1->Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(notice.ClosedByButton());
  EXPECT_TRUE(notice.Timer2->Enabled());
  EXPECT_EQ(notice.Timer2->Interval(), 2000u);
  // A second busy failure right away shows nothing.
  EXPECT_FALSE(notice.ShowNotice(nullptr));
  EXPECT_FALSE(notice.Visible());
  // Once the quiet time has run out the notice shows again.
  notice.Timer2->OnTimer(notice.Timer2);
  EXPECT_FALSE(notice.ClosedByButton());
  EXPECT_FALSE(notice.Timer2->Enabled());
  EXPECT_TRUE(notice.ShowNotice(nullptr));
  EXPECT_TRUE(notice.Visible());
  notice.Close();
  EXPECT_FALSE(notice.Visible());
  // Closed other than by its button: no quiet time.
  EXPECT_TRUE(notice.ShowNotice(nullptr));
  notice.Hide();
}

TEST(BusyNotice, ClosesWhenAnotherWindowTakesTheFocus) {
  TForm other(nullptr);
  other.SetBounds(10, 10, 300, 200);
  other.Show();
  TUnMIDIFrm notice(nullptr);
  ASSERT_TRUE(notice.ShowNotice(&other));
  ProcessMessages();
  EXPECT_TRUE(PumpUntil([&] { return GetActiveWindow() == notice.Handle(); }, 5000));
  SetForegroundWindow(other.Handle());
  SetActiveWindow(other.Handle());
  EXPECT_TRUE(PumpUntil([&] { return !notice.Visible(); }, 10000));
  EXPECT_FALSE(IsWindowVisible(notice.Handle()));
  EXPECT_FALSE(notice.ClosedByButton()); // no quiet time after losing the focus
}
