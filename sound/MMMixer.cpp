// The mixer model: device, lines and controls over the system's mixer services.
#include "MMMixer.h"
#include "Controls.h"
#include "Guard.h"
#include "MMProps.h"
#include "MMUtils.h"
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

std::string Text(int n) {
  return LoadLibraryString(n);
}

const DWORD ComponentTypes[] = {
    MIXERLINE_COMPONENTTYPE_DST_DIGITAL,     MIXERLINE_COMPONENTTYPE_DST_HEADPHONES,
    MIXERLINE_COMPONENTTYPE_DST_LINE,        MIXERLINE_COMPONENTTYPE_DST_MONITOR,
    MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,    MIXERLINE_COMPONENTTYPE_DST_TELEPHONE,
    MIXERLINE_COMPONENTTYPE_DST_UNDEFINED,   MIXERLINE_COMPONENTTYPE_DST_VOICEIN,
    MIXERLINE_COMPONENTTYPE_DST_WAVEIN,      MIXERLINE_COMPONENTTYPE_SRC_ANALOG,
    MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY,   MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC,
    MIXERLINE_COMPONENTTYPE_SRC_DIGITAL,     MIXERLINE_COMPONENTTYPE_SRC_LINE,
    MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,  MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER,
    MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE,
    MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED,   MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT};

const DWORD ControlTypes[] = {
    MIXERCONTROL_CONTROLTYPE_CUSTOM,       MIXERCONTROL_CONTROLTYPE_BASS,
    MIXERCONTROL_CONTROLTYPE_EQUALIZER,    MIXERCONTROL_CONTROLTYPE_FADER,
    MIXERCONTROL_CONTROLTYPE_TREBLE,       MIXERCONTROL_CONTROLTYPE_VOLUME,
    MIXERCONTROL_CONTROLTYPE_MIXER,        MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT,
    MIXERCONTROL_CONTROLTYPE_MUX,          MIXERCONTROL_CONTROLTYPE_SINGLESELECT,
    MIXERCONTROL_CONTROLTYPE_BOOLEANMETER, MIXERCONTROL_CONTROLTYPE_PEAKMETER,
    MIXERCONTROL_CONTROLTYPE_SIGNEDMETER,  MIXERCONTROL_CONTROLTYPE_UNSIGNEDMETER,
    MIXERCONTROL_CONTROLTYPE_DECIBELS,     MIXERCONTROL_CONTROLTYPE_PERCENT,
    MIXERCONTROL_CONTROLTYPE_SIGNED,       MIXERCONTROL_CONTROLTYPE_UNSIGNED,
    MIXERCONTROL_CONTROLTYPE_PAN,          MIXERCONTROL_CONTROLTYPE_QSOUNDPAN,
    MIXERCONTROL_CONTROLTYPE_SLIDER,       MIXERCONTROL_CONTROLTYPE_BOOLEAN,
    MIXERCONTROL_CONTROLTYPE_BUTTON,       MIXERCONTROL_CONTROLTYPE_LOUDNESS,
    MIXERCONTROL_CONTROLTYPE_MONO,         MIXERCONTROL_CONTROLTYPE_MUTE,
    MIXERCONTROL_CONTROLTYPE_ONOFF,        MIXERCONTROL_CONTROLTYPE_STEREOENH,
    MIXERCONTROL_CONTROLTYPE_MICROTIME,    MIXERCONTROL_CONTROLTYPE_MILLITIME};

const DWORD ControlClasses[] = {MIXERCONTROL_CT_CLASS_CUSTOM, MIXERCONTROL_CT_CLASS_FADER,
                                MIXERCONTROL_CT_CLASS_LIST,   MIXERCONTROL_CT_CLASS_METER,
                                MIXERCONTROL_CT_CLASS_NUMBER, MIXERCONTROL_CT_CLASS_SLIDER,
                                MIXERCONTROL_CT_CLASS_SWITCH, MIXERCONTROL_CT_CLASS_TIME};

std::string FixedText(const char* text, size_t size) {
  return std::string(text, strnlen(text, size));
}

HMIXEROBJ MixerObject(UINT id) {
  return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(id));
}

bool ControlNotFound(MMRESULT r) {
  // Wine answers "not supported" for absent control types and identifiers.
  return r == MIXERR_INVALCONTROL || r == MIXERR_INVALLINE || r == MMSYSERR_NODRIVER ||
         r == MMSYSERR_NOTSUPPORTED;
}

bool LineNotFound(MMRESULT r) {
  return r == MIXERR_INVALLINE || r == MMSYSERR_NODRIVER || r == MMSYSERR_NOTSUPPORTED;
}

// Subscribes a removal notice both ways between two components.
void Watch(TComponent* self, TComponent* other) {
  if (other) self->FreeNotification(other);
}

} // namespace

DWORD ComponentTypeToApi(TMMComponentType type) {
  return ComponentTypes[type];
}

TMMComponentType ApiToComponentType(DWORD value) {
  for (int i = 0; i < 20; ++i)
    if (ComponentTypes[i] == value) return static_cast<TMMComponentType>(i);
  throw EMMMixerServiceError(Text(MMS_UNDEFINED_COMPONENT_TYPE));
}

DWORD ControlTypeToApi(TMMControlType type) {
  return ControlTypes[type];
}

TMMControlType ApiToControlType(DWORD value) {
  for (int i = 0; i < 30; ++i)
    if (ControlTypes[i] == value) return static_cast<TMMControlType>(i);
  return ctCustom;
}

TMMControlClass ControlClassOf(DWORD typeValue) {
  for (int i = 0; i < 8; ++i)
    if (ControlClasses[i] == (typeValue & MIXERCONTROL_CT_CLASS_MASK))
      return static_cast<TMMControlClass>(i);
  throw EMMMixerServiceError(Text(MMS_UNDEFINED_CONTROL_CLASS));
}

TMMLineFlags ApiToLineFlags(DWORD flags) {
  TMMLineFlags f;
  if (flags & MIXERLINE_LINEF_ACTIVE) f.Include(cfActive);
  if (flags & MIXERLINE_LINEF_DISCONNECTED) f.Include(cfDisconnected);
  if (flags & MIXERLINE_LINEF_SOURCE) f.Include(cfSource);
  return f;
}

