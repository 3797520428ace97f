// While a long operation keeps the main window busy, the areas' pop-ups, the grids' double click
// and Enter start nothing; afterwards they act again.
#include <gtest/gtest.h>
#include <windows.h>
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "TestUtil.h"
#include "MainWindowFixture.h"
#include "StandInSequencer.h"

namespace {

class BusyCommands : public TMainWindowFixture {
protected:
  BusyCommands() : TMainWindowFixture("tbbusycmd") {}
  TEndingSequencer FSeq;
  std::vector<std::vector<std::string>> FEnabledShown;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
    TPopupMenu::SetPopupHook([this](TPopupMenu& menu) -> TMenuItem* {
      std::vector<std::string> enabled;
      for (int i = 0; i < menu.Items().Count(); ++i) {
        TMenuItem* m = menu.Items().Items(i);
        if (m->Visible() && m->Enabled() && !m->IsLine()) enabled.push_back(m->Caption());
      }
      FEnabledShown.push_back(enabled);
      return nullptr;
    });
  }
  void TearDown() override {
    TPopupMenu::SetPopupHook(nullptr);
    TMainWindowFixture::TearDown();
  }
  void RightClickTabs(TWinControl* tabs) {
    LPARAM at = MAKELPARAM(10, 5);
    SendMessageA(tabs->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
    SendMessageA(tabs->Handle(), WM_RBUTTONUP, 0, at);
    POINT p{10, 5};
    ClientToScreen(tabs->Handle(), &p);
    SendMessageA(tabs->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tabs->Handle()),
                 MAKELPARAM(p.x, p.y));
    ProcessMessages();
  }
};

TEST_F(BusyCommands, PopUpsAndGridsStartNothingWhileBusy) {
  Start();
  TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
  int row = RowOfKey(grid, FCat.Keys[1]);
  ASSERT_GT(row, 0);
  grid.ClearSelection();
  grid.SetRowSelected(row, true);
  grid.SetRow(row);
  {
    TBusyState busy(*FForm);
    SendMessageA(grid.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    ProcessMessages();
    EXPECT_EQ(FForm->Road().Program().Count(), 0);
    EXPECT_TRUE(FEnabledShown.empty());
    for (TWinControl* tabs : {static_cast<TWinControl*>(Probe(FForm).Categories()),
                              static_cast<TWinControl*>(Probe(FForm).Albums())}) {
      FEnabledShown.clear();
      RightClickTabs(tabs);
      ASSERT_FALSE(FEnabledShown.empty()) << tabs->Name();
      EXPECT_TRUE(FEnabledShown.back().empty()) << tabs->Name();
    }
  }
  // Once the long operation ends, the same pop-ups and Enter act again.
  FEnabledShown.clear();
  RightClickTabs(Probe(FForm).Categories());
  ASSERT_FALSE(FEnabledShown.empty());
  EXPECT_FALSE(FEnabledShown.back().empty());
  grid.SetFocus();
  grid.ClearSelection();
  grid.SetRowSelected(row, true);
  grid.SetRow(row);
  SendMessageA(grid.Handle(), WM_KEYDOWN, VK_RETURN, 0);
  ProcessMessages();
  EXPECT_EQ(FForm->Road().Program().Count(), 1);
  CloseAndWait();
}

} // namespace
