// Mixer-bound controls through real window messages: the slider and check box on Wine's mixer,
// set counts, steps and meters on the stand-in card, the connectors' shared queue, and the block.
#include <gtest/gtest.h>
#include "MMMixBlk.h"
#include "MMUtils.h"
#include "Messages.h"
#include "StandInMixer.h"
#include "TestUtil.h"
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>

namespace {

int32_t RawValue(UINT mixer, DWORD controlId) {
  int32_t value = 0;
  MIXERCONTROLDETAILS d{};
  d.cbStruct = sizeof d;
  d.dwControlID = controlId;
  d.cChannels = 1;
  d.cbDetails = 4;
  d.paDetails = &value;
  mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(mixer)), &d,
                          MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_MIXER);
  return value;
}

void RawSet(UINT mixer, DWORD controlId, int32_t value) {
  MIXERCONTROLDETAILS d{};
  d.cbStruct = sizeof d;
  d.dwControlID = controlId;
  d.cChannels = 1;
  d.cbDetails = 4;
  d.paDetails = &value;
  mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(mixer)), &d,
                         MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_MIXER);
}

void Key(TWinControl& c, WORD key) {
  SendMessageA(c.Handle(), WM_KEYDOWN, key, 0);
  SendMessageA(c.Handle(), WM_KEYUP, key, 0xC0000000);
}

struct Bound : testing::Test {
  TForm Form{nullptr};
  TMMMixerDevice* Mixer = nullptr;
  TMMAudioLine* Line = nullptr;
  void SetUp() override {
    Form.SetBounds(30, 30, 400, 260);
    Mixer = new TMMMixerDevice(&Form);
    Line = new TMMAudioLine(&Form);
    Line->SetMixer(Mixer);
  }
  // A render mixer of Wine's, open, with its speakers line.
  void Speakers() {
    Line->SetComponentType(ctDstSpeakers);
    for (int id = 0; Line->LineId() == badLineId && id < Mixer->DeviceCount(); ++id)
      Mixer->SetDeviceId(id);
    ASSERT_NE(Line->LineId(), badLineId);
    Mixer->SetActive(true);
  }
  UINT Id() const { return static_cast<UINT>(Mixer->DeviceId()); }
};

// Controls on the stand-in card: its device, lines by identifier, and a volume slider on a line.
struct BoundStandIn : testing::Test {
  TStandInMixer Card;
  TForm Form{nullptr};
  TMMMixerDevice* Mixer = new TMMMixerDevice(&Form);
  TMMAudioLine* Line(DWORD id) {
    auto* line = new TMMAudioLine(&Form);
    line->SetMixer(Mixer);
    line->SetLineId(id);
    return line;
  }
  // The slider of line's volume, 300 pixels wide on the form.
  TMMMixerSlider* VolumeSlider(TMMAudioLine* line, bool logarithmic) {
    auto* volume = new TMMVolumeControl(&Form);
    volume->SetAudioLine(line);
    auto* slider = new TMMMixerSlider(&Form);
    slider->SetBounds(10, 10, 300, 40);
    slider->SetParent(&Form);
    slider->SetLogarithmic(logarithmic);
    slider->SetControl(volume);
    return slider;
  }
};

bool NoMixerRun() {
  return !EnvVar("TB_NO_MIXER").empty();
}

} // namespace

