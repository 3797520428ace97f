// Drives Tonalbrook.exe itself from a test: starts it in a program folder, answers its message
// boxes by their text, closes it as a user would, makes second starts, and plays the browser
// plug-in's side (its receiver window, a browser window and the request atoms).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include "Drops.h"
#include "ProgramWide.h"
#include "Messages.h"
#include "SysUtils.h"

namespace runprog {

struct TFound {
  DWORD Pid;
  const char* Class;
  HWND Window = nullptr;
  bool VisibleOnly = false; // message boxes are always looked for visible
};

inline BOOL CALLBACK MatchWindow(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TFound*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  if (owner == f->Pid && std::string(name) == f->Class &&
      ((std::string(name) != "TMessageForm" && !f->VisibleOnly) || IsWindowVisible(w))) {
    f->Window = w;
    return FALSE;
  }
  return TRUE;
}

struct TChildFind {
  std::function<bool(HWND)> Match;
  HWND Window = nullptr;
};

inline BOOL CALLBACK MatchChild(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TChildFind*>(lp);
  if (f->Match(w)) {
    f->Window = w;
    return FALSE;
  }
  return TRUE;
}

inline std::string WindowText(HWND w) {
  char text[4096] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

inline std::string ClassOf(HWND w) {
  char name[128] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

// Adds each window enumerated to the std::vector<HWND> that lp points to.
inline BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

// The windows below parent of that class, in the order the system lists them.
inline std::vector<HWND> ChildrenOfClass(HWND parent, const std::string& cls) {
  std::vector<HWND> all, found;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&all));
  for (HWND w : all)
    if (ClassOf(w) == cls) found.push_back(w);
  return found;
}

} // namespace runprog

// A top-level window of the process with that class (visible ones only for message boxes).
inline HWND FindProcessWindow(DWORD pid, const char* cls) {
  runprog::TFound found{pid, cls};
  EnumWindows(runprog::MatchWindow, reinterpret_cast<LPARAM>(&found));
  return found.Window;
}

// A child of a window by its text.
inline HWND FindChildByText(HWND parent, const std::string& text) {
  runprog::TChildFind find{[&](HWND w) { return runprog::WindowText(w) == text; }};
  EnumChildWindows(parent, runprog::MatchChild, reinterpret_cast<LPARAM>(&find));
  return find.Window;
}

// A message box's text: the static child with id 0xFFFF, as in Windows' own boxes.
inline std::string BoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? runprog::WindowText(text) : "";
}

class TRunningProgram {
public:
  struct TAsked {
    std::string Caption;
    std::string Text;
  };
  // Which button a box gets, by its caption and text ("" for the default: No, else OK).
  using TAnswer = std::function<std::string(const TAsked& box)>;

