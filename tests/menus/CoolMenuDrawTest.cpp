// Bitmap menus measured and drawn through the form's window into a memory bitmap, and one real
// pop-up captured from the screen.
#include <gtest/gtest.h>
#include "BoundaryCapture.h"
#include "CoolMenu.h"
#include "Messages.h"

namespace {

// Text extents in the system's menu font, measured here by GDI directly.
SIZE MenuTextSize(const std::string& text) {
  NONCLIENTMETRICSA m{};
  m.cbSize = sizeof(m);
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0);
  HFONT font = CreateFontIndirectA(&m.lfMenuFont);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE s{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &s);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return s;
}

TColor Rgb(TColor c) {
  return static_cast<TColor>(ColorToRGB(c));
}

struct TBox {
  int Left = 10000, Top = 10000, Right = -1, Bottom = -1;
  bool Empty() const { return Right < 0; }
};

// Where pixels of one colour lie inside an area.
TBox BoxOf(TBitmap& b, TColor color, int x0, int y0, int x1, int y1) {
  TBox box;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (b.Pixel(x, y) == color) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x);
        box.Bottom = std::max(box.Bottom, y);
      }
  return box;
}

int Count(TBitmap& b, TColor color, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      n += b.Pixel(x, y) == color;
  return n;
}

void FillBitmap(TBitmap& b, int w, int h, TColor c) {
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.ScanLine(y)[x] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

class CoolMenuDraw : public testing::Test {
protected:
  TForm FForm{nullptr};
  TMainMenu* FMain = nullptr;
  TMenuItem *FFile, *FOpen, *FLine, *FSaveAs, *FTick, *FDot;
  TCoolMenu* FCool = nullptr;

  TMenuItem* Add(TMenuItem* parent, const std::string& caption) {
    auto* m = new TMenuItem(&FForm);
    m->SetCaption(caption);
    parent->Add(m);
    return m;
  }
  void SetUp() override {
    FMain = new TMainMenu(&FForm);
    FFile = Add(&FMain->Items(), "&File");
    FOpen = Add(FFile, "&Open");
    FOpen->SetShortCut(TextToShortCut("Ctrl+O"));
    FLine = Add(FFile, "-");
    FSaveAs = Add(FFile, "Save &as...");
    FSaveAs->SetShortCut(TextToShortCut("Ctrl+Shift+S"));
    FTick = Add(FFile, "&Loop");
    FDot = Add(FFile, "&Radio");
    FDot->SetRadioItem(true);
    FForm.SetMenu(FMain);
    FCool = new TCoolMenu(&FForm);
    for (TMenuItem* mi : {FOpen, FLine, FSaveAs, FTick, FDot})
      FCool->AddItem(mi);
    // Lime pictures whose corner pixels are the transparent fuchsia.
    for (int i : {0, 2, 3, 4}) {
      TBitmap b;
      FillBitmap(b, 16, 16, clLime);
      b.ScanLine(0)[0] = 0xFF00FF;
      b.ScanLine(15)[0] = 0xFF00FF;
      FCool->Items(i)->Picture().Assign(b);
      FCool->Items(i)->SetTrColor(clFuchsia);
    }
  }
  MEASUREITEMSTRUCT Measure(TMenuItem* mi) {
    MEASUREITEMSTRUCT m{};
    m.CtlType = ODT_MENU;
    m.itemID = mi->Command();
    m.itemData = reinterpret_cast<ULONG_PTR>(mi);
    m.itemHeight = 999;
    SendMessageA(FForm.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m));
    return m;
  }
  void MeasureAll() {
    for (TMenuItem* mi : {FOpen, FLine, FSaveAs, FTick, FDot})
      Measure(mi);
  }
  void Draw(TMenuItem* mi, TBitmap& b, bool selected, int width = 220, int height = 20) {
    FillBitmap(b, width, height, clWhite);
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_MENU;
    d.itemID = mi->Command();
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = selected ? ODS_SELECTED : 0;
    d.hDC = b.Canvas().Handle();
    d.rcItem = {0, 0, width, height};
    d.itemData = reinterpret_cast<ULONG_PTR>(mi);
    SendMessageA(FForm.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
    GdiFlush();
  }
  UINT EntryType(TMenuItem* mi) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(FFile->Handle(), mi->Command(), FALSE, &info);
    return info.fType;
  }
};

