// The name dialog as the category and album commands use it, worked through its edit and buttons:
// what it refuses, what it hands over, and where and how it shows.
#include <gtest/gtest.h>
#include <windows.h>
#include "MainCodeD2.h"
#include "EditCommands.h"
#include "MasterProbe.h"
#include "MainWindowFixture.h"
#include "RenamerCodeD2.h"
#include "EditingChecks.h"
#include "ModalScript.h"
#include "SysUtils.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include "DataCodeD2.h"

namespace {

const char* const Warning = "\"&\" not allowed!  Please retry...";

class NameDialog : public TMainWindowFixture {
protected:
  NameDialog() : TMainWindowFixture("tbnamedlg") {}
  TModalScript FScript;
  std::vector<TBoxSeen> FBoxes;
};

TEST_F(NameDialog, BlanksAndAmpersandsKeepItOpenAndCancelHandsOverNothing) {
  Start();
  const int categories = FForm->CatList()->Count();
  struct {
    std::string Caption, Hint, Proposal;
    bool OpenAfterBlankEnter = false, OpenAfterBlankOK = false, OpenAfterAmpersand = false;
    std::string AfterAmpersand, AfterSecondOK;
    POINT Centre{};
  } seen;
  FAnswers.Push(FScript.Run({
      [&](TForm& f) {
        auto& r = dynamic_cast<TRenamer&>(f);
        seen.Caption = r.Caption();
        seen.Hint = r.Edit1->Hint();
        seen.Proposal = r.Edit1->Text();
        RECT b;
        GetWindowRect(r.Handle(), &b);
        seen.Centre = {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
        TypeInto(r.Edit1->Handle(), "   ");
        PressKey(r.Edit1->Handle(), VK_RETURN);
      },
      [&](TForm& f) {
        auto& r = dynamic_cast<TRenamer&>(f);
        seen.OpenAfterBlankEnter = r.Modal() && r.ModalResult() == mrNone;
        ClickButton(*r.BitBtn1);
      },
      [&](TForm& f) {
        auto& r = dynamic_cast<TRenamer&>(f);
        seen.OpenAfterBlankOK = r.Modal() && r.ModalResult() == mrNone;
        TypeInto(r.Edit1->Handle(), "Rock & Roll");
        ClickButton(*r.BitBtn1);
      },
      [&](TForm& f) {
        auto& r = dynamic_cast<TRenamer&>(f);
        seen.OpenAfterAmpersand = r.Modal() && r.ModalResult() == mrNone;
        seen.AfterAmpersand = r.Edit1->Text();
        ClickButton(*r.BitBtn1); // the warning itself holds "&"
      },
      [&](TForm& f) {
        auto& r = dynamic_cast<TRenamer&>(f);
        seen.AfterSecondOK = r.Edit1->Text();
        ClickButton(*r.BitBtn2);
      },
  }));
  Probe(FForm).Item("Createnew2")->Click();
  EXPECT_EQ(seen.Caption, "Enter new category name");
  EXPECT_EQ(seen.Hint, "Type in new category name");
  EXPECT_EQ(seen.Proposal, "");
  RECT main;
  GetWindowRect(FForm->Handle(), &main);
  EXPECT_NEAR(seen.Centre.x, (main.left + main.right) / 2, 1);
  EXPECT_NEAR(seen.Centre.y, (main.top + main.bottom) / 2, 1);
  EXPECT_TRUE(seen.OpenAfterBlankEnter);
  EXPECT_TRUE(seen.OpenAfterBlankOK);
  EXPECT_TRUE(seen.OpenAfterAmpersand);
  EXPECT_EQ(seen.AfterAmpersand, Warning);
  EXPECT_EQ(seen.AfterSecondOK, Warning);
  EXPECT_EQ(FForm->EditCommands().NameResult(), "");
  // Cancelled: no category, and no note about one.
  EXPECT_EQ(FForm->CatList()->Count(), categories);
  EXPECT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_EQ(FAnswers.Unanswered(), 0);
  CloseAndWait();
}

TEST_F(NameDialog, EnterActsAsOKAndAnExistingCategoryIsOnlyFound) {
  Start();
  TCatList& cats = *FForm->CatList();
  const int categories = cats.Count();
  const int32_t folk = cats.FindCategory("Folk");
  TBitmap shot;
  FAnswers.Push(FScript.Run({[&](TForm& f) {
    auto& r = dynamic_cast<TRenamer&>(f);
    TypeInto(r.Edit1->Handle(), "  Bossa  ");
    CaptureWindow(r.Handle(), shot);
    PressKey(r.Edit1->Handle(), VK_RETURN);
  }}));
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  Probe(FForm).Item("Createnew2")->Click();
  EXPECT_EQ(FForm->EditCommands().NameResult(), "Bossa");
  EXPECT_NE(cats.FindCategory("Bossa"), 0);
  EXPECT_EQ(cats.Count(), categories + 1);
  EXPECT_EQ(Probe(FForm).Categories()->PageCount(), categories + 2);
  SaveShot(shot, "name_dialog.bmp");

  // A name that exists: the same note, nothing new.
  FAnswers.Push(FScript.Run({[&](TForm& f) {
    auto& r = dynamic_cast<TRenamer&>(f);
    TypeInto(r.Edit1->Handle(), "Folk");
    ClickButton(*r.BitBtn1);
  }}));
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  Probe(FForm).Item("Createnew4")->Click();
  EXPECT_EQ(cats.Count(), categories + 1);
  EXPECT_EQ(cats.FindCategory("Folk"), folk);
  ASSERT_EQ(FBoxes.size(), 2u);
  for (const TBoxSeen& box : FBoxes) {
    EXPECT_EQ(box.Caption, "Information");
    EXPECT_EQ(box.Text, "Please note this category will be purged after this session\r\n"
                        "            unless you add titles to it!");
    EXPECT_EQ(box.Ids, std::vector<int>{IDOK});
    EXPECT_EQ(box.HelpContext, 0);
  }
  EXPECT_EQ(FAnswers.Unanswered(), 0);
  CloseAndWait();
}

TEST_F(NameDialog, TheProposedNameIsSelectedSoTypingReplacesIt) {
  Start();
  Probe(FForm).Categories()->SetActivePageIndex(1);
  const std::string old = Trim(Probe(FForm).Categories()->ActivePage()->Caption());
  ASSERT_FALSE(old.empty());
  std::string proposal, typed;
  DWORD start = 99, end = 0;
  FAnswers.Push(FScript.Run({
      [&](TForm& f) {
        auto& r = dynamic_cast<TRenamer&>(f);
        proposal = r.Edit1->Text();
        SendMessageA(r.Edit1->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        // A user types at once, without selecting anything first.
        for (char c : std::string("Blues"))
          PostMessageA(r.Edit1->Handle(), WM_CHAR, static_cast<unsigned char>(c), 1);
        ProcessMessages();
        typed = r.Edit1->Text();
        ClickButton(*r.BitBtn2);
      },
  }));
  Probe(FForm).Item("Rename2")->Click();
  EXPECT_EQ(proposal, old);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, old.size());
  EXPECT_EQ(typed, "Blues");
  EXPECT_EQ(Trim(Probe(FForm).Categories()->ActivePage()->Caption()), old);
  EXPECT_EQ(FAnswers.Unanswered(), 0);
  CloseAndWait();
}

} // namespace
