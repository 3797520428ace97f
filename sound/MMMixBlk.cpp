// The mixer block and its parts.
#include "Handles.h"
#include "MMMixBlk.h"
#include "MMProps.h"
#include <algorithm>

namespace {

std::string BlockText(int n) {
  return LoadLibraryString(n);
}

} // namespace

void TMMCustomBlockSlider::SetRole(TMMBlockSliderRole value) {
  const bool had = FRoleGiven;
  FRole = value;
  FRoleGiven = true;
  Tell(had ? 3 : 0);
}

void TMMCustomBlockLevel::SetRole(int value) {
  const bool had = FRoleGiven;
  FRole = value == 0 ? 0 : 1;
  FRoleGiven = true;
  Tell(had ? 3 : 0);
}

void TMMCustomBlockLabel::SetRole(TMMBlockLabelRole value) {
  const bool had = FRoleGiven;
  FRole = value;
  FRoleGiven = true;
  Tell(had ? 3 : 0);
}

// --- TMMMixerBlock ---------------------------------------------------------------------------

TMMMixerBlock::TMMMixerBlock(TComponent* AOwner)
    : TMMCustomPanel(AOwner), FPan(new TMMPanControl(this)), FVolume(new TMMVolumeControl(this)),
      FMute(new TMMMixerControl(this)), FPeak(new TMMMixerControl(this)),
      FConnector(new TMMMixerConnector(this)), FLineObserver(new TMMObserver),
      FMixerObserver(new TMMObserver) {
  RegisterMMMixBlk();
  SetBounds(Left(), Top(), 100, 250);
  FPan->SetVolumeControl(FVolume);
  FMute->SetControlType(ctMute);
  FPeak->SetControlType(ctPeakMeter);
  FConnector->SetControl(FPeak);
  FLineObserver->OnUpdate = [this](TObject*, TObject* data) { LineNotice(data); };
  FMixerObserver->OnUpdate = [this](TObject*, TObject* data) {
    if (dynamic_cast<TMMControlIdChange*>(data)) Rewire();
  };
}

TMMMixerBlock::~TMMMixerBlock() {
  Destroying();
}

void TMMMixerBlock::SetLine(TMMAudioLine* value) {
  if (value == FLine) return;
  if (FLine) RemoveFreeNotification(FLine);
  FLine = value;
  if (FLine) {
    FLine->Observable()->AddObserver(FLineObserver.get());
    FreeNotification(FLine);
  } else
    RemoveObserver(FLineObserver->Subject(), FLineObserver.get());
  if (LoadingOrReading(this)) return;
  FVolume->SetAudioLine(FLine);
  FPan->SetAudioLine(FLine);
  FMute->SetAudioLine(FLine);
  FPeak->SetAudioLine(FLine);
  Rewire();
}

void TMMMixerBlock::LineNotice(TObject* data) {
  if (!dynamic_cast<TMMLineIdChange*>(data)) return;
  // The hidden controls follow the line by themselves; the parts need their wiring again.
  Rewire();
}

void TMMMixerBlock::SetAutoArrange(bool value) {
  FAutoArrange = value;
  Arrange();
}

void TMMMixerBlock::SetAutoSize(bool value) {
  FAutoSize = value;
  Arrange();
}

void TMMMixerBlock::SetMixer(TMMCustomMixerControl* value) {
  if (value == FMixer) return;
  if (FMixer) RemoveFreeNotification(FMixer);
  FMixer = value;
  if (FMixer) {
    FMixer->Observable()->AddObserver(FMixerObserver.get());
    FreeNotification(FMixer);
  } else
    RemoveObserver(FMixerObserver->Subject(), FMixerObserver.get());
  Rewire();
}

void TMMMixerBlock::SetItem(TMMItemIndex value) {
  FItem = value;
  Rewire();
}

TMMMuteKind TMMMixerBlock::MuteKind() const {
  return FCheck && FMixer && FCheck->Control() == FMixer ? mkSelect : mkMute;
}

