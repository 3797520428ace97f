// The main window's layout: its minimum size, the centred command row, the tool-row toggle with
// the music panel, the splitter dragged with real input, and what the settings keep of them.
#include <gtest/gtest.h>
#include <windows.h>
#include "IniFiles.h"
#include "MainCodeD2.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "MainWindowFixture.h"

namespace {

class Layout : public TMainWindowFixture {
protected:
  Layout() : TMainWindowFixture("tblayout") {}

  void Resize(int width, int height) {
    SetWindowPos(FForm->Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    ProcessMessages();
  }
  static RECT ScreenRect(TControl* c) {
    RECT r{};
    GetWindowRect(static_cast<TWinControl*>(c)->Handle(), &r);
    return r;
  }
  static COLORREF ScreenPixel(int x, int y) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
  }
  static void Mouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(INPUT));
  }
  // Presses on the separator's middle, moves to screen x in steps, and releases there; during
  // is run while the button is still down at the end point.
  void DragSeparatorTo(int x, const std::function<void()>& during = nullptr) {
    RECT s = ScreenRect(FForm->Separator());
    int y = (s.top + s.bottom) / 2, from = (s.left + s.right) / 2;
    SetCursorPos(from, y);
    ProcessMessages();
    Mouse(MOUSEEVENTF_LEFTDOWN);
    PumpUntil([] { return false; }, 100);
    for (int i = 1; i <= 4; ++i) {
      SetCursorPos(from + (x - from) * i / 4, y);
      Mouse(MOUSEEVENTF_MOVE);
      PumpUntil([] { return false; }, 60);
    }
    if (during) during();
    Mouse(MOUSEEVENTF_LEFTUP);
    PumpUntil([] { return false; }, 150);
  }
};

TEST_F(Layout, WindowKeepsItsMinimumSizeAndCentresTheCommandRow) {
  Start();
  Resize(300, 200);
  RECT r{};
  GetWindowRect(FForm->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 500);
  EXPECT_EQ(r.bottom - r.top, 400);
  for (int width : {585, 777, 1000}) {
    Resize(width, 700);
    TControl* first = FForm->EditCat();
    TControl* last = FForm->TrashCat();
    int left = first->Left();
    EXPECT_NEAR(left + (last->Left() + last->Width() - left + 5) / 2.0,
                FForm->DBPanel()->Width() / 2.0, 1.0)
        << width;
    // Both panels keep the catalogue area's margins.
    EXPECT_EQ(FForm->CatPanel()->Left() + FForm->CatPanel()->Width(),
              FForm->DBPanel()->Width() - 5);
  }
  CloseAndWait();
}

struct TToggleState {
  const char* Hint;
  const char* Caption;
  bool Tools, Music;
};

