// Recording from a wave input device.
#include "MMWavIn.h"
#include "Controls.h"
#include "Guard.h"
#include "MessageBox.h"
#include "MMStrings.h"
#include <algorithm>
#include <memory>

namespace {

std::string Text(int n) {
  return LoadLibraryString(n);
}

// The line break of the component's two-part messages: line feed, then carriage return.
const char* const Break = "\n\r";

} // namespace

bool WaveInCapsAllow(const WAVEINCAPSA& caps, const WAVEFORMATEX& f) {
  int band;
  if (f.nSamplesPerSec >= 8000 && f.nSamplesPerSec <= 11025)
    band = 0;
  else if (f.nSamplesPerSec >= 11026 && f.nSamplesPerSec <= 22050)
    band = 1;
  else if (f.nSamplesPerSec >= 22051 && f.nSamplesPerSec <= 48000)
    band = 2;
  else
    return true;
  if ((f.nChannels != 1 && f.nChannels != 2) || (f.wBitsPerSample != 8 && f.wBitsPerSample != 16))
    return true;
  // Per band: mono 8, stereo 8, mono 16, stereo 16 (WAVE_FORMAT_1M08 is 1, then doubling).
  int column = (f.wBitsPerSample == 16 ? 2 : 0) + (f.nChannels == 2 ? 1 : 0);
  DWORD bit = 1u << (band * 4 + column);
  return (caps.dwFormats & bit) != 0;
}

std::string WaveInErrorText(MMRESULT code) {
  char text[256] = {};
  if (waveInGetErrorTextA(code, text, 255) != MMSYSERR_NOERROR) return Text(MMS_ERROR_NUMBER_RANGE);
  return text;
}

// --- TMMWaveIn ---------------------------------------------------------------------------------

TMMWaveIn::TMMWaveIn(TComponent* AOwner) : TMMCustomSoundComponent(AOwner) {
  RegisterMMWaveIn();
  FNumDevs = static_cast<int>(waveInGetNumDevs());
  BuildOwnFormat();
  SetDeviceID(0);
  if (!ComponentState().Contains(csDesigning))
    FWindow = AllocateHWnd([this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
      return HandleMessage(msg, wp, lp, result);
    });
}

TMMWaveIn::~TMMWaveIn() {
  Destroying();
  // Nothing may leave a destructor: a failing close is dropped here.
  try {
    if (FHandle || InState(wsOpen)) Close();
  } catch (...) {
  }
  try {
    if (FHandle) {
      // A stop still waits for a handler on another thread: let it end, then close at once.
      for (int i = 0; i < 500 && FInHandler > 0 && FCallBackMode != cmWindow; ++i)
        Sleep(10);
      FStopPending = false;
      FClosePending = false;
      FClosing = false;
      RemoveState(wsStarted | wsPaused);
      Close();
    }
  } catch (...) {
    // As above.
  }
  try {
    StopWorker();
    FreeBuffers();
  } catch (...) {
    // As above.
  }
  if (FWindow) DeallocateHWnd(FWindow);
  FWindow = nullptr;
}

void TMMWaveIn::Error(const std::string& message) {
  RaiseWithOnError<EMMWaveInError>(this, OnError, message);
}

void TMMWaveIn::WaveInError(int prefix, MMRESULT code) {
  FLastResult = code;
  Error(Text(prefix) + Break + WaveInErrorText(code));
  throw EMMWaveInError(Text(prefix)); // not reached: Error raises
}

void TMMWaveIn::CheckClosed() {
  if (!InState(wsClosed) || FHandle) Error(Text(MMS_CHANGE_WHILE_OPEN));
}

void TMMWaveIn::BuildOwnFormat() {
  BuildPcmFormat(FOwnFormat, (FBitLength + 1) * 8, FMode + 1, FSampleRate);
  StoreWaveFormat(&FOwnFormat);
}

