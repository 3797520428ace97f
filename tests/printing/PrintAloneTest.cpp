// The print commands made with a stand-in for the main window: a failed or refused report is told
// once through the window's box, and the busy state, progress and print button come back.
#include <gtest/gtest.h>
#include "Buttons.h"
#include "CatalogueMenus.h"
#include "Dialogs.h"
#include "MainCatalogue.h"
#include "Menus.h"
#include "PrintCommands.h"
#include "PrintParamD2.h"
#include "Printers.h"
#include "StandInServices.h"
#include "WorkingKeys.h"

namespace {

class PrintAlone : public testing::Test {
protected:
  TStandInServices FWindow;
  TComponent FOwner{nullptr};
  TMainCatalogue FCatalogue;
  TWorkingKeys FKeys;
  TModalAnswers FAnswers;
  TPrintCommands FPrint{{FWindow, FOwner, FCatalogue, FKeys}};
  TBitBtn* FPrintCat = new TBitBtn(&FOwner);

  void SetUp() override {
    TCatalogueMenus menus{new TMenuItem(&FOwner), new TMenuItem(&FOwner), new TMenuItem(&FOwner),
                          new TPopupMenu(&FOwner), new TPopupMenu(&FOwner)};
    FPrint.BuildPrintMenus(menus, {nullptr, nullptr, nullptr, FPrintCat});
  }
  // Answers the options window with the columns ticked; the title is left as it is.
  void Options(const std::vector<bool>& ticks) {
    FAnswers.Push([ticks](TModalRequest& r) {
      auto* form = dynamic_cast<TPrintParamFrm*>(r.Form);
      EXPECT_NE(form, nullptr) << r.Kind;
      if (!form) return mrCancel;
      std::vector<TCheckBox*> boxes = form->ColumnBoxes();
      for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->SetChecked(ticks[i]);
      return mrOk;
    });
  }
  void ExpectRestored() {
    EXPECT_FALSE(FPrint.Printing());
    EXPECT_TRUE(FPrintCat->Enabled());
    EXPECT_FALSE(Printer().Printing());
    EXPECT_FALSE(FWindow.ProgressShown);
    EXPECT_FALSE(FWindow.BusyCursor);
    EXPECT_EQ(FWindow.BusyDepth, 0);
    EXPECT_EQ(Screen->Cursor(), crDefault);
  }
};

TEST_F(PrintAlone, FailuresAreToldAndEverythingIsRestored) {
  TStringList keys;
  keys.Add("1");
  keys.Add("2");
  const std::vector<bool> four{true, true, true, true, false, false, false, false, false};
  // A printer that does not exist.
  Printer().SetPrinter("Tonalbrook No Such Printer");
  Options(four);
  FPrint.PrintReport("Nowhere", keys);
  ASSERT_EQ(FWindow.Boxes.size(), 1u);
  const std::string& text = FWindow.Boxes[0].Text;
  EXPECT_EQ(text.rfind("The report could not be printed.\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("Tonalbrook No Such Printer"), std::string::npos) << text;
  EXPECT_EQ(FWindow.Boxes[0].Kind, TMessageKind::Error);
  // The options window came over the window, which was busy while the job ran.
  EXPECT_EQ(FWindow.Centred, 1);
  EXPECT_EQ(FWindow.BusyBegun, 1);
  ExpectRestored();
  Printer().SetPrinterIndex(-1);
  Printer().Refresh();

  // No column ticked: said, nothing printed.
  FWindow.Boxes.clear();
  Options(std::vector<bool>(9, false));
  FPrint.PrintReport("No columns", keys);
  ASSERT_EQ(FWindow.Boxes.size(), 1u);
  EXPECT_NE(FWindow.Boxes[0].Text.find("No column is ticked"), std::string::npos);
  EXPECT_EQ(FWindow.Boxes[0].Kind, TMessageKind::Warning);
  EXPECT_EQ(FWindow.BusyBegun, 1);
  ExpectRestored();

  // Cancelled: nothing asked, nothing printed; the title field keeps the heading.
  FWindow.Boxes.clear();
  FAnswers.Clear();
  FAnswers.Push(mrCancel);
  FPrint.PrintReport("Cancelled", keys);
  EXPECT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_TRUE(FWindow.Boxes.empty());
  EXPECT_EQ(FPrint.PrintParamWindow().Edit1->Text(), "Cancelled");
}

} // namespace
