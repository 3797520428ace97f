// On-screen controls bound to the mixer model: a slider, a check box, a meter connector, a caption
// connector and a device combo box, each following outside changes through a link observer.
#pragma once
#include "MMLevel.h"
#include "MMMeter.h"
#include "MMMixer.h"
#include "MMSlider.h"
#include "StdCtrls.h"
#include <atomic>
#include <memory>

TB_DECLARE_EXCEPTION(EMMMixerControlsError, Exception);
TB_DECLARE_EXCEPTION(EMMCaptionLinkError, Exception);

// Follows one mixer control: value notices and identifier notices.
class TMMControlLink : public TMMObserver {
public:
  TMMControlLink();
  TMMCustomMixerControl* Control() const { return FControl; }
  void SetControl(TMMCustomMixerControl* value);
  std::function<void()> OnValueChange, OnIdChange;

private:
  TMMCustomMixerControl* FControl = nullptr;
};

// Follows a device, line or control and tells its caption.
class TMMCaptionLink : public TMMObserver {
public:
  TMMCaptionLink();
  TMMComponent* Source() const { return FSource; }
  void SetSource(TMMComponent* value);
  TMMItemIndex Item() const { return FItem; }
  void SetItem(TMMItemIndex value) { FItem = value; }
  bool Short() const { return FShort; }
  void SetShort(bool value) { FShort = value; }
  std::string Caption();
  std::function<void()> OnChange;

private:
  TMMComponent* FSource = nullptr;
  TMMItemIndex FItem = NoItem;
  bool FShort = false;
};

// The control is set and valid, with an item that fits it; usable also when not disabled.
bool ControlValidFor(TMMCustomMixerControl* control, TMMItemIndex item);
bool ControlUsableFor(TMMCustomMixerControl* control, TMMItemIndex item);

class TMMCustomMixerSlider : public TMMCustomSlider {
public:
  explicit TMMCustomMixerSlider(TComponent* AOwner);
  ~TMMCustomMixerSlider() override;
  TMMCustomMixerControl* Control() const { return FLink->Control(); }
  void SetControl(TMMCustomMixerControl* value);
  TMMChannel Channel() const { return FChannel; }
  void SetChannel(TMMChannel value);
  TMMItemIndex Item() const { return FItem; }
  void SetItem(TMMItemIndex value);
  // The wanted state; the control is enabled only while its mixer control is usable too.
  bool MixEnabled() const { return FMixEnabled; }
  void SetEnabled(bool value) override;
  void Refresh();

protected:
  void Change() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  void UpdateRange();
  void UpdatePosition();
  std::unique_ptr<TMMControlLink> FLink;
  TMMChannel FChannel = chBoth;
  TMMItemIndex FItem = NoItem;
  bool FMixEnabled = true;
  long double FFactor = 1;
};

class TMMMixerSlider : public TMMCustomMixerSlider {
public:
  explicit TMMMixerSlider(TComponent* AOwner) : TMMCustomMixerSlider(AOwner) {}
};

class TMMCustomMixerCheckBox : public TCheckBox {
public:
  explicit TMMCustomMixerCheckBox(TComponent* AOwner);
  ~TMMCustomMixerCheckBox() override;
  TMMCustomMixerControl* Control() const { return FLink->Control(); }
  void SetControl(TMMCustomMixerControl* value);
  TMMChannel Channel() const { return FChannel; }
  void SetChannel(TMMChannel value);
  TMMItemIndex Item() const { return FItem; }
  void SetItem(TMMItemIndex value);
  bool AutoCaption() const { return FAutoCaption; }
  void SetAutoCaption(bool value);
  bool Short() const { return FShort; }
  void SetShort(bool value);
  TMMAudioLine* Line() const { return FLine; }
  void SetLine(TMMAudioLine* value);
  bool MixEnabled() const { return FMixEnabled; }
  void SetEnabled(bool value) override;
  void Refresh();
  void Click() override;

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::unique_ptr<TMMControlLink> FLink;
  std::unique_ptr<TMMObserver> FLineObserver;
  TMMAudioLine* FLine = nullptr;
  TMMChannel FChannel = chBoth;
  TMMItemIndex FItem = NoItem;
  bool FAutoCaption = true, FShort = true, FMixEnabled = true;
};

