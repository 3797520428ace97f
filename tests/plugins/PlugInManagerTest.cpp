// The browser plug-in manager over scratch plug-in folders with real stand-in DLLs.
#include <gtest/gtest.h>
#include "Dialogs.h"
#include "FolderTools.h"
#include "Handles.h"
#include "ManageNPICode.h"
#include "PlugInDirs.h"
#include "PlugInTestKit.h"

namespace {

class PlugInManager : public testing::Test {
protected:
  TScratchDir FDir{"tbnpi"};
  std::string FProg = FDir / "prog\\";
  std::string FA = FDir / "nav\\plugins\\";           // named by the machine-wide value
  std::string FB = FDir / "user\\Program\\Plugins\\"; // the user's install folder + the rest
  TModalAnswers FAnswers;
  std::unique_ptr<TManageNPIFrm> FForm;
  bool FFlag = false;
  bool FEnding = false;

  void SetUp() override {
    ForceDirectories(FProg);
    ForceDirectories(FA);
    ForceDirectories(FB);
    PlaceDll("standin", FProg + "NPqorvex.dll");
  }
  void Make() {
    FForm = std::make_unique<TManageNPIFrm>(nullptr);
    FForm->ProgramFolderOf = [this] { return FProg; };
    FForm->SetDisableTempConPI = [this](bool v) { FFlag = v; };
    FForm->SessionEnding = [this] { return FEnding; };
    FForm->RefreshState();
  }
  std::string LastText() const {
    return FAnswers.Asked().empty() ? "" : FAnswers.Asked().back().Text;
  }
  // Conflicting "NPmidi.dll" in A and "sub\NPdeep.dll" in B; others that do not conflict.
  void PlaceMix() {
    PlaceDll("conflict", FA + "NPmidi.dll");
    PlaceDll("unicode", FA + "NPother.dll");
    PlaceDll("plain", FB + "NPplain.dll");
    PlaceDll("conflict", FB + "sub\\NPdeep.dll");
  }
};

TEST_F(PlugInManager, InstallCopiesIntoBothFoldersAndCountsTheConflicts) {
  TNavigatorRegistry reg(FA, FDir / "user");
  PlaceMix();
  Make();
  EXPECT_EQ(FForm->Caption(), " Manage Navigator plugin");
  EXPECT_EQ(FForm->GroupBox1->Caption(), " Tonalbrook is NOT installed as a Navigator plugin ");
  EXPECT_TRUE(FForm->BitBtn1->Enabled());
  EXPECT_FALSE(FForm->BitBtn2->Enabled());
  EXPECT_FALSE(FForm->BitBtn4->Enabled());
  EXPECT_TRUE(FForm->RadioButton2->Checked());
  EXPECT_EQ(FForm->BitBtn4->HelpContext(), 7010);

  FForm->BitBtn1Click(nullptr);
  std::string bytes = ReadFileBytes(FProg + "NPqorvex.dll");
  EXPECT_GT(bytes.size(), 1000u);
  EXPECT_EQ(ReadFileBytes(FA + "NPqorvex.dll"), bytes);
  EXPECT_EQ(ReadFileBytes(FB + "NPqorvex.dll"), bytes);
  EXPECT_EQ(LastText(), "2 instance(s) of Tonalbrook plugin have been installed.\r\n\r\n"
                        "2 conflicting plugins were found.");
  EXPECT_EQ(FForm->GroupBox1->Caption(), " Tonalbrook is installed as a Navigator plugin ");
  EXPECT_FALSE(FForm->BitBtn1->Enabled());
  EXPECT_TRUE(FForm->BitBtn2->Enabled());
  EXPECT_TRUE(FForm->RadioButton1->Enabled());
  EXPECT_TRUE(FForm->BitBtn4->Enabled());
  FForm->RadioButton1->SetChecked(true);
  FForm->RadioButton1->Click();
  EXPECT_FALSE(FForm->BitBtn4->Enabled());

  // Which files conflict: only a 040904E4 table claiming MIDI, and never our own, whatever its
  // case.
  EXPECT_TRUE(TManageNPIFrm::IsConflictingPlugIn(FA + "NPmidi.dll"));
  EXPECT_FALSE(TManageNPIFrm::IsConflictingPlugIn(FA + "NPother.dll"));
  EXPECT_FALSE(TManageNPIFrm::IsConflictingPlugIn(FB + "NPplain.dll"));
  PlaceDll("standin", FDir / "NPQORVEX.DLL");
  EXPECT_FALSE(TManageNPIFrm::IsConflictingPlugIn(FDir / "NPQORVEX.DLL"));
  PlaceDll("standin", FDir / "NPstandin.dll");
  EXPECT_TRUE(TManageNPIFrm::IsConflictingPlugIn(FDir / "NPstandin.dll"));
}

TEST_F(PlugInManager, AMissingFolderIsSkippedAndLeavesThePlugInNotInstalled) {
  TNavigatorRegistry reg(FDir / "gone\\plugins", FDir / "user");
  Make();
  FForm->BitBtn1Click(nullptr);
  EXPECT_TRUE(FileExists(FB + "NPqorvex.dll"));
  EXPECT_FALSE(DirectoryExists(FDir / "gone"));
  EXPECT_EQ(LastText(), "1 instance(s) of Tonalbrook plugin have been installed.\r\n\r\n"
                        "No conflicting plugins were found.");
  int folders = 0;
  EXPECT_FALSE(FForm->IsPlugInInstalled(folders));
  EXPECT_EQ(folders, 2);
  EXPECT_EQ(FForm->GroupBox1->Caption(), " Tonalbrook is NOT installed as a Navigator plugin ");
  EXPECT_EQ(ExistingPlugInDirs(), std::vector<std::string>{FB});
}

TEST_F(PlugInManager, WithoutTheBrowserNothingCanBeDone) {
  Make();
  EXPECT_EQ(FForm->GroupBox1->Caption(),
            " Netscape Navigator does not appear to be installed on your PC");
  EXPECT_FALSE(FForm->BitBtn1->Enabled());
  EXPECT_FALSE(FForm->BitBtn2->Enabled());
  EXPECT_EQ(GetPlugInDirs(), (std::vector<std::string>{"", ""}));
}

TEST_F(PlugInManager, AnOpenBrowserWindowStopsEveryButton) {
  TNavigatorRegistry reg(FA, FDir / "user");
  PlaceMix();
  PlaceDll("standin", FA + "NPqorvex.dll");
  PlaceDll("conflict", FB + "QXXNPold.dllBAK");
  Make();
  TStringList before;
  ListFilesInTree(FDir.Path(), "*", before);
  TBrowserWindow browser("Netscape - test");
  EXPECT_EQ(FForm->CountBrowserWindows(), 1);
  FForm->BitBtn1Click(nullptr);
  FForm->BitBtn2Click(nullptr);
  for (TRadioButton* r : {FForm->RadioButton2, FForm->RadioButton3, FForm->RadioButton4}) {
    r->SetChecked(true);
    FForm->BitBtn4Click(nullptr);
  }
  ASSERT_EQ(FAnswers.Asked().size(), 5u);
  for (const TModalRequest& r : FAnswers.Asked()) {
    EXPECT_EQ(r.Text, "Please close your open Netscape window(s) and retry!");
    EXPECT_EQ(r.Caption, "Error");
  }
  TStringList after;
  ListFilesInTree(FDir.Path(), "*", after);
  EXPECT_EQ(after.Text(), before.Text());
  EXPECT_FALSE(FFlag);
}

TEST_F(PlugInManager, EachConfigurationRenamesAndReportsItsCount) {
  TNavigatorRegistry reg(FA, FDir / "user");
  PlaceMix();
  Make();
  FForm->RadioButton2->SetChecked(true);
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "2 conflicting plugins have been disabled while Tonalbrook is open,\r\n"
                        "until you choose the Re-enable option below or remove Tonalbrook as a "
                        "plugin.");
  EXPECT_TRUE(FFlag);
  EXPECT_TRUE(FileExists(FA + "QXXNPmidi.dllBAK"));
  EXPECT_TRUE(FileExists(FB + "sub\\QXXNPdeep.dllBAK"));
  EXPECT_FALSE(FileExists(FA + "NPmidi.dll"));
  EXPECT_TRUE(FileExists(FA + "NPother.dll"));
  // Disabled files no longer match: a second run finds none.
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "No conflicting plugins found!");

  FForm->RadioButton4->SetChecked(true);
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "2 conflicting plugins (previously disabled) have been re-enabled.");
  EXPECT_FALSE(FFlag);
  EXPECT_TRUE(FileExists(FA + "NPmidi.dll"));
  EXPECT_TRUE(FileExists(FB + "sub\\NPdeep.dll"));
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "No disabled plugins found!");

  DeleteFileA((FB + "sub\\NPdeep.dll").c_str());
  FFlag = true;
  FForm->RadioButton3->SetChecked(true);
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "1 conflicting plugin has been disabled until you choose the Re-enable "
                        "option below\r\nor remove Tonalbrook as a plugin.");
  EXPECT_FALSE(FFlag);
  PlaceDll("conflict", FA + "NPmidi.dll");
  PlaceDll("conflict", FB + "NPmidi2.dll");
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText().substr(0, 45), "1 conflicting plugin has been disabled until ");
  // NPmidi.dll could not take its disabled name (taken): a box, and only NPmidi2 counted.
  ASSERT_GE(FAnswers.Asked().size(), 2u);
  EXPECT_EQ(FAnswers.Asked()[FAnswers.Asked().size() - 2].Text,
            "Unable to rename " + FA + "NPmidi.dll to " + FA + "QXXNPmidi.dllBAK");
  EXPECT_TRUE(FileExists(FA + "NPmidi.dll"));
  EXPECT_TRUE(FileExists(FB + "QXXNPmidi2.dllBAK"));
  FForm->RadioButton1->SetChecked(true);
  size_t asked = FAnswers.Asked().size();
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(FAnswers.Asked().size(), asked);
}

