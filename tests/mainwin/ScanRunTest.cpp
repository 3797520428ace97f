// Tonalbrook.exe itself on a first start: Yes to the scan question opens the system scan, which
// is started and stopped at once with both Stop buttons; then the window and the program close.
// And a folder scanned twice with duplicates ignored.
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

namespace {

// Opens File > "Scan a &drive ...", names the artist and category of what is found (the folder
// list starts at the program's folder) and starts the scan with duplicates ignored, the choice
// the window starts with. False when the window did not come up.
bool ScanTheProgramFolder(TRunningProgram& run) {
  if (!MenuKeys(run.MainWindow(), 'f', {{WM_CHAR, 'd'}})) return false;
  HWND scan = nullptr;
  auto shown = [&] {
    scan = FindProcessWindow(run.Pid(), "TDriveScanFrm");
    return scan && IsWindowVisible(scan) && EnabledChild(scan, "&Scan!");
  };
  if (!run.AnswerUntil(shown, 30000)) return false;
  TypeScanArtistAndCategory(scan, L"Smith, Ann", L"Scanned");
  PostMessageA(EnabledChild(scan, "&Scan!"), BM_CLICK, 0, 0);
  // The window closes itself once the files found are imported.
  return run.AnswerUntil([&] { return !IsWindowVisible(scan); }, 60000);
}

} // namespace

TEST(ScanRun, ScanningAFolderAgainWithDuplicatesIgnoredSaysNothingOfThem) {
  TScratchDir dir("tbrescan");
  std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
  ASSERT_TRUE(CopyFileA(exe.c_str(), (dir / "Tonalbrook.exe").c_str(), FALSE));
  WriteFileBytes(dir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  ForceDirectories(dir / "Songs");
  const std::vector<std::string> corpus = CorpusFiles("pianobooster");
  ASSERT_GE(corpus.size(), 2u);
  ASSERT_TRUE(CopyFileA(corpus[0].c_str(), (dir / "Songs\\one.mid").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(corpus[1].c_str(), (dir / "Songs\\two.mid").c_str(), FALSE));
  TRunningProgram run(dir.Path(), "");
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitForMainWindow());
  ASSERT_TRUE(run.AnswerUntil([&] { return run.StartUpDone(); }, 120000));
  const size_t startBoxes = run.Boxes().size();
  ASSERT_TRUE(ScanTheProgramFolder(run));
  EXPECT_EQ(IndexRecords(dir.Path()), 2);
  // The same folder again: both files are in the catalogue, which is what the user asked for.
  ASSERT_TRUE(ScanTheProgramFolder(run));
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(IndexRecords(dir.Path()), 2);
  for (size_t i = startBoxes; i < run.Boxes().size(); ++i)
    ADD_FAILURE() << "a box after the scans: " << run.Boxes()[i].Text;
}