TMMControlFlags ApiToControlFlags(DWORD flags) {
  TMMControlFlags f;
  if (flags & MIXERCONTROL_CONTROLF_DISABLED) f.Include(cfDisabled);
  if (flags & MIXERCONTROL_CONTROLF_MULTIPLE) f.Include(cfMultiple);
  if (flags & MIXERCONTROL_CONTROLF_UNIFORM) f.Include(cfUniform);
  return f;
}

void TMMLineInfo::SetFrom(const MIXERLINEA& line) {
  FFlags = ApiToLineFlags(line.fdwLine);
  FChannels = line.cChannels;
  FConnections = line.cConnections;
  FControls = line.cControls;
  FShortName = FixedText(line.szShortName, MIXER_SHORT_NAME_CHARS);
  FName = FixedText(line.szName, MIXER_LONG_NAME_CHARS);
}

void TMMControlInfo::SetFrom(const MIXERCONTROLA& control) {
  FFlags = ApiToControlFlags(control.fdwControl);
  FMultipleItems = static_cast<TMMItemIndex>(control.cMultipleItems);
  FShortName = FixedText(control.szShortName, MIXER_SHORT_NAME_CHARS);
  FName = FixedText(control.szName, MIXER_LONG_NAME_CHARS);
  FMinValue = control.Bounds.lMinimum;
  FMaxValue = control.Bounds.lMaximum;
  FSteps = static_cast<int32_t>(control.Metrics.cSteps);
}

void TMMControlInfo::SetSimulatedPan() {
  Clear();
  FFlags = TMMControlFlags{cfUniform};
  FShortName = "Pan";
  FName = Text(MMS_SIMULATED_PAN);
  FMinValue = -32768;
  FMaxValue = 32767;
}

// --- TMMMixerDevice --------------------------------------------------------------------------

TMMMixerDevice::TMMMixerDevice(TComponent* AOwner)
    : TMMCustomAudioDevice(AOwner), FDeviceObserver(new TMMObserver),
      FLineObservable(new TMMObservable) {
  RegisterMMMixer();
  FDeviceObserver->OnUpdate = [this](TObject*, TObject*) { Changed(); };
  SetDeviceType(dtMixer);
}

TMMMixerDevice::~TMMMixerDevice() {
  Destroying();
  try {
    Close();
  } catch (...) {
    // Nothing may leave a destructor: a failing close is dropped here.
  }
}

void TMMMixerDevice::SetDeviceId(TMMDeviceId value) {
  TMMCustomAudioDevice::SetDeviceId(value);
}

void TMMMixerDevice::SetDevice(TMMCustomAudioDevice* value) {
  if (dynamic_cast<TMMMixerDevice*>(value))
    throw EMMMixerDeviceError(Text(MMS_MIXER_REFERENCES_MIXER));
  if (value == FDevice) return;
  const bool wasActive = FActive;
  Close();
  if (FDevice) {
    RemoveObserver(FDeviceObserver->Subject(), FDeviceObserver.get());
    RemoveFreeNotification(FDevice);
  }
  FDevice = value;
  if (FDevice) {
    FDevice->DeviceObservable()->AddObserver(FDeviceObserver.get());
    Watch(this, FDevice);
  }
  if (!LoadingOrReading(this)) Changed();
  if (wasActive) SetActive(true);
}

int TMMMixerDevice::Destinations() {
  if (!Valid()) return 0;
  MIXERCAPSA caps;
  memset(&caps, 0, sizeof caps);
  MMCheck(DeviceApi().GetDevCaps(dtMixer, MixerId(), &caps, sizeof caps));
  return static_cast<int>(caps.cDestinations);
}

UINT TMMMixerDevice::MixerId() {
  if (FHandle) {
    UINT id = 0;
    if (DeviceApi().MixerGetID(reinterpret_cast<HMIXEROBJ>(FHandle), &id, MIXER_OBJECTF_HMIXER) ==
            MMSYSERR_NOERROR &&
        static_cast<TMMDeviceId>(id) != FDeviceId) {
      FDeviceId = static_cast<TMMDeviceId>(id);
      Changed();
    }
  }
  return static_cast<UINT>(FDeviceId);
}

void TMMMixerDevice::Open() {
  if (!Valid()) throw EMMMixerDeviceError(Text(MMS_DEVICE_NOT_VALID));
  FWindow = AllocateHWnd([this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return MixerLineChangeWindowProc(msg, wp, lp, result);
  });
  HMIXER handle = nullptr;
  MMRESULT r = DeviceApi().MixerOpen(&handle, static_cast<UINT>(FDeviceId),
                                     reinterpret_cast<DWORD_PTR>(FWindow), 0, CALLBACK_WINDOW);
  if (r != MMSYSERR_NOERROR) {
    // No window may stay behind a device that did not open.
    DeallocateHWnd(FWindow);
    FWindow = nullptr;
    MMCheck(r);
  }
  FHandle = handle;
  TMMCustomAudioDevice::Open();
}

void TMMMixerDevice::Close() {
  if (FHandle) {
    HMIXER h = FHandle;
    FHandle = nullptr;
    DeviceApi().MixerClose(h);
  }
  if (FWindow) {
    DeallocateHWnd(FWindow);
    FWindow = nullptr;
  }
  TMMCustomAudioDevice::Close();
}

void TMMMixerDevice::Changed() {
  if (FDevice) {
    UINT id = 0;
    DWORD flag = MIXER_OBJECTF_MIXER;
    switch (FDevice->DeviceType()) {
    case dtMidiIn:
      flag = MIXER_OBJECTF_MIDIIN;
      break;
    case dtMidiOut:
      flag = MIXER_OBJECTF_MIDIOUT;
      break;
    case dtWaveIn:
      flag = MIXER_OBJECTF_WAVEIN;
      break;
    case dtWaveOut:
      flag = MIXER_OBJECTF_WAVEOUT;
      break;
    case dtAux:
      flag = MIXER_OBJECTF_AUX;
      break;
    case dtMixer:
      flag = MIXER_OBJECTF_MIXER;
      break;
    }
    MMRESULT r = DeviceApi().MixerGetID(
        reinterpret_cast<HMIXEROBJ>(static_cast<INT_PTR>(FDevice->DeviceId())), &id, flag);
    // Wine answers "invalid handle" for the mapper and absent devices: as "no driver".
    if (r == MMSYSERR_NODRIVER || r == MMSYSERR_INVALHANDLE)
      id = static_cast<UINT>(badDeviceId);
    else
      MMCheck(r);
    if (id >= static_cast<UINT>(badDeviceId)) id = static_cast<UINT>(badDeviceId);
    FDeviceId = static_cast<TMMDeviceId>(id);
  }
  TMMCustomAudioDevice::Changed();
}

