// Scanning for MIDI files through the main window: the system scan over drives the test defines,
// real drives stopped early, and the drive scan window's checks, walk, import and close.
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include "DriveScanCodeD2.h"
#include "MainPlay.h"
#include "ScanCommands.h"
#include "FileCtrls.h"
#include "MainWindowFixture.h"
#include "MasterProbe.h"
#include "ScanHelpers.h"
#include "ScanFormCodeD2.h"
#include "DataCodeD2.h"

namespace {

std::string ThisYear() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return std::to_string(t.wYear);
}

class Scans : public TMainWindowFixture {
protected:
  Scans() : TMainWindowFixture("tbscans") {}
  void TearDown() override {
    SetDriveSource(nullptr);
    TMainWindowFixture::TearDown();
  }
  TMyDB& DB() { return *FForm->DMM2()->MyDB(); }
  // The stored record of a file imported from path, if any.
  bool Stored(const std::string& path, TTuneRec& rec) {
    int32_t key = 0;
    return DB().FindIdByFileName(path, key) && DB().FindById(key, rec);
  }
  // Shows the scan status window and presses "&Scan system" once it is on the screen.
  void RunSystemScan(TScanStatus& w) {
    TWhenShown press([&w] { w.OKBtn->Click(); });
    FAnswers.Push([&press](TModalRequest&) {
      press.Post();
      return mrRunModal;
    });
    FForm->ScanCommands().ScansystemforMIDIfiles1Click(nullptr);
  }
  static std::vector<std::string> Row(TScanStatus& w, int row) {
    TListItem& item = w.ExtListView1->Items(row);
    std::vector<std::string> r{item.Caption()};
    for (int i = 0; i < item.SubItemCount(); ++i)
      r.push_back(item.SubItems(i));
    return r;
  }
};

using TRow = std::vector<std::string>;

} // namespace