TEST_F(PlugInManager, TheOtherCountsHaveTheirOwnTexts) {
  TNavigatorRegistry reg(FA, "");
  PlaceDll("conflict", FA + "NPmidi.dll");
  Make();
  FForm->RadioButton2->SetChecked(true);
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "1 conflicting plugin has been disabled while Tonalbrook is open,\r\n"
                        "until you choose the Re-enable option below or remove Tonalbrook as a "
                        "plugin.");
  FForm->RadioButton4->SetChecked(true);
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "1 conflicting plugin (previously disabled) has been re-enabled.");
  PlaceDll("conflict", FA + "NPmidi2.dll");
  FForm->RadioButton3->SetChecked(true);
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "2 conflicting plugins have been disabled until you choose the Re-enable "
                        "option below\r\nor remove Tonalbrook as a plugin.");
  FForm->BitBtn4Click(nullptr);
  EXPECT_EQ(LastText(), "No conflicting plugins found!");
  EXPECT_EQ(FForm->CountConflictingPlugIns(), 0);
}

TEST_F(PlugInManager, RemoveDeletesThePlugInAndReenablesEveryDisabledOne) {
  TNavigatorRegistry reg(FA, FDir / "user");
  PlaceMix();
  Make();
  FForm->BitBtn1Click(nullptr);
  FForm->RadioButton3->SetChecked(true);
  FForm->BitBtn4Click(nullptr);
  FFlag = true;
  FForm->BitBtn2Click(nullptr);
  EXPECT_EQ(LastText(), "2 instance(s) of Tonalbrook plugin have been removed, and\r\n"
                        "2 conflicting plugin(s) (previously disabled) re-enabled.");
  EXPECT_FALSE(FFlag);
  EXPECT_FALSE(FileExists(FA + "NPqorvex.dll"));
  EXPECT_FALSE(FileExists(FB + "NPqorvex.dll"));
  EXPECT_TRUE(FileExists(FA + "NPmidi.dll"));
  EXPECT_TRUE(FileExists(FB + "sub\\NPdeep.dll"));
  EXPECT_TRUE(FForm->BitBtn1->Enabled());
  EXPECT_FALSE(FForm->BitBtn2->Enabled());

  // While Windows ends the session the buttons are left as they are.
  FForm->BitBtn1Click(nullptr);
  FEnding = true;
  EXPECT_EQ(FForm->RemovePlugIn(), 2);
  EXPECT_FALSE(FForm->BitBtn1->Enabled());
}

