// Menus: main menus, pop-up menus and their items over Windows menu handles.
#pragma once
#include "Controls.h"
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// A short cut: the virtual key with scShift, scCtrl and scAlt added.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut MakeShortCut(WORD key, bool shift, bool ctrl, bool alt);
// "Ctrl+S", "Shift+F5", "Del"...; empty for none.
std::string ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(const std::string& text);

class TMenu;

// The character after a caption's lone "&" ("&&" shows an ampersand), or 0 without one.
char AccelCharOf(const std::string& caption);
// Two menu letters alike regardless of case.
bool SameLetter(char a, char b);
// Windows' rule for a letter that several entries of an open pop-up share: the selection moves
// to the next of them (Enter then runs it). Answers that entry's position, or -1 when fewer than
// two entries have the letter (the menu's own handling then applies).
int SelectNextSharingLetter(HWND owner, HMENU popup, char typed);

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value) { FGroupIndex = value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  bool IsLine() const { return FCaption == "-"; }
  // An owner-drawn entry stays owner-drawn whatever else changes (its window draws it).
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool value);
  // The entry's text: the caption, a tab and the short cut's text when there is one.
  std::string DisplayText() const;
  // The menu whose root holds this item (nullptr while unattached).
  TMenu* RootMenu() const;

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int index) const { return FItems.at(index); }
  TMenuItem* Parent() const { return FParent; }
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  void Clear(); // frees the sub-items
  int IndexOf(TMenuItem* item) const;
  TMenuItem* Find(const std::string& caption) const; // '&' ignored
  // Where the item sits in Windows' menu: the menu handle that holds it and its command.
  HMENU ParentHandle() const;
  UINT Command() const { return FCommand; }
  // The pop-up menu of an item with sub-items (made on demand).
  HMENU Handle();
  int MenuIndex() const; // position among the visible items of the parent's menu

  virtual void Click();
  TNotifyEvent OnClick;

  // Runs the item with this command; true when one exists.
  static bool DispatchCommand(UINT command);
  // Fires OnClick of the item whose sub-menu is about to open.
  static bool DispatchPopup(HMENU menu);
  static TMenuItem* FindByCommand(UINT command);

protected:
  friend class TMenu;
  void Rebuild(); // the sub-menu's entries made again
  // This item's entry in its parent's menu; sizeKept: only its state changed, not its size.
  void UpdateEntry(bool sizeKept = false);
  void Changed(bool rebuild);

  std::string FCaption, FHint;
  bool FOwnerDraw = false;
  bool FChecked = false, FRadioItem = false, FEnabled = true, FVisible = true, FDefault = false;
  int FGroupIndex = 0;
  TShortCut FShortCut = 0;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr; // the menu this item is the root of
  UINT FCommand;
  HMENU FHandle = nullptr;
};

class TMenu : public TComponent {
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  TMenuItem& Items() { return *FItems; }
  HMENU Handle() { return FItems->Handle(); }
  // Runs an enabled item with this short cut; true when found.
  bool IsShortCut(WORD key, TShiftState shift);
  bool DispatchShortCut(TShortCut shortCut);
  // The window that shows the menu (its bar is redrawn after changes).
  void SetWindowHandle(HWND window) { FWindow = window; }
  HWND WindowHandle() const { return FWindow; }
  virtual void MenuChanged();
  virtual bool IsPopup() const = 0;
  // Changes between these are shown once, at the last EndUpdate: each redraw of the bar costs a
  // frame recalculation and a round of its drawers.
  void BeginUpdate() { ++FUpdateDepth; }
  void EndUpdate();
  // An entry's state (not its size) changed: the bar is drawn again where it is.
  void MenuStateChanged();

protected:
  TMenuItem* FItems;
  HWND FWindow = nullptr;
  int FUpdateDepth = 0;
  bool FChangedInUpdate = false;
  bool FStateChangedInUpdate = false;
  friend class TMenuItem;
};

// The menu bar of a form (TForm::SetMenu).
class TMainMenu : public TMenu {
public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

protected:
  bool IsPopup() const override { return false; }
};

// A menu shown at a point; OnPopup fires before it shows. The chosen item's OnClick runs
// before Popup returns.
class TPopupMenu : public TMenu {
public:
  explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
  virtual void Popup(int x, int y);
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* value) { FPopupComponent = value; }
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool value) { FAutoPopup = value; }
  TNotifyEvent OnPopup;

  // A test stands in for the user: it gets the menu and answers the item to run, or nullptr.
  using TPopupHook = std::function<TMenuItem*(TPopupMenu& menu)>;
  static void SetPopupHook(TPopupHook hook);

protected:
  bool IsPopup() const override { return true; }
  virtual void DoPopup();

private:
  TComponent* FPopupComponent = nullptr;
  bool FAutoPopup = true;
};

// Makes a named item at the end of parent; action, when given, runs on its click.
TMenuItem* NewMenuItem(TComponent* owner, TMenuItem& parent, const std::string& name,
                       const std::string& caption, std::function<void()> action = nullptr);
