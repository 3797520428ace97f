// Standard controls over the system's window classes.
#include "StdCtrls.h"
#include "Forms.h"
#include "SysUtils.h"
#include <windowsx.h>
#include <algorithm>

static TOwnerDrawState OwnerDrawState(UINT state) {
  TOwnerDrawState s;
  if (state & ODS_SELECTED) s.Include(odSelected);
  if (state & ODS_GRAYED) s.Include(odGrayed);
  if (state & ODS_DISABLED) s.Include(odDisabled);
  if (state & ODS_CHECKED) s.Include(odChecked);
  if (state & ODS_FOCUS) s.Include(odFocused);
  return s;
}

namespace {
// A line of an owner-drawn list or combo box: the owner draws it, or the item's text is drawn, on
// the selection colours when selected.
template <class TItems>
void DrawOwnedItem(TWinControl* control, TCanvas& canvas, const DRAWITEMSTRUCT& d,
                   const TItems& items, const TDrawItemEvent& onDraw) {
  canvas.SetHandle(d.hDC);
  canvas.Font().Assign(control->Font());
  bool selected = d.itemState & ODS_SELECTED;
  canvas.Brush().SetColor(selected ? clHighlight : control->Color());
  if (selected) canvas.Font().SetColor(clHighlightText);
  int index = static_cast<int>(d.itemID);
  if (onDraw && index >= 0) {
    onDraw(control, index, d.rcItem, OwnerDrawState(d.itemState));
  } else {
    canvas.FillRect(d.rcItem);
    if (index >= 0 && index < items.Count())
      canvas.TextOut(d.rcItem.left + 2, d.rcItem.top, items[index]);
  }
}
} // namespace

// --- TLabel
// ------------------------------------------------------------------------------------------

TLabel* MakeLabel(TComponent* owner, TWinControl* parent, const std::string& name,
                  const std::string& caption, int left, int top) {
  auto* l = new TLabel(owner);
  l->SetName(name);
  l->SetCaption(caption);
  l->SetLeft(left);
  l->SetTop(top);
  l->SetParent(parent);
  return l;
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 65;
  FHeight = 17;
  FParentColor = true;
  FControlStyle = {csClickEvents};
}

unsigned TLabel::DrawFlags() const {
  unsigned f = FAlignment == taLeftJustify    ? DT_LEFT
               : FAlignment == taRightJustify ? DT_RIGHT
                                              : DT_CENTER;
  f |= FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
  if (!FShowAccelChar) f |= DT_NOPREFIX;
  return f | DT_EXPANDTABS;
}

void TLabel::AdjustBounds() {
  if (!FAutoSize) return;
  TBitmap probe(1, 1);
  probe.Canvas().Font().Assign(FFont);
  RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
  std::string text = FText.empty() ? std::string(" ") : FText;
  probe.Canvas().DrawText(text, r, DrawFlags() | DT_CALCRECT);
  int w = FWordWrap ? FWidth : r.right;
  int left = FAlignment == taRightJustify ? FLeft + FWidth - w : FLeft;
  SetBounds(left, FTop, w, r.bottom);
}

void TLabel::SetAutoSize(bool v) {
  FAutoSize = v;
  AdjustBounds();
}
void TLabel::SetWordWrap(bool v) {
  FWordWrap = v;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetTransparent(bool v) {
  FTransparent = v;
  Invalidate();
}
void TLabel::SetShowAccelChar(bool v) {
  FShowAccelChar = v;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetAlignment(TAlignment v) {
  FAlignment = v;
  Invalidate();
}
void TLabel::SetLayout(TTextLayout v) {
  FLayout = v;
  Invalidate();
}
void TLabel::SetFocusControl(TWinControl* v) {
  if (FFocusControl) RemoveFreeNotification(FFocusControl);
  FFocusControl = v;
  if (v) FreeNotification(v);
}
void TLabel::Notification(TComponent* c, TOperation op) {
  TGraphicControl::Notification(c, op);
  if (op == opRemove && c == FFocusControl) FFocusControl = nullptr;
}
void TLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}
void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TLabel::Paint() {
  TCanvas& c = Canvas();
  RECT r{0, 0, FWidth, FHeight};
  if (!FTransparent) {
    c.Brush().SetColor(Color());
    c.FillRect(r);
  }
  c.Brush().SetStyle(bsClear);
  c.Font().Assign(FFont);
  if (FLayout != tlTop) {
    RECT calc = r;
    c.DrawText(FText, calc, DrawFlags() | DT_CALCRECT);
    int h = calc.bottom - calc.top;
    r.top = FLayout == tlCenter ? (FHeight - h) / 2 : FHeight - h;
  }
  if (!FEnabled) {
    c.Font().SetColor(clGrayText);
  }
  c.DrawText(FText, r, DrawFlags());
}

// --- TButton
// ------------------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 75;
  FHeight = 25;
  FTabStop = true;
}

