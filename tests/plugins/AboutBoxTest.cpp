// The about box: its texts, its layout from the real label widths, the link and its pixels.
#include <gtest/gtest.h>
#include "AboutCodeD2.h"
#include "Dialogs.h"
#include "MainCodeD2.h"
#include "Messages.h"
#include "TestCapture.h"

namespace {

RECT ScreenRect(TControl& c) {
  POINT tl = c.ClientToScreen({0, 0});
  return {tl.x, tl.y, tl.x + c.Width(), tl.y + c.Height()};
}

TEST(AboutBox, TextsAndLayoutFollowTheLabels) {
  Application->SetTitle("Tonalbrook");
  TAboutBoxD2 box(nullptr);
  EXPECT_EQ(box.Caption(), "About Tonalbrook v3.7.1 (tm)");
  EXPECT_EQ(box.Version->Caption(), "Tonalbrook v3.7.1");
  EXPECT_EQ(box.OKButton->Caption(), "Close");
  EXPECT_EQ(box.HelpContext(), 1200);
  EXPECT_EQ(box.Panel1->HelpContext(), 1201);
  EXPECT_EQ(box.OKButton->HelpContext(), 1202);
  EXPECT_EQ(box.Label4->Cursor(), 6);

  int icon = box.Image2->Picture().Width();
  EXPECT_EQ(icon, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(box.Panel2->Width(), icon + 4);
  EXPECT_EQ(box.Image2->Left(), 2);
  EXPECT_EQ(box.Image2->Top(), 2);
  // At least the wider of icon panel + 8, version + 20 and link + 20 (the link must not be cut);
  // the caption may want more (below).
  int versionWidth = box.Version->Width(), linkWidth = box.Label4->Width();
  EXPECT_GT(versionWidth, 40);
  int wanted = box.Panel1->Width();
  EXPECT_GE(wanted, std::max({icon + 4 + 8, versionWidth + 20, linkWidth + 20}));
  EXPECT_EQ(box.ClientWidth(), wanted + 8);
  for (TControl* c : {static_cast<TControl*>(box.Panel2), static_cast<TControl*>(box.Version),
                      static_cast<TControl*>(box.Label4)})
    EXPECT_NEAR(c->Left() + c->Width() / 2.0, wanted / 2.0, 1.0) << c->Name();
  EXPECT_EQ(box.Version->Top(), box.Panel2->Top() + box.Panel2->Height() + 6);
  EXPECT_GT(box.Label4->Top(), box.Version->Top() + box.Version->Height() - 1);
  EXPECT_GE(box.Panel1->Height(), box.Label4->Top() + box.Label4->Height());
  EXPECT_GE(box.ClientHeight(), box.OKButton->Top() + box.OKButton->Height());

  std::vector<std::string> opened;
  box.OpenWebPage = [&](const std::string& url) {
    opened.push_back(url);
    return intptr_t{42};
  };
  box.Label4->Click();
  EXPECT_EQ(opened, std::vector<std::string>{TAboutBoxD2::ProductPage});
}

TEST(AboutBox, ShowsTheIconAndABlueUnderlinedLink) {
  TAboutBoxD2 box(nullptr);
  box.Show();
  ProcessMessages();
  TBitmap shot;
  CaptureControl(*box.Panel1, shot);
  // Icon: something other than the panel's face inside the icon's square.
  TColor face = shot.Pixel(2, 2);
  int iconPixels = 0;
  int x0 = box.Panel2->Left() + 2, y0 = box.Panel2->Top() + 2;
  for (int y = 0; y < box.Image2->Height(); ++y)
    for (int x = 0; x < box.Image2->Width(); ++x)
      iconPixels += shot.Pixel(x0 + x, y0 + y) != face;
  EXPECT_GT(iconPixels, 100);
  // Link: blue pixels, and an underline row that is blue across most of the text.
  int bestRow = 0;
  for (int y = box.Label4->Top(); y < box.Label4->Top() + box.Label4->Height(); ++y) {
    int blue = 0;
    for (int x = box.Label4->Left(); x < box.Label4->Left() + box.Label4->Width(); ++x)
      blue += shot.Pixel(x, y) == clBlue;
    bestRow = std::max(bestRow, blue);
  }
  EXPECT_GT(bestRow, box.Label4->Width() * 8 / 10);
  // The hand comes up over the link.
  Screen->SetCursors(6, LoadCursorA(nullptr, IDC_HAND)); // as the main window registers it
  RECT link = ScreenRect(*box.Label4);
  SetCursorPos((link.left + link.right) / 2, (link.top + link.bottom) / 2);
  HWND panel = box.Panel1->Handle();
  SendMessageA(panel, WM_SETCURSOR, reinterpret_cast<WPARAM>(panel),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), Screen->Cursors(6));
  box.Hide();
}

// The caption's width in the system's caption font, measured apart from the box.
int CaptionTextWidth(const std::string& text) {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof(ncm);
  EXPECT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0));
  HFONT font = CreateFontIndirectA(&ncm.lfCaptionFont);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return size.cx;
}

TEST(AboutBox, TheTitleBarShowsTheWholeCaption) {
  Application->SetTitle("Tonalbrook");
  TAboutBoxD2 box(nullptr);
  box.Show();
  ProcessMessages();
  RECT window{}, client{};
  GetWindowRect(box.Handle(), &window);
  GetClientRect(box.Handle(), &client);
  // Room for the text: the window less its frame, the close button and the text's margins.
  int frame = (window.right - window.left) - client.right;
  int room = (window.right - window.left) - frame - GetSystemMetrics(SM_CXSIZE) - 2 * 4;
  EXPECT_GE(room, CaptionTextWidth("About Tonalbrook v3.7.1 (tm)"));
  // Everything inside stays centred in the wider box.
  for (TControl* c : {static_cast<TControl*>(box.Panel2), static_cast<TControl*>(box.Version),
                      static_cast<TControl*>(box.Label4)})
    EXPECT_NEAR(c->Left() + c->Width() / 2.0, box.Panel1->Width() / 2.0, 1.0) << c->Name();
  EXPECT_NEAR(box.OKButton->Left() + box.OKButton->Width() / 2.0, client.right / 2.0, 1.0);
  box.Hide();
}

TEST(AboutBox, TheMainWindowMakesItCentredModalAndFreesIt) {
  TModalAnswers answers;
  TForm owner(nullptr);
  owner.SetBounds(100, 80, 600, 400);
  RECT boxRect{};
  TForm* seen = nullptr;
  answers.Push([&](TModalRequest& r) {
    seen = r.Form;
    boxRect = r.Form->BoundsRect();
    EXPECT_EQ(r.Caption, "About Tonalbrook v3.7.1 (tm)");
    return mrOk;
  });
  ShowAboutBox(&owner);
  ASSERT_NE(seen, nullptr);
  EXPECT_NEAR((boxRect.left + boxRect.right) / 2.0, 400, 1.0);
  EXPECT_NEAR((boxRect.top + boxRect.bottom) / 2.0, 280, 1.0);
  for (int i = 0; i < Screen->FormCount(); ++i)
    EXPECT_NE(Screen->Forms(i), seen);
}

} // namespace