TEST_F(CoolMenuDraw, MeasuringGivesHeightsWidthsAndTheShortcutColumn) {
  const int H = 5, P = 16, C = LOWORD(GetMenuCheckMarkDimensions());
  MEASUREITEMSTRUCT open = Measure(FOpen);
  EXPECT_EQ(open.itemHeight, 20u);
  EXPECT_EQ(static_cast<int>(open.itemWidth),
            MenuTextSize("Open").cx + P + H + MenuTextSize("Ctrl+O").cx + H);
  EXPECT_EQ(Measure(FLine).itemHeight, static_cast<UINT>(MenuTextSize("-").cy));
  MEASUREITEMSTRUCT save = Measure(FSaveAs);
  EXPECT_EQ(save.itemHeight, 20u);
  int widest = std::max(MenuTextSize("Open").cx, MenuTextSize("Save as...").cx);
  int shortcut = std::max(MenuTextSize("Ctrl+O").cx, MenuTextSize("Ctrl+Shift+S").cx);
  EXPECT_EQ(static_cast<int>(save.itemWidth), widest + P + H + shortcut + H);
  EXPECT_EQ(FCool->ShortcutColumn(), shortcut);
  EXPECT_EQ(FCool->Items(2)->Layout().ItemWidth, widest + P + H + shortcut + H + C);
  // Caption above the picture: two pictures high.
  FCool->Items(3)->SetTextAlign(1);
  EXPECT_EQ(Measure(FTick).itemHeight, 2u * 16 + 3 * 2);
}

TEST_F(CoolMenuDraw, PictureCaptionShortcutAndSelection) {
  MeasureAll();
  TBitmap b;
  Draw(FOpen, b, false);
  TColor menu = Rgb(clMenu);
  // The picture: 16 x 16 at HSpace, its transparent corners showing the item's colour.
  TBox lime = BoxOf(b, clLime, 0, 0, 220, 20);
  EXPECT_EQ(lime.Left, 5);
  EXPECT_EQ(lime.Top, 2);
  EXPECT_EQ(lime.Right, 20);
  EXPECT_EQ(lime.Bottom, 17);
  EXPECT_EQ(b.Pixel(5, 2), menu);
  EXPECT_EQ(b.Pixel(5, 17), menu);
  EXPECT_EQ(b.Pixel(200, 1), menu);
  // The caption starts HSpace right of the picture; the short cut ends a check width early.
  TColor text = Rgb(clWindowText);
  TBox caption = BoxOf(b, text, 21, 0, 120, 20);
  ASSERT_FALSE(caption.Empty());
  EXPECT_GE(caption.Left, 26);
  EXPECT_LE(caption.Left, 28);
  const int C = LOWORD(GetMenuCheckMarkDimensions());
  TBox cut = BoxOf(b, text, 120, 0, 220, 20);
  ASSERT_FALSE(cut.Empty());
  EXPECT_GE(cut.Left, 220 - FCool->ShortcutColumn() - C);
  EXPECT_LE(cut.Right, 220 - C);

  Draw(FOpen, b, true);
  EXPECT_EQ(b.Pixel(200, 1), Rgb(clHighlight));
  EXPECT_GT(Count(b, Rgb(clHighlightText), 26, 0, 120, 20), 5);
  EXPECT_EQ(b.Pixel(12, 10), clLime);
}

