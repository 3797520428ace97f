// The extended page control under real window messages: tab to page mapping, disabled pages,
// captured tab colours on every side, hot tracking, tab hints, glyphs and a failing tab draw.
#include <gtest/gtest.h>
#include <windows.h>
#include "ExtPage.h"
#include "Forms.h"
#include "Messages.h"
#include "BoundaryCapture.h"
#include "TestCapture.h"

namespace {

constexpr TColor kActive = 0x30C0F0; // a colour no system part uses

struct TPageFixture {
  TForm Form{nullptr};
  TExtPageControl* Pages;
  TTabSheet* Sheet[3];
  explicit TPageFixture(TExtTabPosition side = tabPosTop) {
    Form.SetBounds(50, 50, 420, 300);
    Pages = new TExtPageControl(&Form);
    Pages->BeginLoading();
    Pages->SetName("Tabs");
    Pages->SetHint("designed|Designed hint");
    Pages->SetBounds(8, 8, 380, 240);
    Pages->SetParent(&Form);
    const char* captions[] = {"&Alpha", "&Beta", "&Gamma"};
    for (int i = 0; i < 3; ++i) {
      Sheet[i] = new TTabSheet(&Form);
      Sheet[i]->SetCaption(captions[i]);
      Sheet[i]->SetPageControl(Pages);
    }
    Pages->SetTabWidth(80);
    Pages->SetTabHeight(24);
    Pages->SetTabPosition(side);
    Pages->SetTabActiveColor(kActive);
    Pages->EndLoading();
    Form.Show();
    ProcessMessages();
  }
  POINT TabCentre(int tab) {
    RECT r = Pages->TabRect(tab);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void ClickTab(int tab) {
    POINT p = TabCentre(tab);
    HWND w = Pages->Handle();
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    ProcessMessages();
  }
  void MoveTo(POINT p) {
    SendMessageA(Pages->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    ProcessMessages();
  }
  // A place of the tab clear of its caption.
  TColor TabFill(TBitmap& shot, int tab) {
    RECT r = Pages->TabRect(tab);
    return shot.Pixel(r.right - 7, (r.top + r.bottom) / 2);
  }
  int CountColour(TBitmap& shot, const RECT& r, TColor c) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (shot.Pixel(x, y) == c) ++n;
    return n;
  }
};

} // namespace

TEST(ExtPage, HiddenPageHasNoTabAndTabsMapToVisiblePages) {
  TPageFixture f;
  int changes = 0;
  f.Pages->OnChange = [&](TObject*) { ++changes; };
  f.Sheet[1]->SetTabVisible(false);
  ASSERT_EQ(f.Pages->TabCount(), 2);
  f.ClickTab(1);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[2]);
  EXPECT_TRUE(IsWindowVisible(f.Sheet[2]->Handle()));
  EXPECT_FALSE(IsWindowVisible(f.Sheet[0]->Handle()));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(f.Pages->GetPageIndexByTabIndex(1), 2);
  try {
    f.Pages->GetPageIndexByTabIndex(2);
    ADD_FAILURE() << "no page for tab 2";
  } catch (const EExtPageInvalidCall& e) {
    EXPECT_STREQ(e.what(), "Function GetPageIndexByTabIndex of component Tabs of class "
                           "TExtPageControl was called with an invalid parameter "
                           "(CurrentTabIndex = 2).");
  }
}

TEST(ExtPage, DisabledPageRefusesClickAcceleratorAndActivePage) {
  TPageFixture f;
  f.Sheet[1]->SetEnabled(false);
  f.ClickTab(1);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[0]);
  SendMessageA(f.Pages->Handle(), WM_SYSCHAR, 'b', 1 << 29);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[0]);
  f.Pages->SetActivePage(f.Sheet[1]);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[0]);
  // The accelerator of an enabled page works.
  SendMessageA(f.Pages->Handle(), WM_SYSCHAR, 'g', 1 << 29);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[2]);
  f.Sheet[1]->SetEnabled(true);
  EXPECT_TRUE(f.Pages->DialogChar('B'));
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[1]);
  // An owner that refuses the change keeps the page.
  f.Pages->OnChanging = [](TObject*, bool& allow) { allow = false; };
  f.ClickTab(0);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[1]);
}

