// Tonalbrook.exe itself on a first start: Yes to the scan question opens the system scan, which
// is started and stopped at once with both Stop buttons; then the window and the program close.
#include <gtest/gtest.h>
#include <windows.h>
#include "IniFiles.h"
#include "RunningProgram.h"
#include "TestUtil.h"

namespace {

struct TButtons {
  std::vector<HWND> Found;
  std::string Text;
};

BOOL CALLBACK CollectButtons(HWND w, LPARAM lp) {
  auto* b = reinterpret_cast<TButtons*>(lp);
  if (runprog::WindowText(w) == b->Text) b->Found.push_back(w);
  return TRUE;
}

// The enabled child of a window with that text, or nullptr.
HWND EnabledChild(HWND parent, const std::string& text) {
  TButtons b{{}, text};
  EnumChildWindows(parent, CollectButtons, reinterpret_cast<LPARAM>(&b));
  for (HWND w : b.Found)
    if (IsWindowEnabled(w)) return w;
  return nullptr;
}

HWND ScanWindow(DWORD pid) {
  HWND w = FindProcessWindow(pid, "TScanStatus");
  return w && IsWindowVisible(w) ? w : nullptr;
}

} // namespace

TEST(ScanRun, YesToTheFirstStartsScanQuestionRunsAStoppedSystemScanAndClosesCleanly) {
  TScratchDir dir("tbscanrun");
  std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
  ASSERT_TRUE(CopyFileA(exe.c_str(), (dir / "Tonalbrook.exe").c_str(), FALSE));
  TRunningProgram run(dir.Path(), "");
  ASSERT_TRUE(run.Started());
  run.Answer = [](const TRunningProgram::TAsked& box) {
    return box.Text.rfind("Scan your system", 0) == 0 ? "&Yes" : "";
  };
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(run.AnswerUntil([&] { return ScanWindow(run.Pid()) != nullptr; }, 120000));
  HWND scan = ScanWindow(run.Pid());
  EXPECT_EQ(runprog::WindowText(scan), "Scan system for MIDI files");
  HWND start = EnabledChild(scan, "&Scan system");
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(EnabledChild(scan, "Stop"), nullptr) << "both Stop buttons wait for the scan";
  // The scanning Stop is queued behind the start, so the walk hears it at its first folder and
  // never reaches Z: (the whole host).
  PostMessageA(start, BM_CLICK, 0, 0);
  bool scanStopped = false;
  EXPECT_TRUE(PumpUntil(
      [&] {
        HWND w = ScanWindow(run.Pid());
        if (!w) return true; // nothing was found: the window closed by itself
        if (HWND stop = EnabledChild(w, "Stop")) {
          PostMessageA(stop, BM_CLICK, 0, 0);
          scanStopped = true;
        }
        return false;
      },
      60000, 5));
  EXPECT_TRUE(scanStopped);
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(run.Boxes().front().Text,
            "Scan your system to find all MIDI files (recommended)?\r\n\r\nOptions > Remind to "
            "scan switches this question off.");
  TIniFile ini(dir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadInteger("Setup", "FullScanDone", -1), 1);
}
