// Hand-off of a second start's command line through global atoms (and WM_COPYDATA for what no
// atom holds) and window messages.
#include "OnceOnly.h"
#include "Classes.h"
#include "Guard.h"
#include "MessageBox.h"
#include "SysUtils.h"
#include <windows.h>

namespace {

// How long one try to hand a message over waits; between tries the note takes its clicks.
constexpr unsigned SliceMs = 250;
// A hand-off that takes longer than this shows the note.
constexpr DWORD NoteDelayMs = 1000;
// The files named in one message at most; more are counted.
constexpr size_t MaxNamedFiles = 30;

const char* const ProductName = "Tonalbrook";
const char* const NoteClassName = "THandOffNote";

std::vector<std::string> FilesOf(const std::vector<std::string>& params) {
  std::vector<std::string> files;
  for (const std::string& param : params) {
    std::string file = HandOffFileOf(param);
    if (!file.empty()) files.push_back(file);
  }
  return files;
}

// The note a second start shows while the running instance keeps it waiting. Its Cancel button
// (or Escape, or closing the note) gives up.
class THandOffNote {
public:
  explicit THandOffNote(const std::vector<std::string>& params) : FStarted(GetTickCount()) {
    const size_t files = FilesOf(params).size();
    FText = std::string(ProductName) + " is busy.\r\n";
    if (files == 0)
      FText += "Waiting for it to answer...";
    else
      FText += "Waiting to hand it " + IntToStr(static_cast<int>(files)) +
               (files == 1 ? " file..." : " files...");
  }
  ~THandOffNote() { Close(); }
  THandOffNote(const THandOffNote&) = delete;
  THandOffNote& operator=(const THandOffNote&) = delete;

  void Close() {
    if (FWindow) DestroyWindow(FWindow);
    FWindow = nullptr;
  }
  // Shows the note once the wait has lasted a moment and runs its messages; true once the user
  // gave up.
  bool GaveUp() {
    if (!FWindow && GetTickCount() - FStarted >= NoteDelayMs) Show();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (FWindow && IsDialogMessageA(FWindow, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return FGaveUp;
  }

private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Guard<LRESULT>(0, [&]() -> LRESULT {
      if (msg == WM_NCCREATE)
        SetWindowLongPtrA(
            wnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
      auto* self = reinterpret_cast<THandOffNote*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
      if (self && (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL))) {
        self->FGaveUp = true;
        return 0;
      }
      return DefWindowProcA(wnd, msg, wp, lp);
    });
  }

  void Show() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(instance, "MAINICON"); // the program's own, as its windows have
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = NoteClassName;
    RegisterClassA(&wc); // fails harmlessly when a former note registered it
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_CONTROLPARENT;
    RECT frame{0, 0, 340, 96};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    FWindow = CreateWindowExA(exStyle, NoteClassName, ProductName, style,
                              area.left + (area.right - area.left - width) / 2,
                              area.top + (area.bottom - area.top - height) / 2, width, height,
                              nullptr, nullptr, instance, this);
    if (!FWindow) return;
    auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    // The text has the id of a message box's text, where tools look for it.
    HWND text =
        CreateWindowExA(0, "STATIC", FText.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 12, 12, 316,
                        40, FWindow, reinterpret_cast<HMENU>(0xFFFF), instance, nullptr);
    HWND cancel = CreateWindowExA(
        0, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 132, 60, 75,
        25, FWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance, nullptr);
    SendMessageA(text, WM_SETFONT, font, 0);
    SendMessageA(cancel, WM_SETFONT, font, 0);
    ShowWindow(FWindow, SW_SHOWNORMAL);
    SetForegroundWindow(FWindow);
    SetFocus(cancel);
  }

  DWORD FStarted;
  std::string FText;
  HWND FWindow = nullptr;
  bool FGaveUp = false;
};

// Names, in one message, the files among params that did not reach the running instance.
void TellNotHandedOver(const std::vector<std::string>& params) {
  const std::vector<std::string> files = FilesOf(params);
  if (files.empty()) return;
  std::string text = files.size() == 1
                         ? "This file was"
                         : "These " + IntToStr(static_cast<int>(files.size())) + " files were";
  text += std::string(" not handed over to the running ") + ProductName + ":\r\n";
  for (size_t i = 0; i < files.size() && i < MaxNamedFiles; ++i)
    text += "\r\n" + files[i];
  if (files.size() > MaxNamedFiles)
    text += "\r\n... and " + IntToStr(static_cast<int>(files.size() - MaxNamedFiles)) + " more";
  PlainMessageBox(text, ProductName, TMessageKind::Warning, TMessageButtons::OK);
}

void CallBackLines(const std::string& text, const TInstanceParamCallback& callback, void* target) {
  if (text.empty() || !callback) return;
  TStringList lines;
  lines.SetText(text);
  for (int i = 0; i < lines.Count(); ++i)
    callback(target, lines[i], i + 1);
}

} // namespace

std::string JoinInstanceParams(const std::vector<std::string>& params) {
  std::string text;
  for (size_t i = 0; i < params.size(); ++i) {
    if (i) text += "\r\n";
    text += params[i];
  }
  return text;
}

std::vector<TInstancePacket> PackInstanceParams(const std::vector<std::string>& params) {
  std::vector<TInstancePacket> packets;
  size_t joined = 0; // the length of the last atom's text so far
  for (const std::string& param : params) {
    const bool copied = param.size() > MaxInstanceParamsLength;
    TInstancePacket* last = packets.empty() ? nullptr : &packets.back();
    const bool joins = last && last->Copied == copied &&
                       (copied || joined + 2 + param.size() <= MaxInstanceParamsLength);
    if (!joins) {
      packets.push_back({{}, copied});
      last = &packets.back();
      joined = 0;
    } else if (!copied) {
      joined += 2; // CR LF
    }
    last->Params.push_back(param);
    if (!copied) joined += param.size();
  }
  if (packets.empty()) packets.emplace_back(); // a start without parameters still says so
  return packets;
}