void TButton::CreateParams(TCreateParams& p) {
  TButtonControl::CreateParams(p);
  p.SysClassName = "BUTTON";
  p.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
  FDefault = value;
  if (FHandle) SendMessageA(FHandle, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (FModalResult != mrNone)
    if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TButtonControl::Click();
}

bool TButton::DialogKeyAction(WORD key, bool focused) {
  if ((key == VK_RETURN && (FDefault || focused)) || (key == VK_ESCAPE && FCancel)) {
    Click();
    return true;
  }
  return false;
}

void TButton::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED) Click();
    return;
  }
  TButtonControl::WndProc(m);
}

// --- TCheckBox, TRadioButton
// ------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 97;
  FHeight = 17;
  FTabStop = true;
}

void TCheckBox::CreateParams(TCreateParams& p) {
  TButtonControl::CreateParams(p);
  p.SysClassName = "BUTTON";
  p.Style |= BS_3STATE; // the state is ours; the box only shows it
}

void TCheckBox::InitWnd() {
  SendMessageA(FHandle, BM_SETCHECK, FState, 0);
}

void TCheckBox::SetState(TCheckBoxState value) {
  if (value == FState) return;
  FState = value;
  if (FHandle) SendMessageA(FHandle, BM_SETCHECK, value, 0);
  Click();
}

void TCheckBox::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED) {
      switch (FState) {
      case cbUnchecked:
        SetState(FAllowGrayed ? cbGrayed : cbChecked);
        break;
      case cbGrayed:
        SetState(cbChecked);
        break;
      case cbChecked:
        SetState(cbUnchecked);
        break;
      }
    }
    return;
  }
  TButtonControl::WndProc(m);
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 113;
  FHeight = 17;
}

void TRadioButton::CreateParams(TCreateParams& p) {
  TButtonControl::CreateParams(p);
  p.SysClassName = "BUTTON";
  p.Style |= BS_RADIOBUTTON;
  if (FChecked) p.Style |= WS_TABSTOP;
}

void TRadioButton::InitWnd() {
  SendMessageA(FHandle, BM_SETCHECK, FChecked, 0);
}

void TRadioButton::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  if (FHandle) {
    SendMessageA(FHandle, BM_SETCHECK, value, 0);
    SetTabStop(value);
  }
  if (value) {
    if (FParent)
      for (int i = 0; i < FParent->ControlCount(); ++i)
        if (auto r = dynamic_cast<TRadioButton*>(FParent->Controls(i)); r && r != this)
          r->SetChecked(false);
    Click();
  }
}

void TRadioButton::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED || HIWORD(m.WParam) == BN_DOUBLECLICKED) SetChecked(true);
    return;
  }
  if (m.Msg == WM_SETFOCUS) {
    // Arrow keys move the focus through a group; the focused radio button is the chosen one.
    TButtonControl::WndProc(m);
    if (GetKeyState(VK_LBUTTON) >= 0) SetChecked(true);
    return;
  }
  TButtonControl::WndProc(m);
}

// --- items
// ----------------------------------------------------------------------------------------------

int TControlItems::AddObject(const std::string& s, void* object) {
  int index = FList.AddObject(s, object);
  if (FOwner.HandleAllocated())
    SendMessageA(FOwner.Handle(), Msg(LB_INSERTSTRING, CB_INSERTSTRING), index,
                 reinterpret_cast<LPARAM>(s.c_str()));
  return index;
}

void TControlItems::Insert(int index, const std::string& s) {
  FList.Insert(index, s);
  if (FOwner.HandleAllocated())
    SendMessageA(FOwner.Handle(), Msg(LB_INSERTSTRING, CB_INSERTSTRING), index,
                 reinterpret_cast<LPARAM>(s.c_str()));
}

