// Catalogue titles mailed end to end with real input: rows clicked in the main window's grid, the
// Categories menu's mail item and a drag onto the Mail button, the mail window's fields typed and
// its Send button clicked; tests/checks/mailwin_send.py compares what arrived with Music.dax.
#include "../mail/MailTestUtil.h"
#include "ExportCommands.h"
#include "MailServices.h"
#include "MainWindowFixture.h"
#include "Smtpsu.h"
#include "smtpmainD2.h"
#include <windows.h>

namespace {

// Should a key go astray, the menu's loop would wait for more: this closes it, so the test fails
// instead of hanging.
void CALLBACK CloseAStrayMenu(HWND, UINT, UINT_PTR, DWORD) {
  EndMenu();
}

void Mouse(DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof(INPUT));
}

void Key(WORD vk, WORD unicode, DWORD flags) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = unicode;
  in.ki.dwFlags = flags;
  SendInput(1, &in, sizeof(INPUT));
}

// Each step waits until the window has taken it.
void MoveTo(POINT p) {
  SetCursorPos(p.x, p.y);
  Mouse(MOUSEEVENTF_MOVE);
  EXPECT_TRUE(PumpQueued());
}

// A left click at a point of the screen, with Ctrl held if asked.
void ClickAt(POINT p, bool control = false) {
  MoveTo(p);
  if (control) Key(VK_CONTROL, 0, 0);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Mouse(MOUSEEVENTF_LEFTUP);
  if (control) Key(VK_CONTROL, 0, KEYEVENTF_KEYUP);
  EXPECT_TRUE(PumpQueued());
}

void Click(TControl& c) {
  ClickAt(c.ClientToScreen({c.Width() / 2, c.Height() / 2}));
}

