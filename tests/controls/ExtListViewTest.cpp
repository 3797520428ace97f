// The extended list view under real window messages: header clicks sort by the numeric or text
// rule, column settings round-trip through the registry, owner data never overruns a buffer.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "ExtListView.h"
#include "Forms.h"
#include "Messages.h"
#include "Registry.h"
#include "TestUtil.h"

namespace {

const char* const kKey = "Software\\TonalbrookTests\\ExtListView";

void DeleteTestKey() {
  TRegistry reg;
  reg.DeleteKey(std::string("\\") + kKey);
}

std::string StoredValue(const char* name) {
  TRegistry reg;
  if (!reg.OpenKeyReadOnly(std::string(kKey) + "\\Columns")) return "<no key>";
  return reg.ReadString(name);
}

struct TListFixture {
  TForm Form{nullptr};
  TExtListView* List;
  explicit TListFixture(bool autoSave = false) {
    Form.SetBounds(60, 60, 460, 300);
    List = new TExtListView(&Form);
    List->BeginLoading();
    List->SetBounds(8, 8, 420, 240);
    List->SetViewStyle(vsReport);
    List->SaveSettings().SetAutoSave(autoSave);
    List->SaveSettings().SetRegistryKey(kKey);
    List->AddColumn("Name", 100);
    List->AddColumn("Size", 60);
    List->AddColumn("Date", 90);
    List->SetParent(&Form);
    List->EndLoading();
    Form.Show();
    ProcessMessages();
  }
  // Clicks a column header as the user does.
  void ClickHeader(int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(List->Handle(), LVM_GETHEADER, 0, 0));
    RECT r{};
    SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
    ProcessMessages();
  }
  std::string Column(int column) {
    std::string s;
    for (int i = 0; i < List->ItemCount(); ++i)
      s += (i ? "," : "") + List->CellText(i, column);
    return s;
  }
};

} // namespace

TEST(ExtListView, NumericTextIsNumberOnlyWhenItParsesCompletely) {
  EXPECT_EQ(CompareColumnTexts("1.5", "1.2", 1, 1), 0); // less than 1 apart
  EXPECT_GT(CompareColumnTexts("10", "9", 1, 1), 0);
  EXPECT_LT(CompareColumnTexts("10", "9", 1, -1), 0);
  EXPECT_LT(CompareColumnTexts("", "5", 1, 1), 0); // the empty text is 0
  // Texts made of number characters that are no number compare as text, without failing.
  EXPECT_LT(CompareColumnTexts("2001-05-03", "2001-05-04", 2, 1), 0);
  EXPECT_GT(CompareColumnTexts("2001-05-03", "1999-12-31", 2, 1), 0);
  EXPECT_NE(CompareColumnTexts("-", "3", 1, 1), 0);
  EXPECT_NE(CompareColumnTexts("1e999", "1", 1, 1), 0);
  EXPECT_GT(CompareColumnTexts("abc", "12", 1, 1), 0); // text: letters after digits
  // The caption folds case; sub-items use the locale's rule.
  EXPECT_EQ(CompareColumnTexts("Abc", "aBC", 0, 1), 0);
}

