// Requests from outside through the main window's messages: files dropped from the shell, the
// browser plug-in's requests and position, and what happens when they come inside an import.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include "MainWindowFixture.h"
#include "MasterProbe.h"
#include "RequestCommands.h"
#include "MainPlay.h"
#include "ImportCommands.h"
#include "RunningProgram.h"
#include "StandInSequencer.h"
#include "DataCodeD2.h"
#include "Drops.h"
#include "ScanHelpers.h"
#include "MainViews.h"
#include <map>

namespace {

// A 40-minute title on the stand-in sequencer; play positions asked for are recorded.
class TLongSequencer : public TEndingSequencer {
public:
  std::vector<DWORD> PlayedFrom;
  uint32_t SendCommand(uint32_t device, uint32_t message, uintptr_t flags,
                       uintptr_t params) override {
    if (message == MCI_STATUS &&
        reinterpret_cast<MCI_STATUS_PARMS*>(params)->dwItem == MCI_STATUS_LENGTH) {
      reinterpret_cast<MCI_STATUS_PARMS*>(params)->dwReturn = 40 * 60 * 1000;
      return 0;
    }
    if (message == MCI_PLAY && (flags & MCI_FROM))
      PlayedFrom.push_back(reinterpret_cast<MCI_PLAY_PARMS*>(params)->dwFrom);
    return TEndingSequencer::SendCommand(device, message, flags, params);
  }
};

class Requests : public TMainWindowFixture {
protected:
  Requests() : TMainWindowFixture("tbrequest") {}
  TLongSequencer FSeq;
  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
  }
  TMyDB& DB() { return *FForm->DMM2()->MyDB(); }
  int Titles() { return static_cast<int>(DB().KeyIndex().size()); }
  bool FindByOrigin(const std::string& origin, TTuneRec& rec) {
    int32_t key;
    return DB().FindIdByFileName(origin, key) && DB().FindById(key, rec);
  }
  std::string Song(int i = 0) { return CorpusFiles("pianobooster").at(i); }
  void Drop(const std::vector<std::string>& files) {
    SendMessageA(FForm->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
  }
};

TEST_F(Requests, DropsOnAllTitlesAndOnATabRightAfterAnImportElsewhere) {
  Start();
  std::string dotted = FDir / "my.song.v2.mid";
  ASSERT_TRUE(CopyFileA(Song(0).c_str(), dotted.c_str(), FALSE));
  const int before = Titles();
  Drop({dotted, OracleDir("import_archives") + "three.zip", FDir / "missing.mid"});
  EXPECT_EQ(FForm->RequestCommands().QueuedRequests(), 1) << "a drop waits for its turn";
  ASSERT_TRUE(PumpUntil([&] { return Titles() == before + 4; }, 20000));
  TTuneRec rec;
  ASSERT_TRUE(FindByOrigin(dotted, rec));
  EXPECT_EQ(rec.Title, "my") << "the name up to its first dot";
  EXPECT_EQ(rec.CategoryName, "Windows default");
  EXPECT_EQ(rec.LastName, "Unknown");
  EXPECT_EQ(Probe(FForm).StatusBar1()->Panels(0).Text(), "Done");
  EXPECT_FALSE(Probe(FForm).ProgressBar1()->Visible());
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());

  // An import into another category first, then a drop on the Jazz tab: Jazz it is.
  std::string result;
  FForm->ImportCommands().AddFileByType(Song(1), "x", result, true, true, Song(1), "", "Folk");
  ASSERT_EQ(result, "OK");
  int32_t jazz = FForm->CatList()->FindCategory("Jazz");
  Probe(FForm).Categories()->SetActivePageIndex(FForm->CatList()->PageIndexOfKey(jazz));
  Drop({Song(2)});
  ASSERT_TRUE(PumpUntil([&] { return FindByOrigin(Song(2), rec); }, 20000));
  EXPECT_EQ(rec.CategoryName, "Jazz");
  EXPECT_TRUE(FAnswers.Asked().empty());
}