void TMMWaveIn::SetDeviceID(TMMDeviceId value) {
  CheckClosed();
  FProductName = Text(MMS_NO_WAVEIN_DEVICE);
  FDriverVersion = 0;
  if (FNumDevs > 0 &&
      waveInGetDevCapsA(static_cast<UINT>(value), &FCaps, sizeof FCaps) == MMSYSERR_NOERROR) {
    FProductName = FCaps.szPname;
    FDriverVersion = FCaps.vDriverVersion;
  }
  FDeviceID = value < MapperId || value >= FNumDevs ? badDeviceId : value;
}

void TMMWaveIn::SetSampleRate(int value) {
  value = MinMax(value, 8000, 100000);
  if (value == FSampleRate) return;
  CheckClosed();
  FSampleRate = value;
  BuildOwnFormat();
}

void TMMWaveIn::SetBitLength(TMMBits value) {
  if (value == FBitLength) return;
  CheckClosed();
  FBitLength = value;
  BuildOwnFormat();
}

void TMMWaveIn::SetMode(TMMMode value) {
  if (value == mQuadro || value == FMode) return;
  CheckClosed();
  FMode = value;
  BuildOwnFormat();
}

void TMMWaveIn::SetNumBuffers(int value) {
  if (value < 2) return;
  value = std::min(value, 500);
  if (value == FNumBuffers) return;
  CheckClosed();
  FNumBuffers = value;
}

void TMMWaveIn::SetCallBackMode(TMMCBMode value) {
  CheckClosed();
  if (value == cmCallback && !Win95Platform()) {
    PlainMessageBox("\"CallBacks\"" + Text(MMS_INTERRUPT_TIME) + Break + Text(MMS_ONLY_WIN95),
                    "TMMWaveIn", MB_OK);
    return;
  }
  FCallBackMode = value;
}

int TMMWaveIn::GetBufferSize() {
  return TMMCustomSoundComponent::GetBufferSize();
}

void TMMWaveIn::SetBufferSize(int value) {
  if (value == GetBufferSize()) return;
  CheckClosed();
  TMMCustomSoundComponent::SetBufferSize(std::max(value, 32));
}

void TMMWaveIn::StoreWaveFormat(WAVEFORMATEX* value) {
  Close();
  if (PcmFormatValid(value)) {
    FSampleRate = static_cast<int>(value->nSamplesPerSec);
    FBitLength = static_cast<TMMBits>(value->wBitsPerSample / 8 - 1);
    FMode = static_cast<TMMMode>(value->nChannels - 1);
  }
  TMMCustomSoundComponent::StoreWaveFormat(value);
}

bool TMMWaveIn::FormatSupported(TMMDeviceId id, const WAVEFORMATEX* format) {
  if (id < MapperId || id >= FNumDevs || !format) return false;
  if (waveInOpen(nullptr, static_cast<UINT>(id), format, 0, 0, WAVE_FORMAT_QUERY) !=
      MMSYSERR_NOERROR)
    return false;
  if (format->wFormatTag != WAVE_FORMAT_PCM) return true;
  WAVEINCAPSA caps{};
  if (waveInGetDevCapsA(static_cast<UINT>(id), &caps, sizeof caps) != MMSYSERR_NOERROR)
    return false;
  return WaveInCapsAllow(caps, *format);
}

bool TMMWaveIn::WaitForState(TState state) {
  for (int i = 0; i < 100 && !InState(state); ++i)
    DelayPumping(10, false);
  return InState(state);
}

