// Recording from a wave input device: every recorded buffer goes down the component's chain,
// handled on the window thread, the driver's callback thread or a worker thread of its own.
#pragma once
#include "Handles.h"
#include "MMDSPObj.h"
#include <atomic>
#include <exception>
#include <string>

enum TMMMode { mMono, mStereo, mQuadro };
enum TMMBits { b8Bit, b16Bit };
enum TMMTimeFormats { tfMillisecond, tfByte, tfSample };
enum TMMCBMode { cmWindow, cmCallback, cmThread };

TB_DECLARE_EXCEPTION(EMMWaveInError, Exception);

// The message that finishes, on the window thread, a stop asked for while a buffer was handled.
constexpr UINT MM_WAVEIN_STOPDONE = 0x8001;
// The worker thread's failure, handed to the window thread (lParam: an exception to show).
constexpr UINT MM_WAVEIN_THREADFAILED = 0x8002;

// Whether the device's standard capability bits allow a PCM format; rates, channel counts and
// bit widths outside the table answer true (the driver's query decides alone).
bool WaveInCapsAllow(const WAVEINCAPSA& caps, const WAVEFORMATEX& format);
// The driver's text for a result code, or the library's fallback text.
std::string WaveInErrorText(MMRESULT code);

class TMMWaveInThread;

class TMMWaveIn : public TMMCustomSoundComponent {
public:
  enum TState : uint32_t { wsClosed = 1, wsOpen = 2, wsStarted = 4, wsPaused = 8 };

  explicit TMMWaveIn(TComponent* AOwner);
  ~TMMWaveIn() override;

  TMMDeviceId DeviceID() const { return FDeviceID; }
  void SetDeviceID(TMMDeviceId value);
  const std::string& ProductName() const { return FProductName; }
  void SetProductName(const std::string&) {}
  int SampleRate() const { return FSampleRate; }
  void SetSampleRate(int value);
  TMMBits BitLength() const { return FBitLength; }
  void SetBitLength(TMMBits value);
  TMMMode Mode() const { return FMode; }
  void SetMode(TMMMode value);
  int NumBuffers() const { return FNumBuffers; }
  void SetNumBuffers(int value);
  TMMCBMode CallBackMode() const { return FCallBackMode; }
  void SetCallBackMode(TMMCBMode value);
  TMMTimeFormats TimeFormat() const { return FTimeFormat; }
  void SetTimeFormat(TMMTimeFormats value) { FTimeFormat = value; }
  int GetBufferSize() override;
  void SetBufferSize(int value) override;

  virtual void Error(const std::string& message);
  virtual void Open();
  virtual void Close();
  virtual void Start();
  virtual void Pause();
  virtual void Restart();
  virtual void Stop();

  void StoreWaveFormat(WAVEFORMATEX* value) override;
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Paused() override;
  void Restarted() override;
  void Stopped() override;
  void BufferReady(WAVEHDR* lpWaveHdr) override;

  // Hands one returned buffer to the chain and queues it again (any handling thread).
  void WaveInBufferDone(WAVEHDR* lpWaveHdr);

  uint32_t State() const { return FState.load(); }
  bool InState(TState s) const { return (FState.load() & s) != 0; }
  HWAVEIN Handle() const { return FHandle; }
  HWND WindowHandle() const { return FWindow; }
  uint32_t BytesRecorded() const { return FBytesRecorded; }
  int QueuedCount() const { return FQueued; }
  int CurrentIndex() const { return FCurrentIndex; }
  MMRESULT LastResult() const { return FLastResult; }
  uint32_t DriverVersion() const { return FDriverVersion; }
  int NumDevs() const { return FNumDevs; }
  bool ThreadFailed() const { return FThreadFailed; }
  bool HasWorker() const { return FThread != nullptr; }
  WAVEHDR* Buffer(int index) const { return FBuffers[index].get(); }

  TNotifyEvent OnError, OnOpen, OnStart, OnPause, OnRestart, OnStop, OnClose;

private:
  friend class TMMWaveInThread;
  static void CALLBACK DriverCallback(HWAVEIN device, UINT msg, DWORD_PTR instance,
                                      DWORD_PTR param1, DWORD_PTR param2);
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  [[noreturn]] void WaveInError(int prefix, MMRESULT code);
  void CheckClosed();
  void BuildOwnFormat();
  bool FormatSupported(TMMDeviceId id, const WAVEFORMATEX* format);
  bool OwnBuffer(const WAVEHDR* h) const;
  void QueueBuffer(WAVEHDR* h);
  void AllocateBuffers();
  void FreeBuffers();
  // Unprepares the buffers and closes the device; answers false when no close notice came.
  bool CloseDevice(std::exception_ptr& firstError);
  bool WaitForState(TState state);
  void StartWorker();
  void StopWorker();
  void Rollback();
  void SetState(uint32_t bits) { FState = bits; }
  void AddState(uint32_t bits) { FState |= bits; }
  void RemoveState(uint32_t bits) { FState &= ~bits; }

  HWND FWindow = nullptr;
  TMMDeviceId FDeviceID = 0;
  std::atomic<HWAVEIN> FHandle{nullptr};
  std::atomic<uint32_t> FState{wsClosed};
  TWaveBuffer FBuffers[500];
  int FCurrentIndex = 0;
  TMMCBMode FCallBackMode = cmWindow;
  MMRESULT FLastResult = 0;
  int FNumDevs = 0;
  WAVEINCAPSA FCaps{};
  std::string FProductName;
  uint32_t FDriverVersion = 0;
  std::atomic<int> FInHandler{0};
  std::atomic<bool> FStopPending{false}, FClosePending{false}, FStopping{false}, FClosing{false},
      FResetting{false};
  uint32_t FBytesRecorded = 0;
  int FNumBuffers = 10;
  int FQueued = 0;
  TMMTimeFormats FTimeFormat = tfByte;
  WAVEFORMATEX FOwnFormat{};
  TMMMode FMode = mMono;
  TMMBits FBitLength = b8Bit;
  int FSampleRate = 11025;
  std::atomic<bool> FThreadFailed{false};
  TMMWaveInThread* FThread = nullptr;
  std::atomic<DWORD> FThreadId{0};
  TCriticalSection FLock;
  TKernelHandle FReadyEvent, FStopEvent;
  TKernelHandle FThreadHandle; // own copy: the self-freeing worker closes its handle
};

// The worker of thread mode: a message loop for the buffers the driver posts to it.
class TMMWaveInThread : public TMMDSPThread {
public:
  explicit TMMWaveInThread(TMMWaveIn* owner) : FOwner(owner) {}

protected:
  void Execute() override;

private:
  TMMWaveIn* FOwner;
};

void RegisterMMWaveIn();
