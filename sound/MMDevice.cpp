// The audio device base and the seam before the system's device and mixer calls.
#include "MMDevice.h"
#include "Classes.h"
#include <cstdio>
#include <cstring>

namespace {

TMMDeviceApi& SystemApi() {
  static TMMDeviceApi api;
  return api;
}
TMMDeviceApi* CurrentApi = nullptr;

// Every capability record is larger than the head asked for; one this size holds any of them
// and also the byte past the 40-byte head that the system writes.
constexpr UINT CapsHeadSize = 41;
constexpr size_t CapsBufferSize = 64;

} // namespace

void MMCheck(MMRESULT result) {
  if (result == MMSYSERR_NOERROR) return;
  char text[1024] = {};
  std::string message;
  if (mciGetErrorStringA(result, text, sizeof text - 1) && text[0])
    message = text;
  else {
    std::string format = LoadLibraryString(MMS_MMSYSTEM_ERROR);
    if (format.empty()) format = "MMSystem error: %d";
    char buffer[256];
    snprintf(buffer, sizeof buffer, format.c_str(), static_cast<int>(result));
    message = buffer;
  }
  throw EMMMCIError(message, result);
}

UINT TMMDeviceApi::GetNumDevs(TMMDeviceType type) {
  switch (type) {
  case dtMidiIn:
    return midiInGetNumDevs();
  case dtMidiOut:
    return midiOutGetNumDevs();
  case dtWaveIn:
    return waveInGetNumDevs();
  case dtWaveOut:
    return waveOutGetNumDevs();
  case dtAux:
    return auxGetNumDevs();
  case dtMixer:
    return mixerGetNumDevs();
  }
  return 0;
}

MMRESULT TMMDeviceApi::GetDevCaps(TMMDeviceType type, UINT_PTR id, void* caps, UINT size) {
  switch (type) {
  case dtMidiIn:
    return midiInGetDevCapsA(id, static_cast<MIDIINCAPSA*>(caps), size);
  case dtMidiOut:
    return midiOutGetDevCapsA(id, static_cast<MIDIOUTCAPSA*>(caps), size);
  case dtWaveIn:
    return waveInGetDevCapsA(id, static_cast<WAVEINCAPSA*>(caps), size);
  case dtWaveOut:
    return waveOutGetDevCapsA(id, static_cast<WAVEOUTCAPSA*>(caps), size);
  case dtAux:
    return auxGetDevCapsA(id, static_cast<AUXCAPSA*>(caps), size);
  case dtMixer:
    return mixerGetDevCapsA(id, static_cast<MIXERCAPSA*>(caps), size);
  }
  return MMSYSERR_BADDEVICEID;
}

MMRESULT TMMDeviceApi::MixerGetID(HMIXEROBJ object, UINT* id, DWORD flags) {
  return mixerGetID(object, id, flags);
}
MMRESULT TMMDeviceApi::MixerOpen(HMIXER* mixer, UINT id, DWORD_PTR callback, DWORD_PTR instance,
                                 DWORD flags) {
  return mixerOpen(mixer, id, callback, instance, flags);
}
MMRESULT TMMDeviceApi::MixerClose(HMIXER mixer) {
  return mixerClose(mixer);
}
MMRESULT TMMDeviceApi::MixerGetLineInfo(HMIXEROBJ object, MIXERLINEA* line, DWORD flags) {
  return mixerGetLineInfoA(object, line, flags);
}
MMRESULT TMMDeviceApi::MixerGetLineControls(HMIXEROBJ object, MIXERLINECONTROLSA* controls,
                                            DWORD flags) {
  return mixerGetLineControlsA(object, controls, flags);
}
MMRESULT TMMDeviceApi::MixerGetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details,
                                              DWORD flags) {
  return mixerGetControlDetailsA(object, details, flags);
}
MMRESULT TMMDeviceApi::MixerSetControlDetails(HMIXEROBJ object, MIXERCONTROLDETAILS* details,
                                              DWORD flags) {
  return mixerSetControlDetails(object, details, flags);
}

TMMDeviceApi& DeviceApi() {
  return CurrentApi ? *CurrentApi : SystemApi();
}
void SetDeviceApi(TMMDeviceApi* api) {
  CurrentApi = api;
}

// --- TMMDeviceCaps ---------------------------------------------------------------------------

void TMMDeviceCaps::Clear() {
  FManufacturerId = FProductId = 0;
  FVerMajor = FVerMinor = 0;
  FProductName.clear();
}

