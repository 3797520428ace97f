// Drawing over GDI.
#include "Graphics.h"
#include "Handles.h"
#include "SysUtils.h"
#include <algorithm>
#include <cmath>
#include <cstring>

HINSTANCE HInstance() {
  return GetModuleHandleA(nullptr);
}

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  if (color == clNone || color == clDefault) return 0;
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

void TGraphicsObject::Changing() {
  if (OnChanging) OnChanging(this);
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// --- font
// -----------------------------------------------------------------------------------------

static int ScreenPixelsPerInch() {
  TClientDC dc(nullptr);
  int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  return ppi > 0 ? ppi : 96;
}

TFont::TFont() {}
TFont::~TFont() {
  Reset();
}

void TFont::Reset() {
  if (!FHandle) return;
  Changing();
  DeleteObject(FHandle);
  FHandle = nullptr;
}

void TFont::Assign(const TFont& source) {
  // The same face keeps its handle: a colour is no part of it, and owner-drawn items assign
  // a font for each item they draw.
  bool sameFace = FName == source.FName && FHeight == source.FHeight && FStyle == source.FStyle;
  FName = source.FName;
  FHeight = source.FHeight;
  FColor = source.FColor;
  FStyle = source.FStyle;
  if (!sameFace) Reset();
  Changed();
}

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONTA lf{};
    lf.lfHeight = FHeight;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic);
    lf.lfUnderline = FStyle.Contains(fsUnderline);
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
    FHandle = CreateFontIndirectA(&lf);
  }
  return FHandle;
}

void TFont::SetName(const std::string& value) {
  if (value == FName) return;
  FName = value;
  Reset();
  Changed();
}

int TFont::PixelsPerInch() const {
  return FPixelsPerInch > 0 ? FPixelsPerInch : ScreenPixelsPerInch();
}

void TFont::SetPixelsPerInch(int value) {
  FPixelsPerInch = value > 0 ? value : 0;
}

int TFont::Size() const {
  return -static_cast<int>(std::lround(FHeight * 72.0 / PixelsPerInch()));
}

void TFont::SetSize(int value) {
  SetHeight(-static_cast<int>(std::lround(value * PixelsPerInch() / 72.0)));
}

void TFont::SetHeight(int value) {
  if (value == FHeight) return;
  FHeight = value;
  Reset();
  Changed();
}

void TFont::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  Changed();
}

void TFont::SetStyle(TFontStyles value) {
  if (value == FStyle) return;
  FStyle = value;
  Reset();
  Changed();
}

void TFont::AssignLogFont(const LOGFONTA& lf) {
  FName = lf.lfFaceName;
  FHeight = lf.lfHeight;
  FStyle = {};
  if (lf.lfWeight >= FW_BOLD) FStyle.Include(fsBold);
  if (lf.lfItalic) FStyle.Include(fsItalic);
  if (lf.lfUnderline) FStyle.Include(fsUnderline);
  if (lf.lfStrikeOut) FStyle.Include(fsStrikeOut);
  Reset();
  Changed();
}

// --- pen and brush
// ------------------------------------------------------------------------------------

TPen::~TPen() {
  Reset();
}
void TPen::Reset() {
  if (!FHandle) return;
  Changing();
  DeleteObject(FHandle);
  FHandle = nullptr;
}
void TPen::Assign(const TPen& s) {
  FColor = s.FColor;
  FWidth = s.FWidth;
  FStyle = s.FStyle;
  FMode = s.FMode;
  Reset();
  Changed();
}
HPEN TPen::Handle() {
  static const int styles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                               PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
  if (!FHandle) FHandle = CreatePen(styles[FStyle], FWidth, ColorToRGB(FColor));
  return FHandle;
}
void TPen::SetColor(TColor v) {
  if (v == FColor) return;
  FColor = v;
  Reset();
  Changed();
}
void TPen::SetWidth(int v) {
  if (v == FWidth) return;
  FWidth = v;
  Reset();
  Changed();
}
void TPen::SetStyle(TPenStyle v) {
  if (v == FStyle) return;
  FStyle = v;
  Reset();
  Changed();
}
void TPen::SetMode(TPenMode v) {
  if (v == FMode) return;
  FMode = v;
  Changed();
}

