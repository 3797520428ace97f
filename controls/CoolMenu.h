// Bitmap menus: owner-drawn menu items with a picture beside the caption, their own fonts and
// colours, wallpaper, shadowed text, bevels and a gradient side bar.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "Components.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "Menus.h"

TB_DECLARE_EXCEPTION(ECoolMenuError, Exception);

enum TRefreshAction { RA_NONE, RA_REFRESH, RA_REFRESHWITHBAR, RA_RESTORE };
enum TCaptionAlign { alUp, alDown, alCenter };
enum TBevelType { btRectangle, btRoundedRect };
enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
enum TShadowOption { soNoShadowIfNormal, soNoShadowIfSel };
using TShadowOptions = TSet<TShadowOption>;
enum TMenuOption {
  omAlwaysDefFont,
  omAlwaysDefFontColor,
  omAlwaysDefFontSize,
  omFixedImgSize,
  omDrawBarIfNeeded,
  omPaintWallpaper,
  omPaintSelWallpaper,
  omTileWallpaper,
  omTileSelWallpaper,
  omBevelOnlyIfSel,
  omNoHighlightImage,
  omNoHighlightDisabled,
  omNoHighlightEnabled,
  omNoHighlightEnabledButDoText,
  omNoHighlightEnabledButDoRoundRect,
  omRightJustified,
  omNoImageAttached
};
using TMenuOptions = TSet<TMenuOption>;
// 1 caption above the picture, 2 below it, 3 caption left of it, 4 picture left of the caption.
using TTextAlign = int;
// What a bevel surrounds (scoped: the class library's bevel shapes use "bs" names too).
enum class TBevelStyle { bsBevelBoth, bsBevelOnlyImage, bsBevelOnlyText };
using SpaceInt = int;
using TMenuEvent = std::function<void(TObject* Sender, int MenuHandle, int Value)>;

// The screen cursor number the menu cursor "CUR_MENU" is entered under (5 stays the help
// cursor).
constexpr TCursor crCoolMenu = 7;
// Loads "CUR_MENU" into the screen's cursor table (once; the unit's start-up).
void RegisterCoolMenuCursor();

// The custom message by which stacked window-procedure hooks leave.
constexpr UINT WM_COOLMENU_UNHOOK = WM_USER + 101;

class TCoolMenu;
class TCoolMenuItem;

// The side bar of the pop-ups.
class TCoolMenuBar {
public:
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v) { Set(FCaption, v); }
  int Size() const { return FSize; }
  void SetSize(int v) { Set(FSize, v); }
  WORD Space() const { return FSpace; }
  void SetSpace(WORD v) { Set(FSpace, v); }
  TColor BackFrom() const { return FBackFrom; }
  void SetBackFrom(TColor v) { Set(FBackFrom, v); }
  TColor BackTo() const { return FBackTo; }
  void SetBackTo(TColor v) { Set(FBackTo, v); }
  TColor Fore() const { return FFore; }
  void SetFore(TColor v) { Set(FFore, v); }
  bool IsSerif() const { return FIsSerif; }
  void SetIsSerif(bool v) { Set(FIsSerif, v); }
  bool IsGradient() const { return FIsGradient; }
  void SetIsGradient(bool v) { Set(FIsGradient, v); }
  bool IsSeparator() const { return FIsSeparator; }
  void SetIsSeparator(bool v) { Set(FIsSeparator, v); }
  TCaptionAlign CaptionAlign() const { return FCaptionAlign; }
  void SetCaptionAlign(TCaptionAlign v) { Set(FCaptionAlign, v); }
  TNotifyEvent OnChanged;

private:
  template <class T> void Set(T& field, const T& value) {
    field = value;
    if (OnChanged) OnChanged(nullptr);
  }
  std::string FCaption;
  int FSize = 11;
  WORD FSpace = 0;
  TColor FBackFrom = clBlack;
  TColor FBackTo = clBlue;
  TColor FFore = clWhite;
  bool FIsSerif = true, FIsGradient = false, FIsSeparator = true;
  TCaptionAlign FCaptionAlign = alDown;
};

// A caption drawn twice, shadow first.
class TShadowText {
public:
  bool Active = false;
  TShadowOptions Options;
  TColor ShadowColor = clBtnHighlight, SelShadowColor = clBtnHighlight;
  BYTE ShadowSize = 1, SelShadowSize = 1;
  TShadowPosition ShadowPos = spLeftTop, SelShadowPos = spLeftTop;
};

// What measuring and drawing of one item work with.
struct TCoolItemLayout {
  int32_t PicLeft, PicTop, CapLeft, CapTop, CapWidth, CapHeight, PicSize, ItemHeight, ItemWidth,
      ShortcutWidth, CheckWidth;
};

// One menu item drawn with a picture; owned by a TCoolMenu.
class TCoolMenuItem : public TComponent {
public:
  explicit TCoolMenuItem(TCoolMenu* AOwner);
  ~TCoolMenuItem() override;

