// Time text, and listing and clearing folder trees by mask.
#include <gtest/gtest.h>
#include <windows.h>
#include "Classes.h"
#include "Controls.h"
#include "Messages.h"
#include "FolderTools.h"
#include "MessageBox.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "TimeText.h"
#include <algorithm>
#include <functional>

TEST(TimeText, Table) {
  const std::pair<int, const char*> table[] = {{-5, "?"},
                                               {0, "?"},
                                               {1, "0:01"},
                                               {45, "0:45"},
                                               {59, "0:59"},
                                               {60, "1:00"},
                                               {725, "12:05"},
                                               {3599, "59:59"},
                                               {3600, "1:00:00"},
                                               {3723, "1:02:03"},
                                               {36000, "10:00:00"},
                                               {359999, "99:59:59"},
                                               {360000, "100:00:00"}};
  for (const auto& [secs, text] : table)
    EXPECT_EQ(SecondsToTimeText(secs), text) << secs;
}

TEST(Folders, MaskMatchingIgnoresAsciiCaseOnly) {
  EXPECT_TRUE(MatchesMask("Song.MID", "*.mid"));
  EXPECT_FALSE(MatchesMask("song.midi", "*.mid"));
  EXPECT_FALSE(MatchesMask("song.mid.bak", "*.mid"));
  EXPECT_TRUE(MatchesMask("a.b.mid", "*.mid"));
  EXPECT_TRUE(MatchesMask("M.dat", "?.dat"));
  EXPECT_TRUE(MatchesMask("noext", "*.*"));
  EXPECT_FALSE(MatchesMask("\xe9.mid", "\xc9.mid")); // no folding beyond ASCII
}

namespace {

struct TBoxCatcher {
  std::vector<std::string> Texts;
  TBoxCatcher() {
    SetMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
      Texts.push_back(text);
      return IDOK;
    });
  }
  ~TBoxCatcher() { SetMessageBoxHook(nullptr); }
};

std::vector<std::string> Listed(const std::string& folder, const std::string& mask) {
  TStringList l;
  EXPECT_TRUE(ListFilesInTree(folder, mask, l));
  std::vector<std::string> r;
  for (int i = 0; i < l.Count(); ++i)
    r.push_back(l[i]);
  std::sort(r.begin(), r.end());
  return r;
}

} // namespace

TEST(Folders, ClearingDeletesMatchesInEveryNestedFolderAndKeepsTheRest) {
  TScratchDir dir("clear");
  ForceDirectories(dir / "sub\\deeper\\deepest");
  ForceDirectories(dir / "empty");
  for (const char* f : {"a.mid", "B.MID", "keep.txt", "x.midi", "sub\\c.mid", "sub\\keep.zip",
                        "sub\\deeper\\d.mid", "sub\\deeper\\deepest\\e.Mid"})
    WriteFileBytes(dir / f, "data");
  std::string cwd = GetCurrentDir();
  auto listed = Listed(dir.Path(), "*.mid");
  EXPECT_EQ(listed.size(), 5u);
  for (const auto& p : listed)
    EXPECT_EQ(p.rfind(dir.Path(), 0), 0u) << p; // absolute paths

  TBoxCatcher boxes;
  EXPECT_EQ(ClearDirectory(ExcludeTrailingBackslash(dir.Path()), "*.mid"), 5);
  EXPECT_TRUE(boxes.Texts.empty());
  EXPECT_EQ(GetCurrentDir(), cwd); // the current folder never moves
  EXPECT_TRUE(Listed(dir.Path(), "*.mid").empty());
  for (const char* f : {"keep.txt", "x.midi", "sub\\keep.zip"})
    EXPECT_TRUE(FileExists(dir / f));
  EXPECT_TRUE(DirectoryExists(dir / "sub\\deeper\\deepest")); // folders stay

  // Several masks in turn, as the work folders are emptied.
  for (const char* mask : {"*.txt", "*.zip"})
    ClearDirectory(dir.Path(), mask);
  EXPECT_EQ(Listed(dir.Path(), "*.*"), std::vector<std::string>{dir / "x.midi"});
}

TEST(Folders, TheProgramFolderAndItsParentsAreNeverCleared) {
  TBoxCatcher boxes;
  std::string app = AppFolder();
  WriteFileBytes(app + "tbclear_probe.tbx", "x");
  std::string parent = ExtractFilePath(ExcludeTrailingBackslash(app));
  for (const std::string& f :
       {app, ExcludeTrailingBackslash(app), LowerCase(app), parent, app.substr(0, 3)}) {
    EXPECT_EQ(ClearDirectory(f, "*.tbx"), 0) << f;
  }
  EXPECT_TRUE(FileExists(app + "tbclear_probe.tbx"));
  DeleteFile(app + "tbclear_probe.tbx");
  ASSERT_EQ(boxes.Texts.size(), 5u);
  for (const auto& t : boxes.Texts)
    EXPECT_EQ(t, "Error: Do not clear app directory");
}

TEST(Folders, AMissingFolderIsReportedAndNothingHappens) {
  TBoxCatcher boxes;
  TScratchDir dir("missing");
  EXPECT_EQ(ClearDirectory(dir / "nothere", "*.mid"), 0);
  EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Potential error in ClearDirectory"});
  TStringList l;
  EXPECT_TRUE(ListFilesInTree(dir / "nothere", "*.mid", l));
  EXPECT_EQ(l.Count(), 0);
}

