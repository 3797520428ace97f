// The main window in this process: start-up in a scratch program folder, the start-up timer,
// shutdown and the layout of its areas.
#include <gtest/gtest.h>
#include <windows.h>
#include "Dialogs.h"
#include "FileAssoc.h"
#include "IniFiles.h"
#include "MainCodeD2.h"
#include "RequestCommands.h"
#include "MainLayout.h"
#include "PrintCommands.h"
#include "MainWindowFixture.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "PlayerRegistry.h"
#include "Registry.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

const char* const ScanQuestion =
    "Scan your system to find all MIDI files (recommended)?\r\n\r\nOptions > Remind to scan "
    "switches this question off.";
const char* const DefaultQuestion =
    "Make Tonalbrook your default Windows MIDI player (recommended)?";

class MainWindow : public TMainWindowTest {
protected:
  MainWindow() : TMainWindowTest("tbmain") {}

  // Makes, creates and shows the main window in the scratch folder and waits for the start-up
  // timer.
  void Start(const std::vector<std::string>& params = {}) {
    Make(params);
    FForm->Show();
    ASSERT_TRUE(PumpUntil([&] { return Probe(FForm).StartupTimerRuns() > 0; }, 20000));
  }

  std::vector<std::string> AskedTexts() const {
    std::vector<std::string> texts;
    for (const TModalRequest& r : FAnswers.Asked())
      texts.push_back(r.Text);
    return texts;
  }
};

TEST_F(MainWindow, StartUpPreparesWorkFoldersDocumentTypeAndAsksOnFirstRun) {
  ForceDirectories(FDir / "TempTune\\deep");
  ForceDirectories(FDir / "TempTrash");
  ForceDirectories(FDir / "BackUp");
  WriteFileBytes(FDir / "TempTune\\a.mid", "x");
  WriteFileBytes(FDir / "TempTune\\deep\\b.zip", "x");
  WriteFileBytes(FDir / "TempTune\\keep.txt", "x");
  WriteFileBytes(FDir / "TempTrash\\old.mid", "x");
  WriteFileBytes(FDir / "TempTrash\\M.dat", "x");
  WriteFileBytes(FDir / "TempTrash\\pic.JPG", "x");
  WriteFileBytes(FDir / "BackUp\\Music.dex", "x");
  FAnswers.Push(IDNO);
  FAnswers.Push(IDNO);
  TPlayerRegistry formerPlayer("midfile"); // another program is the default player
  Start();

  for (const char* name : WorkFolderNames)
    EXPECT_TRUE(DirectoryExists(FDir / name)) << name;
  EXPECT_FALSE(FileExists(FDir / "TempTune\\a.mid"));
  EXPECT_FALSE(FileExists(FDir / "TempTune\\deep\\b.zip"));
  EXPECT_TRUE(FileExists(FDir / "TempTune\\keep.txt"));
  EXPECT_TRUE(FileExists(FDir / "TempTrash\\old.mid")) << "the trash folder keeps its .mid files";
  EXPECT_FALSE(FileExists(FDir / "TempTrash\\M.dat"));
  EXPECT_FALSE(FileExists(FDir / "TempTrash\\pic.JPG"));
  EXPECT_TRUE(FileExists(FDir / "BackUp\\Music.dex")) << "the backup folder is never emptied";

  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKeyClassesRoot());
  ASSERT_TRUE(reg.OpenKeyReadOnly("Tonalbrook.Document\\Shell\\Open\\Command"));
  EXPECT_EQ(reg.ReadString(""), "\"" + FDir.Path() + ExtractFileName(ParamStr(0)) + "\" P\"%1\"");

  EXPECT_TRUE(Probe(FForm).FirstRun());
  EXPECT_TRUE(Probe(FForm).CommandsEnabled());
  EXPECT_TRUE(StartUpDone);
  EXPECT_EQ(AskedTexts(), (std::vector<std::string>{ScanQuestion, DefaultQuestion}));
  EXPECT_FALSE(IsDefaultMIDIPlayer()) << "No leaves the former player";
  // First run: 585 x 400, centred on the screen.
  EXPECT_EQ(FForm->Width(), 585);
  EXPECT_EQ(FForm->Height(), 400);
  EXPECT_EQ(FForm->Left(), (GetSystemMetrics(SM_CXSCREEN) - 585) / 2);
}

