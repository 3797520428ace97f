// The window core: ownership, events from real window messages, focus, modal forms and timers.
#include <gtest/gtest.h>
#include <windows.h>
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Guard.h"
#include "MessageBox.h"
#include "Messages.h"
#include "TestCapture.h"
#include "TestUtil.h"

namespace {

// A custom control that counts and paints a solid colour.
class TSwatch : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  int Paints = 0;

protected:
  void Paint() override {
    ++Paints;
    Canvas().Brush().SetColor(clRed);
    RECT r = ClientRect();
    Canvas().FillRect(r);
    Canvas().Pen().SetColor(clBlue);
    Canvas().MoveTo(0, 0);
    Canvas().LineTo(r.right, 0);
  }
};

class TDot : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;

protected:
  void Paint() override {
    Canvas().Brush().SetColor(clLime);
    RECT r{0, 0, Width(), Height()};
    Canvas().FillRect(r);
  }
};

void Click(HWND w, int x, int y) {
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

} // namespace

TEST(Components, OwnerFreesOwnedAndFreeNotificationClearsReferences) {
  struct THolder : TComponent {
    using TComponent::TComponent;
    TComponent* Ref = nullptr;
    void Notification(TComponent* c, TOperation op) override {
      TComponent::Notification(c, op);
      if (op == opRemove && c == Ref) Ref = nullptr;
    }
  };
  static int freed;
  freed = 0;
  struct TCounted : TComponent {
    using TComponent::TComponent;
    ~TCounted() override { ++freed; }
  };
  auto* owner = new TComponent(nullptr);
  auto* a = new TCounted(owner);
  a->SetName("Alpha");
  new TCounted(a); // owned by a: freed when a goes
  THolder holder(nullptr);
  holder.Ref = a;
  holder.FreeNotification(a);
  EXPECT_EQ(owner->FindComponent("alpha"), a);
  delete owner;
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(holder.Ref, nullptr);
}

TEST(Forms, ChildrenAreFreedWithTheFormAndActiveControlIsCleared) {
  auto* form = new TForm(nullptr);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  auto* inner = new TSwatch(nullptr); // not owned: freed as a child of its parent
  inner->SetParent(panel);
  inner->SetBounds(0, 0, 10, 10);
  form->Show();
  inner->SetFocus();
  EXPECT_TRUE(PumpUntil([&] { return form->ActiveControl() == inner; }, 5000));
  TControl* gone = inner;
  delete inner;
  EXPECT_NE(form->ActiveControl(), gone); // cleared, or the focus moved on to the panel
  auto* other = new TSwatch(nullptr);
  other->SetParent(panel);
  HWND otherWindow = other->Handle();
  delete form;
  EXPECT_FALSE(IsWindow(otherWindow));
}

TEST(Forms, MouseAndKeysFromWindowMessagesFireEvents) {
  TForm form(nullptr);
  form.SetBounds(50, 50, 300, 200);
  auto* swatch = new TSwatch(&form);
  swatch->SetBounds(10, 10, 100, 50);
  swatch->SetParent(&form);
  auto* dot = new TDot(&form);
  dot->SetBounds(150, 10, 20, 20);
  dot->SetParent(&form);
  std::vector<std::string> seen;
  swatch->OnClick = [&](TObject*) { seen.push_back("click"); };
  swatch->OnDblClick = [&](TObject*) { seen.push_back("dbl"); };
  swatch->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
    seen.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  swatch->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    seen.push_back("key " + std::to_string(key));
  };
  swatch->OnKeyPress = [&](TObject*, char& ch) { seen.push_back(std::string("char ") + ch); };
  dot->OnClick = [&](TObject* sender) { seen.push_back(sender == dot ? "dot" : "?"); };
  form.Show();
  Click(swatch->Handle(), 5, 6);
  Click(form.Handle(), 155, 15); // lands on the windowless control
  SendMessageA(swatch->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 1));
  swatch->SetFocus();
  PostMessageA(swatch->Handle(), WM_KEYDOWN, 'Q', 0);
  // The character is posted while the key is handled, so it may need a second pass.
  PumpUntil([&] { return !seen.empty() && seen.back().rfind("char", 0) == 0; }, 5000);
  std::vector<std::string> expected{"down 0 5,6", "click",  "dot",   "dbl",
                                    "down 0 1,1", "key 81", "char q"};
  EXPECT_EQ(seen, expected);
}