bool TMMMixerDevice::MixerLineChangeWindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != MM_MIXM_LINE_CHANGE && msg != MM_MIXM_CONTROL_CHANGE) return false;
  result = 0;
  if (reinterpret_cast<HMIXER>(wp) != FHandle || !FHandle) return true;
  GuardVoid([&] {
    if (msg == MM_MIXM_LINE_CHANGE)
      LineChange(static_cast<TMMLineId>(lp));
    else
      ControlChange(static_cast<TMMControlId>(lp));
  });
  return true;
}

void TMMMixerDevice::LineChange(TMMLineId lineId) {
  TMMLineChange change(lineId);
  FLineObservable->NotifyObservers(&change);
  if (OnLineChange) OnLineChange(this, lineId);
}

void TMMMixerDevice::ControlChange(TMMControlId controlId) {
  // The system may not say which line the control is on (Wine never does): then the notice
  // goes out with line -1 and each line asks whether the control is its own.
  TMMLineId lineId = badLineId;
  MIXERLINECONTROLSA query;
  MIXERCONTROLA control;
  memset(&query, 0, sizeof query);
  memset(&control, 0, sizeof control);
  query.cbStruct = sizeof query;
  query.dwControlID = static_cast<DWORD>(controlId);
  query.cControls = 1;
  query.cbmxctrl = sizeof control;
  query.pamxctrl = &control;
  if (DeviceApi().MixerGetLineControls(MixerObject(MixerId()), &query,
                                       MIXER_GETLINECONTROLSF_ONEBYID | MIXER_OBJECTF_MIXER) ==
          MMSYSERR_NOERROR &&
      control.dwControlID == static_cast<DWORD>(controlId))
    lineId = static_cast<TMMLineId>(query.dwLineID);
  TMMControlChange change(lineId, controlId);
  FLineObservable->NotifyObservers(&change);
  if (OnControlChange) OnControlChange(this, lineId, controlId);
}

void TMMMixerDevice::Notification(TComponent* component, TOperation operation) {
  TMMCustomAudioDevice::Notification(component, operation);
  if (operation == opRemove && component == FDevice) {
    RemoveObserver(FDeviceObserver->Subject(), FDeviceObserver.get());
    FDevice = nullptr;
  }
}

// --- TMMAudioLine ----------------------------------------------------------------------------

TMMAudioLine::TMMAudioLine(TComponent* AOwner)
    : TMMComponent(AOwner), FLineInfo(new TMMLineInfo), FMixerObserver(new TMMObserver),
      FDeviceObserver(new TMMObserver), FTargetObserver(new TMMObserver),
      FDestObserver(new TMMObserver), FObservable(new TMMObservable) {
  RegisterMMMixer();
  FMixerObserver->OnUpdate = [this](TObject*, TObject* data) { MixerNotice(data); };
  // A device switch must re-resolve the line on the new mixer.
  FDeviceObserver->OnUpdate = [this](TObject*, TObject*) { ResolveLine(); };
  FTargetObserver->OnUpdate = [this](TObject*, TObject*) { ResolveLine(); };
  FDestObserver->OnUpdate = [this](TObject*, TObject* data) {
    if (dynamic_cast<TMMLineIdChange*>(data)) ResolveLine();
  };
}

TMMAudioLine::~TMMAudioLine() {
  Destroying();
}

void TMMAudioLine::SetMixer(TMMMixerDevice* value) {
  if (value == FMixer) return;
  if (FMixer) RemoveFreeNotification(FMixer);
  FMixer = value;
  if (FMixer) {
    FMixer->LineObservable()->AddObserver(FMixerObserver.get());
    FMixer->DeviceObservable()->AddObserver(FDeviceObserver.get());
    Watch(this, FMixer);
  } else {
    RemoveObserver(FMixerObserver->Subject(), FMixerObserver.get());
    RemoveObserver(FDeviceObserver->Subject(), FDeviceObserver.get());
  }
  ResolveLine();
}

void TMMAudioLine::SetLineId(TMMLineId value) {
  FFindBy = fbId;
  FLineId = value;
  ResolveLine();
}

void TMMAudioLine::SetComponentType(TMMComponentType value) {
  FFindBy = fbType;
  FComponentType = value;
  ResolveLine();
}

void TMMAudioLine::SetTarget(TMMCustomAudioDevice* value) {
  if (dynamic_cast<TMMMixerDevice*>(value)) throw EMMMixerDeviceError(Text(MMS_CANT_TARGET_MIXER));
  if (FTarget) RemoveFreeNotification(FTarget);
  FFindBy = fbTarget;
  FTarget = value;
  if (FTarget) {
    FTarget->DeviceObservable()->AddObserver(FTargetObserver.get());
    Watch(this, FTarget);
  } else
    RemoveObserver(FTargetObserver->Subject(), FTargetObserver.get());
  ResolveLine();
}

void TMMAudioLine::SetDestLine(TMMComponent* value) {
  TMMAudioLine* line = dynamic_cast<TMMAudioLine*>(value);
  if (value && !line) throw EMMMixerDeviceError(Text(MMS_DESTLINE_AUDIOLINE));
  if (FDestLine) RemoveFreeNotification(FDestLine);
  FDestLine = value;
  if (line) {
    line->Observable()->AddObserver(FDestObserver.get());
    Watch(this, line);
  } else
    RemoveObserver(FDestObserver->Subject(), FDestObserver.get());
  ResolveLine();
}

bool TMMAudioLine::Valid() const {
  return FMixer && FMixer->Valid() && FLineId != badLineId;
}

bool TMMAudioLine::Lookup(MIXERLINEA& line, DWORD flags) {
  line.cbStruct = sizeof line;
  MMRESULT r = DeviceApi().MixerGetLineInfo(MixerObject(FMixer->MixerId()), &line,
                                            flags | MIXER_OBJECTF_MIXER);
  if (LineNotFound(r)) return false;
  MMCheck(r);
  return true;
}

