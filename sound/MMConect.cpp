// The connector between the chain and the displays.
#include "MMConect.h"
#include "Forms.h"
#include "Guard.h"
#include "Handles.h"
#include "MMLevel.h"
#include "MMMeter.h"
#include "MMOscope.h"
#include "MMProps.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr const char* WindowClass = "TMMConnectorWindow";
constexpr UINT_PTR StepTimer = 1;
// The period of the display steps at the highest Speed: 20 pictures a second. Every frame due
// since the last step reaches its displays in the step, and each display draws at most once per
// step, so that the displays see all of the sound and cost little of the processor.
constexpr UINT StepInterval = 50;
// A bound on the passes of one step (a pass gives each group one frame), against a clock that
// stands still; far above the frames of the slowest step at the highest rate.
constexpr int MaxPassesPerStep = 8192;
// Older buffers kept for their frames not yet shown; beyond it the oldest are dropped (counted
// as due and not received), against a window thread held up for seconds.
constexpr size_t BacklogLimit = 64;

int GroupOf(int slot) {
  static const int groups[14] = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4, 4, 5, 5};
  return groups[slot];
}

// Slots of a group: first and one past the last.
void GroupRange(int group, int& first, int& last) {
  static const int starts[7] = {0, 2, 4, 6, 8, 12, 14};
  first = starts[group];
  last = starts[group + 1];
}

TMMConnectorClock& Clock() {
  static TMMConnectorClock clock;
  return clock;
}

int64_t ClockNow() {
  if (Clock()) return Clock()();
  return std::llround(GetExactTime());
}

} // namespace

// The state all connectors share: their list, the hidden window and the display loop.
struct TConnectorLoop {
  static std::vector<TMMConnector*>& List() {
    static std::vector<TMMConnector*> list;
    return list;
  }
  static HWND Window;
  static int Loops; // connectors whose own loop runs
  static int HighestSpeed;
  static bool StepArmed; // the step timer is set
  static UINT ArmedPeriod;
  static bool InStep;
  static int Steps;
  static constexpr int HintEvery = 10;
  static DWORD HintPos; // the mouse position of the last look under it
  static int HintSkips;
  static DWORD MainThread;

  static bool Listed(TMMConnector* c) {
    auto& l = List();
    return std::find(l.begin(), l.end(), c) != l.end();
  }

  static void RecomputeSpeed() {
    HighestSpeed = 1;
    for (TMMConnector* c : List())
      HighestSpeed = std::max(HighestSpeed, c->FSpeed);
    // A running loop takes the new period at once.
    if (StepArmed && ArmedPeriod != Period()) {
      Disarm();
      Arm();
    }
  }