TEST_F(PlugInManager, AMissingPlugInFileInstallsNothingAndSaysSo) {
  TNavigatorRegistry reg(FA, FDir / "user");
  DeleteFileA((FProg + "NPqorvex.dll").c_str());
  Make();
  FForm->BitBtn1Click(nullptr);
  EXPECT_EQ(LastText(), "The plugin file " + FProg +
                            "NPqorvex.dll is missing, so Tonalbrook plugin could not be "
                            "installed.\r\nNothing was changed.");
  EXPECT_FALSE(FileExists(FA + "NPqorvex.dll"));
  EXPECT_FALSE(FileExists(FB + "NPqorvex.dll"));
  EXPECT_TRUE(FForm->BitBtn1->Enabled());
}

TEST_F(PlugInManager, ShutdownReenablesOnlyWhatWasDisabledWhileOpen) {
  TNavigatorRegistry reg(FA, FDir / "user");
  PlaceMix();
  Make();
  std::string cwd = GetCurrentDir();
  FForm->RadioButton3->SetChecked(true);
  FForm->BitBtn4Click(nullptr); // NPmidi and NPdeep for good
  PlaceDll("conflict", FA + "NPnew.dll");
  EXPECT_EQ(FForm->DisableConflictingWhileOpen(), 1);
  EXPECT_EQ(GetCurrentDir(), cwd);
  // The names survive a crash: a fresh manager finds them in the list beside the settings.
  FForm.reset();
  Make();
  EXPECT_TRUE(FileExists(FProg + TManageNPIFrm::TempDisabledListFile));
  EXPECT_EQ(FForm->EnableTempDisabledPlugIns(), 1);
  EXPECT_TRUE(FileExists(FA + "NPnew.dll"));
  EXPECT_TRUE(FileExists(FA + "QXXNPmidi.dllBAK"));
  EXPECT_TRUE(FileExists(FB + "sub\\QXXNPdeep.dllBAK"));
  EXPECT_FALSE(FileExists(FProg + TManageNPIFrm::TempDisabledListFile));
  EXPECT_EQ(FForm->EnableTempDisabledPlugIns(), 0);
}

