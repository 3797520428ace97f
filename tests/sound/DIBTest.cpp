// The DIB canvas and its pixel routines: whole DIB memory (padding included) against the Python
// oracle at 8 and 24 bits on an odd width, the canvas rules, and the control on screen.
#include <gtest/gtest.h>
#include "MMDIB.h"
#include "Messages.h"
#include "MMObj.h"
#include "TestCapture.h"
#include "TestUtil.h"
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::vector<uint8_t> Hex(const std::string& s) {
  std::vector<uint8_t> v;
  for (size_t i = 0; i + 1 < s.size(); i += 2)
    v.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
  return v;
}

void RunOp(TMMDIBCanvas& c, const std::string& line) {
  std::istringstream in(line);
  std::string op;
  in >> op;
  long long a[7] = {};
  if (op == "column") {
    std::string bytes;
    in >> a[0] >> a[1] >> bytes;
    std::vector<uint8_t> v = Hex(bytes);
    DIB_VLineIndices(int(a[0]), int(a[1]), v.data(), int(v.size()), c);
    return;
  }
  for (int i = 0; i < 7 && (in >> a[i]); ++i) {
  }
  auto I = [&](int i) { return static_cast<int>(a[i]); };
  if (op == "color")
    c.SetRawColor(static_cast<uint32_t>(a[0]));
  else if (op == "clear")
    DIB_Clear(c);
  else if (op == "pixel")
    DIB_SetPixel(I(0), I(1), static_cast<uint32_t>(a[2]), c);
  else if (op == "move")
    DIB_MoveTo(I(0), I(1), c);
  else if (op == "lineto")
    DIB_LineTo(I(0), I(1), c);
  else if (op == "hline")
    DIB_HLine(I(0), I(1), I(2), c);
  else if (op == "dash")
    DIB_HLineDashed(I(0), I(1), I(2), c);
  else if (op == "hdot")
    DIB_HLineDotted(I(0), I(1), I(2), I(3), c);
  else if (op == "vline")
    DIB_VLine(I(0), I(1), I(2), c);
  else if (op == "vdot")
    DIB_VLineDotted(I(0), I(1), I(2), I(3), c);
  else if (op == "rect")
    DIB_FillRect({I(0), I(1), I(2), I(3)}, c);
  else if (op == "rectdot")
    DIB_FillRectEx({I(0), I(1), I(2), I(3)}, true, c);
  else if (op == "copy")
    DIB_CopyRect(c.Bits(), I(0), I(1), I(2), I(3), I(4), I(5), c);
  else if (op == "ellipse")
    DIB_FillEllipse(I(0), I(1), I(2), I(3), c);
  else
    ADD_FAILURE() << "unknown operation " << line;
}

COLORREF ScreenPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

} // namespace

TEST(DIBCanvas, RoutinesMatchTheOracleByteForByte) {
  std::ifstream in(OracleDir("dib_pixels") + "cases.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int cases = 0;
  std::unique_ptr<TMMDIBCanvas> c;
  std::vector<std::string> ops;
  while (std::getline(in, line)) {
    if (line.rfind("case ", 0) == 0) {
      int bpp, w, h;
      std::istringstream(line.substr(5)) >> bpp >> w >> h;
      c = std::make_unique<TMMDIBCanvas>();
      c->SetBitsPerPixel(bpp);
      c->SetBounds(0, 0, w, h);
      c->BeginDraw();
      ops.clear();
    } else if (line.rfind("expect ", 0) == 0) {
      std::vector<uint8_t> want = Hex(line.substr(7));
      ASSERT_EQ(static_cast<int>(want.size()), c->RowLength() * c->Height());
      bool same = std::memcmp(c->Bits(), want.data(), want.size()) == 0;
      if (!same) {
        std::string list;
        for (auto& o : ops)
          list += o + "; ";
        ADD_FAILURE() << "case " << cases << " (" << c->BitsPerPixel() << " bits): " << list;
      }
      c->EndDraw();
      ++cases;
    } else {
      ops.push_back(line);
      RunOp(*c, line);
    }
  }
  EXPECT_EQ(cases, 222);
}

TEST(DIBCanvas, RoutinesDrawOnlyOnTheirCanvasWhileItDraws) {
  TMMDIBCanvas a, b;
  a.SetBounds(0, 0, 9, 5);
  b.SetBounds(0, 0, 9, 5);
  a.SetRawColor(7);
  DIB_FillRect({0, 0, 9, 5}, a); // not drawing: nothing, not even a crash without a DIB
  a.BeginDraw();
  b.BeginDraw();
  b.EndDraw();
  b.SetRawColor(9);
  DIB_HLine(0, 9, 0, b); // b's phase is over
  DIB_SetPixel(1, 1, 9, b);
  DIB_HLine(0, 9, 2, a);
  a.EndDraw();
  DIB_HLine(0, 9, 3, a);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(a.Bits()[(4 - y) * 12 + x], y == 2 ? 7 : 0) << x << "," << y;
      EXPECT_EQ(b.Bits()[(4 - y) * 12 + x], 0) << x << "," << y;
    }
}