TEST(Forms, KeyPreviewLetsTheFormTakeKeysFirst) {
  TForm form(nullptr);
  auto* swatch = new TSwatch(&form);
  swatch->SetBounds(0, 0, 50, 50);
  swatch->SetParent(&form);
  int controlKeys = 0;
  swatch->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++controlKeys; };
  form.SetKeyPreview(true);
  form.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    if (key == VK_F5) key = 0;
  };
  form.Show();
  SendMessageA(swatch->Handle(), WM_KEYDOWN, VK_F5, 0);
  SendMessageA(swatch->Handle(), WM_KEYDOWN, VK_F6, 0);
  EXPECT_EQ(controlKeys, 1);
}

TEST(Forms, AlignDocksChildrenAndFollowsResize) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* top = new TPanel(&form);
  top->SetHeight(40);
  top->SetAlign(alTop);
  top->SetParent(&form);
  auto* bottom = new TPanel(&form);
  bottom->SetHeight(20);
  bottom->SetAlign(alBottom);
  bottom->SetParent(&form);
  auto* client = new TPanel(&form);
  client->SetAlign(alClient);
  client->SetParent(&form);
  int resized = 0;
  client->OnResize = [&](TObject*) { ++resized; };
  form.Show();
  form.SetClientWidth(300);
  form.SetClientHeight(200);
  ProcessMessages();
  EXPECT_EQ(top->Width(), 300);
  EXPECT_EQ(bottom->Top(), 180);
  EXPECT_EQ(client->Top(), 40);
  EXPECT_EQ(client->Height(), 140);
  EXPECT_GT(resized, 0);
}

TEST(ModalSeam, AnswersFormsAndMessageBoxesAndRecordsThem) {
  TModalAnswers answers;
  TForm form(nullptr);
  form.SetCaption("Editor");
  int shown = 0, closed = 0;
  form.OnShow = [&](TObject*) { ++shown; };
  form.OnClose = [&](TObject*, TCloseAction&) { ++closed; };
  answers.Push([&](TModalRequest& r) {
    EXPECT_EQ(r.Form, &form);
    return mrOk;
  });
  answers.Push(IDNO);
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(PlainMessageBox("Really?", "Confirm", MB_YESNO), IDNO);
  EXPECT_EQ(form.ShowModal(), mrCancel); // queue empty: never blocks
  ASSERT_EQ(answers.Asked().size(), 3u);
  EXPECT_EQ(answers.Asked()[0].Kind, "TForm");
  EXPECT_EQ(answers.Asked()[0].Caption, "Editor");
  EXPECT_EQ(answers.Asked()[1].Kind, "MessageBox");
  EXPECT_EQ(answers.Asked()[1].Text, "Really?");
  EXPECT_EQ(answers.Unanswered(), 1);
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(closed, 2);
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

TEST(ModalSeam, TimersTickWhileARealModalFormRuns) {
  TModalAnswers answers;
  answers.Push(mrRunModal);
  TForm owner(nullptr);
  owner.Show();
  TForm dialog(nullptr);
  auto* timer = new TTimer(&dialog);
  timer->SetInterval(20);
  int ticks = 0;
  bool ownerDisabled = false;
  timer->OnTimer = [&](TObject*) {
    ownerDisabled = !IsWindowEnabled(owner.Handle());
    if (++ticks == 3) dialog.SetModalResult(mrYes);
  };
  timer->SetEnabled(true);
  EXPECT_EQ(dialog.ShowModal(), mrYes);
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(dialog.Visible());
}

TEST(ModalSeam, CloseQueryCanKeepAModalFormOpen) {
  TModalAnswers answers;
  answers.Push(mrRunModal);
  TForm dialog(nullptr);
  int asked = 0;
  dialog.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++asked > 1; };
  auto* timer = new TTimer(&dialog);
  timer->SetInterval(10);
  timer->OnTimer = [&](TObject*) { PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0); };
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
}

