// The extended page control: tabs it draws itself on any side, with active and inactive colours
// and fonts, a glyph strip, hot tracking, a hint per tab and flicker-free painting.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include "Classes.h"
#include "ComCtrls.h"
#include "DragDrop.h"
#include "Graphics.h"
#include "StdCtrls.h"
#include "SysUtils.h"

TB_DECLARE_EXCEPTION(EExtPageInvalidCall, Exception);

enum TExtTabPosition { tabPosLeft, tabPosRight, tabPosTop, tabPosBottom };
enum TExtTabStyle { tabStDefault, tabStButton };
enum TExtGlyphPosition { glPosLeft, glPosTop };

class TExtPageControl;

// Font colours of the tab under the mouse; clNone leaves the font's colour.
class TExtHottrack : public TObject {
public:
  void Assign(const TExtHottrack& source);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value) { FEnabled = value; }
  TColor TabActiveColor() const { return FTabActiveColor; }
  void SetTabActiveColor(TColor value) { FTabActiveColor = value; }
  TColor TabInactiveColor() const { return FTabInactiveColor; }
  void SetTabInactiveColor(TColor value) { FTabInactiveColor = value; }
  // The tab under the mouse, -1 when none.
  int HotTab() const { return FHotTab; }

private:
  friend class TExtPageControl;
  bool FEnabled = false;
  TColor FTabActiveColor = clHighlight, FTabInactiveColor = clHighlight;
  int FHotTab = -1;
};

// A horizontal strip of equal images, one per page, cut into an image list.
class TExtGlyphs : public TObject {
public:
  TExtGlyphs();
  ~TExtGlyphs() override;
  void Assign(const TExtGlyphs& source);
  TBitmap& Glyph() { return *FGlyph; }
  void SetGlyph(const TBitmap& value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  TExtGlyphPosition Position() const { return FPosition; }
  void SetPosition(TExtGlyphPosition value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);
  TColor TransparentColor() const { return FTransparentColor; }
  void SetTransparentColor(TColor value);
  TImageList& Images() { return *FImages; }
  // Cuts the strip again (after drawing into Glyph directly).
  void GlyphChanged();
  TNotifyEvent OnChange;

private:
  std::unique_ptr<TBitmap> FGlyph;
  std::unique_ptr<TImageList> FImages;
  int FNumGlyphs = 0;
  TExtGlyphPosition FPosition = glPosLeft;
  int FSpacing = 5;
  TColor FTransparentColor = 0xFF00FF;
};

using TExtNbDrawTabEvent =
    std::function<void(TWinControl* Control, int Index, bool ActiveTab, const RECT& RectFg,
                       const RECT& RectBg, TOwnerDrawState State)>;
using TExtDrawBkgndInside =
    std::function<void(TWinControl* Control, HDC DC, int CurrPage, const RECT& RectBg)>;
using TExtDrawBkgndOutside = std::function<void(TWinControl* Control, HDC DC, HRGN RgnBg)>;

// A drag from the tab control starts through BeginDrag (DragDrop.h); it can be a drag target too.
class TExtPageControl : public TPageControl, public TDragClient {
public:
  explicit TExtPageControl(TComponent* AOwner);
  ~TExtPageControl() override;

  TExtHottrack& Hottrack() { return FHottrack; }
  void SetHottrack(const TExtHottrack& value) { FHottrack.Assign(value); }
  TColor TabActiveColor() const { return FTabActiveColor; }
  void SetTabActiveColor(TColor value);
  TFont& TabActiveFont() { return FTabActiveFont; }
  void SetTabActiveFont(const TFont& value) { FTabActiveFont.Assign(value); }
  TExtGlyphs& TabGlyphs() { return FTabGlyphs; }
  void SetTabGlyphs(const TExtGlyphs& value) { FTabGlyphs.Assign(value); }
  int TabHeight() const { return FTabHeight; }
  void SetTabHeight(int value);
  TStringList& TabHints() { return FTabHints; }
  void SetTabHints(const TStringList& value);
  TColor TabInactiveColor() const { return FTabInactiveColor; }
  void SetTabInactiveColor(TColor value);
  TFont& TabInactiveFont() { return FTabInactiveFont; }
  void SetTabInactiveFont(const TFont& value) { FTabInactiveFont.Assign(value); }
  TExtTabPosition TabPosition() const { return FTabPosition; }
  void SetTabPosition(TExtTabPosition value);
  TExtTabStyle TabStyle() const { return FTabStyle; }
  void SetTabStyle(TExtTabStyle value);
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int value);
  bool TabWordWrap() const { return FTabWordWrap; }
  void SetTabWordWrap(bool value);
  void SetActivePage(TTabSheet* page) override;

  TExtNbDrawTabEvent OnDrawTab;
  TExtDrawBkgndInside OnDrawBkgndInside;
  TExtDrawBkgndOutside OnDrawBkgndOutside;

  virtual void FillTabRect(const RECT& r, bool active);
  virtual void RedrawTabs();
  // Draws text in r moved by offset; answers the text's top-left.
  virtual POINT DrawTabText(const RECT& r, POINT offset, bool disabled, TAlignment alignment,
                            const std::string& text);
  void BeginUpdate() override;
  virtual void DrawTabDefault(int index, const RECT& r, TOwnerDrawState state);
  virtual void HideInactivePages();
  virtual void DrawTab(int index, bool active, const RECT& rectFg, const RECT& rectBg,
                       TOwnerDrawState state);
  void EndUpdate() override;
  virtual RECT PageDisplayRect();
  virtual int TabIndexAt(POINT p);
  virtual RECT TabRect(int index);
  virtual void RepaintTabs();
  virtual void PlaceSheets(bool force = false);

  // The page of a tab; raises EExtPageInvalidCall when the index maps to no page.
  int GetPageIndexByTabIndex(int tabIndex) const;
  // Alt with a letter: selects the tab whose caption has that accelerator. True when it did.
  bool DialogChar(char key);
  // The font the tab control measures tabs with (the one with the wider "W").
  TFont& TabMeasureFont();
  // The canvas tabs are drawn on, while a tab is drawn.
  TCanvas& Canvas() { return FCanvas; }
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;
  void Loaded() override;
  void FontChanged() override;
  void AlignControls(RECT& rect) override;

private:
  void DrawItem(const DRAWITEMSTRUCT& d);
  void PaintBuffered();
  void EraseBackground(HDC dc);
  void MouseMoved(int x, int y);
  void MouseLeft();
  void ApplyTabSize();
  void ApplyTabFont();
  bool Vertical() const { return FTabPosition == tabPosLeft || FTabPosition == tabPosRight; }

  TExtHottrack FHottrack;
  TColor FTabActiveColor = clBtnFace, FTabInactiveColor = 0xA4A0A0;
  TFont FTabActiveFont, FTabInactiveFont;
  TExtGlyphs FTabGlyphs;
  int FTabHeight = 0, FTabWidth = 0;
  TStringList FTabHints;
  TExtTabPosition FTabPosition = tabPosTop;
  TExtTabStyle FTabStyle = tabStDefault;
  bool FTabWordWrap = false;
  TCanvas FCanvas;
  std::string FDesignedHint;
  bool FMouseInside = false;
  int FHintTab = -1;
  bool FFullRepaint = false;
  int FUpdateCount = 0, FPaintLock = 0;
};
