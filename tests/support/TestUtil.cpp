// Helpers shared by the tests.
#include "TestUtil.h"
#include "Handles.h"
#include "Messages.h"
#include "SysUtils.h"
#include <windows.h>
#include <mmsystem.h>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>

TScratchDir::TScratchDir(const std::string& name) {
  static int counter = 0;
  FPath = TempFolder() + "tbtest_" + name + "_" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(++counter) + "\\";
  RemoveTree(FPath);
  ForceDirectories(FPath);
}

TScratchDir::~TScratchDir() {
  RemoveTree(FPath);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
  DWORD done = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(h);
}

std::string ReadFileBytes(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read " + path);
  std::string r(GetFileSize(h, nullptr), '\0');
  DWORD done = 0;
  ReadFile(h, r.data(), static_cast<DWORD>(r.size()), &done, nullptr);
  CloseHandle(h);
  r.resize(done);
  return r;
}

std::string SharedRead(const std::string& path) {
  TKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  if (!file) return "";
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(file.Get(), buf, sizeof buf, &got, nullptr) && got > 0)
    bytes.append(buf, got);
  return bytes;
}

void RemoveTree(const std::string& path) {
  std::string dir = ExcludeTrailingBackslash(path);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string n = fd.cFileName;
      if (n == "." || n == "..") continue;
      std::string full = dir + "\\" + n;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(full);
      else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryA(full.c_str());
      else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

std::string EnvVar(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n == 0 || n >= sizeof buf) ? "" : std::string(buf, n);
}

int AskedScreenDpi() {
  std::string asked = EnvVar("TB_SCREEN_DPI");
  return asked.empty() ? 96 : std::atoi(asked.c_str());
}

int ScreenDpi() {
  TClientDC dc(nullptr);
  return GetDeviceCaps(dc, LOGPIXELSY);
}

std::string WinPath(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return unixPath;
  std::string r = "Z:" + unixPath;
  std::replace(r.begin(), r.end(), '/', '\\');
  return r;
}

namespace {

// Runs a host command on path's host name; false when it could not be started. Wine makes no host
// links itself, and a host process's end is not seen through its handle: callers wait for what
// the command does.
bool RunOnHostPath(const std::string& program, const std::string& arguments,
                   const std::string& path) {
  using TUnixName = char*(CDECL*)(const wchar_t*);
  auto unixName = reinterpret_cast<TUnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return false;
  std::wstring wide(path.begin(), path.end());
  char* hostPath = unixName(wide.c_str());
  if (!hostPath) return false;
  std::string host = hostPath;
  HeapFree(GetProcessHeap(), 0, hostPath);
  if (host.find(' ') != std::string::npos) return false; // no blanks in a host argument
  std::string command = program + " " + arguments + " " + host;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(("Z:" + program).c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return true;
}

} // namespace

TFullDisk::TFullDisk(const std::string& path) : FPath(path) {
  if (!RunOnHostPath("/bin/ln", "-s /dev/full", path)) return;
  auto writesFail = [&path] {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool full = !WriteFile(h, "x", 1, &written, nullptr) && GetLastError() == ERROR_DISK_FULL;
    CloseHandle(h);
    return full;
  };
  FMade = PumpUntil(writesFail, 30000);
}

TFullDisk::~TFullDisk() {
  // Wine cannot delete a link to a device, and a scratch folder of a later run with the same
  // process number would write into it: the host removes it.
  if (!RunOnHostPath("/bin/rm", "-f", FPath)) return;
  PumpUntil([this] { return GetFileAttributesA(FPath.c_str()) == INVALID_FILE_ATTRIBUTES; }, 30000);
}

std::string OracleDir(const std::string& oracle) {
  return WinPath(EnvVar("TB_BUILD_DIR")) + "\\oracles\\" + oracle + "\\";
}

static void CollectFiles(const std::string& dir, std::vector<std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string n = fd.cFileName;
    if (n == "." || n == ".." || n[0] == '.') continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectFiles(dir + "\\" + n, out);
    else
      out.push_back(dir + "\\" + n);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

std::vector<std::string> CorpusFiles(const std::string& package) {
  std::vector<std::string> r;
  std::string root = WinPath(EnvVar("TB_CORPUS"));
  if (root.empty()) return r;
  CollectFiles(package.empty() ? root : root + "\\" + package, r);
  std::sort(r.begin(), r.end());
  return r;
}

std::string RiffMidiOf(const std::string& smf) {
  auto le = [](uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i)
      b[i] = static_cast<char>(v >> (8 * i));
    return b;
  };
  std::string data = smf + (smf.size() % 2 ? std::string(1, '\0') : "");
  std::string body = "RMIDdata" + le(static_cast<uint32_t>(smf.size())) + data;
  return "RIFF" + le(static_cast<uint32_t>(body.size())) + body;
}

int MedianOf(std::vector<int> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

namespace {

// A message-only window of this thread that notes the private message and timer coming back.
constexpr UINT SentinelMessage = WM_APP + 0x2F1;
constexpr UINT_PTR SentinelTimer = 0x2F1;

struct TSentinel {
  HWND Window = nullptr;
  unsigned Posted = 0, Back = 0;
  bool TimerFired = false;
};

TSentinel& Sentinel() {
  static thread_local TSentinel sentinel;
  return sentinel;
}

LRESULT CALLBACK SentinelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == SentinelMessage) {
    Sentinel().Back = static_cast<unsigned>(wp);
    return 0;
  }
  if (msg == WM_TIMER && wp == SentinelTimer) {
    KillTimer(w, SentinelTimer);
    Sentinel().TimerFired = true;
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

HWND SentinelWindow() {
  TSentinel& s = Sentinel();
  if (!s.Window) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = SentinelProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TbTestSentinel";
    RegisterClassA(&wc); // once per process; a second thread finds it registered
    s.Window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
  }
  return s.Window;
}

// Input queued, or a window that still has to paint (a paint is made only once nothing else
// waits, so it can come after the private message).
bool InputOrPaintQueued() {
  return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT)) != 0;
}

} // namespace

