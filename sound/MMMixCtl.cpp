// Controls bound to the mixer model.
#include "MMMixCtl.h"
#include "Guard.h"
#include "Handles.h"
#include "MMProps.h"
#include "MMUtils.h"
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Holds the link for the scope: the control's notices of this side's own changes are not acted on.
auto Hold(TMMControlLink& link) {
  link.Lock();
  return TScopeExit([&link] { link.Unlock(); });
}

std::string Text(int n) {
  return LoadLibraryString(n);
}

void CheckClass(TMMCustomMixerControl* control, std::initializer_list<TMMControlClass> classes) {
  if (!control) return;
  for (TMMControlClass c : classes)
    if (control->ControlClass() == c) return;
  throw EMMMixerControlsError(Text(MMS_INVALID_CONTROL_CLASS));
}

TMMObservable* ObservableOf(TMMComponent* source) {
  if (auto* d = dynamic_cast<TMMCustomAudioDevice*>(source)) return d->DeviceObservable();
  if (auto* l = dynamic_cast<TMMAudioLine*>(source)) return l->Observable();
  if (auto* c = dynamic_cast<TMMCustomMixerControl*>(source)) return c->Observable();
  return nullptr;
}

// The live connectors by serial number; the window thread alone reads and changes the list.
std::vector<std::pair<uint32_t, TMMCustomMixerConnector*>>& LiveConnectors() {
  static std::vector<std::pair<uint32_t, TMMCustomMixerConnector*>> list;
  return list;
}
HWND ConnectorWindow = nullptr;
uint32_t NextSerial = 1;
const char* const ConnectorClass = "TMMMixerConnectorWindow";

} // namespace

bool ControlValidFor(TMMCustomMixerControl* control, TMMItemIndex item) {
  if (!control || !control->IsValid()) return false;
  if (control->ControlInfo()->Flags().Contains(cfMultiple))
    return item >= 0 && item < control->GetItems();
  return item == NoItem;
}

bool ControlUsableFor(TMMCustomMixerControl* control, TMMItemIndex item) {
  return ControlValidFor(control, item) && !control->ControlInfo()->Flags().Contains(cfDisabled);
}

// --- links -----------------------------------------------------------------------------------

TMMControlLink::TMMControlLink() {
  OnUpdate = [this](TObject*, TObject* data) {
    if (dynamic_cast<TMMControlChange*>(data)) {
      if (OnValueChange) OnValueChange();
    } else if (dynamic_cast<TMMControlIdChange*>(data)) {
      if (OnIdChange) OnIdChange();
    }
  };
}

void TMMControlLink::SetControl(TMMCustomMixerControl* value) {
  // Through the subject: a control being destroyed has already freed its observable.
  ::RemoveObserver(Subject(), this);
  FControl = value;
  if (FControl) FControl->Observable()->AddObserver(this);
}

TMMCaptionLink::TMMCaptionLink() {
  OnUpdate = [this](TObject*, TObject*) {
    if (OnChange) OnChange();
  };
}

void TMMCaptionLink::SetSource(TMMComponent* value) {
  if (value && !ObservableOf(value)) throw EMMCaptionLinkError(Text(MMS_DEVICE_LINE_CONTROL_ONLY));
  ::RemoveObserver(Subject(), this);
  FSource = value;
  if (FSource) ObservableOf(FSource)->AddObserver(this);
}

std::string TMMCaptionLink::Caption() {
  if (auto* d = dynamic_cast<TMMCustomAudioDevice*>(FSource)) return d->DeviceCaps()->ProductName();
  if (auto* l = dynamic_cast<TMMAudioLine*>(FSource))
    return FShort ? l->LineInfo()->ShortName() : l->LineInfo()->Name();
  if (auto* c = dynamic_cast<TMMCustomMixerControl*>(FSource)) {
    const TMMControlInfo* info = c->ControlInfo();
    if (FItem != NoItem && info->Flags().Contains(cfMultiple)) {
      if (FItem < 0 || FItem >= info->MultipleItems()) return Text(MMS_INVALID_ITEM);
      uint32_t p1, p2;
      std::string name;
      c->ItemInfo(FItem, p1, p2, name);
      return name;
    }
    return FShort ? info->ShortName() : info->Name();
  }
  return Text(MMS_NOT_CONNECTED);
}