void TMMWaveIn::Open() {
  if (FNumDevs == 0) Error(Text(MMS_NO_WAVEIN_DEVICE));
  if (FDeviceID == badDeviceId) Error(Text(MMS_INVALID_DEVICEID));
  if (!GetPWaveFormat()) Error(Text(MMS_INVALID_WAVE_FORMAT_LOWER));
  if (InState(wsOpen)) Close();
  if (!InState(wsOpen) && !FClosing) {
    FClosing = false;
    FResetting = false;
    FStopping = false;
    if (!FormatSupported(FDeviceID, GetPWaveFormat()))
      Error(Text(MMS_WAVEIN_OPEN) + Break + Text(MMS_CANT_RECORD_FORMAT));
  }
  FHandle = nullptr;
  FClosePending = false;
  // A failure from here on undoes everything done so far: the chain below, the worker and the
  // device, so that Close and a retry start from a clean state.
  try {
    TMMCustomSoundComponent::Opened();
    if (FCallBackMode == cmThread) StartWorker();
    HWAVEIN handle = nullptr;
    MMRESULT r = waveInOpen(&handle, static_cast<UINT>(FDeviceID), GetPWaveFormat(),
                            reinterpret_cast<DWORD_PTR>(&TMMWaveIn::DriverCallback),
                            reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) WaveInError(MMS_WAVEIN_OPEN, r);
    FHandle = handle;
    if (!WaitForState(wsOpen)) Error(Text(MMS_WAVEIN_OPEN) + Break + Text(MMS_UNABLE_OPEN_DEVICE));
    AllocateBuffers();
    for (int i = 0; i < FNumBuffers; ++i) {
      if (!FBuffers[i]) continue;
      r = waveInPrepareHeader(FHandle, FBuffers[i].get(), sizeof(WAVEHDR));
      if (r != MMSYSERR_NOERROR) WaveInError(MMS_WAVEIN_PREPARE, r);
    }
  } catch (...) {
    Rollback();
    throw;
  }
  Opened();
}

void TMMWaveIn::Rollback() {
  try {
    std::exception_ptr ignored;
    if (FHandle) CloseDevice(ignored);
    FHandle = nullptr;
    SetState(wsClosed);
    StopWorker();
    FreeBuffers();
    TMMCustomSoundComponent::Closed();
  } catch (...) {
    // The first failure is the one reported.
  }
  FClosing = false;
}

void TMMWaveIn::AllocateBuffers() {
  const int size = GetBufferSize();
  if (size <= 0) return;
  for (int i = 0; i < FNumBuffers; ++i) {
    if (FBuffers[i]) continue;
    try {
      FBuffers[i] = AllocWaveBuffer(size);
    } catch (const std::bad_alloc&) {
      Error(Text(MMS_UNABLE_ALLOC_HEADER));
    }
  }
}

void TMMWaveIn::FreeBuffers() {
  for (TWaveBuffer& b : FBuffers)
    FreeWaveBuffer(b);
}

bool TMMWaveIn::OwnBuffer(const WAVEHDR* h) const {
  if (!h) return false;
  for (int i = 0; i < FNumBuffers; ++i)
    if (FBuffers[i].get() == h) return true;
  return false;
}

void TMMWaveIn::Opened() {
  if (OnOpen) OnOpen(this);
}

void TMMWaveIn::QueueBuffer(WAVEHDR* h) {
  h->dwFlags = WHDR_PREPARED;
  MMRESULT r = waveInAddBuffer(FHandle, h, sizeof(WAVEHDR));
  if (r != MMSYSERR_NOERROR) WaveInError(MMS_WAVEIN_ADDBUFFER, r);
  ++FQueued;
}

void TMMWaveIn::Start() {
  if (!InState(wsOpen)) Open();
  if (!InState(wsOpen) || InState(wsStarted)) return;
  {
    TLockGuard lock(FLock);
    FBytesRecorded = 0;
    FCurrentIndex = 0;
    FInHandler = 0;
    FStopPending = false;
    FStopping = false;
    FResetting = false;
    FQueued = 0;
    for (int i = 0; i < FNumBuffers; ++i)
      if (FBuffers[i]) QueueBuffer(FBuffers[i].get());
  }
  Started();
}

void TMMWaveIn::Started() {
  AddState(wsStarted);
  if (!InState(wsPaused)) {
    MMRESULT r = waveInStart(FHandle);
    if (r != MMSYSERR_NOERROR) WaveInError(MMS_WAVEIN_START, r);
  }
  TMMCustomSoundComponent::Started();
  if (OnStart) OnStart(this);
}