TEST_F(Bound, SliderFollowsKeysDragsAndOutsideWrites) {
  if (NoMixerRun()) GTEST_SKIP();
  Speakers();
  auto* volume = new TMMVolumeControl(&Form);
  volume->SetAudioLine(Line);
  auto* slider = new TMMMixerSlider(&Form);
  slider->SetBounds(10, 10, 300, 40);
  slider->SetParent(&Form);
  slider->SetControl(volume);
  Form.Show();
  ProcessMessages();
  ASSERT_TRUE(slider->Enabled());
  ASSERT_EQ(slider->MaxValue(), 192);
  const DWORD control = static_cast<DWORD>(volume->ControlId());
  auto expectRaw = [&](const char* what) {
    const int p = slider->Position();
    EXPECT_NEAR(RawValue(Id(), control), std::lround(p * 65535.0 / 192.0), 1) << what << " " << p;
  };
  Key(*slider, VK_HOME);
  expectRaw("home");
  Key(*slider, VK_RIGHT);
  Key(*slider, VK_RIGHT);
  expectRaw("two steps");
  Key(*slider, VK_END);
  expectRaw("end");
  RECT t = slider->ThumbRect();
  const int cy = (t.top + t.bottom) / 2;
  SendMessageA(slider->Handle(), WM_LBUTTONDOWN, MK_LBUTTON,
               MAKELPARAM((t.left + t.right) / 2, cy));
  SendMessageA(slider->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, cy));
  SendMessageA(slider->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(120, cy));
  EXPECT_GT(slider->Position(), 0);
  EXPECT_LT(slider->Position(), 192);
  expectRaw("drag");
  // Another program writes; Wine sends no notice, so the test posts the one a driver would.
  RawSet(Id(), control, 65535 / 4);
  PostMessageA(Mixer->NotifyWindow(), MM_MIXM_CONTROL_CHANGE,
               reinterpret_cast<WPARAM>(Mixer->Handle()), static_cast<LPARAM>(control));
  ProcessMessages();
  EXPECT_EQ(slider->Position(), std::lround((65535 / 4) / (65535.0 / 192.0)));
}

// Every thumb place of a logarithmic slider, put there as the keys and the mouse do, then the
// card's notice of the write: the thumb stays where it was put, and the card holds the value that
// place stands for.
void ThumbsStayPut(TMMMixerSlider& slider, const std::function<int32_t()>& raw,
                   const std::function<void()>& notice, double perStep) {
  ASSERT_TRUE(slider.Logarithmic());
  for (int t = slider.MaxValue(); t >= slider.MinValue(); --t) {
    slider.SetThumbPosition(t);
    notice();
    ProcessMessages();
    ProcessMessages();
    EXPECT_EQ(slider.ThumbPosition(), t) << "thumb put at " << t;
    EXPECT_NEAR(raw(), std::lround(slider.Position() * perStep), 1) << "thumb at " << t;
  }
}

TEST_F(Bound, LogarithmicThumbsStayWhereTheUserPutsThem) {
  if (NoMixerRun()) GTEST_SKIP();
  Speakers();
  auto* volume = new TMMVolumeControl(&Form);
  volume->SetAudioLine(Line);
  auto* slider = new TMMMixerSlider(&Form);
  slider->SetBounds(10, 10, 300, 40);
  slider->SetParent(&Form);
  slider->SetLogarithmic(true);
  slider->SetControl(volume);
  Form.Show();
  ProcessMessages();
  ASSERT_TRUE(slider->Enabled());
  const DWORD control = static_cast<DWORD>(volume->ControlId());
  // Wine sends no notice of its own: the test posts the one a driver would.
  ThumbsStayPut(
      *slider, [&] { return RawValue(Id(), control); },
      [&] {
        PostMessageA(Mixer->NotifyWindow(), MM_MIXM_CONTROL_CHANGE,
                     reinterpret_cast<WPARAM>(Mixer->Handle()), static_cast<LPARAM>(control));
      },
      65535.0 / slider->MaxValue());
}

TEST_F(Bound, MuteBoxClicksRoundTrip) {
  if (NoMixerRun()) GTEST_SKIP();
  Speakers();
  auto* mute = new TMMMixerControl(&Form);
  mute->SetAudioLine(Line);
  mute->SetControlType(ctMute);
  auto* box = new TMMCustomMixerCheckBox(&Form);
  box->SetBounds(10, 60, 120, 20);
  box->SetParent(&Form);
  box->SetControl(mute);
  Form.Show();
  ProcessMessages();
  RawSet(Id(), static_cast<DWORD>(mute->ControlId()), 0);
  box->Refresh();
  ASSERT_TRUE(box->Enabled());
  EXPECT_FALSE(box->Checked());
  SendMessageA(box->Handle(), BM_CLICK, 0, 0);
  ProcessMessages();
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(RawValue(Id(), static_cast<DWORD>(mute->ControlId())), 1);
  SendMessageA(box->Handle(), BM_CLICK, 0, 0);
  ProcessMessages();
  EXPECT_EQ(RawValue(Id(), static_cast<DWORD>(mute->ControlId())), 0);
  RawSet(Id(), static_cast<DWORD>(mute->ControlId()), 1);
  PostMessageA(Mixer->NotifyWindow(), MM_MIXM_CONTROL_CHANGE,
               reinterpret_cast<WPARAM>(Mixer->Handle()), mute->ControlId());
  ProcessMessages();
  EXPECT_TRUE(box->Checked());
}

