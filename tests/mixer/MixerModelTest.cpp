// The mixer model against Wine's own mixer (compared with the raw system calls) and against the
// stand-in card for what Wine lacks: devices, lines, controls, notices, lists and the simulated
// pan.
#include <gtest/gtest.h>
#include "MMMixer.h"
#include "Messages.h"
#include "StandInMixer.h"
#include "TestUtil.h"
#include <cmath>
#include <cstring>

namespace {

// Raw reads and writes of a control, independent of the model.
int32_t RawValue(UINT mixer, DWORD controlId, int channels = 1, int channel = 0) {
  int32_t values[2] = {0, 0};
  MIXERCONTROLDETAILS d{};
  d.cbStruct = sizeof d;
  d.dwControlID = controlId;
  d.cChannels = static_cast<DWORD>(channels);
  d.cbDetails = 4;
  d.paDetails = values;
  EXPECT_EQ(mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(mixer)), &d,
                                    MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_MIXER),
            MMSYSERR_NOERROR);
  return values[channel];
}

void RawSet(UINT mixer, DWORD controlId, int32_t value) {
  MIXERCONTROLDETAILS d{};
  d.cbStruct = sizeof d;
  d.dwControlID = controlId;
  d.cChannels = 1;
  d.cbDetails = 4;
  d.paDetails = &value;
  EXPECT_EQ(mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(mixer)), &d,
                                   MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_MIXER),
            MMSYSERR_NOERROR);
}

std::string RawMixerName(UINT id) {
  MIXERCAPSA caps{};
  mixerGetDevCapsA(id, &caps, sizeof caps);
  return caps.szPname;
}

// The destination's component type as the system reports it, or 0 when it has none.
DWORD RawDestinationType(UINT mixer) {
  MIXERLINEA line{};
  line.cbStruct = sizeof line;
  line.dwDestination = 0;
  if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(mixer)), &line,
                        MIXER_GETLINEINFOF_DESTINATION | MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR)
    return 0;
  return line.dwComponentType;
}

BOOL CALLBACK CountWindow(HWND, LPARAM p) {
  ++*reinterpret_cast<int*>(p);
  return TRUE;
}

bool NoMixerRun() {
  return !EnvVar("TB_NO_MIXER").empty();
}

} // namespace

TEST(Devices, CountsNamesMapperAndIdRange) {
  if (NoMixerRun()) GTEST_SKIP();
  TMMMixerDevice mixer(nullptr);
  ASSERT_EQ(mixer.DeviceCount(), static_cast<int>(mixerGetNumDevs()));
  ASSERT_GT(mixer.DeviceCount(), 0);
  TStringList names;
  mixer.GetDeviceNames(names, true);
  ASSERT_EQ(names.Count(), mixer.DeviceCount()) << "no mixer mapper";
  for (int i = 0; i < names.Count(); ++i)
    EXPECT_EQ(names[i], RawMixerName(static_cast<UINT>(i)));
  EXPECT_FALSE(mixer.Mapper());
  TMMAudioDevice wave(nullptr);
  wave.SetDeviceType(dtWaveOut);
  EXPECT_TRUE(wave.Mapper());
  EXPECT_EQ(wave.DeviceCount(), static_cast<int>(waveOutGetNumDevs()));
  wave.SetDeviceType(dtWaveIn);
  EXPECT_TRUE(wave.Mapper());
  wave.SetDeviceType(dtMidiOut);
  EXPECT_EQ(wave.DeviceCount(), static_cast<int>(midiOutGetNumDevs()));
  // An identifier past the devices raises and keeps the former one.
  mixer.SetDeviceId(1);
  EXPECT_THROW(mixer.SetDeviceId(mixer.DeviceCount()), EMMDeviceError);
  EXPECT_EQ(mixer.DeviceId(), 1);
  EXPECT_EQ(mixer.DeviceCaps()->ProductName(), RawMixerName(1));
}