void TMMWaveIn::Pause() {
  if (!InState(wsOpen)) Open();
  if (!InState(wsOpen) || InState(wsPaused)) return;
  if (InState(wsStarted)) {
    MMRESULT r = waveInStop(FHandle);
    if (r != MMSYSERR_NOERROR) WaveInError(MMS_WAVEIN_PAUSE, r);
  }
  Paused();
}

void TMMWaveIn::Paused() {
  AddState(wsPaused);
  TMMCustomSoundComponent::Paused();
  if (OnPause) OnPause(this);
}

void TMMWaveIn::Restart() {
  if (!InState(wsStarted) || !InState(wsPaused)) return;
  MMRESULT r = waveInStart(FHandle);
  if (r != MMSYSERR_NOERROR) WaveInError(MMS_WAVEIN_RESTART, r);
  Restarted();
}

void TMMWaveIn::Restarted() {
  RemoveState(wsPaused);
  TMMCustomSoundComponent::Restarted();
  if (OnRestart) OnRestart(this);
}

void TMMWaveIn::Stop() {
  if (!InState(wsStarted) && !InState(wsPaused)) return;
  // Stopping is set under the lock: a handler that has not yet queued its buffer again sees it
  // and leaves the buffer out, so nothing is queued after the reset. The driver calls are made
  // outside the lock, because in callback mode the driver's own thread may wait for it.
  {
    TLockGuard lock(FLock);
    FStopping = true;
  }
  MMRESULT r = waveInStop(FHandle);
  if (r != MMSYSERR_NOERROR) WaveInError(MMS_WAVEIN_STOP, r);
  {
    TLockGuard lock(FLock);
    FResetting = true;
  }
  r = waveInReset(FHandle);
  if (r != MMSYSERR_NOERROR) WaveInError(MMS_WAVEIN_RESET, r);
  Stopped();
}

void TMMWaveIn::Stopped() {
  if (!InState(wsStarted) && !InState(wsPaused)) {
    TMMCustomSoundComponent::Stopped();
    return;
  }
  // Asked by the chain (a relink, a new format): the device must stop too.
  if (!FStopping) {
    Stop();
    return;
  }
  bool complete;
  {
    // Exactly one side completes the stop: here when no handler runs, else the last handler
    // hands it back to the window thread through MM_WAVEIN_STOPDONE.
    TLockGuard lock(FLock);
    complete = FInHandler < 1;
    FStopPending = !complete;
  }
  if (!complete) return;
  RemoveState(wsStarted | wsPaused);
  FCurrentIndex = 0;
  FQueued = 0;
  TMMCustomSoundComponent::Stopped();
  if (OnStop) OnStop(this);
  if (FClosePending) Close();
}

bool TMMWaveIn::CloseDevice(std::exception_ptr& firstError) {
  auto keep = [&](int prefix, MMRESULT r) {
    if (r == MMSYSERR_NOERROR || firstError) return;
    FLastResult = r;
    firstError = std::make_exception_ptr(EMMWaveInError(Text(prefix) + Break + WaveInErrorText(r)));
  };
  for (const TWaveBuffer& held : FBuffers) {
    WAVEHDR* b = held.get();
    if (!b || !(b->dwFlags & WHDR_PREPARED)) continue;
    for (int n = 0; n < 65000 && !(b->dwFlags & WHDR_DONE); ++n) {
    }
    if (!(b->dwFlags & WHDR_DONE)) b->dwFlags = WHDR_DONE | WHDR_PREPARED;
    keep(MMS_WAVEIN_UNPREPARE, waveInUnprepareHeader(FHandle, b, sizeof(WAVEHDR)));
  }
  MMRESULT r = waveInClose(FHandle);
  keep(MMS_WAVEIN_CLOSE, r);
  if (r != MMSYSERR_NOERROR) return true; // still open: no notice to wait for
  return WaitForState(wsClosed);
}

