// Bitmap menus stacked on one form: every order of leaving gives the form its own procedure back.
#include <gtest/gtest.h>
#include <algorithm>
#include "CoolMenu.h"
#include "Messages.h"

namespace {

WNDPROC ProcOf(HWND w) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC));
}

// The form still answers through whatever procedure is in front.
bool Answers(TForm& form) {
  char text[64] = {};
  return GetWindowTextA(form.Handle(), text, sizeof(text)) > 0 && std::string(text) == "Hooked";
}

TEST(CoolMenuHook, TwoAndThreeLeaveInEveryOrderAndAfterRehook) {
  for (int count : {2, 3}) {
    std::vector<int> order(count);
    for (int i = 0; i < count; ++i)
      order[i] = i;
    do {
      for (int rehooked = -1; rehooked < count; ++rehooked) {
        TForm form(nullptr);
        form.SetCaption("Hooked");
        WNDPROC own = ProcOf(form.Handle());
        std::vector<TCoolMenu*> menus;
        for (int i = 0; i < count; ++i)
          menus.push_back(new TCoolMenu(&form));
        EXPECT_EQ(ProcOf(form.Handle()), menus.back()->HookProc());
        EXPECT_EQ(menus.front()->FormerProc(), own);
        if (rehooked >= 0) {
          menus[rehooked]->Rehook();
          EXPECT_EQ(ProcOf(form.Handle()), menus[rehooked]->HookProc());
        }
        // Each has a procedure of its own.
        for (int i = 1; i < count; ++i)
          EXPECT_NE(menus[i]->HookProc(), menus[0]->HookProc());
        for (int i : order) {
          delete menus[i];
          menus[i] = nullptr;
          EXPECT_TRUE(Answers(form)) << "count " << count << " rehooked " << rehooked;
        }
        EXPECT_EQ(ProcOf(form.Handle()), own);
        ProcessMessages();
      }
    } while (std::next_permutation(order.begin(), order.end()));
  }
}

TEST(CoolMenuHook, AWindowMadeAgainLeavesTheHooksHarmless) {
  TForm form(nullptr);
  form.SetCaption("Hooked");
  auto* first = new TCoolMenu(&form);
  auto* second = new TCoolMenu(&form);
  form.SetBorderStyle(bsDialog); // a new window, without the hooks
  EXPECT_EQ(first->HookProc(), nullptr);
  EXPECT_EQ(second->HookProc(), nullptr);
  WNDPROC own = ProcOf(form.Handle());
  delete first;
  delete second;
  EXPECT_EQ(ProcOf(form.Handle()), own);
  EXPECT_TRUE(Answers(form));
  TCoolMenu again(&form);
  again.Rehook();
  EXPECT_EQ(ProcOf(form.Handle()), again.HookProc());
}

TEST(CoolMenuHook, TheMenuCursorHasItsOwnNumberAndHelpStaysFive) {
  HCURSOR help = LoadCursorA(GetModuleHandleA(nullptr), "HELP");
  ASSERT_NE(help, nullptr);
  Screen->SetCursors(5, help);
  TForm form(nullptr);
  TCoolMenu menu(&form);
  EXPECT_EQ(Screen->Cursors(5), help);
  EXPECT_NE(crCoolMenu, 5);
  EXPECT_EQ(Screen->Cursors(crCoolMenu), LoadCursorA(GetModuleHandleA(nullptr), "CUR_MENU"));
  EXPECT_NE(Screen->Cursors(crCoolMenu), help);
}

} // namespace