TEST(ExtPage, TabsOnEverySideShowActiveAndInactiveColours) {
  for (TExtTabPosition side : {tabPosTop, tabPosBottom, tabPosLeft, tabPosRight}) {
    SCOPED_TRACE(side);
    TPageFixture f(side);
    f.Pages->SetActivePage(f.Sheet[1]);
    TBitmap shot;
    CaptureControl(*f.Pages, shot);
    EXPECT_EQ(f.TabFill(shot, 1), kActive);
    EXPECT_EQ(f.TabFill(shot, 0), 0xA4A0A0); // red 160, green 160, blue 164
    EXPECT_EQ(f.TabFill(shot, 2), 0xA4A0A0);
    // Tabs lie on the chosen side of the page.
    RECT tab = f.Pages->TabRect(0), page = f.Pages->PageDisplayRect();
    if (side == tabPosTop) {
      EXPECT_LE(tab.bottom, page.top + 4);
    }
    if (side == tabPosBottom) {
      EXPECT_GE(tab.top, page.bottom - 4);
    }
    if (side == tabPosLeft) {
      EXPECT_LE(tab.right, page.left + 4);
    }
    if (side == tabPosRight) {
      EXPECT_GE(tab.left, page.right - 4);
    }
  }
}

TEST(ExtPage, ButtonStyleMovesTabsToTheTopAndOtherSidesResetIt) {
  TPageFixture f(tabPosLeft);
  f.Pages->SetTabStyle(tabStButton);
  EXPECT_EQ(f.Pages->TabPosition(), tabPosTop);
  EXPECT_TRUE(GetWindowLongA(f.Pages->Handle(), GWL_STYLE) & TCS_BUTTONS);
  f.Pages->SetTabPosition(tabPosBottom);
  EXPECT_EQ(f.Pages->TabStyle(), tabStDefault);
  EXPECT_FALSE(GetWindowLongA(f.Pages->Handle(), GWL_STYLE) & TCS_BUTTONS);
}

TEST(ExtPage, HotTrackingColoursTheCaptionUnderTheMouse) {
  TPageFixture f;
  f.Pages->Hottrack().SetEnabled(true);
  f.Pages->Hottrack().SetTabInactiveColor(clRed);
  f.Pages->TabInactiveFont().SetStyle({fsBold});
  TBitmap shot;
  RECT tab2 = f.Pages->TabRect(2);
  CaptureControl(*f.Pages, shot);
  EXPECT_EQ(f.CountColour(shot, tab2, clRed), 0);
  f.MoveTo(f.TabCentre(2));
  EXPECT_EQ(f.Pages->Hottrack().HotTab(), 2);
  CaptureControl(*f.Pages, shot);
  EXPECT_GT(f.CountColour(shot, tab2, clRed), 5);
  EXPECT_EQ(f.CountColour(shot, f.Pages->TabRect(1), clRed), 0);
  // Leaving the control clears the hot tab.
  SendMessageA(f.Pages->Handle(), WM_MOUSELEAVE, 0, 0);
  ProcessMessages();
  EXPECT_EQ(f.Pages->Hottrack().HotTab(), -1);
  CaptureControl(*f.Pages, shot);
  EXPECT_EQ(f.CountColour(shot, tab2, clRed), 0);
}

