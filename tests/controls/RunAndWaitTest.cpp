// Running another program and waiting for it: exit codes, a missing program, and this program's
// messages running while it waits.
#include <gtest/gtest.h>
#include <windows.h>
#include "Guard.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "WinExc32.h"

namespace {

// A batch file that ends with code 7 as soon as `flag` exists beside it, or with 1 after a
// generous number of rounds, so that a failing test does not hang.
std::string WriteFlagWaiter(const TScratchDir& dir) {
  std::string bat = dir / "waiter.bat";
  WriteFileBytes(bat, "@echo off\r\n"
                      "set n=0\r\n"
                      ":loop\r\n"
                      "if exist \"%~dp0flag\" exit 7\r\n"
                      "set /a n=n+1\r\n"
                      "if %n% GEQ 30000 exit 1\r\n"
                      "goto loop\r\n");
  return "cmd.exe /c \"" + bat + "\"";
}

std::string gFlagPath;
int gTicks = 0;

void CALLBACK CreateFlagOnTick(HWND, UINT, UINT_PTR, DWORD) {
  GuardVoid([] {
    ++gTicks;
    if (gTicks == 1) WriteFileBytes(gFlagPath, "x");
  });
}

} // namespace

TEST(RunAndWait, ReportsTheEndedProgramsExitCode) {
  uint32_t code = 0;
  EXPECT_EQ(RunAndWait("cmd.exe /c exit 3", SW_HIDE, &code), 0u);
  EXPECT_EQ(code, 3u);
  // The still-active code itself must not be taken for a program that still runs.
  EXPECT_EQ(RunAndWait("cmd.exe /c exit 259", SW_HIDE, &code), 0u);
  EXPECT_EQ(code, 259u);
  EXPECT_EQ(RunAndWait("cmd.exe /c exit 0", SW_SHOWNORMAL), 0u);
}

TEST(RunAndWait, MissingProgramAnswersTheSystemsErrorAtOnce) {
  TScratchDir dir("runwait");
  uint32_t code = 12345;
  std::string missing = dir / "no such program.exe";
  EXPECT_EQ(RunAndWait(Format("\"%s\" /x", missing.c_str()), SW_SHOWNORMAL, &code),
            static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(code, 12345u) << "no exit code for a program that never ran";
  EXPECT_NE(RunAndWait("", SW_SHOWNORMAL), 0u);
}

TEST(RunAndWait, MessagesKeepRunningWhileItWaits) {
  TScratchDir dir("runwait");
  gFlagPath = dir / "flag";
  gTicks = 0;
  // The other program ends only once a timer of this thread has fired and made the flag file.
  UINT_PTR timer = SetTimer(nullptr, 0, 20, CreateFlagOnTick);
  ASSERT_NE(timer, 0u);
  uint32_t code = 0;
  EXPECT_EQ(RunAndWait(WriteFlagWaiter(dir), SW_HIDE, &code), 0u);
  KillTimer(nullptr, timer);
  EXPECT_EQ(code, 7u) << "the program ended without seeing the flag: messages did not run";
  EXPECT_GE(gTicks, 1);
}

TEST(RunAndWait, QuitDuringTheWaitEndsItAndReachesTheCallersLoop) {
  // The window is closed while the other program starts: the wait ends without it.
  PostQuitMessage(5);
  EXPECT_EQ(RunAndWait("cmd.exe /c exit 0", SW_HIDE), RUN_WAIT_QUIT);
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the quit must stay for the caller's own message loop";
  EXPECT_EQ(msg.wParam, 5u);
}
