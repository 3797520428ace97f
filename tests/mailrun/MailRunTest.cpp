// Tonalbrook.exe itself mailing a title: a second start hands it an "M" request, the mail window
// comes up in front, its fields are typed and Send is clicked with real input, and the message
// reaches the aiosmtpd peer; tests/checks/mailrun_arrived.py reads it back on the host.
#include "../mail/MailTestUtil.h"
#include "PreparedCatalogue.h"
#include "RunningProgram.h"
#include "TestUtil.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>

namespace {

void ClickAt(POINT p) {
  SetCursorPos(p.x, p.y);
  MouseInput(MOUSEEVENTF_MOVE);
  PumpUntil([] { return false; }, 60);
  MouseInput(MOUSEEVENTF_LEFTDOWN);
  MouseInput(MOUSEEVENTF_LEFTUP);
  PumpUntil([] { return false; }, 200);
}

// Types text into whatever has the keyboard focus, character by character.
void Type(const std::string& text) {
  for (char ch : text) {
    for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wScan = static_cast<unsigned char>(ch);
      in.ki.dwFlags = KEYEVENTF_UNICODE | up;
      SendInput(1, &in, sizeof(INPUT));
    }
  }
  PumpUntil([] { return false; }, 300);
}

// A window's text asked of its own process (a status bar answers with its first part).
std::string TextOf(HWND w) {
  char text[1024] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &ignored);
  return text;
}

std::string ClassOf(HWND w) {
  char name[128] = {};
  GetClassNameA(w, name, sizeof name);
  return LowerCase(name);
}

struct TFindAll {
  std::function<bool(HWND)> Match;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TFindAll*>(lp);
  if (f->Match(w)) f->Found.push_back(w);
  return TRUE;
}

std::vector<HWND> Children(HWND parent, const std::function<bool(HWND)>& match) {
  TFindAll find{match, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

POINT CentreOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The mail window's parts, found from outside its process.
struct TMailParts {
  HWND Window = nullptr, To = nullptr, Subject = nullptr, Body = nullptr, Status = nullptr,
       ToolBar = nullptr, List = nullptr;

  explicit TMailParts(HWND window) : Window(window) {
    // The address, subject and text fields from the top down.
    auto fields = Children(window, [](HWND w) {
      std::string c = ClassOf(w);
      return c.find("edit") != std::string::npos || c.find("memo") != std::string::npos;
    });
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
      RECT ra{}, rb{};
      GetWindowRect(a, &ra);
      GetWindowRect(b, &rb);
      return ra.top < rb.top;
    });
    if (fields.size() == 3) {
      To = fields[0];
      Subject = fields[1];
      Body = fields[2];
    }
    auto bars = Children(window, [](HWND w) { return ClassOf(w) == "msctls_statusbar32"; });
    if (!bars.empty()) Status = bars[0];
    auto lists = Children(window, [](HWND w) { return ClassOf(w) == "syslistview32"; });
    if (!lists.empty()) List = lists[0];
    // The tool bar: the direct child along the top of the client area.
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    for (HWND w : Children(window, [window](HWND c) { return GetParent(c) == window; })) {
      RECT r{};
      GetWindowRect(w, &r);
      if (r.top == origin.y && r.bottom - r.top == 30) ToolBar = w;
    }
  }
  bool Whole() const { return To && Subject && Body && Status && ToolBar && List; }
  // The Send button: the tool bar's first button, drawn by the bar itself (no window of its own).
  POINT SendButton() const {
    POINT p{34, 15};
    ClientToScreen(ToolBar, &p);
    return p;
  }
  std::string StatusText() const { return TextOf(Status); }
  // The address and subject panel is what the busy state disables.
  bool Idle() const { return IsWindowEnabled(GetParent(To)) != FALSE; }
};

// A visible top-level window of that class of the process, or nullptr.
HWND VisibleWindow(DWORD pid, const std::string& cls) {
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid && IsWindowVisible(w) && ClassOf(w) == LowerCase(cls)) return w;
  }
  return nullptr;
}

// Higher in the z-order (nearer the top) than other.
bool Above(HWND window, HWND other) {
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == window) return true;
    if (w == other) return false;
  }
  return false;
}

int ReceivedCount() {
  int n = 0;
  while (FileExists(PeersDir() + "received\\" + Format("%04d.json", n + 1)))
    ++n;
  return n;
}

class MailRun : public testing::Test {
protected:
  TScratchDir FDir{"tb mail run"};
  std::string FSong;

  void SetUp() override {
    std::string exe = WinPath(EnvVar("TB_BUILD_DIR") + "/app/Tonalbrook.exe");
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(CopyFileA(exe.c_str(), (FDir / "Tonalbrook.exe").c_str(), FALSE));
    PrepareCatalogue(FDir.Path());
    WriteSettings(PeerServer("aiosmtpd"));
    ForceDirectories(FDir / "My Songs");
    FSong = FDir / "My Songs\\mail me.mid";
    ASSERT_TRUE(CopyFileA(CorpusFiles("timidity")[0].c_str(), FSong.c_str(), FALSE));
  }

