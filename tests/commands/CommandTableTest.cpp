// The catalogue's command table through the main window: which items can act in which state (main
// menus opened, pop-ups read as a right button opens them), where each command's titles come
// from, seen by what it does, the confirmations, and mailing from the menus into the mail window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include "../mainwin/MainWindowFixture.h"
#include "../mainwin/ModalScript.h"
#include "../mainwin/StandInSequencer.h"
#include "MailHandOff.h"
#include "MailServices.h"
#include "smtpmainD2.h"
#include "DataCodeD2.h"
#include "MainViews.h"

namespace {

using TKeys = std::multiset<int32_t>;

class TRecordingMail : public TMailWindowLink {
public:
  std::vector<TKeys> Attached;
  void SetMailCaption(const std::string&) override {}
  void ShowMailWindow() override {}
  void SetMailStatus(const std::string&) override {}
  void AttachTitles(const TStringList& keys) override {
    TKeys k;
    for (int i = 0; i < keys.Count(); ++i)
      k.insert(std::stoi(keys[i]));
    Attached.push_back(k);
  }
};

class CommandTable : public TMainWindowFixture {
protected:
  CommandTable() : TMainWindowFixture("tbcmdtable") {}

public:
  using TMainWindowFixture::FCat;
  TEndingSequencer FSeq;
  TRecordingMail FMail;
  std::map<std::string, bool> FShown; // every item of the last pop-up, enabled or not
  std::vector<std::string> FPopUps;   // the pop-ups opened, by name
  std::deque<std::string> FPicks;     // the items the user chooses in the next pop-ups

  void SetUp() override {
    TMainWindowFixture::SetUp();
    SetMainMciDriver(&FSeq);
    RegisterMailWindow(&FMail);
    TPopupMenu::SetPopupHook([this](TPopupMenu& menu) -> TMenuItem* {
      FPopUps.push_back(menu.Name());
      FShown.clear();
      std::function<void(TMenuItem&)> walk = [&](TMenuItem& parent) {
        for (int i = 0; i < parent.Count(); ++i) {
          FShown[parent.Items(i)->Name()] = parent.Items(i)->Enabled();
          walk(*parent.Items(i));
        }
      };
      walk(menu.Items());
      if (FPicks.empty()) return nullptr;
      std::string pick = FPicks.front();
      FPicks.pop_front();
      return Item(pick);
    });
  }
  void TearDown() override {
    TPopupMenu::SetPopupHook(nullptr);
    RegisterMailWindow(nullptr);
    TMainWindowFixture::TearDown();
  }
  TMenuItem* Item(const std::string& name) {
    auto* m = dynamic_cast<TMenuItem*>(FForm->FindComponent(name));
    EXPECT_TRUE(m) << name;
    return m;
  }
  // Opens the menus down to the item as the user does and answers whether it can be chosen.
  bool Opened(const std::string& name) {
    TMenuItem* item = Item(name);
    if (!item) return false;
    std::vector<TMenuItem*> chain;
    for (TMenuItem* p = item->Parent(); p && p->Parent(); p = p->Parent())
      chain.insert(chain.begin(), p);
    bool reachable = true;
    for (TMenuItem* m : chain) {
      reachable = reachable && m->Enabled();
      SendMessageA(FForm->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m->Handle()), 0);
    }
    return reachable && item->Enabled();
  }
  // Chooses a main-menu item: the window hears the command a click on it sends.
  void Choose(const std::string& name) {
    ASSERT_TRUE(Opened(name)) << name << " cannot be chosen";
    SendMessageA(FForm->Handle(), WM_COMMAND, MAKEWPARAM(Item(name)->Command(), 0), 0);
    ProcessMessages();
  }
  void Mouse(HWND window, UINT message, WPARAM keys, POINT at) {
    SendMessageA(window, message, keys, MAKELPARAM(at.x, at.y));
  }
  void ClickTab(TExtPageControl* tabs, int index) {
    RECT r = tabs->TabRect(index);
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    Mouse(tabs->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    Mouse(tabs->Handle(), WM_LBUTTONUP, 0, at);
    ProcessMessages();
  }
  void RightClickTab(TExtPageControl* tabs) {
    RECT r = tabs->TabRect(0);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tabs->Handle(), &p);
    SendMessageA(tabs->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tabs->Handle()),
                 MAKELPARAM(p.x, p.y));
    ProcessMessages();
  }
  // A click on a row; keys adds MK_CONTROL or MK_SHIFT.
  void ClickRow(TMyStringGrid& grid, int row, WPARAM keys = 0, bool right = false) {
    RECT r = grid.CellRect(1, row);
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    Mouse(grid.Handle(), right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN,
          keys | (right ? MK_RBUTTON : MK_LBUTTON), at);
    Mouse(grid.Handle(), right ? WM_RBUTTONUP : WM_LBUTTONUP, keys, at);
    ProcessMessages();
  }
  void ClickRows(TMyStringGrid& grid, std::initializer_list<int32_t> keys) {
    WPARAM with = 0;
    for (int32_t key : keys) {
      ClickRow(grid, RowOfKey(grid, key), with);
      with = MK_CONTROL;
    }
  }
  int CategoryTab(const std::string& name) {
    for (int i = 0; i < Probe(FForm).Categories()->PageCount(); ++i)
      if (Trim(Probe(FForm).Categories()->Pages(i)->Caption()) == name) return i;
    ADD_FAILURE() << name;
    return 0;
  }
  TMyStringGrid& AlbumGrid() { return *FForm->AlbumArea().Pages().front()->GridControl(); }
  POINT AlbumLine(int index) {
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(Probe(FForm).AllAlbLV()->Handle(), LVM_GETITEMRECT, index,
                 reinterpret_cast<LPARAM>(&r));
    return POINT{r.left + 8, (r.top + r.bottom) / 2};
  }
  TKeys Keys(std::initializer_list<int> indexes) {
    TKeys out;
    for (int i : indexes)
      out.insert(FCat.Keys[i]);
    return out;
  }
  TKeys ProgramKeys() {
    TKeys out;
    for (int i = 0; i < FForm->Road().Program().Count(); ++i)
      out.insert(FForm->Road().Program().Keys(i));
    return out;
  }
  std::vector<std::string> SaveCaptions() {
    std::vector<std::string> out;
    for (const TModalRequest& r : FAnswers.Asked())
      if (r.Dialog) out.push_back(r.Caption);
    return out;
  }
};

