// Drawing over GDI: colours, fonts, pens, brushes, canvases, DIB-backed bitmaps, icons, image
// lists.
#pragma once
#include "Components.h"
#include "SysUtils.h"
#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <string>

// $00BBGGRR, or a system colour as 0x80000000 + COLOR_xxx.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clLtGray = 0xC0C0C0, clDkGray = 0x808080;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;
constexpr TColor SysColor(int index) {
  return static_cast<TColor>(0x80000000u | index);
}
constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR), clBackground = SysColor(COLOR_BACKGROUND),
                 clActiveCaption = SysColor(COLOR_ACTIVECAPTION),
                 clInactiveCaption = SysColor(COLOR_INACTIVECAPTION), clMenu = SysColor(COLOR_MENU),
                 clWindow = SysColor(COLOR_WINDOW), clWindowFrame = SysColor(COLOR_WINDOWFRAME),
                 clMenuText = SysColor(COLOR_MENUTEXT), clWindowText = SysColor(COLOR_WINDOWTEXT),
                 clCaptionText = SysColor(COLOR_CAPTIONTEXT),
                 clActiveBorder = SysColor(COLOR_ACTIVEBORDER),
                 clInactiveBorder = SysColor(COLOR_INACTIVEBORDER),
                 clAppWorkSpace = SysColor(COLOR_APPWORKSPACE),
                 clHighlight = SysColor(COLOR_HIGHLIGHT),
                 clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT),
                 clBtnFace = SysColor(COLOR_BTNFACE), clBtnShadow = SysColor(COLOR_BTNSHADOW),
                 clGrayText = SysColor(COLOR_GRAYTEXT), clBtnText = SysColor(COLOR_BTNTEXT),
                 clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT),
                 clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT),
                 cl3DDkShadow = SysColor(COLOR_3DDKSHADOW), cl3DLight = SysColor(COLOR_3DLIGHT),
                 clInfoText = SysColor(COLOR_INFOTEXT), clInfoBk = SysColor(COLOR_INFOBK);
TB_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
TB_DECLARE_EXCEPTION(EOutOfResources, Exception);
TB_DECLARE_EXCEPTION(EResNotFound, Exception);

// The RGB value a colour stands for now (system colours looked up).
COLORREF ColorToRGB(TColor color);

// A font, pen or brush: changes are announced through OnChange and the GDI object is made again.
class TGraphicsObject : public TObject {
public:
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging; // before the GDI object is deleted (a canvas deselects it)

protected:
  void Changing();
  void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

class TFont : public TGraphicsObject {
public:
  TFont();
  ~TFont() override;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;
  void Assign(const TFont& source);
  HFONT Handle();
  const std::string& Name() const { return FName; }
  void SetName(const std::string& value);
  int Size() const; // points
  void SetSize(int value);
  // The device's resolution that Size converts with: the screen's unless set (a printer's).
  int PixelsPerInch() const;
  void SetPixelsPerInch(int value);
  int Height() const { return FHeight; } // pixels; negative = character height
  void SetHeight(int value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles value);
  // Takes name, size and style from a LOGFONT (the system's menu or caption font).
  void AssignLogFont(const LOGFONTA& lf);

private:
  void Reset();
  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  int FPixelsPerInch = 0; // 0: the screen's
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  HFONT FHandle = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmNot, pmXor, pmNotXor, pmMask, pmMerge, pmBlack, pmWhite };

class TPen : public TGraphicsObject {
public:
  ~TPen() override;
  TPen() = default;
  TPen(const TPen&) = delete;
  TPen& operator=(const TPen&) = delete;
  void Assign(const TPen& source);
  HPEN Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle value);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode value);

private:
  void Reset();
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  HPEN FHandle = nullptr;
};

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

class TBrush : public TGraphicsObject {
public:
  ~TBrush() override;
  TBrush() = default;
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;
  void Assign(const TBrush& source);
  HBRUSH Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle value);

private:
  void Reset();
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  HBRUSH FHandle = nullptr;
};

class TGraphic;
class TBitmap;

// Drawing on a device context. The pen, brush and font are selected before each operation, so
// they may be changed freely between calls.
class TCanvas : public TObject {
public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle();           // with pen, brush and font selected, for direct GDI calls
  HDC BlitHandle();       // selects nothing, for copying pixels (see there)
  void SetHandle(HDC dc); // not owned; nullptr detaches
  bool HandleAllocated() const { return FHandle != nullptr; }
  TPen& Pen() { return FPen; }
  TBrush& Brush() { return FBrush; }
  TFont& Font() { return FFont; }
  POINT PenPos() const { return FPenPos; }

  void FillRect(const RECT& r);
  void FrameRect(const RECT& r);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const RECT& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  void Ellipse(int x1, int y1, int x2, int y2);
  void RoundRect(int x1, int y1, int x2, int y2, int w, int h);
  void Polygon(const POINT* points, int count);
  void Polyline(const POINT* points, int count);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, const std::string& text);
  void TextRect(const RECT& r, int x, int y, const std::string& text); // clipped to r
  SIZE TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  // DrawTextA with the canvas font and DT_* flags; answers the height drawn.
  int DrawText(const std::string& text, RECT& r, unsigned flags);
  void Draw(int x, int y, TGraphic& graphic);
  void StretchDraw(const RECT& r, TGraphic& graphic);
  void CopyRect(const RECT& dest, TCanvas& source, const RECT& src);
  void DrawFocusRect(const RECT& r);
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

  TNotifyEvent OnChange;

