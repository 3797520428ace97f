// Standard controls driven by real window messages: notifications reach the control's own object.
#include <gtest/gtest.h>
#include <windows.h>
#include "Buttons.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Messages.h"
#include "StdCtrls.h"
#include "TestCapture.h"

namespace {

void Key(HWND w, WORD vk) {
  PostMessageA(w, WM_KEYDOWN, vk, 1);
  PostMessageA(w, WM_KEYUP, vk, 0xC0000001);
  ProcessMessages();
}

// A dialog form as feature windows build them: an edit, a check box, OK and Cancel.
struct TEntryForm : TForm {
  TEdit* Edit;
  TCheckBox* Check;
  TButton* Ok;
  TButton* Cancel;
  explicit TEntryForm(TComponent* owner) : TForm(owner) {
    SetBounds(100, 100, 300, 160);
    SetBorderStyle(bsDialog);
    Edit = new TEdit(this);
    Edit->SetBounds(8, 8, 200, 21);
    Edit->SetParent(this);
    Check = new TCheckBox(this);
    Check->SetBounds(8, 40, 120, 17);
    Check->SetCaption("&Remember");
    Check->SetParent(this);
    Ok = new TButton(this);
    Ok->SetCaption("OK");
    Ok->SetModalResult(mrOk);
    Ok->SetDefault(true);
    Ok->SetBounds(8, 80, 75, 25);
    Ok->SetParent(this);
    Cancel = new TButton(this);
    Cancel->SetCaption("Cancel");
    Cancel->SetModalResult(mrCancel);
    Cancel->SetCancel(true);
    Cancel->SetBounds(90, 80, 75, 25);
    Cancel->SetParent(this);
    SetActiveControl(Edit);
  }
};

} // namespace

