// The tests' stand-in sound card.
#include "StandInMixer.h"
#include <cstring>

namespace {
const HMIXER StandInHandle = reinterpret_cast<HMIXER>(0x5150);
}

TStandInMixer::TStandInMixer(int playbackSources, int mixers, bool playbackList) : FMixers(mixers) {
  DWORD nextControl = 100;
  auto control = [&](DWORD line, DWORD type, DWORD flags, int channels, int items, LONG mn, LONG mx,
                     const char* name) {
    TControlRec c{nextControl++, line, type, flags, channels, items, mn, mx, 0, name, {}};
    c.Values.assign(static_cast<size_t>(std::max(items, 1) * channels), 0);
    FControls.push_back(c);
  };
  const DWORD speakers = 0xFFFF0000, wavein = 0xFFFF0001;
  FLines.push_back({speakers, 0, 0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_LINEF_ACTIVE, 2,
                    playbackSources, "Stand-in speakers"});
  control(speakers, MIXERCONTROL_CONTROLTYPE_VOLUME, 0, 2, 0, 0, 65535, "Master volume");
  control(speakers, MIXERCONTROL_CONTROLTYPE_MUTE, MIXERCONTROL_CONTROLF_UNIFORM, 1, 0, 0, 1,
          "Master mute");
  if (playbackList)
    control(speakers, MIXERCONTROL_CONTROLTYPE_MIXER,
            MIXERCONTROL_CONTROLF_MULTIPLE | MIXERCONTROL_CONTROLF_UNIFORM, 1, playbackSources, 0,
            1, "Playback mixer");
  const DWORD playTypes[] = {
      MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER,
      MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_COMPONENTTYPE_SRC_LINE};
  const char* playNames[] = {"Wave", "Synth", "CD audio", "Line in"};
  for (int j = 0; j < playbackSources; ++j) {
    const DWORD id = static_cast<DWORD>(j);
    FLines.push_back({id, 0, static_cast<DWORD>(j), playTypes[j % 4],
                      MIXERLINE_LINEF_ACTIVE | MIXERLINE_LINEF_SOURCE, 2, 0, playNames[j % 4]});
    control(id, MIXERCONTROL_CONTROLTYPE_VOLUME, 0, 2, 0, 0, 65535, "Volume");
    control(id, MIXERCONTROL_CONTROLTYPE_MUTE, MIXERCONTROL_CONTROLF_UNIFORM, 1, 0, 0, 1, "Mute");
    control(id, MIXERCONTROL_CONTROLTYPE_PEAKMETER, 0, 2, 0, -32768, 32767, "Peak");
  }
  FLines.push_back({wavein, 1, 0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERLINE_LINEF_ACTIVE, 2, 3,
                    "Stand-in recording"});
  control(wavein, MIXERCONTROL_CONTROLTYPE_VOLUME, 0, 2, 0, 0, 65535, "Recording volume");
  control(wavein, MIXERCONTROL_CONTROLTYPE_MUX,
          MIXERCONTROL_CONTROLF_MULTIPLE | MIXERCONTROL_CONTROLF_UNIFORM, 1, 3, 0, 1,
          "Recording source");
  const DWORD recTypes[] = {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                            MIXERLINE_COMPONENTTYPE_SRC_LINE,
                            MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC};
  const char* recNames[] = {"Microphone", "Line", "CD"};
  for (int j = 0; j < 3; ++j) {
    const DWORD id = 0x00010000u | static_cast<DWORD>(j);
    FLines.push_back({id, 1, static_cast<DWORD>(j), recTypes[j],
                      MIXERLINE_LINEF_ACTIVE | MIXERLINE_LINEF_SOURCE, 2, 0, recNames[j]});
    control(id, MIXERCONTROL_CONTROLTYPE_VOLUME, 0, 2, 0, 0, 65535, "Volume");
  }
  FFormer = &DeviceApi();
  SetDeviceApi(this);
}

TStandInMixer::~TStandInMixer() {
  SetDeviceApi(FFormer == this ? nullptr : FFormer);
}

UINT TStandInMixer::GetNumDevs(TMMDeviceType type) {
  return type == dtMixer ? static_cast<UINT>(FMixers) : 0;
}