TEST_F(Requests, ADropOrACloseInsideAnImportsQuestionWaitsForTheImport) {
  Start();
  std::string result;
  FForm->ImportCommands().AddFileByType(Song(0), "a", result, true, true, Song(0), "", "");
  ASSERT_EQ(result, "OK");
  const int before = Titles();
  // The duplicate question is up: a drop arrives, and the user answers Yes.
  int queuedDuringQuestion = -1;
  FAnswers.Push([&](TModalRequest&) {
    Drop({Song(3)});
    ProcessMessages();
    queuedDuringQuestion = FForm->RequestCommands().QueuedRequests();
    EXPECT_EQ(Titles(), before) << "nothing imported over the question";
    return mrYes;
  });
  FForm->ImportCommands().AddFileByType(Song(0), "a", result, true, false, Song(0), "", "");
  EXPECT_EQ(result, "OK");
  EXPECT_EQ(queuedDuringQuestion, 1);
  EXPECT_TRUE(PumpUntil([&] { return Titles() == before + 2; }, 20000)) << "the drop runs after";

  // A close inside the next question: the import stops (the title in hand is not stored), then
  // the window closes with the catalogue whole.
  FAnswers.Push([&](TModalRequest&) {
    PostMessageA(FForm->Handle(), WM_CLOSE, 0, 0);
    ProcessMessages();
    EXPECT_NE(MasterFrm, nullptr) << "not freed under the import";
    return mrYes;
  });
  FForm->ImportCommands().AddFileByType(Song(0), "a", result, true, false, Song(0), "", "");
  EXPECT_NE(result, "OK");
  TMasterFrm* form = FForm;
  FForm = nullptr;
  ASSERT_TRUE(PumpUntil([] { return MasterFrm == nullptr; }, 20000));
  (void)form;
  TMyDB db;
  db.Open(FDir / "Music");
  EXPECT_EQ(static_cast<int>(db.KeyIndex().size()), before + 2);
  db.Close();
  TCatList cats(FDir.Path());
  cats.LoadFromFile(CategoriesName, nullptr);
  EXPECT_GE(cats.FindCategory("Windows default"), 1) << "the lists were written";
}

TEST_F(Requests, PluginRequestsPositionsAndTheMixer) {
  TPluginSide plugin;
  Start();
  std::string cached = FDir / "Cache\\a1B2.mid";
  ForceDirectories(FDir / "Cache");
  ASSERT_TRUE(CopyFileA(Song(4).c_str(), cached.c_str(), FALSE));
  Probe(FForm).Item("Looping1")->SetChecked(false);
  ProcessMessages();
  plugin.Clear();
  plugin.Request(FForm->Handle(), "NV" + cached + "[http://tunes.example/folk/Green_Sleeves.mid ");
  EXPECT_TRUE(PumpUntil([&] { return plugin.Paints() > 0; }, 20000)) << "the browser repainted";
  TTuneRec rec;
  ASSERT_TRUE(PumpUntil(
      [&] { return FindByOrigin("http://tunes.example/folk/Green_Sleeves.mid", rec); }, 20000));
  EXPECT_EQ(rec.Title, "Green Sleeves");
  EXPECT_EQ(rec.CategoryName, "Netscape default");
  EXPECT_TRUE(Probe(FForm).Item("Looping1")->Checked());
  EXPECT_TRUE(FForm->Road().Looping());
  ASSERT_TRUE(PumpUntil([&] { return FForm->Road().MasterKeyPlaying() == rec.MasterKey; }, 20000));
  EXPECT_EQ(FForm->Road().Program().Count(), 1) << "the program was replaced";
  // While it plays the receiver hears the position.
  EXPECT_TRUE(PumpUntil([&] { return plugin.Count("QX_TrackBar_Perc") > 0; }, 20000));

  // Positions asked by another process: thousandths of 40 minutes, never beyond its end.
  FSeq.PlayedFrom.clear();
  for (WPARAM pos : {0u, 1000u, 5000u, 0xFFFFFFFFu})
    SendMessageA(FForm->Handle(), QxMessages.TrackBarSetPos, pos, 0);
  std::vector<DWORD> want = {0, 2400000, 2400000, 0};
  EXPECT_EQ(FSeq.PlayedFrom, want);
  EXPECT_EQ(SendMessageA(FForm->Handle(), QxMessages.ShowMixerWindow, 0, 0), 0);

  // A file that cannot be added tells the receiver; a request without "[" does nothing.
  WriteFileBytes(FDir / "bad.tmp", "not music at all");
  plugin.Clear();
  const int before = Titles();
  plugin.Request(FForm->Handle(), "NV" + FDir / "bad.tmp" + "[http://tunes.example/bad.mid");
  EXPECT_TRUE(PumpUntil([&] { return plugin.Count("QX_ShowBadFileBitmap") == 1; }, 20000));
  plugin.Request(FForm->Handle(), "NV" + cached);
  PumpUntil([&] { return FForm->RequestCommands().HandledRequests().back() == "NV" + cached; },
            5000);
  EXPECT_EQ(Titles(), before);
  EXPECT_EQ(FForm->RequestCommands().HandledRequests().back(), "NV" + cached);
}