bool TMMAudioLine::FindLine(MIXERLINEA& line) {
  auto fillTarget = [this](MIXERLINEA& l) {
    const DWORD types[] = {MIXERLINE_TARGETTYPE_MIDIIN, MIXERLINE_TARGETTYPE_MIDIOUT,
                           MIXERLINE_TARGETTYPE_WAVEIN, MIXERLINE_TARGETTYPE_WAVEOUT,
                           MIXERLINE_TARGETTYPE_AUX,    MIXERLINE_TARGETTYPE_UNDEFINED};
    l.Target.dwType = types[FTarget->DeviceType()];
    l.Target.wMid = FTarget->DeviceCaps()->ManufacturerId();
    l.Target.wPid = FTarget->DeviceCaps()->ProductId();
    l.Target.vDriverVersion = FTarget->DeviceCaps()->DriverVersion();
    strncpy(l.Target.szPname, FTarget->DeviceCaps()->ProductName().c_str(), MAXPNAMELEN - 1);
  };
  memset(&line, 0, sizeof line);
  switch (FFindBy) {
  case fbId:
    if (FLineId == badLineId) return false;
    line.dwLineID = static_cast<DWORD>(FLineId);
    return Lookup(line, MIXER_GETLINEINFOF_LINEID);
  case fbType:
    line.dwComponentType = ComponentTypeToApi(FComponentType);
    return Lookup(line, MIXER_GETLINEINFOF_COMPONENTTYPE);
  case fbTarget:
    if (!FTarget) return false;
    fillTarget(line);
    return Lookup(line, MIXER_GETLINEINFOF_TARGETTYPE);
  }
  return false;
}

void TMMAudioLine::ResolveLine() {
  if (LoadingOrReading(this) || ComponentState().Contains(csDestroying)) return;
  FDestIndex = -1;
  if (FMixer && FMixer->Valid()) {
    MIXERLINEA line;
    bool found = false;
    TMMAudioLine* dest = dynamic_cast<TMMAudioLine*>(FDestLine);
    if (!dest) {
      found = FindLine(line);
    } else if (dest->Mixer() == FMixer && dest->LineId() != badLineId && dest->DestIndex() >= 0) {
      found = FindLine(line);
      if (found && static_cast<TMMLineId>(line.dwDestination) != dest->DestIndex()) {
        found = false;
        if (FFindBy != fbId) {
          const DWORD wantType = line.dwComponentType;
          const MIXERLINEA wanted = line;
          for (int j = 0; j < dest->Connections() && !found; ++j) {
            MIXERLINEA source;
            memset(&source, 0, sizeof source);
            source.dwDestination = static_cast<DWORD>(dest->DestIndex());
            source.dwSource = static_cast<DWORD>(j);
            if (!Lookup(source, MIXER_GETLINEINFOF_SOURCE)) continue;
            if (FFindBy == fbType)
              found = source.dwComponentType == wantType;
            else
              found = source.Target.dwType == wanted.Target.dwType &&
                      source.Target.wMid == wanted.Target.wMid &&
                      source.Target.wPid == wanted.Target.wPid &&
                      source.Target.vDriverVersion == wanted.Target.vDriverVersion &&
                      strncmp(source.Target.szPname, wanted.Target.szPname, MAXPNAMELEN) == 0;
            if (found) line = source;
          }
        }
      }
    }
    if (found) {
      FLineId = static_cast<TMMLineId>(line.dwLineID);
      FComponentType = ApiToComponentType(line.dwComponentType);
      FLineInfo->SetFrom(line);
      FDestIndex =
          (line.fdwLine & MIXERLINE_LINEF_SOURCE) ? -1 : static_cast<int>(line.dwDestination);
    } else {
      FLineId = badLineId;
      FLineInfo->Clear();
    }
  } else
    FLineInfo->Clear();
  LineIdChanged();
}

TMMLineId TMMAudioLine::ConnectionId(int index) {
  if (index < 0 || index >= Connections())
    throw EMMAudioLineError(Text(MMS_CONNECTION_INDEX_RANGE));
  if (!FMixer || !FMixer->Valid()) return badLineId;
  MIXERLINEA line;
  memset(&line, 0, sizeof line);
  line.dwDestination = static_cast<DWORD>(std::max(FDestIndex, 0));
  line.dwSource = static_cast<DWORD>(index);
  line.cbStruct = sizeof line;
  if (DeviceApi().MixerGetLineInfo(MixerObject(FMixer->MixerId()), &line,
                                   MIXER_GETLINEINFOF_SOURCE | MIXER_OBJECTF_MIXER) !=
      MMSYSERR_NOERROR)
    return badLineId;
  return static_cast<TMMLineId>(line.dwLineID);
}

bool TMMAudioLine::OwnsControl(TMMControlId controlId) {
  if (!Valid()) return false;
  MIXERLINECONTROLSA query;
  MIXERCONTROLA control;
  memset(&query, 0, sizeof query);
  memset(&control, 0, sizeof control);
  query.cbStruct = sizeof query;
  query.dwLineID = static_cast<DWORD>(FLineId);
  query.dwControlID = static_cast<DWORD>(controlId);
  query.cControls = 1;
  query.cbmxctrl = sizeof control;
  query.pamxctrl = &control;
  return DeviceApi().MixerGetLineControls(MixerObject(FMixer->MixerId()), &query,
                                          MIXER_GETLINECONTROLSF_ONEBYID | MIXER_OBJECTF_MIXER) ==
             MMSYSERR_NOERROR &&
         control.dwControlID == static_cast<DWORD>(controlId) &&
         static_cast<TMMLineId>(query.dwLineID) == FLineId;
}

void TMMAudioLine::MixerNotice(TObject* data) {
  if (auto* c = dynamic_cast<TMMControlChange*>(data)) {
    if (FLineId == badLineId) return;
    if (c->LineId == FLineId || (c->LineId == badLineId && OwnsControl(c->ControlId)))
      ControlChanged(c->ControlId);
  } else if (auto* l = dynamic_cast<TMMLineChange*>(data)) {
    if (l->LineId == FLineId && FLineId != badLineId) LineChanged();
  }
}

void TMMAudioLine::LineChanged() {
  TMMLineChange change(FLineId);
  FObservable->NotifyObservers(&change);
  if (OnChange) OnChange(this);
}

void TMMAudioLine::LineIdChanged() {
  TMMLineIdChange change;
  FObservable->NotifyObservers(&change);
}

void TMMAudioLine::ControlChanged(TMMControlId controlId) {
  TMMControlChange change(FLineId, controlId);
  FObservable->NotifyObservers(&change);
  if (OnControlChange) OnControlChange(this, FLineId, controlId);
}