TBrush::~TBrush() {
  Reset();
}
void TBrush::Reset() {
  if (!FHandle) return;
  Changing();
  DeleteObject(FHandle);
  FHandle = nullptr;
}
void TBrush::Assign(const TBrush& s) {
  FColor = s.FColor;
  FStyle = s.FStyle;
  Reset();
  Changed();
}
HBRUSH TBrush::Handle() {
  if (!FHandle) {
    static const int hatches[] = {
        0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
    if (FStyle == bsSolid)
      FHandle = CreateSolidBrush(ColorToRGB(FColor));
    else if (FStyle == bsClear)
      FHandle = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    else
      FHandle = CreateHatchBrush(hatches[FStyle], ColorToRGB(FColor));
  }
  return FHandle;
}
void TBrush::SetColor(TColor v) {
  if (v == FColor) return;
  FColor = v;
  if (FStyle == bsClear) FStyle = bsSolid;
  Reset();
  Changed();
}
void TBrush::SetStyle(TBrushStyle v) {
  if (v == FStyle) return;
  FStyle = v;
  Reset();
  Changed();
}

// --- canvas
// ---------------------------------------------------------------------------------------

namespace {

// The canvas keeps the object each kind of tool displaced when it was first selected, and puts
// it back when the tool is remade or the DC is let go.
void SelectKeepingFirst(HDC dc, HGDIOBJ object, HGDIOBJ& old) {
  HGDIOBJ was = SelectObject(dc, object);
  if (!old) old = was;
}

void PutBack(HDC dc, HGDIOBJ& old) {
  if (old) SelectObject(dc, old);
  old = nullptr;
}

} // namespace

TCanvas::TCanvas() {
  // A tool about to be remade is deselected first; RequiredState selects the new one.
  FPen.OnChanging = [this](TObject*) { PutBack(FHandle, FOldPen); };
  FBrush.OnChanging = [this](TObject*) { PutBack(FHandle, FOldBrush); };
  FFont.OnChanging = [this](TObject*) { PutBack(FHandle, FOldFont); };
}

TCanvas::~TCanvas() {
  Deselect();
}

void TCanvas::Deselect() {
  if (!FHandle) return;
  PutBack(FHandle, FOldPen);
  PutBack(FHandle, FOldBrush);
  PutBack(FHandle, FOldFont);
}

HDC TCanvas::DC() {
  if (!FHandle) CreateHandle();
  if (!FHandle) throw Exception("Canvas does not allow drawing");
  return FHandle;
}

HDC TCanvas::Handle() {
  RequiredState(stPen | stBrush | stFont);
  return FHandle;
}

// Copying pixels needs neither pen, brush nor font, and selecting a font into a fresh device
// context (the displays take one for each picture) costs more than the copy.
HDC TCanvas::BlitHandle() {
  return DC();
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == FHandle) return;
  Deselect();
  FHandle = dc;
}

void TCanvas::RequiredState(int state) {
  HDC dc = DC();
  static const int rops[] = {R2_COPYPEN, R2_NOT,      R2_XORPEN, R2_NOTXORPEN,
                             R2_MASKPEN, R2_MERGEPEN, R2_BLACK,  R2_WHITE};
  if (state & stPen) {
    SelectKeepingFirst(dc, FPen.Handle(), FOldPen);
    SetROP2(dc, rops[FPen.Mode()]);
  }
  if (state & stBrush) {
    SelectKeepingFirst(dc, FBrush.Handle(), FOldBrush);
    SetBkColor(dc, ColorToRGB(FBrush.Color()));
    SetBkMode(dc, FBrush.Style() == bsClear ? TRANSPARENT : OPAQUE);
  }
  if (state & stFont) {
    SelectKeepingFirst(dc, FFont.Handle(), FOldFont);
    SetTextColor(dc, ColorToRGB(FFont.Color()));
  }
}

