// The main window and the plug-in manager: disabling while open, the menu item and the first run.
#include <gtest/gtest.h>
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "ManageNPICode.h"
#include "Messages.h"
#include "PlugInTestKit.h"

namespace {

class PlugInMainWindow : public testing::Test {
protected:
  TScratchDir FDir{"tbnpm"};
  std::string FPlugins = FDir / "nav\\plugins\\";
  TModalAnswers FAnswers;
  TMasterFrm* FForm = nullptr;

  void TearDown() override {
    delete FForm;
    FForm = nullptr;
    ProcessMessages();
    SetProgramFolder("");
  }
  void Start(const std::vector<std::string>& params = {}) {
    SetProgramFolder(FDir.Path());
    Application->SetTitle(AppTitleText);
    FForm = new TMasterFrm(nullptr);
    FForm->SetParams(params);
    FForm->AfterConstruction();
    FForm->Show();
    ASSERT_TRUE(PumpUntil([&] { return GetPropA(FForm->Handle(), StartUpDoneProperty); }, 20000));
  }
  void CloseAndWait() {
    TMasterFrm* form = FForm;
    FForm = nullptr;
    form->Close();
    PumpUntil([] { return MasterFrm == nullptr; }, 20000);
    ASSERT_EQ(MasterFrm, nullptr);
  }
  int ManagerRequests() const {
    int n = 0;
    for (const TModalRequest& r : FAnswers.Asked())
      n += r.Kind == "TManageNPIFrm";
    return n;
  }
};

TEST_F(PlugInMainWindow, ConflictingPlugInsStepAsideWhileOpenAndComeBackAtClose) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\nDisableTempConPI=1\r\n");
  PlaceDll("conflict", FPlugins + "NPmidi.dll");
  PlaceDll("conflict", FPlugins + "QXXNPold.dllBAK"); // disabled for good earlier
  TNavigatorRegistry reg(FPlugins, "");
  Start();
  EXPECT_TRUE(FForm->DisableTempConPI());
  EXPECT_TRUE(FileExists(FPlugins + "QXXNPmidi.dllBAK"));
  EXPECT_FALSE(FileExists(FPlugins + "NPmidi.dll"));
  EXPECT_EQ(IncludeTrailingBackslash(GetCurrentDir()), FDir.Path());
  EXPECT_TRUE(FForm->ManageNPI->Visible());
  EXPECT_TRUE(FForm->ManageNPI->Enabled());
  EXPECT_EQ(ManagerRequests(), 0);
  CloseAndWait();
  EXPECT_TRUE(FileExists(FPlugins + "NPmidi.dll"));
  EXPECT_TRUE(FileExists(FPlugins + "QXXNPold.dllBAK"));
  EXPECT_FALSE(FileExists(FPlugins + "NPold.dll"));
}

TEST_F(PlugInMainWindow, AFirstRunWithPlugInFoldersOpensTheManagerCentred) {
  ForceDirectories(FPlugins);
  TNavigatorRegistry reg(FPlugins, "");
  RECT managerBounds{}, masterBounds{};
  FAnswers.Push([&](TModalRequest& r) {
    EXPECT_EQ(r.Kind, "TManageNPIFrm");
    managerBounds = r.Form->BoundsRect();
    masterBounds = MasterFrm->BoundsRect();
    return mrOk;
  });
  Start();
  EXPECT_EQ(ManagerRequests(), 1);
  EXPECT_EQ(FAnswers.Asked().front().Kind, "TManageNPIFrm");
  EXPECT_NEAR((managerBounds.left + managerBounds.right) / 2.0,
              (masterBounds.left + masterBounds.right) / 2.0, 1.0);
  EXPECT_NEAR((managerBounds.top + managerBounds.bottom) / 2.0,
              (masterBounds.top + masterBounds.bottom) / 2.0, 1.0);
  // The menu item opens it again.
  FForm->ManageNPI->Click();
  EXPECT_EQ(ManagerRequests(), 2);
}

TEST_F(PlugInMainWindow, WithoutFoldersOrWithParametersTheManagerStaysShut) {
  {
    Start();
    EXPECT_FALSE(FForm->ManageNPI->Visible());
    EXPECT_EQ(ManagerRequests(), 0);
    delete FForm;
    FForm = nullptr;
    DeleteFileA((FDir / "Tonalbrook.ini").c_str());
  }
  ForceDirectories(FPlugins);
  TNavigatorRegistry reg(FPlugins, "");
  Start({"X"});
  EXPECT_TRUE(FForm->FirstRun());
  EXPECT_TRUE(FForm->ManageNPI->Visible());
  EXPECT_EQ(ManagerRequests(), 0);
}

} // namespace
