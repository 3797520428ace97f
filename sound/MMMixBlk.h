// A mixer line as a strip: the block finds its parts (sliders, level bars, check box, labels)
// among its children, makes the hidden mixer controls they need on its line, wires and lays them
// out.
#pragma once
#include "MMMixCtl.h"
#include <memory>

TB_DECLARE_EXCEPTION(EMMBlockError, Exception);

class TMMMixerBlock;

enum TMMBlockSliderRole { srPan, srLeftVolume, srRightVolume };
enum TMMBlockSliderStyle { ssWin95 };
enum TMMBlockLabelRole { lrLineTitle, lrPanTitle, lrVolumeTitle };
enum TMMBlockStyle { bsWin95 };
enum TMMMuteKind { mkMute, mkSelect };

// The message a part sends its block: wParam 0 added with a role, 1 added without one,
// 2 removed, 3 role changed; lParam the part.
constexpr UINT MM_BLOCKPART = 32769;

// The parts refuse any parent but a block and tell their block when they join or leave.
template <class Base> class TMMBlockPart : public Base {
public:
  explicit TMMBlockPart(TComponent* AOwner) : Base(AOwner) {}
  ~TMMBlockPart() override { Tell(2); }
  void SetParent(TWinControl* value) override;
  bool RoleGiven() const { return FRoleGiven; }

protected:
  void Tell(WPARAM kind);
  bool FRoleGiven = false;
};

class TMMCustomBlockSlider : public TMMBlockPart<TMMCustomMixerSlider> {
public:
  explicit TMMCustomBlockSlider(TComponent* AOwner) : TMMBlockPart(AOwner) {}
  TMMBlockSliderRole Role() const { return FRole; }
  void SetRole(TMMBlockSliderRole value);
  TMMBlockSliderStyle Style() const { return ssWin95; }
  void SetStyle(TMMBlockSliderStyle) {}
  // The role without telling the block (the block's own role assignment).
  void AssignRole(TMMBlockSliderRole value) {
    FRole = value;
    FRoleGiven = true;
  }

private:
  TMMBlockSliderRole FRole = srPan;
};
class TMMMixerBlockSlider : public TMMCustomBlockSlider {
public:
  explicit TMMMixerBlockSlider(TComponent* AOwner) : TMMCustomBlockSlider(AOwner) {}
};

class TMMCustomBlockLevel : public TMMBlockPart<TMMCustomLevel> {
public:
  explicit TMMCustomBlockLevel(TComponent* AOwner) : TMMBlockPart(AOwner) {}
  int Role() const { return FRole; }
  void SetRole(int value);
  void AssignRole(int value) {
    FRole = value;
    FRoleGiven = true;
  }

private:
  int FRole = 0;
};
class TMMMixerBlockLevel : public TMMCustomBlockLevel {
public:
  explicit TMMMixerBlockLevel(TComponent* AOwner) : TMMCustomBlockLevel(AOwner) {}
};

class TMMCustomBlockCheck : public TMMBlockPart<TMMCustomMixerCheckBox> {
public:
  explicit TMMCustomBlockCheck(TComponent* AOwner) : TMMBlockPart(AOwner) {}
};
class TMMMixerBlockCheck : public TMMCustomBlockCheck {
public:
  explicit TMMMixerBlockCheck(TComponent* AOwner) : TMMCustomBlockCheck(AOwner) {}
};

class TMMCustomBlockLabel : public TMMBlockPart<TLabel> {
public:
  explicit TMMCustomBlockLabel(TComponent* AOwner) : TMMBlockPart(AOwner) {}
  TMMBlockLabelRole Role() const { return FRole; }
  void SetRole(TMMBlockLabelRole value);
  void AssignRole(TMMBlockLabelRole value) {
    FRole = value;
    FRoleGiven = true;
  }

private:
  TMMBlockLabelRole FRole = lrLineTitle;
};
class TMMMixerBlockLabel : public TMMCustomBlockLabel {
public:
  explicit TMMMixerBlockLabel(TComponent* AOwner) : TMMCustomBlockLabel(AOwner) {}
};