void TCanvas::FillRect(const RECT& r) {
  RequiredState(stBrush);
  if (FBrush.Style() != bsClear) ::FillRect(FHandle, &r, FBrush.Handle());
}

void TCanvas::FrameRect(const RECT& r) {
  RequiredState(stBrush);
  ::FrameRect(FHandle, &r, FBrush.Handle());
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  RequiredState(stPen | stBrush);
  ::Rectangle(FHandle, x1, y1, x2, y2);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  RequiredState(stPen | stBrush);
  ::Ellipse(FHandle, x1, y1, x2, y2);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
  RequiredState(stPen | stBrush);
  ::RoundRect(FHandle, x1, y1, x2, y2, w, h);
}

void TCanvas::Polygon(const POINT* points, int count) {
  RequiredState(stPen | stBrush);
  ::Polygon(FHandle, points, count);
}

void TCanvas::Polyline(const POINT* points, int count) {
  RequiredState(stPen);
  ::Polyline(FHandle, points, count);
}

void TCanvas::MoveTo(int x, int y) {
  ::MoveToEx(DC(), x, y, nullptr);
  FPenPos = {x, y};
}

void TCanvas::LineTo(int x, int y) {
  RequiredState(stPen);
  ::LineTo(FHandle, x, y);
  FPenPos = {x, y};
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  RequiredState(stFont | stBrush);
  ::TextOutA(FHandle, x, y, text.data(), static_cast<int>(text.size()));
  FPenPos = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const RECT& r, int x, int y, const std::string& text) {
  RequiredState(stFont | stBrush);
  UINT opts = ETO_CLIPPED | (FBrush.Style() != bsClear ? ETO_OPAQUE : 0);
  ::ExtTextOutA(FHandle, x, y, opts, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
}

SIZE TCanvas::TextExtent(const std::string& text) {
  RequiredState(stFont);
  SIZE s{0, 0};
  ::GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &s);
  return s;
}

int TCanvas::DrawText(const std::string& text, RECT& r, unsigned flags) {
  RequiredState(stFont | stBrush);
  return ::DrawTextA(FHandle, text.data(), static_cast<int>(text.size()), &r, flags);
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  RECT r{x, y, x + graphic.Width(), y + graphic.Height()};
  graphic.Draw(*this, r);
}

void TCanvas::StretchDraw(const RECT& r, TGraphic& graphic) {
  if (!graphic.Empty()) graphic.Draw(*this, r);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& src) {
  HDC dc = DC();
  SetStretchBltMode(dc, COLORONCOLOR);
  ::StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               source.Handle(), src.left, src.top, src.right - src.left, src.bottom - src.top,
               SRCCOPY);
}

void TCanvas::DrawFocusRect(const RECT& r) {
  ::DrawFocusRect(DC(), &r);
}

TColor TCanvas::Pixels(int x, int y) {
  COLORREF c = ::GetPixel(DC(), x, y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  ::SetPixel(DC(), x, y, ColorToRGB(color));
}

// --- bitmap
// ----------------------------------------------------------------------------------------

class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap& owner) : FOwner(owner) {}
  ~TBitmapCanvas() override { Free(); }
  void Free() {
    if (!FHandle) return;
    HDC dc = FHandle;
    SetHandle(nullptr);
    SelectObject(dc, FOldBitmap);
    DeleteDC(dc);
  }

protected:
  void CreateHandle() override {
    if (!FOwner.Handle()) return;
    HDC dc = CreateCompatibleDC(nullptr);
    FOldBitmap = SelectObject(dc, FOwner.Handle());
    SetHandle(dc);
  }

private:
  TBitmap& FOwner;
  HGDIOBJ FOldBitmap = nullptr;
};

TBitmap::TBitmap() = default;
TBitmap::TBitmap(int width, int height) {
  SetSize(width, height);
}
TBitmap::~TBitmap() {
  Release();
}

