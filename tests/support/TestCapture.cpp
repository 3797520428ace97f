// Pixel capture for tests.
#include "TestCapture.h"
#include "Forms.h"
#include "Handles.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include <set>
#include "Messages.h"

void CaptureWindow(HWND window, TBitmap& bitmap) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  ProcessMessages();
  CopyShown(window, bitmap);
}

void CopyShown(HWND window, TBitmap& bitmap) {
  RECT r;
  GetClientRect(window, &r);
  bitmap.SetSize(r.right, r.bottom);
  TClientDC dc(window);
  BitBlt(bitmap.Canvas().Handle(), 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
  GdiFlush();
}

void CaptureControl(TWinControl& control, TBitmap& bitmap) {
  CaptureWindow(control.Handle(), bitmap);
}

int SaveWindowShot(TForm& form, const std::string& name) {
  HWND w = form.Handle();
  SetForegroundWindow(w);
  RedrawWindow(w, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  PumpQueued();
  RECT r;
  GetWindowRect(w, &r);
  TBitmap shot(r.right - r.left, r.bottom - r.top);
  {
    TClientDC screen(nullptr);
    BitBlt(shot.Canvas().Handle(), 0, 0, shot.Width(), shot.Height(), screen.Get(), r.left, r.top,
           SRCCOPY);
  }
  GdiFlush();
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\screenshots\\";
  ForceDirectories(dir);
  shot.SaveToFile(dir + name + ".bmp");
  std::set<uint32_t> colours;
  for (int y = 0; y < shot.Height(); y += 2)
    for (int x = 0; x < shot.Width(); x += 2)
      colours.insert(shot.ScanLine(y)[x]);
  return static_cast<int>(colours.size());
}

std::vector<int> InkColumns(HDC dc, const RECT& area, COLORREF background) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  TBitmap shot(w, h);
  if (dc) {
    BitBlt(shot.Canvas().Handle(), 0, 0, w, h, dc, area.left, area.top, SRCCOPY);
  } else {
    TClientDC screen(nullptr);
    BitBlt(shot.Canvas().Handle(), 0, 0, w, h, screen.Get(), area.left, area.top, SRCCOPY);
  }
  GdiFlush();
  std::vector<int> columns;
  int first = -1, last = -1;
  for (int x = 0; x < w; ++x) {
    int n = 0;
    for (int y = 0; y < h; ++y)
      n += (GetPixel(shot.Canvas().Handle(), x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
    columns.push_back(n);
    if (n && first < 0) first = x;
    if (n) last = x;
  }
  if (first < 0) return {};
  return std::vector<int>(columns.begin() + first, columns.begin() + last + 1);
}

std::vector<int> UnclippedCaptionInk(const std::string& text, HFONT font, bool enabled) {
  // A plain popup window: what it shows is drawn as a button's face is.
  HWND w = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "STATIC", "", WS_POPUP, 40, 40, 300,
                           60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(w, SW_SHOWNOACTIVATE);
  PumpQueued(); // painted before the caption goes on it
  std::vector<int> ink;
  {
    TClientDC dc(w);
    RECT all{0, 0, 300, 60};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    TSelectObject selected(dc, font);
    SetBkMode(dc, TRANSPARENT);
    // An ampersand underlines the next letter, as on the button.
    auto draw = [&](int at) {
      RECT place{at, at, at, at};
      DrawTextA(dc, text.c_str(), -1, &place, DT_SINGLELINE | DT_NOCLIP);
    };
    if (!enabled) {
      SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
      draw(21);
      SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    } else {
      SetTextColor(dc, RGB(0, 0, 0));
    }
    draw(20);
    ink = InkColumns(dc, all, GetSysColor(COLOR_BTNFACE));
  }
  DestroyWindow(w);
  return ink;
}