void TMMAudioLine::Loaded() {
  TMMComponent::Loaded();
  ResolveLine();
}

void TMMAudioLine::Notification(TComponent* component, TOperation operation) {
  TMMComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  if (component == FMixer) SetMixer(nullptr);
  if (component == FTarget) {
    RemoveObserver(FTargetObserver->Subject(), FTargetObserver.get());
    FTarget = nullptr;
    ResolveLine();
  }
  if (component == FDestLine) {
    RemoveObserver(FDestObserver->Subject(), FDestObserver.get());
    FDestLine = nullptr;
    ResolveLine();
  }
}

// --- TMMCustomMixerControl -------------------------------------------------------------------

TMMCustomMixerControl::TMMCustomMixerControl(TComponent* AOwner)
    : TMMComponent(AOwner), FControlInfo(new TMMControlInfo), FLineObserver(new TMMObserver),
      FObservable(new TMMObservable) {
  RegisterMMMixer();
  FLineObserver->OnUpdate = [this](TObject*, TObject* data) { LineNotice(data); };
}

TMMCustomMixerControl::~TMMCustomMixerControl() {
  Destroying();
}

void TMMCustomMixerControl::SetAudioLine(TMMAudioLine* value) {
  if (value == FAudioLine) return;
  if (FAudioLine) RemoveFreeNotification(FAudioLine);
  FAudioLine = value;
  if (FAudioLine) {
    FAudioLine->Observable()->AddObserver(FLineObserver.get());
    Watch(this, FAudioLine);
  } else
    RemoveObserver(FLineObserver->Subject(), FLineObserver.get());
  ResolveControl();
}

void TMMCustomMixerControl::SetControlId(TMMControlId value) {
  FFindBy = fbId;
  FControlId = value;
  ResolveControl();
}

void TMMCustomMixerControl::SetControlType(TMMControlType value) {
  FFindBy = fbType;
  FControlType = value;
  ResolveControl();
}

void TMMCustomMixerControl::ClearControl() {
  FControlId = badControlId;
  FControlInfo->Clear();
}

void TMMCustomMixerControl::ResolveControl() {
  if (!LoadingOrReading(this) && !ComponentState().Contains(csDestroying)) {
    bool found = false;
    if (FAudioLine && FAudioLine->Valid() && !(FFindBy == fbId && FControlId == badControlId)) {
      MIXERLINECONTROLSA query;
      MIXERCONTROLA control;
      memset(&query, 0, sizeof query);
      memset(&control, 0, sizeof control);
      query.cbStruct = sizeof query;
      // Wine's look-up by identifier also wants the line named.
      query.dwLineID = static_cast<DWORD>(FAudioLine->LineId());
      query.cControls = 1;
      query.cbmxctrl = sizeof control;
      query.pamxctrl = &control;
      DWORD flags = MIXER_OBJECTF_MIXER;
      if (FFindBy == fbId) {
        query.dwControlID = static_cast<DWORD>(FControlId);
        flags |= MIXER_GETLINECONTROLSF_ONEBYID;
      } else {
        query.dwControlType = ControlTypeToApi(FControlType);
        flags |= MIXER_GETLINECONTROLSF_ONEBYTYPE;
      }
      MMRESULT r = DeviceApi().MixerGetLineControls(MixerObject(FAudioLine->Mixer()->MixerId()),
                                                    &query, flags);
      if (!ControlNotFound(r)) {
        MMCheck(r);
        if (AcceptControl(control)) {
          found = true;
          FControlId = static_cast<TMMControlId>(control.dwControlID);
          FControlType = ApiToControlType(control.dwControlType);
          FControlInfo->SetFrom(control);
        }
      }
    }
    if (!found) ClearControl();
  }
  FControlClass = ControlClassOf(ControlTypeToApi(FControlType));
  if (!LoadingOrReading(this)) ControlIdChanged();
}

void TMMCustomMixerControl::LineNotice(TObject* data) {
  if (auto* c = dynamic_cast<TMMControlChange*>(data)) {
    if (FAudioLine && c->LineId == FAudioLine->LineId() && c->ControlId == FControlId &&
        FControlId != badControlId)
      ValueChanged();
  } else if (dynamic_cast<TMMLineIdChange*>(data))
    ResolveControl();
}

void TMMCustomMixerControl::ValueChanged() {
  TMMControlChange change(FAudioLine && FAudioLine->Valid() ? FAudioLine->LineId() : badLineId,
                          FControlId);
  FObservable->NotifyObservers(&change);
  if (OnChange) OnChange(this);
}

void TMMCustomMixerControl::ControlIdChanged() {
  TMMControlIdChange change;
  FObservable->NotifyObservers(&change);
}

bool TMMCustomMixerControl::IsValid() {
  return FAudioLine && FAudioLine->Valid() && FControlId != badControlId;
}

bool TMMCustomMixerControl::AcceptControl(const MIXERCONTROLA&) {
  return true;
}

int TMMCustomMixerControl::GetChannels() {
  if (!FAudioLine || !FAudioLine->Mixer()) return 0;
  if (ControlInfo()->Flags().Contains(cfUniform)) return 1;
  return static_cast<int>(FAudioLine->LineInfo()->Channels());
}

int TMMCustomMixerControl::GetItems() {
  if (!FAudioLine || !FAudioLine->Mixer()) return 0;
  return ControlInfo()->MultipleItems();
}

void TMMCustomMixerControl::CheckAccess() {
  if (!FAudioLine || !FAudioLine->Mixer() || !FAudioLine->Mixer()->Valid())
    throw EMMDeviceError(Text(MMS_MIXER_REQUIRED));
  if (FControlId == badControlId) throw EMMDeviceError(Text(MMS_CONTROL_NOT_VALID));
}

UINT TMMCustomMixerControl::MixerIdOfLine() {
  return FAudioLine->Mixer()->MixerId();
}

std::vector<int32_t> TMMCustomMixerControl::ReadDetails(int channels, int items) {
  // Wine answers some controls with success and leaves the buffer as it was: start from zero.
  std::vector<int32_t> values(static_cast<size_t>(std::max(items, 1) * std::max(channels, 1)), 0);
  MIXERCONTROLDETAILS d;
  memset(&d, 0, sizeof d);
  d.cbStruct = sizeof d;
  d.dwControlID = static_cast<DWORD>(FControlId);
  d.cChannels = static_cast<DWORD>(std::max(channels, 1));
  d.cMultipleItems = static_cast<DWORD>(items);
  d.cbDetails = 4;
  d.paDetails = values.data();
  MMCheck(DeviceApi().MixerGetControlDetails(MixerObject(MixerIdOfLine()), &d,
                                             MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_MIXER));
  return values;
}