TEST(ExtListView, HeaderClicksSortAndASecondClickReverses) {
  TListFixture f;
  f.List->SetAutoColumnSort(acsSortToggle);
  f.List->AddItem("delta", {"10", "2001-05-03"});
  f.List->AddItem("Alpha", {"9", "-"});
  f.List->AddItem("charlie", {"", "2001-05-04"});
  f.List->AddItem("bravo", {"100", "1999-12-31"});
  f.ClickHeader(1);
  EXPECT_EQ(f.Column(1), ",9,10,100");
  EXPECT_EQ(f.Column(0), "charlie,Alpha,delta,bravo");
  EXPECT_EQ(f.List->Items(0).Caption(), "charlie"); // the item list follows the window
  f.ClickHeader(1);
  EXPECT_EQ(f.Column(1), "100,10,9,");
  f.ClickHeader(0); // another column starts ascending again
  EXPECT_EQ(f.Column(0), "Alpha,bravo,charlie,delta");
  EXPECT_EQ(f.List->LastColumnSorted(), 0);
  // Dates and a lone "-" sort as text instead of failing as numbers.
  f.ClickHeader(2);
  EXPECT_EQ(f.Column(2), "-,1999-12-31,2001-05-03,2001-05-04");
  // Lines selected in the window, as a user selects them: the list reports them in its order.
  EXPECT_EQ(f.List->SelCount(), 0);
  EXPECT_EQ(f.List->Selected(), nullptr);
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  for (int line : {3, 1})
    SendMessageA(f.List->Handle(), LVM_SETITEMSTATE, line, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(f.List->SelCount(), 2);
  ASSERT_NE(f.List->Selected(), nullptr);
  EXPECT_EQ(f.List->Selected()->Caption(), "bravo");
}

TEST(ExtListView, DescendingFirstSortAndNoSortWithoutAutoColumnSort) {
  TListFixture f;
  f.List->AddItem("b", {"1"});
  f.List->AddItem("a", {"3"});
  f.List->AddItem("c", {"2"});
  f.ClickHeader(0);
  EXPECT_EQ(f.Column(0), "b,a,c");
  f.List->SetAutoColumnSort(acsSort);
  f.List->SetAutoSortAscending(false);
  f.ClickHeader(1);
  EXPECT_EQ(f.Column(1), "3,2,1");
  f.ClickHeader(1); // plain sorting does not toggle
  EXPECT_EQ(f.Column(1), "3,2,1");
}

TEST(ExtListView, ColumnOrderAndWidthsRoundTripThroughTheRegistry) {
  DeleteTestKey();
  {
    TListFixture f(true);
    f.List->SetColumnOrder({2, 0, 1});
    f.List->Columns(0).SetWidth(120);
    f.List->Columns(2).SetWidth(33);
  }
  EXPECT_EQ(StoredValue("Order"), "2,0,1");
  EXPECT_EQ(StoredValue("Sizes"), "120,60,33");
  {
    TListFixture f(true);
    EXPECT_EQ(f.List->ColumnOrder(), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(f.List->Columns(0).Width(), 120);
    EXPECT_EQ(f.List->Columns(2).Width(), 33);
  }
  DeleteTestKey();
}

TEST(ExtListView, CorruptStoredSettingsAreIgnored) {
  for (const char* order : {"0,0,1", "3,1,0", "x,1,2", "1,0", ""}) {
    SCOPED_TRACE(order);
    DeleteTestKey();
    {
      TRegistry reg;
      ASSERT_TRUE(reg.OpenKey(std::string(kKey) + "\\Columns", true));
      reg.WriteString("Order", order);
      reg.WriteString("Sizes", "abc,-5,77,99");
    }
    TListFixture f(true);
    EXPECT_EQ(f.List->ColumnOrder(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(f.List->Columns(0).Width(), 100);
    EXPECT_EQ(f.List->Columns(1).Width(), 60);
    EXPECT_EQ(f.List->Columns(2).Width(), 77);
  }
  // Extra numbers beyond the columns are ignored.
  EXPECT_EQ(ParseColumnOrder("1,2,0,7", 3), (std::vector<int>{1, 2, 0}));
  DeleteTestKey();
}

TEST(ExtListView, WithoutAutoSaveTheRegistryIsLeftAlone) {
  DeleteTestKey();
  {
    TListFixture f(false);
    f.List->Columns(0).SetWidth(150);
  }
  EXPECT_EQ(StoredValue("Sizes"), "<no key>");
}

TEST(ExtListView, OwnerDataTextNeverOverrunsTheBuffer) {
  TListFixture f;
  f.List->SetVirtualMode(true);
  f.List->SetOwnerDataCount(3);
  std::vector<int> asked;
  f.List->OnODGetItemInfo = [&](TObject*, int item, int sub, TLVODMaskItems mask, int&, int&, int&,
                                int&, std::string& text) {
    asked.push_back(item);
    if (mask.Contains(lvifText))
      text = "Row " + std::to_string(item) + " col " + std::to_string(sub) + " with a long text";
  };
  EXPECT_TRUE(GetWindowLongA(f.List->Handle(), GWL_STYLE) & LVS_OWNERDATA);
  EXPECT_EQ(f.List->CellText(1, 2), "Row 1 col 2 with a long text");
  char buf[16];
  memset(buf, 'X', sizeof buf);
  LVITEMA item{};
  item.iSubItem = 0;
  item.pszText = buf;
  item.cchTextMax = 8;
  SendMessageA(f.List->Handle(), LVM_GETITEMTEXTA, 2, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(item.pszText, "Row 2 c");
  EXPECT_EQ(buf[8], 'X'); // nothing past the buffer
  // Called directly, as the notification does.
  LVITEMA direct{};
  direct.mask = LVIF_TEXT;
  direct.iItem = 0;
  direct.pszText = buf;
  direct.cchTextMax = 4;
  memset(buf, 'X', sizeof buf);
  f.List->ODGetItemInfo(direct);
  EXPECT_STREQ(buf, "Row");
  EXPECT_EQ(buf[4], 'X');
  EXPECT_FALSE(asked.empty());
}

TEST(ExtListView, ExtendedStylesReachTheWindowAndSurviveANewWindow) {
  TListFixture f;
  f.List->SetExtendedStyles({lvxGridLines, lvxFullRowSelect, lvxHeaderDragDrop});
  DWORD bits = SendMessageA(f.List->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_EQ(bits & 0xFF, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
  f.List->SetVirtualMode(true); // makes the window again
  EXPECT_TRUE(f.List->ExtendedStyles().Contains(lvxFullRowSelect));
  EXPECT_FALSE(f.List->ExtendedStyles().Contains(lvxCheckboxes));
}

TEST(ExtListView, AClickOnALineOrBesideTheLinesAndEnterReachTheirEventsOnceEach) {
  TListFixture f;
  f.List->AddItem("Evening");
  f.List->AddItem("Road");
  std::vector<std::string> heard;
  f.List->OnClick = [&](TObject*) { heard.push_back("click"); };
  f.List->OnReturn = [&](TObject*) { heard.push_back("return"); };
  SetForegroundWindow(f.Form.Handle());
  PumpQueued();
  // The mouse and the keyboard as the user's: the list takes the button's release itself.
  auto input = [](std::initializer_list<INPUT> events) {
    std::vector<INPUT> all(events);
    SendInput(static_cast<UINT>(all.size()), all.data(), sizeof(INPUT));
    PumpQueued();
  };
  auto mouse = [](DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return in;
  };
  auto key = [](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
  };
  RECT line{LVIR_LABEL, 0, 0, 0};
  SendMessageA(f.List->Handle(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&line));
  POINT onLine{(line.left + line.right) / 2, (line.top + line.bottom) / 2};
  POINT below{onLine.x, onLine.y + 100};
  for (POINT p : {onLine, below}) {
    ClientToScreen(f.List->Handle(), &p);
    SetCursorPos(p.x, p.y);
    input({mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP)});
  }
  EXPECT_EQ(heard, (std::vector<std::string>{"click", "click"}));
  heard.clear();
  f.List->Items(1).SetSelected(true);
  f.List->SetFocus();
  input({key(VK_RETURN, false), key(VK_RETURN, true)});
  EXPECT_EQ(heard, std::vector<std::string>{"return"});
}