TEST_F(CoolMenuDraw, DisabledItemsAreEmbossedAndMarksReplacePictures) {
  MeasureAll();
  TBitmap b;
  FOpen->SetEnabled(false);
  Draw(FOpen, b, false);
  // Embossed: highlight and shadow in both the picture and the caption, no lime.
  EXPECT_EQ(Count(b, clLime, 0, 0, 220, 20), 0);
  EXPECT_GT(Count(b, Rgb(clBtnHighlight), 5, 2, 22, 19), 10);
  EXPECT_GT(Count(b, Rgb(clBtnShadow), 5, 2, 22, 19), 10);
  EXPECT_GT(Count(b, Rgb(clBtnHighlight), 26, 0, 120, 20), 3);
  EXPECT_GT(Count(b, Rgb(clBtnShadow), 26, 0, 120, 20), 3);

  FTick->SetChecked(true);
  Draw(FTick, b, false);
  EXPECT_EQ(Count(b, clLime, 0, 0, 220, 20), 0);
  EXPECT_EQ(b.Pixel(5 + 12, 2 + 3), clBlack); // the tick's top right
  FDot->SetChecked(true);
  Draw(FDot, b, false);
  EXPECT_EQ(b.Pixel(5 + 8, 2 + 8), clBlack); // the dot's middle
  EXPECT_EQ(b.Pixel(5 + 12, 2 + 3), Rgb(clMenu));
  FTick->SetChecked(false);
  Draw(FTick, b, false);
  EXPECT_EQ(BoxOf(b, clLime, 0, 0, 220, 20).Left, 5);

  // Disabled, checked and without pictures: no mark at all.
  FCool->Items(3)->Picture().Clear();
  FTick->SetChecked(true);
  FTick->SetEnabled(false);
  Draw(FTick, b, false);
  EXPECT_EQ(Count(b, Rgb(clMenu), 5, 2, 21, 18), 16 * 16);
}

TEST_F(CoolMenuDraw, SeparatorsShadowsWallpaperAndSideBar) {
  MeasureAll();
  TBitmap b;
  int lineHeight = FCool->Items(1)->Layout().ItemHeight;
  Draw(FLine, b, false, 220, lineHeight);
  EXPECT_EQ(b.Pixel(100, lineHeight / 2), static_cast<TColor>(0x808080));
  EXPECT_EQ(b.Pixel(100, lineHeight / 2 + 1), Rgb(clBtnHighlight));
  FCool->Items(1)->SetSeparatorText("Group");
  Draw(FLine, b, false, 220, lineHeight);
  EXPECT_GT(Count(b, Rgb(clWindowText), 0, 0, 100, lineHeight), 5);

  // Shadows: red shadow and black text, two pixels apart in each of the four ways.
  TCoolMenuItem& save = *FCool->Items(2);
  save.Font().SetColor(clBlack);
  save.Shadow().Active = true;
  save.Shadow().ShadowColor = clRed;
  save.Shadow().ShadowSize = 2;
  struct {
    TShadowPosition Pos;
    int Dx, Dy; // text minus shadow
  } cases[] = {
      {spLeftTop, 2, 2}, {spRightBottom, -2, -2}, {spLeftBottom, 2, -2}, {spRightTop, -2, 2}};
  for (auto c : cases) {
    save.Shadow().ShadowPos = c.Pos;
    Draw(FSaveAs, b, false);
    TBox red = BoxOf(b, clRed, 22, 0, 120, 20), black = BoxOf(b, clBlack, 22, 0, 120, 20);
    ASSERT_FALSE(red.Empty());
    EXPECT_EQ(black.Left - red.Left, c.Dx) << c.Pos;
    EXPECT_EQ(black.Top - red.Top, c.Dy) << c.Pos;
  }

  // Tiled wallpaper from the item's left edge.
  FillBitmap(FCool->Wallpaper(), 8, 8, clBlue);
  FCool->Wallpaper().ScanLine(0)[0] = 0xFF0000; // red
  TCoolMenuItem& loop = *FCool->Items(3);
  TMenuOptions options = loop.Options();
  options.Include(omPaintWallpaper);
  loop.SetOptions(options);
  Draw(FTick, b, false);
  EXPECT_EQ(b.Pixel(160, 0), clRed);
  EXPECT_EQ(b.Pixel(168, 8), clRed);
  EXPECT_EQ(b.Pixel(200, 16), clRed);
  EXPECT_EQ(b.Pixel(161, 0), clBlue);

  // Side bar: 32 bands, band 0 (the start colour) at the bottom.
  FCool->MenuBar().SetIsGradient(true);
  FCool->MenuBar().SetCaption("Tonal");
  FCool->SetShowBar(true);
  TBitmap& bar = FCool->BarBitmap();
  int h = bar.Height(), w = bar.Width();
  ASSERT_GT(h, 32);
  EXPECT_EQ(bar.Pixel(0, h - 1), clBlack);
  EXPECT_EQ(bar.Pixel(0, 0), static_cast<TColor>(247 << 16)); // 0 + MulDiv(31, 255, 32)
  EXPECT_EQ(bar.Pixel(0, MulDiv(15, h, 32)), static_cast<TColor>(128 << 16));
  EXPECT_EQ(bar.Pixel(0, MulDiv(15, h, 32) - 1), static_cast<TColor>(135 << 16)); // band 17
  EXPECT_EQ(bar.Pixel(w - 4, 5), static_cast<TColor>(0x808080));
  EXPECT_EQ(bar.Pixel(w - 3, 5), Rgb(clBtnHighlight));
  // An item that draws the bar moves its picture right by the bar's width.
  TCoolMenuItem& open = *FCool->Items(0);
  options = open.Options();
  options.Include(omDrawBarIfNeeded);
  open.SetOptions(options);
  MeasureAll();
  Draw(FOpen, b, false);
  EXPECT_EQ(BoxOf(b, clLime, 0, 0, 220, 20).Left, w + 5);
}