  // exeName: the program file's name in folder (a copy under another name gets the settings the
  // system keeps per program file).
  TRunningProgram(const std::string& folder, const std::string& params,
                  const std::string& exeName = "Tonalbrook.exe") {
    std::string exe = folder + exeName;
    std::string cmd = "\"" + exe + "\"" + (params.empty() ? "" : " " + params);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    FStarted = CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &si, &FInfo) != FALSE;
  }
  ~TRunningProgram() {
    if (!FStarted) return;
    if (!Ended()) TerminateProcess(FInfo.hProcess, 99);
    CloseHandle(FInfo.hProcess);
    CloseHandle(FInfo.hThread);
  }
  TRunningProgram(const TRunningProgram&) = delete;
  TRunningProgram& operator=(const TRunningProgram&) = delete;

  bool Started() const { return FStarted; }
  DWORD Pid() const { return FInfo.dwProcessId; }
  bool Ended() const { return WaitForSingleObject(FInfo.hProcess, 0) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(FInfo.hProcess, &code);
    return code;
  }
  HWND MainWindow() const { return FindProcessWindow(Pid(), "TMasterFrm"); }
  bool WaitForMainWindow() {
    return PumpUntil([&] { return MainWindow() != nullptr || Ended(); }, 120000) && !Ended();
  }
  // Waits for the process to end by itself; true when it did within the time.
  bool WaitForEnd(uint32_t ms) {
    return PumpUntil([&] { return Ended(); }, ms);
  }
  // Ends the program at once, as a crash or a power cut would; true when it has ended.
  bool Kill() {
    TerminateProcess(FInfo.hProcess, 99);
    return WaitForSingleObject(FInfo.hProcess, 30000) == WAIT_OBJECT_0;
  }
  // The splash, kept in front for a few seconds after start-up, has gone by itself; until then it
  // takes the clicks meant for the window under it.
  bool WaitForSplashGone() {
    return PumpUntil(
        [&] {
          runprog::TFound splash{Pid(), "TSplashFrm", nullptr, true};
          EnumWindows(runprog::MatchWindow, reinterpret_cast<LPARAM>(&splash));
          return splash.Window == nullptr;
        },
        30000);
  }
  // The main window has handled what was sent to it before: it answers a message of its own.
  bool Settled() const {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(MainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored) != 0;
  }

  // Which button each box gets: by Answer when set, else the listed buttons in turn, then No
  // (OK for a box without No).
  TAnswer Answer;

  // Answers the message box that is up, if any; true when there was one.
  bool AnswerBox(const std::vector<const char*>& buttons = {}) {
    HWND box = FindProcessWindow(Pid(), "TMessageForm");
    if (!box) return false;
    if (FBoxes.empty() || FBoxes.back() != box) {
      FBoxes.push_back(box);
      FAsked.push_back({runprog::WindowText(box), BoxText(box)});
      FPress = FAsked.size() <= buttons.size() ? buttons[FAsked.size() - 1] : "&No";
      if (Answer) {
        std::string chosen = Answer(FAsked.back());
        if (!chosen.empty()) FPress = chosen;
      }
    }
    HWND button = FindChildByText(box, FPress);
    if (!button) button = FindChildByText(box, "OK");
    if (button) PostMessageA(button, BM_CLICK, 0, 0);
    return true;
  }

  // Answers boxes until done says so (or the time is up); true when done.
  bool AnswerUntil(const std::function<bool()>& done, uint32_t ms) {
    return PumpUntil(
               [&] {
                 AnswerBox();
                 return done() || Ended();
               },
               ms, 20) &&
           done();
  }

  // Answers the boxes in turn; once the program marks its start-up as done (its questions all
  // answered) and no box is up, closes it as a user would and waits for the process to end.
  bool AnswerAndClose(const std::vector<const char*>& buttons = {}) {
    bool closeSent = false;
    return PumpUntil(
        [&] {
          if (Ended()) return true;
          if (AnswerBox(buttons)) return false;
          HWND main = MainWindow();
          if (!closeSent && main && StartUpDone()) {
            PostMessageA(main, WM_CLOSE, 0, 0);
            closeSent = true;
          }
          return false;
        },
        180000, 20);
  }
  // The program's own mark: start-up has ended, the questions of a start included.
  bool StartUpDone() const {
    HWND main = MainWindow();
    return main && GetPropA(main, StartUpDoneProperty) != nullptr;
  }
  // The boxes' captions, in order.
  std::vector<std::string> Asked() const {
    std::vector<std::string> captions;
    for (const TAsked& a : FAsked)
      captions.push_back(a.Caption);
    return captions;
  }
  const std::vector<TAsked>& Boxes() const { return FAsked; }

private:
  bool FStarted = false;
  PROCESS_INFORMATION FInfo{};
  std::vector<HWND> FBoxes;
  std::vector<TAsked> FAsked;
  std::string FPress = "&No";
};

namespace runprog {

// Copies local into a buffer made inside w's process, lets prepare point local's pointers into
// the remote copy before it goes over, runs send there, and copies the buffer back into local.
inline bool InRemoteBuffer(HWND w, void* local, size_t size,
                           const std::function<void(char* remote)>& prepare,
                           const std::function<void(char* remote)>& send) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!proc) return false;
  auto* remote = static_cast<char*>(
      VirtualAllocEx(proc, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  bool ok = remote != nullptr;
  if (ok) prepare(remote);
  ok = ok && WriteProcessMemory(proc, remote, local, size, nullptr);
  if (ok) {
    send(remote);
    ok = ReadProcessMemory(proc, remote, local, size, nullptr) != 0;
  }
  if (remote) VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  CloseHandle(proc);
  return ok;
}

} // namespace runprog