  static UINT Period() { return StepInterval + UINT(5000 - HighestSpeed) / 10; }

  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    bool handled = false;
    Counted = 0;
    GuardVoid([&] { handled = Handle(window, msg, wp, lp); });
    if (handled) return msg == MM_CONNECTOR_COUNTS ? Counted : 0;
    return DefWindowProcA(window, msg, wp, lp);
  }

  static bool Handle(HWND, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case MM_CONNECTOR_START: {
      auto* c = reinterpret_cast<TMMConnector*>(lp);
      if (!Listed(c) || !c->Input() || !c->FStarted) return true;
      c->FPending = 0;
      if (!c->FRunning) c->SetRunning(true);
      if (c->FAutoTrigger) Arm();
      return true;
    }
    case MM_CONNECTOR_DATA: {
      auto* c = reinterpret_cast<TMMConnector*>(lp);
      if (!Listed(c)) return true;
      if (c->Input() && c->FEnabled && c->FRunning) c->ProcessConnectorBuffer();
      // Counted down whether or not the pass ran, so that a later request is not shut out.
      InterlockedDecrement(&c->FPending);
      return true;
    }
    case MM_CONNECTOR_STEP:
      Step();
      return true;
    case MM_CONNECTOR_COUNTS:
      Counted = Counts(int(wp), lp);
      return true;
    case MM_CONNECTOR_FAILED: {
      // A display's failure, reported here, outside the step that caught it.
      std::unique_ptr<std::exception_ptr> failure(reinterpret_cast<std::exception_ptr*>(lp));
      if (failure) HandleBoundaryException(*failure);
      return true;
    }
    case WM_TIMER:
      if (wp != StepTimer) return false;
      Step();
      return true;
    default:
      return false;
    }
  }

  static LRESULT Counted; // the answer of the last count asked

  // lParam 2 takes a snapshot of every slot's counts, which 0 and 1 then read, so that a step
  // between two questions cannot make a slot's two numbers disagree.
  static int Snapshot[14][2];
  static int Counts(int slot, LPARAM which) {
    if (which == 2) {
      for (int i = 0; i < 14; ++i) {
        Snapshot[i][0] = Snapshot[i][1] = 0;
        for (TMMConnector* c : List()) {
          Snapshot[i][0] += c->FramesReceived(i);
          Snapshot[i][1] += c->FramesDue(i);
        }
      }
      return 0;
    }
    if (slot < 0 || slot > 13 || which < 0 || which > 1) return -1;
    return Snapshot[slot][which];
  }

  static bool GoOn() {
    return Loops > 0 && !(Application && Application->Terminated()) && !List().empty();
  }

  // The steps run on a periodic window timer. Its message is the lowest in the queue: input,
  // paint and posted messages always come first, and a modal loop (menus, dialogs, moving and
  // sizing) dispatches it like any other while keeping its own input.
  static void Arm() {
    if (StepArmed || !Window) return;
    ArmedPeriod = Period();
    StepArmed = SetTimer(Window, StepTimer, ArmedPeriod, nullptr) != 0;
  }

  static void Disarm() {
    if (StepArmed && Window) KillTimer(Window, StepTimer);
    StepArmed = false;
  }

  static void Step() {
    if (InStep) return;
    if (!GoOn()) {
      Disarm();
      return;
    }
    InStep = true;
    ++Steps;
    TScopeExit leave([] { InStep = false; });
    std::vector<TMMConnector*> list = List();
    {
      // The displays take every due frame into their state; each draws once, at the release.
      TMMDrawHold hold;
      for (TMMConnector* c : list)
        if (Listed(c) && c->FAutoTrigger && c->FEnabled && c->FRunning) Serve(c);
      hold.Release(&DrawFailed);
    }
    UpdateHint();
  }

  // A display whose drawing raised is set aside like one whose intake raised.
  static void DrawFailed(TMMGraphicControl* control, std::exception_ptr failure) {
    bool found = false;
    for (TMMConnector* c : List())
      for (int i = 0; i < 14; ++i)
        if (c->FSlots[i].Display == control) {
          if (!found) c->SetSlotAside(i, failure);
          c->FSetAside[i] = true;
          found = true;
        }
    if (!found) PostFailure(failure);
  }

  // Passes until no frame is due, so that frames falling due between two ticks are all shown.
  // A display that raises is set aside by the pass; anything else that raises ends this
  // connector's passes for the tick, is reported once after a start, and the loop goes on with
  // the next tick.
  static void Serve(TMMConnector* c) {
    try {
      for (int i = 0; i < MaxPassesPerStep && Listed(c) && c->FRunning; ++i)
        if (!c->Pass()) break;
    } catch (...) {
      if (!Listed(c) || c->FFailureReported.exchange(true)) return;
      PostFailure(std::current_exception());
    }
  }

  static void PostFailure(std::exception_ptr e) {
    auto failure = std::make_unique<std::exception_ptr>(std::move(e));
    HWND window = Window;
    // Once posted, the window owns it.
    if (window &&
        PostMessageA(window, MM_CONNECTOR_FAILED, 0, reinterpret_cast<LPARAM>(failure.get())))
      failure.release();
    else
      HandleBoundaryException(*failure);
  }

  // Looking under the mouse costs several calls into the system (and the display server), so
  // under a mouse that has not moved since the last look (as the step's message saw it) it is
  // done only every tenth step: a layout that changes under a still mouse is followed within
  // half a second.
  static void UpdateHint() {
    if (!Application) return;
    const DWORD seen = GetMessagePos();
    if (seen == HintPos && ++HintSkips < HintEvery) return;
    HintPos = seen;
    HintSkips = 0;
    POINT p;
    if (!GetCursorPos(&p)) return;
    TControl* control = TWinControl::FindControl(WindowFromPoint(p));
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      POINT local = p;
      ScreenToClient(win->Handle(), &local);
      if (TControl* child = win->ControlAtPos(local)) control = child;
    }
    while (control && control->Hint().empty())
      control = control->Parent();
    Application->SetHint(control ? GetLongHint(control->Hint()) : std::string());
  }

  static void Join(TMMConnector* c) {
    if (List().empty()) MakeWindow();
    List().push_back(c);
    RecomputeSpeed();
  }

  static void Leave(TMMConnector* c) {
    auto& l = List();
    l.erase(std::remove(l.begin(), l.end(), c), l.end());
    RecomputeSpeed();
    if (l.empty() && Window) {
      Disarm();
      DestroyWindow(Window);
      Window = nullptr;
      Loops = 0;
    }
  }

  // Takes this connector's queued messages out of the queue; the others' stay (re-queued).
  static void RemoveMessages(TMMConnector* c) {
    if (!Window) return;
    std::vector<MSG> others;
    MSG msg;
    while (PeekMessageA(&msg, Window, MM_CONNECTOR_START, MM_CONNECTOR_DATA, PM_REMOVE))
      if (msg.lParam != reinterpret_cast<LPARAM>(c)) others.push_back(msg);
    // A failure caught in one of its passes is still reported: it holds nothing of the connector.
    for (const MSG& m : others)
      PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
  }

  static void MakeWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing{};
    const bool found = GetClassInfoA(instance, WindowClass, &existing) != 0;
    if (found && existing.lpfnWndProc != &Proc) UnregisterClassA(WindowClass, instance);
    if (!found || existing.lpfnWndProc != &Proc) {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &Proc;
      wc.hInstance = instance;
      wc.lpszClassName = WindowClass;
      RegisterClassA(&wc);
    }
    Window =
        CreateWindowExA(0, WindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  }
};

