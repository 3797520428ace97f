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