void TBitmap::Release() {
  if (FCanvas) FCanvas->Free();
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
  FBits = nullptr;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  HBITMAP handle = nullptr;
  uint32_t* bits = nullptr;
  if (width > 0 && height > 0) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    handle = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (!handle) throw EOutOfResources("Out of system resources");
    bits = static_cast<uint32_t*>(p);
    // A new bitmap is white, as one expects of a blank picture.
    std::fill(bits, bits + static_cast<size_t>(width) * height, 0xFFFFFFu);
    GdiFlush();
    for (int y = 0; y < std::min(height, FHeight); ++y)
      std::memcpy(bits + static_cast<size_t>(y) * width, FBits + static_cast<size_t>(y) * FWidth,
                  sizeof(uint32_t) * std::min(width, FWidth));
  }
  Release();
  FHandle = handle;
  FBits = bits;
  FWidth = handle ? width : 0;
  FHeight = handle ? height : 0;
  if (OnChange) OnChange(this);
}

void TBitmap::Assign(const TBitmap& source) {
  Release();
  FWidth = FHeight = 0;
  SetSize(source.FWidth, source.FHeight);
  if (FBits) {
    GdiFlush();
    std::memcpy(FBits, source.FBits, sizeof(uint32_t) * FWidth * FHeight);
  }
  FTransparent = source.FTransparent;
  FTransparentMode = source.FTransparentMode;
  FTransparentColor = source.FTransparentColor;
}

void TBitmap::Dormant() {
  if (FCanvas) FCanvas->Free();
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(*this);
  return *FCanvas;
}