// --- enabling: one condition each, made false and true by the user's own steps ------------------

struct TCondition {
  const char* Name;
  bool Albums; // the area whose menu and tab pop-up show the items
  std::function<void(CommandTable&, TMasterFrm&)> MakeFalse, MakeTrue;
  std::vector<const char*> Items, Twins;
};

class Enabling : public CommandTable, public testing::WithParamInterface<TCondition> {};

TEST_P(Enabling, ItemsActExactlyWhileTheConditionHolds) {
  Start();
  const TCondition& c = GetParam();
  for (bool holds : {false, true}) {
    (holds ? c.MakeTrue : c.MakeFalse)(*this, *FForm);
    for (const char* name : c.Items)
      EXPECT_EQ(Opened(name), holds) << name << (holds ? " off" : " on") << " in " << c.Name;
    RightClickTab(c.Albums ? Probe(FForm).Albums() : Probe(FForm).Categories());
    for (const char* name : c.Twins) {
      ASSERT_TRUE(FShown.count(name)) << name;
      EXPECT_EQ(FShown[name], holds) << name << (holds ? " off" : " on") << " in " << c.Name;
    }
  }
  CloseAndWait();
}

void CategoryPage(CommandTable& t, TMasterFrm& f, bool page) {
  t.ClickTab(Probe(f).Categories(), page ? t.CategoryTab("Jazz") : 0);
}

