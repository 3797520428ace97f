// Common controls: the status bar with its panels, the page control and the list view.
#pragma once
#include "Controls.h"
#include "TabLayout.h"
#include <memory>
#include <vector>

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusBar;

class TStatusPanel {
public:
  const std::string& Text() const { return FText; }
  void SetText(const std::string& value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  TStatusPanelStyle Style() const { return FStyle; }
  void SetStyle(TStatusPanelStyle value);
  TStatusPanelBevel Bevel() const { return FBevel; }
  void SetBevel(TStatusPanelBevel value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  int Index() const { return FIndex; }

private:
  friend class TStatusBar;
  TStatusBar* FBar = nullptr;
  int FIndex = 0;
  std::string FText;
  int FWidth = 50;
  TStatusPanelStyle FStyle = psText;
  TStatusPanelBevel FBevel = pbLowered;
  TAlignment FAlignment = taLeftJustify;
};

using TDrawPanelEvent =
    std::function<void(TStatusBar* StatusBar, TStatusPanel& Panel, const RECT& Rect)>;

// The status line at the bottom of a form; SimplePanel shows SimpleText across the whole bar.
class TStatusBar : public TWinControl {
public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  int PanelCount() const { return static_cast<int>(FPanels.size()); }
  TStatusPanel& Panels(int index) { return *FPanels.at(index); }
  TStatusPanel& AddPanel();
  void ClearPanels();
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool value);
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool value);
  TCanvas& Canvas() { return FCanvas; }
  TDrawPanelEvent OnDrawPanel;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;

private:
  friend class TStatusPanel;
  void UpdatePanels();
  void UpdatePanel(int index);
  std::vector<TStatusPanel*> FPanels;
  bool FSimplePanel = false, FSizeGrip = true;
  std::string FSimpleText;
  TCanvas FCanvas;
};

// --- page control --------------------------------------------------------------------------------

class TPageControl;

// One page of a page control; its tab shows while TabVisible is set.
class TTabSheet : public TWinControl {
public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* value);
  // The place in the page control's list of pages, -1 when in none.
  int PageIndex() const;
  // The place among the visible tabs, -1 when its tab does not show.
  int TabIndex() const;
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  void SetCaption(const std::string& value) override;
  std::string Caption() const override { return FText; }
  void SetEnabled(bool value) override;
  void SetVisible(bool value) override;

protected:
  void CreateParams(TCreateParams& params) override;
  // A hidden page has no windows until it first shows: many pages may never be looked at.
  bool WindowDeferred() const override { return !Visible(); }