TEST(WineModel, LinesControlsAndValuesAgainstTheRawCalls) {
  if (NoMixerRun()) GTEST_SKIP();
  TMMMixerDevice mixer(nullptr);
  TMMAudioLine speakers(nullptr), wavein(nullptr);
  speakers.SetMixer(&mixer);
  speakers.SetComponentType(ctDstSpeakers);
  wavein.SetMixer(&mixer);
  wavein.SetComponentType(ctDstWaveIn);
  TMMMixerControl bass(nullptr), treble(nullptr), peak(nullptr), mute(nullptr);
  TMMVolumeControl volume(nullptr);
  TMMPanControl pan(nullptr);
  pan.SetVolumeControl(&volume);
  std::vector<TMMCustomMixerControl*> all = {&bass, &treble, &peak, &mute, &volume, &pan};
  for (TMMCustomMixerControl* c : all)
    c->SetAudioLine(&speakers);
  bass.SetControlType(ctBass);
  treble.SetControlType(ctTreble);
  peak.SetControlType(ctPeakMeter);
  mute.SetControlType(ctMute);
  int renders = 0, captures = 0;
  for (int id = 0; id < mixer.DeviceCount(); ++id) {
    SCOPED_TRACE(id);
    mixer.SetDeviceId(id);
    const DWORD raw = RawDestinationType(static_cast<UINT>(id));
    const bool render = raw == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    renders += render;
    captures += raw == MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    EXPECT_EQ(speakers.LineId() != badLineId, render);
    EXPECT_EQ(wavein.LineId() != badLineId, raw == MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    if (!render) {
      EXPECT_TRUE(speakers.LineInfo()->Name().empty());
      continue;
    }
    EXPECT_EQ(speakers.LineId(), static_cast<TMMLineId>(0xFFFF0000));
    EXPECT_EQ(speakers.LineInfo()->Channels(), 2u);
    // What Wine lacks stays unresolved, without an exception.
    EXPECT_EQ(bass.ControlId(), badControlId);
    EXPECT_EQ(treble.ControlId(), badControlId);
    EXPECT_EQ(peak.ControlId(), badControlId);
    EXPECT_EQ(pan.ControlId(), badControlId);
    EXPECT_FALSE(pan.IsValid()) << "a uniform volume cannot simulate a pan";
    ASSERT_NE(volume.ControlId(), badControlId);
    EXPECT_EQ(volume.ControlInfo()->MaxValue(), 65535);
    EXPECT_EQ(volume.ControlInfo()->Steps(), 192);
    EXPECT_TRUE(volume.ControlInfo()->Flags().Contains(cfUniform));
    for (int32_t v : {0, 1, 32768, 65535}) {
      volume.SetSigned(v);
      EXPECT_NEAR(RawValue(static_cast<UINT>(id), static_cast<DWORD>(volume.ControlId())), v, 1);
      EXPECT_NEAR(volume.GetSigned(), v, 1);
    }
    ASSERT_NE(mute.ControlId(), badControlId);
    mute.SetBoolean(true);
    EXPECT_EQ(RawValue(static_cast<UINT>(id), static_cast<DWORD>(mute.ControlId())), 1);
    RawSet(static_cast<UINT>(id), static_cast<DWORD>(mute.ControlId()), 0);
    EXPECT_FALSE(mute.GetBoolean());
  }
  EXPECT_EQ(renders, 2);
  EXPECT_EQ(captures, 3);
}

TEST(WineModel, WaveInDeviceGivesItsMixer) {
  if (NoMixerRun()) GTEST_SKIP();
  TMMAudioDevice wave(nullptr);
  wave.SetDeviceType(dtWaveIn);
  TMMMixerDevice mixer(nullptr);
  mixer.SetDevice(&wave);
  for (int i = 0; i < wave.DeviceCount(); ++i) {
    wave.SetDeviceId(i);
    UINT raw = 0;
    ASSERT_EQ(mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(i)), &raw,
                         MIXER_OBJECTF_WAVEIN),
              MMSYSERR_NOERROR);
    EXPECT_EQ(mixer.DeviceId(), static_cast<int>(raw));
    EXPECT_EQ(mixer.DeviceId(), 2 + i);
    WAVEINCAPSA caps{};
    waveInGetDevCapsA(static_cast<UINT>(i), &caps, sizeof caps);
    EXPECT_EQ(mixer.DeviceCaps()->ProductName(), caps.szPname);
  }
  // The mapper has no mixer.
  wave.SetDeviceId(MapperId);
  EXPECT_EQ(mixer.DeviceId(), badDeviceId);
  EXPECT_THROW(mixer.SetDevice(new TMMMixerDevice(&mixer)), EMMMixerDeviceError);
  EXPECT_EQ(mixer.Device(), &wave);
}

TEST(WineModel, PostedControlNoticeReachesOnlyItsControl) {
  if (NoMixerRun()) GTEST_SKIP();
  TMMMixerDevice mixer(nullptr);
  TMMAudioLine speakers(nullptr);
  speakers.SetMixer(&mixer);
  speakers.SetComponentType(ctDstSpeakers);
  for (int id = 0; speakers.LineId() == badLineId && id < mixer.DeviceCount(); ++id)
    mixer.SetDeviceId(id);
  ASSERT_NE(speakers.LineId(), badLineId);
  TMMVolumeControl volume(nullptr);
  volume.SetAudioLine(&speakers);
  TMMMixerControl mute(nullptr);
  mute.SetAudioLine(&speakers);
  mute.SetControlType(ctMute);
  int volumeChanges = 0, muteChanges = 0;
  volume.OnChange = [&](TObject*) { ++volumeChanges; };
  mute.OnChange = [&](TObject*) { ++muteChanges; };
  mixer.SetActive(true);
  ASSERT_TRUE(mixer.Handle());
  ASSERT_TRUE(mixer.NotifyWindow());
  PostMessageA(mixer.NotifyWindow(), MM_MIXM_CONTROL_CHANGE,
               reinterpret_cast<WPARAM>(mixer.Handle()), volume.ControlId());
  // Another handle, and another line's control identifier: nobody hears them.
  PostMessageA(mixer.NotifyWindow(), MM_MIXM_CONTROL_CHANGE, 0x7777, volume.ControlId());
  PostMessageA(mixer.NotifyWindow(), MM_MIXM_CONTROL_CHANGE,
               reinterpret_cast<WPARAM>(mixer.Handle()), 0x7FFF);
  ProcessMessages();
  EXPECT_EQ(volumeChanges, 1);
  EXPECT_EQ(muteChanges, 0);
  mixer.SetActive(false);
  EXPECT_FALSE(mixer.NotifyWindow());
}