// Works a window's menu with the keyboard, as a user does: Alt and the bar entry's letter, then
// the keys in turn (the menus are another process's, so their handles cannot be read here).
inline bool MenuKeys(HWND window, char barLetter,
                     const std::vector<std::pair<UINT, WPARAM>>& keys) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, static_cast<unsigned char>(barLetter));
  for (const auto& [msg, key] : keys) {
    runprog::TFound popup{pid, "#32768", nullptr, true};
    if (!PumpUntil(
            [&] {
              EnumWindows(runprog::MatchWindow, reinterpret_cast<LPARAM>(&popup));
              return popup.Window != nullptr;
            },
            10000))
      return false;
    PostMessageA(popup.Window, msg, key, 0);
    PumpUntil([] { return false; }, 200); // the menu takes each key before the next
  }
  return true;
}

// Types an artist and a category into the combo boxes of another process's drive-scan window
// that still show their prompts. (Asked by message: another process's window text is not kept
// where GetWindowText looks.)
inline void TypeScanArtistAndCategory(HWND scan, const wchar_t* artist, const wchar_t* category) {
  runprog::TChildFind everyCombo{[&](HWND w) {
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::string(cls) != "ComboBox") return false;
    wchar_t text[128] = {};
    SendMessageW(w, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
    const std::wstring shown = text;
    const wchar_t* typed = shown == L"<Select or enter an artist>"    ? artist
                           : shown == L"<Select or enter a category>" ? category
                                                                      : nullptr;
    if (typed) SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
    return false; // on to the next child
  }};
  EnumChildWindows(scan, runprog::MatchChild, reinterpret_cast<LPARAM>(&everyCombo));
}

// An item's (or sub-item's) text in another process's list view.
inline std::string ListViewText(HWND list, int item, int subItem = 0) {
  struct TBuffer {
    LVITEMA Item;
    char Text[257];
  } buffer{};
  runprog::InRemoteBuffer(
      list, &buffer, sizeof buffer,
      [&](char* remote) {
        buffer.Item.iSubItem = subItem;
        buffer.Item.pszText = remote + offsetof(TBuffer, Text);
        buffer.Item.cchTextMax = 256;
      },
      [&](char* remote) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(remote),
                            SMTO_NORMAL, 10000, &ignored);
      });
  buffer.Text[256] = 0;
  return buffer.Text;
}

// Where an item of another process's list view (or its part: LVIR_LABEL, ...) lies on the screen.
inline RECT ListViewItemRect(HWND list, int item, LONG part = LVIR_BOUNDS) {
  RECT r{part, 0, 0, 0};
  runprog::InRemoteBuffer(
      list, &r, sizeof r, [](char*) {},
      [&](char* remote) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(remote),
                            SMTO_NORMAL, 10000, &ignored);
      });
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

namespace runprog {

inline BOOL CALLBACK CollectGrid(HWND w, LPARAM lp) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  if (std::string(name) == "TMyStringGrid" && IsWindowVisible(w))
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

} // namespace runprog

// A catalogue grid's cells as its own process gives them: a line per row, the header first, a
// tab between columns.
inline std::vector<std::vector<std::string>> GridRows(HWND grid) {
  DWORD_PTR length = 0;
  SendMessageTimeoutA(grid, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 60000, &length);
  std::vector<char> text(length + 1);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(grid, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 60000, &ignored);
  std::vector<std::vector<std::string>> rows;
  std::string all = text.data();
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find("\r\n", at);
    if (end == std::string::npos) end = all.size();
    std::vector<std::string> cells;
    const std::string line = all.substr(at, end - at);
    for (size_t c = 0;;) {
      size_t tab = line.find('\t', c);
      cells.push_back(line.substr(c, tab == std::string::npos ? std::string::npos : tab - c));
      if (tab == std::string::npos) break;
      c = tab + 1;
    }
    rows.push_back(cells);
    at = end + 2;
  }
  return rows;
}