// Types text into the control with the focus, character by character.
void Type(const std::string& text) {
  for (char ch : text) {
    Key(0, static_cast<unsigned char>(ch), KEYEVENTF_UNICODE);
    Key(0, static_cast<unsigned char>(ch), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
  }
  EXPECT_TRUE(PumpQueued());
}

int ReceivedCount() {
  int n = 0;
  while (FileExists(PeersDir() + "received\\" + Format("%04d.json", n + 1)))
    ++n;
  return n;
}

class MailEndToEnd : public TMainWindowFixture {
protected:
  // Six titles over five corpus files: the sixth has the first one's name.
  MailEndToEnd() : TMainWindowFixture("tbmaile2e") { FTitles = 6; }
  void TearDown() override {
    delete FMail;
    MailWindowHost = nullptr;
    TMainWindowFixture::TearDown();
  }
  // keepMails: leave what the checker reads (a test that keeps no mails of its own).
  void StartBoth(bool keepMails = false) {
    // Only this run's mails reach the checker.
    if (!keepMails) RemoveTree(CheckDir("mailwin_send") + "e2e");
    Start();
    InstallMailServices();
    FMail = new TMailForm(nullptr);
    FMail->AfterConstruction();
    FMail->msSMTP1->SetTimeOut(10);
    // Side by side on the screen, so that no click meets the other window.
    SetWindowPos(FForm->Handle(), HWND_TOP, 0, 0, 860, 1000, SWP_SHOWWINDOW);
    FMail->Show();
    FMail->SetBounds(870, 120, 400, 440);
    ProcessMessages();
  }
  POINT Row(int32_t key, int dx) {
    TMyStringGrid& grid = *Probe(FForm).AllCatGrid();
    RECT r = grid.CellRect(1, RowOfKey(grid, key));
    return grid.ClientToScreen({r.left + dx, (r.top + r.bottom) / 2});
  }
  // Two rows of the all-titles grid clicked, the second with Ctrl.
  void ClickRows(int32_t a, int32_t b) {
    SetForegroundWindow(FForm->Handle());
    ClickAt(Row(a, 20));
    ClickAt(Row(b, 20), true);
  }
  // The Categories menu, its Mail sub-menu and "Titles selected", from the keyboard: all keys
  // at once, as the menu's own loop reads the ones after Alt.
  void MenuMail() {
    SetForegroundWindow(FForm->Handle());
    ProcessMessages();
    const UINT_PTR guard = SetTimer(nullptr, 0, 10000, CloseAStrayMenu);
    for (WORD vk : {WORD(VK_MENU), WORD('C'), WORD('M'), WORD('T')}) {
      Key(vk, 0, 0);
      Key(vk, 0, KEYEVENTF_KEYUP);
    }
    // The menu's loop has read the keys and the command has run.
    EXPECT_TRUE(PumpQueued());
    KillTimer(nullptr, guard);
  }
  // Presses on a selected row, drags it in steps onto the Mail button and lets go.
  void DragToMail(int32_t key) {
    POINT from = Row(key, 40);
    TControl& button = *Probe(FForm).MailTitle();
    POINT to = button.ClientToScreen({button.Width() / 2, button.Height() / 2});
    MoveTo(from);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(PumpQueued());
    for (int i = 1; i <= 5; ++i)
      MoveTo({from.x + (to.x - from.x) * i / 5 + 8, from.y + (to.y - from.y) * i / 5});
    MoveTo(to);
    Mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpQueued());
  }
  void Fill(TWinControl& field, const std::string& text) {
    SetForegroundWindow(FMail->Handle());
    Click(field);
    Type(text);
    char typed[256] = {};
    GetWindowTextA(field.Handle(), typed, sizeof(typed));
    EXPECT_EQ(std::string(typed), text);
  }
  // Send clicked; the setup question that comes first names the peer and the encoding.
  void Send(bool uucode) {
    FAnswers.Push([uucode](TModalRequest& request) {
      auto* dlg = dynamic_cast<TSetupDlg*>(request.Form);
      if (!dlg) return static_cast<int>(mrCancel);
      dlg->ServerEdit->SetText(PeerServer("aiosmtpd"));
      dlg->UserAddressEdit->SetText("me@example.com");
      dlg->UserNameEdit->SetText("Me");
      dlg->EncodingComboBox->SetItemIndex(uucode ? 1 : 0);
      return static_cast<int>(mrOk);
    });
    const int before = ReceivedCount();
    FMail->StatusLog.clear();
    SetForegroundWindow(FMail->Handle());
    Click(*FMail->SendButton);
    PumpUntil(
        [&] {
          return ReceivedCount() > before && !FMail->StatusLog.empty() &&
                 FMail->StatusLog.back() == "Mail sent";
        },
        15000);
    EXPECT_EQ(FAnswers.Pending(), 0);
    ASSERT_EQ(ReceivedCount(), before + 1);
    ASSERT_FALSE(FMail->StatusLog.empty());
    EXPECT_EQ(FMail->StatusLog.back(), "Mail sent");
  }
  // The newest message, its envelope and the keys it should carry, for the host checker.
  void Keep(const std::string& name, std::initializer_list<int32_t> keys) {
    std::string dir = CheckDir("mailwin_send") + "e2e\\" + name + "\\";
    ForceDirectories(dir);
    std::string base = PeersDir() + "received\\" + Format("%04d", ReceivedCount());
    CopyFileA((base + ".eml").c_str(), (dir + "message.eml").c_str(), FALSE);
    CopyFileA((base + ".json").c_str(), (dir + "envelope.json").c_str(), FALSE);
    std::string text;
    for (int32_t k : keys)
      text += IntToStr(k) + "\r\n";
    WriteFileBytes(dir + "keys.txt", text);
  }
  void ExpectCommandResult() {
    ASSERT_TRUE(PumpUntil([&] { return FMail->ListView1->ItemCount() == 2; }, 5000));
    EXPECT_EQ(FMail->Caption(), " Mail the attached 2 title(s)");
    EXPECT_TRUE(FMail->Visible());
  }
  TMailForm* FMail = nullptr;
};

} // namespace

