// Help mode over the main window: the next click on a control that takes part shows its help
// context instead of acting; the Help menu's support commands and the hint switch.
#include <gtest/gtest.h>
#include <windows.h>
#include "IniFiles.h"
#include "MainCodeD2.h"
#include "MainPlay.h"
#include "ContextHelp.h"
#include "MasterProbe.h"
#include "Menus.h"
#include "TestUtil.h"
#include "MainWindowFixture.h"
#include "StandInSequencer.h"
#include "ViewProgCode.h"
#include "MainViews.h"
#include "StandInServices.h"
#include "SysUtils.h"

namespace {

class ContextHelp : public TMainWindowFixture {
protected:
  ContextHelp() : TMainWindowFixture("tbctxhelp") {}
  std::vector<std::pair<unsigned, ULONG_PTR>> FCalls;
  TEndingSequencer FSeq; // outlives the window, which the fixture frees
  void StartRecording() {
    Start();
    FForm->ContextHelp().HelpCall = [this](unsigned command, ULONG_PTR data) {
      FCalls.emplace_back(command, data);
      return true;
    };
  }
  bool InHelpMode() const { return Screen->Cursor() == 5; }
};

TEST_F(ContextHelp, HelpModeShowsEachControlsContextAndDoesNotAct) {
  StartRecording();
  struct TCase {
    const char* Name;
    std::function<void()> Click;
    ULONG_PTR Context;
  };
  TMasterFrm& f = *FForm;
  const TCase cases[] = {
      {"AllCatGrid", [&] { Probe(f).AllCatGrid()->Click(); }, 12},
      {"GetLocal", [&] { Probe(f).GetLocal()->Click(); }, 40},
      {"S&can (scan system) button", [&] { Probe(f).BitBtn1()->Click(); }, 42},
      {"&Drives (scan a drive) button", [&] { Probe(f).BitBtn2()->Click(); }, 41},
      {"&Open", [&] { Probe(f).Item("GetLocal2")->Click(); }, 40},
      {"Scan a drive", [&] { Probe(f).Item("ScanadriveforMIDIfiles1")->Click(); }, 41},
      {"Scan system", [&] { Probe(f).Item("ScansystemforMIDIfiles1")->Click(); }, 42},
      {"Create new album", [&] { static_cast<TMenuItem*>(f.FindComponent("Createnew1"))->Click(); },
       5},
      {"Create new category",
       [&] { static_cast<TMenuItem*>(f.FindComponent("Createnew2"))->Click(); }, 18},
  };
  int programBefore = f.Road().Program().Count();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FCalls.clear();
    FAnswers.Clear();
    Probe(f).Item("Contextsensitive1")->Click();
    ASSERT_TRUE(InHelpMode());
    c.Click();
    ProcessMessages();
    ASSERT_EQ(FCalls.size(), 1u);
    EXPECT_EQ(FCalls[0].first, unsigned(HELP_CONTEXTPOPUP));
    EXPECT_EQ(FCalls[0].second, c.Context);
    EXPECT_FALSE(InHelpMode());
    // Nothing acted: no window or question came up.
    EXPECT_TRUE(FAnswers.Asked().empty());
  }
  EXPECT_EQ(f.Road().Program().Count(), programBefore);
  CloseAndWait();
}