TEST(StdCtrls, TypingEnterAndEscapeWorkARealModalDialog) {
  TModalAnswers answers;
  TEntryForm form(nullptr);
  std::string typed;
  int changes = 0;
  form.Edit->OnChange = [&](TObject*) { ++changes; };
  // Run for real: type into the edit, tab to the box, tick it with Space, press Enter.
  answers.Push([&](TModalRequest&) {
    auto* timer = new TTimer(&form);
    timer->SetInterval(10);
    timer->OnTimer = [&, timer](TObject*) {
      timer->SetEnabled(false);
      HWND edit = form.Edit->Handle();
      for (char c : std::string("abc"))
        PostMessageA(edit, WM_CHAR, c, 1);
      ProcessMessages();
      Key(GetFocus(), VK_TAB);
      Key(GetFocus(), VK_SPACE);
      Key(GetFocus(), VK_RETURN);
    };
    return mrRunModal;
  });
  // Should the keys go astray, the dialog ends after a while and the test fails instead of
  // waiting forever.
  auto* watchdog = new TTimer(&form);
  watchdog->SetInterval(20000);
  watchdog->OnTimer = [&](TObject*) { form.SetModalResult(mrAbort); };
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.Edit->Text(), "abc");
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(form.Check->Checked());

  answers.Push([&](TModalRequest&) {
    auto* timer = new TTimer(&form);
    timer->SetInterval(10);
    timer->OnTimer = [&, timer](TObject*) {
      timer->SetEnabled(false);
      Key(GetFocus(), VK_ESCAPE);
    };
    return mrRunModal;
  });
  EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST(StdCtrls, ButtonsCheckBoxesAndRadioGroupsAnswerClicks) {
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  auto* box = new TCheckBox(&form);
  box->SetTop(40);
  box->SetAllowGrayed(true);
  box->SetParent(&form);
  auto* group = new TRadioGroup(&form);
  group->SetBounds(0, 70, 150, 90);
  group->SetParent(&form);
  group->SetItems({"One", "Two", "Three"});
  int groupClicks = 0;
  group->OnClick = [&](TObject*) { ++groupClicks; };
  form.Show();
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  SendMessageA(box->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(box->State(), cbGrayed);
  SendMessageA(box->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(box->State(), cbChecked);
  EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageA(group->Buttons(2)->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(group->ItemIndex(), 2);
  SendMessageA(group->Buttons(0)->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(group->ItemIndex(), 0);
  EXPECT_FALSE(group->Buttons(2)->Checked());
  group->SetItemIndex(1); // from code: no click
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(groupClicks, 2);
  EXPECT_EQ(SendMessageA(group->Buttons(1)->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(StdCtrls, ListAndComboBoxesKeepItemsAndReportSelection) {
  TForm form(nullptr);
  auto* list = new TListBox(&form);
  list->Items().Add("before the window");
  list->SetParent(&form);
  form.Show();
  list->Items().Add("after");
  list->Items().Insert(0, "first");
  EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 3);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  RECT r = list->ItemRect(2);
  SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 2, r.top + 2));
  SendMessageA(list->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(r.left + 2, r.top + 2));
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(clicks, 1);
  list->Items().Delete(0);
  EXPECT_EQ(list->Items()[1], "after");

  auto* combo = new TComboBox(&form);
  combo->SetStyle(csDropDownList);
  combo->SetTop(120);
  combo->SetParent(&form);
  combo->Items().Add("Red");
  combo->Items().Add("Green");
  std::string chosen;
  combo->OnChange = [&](TObject*) { chosen = combo->Text(); };
  combo->SetFocus();
  Key(combo->Handle(), VK_DOWN);
  Key(combo->Handle(), VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(chosen, "Green");
}

TEST(StdCtrls, OwnerDrawnItemsAndStatusPanelsPaintThroughReflection) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 240);
  auto* list = new TListBox(&form);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(20);
  list->SetBounds(0, 0, 150, 100);
  list->Items().Add("a");
  list->Items().Add("b");
  int measured = 0;
  list->OnDrawItem = [&](TWinControl*, int index, const RECT& r, TOwnerDrawState) {
    list->Canvas().Brush().SetColor(index == 0 ? clRed : clBlue);
    list->Canvas().FillRect(r);
  };
  list->SetParent(&form);
  auto* bar = new TStatusBar(&form);
  bar->SetParent(&form);
  bar->AddPanel().SetWidth(100);
  bar->AddPanel().SetStyle(psOwnerDraw);
  bar->Panels(0).SetText("Ready");
  bar->OnDrawPanel = [&](TStatusBar* b, TStatusPanel& p, const RECT& r) {
    ++measured;
    b->Canvas().Brush().SetColor(p.Index() == 1 ? clLime : clBlack);
    b->Canvas().FillRect(r);
  };
  form.Show();
  TBitmap shot;
  CaptureControl(*list, shot);
  EXPECT_EQ(shot.Pixel(50, 5), clRed);
  EXPECT_EQ(shot.Pixel(50, 25), clBlue);
  EXPECT_EQ(bar->Top() + bar->Height(), form.ClientHeight());
  EXPECT_EQ(bar->Width(), form.ClientWidth());
  CaptureControl(*bar, shot);
  EXPECT_GT(measured, 0);
  EXPECT_EQ(shot.Pixel(150, bar->Height() / 2), clLime);
  char text[32] = {};
  SendMessageA(bar->Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Ready");
}

TEST(StdCtrls, LabelSizesToItsTextAndSpeedButtonsGroup) {
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetCaption("A");
  int narrow = label->Width();
  label->SetCaption("A much longer caption");
  EXPECT_GT(label->Width(), narrow * 5);
  auto* a = new TSpeedButton(&form);
  auto* b = new TSpeedButton(&form);
  for (auto* s : {a, b}) {
    s->SetGroupIndex(1);
    s->SetParent(&form);
  }
  a->SetBounds(0, 50, 23, 22);
  b->SetBounds(30, 50, 23, 22);
  form.Show();
  HWND w = form.Handle();
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 55));
  SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(5, 55));
  EXPECT_TRUE(a->Down());
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(35, 55));
  SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(35, 55));
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  b->Click(); // the last one down stays down without AllowAllUp
  EXPECT_TRUE(b->Down());
}