TEST_F(Scans, SystemScanOverDefinedDrivesStopsAndStartsAfresh) {
  Start();
  TScratchDir root("scandrives");
  const std::string c = root / "c\\", d = root / "d\\", e = root / "e\\", f = root / "f\\",
                    empty = root / "empty\\";
  // C: 3 folders, 2 MIDI files; D: 4 folders, 3 files; F: 1 folder, 1 file; E is a CD drive.
  MakeTree(c, {"one.mid", "x.txt", "sub\\two.MID", "sub2\\none.midi"});
  MakeTree(d, {"a\\d1.mid", "a\\b\\d2.mid", "c\\d3.mid"});
  MakeTree(f, {"f1.mid"});
  MakeTree(e, {"cd.mid"});
  ForceDirectories(empty);
  TScanStatus& w = FForm->ScanCommands().ScanStatusWindow();

  // Nothing to find: the scan is still marked done.
  SetDriveSource([&] { return std::vector<TDriveInfo>{{'C', DRIVE_FIXED, empty}}; });
  EXPECT_FALSE(Probe(FForm).FullScanDone());
  RunSystemScan(w);
  EXPECT_TRUE(Probe(FForm).FullScanDone());
  EXPECT_EQ(Row(w, 0), (TRow{"C", "*.mid", "Done", "1", "0"}));
  EXPECT_FALSE(w.Visible());

  SetDriveSource([&] {
    return std::vector<TDriveInfo>{
        {'C', DRIVE_FIXED, c}, {'D', DRIVE_FIXED, d}, {'E', DRIVE_CDROM, e}, {'F', DRIVE_FIXED, f}};
  });
  // A real click on the scanning Stop while D is walked: D ends "Done", F is never walked.
  bool clicked = false;
  std::vector<std::string> walked;
  w.OnFolderWalked = [&](const std::string& folder) {
    walked.push_back(folder);
    if (!clicked && folder.rfind(ExcludeTrailingBackslash(d), 0) == 0) {
      clicked = true;
      RealClick(*w.BitBtn1);
      // Input reaches the window through the X server: wait until the Stop was heard.
      PumpUntil([&] { return w.ScanStopped; }, 3000);
    }
  };
  RunSystemScan(w);
  w.OnFolderWalked = nullptr;
  ASSERT_TRUE(clicked);
  EXPECT_TRUE(w.ScanStopped);
  ASSERT_EQ(w.ExtListView1->ItemCount(), 3);
  EXPECT_EQ(Row(w, 0), (TRow{"C", "*.mid", "Done", "3", "2"}));
  EXPECT_EQ(Row(w, 1)[2], "Done");
  EXPECT_LT(std::stoi(Row(w, 1)[3]), 4) << "the walk of D went on after the Stop";
  EXPECT_EQ(Row(w, 2), (TRow{"F", "*.mid", "Pending", "0", "0"}));
  for (const auto& folder : walked)
    EXPECT_NE(folder.rfind(ExcludeTrailingBackslash(f), 0), 0u) << folder;
  TTuneRec rec;
  ASSERT_TRUE(Stored(c + "one.mid", rec));
  EXPECT_EQ(rec.CategoryName.rfind("FullScan ", 0), 0u) << rec.CategoryName;
  EXPECT_NE(rec.CategoryName.find(ThisYear()), std::string::npos) << rec.CategoryName;
  EXPECT_EQ(rec.LastName, "TBD");
  EXPECT_EQ(rec.FirstName, "");
  EXPECT_FALSE(Stored(f + "f1.mid", rec));
  EXPECT_FALSE(Stored(e + "cd.mid", rec)) << "a CD drive is not scanned";

  // Shown again, the scan starts afresh and finds everything; the import bar runs to the count.
  std::vector<int> positions;
  w.OnImportPosition = [&](int n) { positions.push_back(n); };
  RunSystemScan(w);
  EXPECT_EQ(Row(w, 0), (TRow{"C", "*.mid", "Done", "3", "2"}));
  EXPECT_EQ(Row(w, 1), (TRow{"D", "*.mid", "Done", "4", "3"}));
  EXPECT_EQ(Row(w, 2), (TRow{"F", "*.mid", "Done", "1", "1"}));
  EXPECT_EQ(w.Label3->Caption(), "6");
  EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(w.ExtProgressBar1->Max(), 6);
  for (const char* rel : {"a\\d1.mid", "a\\b\\d2.mid", "c\\d3.mid"})
    EXPECT_TRUE(Stored(d + rel, rec)) << rel;
  EXPECT_TRUE(Stored(f + "f1.mid", rec));
  EXPECT_FALSE(w.OKBtn->Enabled());

  // The importing Stop ends the import at the next file.
  MakeTree(c, {"n1.mid", "n2.mid", "n3.mid", "n4.mid"});
  positions.clear();
  w.OnImportPosition = [&](int n) {
    positions.push_back(n);
    if (n == 1) PostMessageA(w.BitBtn2->Handle(), BM_CLICK, 0, 0);
  };
  RunSystemScan(w);
  w.OnImportPosition = nullptr;
  EXPECT_TRUE(w.ImportStopped);
  EXPECT_EQ(positions, std::vector<int>{1});
  int stored = 0;
  for (const char* n : {"n1.mid", "n2.mid", "n3.mid", "n4.mid"})
    stored += Stored(c + n, rec);
  EXPECT_LE(stored, 1);
  EXPECT_FALSE(w.Visible());
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
}

TEST_F(Scans, RealDrivesAreListedAndAWalkOfZStopsWhenAsked) {
  Start();
  TScanStatus& w = FForm->ScanCommands().ScanStatusWindow();
  w.Show();
  // Stopped before it starts: rows only.
  w.ScanStopped = true;
  TStringList files;
  w.ListFixedDrives("*.mid", files);
  std::vector<std::string> letters;
  for (int i = 0; i < w.ExtListView1->ItemCount(); ++i) {
    letters.push_back(w.ExtListView1->Items(i).Caption());
    EXPECT_EQ(w.ExtListView1->Items(i).SubItems(1), "Pending");
  }
  EXPECT_NE(std::find(letters.begin(), letters.end(), "C"), letters.end());
  EXPECT_NE(std::find(letters.begin(), letters.end(), "Z"), letters.end());

  // Z: is the whole host: a click posted after some hundred folders ends the walk at once.
  w.ExtListView1->ClearItems();
  w.ScanStopped = false;
  w.BitBtn1->SetEnabled(true);
  SetDriveSource([] { return std::vector<TDriveInfo>{{'Z', DRIVE_FIXED, "Z:\\"}}; });
  int folders = 0, atClick = -1;
  w.OnFolderWalked = [&](const std::string&) {
    ++folders;
    if (folders == 300) {
      atClick = folders;
      PostMessageA(w.BitBtn1->Handle(), BM_CLICK, 0, 0);
    }
    if (folders > 5000) w.ScanStopped = true; // never the whole host
  };
  w.ListFixedDrives("*.mid", files);
  w.OnFolderWalked = nullptr;
  ASSERT_EQ(atClick, 300) << "the host has fewer folders than this test needs";
  EXPECT_TRUE(w.ScanStopped);
  EXPECT_LE(folders - atClick, 3) << "the click was heard late";
  EXPECT_EQ(Row(w, 0)[2], "Done");
  EXPECT_EQ(Row(w, 0)[3], std::to_string(folders));
  w.Hide();
}

