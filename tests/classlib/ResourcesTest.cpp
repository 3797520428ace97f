// Resources compiled into the test program load through the class library.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "Forms.h"
#include "Resources.h"
#include "SysUtils.h"

TEST(Resources, StringsDataVersionAndCursorsLoad) {
  EXPECT_EQ(LoadStr(28000), "Invalid WaveFormat");
  EXPECT_EQ(LoadStr(57000), "Operation timed out");
  EXPECT_EQ(LoadStr(12345), "");
  std::string data = LoadResourceData("TESTDATA");
  EXPECT_EQ(data.substr(0, 4), "MThd");
  EXPECT_EQ(data.size(), 8u);
  EXPECT_THROW(LoadResourceData("MISSING"), EResNotFound);
  EXPECT_EQ(FileVersionValue(ParamStr(0), "FileVersion"), "1.2.3.4");
  EXPECT_EQ(FileVersionValue(ParamStr(0), "ProductName"), "Tonalbrook");

  HCURSOR arrow = Screen->Cursors(crDefault);
  EXPECT_TRUE(LoadCursorIntoScreen(5, "HELP"));
  EXPECT_TRUE(LoadCursorIntoScreen(6, "HANDPOINT"));
  EXPECT_NE(Screen->Cursors(5), arrow);
  EXPECT_NE(Screen->Cursors(5), Screen->Cursors(6));
  EXPECT_FALSE(LoadCursorIntoScreen(7, "NOSUCHCURSOR"));
  EXPECT_EQ(Screen->Cursors(7), arrow); // a missing cursor leaves the default
}

TEST(Resources, ManifestSelectsVersionSixCommonControls) {
  // Only the version 6 button answers its ideal size.
  HWND button = CreateWindowA("BUTTON", "Wide caption", WS_POPUP | BS_PUSHBUTTON, 0, 0, 10, 10,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(button, nullptr);
  SIZE ideal{0, 0};
  BOOL answered = static_cast<BOOL>(
      SendMessageA(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
  DestroyWindow(button);
  EXPECT_TRUE(answered);
  EXPECT_GT(ideal.cx, 10);
}