bool PumpQueued(uint32_t timeoutMs) {
  TSentinel& s = Sentinel();
  HWND window = SentinelWindow();
  if (!window) return false;
  const DWORD start = GetTickCount();
  auto left = [&] {
    DWORD passed = GetTickCount() - start;
    return passed >= timeoutMs ? 0u : timeoutMs - passed;
  };
  // Input and paints come after posted messages in the queue's order: run them dry first, then
  // send the private message round behind the posted ones; input or paints that their handlers
  // caused start another round.
  for (;;) {
    if (!PumpUntil([] { return !InputOrPaintQueued(); }, left(), 1)) return false;
    const unsigned mine = ++s.Posted;
    if (!PostMessageA(window, SentinelMessage, mine, 0)) return false;
    if (!PumpUntil([&] { return s.Back >= mine; }, left(), 1)) return false;
    if (!InputOrPaintQueued()) break;
  }
  // A thread that waits counts as idle: Wine then copies what its windows drew to the screen.
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
  return true;
}

bool PumpPastTimer(uint32_t intervalMs, uint32_t timeoutMs) {
  TSentinel& s = Sentinel();
  HWND window = SentinelWindow();
  if (!window) return false;
  s.TimerFired = false;
  if (!SetTimer(window, SentinelTimer, intervalMs, nullptr)) return false;
  const bool fired = PumpUntil([&] { return s.TimerFired; }, timeoutMs, 1);
  KillTimer(window, SentinelTimer);
  return fired;
}

bool PollUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    // Woken early by a message sent from another thread, which is answered here.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

bool WaitPastSystemTimer(uint32_t intervalMs, uint32_t timeoutMs) {
  TKernelHandle fired(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!fired) return false;
  const UINT id = timeSetEvent(intervalMs, 0, reinterpret_cast<LPTIMECALLBACK>(fired.Get()), 0,
                               TIME_ONESHOT | TIME_CALLBACK_EVENT_SET | TIME_KILL_SYNCHRONOUS);
  if (!id) return false;
  const bool past =
      PollUntil([&] { return WaitForSingleObject(fired.Get(), 0) == WAIT_OBJECT_0; }, timeoutMs);
  timeKillEvent(id);
  return past;
}

namespace {

void CALLBACK CountSystemTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  ++*reinterpret_cast<std::atomic<int>*>(user);
}

} // namespace

TSystemTicks::TSystemTicks(uint32_t intervalMs)
    : FId(timeSetEvent(intervalMs, 0, CountSystemTick, reinterpret_cast<DWORD_PTR>(&FCount),
                       TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS)) {}

TSystemTicks::~TSystemTicks() {
  if (FId) timeKillEvent(FId);
}
