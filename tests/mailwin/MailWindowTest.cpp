// The mail window with a stand-in catalogue host, sending to the loopback peers (aiosmtpd and
// scripted servers); what arrived is read back on the host by tests/checks/mailwin_send.py.
#include "../mail/MailTestUtil.h"
#include "AboutCodeD2.h"
#include "Dialogs.h"
#include "IniFiles.h"
#include "Smtpsu.h"
#include "TestCapture.h"
#include "TuneFiles.h"
#include "smtpmainD2.h"
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <windows.h>

namespace {

// A catalogue of a few titles whose exports are known bytes.
class TStandInHost : public TMailWindowHost {
public:
  std::string Folder, Ini;
  std::map<int32_t, TMailTitle> Titles;
  bool HelpMode = false;
  std::vector<TObject*> HelpAsked;
  TTuneFiles Zipper;

  static std::string Bytes(int32_t key) { return "MThd" + Pattern(900 + key * 7, key); }
  std::string SettingsFileName() override { return Ini; }
  std::string MailFolder() override { return Folder; }
  bool FindTitle(int32_t key, TMailTitle& title) override {
    auto it = Titles.find(key);
    if (it == Titles.end()) return false;
    title = it->second;
    return true;
  }
  bool ExportTitle(int32_t key, const std::string& target) override {
    WriteFileBytes(target, Bytes(key));
    return true;
  }
  bool ZipFiles(const std::vector<std::string>& files, const std::string& archive) override {
    // What the user does while the archive is packed (the program's zipper lets messages run).
    if (WhilePacking) WhilePacking();
    return Zipper.ZipFileList(files, archive);
  }
  std::function<void()> WhilePacking;
  bool AbortSet() override { return false; }
  bool ContextHelpClick(TObject* sender) override {
    if (!HelpMode) return false;
    HelpAsked.push_back(sender);
    return true;
  }
  void ShowAbout(TForm* over) override { ShowAboutBox(over); }
};

int ReceivedCount() {
  int n = 0;
  while (FileExists(PeersDir() + "received\\" + Format("%04d.json", n + 1)))
    ++n;
  return n;
}

// A left click at a point of the screen as the mouse gives it: queued, handled by the next pump.
void QueueClickAt(POINT p) {
  SetCursorPos(p.x, p.y);
  INPUT in[3] = {};
  const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 3; ++i) {
    in[i].type = INPUT_MOUSE;
    in[i].mi.dwFlags = flags[i];
  }
  SendInput(3, in, sizeof(INPUT));
}

