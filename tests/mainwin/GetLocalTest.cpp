// The local-file loader: a real window over a scratch folder (filters, double click, a real
// drag, Enter, names and keys, the drive on close), and File > Open importing its list.
#include <gtest/gtest.h>
#include <windows.h>
#include <sstream>
#include "GetLocalCodeD2.h"
#include "ScanCommands.h"
#include "ImportCommands.h"
#include "EditCommands.h"
#include "MainWindowFixture.h"
#include "ScanHelpers.h"
#include "DataCodeD2.h"

namespace {

class Loader : public TMainWindowFixture {
protected:
  Loader() : TMainWindowFixture("tbloader") {}
  TMyDB& DB() { return *FForm->DMM2()->MyDB(); }
  bool Stored(const std::string& origin, TTuneRec& rec) {
    int32_t key = 0;
    return DB().FindIdByFileName(origin, key) && DB().FindById(key, rec);
  }
  static std::vector<std::string> ItemsOf(TControlItems& items) {
    std::vector<std::string> r;
    for (int i = 0; i < items.Count(); ++i)
      r.push_back(items[i]);
    return r;
  }
  // Chooses a line of a combo box as the user would (the box tells its parent).
  static void Choose(TComboBox& box, int index) {
    HWND h = box.Handle();
    SendMessageA(h, CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(h));
  }
  // Moves the real mouse in steps, letting the window follow each step.
  static void MoveMouse(POINT from, POINT to, DWORD buttonFlags) {
    SetCursorPos(from.x, from.y);
    if (buttonFlags) {
      INPUT down = {};
      down.type = INPUT_MOUSE;
      down.mi.dwFlags = buttonFlags;
      SendInput(1, &down, sizeof(INPUT));
      EXPECT_TRUE(PumpQueued());
    }
    for (int i = 1; i <= 10; ++i) {
      SetCursorPos(from.x + (to.x - from.x) * i / 10, from.y + (to.y - from.y) * i / 10);
      INPUT move = {};
      move.type = INPUT_MOUSE;
      move.mi.dwFlags = MOUSEEVENTF_MOVE;
      SendInput(1, &move, sizeof(INPUT));
      EXPECT_TRUE(PumpQueued());
    }
  }
  static void Release() {
    INPUT up = {};
    up.type = INPUT_MOUSE;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &up, sizeof(INPUT));
    EXPECT_TRUE(PumpQueued());
  }
  static POINT ItemCentre(TListBox& list, int index) {
    RECT r = list.ItemRect(index);
    return list.ClientToScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
};

} // namespace