void TMMWaveIn::Close() {
  if (!InState(wsOpen) && !FHandle) return;
  if (FClosing && !FClosePending) return;
  FClosing = true;
  // However the close ends, it is over: the flag must not block the next one.
  struct TClearClosing {
    std::atomic<bool>& Flag;
    ~TClearClosing() { Flag = false; }
  } clearClosing{FClosing};
  if (InState(wsStarted) || InState(wsPaused)) Stop();
  if (FStopPending) {
    FClosePending = true;
    return;
  }
  FClosePending = false;
  std::exception_ptr failure;
  bool noticed = true;
  if (FHandle)
    noticed = CloseDevice(failure);
  else
    SetState(wsClosed);
  SetState(wsClosed);
  // The worker ends before the buffers go, so that it cannot take one that is being freed.
  if (FCallBackMode == cmThread || FThread) StopWorker();
  Closed();
  if (failure) {
    if (OnError) OnError(this);
    std::rethrow_exception(failure);
  }
  if (!noticed) Error(Text(MMS_WAVEIN_CLOSE) + Break + Text(MMS_UNABLE_CLOSE_DEVICE));
}

void TMMWaveIn::Closed() {
  FHandle = nullptr;
  FreeBuffers();
  TMMCustomSoundComponent::Closed();
  if (OnClose) OnClose(this);
  FClosing = false;
}

void TMMWaveIn::BufferReady(WAVEHDR* h) {
  if (++FCurrentIndex >= FNumBuffers) FCurrentIndex = 0;
  TMMDSPComponent::BufferReady(h);
}

void TMMWaveIn::WaveInBufferDone(WAVEHDR* h) {
  if (!InState(wsStarted)) return;
  // Only our own buffers, and only as the driver returns them: a message queued before a close
  // may name a freed buffer, or one queued anew since.
  if (!OwnBuffer(h) || !(h->dwFlags & WHDR_DONE)) return;
  {
    TLockGuard lock(FLock);
    --FQueued;
    if (FResetting || FStopping) {
      if (FQueued <= 0) FResetting = false;
      return;
    }
    ++FInHandler;
    FBytesRecorded += h->dwBytesRecorded;
  }
  bool finish = false;
  try {
    BufferReady(h);
  } catch (...) {
    TLockGuard lock(FLock);
    --FInHandler;
    if (FInHandler == 0 && FStopPending) FStopping = true, finish = true;
    if (finish && FWindow)
      PostMessageA(FWindow, MM_WAVEIN_STOPDONE, reinterpret_cast<WPARAM>(FHandle.load()), 0);
    throw;
  }
  TLockGuard lock(FLock);
  if (!FStopPending && !FStopping && !FResetting) QueueBuffer(h);
  --FInHandler;
  if (FInHandler == 0 && FStopPending) {
    FStopping = true;
    finish = true;
  }
  if (finish && FWindow)
    PostMessageA(FWindow, MM_WAVEIN_STOPDONE, reinterpret_cast<WPARAM>(FHandle.load()), 0);
}

void CALLBACK TMMWaveIn::DriverCallback(HWAVEIN device, UINT msg, DWORD_PTR instance,
                                        DWORD_PTR param1, DWORD_PTR) {
  auto* self = reinterpret_cast<TMMWaveIn*>(instance);
  if (!self) return;
  // The driver's thread that hands the recorded buffers over (opening and closing may call from
  // the window thread), named so that its time is not taken for this program's.
  if (msg == WIM_DATA && GetCurrentThreadId() != GetWindowThreadProcessId(self->FWindow, nullptr))
    NameCallingThread(L"wavein_driver");
  GuardVoid([&] {
    switch (msg) {
    case WIM_OPEN:
      self->SetState(wsOpen);
      break;
    case WIM_CLOSE:
      self->SetState(wsClosed);
      break;
    case WIM_DATA:
      if (self->FStopping) break;
      switch (self->FCallBackMode) {
      case cmWindow:
        PostMessageA(self->FWindow, MM_WIM_DATA, reinterpret_cast<WPARAM>(device), param1);
        break;
      case cmCallback:
        self->WaveInBufferDone(reinterpret_cast<WAVEHDR*>(param1));
        break;
      case cmThread:
        PostThreadMessageA(self->FThreadId, MM_WIM_DATA, reinterpret_cast<WPARAM>(device), param1);
        break;
      }
      break;
    }
  });
}

