// The gradient-caption form under Wine: colour tables, the captured caption bar in both states,
// and the title as other programs and the taskbar read it.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include "BoundaryCapture.h"
#include "GradForm.h"
#include "Messages.h"
#include "SysUtils.h"

namespace {

// The whole window, frame included, as it shows now.
void CaptureFrame(HWND w, TBitmap& shot) {
  RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ProcessMessages();
  RECT r;
  GetWindowRect(w, &r);
  shot.SetSize(r.right - r.left, r.bottom - r.top);
  HDC dc = GetWindowDC(w);
  BitBlt(shot.Canvas().Handle(), 0, 0, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
  ReleaseDC(w, dc);
  GdiFlush();
}

int Channel(TColor c, int shift) {
  return (c >> shift) & 0xFF;
}

bool Near(TColor a, COLORREF b, int tolerance) {
  for (int s : {0, 8, 16})
    if (std::abs(Channel(a, s) - static_cast<int>((b >> s) & 0xFF)) > tolerance) return false;
  return true;
}

struct TGradFixture {
  TGradientForm Form{nullptr};
  TGradFixture() {
    Form.SetBounds(80, 80, 360, 200);
    Form.SetCaption("Tonalbrook");
    Form.Show();
    SetActiveWindow(Form.Handle());
    PumpUntil([&] { return GetActiveWindow() == Form.Handle(); }, 5000);
    ProcessMessages();
  }
};

} // namespace

TEST(GradForm, ColourTablesRunFromBlackToTheCaptionColour) {
  TGradientForm form(nullptr);
  EXPECT_EQ(form.GradientColors(), 64);
  form.SetGradientColors(7);
  EXPECT_EQ(form.GradientColors(), 64);
  form.SetGradientColors(257);
  EXPECT_EQ(form.GradientColors(), 64);
  form.SetGradientColors(8);
  EXPECT_EQ(form.GradientColors(), 8);
  form.SetGradientColors(256);
  ASSERT_EQ(form.ActiveColors().size(), 256u);
  EXPECT_EQ(form.ActiveColors().front(), RGB(0, 0, 0));
  EXPECT_EQ(form.ActiveColors().back(), GetSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(form.InactiveColors().back(), GetSysColor(COLOR_INACTIVECAPTION));
}

TEST(GradForm, TheCaptionIsPaintedAsAGradientWithTheTitleInWhite) {
  TGradFixture f;
  TBitmap shot;
  RECT cr = f.Form.CaptionRect();
  ASSERT_TRUE(PumpUntil(
      [&] {
        if (GetActiveWindow() != f.Form.Handle()) SetActiveWindow(f.Form.Handle());
        CaptureFrame(f.Form.Handle(), shot);
        return GetActiveWindow() == f.Form.Handle();
      },
      10000));
  ASSERT_GT(cr.right - cr.left, 100);
  COLORREF caption = GetSysColor(COLOR_ACTIVECAPTION);
  // The first row of the bar holds only the gradient.
  int y = cr.top;
  EXPECT_TRUE(Near(shot.Pixel(cr.left, y), RGB(0, 0, 0), 8));
  EXPECT_TRUE(Near(shot.Pixel(cr.right - 1, y), caption, 8));
  int previous = -1, rises = 0;
  for (int x = cr.left; x < cr.right; ++x) {
    TColor c = shot.Pixel(x, y);
    int sum = Channel(c, 0) + Channel(c, 8) + Channel(c, 16);
    EXPECT_GE(sum, previous) << "x " << x;
    if (sum > previous) ++rises;
    previous = sum;
  }
  EXPECT_GT(rises, 8);
  // The title is drawn in white inside its room.
  RECT t = f.Form.LastTextRect();
  int white = 0;
  for (int yy = t.top; yy < t.bottom; ++yy)
    for (int x = t.left; x < t.right; ++x)
      if (shot.Pixel(x, yy) == clWhite) ++white;
  EXPECT_GT(white, 10);
}

TEST(GradForm, ActiveOnlyGradientTurnsSolidWhenAnotherWindowIsActive) {
  TGradFixture f;
  f.Form.SetPaintGradient(gfpActive);
  TForm other(nullptr);
  other.SetBounds(500, 400, 200, 100);
  other.Show();
  RECT cr = f.Form.CaptionRect();
  COLORREF inactive = GetSysColor(COLOR_INACTIVECAPTION);
  TBitmap shot;
  // Activation also travels through the X server's focus events; wait until it has settled.
  auto settled = [&](HWND active) {
    if (GetActiveWindow() != active) SetActiveWindow(active);
    CaptureFrame(f.Form.Handle(), shot);
    return GetActiveWindow() == active;
  };
  ASSERT_TRUE(PumpUntil(
      [&] { return settled(other.Handle()) && Near(shot.Pixel(cr.left, cr.top), inactive, 0); },
      10000));
  EXPECT_TRUE(Near(shot.Pixel((cr.left + cr.right) / 2, cr.top), inactive, 0));
  EXPECT_TRUE(Near(shot.Pixel(cr.right - 1, cr.top), inactive, 0));
  // Back to active: the gradient again.
  ASSERT_TRUE(PumpUntil(
      [&] {
        return settled(f.Form.Handle()) && Near(shot.Pixel(cr.left, cr.top), RGB(0, 0, 0), 8);
      },
      10000));
  EXPECT_TRUE(Near(shot.Pixel(cr.right - 1, cr.top), GetSysColor(COLOR_ACTIVECAPTION), 8));
}

TEST(GradForm, TheTitleIsReadableFromOutsideAndCopiesStayInTheBuffer) {
  TGradFixture f;
  HWND w = f.Form.Handle();
  f.Form.SetCaption("Tonalbrook - Catalogue");
  char buf[64] = {};
  EXPECT_EQ(GetWindowTextA(w, buf, sizeof buf), 22);
  EXPECT_STREQ(buf, "Tonalbrook - Catalogue");
  // What the taskbar and other processes read: the text the system holds, without asking us.
  wchar_t wide[64] = {};
  InternalGetWindowText(w, wide, 64);
  EXPECT_STREQ(wide, L"Tonalbrook - Catalogue");
  // Setting the text from outside goes to the caption.
  SetWindowTextA(w, "Mail");
  EXPECT_EQ(f.Form.Caption(), "Mail");
  InternalGetWindowText(w, wide, 64);
  EXPECT_STREQ(wide, L"Mail");
  f.Form.SetCaption("Tonalbrook");
  EXPECT_EQ(SendMessageA(w, WM_GETTEXTLENGTH, 0, 0), 10);
  memset(buf, 'X', sizeof buf);
  EXPECT_EQ(SendMessageA(w, WM_GETTEXT, 5, reinterpret_cast<LPARAM>(buf)), 4);
  EXPECT_STREQ(buf, "Tona");
  EXPECT_EQ(buf[5], 'X');
  memset(buf, 'X', sizeof buf);
  EXPECT_EQ(SendMessageA(w, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buf)), 0);
  EXPECT_EQ(buf[0], 'X');
}

TEST(GradForm, ALongTitleEndsBeforeTheCaptionButtons) {
  TGradFixture f;
  f.Form.SetCaption(std::string(200, 'W'));
  TBitmap shot;
  CaptureFrame(f.Form.Handle(), shot);
  RECT t = f.Form.LastTextRect(), cr = f.Form.CaptionRect();
  int buttons = 3 * (GetSystemMetrics(SM_CXSMICON) - 2);
  EXPECT_LT(t.right, cr.right - buttons);
  // No white text pixels right of the room.
  int white = 0;
  for (int y = t.top; y < t.bottom; ++y)
    for (int x = t.right; x < t.right + 8 && x < cr.right; ++x)
      if (shot.Pixel(x, y) == clWhite) ++white;
  EXPECT_EQ(white, 0);
}

TEST(GradForm, ACaptionPaintThatRaisesReachesTheHandlerAndLeavesNoDCOrBitmapBehind) {
  TBoundaryCapture capture;
  TGradFixture f;
  HDC paintDC = nullptr;
  HGDIOBJ paintBitmap = nullptr;
  f.Form.OnCaptionPaint = [&](TObject*, TCanvas& canvas, RECT&) {
    paintDC = canvas.Handle();
    paintBitmap = GetCurrentObject(paintDC, OBJ_BITMAP);
    throw Exception("caption paint failed");
  };
  TBitmap shot;
  CaptureFrame(f.Form.Handle(), shot);
  ASSERT_NE(paintDC, nullptr);
  ASSERT_FALSE(capture.Messages.empty());
  for (const std::string& message : capture.Messages)
    EXPECT_EQ(message, "caption paint failed");
  EXPECT_EQ(GetObjectType(paintDC), 0u) << "the memory DC was left behind";
  EXPECT_EQ(GetObjectType(paintBitmap), 0u) << "the caption bitmap was left behind";
  // Once the owner's part paints again, so does the caption.
  f.Form.OnCaptionPaint = nullptr;
  size_t failures = capture.Messages.size();
  CaptureFrame(f.Form.Handle(), shot);
  EXPECT_EQ(capture.Messages.size(), failures);
  RECT cr = f.Form.CaptionRect();
  EXPECT_TRUE(Near(shot.Pixel(cr.left, cr.top), RGB(0, 0, 0), 8));
}