TEST_F(PlugInManager, AListThatCannotBeReadIsKeptAndTheUserIsTold) {
  TNavigatorRegistry reg(FA, FDir / "user");
  PlaceDll("conflict", FA + "NPmidi.dll");
  // An earlier session disabled NPold while open and listed it; another program holds the list.
  PlaceDll("conflict", FA + "QXXNPold.dllBAK");
  const std::string list = FProg + TManageNPIFrm::TempDisabledListFile;
  const std::string listed = FA + "QXXNPold.dllBAK\r\n";
  WriteFileBytes(list, listed);
  Make();
  {
    TKernelHandle held(
        CreateFileA(list.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    FForm->RadioButton2->SetChecked(true);
    FForm->BitBtn4Click(nullptr);
    ASSERT_EQ(FAnswers.Asked().size(), 1u);
    EXPECT_EQ(FAnswers.Asked()[0].Caption, "Error");
    EXPECT_NE(LastText().find(list), std::string::npos) << LastText();
    EXPECT_NE(LastText().find("cannot be read, so no plugin was disabled"), std::string::npos)
        << LastText();
    EXPECT_TRUE(FileExists(FA + "NPmidi.dll"));
    EXPECT_FALSE(FFlag);
    // At shutdown too: nothing re-enabled, and said so.
    EXPECT_EQ(FForm->EnableTempDisabledPlugIns(), 0);
    ASSERT_EQ(FAnswers.Asked().size(), 2u);
    EXPECT_EQ(FAnswers.Asked()[1].Caption, "Error");
  }
  // Readable again, the list still names NPold, and the shutdown gives it back.
  EXPECT_EQ(ReadFileBytes(list), listed);
  EXPECT_EQ(FForm->EnableTempDisabledPlugIns(), 1);
  EXPECT_TRUE(FileExists(FA + "NPold.dll"));
  EXPECT_FALSE(FileExists(list));
}

} // namespace