TEST_F(Scans, DriveScanChecksItsDriveAndNamesWalksImportsAndCloses) {
  Start();
  TDriveScanFrm& w = FForm->ScanCommands().DriveScanWindow();
  // An artist whose last name holds a comma.
  TPerfList& artists = *FForm->DMM2()->PerfList();
  int32_t jr = artists.FindOrAddPerformer("John", "Smith, Jr");
  w.Show();
  ExpectFolderTreeShown(*w.DirectoryListBox1);
  auto items = [&] {
    std::vector<std::string> r;
    for (int i = 0; i < w.DriveComboBox1->Items().Count(); ++i)
      r.push_back(w.DriveComboBox1->Items()[i].substr(0, 2));
    return r;
  };
  auto has = [](const std::vector<std::string>& v, const char* s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };
  EXPECT_TRUE(has(items(), "C:"));
  EXPECT_TRUE(has(items(), "Z:"));

  // A drive on a missing folder is listed but has no disk.
  std::string missing = FDir / "no_such_folder";
  ASSERT_TRUE(DefineDosDeviceA(0, "Q:", missing.c_str()));
  w.DriveComboBox1->BuildList();
  ASSERT_TRUE(has(items(), "Q:"));
  const char before = w.DriveComboBox1->Drive();
  w.DriveComboBox1->SetFocus();
  auto choose = [&](char letter) {
    auto v = items();
    int index =
        static_cast<int>(std::find(v.begin(), v.end(), std::string(1, letter) + ":") - v.begin());
    HWND box = w.DriveComboBox1->Handle();
    SendMessageA(box, CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
  };
  for (int answer : {mrCancel, mrOk}) {
    size_t asked = FAnswers.Asked().size();
    FAnswers.Push(answer);
    choose('Q');
    ASSERT_EQ(FAnswers.Asked().size(), asked + 1);
    EXPECT_EQ(FAnswers.Asked().back().Text, "Q: is not ready.  Insert disk!");
    EXPECT_EQ(w.DriveComboBox1->Drive(), before) << answer;
    EXPECT_EQ(w.DirectoryListBox1->Drive(), before) << answer;
  }
  DefineDosDeviceA(DDD_REMOVE_DEFINITION, "Q:", nullptr);

  // The import information.
  std::string last, first, category;
  size_t asked = FAnswers.Asked().size();
  EXPECT_TRUE(w.ValidateScanInfo("X", "Folk", last, first, category));
  EXPECT_EQ(last, "X");
  EXPECT_EQ(first, "");
  EXPECT_EQ(category, "Folk");
  EXPECT_TRUE(w.ValidateScanInfo("Doe, Jane", " Brand new ", last, first, category));
  EXPECT_EQ(last, "Doe");
  EXPECT_EQ(first, "Jane");
  EXPECT_EQ(category, "Brand new");
  EXPECT_TRUE(w.ValidateScanInfo("Smith, Jr, John", "Jazz", last, first, category));
  EXPECT_EQ(last, "Smith, Jr") << "a picked artist is not split again";
  EXPECT_EQ(first, "John");
  EXPECT_EQ(FAnswers.Asked().size(), asked);
  const std::pair<const char*, const char*> refused[] = {{"X", "Rock & Roll"},
                                                         {ArtistPlaceholder, "Folk"},
                                                         {"X", CategoryPlaceholder},
                                                         {", ", "Folk"},
                                                         {",", "Folk"},
                                                         {"   ", "Folk"},
                                                         {"Doe", "   "},
                                                         {"", "Folk"}};
  for (const auto& [artist, cat] : refused) {
    FAnswers.Push(mrOk);
    EXPECT_FALSE(w.ValidateScanInfo(artist, cat, last, first, category)) << artist << cat;
    ASSERT_EQ(FAnswers.Asked().size(), ++asked);
    EXPECT_EQ(FAnswers.Asked().back().Text,
              "Please enter a valid artist and category for scanned MIDIs");
  }
  w.Hide();

  // A scan of a folder tree with a new category and a typed artist.
  TScratchDir tree("drivescan");
  MakeTree(tree.Path(), {"s1.mid", "deep\\s2.mid", "deep\\deeper\\s3.mid", "skip.txt"});
  const int artistsBefore = artists.Count();
  TWhenShown fill([&] {
    w.DirectoryListBox1->SetDirectory(tree.Path());
    w.Artists->SetText("Smith, John");
    w.Categories->SetText("Brass Band");
    w.OKBtnClick(w.OKBtn);
  });
  FAnswers.Push([&fill](TModalRequest&) {
    fill.Post();
    return mrRunModal;
  });
  FForm->ScanCommands().ScanadriveforMIDIfiles1Click(nullptr);
  EXPECT_EQ(w.ModalResult(), mrOk);
  EXPECT_EQ(w.Edit1->Text(), "3");
  EXPECT_EQ(w.Edit2->Text(), "3");
  EXPECT_EQ(w.Label4->Caption(), ExcludeTrailingBackslash(tree.Path()));
  for (const char* rel : {"s1.mid", "deep\\s2.mid", "deep\\deeper\\s3.mid"}) {
    TTuneRec rec;
    ASSERT_TRUE(Stored(tree / rel, rec)) << rel;
    EXPECT_EQ(rec.CategoryName, "Brass Band");
    EXPECT_EQ(rec.LastName, "Smith");
    EXPECT_EQ(rec.FirstName, "John");
  }
  EXPECT_EQ(artists.Count(), artistsBefore + 1);
  EXPECT_NE(artists.FindPerformer("John", "Smith"), 0);
  EXPECT_NE(artists.FindPerformer("John", "Smith, Jr"), 0);
  EXPECT_EQ(artists.FindPerformer("John", "Smith, Jr"), jr);
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());

  // A folder that is gone.
  asked = FAnswers.Asked().size();
  FAnswers.Push(mrOk);
  FForm->ScanCommands().AddScannedFolder(FDir / "gone", true, "X", "", "Folk");
  ASSERT_EQ(FAnswers.Asked().size(), asked + 1);
  EXPECT_EQ(FAnswers.Asked().back().Text, "Could not find directory: " + (FDir / "gone"));

  // Closing the window during the walk stops the walk and the import.
  TScratchDir wide("drivescanclose");
  const std::vector<std::string> many = {"f0\\t.mid", "f1\\t.mid", "f2\\t.mid", "f3\\t.mid",
                                         "f4\\t.mid", "f5\\t.mid", "f6\\t.mid", "f7\\t.mid"};
  MakeTree(wide.Path(), many);
  w.OnFolderWalked = [&](const std::string&) { PostMessageA(w.Handle(), WM_CLOSE, 0, 0); };
  TWhenShown start([&] {
    w.DirectoryListBox1->SetDirectory(wide.Path());
    w.Artists->SetText("Closer");
    w.Categories->SetText("Folk");
    w.OKBtnClick(w.OKBtn);
  });
  FAnswers.Push([&start](TModalRequest&) {
    start.Post();
    return mrRunModal;
  });
  FForm->ScanCommands().ScanadriveforMIDIfiles1Click(nullptr);
  w.OnFolderWalked = nullptr;
  EXPECT_TRUE(w.ScanStopped);
  EXPECT_TRUE(w.ImportStopped);
  EXPECT_LE(w.FolderCount(), 2);
  int stored = 0;
  for (const auto& rel : many) {
    TTuneRec rec;
    stored += Stored(wide / rel, rec);
  }
  EXPECT_EQ(stored, 0);
  EXPECT_FALSE(w.Visible());
}

