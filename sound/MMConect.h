// The connector: a chain member that keeps a copy of the latest buffer (converted to PCM when the
// chain's format is not) and feeds it, frame by frame and paced to its play time, to up to
// fourteen displays on the window thread.
#pragma once
#include "MMACM.h"
#include "MMDSPObj.h"
#include "Handles.h"
#include "MMDisplay.h"
#include "Threads.h"
#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

TB_DECLARE_EXCEPTION(EMMConnectorError, Exception);

enum TMMTriggerMode { tmNone, tmUpFlank, tmDownFlank };

class TMMLevel;
class TMMMeter;
class TMMOscope;
class TMMLight;
class TMMSpectrum;
class TMMSpectrogram;

// Messages of the connectors' hidden window "TMMConnectorWindow".
constexpr UINT MM_CONNECTOR_START = 45557;  // lParam: the connector; its loop takes over
constexpr UINT MM_CONNECTOR_DATA = 45558;   // lParam: the connector; one pass asked from a thread
constexpr UINT MM_CONNECTOR_STEP = 45559;   // one step of the shared display loop
constexpr UINT MM_CONNECTOR_FAILED = 45560; // lParam: a new std::exception_ptr to report
// Frame counts since the last start, summed over all connectors, for a look from outside the
// program: lParam 2 takes a snapshot of all slots; then wParam the slot (0..13) with lParam 0
// answers its frames received, with 1 its frames due.
constexpr UINT MM_CONNECTOR_COUNTS = 45561;

// The display groups, in the order a pass serves them.
enum TMMConnectorGroup { cgLevels, cgMeters, cgOscopes, cgLights, cgSpectra, cgSpectrograms };

// What the connector needs of a display: its intake and its frame rules.
struct TMMConnectorSlot {
  TComponent* Display = nullptr;
  std::function<void(const WAVEFORMATEX*)> SetFormat;
  std::function<void(const void*)> Refresh;
  std::function<void()> Reset;
  std::function<int()> FrameSize;
  std::function<int()> FFTLength;
  std::function<bool()> Accelerate, Scroll;
  // Told the size of the data buffer at each start (a display whose frame might not fit).
  std::function<void(int)> SetDataLimit;
};

// Microseconds for the pacing of frames; tests put a clock of their own in its place.
using TMMConnectorClock = std::function<int64_t()>;
void SetConnectorClock(TMMConnectorClock clock);

class TMMConnector : public TMMDSPComponent {
public:
  explicit TMMConnector(TComponent* AOwner);
  ~TMMConnector() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool AutoConvert() const { return FAutoConvert; }
  void SetAutoConvert(bool value) { FAutoConvert = value; }
  bool AutoTrigger() const { return FAutoTrigger; }
  void SetAutoTrigger(bool value);
  bool Synchronize() const { return FSynchronize; }
  void SetSynchronize(bool value) { FSynchronize = value; }
  int Speed() const { return FSpeed; }
  void SetSpeed(int value);
  TMMTriggerMode TriggerMode() const { return FTriggerMode; }
  void SetTriggerMode(TMMTriggerMode value) { FTriggerMode = value; }
  int TriggerLevel() const { return FTriggerLevel; }
  void SetTriggerLevel(int value) { FTriggerLevel = value; }
  bool RefreshOnStop() const { return FRefreshOnStop; }
  void SetRefreshOnStop(bool value) { FRefreshOnStop = value; }
  bool RealTime() const { return FRealTime; }
  void SetRealTime(bool value);

  TMMLevel* Level(int index) const;
  void SetLevel(int index, TMMLevel* value);
  TMMMeter* Meter(int index) const;
  void SetMeter(int index, TMMMeter* value);
  TMMOscope* Oscope(int index) const;
  void SetOscope(int index, TMMOscope* value);
  // The frequency displays' slots (their setters are built with those displays).
  TComponent* Light(int index) const { return FSlots[6 + index].Display; }
  void SetLight(int index, TMMLight* value);
  TComponent* Spectrum(int index) const { return FSlots[8 + index].Display; }
  void SetSpectrum(int index, TMMSpectrum* value);
  TComponent* Spectrogram(int index) const { return FSlots[12 + index].Display; }
  void SetSpectrogram(int index, TMMSpectrogram* value);
  void SetLevel1(TMMLevel* v) { SetLevel(0, v); }
  void SetLevel2(TMMLevel* v) { SetLevel(1, v); }
  void SetMeter1(TMMMeter* v) { SetMeter(0, v); }
  void SetMeter2(TMMMeter* v) { SetMeter(1, v); }
  void SetOscope1(TMMOscope* v) { SetOscope(0, v); }
  void SetOscope2(TMMOscope* v) { SetOscope(1, v); }
  // Any display through a slot of its own making (slot 0..13, the pair rule of its group holds).
  void SetSlot(int slot, const TMMConnectorSlot& link);
  // Empties all fourteen slots.
  void ClearSlots();