HWND TConnectorLoop::Window = nullptr;
int TConnectorLoop::Loops = 0;
int TConnectorLoop::HighestSpeed = 5000;
bool TConnectorLoop::StepArmed = false;
bool TConnectorLoop::InStep = false;
int TConnectorLoop::Steps = 0;
DWORD TConnectorLoop::HintPos = 0xFFFFFFFF;
int TConnectorLoop::HintSkips = 0;
UINT TConnectorLoop::ArmedPeriod = StepInterval;
LRESULT TConnectorLoop::Counted = 0;
int TConnectorLoop::Snapshot[14][2] = {};
// Static initialisation runs on the thread that starts the program.
DWORD TConnectorLoop::MainThread = GetCurrentThreadId();

void SetConnectorClock(TMMConnectorClock clock) {
  Clock() = std::move(clock);
}

int TMMConnector::RunningLoops() {
  return TConnectorLoop::Loops;
}

int TMMConnector::StepsRun() {
  return TConnectorLoop::Steps;
}

UINT TMMConnector::StepPeriod() {
  return TConnectorLoop::Period();
}

HWND TMMConnector::ConnectorWindow() {
  return TConnectorLoop::Window;
}

// --- slots --------------------------------------------------------------------------------------

namespace {

template <class D> TMMConnectorSlot SlotFor(D* d) {
  TMMConnectorSlot s;
  if (!d) return s;
  s.Display = d;
  s.SetFormat = [d](const WAVEFORMATEX* f) { d->SetPWaveFormat(f); };
  s.Refresh = [d](const void* p) { d->RefreshPCMData(p); };
  s.Reset = [d] { d->ResetData(); };
  s.FrameSize = [d] { return d->FrameSize(); };
  return s;
}

template <class D> TMMConnectorSlot SlotWithFFT(D* d) {
  TMMConnectorSlot s = SlotFor(d);
  if (!d) return s;
  s.FFTLength = [d] { return d->FFTLength(); };
  s.Accelerate = [d] { return d->Accelerate(); };
  return s;
}

} // namespace

TMMLevel* TMMConnector::Level(int index) const {
  return static_cast<TMMLevel*>(FSlots[index].Display);
}

TMMMeter* TMMConnector::Meter(int index) const {
  return static_cast<TMMMeter*>(FSlots[2 + index].Display);
}

TMMOscope* TMMConnector::Oscope(int index) const {
  return static_cast<TMMOscope*>(FSlots[4 + index].Display);
}

void TMMConnector::SetLevel(int index, TMMLevel* value) {
  SetSlot(index, SlotFor(value));
}

void TMMConnector::SetMeter(int index, TMMMeter* value) {
  SetSlot(2 + index, SlotFor(value));
}

void TMMConnector::SetOscope(int index, TMMOscope* value) {
  TMMConnectorSlot s = SlotWithFFT(value);
  if (value) {
    s.Scroll = [value] { return value->Scroll(); };
    s.SetDataLimit = [value](int bytes) { value->SetDataLimit(bytes); };
  }
  SetSlot(4 + index, s);
}