TEST_F(Scans, ASessionEndDuringAWalkStopsItAndKeepsTheStoreOpen) {
  Start();
  TScratchDir root("scanclose");
  MakeTree(root / "c\\", {"a\\1.mid", "b\\2.mid", "c\\3.mid", "d\\4.mid", "e\\5.mid"});
  SetDriveSource([&] { return std::vector<TDriveInfo>{{'C', DRIVE_FIXED, root / "c\\"}}; });
  TScanStatus& w = FForm->ScanCommands().ScanStatusWindow();

  // Windows ends the session: the lists are written, the walk ends at its next folder.
  int walked = 0;
  w.OnFolderWalked = [&](const std::string&) {
    if (++walked == 1) SendMessageA(FForm->Handle(), WM_ENDSESSION, TRUE, 0);
  };
  RunSystemScan(w);
  EXPECT_EQ(walked, 1);
  EXPECT_TRUE(FForm->Road().Aborted());
  EXPECT_TRUE(FileExists(FDir / "Categories.dex"));
  TTuneRec rec;
  for (const char* rel : {"a\\1.mid", "b\\2.mid"})
    EXPECT_FALSE(Stored(root / "c\\" + rel, rec)) << rel;
  ASSERT_NE(MasterFrm, nullptr) << "the store stayed open under the walk";
  w.OnFolderWalked = nullptr;
}

