// Menus: commands and short cuts reach OnClick; entries follow the items; pop-ups go through the
// seam.
#include <gtest/gtest.h>
#include <windows.h>
#include "ExtCtrls.h"
#include "Forms.h"
#include "Handles.h"
#include "Menus.h"
#include "Messages.h"

namespace {
TMenuItem* NewItem(TComponent* owner, TMenuItem& parent, const std::string& caption) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  parent.Add(item);
  return item;
}

std::string EntryText(HMENU menu, int pos) {
  char buf[128] = {};
  GetMenuStringA(menu, pos, buf, sizeof buf, MF_BYPOSITION);
  return buf;
}
} // namespace

TEST(Menus, CommandsAndShortCutsReachOnClickAndEntriesFollowItems) {
  TForm form(nullptr);
  auto* menu = new TMainMenu(&form);
  TMenuItem* file = NewItem(&form, menu->Items(), "&File");
  TMenuItem* save = NewItem(&form, *file, "&Save");
  save->SetShortCut(TextToShortCut("F2"));
  NewItem(&form, *file, "-");
  TMenuItem* a = NewItem(&form, *file, "Order &A");
  TMenuItem* b = NewItem(&form, *file, "Order &B");
  for (auto* i : {a, b}) {
    i->SetRadioItem(true);
    i->SetGroupIndex(1);
  }
  a->SetChecked(true);
  form.SetMenu(menu);
  auto* edit = new TPanel(&form);
  edit->SetParent(&form);
  int saves = 0, fileOpened = 0;
  save->OnClick = [&](TObject* sender) { saves += sender == save; };
  file->OnClick = [&](TObject*) { ++fileOpened; };
  form.Show();

  HMENU bar = GetMenu(form.Handle());
  ASSERT_EQ(bar, menu->Handle());
  HMENU sub = GetSubMenu(bar, 0);
  EXPECT_EQ(EntryText(sub, 0), "&Save\tF2");
  PostMessageA(form.Handle(), WM_COMMAND, save->Command(), 0);
  ProcessMessages();
  edit->SetFocus();
  PostMessageA(edit->Handle(), WM_KEYDOWN, VK_F2, 1);
  ProcessMessages();
  SendMessageA(form.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), 0);
  EXPECT_EQ(saves, 2);
  EXPECT_EQ(fileOpened, 1);

  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(GetMenuState(sub, a->Command(), MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_NE(GetMenuState(sub, b->Command(), MF_BYCOMMAND) & MF_CHECKED, 0u);
  save->SetEnabled(false);
  EXPECT_NE(GetMenuState(sub, save->Command(), MF_BYCOMMAND) & MF_GRAYED, 0u);
  PostMessageA(form.Handle(), WM_COMMAND, save->Command(), 0);
  ProcessMessages();
  EXPECT_EQ(saves, 2); // a disabled item does nothing
  save->SetVisible(false);
  EXPECT_EQ(GetMenuItemCount(sub), 3);
  EXPECT_EQ(EntryText(sub, 1), "Order &A");
  save->SetCaption("Save &as");
  save->SetVisible(true);
  EXPECT_EQ(EntryText(sub, 0), "Save &as\tF2");
  delete b;
  EXPECT_EQ(GetMenuItemCount(sub), 3);
}

// The menu bar's pixels as the screen shows them now.
std::vector<COLORREF> BarPixels(HWND window) {
  MENUBARINFO bar{};
  bar.cbSize = sizeof bar;
  RECT frame{};
  if (!GetMenuBarInfo(window, OBJID_MENU, 0, &bar) || !GetWindowRect(window, &frame)) return {};
  std::vector<COLORREF> pixels;
  TWindowDC dc(window);
  for (int y = bar.rcBar.top; y < bar.rcBar.bottom; ++y)
    for (int x = bar.rcBar.left; x < bar.rcBar.left + 120; ++x)
      pixels.push_back(GetPixel(dc.Get(), x - frame.left, y - frame.top));
  return pixels;
}

TEST(Menus, TheBarShowsATopItemsStateWhenTheMenuCameBeforeTheWindow) {
  TForm form(nullptr);
  auto* menu = new TMainMenu(&form);
  TMenuItem* file = NewItem(&form, menu->Items(), "&File");
  NewItem(&form, *file, "&Open");
  form.SetMenu(menu); // before the window exists, as forms built in code do
  form.SetBounds(10, 10, 300, 200);
  form.Show();
  ProcessMessages();
  const std::vector<COLORREF> enabled = BarPixels(form.Handle());
  ASSERT_FALSE(enabled.empty());
  file->SetEnabled(false);
  ProcessMessages();
  EXPECT_NE(BarPixels(form.Handle()), enabled) << "the bar still shows the item enabled";
  file->SetEnabled(true);
  ProcessMessages();
  EXPECT_EQ(BarPixels(form.Handle()), enabled) << "the bar still shows the item greyed";
}

TEST(Menus, PopupFiresOnPopupAndTheChosenItemsOnClick) {
  TForm form(nullptr);
  auto* popup = new TPopupMenu(&form);
  TMenuItem* play = NewItem(&form, popup->Items(), "&Play");
  NewItem(&form, popup->Items(), "&Cancel");
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetPopupMenu(popup);
  int popups = 0, plays = 0;
  popup->OnPopup = [&](TObject*) { ++popups; };
  play->OnClick = [&](TObject*) { ++plays; };
  TPopupMenu::SetPopupHook([&](TPopupMenu& m) {
    EXPECT_EQ(m.PopupComponent(), panel);
    return m.Items().Find("Play");
  });
  form.Show();
  SendMessageA(panel->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
  SendMessageA(panel->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
  TPopupMenu::SetPopupHook(nullptr);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(plays, 1);
  delete popup; // the panel's reference is cleared
  EXPECT_EQ(panel->PopupMenu(), nullptr);
}

TEST(Menus, ShortCutTextRoundTrips) {
  EXPECT_EQ(ShortCutToText(MakeShortCut('S', false, true, false)), "Ctrl+S");
  EXPECT_EQ(ShortCutToText(MakeShortCut(VK_DELETE, true, false, false)), "Shift+Del");
  EXPECT_EQ(TextToShortCut("Ctrl+Shift+F5"), MakeShortCut(VK_F5, true, true, false));
  EXPECT_EQ(TextToShortCut("Nonsense"), 0);
}
