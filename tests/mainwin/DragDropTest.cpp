// Titles, tabs and album lines dragged with the real mouse onto the command buttons and the
// albums: what each drop does to the program, the store, the albums and the windows it opens,
// the cursor a drag shows, and the drops that must do nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "MailHandOff.h"
#include "MainCodeD2.h"
#include "ContextHelp.h"
#include "MasterProbe.h"
#include "MainWindowFixture.h"
#include "ModalScript.h"
#include "PrintParamD2.h"
#include "StandInSequencer.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "DataCodeD2.h"
#include "HourGlass.h"
#include "MainViews.h"

namespace {

// The mail window as far as the main window reaches it: the keys handed over.
class TRecordingMail : public TMailWindowLink {
public:
  std::vector<std::vector<int>> Attached;
  void SetMailCaption(const std::string&) override {}
  void ShowMailWindow() override {}
  void SetMailStatus(const std::string&) override {}
  void AttachTitles(const TStringList& keys) override {
    std::vector<int> k;
    for (int i = 0; i < keys.Count(); ++i)
      k.push_back(StrToInt(keys[i]));
    Attached.push_back(k);
  }
};

// A sequencer that runs something of the test's while a title opens, as a pump inside a start.
class THookedSequencer : public TEndingSequencer {
public:
  std::function<void()> OnOpen;
  uint32_t SendCommand(uint32_t id, uint32_t message, uintptr_t flags, uintptr_t params) override {
    if (message == MCI_OPEN && OnOpen) {
      auto hook = std::move(OnOpen);
      OnOpen = nullptr;
      hook();
    }
    return TEndingSequencer::SendCommand(id, message, flags, params);
  }
};

class Drags : public TMainWindowFixture {
protected:
  Drags() : TMainWindowFixture("tbdrags") {}
  THookedSequencer FSeq;
  TRecordingMail FMail;
  std::vector<TBoxSeen> FBoxes;
  const std::vector<int32_t>& K() { return FCat.Keys; }

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
    RegisterMailWindow(&FMail);
  }
  void TearDown() override {
    RegisterMailWindow(nullptr);
    TMainWindowFixture::TearDown();
  }
  void StartShown() {
    Start();
    SetWindowPos(FForm->Handle(), HWND_TOP, 0, 0, 1000, 700, SWP_SHOWWINDOW);
    SetForegroundWindow(FForm->Handle());
    ProcessMessages();
  }
  static void Mouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(INPUT));
  }
  // Each step waits until the window has taken it.
  static void MoveTo(POINT p) {
    SetCursorPos(p.x, p.y);
    Mouse(MOUSEEVENTF_MOVE);
    EXPECT_TRUE(PumpQueued());
  }
  // Presses at from, moves a few pixels there and then to to in steps, runs during with the
  // button still held, and releases.
  static void Drag(POINT from, POINT to, const std::function<void()>& during = nullptr) {
    // Two presses at one spot in quick succession would make a double click.
    static int shift = 0;
    shift = (shift + 6) % 18;
    from.x += shift;
    MoveTo(from);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(PumpQueued());
    MoveTo({from.x + 8, from.y});
    for (int i = 1; i <= 4; ++i)
      MoveTo({from.x + 8 + (to.x - from.x - 8) * i / 4, from.y + (to.y - from.y) * i / 4});
    if (during) during();
    Mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpQueued());
  }
  static POINT Centre(TWinControl* c) {
    RECT r{};
    GetWindowRect(c->Handle(), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  POINT Row(TMyStringGrid& grid, int32_t key) {
    RECT r = grid.CellRect(1, RowOfKey(grid, key));
    return grid.ClientToScreen({r.left + 4, (r.top + r.bottom) / 2});
  }
  static POINT Tab(TExtPageControl* tabs, int index) {
    RECT r = tabs->TabRect(index);
    return tabs->ClientToScreen({r.left + 6, (r.top + r.bottom) / 2});
  }
  POINT Line(int index) {
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageA(Probe(FForm).AllAlbLV()->Handle(), LVM_GETITEMRECT, index,
                 reinterpret_cast<LPARAM>(&r));
    return Probe(FForm).AllAlbLV()->ClientToScreen({r.left + 3, (r.top + r.bottom) / 2});
  }
  // Selects the rows of these keys in a focused grid.
  void Select(TMyStringGrid& grid, std::vector<int32_t> keys) {
    grid.SetFocus();
    ProcessMessages();
    grid.ClearSelection();
    for (int32_t key : keys)
      grid.SetRowSelected(RowOfKey(grid, key), true);
    grid.SaveSelection(); // as the user's clicks leave it
  }
  int PageOf(const std::string& name) {
    for (int i = 0; i < Probe(FForm).Categories()->PageCount(); ++i)
      if (Trim(Probe(FForm).Categories()->Pages(i)->Caption()) == name) return i;
    return -1;
  }
  TMyStringGrid& AlbumGrid(int index) { return *FForm->AlbumArea().Pages()[index]->GridControl(); }
  std::vector<int> ProgramKeys() {
    std::vector<int> keys;
    for (int i = 0; i < FForm->Road().Program().Count(); ++i)
      keys.push_back(FForm->Road().Program().Keys(i));
    return keys;
  }
  std::vector<int> AlbumKeys(int index) {
    TStringList keys;
    AlbumGrid(index).GetAllKeys(keys);
    std::vector<int> k;
    for (int i = 0; i < keys.Count(); ++i)
      k.push_back(StrToInt(keys[i]));
    return k;
  }
  bool InStore(int32_t key) {
    TTuneRec rec;
    return FForm->DMM2()->MyDB()->FindById(key, rec);
  }
  std::vector<std::string> AskedCaptions() {
    std::vector<std::string> out;
    for (const auto& r : FAnswers.Asked())
      out.push_back(r.Caption);
    return out;
  }
};

TEST_F(Drags, RowsReachEveryCommandButtonAndTheAlbums) {
  StartShown();
  TMyStringGrid& all = *Probe(FForm).AllCatGrid();
  const auto& k = K();

  // Play appends and starts; Replace puts its titles first and plays them.
  Select(all, {k[1]});
  Drag(Row(all, k[1]), Centre(Probe(FForm).Play()));
  EXPECT_EQ(ProgramKeys(), std::vector<int>{k[1]});
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), k[1]);
  Select(all, {k[0], k[2]});
  Drag(Row(all, k[2]), Centre(Probe(FForm).PlayReplace()));
  EXPECT_EQ(ProgramKeys(), (std::vector<int>{k[0], k[2], k[1]}));
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), k[0]);
  EXPECT_EQ(Probe(FForm).DragList().Count(), 0);

  // Mail hands the rows' keys to the mail window; Save asks once per title; Archive names the
  // count; Edit opens the title editor.
  Select(all, {k[0], k[3]});
  Drag(Row(all, k[0]), Centre(Probe(FForm).MailTitle()));
  ASSERT_EQ(FMail.Attached.size(), 1u);
  EXPECT_EQ(FMail.Attached[0], (std::vector<int>{k[0], k[3]}));
  FAnswers.Clear();
  Select(all, {k[0], k[3]});
  Drag(Row(all, k[3]), Centre(Probe(FForm).ExportTitle()));
  EXPECT_EQ(FAnswers.Asked().size(), 2u);
  FAnswers.Clear();
  Select(all, {k[0], k[1], k[3]});
  Drag(Row(all, k[1]), Centre(Probe(FForm).Archive()));
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_EQ(FAnswers.Asked()[0].Caption, "Enter the name for this 3-title archive...");
  FAnswers.Clear();
  Select(all, {k[2]});
  Drag(Row(all, k[2]), Centre(Probe(FForm).EditCat()));
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_EQ(FAnswers.Asked()[0].Kind, "TTuneAdder");

  // Rows dropped on an album line are added to that album, at its end, in the grid's order
  // (by category: "Folk" before "Jazz").
  ASSERT_EQ(Probe(FForm).Albums()->ActivePageIndex(), 0);
  Select(all, {k[1], k[2]});
  Drag(Row(all, k[1]), Line(0));
  EXPECT_EQ(AlbumKeys(0), (std::vector<int>{k[0], k[3], k[2], k[1]}));

  // Album rows dropped on the bin leave the album only.
  Probe(FForm).Albums()->SetActivePageIndex(1);
  ProcessMessages();
  TMyStringGrid& album = AlbumGrid(0);
  Select(album, {k[1]});
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  Drag(Row(album, k[1]), Centre(Probe(FForm).TrashCat()));
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "Delete this title from album \"Evening\"?");
  EXPECT_EQ(AlbumKeys(0), (std::vector<int>{k[0], k[3], k[2]}));
  EXPECT_TRUE(InStore(k[1]));

  // Category rows dropped on the album's grid join it; on the bin they leave the catalogue.
  Select(all, {k[1]});
  Drag(Row(all, k[1]), Centre(&album));
  EXPECT_EQ(AlbumKeys(0), (std::vector<int>{k[1], k[0], k[3], k[2]}));
  FBoxes.clear();
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  Select(all, {k[2]});
  Drag(Row(all, k[2]), Centre(Probe(FForm).TrashCat()));
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_FALSE(InStore(k[2]));
  // No title that moved up into the deleted row takes its selection.
  TStringList stillSelected;
  all.GetSelectedKeys(stillSelected);
  EXPECT_EQ(stillSelected.Count(), 0) << stillSelected.Text();
  EXPECT_EQ(RowOfKey(all, k[2]), -1);
  EXPECT_EQ(AlbumKeys(0), (std::vector<int>{k[1], k[0], k[3]}));
  CloseAndWait();
}

