// Letters typed in an open pop-up of bitmap entries: a shared letter moves between its entries
// and Enter runs the one selected; a letter of one entry alone runs it at once.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "CoolMenu.h"
#include "Messages.h"

namespace {

struct TKeyedPopup {
  TForm Form{nullptr};
  TPopupMenu Popup{&Form};
  TCoolMenu Cool{&Form};
  std::vector<TMenuItem*> Items;

  explicit TKeyedPopup(std::initializer_list<const char*> captions) {
    Form.SetBounds(50, 50, 300, 200);
    Form.Show();
    ProcessMessages();
    for (const char* caption : captions) {
      auto* mi = new TMenuItem(&Form);
      mi->SetCaption(caption);
      Popup.Items().Add(mi);
      Cool.AddItem(mi);
      Items.push_back(mi);
    }
  }
  // Types the keys into the pop-up as it opens and answers the entry it ran (-1: none).
  int Run(const std::string& letters, bool enter) {
    for (char c : letters)
      PostMessageA(Form.Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
    if (enter)
      PostMessageA(Form.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    else
      PostMessageA(Form.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    SetForegroundWindow(Form.Handle());
    UINT id = TrackPopupMenu(Popup.Handle(), TPM_LEFTALIGN | TPM_RETURNCMD, 100, 100, 0,
                             Form.Handle(), nullptr);
    ProcessMessages();
    for (size_t i = 0; i < Items.size(); ++i)
      if (id && Items[i]->Command() == id) return static_cast<int>(i);
    return -1;
  }
};

TEST(CoolMenuKeys, ASharedLetterMovesBetweenItsEntriesAndEnterRunsTheOneSelected) {
  TKeyedPopup p({"&Looping", "MIDI &reset", "&Launch on Windows start", "&About"});
  // Answers to the system: select the next entry with the letter, run an entry's own letter.
  EXPECT_EQ(SendMessageA(p.Form.Handle(), WM_MENUCHAR, MAKEWPARAM('l', MF_POPUP),
                         reinterpret_cast<LPARAM>(p.Popup.Handle())),
            MAKELRESULT(0, MNC_SELECT));
  EXPECT_EQ(SendMessageA(p.Form.Handle(), WM_MENUCHAR, MAKEWPARAM('A', MF_POPUP),
                         reinterpret_cast<LPARAM>(p.Popup.Handle())),
            MAKELRESULT(3, MNC_EXECUTE));
  EXPECT_EQ(SendMessageA(p.Form.Handle(), WM_MENUCHAR, MAKEWPARAM('x', MF_POPUP),
                         reinterpret_cast<LPARAM>(p.Popup.Handle())),
            0);

  // A real pop-up worked from the keyboard.
  EXPECT_EQ(p.Run("l", true), 0);
  EXPECT_EQ(p.Run("L", false), -1) << "selecting runs nothing";
  EXPECT_EQ(p.Run("ll", true), 2);
  EXPECT_EQ(p.Run("lll", true), 0) << "the letter wraps round to the first";
  EXPECT_EQ(p.Run("r", false), 1) << "a letter of one entry runs it at once";
}

} // namespace
