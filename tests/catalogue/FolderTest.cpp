// Time text, and listing and clearing folder trees by mask.
#include <gtest/gtest.h>
#include <windows.h>
#include "Classes.h"
#include "FolderTools.h"
#include "MessageBox.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "TimeText.h"
#include <algorithm>

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