TEST(StdCtrls, ADisabledSpeedButtonShowsItsPictureGreyed) {
  TForm form(nullptr);
  auto* button = new TSpeedButton(&form);
  button->SetBounds(10, 10, 40, 30);
  button->Glyph().SetSize(16, 16);
  button->Glyph().Canvas().Brush().SetColor(clFuchsia); // the bottom-left pixel: transparent
  RECT all{0, 0, 16, 16};
  button->Glyph().Canvas().FillRect(all);
  button->Glyph().Canvas().Brush().SetColor(clBlack);
  RECT dot{4, 4, 12, 12};
  button->Glyph().Canvas().FillRect(dot);
  button->SetParent(&form);
  form.Show();
  auto count = [&](COLORREF colour) {
    TBitmap shot;
    CaptureControl(form, shot);
    int n = 0;
    for (int y = 0; y < shot.Height(); ++y)
      for (int x = 0; x < shot.Width(); ++x)
        n += static_cast<COLORREF>(ColorToRGB(shot.Pixel(x, y))) == colour;
    return n;
  };
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const int blackEnabled = count(RGB(0, 0, 0)), shadowEnabled = count(shadow);
  EXPECT_GE(blackEnabled, 64);
  button->SetEnabled(false);
  button->Repaint();
  // The 8 x 8 black dot is gone, drawn in the shadow colour over its highlight instead.
  EXPECT_EQ(count(RGB(0, 0, 0)), blackEnabled - 64);
  EXPECT_EQ(count(shadow), shadowEnabled + 64);
  form.Hide();
}

TEST(StdCtrls, BitBtnDrawsItsGlyphTransparentlyAndSetsModalResult) {
  TModalAnswers answers;
  TForm form(nullptr);
  auto* btn = new TBitBtn(&form);
  btn->SetKind(bkYes);
  btn->SetBounds(10, 10, 100, 40);
  btn->Glyph().SetSize(16, 16);
  btn->Glyph().Canvas().Brush().SetColor(clFuchsia); // the bottom-left pixel: transparent
  RECT all{0, 0, 16, 16};
  btn->Glyph().Canvas().FillRect(all);
  btn->Glyph().Canvas().Brush().SetColor(clRed);
  RECT dot{4, 4, 12, 12};
  btn->Glyph().Canvas().FillRect(dot);
  btn->SetParent(&form);
  form.Show();
  TBitmap shot;
  CaptureControl(*btn, shot);
  int reds = 0, fuchsias = 0;
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x) {
      reds += shot.Pixel(x, y) == clRed;
      fuchsias += shot.Pixel(x, y) == clFuchsia;
    }
  EXPECT_EQ(reds, 64);
  EXPECT_EQ(fuchsias, 0);
  form.Hide();
  answers.Push([&](TModalRequest&) {
    SendMessageA(btn->Handle(), BM_CLICK, 0, 0);
    return form.ModalResult();
  });
  EXPECT_EQ(form.ShowModal(), mrYes);
}

TEST(Dialogs, MessageDlgIsAFormTheSeamAnswersWithItsText) {
  TModalAnswers answers;
  answers.Push([](TModalRequest& r) {
    // The box is a real form with the buttons asked for.
    auto* yes = dynamic_cast<TButton*>(r.Form->FindComponent("Yes"));
    auto* no = dynamic_cast<TButton*>(r.Form->FindComponent("No"));
    EXPECT_TRUE(yes && no);
    EXPECT_EQ(r.Form->FindComponent("OK"), nullptr);
    no->Click();
    return r.Form->ModalResult();
  });
  EXPECT_EQ(MessageDlg("Delete 3 titles?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
  ASSERT_EQ(answers.Asked().size(), 1u);
  EXPECT_EQ(answers.Asked()[0].Kind, "TMessageForm");
  EXPECT_EQ(answers.Asked()[0].Caption, "Confirm");
  EXPECT_EQ(answers.Asked()[0].Text, "Delete 3 titles?");
}