TEST(Folders, ATreeWithALinkLoopEnds) {
  // The oracle made tree/a/b/up as a link back to tree on the host.
  std::string tree = OracleDir("foldertree") + "tree\\";
  ASSERT_TRUE(DirectoryExists(tree + "a\\b\\up"));
  WriteFileBytes(tree + "top.lmid", "1");
  WriteFileBytes(tree + "a\\b\\low.lmid", "2");
  auto listed = Listed(tree, "*.lmid");
  EXPECT_EQ(listed, (std::vector<std::string>{tree + "a\\b\\low.lmid", tree + "top.lmid"}));
  EXPECT_EQ(ClearDirectory(tree, "*.lmid"), 2);
  EXPECT_TRUE(Listed(tree, "*.lmid").empty());
}

TEST(Folders, AWindowsSymbolicLinkLoopEndsWhenLinksCanBeMade) {
  using TCreateLink = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
  auto createLink = reinterpret_cast<TCreateLink>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
  TScratchDir dir("winlink");
  ForceDirectories(dir / "a");
  WriteFileBytes(dir / "a\\f.mid", "x");
  if (!createLink || !createLink((dir / "a\\loop").c_str(), dir.Path().c_str(), 1))
    GTEST_SKIP() << "this system cannot make a folder link";
  EXPECT_EQ(Listed(dir.Path(), "*.mid"), std::vector<std::string>{dir / "a\\f.mid"});
  RemoveDirectoryA((dir / "a\\loop").c_str());
}

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A walk of the oracle's tree; anything outside it (a followed link to "/") stops the walk at
// once, so that a fault here never walks the host.
struct TTreeWalkProbe {
  std::string Tree;
  std::vector<std::string> Files, Folders;
  bool Escaped = false;
  TTreeWalkEvents Events;
  std::function<bool()> ExtraStop;
  explicit TTreeWalkProbe(const std::string& tree) : Tree(tree) {
    auto inside = [this](const std::string& p) {
      return UpperCase(p).rfind(UpperCase(ExcludeTrailingBackslash(Tree)), 0) == 0;
    };
    Events.OnFile = [this, inside](const std::string& p) {
      if (!inside(p)) Escaped = true;
      Files.push_back(p);
    };
    Events.OnFolderDone = [this, inside](const std::string& p) {
      if (!inside(p)) Escaped = true;
      Folders.push_back(p);
    };
    Events.Stopped = [this] {
      return Escaped || Folders.size() > 500 || (ExtraStop && ExtraStop());
    };
  }
  bool Run() { return WalkFolderTree(Tree, "*.mid", Events); }
};

} // namespace

TEST(Folders, TheScanWalkFindsWhatTheOracleFindsAndStopsWhenAsked) {
  const std::string dir = OracleDir("scantree");
  const std::string tree = dir + "tree";
  ASSERT_TRUE(DirectoryExists(tree));
  std::vector<std::string> expected = Lines(ReadFileBytes(dir + "expected_files.txt"));
  const int expectedFolders = std::stoi(ReadFileBytes(dir + "expected_folders.txt"));
  const std::string cwd = GetCurrentDir();

  TTreeWalkProbe whole(tree);
  EXPECT_TRUE(whole.Run());
  EXPECT_FALSE(whole.Escaped) << "a link was followed";
  std::sort(whole.Files.begin(), whole.Files.end(),
            [](const std::string& a, const std::string& b) { return UpperCase(a) < UpperCase(b); });
  EXPECT_EQ(whole.Files.size(), expected.size());
  EXPECT_EQ(whole.Files, expected);
  EXPECT_EQ(static_cast<int>(whole.Folders.size()), expectedFolders);
  // A folder is reported once its sub-folders are done: the root comes last.
  ASSERT_FALSE(whole.Folders.empty());
  EXPECT_EQ(whole.Folders.back(), tree);
  EXPECT_EQ(GetCurrentDir(), cwd);

  // A stop asked after the third folder ends the walk before a fifth is done.
  TTreeWalkProbe three(tree);
  three.ExtraStop = [&] { return three.Folders.size() >= 3; };
  EXPECT_FALSE(three.Run());
  EXPECT_GE(three.Folders.size(), 3u);
  EXPECT_LE(three.Folders.size(), 4u);

  // Inside the folder of 2,000 files a stop that arrives as a window message is heard: messages
  // run every few hundred files, not only between folders.
  TTreeWalkProbe big(tree + "\\big");
  bool stopHeard = false;
  HWND receiver = AllocateHWnd([&](UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != WM_USER + 7) return false;
    stopHeard = true;
    result = 0;
    return true;
  });
  big.ExtraStop = [&] { return stopHeard; };
  big.Events.OnBreak = [] { ProcessMessages(); };
  big.Events.OnFile = [&](const std::string& p) {
    if (big.Files.empty()) PostMessageA(receiver, WM_USER + 7, 0, 0);
    big.Files.push_back(p);
  };
  EXPECT_FALSE(big.Run());
  EXPECT_TRUE(stopHeard);
  EXPECT_GE(big.Files.size(), 1u);
  EXPECT_LE(big.Files.size(), 300u) << "the stop waited for the end of the folder";
  DeallocateHWnd(receiver);
  EXPECT_EQ(GetCurrentDir(), cwd);
}