TEST_F(Drags, TabsAndAlbumLinesCarryTheirWholeArea) {
  StartShown();
  const auto& k = K();
  TExtPageControl* cats = Probe(FForm).Categories();
  const int folk = PageOf("Folk"), jazz = PageOf("Jazz");
  ASSERT_GT(folk, 0);
  ASSERT_GT(jazz, 0);

  // A category tab carries its whole category; the all-titles tab every title.
  Drag(Tab(cats, folk), Centre(Probe(FForm).MailTitle()));
  Drag(Tab(cats, 0), Centre(Probe(FForm).MailTitle()));
  ASSERT_EQ(FMail.Attached.size(), 2u);
  EXPECT_EQ(FMail.Attached[0], (std::vector<int>{k[0], k[2]}));
  EXPECT_EQ(FMail.Attached[1].size(), 4u);

  // The all-titles tab on the bin: only the notice, and nothing deleted.
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  Drag(Tab(cats, 0), Centre(Probe(FForm).TrashCat()));
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "\"ALL CATEGORIES\" is not a delete-able single category!");
  for (int32_t key : k)
    EXPECT_TRUE(InStore(key));
  FAnswers.Clear();

  // A category tab on Edit renames it; on the bin, after both questions, it goes with its titles.
  Drag(Tab(cats, jazz), Centre(Probe(FForm).EditCat()));
  ASSERT_EQ(FAnswers.Asked().size(), 1u);
  EXPECT_EQ(FAnswers.Asked()[0].Kind, "TRenamer");
  FAnswers.Clear();
  FBoxes.clear();
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  Drag(Tab(cats, jazz), Centre(Probe(FForm).TrashCat()));
  ASSERT_EQ(FBoxes.size(), 2u);
  EXPECT_EQ(FBoxes[0].Text, "Permanently delete all \"Jazz\" titles from the database?");
  EXPECT_EQ(PageOf("Jazz"), -1);
  EXPECT_FALSE(InStore(k[1]));
  EXPECT_FALSE(InStore(k[3]));
  EXPECT_TRUE(InStore(k[0]));

  // A category tab on an album line adds the category; an album line on another album adds its
  // titles, and on its own line it is refused.
  Probe(FForm).AlbList()->FindOrAddAlbum("Morning");
  ProcessMessages();
  ASSERT_EQ(Probe(FForm).AllAlbLV()->ItemCount(), 2);
  Drag(Tab(cats, PageOf("Folk")), Line(1));
  EXPECT_EQ(AlbumKeys(1), (std::vector<int>{k[0], k[2]}));
  Probe(FForm).Albums()->SetActivePageIndex(0);
  ProcessMessages();
  Drag(Line(0), Line(1));
  EXPECT_EQ(AlbumKeys(1), (std::vector<int>{k[0], k[2], k[0]}));
  const std::vector<int> evening = AlbumKeys(0);
  Drag(Line(0), {Line(0).x + 20, Line(0).y});
  EXPECT_EQ(AlbumKeys(0), evening);

  // An album line on Mail carries the album; an album tab on the bin deletes the album.
  FMail.Attached.clear();
  Drag(Line(1), Centre(Probe(FForm).MailTitle()));
  ASSERT_EQ(FMail.Attached.size(), 1u);
  EXPECT_EQ(FMail.Attached[0], (std::vector<int>{k[0], k[2], k[0]}));
  FBoxes.clear();
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  Drag(Tab(Probe(FForm).Albums(), 2), Centre(Probe(FForm).TrashCat()));
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "Permanently delete album \"Morning\"?");
  EXPECT_EQ(Probe(FForm).AlbList()->Count(), 1);
  EXPECT_EQ(Probe(FForm).AllAlbLV()->ItemCount(), 1);
  CloseAndWait();
}