// The field's text replaced by a paste of text from the clipboard, as the user would do it.
void PasteInto(TWinControl& field, const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(field.Handle()));
  EmptyClipboard();
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  memcpy(GlobalLock(data), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(data);
  SetClipboardData(CF_UNICODETEXT, data); // the clipboard owns it now
  CloseClipboard();
  SendMessageA(field.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  SendMessageA(field.Handle(), WM_PASTE, 0, 0);
}

POINT CentreOf(TControl& c) {
  return c.ClientToScreen({c.Width() / 2, c.Height() / 2});
}

TStringList Keys(std::initializer_list<int> keys) {
  TStringList list;
  for (int k : keys)
    list.Add(IntToStr(k));
  return list;
}

class MailWindow : public testing::Test {
protected:
  void SetUp() override {
    Host.Folder = CheckDir("mailwin_work") + "TempMail\\";
    ForceDirectories(Host.Folder);
    // The program empties its work folder at start; so does each test.
    for (const char* name : {"Alpha.mid", "Beta.mid", "Same.mid", "Same (22).mid", "A_B_C_.mid",
                             "1 MIDI file.zip", "2 MIDI files.zip"})
      DeleteFileA((Host.Folder + name).c_str());
    Host.Ini = CheckDir("mailwin_work") + "Tonalbrook.ini";
    DeleteFileA(Host.Ini.c_str());
    Host.Titles[11] = {"Classics", "Bach, J.S.", "Alpha"};
    Host.Titles[12] = {"Classics", "Mozart, W.A.", "Beta"};
    Host.Titles[21] = {"Pop", "One", "Same"};
    Host.Titles[22] = {"Pop", "Two", "Same"};
    Host.Titles[31] = {"Pop", "Three", "A/B:C?"};
    MailWindowHost = &Host;
    Form = new TMailForm(nullptr);
    Form->AfterConstruction();
    Form->msSMTP1->SetTimeOut(10);
    Form->msMessage1->Sender().SetAddress("me@example.com");
    Form->msMessage1->Sender().SetName("Me");
  }
  void TearDown() override {
    delete Form;
    MailWindowHost = nullptr;
  }
  // Sends to a peer; the setup dialog of the first step is cancelled (no answer queued).
  int Send(const std::string& server) {
    Form->msSMTP1->SetServer(server);
    int before = ReceivedCount();
    Form->SendButtonClick(Form->SendButton);
    if (server == PeerServer("aiosmtpd")) PumpUntil([&] { return ReceivedCount() > before; }, 5000);
    return ReceivedCount() - before;
  }
  // Keeps the newest message and the files it should carry for the host checker.
  void KeepForChecker(const std::string& name) {
    std::string dir = CheckDir("mailwin_send") + name + "\\";
    ForceDirectories(dir);
    // Only this run's files: what an earlier run left would differ.
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((dir + "*.mid").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
      do
        DeleteFileA((dir + data.cFileName).c_str());
      while (FindNextFileA(h, &data));
      FindClose(h);
    }
    std::string eml = PeersDir() + "received\\" + Format("%04d.eml", ReceivedCount());
    CopyFileA(eml.c_str(), (dir + "message.eml").c_str(), FALSE);
    for (int i = 0; i < Form->ListView1->ItemCount(); ++i) {
      std::string path = Form->ListView1->Items(i).SubItems(2);
      CopyFileA(path.c_str(), (dir + ExtractFileName(path)).c_str(), FALSE);
    }
  }
  std::string LastStatus() const {
    return Form->StatusLog.empty() ? std::string() : Form->StatusLog.back();
  }
  bool Logged(const std::string& text) const {
    for (const auto& s : Form->StatusLog)
      if (s == text) return true;
    return false;
  }
  TStandInHost Host;
  TMailForm* Form = nullptr;
  TModalAnswers Answers;
};

} // namespace

TEST_F(MailWindow, TitlesGoAsOneArchiveWithTheirListThenSinglyThenUuencoded) {
  Form->AttachTitles(Keys({11, 12}));
  ASSERT_EQ(Form->ListView1->ItemCount(), 2);
  EXPECT_EQ(Form->ListView1->Items(0).Caption(), "Classics");
  EXPECT_EQ(Form->ListView1->Items(1).SubItems(1), "Beta");
  EXPECT_EQ(Form->ListView1->Items(1).SubItems(2), Host.Folder + "Beta.mid");
  Form->ToEdit->SetText("a@x.test; B <b@y.test>;");
  Form->SubjectEdit->SetText("Two tunes");
  Form->BodyMemo->SetText("Here they are");
  ASSERT_TRUE(Form->CheckBox1->Checked());
  ASSERT_EQ(Send(PeerServer("aiosmtpd")), 1);
  EXPECT_EQ(LastStatus(), "Mail sent");
  std::string envelope = FileText(PeersDir() + "received\\" + Format("%04d.json", ReceivedCount()));
  EXPECT_NE(envelope.find("[\"a@x.test\", \"b@y.test\"]"), std::string::npos) << envelope;
  KeepForChecker("zip");
  EXPECT_FALSE(Form->Busy());
  EXPECT_FALSE(Form->ProgressBar1->Visible());

  Form->CheckBox1->SetChecked(false);
  ASSERT_EQ(Send(PeerServer("aiosmtpd")), 1);
  KeepForChecker("single");
  Form->msMessage1->SetEncoding(meUU);
  ASSERT_EQ(Send(PeerServer("aiosmtpd")), 1);
  KeepForChecker("uucode");
  Form->msMessage1->SetEncoding(meMIME);

  // A second mail command carries only its own titles; two titles of one name both go.
  Form->AttachTitles(Keys({21, 22}));
  ASSERT_EQ(Form->ListView1->ItemCount(), 2);
  EXPECT_FALSE(FileExists(Host.Folder + "Alpha.mid"));
  EXPECT_EQ(Form->ListView1->Items(1).SubItems(2), Host.Folder + "Same (22).mid");
  Form->ToEdit->SetText("a@x.test;;b@y.test");
  ASSERT_EQ(Send(PeerServer("aiosmtpd")), 1);
  envelope = FileText(PeersDir() + "received\\" + Format("%04d.json", ReceivedCount()));
  EXPECT_NE(envelope.find("[\"a@x.test\", \"b@y.test\"]"), std::string::npos) << envelope;
  KeepForChecker("samename");
}