const TCondition Conditions[] = {
    {"a category page",
     false,
     [](auto& t, auto& f) { CategoryPage(t, f, false); },
     [](auto& t, auto& f) { CategoryPage(t, f, true); },
     {"Renameexisting1", "Activecategory1", "Activecategory2", "Category2", "Activecategory3",
      "Categoryselected2"},
     {"Rename2", "Activecategory4", "Activecategory5", "Activecategory6", "Activecategory7",
      "Activecategory8"}},
    {"ALL CATEGORIES",
     false,
     [](auto& t, auto& f) { CategoryPage(t, f, true); },
     [](auto& t, auto& f) { CategoryPage(t, f, false); },
     {"Category1"},
     {"Category3"}},
    {"selected category titles",
     false,
     [](auto& t, auto& f) {
       Probe(f).AllCatGrid()->ClearSelection();
       t.ClickTab(Probe(f).Categories(), 0);
     },
     [](auto& t, auto& f) {
       t.ClickRows(*Probe(f).AllCatGrid(), {t.FCat.Keys[1], t.FCat.Keys[2]});
     },
     {"Titlesselected8", "Titlesselected6", "Titlesselected4", "Titlesselected10",
      "Titlesselected5"},
     {"Titlesselected14", "Titlesselected15", "Titlesselected16"}},
    {"an album page or line",
     true,
     [](auto& t, auto& f) {
       t.ClickTab(Probe(f).Albums(), 0);
       Probe(f).AllAlbLV()->Items(0).SetSelected(false);
     },
     [](auto&, auto& f) { Probe(f).AllAlbLV()->Items(0).SetSelected(true); },
     {"Albumselected4", "Albumselected3", "Albumselected1", "Albumsselected1", "Albumselected2",
      "Rename1"},
     {"Rename3", "Albumselected6", "Albumselected7", "Albumselected8", "Albumselected9",
      "Albumselected10"}},
    {"selected album titles",
     true,
     [](auto& t, auto& f) {
       t.ClickTab(Probe(f).Albums(), 1);
       t.AlbumGrid().ClearSelection();
       t.ClickTab(Probe(f).Albums(), 1);
     },
     [](auto& t, auto&) { t.ClickRow(t.AlbumGrid(), 1); },
     {"Titlesselected7", "Titlesselected3", "Titlesselected1", "Titlesselected9",
      "Titlesselected2"},
     {"Titlesselected18", "Titlesselected19", "Titlesselected20", "Titlesselected21",
      "Titlesselected22"}},
};

INSTANTIATE_TEST_SUITE_P(Table, Enabling, testing::ValuesIn(Conditions),
                         [](const auto& info) { return "Condition" + std::to_string(info.index); });

TEST_F(CommandTable, AllAlbumsItemsNeedAlbumLinesAndMailNeedsTheMailWindow) {
  Start();
  ClickTab(Probe(FForm).Albums(), 1); // the Delete sub-menu needs an album
  const std::vector<const char*> all = {"Allalbums5", "Allalbums4", "Allalbums2", "Allalbums6",
                                        "Allalbums3"};
  for (const char* name : all)
    EXPECT_TRUE(Opened(name)) << name;
  // Without a mail window only the mail items go off.
  RegisterMailWindow(nullptr);
  EXPECT_FALSE(Opened("Allalbums2"));
  EXPECT_TRUE(Opened("Allalbums3"));
  RegisterMailWindow(&FMail);
  FAnswers.Push(mrYes);
  FAnswers.Push(mrOk);
  Item("Allalbums4")->Click(); // every album deleted
  for (const char* name : all) {
    Opened(name);
    EXPECT_FALSE(Item(name)->Enabled()) << name << " with no album lines";
  }
  RightClickTab(Probe(FForm).Albums());
  for (const char* name : {"Allalbums7", "Allalbums8", "Allalbums9", "Allalbums10", "Allalbums11"})
    EXPECT_FALSE(FShown[name]) << name;
  CloseAndWait();
}

// --- key sources, by what the commands do -------------------------------------------------------

