// Exceptions on the keyboard's and the callbacks' paths: keys posted through the real loops reach
// command handlers outside any window procedure, and what those raise lands in the application's
// handler while the loop and the process go on.
#include <gtest/gtest.h>
#include <windows.h>
#include "BoundaryCapture.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "Messages.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

using TTexts = std::vector<std::string>;

// Runs the application's own loop a message at a time until done holds; a null message posted
// before each step keeps the loop from sleeping.
bool RunLoopUntil(TForm& form, const std::function<bool()>& done) {
  for (int i = 0; i < 500; ++i) {
    if (done()) return true;
    PostMessageA(form.Handle(), WM_NULL, 0, 0);
    Application->HandleMessage();
  }
  return done();
}

struct TKeyForm {
  TForm Form{nullptr};
  TButton* Other = new TButton(&Form);
  TButton* Button = new TButton(&Form);
  TMainMenu* Menu = new TMainMenu(&Form);
  TMenuItem* Item = new TMenuItem(&Form);
  int Clicks = 0, Commands = 0;

  TKeyForm() {
    Form.SetBounds(50, 50, 300, 200);
    Other->SetBounds(10, 10, 80, 25);
    Other->SetParent(&Form);
    Button->SetBounds(10, 50, 80, 25);
    Button->SetParent(&Form);
    Button->OnClick = [this](TObject*) {
      ++Clicks;
      throw Exception("the button failed");
    };
    auto* top = new TMenuItem(&Form);
    top->SetCaption("&File");
    Menu->Items().Add(top);
    Item->SetCaption("&Refresh");
    Item->SetShortCut(TextToShortCut("F5"));
    Item->OnClick = [this](TObject*) {
      ++Commands;
      throw Exception("the command failed");
    };
    top->Add(Item);
    Form.SetMenu(Menu);
    Form.Show();
  }
};

} // namespace

TEST(Loop, EnterOnAFocusedButtonRaisesIntoTheHandlerFromEveryPump) {
  TBoundaryCapture capture;
  TKeyForm f;
  f.Button->SetFocus();
  ASSERT_EQ(GetFocus(), f.Button->Handle());
  // The application's loop.
  PostMessageA(f.Button->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_TRUE(RunLoopUntil(f.Form, [&] { return f.Clicks == 1; }));
  EXPECT_EQ(capture.Messages, TTexts{"the button failed"});
  // The waits' pump, and a wait of the program.
  PostMessageA(f.Button->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  ProcessMessages();
  PostMessageA(f.Button->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_TRUE(WaitFor([&] { return f.Clicks == 3; }, 5000));
  EXPECT_EQ(capture.Messages.size(), 3u);
  // The form is still there and still answers.
  f.Button->OnClick = [&](TObject*) { ++f.Clicks; };
  PostMessageA(f.Button->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  ProcessMessages();
  EXPECT_EQ(f.Clicks, 4);
  EXPECT_EQ(capture.Messages.size(), 3u);
}

TEST(Loop, AMenuShortCutRaisingReachesTheHandlerAndTheKeyIsNotTyped) {
  TBoundaryCapture capture;
  TKeyForm f;
  f.Other->SetFocus();
  PostMessageA(f.Other->Handle(), WM_KEYDOWN, VK_F5, 1);
  ASSERT_TRUE(RunLoopUntil(f.Form, [&] { return f.Commands == 1; }));
  EXPECT_EQ(capture.Messages, TTexts{"the command failed"});
  PostMessageA(f.Other->Handle(), WM_KEYDOWN, VK_F5, 1);
  ProcessMessages();
  EXPECT_EQ(f.Commands, 2);
  EXPECT_EQ(capture.Messages, (TTexts{"the command failed", "the command failed"}));
  EXPECT_EQ(f.Clicks, 0);
}

TEST(Loop, CreateAndShowHandlersRaiseIntoTheHandlerAndTheFormStillShows) {
  TBoundaryCapture capture;
  TForm form(nullptr);
  form.OnCreate = [](TObject*) { throw Exception("create failed"); };
  form.OnShow = [](TObject*) { throw Exception("show failed"); };
  form.Show();
  EXPECT_EQ(capture.Messages, (TTexts{"create failed", "show failed"}));
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST(Loop, AFailingSortComparisonIsRaisedAfterTheSortAndNoItemIsLost) {
  TForm form(nullptr);
  auto* list = new TListView(&form);
  list->SetParent(&form);
  list->SetViewStyle(vsReport);
  list->AddColumn("Name", 100);
  for (const char* name : {"delta", "alpha", "charlie", "bravo"})
    list->AddItem(name);
  form.Show();
  int calls = 0;
  auto failing = [&](const TListItem&, const TListItem&) -> int {
    if (++calls == 2) throw Exception("cannot compare");
    return 0;
  };
  EXPECT_THROW(
      {
        try {
          list->CustomSort(failing);
        } catch (const Exception& e) {
          EXPECT_STREQ(e.what(), "cannot compare");
          throw;
        }
      },
      Exception);
  EXPECT_EQ(calls, 2); // the comparisons after the failure are not run
  ASSERT_EQ(list->ItemCount(), 4);
  // A later sort still works on the same items.
  list->CustomSort(
      [](const TListItem& a, const TListItem& b) { return a.Caption().compare(b.Caption()); });
  std::vector<std::string> order;
  for (int i = 0; i < list->ItemCount(); ++i)
    order.push_back(list->Items(i).Caption());
  EXPECT_EQ(order, (TTexts{"alpha", "bravo", "charlie", "delta"}));
}

TEST(Loop, TheEntryBodyRaisingIsShownAndAnswersOne) {
  TBoundaryCapture capture;
  EXPECT_EQ(RunGuardedEntry([]() -> int { throw Exception("could not start"); }), 1);
  EXPECT_EQ(capture.Messages, TTexts{"could not start"});
  EXPECT_EQ(RunGuardedEntry([] { return 0; }), 0);
  EXPECT_EQ(capture.Messages.size(), 1u);
}

TEST(Loop, ProcessMessagesReturnsThoughATimerHandlerOutlastsItsPeriod) {
  // Each tick lasts until the next is due, so a new tick is always due when the queue is looked
  // at.
  TTimer timer(nullptr);
  int ticks = 0;
  const auto tickDue = [] {
    MSG m;
    return PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE) != 0;
  };
  timer.SetInterval(10);
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    PollUntil(tickDue, 5000);
    if (ticks >= 200) timer.SetEnabled(false); // ends the test even when the pump never returns
  };
  ASSERT_TRUE(PollUntil(tickDue, 5000));
  ProcessMessages();
  EXPECT_LE(ticks, 3) << "the pump kept taking ticks that came after it was called";
  timer.SetEnabled(false);
}