// --- slider ----------------------------------------------------------------------------------

TMMCustomMixerSlider::TMMCustomMixerSlider(TComponent* AOwner)
    : TMMCustomSlider(AOwner), FLink(new TMMControlLink) {
  RegisterMMMixCtl();
  FLink->OnValueChange = [this] { UpdatePosition(); };
  FLink->OnIdChange = [this] { Refresh(); };
  Refresh();
}

TMMCustomMixerSlider::~TMMCustomMixerSlider() {
  Destroying();
}

void TMMCustomMixerSlider::SetControl(TMMCustomMixerControl* value) {
  CheckClass(value, {ccFader, ccNumber, ccSlider, ccTime});
  if (FLink->Control()) RemoveFreeNotification(FLink->Control());
  FLink->SetControl(value);
  if (value) FreeNotification(value);
  Refresh();
}

void TMMCustomMixerSlider::SetChannel(TMMChannel value) {
  FChannel = value;
  Refresh();
}

void TMMCustomMixerSlider::SetItem(TMMItemIndex value) {
  FItem = value;
  Refresh();
}

void TMMCustomMixerSlider::SetEnabled(bool value) {
  FMixEnabled = value;
  Refresh();
}

void TMMCustomMixerSlider::Refresh() {
  if (LoadingOrReading(this) || ComponentState().Contains(csDestroying)) return;
  UpdateRange();
  UpdatePosition();
}

void TMMCustomMixerSlider::UpdateRange() {
  TMMCustomMixerControl* c = Control();
  const bool usable = FMixEnabled && ControlUsableFor(c, FItem);
  TMMCustomSlider::SetEnabled(usable);
  auto hold = Hold(*FLink);
  if (!usable) {
    SetRange(0, 2);
    FFactor = 1;
  } else {
    const TMMControlInfo* info = c->ControlInfo();
    const long double m = info->MinValue(), M = info->MaxValue();
    const long double s = info->Steps() == 0 ? 32 : info->Steps();
    FFactor = (M - m) / s;
    SetRange(0, FFactor == 0 ? 1 : static_cast<int>(std::llround((M - m) / FFactor)));
  }
}

void TMMCustomMixerSlider::UpdatePosition() {
  if (LoadingOrReading(this)) return;
  TMMCustomMixerControl* c = Control();
  auto hold = Hold(*FLink);
  if (ControlValidFor(c, FItem) && FFactor != 0 && MaxValue() > MinValue() && FMixEnabled) {
    const long double v = c->GetSignedAt(FChannel, FItem);
    const int p = static_cast<int>(std::llround((v - c->ControlInfo()->MinValue()) / FFactor));
    // A thumb that already stands for this value stays where it is: on a logarithmic scale
    // several thumb places give one position, and the card's notice of the slider's own write
    // would otherwise move the thumb the user just placed.
    if (p != Position()) SetPosition(p);
  } else
    SetPosition((MinValue() + MaxValue()) / 2);
}

void TMMCustomMixerSlider::Change() {
  if (!FLink->Locked() && !LoadingOrReading(this)) {
    TMMCustomMixerControl* c = Control();
    auto hold = Hold(*FLink);
    if (c && c->ControlInfo()->Flags().Contains(cfDisabled))
      UpdatePosition();
    else if (ControlUsableFor(c, FItem))
      c->SetSignedAt(
          FChannel, FItem,
          static_cast<int32_t>(std::llround(Position() * FFactor + c->ControlInfo()->MinValue())));
  }
  TMMCustomSlider::Change();
}

void TMMCustomMixerSlider::Loaded() {
  TMMCustomSlider::Loaded();
  Refresh();
}

void TMMCustomMixerSlider::Notification(TComponent* component, TOperation operation) {
  TMMCustomSlider::Notification(component, operation);
  if (operation == opRemove && component && component == FLink->Control()) {
    FLink->SetControl(nullptr);
    Refresh();
  }
}

// --- check box -------------------------------------------------------------------------------

TMMCustomMixerCheckBox::TMMCustomMixerCheckBox(TComponent* AOwner)
    : TCheckBox(AOwner), FLink(new TMMControlLink), FLineObserver(new TMMObserver) {
  RegisterMMMixCtl();
  FLink->OnValueChange = [this] { Refresh(); };
  FLink->OnIdChange = [this] { Refresh(); };
  FLineObserver->OnUpdate = [this](TObject*, TObject*) { Refresh(); };
  Refresh();
}