TEST_F(Loader, FiltersAddingByDoubleClickAndDragNamesKeysAndTheDrive) {
  Start();
  const std::string cwd = GetCurrentDir();
  TScratchDir folder("loaderfiles");
  MakeTree(folder.Path(), {"a.mid", "b song.mid", "F with blanks.MID", "notes.txt"});
  WriteFileBytes(folder / "c.rmi", RiffMidiOf(TinyMidi(3)));
  WriteFileBytes(folder / "d.zip", "PK");
  TPerfList& artists = *FForm->DMM2()->PerfList();
  const int32_t jr = artists.FindOrAddPerformer("John", "Smith, Jr");
  TGetLocalF& w = FForm->ScanCommands().GetLocalWindow();
  w.Show();
  SetForegroundWindow(w.Handle());
  ExpectFolderTreeShown(*w.DirectoryListBox1);
  ASSERT_TRUE(w.DirectoryListBox1->SetDirectory(folder.Path()));
  EXPECT_EQ(w.FileListBox1->Directory(), ExcludeTrailingBackslash(folder.Path()));
  EXPECT_FALSE(w.BitBtn1->Enabled());

  // The filters.
  using TNames = std::vector<std::string>;
  ASSERT_EQ(w.FilterComboBox1->Items().Count(), 4);
  const TNames expected[] = {
      {"a.mid", "b song.mid", "c.rmi", "F with blanks.MID"},
      {"d.zip"},
      {"a.mid", "b song.mid", "c.rmi", "d.zip", "F with blanks.MID"},
      {"a.mid", "b song.mid", "c.rmi", "d.zip", "F with blanks.MID", "notes.txt"}};
  for (int i = 3; i >= 0; --i) {
    Choose(*w.FilterComboBox1, i);
    EXPECT_EQ(ItemsOf(w.FileListBox1->Items()), expected[i]) << i;
  }

  // A real double click on "b song.mid", twice: listed once.
  for (int twice = 0; twice < 2; ++twice) {
    POINT p = ItemCentre(*w.FileListBox1, 1);
    SetCursorPos(p.x, p.y);
    INPUT in[4] = {};
    for (auto& i : in)
      i.type = INPUT_MOUSE;
    in[0].mi.dwFlags = in[2].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = in[3].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(4, in, sizeof(INPUT));
    EXPECT_TRUE(PumpQueued()); // the clicks and all they started have run
  }
  const std::string b = folder / "b song.mid", a = folder / "a.mid",
                    f = folder / "F with blanks.MID";
  EXPECT_EQ(w.Paths(), TNames{b});
  EXPECT_TRUE(w.BitBtn1->Enabled());

  // Two files selected: a real drag pressed on one of them carries both.
  const std::string c = folder / "c.rmi";
  for (int i = 0; i < w.FileListBox1->Items().Count(); ++i)
    w.FileListBox1->SetSelected(i, i == 2 || i == 3);
  MoveMouse(ItemCentre(*w.FileListBox1, 2), w.ListBox1->ClientToScreen({40, 60}),
            MOUSEEVENTF_LEFTDOWN);
  Release();
  EXPECT_EQ(w.Paths(), (TNames{b, c, f})) << "the drag lost part of the selection";
  EXPECT_EQ(w.FileListBox1->SelectedNames(), (TNames{"c.rmi", "F with blanks.MID"}));
  // A click on one of them without a drag leaves that one selected alone.
  RealClickAt(ItemCentre(*w.FileListBox1, 3));
  EXPECT_TRUE(PumpQueued());
  EXPECT_EQ(w.FileListBox1->SelectedNames(), TNames{"F with blanks.MID"});

  // A real drag of "F with blanks.MID" and then of "a.mid" to the list; "a.mid" again.
  for (int index : {3, 0, 0}) {
    MoveMouse(ItemCentre(*w.FileListBox1, index), w.ListBox1->ClientToScreen({40, 60}),
              MOUSEEVENTF_LEFTDOWN);
    Release();
  }
  EXPECT_EQ(w.Paths(), (TNames{a, b, c, f})) << "each path once, sorted";
  EXPECT_FALSE(Dragging());

  // Enter in Artists moves on to Categories.
  w.Artists->SetFocus();
  RealKey(VK_RETURN);
  auto inCategories = [&] {
    HWND focus = GetFocus();
    return focus == w.Categories->Handle() || IsChild(w.Categories->Handle(), focus);
  };
  EXPECT_TRUE(PumpUntil(inCategories, 20000));

  // Enter in Categories with a typed name makes the category and its tab at once.
  const int pages = Probe(FForm).Categories()->PageCount();
  w.Artists->SetText("Prince");
  w.Categories->SetText("Loader New");
  w.Categories->SetFocus();
  RealKey(VK_RETURN);
  EXPECT_TRUE(PumpUntil([&] { return FForm->CatList()->FindCategory("Loader New") != 0; }, 20000));
  EXPECT_EQ(Probe(FForm).Categories()->PageCount(), pages + 1);
  EXPECT_EQ(w.ArtistKey(), artists.FindPerformer("", "Prince")) << "no comma: all last name";
  EXPECT_NE(w.ArtistKey(), 0);
  EXPECT_TRUE(w.Visible()) << "Enter keeps the window open";

  // OK with a typed artist that has a comma.
  w.Artists->SetText("Doe, Jane");
  w.Categories->SetText("Loader Other");
  w.BitBtn1->Click();
  EXPECT_EQ(w.ModalResult(), mrOk);
  w.SetModalResult(mrNone);
  EXPECT_EQ(w.ArtistKey(), artists.FindPerformer("Jane", "Doe"));
  EXPECT_EQ(w.CategoryKey(), FForm->CatList()->FindCategory("Loader Other"));
  EXPECT_EQ(FForm->ScanCommands().LoaderInput(a).ArtistKey, w.ArtistKey());
  EXPECT_EQ(FForm->ScanCommands().LoaderInput(a).CategoryKey, w.CategoryKey());

  // Blank names are refused in the window's own box, and the window stays.
  const int categories = FForm->CatList()->Count(), performers = artists.Count();
  for (auto [artist, category] : std::vector<std::pair<const char*, const char*>>{
           {"Doe", "   "}, {", ", "Folk"}, {"  ", "Folk"}, {",", "Folk"}}) {
    size_t asked = FAnswers.Asked().size();
    FAnswers.Push(mrOk);
    w.Artists->SetText(artist);
    w.Categories->SetText(category);
    w.BitBtn1->Click();
    EXPECT_EQ(w.ModalResult(), mrNone) << artist << "|" << category;
    ASSERT_EQ(FAnswers.Asked().size(), asked + 1);
    EXPECT_EQ(FAnswers.Asked().back().Text,
              "Please enter a category and an artist that are not blank");
  }
  EXPECT_EQ(FForm->CatList()->Count(), categories);
  EXPECT_EQ(artists.Count(), performers);

  // Picked items give their kept keys; a name holding a comma is not split again.
  w.Hide();
  w.Show(); // refills the boxes with the artists made above
  w.DirectoryListBox1->SetDirectory(folder.Path());
  w.FileListBox1->SetSelected(0, true);
  w.FileListBox1DblClick(w.FileListBox1);
  int jazz = -1, smith = -1;
  for (int i = 0; i < w.Categories->Items().Count(); ++i)
    if (w.Categories->Items()[i] == "Jazz") jazz = i;
  for (int i = 0; i < w.Artists->Items().Count(); ++i)
    if (w.Artists->Items()[i] == "Smith, Jr, John") smith = i;
  ASSERT_GE(jazz, 0);
  ASSERT_GE(smith, 0);
  Choose(*w.Categories, jazz);
  Choose(*w.Artists, smith);
  w.BitBtn1->Click();
  EXPECT_EQ(w.ModalResult(), mrOk);
  w.SetModalResult(mrNone);
  EXPECT_EQ(w.CategoryKey(), FForm->CatList()->FindCategory("Jazz"));
  EXPECT_EQ(w.ArtistKey(), jr);
  EXPECT_EQ(artists.Count(), performers);

  // Closed on a drive that is not a fixed drive, the next opening starts on the program's drive.
  const char program = static_cast<char>(toupper(FDir.Path()[0]));
  char other = 0;
  for (char c = 'Y'; c > 'D' && !other; --c)
    if (GetDriveTypeA((std::string(1, c) + ":\\").c_str()) != DRIVE_FIXED) other = c;
  ASSERT_NE(other, 0);
  w.DriveComboBox1->SetDrive(other);
  w.Close();
  EXPECT_EQ(w.DriveComboBox1->Drive(), program);
  EXPECT_EQ(GetCurrentDir(), cwd) << "the controls never change the current folder";
}