TEST_F(BoundStandIn, LogarithmicThumbsStayWhereTheUserPutsThem) {
  Mixer->SetActive(true);
  auto* slider = VolumeSlider(Line(0), true);
  Form.Show();
  ProcessMessages();
  ASSERT_EQ(slider->MaxValue(), 32);
  auto& raw = Card.Control(0, MIXERCONTROL_CONTROLTYPE_VOLUME).Values;
  // The card posts its own notice of every write.
  ThumbsStayPut(
      *slider, [&] { return raw[0]; }, [] {}, 65535.0 / 32);
  // Thumb 3 stands for position 3 (-21.75 dB of 24 below full scale, 2.6 of 32, rounded).
  slider->SetThumbPosition(3);
  ProcessMessages();
  EXPECT_EQ(slider->ThumbPosition(), 3);
  EXPECT_EQ(raw[0], std::lround(3 * 65535.0 / 32));
}

TEST_F(BoundStandIn, OneMoveOneSetAndStepsDefaultTo32) {
  Mixer->SetActive(true);
  TMMAudioLine* line = Line(0);
  auto* slider = VolumeSlider(line, false);
  Form.Show();
  ProcessMessages();
  EXPECT_EQ(slider->MinValue(), 0);
  EXPECT_EQ(slider->MaxValue(), 32);
  auto& raw = Card.Control(0, MIXERCONTROL_CONTROLTYPE_VOLUME).Values;
  Card.Sets = 0;
  slider->SetPosition(16);
  EXPECT_EQ(raw, (std::vector<int32_t>{32768, 32768}));
  Key(*slider, VK_RIGHT);
  ProcessMessages(); // the card's notice comes back: it must not cause another write
  ProcessMessages();
  EXPECT_EQ(Card.Sets, 2);
  EXPECT_EQ(raw[0], std::lround(17 * 65535.0 / 32));
  // A right-channel slider writes its channel alone.
  slider->SetChannel(chRight);
  slider->SetPosition(0);
  EXPECT_EQ(raw, (std::vector<int32_t>{raw[0], 0}));
  EXPECT_THROW(slider->SetControl([&] {
    auto* mute = new TMMMixerControl(&Form);
    mute->SetAudioLine(line);
    mute->SetControlType(ctMute);
    return mute;
  }()),
               EMMMixerControlsError);
}

