// The main window and the plug-in manager: disabling while open, the menu item and the first run.
#include <gtest/gtest.h>
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "MainLayout.h"
#include "../mainwin/MainWindowFixture.h"
#include "MasterProbe.h"
#include "ManageNPICode.h"
#include "Messages.h"
#include "PlugInTestKit.h"

namespace {

class PlugInMainWindow : public TMainWindowTest {
protected:
  PlugInMainWindow() : TMainWindowTest("tbnpm") {}
  std::string FPlugins = FDir / "nav\\plugins\\";
  void Start(const std::vector<std::string>& params = {}) {
    Make(params);
    FForm->Show();
    ASSERT_TRUE(PumpUntil([&] { return GetPropA(FForm->Handle(), StartUpDoneProperty); }, 20000));
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
  EXPECT_TRUE(Probe(FForm).Item("ManageNPI")->Visible());
  EXPECT_TRUE(Probe(FForm).Item("ManageNPI")->Enabled());
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
  Probe(FForm).Item("ManageNPI")->Click();
  EXPECT_EQ(ManagerRequests(), 2);
}

TEST_F(PlugInMainWindow, WithoutFoldersOrWithParametersTheManagerStaysShut) {
  {
    Start();
    EXPECT_FALSE(Probe(FForm).Item("ManageNPI")->Visible());
    EXPECT_EQ(ManagerRequests(), 0);
    delete FForm;
    FForm = nullptr;
    DeleteFileA((FDir / "Tonalbrook.ini").c_str());
  }
  ForceDirectories(FPlugins);
  TNavigatorRegistry reg(FPlugins, "");
  Start({"X"});
  EXPECT_TRUE(Probe(FForm).FirstRun());
  EXPECT_TRUE(Probe(FForm).Item("ManageNPI")->Visible());
  EXPECT_EQ(ManagerRequests(), 0);
}

} // namespace

namespace {

UINT EntryType(TMenuItem* item) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE;
  GetMenuItemInfoA(item->ParentHandle(), item->Command(), FALSE, &info);
  return info.fType;
}

TEST_F(PlugInMainWindow, TheMainMenusStayOwnerDrawnWhileTheirItemsChange) {
  WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\n");
  Start();
  ASSERT_EQ(Probe(FForm).CoolMenus().size(), 8u);
  std::vector<TMenuItem*> items = {
      Probe(FForm).Item("Exit1"),    Probe(FForm).Item("Visualeffects1"),
      Probe(FForm).Item("Looping1"), Probe(FForm).Item("Contents1"),
      Probe(FForm).Item("About1"),   Probe(FForm).Item("Showmusictoolbar1")};
  for (TMenuItem* item : items) {
    EXPECT_TRUE(item->OwnerDraw()) << item->Name();
    EXPECT_TRUE(EntryType(item) & MFT_OWNERDRAW) << item->Name();
  }
  // The busy state, the tool row's caption and a tick all rewrite entries.
  FForm->DisableCommands();
  FForm->EnableCommands();
  FForm->Layout().SetShowTools(!Probe(FForm).ShowTools());
  Probe(FForm).Item("Looping1")->Click();
  for (TMenuItem* item : items)
    EXPECT_TRUE(EntryType(item) & MFT_OWNERDRAW) << item->Name();
  // Every item of the File menu has a picture (separators aside).
  TCoolMenu& file = *Probe(FForm).CoolMenus()[0];
  for (int i = 0; i < file.ItemCount(); ++i)
    if (!file.Items(i)->MenuItem()->IsLine()) {
      EXPECT_TRUE(file.Items(i)->Picture().Graphic()) << file.Items(i)->MenuItem()->Name();
    }
}

} // namespace
