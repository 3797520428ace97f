// The chain of sound components: every member has one upstream and one downstream neighbour,
// buffers are pushed down it and the wave format travels with the links.
#pragma once
#include "MMObj.h"
#include "MMProps.h"
#include "MMUtils.h"
#include "Threads.h"
#include <functional>
#include <string>

// The wave buffer: the Windows header, 24 bytes of the library's own, then the samples.
constexpr int MMWaveHdrSize = 56;
static_assert(sizeof(WAVEHDR) == 32, "the wave buffer's header is the 32-bit WAVEHDR");

using TMMBufferEvent = std::function<void(TObject* Sender, WAVEHDR* lpWaveHdr)>;
using TMMBufferLoadEvent = std::function<void(TObject* Sender, WAVEHDR* lpWaveHdr, bool& More)>;

// A zero-filled wave buffer with room for size bytes of samples (lpData and dwBufferLength set),
// freed with its holder.
using TWaveBuffer = TGlobalMem<WAVEHDR>;
TWaveBuffer AllocWaveBuffer(int size);
// Frees a buffer ahead of its holder's end.
void FreeWaveBuffer(TWaveBuffer& buffer);

class TMMDSPComponent : public TMMNonVisualComponent {
public:
  explicit TMMDSPComponent(TComponent* AOwner);
  ~TMMDSPComponent() override;

  TMMDSPComponent* Input() const { return FInput; }
  virtual void SetInput(TMMDSPComponent* value);
  TMMDSPComponent* Output() const { return FOutput; }
  virtual void SetOutput(TMMDSPComponent* value);
  virtual WAVEFORMATEX* GetPWaveFormat() { return FPWaveFormat.get(); }
  virtual void SetPWaveFormat(WAVEFORMATEX* value) { StoreWaveFormat(value); }
  WAVEFORMATEX* PWaveFormat() { return GetPWaveFormat(); }
  virtual int GetBufferSize();
  virtual void SetBufferSize(int value);
  int BufferSize() { return GetBufferSize(); }
  int RealBufferSize() const { return FRealBufferSize; }
  bool IsOpen() const { return FIsOpen; }
  bool IsStarted() const { return FIsStarted; }
  const std::string& InputLinkName() const { return FInputLinkName; }
  const std::string& OutputLinkName() const { return FOutputLinkName; }

  virtual void UpdateFormat();
  virtual void LinkChanged(TMMDSPComponent* component, bool isInputSide,
                           const std::string& propertyName);
  virtual void StoreWaveFormat(WAVEFORMATEX* value);
  virtual void Opened();
  virtual void Closed();
  virtual void Started();
  virtual void Paused();
  virtual void Restarted();
  virtual void Stopped();
  virtual void BufferReady(WAVEHDR* lpWaveHdr);
  virtual void BufferLoad(WAVEHDR* lpWaveHdr, bool& More);
  virtual void StoreInputLink(TMMDSPComponent* component, const std::string& propertyName);
  virtual void StoreOutputLink(TMMDSPComponent* component, const std::string& propertyName);
  virtual bool CanConnectInput(TMMDSPComponent* component);
  virtual bool CanConnectOutput(TMMDSPComponent* component);
  // LinkChanged on every chain member, in order of creation.
  void BroadcastLinkChange(TMMDSPComponent* component, bool isInputSide,
                           const std::string& propertyName);

  TMMBufferEvent OnBufferReady;
  TMMBufferLoadEvent OnBufferLoad;

protected:
  void Loaded() override;
  // Loading, reading or being destroyed: the format is not passed on.
  bool Settling() const;
  int FBufferSize = 2048;
  int FRealBufferSize = 2048;
  bool FIsOpen = false, FIsStarted = false;

private:
  TMMDSPComponent* FInput = nullptr;
  TMMDSPComponent* FOutput = nullptr;
  TGlobalMem<WAVEFORMATEX> FPWaveFormat;
  std::string FInputLinkName, FOutputLinkName;
};

// A chain member that stands for a sound device: it drives its stretch of the chain, from the
// head (or itself, below another device) down to the next device.
class TMMCustomSoundComponent : public TMMDSPComponent {
public:
  explicit TMMCustomSoundComponent(TComponent* AOwner) : TMMDSPComponent(AOwner) {}
  bool HasSoundAbove() const { return FHasSoundAbove; }
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Paused() override;
  void Restarted() override;
  void Stopped() override;

private:
  TMMDSPComponent* WalkStart();
  TMMCustomSoundComponent* SoundBelow();
  void WalkDown(const std::function<void(TMMDSPComponent*)>& step, bool includeSoundBelow);
  bool FHasSoundAbove = false;
};

// A worker thread of the chain; every instance is listed while it exists.
class TMMDSPThread : public TThread {
public:
  TMMDSPThread();
  ~TMMDSPThread() override;
};

// For tests: members and worker threads alive now.
int DSPComponentCount();
int DSPThreadCount();
// Publishes a member class's links ("Input", "Output") in the property registry.
TMMPropInfo DSPLinkProp(const std::string& name);
void RegisterMMDSPClasses();