bool TMMWaveIn::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  result = 0;
  if (msg == MM_WIM_DATA) {
    if (FHandle && reinterpret_cast<HWAVEIN>(wp) == FHandle)
      WaveInBufferDone(reinterpret_cast<WAVEHDR*>(lp));
    return true;
  }
  if (msg == MM_WAVEIN_STOPDONE) {
    if (FHandle && reinterpret_cast<HWAVEIN>(wp) == FHandle) Stop();
    return true;
  }
  if (msg == MM_WAVEIN_THREADFAILED) {
    // The worker's failure: close here, on the window thread, then show it.
    std::unique_ptr<std::exception_ptr> failure(reinterpret_cast<std::exception_ptr*>(lp));
    try {
      FClosing = false;
      Close();
    } catch (...) {
      // The worker's failure is the one to show; a close failing after it adds nothing.
    }
    if (failure) HandleBoundaryException(*failure);
    return true;
  }
  return false;
}

// --- the worker ----------------------------------------------------------------------------------

void TMMWaveIn::StartWorker() {
  TLockGuard lock(FLock);
  FThreadFailed = false;
  FReadyEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  FStopEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  auto fail = [this] {
    FReadyEvent.Reset();
    FStopEvent.Reset();
    Error(Text(MMS_WAVEIN) + Break + Text(MMS_CANT_CREATE_THREAD));
  };
  if (!FReadyEvent || !FStopEvent) fail();
  try {
    FThread = new TMMWaveInThread(this);
  } catch (...) {
    FThread = nullptr;
    fail();
  }
  FThreadId = FThread->ThreadID();
  DuplicateHandle(GetCurrentProcess(), FThread->Handle(), GetCurrentProcess(), FThreadHandle.Put(),
                  SYNCHRONIZE, FALSE, 0);
  FThread->SetFreeOnTerminate(true);
  FThread->Resume();
  if (WaitForSingleObject(FReadyEvent.Get(), 5000) != WAIT_OBJECT_0) {
    StopWorker();
    Error(Text(MMS_WAVEIN) + Break + Text(MMS_CANT_CREATE_THREAD));
  }
}

void TMMWaveIn::StopWorker() {
  if (!FThread) return;
  TMMWaveInThread* thread = FThread;
  FThread = nullptr;
  bool ended = true;
  if (!FThreadFailed) {
    thread->Terminate();
    SetEvent(FStopEvent.Get());
    ended = WaitForSingleObject(FReadyEvent.Get(), 5000) == WAIT_OBJECT_0;
  } else {
    ended = WaitForSingleObject(FReadyEvent.Get(), 5000) == WAIT_OBJECT_0;
  }
  // The worker object frees itself after its last signal; waiting for the thread itself means
  // nothing of it is left once the recorder has stopped.
  if (FThreadHandle) {
    if (ended) ended = WaitForSingleObject(FThreadHandle.Get(), 5000) == WAIT_OBJECT_0;
    FThreadHandle.Reset();
  }
  FThreadId = 0;
  // A worker that still runs keeps its events: they are left to the process rather than freed
  // under it.
  if (ended) {
    FReadyEvent.Reset();
    FStopEvent.Reset();
  } else {
    FReadyEvent.Release();
    FStopEvent.Release();
  }
}

