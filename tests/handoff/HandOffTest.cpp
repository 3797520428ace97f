// A second start hands its whole command line to the first through atoms and window messages,
// and does not hang on a first instance that does not answer.
#include <gtest/gtest.h>
#include <windows.h>
#include "Guard.h"
#include "Messages.h"
#include "OnceOnly.h"
#include "SysUtils.h"
#include <thread>

namespace {

struct TReceived {
  int Messages = 0;
  WPARAM WParam = 99;
  LPARAM LParam = 99;
  std::vector<WPARAM> Counts;                     // each message's wParam
  std::vector<std::pair<int, std::string>> Lines; // number, text
};

TReceived* gReceived = nullptr;

LRESULT CALLBACK MasterProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INSTANCEPARAMS && gReceived)
    return Guard<LRESULT>(0, [&]() -> LRESULT {
      ++gReceived->Messages;
      gReceived->WParam = wp;
      gReceived->LParam = lp;
      gReceived->Counts.push_back(wp);
      ReceiveInstanceParams(
          wp, lp,
          [](void* target, const std::string& line, int no) {
            static_cast<TReceived*>(target)->Lines.emplace_back(no, line);
          },
          gReceived);
      return 0;
    });
  return DefWindowProcA(wnd, msg, wp, lp);
}

// A top-level window standing in for the first instance's main window. The class is this test
// run's own, so that test programs running side by side never reach one another.
class HandOff : public testing::Test {
protected:
  std::string FClass = "TMasterFrm" + std::to_string(GetCurrentProcessId());
  HWND FWindow = nullptr;
  TReceived FReceived;

  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = MasterProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = FClass.c_str();
    RegisterClassA(&wc);
    FWindow = CreateWindowA(FClass.c_str(), "first instance", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(FWindow, nullptr);
    gReceived = &FReceived;
  }
  void TearDown() override {
    gReceived = nullptr;
    if (FWindow) DestroyWindow(FWindow);
  }

  // Starts this test program as a second start with the given command-line tail; answers its
  // exit code (10: handed over, 11: not), pumping messages so the hand-off can arrive meanwhile.
  // A message box of the start gets OK, its text kept in FTold.
  std::string FTold;
  int RunSecondStart(const std::string& tail, const std::string& cls) {
    SetEnvironmentVariableA("TB_HANDOFF_CLASS", cls.c_str());
    std::string cmd = "\"";
    cmd += ParamStr(0) + "\"";
    if (!tail.empty()) cmd += " " + tail;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL started =
        CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("TB_HANDOFF_CLASS", nullptr);
    if (!started) return -1;
    bool ended = PumpUntil(
        [&] {
          HWND box = FindWindowA("#32770", nullptr);
          DWORD owner = 0;
          if (box) GetWindowThreadProcessId(box, &owner);
          if (owner == pi.dwProcessId && IsWindowVisible(box)) {
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            FTold = text;
            PostMessageA(FindWindowExA(box, nullptr, "Button", "OK"), BM_CLICK, 0, 0);
          }
          return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        },
        120000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    if (!ended) TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended ? static_cast<int>(code) : -2;
  }
  int RunSecondStart(const std::string& tail) { return RunSecondStart(tail, FClass); }

  void ExpectAtomGone() {
    // The atom's number may already serve another name; the handed-over text must be gone.
    char buf[300];
    if (FReceived.LParam != 0 && !FReceived.Lines.empty()) {
      UINT n = GlobalGetAtomNameA(static_cast<ATOM>(FReceived.LParam), buf, sizeof buf);
      EXPECT_NE(std::string(buf, n).substr(0, FReceived.Lines[0].second.size()),
                FReceived.Lines[0].second)
          << "atom left behind: " << buf;
    }
  }
};

} // namespace

TEST_F(HandOff, SecondStartWithoutParametersSendsZeroAndNoAtom) {
  EXPECT_EQ(RunSecondStart(""), 10);
  EXPECT_EQ(FReceived.Messages, 1);
  EXPECT_EQ(FReceived.WParam, 0u);
  EXPECT_EQ(FReceived.LParam, 0);
  EXPECT_TRUE(FReceived.Lines.empty());
}

TEST_F(HandOff, ThreeParametersArriveAsThreeNumberedLines) {
  // The platform's own quoting is undone before the parameters are handed on.
  EXPECT_EQ(RunSecondStart("P\"C:\\My Music\\a b.mid\" Zplain.mid M"), 10);
  EXPECT_EQ(FReceived.Messages, 1);
  EXPECT_EQ(FReceived.WParam, 3u);
  EXPECT_NE(FReceived.LParam, 0);
  using L = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(FReceived.Lines, (L{{1, "PC:\\My Music\\a b.mid"}, {2, "Zplain.mid"}, {3, "M"}}));
  ExpectAtomGone();
}

TEST_F(HandOff, LongCommandLineArrivesWholeInMessagesOfWholeParameters) {
  std::string a(120, 'a'), b(120, 'b'), c(120, 'c');
  EXPECT_EQ(RunSecondStart(a + " " + b + " " + c), 10);
  // a and b with their CR LF take 242 of an atom's 255 characters; c comes in a second message,
  // each message counting its own lines.
  EXPECT_EQ(FReceived.Counts, (std::vector<WPARAM>{2, 1}));
  using L = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(FReceived.Lines, (L{{1, a}, {2, b}, {1, c}}));
  EXPECT_EQ(GlobalFindAtomA((a + "\r\n" + b).c_str()), 0) << "atom left behind";
  EXPECT_EQ(GlobalFindAtomA(c.c_str()), 0) << "atom left behind";
}