void TControlItems::Delete(int index) {
  FList.Delete(index);
  if (FOwner.HandleAllocated())
    SendMessageA(FOwner.Handle(), Msg(LB_DELETESTRING, CB_DELETESTRING), index, 0);
}

void TControlItems::Clear() {
  FList.Clear();
  if (FOwner.HandleAllocated())
    SendMessageA(FOwner.Handle(), Msg(LB_RESETCONTENT, CB_RESETCONTENT), 0, 0);
}

void TControlItems::Assign(const TStringList& list) {
  Clear();
  for (int i = 0; i < list.Count(); ++i)
    AddObject(list[i], list.Objects(i));
}

void TControlItems::SetText(const std::string& text) {
  TStringList list;
  list.SetText(text);
  Assign(list);
}

void TControlItems::Load() {
  SendMessageA(FOwner.Handle(), Msg(LB_RESETCONTENT, CB_RESETCONTENT), 0, 0);
  for (int i = 0; i < FList.Count(); ++i)
    SendMessageA(FOwner.Handle(), Msg(LB_ADDSTRING, CB_ADDSTRING), 0,
                 reinterpret_cast<LPARAM>(FList[i].c_str()));
}

// --- edits
// ------------------------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 21;
  FColor = clWindow;
  FTabStop = true;
}

void TCustomEdit::InitWnd() {
  SendMessageA(FHandle, EM_SETREADONLY, FReadOnly, 0);
  SendMessageA(FHandle, EM_LIMITTEXT, FMaxLength, 0);
}

void TCustomEdit::SetReadOnly(bool v) {
  FReadOnly = v;
  if (FHandle) SendMessageA(FHandle, EM_SETREADONLY, v, 0);
}
void TCustomEdit::SetMaxLength(int v) {
  FMaxLength = v;
  if (FHandle) SendMessageA(FHandle, EM_LIMITTEXT, v, 0);
}
int TCustomEdit::SelStart() {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}
void TCustomEdit::SetSelStart(int v) {
  SendMessageA(Handle(), EM_SETSEL, v, v);
}
int TCustomEdit::SelLength() {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}
void TCustomEdit::SetSelLength(int v) {
  int start = SelStart();
  SendMessageA(Handle(), EM_SETSEL, start, start + v);
}
void TCustomEdit::SelectAll() {
  SendMessageA(Handle(), EM_SETSEL, 0, -1);
}
std::string TCustomEdit::SelText() {
  int start = SelStart();
  return Text().substr(start, SelLength());
}
bool TCustomEdit::Modified() {
  return SendMessageA(Handle(), EM_GETMODIFY, 0, 0) != 0;
}
void TCustomEdit::SetModified(bool v) {
  SendMessageA(Handle(), EM_SETMODIFY, v, 0);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

// Text set while there is no window changes nothing a user sees; report it as a change too.
void TCustomEdit::TextChanged() {
  if (!FHandle) Change();
}

void TCustomEdit::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == EN_CHANGE) Change();
    return;
  }
  TWinControl::WndProc(m);
}

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TEdit::CreateParams(TCreateParams& p) {
  TCustomEdit::CreateParams(p);
  p.SysClassName = "EDIT";
  p.Style |= ES_AUTOHSCROLL | (FPasswordChar ? ES_PASSWORD : 0);
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::SetPasswordChar(char v) {
  FPasswordChar = v;
  if (FHandle) {
    SendMessageA(FHandle, EM_SETPASSWORDCHAR, static_cast<unsigned char>(v), 0);
    Invalidate();
  }
}

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner) {
  FWidth = 185;
  FHeight = 89;
}

void TMemo::CreateParams(TCreateParams& p) {
  TCustomEdit::CreateParams(p);
  p.SysClassName = "EDIT";
  p.Style |= ES_MULTILINE | ES_AUTOVSCROLL | (FWordWrap ? 0 : ES_AUTOHSCROLL);
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) p.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= WS_HSCROLL;
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

TStringList TMemo::Lines() const {
  TStringList list;
  list.SetText(Text());
  return list;
}

void TMemo::SetLines(const TStringList& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  SetText(text);
}