uint32_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= FHeight) throw Exception("Scan line index out of range");
  GdiFlush();
  return FBits + static_cast<size_t>(y) * FWidth;
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return clNone;
  GdiFlush();
  uint32_t v = FBits[static_cast<size_t>(y) * FWidth + x];
  return static_cast<TColor>(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  return Pixel(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor value) {
  FTransparentColor = value;
  FTransparentMode = value == clDefault ? tmAuto : tmFixed;
}

void TBitmap::Draw(TCanvas& canvas, const RECT& r) {
  if (!FHandle) return;
  HDC dst = canvas.Handle();
  HDC src = Canvas().Handle();
  int w = r.right - r.left, h = r.bottom - r.top;
  if (FTransparent) {
    ::TransparentBlt(dst, r.left, r.top, w, h, src, 0, 0, FWidth, FHeight,
                     ColorToRGB(TransparentColor()));
  } else {
    SetStretchBltMode(dst, COLORONCOLOR);
    ::StretchBlt(dst, r.left, r.top, w, h, src, 0, 0, FWidth, FHeight, SRCCOPY);
  }
}

void TBitmap::AssignHandle(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) throw EInvalidGraphic("Invalid bitmap");
  Release();
  FWidth = FHeight = 0;
  SetSize(info.bmWidth, info.bmHeight);
  {
    TMemoryDC src(nullptr);
    TSelectObject selected(src, bitmap);
    BitBlt(Canvas().Handle(), 0, 0, FWidth, FHeight, src, 0, 0, SRCCOPY);
  }
  GdiFlush();
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  TGdiObject<HBITMAP> b(static_cast<HBITMAP>(
      LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!b) throw EResNotFound("Resource " + name + " not found");
  AssignHandle(b.Get());
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
  TGdiObject<HBITMAP> b(static_cast<HBITMAP>(
      LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!b) throw EResNotFound("Resource " + IntToStr(id) + " not found");
  AssignHandle(b.Get());
}

void TBitmap::LoadFromFile(const std::string& path) {
  TGdiObject<HBITMAP> b(static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                        LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  if (!b) throw EInvalidGraphic("Bitmap image is not valid: " + path);
  AssignHandle(b.Get());
}

void TBitmap::SaveToFile(const std::string& path) const {
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof(ih);
  ih.biWidth = FWidth;
  ih.biHeight = -FHeight;
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  ih.biCompression = BI_RGB;
  uint32_t dataSize = 4u * FWidth * FHeight;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + dataSize;
  GdiFlush();
  std::string bytes(reinterpret_cast<const char*>(&fh), sizeof(fh));
  bytes.append(reinterpret_cast<const char*>(&ih), sizeof(ih));
  if (FBits) bytes.append(reinterpret_cast<const char*>(FBits), dataSize);
  BOOL ok = FALSE;
  DWORD written = 0;
  {
    TKernelHandle f(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!f) throw EFCreateError("Cannot create file " + path);
    ok = WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  if (!ok || written != bytes.size()) throw EWriteError("Cannot write file " + path);
}

// --- icon
// --------------------------------------------------------------------------------------------

TIcon::~TIcon() {
  SetHandle(nullptr);
}
void TIcon::SetHandle(HICON icon) {
  if (FHandle && FHandle != icon) DestroyIcon(FHandle);
  FHandle = icon;
  if (OnChange) OnChange(this);
}
int TIcon::Width() const {
  ICONINFO ii{};
  if (!FHandle || !GetIconInfo(FHandle, &ii)) return 0;
  TGdiObject<HBITMAP> color(ii.hbmColor), mask(ii.hbmMask); // copies made for us
  BITMAP b{};
  GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof(b), &b);
  return b.bmWidth;
}
int TIcon::Height() const {
  return Width();
}
void TIcon::Draw(TCanvas& canvas, const RECT& r) {
  if (FHandle)
    DrawIconEx(canvas.Handle(), r.left, r.top, FHandle, r.right - r.left, r.bottom - r.top, 0,
               nullptr, DI_NORMAL);
}
void TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name, int size) {
  HICON i = static_cast<HICON>(LoadImageA(instance, name.c_str(), IMAGE_ICON, size, size, 0));
  if (!i) throw EResNotFound("Resource " + name + " not found");
  SetHandle(i);
}

// --- image list
// ----------------------------------------------------------------------------------------

TImageList::TImageList(TComponent* AOwner, int width, int height)
    : TComponent(AOwner), FWidth(width), FHeight(height) {
  FHandle = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4);
}

TImageList::~TImageList() {
  if (FHandle) ImageList_Destroy(FHandle);
}

void TImageList::SetSize(int width, int height) {
  if (FHandle) ImageList_Destroy(FHandle);
  FWidth = width;
  FHeight = height;
  FHandle = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4);
}

int TImageList::Count() const {
  return ImageList_GetImageCount(FHandle);
}

// The image list takes device-dependent copies; a DIB section's handle serves as one.
int TImageList::Add(TBitmap& image, TBitmap* mask) {
  image.Dormant();
  if (mask) mask->Dormant();
  GdiFlush();
  return ImageList_Add(FHandle, image.Handle(), mask ? mask->Handle() : nullptr);
}

int TImageList::AddMasked(TBitmap& image, TColor maskColor) {
  GdiFlush();
  // ImageList_AddMasked blacks out the masked pixels of the bitmap it is given; use a copy.
  TBitmap copy;
  copy.Assign(image);
  copy.Dormant();
  return ImageList_AddMasked(FHandle, copy.Handle(), ColorToRGB(maskColor));
}

void TImageList::Delete(int index) {
  ImageList_Remove(FHandle, index);
}
void TImageList::Clear() {
  ImageList_Remove(FHandle, -1);
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
  if (index < 0 || index >= Count()) return;
  if (enabled) {
    ImageList_Draw(FHandle, index, canvas.Handle(), x, y, ILD_TRANSPARENT);
  } else {
    IMAGELISTDRAWPARAMS p{};
    p.cbSize = sizeof(p);
    p.himl = FHandle;
    p.i = index;
    p.hdcDst = canvas.Handle();
    p.x = x;
    p.y = y;
    p.rgbBk = CLR_NONE;
    p.rgbFg = CLR_DEFAULT;
    p.fStyle = ILD_TRANSPARENT | ILD_BLEND50;
    ImageList_DrawIndirect(&p);
  }
}

