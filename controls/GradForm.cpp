// The gradient-caption form: colour tables, caption painting and the caption text messages.
#include "GradForm.h"
#include "Handles.h"
#include <windowsx.h>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

TGradientForm::TGradientForm(TComponent* AOwner) : TForm(AOwner) {
  FCaption = FText;
  CalculateColors();
  MakeCaptionFont();
}

TGradientForm::~TGradientForm() = default;

void TGradientForm::InitWnd() {
  TForm::InitWnd();
  MakeCaptionFont(); // the border style chooses the caption or the small caption font
}

void TGradientForm::CalculateColors() {
  auto table = [this](COLORREF c, std::vector<COLORREF>& out) {
    int n = FGradientColors;
    double r = GetRValue(c) / double(n - 1), g = GetGValue(c) / double(n - 1),
           b = GetBValue(c) / double(n - 1);
    out.resize(n);
    for (int i = 0; i < n; ++i)
      out[i] = RGB(std::nearbyint(i * r), std::nearbyint(i * g), std::nearbyint(i * b));
  };
  table(GetSysColor(COLOR_ACTIVECAPTION), FActiveColors);
  table(GetSysColor(COLOR_INACTIVECAPTION), FInactiveColors);
}

void TGradientForm::MakeCaptionFont() {
  FCaptionFont.Reset();
  NONCLIENTMETRICSA m{};
  m.cbSize = sizeof m;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) {
    // Older systems know the shorter record only.
    m.cbSize = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0)) return;
  }
  FCaptionFont.Reset(CreateFontIndirectA(ToolWindow() ? &m.lfSmCaptionFont : &m.lfCaptionFont));
}

void TGradientForm::RedrawFrame() {
  if (!FHandle) return;
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED |
                   SWP_DRAWFRAME);
}

void TGradientForm::SetGradientColors(int value) {
  if (value < 8 || value > 256 || value == FGradientColors) return;
  FGradientColors = value;
  CalculateColors();
  RedrawFrame();
}

void TGradientForm::SetPaintGradient(TGFPaintWhen value) {
  if (value == FPaintGradient) return;
  FPaintGradient = value;
  RedrawFrame();
}

void TGradientForm::SetCaption(const std::string& value) {
  if (value == FCaption && value == FText) return;
  FCaption = value;
  FText = value;
  if (!FHandle) return;
  // The system stores the text for everyone who reads it without asking us; it also paints its
  // own caption while doing so, which ours replaces at once.
  DefWindowProcA(FHandle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
  if (IsWindowVisible(FHandle)) PaintCaption(IsActiveCaption());
  TextChanged();
}

RECT TGradientForm::CaptionRect() {
  RECT r{0, 0, 0, 0};
  if (!FHandle || BorderStyle() == bsNone) return r;
  GetWindowRect(FHandle, &r);
  OffsetRect(&r, -r.left, -r.top);
  bool sizing = BorderStyle() == bsSizeable || BorderStyle() == bsSizeToolWin;
  if (sizing)
    InflateRect(&r, -GetSystemMetrics(SM_CXFRAME), -GetSystemMetrics(SM_CYFRAME));
  else
    InflateRect(&r, -GetSystemMetrics(SM_CXDLGFRAME), -GetSystemMetrics(SM_CYDLGFRAME));
  r.bottom = r.top + GetSystemMetrics(ToolWindow() ? SM_CYSMCAPTION : SM_CYCAPTION) - 1;
  return r;
}

bool TGradientForm::IsActiveCaption() {
  return FHandle && GetActiveWindow() == FHandle;
}

void TGradientForm::PaintCaption(bool active) {
  if (!FHandle) return;
  TWindowDC dc(FHandle);
  if (!dc.Get()) return;
  DrawCaption(dc, active);
}

void TGradientForm::PaintCaptionBackground(HDC windowDC, HDC dc, int w, int h, bool active) {
  RECT r{0, 0, w, h};
  const std::vector<COLORREF>& colors = active ? FActiveColors : FInactiveColors;
  int n = static_cast<int>(colors.size());
  if (FPaintGradient == gfpNever || (FPaintGradient == gfpActive && !active)) {
    HBRUSH b = GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    FillRect(dc, &r, b);
  } else if (!(GetDeviceCaps(windowDC, RASTERCAPS) & RC_PALETTE)) {
    TMemoryDC line(windowDC);
    TGdiObject<HBITMAP> lineBmp(CreateCompatibleBitmap(windowDC, n, 1));
    TSelectObject lineSelected(line, lineBmp.Get());
    for (int i = 0; i < n; ++i)
      SetPixel(line, i, 0, colors[i]);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, w, h, line, 0, 0, n - 1, 1, SRCCOPY);
  } else {
    for (int i = 0; i < n; ++i) {
      RECT band{static_cast<LONG>(std::lround(double(i) * w / n)), 0,
                static_cast<LONG>(std::lround(double(i + 1) * w / n)), h};
      TGdiObject<HBRUSH> b(CreateSolidBrush(colors[i]));
      FillRect(dc, &band, b.Get());
    }
  }
}