TEST_F(MailWindow, TitlesWithUnsafeNamesStayInTheWorkFolderAndUserFilesSurvive) {
  Form->AttachTitles(Keys({31, 99}));
  ASSERT_EQ(Form->ListView1->ItemCount(), 1);
  EXPECT_EQ(Form->ListView1->Items(0).SubItems(2), Host.Folder + "A_B_C_.mid");
  EXPECT_EQ(ReadFileBytes(Host.Folder + "A_B_C_.mid"), TStandInHost::Bytes(31));
  // The key no title has is named in a warning.
  ASSERT_EQ(Answers.Asked().size(), 1u);
  EXPECT_NE(Answers.Asked()[0].Text.find("99"), std::string::npos);

  std::string mine = CheckDir("mailwin_work") + "my letter.txt";
  WriteFileBytes(mine, "keep me");
  Form->OnChooseFiles = [&] { return std::vector<std::string>{mine}; };
  Form->AttachButtonClick(Form->AttachButton);
  ASSERT_EQ(Form->ListView1->ItemCount(), 2);
  Form->AttachTitles(Keys({11}));
  EXPECT_TRUE(FileExists(mine));
  EXPECT_FALSE(FileExists(Host.Folder + "A_B_C_.mid"));
  EXPECT_EQ(Form->ListView1->ItemCount(), 1);
}

TEST_F(MailWindow, FailuresShowTheirStatusAndNeverMailSent) {
  Form->AttachTitles(Keys({11}));
  Form->ToEdit->SetText("a@x.test");
  Form->CheckBox1->SetChecked(false);

  // Whichever events came and in what order, the bar ends with the reason and a box says the
  // mail was not sent and why.
  struct TCase {
    std::string Server, To, Why;
  };
  for (const TCase& t : {TCase{"refused", "a@x.test", "[10061] Connection refused"},
                         TCase{"dot554", "a@x.test", "554 Transaction failed"},
                         TCase{"rcpt", "bad@x.test", "550 No such user here"},
                         TCase{"greet554", "a@x.test", "554 No service here"}}) {
    Form->StatusLog.clear();
    Form->ToEdit->SetText(t.To);
    size_t before = Answers.Asked().size();
    Send(PeerServer(t.Server));
    EXPECT_FALSE(Logged("Mail sent")) << t.Server;
    EXPECT_EQ(LastStatus(), t.Why) << t.Server;
    ASSERT_EQ(Answers.Asked().size(), before + 2) << t.Server; // the setup question, then the box
    EXPECT_EQ(Answers.Asked().back().Text, "The mail was not sent:\r\n\r\n" + t.Why);
    EXPECT_FALSE(Form->Busy());
  }

  // An empty server: the error names what is required, the setup dialog opens again, and the
  // box says so too.
  Form->ToEdit->SetText("a@x.test");
  Form->StatusLog.clear();
  size_t asked = Answers.Asked().size();
  Send("");
  EXPECT_EQ(LastStatus(), "Server property is required");
  ASSERT_EQ(Answers.Asked().size(), asked + 3);
  EXPECT_EQ(Answers.Asked().back().Text,
            "The mail was not sent:\r\n\r\nServer property is required");
  EXPECT_FALSE(Form->Busy());
}