TEST(ExtPage, EachTabHasItsOwnHintAndTheDesignedHintComesBack) {
  TPageFixture f;
  f.Sheet[1]->SetTabVisible(false);
  TStringList hints;
  hints.Add("first|The first page");
  hints.Add("second|The hidden page");
  hints.Add("third|The third page");
  f.Pages->SetTabHints(hints);
  f.MoveTo(f.TabCentre(1)); // the second tab shows the third page
  EXPECT_EQ(f.Pages->Hint(), "third|The third page");
  EXPECT_EQ(Application->Hint(), "The third page");
  f.MoveTo(f.TabCentre(0));
  EXPECT_EQ(f.Pages->Hint(), "first|The first page");
  EXPECT_EQ(Application->Hint(), "The first page");
  RECT page = f.Pages->PageDisplayRect();
  f.MoveTo({(page.left + page.right) / 2, page.bottom - 10});
  EXPECT_EQ(f.Pages->Hint(), "designed|Designed hint");
  f.MoveTo(f.TabCentre(1));
  SendMessageA(f.Pages->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(f.Pages->Hint(), "designed|Designed hint");
}

TEST(ExtPage, TabsAreSizedForTheFontWithTheWiderW) {
  TPageFixture f;
  f.Pages->SetTabWidth(0); // tabs as wide as their captions
  ProcessMessages();
  int before = f.Pages->TabRect(2).right - f.Pages->TabRect(2).left;
  f.Pages->TabActiveFont().SetSize(20);
  ProcessMessages();
  EXPECT_EQ(&f.Pages->TabMeasureFont(), &f.Pages->TabActiveFont());
  // Tab 2 is inactive, and still grows for the active font.
  int after = f.Pages->TabRect(2).right - f.Pages->TabRect(2).left;
  EXPECT_GT(after, before);
  f.Pages->TabInactiveFont().SetSize(28);
  EXPECT_EQ(&f.Pages->TabMeasureFont(), &f.Pages->TabInactiveFont());
}

TEST(ExtPage, GlyphStripIsCutIntoOneGlyphPerPage) {
  TPageFixture f;
  TBitmap strip(100, 20);
  const TColor colours[] = {clRed, clLime, clBlue, clYellow, clAqua};
  for (int i = 0; i < 5; ++i) {
    strip.Canvas().Brush().SetColor(colours[i]);
    RECT r{i * 20, 0, i * 20 + 20, 20};
    strip.Canvas().FillRect(r);
  }
  f.Pages->TabGlyphs().SetNumGlyphs(5);
  f.Pages->TabGlyphs().SetGlyph(strip);
  TImageList& images = f.Pages->TabGlyphs().Images();
  EXPECT_EQ(images.Width(), 20);
  EXPECT_EQ(images.Height(), 20);
  EXPECT_EQ(images.Count(), 5);
  f.Pages->SetTabWidth(110);
  f.Pages->SetTabHeight(28);
  TBitmap shot;
  CaptureControl(*f.Pages, shot);
  // The glyph shown on a tab is the one of its page.
  EXPECT_GT(f.CountColour(shot, f.Pages->TabRect(2), clBlue), 100);
  EXPECT_EQ(f.CountColour(shot, f.Pages->TabRect(2), clLime), 0);
  EXPECT_GT(f.CountColour(shot, f.Pages->TabRect(1), clLime), 100);
}

TEST(ExtPage, AFailingTabDrawReachesTheHandlerAndTheOtherTabsStillDraw) {
  TBoundaryCapture capture;
  TPageFixture f;
  int drawn = 0;
  f.Pages->OnDrawTab = [&](TWinControl*, int index, bool, const RECT&, const RECT&,
                           TOwnerDrawState) {
    if (index == 1) throw Exception("broken tab");
    ++drawn;
  };
  TBitmap shot;
  CaptureControl(*f.Pages, shot);
  ASSERT_FALSE(capture.Messages.empty());
  for (const std::string& message : capture.Messages)
    EXPECT_EQ(message, "broken tab");
  EXPECT_GE(drawn, 2);
  EXPECT_EQ(f.TabFill(shot, 0), kActive);
  EXPECT_EQ(f.TabFill(shot, 2), 0xA4A0A0);
  f.ClickTab(2);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[2]);
}

TEST(ExtPage, TheTabsAnswerTheTabControlsQueriesAndArrowKeysChangePages) {
  TPageFixture f;
  HWND w = f.Pages->Handle();
  EXPECT_EQ(SendMessageA(w, TCM_GETITEMCOUNT, 0, 0), 3);
  char text[32] = "";
  TCITEMA item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  ASSERT_TRUE(SendMessageA(w, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ(text, "&Beta");
  EXPECT_EQ(item.lParam, reinterpret_cast<LPARAM>(f.Sheet[1]));
  EXPECT_FALSE(SendMessageA(w, TCM_GETITEMA, 3, reinterpret_cast<LPARAM>(&item)));
  TCHITTESTINFO hit{f.TabCentre(2), 0};
  EXPECT_EQ(SendMessageA(w, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 2);
  RECT r{};
  ASSERT_TRUE(SendMessageA(w, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r)));
  EXPECT_TRUE(EqualRect(&r, &static_cast<const RECT&>(f.Pages->TabRect(2))));

  int changes = 0;
  f.Pages->OnChange = [&](TObject*) { ++changes; };
  auto key = [&](WORD k) {
    SendMessageA(w, WM_KEYDOWN, k, 0);
    ProcessMessages();
  };
  key(VK_RIGHT);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[1]);
  EXPECT_EQ(SendMessageA(w, TCM_GETCURSEL, 0, 0), 1);
  key(VK_END);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[2]);
  key(VK_RIGHT); // past the last: stays
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[2]);
  EXPECT_EQ(changes, 2);
  f.Sheet[1]->SetEnabled(false);
  key(VK_LEFT); // a disabled page is not chosen
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[2]);
  f.Sheet[1]->SetEnabled(true);
  f.Pages->OnChanging = [](TObject*, bool& allow) { allow = false; };
  key(VK_HOME);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[2]);
  // Setting the selection, as a tool would, changes the page without asking.
  SendMessageA(w, TCM_SETCURSEL, 0, 0);
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[0]);
  EXPECT_EQ(changes, 2);
}

