// The sound card's mixer as components: the mixer device, its lines and their controls, each
// found by identifier or kind, following the driver's change notices and telling its observers.
#pragma once
#include "MMDevice.h"
#include "MMDisplay.h"
#include <cstdint>
#include <string>
#include <vector>
#include <memory>

TB_DECLARE_EXCEPTION(EMMMixerServiceError, Exception);
TB_DECLARE_EXCEPTION(EMMMixerDeviceError, EMMDeviceError);
TB_DECLARE_EXCEPTION(EMMAudioLineError, Exception);
TB_DECLARE_EXCEPTION(EMMMixerControlError, Exception);

using TMMLineId = int32_t;
using TMMControlId = int32_t;
using TMMItemIndex = int32_t;
constexpr TMMLineId badLineId = -1;
constexpr TMMControlId badControlId = -1;
constexpr TMMItemIndex NoItem = -1;

enum TMMComponentType {
  ctDstDigital,
  ctDstHeadPhones,
  ctDstLine,
  ctDstMonitor,
  ctDstSpeakers,
  ctDstTelephone,
  ctDstUndefined,
  ctDstVoiceIn,
  ctDstWaveIn,
  ctSrcAnalog,
  ctSrcAux,
  ctSrcCD,
  ctSrcDigital,
  ctSrcLine,
  ctSrcMicrophone,
  ctSrcPCSpeaker,
  ctSrcSynthesizer,
  ctSrcTelephone,
  ctSrcUndefined,
  ctSrcWaveOut
};
enum TMMControlType {
  ctCustom,
  ctBass,
  ctEqualizer,
  ctFader,
  ctTreble,
  ctVolume,
  ctMixer,
  ctMultipleSelect,
  ctMux,
  ctSingleSelect,
  ctBooleanMeter,
  ctPeakMeter,
  ctSignerMeter,
  ctUnsignedMeter,
  ctDecibels,
  ctPercent,
  ctSigned,
  ctUnsigned,
  ctPan,
  ctQSoundPan,
  ctSlider,
  ctBoolean,
  ctButton,
  ctLoudness,
  ctMono,
  ctMute,
  ctOnOff,
  ctStereoEnh,
  ctMicroTime,
  ctMilliTime
};
enum TMMControlClass { ccCustom, ccFader, ccList, ccMeter, ccNumber, ccSlider, ccSwitch, ccTime };
enum TMMLineFlag { cfActive, cfDisconnected, cfSource };
using TMMLineFlags = TSet<TMMLineFlag>;
enum TMMControlFlag { cfDisabled, cfMultiple, cfUniform };
using TMMControlFlags = TSet<TMMControlFlag>;

DWORD ComponentTypeToApi(TMMComponentType type);
TMMComponentType ApiToComponentType(DWORD value); // raises for a value not in the table
DWORD ControlTypeToApi(TMMControlType type);
TMMControlType ApiToControlType(DWORD value);    // ctCustom for a value not in the table
TMMControlClass ControlClassOf(DWORD typeValue); // raises for unknown class bits
TMMLineFlags ApiToLineFlags(DWORD flags);
TMMControlFlags ApiToControlFlags(DWORD flags);

class TMMLineInfo : public TPersistent {
public:
  TMMLineFlags Flags() const { return FFlags; }
  uint32_t Channels() const { return FChannels; }
  uint32_t Connections() const { return FConnections; }
  uint32_t Controls() const { return FControls; }
  const std::string& ShortName() const { return FShortName; }
  const std::string& Name() const { return FName; }
  void Clear() { *this = TMMLineInfo(); }
  void SetFrom(const MIXERLINEA& line);

private:
  TMMLineFlags FFlags;
  uint32_t FChannels = 0, FConnections = 0, FControls = 0;
  std::string FShortName, FName;
};

class TMMControlInfo : public TPersistent {
public:
  TMMControlFlags Flags() const { return FFlags; }
  TMMItemIndex MultipleItems() const { return FMultipleItems; }
  const std::string& ShortName() const { return FShortName; }
  const std::string& Name() const { return FName; }
  int32_t MinValue() const { return FMinValue; }
  int32_t MaxValue() const { return FMaxValue; }
  int32_t Steps() const { return FSteps; }
  void Clear() { *this = TMMControlInfo(); }
  void SetFrom(const MIXERCONTROLA& control);
  void SetSimulatedPan();

private:
  TMMControlFlags FFlags;
  TMMItemIndex FMultipleItems = 0;
  std::string FShortName, FName;
  int32_t FMinValue = 0, FMaxValue = 0, FSteps = 0;
};