TEST(DIBCanvas, SettingsAndTheirRefusals) {
  TMMDIBCanvas c;
  try {
    c.SetBitsPerPixel(16);
    ADD_FAILURE() << "16 bits taken";
  } catch (const EMMDIBError& e) {
    EXPECT_EQ(e.Message(), "Bitlength not supported yet");
  }
  EXPECT_EQ(c.BitsPerPixel(), 8);
  EXPECT_THROW(c.SetAnimatedColors(237), EMMDIBError);
  EXPECT_THROW(c.SetAnimatedColors(-1), EMMDIBError);
  c.SetAnimatedColors(3);
  c.SetBounds(0, 0, 20, 10);
  c.BeginDraw();
  EXPECT_EQ(c.FirstAnimatedEntry(), 244);
  // Black is held by entry 0 and by the black middle entries: the first free values follow.
  ASSERT_EQ(c.AnimatedColorValues().size(), 3u);
  EXPECT_EQ(c.AnimatedColorValues()[0], 1u);
  EXPECT_EQ(c.AnimatedColorValues()[1], 2u);
  try {
    c.SetBitsPerPixel(24);
    c.Handle(); // a new DIB while drawing is refused
    ADD_FAILURE() << "rebuilt while drawing";
  } catch (const EMMDIBError& e) {
    EXPECT_EQ(e.Message(), "Attempt to create new DIB while initialized for drawing");
  }
  c.EndDraw();
  c.SetBounds(0, 0, 31, 7);
  c.BeginDraw();
  EXPECT_EQ(c.RowLength(), 96);
  EXPECT_EQ(c.State().Width, 31);
  c.EndDraw();
  // The nearest palette entry of pure red is the static red.
  c.SetBitsPerPixel(8);
  EXPECT_EQ(c.NearestIndex(clRed), 249u);
}

TEST(DIBControl, BackgroundAndDirectDrawingOnScreen) {
  RegisterMMDIBClasses();
  TForm form(nullptr);
  form.SetBounds(40, 40, 200, 120);
  form.SetColor(clWhite);
  auto* d = new TMMDIBGraphicControl(&form);
  d->SetBounds(20, 10, 61, 40);
  d->SetParent(&form);
  d->SetColor(clBlue);
  form.Show();
  ProcessMessages();
  EXPECT_EQ(d->DIBCanvas().Width(), 61);
  d->SetUseBackGroundDIB(true); // an empty picture: the background stays off
  EXPECT_FALSE(d->BackgroundInUse());

  // The control's paint copies the DIB.
  d->SetBitsPerPixel(24);
  d->DIBCanvas().BeginDraw();
  d->ClearBackground();
  d->DIBCanvas().EndDraw();
  TBitmap shot;
  CaptureWindow(form.Handle(), shot);
  EXPECT_EQ(ColorToRGB(shot.Pixel(20, 10)), ColorToRGB(clBlue));
  EXPECT_EQ(ColorToRGB(shot.Pixel(80, 49)), ColorToRGB(clBlue));
  EXPECT_EQ(ColorToRGB(shot.Pixel(81, 30)), ColorToRGB(clWhite));

  // Drawn straight to the screen: a red square, and an attempt to paint past the control's
  // edges that the clipping keeps inside it.
  d->DIBCanvas().BeginDraw();
  d->DIBCanvas().SetColor(clRed);
  DIB_FillRect({5, 5, 15, 15}, d->DIBCanvas());
  d->DIBCanvas().EndDraw();
  d->DrawDirect([&] {
    d->DIBCanvas().DrawTo(d->Canvas().Handle(), {0, 0, 61, 40}, 0, 0);
    d->Canvas().Brush().SetColor(clLime);
    d->Canvas().FillRect({-30, 38, 100, 60});
  });
  HWND w = form.Handle();
  EXPECT_EQ(ScreenPixel(w, 30, 20), ColorToRGB(clRed));
  EXPECT_EQ(ScreenPixel(w, 45, 30), ColorToRGB(clBlue));
  EXPECT_EQ(ScreenPixel(w, 21, 48), ColorToRGB(clLime));
  EXPECT_EQ(ScreenPixel(w, 19, 48), ColorToRGB(clWhite)); // left of the control
  EXPECT_EQ(ScreenPixel(w, 40, 50), ColorToRGB(clWhite)); // below it
  // A repaint shows the DIB again, from its bitmap.
  CaptureWindow(form.Handle(), shot);
  EXPECT_EQ(ColorToRGB(shot.Pixel(30, 20)), ColorToRGB(clRed));
  EXPECT_EQ(ColorToRGB(shot.Pixel(21, 48)), ColorToRGB(clBlue));

  // A picture as background: ClearBackground copies it.
  d->BackGroundDIB().SetSize(2, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      d->BackGroundDIB().ScanLine(y)[x] = 0x00FFFF00; // yellow, as 0x00RRGGBB
  d->SetUseBackGroundDIB(false);
  d->SetUseBackGroundDIB(true);
  EXPECT_TRUE(d->BackgroundInUse());
  d->DIBCanvas().BeginDraw();
  ASSERT_TRUE(d->DIBCanvas().HasBackgroundBits());
  d->DIBCanvas().SetColor(clBlack);
  DIB_Clear(d->DIBCanvas());
  d->ClearBackground();
  const uint8_t* p = d->DIBCanvas().Bits();
  EXPECT_EQ(p[0], 0x00); // blue
  EXPECT_EQ(p[1], 0xFF); // green
  EXPECT_EQ(p[2], 0xFF); // red
  d->DIBCanvas().EndDraw();
}