TEST_F(MailWindow, OneClickOnCancelEndsASendWhoseServerNeverAnswers) {
  Form->AttachTitles(Keys({11}));
  Form->ToEdit->SetText("a@x.test");
  Form->msSMTP1->SetServer(PeerServer("mute"));
  Form->Show();
  SetForegroundWindow(Form->Handle());
  ASSERT_TRUE(PumpQueued());
  const std::string log = PeersDir() + "mute.log";
  const size_t connectedBefore = FileText(log).size();
  // Once the server holds the connection, the user clicks Cancel, once.
  int cancelClicks = 0;
  std::unique_ptr<TTimer> watch(new TTimer(nullptr));
  watch->SetInterval(100);
  watch->OnTimer = [&](TObject*) {
    if (cancelClicks == 0 && Form->Busy() && FileText(log).size() > connectedBefore) {
      ++cancelClicks;
      QueueClickAt(CentreOf(*Form->CancelButton));
    }
  };
  size_t asked = Answers.Asked().size();
  Form->StatusLog.clear();
  // The real Send button, clicked with the mouse: its click runs the whole transfer.
  QueueClickAt(CentreOf(*Form->SendButton));
  EXPECT_TRUE(PumpUntil([&] { return cancelClicks == 1 && !Form->Busy(); }, 60000));
  watch->SetEnabled(false);
  std::string seen;
  for (const auto& t : Form->StatusLog)
    seen += t + " | ";
  EXPECT_EQ(cancelClicks, 1);
  EXPECT_TRUE(Logged("Operation has been cancelled")) << seen;
  EXPECT_FALSE(Logged("Operation timed out")) << seen;
  EXPECT_EQ(LastStatus(), "Operation has been cancelled");
  // The setup question only: a cancel the user asked for needs no box.
  EXPECT_EQ(Answers.Asked().size(), asked + 1);
  EXPECT_TRUE(Form->SendButton->Enabled());
  Form->Hide();
}

TEST_F(MailWindow, WhileTheArchiveIsPackedASecondSendAndAMailCommandAreRefused) {
  Form->AttachTitles(Keys({11, 12}));
  Form->ToEdit->SetText("a@x.test");
  bool once = false, busy = false, sendButton = true, sendItem = true;
  int rows = -1;
  size_t asked = 0;
  Host.WhilePacking = [&] {
    if (once) return;
    once = true;
    busy = Form->Busy();
    sendButton = Form->SendButton->Enabled();
    sendItem = Form->Send1->Enabled();
    asked = Answers.Asked().size();
    Form->SendButtonClick(Form->SendButton);
    MailWindowLink()->AttachTitles(Keys({21}));
    rows = Form->ListView1->ItemCount();
  };
  Form->StatusLog.clear();
  EXPECT_EQ(Send(PeerServer("aiosmtpd")), 1);
  EXPECT_TRUE(busy);
  EXPECT_FALSE(sendButton);
  EXPECT_FALSE(sendItem);
  EXPECT_EQ(rows, 2);
  ASSERT_GT(Answers.Asked().size(), asked);
  EXPECT_EQ(Answers.Asked()[asked].Text.rfind("A mail is being sent.", 0), 0u)
      << Answers.Asked()[asked].Text;
  EXPECT_EQ(LastStatus(), "Mail sent");
  // The one mail carries the archive once.
  std::string eml = FileText(PeersDir() + "received\\" + Format("%04d.eml", ReceivedCount()));
  const std::string part = "filename=\"2 MIDI files.zip\"";
  size_t first = eml.find(part);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(eml.find(part, first + 1), std::string::npos);
  EXPECT_EQ(Form->ListView1->ItemCount(), 2);
}

TEST_F(MailWindow, ASendLoadsTheSocketsLibraryWhenItIsNotLoaded) {
  // The window's own client has the library loaded; should it have gone, the send brings it back.
  EXPECT_TRUE(Form->msSMTP1->WinsockLoaded());
  Form->msSMTP1->SetWinsockLoaded(false);
  Form->AttachTitles(Keys({11}));
  Form->ToEdit->SetText("a@x.test");
  Form->StatusLog.clear();
  ASSERT_EQ(Send(PeerServer("aiosmtpd")), 1);
  EXPECT_EQ(LastStatus(), "Mail sent");
}