TEST(StandIn, MuxSelectsOneItemAndMixerKeepsTheOthers) {
  TStandInMixer card;
  TMMMixerDevice mixer(nullptr);
  TMMAudioLine rec(nullptr), speakers(nullptr);
  rec.SetMixer(&mixer);
  rec.SetComponentType(ctDstWaveIn);
  speakers.SetMixer(&mixer);
  speakers.SetComponentType(ctDstSpeakers);
  TMMMixerControl mux(nullptr), list(nullptr);
  mux.SetAudioLine(&rec);
  mux.SetControlType(ctMux);
  list.SetAudioLine(&speakers);
  list.SetControlType(ctMixer);
  ASSERT_EQ(mux.GetItems(), 3);
  auto& raw = card.Control(0xFFFF0001, MIXERCONTROL_CONTROLTYPE_MUX).Values;
  raw = {1, 1, 0};
  mux.SetBooleanAt(chBoth, 2, true);
  EXPECT_EQ(raw, (std::vector<int32_t>{0, 0, 1}));
  mux.SetBooleanAt(chBoth, 0, true);
  EXPECT_EQ(raw, (std::vector<int32_t>{1, 0, 0}));
  auto& mixed = card.Control(0xFFFF0000, MIXERCONTROL_CONTROLTYPE_MIXER).Values;
  mixed = {1, 0, 1, 0};
  list.SetBooleanAt(chBoth, 1, true);
  EXPECT_EQ(mixed, (std::vector<int32_t>{1, 1, 1, 0}));
  EXPECT_THROW(mux.SetBooleanAt(chBoth, 3, true), EMMMixerControlError);
  // Items name the sources and find them back.
  TMMAudioLine line(nullptr);
  line.SetMixer(&mixer);
  line.SetLineId(0x00010001);
  EXPECT_EQ(mux.ItemOfLine(&line), 1);
  uint32_t p1, p2;
  std::string name;
  mux.ItemInfo(1, p1, p2, name);
  EXPECT_EQ(name, "Line");
}

TEST(StandIn, SimulatedPanScalesTheLeftChannel) {
  TStandInMixer card;
  TMMMixerDevice mixer(nullptr);
  TMMAudioLine wave(nullptr);
  wave.SetMixer(&mixer);
  wave.SetLineId(0);
  TMMVolumeControl volume(nullptr);
  volume.SetAudioLine(&wave);
  TMMPanControl pan(nullptr);
  pan.SetAudioLine(&wave);
  pan.SetVolumeControl(&volume);
  auto& raw = card.Control(0, MIXERCONTROL_CONTROLTYPE_VOLUME).Values;
  raw = {40000, 40000};
  pan.ResolveControl();
  ASSERT_TRUE(pan.IsValid());
  EXPECT_EQ(pan.ControlInfo()->Name(), "Simulated pan");
  EXPECT_EQ(pan.ControlInfo()->MinValue(), -32768);
  EXPECT_EQ(pan.ControlInfo()->MaxValue(), 32767);
  EXPECT_EQ(pan.GetSigned(), 0) << "equal channels";
  for (int32_t v : {40000, 65535, 1234}) {
    raw = {v, v};
    pan.SetSigned(16384);
    EXPECT_EQ(raw[0], static_cast<int32_t>(std::lround(v * 16383.0 / 32767.0))) << v;
    EXPECT_EQ(raw[1], v);
    pan.SetSigned(0);
  }
  // Entering simulation reads the pan off the channels: right only is full right.
  raw = {0, 30000};
  pan.SetSimulate(false);
  EXPECT_FALSE(pan.IsValid());
  pan.SetSimulate(true);
  EXPECT_EQ(pan.GetSigned(), 32767);
}

TEST(StandIn, FailedOpenLeavesNoWindow) {
  TStandInMixer card;
  card.FailOpen = true;
  TMMMixerDevice mixer(nullptr);
  auto windows = [] {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&n));
    return n;
  };
  const int before = windows();
  EXPECT_THROW(mixer.SetActive(true), EMMMCIError);
  EXPECT_FALSE(mixer.Active());
  EXPECT_FALSE(mixer.NotifyWindow());
  EXPECT_EQ(windows(), before);
}