void TMMCustomMixerControl::WriteDetails(std::vector<int32_t>& values, int channels, int items) {
  MIXERCONTROLDETAILS d;
  memset(&d, 0, sizeof d);
  d.cbStruct = sizeof d;
  d.dwControlID = static_cast<DWORD>(FControlId);
  d.cChannels = static_cast<DWORD>(std::max(channels, 1));
  d.cMultipleItems = static_cast<DWORD>(items);
  d.cbDetails = 4;
  d.paDetails = values.data();
  MMCheck(DeviceApi().MixerSetControlDetails(MixerObject(MixerIdOfLine()), &d,
                                             MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_MIXER));
}

void TMMCustomMixerControl::Layout(TMMChannel channel, TMMItemIndex item, int& channels, int& items,
                                   int& index) {
  CheckAccess();
  channels = channel == chBoth ? 1 : GetChannels();
  items = item == NoItem ? 0 : GetItems();
  if (item != NoItem && (item < 0 || item >= items))
    throw EMMMixerControlError(Text(MMS_ITEM_INDEX_RANGE));
  const int i = std::max(item, 0);
  if (channels >= 2)
    index = i * channels + (channel == chRight ? 1 : 0);
  else
    index = i;
}

bool TMMCustomMixerControl::GetBoolean() {
  return GetBooleanAt(chBoth, NoItem);
}
void TMMCustomMixerControl::SetBoolean(bool value) {
  SetBooleanAt(chBoth, NoItem, value);
}
uint32_t TMMCustomMixerControl::GetUnsigned() {
  return static_cast<uint32_t>(GetSignedAt(chBoth, NoItem));
}
void TMMCustomMixerControl::SetUnsigned(uint32_t value) {
  TMMCustomMixerControl::SetUnsignedAt(chBoth, NoItem, value);
}
int32_t TMMCustomMixerControl::GetSigned() {
  return TMMCustomMixerControl::GetSignedAt(chBoth, NoItem);
}
void TMMCustomMixerControl::SetSigned(int32_t value) {
  TMMCustomMixerControl::SetSignedAt(chBoth, NoItem, value);
}

int32_t TMMCustomMixerControl::GetSignedAt(TMMChannel channel, TMMItemIndex item) {
  int channels, items, index;
  Layout(channel, item, channels, items, index);
  return ReadDetails(channels, items)[static_cast<size_t>(index)];
}

void TMMCustomMixerControl::SetSignedAt(TMMChannel channel, TMMItemIndex item, int32_t value) {
  int channels, items, index;
  Layout(channel, item, channels, items, index);
  std::vector<int32_t> values = ReadDetails(channels, items);
  values[static_cast<size_t>(index)] = value;
  WriteDetails(values, channels, items);
}

uint32_t TMMCustomMixerControl::GetUnsignedAt(TMMChannel channel, TMMItemIndex item) {
  return static_cast<uint32_t>(TMMCustomMixerControl::GetSignedAt(channel, item));
}

void TMMCustomMixerControl::SetUnsignedAt(TMMChannel channel, TMMItemIndex item, uint32_t value) {
  TMMCustomMixerControl::SetSignedAt(channel, item, static_cast<int32_t>(value));
}

bool TMMCustomMixerControl::GetBooleanAt(TMMChannel channel, TMMItemIndex item) {
  return (TMMCustomMixerControl::GetSignedAt(channel, item) & 0xFF) != 0;
}

void TMMCustomMixerControl::SetBooleanAt(TMMChannel channel, TMMItemIndex item, bool value) {
  int channels, items, index;
  Layout(channel, item, channels, items, index);
  std::vector<int32_t> values = ReadDetails(channels, items);
  const DWORD type = ControlTypeToApi(FControlType);
  if (items > 0 && (type & MIXERCONTROL_CT_SUBCLASS_MASK) == 0) {
    // A single-select list: choosing one item clears the others of the channel.
    const int step = channels >= 2 ? channels : 1;
    const int offset = channels >= 2 ? index % channels : 0;
    for (int j = 0; j < items; ++j)
      values[static_cast<size_t>(j * step + offset)] = 0;
  }
  values[static_cast<size_t>(index)] = value ? 1 : 0;
  WriteDetails(values, channels, items);
}

void TMMCustomMixerControl::ItemInfo(int index, uint32_t& param1, uint32_t& param2,
                                     std::string& name) {
  CheckAccess();
  if (!ControlInfo()->Flags().Contains(cfMultiple))
    throw EMMMixerControlError(Text(MMS_ITEM_INFO_NOT_MULTIPLE));
  const int items = GetItems();
  if (index < 0 || index >= items) throw EMMMixerControlError(Text(MMS_ITEM_INDEX_RANGE));
  const int channels = std::max(GetChannels(), 1);
  std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(static_cast<size_t>(items * channels));
  memset(texts.data(), 0, texts.size() * sizeof texts[0]);
  MIXERCONTROLDETAILS d;
  memset(&d, 0, sizeof d);
  d.cbStruct = sizeof d;
  d.dwControlID = static_cast<DWORD>(FControlId);
  d.cChannels = static_cast<DWORD>(channels);
  d.cMultipleItems = static_cast<DWORD>(items);
  d.cbDetails = sizeof texts[0];
  d.paDetails = texts.data();
  MMCheck(DeviceApi().MixerGetControlDetails(
      MixerObject(MixerIdOfLine()), &d, MIXER_GETCONTROLDETAILSF_LISTTEXT | MIXER_OBJECTF_MIXER));
  const auto& t = texts[static_cast<size_t>(index)];
  param1 = t.dwParam1;
  param2 = t.dwParam2;
  name = FixedText(t.szName, MIXER_LONG_NAME_CHARS);
}

TMMItemIndex TMMCustomMixerControl::ItemOfLine(TMMAudioLine* line) {
  if (!line || !IsValid() || !ControlInfo()->Flags().Contains(cfMultiple) ||
      (FControlType != ctMixer && FControlType != ctMux))
    return NoItem;
  for (int i = 0; i < GetItems(); ++i) {
    uint32_t p1, p2;
    std::string name;
    ItemInfo(i, p1, p2, name);
    if (static_cast<TMMLineId>(p1) == line->LineId()) return i;
  }
  return NoItem;
}