void TMMMixerBlock::Scan(TWinControl* parent) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == FRemoving) continue;
    if (auto* s = dynamic_cast<TMMCustomBlockSlider*>(c)) {
      TMMCustomBlockSlider*& slot = s->Role() == srPan          ? FPanSlider
                                    : s->Role() == srLeftVolume ? FLeftSlider
                                                                : FRightSlider;
      if (!slot) slot = s;
    } else if (auto* l = dynamic_cast<TMMCustomBlockLevel*>(c)) {
      TMMCustomBlockLevel*& slot = l->Role() == 0 ? FLevel1 : FLevel2;
      if (!slot) slot = l;
    } else if (auto* k = dynamic_cast<TMMCustomBlockCheck*>(c)) {
      if (!FCheck) FCheck = k;
    } else if (auto* t = dynamic_cast<TMMCustomBlockLabel*>(c)) {
      TMMCustomBlockLabel*& slot = t->Role() == lrLineTitle  ? FLineTitle
                                   : t->Role() == lrPanTitle ? FPanTitle
                                                             : FVolumeTitle;
      if (!slot) slot = t;
    }
    if (auto* w = dynamic_cast<TWinControl*>(c)) Scan(w);
  }
}

void TMMMixerBlock::Rewire() {
  if (LoadingOrReading(this) || ComponentState().Contains(csDestroying)) return;
  FPanSlider = FLeftSlider = FRightSlider = nullptr;
  FLevel1 = FLevel2 = nullptr;
  FCheck = nullptr;
  FLineTitle = FPanTitle = FVolumeTitle = nullptr;
  Scan(this);
  if (FPanSlider) FPanSlider->SetControl(FPan);
  if (FCheck) {
    TMMItemIndex item = FItem;
    if (item == NoItem && FMixer && FMixer->IsValid() && FLine) item = FMixer->ItemOfLine(FLine);
    FCheck->SetLine(nullptr);
    FCheck->SetItem(NoItem);
    if (item == NoItem)
      FCheck->SetControl(FMute);
    else {
      FCheck->SetControl(FMixer);
      FCheck->SetItem(item);
    }
  }
  if (FLeftSlider) {
    FLeftSlider->SetControl(FVolume);
    FLeftSlider->SetChannel(FRightSlider ? chLeft : chBoth);
  }
  if (FRightSlider) {
    FRightSlider->SetControl(FVolume);
    FRightSlider->SetChannel(FLeftSlider ? chRight : chBoth);
  }
  FConnector->SetLevel1(FLevel1);
  FConnector->SetLevel2(FLevel2);
  Arrange();
}

void TMMMixerBlock::AssignRoles(TControl* part) {
  FPanSlider = FLeftSlider = FRightSlider = nullptr;
  FLevel1 = FLevel2 = nullptr;
  FCheck = nullptr;
  FLineTitle = FPanTitle = FVolumeTitle = nullptr;
  TControl* skip = FRemoving;
  FRemoving = part;
  Scan(this);
  FRemoving = skip;
  if (auto* s = dynamic_cast<TMMCustomBlockSlider*>(part))
    s->AssignRole(!FPanSlider ? srPan : !FLeftSlider ? srLeftVolume : srRightVolume);
  else if (auto* l = dynamic_cast<TMMCustomBlockLevel*>(part))
    l->AssignRole(!FLevel1 ? 0 : 1);
  else if (auto* t = dynamic_cast<TMMCustomBlockLabel*>(part))
    t->AssignRole(!FLineTitle ? lrLineTitle : !FPanTitle ? lrPanTitle : lrVolumeTitle);
}

void TMMMixerBlock::ApplyPartLooks() {
  std::vector<TControl*> parts;
  for (int i = 0; i < ControlCount(); ++i)
    parts.push_back(Controls(i));
  for (TControl* c : parts) {
    if (auto* s = dynamic_cast<TMMCustomBlockSlider*>(c)) {
      s->Bevel()->SetBevelOuter(bvNone);
      s->Scale()->SetVisible(true);
      s->Scale()->SetConnect(false);
      s->Scale()->SetOrigin(soInner);
      s->Scale()->SetSize(6);
      s->SetGrooveSize(1);
      if (s->Role() == srPan) {
        s->PicLeft().LoadFromResourceName(HInstance(), "SPK_LEFT");
        s->PicRight().LoadFromResourceName(HInstance(), "SPK_RIGHT");
        s->PicturesChanged();
        s->Scale()->SetTickCount(3);
        s->Scale()->SetEnlargeEvery(2);
        s->SetScalePosition(TMMScalePos::spBelowOrRight);
        s->SetLogarithmic(false);
      } else {
        s->PicLeft().SetSize(0, 0);
        s->PicRight().SetSize(0, 0);
        s->PicturesChanged();
        s->Scale()->SetTickCount(7);
        s->Scale()->SetEnlargeEvery(6);
        s->SetScalePosition(TMMScalePos::spBoth);
        s->SetLogarithmic(true);
      }
    } else if (auto* l = dynamic_cast<TMMCustomBlockLevel*>(c)) {
      l->Bevel()->SetBevelOuterWidth(1);
      l->SetColor(clBtnFace);
      l->SetSpotWidth(6);
      l->SetBar1Color(static_cast<TColor>(0x008000));
      l->SetBar2Color(static_cast<TColor>(0x00FF00));
      l->SetBar3Color(static_cast<TColor>(0x00FFFF));
      l->SetInactive1Color(clBtnFace);
      l->SetInactive2Color(clBtnFace);
      l->SetInactive3Color(clBtnFace);
      l->SetPoint1(45);
      l->SetPoint2(60);
      l->SetLogAmp(false);
      l->SetNumPeaks(0);
    }
  }
}