MMRESULT TStandInMixer::GetDevCaps(TMMDeviceType type, UINT_PTR id, void* caps, UINT size) {
  if (type != dtMixer || id >= static_cast<UINT_PTR>(FMixers)) return MMSYSERR_BADDEVICEID;
  MIXERCAPSA c;
  memset(&c, 0, sizeof c);
  c.wMid = 1;
  c.wPid = 2;
  c.vDriverVersion = 0x0305;
  snprintf(c.szPname, sizeof c.szPname, "Stand-in mixer %u", static_cast<unsigned>(id));
  c.cDestinations = 2;
  memcpy(caps, &c, std::min<size_t>(size, sizeof c));
  return MMSYSERR_NOERROR;
}

MMRESULT TStandInMixer::MixerGetID(HMIXEROBJ object, UINT* id, DWORD flags) {
  if (flags == MIXER_OBJECTF_HMIXER) {
    *id = 0;
    return object == reinterpret_cast<HMIXEROBJ>(StandInHandle) ? MMSYSERR_NOERROR
                                                                : MMSYSERR_INVALHANDLE;
  }
  return MMSYSERR_NODRIVER;
}

MMRESULT TStandInMixer::MixerOpen(HMIXER* mixer, UINT id, DWORD_PTR callback, DWORD_PTR, DWORD) {
  if (FailOpen) return MMSYSERR_ALLOCATED;
  if (id >= static_cast<UINT>(FMixers)) return MMSYSERR_BADDEVICEID;
  Callback = reinterpret_cast<HWND>(callback);
  *mixer = StandInHandle;
  ++OpenCount;
  return MMSYSERR_NOERROR;
}

MMRESULT TStandInMixer::MixerClose(HMIXER) {
  Callback = nullptr;
  return MMSYSERR_NOERROR;
}

const TStandInMixer::TLineRec* TStandInMixer::Line(DWORD destination, int source) const {
  for (const TLineRec& l : FLines)
    if (l.Destination == destination &&
        (source < 0 ? !(l.Flags & MIXERLINE_LINEF_SOURCE)
                    : (l.Flags & MIXERLINE_LINEF_SOURCE) && l.Source == static_cast<DWORD>(source)))
      return &l;
  return nullptr;
}

TStandInMixer::TControlRec& TStandInMixer::Control(DWORD lineId, DWORD type) {
  for (TControlRec& c : FControls)
    if (c.LineId == lineId && c.Type == type) return c;
  throw std::runtime_error("no such stand-in control");
}

MMRESULT TStandInMixer::MixerGetLineInfo(HMIXEROBJ, MIXERLINEA* line, DWORD flags) {
  const TLineRec* found = nullptr;
  switch (flags & MIXER_GETLINEINFOF_QUERYMASK) {
  case MIXER_GETLINEINFOF_LINEID:
    for (const TLineRec& l : FLines)
      if (l.Id == line->dwLineID) found = &l;
    break;
  case MIXER_GETLINEINFOF_COMPONENTTYPE:
    for (const TLineRec& l : FLines)
      if (l.ComponentType == line->dwComponentType && !found) found = &l;
    break;
  case MIXER_GETLINEINFOF_SOURCE:
    found = Line(line->dwDestination, static_cast<int>(line->dwSource));
    break;
  case MIXER_GETLINEINFOF_DESTINATION:
    found = Line(line->dwDestination, -1);
    break;
  default:
    return MMSYSERR_NOTSUPPORTED;
  }
  if (!found) return MIXERR_INVALLINE;
  MIXERLINEA out;
  memset(&out, 0, sizeof out);
  out.cbStruct = sizeof out;
  out.dwDestination = found->Destination;
  out.dwSource = found->Source;
  out.dwLineID = found->Id;
  out.fdwLine = found->Flags;
  out.dwComponentType = found->ComponentType;
  out.cChannels = static_cast<DWORD>(found->Channels);
  out.cConnections = static_cast<DWORD>(found->Connections);
  for (const TControlRec& c : FControls)
    if (c.LineId == found->Id) ++out.cControls;
  snprintf(out.szShortName, sizeof out.szShortName, "%s", found->Name.substr(0, 15).c_str());
  snprintf(out.szName, sizeof out.szName, "%s", found->Name.c_str());
  *line = out;
  return MMSYSERR_NOERROR;
}