void TMMCustomMixerControl::Loaded() {
  TMMComponent::Loaded();
  ResolveControl();
}

void TMMCustomMixerControl::Notification(TComponent* component, TOperation operation) {
  TMMComponent::Notification(component, operation);
  if (operation == opRemove && component && component == FAudioLine) SetAudioLine(nullptr);
}

// --- TMMVolumeControl ------------------------------------------------------------------------

TMMVolumeControl::TMMVolumeControl(TComponent* AOwner) : TMMCustomMixerControl(AOwner) {
  SetControlType(ctVolume);
}

double TMMVolumeControl::Factor(TMMChannel channel) const {
  if (channel == chLeft) return FPanValue <= 0 ? 1.0 : (32767.0 - FPanValue) / 32767.0;
  return FPanValue >= 0 ? 1.0 : (FPanValue + 32768.0) / 32768.0;
}

void TMMVolumeControl::SetPanValue(int32_t value) {
  if (value == FPanValue) return;
  if (!IsValid()) {
    FPanValue = value;
    return;
  }
  // Re-apply the present whole value under the new pan: read it before the pan moves.
  const int32_t whole = std::max(TMMCustomMixerControl::GetSignedAt(chLeft, NoItem),
                                 TMMCustomMixerControl::GetSignedAt(chRight, NoItem));
  FPanValue = value;
  SetSigned(whole);
}

void TMMVolumeControl::SetUnsigned(uint32_t value) {
  SetUnsignedAt(chBoth, NoItem, value);
}

void TMMVolumeControl::SetSigned(int32_t value) {
  SetSignedAt(chBoth, NoItem, value);
}

bool TMMVolumeControl::AcceptControl(const MIXERCONTROLA& control) {
  return control.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME;
}

void TMMVolumeControl::SetSignedAt(TMMChannel channel, TMMItemIndex item, int32_t value) {
  if (channel != chBoth || GetChannels() < 2) {
    TMMCustomMixerControl::SetSignedAt(channel, item, value);
    return;
  }
  int channels, items, index;
  Layout(chLeft, item, channels, items, index);
  std::vector<int32_t> values = ReadDetails(channels, items);
  values[static_cast<size_t>(index)] = static_cast<int32_t>(std::lround(value * Factor(chLeft)));
  values[static_cast<size_t>(index + 1)] =
      static_cast<int32_t>(std::lround(value * Factor(chRight)));
  WriteDetails(values, channels, items);
}

void TMMVolumeControl::SetUnsignedAt(TMMChannel channel, TMMItemIndex item, uint32_t value) {
  if (channel != chBoth || GetChannels() < 2) {
    TMMCustomMixerControl::SetSignedAt(channel, item, static_cast<int32_t>(value));
    return;
  }
  int channels, items, index;
  Layout(chLeft, item, channels, items, index);
  std::vector<int32_t> values = ReadDetails(channels, items);
  values[static_cast<size_t>(index)] =
      static_cast<int32_t>(static_cast<uint32_t>(std::llround(value * Factor(chLeft))));
  values[static_cast<size_t>(index + 1)] =
      static_cast<int32_t>(static_cast<uint32_t>(std::llround(value * Factor(chRight))));
  WriteDetails(values, channels, items);
}

// --- TMMPanControl ---------------------------------------------------------------------------

TMMPanControl::TMMPanControl(TComponent* AOwner)
    : TMMCustomMixerControl(AOwner), FSimInfo(new TMMControlInfo),
      FVolumeObserver(new TMMObserver) {
  FSimInfo->SetSimulatedPan();
  FVolumeObserver->OnUpdate = [this](TObject*, TObject* data) { VolumeNotice(data); };
  SetControlType(ctPan);
}

TMMPanControl::~TMMPanControl() {
  Destroying();
}

void TMMPanControl::SetVolumeControl(TMMVolumeControl* value) {
  if (value == FVolumeControl) return;
  if (FVolumeControl) {
    FVolumeControl->SetPanField(0);
    RemoveFreeNotification(FVolumeControl);
  }
  FVolumeControl = value;
  if (FVolumeControl) {
    FVolumeControl->Observable()->AddObserver(FVolumeObserver.get());
    Watch(this, FVolumeControl);
  } else
    RemoveObserver(FVolumeObserver->Subject(), FVolumeObserver.get());
  ResolveControl();
}

void TMMPanControl::SetSimulate(bool value) {
  if (value == FSimulate) return;
  FSimulate = value;
  ResolveControl();
}

TMMControlInfo* TMMPanControl::ControlInfo() const {
  return FSimulated ? FSimInfo.get() : FControlInfo.get();
}

void TMMPanControl::ComputePan() {
  const int32_t l = FVolumeControl->TMMCustomMixerControl::GetSignedAt(chLeft, NoItem);
  const int32_t r = FVolumeControl->TMMCustomMixerControl::GetSignedAt(chRight, NoItem);
  if (l == 0 && r != 0)
    FSimPan = 32767;
  else if (r == 0 && l != 0)
    FSimPan = -32768;
  else if (l != 0 && r != 0)
    FSimPan =
        static_cast<int32_t>(std::lround((static_cast<double>(r) - l) * 32767.0 / std::max(l, r)));
  FVolumeControl->SetPanField(FSimPan);
}

void TMMPanControl::ResolveControl() {
  if (LoadingOrReading(this) || ComponentState().Contains(csDestroying)) {
    TMMCustomMixerControl::ResolveControl();
    return;
  }
  // The real control first; without one, a two-channel volume stands in for it.
  const bool wasSimulated = FSimulated;
  FSimulated = false;
  TMMCustomMixerControl::ResolveControl();
  bool simulate = false;
  if (!TMMCustomMixerControl::IsValid() && FSimulate && FVolumeControl &&
      FVolumeControl->IsValid() && !FVolumeControl->ControlInfo()->Flags().Contains(cfUniform) &&
      FVolumeControl->GetChannels() > 1)
    simulate = true;
  FSimulated = simulate;
  if (simulate != wasSimulated || simulate) {
    if (simulate) {
      ComputePan();
      ControlIdChanged();
      ValueChanged();
    } else
      ControlIdChanged();
  }
  if (FVolumeControl) FVolumeControl->SetPanField(FSimulated ? FSimPan : 0);
}

bool TMMPanControl::IsValid() {
  return FSimulated || TMMCustomMixerControl::IsValid();
}