TEST_F(MailWindow, FilesOfOneNameAllReachTheArchiveAndTheListCountsThem) {
  Form->AttachTitles(Keys({11}));
  // Two files of the user's with the title's file name, from other folders, and one twice.
  std::vector<std::string> mine;
  for (const char* sub : {"one", "two"}) {
    std::string dir = CheckDir("mailwin_work") + sub + "\\";
    ForceDirectories(dir);
    mine.push_back(dir + "Alpha.mid");
    WriteFileBytes(mine.back(), std::string("MThd from ") + sub);
  }
  Form->OnChooseFiles = [&] { return std::vector<std::string>{mine[0], mine[1], mine[1]}; };
  Form->AttachButtonClick(Form->AttachButton);
  ASSERT_EQ(Form->ListView1->ItemCount(), 4);
  Form->ToEdit->SetText("a@x.test");
  ASSERT_EQ(Send(PeerServer("aiosmtpd")), 1);
  // The host checker reads the archive: every row under a name of its own.
  std::string dir = CheckDir("mailwin_archive");
  std::string eml = PeersDir() + "received\\" + Format("%04d.eml", ReceivedCount());
  ASSERT_TRUE(CopyFileA(eml.c_str(), (dir + "message.eml").c_str(), FALSE));
  WriteFileBytes(dir + "title.mid", ReadFileBytes(Host.Folder + "Alpha.mid"));
  WriteFileBytes(dir + "one.mid", ReadFileBytes(mine[0]));
  WriteFileBytes(dir + "two.mid", ReadFileBytes(mine[1]));
  WriteFileBytes(dir + "expected.tsv", "4 MIDI files.zip\t4\n"
                                       "Alpha.mid\ttitle.mid\n"
                                       "Alpha (2).mid\tone.mid\n"
                                       "Alpha (3).mid\ttwo.mid\n"
                                       "Alpha (4).mid\ttwo.mid\n");
}

TEST_F(MailWindow, ArchiveFailureSendsNothing) {
  Form->AttachTitles(Keys({11, 12}));
  Form->ToEdit->SetText("a@x.test");
  // A folder of the archive's name, not empty: no archive can be written there.
  std::string blocker = Host.Folder + "2 MIDI files.zip";
  ForceDirectories(blocker);
  WriteFileBytes(blocker + "\\inside.txt", "x");
  size_t asked = Answers.Asked().size();
  Form->StatusLog.clear();
  EXPECT_EQ(Send(PeerServer("aiosmtpd")), 0);
  DeleteFileA((blocker + "\\inside.txt").c_str());
  RemoveDirectoryA(blocker.c_str());
  bool boxShown = false;
  for (size_t i = asked; i < Answers.Asked().size(); ++i)
    boxShown |= Answers.Asked()[i].Text == "Problem compressing attachments";
  EXPECT_TRUE(boxShown);
  EXPECT_FALSE(Logged("Opening connection"));
}

TEST_F(MailWindow, CancelAndCloseDuringATransfer) {
  Form->AttachTitles(Keys({11}));
  Form->ToEdit->SetText("a@x.test");
  bool canClose = true;
  size_t asked = Answers.Asked().size();
  TOneShot tryClose(800, [&] { Form->FormCloseQuery(Form, canClose); });
  TOneShot cancel(1600, [&] { Form->CancelButtonClick(Form->CancelButton); });
  Form->StatusLog.clear();
  Send(PeerServer("silence"));
  EXPECT_FALSE(canClose);
  bool refused = false;
  for (size_t i = asked; i < Answers.Asked().size(); ++i)
    refused |= Answers.Asked()[i].Text == "Transfer in Progress.  Click Cancel button first.";
  EXPECT_TRUE(refused);
  EXPECT_TRUE(Logged("Operation has been cancelled"));
  EXPECT_FALSE(Form->Busy());
  EXPECT_TRUE(Form->SendButton->Enabled());
  EXPECT_FALSE(Form->CancelButton->Enabled());
}