TEST_F(CommandTable, MailCarriesEachSourcesTitles) {
  Start();
  const auto& k = FCat.Keys;
  ClickRows(*Probe(FForm).AllCatGrid(), {k[1], k[2]});
  Choose("Titlesselected4");
  Choose("Allcategories1");
  // On "ALL CATEGORIES" the active-category command has nothing to mail.
  Item("Category2")->Click();
  ClickTab(Probe(FForm).Categories(), CategoryTab("Jazz"));
  Choose("Category2");
  FPicks = {"Activecategory6"};
  RightClickTab(Probe(FForm).Categories());
  ClickTab(Probe(FForm).Albums(), 1);
  Choose("Albumselected1");
  AlbumGrid().ClearSelection();
  ClickRow(AlbumGrid(), RowOfKey(AlbumGrid(), k[3]));
  Choose("Titlesselected1");
  std::vector<TKeys> expected = {Keys({1, 2}), Keys({0, 1, 2, 3}), Keys({1, 3}),
                                 Keys({1, 3}), Keys({0, 3}),       Keys({3})};
  EXPECT_EQ(FMail.Attached, expected);

  // Mailing all albums asks first, with the count; Cancel mails nothing.
  std::vector<TBoxSeen> boxes;
  FAnswers.Push(RecordBox(mrCancel, boxes));
  Choose("Allalbums2");
  FAnswers.Push(RecordBox(mrOk, boxes));
  FPicks = {"Allalbums9"};
  RightClickTab(Probe(FForm).Albums());
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Text, "Are you sure you want to mail 2 title(s)?");
  std::vector<int> okCancel{IDOK, IDCANCEL};
  EXPECT_EQ(boxes[0].Ids, okCancel);
  expected.push_back(Keys({0, 3}));
  EXPECT_EQ(FMail.Attached, expected);
  CloseAndWait();
}

TEST_F(CommandTable, SaveAndArchiveAskForEachSourcesTitles) {
  Start();
  const auto& k = FCat.Keys;
  TTuneRec one, two;
  ASSERT_TRUE(FForm->DMM2()->MyDB()->FindById(k[1], one));
  ASSERT_TRUE(FForm->DMM2()->MyDB()->FindById(k[2], two));
  ClickRows(*Probe(FForm).AllCatGrid(), {k[1], k[2]});
  Choose("Titlesselected5"); // one save dialog per title, each cancelled
  std::vector<std::string> saves = SaveCaptions();
  std::sort(saves.begin(), saves.end());
  std::vector<std::string> named{"Save " + Trim(one.Title) + " to...",
                                 "Save " + Trim(two.Title) + " to..."};
  std::sort(named.begin(), named.end());
  EXPECT_EQ(saves, named);

  ClickTab(Probe(FForm).Categories(), CategoryTab("Jazz"));
  FAnswers.Clear();
  Choose("Activecategory3");
  EXPECT_EQ(SaveCaptions(), std::vector<std::string>{"Enter the name for this 2-title archive..."});

  // Saving the whole catalogue asks with Yes and Cancel; Cancel saves nothing.
  std::vector<TBoxSeen> boxes;
  FAnswers.Clear();
  FAnswers.Push(RecordBox(mrCancel, boxes));
  Choose("Allcategories2");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Are you sure you want to save 4 title(s) to disk?");
  std::vector<int> yesCancel{IDYES, IDCANCEL};
  EXPECT_EQ(boxes[0].Ids, yesCancel);
  EXPECT_TRUE(SaveCaptions().empty());
  // All albums: OK and Cancel, then a dialog per title.
  FAnswers.Push(RecordBox(mrOk, boxes));
  Choose("Allalbums3");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].Text, "Are you sure you want to save 2 titles to disk?");
  EXPECT_EQ(SaveCaptions().size(), 2u);
  // The album selected saves what is selected of the album: on its page the selected title
  // only, nothing without a selection; on "ALL ALBUMS" the whole album of the selected line.
  ClickTab(Probe(FForm).Albums(), 1);
  AlbumGrid().ClearSelection();
  TTuneRec last;
  ASSERT_TRUE(FForm->DMM2()->MyDB()->FindById(k[3], last));
  ClickRow(AlbumGrid(), RowOfKey(AlbumGrid(), k[3]));
  FAnswers.Clear();
  Choose("Albumselected2");
  EXPECT_EQ(SaveCaptions(), std::vector<std::string>{"Save " + Trim(last.Title) + " to..."});
  AlbumGrid().ClearSelection();
  FAnswers.Clear();
  Choose("Albumselected2");
  EXPECT_TRUE(SaveCaptions().empty());
  ClickTab(Probe(FForm).Albums(), 0);
  Probe(FForm).AllAlbLV()->Items(0).SetSelected(true);
  FAnswers.Clear();
  Choose("Albumselected2");
  EXPECT_EQ(SaveCaptions().size(), 2u);
  // On "ALL CATEGORIES" the active-category commands do nothing at all.
  ClickTab(Probe(FForm).Categories(), 0);
  FAnswers.Clear();
  for (const char* name : {"Categoryselected2", "Activecategory3", "Category2"})
    Item(name)->Click();
  EXPECT_TRUE(FAnswers.Asked().empty());
  EXPECT_TRUE(FMail.Attached.empty());
  CloseAndWait();
}