TEST_F(ContextHelp, HelpModeTakesTheProgramAndPlayerButtonsAndTheTabsFirst) {
  SetMainMciDriver(&FSeq);
  StartRecording();
  TMasterFrm& f = *FForm;
  TProgram& program = f.Road().Program();
  for (int i = 0; i < 3; ++i)
    Probe(f).DragList().Add(std::to_string(FCat.Keys[i]));
  f.SetDragSource(false, true);
  f.PlayCommands().PlayTClick(nullptr);
  const int playing = f.Road().MasterKeyPlaying();
  const size_t opened = FSeq.Opened.size();
  const std::pair<TBitBtn*, ULONG_PTR> buttons[] = {
      {Probe(f).Back(), 47},    {Probe(f).PlayNext(), 47},   {Probe(f).RepeatSB(), 47},
      {Probe(f).Shuffle(), 47}, {Probe(f).MusicClear(), 47}, {Probe(f).Pause(), 47},
      {Probe(f).OneStop(), 47}, {Probe(f).AllStop(), 47},    {Probe(f).ProgView(), 45}};
  for (const auto& [button, context] : buttons) {
    SCOPED_TRACE(button->Name());
    ASSERT_TRUE(button->Enabled());
    FCalls.clear();
    FAnswers.Clear();
    Probe(f).Item("Contextsensitive1")->Click();
    button->Click();
    ProcessMessages();
    ASSERT_EQ(FCalls.size(), 1u);
    EXPECT_EQ(FCalls[0].second, context);
    EXPECT_FALSE(InHelpMode());
    // The program, its order and the title playing are as they were; nothing was asked.
    EXPECT_TRUE(FAnswers.Asked().empty());
    EXPECT_EQ(program.Count(), 3);
    EXPECT_EQ(program.Index(), 0);
    EXPECT_EQ(f.Road().MasterKeyPlaying(), playing);
    EXPECT_EQ(FSeq.Mode, static_cast<DWORD>(MCI_MODE_PLAY));
    EXPECT_EQ(FSeq.Opened.size(), opened);
  }
  EXPECT_FALSE(f.ProgramViewer().Visible());

  // A press on a tab in help mode shows the tabs' help and starts no drag; outside it, it does.
  Probe(f).Albums()->SetActivePageIndex(1);
  for (auto [tabs, context] : {std::pair<TExtPageControl*, ULONG_PTR>{Probe(f).Categories(), 18},
                               std::pair<TExtPageControl*, ULONG_PTR>{Probe(f).Albums(), 1033}}) {
    SCOPED_TRACE(tabs->Name());
    RECT r = tabs->TabRect(tabs->ActivePageIndex());
    LPARAM at = MAKELPARAM(r.left + 6, (r.top + r.bottom) / 2);
    FCalls.clear();
    Probe(f).Item("Contextsensitive1")->Click();
    SendMessageA(tabs->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    EXPECT_FALSE(DragPending(tabs));
    SendMessageA(tabs->Handle(), WM_LBUTTONUP, 0, at);
    ASSERT_EQ(FCalls.size(), 1u);
    EXPECT_EQ(FCalls[0].second, context);
    EXPECT_FALSE(InHelpMode());
    SendMessageA(tabs->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    EXPECT_TRUE(DragPending(tabs));
    SendMessageA(tabs->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_FALSE(DragPending(tabs));
  }
  CloseAndWait();
}

TEST_F(ContextHelp, HelpModeTakesEveryGridsClicksAndEnterBeforeThePlayChoice) {
  SetMainMciDriver(&FSeq);
  StartRecording();
  TMasterFrm& f = *FForm;
  // A program plays, so that every offer of rows to the program shows the play pop-up.
  Probe(f).DragList().Add(std::to_string(FCat.Keys[2]));
  f.SetDragSource(false, true);
  f.PlayCommands().PlayTClick(nullptr);
  const int programCount = f.Road().Program().Count();
  std::vector<std::string> opened;
  TPopupMenu::SetPopupHook([&](TPopupMenu& menu) -> TMenuItem* {
    opened.push_back(menu.Name());
    return nullptr;
  });
  auto pageGrid = [&](auto& pages, const std::string& caption) -> TMyStringGrid* {
    for (auto& page : pages)
      if (Trim(page->Sheet()->Caption()) == caption) return page->GridControl();
    return nullptr;
  };
  TMyStringGrid* jazz = pageGrid(f.CategoryArea().Pages(), "Jazz");
  TMyStringGrid* evening = pageGrid(f.AlbumArea().Pages(), "Evening");
  ASSERT_TRUE(jazz && evening);
  struct TCase {
    TMyStringGrid* Grid;
    TExtPageControl* Pages;
    ULONG_PTR Context; // the all-titles grid's for a category, the album list's for an album
  };
  const TCase cases[] = {{Probe(f).AllCatGrid(), Probe(f).Categories(), 12},
                         {jazz, Probe(f).Categories(), 12},
                         {evening, Probe(f).Albums(), 44}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Grid == jazz ? "Jazz" : c.Grid == evening ? "Evening" : "all titles");
    c.Pages->SetActivePage(static_cast<TTabSheet*>(c.Grid->Parent()));
    ProcessMessages();
    HWND grid = c.Grid->Handle();
    RECT r = c.Grid->CellRect(1, 1);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    auto mouse = [&](std::initializer_list<std::pair<UINT, WPARAM>> messages) {
      for (auto [message, keys] : messages)
        SendMessageA(grid, message, keys, at);
      ProcessMessages();
    };
    auto doubleClick = [&] {
      mouse({{WM_LBUTTONDOWN, MK_LBUTTON},
             {WM_LBUTTONUP, 0},
             {WM_LBUTTONDBLCLK, MK_LBUTTON},
             {WM_LBUTTONUP, 0}});
    };
    const std::pair<const char*, std::function<void()>> gestures[] = {
        {"click",
         [&] {
           mouse({{WM_LBUTTONDOWN, MK_LBUTTON}, {WM_LBUTTONUP, 0}});
         }},
        {"double click", doubleClick},
        {"double click message alone",
         [&] {
           mouse({{WM_LBUTTONDBLCLK, MK_LBUTTON}});
         }},
        {"Enter",
         [&] {
           SendMessageA(grid, WM_KEYDOWN, VK_RETURN, 1);
           SendMessageA(grid, WM_KEYUP, VK_RETURN, 0xC0000001);
           ProcessMessages();
         }},
        {"right button", [&] {
           mouse({{WM_RBUTTONDOWN, MK_RBUTTON}, {WM_RBUTTONUP, 0}});
         }}};
    for (const auto& [name, gesture] : gestures) {
      SCOPED_TRACE(name);
      FCalls.clear();
      opened.clear();
      Probe(f).Item("Contextsensitive1")->Click();
      gesture();
      ASSERT_EQ(FCalls.size(), 1u);
      EXPECT_EQ(FCalls[0].first, unsigned(HELP_CONTEXTPOPUP));
      EXPECT_EQ(FCalls[0].second, c.Context);
      EXPECT_FALSE(InHelpMode());
      EXPECT_TRUE(opened.empty()) << "the play choice came up in help mode";
      EXPECT_EQ(f.Road().Program().Count(), programCount);
    }
    // Out of help mode the same double click offers the row to the program.
    FCalls.clear();
    opened.clear();
    doubleClick();
    EXPECT_EQ(opened, std::vector<std::string>{"PlayPopUp"});
    EXPECT_TRUE(FCalls.empty());
  }
  TPopupMenu::SetPopupHook(nullptr);
  CloseAndWait();
}

TEST_F(ContextHelp, TheRightButtonOnTabsAndAlbumListShowsHelpInsteadOfThePopUp) {
  StartRecording();
  std::vector<std::string> opened;
  TPopupMenu::SetPopupHook([&](TPopupMenu& menu) -> TMenuItem* {
    opened.push_back(menu.Name());
    return nullptr;
  });
  TMasterFrm& f = *FForm;
  const std::pair<TWinControl*, ULONG_PTR> cases[] = {
      {Probe(f).Categories(), 18}, {Probe(f).Albums(), 1033}, {Probe(f).AllAlbLV(), 44}};
  for (const auto& [control, context] : cases) {
    SCOPED_TRACE(control->Name());
    FCalls.clear();
    Probe(f).Item("Contextsensitive1")->Click();
    POINT p = control->ClientToScreen({5, 5});
    SendMessageA(control->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control->Handle()),
                 MAKELPARAM(p.x, p.y));
    ASSERT_EQ(FCalls.size(), 1u);
    EXPECT_EQ(FCalls[0].second, context);
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(InHelpMode());
    // Out of help mode the same button opens the pop-up.
    SendMessageA(control->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control->Handle()),
                 MAKELPARAM(p.x, p.y));
    EXPECT_EQ(opened.size(), 1u);
    opened.clear();
  }
  TPopupMenu::SetPopupHook(nullptr);
  CloseAndWait();
}

