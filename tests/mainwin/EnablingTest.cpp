// Which catalogue items are enabled: states made by clicks in the areas and by opening the
// menus; the pop-ups' twins read as they open after a right button on their tabs.
#include <gtest/gtest.h>
#include <windows.h>
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "MainWindowFixture.h"
#include "MainViews.h"

namespace {

class Enabling : public TMainWindowFixture {
protected:
  Enabling() : TMainWindowFixture("tbenabling") {}
  std::map<std::string, bool> FTwins;

  void SetUp() override {
    TMainWindowFixture::SetUp();
    TPopupMenu::SetPopupHook([this](TPopupMenu& menu) -> TMenuItem* {
      std::function<void(TMenuItem&)> walk = [&](TMenuItem& parent) {
        for (int i = 0; i < parent.Count(); ++i) {
          TMenuItem* m = parent.Items(i);
          FTwins[m->Name()] = m->Enabled();
          walk(*m);
        }
      };
      walk(menu.Items());
      return nullptr;
    });
  }
  void TearDown() override {
    TPopupMenu::SetPopupHook(nullptr);
    TMainWindowFixture::TearDown();
  }
  bool On(const char* name) {
    auto* m = dynamic_cast<TMenuItem*>(FForm->FindComponent(name));
    EXPECT_TRUE(m) << name;
    return m && m->Enabled();
  }
  void Expect(const std::vector<const char*>& names, bool enabled, const std::string& state) {
    for (const char* n : names)
      EXPECT_EQ(On(n), enabled) << n << " in " << state;
  }
  // A real left click on a tab of an area.
  void ClickTab(TExtPageControl* tabs, int index) {
    RECT r = tabs->TabRect(index);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(tabs->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs->Handle(), WM_LBUTTONUP, 0, at);
    ProcessMessages();
  }
  void RightClickTab(TExtPageControl* tabs) {
    FTwins.clear();
    RECT r = tabs->TabRect(0);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tabs->Handle(), &p);
    SendMessageA(tabs->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tabs->Handle()),
                 MAKELPARAM(p.x, p.y));
    ProcessMessages();
  }
  void ClickRow(TMyStringGrid& grid, int row) {
    RECT r = grid.CellRect(1, row);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(grid.Handle(), WM_LBUTTONUP, 0, at);
    ProcessMessages();
  }
};

const std::vector<const char*> CategoryPageItems = {
    "Renameexisting1", "Renamealbum2", "Activecategory1", "Deletecategory1", "Activecategory2"};
const std::vector<const char*> CategorySelectionItems = {"Titlesselected8", "Titlesselected6"};
const std::vector<const char*> AlbumItems = {"Albumselected4", "Albumselected3", "Rename1",
                                             "Delete2"};
const std::vector<const char*> AlbumSelectionItems = {"Titlesselected7", "Titlesselected3"};

TEST_F(Enabling, CategoryItemsFollowThePageAndTheSelection) {
  Start();
  Probe(FForm).AllCatGrid()->ClearSelection();
  Probe(FForm).Item("Categories1")->Click(); // the menu opens
  Expect(CategoryPageItems, false, "ALL CATEGORIES");
  Expect({"Category1", "Delete3"}, true, "ALL CATEGORIES");
  Expect(CategorySelectionItems, false, "no rows");
  RightClickTab(Probe(FForm).Categories());
  EXPECT_FALSE(FTwins["Rename2"]);
  EXPECT_FALSE(FTwins["Activecategory4"]);
  EXPECT_TRUE(FTwins["Category3"]);
  EXPECT_TRUE(FTwins["Titleselected1"]);

  EXPECT_FALSE(Probe(FForm).Item("Title1")->Enabled()) << "no titles selected";
  ClickRow(*Probe(FForm).AllCatGrid(), 1);
  Expect(CategorySelectionItems, true, "a row clicked");
  EXPECT_TRUE(Probe(FForm).Item("Title1")->Enabled());
  {
    // A change while busy leaves the Titles menu off; the busy state's end renews it.
    TBusyState busy(*FForm);
    FForm->CategoriesChange();
    EXPECT_FALSE(Probe(FForm).Item("Title1")->Enabled());
  }
  EXPECT_TRUE(Probe(FForm).Item("Title1")->Enabled());

  ClickTab(Probe(FForm).Categories(), 1);
  ASSERT_EQ(Probe(FForm).Categories()->ActivePageIndex(), 1);
  Expect(CategoryPageItems, true, "a category page");
  Expect({"Category1"}, false, "a category page");
  Expect({"Delete3"}, true, "a category page");
  RightClickTab(Probe(FForm).Categories());
  EXPECT_TRUE(FTwins["Rename2"]);
  EXPECT_TRUE(FTwins["Activecategory4"]);
  EXPECT_FALSE(FTwins["Category3"]);
  CloseAndWait();
}

TEST_F(Enabling, AlbumItemsFollowThePageTheLinesAndTheSelection) {
  Start();
  ClickTab(Probe(FForm).Albums(), 0);
  for (int i = 0; i < Probe(FForm).AllAlbLV()->ItemCount(); ++i)
    Probe(FForm).AllAlbLV()->Items(i).SetSelected(false);
  Probe(FForm).Item("Albums1")->Click();
  Expect(AlbumItems, false, "ALL ALBUMS, no line");
  Expect(AlbumSelectionItems, false, "ALL ALBUMS");
  Expect({"Allalbums5", "Allalbums4"}, true, "album lines exist");
  // A selected line on "ALL ALBUMS" is enough for the album commands.
  Probe(FForm).AllAlbLV()->Items(0).SetSelected(true);
  Probe(FForm).Item("Albums1")->Click();
  Expect(AlbumItems, true, "ALL ALBUMS, a line");
  Expect(AlbumSelectionItems, false, "ALL ALBUMS, a line");
  EXPECT_FALSE(Probe(FForm).Item("Title1")->Enabled()) << "never on ALL ALBUMS";
  RightClickTab(Probe(FForm).Albums());
  EXPECT_TRUE(FTwins["Rename3"]);
  EXPECT_TRUE(FTwins["Albumselected7"]);
  EXPECT_TRUE(FTwins["Allalbums8"]);
  EXPECT_FALSE(FTwins["Titlesselected19"]);

  ClickTab(Probe(FForm).Albums(), 1);
  ASSERT_EQ(Probe(FForm).Albums()->ActivePageIndex(), 1);
  Expect(AlbumItems, true, "an album page");
  TMyStringGrid* grid = FForm->AlbumArea().Pages().front()->GridControl();
  ASSERT_TRUE(grid);
  grid->ClearSelection();
  ClickRow(*grid, 1);
  Expect(AlbumSelectionItems, true, "an album row");
  EXPECT_TRUE(Probe(FForm).Item("Title1")->Enabled());
  RightClickTab(Probe(FForm).Albums());
  EXPECT_TRUE(FTwins["Titlesselected19"]);
  CloseAndWait();
}

} // namespace