void TMemo::AddLine(const std::string& line) {
  std::string text = Text();
  SetText(text.empty() ? line : text + "\r\n" + line);
}

void TMemo::SetScrollBars(TScrollStyle v) {
  if (v == FScrollBars) return;
  FScrollBars = v;
  RecreateWnd();
}

void TMemo::SetWordWrap(bool v) {
  if (v == FWordWrap) return;
  FWordWrap = v;
  RecreateWnd();
}

void TMemo::WndProc(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    TCustomEdit::WndProc(m);
    m.Result &= ~DLGC_HASSETSEL;
    if (FWantTabs)
      m.Result |= DLGC_WANTTAB;
    else
      m.Result &= ~DLGC_WANTTAB;
    if (!FWantReturns) m.Result &= ~DLGC_WANTALLKEYS;
    return;
  }
  TCustomEdit::WndProc(m);
}

// --- group box
// ---------------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 185;
  FHeight = 105;
  FControlStyle.Include(csAcceptsControls);
}

// The system's group box leaves its inside unpainted: fill it as the box's parent is filled.
void TGroupBox::WndProc(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND && FHandle) {
    RECT r;
    GetClientRect(FHandle, &r);
    FillRect(reinterpret_cast<HDC>(m.WParam), &r, BackgroundBrush());
    m.Result = 1;
    return;
  }
  TWinControl::WndProc(m);
}

void TGroupBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SysClassName = "BUTTON";
  p.Style |= BS_GROUPBOX;
  p.ExStyle |= WS_EX_CONTROLPARENT;
}

// --- combo box
// ------------------------------------------------------------------------------------------

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(*this, true) {
  FWidth = 145;
  FHeight = 21;
  FColor = clWindow;
  FTabStop = true;
}

void TComboBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SysClassName = "COMBOBOX";
  static const DWORD styles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST,
                                 CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                                 CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS};
  p.Style |= styles[FStyle] | WS_VSCROLL | CBS_AUTOHSCROLL;
  // The window's height includes the dropped-down list.
  p.Height = FHeight + FDropDownCount * FItemHeight + 2;
}

void TComboBox::InitWnd() {
  FItems.Load();
  SendMessageA(FHandle, CB_SETCURSEL, FItemIndex, 0);
  if (FStyle == csDropDown || FStyle == csSimple) SetWindowTextA(FHandle, FText.c_str());
}

int TComboBox::ItemIndex() {
  return FHandle ? static_cast<int>(SendMessageA(FHandle, CB_GETCURSEL, 0, 0)) : FItemIndex;
}

void TComboBox::SetItemIndex(int v) {
  FItemIndex = v;
  if (FHandle) SendMessageA(FHandle, CB_SETCURSEL, v, 0);
  if (v >= 0 && v < FItems.Count()) FText = FItems[v];
}

void TComboBox::SetStyle(TComboBoxStyle v) {
  if (v == FStyle) return;
  FItemIndex = ItemIndex();
  FStyle = v;
  RecreateWnd();
}

bool TComboBox::DroppedDown() {
  return SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}
void TComboBox::SetDroppedDown(bool v) {
  SendMessageA(Handle(), CB_SHOWDROPDOWN, v, 0);
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

bool TComboBox::DialogKeyAction(WORD key, bool focused) {
  (void)focused;
  if (key != VK_RETURN || !OnKeyPress || !FHandle) return false;
  HWND f = GetFocus();
  if (f != FHandle && !IsChild(FHandle, f)) return false;
  char ch = '\r';
  KeyPress(ch);
  return ch == 0;
}

void TComboBox::WndProc(TMessage& m) {
  switch (m.Msg) {
  case CN_COMMAND:
    switch (HIWORD(m.WParam)) {
    case CBN_SELCHANGE:
      FItemIndex = ItemIndex();
      if (FItemIndex >= 0 && FItemIndex < FItems.Count()) FText = FItems[FItemIndex];
      Change();
      break;
    case CBN_EDITCHANGE:
      Change();
      break;
    case CBN_DROPDOWN:
      if (OnDropDown) OnDropDown(this);
      break;
    }
    return;
  case CN_MEASUREITEM:
    reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)->itemHeight = FItemHeight;
    m.Result = TRUE;
    return;
  case CN_DRAWITEM: {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    DrawOwnedItem(this, FCanvas, *d, FItems, OnDrawItem);
    FCanvas.SetHandle(nullptr);
    m.Result = TRUE;
    return;
  }
  }
  TWinControl::WndProc(m);
}