TEST_F(ContextHelp, NoContextEndsHelpModeAndASecondRequestKeepsIt) {
  StartRecording();
  Probe(FForm).Item("Contextsensitive1")->Click();
  Probe(FForm).Item("Contextsensitive1")->Click();
  EXPECT_TRUE(InHelpMode());
  EXPECT_TRUE(FForm->ContextHelp().ContextHelpClick(Probe(FForm).CheckBox1()));
  EXPECT_FALSE(InHelpMode());
  EXPECT_TRUE(FCalls.empty());
  // Outside help mode the caller acts; forced, help takes it.
  EXPECT_FALSE(FForm->ContextHelp().ContextHelpClick(Probe(FForm).Play()));
  EXPECT_TRUE(FForm->ContextHelp().ContextHelpClick(Probe(FForm).Play(), true));
  ASSERT_EQ(FCalls.size(), 1u);
  EXPECT_EQ(FCalls[0].second, 4u);
  // A help system that fails leaves the click taken.
  FForm->ContextHelp().HelpCall = [](unsigned, ULONG_PTR) -> bool {
    throw std::runtime_error("no help");
  };
  EXPECT_TRUE(FForm->ContextHelp().ContextHelpClick(Probe(FForm).TrashCat(), true));
  CloseAndWait();
}