void TMMConnector::SetSlot(int slot, const TMMConnectorSlot& link) {
  if (slot < 0 || slot > 13) return;
  const int group = GroupOf(slot);
  // A pair's two slots hold two displays; the four spectrum slots may repeat one.
  if (link.Display && group != cgSpectra) {
    int first, last;
    GroupRange(group, first, last);
    for (int i = first; i < last; ++i)
      if (i != slot && FSlots[i].Display == link.Display) return;
  }
  StoreSlot(slot, link);
  if (link.Display) SendFormat();
}

void TMMConnector::StoreSlot(int slot, const TMMConnectorSlot& link) {
  TLockGuard lock(FLock);
  TComponent* old = FSlots[slot].Display;
  FSlots[slot] = link;
  if (old && old != link.Display) {
    bool stillHeld = false;
    for (const TMMConnectorSlot& s : FSlots)
      stillHeld = stillHeld || s.Display == old;
    if (!stillHeld) RemoveFreeNotification(old);
  }
  if (link.Display) FreeNotification(link.Display);
  FNewData[GroupOf(slot)] = false;
  for (TFrames& f : FBacklog)
    f.NewData[GroupOf(slot)] = false;
  FSetAside[slot] = false;
}

void TMMConnector::ClearSlots() {
  for (int i = 0; i < 14; ++i)
    StoreSlot(i, TMMConnectorSlot{});
}

void TMMConnector::Notification(TComponent* component, TOperation operation) {
  TMMDSPComponent::Notification(component, operation);
  if (operation != opRemove) return;
  TLockGuard lock(FLock);
  for (int i = 0; i < 14; ++i)
    if (FSlots[i].Display == component) {
      FSlots[i] = TMMConnectorSlot{};
      FNewData[GroupOf(i)] = false;
      for (TFrames& f : FBacklog)
        f.NewData[GroupOf(i)] = false;
    }
}

// --- life ---------------------------------------------------------------------------------------

TMMConnector::TMMConnector(TComponent* AOwner) : TMMDSPComponent(AOwner) {
  // The chain links only members whose links are published.
  RegisterMMConnector();
  if (ComponentState().Contains(csDesigning)) return;
  FTimerPeriod.Begin(1);
  TConnectorLoop::Join(this);
}

TMMConnector::~TMMConnector() {
  Stopped();
  if (!ComponentState().Contains(csDesigning)) {
    FTimerPeriod.End();
    TConnectorLoop::RemoveMessages(this);
    TConnectorLoop::Leave(this);
  }
  TLockGuard lock(FLock);
  for (TMMConnectorSlot& s : FSlots)
    if (s.Display) RemoveFreeNotification(s.Display);
}

void TMMConnector::Post(UINT msg) {
  if (TConnectorLoop::Window)
    PostMessageA(TConnectorLoop::Window, msg, 0, reinterpret_cast<LPARAM>(this));
}

// The loop count follows the running flag's flips only, so that repeated starts or stops of one
// connector never count twice.
void TMMConnector::SetRunning(bool value) {
  if (FRunning.exchange(value) == value) return;
  if (!FAutoTrigger) return;
  TConnectorLoop::Loops += value ? 1 : -1;
}

void TMMConnector::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (!value) {
    SetRunning(false);
    ResetDisplays();
  } else if (FStarted && FRealTime) {
    Post(MM_CONNECTOR_START);
  }
}

void TMMConnector::SetAutoTrigger(bool value) {
  if (value == FAutoTrigger) return;
  SetRunning(false);
  FAutoTrigger = value;
  if (FStarted && FEnabled && FRealTime) Post(MM_CONNECTOR_START);
}

void TMMConnector::SetSpeed(int value) {
  FSpeed = MinMax(value, 1, 5000);
  TConnectorLoop::RecomputeSpeed();
}

void TMMConnector::SetRealTime(bool value) {
  if (IsOpen()) throw EMMConnectorError(LoadLibraryString(MMS_CHANGE_WHILE_OPEN));
  FRealTime = value;
}

void TMMConnector::ResetDisplays() {
  for (TMMConnectorSlot& s : FSlots)
    if (s.Display && s.Reset) s.Reset();
}

void TMMConnector::StoreWaveFormat(WAVEFORMATEX* value) {
  TMMDSPComponent::StoreWaveFormat(value);
  if (!Settling()) SendFormat();
}