void TGradientForm::DrawCaptionIcon(HDC dc, RECT& r) {
  int smallW = GetSystemMetrics(SM_CXSMICON), smallH = GetSystemMetrics(SM_CYSMICON);
  bool plain = BorderStyle() == bsSingle || BorderStyle() == bsSizeable;
  if (!BorderIcons().Contains(biSystemMenu) || !plain) return;
  HICON icon = Icon().Handle();
  if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrA(FHandle, GCLP_HICONSM));
  if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrA(FHandle, GCLP_HICON));
  if (!icon) icon = LoadIconA(nullptr, IDI_APPLICATION);
  DrawIconEx(dc, r.left + 1, r.top + 1, icon, smallW, smallH, 0, nullptr, DI_NORMAL);
  r.left += smallW + 1;
}

void TGradientForm::DrawCaptionButtons(HDC dc, RECT& r) {
  TBorderIcons icons = BorderIcons();
  RECT b = r;
  InflateRect(&b, -2, -2);
  bool maximized = IsZoomed(FHandle) != FALSE;
  if (ToolWindow()) {
    int bw = GetSystemMetrics(SM_CXSMSIZE) - 2;
    RECT close{b.right - bw, b.top, b.right, b.bottom};
    if (icons.Contains(biSystemMenu)) {
      DrawFrameControl(dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
      r.right = close.left - 5;
    } else {
      r.right = b.right - 3;
    }
    return;
  }
  int bw = GetSystemMetrics(SM_CXSMICON) - 2;
  int x = b.right;
  if (icons.Contains(biSystemMenu)) {
    RECT close{x - bw, b.top, x, b.bottom};
    DrawFrameControl(dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    x -= bw + 4;
    if (BorderStyle() != bsDialog) {
      RECT max{x - bw, b.top, x, b.bottom};
      DrawFrameControl(dc, &max, DFC_CAPTION,
                       (maximized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) |
                           (icons.Contains(biMaximize) ? 0 : DFCS_INACTIVE));
      x -= bw + 2;
      RECT min{x - bw, b.top, x, b.bottom};
      DrawFrameControl(dc, &min, DFC_CAPTION,
                       DFCS_CAPTIONMIN | (icons.Contains(biMinimize) ? 0 : DFCS_INACTIVE));
      x -= 2 * (bw + 2);
    } else if (icons.Contains(biHelp)) {
      RECT help{x - bw, b.top, x, b.bottom};
      DrawFrameControl(dc, &help, DFC_CAPTION, DFCS_CAPTIONHELP);
      x -= bw + 2;
    }
  }
  r.right = x - 3;
}

void TGradientForm::DrawCaptionText(HDC dc, RECT& r) {
  TSelectObject fontSelected(dc, FCaptionFont.Get());
  r.left += 2;
  if (OnCaptionPaint) {
    // The owner's painting may leave other tools and modes in the DC: the title is drawn with
    // the DC as it was.
    TSaveDC saved(dc);
    TCanvas canvas;
    canvas.SetHandle(dc);
    TScopeExit releaseCanvas([&] { canvas.SetHandle(nullptr); });
    if (FCaptionFont) {
      LOGFONTA lf{};
      GetObjectA(FCaptionFont.Get(), sizeof lf, &lf);
      canvas.Font().AssignLogFont(lf);
    }
    OnCaptionPaint(this, canvas, r);
    canvas.SetHandle(nullptr);
  }
  if (r.right > r.left) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, FCaption.c_str(), static_cast<int>(FCaption.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT);
  }
}

void TGradientForm::DrawCaption(HDC windowDC, bool active) {
  RECT cr = CaptionRect();
  int w = cr.right - cr.left, h = cr.bottom - cr.top;
  if (w <= 0 || h <= 0) return;
  // Held so that an owner's caption paint that raises leaks neither the DC nor the bitmap.
  TMemoryDC dc(windowDC);
  TGdiObject<HBITMAP> bmp(CreateCompatibleBitmap(windowDC, w, h));
  TSelectObject bmpSelected(dc, bmp.Get());

  PaintCaptionBackground(windowDC, dc, w, h, active);
  RECT r{1, 0, w, h};
  DrawCaptionIcon(dc, r);
  DrawCaptionButtons(dc, r);
  DrawCaptionText(dc, r);
  FLastTextRect = r;
  OffsetRect(&FLastTextRect, cr.left, cr.top);

  BitBlt(windowDC, cr.left, cr.top, w, h, dc, 0, 0, SRCCOPY);
}

void TGradientForm::WndProc(TMessage& m) {
  switch (m.Msg) {
  case WM_NCACTIVATE:
    // Our caption in the new state; answering handled keeps the system from drawing its own.
    if (IsWindowVisible(FHandle)) PaintCaption(m.WParam != 0);
    m.Result = TRUE;
    return;
  case WM_NCPAINT: {
    RECT wr;
    GetWindowRect(FHandle, &wr);
    HRGN update = reinterpret_cast<HRGN>(m.WParam);
    bool valid = reinterpret_cast<UINT_PTR>(update) > 1;
    {
      TWindowDC dc(FHandle);
      if (dc.Get()) {
        if (valid) {
          TGdiObject<HRGN> clip(CreateRectRgn(0, 0, 0, 0));
          CombineRgn(clip.Get(), update, nullptr, RGN_COPY);
          OffsetRgn(clip.Get(), -wr.left, -wr.top);
          SelectClipRgn(dc, clip.Get());
        }
        DrawCaption(dc, IsActiveCaption());
      }
    }
    // The rest of the frame is the system's, clipped so that it leaves our caption alone.
    TGdiObject<HRGN> rest(valid ? CreateRectRgn(0, 0, 0, 0) : CreateRectRgnIndirect(&wr));
    if (valid) CombineRgn(rest.Get(), update, nullptr, RGN_COPY);
    RECT cr = CaptionRect();
    OffsetRect(&cr, wr.left, wr.top);
    TGdiObject<HRGN> cap(CreateRectRgnIndirect(&cr));
    CombineRgn(rest.Get(), rest.Get(), cap.Get(), RGN_DIFF);
    m.Result = DefWindowProcA(FHandle, WM_NCPAINT, reinterpret_cast<WPARAM>(rest.Get()), 0);
    return;
  }
  case WM_SYSCOLORCHANGE:
    CalculateColors();
    break;
  case WM_SIZE:
    TForm::WndProc(m);
    if ((m.WParam == SIZE_MAXIMIZED || m.WParam == SIZE_RESTORED) && FHandle &&
        IsWindowVisible(FHandle))
      PaintCaption(IsActiveCaption());
    return;
  case WM_SETCURSOR: {
    LPCSTR cursor = nullptr;
    switch (LOWORD(m.LParam)) {
    case HTLEFT:
    case HTRIGHT:
      cursor = IDC_SIZEWE;
      break;
    case HTTOP:
    case HTBOTTOM:
      cursor = IDC_SIZENS;
      break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      cursor = IDC_SIZENWSE;
      break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      cursor = IDC_SIZENESW;
      break;
    }
    if (cursor) {
      ::SetCursor(LoadCursorA(nullptr, cursor));
      m.Result = TRUE;
      return;
    }
    break;
  }
  case WM_SETTEXT:
    SetCaption(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
    m.Result = TRUE;
    return;
  case WM_GETTEXT:
  case WM_GETTEXTLENGTH:
    m.Result = AnswerTextMessage(m, FCaption);
    return;
  case WM_SETTINGCHANGE:
    if (m.WParam == SPI_SETNONCLIENTMETRICS) MakeCaptionFont();
    break;
  }
  TForm::WndProc(m);
}
