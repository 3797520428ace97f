// The message and input dialogs and the main window's message box and busy state, answered through
// the modal test seam so that no box waits for a user.
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <windows.h>
#include "Buttons.h"
#include "Dialogs.h"
#include "MasterBase.h"
#include "Menus.h"
#include "MessageBox.h"
#include "Messages.h"
#include "MsgDlg.h"

namespace {

// What the seam saw of a message box while it was answered.
struct TSeen {
  std::string Caption, Text, Focused;
  bool HasIcon = false;
  std::vector<int> Ids; // the window identifiers of its answering buttons
  RECT Bounds{};
  bool StayOnTop = false;
};

TModalAnswers::TAnswer Answer(int result, TSeen& seen) {
  return [result, &seen](TModalRequest& r) {
    seen.Caption = r.Caption;
    seen.Text = r.Text;
    TForm* f = r.Form;
    seen.HasIcon = f->FindComponent("Image") != nullptr;
    if (f->ActiveControl()) seen.Focused = f->ActiveControl()->Caption();
    for (int i = 0; i < f->ComponentCount(); ++i)
      if (auto* b = dynamic_cast<TButton*>(f->Components(i)); b && b->ModalResult() != mrNone)
        seen.Ids.push_back(GetDlgCtrlID(b->Handle()));
    seen.Bounds = f->BoundsRect();
    seen.StayOnTop = f->FormStyle() == fsStayOnTop;
    return result;
  };
}

} // namespace

TEST(MessageDialog, SeparatorsDefaultButtonCaptionAndStandardButtonIds) {
  TModalAnswers answers;
  TMessageDialog md(nullptr);
  md.SetText("first\\nsecond");
  md.SetMsgType(mtConfirmation);
  md.SetButtons({mbYes, mbNo, mbCancel});
  md.SetDefaultButton(mbNo);
  TSeen seen;
  answers.Push(Answer(mrNo, seen));
  EXPECT_EQ(md.Execute(), mrNo);
  EXPECT_EQ(seen.Text, "first\r\nsecond");
  EXPECT_EQ(seen.Caption, "Confirm");
  EXPECT_EQ(seen.Focused, "&No");
  EXPECT_TRUE(seen.HasIcon);
  EXPECT_EQ(seen.Ids, (std::vector<int>{IDYES, IDNO, IDCANCEL}));

  // Blanks only: no separator. A default button not shown leaves the focus alone.
  md.SetLineSeparator("  \t ");
  md.SetDefaultButton(mbHelp);
  md.SetCaption("Own title");
  md.SetStayOnTop(stAlways);
  TSeen plain;
  answers.Push(Answer(mrYes, plain));
  EXPECT_EQ(md.Execute(), mrYes);
  EXPECT_EQ(plain.Text, "first\\nsecond");
  EXPECT_EQ(plain.Caption, "Own title");
  EXPECT_EQ(plain.Focused, "&Yes");
  EXPECT_TRUE(plain.StayOnTop);
  int shows = 0, closes = 0;
  md.OnShow = [&](TObject*) { ++shows; };
  md.OnClose = [&](TObject*) { ++closes; };
  answers.Push(mrCancel);
  md.Execute();
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(closes, 1);
}