// --- list box
// --------------------------------------------------------------------------------------------

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner), FItems(*this, false) {
  FWidth = 121;
  FHeight = 97;
  FColor = clWindow;
  FTabStop = true;
}

void TListBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SysClassName = "LISTBOX";
  p.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
  if (FMultiSelect) p.Style |= LBS_EXTENDEDSEL;
  if (FStyle == lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
  if (FStyle == lbOwnerDrawVariable) p.Style |= LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS;
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::InitWnd() {
  FItems.Load();
  if (FStyle == lbStandard) SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
  if (!FMultiSelect) SendMessageA(FHandle, LB_SETCURSEL, FItemIndex, 0);
}

int TListBox::ItemIndex() {
  if (!FHandle) return FItemIndex;
  return static_cast<int>(
      SendMessageA(FHandle, FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int v) {
  FItemIndex = v;
  if (!FHandle) return;
  if (FMultiSelect)
    SendMessageA(FHandle, LB_SETCARETINDEX, v, FALSE);
  else
    SendMessageA(FHandle, LB_SETCURSEL, v, 0);
}

void TListBox::SetMultiSelect(bool v) {
  if (v == FMultiSelect) return;
  FMultiSelect = v;
  RecreateWnd();
}

bool TListBox::Selected(int index) {
  LRESULT r = SendMessageA(Handle(), LB_GETSEL, index, 0);
  if (r == LB_ERR) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return r != 0;
}

void TListBox::SetSelected(int index, bool value) {
  if (FMultiSelect)
    SendMessageA(Handle(), LB_SETSEL, value, index);
  else if (value)
    SendMessageA(Handle(), LB_SETCURSEL, index, 0);
  else if (ItemIndex() == index)
    SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int TListBox::SelCount() {
  if (!FMultiSelect) return ItemIndex() >= 0 ? 1 : 0;
  return static_cast<int>(SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0));
}

void TListBox::SetSorted(bool v) {
  FSorted = v;
  if (!v) return;
  // Keep the list's own order in the window.
  TStringList copy;
  for (int i = 0; i < FItems.Count(); ++i)
    copy.AddObject(FItems[i], FItems.Objects(i));
  copy.Sort();
  FItems.Assign(copy);
}

void TListBox::SetStyle(TListBoxStyle v) {
  if (v == FStyle) return;
  FStyle = v;
  RecreateWnd();
}

void TListBox::SetItemHeight(int v) {
  FItemHeight = v;
  if (FHandle && FStyle != lbOwnerDrawVariable) SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, v);
}

int TListBox::TopIndex() {
  return static_cast<int>(SendMessageA(Handle(), LB_GETTOPINDEX, 0, 0));
}
void TListBox::SetTopIndex(int v) {
  SendMessageA(Handle(), LB_SETTOPINDEX, v, 0);
}

int TListBox::ItemAtPos(POINT p, bool existing) {
  LRESULT r = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
  int index = LOWORD(r);
  if (HIWORD(r)) return existing ? -1 : FItems.Count();
  return index;
}

RECT TListBox::ItemRect(int index) {
  RECT r{};
  SendMessageA(Handle(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
  return r;
}

void TListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
  case CN_COMMAND:
    if (HIWORD(m.WParam) == LBN_SELCHANGE) {
      FItemIndex = ItemIndex();
      Click();
    }
    if (HIWORD(m.WParam) == LBN_DBLCLK) DblClick();
    return;
  case CN_MEASUREITEM: {
    auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
    int h = FItemHeight;
    if (FStyle == lbOwnerDrawVariable && OnMeasureItem)
      OnMeasureItem(this, static_cast<int>(mi->itemID), h);
    mi->itemHeight = h;
    m.Result = TRUE;
    return;
  }
  case CN_DRAWITEM: {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    DrawOwnedItem(this, FCanvas, *d, FItems, OnDrawItem);
    if (d->itemState & ODS_FOCUS) FCanvas.DrawFocusRect(d->rcItem);
    FCanvas.SetHandle(nullptr);
    m.Result = TRUE;
    return;
  }
  }
  TWinControl::WndProc(m);
}