TMMCustomMixerCheckBox::~TMMCustomMixerCheckBox() {
  Destroying();
}

void TMMCustomMixerCheckBox::SetControl(TMMCustomMixerControl* value) {
  CheckClass(value, {ccList, ccSwitch});
  if (FLink->Control()) RemoveFreeNotification(FLink->Control());
  FLink->SetControl(value);
  if (value) FreeNotification(value);
  Refresh();
}

void TMMCustomMixerCheckBox::SetChannel(TMMChannel value) {
  FChannel = value;
  Refresh();
}

void TMMCustomMixerCheckBox::SetItem(TMMItemIndex value) {
  FItem = value;
  Refresh();
}

void TMMCustomMixerCheckBox::SetAutoCaption(bool value) {
  FAutoCaption = value;
  Refresh();
}

void TMMCustomMixerCheckBox::SetShort(bool value) {
  FShort = value;
  Refresh();
}

void TMMCustomMixerCheckBox::SetLine(TMMAudioLine* value) {
  if (FLine) RemoveFreeNotification(FLine);
  FLine = value;
  if (FLine) {
    FLine->Observable()->AddObserver(FLineObserver.get());
    FreeNotification(FLine);
  } else
    RemoveObserver(FLineObserver->Subject(), FLineObserver.get());
  Refresh();
}

void TMMCustomMixerCheckBox::SetEnabled(bool value) {
  FMixEnabled = value;
  Refresh();
}

void TMMCustomMixerCheckBox::Refresh() {
  if (LoadingOrReading(this) || ComponentState().Contains(csDestroying)) return;
  TMMCustomMixerControl* c = Control();
  if (FLine && c) FItem = c->ItemOfLine(FLine);
  const bool usable = FMixEnabled && ControlUsableFor(c, FItem);
  TCheckBox::SetEnabled(usable);
  if (usable && FAutoCaption) {
    if (FItem != NoItem) {
      uint32_t p1, p2;
      std::string name;
      c->ItemInfo(FItem, p1, p2, name);
      SetCaption(name);
    } else
      SetCaption(FShort ? c->ControlInfo()->ShortName() : c->ControlInfo()->Name());
  }
  if (ControlValidFor(c, FItem)) {
    auto hold = Hold(*FLink);
    SetChecked(c->GetBooleanAt(FChannel, FItem));
  }
}

void TMMCustomMixerCheckBox::Click() {
  if (!FLink->Locked() && !LoadingOrReading(this)) {
    auto hold = Hold(*FLink);
    if (Enabled() && ControlValidFor(Control(), FItem))
      Control()->SetBooleanAt(FChannel, FItem, Checked());
    else
      Refresh();
  }
  TCheckBox::Click();
}

void TMMCustomMixerCheckBox::Loaded() {
  TCheckBox::Loaded();
  Refresh();
}

void TMMCustomMixerCheckBox::Notification(TComponent* component, TOperation operation) {
  TCheckBox::Notification(component, operation);
  if (operation != opRemove || !component) return;
  if (component == FLink->Control()) {
    FLink->SetControl(nullptr);
    Refresh();
  }
  if (component == FLine) {
    RemoveObserver(FLineObserver->Subject(), FLineObserver.get());
    FLine = nullptr;
    Refresh();
  }
}

// --- mixer connector -------------------------------------------------------------------------