void* FindPreviousInstance(const std::string& className) {
  DWORD self = GetCurrentProcessId();
  HWND wnd = nullptr;
  while ((wnd = FindWindowExA(nullptr, wnd, className.c_str(), nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner != self) return wnd;
  }
  return nullptr;
}

THandOffResult HandToInstance(void* window, const TInstancePacket& packet, unsigned timeoutMs) {
  HWND wnd = static_cast<HWND>(window);
  std::string text = JoinInstanceParams(packet.Params);
  DWORD_PTR answer = 0;
  // The system withdraws a message that times out before the window takes it, so a try that
  // timed out never arrives later.
  if (packet.Copied) {
    COPYDATASTRUCT data{WM_INSTANCEPARAMS, static_cast<DWORD>(text.size()), text.data()};
    if (SendMessageTimeoutA(wnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                            timeoutMs, &answer))
      return answer ? THandOffResult::Taken : THandOffResult::Refused;
    return IsWindow(wnd) ? THandOffResult::NoAnswer : THandOffResult::Gone;
  }
  ATOM atom = text.empty() ? 0 : GlobalAddAtomA(text.c_str());
  if (!text.empty() && !atom) {
    // No room left among the atoms: the same lines go by copy.
    TInstancePacket copy = packet;
    copy.Copied = true;
    return HandToInstance(window, copy, timeoutMs);
  }
  if (SendMessageTimeoutA(wnd, WM_INSTANCEPARAMS, static_cast<WPARAM>(packet.Params.size()),
                          static_cast<LPARAM>(atom), SMTO_NORMAL, timeoutMs, &answer))
    return THandOffResult::Taken;
  // Not delivered: the receiver never deletes the atom now, so it is this side's to delete.
  if (atom) GlobalDeleteAtom(atom);
  return IsWindow(wnd) ? THandOffResult::NoAnswer : THandOffResult::Gone;
}

bool SendToPreviousInstance(const std::string& className, const std::vector<std::string>& params) {
  // Held for the rest of the process once taken: a start that finds it held knows an instance is
  // running or starting, even before that instance has made its window.
  static HANDLE lock = nullptr;
  static bool owned = false;
  if (!lock) lock = CreateMutexA(nullptr, FALSE, (className + ".OnceOnly").c_str());
  const std::vector<TInstancePacket> packets = PackInstanceParams(params);
  size_t next = 0; // the first message not yet taken
  std::vector<std::string> notTaken;
  THandOffNote note(params);
  // Ends the hand-off: names what did not arrive, the messages from next on included.
  auto finish = [&] {
    note.Close();
    for (size_t i = next; i < packets.size(); ++i)
      notTaken.insert(notTaken.end(), packets[i].Params.begin(), packets[i].Params.end());
    TellNotHandedOver(notTaken);
    return true;
  };
  for (;;) {
    if (HWND wnd = static_cast<HWND>(FindPreviousInstance(className))) {
      const THandOffResult result = HandToInstance(wnd, packets[next], SliceMs);
      if (result == THandOffResult::Refused)
        notTaken.insert(notTaken.end(), packets[next].Params.begin(), packets[next].Params.end());
      if (result == THandOffResult::Taken || result == THandOffResult::Refused) {
        if (++next == packets.size()) return finish(); // names only what was refused
        continue;
      }
      if (result == THandOffResult::NoAnswer) {
        if (note.GaveUp()) return finish();
        continue; // busy: try again
      }
      // Gone: it was closing; look again.
    }
    if (!lock || owned) return false;
    DWORD w = WaitForSingleObject(lock, 50);
    if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) {
      // Ours now; one more look, for a window of an instance that holds no lock.
      owned = true;
      continue;
    }
    // Another start holds the lock and has no window yet.
    if (note.GaveUp()) return finish();
  }
}

bool SendToPreviousInstance(const std::string& className) {
  std::vector<std::string> params;
  for (int i = 1; i <= ParamCount(); ++i)
    params.push_back(ParamStr(i));
  return SendToPreviousInstance(className, params);
}

std::string HandOffFileOf(const std::string& param) {
  std::string file = Trim(param);
  if (file.size() < 2) return ""; // a lone command letter
  if (file[1] != ':') {
    if (file.compare(0, 2, "NV") == 0) {
      size_t bracket = file.find('[');
      file = file.substr(2, bracket == std::string::npos ? std::string::npos : bracket - 2);
    } else {
      file = file.substr(1);
    }
  }
  file = Trim(file);
  if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
    file = file.substr(1, file.size() - 2);
  return file;
}

void ReceiveInstanceParams(uintptr_t wParam, intptr_t lParam,
                           const TInstanceParamCallback& callback, void* target) {
  ATOM atom = static_cast<ATOM>(lParam);
  if (atom == 0) return;
  std::string text;
  if (wParam >= 1 && callback) {
    char buf[512];
    UINT n = GlobalGetAtomNameA(atom, buf, sizeof buf);
    text.assign(buf, n);
  }
  // Gone before the callbacks run, which may raise or run long commands.
  GlobalDeleteAtom(atom);
  CallBackLines(text, callback, target);
}

bool ReceiveCopiedInstanceParams(intptr_t lParam, const TInstanceParamCallback& callback,
                                 void* target) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (!data || data->dwData != WM_INSTANCEPARAMS) return false;
  // The data lives only while the message is handled.
  std::string text;
  if (data->lpData) text.assign(static_cast<const char*>(data->lpData), data->cbData);
  CallBackLines(text, callback, target);
  return true;
}