TEST_F(MailEndToEnd, TitlesChosenInTheCatalogueArriveAsTheyAreStored) {
  StartBoth();
  const auto& k = FCat.Keys;
  ASSERT_EQ(k.size(), 6u);

  // From the Categories menu: one archive with its list, then singly, then uuencoded.
  ClickRows(k[0], k[1]);
  ASSERT_EQ(Probe(FForm).AllCatGrid()->SelectedCount(), 2);
  MenuMail();
  ExpectCommandResult();
  Fill(*FMail->ToEdit, "a@x.test; B <b@y.test>;");
  Fill(*FMail->SubjectEdit, "Two tunes");
  Fill(*FMail->BodyMemo, "Here they are");
  ASSERT_TRUE(FMail->CheckBox1->Checked());
  Send(false);
  Keep("menu", {k[0], k[1]});
  Click(*FMail->CheckBox1);
  ASSERT_FALSE(FMail->CheckBox1->Checked());
  Send(false);
  Keep("single", {k[0], k[1]});
  Send(true);
  Keep("uucode", {k[0], k[1]});

  // By a drop on the Mail button: two other titles, in an archive again, carry only those.
  Click(*FMail->CheckBox1);
  ASSERT_TRUE(FMail->CheckBox1->Checked());
  ClickRows(k[2], k[3]);
  DragToMail(k[3]);
  ExpectCommandResult();
  Send(false);
  Keep("drop", {k[2], k[3]});

  // Two titles of one name both go into the archive.
  ClickRows(k[0], k[5]);
  MenuMail();
  ExpectCommandResult();
  Send(false);
  Keep("samename", {k[0], k[5]});

  // A file of the user's attached beside the titles survives the next mail command.
  std::string mine = FDir / "my letter.txt";
  WriteFileBytes(mine, "keep me");
  FMail->OnChooseFiles = [&] { return std::vector<std::string>{mine}; };
  SetForegroundWindow(FMail->Handle());
  Click(*FMail->AttachButton);
  ASSERT_EQ(FMail->ListView1->ItemCount(), 3);
  ClickRows(k[1], k[4]);
  MenuMail();
  ExpectCommandResult();
  EXPECT_EQ(ReadFileBytes(mine), "keep me");

  // The checker cuts the expected titles out of the catalogue's own files, free once it closes.
  CloseAndWait();
  std::string store = CheckDir("mailwin_send") + "e2e\\catalogue\\";
  ForceDirectories(store);
  for (const char* name : {"Music.dex", "Music.dax"})
    EXPECT_TRUE(CopyFileA((FDir / name).c_str(), (store + name).c_str(), FALSE))
        << name << " " << GetLastError();
}

TEST_F(MailEndToEnd, AMailCommandDuringASendIsRefusedAndKeepsTheRows) {
  StartBoth(true);
  const auto& k = FCat.Keys;
  TStringList two, other;
  two.Add(IntToStr(k[0]));
  two.Add(IntToStr(k[1]));
  other.Add(IntToStr(k[2]));
  FForm->ExportCommands().MailTitles(two);
  ASSERT_EQ(FMail->ListView1->ItemCount(), 2);
  const std::string first = FMail->ListView1->Items(0).SubItems(2);
  FMail->ToEdit->SetText("a@x.test");
  // The setup question of the send names a server that never answers.
  FAnswers.Push([](TModalRequest& request) {
    auto* dlg = dynamic_cast<TSetupDlg*>(request.Form);
    if (!dlg) return static_cast<int>(mrCancel);
    dlg->ServerEdit->SetText(PeerServer("silence"));
    dlg->UserAddressEdit->SetText("me@example.com");
    return static_cast<int>(mrOk);
  });
  const size_t asked = FAnswers.Asked().size();
  bool busy = false;
  int rows = -1;
  std::string caption;
  TOneShot during(800, [&] {
    busy = FMail->Busy();
    FForm->ExportCommands().MailTitles(other);
    rows = FMail->ListView1->ItemCount();
    caption = FMail->Caption();
  });
  TOneShot cancel(1800, [&] { FMail->CancelButtonClick(FMail->CancelButton); });
  FMail->StatusLog.clear();
  FMail->SendButtonClick(FMail->SendButton);
  std::string seen;
  for (const auto& t : FMail->StatusLog)
    seen += t + " | ";
  for (const auto& a : FAnswers.Asked())
    seen += "[" + a.Kind + ": " + a.Text + "] ";
  EXPECT_TRUE(busy) << seen;
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(caption, " Mail the attached 2 title(s)");
  EXPECT_TRUE(FileExists(first)) << "the row being sent kept its file";
  bool told = false;
  for (size_t i = asked; i < FAnswers.Asked().size(); ++i)
    told |= FAnswers.Asked()[i].Text.rfind("A mail is being sent.", 0) == 0;
  EXPECT_TRUE(told);
  // Idle again, the command is taken.
  FForm->ExportCommands().MailTitles(other);
  EXPECT_EQ(FMail->ListView1->ItemCount(), 1);
  EXPECT_EQ(FMail->Caption(), " Mail the attached 1 title(s)");
}