TEST_F(HandOff, AnInstanceThatTakesOnlyAtomsGetsThemAndTheStartNamesWhatItRefused) {
  // This window knows no WM_COPYDATA: a path longer than an atom holds does not get across.
  std::string path = "C:\\" + std::string(280, 'r') + ".mid";
  EXPECT_EQ(RunSecondStart("Pshort.mid Z\"" + path + "\" M"), 10);
  using L = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(FReceived.Lines, (L{{1, "Pshort.mid"}, {1, "M"}}));
  EXPECT_EQ(FTold, "This file was not handed over to the running Tonalbrook:\r\n\r\n" + path);
}

TEST_F(HandOff, NoFirstInstanceMeansTheSecondStartGoesOn) {
  EXPECT_EQ(RunSecondStart("Pfile.mid", FClass + "Absent"), 11);
  EXPECT_EQ(FReceived.Messages, 0);
}

TEST_F(HandOff, WindowOfTheOwnProcessIsNoEarlierInstance) {
  EXPECT_EQ(FindPreviousInstance(FClass), nullptr);
  EXPECT_FALSE(SendToPreviousInstance(FClass, {"Pfile.mid"}));
  ProcessMessages();
  EXPECT_EQ(FReceived.Messages, 0);
}

namespace {

std::vector<std::pair<int, std::string>> Receive(WPARAM wp, ATOM atom, bool withCallback = true) {
  std::vector<std::pair<int, std::string>> lines;
  TInstanceParamCallback cb;
  if (withCallback)
    cb = [](void* target, const std::string& line, int no) {
      static_cast<std::vector<std::pair<int, std::string>>*>(target)->emplace_back(no, line);
    };
  ReceiveInstanceParams(wp, atom, cb, &lines);
  return lines;
}

bool AtomExists(ATOM atom) {
  char buf[300];
  return GlobalGetAtomNameA(atom, buf, sizeof buf) != 0;
}

} // namespace

TEST(ReceiveInstanceParams, SplitsNumbersAndDeletesTheAtomInEveryCase) {
  EXPECT_TRUE(Receive(0, 0).empty());

  ATOM atom = GlobalAddAtomA(JoinInstanceParams({"Pone.mid", "Ztwo.mid", "M"}).c_str());
  ASSERT_NE(atom, 0);
  using L = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(Receive(3, atom), (L{{1, "Pone.mid"}, {2, "Ztwo.mid"}, {3, "M"}}));
  EXPECT_FALSE(AtomExists(atom));

  atom = GlobalAddAtomA("Pignored.mid");
  EXPECT_TRUE(Receive(0, atom).empty()); // a count of 0 runs nothing
  EXPECT_FALSE(AtomExists(atom));

  atom = GlobalAddAtomA("Pnobody.mid");
  EXPECT_TRUE(Receive(1, atom, false).empty());
  EXPECT_FALSE(AtomExists(atom));
}

TEST(ReceiveInstanceParams, AFullAtomOfJoinedParametersSurvivesWhole) {
  std::vector<std::string> params{std::string(200, 'x'), std::string(53, 'y')};
  std::string joined = JoinInstanceParams(params);
  ASSERT_EQ(joined.size(), 255u);
  EXPECT_EQ(joined, std::string(200, 'x') + "\r\n" + std::string(53, 'y'));
  EXPECT_EQ(JoinInstanceParams({"a", "b"}), "a\r\nb");
  EXPECT_EQ(JoinInstanceParams({}), "");

  ATOM atom = GlobalAddAtomA(joined.c_str());
  ASSERT_NE(atom, 0);
  auto lines = Receive(2, atom);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].second, std::string(53, 'y'));
}

TEST(HandToInstance, AFirstInstanceThatDoesNotAnswerNeitherHangsTheStartNorKeepsTheAtom) {
  // A window whose thread has stopped taking messages, as a hung first instance's.
  std::string cls = "THungMaster" + std::to_string(GetCurrentProcessId());
  HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND hung = nullptr;
  std::thread owner([&] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = cls.c_str();
    RegisterClassA(&wc);
    hung = CreateWindowA(cls.c_str(), "hung", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
    SetEvent(made);
    WaitForSingleObject(release, INFINITE); // no message is taken meanwhile
    if (hung) DestroyWindow(hung);
  });
  ASSERT_EQ(WaitForSingleObject(made, 10000), WAIT_OBJECT_0);
  ASSERT_NE(hung, nullptr);
  std::string text = "Phung" + std::to_string(GetTickCount()) + ".mid";
  EXPECT_EQ(HandToInstance(hung, PackInstanceParams({text})[0], 500), THandOffResult::NoAnswer);
  EXPECT_EQ(GlobalFindAtomA(text.c_str()), 0) << "the atom that was not taken is deleted";
  SetEvent(release);
  owner.join();
  CloseHandle(made);
  CloseHandle(release);
}

TEST(PackInstanceParams, WholeParametersFillEachAtomAndLongerOnesGoCopiedInTheirPlace) {
  // Each message as "A2" (an atom of two parameters) or "C1" (one parameter copied), in order.
  auto shape = [](const std::vector<std::string>& params) {
    std::string text;
    for (const TInstancePacket& p : PackInstanceParams(params))
      text += (p.Copied ? " C" : " A") + std::to_string(p.Params.size());
    return text;
  };
  EXPECT_EQ(shape({}), " A0") << "a start without parameters still tells";
  // 126 + CR LF + 127 = 255 characters, all an atom holds; one more needs a second atom.
  EXPECT_EQ(shape({std::string(126, 'a'), std::string(127, 'b')}), " A2");
  EXPECT_EQ(shape({std::string(126, 'a'), std::string(128, 'b')}), " A1 A1");
  std::string s255(255, 'd'), s256(256, 'e');
  EXPECT_EQ(shape({"P1", "P2", s255, s256, "P3", s256, s256, "P4"}), " A2 A1 C1 A1 C2 A1");
}