// Notices passed to observers, made and freed around each notification.
class TMMMixerChange : public TMMObject {};
class TMMLineChange : public TMMMixerChange {
public:
  explicit TMMLineChange(TMMLineId lineId) : LineId(lineId) {}
  TMMLineId LineId;
};
class TMMControlChange : public TMMMixerChange {
public:
  TMMControlChange(TMMLineId lineId, TMMControlId controlId)
      : LineId(lineId), ControlId(controlId) {}
  TMMLineId LineId;
  TMMControlId ControlId;
};
class TMMLineIdChange : public TMMMixerChange {};
class TMMControlIdChange : public TMMMixerChange {};

using TMMLineChangeEvent = std::function<void(TObject* Sender, TMMLineId LineId)>;
using TMMControlChangeEvent =
    std::function<void(TObject* Sender, TMMLineId LineId, TMMControlId CtlId)>;

class TMMMixerDevice : public TMMCustomAudioDevice {
public:
  explicit TMMMixerDevice(TComponent* AOwner);
  ~TMMMixerDevice() override;

  void SetDeviceId(TMMDeviceId value) override;
  TMMCustomAudioDevice* Device() const { return FDevice; }
  void SetDevice(TMMCustomAudioDevice* value);
  // Number of destination lines; 0 when the device is not valid.
  int Destinations();
  // The identifier every query passes (asked of the handle while open).
  UINT MixerId();
  HMIXER Handle() const { return FHandle; }
  HWND NotifyWindow() const { return FWindow; }
  TMMObservable* LineObservable() const { return FLineObservable.get(); }
  TMMLineChangeEvent OnLineChange;
  TMMControlChangeEvent OnControlChange;

  void Open() override;
  void Close() override;
  void Changed() override;
  virtual void LineChange(TMMLineId lineId);
  virtual void ControlChange(TMMControlId controlId);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool MixerLineChangeWindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  HMIXER FHandle = nullptr;
  HWND FWindow = nullptr;
  TMMCustomAudioDevice* FDevice = nullptr;
  std::unique_ptr<TMMObserver> FDeviceObserver;
  std::unique_ptr<TMMObservable> FLineObservable;
};

class TMMAudioLine : public TMMComponent {
public:
  enum TFindBy { fbId, fbType, fbTarget };
  explicit TMMAudioLine(TComponent* AOwner);
  ~TMMAudioLine() override;

  TMMMixerDevice* Mixer() const { return FMixer; }
  void SetMixer(TMMMixerDevice* value);
  TMMLineId LineId() const { return FLineId; }
  void SetLineId(TMMLineId value);
  TMMComponentType ComponentType() const { return FComponentType; }
  void SetComponentType(TMMComponentType value);
  TMMCustomAudioDevice* Target() const { return FTarget; }
  void SetTarget(TMMCustomAudioDevice* value);
  TMMComponent* DestLine() const { return FDestLine; }
  void SetDestLine(TMMComponent* value);
  TMMLineInfo* LineInfo() const { return FLineInfo.get(); }
  TFindBy FindBy() const { return FFindBy; }
  // The destination index, or -1 for a source line or when unresolved.
  int DestIndex() const { return FDestIndex; }
  // Mixer set and valid, and the line resolved.
  bool Valid() const;
  int Connections() const { return static_cast<int>(FLineInfo->Connections()); }
  // The line identifier of source i of this destination; -1 when it cannot be had.
  TMMLineId ConnectionId(int index);
  TMMObservable* Observable() const { return FObservable.get(); }
  void ResolveLine();
  TNotifyEvent OnChange;
  TMMControlChangeEvent OnControlChange;

  virtual void LineChanged();
  virtual void LineIdChanged();
  virtual void ControlChanged(TMMControlId controlId);

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool Lookup(MIXERLINEA& line, DWORD flags);
  bool FindLine(MIXERLINEA& line);
  bool OwnsControl(TMMControlId controlId);
  void MixerNotice(TObject* data);
  TMMMixerDevice* FMixer = nullptr;
  TMMLineId FLineId = badLineId;
  TMMComponentType FComponentType = ctDstDigital;
  TMMCustomAudioDevice* FTarget = nullptr;
  TMMComponent* FDestLine = nullptr;
  TFindBy FFindBy = fbId;
  int FDestIndex = -1;
  std::unique_ptr<TMMLineInfo> FLineInfo;
  std::unique_ptr<TMMObserver> FMixerObserver;
  std::unique_ptr<TMMObserver> FDeviceObserver;
  std::unique_ptr<TMMObserver> FTargetObserver;
  std::unique_ptr<TMMObserver> FDestObserver;
  std::unique_ptr<TMMObservable> FObservable;
};

class TMMCustomMixerControl : public TMMComponent {
public:
  enum TFindBy { fbId, fbType };
  explicit TMMCustomMixerControl(TComponent* AOwner);
  ~TMMCustomMixerControl() override;