  // The server, the sender, a dial-up entry index (nothing for the setup dialog to ask) and the
  // transfer log.
  void WriteSettings(const std::string& server) {
    WriteFileBytes(FDir / "Tonalbrook.ini", "[Setup]\r\nRemindToScan=0\r\nServer=" + server +
                                                "\r\nEMail Address=me@example.com\r\n"
                                                "Name=Me\r\nRAS=1\r\nLog File=" +
                                                FDir / "mail.log" + "\r\n");
  }

  // Starts the program, maximises its main window and hands it the request as a second start
  // does; returns the mail window once its title is attached (nullptr when it never came).
  HWND StartAndRequestMail(TRunningProgram& run) {
    EXPECT_TRUE(run.Started());
    if (!run.WaitForMainWindow()) return nullptr;
    EXPECT_TRUE(run.AnswerUntil([&] { return run.StartUpDone(); }, 120000));
    // The splash stands over everything for its while after the start.
    EXPECT_TRUE(PumpUntil([&] { return !VisibleWindow(run.Pid(), "TSplashFrm"); }, 30000));
    HWND main = run.MainWindow();
    ShowWindow(main, SW_MAXIMIZE);
    EXPECT_TRUE(PumpUntil([&] { return IsZoomed(main) != FALSE; }, 5000));
    EXPECT_GE(SecondStart(FDir.Path(), "M\"" + FSong + "\""), 0);
    HWND mail = nullptr;
    EXPECT_TRUE(run.AnswerUntil(
        [&] {
          mail = FindProcessWindow(run.Pid(), "TMailForm");
          if (!mail || !IsWindowVisible(mail)) return false;
          TMailParts parts(mail);
          return parts.Whole() && SendMessageA(parts.List, LVM_GETITEMCOUNT, 0, 0) == 1 &&
                 parts.StatusText().empty();
        },
        60000));
    return mail;
  }

  // Clicks Send; the system's own message box, owned by the mail window, says the mail was not
  // sent and why; once it is answered the window is idle with the reason on its status bar.
  void SendAndExpectNotSent(TRunningProgram& run, const TMailParts& parts, const std::string& why) {
    ClickAt(parts.SendButton());
    HWND box = nullptr;
    EXPECT_TRUE(
        PumpUntil([&] { return (box = VisibleWindow(run.Pid(), "#32770")) != nullptr; }, 60000))
        << "status " << parts.StatusText();
    ASSERT_TRUE(box);
    EXPECT_EQ(GetWindow(box, GW_OWNER), parts.Window);
    const std::string text = BoxText(box);
    EXPECT_EQ(text.rfind("The mail was not sent:", 0), 0u) << text;
    EXPECT_NE(text.find(why), std::string::npos) << text;
    PostMessageA(FindChildByText(box, "OK"), BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return parts.Idle(); }, 5000));
    EXPECT_EQ(parts.StatusText(), why);
  }

  // Types into each field as a user does: once the window is the one in front, a click puts the
  // caret in the field, then the keys follow. Where the caret does not arrive, the failure names
  // what held the focus, the mouse and the front instead.
  void Fill(const TMailParts& parts) {
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == parts.Window; }, 5000))
        << "in front: " << ClassOf(GetForegroundWindow());
    const DWORD thread = GetWindowThreadProcessId(parts.Window, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    for (auto [field, text] : {std::pair{parts.To, "a@x.test"}, std::pair{parts.Subject, "A tune"},
                               std::pair{parts.Body, "Here it is"}}) {
      EXPECT_EQ(WindowFromPoint(CentreOf(field)), field)
          << "over the field: " << ClassOf(WindowFromPoint(CentreOf(field)));
      ClickAt(CentreOf(field));
      EXPECT_TRUE(PumpUntil(
          [&] { return GetGUIThreadInfo(thread, &info) && info.hwndFocus == field; }, 3000))
          << "focus: " << ClassOf(info.hwndFocus) << ", capture: " << ClassOf(info.hwndCapture)
          << ", active: " << ClassOf(info.hwndActive)
          << ", in front: " << ClassOf(GetForegroundWindow());
      Type(text);
      EXPECT_EQ(TextOf(field), text);
    }
    // Nothing of the program's stands over the Send button either.
    EXPECT_EQ(GetAncestor(WindowFromPoint(parts.SendButton()), GA_ROOT), parts.Window)
        << ClassOf(GetAncestor(WindowFromPoint(parts.SendButton()), GA_ROOT));
  }
};

} // namespace