  TFont& Font() { return FFont; }
  void SetFont(const TFont& value) { FFont.Assign(value); }
  TPicture& Picture() { return FPicture; }
  void SetPicture(TPicture& value) { FPicture.Assign(value); }
  TPicture& DisabledPicture() { return FDisabledPicture; }
  void SetDisabledPicture(TPicture& value) { FDisabledPicture.Assign(value); }
  TColor TrColor() const { return FTrColor; }
  void SetTrColor(TColor v) { FTrColor = v; }
  TColor SelColor() const { return FSelColor; }
  void SetSelColor(TColor v) { FSelColor = v; }
  TColor SelTextColor() const { return FSelTextColor; }
  void SetSelTextColor(TColor v) { FSelTextColor = v; }
  TColor NormColor() const { return FNormColor; }
  void SetNormColor(TColor v) { FNormColor = v; }
  TTextAlign TextAlign() const { return FTextAlign; }
  void SetTextAlign(TTextAlign v) { FTextAlign = v < 1 ? 1 : v > 4 ? 4 : v; }
  TMenuOptions Options() const { return FOptions; }
  void SetOptions(TMenuOptions value);
  int CustomImgSize() const { return FCustomImgSize; }
  void SetCustomImgSize(int v) { FCustomImgSize = v; }
  TMenu* Menu() const { return FMenu; }
  TMenuItem* MenuItem() const { return FMenuItem; }
  void SetMenuItem(TMenuItem* value);
  TPanelBevel BevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel v) { FBevelInner = v; }
  TPanelBevel BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel v) { FBevelOuter = v; }
  TBevelStyle BevelStyle() const { return FBevelStyle; }
  void SetBevelStyle(TBevelStyle v) { FBevelStyle = v; }
  TBevelType BevelType() const { return FBevelType; }
  void SetBevelType(TBevelType v) { FBevelType = v; }
  const std::string& SeparatorText() const { return FSeparatorText; }
  void SetSeparatorText(const std::string& v) { FSeparatorText = v; }
  int ImageIndex() const { return FImageIndex; }
  // Takes picture index from Images (and DisabledImages); an index outside a list raises
  // ECoolMenuError "Index out of bounds" and leaves the pictures as they were.
  void SetImageIndex(int value);
  TShadowText& Shadow() { return FShadow; }
  void SetShadow(const TShadowText& v) { FShadow = v; }

  const TCoolItemLayout& Layout() const { return FLayout; }
  // Takes part only while bound to both a menu and a menu item.
  bool Bound() const { return FMenu && FMenuItem; }
  TCoolMenu* CoolMenu() const { return FCoolMenu; }

  // Measures the item for the system (width and height), and draws it.
  virtual void MeasureItem(HDC dc, UINT& width, UINT& height);
  virtual void DrawItem(HDC dc, const RECT& rect, bool selected);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TCoolMenu;
  bool IsBarItem() const;
  bool IsDefaultItem() const;
  // The highlighting an item keeps while it draws as not selected.
  struct TKeptHighlight {
    bool KeepText = false, KeepRound = false;
    TColor TextColor = clNone, SelColor = clNone;
  };
  // The background's brush and the text's colour, and whether a wallpaper covers the item.
  struct TItemLook {
    COLORREF Brush = 0;
    TColor TextColor = clNone;
    bool Papered = false;
  };
  // The steps of DrawItem, in their order.
  TKeptHighlight KeptHighlight(bool selected) const;
  bool ShownSelected(bool selected) const;
  void AssignItemFont(TFont& font) const;
  void PlaceParts(const RECT& rect);
  TItemLook PaintWallpaper(HDC dc, const RECT& rect, bool selected, const TKeptHighlight& kept);
  void FillBackground(HDC dc, const RECT& rect);
  void DrawSeparator(HDC dc, const RECT& rect);
  void DrawCaptionAndShortcut(HDC dc, const RECT& rect, TColor textColor, bool selected,
                              bool enabled);
  void DrawBarStrip(HDC dc, const RECT& rect);
  void DrawCaption(HDC dc, const RECT& r, const std::string& text, TColor color, bool selected,
                   bool enabled);
  void DrawPicture(HDC dc, bool selected, bool enabled);
  void DrawDisabled(HDC dc, TGraphic& graphic, TColor trColor, bool selected);
  void DrawBevel(HDC dc, const RECT& itemRect, bool selected, TColor keptSel, bool keepRound);
  void Paint(HDC dc, const RECT& rect, TBitmap& wallpaper, bool tiled, bool inverted, int fromX);

  TCoolMenu* FCoolMenu;
  TFont FFont;
  TPicture FPicture, FDisabledPicture;
  TColor FTrColor = clNone, FSelColor = clHighlight, FSelTextColor = clHighlightText,
         FNormColor = clMenu;
  TTextAlign FTextAlign = 4;
  TMenuOptions FOptions{omFixedImgSize, omTileWallpaper, omTileSelWallpaper};
  int FCustomImgSize = 16;
  TMenu* FMenu = nullptr;
  TMenuItem* FMenuItem = nullptr;
  TPanelBevel FBevelInner = bvNone, FBevelOuter = bvNone;
  TBevelStyle FBevelStyle = TBevelStyle::bsBevelBoth;
  TBevelType FBevelType = btRectangle;
  std::string FSeparatorText;
  int FImageIndex = -1;
  TShadowText FShadow;
  TBitmap FWorkBitmap, FCheckBitmap, FRadioBitmap;
  TCoolItemLayout FLayout{};
};

