// The splash: its layout, where it stands, when its ticks close it, and a click closing it.
#include <gtest/gtest.h>
#include "Messages.h"
#include "SplashCodeD2.h"
#include "TestUtil.h"
#include <fstream>

namespace {

void Tick(TSplashFrm& splash) {
  splash.Timer1->OnTimer(splash.Timer1);
}

} // namespace

TEST(Splash, PictureFramedByItsPanelsWithTheLineBelowAndNoTitleBar) {
  TSplashFrm splash(nullptr);
  splash.Show();
  ProcessMessages();
  const int pw = splash.Image1->Width(), ph = splash.Image1->Height();
  ASSERT_GT(pw, 0);
  EXPECT_EQ(splash.Image1->Left(), 2);
  EXPECT_EQ(splash.Image1->Top(), 2);
  EXPECT_EQ(splash.Panel3->Left(), 8);
  EXPECT_EQ(splash.Panel3->Top(), 8);
  EXPECT_EQ(splash.Panel3->Width(), pw + 4);
  EXPECT_EQ(splash.Panel3->Height(), ph + 8);
  EXPECT_EQ(splash.Panel1->Width(), splash.Panel3->Width() + 16);
  EXPECT_EQ(splash.Panel1->Height(), splash.Panel3->Height() + 16 + splash.Label1->Height() + 8);
  EXPECT_EQ(splash.ClientWidth(), splash.Panel1->Width());
  EXPECT_EQ(splash.ClientHeight(), splash.Panel1->Height());
  EXPECT_EQ(splash.Label1->Top(), splash.Panel3->Top() + splash.Panel3->Height() + 6);
  EXPECT_NEAR(splash.Label1->Left() * 2 + splash.Label1->Width(), splash.Panel1->Width(), 1);
  EXPECT_EQ(splash.Label1->Caption().rfind("Tonalbrook 3.7.1", 0), 0u);
  EXPECT_EQ(splash.Label1->Font().Size(), 7);
  const LONG style = GetWindowLongA(splash.Handle(), GWL_STYLE);
  EXPECT_NE(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(GetWindowLongA(splash.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(splash.Caption(), "");
}

TEST(Splash, CentresOverTheMainWindowsStoredPlaceOrTheScreen) {
  TSplashFrm splash(nullptr);
  TScratchDir dir;
  const std::string ini = dir / "Tonalbrook.ini";
  splash.PlaceWindow(ini);
  EXPECT_NEAR(splash.Left(), (Screen->Width() - splash.Width()) / 2, 1);
  EXPECT_NEAR(splash.Top(), (Screen->Height() - splash.Height()) / 2, 1);
  {
    std::ofstream f(ini);
    f << "[Format]\r\nTop=200\r\nLeft=300\r\nHeight=600\r\nWidth=800\r\n";
  }
  splash.PlaceWindow(ini);
  EXPECT_EQ(splash.Top(), 200 + (600 - splash.Height()) / 2);
  EXPECT_EQ(splash.Left(), 300 + (800 - splash.Width()) / 2);
  // Keys that are missing take 100, 100, 400 and 500.
  {
    std::ofstream f(ini);
    f << "[Format]\r\nTop=50\r\n";
  }
  splash.PlaceWindow(ini);
  EXPECT_EQ(splash.Top(), 50 + (400 - splash.Height()) / 2);
  EXPECT_EQ(splash.Left(), 100 + (500 - splash.Width()) / 2);
  // A place stored far off the screen: the splash comes onto it.
  WriteFileBytes(ini, "[Format]\r\nTop=99999\r\nLeft=99999\r\n");
  splash.PlaceWindow(ini);
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(splash.Left() >= work.left && splash.Left() + splash.Width() <= work.right &&
              splash.Top() >= work.top && splash.Top() + splash.Height() <= work.bottom);
}

TEST(Splash, ClosesAtTheFourthTickOrTheFirstAfterStartUp) {
  bool done = false;
  TSplashFrm splash(nullptr);
  splash.StartUpDone = [&] { return done; };
  // Start-up done after about a second: the splash stays until the fourth tick.
  splash.Show();
  Tick(splash);
  done = true;
  Tick(splash);
  Tick(splash);
  EXPECT_TRUE(splash.Visible());
  Tick(splash);
  EXPECT_FALSE(splash.Visible());

  // Start-up taking ten seconds: it closes at the first tick after.
  done = false;
  splash.Show();
  EXPECT_EQ(splash.TickCount(), 0);
  for (int i = 0; i < 9; ++i)
    Tick(splash);
  EXPECT_TRUE(splash.Visible());
  done = true;
  Tick(splash);
  EXPECT_FALSE(splash.Visible());
}

TEST(Splash, ItsOwnTimerClosesItAndAClickDoesAtOnce) {
  TSplashFrm splash(nullptr);
  splash.StartUpDone = [] { return true; };
  splash.Show();
  EXPECT_TRUE(PumpUntil([&] { return !splash.Visible(); }, 30000));
  EXPECT_GE(splash.TickCount(), 4);

  // A click on the frame or on the picture closes it.
  splash.StartUpDone = [] { return false; };
  for (HWND target : {splash.Panel1->Handle(), splash.Panel3->Handle()}) {
    splash.Show();
    ProcessMessages();
    ASSERT_TRUE(splash.Visible());
    SendMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(target, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    ProcessMessages();
    EXPECT_FALSE(splash.Visible());
  }
}