TMMCustomMixerConnector::TMMCustomMixerConnector(TComponent* AOwner)
    : TMMComponent(AOwner), FLink(new TMMControlLink), FSerial(NextSerial++) {
  RegisterMMMixCtl();
  FLink->OnValueChange = [this] {
    if (!FAutoTrigger) Trigger();
  };
  FLink->OnIdChange = [this] { Refresh(); };
  if (!ConnectorWindow) {
    static bool registered = false;
    if (!registered) {
      WNDCLASSA wc{};
      wc.lpfnWndProc = WindowProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = ConnectorClass;
      RegisterClassA(&wc);
      registered = true;
    }
    ConnectorWindow = CreateWindowExA(0, ConnectorClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
  }
  LiveConnectors().emplace_back(FSerial, this);
  FTimer = AddTimerClient(FInterval, false, TimerProc, this);
}

TMMCustomMixerConnector::~TMMCustomMixerConnector() {
  Destroying();
  FGone = true;
  // Waits for a tick that is running now, so that nothing posts for this connector after this.
  if (FTimer) RemoveTimerClient(FTimer);
  auto& live = LiveConnectors();
  live.erase(std::remove_if(live.begin(), live.end(), [this](auto& e) { return e.second == this; }),
             live.end());
  if (ConnectorWindow) {
    // Take out only this connector's queued message; the others' go back in the queue.
    std::vector<MSG> others;
    MSG m;
    while (PeekMessageA(&m, ConnectorWindow, MM_MIXCONNECTOR_TRIGGER, MM_MIXCONNECTOR_TRIGGER,
                        PM_REMOVE))
      if (static_cast<uint32_t>(m.lParam) != FSerial) others.push_back(m);
    for (const MSG& o : others)
      PostMessageA(ConnectorWindow, o.message, o.wParam, o.lParam);
    if (live.empty()) {
      DestroyWindow(ConnectorWindow);
      ConnectorWindow = nullptr;
    }
  }
}

int TMMCustomMixerConnector::LiveCount() {
  return static_cast<int>(LiveConnectors().size());
}

HWND TMMCustomMixerConnector::SharedWindow() {
  return ConnectorWindow;
}

void TMMCustomMixerConnector::TimerProc(TMMTimerHandle, void* data) {
  auto* self = static_cast<TMMCustomMixerConnector*>(data);
  if (!self->FEnabled || self->FGone || !self->FLive || !self->FReady) return;
  HWND window = ConnectorWindow;
  if (!window) return;
  self->FReady = false;
  if (!PostMessageA(window, MM_MIXCONNECTOR_TRIGGER, 0, static_cast<LPARAM>(self->FSerial)))
    self->FReady = true;
}

LRESULT CALLBACK TMMCustomMixerConnector::WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != MM_MIXCONNECTOR_TRIGGER) return DefWindowProcA(window, msg, wp, lp);
  GuardVoid([lp] {
    for (auto& [serial, connector] : LiveConnectors())
      if (serial == static_cast<uint32_t>(lp)) {
        try {
          connector->Trigger();
        } catch (...) {
          connector->FReady = true;
          throw;
        }
        connector->FReady = true;
        break;
      }
  });
  return 0;
}

void TMMCustomMixerConnector::SetControl(TMMCustomMixerControl* value) {
  CheckClass(value, {ccFader, ccMeter, ccNumber, ccSlider, ccTime});
  if (FLink->Control()) RemoveFreeNotification(FLink->Control());
  FLink->SetControl(value);
  if (value) FreeNotification(value);
  Refresh();
}

// A display held by the other slot of its pair is refused.
template <class D> void TMMCustomMixerConnector::SetDisplay(D*& slot, D* other, D* value) {
  if (value && value == other) return;
  if (slot) RemoveFreeNotification(slot);
  slot = value;
  if (slot) FreeNotification(slot);
  Refresh();
}

void TMMCustomMixerConnector::SetLevel1(TMMCustomLevel* value) {
  SetDisplay(FLevel1, FLevel2, value);
}

void TMMCustomMixerConnector::SetLevel2(TMMCustomLevel* value) {
  SetDisplay(FLevel2, FLevel1, value);
}

void TMMCustomMixerConnector::SetMeter1(TMMCustomMeter* value) {
  SetDisplay(FMeter1, FMeter2, value);
}

void TMMCustomMixerConnector::SetMeter2(TMMCustomMeter* value) {
  SetDisplay(FMeter2, FMeter1, value);
}

void TMMCustomMixerConnector::SetAutoTrigger(bool value) {
  if (value == FAutoTrigger) return;
  FAutoTrigger = value;
  if (FTimer) {
    if (value)
      EnableTimerClient(FTimer);
    else
      DisableTimerClient(FTimer);
  }
  Refresh();
}

void TMMCustomMixerConnector::SetInterval(int value) {
  if (value < 1) throw EMMMixerControlsError(Text(MMS_INTERVAL_POSITIVE));
  FInterval = value;
  if (FTimer) SetTimerInterval(FTimer, value);
}

void TMMCustomMixerConnector::SetItem(TMMItemIndex value) {
  FItem = value;
  Refresh();
}