void TMMConnector::SendFormat() {
  WAVEFORMATEX format{};
  WAVEFORMATEX* chain = PWaveFormat();
  if (FStarted) {
    format = FDisplayFormat;
  } else if (chain && chain->wFormatTag == WAVE_FORMAT_PCM) {
    std::memcpy(&format, chain, 16);
  } else if (chain && FAutoConvert) {
    if (!SuggestPCMFormat(chain, format) || !CanConvert(chain, &format, false)) return;
  } else {
    return;
  }
  FSilence = format.wBitsPerSample == 8 ? 128 : 0;
  for (TMMConnectorSlot& s : FSlots) {
    if (!s.Display) continue;
    if (FStarted && s.SetDataLimit) s.SetDataLimit(FPCMSize);
    if (s.SetFormat) s.SetFormat(&format);
  }
}

void TMMConnector::Started() {
  TMMDSPComponent::Started();
  if (ComponentState().Contains(csDesigning) || !Input() || !PWaveFormat() || FStarted) return;
  WAVEFORMATEX* chain = PWaveFormat();
  const int size = BufferSize();
  {
    TLockGuard lock(FLock);
    FLength = 0;
    FData.reset();
    FConvert.reset();
    FPCM = chain->wFormatTag == WAVE_FORMAT_PCM;
    FConverting = false;
    if (!FPCM) {
      if (FAutoConvert) {
        FData = GlobalAllocHeld<uint8_t>(size);
        WAVEFORMATEX target;
        if (SuggestPCMFormat(chain, target))
          FConvert.reset(OpenConversion(chain, &target, FData.get(), size, false));
        if (FConvert) {
          FConverting = true;
          std::memcpy(&FDisplayFormat, FConvert->PCMFormat.get(), sizeof FDisplayFormat);
          FDisplayFormat.cbSize = 0;
          FPCMSize = static_cast<int>(FConvert->Stage[FConvert->Stages - 1].Header.cbDstLength);
        } else {
          FData.reset();
        }
      }
    } else {
      std::memset(&FDisplayFormat, 0, sizeof FDisplayFormat);
      std::memcpy(&FDisplayFormat, chain, 16);
      FPCMSize = size;
      FData = GlobalAllocHeld<uint8_t>(size);
    }
    for (int g = 0; g < 6; ++g) {
      FNewData[g] = false;
      FFrames[g] = 0;
    }
    for (int64_t& o : FOffsets)
      o = 0;
    FBacklog.clear();
    ClearCounts();
    if (!FData) return; // neither PCM nor a conversion: the connector stays idle
    TConnectorLoop::RecomputeSpeed();
    FFailureReported = false;
    FStarted = true;
  }
  SendFormat();
  if (FEnabled && FRealTime) Post(MM_CONNECTOR_START);
}

void TMMConnector::KillPauseTimer() {
  // Killed synchronously and outside the lock: the kill waits for a tick in flight, which may
  // be waiting for the lock.
  if (UINT id = FTimerId.exchange(0)) timeKillEvent(id);
}

void CALLBACK TMMConnector::PauseTimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  try {
    reinterpret_cast<TMMConnector*>(user)->PauseTick();
  } catch (...) {
    // Reported on the window thread, which may be waiting for this tick to end.
    TConnectorLoop::PostFailure(std::current_exception());
  }
}

void TMMConnector::PauseTick() {
  TLockGuard lock(FLock);
  if (!FStarted || !FPaused) return;
  ++FPauseTicks;
  FStamp = ClockNow();
  for (int g = 0; g < 6; ++g) {
    int first, last;
    GroupRange(g, first, last);
    bool any = false;
    for (int i = first; i < last; ++i)
      any = any || FSlots[i].Display;
    if (!any) continue;
    FNewData[g] = true;
    if (g == cgSpectrograms)
      FOffsets[5] = FOffsets[6] = 0;
    else
      FOffsets[g] = 0;
  }
}