TEST_F(MailWindow, SettingsAreWrittenAtCloseAndReadAtTheNextStart) {
  // Without dial-up networking the dial-up component says so in a box first.
  bool filled = false;
  auto answer = [&](TModalRequest& request) {
    auto* dlg = dynamic_cast<TSetupDlg*>(request.Form);
    if (!dlg) return static_cast<int>(mrOk);
    EXPECT_EQ(dlg->RASComboBox->Items()[0], "None");
    dlg->ServerEdit->SetText("smtp.example.test:2525");
    dlg->UserAddressEdit->SetText("who@example.test");
    dlg->UserNameEdit->SetText("Who");
    dlg->LogFileNameEdit->SetText("C:\\mail.log");
    dlg->CharSetComboBox->SetItemIndex(1);
    dlg->EncodingComboBox->SetItemIndex(1);
    dlg->RASComboBox->SetItemIndex(0);
    filled = true;
    return static_cast<int>(mrOk);
  };
  Answers.Push(answer);
  Answers.Push(answer);
  Form->agRas1->SetService("Old entry");
  Form->SetupButtonClick(Form->SetupButton);
  ASSERT_TRUE(filled);
  EXPECT_EQ(Form->agRas1->Service(), ""); // "None" stops the former entry
  TCloseAction action = caHide;
  Form->FormClose(Form, action);
  TIniFile ini(Host.Ini);
  EXPECT_EQ(ini.ReadString("Setup", "Server", ""), "smtp.example.test:2525");
  EXPECT_EQ(ini.ReadString("Setup", "EMail Address", ""), "who@example.test");
  EXPECT_EQ(ini.ReadString("Setup", "Name", ""), "Who");
  EXPECT_EQ(ini.ReadString("Setup", "Log File", ""), "C:\\mail.log");
  EXPECT_EQ(ini.ReadInteger("Setup", "RAS", -1), 0);
  EXPECT_EQ(ini.ReadInteger("Setup", "CharSet", -1), 1);
  EXPECT_EQ(ini.ReadInteger("Setup", "Encoding", -1), 1);

  TMailForm next(nullptr);
  next.AfterConstruction();
  EXPECT_EQ(next.msSMTP1->Server(), "smtp.example.test:2525");
  EXPECT_EQ(next.msMessage1->Sender().Name(), "Who");
  EXPECT_EQ(next.msMessage1->CharSet(), csISO8859);
  EXPECT_EQ(next.msMessage1->Encoding(), meUU);
  EXPECT_EQ(next.msSMTP1->DefaultPort(), 25);
  EXPECT_EQ(next.msSMTP1->TimeOut(), 90);
}

TEST_F(MailWindow, HelpModeClicksShowHelpAndKeepTheBox) {
  Host.HelpMode = true;
  ASSERT_TRUE(Form->CheckBox1->Checked());
  // What a click on the box does: its state turns, then its click event runs.
  Form->CheckBox1->SetChecked(false);
  EXPECT_TRUE(Form->CheckBox1->Checked());
  Form->ToEdit->Click();
  ASSERT_EQ(Host.HelpAsked.size(), 2u);
  EXPECT_EQ(Host.HelpAsked[0], Form->CheckBox1);
  EXPECT_EQ(Host.HelpAsked[1], Form->ToEdit);
  Host.HelpMode = false;
  Form->CheckBox1->SetChecked(false);
  EXPECT_FALSE(Form->CheckBox1->Checked());
  EXPECT_EQ(Host.HelpAsked.size(), 2u);
}

TEST_F(MailWindow, TheHandOffReachesTheWindow) {
  ASSERT_EQ(MailWindowLink(), static_cast<TMailWindowLink*>(Form));
  MailWindowLink()->SetMailCaption(" Mail the attached 2 title(s)");
  MailWindowLink()->AttachTitles(Keys({11, 12}));
  EXPECT_EQ(Form->Caption(), " Mail the attached 2 title(s)");
  EXPECT_EQ(Form->ListView1->ItemCount(), 2);
}

TEST_F(MailWindow, ShownIdleAndBusy) {
  // As the main window does it: shown first (which empties the list), then the titles attached.
  Form->Show();
  Form->AttachTitles(Keys({11, 12}));
  EXPECT_EQ(Form->ListView1->ItemCount(), 2);
  Form->ToEdit->SetText("a@x.test");
  Form->SubjectEdit->SetText("Two tunes");
  EXPECT_TRUE(PumpQueued());
  EXPECT_GT(SaveWindowShot(*Form, "mail_idle"), 4);
  int busyColours = 0;
  bool barShown = false;
  TOneShot shoot(800, [&] {
    barShown = Form->ProgressBar1->Visible();
    busyColours = SaveWindowShot(*Form, "mail_busy");
  });
  TOneShot cancel(1600, [&] { Form->CancelButtonClick(Form->CancelButton); });
  Form->StatusLog.clear();
  Send(PeerServer("silence"));
  std::string seen;
  for (const auto& t : Form->StatusLog)
    seen += t + " | ";
  EXPECT_TRUE(barShown) << seen;
  EXPECT_GT(busyColours, 4);
  Form->Hide();
}