void TMMCustomMixerConnector::SetEnabled(bool value) {
  FEnabled = value;
  Refresh();
}

void TMMCustomMixerConnector::Refresh() {
  if (LoadingOrReading(this) || ComponentState().Contains(csDestroying)) return;
  FFactor = 0;
  FLast[0] = FLast[1] = FLast[2] = 0;
  FShown = false;
  TMMCustomMixerControl* c = Control();
  const bool on = c && FEnabled && ControlValidFor(c, FItem);
  FLive = on;
  if (on) {
    const long double top =
        std::max(std::abs(static_cast<long double>(c->ControlInfo()->MaxValue())),
                 std::abs(static_cast<long double>(c->ControlInfo()->MinValue())));
    FFactor = top == 0 ? 0 : 100 / top;
  }
  for (TControl* display : std::initializer_list<TControl*>{FLevel1, FLevel2, FMeter1, FMeter2})
    if (display) display->SetEnabled(on);
  if (!FAutoTrigger) Trigger();
}

void TMMCustomMixerConnector::Trigger() {
  if (LoadingOrReading(this) || ComponentState().Contains(csDestroying)) return;
  TMMCustomMixerControl* c = Control();
  if (!ControlValidFor(c, FItem)) return;
  auto scale = [this](int32_t v) {
    return FFactor == 0
               ? 0
               : static_cast<int>(std::llround(std::abs(static_cast<long double>(v)) * FFactor));
  };
  const int values[3] = {scale(c->GetSignedAt(chLeft, FItem)),
                         scale(c->GetSignedAt(chRight, FItem)),
                         scale(c->GetSignedAt(chBoth, FItem))};
  if (FLevel1) FLevel1->SetValue(FLevel2 ? values[0] : values[2]);
  if (FLevel2) FLevel2->SetValue(values[1]);
  if (FMeter1) FMeter1->SetValue(FMeter2 ? values[0] : values[2]);
  if (FMeter2) FMeter2->SetValue(values[1]);
  const bool differs = values[0] != FLast[0] || values[1] != FLast[1] || values[2] != FLast[2];
  std::copy(values, values + 3, FLast);
  if (!FShown || differs) {
    FShown = true;
    Changed();
  }
  FShown = true;
}

void TMMCustomMixerConnector::Changed() {
  if (OnChange) OnChange(this);
}

void TMMCustomMixerConnector::Loaded() {
  TMMComponent::Loaded();
  Refresh();
}

void TMMCustomMixerConnector::Notification(TComponent* component, TOperation operation) {
  TMMComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  if (component == FLink->Control()) {
    FLink->SetControl(nullptr);
    Refresh();
  }
  if (component == FLevel1) FLevel1 = nullptr;
  if (component == FLevel2) FLevel2 = nullptr;
  if (component == FMeter1) FMeter1 = nullptr;
  if (component == FMeter2) FMeter2 = nullptr;
}

// --- label connector -------------------------------------------------------------------------

TMMMixerLabelConnector::TMMMixerLabelConnector(TComponent* AOwner)
    : TMMComponent(AOwner), FLink(new TMMCaptionLink) {
  RegisterMMMixCtl();
  FLink->OnChange = [this] { Refresh(); };
}

TMMMixerLabelConnector::~TMMMixerLabelConnector() {
  Destroying();
}

void TMMMixerLabelConnector::SetSource(TMMComponent* value) {
  if (FLink->Source()) RemoveFreeNotification(FLink->Source());
  FLink->SetSource(value);
  if (value) FreeNotification(value);
  Refresh();
}

void TMMMixerLabelConnector::SetItem(TMMItemIndex value) {
  FLink->SetItem(value);
  Refresh();
}

void TMMMixerLabelConnector::SetShort(bool value) {
  FLink->SetShort(value);
  Refresh();
}

void TMMMixerLabelConnector::SetDestination(TControl* value) {
  if (value && !IsPublishedProp(value, "Caption"))
    throw EMMMixerControlsError(Text(MMS_NO_CAPTION_PROPERTY));
  if (FDestination) RemoveFreeNotification(FDestination);
  FDestination = value;
  if (FDestination) FreeNotification(FDestination);
  Refresh();
}

void TMMMixerLabelConnector::SetAllCaps(bool value) {
  FAllCaps = value;
  Refresh();
}