TEST_F(CoolMenuDraw, RestoreAndInactiveLeavePlainTextItems) {
  FMain->Handle();
  EXPECT_TRUE(EntryType(FOpen) & MFT_OWNERDRAW);
  // Enabling and caption changes keep the entry owner-drawn.
  FOpen->SetEnabled(false);
  FOpen->SetEnabled(true);
  FOpen->SetCaption("&Open...");
  FSaveAs->SetVisible(false);
  FSaveAs->SetVisible(true);
  EXPECT_TRUE(EntryType(FOpen) & MFT_OWNERDRAW);
  EXPECT_TRUE(EntryType(FSaveAs) & MFT_OWNERDRAW);

  FCool->Refresh(FCool, RA_RESTORE);
  EXPECT_FALSE(EntryType(FOpen) & MFT_OWNERDRAW);
  char text[64] = {};
  GetMenuStringA(FFile->Handle(), FOpen->Command(), text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "&Open...\tCtrl+O");

  FCool->Refresh(FCool, RA_REFRESH);
  EXPECT_TRUE(EntryType(FOpen) & MFT_OWNERDRAW);
  FCool->SetActive(false);
  EXPECT_FALSE(EntryType(FOpen) & MFT_OWNERDRAW);
  EXPECT_EQ(Measure(FOpen).itemHeight, 999u);
  FCool->SetActive(true);
  EXPECT_EQ(Measure(FOpen).itemHeight, 20u);
  // Gone, it leaves plain entries the system can draw.
  delete FCool;
  FCool = nullptr;
  EXPECT_FALSE(EntryType(FOpen) & MFT_OWNERDRAW);
  EXPECT_FALSE(FOpen->OwnerDraw());
}

TEST_F(CoolMenuDraw, DrawingFaultsReachTheHandlerAndBadIndexesAreRefused) {
  MeasureAll();
  TBitmap b;
  {
    TBoundaryCapture capture;
    TCoolMenuItem& open = *FCool->Items(0);
    open.SetTextAlign(1);
    TMenuOptions options = open.Options();
    options.Include(omNoHighlightImage);
    open.SetOptions(options);
    Draw(FOpen, b, false);
    ASSERT_EQ(capture.Messages.size(), 1u);
    EXPECT_EQ(capture.Messages[0], "Advanced features available only for horizontal aligned items");

    HDC meta = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    Rectangle(meta, 0, 0, 16, 16);
    TCoolMenuItem& save = *FCool->Items(2);
    save.Picture().Metafile().SetHandle(CloseEnhMetaFile(meta));
    FSaveAs->SetEnabled(false);
    Draw(FSaveAs, b, false);
    ASSERT_EQ(capture.Messages.size(), 2u);
    EXPECT_EQ(capture.Messages[1], "Metafile can't be attached to disabled menu item");
  }
  TImageList images(&FForm);
  TBitmap red, blue;
  FillBitmap(red, 16, 16, clRed);
  FillBitmap(blue, 16, 16, clBlue);
  images.Add(red);
  images.Add(blue);
  FCool->SetImages(&images);
  TCoolMenuItem& loop = *FCool->Items(3);
  loop.SetImageIndex(1);
  ASSERT_TRUE(loop.Picture().Graphic());
  EXPECT_EQ(loop.Picture().Bitmap().Pixel(8, 8), clBlue);
  for (int bad : {-1, 2}) {
    try {
      loop.SetImageIndex(bad);
      ADD_FAILURE() << bad << " accepted";
    } catch (const ECoolMenuError& e) {
      EXPECT_STREQ(e.what(), "Index out of bounds");
    }
    EXPECT_EQ(loop.ImageIndex(), 1);
    EXPECT_EQ(loop.Picture().Bitmap().Pixel(8, 8), clBlue);
  }
}