TEST_F(Drags, PrintTakesRowsTabsAndAlbumLinesWithTheirHeadings) {
  StartShown();
  const auto& k = K();
  // Each drop opens the print options window with its heading; cancelled there, nothing prints.
  auto heading = [this](const std::function<void()>& drop) {
    std::string seen = "(not asked)";
    FAnswers.Push([&seen](TModalRequest& r) {
      if (auto* f = dynamic_cast<TPrintParamFrm*>(r.Form)) seen = f->Edit1->Text();
      return mrCancel;
    });
    drop();
    FAnswers.Clear();
    return seen;
  };
  TMyStringGrid& all = *Probe(FForm).AllCatGrid();
  Select(all, {k[0], k[3]});
  EXPECT_EQ(heading([&] { Drag(Row(all, k[0]), Centre(Probe(FForm).PrintCat())); }),
            "Selected titles from: ALL CATEGORIES");
  EXPECT_EQ(
      heading([&] { Drag(Tab(Probe(FForm).Categories(), 0), Centre(Probe(FForm).PrintCat())); }),
      "ALL CATEGORIES");
  EXPECT_EQ(heading([&] {
              Drag(Tab(Probe(FForm).Categories(), PageOf("Jazz")), Centre(Probe(FForm).PrintCat()));
            }),
            "Category: Jazz");
  EXPECT_EQ(heading([&] { Drag(Line(0), Centre(Probe(FForm).PrintCat())); }),
            "Custom album: Evening");
  // A click alone prints nothing.
  EXPECT_EQ(heading([&] { SendMessageA(Probe(FForm).PrintCat()->Handle(), BM_CLICK, 0, 0); }),
            "(not asked)");
  CloseAndWait();
}