  // The application's request for a pass, used when AutoTrigger is off.
  virtual void DataArrived();
  // One pass over the groups with new data.
  void ProcessConnectorBuffer();

  // State read by tests and owners.
  bool IsRunning() const { return FRunning; }
  bool IsPaused() const { return FPaused; }
  bool IsConnectorStarted() const { return FStarted; }
  bool IsConverting() const { return FConverting; }
  int FrameCount(TMMConnectorGroup group) const { return FFrames[group].load(); }
  // Per slot since the last start: the frames whose play time came, and those the display took
  // (a display that raised is set aside until the next start and takes none).
  int FramesDue(int slot) const { return FDue[slot].load(); }
  int FramesReceived(int slot) const { return FReceived[slot].load(); }
  bool SetAside(int slot) const { return FSetAside[slot]; }
  int DataLength() const { return FLength; }
  const WAVEFORMATEX& DisplayFormat() const { return FDisplayFormat; }
  UINT PauseTimerId() const { return FTimerId; }
  int PauseCallbacks() const { return FPauseTicks.load(); }
  static int RunningLoops();
  static HWND ConnectorWindow();
  // Steps of the shared display loop run so far.
  static int StepsRun();
  // The period of the display steps in ms, from the highest Speed of all connectors: 50 ms at
  // 5000, one ms more for every 10 below it (549 ms at 1), for more message handling between.
  static UINT StepPeriod();

  void StoreWaveFormat(WAVEFORMATEX* value) override;
  void Started() override;
  void Paused() override;
  void Restarted() override;
  void Stopped() override;
  void BufferReady(WAVEHDR* lpWaveHdr) override;
  void BufferLoad(WAVEHDR* lpWaveHdr, bool& More) override;

  TNotifyEvent OnTrigger;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend struct TConnectorLoop;
  void SendFormat();
  void TakeBuffer(WAVEHDR* h);
  void PauseTick();
  void KillPauseTimer();
  void SetRunning(bool value);
  void ResetDisplays();
  // The frames of one buffer still to show: its data, length, play-time stamp, offsets and
  // new-data flags (the latest buffer's live in the connector's own fields).
  struct TFrameView {
    const uint8_t* Data;
    int64_t Length, Stamp;
    int64_t* Offsets;
    bool* NewData;
  };
  // An older buffer with frames not yet shown when a newer one came.
  struct TFrames {
    std::vector<uint8_t> Data;
    int64_t Length = 0, Stamp = 0;
    int64_t Offsets[7] = {};
    bool NewData[6] = {};
  };
  bool Due(int64_t offset, int64_t now, int64_t stamp) const;
  void Post(UINT msg);
  void StoreSlot(int slot, const TMMConnectorSlot& link);
  // One pass; true when some display was given a frame.
  bool Pass();
  bool ServeGroup(int group, TFrameView& view, int64_t now);
  bool ServeSpectrograms(TFrameView& view, int64_t now);
  bool ServeFrom(int group, int64_t now);
  // The need and the step of a group's frames, from its displays not set aside; false when none.
  bool GroupFrames(int group, int& need, int64_t& step, TMMConnectorSlot*& lead);
  int64_t SpectrogramStep(int k) const;
  void Backlog();
  void CountLost(const TFrames& frames);
  void Feed(int slot, const uint8_t* frame);
  void SetSlotAside(int slot, std::exception_ptr failure);
  void ClearCounts();
  static void CALLBACK PauseTimerProc(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

  std::atomic<UINT> FTimerId{0};
  TCriticalSection FLock;
  std::atomic<bool> FStarted{false}, FRunning{false}, FPaused{false};
  // The system timer at 1 ms for the connector's life: the displays are paced by it.
  TTimerPeriod FTimerPeriod;
  std::unique_ptr<TACMConvert> FConvert;
  WAVEFORMATEX FDisplayFormat{};
  int FPCMSize = 0, FLength = 0;
  TGlobalMem<uint8_t> FData;
  std::atomic<bool> FPCM{false}, FConverting{false};
  uint8_t FSilence = 0;
  volatile LONG FPending = 0;
  TMMConnectorSlot FSlots[14];
  int64_t FOffsets[7] = {};
  bool FNewData[6] = {};
  std::atomic<int> FFrames[6] = {};
  int64_t FStamp = 0;
  std::atomic<int> FPauseTicks{0};
  std::atomic<bool> FFailureReported{false}; // a pass's failure was reported since the start
  std::deque<TFrames> FBacklog;
  bool FSetAside[14] = {};
  std::atomic<int> FDue[14] = {}, FReceived[14] = {};

  bool FEnabled = true, FAutoConvert = true, FAutoTrigger = true, FSynchronize = true;
  int FSpeed = 5000;
  TMMTriggerMode FTriggerMode = tmNone;
  int FTriggerLevel = 0;
  bool FRefreshOnStop = true, FRealTime = true;
};

void RegisterMMConnector();