TEST_F(Layout, ToolToggleCyclesThroughItsStates) {
  Start();
  Resize(800, 600);
  const TToggleState off = {"Show|Show music toolbar", "&Show music toolbar", false, false};
  const TToggleState music = {"Hide|Hide visual effects", "&Hide visual effects", true, true};
  const TToggleState offerEffects = {"Visual effects|Show visual effects", "&Show visual effects",
                                     true, false};
  const TToggleState toolsOn = {"Hide|Hide music toolbar", "&Hide music toolbar", true, false};
  // From the tool row on: with visual effects ticked the music panel comes in front, then all
  // goes, then the tool row returns; without them the tool row goes and returns.
  const std::vector<TToggleState> withEffects = {music, off, offerEffects, music};
  const std::vector<TToggleState> withoutEffects = {off, toolsOn, off};
  ASSERT_TRUE(FForm->ShowTools());
  EXPECT_EQ(FForm->ToolsLeft()->Hint(), "Hide|Hide music toolbar");
  for (bool effects : {true, false}) {
    FForm->Visualeffects1()->SetChecked(effects);
    if (!effects) {
      FForm->ToolsLeft()->Click(); // music panel away, tool row off
      FForm->ToolsLeft()->Click(); // tool row on
    }
    const std::vector<TToggleState>& states = effects ? withEffects : withoutEffects;
    for (size_t i = 0; i < states.size(); ++i) {
      const TToggleState& want = states[i];
      // The menu item and both buttons share one command.
      if (i % 3 == 2)
        FForm->Showmusictoolbar1()->Click();
      else
        (i % 3 ? FForm->ToolsRight() : FForm->ToolsLeft())->Click();
      ProcessMessages();
      SCOPED_TRACE(std::string(effects ? "effects " : "none ") + std::to_string(i));
      EXPECT_EQ(FForm->ToolsLeft()->Hint(), want.Hint);
      EXPECT_EQ(FForm->ToolsRight()->Hint(), want.Hint);
      EXPECT_EQ(FForm->Showmusictoolbar1()->Caption(), want.Caption);
      EXPECT_EQ(FForm->ShowTools(), want.Tools);
      EXPECT_EQ(FForm->AlbPanel()->Top(), want.Tools ? 32 : 0);
      EXPECT_EQ(FForm->Separator()->Top(), FForm->AlbPanel()->Top());
      EXPECT_EQ(FForm->CatPanel()->Top(), FForm->AlbPanel()->Top());
      for (TControl* c :
           {static_cast<TControl*>(FForm->Archive()), static_cast<TControl*>(FForm->PrintCat()),
            static_cast<TControl*>(FForm->GetMIDIsPanel())})
        EXPECT_EQ(c->Visible(), want.Tools) << c->Name();
      EXPECT_EQ(FForm->MusicPanel()->Visible(), want.Music);
      // Where the category panel sits on the screen, the music panel shows black over it.
      RedrawWindow(FForm->Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      RECT cat = ScreenRect(FForm->CatPanel());
      COLORREF middle = ScreenPixel((cat.left + cat.right) / 2, (cat.top + cat.bottom) / 2);
      EXPECT_EQ(middle == RGB(0, 0, 0), want.Music);
    }
  }
  CloseAndWait();
}

TEST_F(Layout, SplitterStopsAtBothLimitsAndShowsItsBandWhileDragged) {
  Start();
  Resize(800, 600);
  SetForegroundWindow(FForm->Handle());
  RECT window{};
  GetWindowRect(FForm->Handle(), &window);
  RECT sep = ScreenRect(FForm->Separator());
  int bandX = (sep.left + window.right) / 2;
  COLORREF before = ScreenPixel(bandX + 1, (sep.top + sep.bottom) / 2);
  RECT band{};
  COLORREF during = before;
  DragSeparatorTo(bandX, [&] {
    band = FForm->SplitterBand();
    during = ScreenPixel(bandX + 1, (sep.top + sep.bottom) / 2);
  });
  // The band sits on the separator's rows at the mouse, inverted on the screen.
  EXPECT_EQ(band.left, bandX);
  EXPECT_GT(band.top, sep.top - 1);
  EXPECT_LT(band.bottom, sep.bottom + 1);
  EXPECT_EQ(during, before ^ 0xFFFFFF);
  EXPECT_EQ(FForm->SplitterBand().right, 0);
  EXPECT_EQ(ScreenPixel(bandX + 1, (sep.top + sep.bottom) / 2) == during, false);

  DragSeparatorTo(window.right - 40);
  EXPECT_EQ(FForm->CatPanel()->Width(), 140);
  DragSeparatorTo(window.left + 2);
  EXPECT_EQ(FForm->AlbPanel()->Width(), 140);
  EXPECT_EQ(FForm->Separator()->Left(), 5 + 140);
  CloseAndWait();
}

TEST_F(Layout, SettingsKeepTheSplitAndToolRowAndAWideStoredSplitIsClamped) {
  Start();
  Resize(800, 600);
  FForm->SetAlbPanelWidth(260);
  FForm->ToolsLeft()->Click(); // tool row off
  CloseAndWait();
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadInteger("Format", "AlbPanelWidth", 0), 260);
  EXPECT_FALSE(ini.ReadBool("Setup", "ShowTools", true));
  Start();
  EXPECT_EQ(FForm->AlbPanel()->Width(), 260);
  EXPECT_FALSE(FForm->ShowTools());
  EXPECT_EQ(FForm->AlbPanel()->Top(), 0);
  CloseAndWait();

  TIniFile(FDir / "Tonalbrook.ini").WriteInteger("Format", "AlbPanelWidth", 2000);
  Start();
  Resize(600, 500);
  EXPECT_EQ(FForm->CatPanel()->Width(), 140);
  EXPECT_GE(FForm->CatPanel()->Left(), 140);
  // A window made narrow keeps both panels in reach.
  Resize(300, 300);
  EXPECT_GE(FForm->CatPanel()->Width(), 140);
  EXPECT_GE(FForm->AlbPanel()->Width(), 140);
  CloseAndWait();
}

} // namespace