class TMMCustomMixerConnector : public TMMComponent {
public:
  explicit TMMCustomMixerConnector(TComponent* AOwner);
  ~TMMCustomMixerConnector() override;
  TMMCustomMixerControl* Control() const { return FLink->Control(); }
  void SetControl(TMMCustomMixerControl* value);
  TMMCustomLevel* Level1() const { return FLevel1; }
  void SetLevel1(TMMCustomLevel* value);
  TMMCustomLevel* Level2() const { return FLevel2; }
  void SetLevel2(TMMCustomLevel* value);
  TMMCustomMeter* Meter1() const { return FMeter1; }
  void SetMeter1(TMMCustomMeter* value);
  TMMCustomMeter* Meter2() const { return FMeter2; }
  void SetMeter2(TMMCustomMeter* value);
  bool AutoTrigger() const { return FAutoTrigger; }
  void SetAutoTrigger(bool value);
  int Interval() const { return FInterval; }
  void SetInterval(int value);
  TMMItemIndex Item() const { return FItem; }
  void SetItem(TMMItemIndex value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  void Refresh();
  // The values last shown (left, right, both) in percent.
  int LastLeft() const { return FLast[0]; }
  int LastRight() const { return FLast[1]; }
  int LastBoth() const { return FLast[2]; }
  TNotifyEvent OnChange;

  virtual void Changed();
  virtual void Trigger();

  // For tests: the live connectors and the hidden window that samples them.
  static int LiveCount();
  static HWND SharedWindow();

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  static void TimerProc(TMMTimerHandle client, void* data);
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  template <class D> void SetDisplay(D*& slot, D* other, D* value);
  std::unique_ptr<TMMControlLink> FLink;
  TMMCustomLevel *FLevel1 = nullptr, *FLevel2 = nullptr;
  TMMCustomMeter *FMeter1 = nullptr, *FMeter2 = nullptr;
  bool FAutoTrigger = true;
  int FInterval = 25;
  TMMItemIndex FItem = NoItem;
  // FLive: a valid control to sample; without one the timer posts nothing.
  std::atomic<bool> FEnabled{true}, FReady{true}, FGone{false}, FLive{false};
  TMMTimerHandle FTimer = nullptr;
  long double FFactor = 0;
  int FLast[3] = {0, 0, 0};
  bool FShown = false;
  uint32_t FSerial;
};

class TMMMixerConnector : public TMMCustomMixerConnector {
public:
  explicit TMMMixerConnector(TComponent* AOwner) : TMMCustomMixerConnector(AOwner) {}
};

class TMMMixerLabelConnector : public TMMComponent {
public:
  explicit TMMMixerLabelConnector(TComponent* AOwner);
  ~TMMMixerLabelConnector() override;
  TMMComponent* Source() const { return FLink->Source(); }
  void SetSource(TMMComponent* value);
  TMMItemIndex Item() const { return FLink->Item(); }
  void SetItem(TMMItemIndex value);
  bool Short() const { return FLink->Short(); }
  void SetShort(bool value);
  TControl* Destination() const { return FDestination; }
  void SetDestination(TControl* value);
  bool AllCaps() const { return FAllCaps; }
  void SetAllCaps(bool value);
  void Refresh();
  TNotifyEvent OnChange;

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::unique_ptr<TMMCaptionLink> FLink;
  TControl* FDestination = nullptr;
  bool FAllCaps = false;
};

class TMMCustomDeviceComboBox : public TComboBox {
public:
  explicit TMMCustomDeviceComboBox(TComponent* AOwner);
  ~TMMCustomDeviceComboBox() override;
  TMMCustomAudioDevice* Device() const { return FDevice; }
  void SetDevice(TMMCustomAudioDevice* value);
  bool IncludeMapper() const { return FIncludeMapper; }
  void SetIncludeMapper(bool value);
  bool MixEnabled() const { return FMixEnabled; }
  void SetEnabled(bool value) override;
  void Fill();

protected:
  void Change() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  TMMCustomAudioDevice* FDevice = nullptr;
  std::unique_ptr<TMMObserver> FObserver;
  bool FIncludeMapper = true, FMixEnabled = true, FReady = true, FMapperListed = false;
};

class TMMDeviceComboBox : public TMMCustomDeviceComboBox {
public:
  explicit TMMDeviceComboBox(TComponent* AOwner) : TMMCustomDeviceComboBox(AOwner) {}
};

// The message the connectors' hidden window samples a meter by.
constexpr UINT MM_MIXCONNECTOR_TRIGGER = 32778;

// Registers the bound controls and the captions of the platform controls (idempotent).
void RegisterMMMixCtl();