TEST_F(MainWindow, AFirstRunAsTheDefaultPlayerAsksOnlyToScan) {
  FAnswers.Push(IDNO);
  TPlayerRegistry player(DocTypeName);
  Start();
  EXPECT_TRUE(Probe(FForm).FirstRun());
  EXPECT_EQ(AskedTexts(), std::vector<std::string>{ScanQuestion});
  EXPECT_FALSE(Probe(FForm).Item("MIDIdefault")->Enabled());
  EXPECT_TRUE(Probe(FForm).Item("MIDIrestore")->Enabled());
}

TEST_F(MainWindow, SettingsAreReadAndTheStartUpTimerRunsOnce) {
  {
    TIniFile ini(FDir / "Tonalbrook.ini");
    ini.WriteInteger("Format", "Top", 3);
    ini.WriteInteger("Format", "Left", 40);
    ini.WriteInteger("Format", "Width", 640);
    ini.WriteInteger("Format", "Height", 480);
    ini.WriteBool("Setup", "AutoLooping", false);
    ini.WriteBool("Setup", "GMReset", true);
    ini.WriteBool("Setup", "RemindToScan", false);
    ini.WriteBool("Setup", "ShowTools", false);
  }
  Start();
  EXPECT_FALSE(Probe(FForm).FirstRun());
  EXPECT_EQ(FForm->Top(), 10) << "a stored top below 5 becomes 10";
  EXPECT_EQ(FForm->Left(), 40);
  EXPECT_EQ(FForm->Width(), 640);
  EXPECT_EQ(FForm->Height(), 480);
  EXPECT_FALSE(Probe(FForm).Item("Looping1")->Checked());
  EXPECT_FALSE(FForm->Road().Looping());
  EXPECT_TRUE(Probe(FForm).Item("GM1")->Checked());
  EXPECT_FALSE(Probe(FForm).Item("None1")->Checked());
  EXPECT_EQ(FForm->Road().ResetChoice(), TResetChoice::GM);
  EXPECT_FALSE(Probe(FForm).ShowTools());
  EXPECT_TRUE(FAnswers.Asked().empty()) << "no reminder and not the first run: nothing is asked";

  EXPECT_FALSE(Probe(FForm).Timer2()->Enabled());
  // Had it kept running, it would have fired again before a timer of its interval set now.
  EXPECT_TRUE(PumpPastTimer(Probe(FForm).Timer2()->Interval()));
  EXPECT_EQ(Probe(FForm).StartupTimerRuns(), 1);
}

TEST_F(MainWindow, ParametersSkipTheQuestionsAndReachTheRequestHandler) {
  Start({"Pc:\\nowhere\\song.mid", "Zsecond"});
  EXPECT_TRUE(FAnswers.Asked().empty());
  ASSERT_EQ(FForm->RequestCommands().HandledRequests().size(), 1u)
      << "only the first parameter is run";
  EXPECT_EQ(FForm->RequestCommands().HandledRequests()[0], "Pc:\\nowhere\\song.mid");
  EXPECT_TRUE(Probe(FForm).RequestSeen());
}

TEST_F(MainWindow, ClosingWritesTheSettingsAndDeletesThePlayFile) {
  FAnswers.Push(IDNO);
  FAnswers.Push(IDNO);
  Start();
  WriteFileBytes(FDir / "AInternal.MID", "MThd");
  Probe(FForm).Item("Looping1")->Click(); // looping off
  Probe(FForm).Item("GS1")->Click();
  // The player follows the menu at once, not only after the next start.
  EXPECT_FALSE(FForm->Road().Looping());
  EXPECT_EQ(FForm->Road().ResetChoice(), TResetChoice::GS);
  CloseAndWait();

  EXPECT_FALSE(FileExists(FDir / "AInternal.MID"));
  ASSERT_TRUE(FileExists(FDir / "Tonalbrook.ini"));
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadInteger("Setup", "AutoLooping", -1), 0);
  EXPECT_EQ(ini.ReadInteger("Setup", "GSReset", -1), 1);
  EXPECT_EQ(ini.ReadInteger("Setup", "GMReset", -1), 0);
  EXPECT_EQ(ini.ReadInteger("Setup", "RemindToScan", -1), 1);
  EXPECT_EQ(ini.ReadInteger("Setup", "StartNotification", -1), 1);
  EXPECT_EQ(ini.ReadInteger("Format", "Width", -1), 585);
  EXPECT_EQ(ini.ReadInteger("Format", "AlbPanelWidth", -1), 200);
}