// Puts its own window procedure in front of its owner form's and draws the items bound to it.
class TCoolMenu : public TComponent {
public:
  explicit TCoolMenu(TComponent* AOwner);
  ~TCoolMenu() override;

  TCoolMenuBar& MenuBar() { return FMenuBar; }
  TBitmap& Wallpaper() { return FWallpaper; }
  TBitmap& SelWallpaper() { return FSelWallpaper; }
  bool Active() const { return FActive; }
  void SetActive(bool value);
  TRefreshAction MenuRefresh() const { return FMenuRefresh; }
  void SetMenuRefresh(TRefreshAction v) { FMenuRefresh = v; }
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor v) { FCursor = v; }
  bool ShowBar() const { return FShowBar; }
  void SetShowBar(bool value);
  SpaceInt HSpace() const { return FHSpace; }
  void SetHSpace(SpaceInt v) { FHSpace = v; }
  SpaceInt VSpace() const { return FVSpace; }
  void SetVSpace(SpaceInt v) { FVSpace = v; }
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* value);
  TImageList* DisabledImages() const { return FDisabledImages; }
  void SetDisabledImages(TImageList* value) { FDisabledImages = value; }
  TMenuEvent OnPopup, OnMeasure, OnItemSelect;

  // Makes an item bound to menuItem (owned by this component).
  TCoolMenuItem* AddItem(TMenuItem* menuItem);
  int ItemCount() const { return static_cast<int>(FItems.size()); }
  TCoolMenuItem* Items(int index) const { return FItems.at(index); }
  TCoolMenuItem* FindItem(const TMenuItem* menuItem) const;

  // target: this component (every item) or one of its items.
  virtual void Refresh(TObject* target, TRefreshAction action);
  virtual void Rehook();
  // The hook's window procedure; messages not taken end in the former procedure.
  virtual void WndProc(TMessage& message);
  // The procedure this component put in front of the form's, and the one it passes on to.
  WNDPROC HookProc() const { return FThunkProc; }
  WNDPROC FormerProc() const { return FOldProc; }
  // The side-bar picture (empty while ShowBar is off).
  TBitmap& BarBitmap() { return FBarBitmap; }
  void RebuildBar();
  int BarWidth(const TCoolMenuItem& item);
  // Widest shortcut width of the pop-up measured last.
  int ShortcutColumn() const { return FMaxShortcut; }

protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

private:
  friend class TCoolMenuItem;
  void Hook();
  void Unhook();
  void RefreshItem(TCoolMenuItem& item, TRefreshAction action);
  void ItemDestroyed(TCoolMenuItem* item);
  void MeasureItem(MEASUREITEMSTRUCT& m);
  void DrawItem(DRAWITEMSTRUCT& d);
  // The item's hint while the user moves over the menus.
  void ShowSelectedHint(TMessage& m);
  // The entry a typed letter picks; false when the letter picks none here.
  bool AnswerMenuChar(TMessage& m);
  LRESULT CallFormer(TMessage& m);
  static LRESULT CALLBACK ThunkTarget(HWND self, UINT msg, WPARAM wp, LPARAM lp);

  TCoolMenuBar FMenuBar;
  TBitmap FWallpaper, FSelWallpaper, FBarBitmap;
  bool FActive = true, FShowBar = false;
  TRefreshAction FMenuRefresh = RA_REFRESH;
  TCursor FCursor = 0;
  SpaceInt FHSpace = 5, FVSpace = 2;
  TImageList *FImages = nullptr, *FDisabledImages = nullptr;
  std::vector<TCoolMenuItem*> FItems;
  HWND FWindow = nullptr;
  void* FThunk = nullptr;
  WNDPROC FThunkProc = nullptr;
  WNDPROC FOldProc = nullptr;
  HMENU FMeasuredPopup = nullptr, FOpeningPopup = nullptr;
  int FMaxWidth = 0, FMaxCaption = 0, FTotalHeight = 0, FMaxShortcut = 0;
  bool FRefreshing = false;
};

// The gradient's band k of n over height h, from the top: band 0 lies at the bottom.
RECT GradientBand(int k, int n, int width, int height);
// Its colour: each channel from + MulDiv(k, to - from, n).
COLORREF GradientColor(COLORREF from, COLORREF to, int k, int n);