  TMMAudioLine* AudioLine() const { return FAudioLine; }
  void SetAudioLine(TMMAudioLine* value);
  TMMControlId ControlId() const { return FControlId; }
  void SetControlId(TMMControlId value);
  TMMControlType ControlType() const { return FControlType; }
  void SetControlType(TMMControlType value);
  TMMControlClass ControlClass() const { return FControlClass; }
  virtual TMMControlInfo* ControlInfo() const { return FControlInfo.get(); }
  TMMObservable* Observable() const { return FObservable.get(); }
  TNotifyEvent OnChange;

  virtual void ResolveControl();
  virtual void ValueChanged();
  virtual void ControlIdChanged();
  bool GetBoolean();
  void SetBoolean(bool value);
  uint32_t GetUnsigned();
  virtual void SetUnsigned(uint32_t value);
  virtual int32_t GetSigned();
  virtual void SetSigned(int32_t value);
  virtual bool IsValid();
  virtual bool AcceptControl(const MIXERCONTROLA& control);
  virtual int GetChannels();
  virtual int GetItems();
  virtual int32_t GetSignedAt(TMMChannel channel, TMMItemIndex item);
  virtual void SetSignedAt(TMMChannel channel, TMMItemIndex item, int32_t value);
  virtual uint32_t GetUnsignedAt(TMMChannel channel, TMMItemIndex item);
  virtual void SetUnsignedAt(TMMChannel channel, TMMItemIndex item, uint32_t value);
  virtual bool GetBooleanAt(TMMChannel channel, TMMItemIndex item);
  virtual void SetBooleanAt(TMMChannel channel, TMMItemIndex item, bool value);

  // Parameter 1, parameter 2 and name of item i of a multiple-item control.
  void ItemInfo(int index, uint32_t& param1, uint32_t& param2, std::string& name);
  // The item that stands for the line in a mixer or multiplexer control, else -1.
  TMMItemIndex ItemOfLine(TMMAudioLine* line);

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void CheckAccess();
  UINT MixerIdOfLine();
  // The whole detail array, and the entry index of a channel and item within it.
  std::vector<int32_t> ReadDetails(int channels, int items);
  void WriteDetails(std::vector<int32_t>& values, int channels, int items);
  void Layout(TMMChannel channel, TMMItemIndex item, int& channels, int& items, int& index);
  void ClearControl();

  TFindBy FFindBy = fbType;
  std::unique_ptr<TMMControlInfo> FControlInfo;

private:
  void LineNotice(TObject* data);
  TMMAudioLine* FAudioLine = nullptr;
  TMMControlId FControlId = badControlId;
  TMMControlType FControlType = ctCustom;
  TMMControlClass FControlClass = ccCustom;
  std::unique_ptr<TMMObserver> FLineObserver;
  std::unique_ptr<TMMObservable> FObservable;
};

class TMMMixerControl : public TMMCustomMixerControl {
public:
  explicit TMMMixerControl(TComponent* AOwner) : TMMCustomMixerControl(AOwner) {}
};

class TMMVolumeControl : public TMMCustomMixerControl {
public:
  explicit TMMVolumeControl(TComponent* AOwner);
  int32_t PanValue() const { return FPanValue; }
  void SetPanValue(int32_t value);
  // Stores the pan without applying it.
  void SetPanField(int32_t value) { FPanValue = value; }

  void SetUnsigned(uint32_t value) override;
  void SetSigned(int32_t value) override;
  bool AcceptControl(const MIXERCONTROLA& control) override;
  void SetSignedAt(TMMChannel channel, TMMItemIndex item, int32_t value) override;
  void SetUnsignedAt(TMMChannel channel, TMMItemIndex item, uint32_t value) override;

private:
  double Factor(TMMChannel channel) const;
  int32_t FPanValue = 0;
};

class TMMPanControl : public TMMCustomMixerControl {
public:
  explicit TMMPanControl(TComponent* AOwner);
  ~TMMPanControl() override;
  TMMVolumeControl* VolumeControl() const { return FVolumeControl; }
  void SetVolumeControl(TMMVolumeControl* value);
  bool Simulate() const { return FSimulate; }
  void SetSimulate(bool value);
  bool Simulated() const { return FSimulated; }
  TMMControlInfo* ControlInfo() const override;

  void ResolveControl() override;
  int32_t GetSigned() override;
  void SetSigned(int32_t value) override;
  bool IsValid() override;
  bool AcceptControl(const MIXERCONTROLA& control) override;
  int GetChannels() override;
  int GetItems() override;
  int32_t GetSignedAt(TMMChannel channel, TMMItemIndex item) override;
  void SetSignedAt(TMMChannel channel, TMMItemIndex item, int32_t value) override;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  void ComputePan();
  void VolumeNotice(TObject* data);
  TMMVolumeControl* FVolumeControl = nullptr;
  bool FSimulate = true, FSimulated = false;
  int32_t FSimPan = 0;
  std::unique_ptr<TMMControlInfo> FSimInfo;
  std::unique_ptr<TMMObserver> FVolumeObserver;
};

// Registers the identifier names and the model's classes (idempotent).
void RegisterMMMixer();