void TMMMixerBlock::Arrange() {
  if (!FAutoArrange || !Parent() || LoadingOrReading(this) || FArranging ||
      ComponentState().Contains(csDestroying))
    return;
  FArranging = true;
  RECT r = ClientRect();
  const int extent = Bevel()->BevelExtent();
  InflateRect(&r, -extent, -extent);
  SIZE a{6, 13};
  if (TClientDC dc(nullptr); dc) {
    TSelectObject font(dc, Font().Handle());
    GetTextExtentPoint32A(dc, "A", 1, &a);
  }
  InflateRect(&r, -std::max<int>(a.cx / 2, 1), -std::max<int>(a.cy / 4, 1));
  const int width = r.right - r.left;
  int top = r.top, bottom = r.bottom;
  auto title = [&](TMMCustomBlockLabel* label, const std::string& caption) {
    if (!label) return;
    label->SetCaption(caption);
    if (FAutoSize) {
      label->SetAutoSize(false);
      label->SetAlignment(taCenter);
      label->SetBounds(r.left, top, width, a.cy + 2);
    } else
      label->SetBounds(r.left + (width - label->Width()) / 2, top, label->Width(), label->Height());
    top += label->Height() + 2;
  };
  title(FLineTitle,
        FLine && FLine->Valid() ? FLine->LineInfo()->Name() : BlockText(MMS_NOT_CONNECTED));
  title(FPanTitle, BlockText(MMS_BALANCE_LABEL));
  if (FPanSlider) {
    const int w = FAutoSize ? width : std::min(FPanSlider->Width(), width);
    FPanSlider->SetBounds(r.left + (width - w) / 2, top, w, FPanSlider->Height());
    top += FPanSlider->Height() + 2;
  }
  title(FVolumeTitle, BlockText(MMS_VOLUME_LABEL));
  if (FCheck) {
    bottom -= FCheck->Height();
    FCheck->SetBounds(r.left, bottom, width, FCheck->Height());
    bottom -= 2;
  }
  // The sliders on one side, the level bars on the other; each pair split at its middle.
  std::vector<TControl*> sliders, levels;
  for (TControl* c : {static_cast<TControl*>(FLeftSlider), static_cast<TControl*>(FRightSlider)})
    if (c) sliders.push_back(c);
  for (TControl* c : {static_cast<TControl*>(FLevel1), static_cast<TControl*>(FLevel2)})
    if (c) levels.push_back(c);
  const int height = std::max(bottom - top, 0);
  auto place = [&](std::vector<TControl*>& group, int left, int room) {
    if (group.empty()) return;
    const int each = room / static_cast<int>(group.size());
    for (size_t i = 0; i < group.size(); ++i) {
      TControl* c = group[i];
      const int w = std::min(c->Width(), each);
      const int h = FAutoSize ? height : std::min(c->Height(), height);
      c->SetBounds(left + static_cast<int>(i) * each + (each - w) / 2, top + (height - h) / 2, w,
                   h);
    }
  };
  if (!sliders.empty() && !levels.empty()) {
    place(sliders, r.left, width / 2);
    place(levels, r.left + width / 2, width - width / 2);
  } else {
    place(sliders, r.left, width);
    place(levels, r.left, width);
  }
  int order = 0;
  for (TWinControl* c :
       {static_cast<TWinControl*>(FPanSlider), static_cast<TWinControl*>(FLeftSlider),
        static_cast<TWinControl*>(FRightSlider), static_cast<TWinControl*>(FCheck)})
    if (c) {
      c->SetTabStop(true);
      c->SetTabOrder(order++);
    }
  FArranging = false;
}

void TMMMixerBlock::SetBounds(int left, int top, int width, int height) {
  TMMCustomPanel::SetBounds(left, top, width, height);
  Arrange();
}