TEST_F(Loader, OpenImportsTheListQuietlyWithTheChosenNames) {
  Start();
  TScratchDir folder("loaderopen");
  MakeTree(folder.Path(), {"first song.mid", "second.mid"});
  WriteFileBytes(folder / "fake.mid", "not a MIDI file at all");
  const std::string zip = folder / "three titles.zip";
  ASSERT_TRUE(CopyFileA((OracleDir("import_archives") + "three.zip").c_str(), zip.c_str(), FALSE));
  const std::vector<std::string> paths = {folder / "fake.mid", folder / "first song.mid",
                                          folder / "second.mid", zip};
  auto fill = [&](const std::vector<std::string>& list) {
    PushLoaderList(FAnswers, list, "Doe, Jane", "Loaded");
  };
  bool menusOff = false;
  std::string statusMeanwhile;
  FForm->ImportCommands().OnArchiveEntryDone = [&](int) {
    menusOff = !Probe(FForm).Item("File1")->Enabled() && !Probe(FForm).Item("View1")->Enabled() &&
               !Probe(FForm).Item("Albums1")->Enabled() &&
               !Probe(FForm).Item("Categories1")->Enabled();
    statusMeanwhile = Probe(FForm).StatusBar1()->Panels(0).Text();
  };
  fill(paths);
  FForm->ScanCommands().GetLocal2Click(nullptr);
  FForm->ImportCommands().OnArchiveEntryDone = nullptr;
  EXPECT_TRUE(menusOff);
  EXPECT_EQ(statusMeanwhile, "Importing files...");
  EXPECT_EQ(Probe(FForm).StatusBar1()->Panels(0).Text(), "Done");
  EXPECT_TRUE(Probe(FForm).Item("File1")->Enabled());
  // Several files are imported without questions; the one left out is told once at the end.
  ASSERT_EQ(FAnswers.Asked().size(), 2u);
  EXPECT_EQ(FAnswers.Asked()[1].Text, "This file was not added to the database:\r\n\r\n" +
                                          folder / "fake.mid" +
                                          " is not a MIDI file, has 22 bytes");
  EXPECT_TRUE(FForm->ScanCommands().GetLocalWindow().Paths().empty())
      << "the list is emptied after the import";

  std::ostringstream notes;
  TTuneRec rec;
  EXPECT_FALSE(Stored(folder / "fake.mid", rec));
  for (const char* name : {"first song.mid", "second.mid"}) {
    ASSERT_TRUE(Stored(folder / name, rec)) << name;
    notes << rec.MasterKey << "\t" << name << "\t" << rec.CategoryName << "\t" << rec.LastName
          << "\t" << rec.FirstName << "\n";
  }
  int fromZip = 0;
  for (const auto& entry : DB().KeyIndex()) {
    if (!DB().FindById(entry.Key, rec) || rec.Origin.rfind(zip + "+", 0) != 0) continue;
    ++fromZip;
    notes << rec.MasterKey << "\tthree titles.zip+" << rec.Origin.substr(zip.size() + 1) << "\t"
          << rec.CategoryName << "\t" << rec.LastName << "\t" << rec.FirstName << "\n";
  }
  EXPECT_EQ(fromZip, 3);

  // One file alone is imported with its questions.
  fill({folder / "fake.mid"});
  FAnswers.Push(mrOk);
  FForm->ScanCommands().GetLocal2Click(nullptr);
  // Its own box told the user: nothing more.
  ASSERT_EQ(FAnswers.Asked().size(), 4u);
  EXPECT_EQ(FAnswers.Asked().back().Text,
            folder / "fake.mid" +
                " is not a valid MIDI file.\r\nIt will not be added to the database");

  // The records and the source files for the checker.
  CloseAndWait();
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\mainwin_scans\\loader\\";
  ForceDirectories(dir);
  for (const char* f : {"Music.dex", "Music.dax"})
    EXPECT_TRUE(CopyFileA((FDir / f).c_str(), (dir + f).c_str(), FALSE)) << f;
  for (const char* f : {"first song.mid", "second.mid", "three titles.zip"})
    EXPECT_TRUE(CopyFileA((folder / f).c_str(), (dir + f).c_str(), FALSE)) << f;
  WriteFileBytes(dir + "titles.tsv", notes.str());
}