void TMMConnector::Paused() {
  TMMDSPComponent::Paused();
  if (!FStarted || FPaused) return;
  FPaused = true;
  {
    TLockGuard lock(FLock);
    FBacklog.clear();
    if (FData && (FPCM || FConverting)) {
      uint8_t* pcm = FConverting ? FConvert->DstBuffer : FData.get();
      std::memset(pcm, FSilence, FPCMSize);
      FLength = FPCMSize;
    }
  }
  if (FRealTime) {
    const UINT period = static_cast<UINT>(Max(BytesToMilliseconds(&FDisplayFormat, FPCMSize), 1));
    const UINT id = timeSetEvent(period, 0, &PauseTimerProc, reinterpret_cast<DWORD_PTR>(this),
                                 TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (id == 0) throw EOutOfResources("Out of system resources");
    FTimerId = id;
  }
}

void TMMConnector::Restarted() {
  TMMDSPComponent::Restarted();
  FPaused = false;
  if (FRealTime) KillPauseTimer();
}

void TMMConnector::Stopped() {
  if (FStarted) {
    KillPauseTimer();
    {
      TLockGuard lock(FLock);
      FStarted = false;
    }
    SetRunning(false);
    FPaused = false;
    {
      TLockGuard lock(FLock);
      FConvert.reset();
      FData.reset();
      FLength = 0;
      FConverting = false;
      FBacklog.clear();
    }
    if (FRefreshOnStop) ResetDisplays();
  }
  TMMDSPComponent::Stopped();
}

// --- buffers ------------------------------------------------------------------------------------

void TMMConnector::BufferReady(WAVEHDR* h) {
  TakeBuffer(h);
  TMMDSPComponent::BufferReady(h);
}

void TMMConnector::BufferLoad(WAVEHDR* h, bool& More) {
  TMMDSPComponent::BufferLoad(h, More);
  TakeBuffer(h);
}

void TMMConnector::TakeBuffer(WAVEHDR* h) {
  if (!h || !Input() || !FEnabled || FPaused || !(FPCM || FConverting)) return;
  // The header's lpNext belongs to the driver, which links its own headers through it: the
  // buffer to show is always the one handed in.
  const int64_t stamp = ClockNow();
  {
    TLockGuard lock(FLock);
    // A late buffer from another thread after a stop finds the connector stopped and is dropped.
    if (!FStarted || !FData) return;
    Backlog();
    FStamp = stamp;
    int length = Min(static_cast<int>(h->dwBytesRecorded), BufferSize());
    std::memcpy(FData.get(), h->lpData, Max(length, 0));
    if (FConverting) {
      length = Convert(FConvert.get(), length);
      if (length < 1) {
        FLength = 0;
        return;
      }
    }
    FLength = length;
    for (int g = 0; g < 6; ++g) {
      int first, last;
      GroupRange(g, first, last);
      bool any = false;
      for (int i = first; i < last; ++i)
        any = any || FSlots[i].Display;
      if (!any) continue;
      FNewData[g] = true;
      if (g == cgSpectrograms)
        FOffsets[5] = FOffsets[6] = 0;
      else
        FOffsets[g] = 0;
    }
  }
  if (!FRealTime && FAutoTrigger) ProcessConnectorBuffer();
}

void TMMConnector::DataArrived() {
  if (!FEnabled) return;
  if (FRealTime ? !FRunning : !FStarted) return;
  if (FAutoTrigger || FPending != 0) return;
  if (GetCurrentThreadId() == TConnectorLoop::MainThread) {
    ProcessConnectorBuffer();
    return;
  }
  InterlockedIncrement(&FPending);
  Post(MM_CONNECTOR_DATA);
}

bool TMMConnector::Due(int64_t offset, int64_t now, int64_t stamp) const {
  if (!FSynchronize) return true;
  const int64_t rate = FDisplayFormat.nAvgBytesPerSec;
  if (rate <= 0) return true;
  // Compared without dividing, so that a frame is not due a fraction of a microsecond early.
  return offset * 1000000 <= (now - stamp) * rate;
}

void TMMConnector::ClearCounts() {
  for (int i = 0; i < 14; ++i) {
    FDue[i] = 0;
    FReceived[i] = 0;
    FSetAside[i] = false;
  }
}

// The latest buffer's frames not yet shown when a newer one comes are kept for the loop, which
// shows them first: a buffer comes about when its last frame falls due, and the loop's steps
// are slower than the frames.
void TMMConnector::Backlog() {
  if (!FRealTime || !FAutoTrigger || FLength <= 0) return;
  bool pending = false;
  for (bool b : FNewData)
    pending = pending || b;
  if (!pending) return;
  TFrames f;
  const uint8_t* data = FConverting ? FConvert->DstBuffer : FData.get();
  f.Data.assign(data, data + FLength);
  f.Length = FLength;
  f.Stamp = FStamp;
  std::copy(std::begin(FOffsets), std::end(FOffsets), f.Offsets);
  std::copy(std::begin(FNewData), std::end(FNewData), f.NewData);
  FBacklog.push_back(std::move(f));
  while (FBacklog.size() > BacklogLimit) {
    CountLost(FBacklog.front());
    FBacklog.pop_front();
  }
}

bool TMMConnector::GroupFrames(int group, int& need, int64_t& step, TMMConnectorSlot*& lead) {
  int first, last;
  GroupRange(group, first, last);
  need = 0;
  lead = nullptr;
  for (int i = first; i < last; ++i)
    if (FSlots[i].Display && !FSetAside[i]) {
      need = Max(need, FSlots[i].FrameSize());
      if (!lead) lead = &FSlots[i];
    }
  if (!lead || need <= 0) return false;
  step = need;
  if (group == cgOscopes && lead->Scroll && lead->Scroll() && lead->Accelerate())
    step = int64_t(lead->FFTLength() / 4) * FDisplayFormat.nBlockAlign;
  return step > 0;
}

int64_t TMMConnector::SpectrogramStep(int k) const {
  const TMMConnectorSlot& s = FSlots[12 + k];
  return s.Accelerate && s.Accelerate() ? int64_t(s.FFTLength() / 4) * FDisplayFormat.nBlockAlign
                                        : s.FrameSize();
}

// Frames of a dropped buffer that were still to come count as due and not received.
void TMMConnector::CountLost(const TFrames& f) {
  auto count = [&](int64_t offset, int need, int64_t step) -> int {
    if (need <= 0 || step <= 0 || offset + need > f.Length) return 0;
    return int((f.Length - offset - need) / step + 1);
  };
  for (int g = 0; g < cgSpectrograms; ++g) {
    int need;
    int64_t step;
    TMMConnectorSlot* lead;
    if (!f.NewData[g] || !GroupFrames(g, need, step, lead)) continue;
    const int lost = count(f.Offsets[g], need, step);
    int first, last;
    GroupRange(g, first, last);
    for (int i = first; i < last; ++i)
      if (FSlots[i].Display) FDue[i] += lost;
  }
  if (!f.NewData[cgSpectrograms]) return;
  for (int k = 0; k < 2; ++k)
    if (FSlots[12 + k].Display && !FSetAside[12 + k])
      FDue[12 + k] += count(f.Offsets[5 + k], FSlots[12 + k].FrameSize(), SpectrogramStep(k));
}

void TMMConnector::Feed(int slot, const uint8_t* frame) {
  ++FDue[slot];
  if (FSetAside[slot]) return;
  try {
    FSlots[slot].Refresh(frame);
    ++FReceived[slot];
  } catch (...) {
    SetSlotAside(slot, std::current_exception());
  }
}

// A display that raised takes no more frames until the next start, the others go on; it is
// reported once, outside the pass.
void TMMConnector::SetSlotAside(int slot, std::exception_ptr failure) {
  if (FSetAside[slot]) return;
  FSetAside[slot] = true;
  TConnectorLoop::PostFailure(std::move(failure));
}

void TMMConnector::ProcessConnectorBuffer() {
  Pass();
}

bool TMMConnector::Pass() {
  if (!FEnabled || !(FRunning || (!FRealTime && FStarted))) return false;
  if (OnTrigger) OnTrigger(this);
  TLockGuard lock(FLock);
  if (!FData || !FStarted) return false;
  const int64_t now = ClockNow();
  bool shown = false;
  for (int g = 0; g < 6; ++g)
    shown = ServeFrom(g, now) || shown;
  while (!FBacklog.empty() &&
         std::none_of(std::begin(FBacklog.front().NewData), std::end(FBacklog.front().NewData),
                      [](bool b) { return b; }))
    FBacklog.pop_front();
  return shown;
}

// One frame of a group, from the oldest buffer that still has frames for it.
bool TMMConnector::ServeFrom(int group, int64_t now) {
  TFrameView latest{FConverting ? FConvert->DstBuffer : FData.get(), FLength, FStamp, FOffsets,
                    FNewData};
  for (size_t i = 0; i <= FBacklog.size(); ++i) {
    TFrameView view = latest;
    if (i < FBacklog.size()) {
      TFrames& f = FBacklog[i];
      view = {f.Data.data(), f.Length, f.Stamp, f.Offsets, f.NewData};
    }
    if (!view.NewData[group]) continue;
    if (group == cgSpectrograms ? ServeSpectrograms(view, now) : ServeGroup(group, view, now))
      return true;
    if (view.NewData[group]) return false; // not due yet: the newer buffers wait behind it
  }
  return false;
}

bool TMMConnector::ServeGroup(int group, TFrameView& view, int64_t now) {
  int need;
  int64_t step;
  TMMConnectorSlot* lead;
  if (!GroupFrames(group, need, step, lead)) {
    view.NewData[group] = false;
    return false;
  }
  int64_t& offset = view.Offsets[group];
  if (!Due(offset, now, view.Stamp)) return false;
  int64_t position = offset;
  // The trigger moves a due frame on to the next crossing; searched only for a due frame, so
  // that passes waiting for the frame do not walk it away from its play time.
  if (group == cgOscopes && FTriggerMode != tmNone && !FPaused && position < view.Length) {
    const int distance =
        FindTriggerPoint(&FDisplayFormat, view.Data + position, int(view.Length - position),
                         FTriggerLevel, FTriggerMode, 0);
    if (distance > 0) {
      position += distance;
      offset += distance;
    }
  }
  offset += step;
  if (position + need > view.Length) {
    view.NewData[group] = false;
    return false;
  }
  int first, last;
  GroupRange(group, first, last);
  for (int i = first; i < last; ++i)
    if (FSlots[i].Display) Feed(i, view.Data + position);
  ++FFrames[group];
  return true;
}

bool TMMConnector::ServeSpectrograms(TFrameView& view, int64_t now) {
  bool fits = false, shown = false;
  for (int k = 0; k < 2; ++k) {
    TMMConnectorSlot& s = FSlots[12 + k];
    if (!s.Display || FSetAside[12 + k]) continue;
    const int need = s.FrameSize();
    int64_t& offset = view.Offsets[5 + k];
    if (need <= 0 || offset + need > view.Length) continue;
    fits = true;
    if (!Due(offset, now, view.Stamp)) continue;
    const int64_t position = offset;
    offset += std::max<int64_t>(SpectrogramStep(k), 1);
    Feed(12 + k, view.Data + position);
    ++FFrames[cgSpectrograms];
    shown = true;
  }
  if (!fits) view.NewData[cgSpectrograms] = false;
  return shown;
}

// The frequency displays' slots are built with those displays.
#if __has_include("MMSpectr.h")
#include "MMSpectr.h"
void TMMConnector::SetSpectrum(int index, TMMSpectrum* value) {
  SetSlot(8 + index, SlotFor(value));
}
#endif
#if __has_include("MMSpGram.h")
#include "MMSpGram.h"
void TMMConnector::SetSpectrogram(int index, TMMSpectrogram* value) {
  SetSlot(12 + index, SlotWithFFT(value));
}
#endif
#if __has_include("MMLight.h")
#include "MMLight.h"
void TMMConnector::SetLight(int index, TMMLight* value) {
  SetSlot(6 + index, SlotFor(value));
}
#endif

void RegisterMMConnector() {
  if (FindMMClass("TMMConnector")) return;
  RegisterMMDSPClasses();
  using K = TMMPropKind;
  using C = TMMConnector;
  TMMClassInfo& c = RegisterMMClass<TMMConnector>("TMMConnector", "TMMDSPComponent");
  c.Props = {DSPLinkProp("Input"),
             DSPLinkProp("Output"),
             OrdProp("Enabled", K::pkBoolean, &C::Enabled, &C::SetEnabled, 1),
             OrdProp("AutoConvert", K::pkBoolean, &C::AutoConvert, &C::SetAutoConvert, 1),
             OrdProp("AutoTrigger", K::pkBoolean, &C::AutoTrigger, &C::SetAutoTrigger, 1),
             OrdProp("Synchronize", K::pkBoolean, &C::Synchronize, &C::SetSynchronize, 1),
             OrdProp("Speed", K::pkInteger, &C::Speed, &C::SetSpeed, 5000),
             OrdProp("TriggerLevel", K::pkInteger, &C::TriggerLevel, &C::SetTriggerLevel, 0),
             OrdProp("RefreshOnStop", K::pkBoolean, &C::RefreshOnStop, &C::SetRefreshOnStop, 1),
             OrdProp("RealTime", K::pkBoolean, &C::RealTime, &C::SetRealTime, 1)};
  c.Events = {"OnTrigger"};
}
