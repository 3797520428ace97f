// The main window's view commands over a real catalogue: sorting by the menu, the summary-only
// tab flags and the tab colours, and what the settings file keeps of them.
#include <gtest/gtest.h>
#include <windows.h>
#include "Dialogs.h"
#include "IniFiles.h"
#include "MainCodeD2.h"
#include "MasterProbe.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "MainWindowFixture.h"
#include "MainViews.h"

namespace {

class ViewCommands : public TMainWindowFixture {
protected:
  ViewCommands() : TMainWindowFixture("tbviewcmd") {}
  TTunePage* CategoryPage(const std::string& name) {
    for (auto& page : FForm->CategoryArea().Pages())
      if (Trim(page->Sheet()->Caption()) == name) return page.get();
    return nullptr;
  }
};

TEST_F(ViewCommands, SortItemsSortTheActiveGridByTheirColumn) {
  Start();
  TMyStringGrid* all = Probe(FForm).AllCatGrid();
  Probe(FForm).Item("Title2")->Click();
  EXPECT_EQ(all->SortColumn(), 2);
  Probe(FForm).Item("Category1")->Click();
  EXPECT_EQ(all->SortColumn(), 0);
  // A category grid has no category column: its columns are one less, and "Category" does nothing.
  TTunePage* folk = CategoryPage("Folk");
  ASSERT_TRUE(folk);
  Probe(FForm).Categories()->SetActivePage(folk->Sheet());
  Probe(FForm).Item("Duration1")->Click();
  EXPECT_EQ(folk->GridControl()->SortColumn(), 2);
  Probe(FForm).Item("Category3")->Click();
  EXPECT_EQ(folk->GridControl()->SortColumn(), 2);
  EXPECT_EQ(all->SortColumn(), 0);
  CloseAndWait();
}

TEST_F(ViewCommands, SummaryOnlyFlagsHideTheTabsAndAreKeptInTheSettings) {
  Start();
  TTunePage* jazz = CategoryPage("Jazz");
  ASSERT_TRUE(jazz);
  Probe(FForm).Categories()->SetActivePage(jazz->Sheet());
  EXPECT_EQ(Probe(FForm).Item("CategorySummaryOnly")->Caption(), "Show category summary tab &only");
  Probe(FForm).Item("CategorySummaryOnly")->Click();
  EXPECT_EQ(Probe(FForm).Categories()->ActivePageIndex(), 0);
  EXPECT_FALSE(jazz->Sheet()->TabVisible());
  EXPECT_EQ(Probe(FForm).Item("CategorySummaryOnly")->Caption(), "Show all category &tabs");
  Probe(FForm).Item("Albumsummaryonly1")->Click();
  EXPECT_FALSE(FForm->AlbumArea().Pages().front()->Sheet()->TabVisible());
  EXPECT_EQ(Probe(FForm).Item("Albumsummaryonly1")->Caption(), "Show &all album tabs");
  // The pop-up twins show the same captions when they open.
  Probe(FForm).NewCatPopUp()->OnPopup(Probe(FForm).NewCatPopUp());
  EXPECT_EQ(Probe(FForm).Item("ViewCat1")->Caption(), "Show all category &tabs");
  CloseAndWait();

  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_FALSE(ini.ReadBool("Setup", "ShowCatTabs", true));
  EXPECT_FALSE(ini.ReadBool("Setup", "ShowAlbTabs", true));
  // The next start shows the summary tabs alone; turning the flag on shows the others again.
  Start();
  TTunePage* again = CategoryPage("Jazz");
  ASSERT_TRUE(again);
  EXPECT_FALSE(again->Sheet()->TabVisible());
  Probe(FForm).Item("CategorySummaryOnly")->Click();
  EXPECT_TRUE(again->Sheet()->TabVisible());
  EXPECT_EQ(Probe(FForm).Item("CategorySummaryOnly")->Caption(), "Show category summary tab &only");
  CloseAndWait();
}

TEST_F(ViewCommands, TabColoursChosenInTheDialogReachBothTabRowsAndTheSettings) {
  Start();
  const TColor chosen = static_cast<TColor>(0x3060F0);
  FAnswers.Push([&](TModalRequest& r) {
    auto* dialog = dynamic_cast<TColorDialog*>(r.Dialog);
    EXPECT_TRUE(dialog);
    if (dialog) {
      EXPECT_EQ(dialog->Color(), static_cast<TColor>(0xC0C0C0)); // opened with the tab colour
      dialog->SetColor(chosen);
    }
    return static_cast<int>(mrOk);
  });
  Probe(FForm).Item("Background2")->Click();
  EXPECT_EQ(Probe(FForm).Categories()->TabActiveColor(), chosen);
  EXPECT_EQ(Probe(FForm).Albums()->TabActiveColor(), chosen);
  // Cancel keeps the font colour.
  FAnswers.Push(mrCancel);
  Probe(FForm).Item("Fontcolor1")->Click();
  EXPECT_EQ(Probe(FForm).Albums()->TabActiveFont().Color(), static_cast<TColor>(0x8000));
  CloseAndWait();
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadInteger("Format", "TabActiveColor", 0), 0x3060F0);
}

} // namespace