TEST_F(Drags, TheCursorTellsOneFromManyAndEmptyOrBusyDragsDoNothing) {
  // The program's own two cursors, as its resources carry them (this test program has none).
  const std::string res = WinPath(EnvVar("TB_SOURCE_DIR") + "/classlib/res/");
  HCURSOR one = LoadCursorFromFileA((res + "DragSingle.cur").c_str());
  HCURSOR many = LoadCursorFromFileA((res + "DragMulti.cur").c_str());
  ASSERT_TRUE(one && many);
  Screen->SetCursors(crDrag, one);
  Screen->SetCursors(crMultiDrag, many);
  TScopeExit standard([] {
    Screen->SetCursors(crDrag, LoadCursorA(nullptr, IDC_ARROW));
    Screen->SetCursors(crMultiDrag, LoadCursorA(nullptr, IDC_ARROW));
  });
  StartShown();
  const auto& k = K();
  TMyStringGrid& all = *Probe(FForm).AllCatGrid();
  HCURSOR seen = nullptr;
  Select(all, {k[0]});
  Drag(Row(all, k[0]), Centre(Probe(FForm).MailTitle()), [&] { seen = GetCursor(); });
  EXPECT_EQ(seen, one);
  Select(all, {k[0], k[1]});
  Drag(Row(all, k[0]), Centre(Probe(FForm).MailTitle()), [&] { seen = GetCursor(); });
  EXPECT_EQ(seen, many);
  // A category tab carries several titles: the many-titles cursor, and no drop over a place that
  // takes none.
  Drag(Tab(Probe(FForm).Categories(), PageOf("Folk")), Centre(Probe(FForm).StatusBar1()),
       [&] { seen = GetCursor(); });
  EXPECT_EQ(seen, Screen->Cursors(crNoDrop));
  ASSERT_EQ(FMail.Attached.size(), 2u);

  // An empty category carries nothing: refused, and nothing is played.
  FForm->CatList()->FindOrAddCategory("Empty");
  ProcessMessages();
  Drag(Tab(Probe(FForm).Categories(), PageOf("Empty")), Centre(Probe(FForm).Play()),
       [&] { seen = GetCursor(); });
  EXPECT_EQ(seen, Screen->Cursors(crNoDrop));
  EXPECT_TRUE(ProgramKeys().empty());

  // While a long command keeps the window busy, a drop runs nothing.
  {
    TBusyState busy(*FForm);
    Select(all, {k[1]});
    Drag(Row(all, k[1]), Centre(Probe(FForm).Play()));
    EXPECT_TRUE(ProgramKeys().empty());
  }
  // In help mode a press on a tab only shows its help: no drag starts.
  FForm->ContextHelp().Contextsensitive1Click(nullptr);
  Drag(Tab(Probe(FForm).Categories(), PageOf("Folk")), Centre(Probe(FForm).MailTitle()));
  EXPECT_NE(Screen->Cursor(), TContextHelp::HelpCursor);
  EXPECT_EQ(FMail.Attached.size(), 2u);
  EXPECT_EQ(Probe(FForm).DragList().Count(), 0);
  CloseAndWait();
}