TEST_F(Requests, TheSessionEndingInsideAnImportWritesTheListsAndLeavesTheStoreOpen) {
  Start();
  std::string result;
  FForm->ImportCommands().AddFileByType(Song(0), "a", result, true, true, Song(0), "Early, Bird",
                                        "Early");
  ASSERT_EQ(result, "OK");
  FAnswers.Push([&](TModalRequest&) {
    SendMessageA(FForm->Handle(), WM_QUERYENDSESSION, 0, 0);
    SendMessageA(FForm->Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_NE(FForm->DMM2(), nullptr) << "the store stays for the import beneath";
    return mrYes;
  });
  FForm->ImportCommands().AddFileByType(Song(0), "a", result, true, false, Song(0), "", "");
  EXPECT_NE(result, "OK") << "the session ends: the title in hand is not stored";
  TCatList cats(FDir.Path());
  cats.LoadFromFile(CategoriesName, nullptr);
  EXPECT_GE(cats.FindCategory("Early"), 1) << "the category file was written";
  TPerfList artists(FDir.Path());
  artists.LoadFromFile(ArtistsName);
  EXPECT_GE(artists.FindPerformer("Bird", "Early"), 1);
  EXPECT_TRUE(FileExists(FDir / "Tonalbrook.ini"));
}

TEST_F(Requests, AStartThatGaveUpOnAnImportIsSteppedAgainAfterIt) {
  Start();
  TStringList keys;
  keys.Add(IntToStr(FCat.Keys[0]));
  keys.Add(IntToStr(FCat.Keys[1]));
  FForm->Road().Program().PlayAtTop(keys);
  ASSERT_EQ(FForm->Road().MasterKeyPlaying(), FCat.Keys[0]);
  std::string result;
  FForm->ImportCommands().AddFileByType(Song(0), "a", result, true, true, Song(0), "", "");
  FAnswers.Push([&](TModalRequest&) {
    // The user steps on while the import asks: the start waits for the import and gives up.
    FForm->PlayCommands().PlayNextClick(nullptr);
    EXPECT_TRUE(FForm->Road().StartFailed());
    EXPECT_EQ(FForm->Road().MasterKeyPlaying(), FCat.Keys[0]);
    return mrNo;
  });
  FForm->ImportCommands().AddFileByType(Song(0), "a", result, true, false, Song(0), "", "");
  EXPECT_TRUE(PumpUntil([&] { return FForm->Road().MasterKeyPlaying() == FCat.Keys[1]; }, 10000));
}

// What a user reads of the catalogue: every page's grid, a line per row, and its summary line.
std::map<std::string, std::vector<std::string>> Shown(TMasterFrm* form) {
  std::map<std::string, std::vector<std::string>> shown;
  auto read = [&](const std::string& page, TMyStringGrid& grid, TPanel& summary) {
    std::vector<std::string>& lines = shown[page];
    lines.push_back(summary.Caption());
    for (int r = 0; r < grid.RowCount(); ++r) {
      lines.emplace_back();
      for (int c = 0; c < grid.ColCount(); ++c)
        lines.back() += grid.Cells(c, r) + '\t';
    }
  };
  read("ALL", *Probe(form).AllCatGrid(), *Probe(form).AllCatPT());
  for (auto& page : form->CategoryArea().Pages())
    read(Trim(page->Sheet()->Caption()), *page->GridControl(), *page->Summary());
  return shown;
}

// Files dropped one at a time on the all-titles page and on a category tab leave every grid and
// summary as the same catalogue shows them when it is opened anew, and the titles the user had
// selected stay selected.
TEST_F(Requests, AfterDropsTheGridsAndSummariesAreWhatAFreshStartShows) {
  // Titles that sort apart: every title's name is its own.
  const char* categories[] = {"Folk", "Jazz", "Blues"};
  ForceDirectories(FDir / "titles");
  std::vector<TTitleSpec> titles;
  for (int i = 0; i < 45; ++i) {
    titles.push_back({FDir / Format("titles\\piece%d.mid", i), Format("Piece %02d", (i * 17) % 45),
                      categories[i % 3], i % 2 ? "Zorn" : "Adams", "John", ""});
    WriteFileBytes(titles.back().File, TinyMidi(i));
  }
  PrepareTitles(FDir.Path(), titles);
  Start();
  const int before = Titles();
  TMyStringGrid& all = *Probe(FForm).AllCatGrid();
  // Three titles selected by the user, the current row among them.
  TStringList picked, selected;
  for (int row : {2, 5, 30})
    picked.Add(IntToStr(all.Objects(row)->MasterKey));
  all.SelectKeyRows(picked);
  all.SetRow(5);
  ForceDirectories(FDir / "dropped");
  std::vector<std::string> dropped;
  for (const char* name : {"aaa first.mid", "middle m.mid", "zzz last.mid", "Piece 20b.mid"}) {
    dropped.push_back(FDir / (std::string("dropped\\") + name));
    WriteFileBytes(dropped.back(), TinyMidi(static_cast<int>(dropped.size()) + 50));
  }
  auto dropAndWait = [&](const std::vector<std::string>& files, int titlesThen) {
    Drop(files);
    return PumpUntil([&] { return Titles() == titlesThen && !FForm->Importing(); }, 20000);
  };
  ASSERT_TRUE(dropAndWait({dropped[0], dropped[1]}, before + 2));
  all.GetSelectedKeys(selected);
  selected.SetSorted(true);
  picked.SetSorted(true);
  EXPECT_EQ(selected.Text(), picked.Text()) << "the selected titles, wherever the drop put rows";
  ASSERT_TRUE(dropAndWait({dropped[2]}, before + 3));
  int32_t jazz = FForm->CatList()->FindCategory("Jazz");
  Probe(FForm).Categories()->SetActivePageIndex(FForm->CatList()->PageIndexOfKey(jazz));
  ASSERT_TRUE(dropAndWait({dropped[3]}, before + 4));
  ProcessMessages();
  const auto afterDrops = Shown(FForm);
  EXPECT_EQ(afterDrops.at("ALL")[0].rfind(std::to_string(before + 4) + " titles  ---  ", 0), 0u);
  EXPECT_EQ(afterDrops.at("Windows default").size(), 5u) << "its summary, header and three titles";
  CloseAndWait();
  Start();
  EXPECT_EQ(afterDrops, Shown(FForm));
}

} // namespace
