// The main window's layout: its minimum size, the centred command row, the tool-row toggle with
// the music panel, the splitter dragged with real input, and what the settings keep of them.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <map>
#include "IniFiles.h"
#include "MainCodeD2.h"
#include "MainLayout.h"
#include "MasterProbe.h"
#include "MyStringGrid.h"
#include "ExtPage.h"
#include "Handles.h"
#include "SysUtils.h"
#include "TestCapture.h"
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
    RECT s = ScreenRect(Probe(FForm).Separator());
    int y = (s.top + s.bottom) / 2, from = (s.left + s.right) / 2;
    SetCursorPos(from, y);
    ProcessMessages();
    Mouse(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(PumpQueued());
    for (int i = 1; i <= 4; ++i) {
      SetCursorPos(from + (x - from) * i / 4, y);
      Mouse(MOUSEEVENTF_MOVE);
      EXPECT_TRUE(PumpQueued());
    }
    if (during) during();
    Mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpQueued());
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
    TControl* first = Probe(FForm).EditCat();
    TControl* last = Probe(FForm).TrashCat();
    int left = first->Left();
    EXPECT_NEAR(left + (last->Left() + last->Width() - left + 5) / 2.0,
                Probe(FForm).DBPanel()->Width() / 2.0, 1.0)
        << width;
    // Both panels keep the catalogue area's margins.
    EXPECT_EQ(Probe(FForm).CatPanel()->Left() + Probe(FForm).CatPanel()->Width(),
              Probe(FForm).DBPanel()->Width() - 5);
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
  ASSERT_TRUE(Probe(FForm).ShowTools());
  EXPECT_EQ(Probe(FForm).ToolsLeft()->Hint(), "Hide|Hide music toolbar");
  for (bool effects : {true, false}) {
    Probe(FForm).Item("Visualeffects1")->SetChecked(effects);
    if (!effects) {
      Probe(FForm).ToolsLeft()->Click(); // music panel away, tool row off
      Probe(FForm).ToolsLeft()->Click(); // tool row on
    }
    const std::vector<TToggleState>& states = effects ? withEffects : withoutEffects;
    for (size_t i = 0; i < states.size(); ++i) {
      const TToggleState& want = states[i];
      // The menu item and both buttons share one command.
      if (i % 3 == 2)
        Probe(FForm).Item("Showmusictoolbar1")->Click();
      else
        (i % 3 ? Probe(FForm).ToolsRight() : Probe(FForm).ToolsLeft())->Click();
      ProcessMessages();
      SCOPED_TRACE(std::string(effects ? "effects " : "none ") + std::to_string(i));
      EXPECT_EQ(Probe(FForm).ToolsLeft()->Hint(), want.Hint);
      EXPECT_EQ(Probe(FForm).ToolsRight()->Hint(), want.Hint);
      EXPECT_EQ(Probe(FForm).Item("Showmusictoolbar1")->Caption(), want.Caption);
      EXPECT_EQ(Probe(FForm).ShowTools(), want.Tools);
      // Without the tool row the panels take its room.
      EXPECT_EQ(Probe(FForm).AlbPanel()->Top(), want.Tools ? 32 : 0);
      EXPECT_EQ(Probe(FForm).Separator()->Top(), Probe(FForm).AlbPanel()->Top());
      EXPECT_EQ(Probe(FForm).CatPanel()->Top(), Probe(FForm).AlbPanel()->Top());
      for (TControl* c : {static_cast<TControl*>(Probe(FForm).Archive()),
                          static_cast<TControl*>(Probe(FForm).PrintCat()),
                          static_cast<TControl*>(Probe(FForm).GetMIDIsPanel())})
        EXPECT_EQ(c->Visible(), want.Tools) << c->Name();
      EXPECT_EQ(Probe(FForm).MusicPanel()->Visible(), want.Music);
      // Where the category panel sits on the screen, the music panel shows black over it.
      RedrawWindow(FForm->Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      RECT cat = ScreenRect(Probe(FForm).CatPanel());
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
  RECT sep = ScreenRect(Probe(FForm).Separator());
  int bandX = (sep.left + window.right) / 2;
  EXPECT_TRUE(PumpQueued()); // the window as it is painted now is on the screen
  COLORREF before = ScreenPixel(bandX + 1, (sep.top + sep.bottom) / 2);
  RECT band{};
  COLORREF during = before;
  DragSeparatorTo(bandX, [&] {
    band = FForm->Layout().SplitterBand();
    during = ScreenPixel(bandX + 1, (sep.top + sep.bottom) / 2);
  });
  // The band sits on the separator's rows at the mouse, inverted on the screen.
  EXPECT_EQ(band.left, bandX);
  EXPECT_GT(band.top, sep.top - 1);
  EXPECT_LT(band.bottom, sep.bottom + 1);
  EXPECT_EQ(during, before ^ 0xFFFFFF);
  EXPECT_EQ(FForm->Layout().SplitterBand().right, 0);
  EXPECT_EQ(ScreenPixel(bandX + 1, (sep.top + sep.bottom) / 2) == during, false);

  DragSeparatorTo(window.right - 40);
  EXPECT_EQ(Probe(FForm).CatPanel()->Width(), 140);
  DragSeparatorTo(window.left + 2);
  EXPECT_EQ(Probe(FForm).AlbPanel()->Width(), 140);
  EXPECT_EQ(Probe(FForm).Separator()->Left(), 5 + 140);
  CloseAndWait();
}

TEST_F(Layout, SettingsKeepTheSplitAndToolRowAndAWideStoredSplitIsClamped) {
  Start();
  Resize(800, 600);
  FForm->Layout().SetAlbPanelWidth(260);
  Probe(FForm).ToolsLeft()->Click(); // tool row off
  CloseAndWait();
  TIniFile ini(FDir / "Tonalbrook.ini");
  EXPECT_EQ(ini.ReadInteger("Format", "AlbPanelWidth", 0), 260);
  EXPECT_FALSE(ini.ReadBool("Setup", "ShowTools", true));
  Start();
  EXPECT_EQ(Probe(FForm).AlbPanel()->Width(), 260);
  EXPECT_FALSE(Probe(FForm).ShowTools());
  EXPECT_FALSE(Probe(FForm).Archive()->Visible());
  EXPECT_TRUE(Probe(FForm).EditCat()->Visible());
  CloseAndWait();

  TIniFile(FDir / "Tonalbrook.ini").WriteInteger("Format", "AlbPanelWidth", 2000);
  Start();
  Resize(600, 500);
  EXPECT_EQ(Probe(FForm).CatPanel()->Width(), 140);
  EXPECT_GE(Probe(FForm).CatPanel()->Left(), 140);
  // A window made narrow keeps both panels in reach.
  Resize(300, 300);
  EXPECT_GE(Probe(FForm).CatPanel()->Width(), 140);
  EXPECT_GE(Probe(FForm).AlbPanel()->Width(), 140);
  CloseAndWait();
}

// Controls side by side in one row of a panel: none reaches past the panel or into another.
void ExpectApart(std::vector<TControl*> row, int panelWidth, const std::string& where) {
  std::sort(row.begin(), row.end(), [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
  for (size_t i = 0; i < row.size(); ++i) {
    EXPECT_GE(row[i]->Left(), 0) << where << " " << row[i]->Name();
    EXPECT_LE(row[i]->Left() + row[i]->Width(), panelWidth) << where << " " << row[i]->Name();
    if (i > 0) {
      EXPECT_LE(row[i - 1]->Left() + row[i - 1]->Width(), row[i]->Left())
          << where << " " << row[i - 1]->Name() << " runs into " << row[i]->Name();
    }
  }
}

// A line of text in a font as GDI sets it out: its width and its height.
SIZE TextExtent(TFont& font, const std::string& text) {
  TClientDC dc(nullptr);
  TSelectObject selected(dc, font.Handle());
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// The display panel's captions ("Category", "Artist", "Title") each end before their value starts,
// and each line stands below the one above it, in the fonts the screen's resolution gives them.
void ExpectPanelLabelsApart(TMasterFrm& form, const std::string& where) {
  TCDPanelP* panel = Probe(&form).CDPanel();
  TLabel* captions[] = {panel->CategoryCaption(), panel->ArtistCaption(), panel->TitleCaption()};
  TControl* values[] = {panel->CategoryLabel(), panel->ArtistLabel(), panel->TitleLabel()};
  for (int i = 0; i < 3; ++i) {
    SIZE text = TextExtent(captions[i]->Font(), captions[i]->Caption());
    EXPECT_LT(captions[i]->Left() + text.cx, values[i]->Left())
        << where << " \"" << captions[i]->Caption() << "\" runs into its value";
    if (i > 0) {
      EXPECT_GE(captions[i]->Top() - captions[i - 1]->Top(), text.cy)
          << where << " \"" << captions[i]->Caption() << "\" overlaps the line above";
    }
  }
  EXPECT_LE(panel->TitleCaption()->Top() + TextExtent(panel->TitleCaption()->Font(), "Title").cy,
            panel->Height())
      << where << " the last line inside the panel";
}

// Every visible button of the window shows its caption (and picture) whole: clear of its 2-pixel
// frame and the focus line 4 pixels in, with a pixel to spare on each side.
void ExpectCaptionsWhole(TMasterFrm& form, const std::string& where) {
  ExpectPanelLabelsApart(form, where);
  for (int i = 0; i < form.ComponentCount(); ++i) {
    auto* b = dynamic_cast<TBitBtn*>(form.Components(i));
    if (!b || !b->Visible() || (b->Parent() && !b->Parent()->Visible())) continue;
    TBitmap probe(1, 1);
    probe.Canvas().Font().Assign(b->Font());
    RECT text{0, 0, 0, 0};
    if (!b->Caption().empty())
      probe.Canvas().DrawText(b->Caption(), text, DT_CALCRECT | DT_SINGLELINE);
    int picture = b->Glyph().Empty() ? 0 : b->Glyph().Width() / b->NumGlyphs();
    if (picture && text.right) picture += b->Spacing();
    EXPECT_GE(b->Width() - 2 * 5, text.right + picture)
        << where << " " << b->Name() << " \"" << b->Caption() << "\"";
  }
}

struct TSize {
  const char* Name;
  int Width, Height;
};

// The caption's width in the button's own font, as GDI sets it out.
int TextWidth(TBitBtn& b) {
  std::string text = b.Caption();
  text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
  return TextExtent(b.Font(), text).cx;
}

// The first and last columns of the button's face where its caption left ink (text or the
// light emboss of disabled text), between its frames.
std::pair<int, int> InkColumns(TBitBtn& b) {
  TBitmap shot;
  CaptureControl(b, shot);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  int first = shot.Width(), last = -1;
  for (int x = 0; x < shot.Width(); ++x)
    for (int y = 4; y < shot.Height() - 4; ++y) {
      COLORREF c = GetPixel(shot.Canvas().Handle(), x, y) & 0xFFFFFF;
      // The frames run top to bottom; caption ink does not reach the rows near the edges.
      COLORREF top = GetPixel(shot.Canvas().Handle(), x, 2) & 0xFFFFFF;
      if (c != face && c != top) {
        first = std::min(first, x);
        last = x;
        break;
      }
    }
  return {first, last};
}

TEST_F(Layout, TheProgramsButtonsShowTheirCaptionsWholeAtTheFirstAndSmallestSize) {
  ASSERT_EQ(ScreenDpi(), AskedScreenDpi());
  Start();
  for (TSize size : {TSize{"first", 585, 400}, TSize{"smallest", 500, 400}}) {
    Resize(size.Width, size.Height);
    for (TBitBtn* b : {Probe(FForm).Shuffle(), Probe(FForm).MusicClear()}) {
      SCOPED_TRACE(std::string(size.Name) + " " + b->Name());
      // Frame 2 pixels, the focus line 4 pixels in, a pixel to spare: 5 each side.
      EXPECT_GE(b->Width() - 2 * 5, TextWidth(*b) + 1) << "with the emboss of disabled text";
      auto [first, last] = InkColumns(*b);

      ASSERT_LE(first, last) << "a caption is drawn";
      EXPECT_GE(first, 5);
      EXPECT_LE(last, b->Width() - 1 - 5);
      // Nothing beside it lies over it.
      TControl* next = b == Probe(FForm).Shuffle() ? Probe(FForm).MusicClear() : nullptr;
      if (next) {
        EXPECT_LE(b->Left() + b->Width(), next->Left());
      }
    }
  }
  CloseAndWait();
}

TEST_F(Layout, NothingOverlapsOrIsCutFromTheSmallestToTheMaximisedWindow) {
  ASSERT_EQ(ScreenDpi(), AskedScreenDpi());
  Start();
  SetWindowPos(FForm->Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  for (bool tools : {true, false}) {
    if (Probe(FForm).ShowTools() != tools) Probe(FForm).ToolsLeft()->Click();
    ASSERT_EQ(Probe(FForm).ShowTools(), tools);
    for (TSize size : {TSize{"smallest", 500, 400}, TSize{"first", 585, 400},
                       TSize{"large", 1280, 1024}, TSize{"maximised", 0, 0}}) {
      if (size.Width)
        Resize(size.Width, size.Height);
      else
        ShowWindow(FForm->Handle(), SW_MAXIMIZE);
      ProcessMessages();
      std::string where = std::string(size.Name) + (tools ? " with" : " without") + " tool row";
      // The player row stays between the two tool buttons.
      ExpectApart({Probe(FForm).ToolsLeft(), Probe(FForm).PlayReplace(), Probe(FForm).Play(),
                   Probe(FForm).ListPanel(), Probe(FForm).PlayPanel(), Probe(FForm).SoundPanel(),
                   Probe(FForm).ToolsRight()},
                  Probe(FForm).TopPanel()->Width(), where + ", player row");
      // The commands shown sit in rows (the catalogue area's, or two beside the display without
      // the tool row), over none of the two panels nor the display.
      std::map<std::pair<TControl*, int>, std::vector<TControl*>> rows;
      for (TControl* c : std::initializer_list<TControl*>{
               Probe(FForm).Panel4(), Probe(FForm).WebPanel(), Probe(FForm).EditCat(),
               Probe(FForm).MailTitle(), Probe(FForm).Archive(), Probe(FForm).ExportTitle(),
               Probe(FForm).PrintCat(), Probe(FForm).TrashCat(), Probe(FForm).GetMIDIsPanel()})
        if (c->Visible()) {
          rows[{c->Parent(), c->Top()}].push_back(c);
          for (TControl* other : std::initializer_list<TControl*>{
                   Probe(FForm).AlbPanel(), Probe(FForm).CatPanel(), Probe(FForm).Panel11()}) {
            RECT a = ScreenRect(c), b = ScreenRect(other), both{};
            EXPECT_FALSE(IntersectRect(&both, &a, &b))
                << where << " " << c->Name() << " over " << other->Name();
          }
        }
      EXPECT_EQ(rows.size(), tools ? 1u : 2u) << where;
      for (const auto& [place, row] : rows)
        ExpectApart(row, place.first->Width(), where + ", command row");
      ExpectCaptionsWhole(*FForm, where);
      if (!size.Width) ShowWindow(FForm->Handle(), SW_RESTORE);
    }
  }
  // With room to spare the player row has the layout's own gaps, centred.
  Resize(1000, 700);
  EXPECT_EQ(Probe(FForm).ListPanel()->Left() -
                (Probe(FForm).Play()->Left() + Probe(FForm).Play()->Width()),
            15);
  EXPECT_EQ(Probe(FForm).SoundPanel()->Left() -
                (Probe(FForm).PlayPanel()->Left() + Probe(FForm).PlayPanel()->Width()),
            15);
  EXPECT_EQ(Probe(FForm).Play()->Left(),
            Probe(FForm).PlayReplace()->Left() + Probe(FForm).PlayReplace()->Width());
  int left = Probe(FForm).PlayReplace()->Left();
  int right = Probe(FForm).SoundPanel()->Left() + Probe(FForm).SoundPanel()->Width();
  EXPECT_NEAR((left + right) / 2.0, Probe(FForm).TopPanel()->Width() / 2.0, 1.0);
  CloseAndWait();
}

} // namespace

namespace {

TEST_F(Layout, AnAlbumsDurationsStayInsideTheAlbumPanelBesideLongTitles) {
  Start();
  Probe(FForm).AlbList()->FindOrAddAlbum("Long names");
  TExtPageControl* albums = Probe(FForm).Albums();
  int page = albums->PageCount() - 1; // a new album's page comes last
  ASSERT_GE(page, 1);
  albums->SetActivePageIndex(page);
  TMyStringGrid* grid = nullptr;
  for (int i = 0; i < albums->Pages(page)->ControlCount() && !grid; ++i)
    grid = dynamic_cast<TMyStringGrid*>(albums->Pages(page)->Controls(i));
  ASSERT_TRUE(grid);
  // Titles as long as the title editor takes (35 characters).
  grid->SetCells(0, 1, "Wolfgang Amadeus Mozart-Beethovenis");
  grid->SetCells(1, 1, "Eine kleine Nachtmusik, Allegro mae");
  grid->SetCells(2, 1, "1:02:03");
  grid->FitAllColumns();
  for (int albWidth : {200, 140}) { // the stored width at first and the splitter's least
    FForm->Layout().SetAlbPanelWidth(albWidth);
    ProcessMessages();
    SCOPED_TRACE(albWidth);
    RECT client{}, panel{};
    GetClientRect(grid->Handle(), &client);
    MapWindowPoints(grid->Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(Probe(FForm).AlbPanel()->Handle(), &panel);
    ASSERT_LE(client.right, panel.right) << "the grid lies in the album panel";
    int durationRight = 0;
    for (int c = 0; c < 3; ++c)
      durationRight += grid->ColWidths(c) + grid->GridLineWidth();
    EXPECT_LE(client.left + durationRight, client.right) << "Duration ends inside the grid";
    // The column is wide enough for its heading and its time, in the grid's own font.
    HDC dc = GetDC(grid->Handle());
    HGDIOBJ old = SelectObject(dc, grid->Font().Handle());
    for (const char* text : {"Duration", "1:02:03"}) {
      SIZE size{};
      GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
      EXPECT_GE(grid->ColWidths(2), size.cx) << text;
    }
    SelectObject(dc, old);
    ReleaseDC(grid->Handle(), dc);
  }
  CloseAndWait();
}

} // namespace