TEST_F(Scans, AMainWindowCloseDuringAWalkEndsTheWalkThenCloses) {
  Start();
  TScratchDir root("scanclose2");
  MakeTree(root / "c\\", {"a\\1.mid", "b\\2.mid", "c\\3.mid", "d\\4.mid", "e\\5.mid"});
  SetDriveSource([&] { return std::vector<TDriveInfo>{{'C', DRIVE_FIXED, root / "c\\"}}; });
  TScanStatus& w = FForm->ScanCommands().ScanStatusWindow();
  int walked = 0;
  bool importedAfterClose = false;
  TMasterFrm* form = FForm;
  w.OnFolderWalked = [&](const std::string&) {
    if (++walked == 1) PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
  };
  w.OnImportPosition = [&](int) { importedAfterClose = true; };
  FForm = nullptr; // it frees itself once closed
  {
    TWhenShown press([&w] { w.OKBtn->Click(); });
    FAnswers.Push([&press](TModalRequest&) {
      press.Post();
      return mrRunModal;
    });
    form->ScanCommands().ScansystemforMIDIfiles1Click(nullptr);
  }
  EXPECT_LE(walked, 2) << "the walk went on after the close";
  EXPECT_FALSE(importedAfterClose) << "nothing was imported after the close";
  EXPECT_TRUE(PumpUntil([] { return MasterFrm == nullptr; }, 20000))
      << "the close that waited for the walk follows it";
}

TEST_F(Scans, ATitleAskedForDuringTheImportPlaysBetweenTwoFiles) {
  Start();
  TScratchDir root("scanplay");
  MakeTree(root / "c\\", {"1.mid", "2.mid", "3.mid", "4.mid"});
  SetDriveSource([&] { return std::vector<TDriveInfo>{{'C', DRIVE_FIXED, root / "c\\"}}; });
  TStringList keys;
  keys.Add(IntToStr(FCat.Keys[0]));
  keys.Add(IntToStr(FCat.Keys[1]));
  FForm->Road().Program().PlayAtTop(keys);
  ASSERT_EQ(FForm->Road().MasterKeyPlaying(), FCat.Keys[0]);
  TScanStatus& w = FForm->ScanCommands().ScanStatusWindow();
  int32_t playingAtThird = 0;
  bool gaveUp = false;
  w.OnImportPosition = [&](int n) {
    if (n == 1) {
      // The user steps on while the scan imports: the start waits for the import and gives up.
      FForm->PlayCommands().PlayNextClick(nullptr);
      gaveUp = FForm->Road().StartFailed() && FForm->Road().MasterKeyPlaying() == FCat.Keys[0];
    }
    if (n == 3) playingAtThird = FForm->Road().MasterKeyPlaying();
  };
  RunSystemScan(w);
  w.OnImportPosition = nullptr;
  EXPECT_TRUE(gaveUp);
  EXPECT_EQ(playingAtThird, FCat.Keys[1]) << "the title waited for the end of the import";
}

TEST_F(Scans, ClosingTheScanWindowDuringItsWalkStopsTheWalkAndTheImport) {
  Start();
  TScratchDir root("scanwinclose");
  MakeTree(root / "c\\", {"a\\1.mid", "b\\2.mid", "c\\3.mid", "d\\4.mid"});
  MakeTree(root / "d\\", {"5.mid"});
  SetDriveSource([&] {
    return std::vector<TDriveInfo>{{'C', DRIVE_FIXED, root / "c\\"},
                                   {'D', DRIVE_FIXED, root / "d\\"}};
  });
  TScanStatus& w = FForm->ScanCommands().ScanStatusWindow();
  int walked = 0;
  w.OnFolderWalked = [&](const std::string&) {
    if (++walked == 1) PostMessageA(w.Handle(), WM_CLOSE, 0, 0);
  };
  bool imported = false;
  w.OnImportPosition = [&](int) { imported = true; };
  RunSystemScan(w);
  w.OnFolderWalked = nullptr;
  w.OnImportPosition = nullptr;
  EXPECT_TRUE(w.ScanStopped);
  EXPECT_TRUE(w.ImportStopped);
  EXPECT_EQ(walked, 1);
  EXPECT_FALSE(imported);
  EXPECT_EQ(Row(w, 1)[2], "Pending");
  EXPECT_FALSE(w.Visible());
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
}