void TMMMixerBlock::WndProc(TMessage& message) {
  if (message.Msg == MM_BLOCKPART) {
    message.Result = 0;
    if (ComponentState().Contains(csDestroying)) return;
    auto* part = reinterpret_cast<TControl*>(message.LParam);
    if (message.WParam == 1 && ComponentState().Contains(csDesigning)) AssignRoles(part);
    TControl* previous = FRemoving;
    if (message.WParam == 2) FRemoving = part;
    Rewire();
    FRemoving = previous;
    return;
  }
  TMMCustomPanel::WndProc(message);
}

void TMMMixerBlock::Loaded() {
  TMMCustomPanel::Loaded();
  FVolume->SetAudioLine(FLine);
  FPan->SetAudioLine(FLine);
  FMute->SetAudioLine(FLine);
  FPeak->SetAudioLine(FLine);
  Rewire();
}

void TMMMixerBlock::Notification(TComponent* component, TOperation operation) {
  TMMCustomPanel::Notification(component, operation);
  if (operation != opRemove || !component) return;
  if (component == FLine) SetLine(nullptr);
  if (component == FMixer) SetMixer(nullptr);
}

// --- registration ----------------------------------------------------------------------------

void RegisterMMMixBlk() {
  RegisterMMMixCtl();
  RegisterMMLevel();
  if (FindMMClass("TMMMixerBlock")) return;
  using K = TMMPropKind;
  TMMClassInfo& s = RegisterMMClass<TMMMixerBlockSlider>("TMMMixerBlockSlider", "TMMMixerSlider");
  s.Props = {OrdProp("Style", K::pkEnum, &TMMCustomBlockSlider::Style,
                     &TMMCustomBlockSlider::SetStyle, ssWin95),
             OrdProp("Role", K::pkEnum, &TMMCustomBlockSlider::Role, &TMMCustomBlockSlider::SetRole,
                     srPan)};
  s.Props[1].Stored = [](TObject* o) { return static_cast<TMMCustomBlockSlider*>(o)->RoleGiven(); };
  s.Props[1].EnumNames = {"srPan", "srLeftVolume", "srRightVolume"};
  s.Events = {"OnChange", "OnTrack", "OnTrackEnd", "OnDrawThumb", "OnDrawGroove"};
  TMMClassInfo& c =
      RegisterMMClass<TMMMixerBlockCheck>("TMMMixerBlockCheck", "TMMCustomMixerCheckBox");
  c.Events = {"OnClick"};
  TMMClassInfo& t = RegisterMMClass<TMMMixerBlockLabel>("TMMMixerBlockLabel", "TLabel");
  t.Props = {OrdProp("Role", K::pkEnum, &TMMCustomBlockLabel::Role, &TMMCustomBlockLabel::SetRole,
                     lrLineTitle)};
  t.Props[0].Stored = [](TObject* o) { return static_cast<TMMCustomBlockLabel*>(o)->RoleGiven(); };
  TMMClassInfo& l = RegisterMMClass<TMMMixerBlockLevel>("TMMMixerBlockLevel", "TMMLevel");
  l.Props = {
      OrdProp("Role", K::pkInteger, &TMMCustomBlockLevel::Role, &TMMCustomBlockLevel::SetRole, 0)};
  l.Props[0].Stored = [](TObject* o) { return static_cast<TMMCustomBlockLevel*>(o)->RoleGiven(); };
  TMMClassInfo& b = RegisterMMClass<TMMMixerBlock>("TMMMixerBlock", "TMMCustomPanel");
  TMMPropInfo item =
      OrdProp("Item", K::pkInteger, &TMMMixerBlock::Item, &TMMMixerBlock::SetItem, NoItem);
  item.TypeName = "TMMItemIndex";
  b.Props = {
      RefProp("Line", &TMMMixerBlock::Line, &TMMMixerBlock::SetLine),
      OrdProp("AutoArrange", K::pkBoolean, &TMMMixerBlock::AutoArrange,
              &TMMMixerBlock::SetAutoArrange, 1),
      OrdProp("AutoSize", K::pkBoolean, &TMMMixerBlock::AutoSize, &TMMMixerBlock::SetAutoSize, 1),
      OrdProp("Style", K::pkEnum, &TMMMixerBlock::Style, &TMMMixerBlock::SetStyle, bsWin95),
      RefProp("Mixer", &TMMMixerBlock::Mixer, &TMMMixerBlock::SetMixer),
      item};
}