TEST_F(CommandTable, PlayAndTheMouseInTheAreas) {
  Start();
  const auto& k = FCat.Keys;
  ClickRows(*Probe(FForm).AllCatGrid(), {k[2]});
  Choose("Play3"); // the Titles menu plays the view in use's selection
  EXPECT_EQ(ProgramKeys(), Keys({2}));
  // The right button in a grid offers the selection to the program.
  ClickTab(Probe(FForm).Albums(), 1);
  AlbumGrid().ClearSelection();
  ClickRow(AlbumGrid(), RowOfKey(AlbumGrid(), k[0]));
  FPicks = {"PlayB"};
  ClickRow(AlbumGrid(), RowOfKey(AlbumGrid(), k[0]), 0, true);
  EXPECT_EQ(ProgramKeys(), Keys({0, 2}));
  FPicks = {"Allcategories6", "PlayB"};
  RightClickTab(Probe(FForm).Categories());
  EXPECT_EQ(FPopUps.back(), "PlayPopUp");
  EXPECT_EQ(ProgramKeys(), Keys({0, 0, 1, 2, 2, 3}));

  // The album list: the right button opens the albums' pop-up, a double click the album's page.
  ClickTab(Probe(FForm).Albums(), 0);
  HWND list = Probe(FForm).AllAlbLV()->Handle();
  POINT line = AlbumLine(0);
  PostMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(line.x, line.y));
  Mouse(list, WM_RBUTTONDOWN, MK_RBUTTON, line);
  ProcessMessages();
  EXPECT_EQ(FPopUps.back(), "AlbPopUp");
  Probe(FForm).AllAlbLV()->Items(0).SetSelected(true);
  Mouse(list, WM_LBUTTONDBLCLK, MK_LBUTTON, line);
  ProcessMessages();
  EXPECT_EQ(Probe(FForm).Albums()->ActivePageIndex(), 1);
  CloseAndWait();
}

// --- mailing from the catalogue's menus into the mail window ------------------------------------

TEST_F(CommandTable, MailedTitlesArriveInTheMailWindow) {
  Start();
  InstallMailServices();
  auto* mail = new TMailForm(nullptr);
  mail->AfterConstruction();
  const auto& k = FCat.Keys;
  ClickRows(*Probe(FForm).AllCatGrid(), {k[0], k[1]});
  Choose("Titlesselected4");
  EXPECT_EQ(mail->Caption(), " Mail the attached 2 title(s)");
  ASSERT_EQ(mail->ListView1->ItemCount(), 2);
  std::set<std::string> sent, stored;
  for (int i = 0; i < 2; ++i)
    sent.insert(ReadFileBytes(mail->ListView1->Items(i).SubItems(2)));
  for (int i = 0; i < 2; ++i)
    stored.insert(ReadFileBytes(FCat.Files[i]));
  EXPECT_EQ(sent, stored);
  delete mail;
  CloseAndWait();
}

} // namespace