class TMMMixerBlock : public TMMCustomPanel {
public:
  explicit TMMMixerBlock(TComponent* AOwner);
  ~TMMMixerBlock() override;

  TMMAudioLine* Line() const { return FLine; }
  void SetLine(TMMAudioLine* value);
  bool AutoArrange() const { return FAutoArrange; }
  void SetAutoArrange(bool value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  TMMBlockStyle Style() const { return bsWin95; }
  void SetStyle(TMMBlockStyle) {}
  TMMCustomMixerControl* Mixer() const { return FMixer; }
  void SetMixer(TMMCustomMixerControl* value);
  TMMItemIndex Item() const { return FItem; }
  void SetItem(TMMItemIndex value);
  TMMMuteKind MuteKind() const;

  // The hidden controls the parts are bound to.
  TMMPanControl* PanControl() const { return FPan; }
  TMMVolumeControl* VolumeControl() const { return FVolume; }
  TMMMixerControl* MuteControl() const { return FMute; }
  TMMMixerControl* PeakControl() const { return FPeak; }
  TMMMixerConnector* Connector() const { return FConnector; }
  // The parts found by the last wiring.
  TMMCustomBlockSlider* PanSlider() const { return FPanSlider; }
  TMMCustomBlockSlider* LeftSlider() const { return FLeftSlider; }
  TMMCustomBlockSlider* RightSlider() const { return FRightSlider; }
  TMMCustomBlockCheck* CheckBox() const { return FCheck; }
  TMMCustomBlockLabel* LineTitle() const { return FLineTitle; }

  // Gives every part the block's look (a block built in code calls this once its parts stand).
  void ApplyPartLooks();
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

  virtual void Rewire();
  virtual void AssignRoles(TControl* part);
  virtual void Arrange();

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  void Scan(TWinControl* parent);
  void LineNotice(TObject* data);
  TMMAudioLine* FLine = nullptr;
  TMMCustomMixerControl* FMixer = nullptr;
  TMMItemIndex FItem = NoItem;
  bool FAutoArrange = true, FAutoSize = true;
  TMMPanControl* FPan;
  TMMVolumeControl* FVolume;
  TMMMixerControl *FMute, *FPeak;
  TMMMixerConnector* FConnector;
  std::unique_ptr<TMMObserver> FLineObserver;
  std::unique_ptr<TMMObserver> FMixerObserver;
  TControl* FRemoving = nullptr;
  bool FArranging = false;
  TMMCustomBlockSlider *FPanSlider = nullptr, *FLeftSlider = nullptr, *FRightSlider = nullptr;
  TMMCustomBlockLevel *FLevel1 = nullptr, *FLevel2 = nullptr;
  TMMCustomBlockCheck* FCheck = nullptr;
  TMMCustomBlockLabel *FLineTitle = nullptr, *FPanTitle = nullptr, *FVolumeTitle = nullptr;
};

template <class Base> void TMMBlockPart<Base>::SetParent(TWinControl* value) {
  if (value && !dynamic_cast<TMMMixerBlock*>(value))
    throw EMMBlockError(LoadLibraryString(MMS_ONLY_WITH_MIXERBLOCK));
  if (value == this->Parent()) return;
  Tell(2);
  Base::SetParent(value);
  Tell(FRoleGiven ? 0 : 1);
}

template <class Base> void TMMBlockPart<Base>::Tell(WPARAM kind) {
  if (auto* block = dynamic_cast<TMMMixerBlock*>(this->Parent()))
    if (!block->ComponentState().Contains(csDestroying))
      block->Perform(MM_BLOCKPART, kind, reinterpret_cast<LPARAM>(static_cast<TControl*>(this)));
}

// Registers the block and its parts (idempotent).
void RegisterMMMixBlk();