TEST_F(BoundStandIn, PeakMeterShowsPercentOnLevelsAndNeedles) {
  TMMAudioLine* line = Line(1);
  auto* peak = new TMMMixerControl(&Form);
  peak->SetAudioLine(line);
  peak->SetControlType(ctPeakMeter);
  auto* level = new TMMLevel(&Form);
  level->SetBounds(10, 10, 200, 16);
  level->SetParent(&Form);
  auto* connector = new TMMMixerConnector(&Form);
  connector->SetAutoTrigger(false);
  connector->SetLevel1(level);
  connector->SetControl(peak);
  Card.Control(1, MIXERCONTROL_CONTROLTYPE_PEAKMETER).Values = {-16384, -16384};
  connector->Trigger();
  EXPECT_EQ(connector->LastBoth(), 50);
  EXPECT_EQ(level->Value(), 50);
  EXPECT_THROW(connector->SetInterval(0), EMMMixerControlsError);

  // Needle meters: one alone shows both channels; a pair splits them, left and right.
  auto meter = [this](int left) {
    auto* m = new TMMMeter(&Form);
    m->SetBounds(left, 40, 170, 90);
    m->SetParent(&Form);
    return m;
  };
  TMMMeter *left = meter(10), *right = meter(190);
  connector->SetMeter1(left);
  Card.Control(1, MIXERCONTROL_CONTROLTYPE_PEAKMETER).Values = {-16384, 32767};
  connector->Trigger();
  EXPECT_EQ(left->Value(), 50);
  EXPECT_TRUE(left->Enabled());
  connector->SetMeter2(left);
  EXPECT_EQ(connector->Meter2(), nullptr) << "a meter already held by the other slot";
  connector->SetMeter2(right);
  connector->Trigger();
  EXPECT_EQ(left->Value(), 50);
  EXPECT_EQ(right->Value(), 100);
  // Without a control to sample the meters rest; a meter that goes leaves its slot.
  connector->SetControl(nullptr);
  EXPECT_FALSE(left->Enabled());
  EXPECT_FALSE(right->Enabled());
  delete right;
  EXPECT_EQ(connector->Meter2(), nullptr);
}

TEST_F(BoundStandIn, ConnectorsShareTheQueueAndSurviveChurn) {
  std::vector<TMMMixerControl*> peaks;
  for (int j = 0; j < 2; ++j) {
    TMMAudioLine* line = Line(j);
    auto* peak = new TMMMixerControl(&Form);
    peak->SetAudioLine(line);
    peak->SetControlType(ctPeakMeter);
    peaks.push_back(peak);
  }
  const int clients = TimerClientCount();
  auto* first = new TMMMixerConnector(&Form);
  first->SetControl(peaks[0]);
  auto* second = new TMMMixerConnector(&Form);
  second->SetControl(peaks[1]);
  // Both post their message while nothing pumps; taking the first away must keep the second's.
  // Each posts once until its message is handled: two queued are both of them.
  auto queued = [] {
    std::vector<MSG> taken;
    MSG m;
    while (PeekMessageA(&m, TMMMixerConnector::SharedWindow(), MM_MIXCONNECTOR_TRIGGER,
                        MM_MIXCONNECTOR_TRIGGER, PM_REMOVE))
      taken.push_back(m);
    for (const MSG& t : taken)
      PostMessageA(t.hwnd, t.message, t.wParam, t.lParam);
    return taken.size();
  };
  EXPECT_TRUE(PollUntil([&] { return queued() == 2; }, 5000)) << queued();
  delete first;
  auto& raw = Card.Control(1, MIXERCONTROL_CONTROLTYPE_PEAKMETER).Values;
  for (int32_t v : {8192, 16384, 32767}) {
    raw = {v, v};
    const int want = static_cast<int>(std::lround(v * 100.0 / 32768));
    EXPECT_TRUE(PumpUntil([&] { return second->LastBoth() == want; }, 3000)) << v;
  }
  delete second;
  EXPECT_EQ(TMMMixerConnector::LiveCount(), 0);
  EXPECT_FALSE(TMMMixerConnector::SharedWindow());
  // Many short lives while the shared timer ticks; every tenth lives through a tick.
  std::atomic<int> ticks{0};
  TMMTimerHandle clock = AddTimerClient(
      MMTimerTick, false, [](TMMTimerHandle, void* n) { ++*static_cast<std::atomic<int>*>(n); },
      &ticks);
  auto* keeper = new TMMMixerConnector(&Form);
  keeper->SetControl(peaks[0]);
  for (int i = 0; i < 1000; ++i) {
    auto* c = new TMMMixerConnector(&Form);
    c->SetControl(peaks[i % 2]);
    if (i % 10 == 0) {
      const int now = ticks.load();
      EXPECT_TRUE(PollUntil([&] { return ticks.load() > now; }, 5000));
    }
    if (i % 50 == 0) ProcessMessages();
    delete c;
  }
  ProcessMessages();
  EXPECT_EQ(TMMMixerConnector::LiveCount(), 1);
  delete keeper;
  RemoveTimerClient(clock);
  EXPECT_EQ(TimerClientCount(), clients);
}

