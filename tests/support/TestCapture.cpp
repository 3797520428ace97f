// Pixel capture for tests.
#include "TestCapture.h"
#include "Handles.h"
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