private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = -1;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// Pages with tabs the control lays out and draws itself: the common tab control laid out all its
// tabs again on each change and drew every one with each paint, so hundreds of pages took
// seconds. It answers the tab control's queries (TCM_GETITEMCOUNT, TCM_GETITEMA, TCM_GETCURSEL,
// TCM_SETCURSEL, TCM_GETROWCOUNT, TCM_GETITEMRECT, TCM_HITTEST, TCM_ADJUSTRECT), and takes the
// tab control's styles (TCS_MULTILINE, TCS_BOTTOM, TCS_VERTICAL, TCS_RIGHT, TCS_BUTTONS,
// TCS_OWNERDRAWFIXED: each tab's inside drawn through WM_DRAWITEM to the parent). Only pages
// with a visible tab get a tab, so a tab index counts visible tabs only. Rows of tabs take at
// most a third of the control, so the pages keep the rest: the rows beyond scroll behind two
// arrows, the selected tab's row always next to the pages.
class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int index) const { return FPages.at(index); }
  TTabSheet* ActivePage() const { return FActivePage; }
  virtual void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }
  void SetActivePageIndex(int index);
  // The page of the tab index (visible tabs counted), nullptr when none.
  TTabSheet* PageForTab(int tabIndex) const;
  int TabCount() const;
  // The tab under a client point, -1 when none.
  int IndexOfTabAt(int x, int y);
  RECT ItemRect(int tabIndex);
  // The area the pages fill: the client rectangle less the tabs.
  RECT DisplayRect();
  int RowCount();
  // The next (or previous) tab whose page is enabled, round from the last to the first, as
  // Ctrl+Tab and Ctrl+Shift+Tab choose it.
  void SelectNextPage(bool forward);
  void SetTabSize(int width, int height);
  // Tabs that do not fit wrap onto further rows (tabs on the left or right always do).
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool value);
  HIMAGELIST Images() const { return FImages; }
  void SetImages(HIMAGELIST images);
  // Many pages added, removed or relabelled at once: the tabs are laid out and the sheets placed
  // once, when the outermost update ends.
  virtual void BeginUpdate();
  virtual void EndUpdate();
  bool Updating() const { return FPagesUpdate > 0; }
  void WndProc(TMessage& message) override;

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;
  void AlignControls(RECT& rect) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  virtual bool CanChange();
  virtual void Change();
  // Shows the active page in the display area and hides the others.
  void ShowActivePage();
  // The focus goes to the active page's first control that takes it, else to the tabs.
  void FocusActivePage();
  // The tabs are laid out again when next needed.
  void UpdateTabs();
  // The pages changed: lay them out again (unless an update is under way) and redraw.
  void PagesChanged();
  // Draws the frame and the tabs into dc, over a background already there.
  void PaintTabs(HDC dc);
  int FTabSizeWidth = 0, FTabSizeHeight = 0;
  bool FMultiLine = false;
  TTabSheet* FActivePage = nullptr;

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void TabItemInserted(TTabSheet* page);
  void TabItemDeleted(int tabIndex);
  void TabItemChanged(TTabSheet* page);
  // Lays the tabs out if anything they depend on changed; false without a window.
  bool LaidOut();
  // The visible pages' tab lengths and the rows' depth, in the tab font.
  void MeasureTabs();
  int SelectedTab() const { return FActivePage ? FActivePage->TabIndex() : -1; }
  // A click or a key chose a tab: the page changes if the owner allows it.
  void ChooseTab(int tab);
  // One row: scrolls the tab into view.
  void ShowTab(int tab);
  // The arrows: the row, or the rows besides the selected one, one step back or forward.
  void ScrollTabs(bool forward);
  void DrawTab(HDC dc, int tab, bool selected, bool focused);
  void DrawTabInside(HDC dc, int tab, const RECT& inside, bool selected, bool focused);
  bool QueryMessage(TMessage& message);
  std::vector<TTabSheet*> FPages;
  int FPagesUpdate = 0;
  HIMAGELIST FImages = nullptr;
  HFONT FTabFont = nullptr;
  // The measured tabs, the layout and what it was made for.
  std::vector<TTabSheet*> FTabPages;
  std::vector<int> FTabLengths;
  int FTabThickness = 0;
  bool FMeasureStale = true;
  TTabLayout FLayout;
  bool FLayoutStale = true;
  LONG FLaidStyle = 0;
  int FLaidWidth = -1, FLaidHeight = -1, FLaidSelected = -1;
  int FFirstShown = 0, FFirstRow = 0;
};

// Holds a page control's update for a scope: the pages are laid out once, when it ends.
class TPagesUpdate {
public:
  explicit TPagesUpdate(TPageControl& pages) : FPages(pages) { FPages.BeginUpdate(); }
  ~TPagesUpdate();
  TPagesUpdate(const TPagesUpdate&) = delete;
  TPagesUpdate& operator=(const TPagesUpdate&) = delete;

private:
  TPageControl& FPages;
};

// --- list view -----------------------------------------------------------------------------------

class TListView;

class TListColumn {
public:
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  // The width now shown (the user may have dragged it).
  int Width() const;
  void SetWidth(int value);
  TAlignment Alignment() const { return FAlignment; }
  int Index() const { return FIndex; }

private:
  friend class TListView;
  TListView* FView = nullptr;
  int FIndex = 0;
  std::string FCaption;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
};