TEST(ExtPageMultiLine, TabsThatDoNotFitWrapOntoRowsAndThePagesMoveBelowThem) {
  TPageFixture f;
  f.Pages->SetTabWidth(0);
  f.Pages->SetTabHeight(0);
  for (const char* caption : {"Classical", "Country", "Dance", "Folk", "Jazz", "Marches", "Ragtime",
                              "Rock and roll", "Waltzes"}) {
    auto* sheet = new TTabSheet(&f.Form);
    sheet->SetCaption(caption);
    sheet->SetPageControl(f.Pages);
  }
  ProcessMessages();
  HWND w = f.Pages->Handle();
  ASSERT_EQ(SendMessageA(w, TCM_GETROWCOUNT, 0, 0), 1) << "one row, the others scroll";
  int oneRowTop = f.Sheet[0]->Top();
  // The arrows at the row's end scroll it: the first tab moves out, the last one comes in.
  int lastTab = f.Pages->TabCount() - 1;
  EXPECT_GT(f.Pages->TabRect(lastTab).right, f.Pages->Width());
  RECT first = f.Pages->TabRect(0);
  POINT forward{f.Pages->ClientWidth() - 6, (first.top + first.bottom) / 2};
  for (int i = 0; i < 20; ++i) {
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(forward.x, forward.y));
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(forward.x, forward.y));
  }
  EXPECT_LT(f.Pages->TabRect(0).right, 0);
  EXPECT_LE(f.Pages->TabRect(lastTab).right, f.Pages->Width());
  EXPECT_EQ(f.Pages->ActivePage(), f.Sheet[0]) << "scrolling chooses no page";
  // Choosing the third tab scrolls back to it; End then chooses the last tab and brings it clear
  // of the arrows (two of 16 pixels at the row's end, 2 from the edge).
  SendMessageA(w, TCM_SETCURSEL, 2, 0);
  ASSERT_EQ(f.Pages->TabRect(2).left, 2);
  SendMessageA(w, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(f.Pages->ActivePage(), f.Pages->PageForTab(lastTab));
  EXPECT_LE(f.Pages->TabRect(lastTab).right, f.Pages->ClientWidth() - 34);
  EXPECT_GT(f.Pages->TabRect(lastTab).left, 0);
  f.Pages->SetMultiLine(true);
  ProcessMessages();
  int rows = static_cast<int>(SendMessageA(w, TCM_GETROWCOUNT, 0, 0));
  EXPECT_GE(rows, 2);
  // Every tab lies inside the control, and the pages start below the last row.
  for (int tab = 0; tab < f.Pages->TabCount(); ++tab) {
    RECT r = f.Pages->TabRect(tab);
    EXPECT_GE(r.left, 0) << tab;
    EXPECT_LE(r.right, f.Pages->Width()) << tab;
    EXPECT_LE(r.bottom, f.Sheet[0]->Top()) << tab;
  }
  EXPECT_GT(f.Sheet[0]->Top(), oneRowTop);
  f.Pages->SetMultiLine(false);
  ProcessMessages();
  EXPECT_EQ(SendMessageA(w, TCM_GETROWCOUNT, 0, 0), 1);
  EXPECT_EQ(f.Sheet[0]->Top(), oneRowTop);
}

TEST(ExtPageMultiLine, RowsPastAThirdOfTheControlScrollBehindTheArrowsAndEveryTabTakesAClick) {
  TPageFixture f;
  f.Pages->SetTabWidth(0);
  f.Pages->SetTabHeight(0);
  f.Pages->SetMultiLine(true);
  for (int i = 0; i < 40; ++i) {
    auto* sheet = new TTabSheet(&f.Form);
    sheet->SetCaption("Page " + std::to_string(i));
    sheet->SetPageControl(f.Pages);
  }
  ProcessMessages();
  HWND w = f.Pages->Handle();
  int count = f.Pages->TabCount(), width = f.Pages->ClientWidth();
  ASSERT_GT(SendMessageA(w, TCM_GETROWCOUNT, 0, 0), 4);
  auto click = [&](POINT p) {
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  };
  // Two arrows of 16 pixels at the end of the outermost row, 2 from the edge.
  POINT back{width - 2 - 24, 8}, forward{width - 2 - 8, 8};
  for (int tab = 0; tab < count; ++tab) {
    for (int i = 0; i < count; ++i)
      click(back);
    RECT r = f.Pages->TabRect(tab);
    for (int i = 0; i < count && IsRectEmpty(&r); ++i) {
      click(forward);
      r = f.Pages->TabRect(tab);
    }
    ASSERT_FALSE(IsRectEmpty(&r)) << tab << " never comes into sight";
    click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    EXPECT_EQ(f.Pages->ActivePage(), f.Pages->PageForTab(tab));
    // Its row comes next to the frame around the pages, which start a third of the way down.
    EXPECT_EQ(f.Pages->TabRect(tab).bottom + 4, f.Pages->DisplayRect().top) << tab;
    EXPECT_LE(f.Pages->DisplayRect().top, f.Pages->ClientHeight() / 3 + 4);
  }
}
