// Saving titles to disk, archiving them and handing them to the mail window, through the main
// window over a prepared catalogue.
#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <stdexcept>
#include "../mainwin/MainWindowFixture.h"
#include "ImportCommands.h"
#include "ExportCommands.h"
#include "CreateArchiveCodeD2.h"
#include "MailHandOff.h"
#include "TuneFiles.h"
#include "DataCodeD2.h"

namespace {

// What the checker reads: the catalogue, the chosen folder as left, and what each file must be.
struct TExpectedFile {
  std::string File;  // relative to the chosen folder
  int32_t Key;       // the title it must hold
  std::string Entry; // for an archive: the entry's name; "" for a plain file
};

void LeaveForCheck(const std::string& name, const std::string& catalogue, const std::string& out,
                   const std::vector<TExpectedFile>& expected) {
  const std::string dir =
      WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\export_files\\" + name + "\\";
  RemoveTree(dir);
  ForceDirectories(dir + "catalogue\\");
  ForceDirectories(dir + "out\\");
  for (const char* file : {"Music.dex", "Music.dax"})
    WriteFileBytes(dir + "catalogue\\" + file, ReadFileBytes(catalogue + file));
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((out + "*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        WriteFileBytes(dir + "out\\" + fd.cFileName, ReadFileBytes(out + fd.cFileName));
      else if (std::string(fd.cFileName) != "." && std::string(fd.cFileName) != "..")
        ForceDirectories(dir + "out\\" + fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  std::string tsv;
  for (const TExpectedFile& e : expected)
    tsv += e.File + "\t" + IntToStr(e.Key) + "\t" + e.Entry + "\n";
  WriteFileBytes(dir + "expect.tsv", tsv);
}

class Export : public TMainWindowFixture {
protected:
  Export() : TMainWindowFixture("tbexport") {}

  TScratchDir FOut{"tbexportout"};
  std::vector<TModalRequest> FAsked; // copies of every request answered through Answer()

  TTuneRec Record(int32_t key) {
    TTuneRec rec;
    EXPECT_TRUE(FForm->DMM2()->MyDB()->FindById(key, rec));
    return rec;
  }
  void Retitle(int32_t key, const std::string& title) {
    TTuneRec rec = Record(key);
    ASSERT_TRUE(FForm->DMM2()->ChangeTune(key, true, rec.PerformerKey, rec.CategoryKey, title));
  }
  // The save dialog answered with a name (relative to the output folder) and a filter.
  void SaveAs(const std::string& name, int filter) {
    FAnswers.Push([this, name, filter](TModalRequest& r) {
      FAsked.push_back(r);
      auto* d = dynamic_cast<TSaveDialog*>(r.Dialog);
      EXPECT_NE(d, nullptr) << r.Kind;
      if (!d) return mrCancel;
      d->SetFileName(FOut / (name.empty() ? d->FileName() : name));
      d->SetFilterIndex(filter);
      return mrOk;
    });
  }
  void Answer(int result) {
    FAnswers.Push([this, result](TModalRequest& r) {
      FAsked.push_back(r);
      return result;
    });
  }
  TStringList Keys(std::initializer_list<int32_t> keys) {
    TStringList list;
    for (int32_t k : keys)
      list.Add(IntToStr(k));
    return list;
  }
  // Entry name -> bytes of an archive.
  static std::map<std::string, std::string> Entries(const std::string& archive) {
    std::map<std::string, std::string> out;
    TArchiveReader reader;
    std::string error;
    EXPECT_TRUE(reader.Open(archive, error)) << archive << ": " << error;
    TScratchDir tmp("tbexportunz");
    for (int i = 0; i < reader.Count(); ++i) {
      std::string why;
      EXPECT_TRUE(reader.Extract(i, tmp / "e", 1 << 24, why)) << why;
      out[reader.Entry(i).Name] = ReadFileBytes(tmp / "e");
    }
    return out;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const TModalRequest& r : FAnswers.Asked())
      if (!r.Text.empty()) out.push_back(r.Text);
    return out;
  }
};

TEST_F(Export, SavedTitlesAreTheStoredFilesUnderTheNamesChosen) {
  Start();
  const auto& k = FCat.Keys;
  SaveAs("first", 1);      // no extension: ".mid" added
  SaveAs("second.MID", 1); // already one: not doubled
  SaveAs("third", 2);      // packed
  SaveAs("fourth.zip", 2);
  FForm->ExportCommands().SaveTitlesToDisk(Keys({k[0], k[1], k[2], k[3]}));
  EXPECT_EQ(ReadFileBytes(FOut / "first.mid"), ReadFileBytes(FCat.Files[0]));
  EXPECT_EQ(ReadFileBytes(FOut / "second.MID"), ReadFileBytes(FCat.Files[1]));
  EXPECT_FALSE(FileExists(FOut / "second.MID.mid"));
  auto third = Entries(FOut / "third.zip");
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third["third.mid"], ReadFileBytes(FCat.Files[2]));
  EXPECT_EQ(Entries(FOut / "fourth.zip")["fourth.mid"], ReadFileBytes(FCat.Files[3]));
  // Nothing else beside them, nothing left in the work folder.
  EXPECT_FALSE(FileExists(FOut / "third.mid"));
  EXPECT_FALSE(FileExists(FOut / "third"));
  EXPECT_FALSE(FileExists(FOut / "fourth.zip.zip"));
  // The proposals: each title's name; the dialog remembers the folder of the last save.
  ASSERT_EQ(FAsked.size(), 4u);
  EXPECT_EQ(FAsked[0].Caption, "Save " + Record(k[0]).Title + " to...");
  EXPECT_EQ(IncludeTrailingBackslash(FForm->ExportCommands().SaveDialog1().InitialDir()),
            FOut.Path());
  EXPECT_EQ(IncludeTrailingBackslash(GetCurrentDir()), FDir.Path());
  EXPECT_TRUE(Texts().empty()) << Texts()[0];
  CloseAndWait();
  LeaveForCheck("save", FDir.Path(), FOut.Path(),
                {{"first.mid", k[0], ""},
                 {"second.MID", k[1], ""},
                 {"third.zip", k[2], "third.mid"},
                 {"fourth.zip", k[3], "fourth.mid"}});
}

TEST_F(Export, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  Start();
  const auto& k = FCat.Keys;
  WriteFileBytes(FOut / "mine.mid", "the user's own");
  SaveAs("mine", 1);
  Answer(mrNo);
  FAnswers.Push(mrCancel); // the dialog again: given up
  FForm->ExportCommands().SaveTitlesToDisk(Keys({k[0]}));
  EXPECT_EQ(ReadFileBytes(FOut / "mine.mid"), "the user's own");
  ASSERT_GE(FAsked.size(), 2u);
  EXPECT_EQ(FAsked[1].Text, FOut / "mine.mid" + " already exists.\r\nDo you want to replace it?");
  SaveAs("mine", 1);
  Answer(mrYes);
  FForm->ExportCommands().SaveTitlesToDisk(Keys({k[0]}));
  EXPECT_EQ(ReadFileBytes(FOut / "mine.mid"), ReadFileBytes(FCat.Files[0]));
}

// Refuses to put any file in place, as a full or locked disk would.
class TRefusingOps : public TFileOps {
public:
  bool Replace(const std::string&, const std::string&) override { return false; }
};

TEST_F(Export, AFailedSaveKeepsTheFileThereAndNamesTheTitle) {
  Start();
  const auto& k = FCat.Keys;
  WriteFileBytes(FOut / "keep.mid", "keep me");
  TRefusingOps refusing;
  FForm->ExportCommands().SetSaveFileOps(&refusing);
  SaveAs("keep", 1);
  Answer(mrYes);
  Answer(mrOk);
  FForm->ExportCommands().SaveTitlesToDisk(Keys({k[0]}));
  FForm->ExportCommands().SetSaveFileOps(nullptr);
  EXPECT_EQ(ReadFileBytes(FOut / "keep.mid"), "keep me");
  ASSERT_EQ(FAsked.size(), 3u);
  EXPECT_EQ(FAsked[2].Text, "\"" + Record(k[0]).Title + "\" could not be saved to " +
                                FOut / "keep.mid" +
                                ".\r\nA file of that name that was there is unchanged.");
  // The work copy is gone.
  std::vector<std::string> left;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((FDir / "TempTrash\\Save\\*.*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) left.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  EXPECT_TRUE(left.empty()) << left[0];
}

TEST_F(Export, ADamagedStoredTitleIsToldOnceInItsOwnWords) {
  // A byte inside the first title's stored copy flipped, as a disk fault leaves it. The record's
  // offset and length are read at their places in the index: 12 and 16.
  std::string dex = ReadFileBytes(FDir / "Music.dex");
  std::string dax = ReadFileBytes(FDir / "Music.dax");
  auto field = [&](size_t rec, size_t at) {
    uint32_t v = 0;
    for (size_t b = 0; b < 4; ++b)
      v |= static_cast<uint32_t>(static_cast<uint8_t>(dex[rec * TuneRecSize + at + b])) << (8 * b);
    return v;
  };
  ASSERT_GE(dex.size(), static_cast<size_t>(TuneRecSize));
  dax[field(0, 12) + field(0, 16) / 2] ^= 0x20;
  WriteFileBytes(FDir / "Music.dax", dax);
  Start();
  WriteFileBytes(FOut / "keep.mid", "keep me");
  SaveAs("keep", 1);
  Answer(mrYes); // replace it
  Answer(mrOk);  // the damaged title's message
  Answer(mrOk);  // a second message, which must not come
  const int32_t key = DecodeTuneRec(reinterpret_cast<const uint8_t*>(dex.data())).MasterKey;
  FForm->ExportCommands().SaveTitlesToDisk(Keys({key}));
  EXPECT_EQ(ReadFileBytes(FOut / "keep.mid"), "keep me");
  ASSERT_EQ(FAsked.size(), 3u) << FAsked.back().Text;
  EXPECT_NE(FAsked[2].Text.find("is damaged"), std::string::npos) << FAsked[2].Text;
  EXPECT_NE(FAsked[2].Text.find("cannot be played, saved or mailed"), std::string::npos);
}

TEST_F(Export, HostileTitlesAreSavedInsideTheChosenFolder) {
  Start();
  const auto& k = FCat.Keys;
  const int64_t index = FileSize(FDir / "Music.dex"); // open in the store: not read here
  Retitle(k[0], "..\\Music.dex");
  Retitle(k[1], "a:b*c?\"d<e>f|g/h");
  Retitle(k[2], "CON");
  Retitle(k[3], " . ");
  for (int i = 0; i < 4; ++i)
    SaveAs("", 1); // the proposed name as it stands
  FForm->ExportCommands().SaveTitlesToDisk(Keys({k[0], k[1], k[2], k[3]}));
  EXPECT_EQ(FileSize(FDir / "Music.dex"), index) << "the index is intact";
  EXPECT_GT(index, 0);
  EXPECT_EQ(ReadFileBytes(FOut / "_Music.dex.mid"), ReadFileBytes(FCat.Files[0]));
  EXPECT_EQ(ReadFileBytes(FOut / "a_b_c__d_e_f_g_h.mid"), ReadFileBytes(FCat.Files[1]));
  EXPECT_EQ(ReadFileBytes(FOut / "_CON.mid"), ReadFileBytes(FCat.Files[2]));
  EXPECT_EQ(ReadFileBytes(FOut / "Untitled.mid"), ReadFileBytes(FCat.Files[3]));
}

TEST_F(Export, ARunOfUnsavedTitlesIsQuestioned) {
  Start();
  const int32_t key = FCat.Keys[0];
  TStringList ten;
  for (int i = 0; i < 10; ++i)
    ten.Add(IntToStr(key));
  for (int i = 0; i < 3; ++i)
    FAnswers.Push(mrCancel);
  Answer(mrYes);
  for (int i = 0; i < 5; ++i)
    FAnswers.Push(mrCancel);
  Answer(mrNo);
  FForm->ExportCommands().SaveTitlesToDisk(ten);
  ASSERT_EQ(FAsked.size(), 2u);
  EXPECT_EQ(FAsked[0].Text,
            "You have not saved the last 3 MIDI files.\r\n        Do you wish to continue?");
  EXPECT_EQ(FAsked[1].Text,
            "You have not saved the last 5 MIDI files.\r\n        Do you wish to continue?");
  EXPECT_EQ(FAnswers.Pending(), 0);
  EXPECT_EQ(FAnswers.Unanswered(), 0) << "No ended the command";
  // Three cancelled, the last among them: no question.
  FAnswers.Clear();
  FForm->ExportCommands().SaveTitlesToDisk(Keys({key, key, key}));
  EXPECT_EQ(FAnswers.Asked().size(), 3u);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(Export, AnArchiveHoldsEveryTitleUnderItsOwnName) {
  Start();
  const auto& k = FCat.Keys;
  Retitle(k[1], Record(k[0]).Title); // two titles of one name from different files
  Retitle(k[3], "..\\Music.dex");
  SaveAs("titles", 1);
  bool stayOnTop = false;
  FAnswers.Push([](TModalRequest&) { return mrRunModal; }); // the archive window runs
  FAnswers.Push([&](TModalRequest& r) {
    stayOnTop = r.Form && r.Form->FormStyle() == fsStayOnTop;
    return mrOk;
  });
  // k[2] twice, and a key the store does not hold.
  FForm->ExportCommands().ArchiveTitles(Keys({k[0], k[1], k[2], k[2], 99999, k[3]}));
  const std::string t0 = Record(k[0]).Title, t2 = Record(k[2]).Title;
  auto entries = Entries(FOut / "titles.zip");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[t0 + ".mid"], ReadFileBytes(FCat.Files[0]));
  EXPECT_EQ(entries[t0 + " (" + IntToStr(k[1]) + ").mid"], ReadFileBytes(FCat.Files[1]));
  EXPECT_EQ(entries[t2 + ".mid"], ReadFileBytes(FCat.Files[2]));
  EXPECT_EQ(entries["_Music.dex.mid"], ReadFileBytes(FCat.Files[3]));
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "Archiving successfully completed!\r\n\r\n   1 duplicates were ignored"
                        "\r\n\r\n   1 title(s) could not be exported and were left out");
  EXPECT_TRUE(stayOnTop) << "the box stands over the stay-on-top archive window";
  EXPECT_EQ(FForm->ImportCommands().CreateArchiveWindow().EPB2->Position(), 100);
  EXPECT_EQ(FForm->ImportCommands().CreateArchiveWindow().EPB1->Position(), 6);
  EXPECT_FALSE(FForm->ExportCommands().Archiving());
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
  EXPECT_EQ(IncludeTrailingBackslash(GetCurrentDir()), FDir.Path());
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((FDir / "TempTrash\\*.mid").c_str(), &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "TempTrash keeps " << fd.cFileName;
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
  EXPECT_TRUE(FileExists(FDir / "Music.dex"));
  CloseAndWait();
  LeaveForCheck("archive", FDir.Path(), FOut.Path(),
                {{"titles.zip", k[0], t0 + ".mid"},
                 {"titles.zip", k[1], t0 + " (" + IntToStr(k[1]) + ").mid"},
                 {"titles.zip", k[2], t2 + ".mid"},
                 {"titles.zip", k[3], "_Music.dex.mid"}});
}

TEST_F(Export, AnArchiveKeepsATitleWhoseNumberedNameIsAnotherTitle) {
  Start();
  const auto& k = FCat.Keys;
  // The first title is called what the third one's numbered name would be.
  Retitle(k[0], "Song (" + IntToStr(k[2]) + ")");
  Retitle(k[1], "Song");
  Retitle(k[2], "Song");
  SaveAs("clash", 1);
  FAnswers.Push([](TModalRequest&) { return mrRunModal; });
  FAnswers.Push(mrOk);
  FForm->ExportCommands().ArchiveTitles(Keys({k[0], k[1], k[2]}));
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "Archiving successfully completed!");
  const std::string numbered = "Song (" + IntToStr(k[2]) + ")";
  EXPECT_EQ(Entries(FOut / "clash.zip").size(), 3u);
  CloseAndWait();
  LeaveForCheck("clash", FDir.Path(), FOut.Path(),
                {{"clash.zip", k[0], numbered + ".mid"},
                 {"clash.zip", k[1], "Song.mid"},
                 {"clash.zip", k[2], numbered + " (2).mid"}});
}

TEST_F(Export, ArchivingWithNothingToPack) {
  Start();
  FForm->ExportCommands().ArchiveTitles(TStringList());
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "No titles to archive!");
  FAnswers.Clear();
  SaveAs("none.zip", 1);
  FAnswers.Push([](TModalRequest&) { return mrRunModal; });
  FAnswers.Push(mrOk);
  FForm->ExportCommands().ArchiveTitles(Keys({99998, 99999}));
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "No title could be exported: nothing was archived.\r\n\r\n   2 title(s) "
                        "could not be exported and were left out");
  EXPECT_FALSE(FileExists(FOut / "none.zip"));
}

// Clicks the archive window's Cancel, as the user would, once when ready() first holds.
class TCancelProbe {
public:
  TCancelProbe(TCreateArchiveForm& window, std::function<bool()> ready) : FTimer(nullptr) {
    FTimer.SetInterval(1);
    FTimer.OnTimer = [this, &window, ready](TObject*) {
      if (!window.Working() || !ready()) return;
      FTimer.SetEnabled(false);
      SendMessageA(window.BitBtn1->Handle(), BM_CLICK, 0, 0);
    };
    FTimer.SetEnabled(true);
  }

private:
  TTimer FTimer;
};

// A catalogue of many titles, so that a cancel falls well inside each stage.
class ExportMany : public Export {
protected:
  ExportMany() { FTitles = 150; }
  TStringList AllKeys() {
    TStringList list;
    for (int32_t k : FCat.Keys)
      list.Add(IntToStr(k));
    return list;
  }
};

TEST_F(ExportMany, CancelStopsTheExportOrThePacking) {
  Start();
  ASSERT_EQ(FCat.Keys.size(), 150u);
  TCreateArchiveForm& window = FForm->ImportCommands().CreateArchiveWindow();
  {
    TCancelProbe probe(window, [&] { return window.EPB1->Position() >= 2; });
    SaveAs("during export", 1);
    FAnswers.Push([](TModalRequest&) { return mrRunModal; });
    FForm->ExportCommands().ArchiveTitles(AllKeys());
  }
  EXPECT_TRUE(window.Cancelled());
  EXPECT_LT(window.EPB1->Position(), 150) << "the export loop stopped";
  EXPECT_TRUE(Texts().empty()) << "a cancel during the export ends without a box";
  EXPECT_FALSE(FileExists(FOut / "during export.zip"));
  FAnswers.Clear();
  {
    // The click comes with the packer's first progress report: a timer tick may come only once
    // the packing has ended.
    TTuneFiles& zipper = *FForm->TuneFiles();
    auto report = zipper.OnProgress;
    bool clicked = false;
    zipper.OnProgress = [&](int percent) {
      if (!clicked && window.Working()) {
        clicked = true;
        SendMessageA(window.BitBtn1->Handle(), BM_CLICK, 0, 0);
      }
      if (report) report(percent);
    };
    SaveAs("during packing", 1);
    FAnswers.Push([](TModalRequest&) { return mrRunModal; });
    FForm->ExportCommands().ArchiveTitles(AllKeys());
    zipper.OnProgress = report;
    EXPECT_TRUE(clicked);
  }
  EXPECT_EQ(window.EPB1->Position(), 150) << "every title was exported";
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "Archiving cancelled!");
  EXPECT_FALSE(FileExists(FOut / "during packing.zip"));
  for (bool shown : {FForm->ExportCommands().Archiving(), !Probe(FForm).CommandsEnabled()})
    EXPECT_FALSE(shown);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((FDir / "TempTrash\\*.mid").c_str(), &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

// Records what the main window asks of the mail window.
class TRecordingMail : public TMailWindowLink {
public:
  std::vector<std::string> Log;
  bool Raise = false;
  std::function<bool()> CommandsEnabled;
  void SetMailCaption(const std::string& caption) override { Log.push_back("caption" + caption); }
  void ShowMailWindow() override { Log.push_back("show"); }
  void SetMailStatus(const std::string& text) override { Log.push_back("status:" + text); }
  void AttachTitles(const TStringList& keys) override {
    Log.push_back("attach " + IntToStr(keys.Count()) +
                  (CommandsEnabled() ? " enabled" : " disabled"));
    if (Raise) throw std::runtime_error("attach failed");
  }
};

TEST_F(Export, TheMailWindowGetsTheTitlesWhileCommandsWait) {
  Start();
  const auto& k = FCat.Keys;
  TRecordingMail mail;
  mail.CommandsEnabled = [this] { return Probe(FForm).CommandsEnabled(); };
  EXPECT_FALSE(Probe(FForm).Item("Mail4")->Visible()) << "no mail window: no mail command";
  RegisterMailWindow(&mail);
  FForm->ExportCommands().MailTitles(Keys({k[0], k[1], k[2]}));
  const std::vector<std::string> expected{"caption Mail the attached 3 title(s)", "show",
                                          "status:Attaching files...", "attach 3 disabled",
                                          "status:"};
  EXPECT_EQ(mail.Log, expected);
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
  mail.Log.clear();
  mail.Raise = true;
  EXPECT_THROW(FForm->ExportCommands().MailTitles(Keys({k[0], k[1], k[2]})), std::runtime_error);
  EXPECT_EQ(mail.Log, expected);
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
  RegisterMailWindow(nullptr);
}

} // namespace