TEST_F(MailWindow, AboutStandsCentredOverTheMailWindow) {
  Form->Show();
  Form->SetBounds(140, 90, 395, 435);
  std::string kind;
  RECT box{};
  Answers.Push([&](TModalRequest& request) {
    kind = request.Kind;
    if (request.Form) box = request.Form->BoundsRect();
    return static_cast<int>(mrOk);
  });
  Form->About1->Click();
  EXPECT_EQ(kind, "TAboutBoxD2");
  EXPECT_NEAR((box.left + box.right) / 2.0, 140 + 395 / 2.0, 1);
  EXPECT_NEAR((box.top + box.bottom) / 2.0, 90 + 435 / 2.0, 1);
  Form->Hide();
}

namespace {
// The mail window over a stand-in dial-up library with two phone-book entries.
class MailWindowDialUp : public MailWindow {
protected:
  MailWindowDialUp() { Stub.Setup("entries=Home,Office;saved=1;states=0,1,8192"); }
  // Answers the setup dialog: the aiosmtpd peer and the entry of that index; keeps the list.
  TModalAnswers::TAnswer Choose(int index) {
    return [this, index](TModalRequest& request) {
      auto* dlg = dynamic_cast<TSetupDlg*>(request.Form);
      if (!dlg) return static_cast<int>(mrCancel);
      Listed.clear();
      for (int i = 0; i < dlg->RASComboBox->Items().Count(); ++i)
        Listed.push_back(dlg->RASComboBox->Items()[i]);
      dlg->ServerEdit->SetText(PeerServer("aiosmtpd"));
      dlg->RASComboBox->SetItemIndex(index);
      return static_cast<int>(mrOk);
    };
  }
  TRasStub Stub;
  std::vector<std::string> Listed;
};
} // namespace

TEST_F(MailWindowDialUp, TheSetupListsTheEntriesAndTheChosenOneIsDialledForTheMail) {
  ASSERT_TRUE(Stub.Loaded());
  Form->AttachTitles(Keys({11}));
  Form->ToEdit->SetText("a@x.test");
  Answers.Push(Choose(2));
  Form->SetupButton->Click();
  EXPECT_EQ(Listed, (std::vector<std::string>{"None", "Home", "Office"}));
  EXPECT_EQ(Form->agRas1->Service(), "Office");
  EXPECT_EQ(Form->RasIndex(), 2);

  // With a server and an entry the send asks nothing first; it dials that entry and hangs up.
  const size_t asked = Answers.Asked().size();
  const int before = ReceivedCount();
  Form->StatusLog.clear();
  Form->SendButton->Click();
  PumpUntil([&] { return ReceivedCount() > before; }, 5000);
  EXPECT_EQ(ReceivedCount(), before + 1);
  EXPECT_EQ(Answers.Asked().size(), asked);
  EXPECT_EQ(LastStatus(), "Mail sent");
  EXPECT_TRUE(Stub.Called("RasDialA Office")) << Stub.Calls();
  EXPECT_TRUE(Stub.Called("RasHangUpA")) << Stub.Calls();

  // "None" clears the entry, and the index written is 0.
  Answers.Push(Choose(0));
  Form->SetupButton->Click();
  EXPECT_EQ(Form->agRas1->Service(), "");
  TCloseAction action = caHide;
  Form->FormClose(Form, action);
  EXPECT_EQ(TIniFile(Host.Ini).ReadInteger("Setup", "RAS", -1), 0);
}

namespace {
// Every path the window hands to ExtractAssociatedIconA, and whether its buffer held the path's
// end within the MAX_PATH characters the call may read and write.
std::vector<std::pair<std::string, bool>> IconCalls;
HICON(WINAPI* RealExtractAssociatedIcon)(HINSTANCE, LPSTR, WORD*) = nullptr;

HICON WINAPI WatchedExtractAssociatedIcon(HINSTANCE inst, LPSTR path, WORD* index) {
  size_t n = strnlen(path, MAX_PATH);
  IconCalls.push_back({std::string(path, n), n < MAX_PATH});
  return RealExtractAssociatedIcon(inst, path, index);
}

// Points this program's import of shell32's ExtractAssociatedIconA at the watcher (or back).
bool RouteIconCalls(void* target) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name;
       ++imp) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), "shell32.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (strcmp(reinterpret_cast<char*>(byName->Name), "ExtractAssociatedIconA") != 0) continue;
      DWORD old;
      VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
      if (!RealExtractAssociatedIcon)
        RealExtractAssociatedIcon =
            reinterpret_cast<decltype(RealExtractAssociatedIcon)>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(target);
      VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
      return true;
    }
  }
  return false;
}
} // namespace