// The window's visible catalogue grid whose header starts with that column.
inline HWND GridWithHeader(HWND main, const std::string& firstColumn) {
  std::vector<HWND> grids;
  EnumChildWindows(main, runprog::CollectGrid, reinterpret_cast<LPARAM>(&grids));
  for (HWND w : grids) {
    auto rows = GridRows(w);
    if (!rows.empty() && !rows[0].empty() && rows[0][0] == firstColumn && rows[0].size() >= 3)
      return w;
  }
  return nullptr;
}

// Files dropped on a window of another process as the shell drops them: the block made in that
// process, then WM_DROPFILES.
inline bool DropFilesOn(HWND window, const std::vector<std::string>& files) {
  const std::string block = DropFilesBlock(files);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (!proc) return false;
  // The program frees the drop when it has read it; this block is left to it.
  void* remote =
      VirtualAllocEx(proc, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  bool ok = remote && WriteProcessMemory(proc, remote, block.data(), block.size(), nullptr);
  CloseHandle(proc);
  return ok && PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

// A mouse button or move as the real mouse makes it.
inline void MouseInput(DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof(INPUT));
}

// A key pressed or let go as the real keyboard does it.
inline void KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(INPUT));
}

// A second start in the same program folder: it hands its parameters over and should end at
// once. Answers how long it took, or -1 when it did not end within the time.
inline int SecondStart(const std::string& folder, const std::string& params, uint32_t ms = 30000) {
  DWORD start = GetTickCount();
  TRunningProgram second(folder, params);
  if (!second.Started() || !second.WaitForEnd(ms) || second.ExitCode() != 0) return -1;
  return static_cast<int>(GetTickCount() - start);
}

// The browser plug-in's side: its receiver window "TMsgRcvFrm", a browser window titled
// "Netscape test" that counts its repaints, and requests sent in global atoms.
class TPluginSide {
public:
  TPluginSide() {
    Self() = this;
    FReceiver = Make("TMsgRcvFrm", "Plug-in receiver", ReceiverProc);
    FBrowser = Make("TbNetscapeTest", "Netscape test", BrowserProc);
  }
  ~TPluginSide() {
    DestroyWindow(FReceiver);
    DestroyWindow(FBrowser);
    Self() = nullptr;
  }
  TPluginSide(const TPluginSide&) = delete;
  TPluginSide& operator=(const TPluginSide&) = delete;

  // Sends a request string to the program's main window (WM_USER+687, the atom in lParam).
  void Request(HWND main, const std::string& text) {
    ATOM atom = GlobalAddAtomA(text.c_str());
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(main, WM_USER + 687, 0, atom, SMTO_ABORTIFHUNG, 10000, &ignored);
  }
  // How often the registered message of that name arrived.
  int Count(const char* name) const {
    UINT id = RegisterWindowMessageA(name);
    int n = 0;
    for (const auto& m : FReceived)
      n += m.first == id;
    return n;
  }
  void Clear() {
    FReceived.clear();
    FPaints = 0;
  }
  int Paints() const { return FPaints; }

private:
  static TPluginSide*& Self() {
    static TPluginSide* self = nullptr;
    return self;
  }
  static LRESULT CALLBACK ReceiverProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg >= 0xC000 && Self()) Self()->FReceived.emplace_back(msg, wp);
    return DefWindowProcA(w, msg, wp, lp);
  }
  static LRESULT CALLBACK BrowserProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT && Self()) ++Self()->FPaints;
    return DefWindowProcA(w, msg, wp, lp);
  }
  static HWND Make(const char* cls, const char* title, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, cls, title, WS_OVERLAPPEDWINDOW, 700, 10, 200, 100, nullptr,
                             nullptr, wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    return w;
  }
  HWND FReceiver, FBrowser;
  std::vector<std::pair<UINT, WPARAM>> FReceived;
  int FPaints = 0;
};

// Titles written so far to a program folder's title index (records of 672 bytes).
inline int IndexRecords(const std::string& folder) {
  int64_t size = FileSize(folder + "Music.dex");
  return size < 0 ? 0 : static_cast<int>(size / 672);
}