void TMMMixerLabelConnector::Refresh() {
  if (LoadingOrReading(this) || ComponentState().Contains(csDestroying)) return;
  if (FDestination) {
    std::string caption = FLink->Caption();
    if (FAllCaps) caption = UpperCase(caption);
    SetStrProp(FDestination, "Caption", caption);
  }
  if (OnChange) OnChange(this);
}

void TMMMixerLabelConnector::Loaded() {
  TMMComponent::Loaded();
  Refresh();
}

void TMMMixerLabelConnector::Notification(TComponent* component, TOperation operation) {
  TMMComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  if (component == FLink->Source()) FLink->SetSource(nullptr);
  if (component == FDestination) FDestination = nullptr;
}

// --- device combo box ------------------------------------------------------------------------

TMMCustomDeviceComboBox::TMMCustomDeviceComboBox(TComponent* AOwner)
    : TComboBox(AOwner), FObserver(new TMMObserver) {
  RegisterMMMixCtl();
  SetStyle(csDropDownList);
  FObserver->OnUpdate = [this](TObject*, TObject*) { Fill(); };
  Fill();
}

TMMCustomDeviceComboBox::~TMMCustomDeviceComboBox() {
  Destroying();
}

void TMMCustomDeviceComboBox::SetDevice(TMMCustomAudioDevice* value) {
  if (FDevice) RemoveFreeNotification(FDevice);
  FDevice = value;
  if (FDevice) {
    FDevice->DeviceObservable()->AddObserver(FObserver.get());
    FreeNotification(FDevice);
  } else
    RemoveObserver(FObserver->Subject(), FObserver.get());
  Fill();
}

void TMMCustomDeviceComboBox::SetIncludeMapper(bool value) {
  FIncludeMapper = value;
  Fill();
}

void TMMCustomDeviceComboBox::SetEnabled(bool value) {
  FMixEnabled = value;
  Fill();
}

void TMMCustomDeviceComboBox::Fill() {
  if (LoadingOrReading(this) || !FReady || ComponentState().Contains(csDestroying)) return;
  Items().Clear();
  FMapperListed = false;
  if (FDevice) {
    TStringList names;
    FDevice->GetDeviceNames(names, FIncludeMapper);
    FMapperListed = FIncludeMapper && FDevice->Mapper();
    for (int i = 0; i < names.Count(); ++i)
      Items().Add(names[i]);
  }
  if (!FDevice)
    SetItemIndex(-1);
  else if (FMapperListed)
    SetItemIndex(FDevice->DeviceId() == MapperId ? 0 : FDevice->DeviceId() + 1);
  else
    SetItemIndex(FDevice->DeviceId());
  TComboBox::SetEnabled(FMixEnabled && FDevice && Items().Count() > 1);
}

void TMMCustomDeviceComboBox::Change() {
  // The device takes the new identifier first, so that a change handler sees the new device.
  if (FDevice && ItemIndex() >= 0) {
    const int index = ItemIndex();
    FReady = false;
    try {
      FDevice->SetDeviceId(FMapperListed ? index - 1 : index);
    } catch (...) {
      FReady = true;
      Fill();
      throw;
    }
    FReady = true;
  }
  TComboBox::Change();
}

void TMMCustomDeviceComboBox::Loaded() {
  TComboBox::Loaded();
  Fill();
}

void TMMCustomDeviceComboBox::Notification(TComponent* component, TOperation operation) {
  TComboBox::Notification(component, operation);
  if (operation == opRemove && component && component == FDevice) {
    RemoveObserver(FObserver->Subject(), FObserver.get());
    FDevice = nullptr;
    Fill();
  }
}

// --- registration ----------------------------------------------------------------------------

namespace {

template <class T> void RegisterCaptioned(const char* name) {
  TMMPropInfo caption;
  caption.Name = "Caption";
  caption.Kind = TMMPropKind::pkString;
  caption.GetStr = [](TObject* o) { return static_cast<TControl*>(o)->Caption(); };
  caption.SetStr = [](TObject* o, const std::string& v) {
    static_cast<TControl*>(o)->SetCaption(v);
  };
  RegisterMMClass<T>(name, "").Props = {caption};
}

} // namespace

