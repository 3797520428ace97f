// Standard controls: labels, buttons, check and radio boxes, edits, memos, group, list and combo
// boxes.
#pragma once
#include "Classes.h"
#include "Controls.h"

TB_DECLARE_EXCEPTION(EListError, Exception);

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
public:
  explicit TLabel(TComponent* AOwner);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value);

protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  void Notification(TComponent* component, TOperation operation) override;
  unsigned DrawFlags() const;
  void AdjustBounds();

private:
  bool FAutoSize = true, FWordWrap = false, FTransparent = false, FShowAccelChar = true;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  TWinControl* FFocusControl = nullptr;
};

// A named, auto-sized label at its design position.
TLabel* MakeLabel(TComponent* owner, TWinControl* parent, const std::string& name,
                  const std::string& caption, int left, int top);

// Base of the controls over a system window class.
class TButtonControl : public TWinControl {
public:
  using TWinControl::TWinControl;
};

class TButton : public TButtonControl {
public:
  explicit TButton(TComponent* AOwner);
  // Clicking sets the form's ModalResult to this (when not mrNone).
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int value) { FModalResult = value; }
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool value) { FCancel = value; }
  void Click() override;
  bool DialogKeyAction(WORD key, bool focused) override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;

private:
  int FModalResult = 0;
  bool FDefault = false, FCancel = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TButtonControl {
public:
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState value); // fires OnClick when it changes, as a click would
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool value) { FAllowGrayed = value; }
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;

private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
};

// Radio buttons with the same parent uncheck one another.
class TRadioButton : public TButtonControl {
public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;

private:
  bool FChecked = false;
};

// Strings of a list or combo box, kept in step with the window.
class TControlItems {
public:
  explicit TControlItems(TWinControl& owner, bool combo) : FOwner(owner), FCombo(combo) {}
  int Count() const { return FList.Count(); }
  const std::string& Strings(int index) const { return FList.Strings(index); }
  const std::string& operator[](int index) const { return FList.Strings(index); }
  void* Objects(int index) const { return FList.Objects(index); }
  void SetObjects(int index, void* value) { FList.SetObjects(index, value); }
  int Add(const std::string& s) { return AddObject(s, nullptr); }
  int AddObject(const std::string& s, void* object);
  void Insert(int index, const std::string& s);
  void Delete(int index);
  void Clear();
  int IndexOf(const std::string& s) const { return FList.IndexOf(s); }
  void Assign(const TStringList& list);
  std::string Text() const { return FList.Text(); }
  void SetText(const std::string& text);
  // Fills the window from the list (after the window is made).
  void Load();

private:
  UINT Msg(UINT listMsg, UINT comboMsg) const { return FCombo ? comboMsg : listMsg; }
  TWinControl& FOwner;
  bool FCombo;
  TStringList FList;
};

class TCustomEdit : public TWinControl {
public:
  explicit TCustomEdit(TComponent* AOwner);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);
  int SelStart();
  void SetSelStart(int value);
  int SelLength();
  void SetSelLength(int value);
  void SelectAll();
  std::string SelText();
  bool Modified();
  void SetModified(bool value);
  void Clear() { SetText(""); }
  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

protected:
  virtual void Change();
  void InitWnd() override;
  void TextChanged() override;
  bool FReadOnly = false;
  int FMaxLength = 0;
};

class TEdit : public TCustomEdit {
public:
  explicit TEdit(TComponent* AOwner);
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char value);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  char FPasswordChar = 0;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TCustomEdit {
public:
  explicit TMemo(TComponent* AOwner);
  // The lines of the text; SetLines replaces them.
  TStringList Lines() const;
  void SetLines(const TStringList& lines);
  void AddLine(const std::string& line);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool value) { FWantReturns = value; }
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool value) { FWantTabs = value; }
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;

private:
  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true, FWantReturns = true, FWantTabs = false;
};

class TGroupBox : public TWinControl {
public:
  explicit TGroupBox(TComponent* AOwner);
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TOwnerDrawStateFlag { odSelected, odGrayed, odDisabled, odChecked, odFocused };
using TOwnerDrawState = TSet<TOwnerDrawStateFlag>;
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, const RECT& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

class TComboBox : public TWinControl {
public:
  explicit TComboBox(TComponent* AOwner);
  TControlItems& Items() { return FItems; }
  int ItemIndex();
  void SetItemIndex(int value);
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle value);
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int value) { FDropDownCount = value; }
  bool DroppedDown();
  void SetDroppedDown(bool value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value) { FItemHeight = value; }
  TCanvas& Canvas() { return FCanvas; }
  TNotifyEvent OnChange, OnDropDown;
  TDrawItemEvent OnDrawItem;
  void WndProc(TMessage& message) override;
  // Enter typed in the box's own edit reaches OnKeyPress first; a handler that clears the key
  // keeps it from the form's default button.
  bool DialogKeyAction(WORD key, bool focused) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;
  virtual void Change();

private:
  TControlItems FItems;
  TComboBoxStyle FStyle = csDropDown;
  int FDropDownCount = 8, FItemIndex = -1, FItemHeight = 16;
  TCanvas FCanvas;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* AOwner);
  TControlItems& Items() { return FItems; }
  int ItemIndex();
  void SetItemIndex(int value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value);
  bool Selected(int index);
  void SetSelected(int index, bool value);
  int SelCount();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int value);
  int TopIndex();
  void SetTopIndex(int value);
  int ItemAtPos(POINT p, bool existing);
  RECT ItemRect(int index);
  TCanvas& Canvas() { return FCanvas; }
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;

private:
  TControlItems FItems;
  bool FMultiSelect = false, FSorted = false;
  TListBoxStyle FStyle = lbStandard;
  int FItemHeight = 16, FItemIndex = -1;
  TCanvas FCanvas;
};