protected:
  // Called when a handle is needed and none is set.
  virtual void CreateHandle() {}
  enum TState { stPen = 1, stBrush = 2, stFont = 4 };
  void RequiredState(int state);
  HDC DC();
  HDC FHandle = nullptr;

private:
  void Deselect();
  TPen FPen;
  TBrush FBrush;
  TFont FFont;
  POINT FPenPos{0, 0};
  HGDIOBJ FOldPen = nullptr, FOldBrush = nullptr, FOldFont = nullptr;
};

// Something a canvas can draw.
class TGraphic : public TObject {
public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  virtual void Draw(TCanvas& canvas, const RECT& r) = 0;
  TNotifyEvent OnChange;
};

class TBitmapCanvas;

enum TTransparentMode { tmAuto, tmFixed };

// A 32-bit top-down DIB section with its own canvas. Transparent drawing leaves out the pixels
// of TransparentColor (tmAuto: the bottom-left pixel).
class TBitmap : public TGraphic {
public:
  TBitmap();
  TBitmap(int width, int height);
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  void Assign(const TBitmap& source);

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int value) { SetSize(value, FHeight); }
  void SetHeight(int value) { SetSize(FWidth, value); }
  void SetSize(int width, int height); // keeps the overlapping pixels
  HBITMAP Handle() const { return FHandle; }
  TCanvas& Canvas();
  // Row y as 0x00RRGGBB values (width entries).
  uint32_t* ScanLine(int y);
  TColor Pixel(int x, int y) const; // clNone outside

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value) { FTransparent = value; }
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode value) { FTransparentMode = value; }
  TColor TransparentColor() const;
  void SetTransparentColor(TColor value);

  void Draw(TCanvas& canvas, const RECT& r) override;
  // From any bitmap handle (copied; the handle stays the caller's).
  void AssignHandle(HBITMAP bitmap);
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);
  void LoadFromResourceID(HINSTANCE instance, int id);
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;
  // Frees the canvas's device context so that the bitmap can be selected elsewhere.
  void Dormant();

private:
  void Release();
  int FWidth = 0, FHeight = 0;
  HBITMAP FHandle = nullptr;
  uint32_t* FBits = nullptr;
  std::unique_ptr<TBitmapCanvas> FCanvas;
  bool FTransparent = false;
  TTransparentMode FTransparentMode = tmAuto;
  TColor FTransparentColor = clDefault;
};

class TIcon : public TGraphic {
public:
  ~TIcon() override;
  TIcon() = default;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;
  HICON Handle() const { return FHandle; }
  void SetHandle(HICON icon); // owned from now on
  int Width() const override;
  int Height() const override;
  void Draw(TCanvas& canvas, const RECT& r) override;
  void LoadFromResourceName(HINSTANCE instance, const std::string& name, int size = 0);

private:
  HICON FHandle = nullptr;
};

// An enhanced metafile, drawn stretched into the rectangle given.
class TMetafile : public TGraphic {
public:
  TMetafile() = default;
  ~TMetafile() override;
  TMetafile(const TMetafile&) = delete;
  TMetafile& operator=(const TMetafile&) = delete;
  HENHMETAFILE Handle() const { return FHandle; }
  void SetHandle(HENHMETAFILE value); // owned from now on
  int Width() const override;
  int Height() const override;
  void Draw(TCanvas& canvas, const RECT& r) override;

private:
  HENHMETAFILE FHandle = nullptr;
};

// A picture that holds a bitmap, an icon or an enhanced metafile.
class TPicture : public TObject {
public:
  TPicture();
  TGraphic* Graphic();   // nullptr when empty
  TBitmap& Bitmap();     // makes the picture a bitmap
  TIcon& Icon();         // makes the picture an icon
  TMetafile& Metafile(); // makes the picture a metafile
  // Copies what another picture holds.
  void Assign(TPicture& source);
  void Assign(const TBitmap& bitmap);
  void LoadFromFile(const std::string& path); // .bmp or .ico
  void Clear();
  int Width() { return Graphic() ? Graphic()->Width() : 0; }
  int Height() { return Graphic() ? Graphic()->Height() : 0; }
  TNotifyEvent OnChange;

private:
  void Changed();
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TIcon> FIcon;
  std::unique_ptr<TMetafile> FMetafile;
};

// A list of same-sized images with masks, over the common controls' image list.
class TImageList : public TComponent {
public:
  explicit TImageList(TComponent* AOwner, int width = 16, int height = 16);
  ~TImageList() override;
  HIMAGELIST Handle() const { return FHandle; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetSize(int width, int height); // clears the list
  int Count() const;
  int Add(TBitmap& image, TBitmap* mask = nullptr);
  int AddMasked(TBitmap& image, TColor maskColor);
  void Delete(int index);
  void Clear();
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
  void GetBitmap(int index, TBitmap& image);

private:
  int FWidth, FHeight;
  HIMAGELIST FHandle = nullptr;
};

// The module whose resources the class library loads (the program file).
HINSTANCE HInstance();