bool TMMPanControl::AcceptControl(const MIXERCONTROLA& control) {
  return control.dwControlType == MIXERCONTROL_CONTROLTYPE_PAN;
}

int TMMPanControl::GetChannels() {
  return 1;
}

int TMMPanControl::GetItems() {
  return 0;
}

int32_t TMMPanControl::GetSigned() {
  return GetSignedAt(chBoth, NoItem);
}

void TMMPanControl::SetSigned(int32_t value) {
  SetSignedAt(chBoth, NoItem, value);
}

int32_t TMMPanControl::GetSignedAt(TMMChannel channel, TMMItemIndex item) {
  if (FSimulated) return FSimPan;
  return TMMCustomMixerControl::GetSignedAt(channel, item);
}

void TMMPanControl::SetSignedAt(TMMChannel channel, TMMItemIndex item, int32_t value) {
  if (!FSimulated) {
    TMMCustomMixerControl::SetSignedAt(channel, item, value);
    return;
  }
  FSimPan = std::clamp<int32_t>(value, -32768, 32767);
  FVolumeControl->SetPanValue(FSimPan);
}

void TMMPanControl::VolumeNotice(TObject* data) {
  if (dynamic_cast<TMMControlIdChange*>(data))
    ResolveControl();
  else if (dynamic_cast<TMMControlChange*>(data) && FSimulated) {
    ComputePan();
    ValueChanged();
  }
}

void TMMPanControl::Notification(TComponent* component, TOperation operation) {
  TMMCustomMixerControl::Notification(component, operation);
  if (operation == opRemove && component && component == FVolumeControl) {
    // The volume control is going: no pan to reset on it.
    RemoveObserver(FVolumeObserver->Subject(), FVolumeObserver.get());
    FVolumeControl = nullptr;
    ResolveControl();
  }
}

// --- registration ----------------------------------------------------------------------------

void RegisterMMMixer() {
  RegisterMMBaseClasses();
  if (FindMMClass("TMMMixerDevice")) return;
  RegisterIntegerConsts("TMMLineId", {{"badLineId", badLineId}});
  RegisterIntegerConsts("TMMControlId", {{"badControlId", badControlId}});
  RegisterIntegerConsts("TMMItemIndex", {{"NoItem", NoItem}});
  using K = TMMPropKind;
  TMMClassInfo& d = RegisterMMClass<TMMMixerDevice>("TMMMixerDevice", "");
  {
    TMMPropInfo active;
    active.Name = "Active";
    active.Kind = K::pkBoolean;
    active.GetOrd = [](TObject* o) { return int64_t(static_cast<TMMMixerDevice*>(o)->Active()); };
    active.SetOrd = [](TObject* o, int64_t v) { static_cast<TMMMixerDevice*>(o)->SetActive(v); };
    active.HasDefault = true;
    TMMPropInfo id;
    id.Name = "DeviceId";
    id.TypeName = "TMMDeviceId";
    id.GetOrd = [](TObject* o) { return int64_t(static_cast<TMMMixerDevice*>(o)->DeviceId()); };
    id.SetOrd = [](TObject* o, int64_t v) {
      static_cast<TMMMixerDevice*>(o)->SetDeviceId(static_cast<TMMDeviceId>(v));
    };
    id.Stored = [](TObject* o) {
      auto* m = static_cast<TMMMixerDevice*>(o);
      return m->Device() ? true : m->DeviceId() != 0;
    };
    d.Props = {RefProp("Device", &TMMMixerDevice::Device, &TMMMixerDevice::SetDevice), id, active};
    d.Events = {"OnChange", "OnLineChange", "OnControlChange"};
  }
  TMMClassInfo& l = RegisterMMClass<TMMAudioLine>("TMMAudioLine", "");
  {
    TMMPropInfo id =
        OrdProp("LineId", K::pkInteger, &TMMAudioLine::LineId, &TMMAudioLine::SetLineId, badLineId);
    id.TypeName = "TMMLineId";
    id.Stored = [](TObject* o) {
      auto* a = static_cast<TMMAudioLine*>(o);
      return a->FindBy() == TMMAudioLine::fbId && a->LineId() != badLineId;
    };
    TMMPropInfo type = OrdProp("ComponentType", K::pkEnum, &TMMAudioLine::ComponentType,
                               &TMMAudioLine::SetComponentType, ctDstDigital);
    type.Stored = [](TObject* o) {
      auto* a = static_cast<TMMAudioLine*>(o);
      return a->FindBy() == TMMAudioLine::fbType && a->ComponentType() != ctDstDigital;
    };
    l.Props = {RefProp("Mixer", &TMMAudioLine::Mixer, &TMMAudioLine::SetMixer), id, type,
               RefProp("Target", &TMMAudioLine::Target, &TMMAudioLine::SetTarget),
               RefProp("DestLine", &TMMAudioLine::DestLine, &TMMAudioLine::SetDestLine)};
    l.Events = {"OnChange", "OnControlChange"};
  }
  TMMClassInfo& c = RegisterMMClass<TMMCustomMixerControl>("TMMCustomMixerControl", "");
  {
    using C = TMMCustomMixerControl;
    TMMPropInfo id =
        OrdProp("ControlId", K::pkInteger, &C::ControlId, &C::SetControlId, badControlId);
    id.TypeName = "TMMControlId";
    c.Props = {RefProp("AudioLine", &C::AudioLine, &C::SetAudioLine), id};
    c.Events = {"OnChange"};
  }
  RegisterMMClass<TMMMixerControl>("TMMMixerControl", "TMMCustomMixerControl").Props = {
      OrdProp("ControlType", K::pkEnum, &TMMCustomMixerControl::ControlType,
              &TMMCustomMixerControl::SetControlType, ctCustom)};
  RegisterMMClass<TMMVolumeControl>("TMMVolumeControl", "TMMCustomMixerControl").Props = {OrdProp(
      "PanValue", K::pkInteger, &TMMVolumeControl::PanValue, &TMMVolumeControl::SetPanValue, 0)};
  RegisterMMClass<TMMPanControl>("TMMPanControl", "TMMCustomMixerControl").Props = {
      RefProp("VolumeControl", &TMMPanControl::VolumeControl, &TMMPanControl::SetVolumeControl),
      OrdProp("Simulate", K::pkBoolean, &TMMPanControl::Simulate, &TMMPanControl::SetSimulate, 1)};
}