TEST_F(MainWindow, ClosingIsRefusedWhilePrinting) {
  FAnswers.Push(IDNO);
  FAnswers.Push(IDNO);
  Start();
  FAnswers.Clear();
  FForm->PrintCommands().SetPrinting(true);
  FForm->Close();
  ProcessMessages();
  ASSERT_NE(MasterFrm, nullptr) << "the window stays while the print job runs";
  EXPECT_FALSE(FileExists(FDir / "Tonalbrook.ini"));
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_NE(FAnswers.Asked()[0].Text.find("printing"), std::string::npos);
  FForm->PrintCommands().SetPrinting(false);
  CloseAndWait();
  EXPECT_TRUE(FileExists(FDir / "Tonalbrook.ini"));
}

TEST_F(MainWindow, LayoutCentresTheCommandRowAndFollowsTheToolRow) {
  FAnswers.Push(IDNO);
  FAnswers.Push(IDNO);
  Start();
  auto check = [&] {
    TControl* first = Probe(FForm).EditCat();
    TControl* last = Probe(FForm).TrashCat();
    int rowWidth = last->Left() + last->Width() - first->Left();
    int dbWidth = Probe(FForm).DBPanel()->Width();
    if (Probe(FForm).ShowTools()) {
      EXPECT_NEAR(first->Left() + (rowWidth + 5) / 2, dbWidth / 2, 1);
    }
    EXPECT_EQ(Probe(FForm).DBPanel()->Width(), FForm->ClientWidth());
    EXPECT_EQ(Probe(FForm).TopPanel()->Height(), Probe(FForm).Panel11()->Height() + 52);
    EXPECT_EQ(Probe(FForm).DBPanel()->Top(), Probe(FForm).TopPanel()->Height());
    EXPECT_EQ(Probe(FForm).DBPanel()->Top() + Probe(FForm).DBPanel()->Height(),
              Probe(FForm).StatusBar1()->Top());
    EXPECT_EQ(Probe(FForm).Separator()->Left(),
              Probe(FForm).AlbPanel()->Left() + Probe(FForm).AlbPanel()->Width());
    EXPECT_EQ(Probe(FForm).CatPanel()->Left() + Probe(FForm).CatPanel()->Width(), dbWidth - 5);
    EXPECT_EQ(Probe(FForm).AlbPanel()->Top() + Probe(FForm).AlbPanel()->Height(),
              Probe(FForm).DBPanel()->Height() - 5);
    EXPECT_EQ(Probe(FForm).ToolsRight()->Left() + Probe(FForm).ToolsRight()->Width(),
              Probe(FForm).TopPanel()->Width() - 7);
  };
  check();
  EXPECT_EQ(Probe(FForm).AlbPanel()->Top(), 32);
  EXPECT_TRUE(Probe(FForm).Archive()->Visible());

  FForm->SetBounds(FForm->Left(), FForm->Top(), 800, 500);
  ProcessMessages();
  check();

  FForm->Layout().SetShowTools(false);
  EXPECT_FALSE(Probe(FForm).Archive()->Visible());
  EXPECT_FALSE(Probe(FForm).PrintCat()->Visible());
  EXPECT_FALSE(Probe(FForm).GetMIDIsPanel()->Visible());
  // The commands titles are dropped on stay, beside the display, which makes room for them; the
  // panels take the row's room.
  TControl* display = Probe(FForm).Panel11();
  for (TControl* c : std::initializer_list<TControl*>{
           Probe(FForm).EditCat(), Probe(FForm).MailTitle(), Probe(FForm).ExportTitle(),
           Probe(FForm).TrashCat(), Probe(FForm).Panel4(), Probe(FForm).WebPanel()}) {
    EXPECT_TRUE(c->Visible()) << c->Name();
    EXPECT_EQ(c->Parent(), Probe(FForm).TopPanel()) << c->Name();
    EXPECT_GE(c->Left(), display->Left() + display->Width()) << c->Name();
    EXPECT_LE(c->Top() + c->Height(), display->Top() + display->Height()) << c->Name();
  }
  EXPECT_EQ(Probe(FForm).AlbPanel()->Top(), 0);
  EXPECT_EQ(Probe(FForm).CatPanel()->Top(), Probe(FForm).AlbPanel()->Top());
  check();
  // With the tool row again they are the catalogue area's centred row.
  FForm->Layout().SetShowTools(true);
  EXPECT_EQ(Probe(FForm).EditCat()->Parent(), Probe(FForm).DBPanel());
  EXPECT_EQ(display->Width(), Probe(FForm).TopPanel()->Width() - 2 * display->Left());
  check();
}

} // namespace