TEST_F(MailWindow, UserFilesOfAnyPathLengthGetTheirRowWithinTheIconCallsBuffer) {
  ASSERT_TRUE(RouteIconCalls(reinterpret_cast<void*>(&WatchedExtractAssociatedIcon)));
  IconCalls.clear();
  std::string shortPath = CheckDir("mailwin_work") + "short.txt";
  WriteFileBytes(shortPath, "short");
  std::string longPath = "C:\\" + std::string(150, 'd') + "\\" + std::string(150, 'e') + ".txt";
  Form->OnChooseFiles = [&] { return std::vector<std::string>{shortPath, longPath}; };
  Form->AttachButtonClick(Form->AttachButton);
  RouteIconCalls(reinterpret_cast<void*>(RealExtractAssociatedIcon));
  ASSERT_EQ(Form->ListView1->ItemCount(), 2);
  EXPECT_EQ(Form->ListView1->Items(1).SubItems(2), longPath);
  EXPECT_EQ(Form->ListView1->Items(1).Caption(), std::string(150, 'e') + ".txt");
  EXPECT_FALSE(IconCalls.empty());
  for (const auto& [path, ended] : IconCalls)
    EXPECT_TRUE(ended) << path.size();
  EXPECT_EQ(IconCalls.front().first, shortPath);
}

TEST_F(MailWindow, AddressMistakesAreShownAndNothingConnects) {
  std::string before = FileText(PeersDir() + "count.log");
  const std::string longAddress = std::string(250, 'a') + "@x.test"; // 257 characters
  for (std::string typed : {std::string("a@x.test, b@y.test"), std::string("Ann <ann@x.test"),
                            std::string("(Bob) bob@x.test"), std::string("Bob <>"), longAddress,
                            "Bob <" + longAddress + ">"}) {
    // A good address beside it does not carry the mail out.
    Form->ToEdit->SetText("good@x.test; " + typed + ";");
    Form->StatusLog.clear();
    Send(PeerServer("count"));
    EXPECT_EQ(LastStatus(), "Invalid e-mail address: " + typed) << typed;
    EXPECT_EQ(Answers.Asked().back().Text,
              "The mail was not sent:\r\n\r\nInvalid e-mail address: " + typed);
    EXPECT_FALSE(Form->Busy());
  }
  // Characters the ANSI code page (1252 here) lacks, pasted into the field.
  ASSERT_EQ(GetACP(), 1252u);
  PasteInto(*Form->ToEdit, L"\x0416\x0416@x.test");
  Form->StatusLog.clear();
  Send(PeerServer("count"));
  EXPECT_EQ(LastStatus(), "Invalid e-mail address: ??@x.test");
  EXPECT_EQ(FileText(PeersDir() + "count.log"), before);
  // Letters of the code page pass: the same check lets them through.
  PasteInto(*Form->ToEdit, L"Ren\x00e9 <rene@x.test>");
  Form->StatusLog.clear();
  Send(PeerServer("count"));
  EXPECT_FALSE(Logged("Invalid e-mail address: Ren\xe9 <rene@x.test>"));
  EXPECT_NE(FileText(PeersDir() + "count.log").find("RCPT TO:<rene@x.test>"), std::string::npos);
}

TEST_F(MailWindow, AFileTooLargeToAttachIsNamedAndNothingConnects) {
  TScratchDir dir("mailwinbig");
  std::string big = dir / "big.bin";
  ASSERT_TRUE(MakeSparseFile(big, (int64_t(4) << 30) + 10));
  Form->OnChooseFiles = [&] { return std::vector<std::string>{big}; };
  Form->AttachButtonClick(Form->AttachButton);
  Form->ToEdit->SetText("a@x.test");
  Form->CheckBox1->SetChecked(false);
  std::string before = FileText(PeersDir() + "count.log");
  Form->StatusLog.clear();
  Send(PeerServer("count"));
  EXPECT_TRUE(
      Logged("big.bin is too large to attach: a mail carries at most 64 MB of attachments"));
  EXPECT_EQ(FileText(PeersDir() + "count.log"), before);
  EXPECT_FALSE(Form->Busy());
  DeleteFileA(big.c_str());
}