class TListItem {
public:
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  int SubItemCount() const { return static_cast<int>(FSubItems.size()); }
  const std::string& SubItems(int index) const { return FSubItems.at(index); }
  void SetSubItem(int index, const std::string& value);
  void* Data() const { return FData; }
  void SetData(void* value) { FData = value; }
  // The picture of the view's image lists that the line shows; -1 none.
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  int Index() const;
  // The selection lives in the window while there is one.
  bool Selected() const;
  void SetSelected(bool value);

private:
  friend class TListView;
  TListView* FView = nullptr;
  std::string FCaption;
  std::vector<std::string> FSubItems;
  void* FData = nullptr;
  int FImageIndex = -1;
  bool FSelected = false; // kept while there is no window
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn& Column)>;
// Answers < 0, 0 or > 0 as item1 goes before, with or after item2.
using TLVCompare = std::function<int(const TListItem& item1, const TListItem& item2)>;

// The common list view. Items and columns are kept here as well as in the window, so they live
// across a new window. In owner-data mode the window holds only a count; the owner supplies text.
class TListView : public TWinControl {
public:
  explicit TListView(TComponent* AOwner);
  ~TListView() override;
  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle value);

  int ColumnCount() const { return static_cast<int>(FColumns.size()); }
  TListColumn& Columns(int index) { return *FColumns.at(index); }
  TListColumn& AddColumn(const std::string& caption, int width,
                         TAlignment alignment = taLeftJustify);
  // The display order of the columns as column indexes (left to right).
  std::vector<int> ColumnOrder();
  void SetColumnOrder(const std::vector<int>& order);

  int ItemCount() const;
  TListItem& Items(int index) { return *FItems.at(index); }
  // Many items added at once: the window draws nothing until the outermost update ends (it
  // would redraw itself at every new item).
  void BeginUpdate();
  void EndUpdate();
  // The item comes into the window whole, with its picture: changing it afterwards costs a search.
  TListItem& AddItem(const std::string& caption, const std::vector<std::string>& subItems = {},
                     int imageIndex = -1);
  void DeleteItem(TListItem& item);
  void ClearItems();
  // The first selected item, nullptr when none; and how many are selected.
  TListItem* Selected();
  int SelCount();
  // The item under a point of the client area, nullptr when none.
  TListItem* GetItemAt(int x, int y);
  // Owner data: the number of items the window shows.
  void SetOwnerDataCount(int count);
  // The text the window shows in a cell (column 0 the caption).
  std::string CellText(int item, int column);

  // Sorts the items (and the window's rows) by compare.
  void CustomSort(const TLVCompare& compare);

  // The pictures of the icon view and of the other views (owned by the caller).
  TImageList* LargeImages() const { return FLargeImages; }
  void SetLargeImages(TImageList* value);
  TImageList* SmallImages() const { return FSmallImages; }
  void SetSmallImages(TImageList* value);

  TLVColumnClickEvent OnColumnClick;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;
  void DestroyWnd() override;
  virtual void ColumnClick(TListColumn& column);
  // Owner-data list: the window style carries LVS_OWNERDATA.
  bool FOwnerData = false;

private:
  friend class TListColumn;
  friend class TListItem;
  void InsertColumnInWindow(int index);
  void InsertItemInWindow(int index);
  void RefreshItemInWindow(const TListItem& item);
  TViewStyle FViewStyle = vsReport;
  TImageList *FLargeImages = nullptr, *FSmallImages = nullptr;
  std::vector<std::unique_ptr<TListColumn>> FColumns;
  std::vector<std::unique_ptr<TListItem>> FItems;
  std::vector<int> FColumnOrder; // kept while there is no window
  int FOwnerDataCount = 0;
  int FItemsUpdate = 0;
};