TEST(Block, OneSliderDrivesBothAndTheBoxSelectsTheLine) {
  TStandInMixer card;
  TForm form(nullptr);
  form.SetBounds(30, 30, 300, 320);
  auto* mixer = new TMMMixerDevice(&form);
  auto* rec = new TMMAudioLine(&form);
  rec->SetMixer(mixer);
  rec->SetComponentType(ctDstWaveIn);
  auto* mux = new TMMMixerControl(&form);
  mux->SetAudioLine(rec);
  mux->SetControlType(ctMux);
  auto* source = new TMMAudioLine(&form);
  source->SetMixer(mixer);
  source->SetLineId(0x00010001);
  auto* block = new TMMMixerBlock(&form);
  block->SetParent(&form);
  auto* slider = new TMMMixerBlockSlider(&form);
  slider->SetParent(block);
  slider->SetRole(srLeftVolume);
  auto* box = new TMMMixerBlockCheck(&form);
  box->SetParent(block);
  block->SetLine(source);
  block->SetMixer(mux);
  form.Show();
  ProcessMessages();
  EXPECT_EQ(slider->Channel(), chBoth);
  EXPECT_EQ(block->MuteKind(), mkSelect);
  EXPECT_EQ(box->Caption(), "Line");
  slider->SetPosition(slider->MaxValue() / 2);
  auto& volume = card.Control(0x00010001, MIXERCONTROL_CONTROLTYPE_VOLUME).Values;
  EXPECT_EQ(volume[0], volume[1]);
  EXPECT_GT(volume[0], 0);
  auto& selected = card.Control(0xFFFF0001, MIXERCONTROL_CONTROLTYPE_MUX).Values;
  selected = {1, 0, 0};
  box->Refresh();
  EXPECT_FALSE(box->Checked());
  SendMessageA(box->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(selected, (std::vector<int32_t>{0, 1, 0}));
  // A part placed anywhere but in a block refuses.
  auto* stray = new TMMMixerBlockCheck(&form);
  EXPECT_THROW(stray->SetParent(&form), EMMBlockError);
  // A second volume slider splits the channels.
  auto* right = new TMMMixerBlockSlider(&form);
  right->SetParent(block);
  right->SetRole(srRightVolume);
  EXPECT_EQ(slider->Channel(), chLeft);
  EXPECT_EQ(right->Channel(), chRight);
  delete right;
  EXPECT_EQ(slider->Channel(), chBoth);
}

TEST_F(BoundStandIn, ControlsGoInertWhenTheirReferencesGo) {
  TMMAudioLine* line = Line(0);
  auto* volume = new TMMVolumeControl(&Form);
  volume->SetAudioLine(line);
  auto* pan = new TMMPanControl(&Form);
  pan->SetAudioLine(line);
  pan->SetVolumeControl(volume);
  auto* slider = new TMMMixerSlider(&Form);
  slider->SetParent(&Form);
  slider->SetControl(pan);
  auto* caption = new TLabel(&Form);
  caption->SetParent(&Form);
  auto* names = new TMMMixerLabelConnector(&Form);
  names->SetSource(volume);
  names->SetDestination(caption);
  EXPECT_EQ(caption->Caption(), "Volume");
  ASSERT_TRUE(slider->Enabled()) << "a simulated pan";
  delete volume;
  EXPECT_EQ(pan->VolumeControl(), nullptr);
  EXPECT_FALSE(pan->IsValid());
  EXPECT_FALSE(slider->Enabled());
  EXPECT_EQ(names->Source(), nullptr);
  delete pan;
  EXPECT_EQ(slider->Control(), nullptr);
  delete Mixer;
  EXPECT_EQ(line->Mixer(), nullptr);
  EXPECT_FALSE(line->Valid()) << "the identifier stays for another mixer";
  EXPECT_TRUE(line->LineInfo()->Name().empty());
  names->SetSource(line);
  EXPECT_EQ(caption->Caption(), "");
  EXPECT_THROW(names->SetDestination(slider), EMMMixerControlsError);
}