TEST_F(Drags, ACategoryDroppedOnTheBinWhileADoubleClickStartsItsTitleKeepsTheWindowWhole) {
  StartShown();
  const auto& k = K();
  const int folk = PageOf("Folk");
  Probe(FForm).Categories()->SetActivePageIndex(folk);
  ProcessMessages();
  TMyStringGrid& grid = *FForm->CategoryArea().Pages()[folk - 1]->GridControl();
  ASSERT_GT(RowOfKey(grid, k[0]), 0);
  // A real double click; while its title opens, the button comes up and the tab is dragged onto
  // the bin.
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  FAnswers.Push(RecordBox(mrOk, FBoxes));
  FSeq.OnOpen = [&] {
    Mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpQueued());
    Drag(Tab(Probe(FForm).Categories(), folk), Centre(Probe(FForm).TrashCat()));
    // The menu's delete waits as well.
    Probe(FForm).Item("Deletecategory1")->Click();
  };
  MoveTo(Row(grid, k[0]));
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Mouse(MOUSEEVENTF_LEFTUP);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  PumpUntil([&] { return !FSeq.OnOpen; }, 3000);
  EXPECT_TRUE(PumpQueued());
  ASSERT_FALSE(FSeq.OnOpen) << "the double click started no title";
  EXPECT_EQ(FForm->Road().MasterKeyPlaying(), k[0]);
  EXPECT_TRUE(FBoxes.empty());
  EXPECT_EQ(PageOf("Folk"), folk);
  // Once the start is over the same drop deletes the category.
  Drag(Tab(Probe(FForm).Categories(), folk), Centre(Probe(FForm).TrashCat()));
  EXPECT_EQ(FBoxes.size(), 2u);
  EXPECT_EQ(PageOf("Folk"), -1);
  EXPECT_FALSE(InStore(k[0]));
  CloseAndWait();
}

} // namespace
