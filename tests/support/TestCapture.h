// Pixel capture for tests that check what a window shows.
#pragma once
#include "Controls.h"
#include <string>

// Paints the control's window now and copies its client area into bitmap.
void CaptureControl(TWinControl& control, TBitmap& bitmap);
// The same for any window of this process.
void CaptureWindow(HWND window, TBitmap& bitmap);
// What the window shows on the screen now, without repainting it first (a repaint would restart
// displays that draw straight to the screen, such as the spectrogram).
void CopyShown(HWND window, TBitmap& bitmap);
// The whole window as it is on the screen, frame and caption included, saved under
// build/out/screenshots for a look; answers how many colours it shows.
class TForm;
int SaveWindowShot(TForm& form, const std::string& name);
