// A main window in this process, made in a scratch program folder; with a catalogue prepared
// there first for the tests that work on one.
#pragma once
#include <gtest/gtest.h>
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "TestUtil.h"
#include "PreparedCatalogue.h"

// The window made, shown and closed as the program does; freed after each test if still open.
class TMainWindowTest : public testing::Test {
protected:
  explicit TMainWindowTest(const char* folderName) : FDir(folderName) {}

  TScratchDir FDir;
  TModalAnswers FAnswers; // answers any question with its default
  TMasterFrm* FForm = nullptr;

  void TearDown() override {
    delete FForm;
    FForm = nullptr;
    ProcessMessages();
    SetProgramFolder("");
    SetMainMciDriver(nullptr);
  }
  // Makes the window in the scratch folder with this start's parameters; not shown yet.
  void Make(const std::vector<std::string>& params = {}) {
    SetProgramFolder(FDir.Path());
    Application->SetTitle(AppTitleText);
    FForm = new TMasterFrm(nullptr);
    Probe(FForm).SetParams(params);
    FForm->AfterConstruction();
  }
  // Closes the window as the user would; the window frees itself.
  void CloseAndWait() {
    TMasterFrm* form = FForm;
    FForm = nullptr;
    form->Close();
    PumpUntil([] { return MasterFrm == nullptr; }, 20000);
    ASSERT_EQ(MasterFrm, nullptr);
  }
};

class TMainWindowFixture : public TMainWindowTest {
protected:
  explicit TMainWindowFixture(const char* folderName) : TMainWindowTest(folderName) {}

  TPrepared FCat;
  size_t FTitles = 4; // how many titles the prepared catalogue holds

  void SetUp() override {
    // Settings present and no reminder: a start asks nothing.
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
    FCat = PrepareCatalogue(FDir.Path(), FTitles);
    ASSERT_GE(FCat.Keys.size(), 4u);
  }
  // Makes and shows the window, and waits until the start-up timer has loaded the catalogue.
  void Start() {
    Make();
    // The start-up timer's wait lets the window show before the catalogue loads; here the
    // window shows in Show itself, and the shipped interval is run by the whole-program tests.
    Probe(FForm).Timer2()->SetInterval(1);
    FForm->Show();
    ASSERT_TRUE(
        PumpUntil([&] { return Probe(FForm).StartupTimerRuns() > 0 && StartUpDone; }, 20000));
    FForm->Road().SetResetChoice(TResetChoice::None);
  }
  static int RowOfKey(TMyStringGrid& grid, int32_t key) {
    for (int row = 1; row < grid.RowCount(); ++row)
      if (grid.Objects(row) && grid.Objects(row)->MasterKey == key) return row;
    return -1;
  }
};