TEST_F(MailRun, AnMRequestBringsTheMailWindowUpFrontAndTheTitleArrives) {
  RemoveTree(CheckDir("mailrun_arrived"));
  const std::string keep = CheckDir("mailrun_arrived");
  TRunningProgram run(FDir.Path(), "");
  HWND mail = StartAndRequestMail(run);
  ASSERT_TRUE(mail);
  HWND main = run.MainWindow();
  // Over the maximised main window, and the window the user works in.
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == mail; }, 3000))
      << "foreground: " << ClassOf(GetForegroundWindow());
  EXPECT_TRUE(Above(mail, main));
  EXPECT_TRUE(IsZoomed(main));

  TMailParts parts(mail);
  ASSERT_TRUE(parts.Whole());
  Fill(parts);
  const int before = ReceivedCount();
  ClickAt(parts.SendButton());
  std::string seen, last = "-";
  EXPECT_TRUE(run.AnswerUntil(
      [&] {
        std::string now = parts.StatusText();
        if (now != last) seen += (last = now) + " | ";
        return now == "Mail sent";
      },
      60000))
      << "status: " << seen;
  EXPECT_TRUE(PumpUntil([&] { return ReceivedCount() == before + 1; }, 5000));
  EXPECT_TRUE(parts.Idle());
  std::string eml = PeersDir() + "received\\" + Format("%04d.eml", ReceivedCount());
  EXPECT_TRUE(CopyFileA(eml.c_str(), (keep + "message.eml").c_str(), FALSE));
  // The transfer log is on disk and closed while the program still runs: nobody holds it.
  HANDLE log = CreateFileA((FDir / "mail.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(log, INVALID_HANDLE_VALUE) << GetLastError();
  if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
  EXPECT_TRUE(CopyFileA((FDir / "mail.log").c_str(), (keep + "mail.log").c_str(), FALSE));

  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  for (const auto& box : run.Boxes())
    ADD_FAILURE() << "unexpected box: " << box.Text;
  // The checker cuts the title out of the catalogue the program left.
  for (const char* name : {"Music.dex", "Music.dax"})
    EXPECT_TRUE(CopyFileA((FDir / name).c_str(), (keep + name).c_str(), FALSE)) << name;
  WriteFileBytes(keep + "title.txt", "mail me");
}

TEST_F(MailRun, WithoutTheSocketsLibraryASendSaysSoAndTheWindowStaysUsable) {
  // A copy of the program under a name of its own, for which Wine is told that the sockets
  // library is switched off; the test process and other programs keep it.
  const char* copy = "NoSockets.exe";
  ASSERT_TRUE(CopyFileA((FDir / "Tonalbrook.exe").c_str(), (FDir / copy).c_str(), FALSE));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER,
                            "Software\\Wine\\AppDefaults\\NoSockets.exe\\DllOverrides", 0, nullptr,
                            0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "wsock32", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  RegCloseKey(key);
  TRunningProgram run(FDir.Path(), "", copy);
  HWND mail = StartAndRequestMail(run);
  ASSERT_TRUE(mail);
  TMailParts parts(mail);
  ASSERT_TRUE(parts.Whole());
  Fill(parts);
  const int before = ReceivedCount();
  SendAndExpectNotSent(run, parts, "Winsock not found");
  EXPECT_EQ(ReceivedCount(), before);
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
}

TEST_F(MailRun, ARefusedConnectionSaysTheMailWasNotSentAndWhy) {
  WriteSettings(PeerServer("refused"));
  TRunningProgram run(FDir.Path(), "");
  HWND mail = StartAndRequestMail(run);
  ASSERT_TRUE(mail);
  TMailParts parts(mail);
  ASSERT_TRUE(parts.Whole());
  Fill(parts);
  SendAndExpectNotSent(run, parts, "[10061] Connection refused");
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
}

TEST_F(MailRun, CancelWhileTheServerSaysNothingEndsTheSendAsCancelled) {
  // The server takes the connection and never greets: the send waits until the user cancels.
  WriteSettings(PeerServer("mute"));
  TRunningProgram run(FDir.Path(), "");
  HWND mail = StartAndRequestMail(run);
  ASSERT_TRUE(mail);
  TMailParts parts(mail);
  ASSERT_TRUE(parts.Whole());
  Fill(parts);
  const int before = ReceivedCount();
  ClickAt(parts.SendButton());
  ASSERT_TRUE(PumpUntil([&] { return parts.StatusText() == "Opening connection"; }, 30000))
      << parts.StatusText();
  ASSERT_TRUE(MenuKeys(mail, 'f', {{WM_CHAR, 'c'}})); // File, "&Cancel"
  EXPECT_TRUE(run.AnswerUntil(
      [&] { return parts.Idle() && parts.StatusText() == "Operation has been cancelled"; }, 30000))
      << parts.StatusText();
  EXPECT_EQ(ReceivedCount(), before);
  ASSERT_TRUE(run.AnswerAndClose());
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(run.Boxes().empty()) << "a cancel the user asked for needs no box";
}