void TMMWaveInThread::Execute() {
  TMMWaveIn* owner = FOwner;
  HANDLE ready = owner->FReadyEvent.Get(), stop = owner->FStopEvent.Get();
  SetPriority(THREAD_PRIORITY_ABOVE_NORMAL);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the driver posts
  SetEvent(ready);
  try {
    while (!Terminated()) {
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DWORD r = MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) break;
        continue;
      }
      if (msg.message == MM_WIM_DATA && owner->FHandle &&
          reinterpret_cast<HWAVEIN>(msg.wParam) == owner->FHandle) {
        if (!owner->FStopping) owner->WaveInBufferDone(reinterpret_cast<WAVEHDR*>(msg.lParam));
      } else {
        DispatchMessageA(&msg);
      }
    }
  } catch (...) {
    // Shown and closed on the window thread; the worker only ends.
    owner->FThreadFailed = true;
    auto failure = std::make_unique<std::exception_ptr>(std::current_exception());
    // Once posted, the window owns it.
    if (owner->FWindow && PostMessageA(owner->FWindow, MM_WAVEIN_THREADFAILED, 0,
                                       reinterpret_cast<LPARAM>(failure.get())))
      failure.release();
    else
      HandleBoundaryException(*failure);
  }
  SetEvent(ready);
}

// --- registry ------------------------------------------------------------------------------------

void RegisterMMWaveIn() {
  if (FindMMClass("TMMWaveIn")) return;
  RegisterMMDSPClasses();
  using K = TMMPropKind;
  using W = TMMWaveIn;
  TMMClassInfo& c = RegisterMMClass<W>("TMMWaveIn", "TMMCustomSoundComponent");
  TMMPropInfo device = OrdProp("DeviceID", K::pkInteger, &W::DeviceID, &W::SetDeviceID, 0);
  device.TypeName = "TMMDeviceId";
  TMMPropInfo mode = OrdProp("Mode", K::pkEnum, &W::Mode, &W::SetMode, mMono);
  mode.EnumNames = {"mMono", "mStereo", "mQuadro"};
  TMMPropInfo bits = OrdProp("BitLength", K::pkEnum, &W::BitLength, &W::SetBitLength, b8Bit);
  bits.EnumNames = {"b8Bit", "b16Bit"};
  TMMPropInfo cb =
      OrdProp("CallBackMode", K::pkEnum, &W::CallBackMode, &W::SetCallBackMode, cmWindow);
  cb.EnumNames = {"cmWindow", "cmCallback", "cmThread"};
  TMMPropInfo tf = OrdProp("TimeFormat", K::pkEnum, &W::TimeFormat, &W::SetTimeFormat, tfByte);
  tf.EnumNames = {"tfMillisecond", "tfByte", "tfSample"};
  TMMPropInfo product;
  product.Name = "ProductName";
  product.Kind = K::pkString;
  product.GetStr = [](TObject* o) { return static_cast<W*>(o)->ProductName(); };
  product.SetStr = [](TObject*, const std::string&) {};
  product.Stored = [](TObject*) { return false; };
  TMMPropInfo size;
  size.Name = "BufferSize";
  size.GetOrd = [](TObject* o) { return int64_t{static_cast<W*>(o)->GetBufferSize()}; };
  size.SetOrd = [](TObject* o, int64_t v) { static_cast<W*>(o)->SetBufferSize(int(v)); };
  size.HasDefault = true;
  size.Default = 2048;
  c.Props = {device,
             product,
             OrdProp("SampleRate", K::pkInteger, &W::SampleRate, &W::SetSampleRate, 11025),
             bits,
             mode,
             OrdProp("NumBuffers", K::pkInteger, &W::NumBuffers, &W::SetNumBuffers, 10),
             size,
             cb,
             tf,
             DSPLinkProp("Output")};
  c.Events = {"OnBufferReady", "OnError",   "OnOpen", "OnStart",
              "OnPause",       "OnRestart", "OnStop", "OnClose"};
}