TEST(MessageDialog, CentredOnTheOwnerAndKeptOnTheScreen) {
  TModalAnswers answers;
  TForm owner(nullptr);
  owner.SetBounds(100, 100, 400, 300);
  owner.Show();
  ProcessMessages();
  auto* md = new TMessageDialog(&owner);
  md->SetText("Placed");
  TSeen seen;
  answers.Push(Answer(mrOk, seen));
  md->Execute();
  int w = seen.Bounds.right - seen.Bounds.left, h = seen.Bounds.bottom - seen.Bounds.top;
  RECT r;
  GetWindowRect(owner.Handle(), &r);
  EXPECT_EQ(seen.Bounds.left, r.left + (r.right - r.left) / 2 - w / 2);
  EXPECT_EQ(seen.Bounds.top, r.top + (r.bottom - r.top) / 2 - h / 2);
  // Near the bottom-right corner the box still fits on the screen.
  owner.SetBounds(GetSystemMetrics(SM_CXSCREEN) - 60, GetSystemMetrics(SM_CYSCREEN) - 40, 400, 300);
  ProcessMessages();
  TSeen edge;
  answers.Push(Answer(mrOk, edge));
  md->Execute();
  EXPECT_LE(edge.Bounds.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LE(edge.Bounds.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_GE(edge.Bounds.left, 0);
}

TEST(InputDialog, OkTakesTheTypedTextCancelKeepsIt) {
  TModalAnswers answers;
  TInputDialog input(nullptr);
  input.SetCaption("Album");
  input.SetPrompt("Name of\\nthe new album:");
  input.SetText("Old");
  std::string label;
  int okId = 0;
  answers.Push([&](TModalRequest& r) {
    auto* box = dynamic_cast<TInputDialogBox*>(r.Form);
    label = box->Label1->Caption();
    okId = GetDlgCtrlID(box->OKBtn->Handle());
    EXPECT_GT(box->Edit1->Top(), box->Label1->Top() + box->Label1->Height());
    EXPECT_EQ(box->Edit1->Text(), "Old");
    box->Edit1->SetText("Night pieces");
    return mrOk;
  });
  EXPECT_TRUE(input.Execute());
  EXPECT_EQ(input.Text(), "Night pieces");
  EXPECT_EQ(label, "Name of\r\nthe new album:");
  EXPECT_EQ(okId, IDOK);
  answers.Push([&](TModalRequest& r) {
    dynamic_cast<TInputDialogBox*>(r.Form)->Edit1->SetText("Dropped");
    return mrCancel;
  });
  EXPECT_FALSE(input.Execute());
  EXPECT_EQ(input.Text(), "Night pieces");
}

TEST(MasterMessageBox, AnswersForEachButtonSetKindAndTextAsGiven) {
  TModalAnswers answers;
  TMasterFrmBase master(nullptr);
  using K = TMessageKind;
  using B = TMessageButtons;
  struct TCase {
    TMessageKind Kind;
    TMessageButtons Buttons;
    int Press;
    int Expected; // the answer's number, as callers outside the program know it
    const char* Caption;
    std::vector<int> Ids;
  };
  const TCase cases[] = {
      {K::Confirmation, B::Yes | B::No | B::Help, mrYes, 6, "Confirm", {IDYES, IDNO}},
      {K::Confirmation, B::Yes | B::No | B::Help, mrNo, 7, "Confirm", {IDYES, IDNO}},
      {K::Warning, B::OK | B::Cancel, mrOk, 1, "Warning", {IDOK, IDCANCEL}},
      {K::Warning, B::OK | B::Cancel, mrCancel, 2, "Warning", {IDOK, IDCANCEL}},
      {K::Error, B::OK, mrOk, 1, "Error", {IDOK}},
      {K::Information,
       B::Yes | B::No | B::Cancel,
       mrCancel,
       2,
       "Information",
       {IDYES, IDNO, IDCANCEL}},
      {K::Warning, B::Abort, mrAbort, 3, "Warning", {IDABORT}},
      {K::Information, B::None, mrOk, 1, "Information", {IDOK}}, // none given: OK, so it can close
  };
  for (const TCase& c : cases) {
    TSeen seen;
    answers.Push(Answer(c.Press, seen));
    TMessageAnswer got =
        master.ShowMessageBox("Could not read C:\\Music\\new.mid", c.Kind, 0, c.Buttons);
    EXPECT_EQ(static_cast<int>(got), c.Expected) << c.Caption << " " << c.Press;
    EXPECT_EQ(seen.Caption, c.Caption);
    EXPECT_EQ(seen.Text, "Could not read C:\\Music\\new.mid");
    EXPECT_EQ(seen.Ids, c.Ids);
    EXPECT_TRUE(seen.HasIcon);
  }
  EXPECT_EQ(answers.Unanswered(), 0);
}

TEST(MasterMessageBox, ExceptionHandlerAndTraceBox) {
  TModalAnswers answers;
  TMasterFrmBase master(nullptr);
  master.AppException(nullptr, std::runtime_error("disk full"));
  ASSERT_EQ(answers.Asked().size(), 1u);
  EXPECT_EQ(answers.Asked()[0].Text, "Application exception:\r\n\r\ndisk full");
  EXPECT_EQ(answers.Asked()[0].Caption, "Error");

  master.DebugTrace("silent"); // no trace item
  EXPECT_EQ(answers.Asked().size(), 1u);
  auto* menu = new TMainMenu(&master);
  auto* debug = new TMenuItem(&master);
  menu->Items().Add(debug);
  master.SetTraceItem(debug);
  master.DebugTrace("silent"); // not ticked
  EXPECT_EQ(answers.Asked().size(), 1u);
  debug->SetChecked(true);
  master.DebugTrace("step 4");
  ASSERT_EQ(answers.Asked().size(), 2u);
  EXPECT_EQ(answers.Asked()[1].Text, "step 4");
  EXPECT_EQ(answers.Asked()[1].Caption, "Information");
}

TEST(MasterBusyState, DisablesCommandsAndAGuardReenablesThemAfterAnException) {
  TMasterFrmBase master(nullptr);
  master.SetBounds(10, 10, 500, 300);
  auto make = [&] {
    auto* b = new TBitBtn(&master);
    b->SetParent(&master);
    return b;
  };
  TBitBtn* newAlb = make();
  TBitBtn* back = make();
  TBitBtn* next = make();
  TBitBtn* play = make(); // not a command of the busy state
  auto* menu = new TMainMenu(&master);
  auto* albums = new TMenuItem(&master);
  albums->SetCaption("&Albums");
  menu->Items().Add(albums);
  auto* other = new TMenuItem(&master);
  other->SetCaption("&Player");
  menu->Items().Add(other);
  master.SetMenu(menu);
  master.SetBusyParts({{newAlb}, {back, next}, {albums}});
  // The parts are known by themselves, not by their names or captions.
  albums->SetCaption("Al&ben");
  other->SetCaption("&Albums");
  TMidiMode mode = mdStopped;
  master.PlayerMode = [&] { return mode; };

  master.DisableCommands();
  EXPECT_FALSE(newAlb->Enabled());
  EXPECT_FALSE(back->Enabled());
  EXPECT_FALSE(albums->Enabled());
  EXPECT_TRUE(other->Enabled());
  EXPECT_TRUE(play->Enabled());
  EXPECT_EQ(master.Cursor(), crHourGlass);
  master.EnableCommands();
  EXPECT_TRUE(newAlb->Enabled());
  EXPECT_TRUE(albums->Enabled());
  EXPECT_FALSE(back->Enabled()); // stopped: nothing to step from
  EXPECT_FALSE(next->Enabled());
  EXPECT_EQ(master.Cursor(), crDefault);

  mode = mdPlaying;
  try {
    TBusyState busy(master);
    { TBusyState inner(master); }
    EXPECT_TRUE(master.CommandsDisabled()); // the inner holder does not end the outer one
    throw std::runtime_error("import failed");
  } catch (const std::exception&) {
  }
  EXPECT_FALSE(master.CommandsDisabled());
  EXPECT_TRUE(newAlb->Enabled());
  EXPECT_TRUE(back->Enabled());
  EXPECT_TRUE(next->Enabled());

  // Centring a window over the main window.
  TForm child(nullptr);
  child.SetBounds(0, 0, 101, 51);
  master.CenterOverMainWindow(child);
  EXPECT_EQ(child.Left(), 10 + (500 - 101) / 2);
  EXPECT_EQ(child.Top(), 10 + (300 - 51) / 2);
}

TEST(MasterMessageBox, APlainSystemBoxShowsTheKindAndTheButtonsOffered) {
  struct TCase {
    TMessageKind Kind;
    TMessageButtons Buttons;
    int Press;
    unsigned Flags;
    TMessageAnswer Expected;
  };
  using K = TMessageKind;
  using B = TMessageButtons;
  const TCase cases[] = {
      {K::Confirmation, B::Yes | B::No | B::Help, IDNO, MB_ICONQUESTION | MB_YESNO,
       TMessageAnswer::No},
      {K::Warning, B::Yes | B::No | B::Cancel, IDCANCEL, MB_ICONWARNING | MB_YESNOCANCEL,
       TMessageAnswer::Cancel},
      {K::Information, B::OK | B::Cancel, IDOK, MB_ICONINFORMATION | MB_OKCANCEL,
       TMessageAnswer::OK},
      // A lone Cancel or Abort shows as OK and answers the button that was offered.
      {K::Error, B::Cancel, IDOK, MB_ICONERROR | MB_OK, TMessageAnswer::Cancel},
      {K::Warning, B::Abort, IDOK, MB_ICONWARNING | MB_OK, TMessageAnswer::Abort},
  };
  for (const TCase& c : cases) {
    unsigned flags = 0;
    SetMessageBoxHook([&](const std::string&, const std::string&, unsigned f) {
      flags = f;
      return c.Press;
    });
    EXPECT_EQ(PlainMessageBox("text", "Tonalbrook", c.Kind, c.Buttons), c.Expected);
    EXPECT_EQ(flags, c.Flags);
  }
  SetMessageBoxHook(nullptr);
}