MMRESULT TStandInMixer::MixerGetLineControls(HMIXEROBJ, MIXERLINECONTROLSA* query, DWORD flags) {
  const TControlRec* found = nullptr;
  if ((flags & MIXER_GETLINECONTROLSF_QUERYMASK) == MIXER_GETLINECONTROLSF_ONEBYID) {
    for (const TControlRec& c : FControls)
      if (c.Id == query->dwControlID) found = &c;
  } else if ((flags & MIXER_GETLINECONTROLSF_QUERYMASK) == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
    for (const TControlRec& c : FControls)
      if (c.LineId == query->dwLineID && c.Type == query->dwControlType) found = &c;
  } else
    return MMSYSERR_NOTSUPPORTED;
  if (!found) return MIXERR_INVALCONTROL;
  query->dwLineID = found->LineId;
  MIXERCONTROLA& out = *query->pamxctrl;
  memset(&out, 0, sizeof out);
  out.cbStruct = sizeof out;
  out.dwControlID = found->Id;
  out.dwControlType = found->Type;
  out.fdwControl = found->Flags;
  out.cMultipleItems = static_cast<DWORD>(found->Items);
  snprintf(out.szShortName, sizeof out.szShortName, "%s", found->Name.substr(0, 15).c_str());
  snprintf(out.szName, sizeof out.szName, "%s", found->Name.c_str());
  out.Bounds.lMinimum = found->Min;
  out.Bounds.lMaximum = found->Max;
  out.Metrics.cSteps = found->Steps;
  return MMSYSERR_NOERROR;
}

MMRESULT TStandInMixer::MixerGetControlDetails(HMIXEROBJ, MIXERCONTROLDETAILS* d, DWORD flags) {
  TControlRec* c = nullptr;
  for (TControlRec& r : FControls)
    if (r.Id == d->dwControlID) c = &r;
  if (!c) return MIXERR_INVALCONTROL;
  const int items = std::max(c->Items, 1);
  if ((flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
    auto* texts = static_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(d->paDetails);
    const DWORD dest = c->LineId == 0xFFFF0000 ? 0 : 1;
    for (int i = 0; i < c->Items; ++i) {
      const TLineRec* source = Line(dest, i);
      texts[i].dwParam1 = source->Id;
      texts[i].dwParam2 = source->ComponentType;
      snprintf(texts[i].szName, sizeof texts[i].szName, "%s", source->Name.c_str());
    }
    return MMSYSERR_NOERROR;
  }
  auto* out = static_cast<int32_t*>(d->paDetails);
  const int channels = static_cast<int>(d->cChannels);
  for (int i = 0; i < items; ++i)
    for (int ch = 0; ch < channels; ++ch)
      out[i * channels + ch] =
          c->Values[static_cast<size_t>(i * c->Channels + std::min(ch, c->Channels - 1))];
  return MMSYSERR_NOERROR;
}

MMRESULT TStandInMixer::MixerSetControlDetails(HMIXEROBJ, MIXERCONTROLDETAILS* d, DWORD) {
  TControlRec* c = nullptr;
  for (TControlRec& r : FControls)
    if (r.Id == d->dwControlID) c = &r;
  if (!c) return MIXERR_INVALCONTROL;
  const int items = std::max(c->Items, 1);
  const auto* in = static_cast<const int32_t*>(d->paDetails);
  const int channels = static_cast<int>(d->cChannels);
  for (int i = 0; i < items; ++i)
    for (int ch = 0; ch < c->Channels; ++ch)
      // One channel given for a stereo control sets both, as the system does.
      c->Values[static_cast<size_t>(i * c->Channels + ch)] =
          in[i * channels + std::min(ch, channels - 1)];
  ++Sets;
  if (Posting && Callback)
    PostMessageA(Callback, MM_MIXM_CONTROL_CHANGE, reinterpret_cast<WPARAM>(StandInHandle),
                 static_cast<LPARAM>(c->Id));
  return MMSYSERR_NOERROR;
}