// --- one real pop-up --------------------------------------------------------------------------

TBitmap* gShot = nullptr;
bool gShotTaken = false;

void CALLBACK CapturePopup(HWND, UINT, UINT_PTR id, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (popup && IsWindowVisible(popup)) {
    RECT r;
    GetWindowRect(popup, &r);
    gShot->SetSize(r.right - r.left, r.bottom - r.top);
    HDC dc = GetWindowDC(popup);
    BitBlt(gShot->Canvas().Handle(), 0, 0, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
    ReleaseDC(popup, dc);
    GdiFlush();
    gShotTaken = true;
  }
  KillTimer(nullptr, id);
  EndMenu();
}

TEST(CoolMenuPopup, ARealPopupShowsPicturesTwentyPixelsApart) {
  TForm form(nullptr);
  form.SetBounds(50, 50, 300, 200);
  form.Show();
  ProcessMessages();
  TPopupMenu popup(&form);
  TCoolMenu cool(&form);
  for (const char* caption : {"&One", "&Two"}) {
    auto* mi = new TMenuItem(&form);
    mi->SetCaption(caption);
    popup.Items().Add(mi);
    TCoolMenuItem* item = cool.AddItem(mi);
    TBitmap b;
    FillBitmap(b, 16, 16, clLime);
    item->Picture().Assign(b);
  }
  std::vector<int> popups, measured;
  cool.OnPopup = [&](TObject*, int menu, int) { popups.push_back(menu); };
  cool.OnMeasure = [&](TObject*, int, int item) { measured.push_back(item); };
  // An accelerator typed while the pop-up is open picks the owner-drawn item that carries it.
  EXPECT_EQ(SendMessageA(form.Handle(), WM_MENUCHAR, MAKEWPARAM('t', MF_POPUP),
                         reinterpret_cast<LPARAM>(popup.Handle())),
            MAKELRESULT(1, MNC_EXECUTE));
  EXPECT_EQ(SendMessageA(form.Handle(), WM_MENUCHAR, MAKEWPARAM('O', MF_POPUP),
                         reinterpret_cast<LPARAM>(popup.Handle())),
            MAKELRESULT(0, MNC_EXECUTE));
  TBitmap shot;
  gShot = &shot;
  gShotTaken = false;
  SetForegroundWindow(form.Handle());
  SetTimer(nullptr, 0, 400, CapturePopup);
  TrackPopupMenu(popup.Handle(), TPM_LEFTALIGN | TPM_RETURNCMD, 100, 100, 0, form.Handle(),
                 nullptr);
  ProcessMessages();
  ASSERT_TRUE(gShotTaken);
  TBox lime = BoxOf(shot, clLime, 0, 0, shot.Width(), shot.Height());
  ASSERT_FALSE(lime.Empty());
  EXPECT_EQ(lime.Right - lime.Left + 1, 16);
  EXPECT_EQ(lime.Bottom - lime.Top + 1, 16 + 20); // two pictures, one item apart
  EXPECT_EQ(Count(shot, clLime, 0, 0, shot.Width(), shot.Height()), 2 * 16 * 16);
  EXPECT_GE(lime.Left, 5);
  EXPECT_LE(lime.Left, 5 + 4); // HSpace inside the pop-up's frame
  EXPECT_EQ(popups, std::vector<int>{static_cast<int>(reinterpret_cast<intptr_t>(popup.Handle()))});
  EXPECT_EQ(measured.size(), 2u);
  gShot = nullptr;
}

} // namespace