void RegisterMMMixCtl() {
  RegisterMMMixer();
  RegisterMMSlider();
  if (FindMMClass("TMMMixerSlider")) return;
  using K = TMMPropKind;
  RegisterCaptioned<TLabel>("TLabel");
  RegisterCaptioned<TCheckBox>("TCheckBox");
  RegisterCaptioned<TButton>("TButton");
  RegisterCaptioned<TPanel>("TPanel");
  using S = TMMCustomMixerSlider;
  TMMClassInfo& s = RegisterMMClass<TMMCustomMixerSlider>("TMMMixerSlider", "TMMSlider");
  TMMPropInfo enabled = OrdProp("Enabled", K::pkBoolean, &S::MixEnabled, &S::SetEnabled, 1);
  TMMPropInfo item = OrdProp("Item", K::pkInteger, &S::Item, &S::SetItem, NoItem);
  item.TypeName = "TMMItemIndex";
  s.Props = {RefProp("Control", &S::Control, &S::SetControl),
             OrdProp("Channel", K::pkEnum, &S::Channel, &S::SetChannel, chBoth), item, enabled};
  s.Props[1].EnumNames = {"chBoth", "chLeft", "chRight"};
  using B = TMMCustomMixerCheckBox;
  TMMClassInfo& b = RegisterMMClass<B>("TMMCustomMixerCheckBox", "TCheckBox");
  TMMPropInfo bitem = OrdProp("Item", K::pkInteger, &B::Item, &B::SetItem, NoItem);
  bitem.TypeName = "TMMItemIndex";
  TMMPropInfo checked =
      OrdProp("Checked", K::pkBoolean, &TCheckBox::Checked, &TCheckBox::SetChecked, 0);
  b.Props = {RefProp("Control", &B::Control, &B::SetControl),
             OrdProp("Channel", K::pkEnum, &B::Channel, &B::SetChannel, chBoth),
             bitem,
             OrdProp("AutoCaption", K::pkBoolean, &B::AutoCaption, &B::SetAutoCaption, 1),
             OrdProp("Short", K::pkBoolean, &B::Short, &B::SetShort, 1),
             OrdProp("Enabled", K::pkBoolean, &B::MixEnabled, &B::SetEnabled, 1),
             checked};
  b.Props[1].EnumNames = {"chBoth", "chLeft", "chRight"};
  // The caption is stored only when it is not taken from the mixer.
  TMMPropInfo caption = FindMMClass("TCheckBox")->Props[0];
  caption.Stored = [](TObject* o) { return !static_cast<B*>(o)->AutoCaption(); };
  b.Props.push_back(caption);
  using C = TMMCustomMixerConnector;
  TMMClassInfo& c = RegisterMMClass<C>("TMMMixerConnector", "");
  TMMPropInfo cenabled = OrdProp("Enabled", K::pkBoolean, &C::Enabled, &C::SetEnabled, 1);
  c.Props = {RefProp("Control", &C::Control, &C::SetControl),
             RefProp("Level1", &C::Level1, &C::SetLevel1),
             RefProp("Level2", &C::Level2, &C::SetLevel2),
             RefProp("Meter1", &C::Meter1, &C::SetMeter1),
             RefProp("Meter2", &C::Meter2, &C::SetMeter2),
             OrdProp("AutoTrigger", K::pkBoolean, &C::AutoTrigger, &C::SetAutoTrigger, 1),
             OrdProp("Interval", K::pkInteger, &C::Interval, &C::SetInterval, 25),
             cenabled};
  c.Events = {"OnChange"};
  using L = TMMMixerLabelConnector;
  TMMClassInfo& l = RegisterMMClass<L>("TMMMixerLabelConnector", "");
  l.Props = {RefProp("Source", &L::Source, &L::SetSource),
             OrdProp("Short", K::pkBoolean, &L::Short, &L::SetShort, 0),
             RefProp("Destination", &L::Destination, &L::SetDestination),
             OrdProp("AllCaps", K::pkBoolean, &L::AllCaps, &L::SetAllCaps, 0)};
  l.Events = {"OnChange"};
  using D = TMMCustomDeviceComboBox;
  TMMClassInfo& d = RegisterMMClass<D>("TMMDeviceComboBox", "");
  d.Props = {RefProp("Device", &D::Device, &D::SetDevice),
             OrdProp("IncludeMapper", K::pkBoolean, &D::IncludeMapper, &D::SetIncludeMapper, 1)};
  d.Events = {"OnChange"};
}