void TImageList::GetBitmap(int index, TBitmap& image) {
  image.SetSize(FWidth, FHeight);
  image.Canvas().Brush().SetColor(clWhite);
  RECT r{0, 0, FWidth, FHeight};
  image.Canvas().FillRect(r);
  ImageList_Draw(FHandle, index, image.Canvas().Handle(), 0, 0, ILD_TRANSPARENT);
}

// --- picture
// ----------------------------------------------------------------------------------------

TPicture::TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

TMetafile::~TMetafile() {
  if (FHandle) DeleteEnhMetaFile(FHandle);
}

void TMetafile::SetHandle(HENHMETAFILE value) {
  if (FHandle && FHandle != value) DeleteEnhMetaFile(FHandle);
  FHandle = value;
  if (OnChange) OnChange(this);
}

int TMetafile::Width() const {
  ENHMETAHEADER h{};
  if (!FHandle || !GetEnhMetaFileHeader(FHandle, sizeof(h), &h)) return 0;
  return h.rclBounds.right - h.rclBounds.left + 1;
}

int TMetafile::Height() const {
  ENHMETAHEADER h{};
  if (!FHandle || !GetEnhMetaFileHeader(FHandle, sizeof(h), &h)) return 0;
  return h.rclBounds.bottom - h.rclBounds.top + 1;
}

void TMetafile::Draw(TCanvas& canvas, const RECT& r) {
  if (FHandle) PlayEnhMetaFile(canvas.Handle(), FHandle, &r);
}

TGraphic* TPicture::Graphic() {
  if (FBitmap && !FBitmap->Empty()) return FBitmap.get();
  if (FIcon && FIcon->Handle()) return FIcon.get();
  if (FMetafile && FMetafile->Handle()) return FMetafile.get();
  return nullptr;
}

TMetafile& TPicture::Metafile() {
  FBitmap.reset();
  FIcon.reset();
  if (!FMetafile) {
    FMetafile = std::make_unique<TMetafile>();
    FMetafile->OnChange = [this](TObject*) { Changed(); };
  }
  return *FMetafile;
}

void TPicture::Assign(TPicture& source) {
  if (&source == this) return;
  TGraphic* g = source.Graphic();
  if (auto* b = dynamic_cast<TBitmap*>(g)) {
    Bitmap().Assign(*b);
    Bitmap().SetTransparent(b->Transparent());
  } else if (auto* i = dynamic_cast<TIcon*>(g)) {
    Icon().SetHandle(CopyIcon(i->Handle()));
  } else if (auto* m = dynamic_cast<TMetafile*>(g)) {
    Metafile().SetHandle(CopyEnhMetaFileA(m->Handle(), nullptr));
  } else {
    Clear();
    return;
  }
  Changed();
}

TBitmap& TPicture::Bitmap() {
  FIcon.reset();
  FMetafile.reset();
  if (!FBitmap) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->OnChange = [this](TObject*) { Changed(); };
  }
  return *FBitmap;
}

TIcon& TPicture::Icon() {
  FBitmap.reset();
  FMetafile.reset();
  if (!FIcon) {
    FIcon = std::make_unique<TIcon>();
    FIcon->OnChange = [this](TObject*) { Changed(); };
  }
  return *FIcon;
}

void TPicture::Assign(const TBitmap& bitmap) {
  Bitmap().Assign(bitmap);
  Changed();
}

void TPicture::LoadFromFile(const std::string& path) {
  if (SameText(ExtractFileExt(path), ".ico")) {
    HICON i =
        static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!i) throw EInvalidGraphic("Icon image is not valid: " + path);
    Icon().SetHandle(i);
  } else {
    Bitmap().LoadFromFile(path);
  }
  Changed();
}

void TPicture::Clear() {
  FBitmap.reset();
  FIcon.reset();
  FMetafile.reset();
  Changed();
}