TEST(Boundary, ExceptionInAnEventReachesApplicationOnException) {
  std::string caught;
  SetBoundaryHandler([&](std::exception_ptr e) { Application->HandleException(e); });
  Application->OnException = [&](TObject*, const std::exception& e) { caught = e.what(); };
  {
    TForm form(nullptr);
    auto* swatch = new TSwatch(&form);
    swatch->SetBounds(0, 0, 20, 20);
    swatch->SetParent(&form);
    swatch->OnClick = [](TObject*) { throw Exception("bad click"); };
    form.Show();
    Click(swatch->Handle(), 2, 2);
  }
  Application->OnException = nullptr;
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  EXPECT_EQ(caught, "bad click");
}

TEST(Capture, ShowsWhatWasPainted) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 150);
  form.SetColor(clWhite);
  auto* swatch = new TSwatch(&form);
  swatch->SetBounds(10, 20, 40, 30);
  swatch->SetParent(&form);
  auto* dot = new TDot(&form);
  dot->SetBounds(100, 20, 10, 10);
  dot->SetParent(&form);
  form.Show();
  TBitmap shot;
  CaptureControl(form, shot);
  EXPECT_EQ(shot.Pixel(30, 40), clRed);
  EXPECT_EQ(shot.Pixel(30, 20), clBlue); // the line along the swatch's top
  EXPECT_EQ(shot.Pixel(105, 25), clLime);
  EXPECT_EQ(shot.Pixel(150, 100), clWhite);
  EXPECT_GT(swatch->Paints, 0);
}

namespace {

// Counts its own end, so a test can see when a released form is gone.
class TCountedForm : public TForm {
public:
  TCountedForm(int& freed) : TForm(nullptr), FFreed(freed) {}
  ~TCountedForm() override { ++FFreed; }

private:
  int& FFreed;
};

} // namespace

TEST(Forms, AReleasedFormOutlivesTheHandlerThatLetMessagesRun) {
  int freed = 0;
  auto* form = new TCountedForm(freed);
  auto* swatch = new TSwatch(form);
  swatch->SetBounds(0, 0, 50, 50);
  swatch->SetParent(form);
  form->Show();
  bool usable = false;
  // A click handler that closes its own form, lets messages run, then goes on with the form.
  swatch->OnClick = [&](TObject*) {
    form->Release();
    ProcessMessages();
    PumpQueued(); // and what those messages posted in turn
    ProcessMessages();
    usable = freed == 0 && form->HandleAllocated();
  };
  Click(swatch->Handle(), 5, 5);
  EXPECT_TRUE(usable);
  // Once the handler has ended, the form goes.
  EXPECT_TRUE(PumpUntil([&] { return freed == 1; }, 5000));
}

TEST(Forms, AWindowOutOfReachComesBackOntoTheNearestMonitor) {
  // Two monitors side by side, the first with a task bar along its bottom; windows 585 x 400.
  const std::vector<RECT> areas{{0, 0, 1024, 740}, {1024, 0, 2304, 1024}};
  auto at = [&](LONG left, LONG top) {
    POINT p = ReachablePlace({left, top, left + 585, top + 400}, areas, 23);
    return std::to_string(p.x) + "," + std::to_string(p.y);
  };
  // Enough of the caption to take hold of: it stays, partly off the screen or across both.
  EXPECT_EQ(at(-500, 100) + " " + at(2200, 100) + " " + at(900, 100), "-500,100 2200,100 900,100");
  // A sliver of the caption, a caption under the task bar or above the top: moved the least
  // that brings the window wholly onto the monitor it overlaps.
  EXPECT_EQ(at(-560, 100) + " " + at(100, 730) + " " + at(100, -300), "0,100 100,340 100,0");
  // Far off: onto the monitor nearest to it.
  EXPECT_EQ(at(99999, 99999) + " " + at(-99999, 300), "1719,624 0,300");
}
