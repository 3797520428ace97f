// The shared 25 ms system timer and its clients.
#include "MMUtils.h"
#include "Guard.h"
#include "Handles.h"
#include "Threads.h"
#include <exception>
#include <memory>
#include <optional>

struct TMMTimerClient {
  int Interval;
  void* Data;
  TMMTimerProc Proc;
  int DisableCount;
  int Elapsed;
  std::unique_ptr<TMMTimerClient> Next; // the list owns its clients
  // Set by the client's first failure: it is reported once and called no more, so that a client
  // that keeps raising does not bring up a new error box every tick.
  bool Failed = false;
};

namespace {

// The locks live as long as the process: a tick may still be inside when the last client goes.
// ListLock guards the clients and is held by a tick; ControlLock serialises starting and
// killing the system timer and is never taken by a tick, so a kill may wait for a tick.
struct TTimerService {
  TCriticalSection ListLock;
  TCriticalSection ControlLock;
  UINT TimerId = 0;
  volatile DWORD TickThread = 0;
  volatile LONG Reentry = 0;
  std::unique_ptr<TMMTimerClient> Head;
  TMMTimerClient* TickNext = nullptr; // the client a running tick visits next
  int Count = 0;
  TTimerPeriod Period;

  ~TTimerService() { StopTimer(); }

  void StopTimer() {
    if (TimerId) {
      // Made with TIME_KILL_SYNCHRONOUS: returns only once no tick runs.
      timeKillEvent(TimerId);
      TimerId = 0;
    }
    Period.End();
  }

  bool OnTickThread() const { return TickThread != 0 && TickThread == GetCurrentThreadId(); }
};

TTimerService& Service() {
  static TTimerService service;
  return service;
}

// A client's failure, handed from the timer thread to the window thread: the window thread may
// be waiting for the tick to end, so the tick must never show it itself.
constexpr UINT MM_TIMER_FAILED = WM_USER + 0x7A1; // lParam: a new std::exception_ptr
const char* const FailureClass = "TMMTimerFailureWindow";
HWND FailureWindow = nullptr;

LRESULT CALLBACK FailureProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != MM_TIMER_FAILED) return DefWindowProcA(window, msg, wp, lp);
  std::unique_ptr<std::exception_ptr> failure(reinterpret_cast<std::exception_ptr*>(lp));
  if (failure) HandleBoundaryException(*failure);
  return 0;
}

// Made once, by the first registration on the window thread, and kept for the process.
void MakeFailureWindow() {
  if (FailureWindow) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = &FailureProc;
  wc.hInstance = instance;
  wc.lpszClassName = FailureClass;
  RegisterClassA(&wc);
  FailureWindow =
      CreateWindowExA(0, FailureClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

void ReportFromTick(std::exception_ptr e) noexcept {
  try {
    auto failure = std::make_unique<std::exception_ptr>(std::move(e));
    // Once posted, the failure window owns it.
    if (FailureWindow &&
        PostMessageA(FailureWindow, MM_TIMER_FAILED, 0, reinterpret_cast<LPARAM>(failure.get()))) {
      failure.release();
      return;
    }
    HandleBoundaryException(*failure);
  } catch (...) {
    OutputDebugStringA("A timer client's failure could not be reported");
  }
}

void CALLBACK TimerTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* s = reinterpret_cast<TTimerService*>(user);
  if (!s) return;
  s->TickThread = GetCurrentThreadId();
  NameCallingThread(L"mm_timer_ticks");
  if (InterlockedIncrement(&s->Reentry) == 1) {
    TLockGuard lock(s->ListLock);
    for (TMMTimerClient* c = s->Head.get(); c; c = s->TickNext) {
      s->TickNext = c->Next.get();
      if (c->DisableCount != 0 || c->Failed) continue;
      c->Elapsed += MMTimerTick;
      if (c->Elapsed >= c->Interval) {
        c->Elapsed = 0;
        // One client's failure does not keep the others from their tick.
        try {
          c->Proc(c, c->Data);
        } catch (...) {
          c->Failed = true;
          ReportFromTick(std::current_exception());
        }
      }
    }
    s->TickNext = nullptr;
  }
  InterlockedDecrement(&s->Reentry);
}

bool Registered(TTimerService& s, TMMTimerHandle client) {
  for (TMMTimerClient* c = s.Head.get(); c; c = c->Next.get())
    if (c == client) return true;
  return false;
}

} // namespace

TMMTimerHandle AddTimerClient(int interval, bool startDisabled, TMMTimerProc proc, void* data) {
  TTimerService& s = Service();
  auto client = std::make_unique<TMMTimerClient>(Max(interval, MMTimerTick), data, proc,
                                                 startDisabled ? 1 : 0, 0);
  // A client added from a tick finds the timer running and must not wait on the control lock.
  const bool fromTick = s.OnTickThread();
  std::optional<TLockGuard> control;
  if (!fromTick) control.emplace(s.ControlLock);
  if (!fromTick) MakeFailureWindow();
  if (!fromTick && s.TimerId == 0) {
    if (!s.Period.Held()) s.Period.Begin(MMTimerTick);
    s.TimerId = timeSetEvent(MMTimerTick, 0, TimerTick, reinterpret_cast<DWORD_PTR>(&s),
                             TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (s.TimerId == 0) {
      s.StopTimer();
      return nullptr;
    }
  }
  TLockGuard lock(s.ListLock);
  std::unique_ptr<TMMTimerClient>* tail = &s.Head;
  while (*tail)
    tail = &(*tail)->Next;
  *tail = std::move(client);
  ++s.Count;
  return tail->get();
}

void SetTimerInterval(TMMTimerHandle client, int interval) {
  TTimerService& s = Service();
  if (!client) return;
  TLockGuard lock(s.ListLock);
  if (!Registered(s, client)) return;
  client->Interval = Max(interval, MMTimerTick);
  client->Elapsed = 0;
}

void DisableTimerClient(TMMTimerHandle client) {
  TTimerService& s = Service();
  if (!client) return;
  TLockGuard lock(s.ListLock);
  if (!Registered(s, client)) return;
  ++client->DisableCount;
  client->Elapsed = 0;
}

void EnableTimerClient(TMMTimerHandle client) {
  TTimerService& s = Service();
  if (!client) return;
  TLockGuard lock(s.ListLock);
  if (Registered(s, client) && client->DisableCount > 0) --client->DisableCount;
}

void RemoveTimerClient(TMMTimerHandle client) {
  TTimerService& s = Service();
  if (!client) return;
  const bool fromTick = s.OnTickThread();
  std::optional<TLockGuard> control;
  if (!fromTick) control.emplace(s.ControlLock);
  bool last = false;
  {
    // Waits here while a tick runs the client's procedure.
    TLockGuard lock(s.ListLock);
    for (std::unique_ptr<TMMTimerClient>* link = &s.Head; *link; link = &(*link)->Next) {
      if (link->get() != client) continue;
      std::unique_ptr<TMMTimerClient> gone = std::move(*link);
      *link = std::move(gone->Next);
      if (s.TickNext == client) s.TickNext = link->get();
      --s.Count;
      last = s.Count == 0;
      break;
    }
  }
  // A tick cannot kill its own timer; an idle timer is reused by the next client or killed at
  // the next removal or at exit.
  if (!fromTick && (last || (s.Count == 0 && s.TimerId != 0))) s.StopTimer();
}

int TimerClientCount() {
  TTimerService& s = Service();
  TLockGuard lock(s.ListLock);
  return s.Count;
}

bool TimerRunning() {
  return Service().TimerId != 0;
}
