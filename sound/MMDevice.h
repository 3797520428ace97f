// The base of every component standing for one Windows sound device, its capability record, the
// translation of system error codes, and the seam in front of the device and mixer calls.
#pragma once
#include "MMObj.h"
#include "MMObsrv.h"
#include "SysUtils.h"
#include <cstdint>
#include <string>
#include <windows.h>
#include <mmsystem.h>
#include <memory>

class TStringList;

TB_DECLARE_EXCEPTION(EMMDeviceError, Exception);

// A failing system call, with its code.
class EMMMCIError : public Exception {
public:
  EMMMCIError(const std::string& message, uint32_t code) : Exception(message), FCode(code) {}
  uint32_t ErrorCode() const { return FCode; }

private:
  uint32_t FCode;
};

// Raises EMMMCIError for any result but 0: the system's text, else "MMSystem error: %d".
void MMCheck(MMRESULT result);

// Device classes in the order of their numbers.
enum TMMDeviceType { dtMidiIn, dtMidiOut, dtWaveIn, dtWaveOut, dtAux, dtMixer };

// The calls the mixer model and the devices make, so that tests can stand in for a sound card.
class TMMDeviceApi {
public:
  virtual ~TMMDeviceApi() = default;
  virtual UINT GetNumDevs(TMMDeviceType type);
  // The class's capability function; caps must hold at least size bytes.
  virtual MMRESULT GetDevCaps(TMMDeviceType type, UINT_PTR id, void* caps, UINT size);
  virtual MMRESULT MixerGetID(HMIXEROBJ object, UINT* id, DWORD flags);
  virtual MMRESULT MixerOpen(HMIXER* mixer, UINT id, DWORD_PTR callback, DWORD_PTR instance,
                             DWORD flags);
  virtual MMRESULT MixerClose(HMIXER mixer);
  virtual MMRESULT MixerGetLineInfo(HMIXEROBJ object, MIXERLINEA* line, DWORD flags);
  virtual MMRESULT MixerGetLineControls(HMIXEROBJ object, MIXERLINECONTROLSA* controls,
                                        DWORD flags);
  virtual MMRESULT MixerGetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details,
                                          DWORD flags);
  virtual MMRESULT MixerSetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details,
                                          DWORD flags);
};
// The calls in use: the system's, or a stand-in set by SetDeviceApi (nullptr restores them).
TMMDeviceApi& DeviceApi();
void SetDeviceApi(TMMDeviceApi* api);

class TMMDeviceCaps : public TPersistent {
public:
  uint16_t ManufacturerId() const { return FManufacturerId; }
  uint16_t ProductId() const { return FProductId; }
  uint8_t VerMajor() const { return FVerMajor; }
  uint8_t VerMinor() const { return FVerMinor; }
  const std::string& ProductName() const { return FProductName; }
  uint32_t DriverVersion() const { return (uint32_t(FVerMajor) << 8) | FVerMinor; }
  void Clear();
  // From the head all capability records share (ids, version, name of 32 characters).
  void SetFromHead(const uint8_t* head);

private:
  uint16_t FManufacturerId = 0, FProductId = 0;
  uint8_t FVerMajor = 0, FVerMinor = 0;
  std::string FProductName;
};

class TMMCustomAudioDevice : public TMMComponent {
public:
  explicit TMMCustomAudioDevice(TComponent* AOwner);
  ~TMMCustomAudioDevice() override;

  bool Active() const;
  void SetActive(bool value);
  TMMDeviceId DeviceId() const { return FDeviceId; }
  virtual void SetDeviceId(TMMDeviceId value);
  TMMDeviceCaps* DeviceCaps() const { return FDeviceCaps.get(); }
  int DeviceCount() const;
  bool Mapper() const;
  // At least one device of the class, and an identifier other than badDeviceId.
  bool Valid() const;
  TMMDeviceType DeviceType() const { return FDeviceType; }
  // The mapper's name first when wanted and present, then every device's, in order.
  void GetDeviceNames(TStringList& list, bool withMapper) const;
  TMMObservable* DeviceObservable() const { return FObservable.get(); }
  TNotifyEvent OnChange;

  virtual void Open();
  virtual void Close();
  virtual void Changed();
  virtual void NotifyChange();

protected:
  void Loaded() override;
  void SetDeviceType(TMMDeviceType value);
  bool FActive = false;
  TMMDeviceId FDeviceId = 0;

private:
  TMMDeviceType FDeviceType = dtWaveOut;
  std::unique_ptr<TMMDeviceCaps> FDeviceCaps;
  std::unique_ptr<TMMObservable> FObservable;
  bool FStoredActive = false;
};

// A plain device of any class (wave out at creation), for the combo box and mixer references.
class TMMAudioDevice : public TMMCustomAudioDevice {
public:
  explicit TMMAudioDevice(TComponent* AOwner) : TMMCustomAudioDevice(AOwner) {}
  using TMMCustomAudioDevice::SetDeviceType;
};