void TMMDeviceCaps::SetFromHead(const uint8_t* head) {
  uint16_t mid, pid;
  uint32_t version;
  memcpy(&mid, head, 2);
  memcpy(&pid, head + 2, 2);
  memcpy(&version, head + 4, 4);
  FManufacturerId = mid;
  FProductId = pid;
  FVerMajor = static_cast<uint8_t>((version >> 8) & 0xFF);
  FVerMinor = static_cast<uint8_t>(version & 0xFF);
  const char* name = reinterpret_cast<const char*>(head + 8);
  FProductName.assign(name, strnlen(name, 32));
}

// --- TMMCustomAudioDevice --------------------------------------------------------------------

TMMCustomAudioDevice::TMMCustomAudioDevice(TComponent* AOwner)
    : TMMComponent(AOwner), FDeviceCaps(new TMMDeviceCaps), FObservable(new TMMObservable) {}

TMMCustomAudioDevice::~TMMCustomAudioDevice() {
  Destroying();
  try {
    if (FActive) TMMCustomAudioDevice::Close();
  } catch (...) {
    // Nothing may leave a destructor: a failing close is dropped here.
  }
}

bool TMMCustomAudioDevice::Active() const {
  return LoadingOrReading(this) ? FStoredActive : FActive;
}

void TMMCustomAudioDevice::SetActive(bool value) {
  if (LoadingOrReading(this)) {
    FStoredActive = value;
    return;
  }
  if (value == FActive) return;
  Close();
  if (value) Open();
}

void TMMCustomAudioDevice::SetDeviceId(TMMDeviceId value) {
  if (value != 0 && value != MapperId && value != badDeviceId &&
      (value < 0 || value >= DeviceCount()))
    throw EMMDeviceError(LoadLibraryString(MMS_DEVICE_ID_RANGE));
  if (value == FDeviceId) return;
  Close();
  FDeviceId = value;
  Changed();
}

int TMMCustomAudioDevice::DeviceCount() const {
  return static_cast<int>(DeviceApi().GetNumDevs(FDeviceType));
}

bool TMMCustomAudioDevice::Mapper() const {
  uint8_t caps[CapsBufferSize] = {};
  MMRESULT r = DeviceApi().GetDevCaps(FDeviceType, static_cast<UINT_PTR>(-1), caps, CapsHeadSize);
  if (r == MMSYSERR_BADDEVICEID || r == MMSYSERR_INVALHANDLE) return false;
  MMCheck(r);
  return true;
}

bool TMMCustomAudioDevice::Valid() const {
  return DeviceCount() > 0 && FDeviceId != badDeviceId;
}

void TMMCustomAudioDevice::GetDeviceNames(TStringList& list, bool withMapper) const {
  list.Clear();
  auto name = [this](UINT_PTR id) {
    uint8_t caps[CapsBufferSize] = {};
    MMCheck(DeviceApi().GetDevCaps(FDeviceType, id, caps, CapsHeadSize));
    TMMDeviceCaps c;
    c.SetFromHead(caps);
    return c.ProductName();
  };
  if (withMapper && Mapper()) list.Add(name(static_cast<UINT_PTR>(-1)));
  for (int i = 0, n = DeviceCount(); i < n; ++i)
    list.Add(name(static_cast<UINT_PTR>(i)));
}

void TMMCustomAudioDevice::Open() {
  FActive = true;
}

void TMMCustomAudioDevice::Close() {
  FActive = false;
}

void TMMCustomAudioDevice::Changed() {
  if (Valid()) {
    uint8_t caps[CapsBufferSize] = {};
    MMCheck(
        DeviceApi().GetDevCaps(FDeviceType, static_cast<UINT_PTR>(FDeviceId), caps, CapsHeadSize));
    FDeviceCaps->SetFromHead(caps);
  } else
    FDeviceCaps->Clear();
  NotifyChange();
}

void TMMCustomAudioDevice::NotifyChange() {
  TMMDeviceChange change;
  FObservable->NotifyObservers(&change);
  if (OnChange) OnChange(this);
}

void TMMCustomAudioDevice::Loaded() {
  TMMComponent::Loaded();
  if (FStoredActive != FActive) SetActive(FStoredActive);
}

void TMMCustomAudioDevice::SetDeviceType(TMMDeviceType value) {
  if (value == FDeviceType) return;
  Close();
  FDeviceType = value;
  FDeviceId = 0;
  Changed();
}