TEST_F(ContextHelp, HelpMenuCommands) {
  StartRecording();
  Probe(FForm).Item("Viewhelpfile1")->Click();
  Probe(FForm).Item("Nosound1")->Click();
  ASSERT_EQ(FCalls.size(), 2u);
  EXPECT_EQ(FCalls[0].first, unsigned(HELP_FINDER));
  EXPECT_EQ(FCalls[1].first, unsigned(HELP_CONTEXT));
  EXPECT_EQ(FCalls[1].second, 23u);

  std::vector<std::string> opened;
  intptr_t shellAnswer = 2;
  Probe(FForm).AssocCommands().OpenWebPage = [&](const std::string& url) {
    opened.push_back(url);
    return shellAnswer;
  };
  FAnswers.Clear();
  Probe(FForm).Item("Email1")->Click();
  Probe(FForm).Item("Web1")->Click();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].rfind("mailto:", 0), 0u);
  EXPECT_EQ(opened[1].rfind("https://", 0), 0u);
  // Each failure warns once, with OK.
  ASSERT_EQ(FAnswers.Asked().size(), 2u);
  EXPECT_NE(FAnswers.Asked()[0].Text.find("e-mail program failed"), std::string::npos);
  EXPECT_NE(FAnswers.Asked()[1].Text.find("failed"), std::string::npos);
  shellAnswer = 42;
  FAnswers.Clear();
  Probe(FForm).Item("Email1")->Click();
  Probe(FForm).Item("Web1")->Click();
  EXPECT_TRUE(FAnswers.Asked().empty());
  Probe(FForm).Item("Phone1")->Click();
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_NE(FAnswers.Asked()[0].Text.find("telephone"), std::string::npos);
  CloseAndWait();
}

TEST_F(ContextHelp, ShowHintsReachesTheApplicationAndTheSettings) {
  Start();
  bool was = Probe(FForm).Item("Hintlevel1")->Checked();
  EXPECT_EQ(Probe(FForm).Item("Hintlevel1")->Caption(), "&Show hints");
  EXPECT_EQ(Probe(FForm).Item("Hintlevel1")->Parent(), Probe(FForm).Item("Help1"));
  Probe(FForm).Item("Hintlevel1")->Click();
  EXPECT_EQ(Probe(FForm).Item("Hintlevel1")->Checked(), !was);
  EXPECT_EQ(Application->ShowHint(), !was);
  CloseAndWait();
  EXPECT_EQ(TIniFile(FDir / "Tonalbrook.ini").ReadBool("Setup", "ShowAllHints", was), !was);
}

} // namespace

namespace {

// Help made with a stand-in for the main window: the Help menu it builds, and the boxes its
// support commands leave with the window.
class ContextHelpAlone : public testing::Test {
protected:
  TStandInServices FWindow;
  TComponent FOwner{nullptr};
  std::vector<std::string> FOpened;
  intptr_t FShellAnswer = 32; // the shell's answer: 32 or less is a failure
  TContextHelp FHelp{{FWindow, FOwner, [this](const std::string& url) {
                        FOpened.push_back(url);
                        return FShellAnswer;
                      }}};
  TMenuItem* FRoot = new TMenuItem(&FOwner);
  TMenuItem* Item(const char* name) { return dynamic_cast<TMenuItem*>(FOwner.FindComponent(name)); }
};

TEST_F(ContextHelpAlone, TheHelpMenuInItsOrderAndTheSupportCommandsBoxes) {
  FHelp.BuildHelpMenu(*FRoot);
  std::vector<std::string> captions;
  for (int i = 0; i < FRoot->Count(); ++i)
    captions.push_back(FRoot->Items(i)->Caption());
  EXPECT_EQ(captions,
            (std::vector<std::string>{"&Use help cursor", "&View help file", "&Show hints", "-",
                                      "No &sound?", "-", "&Email", "&Phone", "&Web", "-"}));
  EXPECT_EQ(FHelp.Hintlevel1(), Item("Hintlevel1"));

  Item("Email1")->Click();
  Item("Web1")->Click();
  ASSERT_EQ(FOpened.size(), 2u);
  EXPECT_EQ(FOpened[0].rfind("mailto:", 0), 0u);
  EXPECT_EQ(FOpened[1].rfind("https://", 0), 0u);
  // Each failure is a warning with OK that asks the user to try by hand.
  ASSERT_EQ(FWindow.Boxes.size(), 2u);
  EXPECT_NE(FWindow.Boxes[0].Text.find("e-mail program failed"), std::string::npos);
  EXPECT_NE(FWindow.Boxes[0].Text.find(FOpened[0].substr(7)), std::string::npos);
  EXPECT_NE(FWindow.Boxes[1].Text.find(FOpened[1]), std::string::npos);
  for (const auto& box : FWindow.Boxes) {
    EXPECT_EQ(box.Kind, TMessageKind::Warning);
    EXPECT_EQ(box.Buttons, TMessageButtons::OK);
  }
  // The shell opened them: nothing to say.
  FShellAnswer = 33;
  FWindow.Boxes.clear();
  Item("Email1")->Click();
  Item("Web1")->Click();
  EXPECT_TRUE(FWindow.Boxes.empty());
  Item("Phone1")->Click();
  ASSERT_EQ(FWindow.Boxes.size(), 1u);
  EXPECT_NE(FWindow.Boxes[0].Text.find(TContextHelp::SupportPhones), std::string::npos);
  EXPECT_EQ(FWindow.Boxes[0].Buttons, TMessageButtons::OK);
  EXPECT_EQ(FWindow.Boxes[0].Kind, TMessageKind::Information);
}

} // namespace
