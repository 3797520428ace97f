// Pixel capture for tests that check what a window shows.
#pragma once
#include "Controls.h"
#include <string>
#include <vector>

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

// The ink of a rectangle of a device context (the screen's with nullptr), column by column: from
// the first column holding a pixel other than background to the last, how many such pixels each
// column holds.
std::vector<int> InkColumns(HDC dc, const RECT& area, COLORREF background);
// A caption as a button face shows it, drawn without any clip on a window of this test's own in
// the button face colour: in black, or embossed (the highlight colour one pixel right of and
// below the shadow colour) when disabled. Answers its ink columns as InkColumns reads them.
std::vector<int> UnclippedCaptionInk(const std::string& text, HFONT font, bool enabled);
