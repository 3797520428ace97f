// Base layer of the sound components: the persistent object with a change event, the bevel that
// frames every visual sound control, the control bases, device identifiers and library resources.
#pragma once
#include "Controls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "MMStrings.h"
#include <exception>
#include <functional>
#include <string>
#include <memory>

// The library's message text n (string resource 28000 + n); empty when missing.
std::string LoadLibraryString(int n);
// The library's cursor n (cursor resource 2000 + n of the program file); nullptr when missing.
HCURSOR LoadLibraryCursor(int n);
// Enters the thirty library cursors in the screen's table under 2001..2030 (start-up).
void LoadLibraryCursors();
constexpr int MMCursorFirst = 2001, MMCursorLast = 2030;
constexpr TCursor crMMHand = 2005; // the hand over a slider's thumb

// True while the component is loaded from its form or its properties are read: setters then
// store values without their side effects.
bool LoadingOrReading(const TComponent* component);

// A persistent object that announces its changes.
class TMMObject : public TPersistent {
public:
  TMMObject() = default;
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
};

using TBevelWidth = int;
using TBorderWidth = int;

// A frame description and its painter: border line, outer bevel, border, inner bevel, space.
class TMMBevel : public TMMObject {
public:
  TMMBevel() = default;
  void Assign(TPersistent* Source) override;

  TPanelBevel BevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel value);
  TPanelBevel BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel value);
  TBevelWidth BevelInnerWidth() const { return FBevelInnerWidth; }
  void SetBevelInnerWidth(TBevelWidth value);
  TBevelWidth BevelOuterWidth() const { return FBevelOuterWidth; }
  void SetBevelOuterWidth(TBevelWidth value);
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderWidth BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(TBorderWidth value);
  TBorderWidth BorderSpace() const { return FBorderSpace; }
  void SetBorderSpace(TBorderWidth value);

  // The six colours by index: border, border space, inner light, inner shadow, outer light,
  // outer shadow.
  TColor Colors(int index) const { return FColors[index]; }
  void SetColors(int index, TColor value);
  TColor BorderColor() const { return FColors[0]; }
  void SetBorderColor(TColor v) { SetColors(0, v); }
  TColor BorderSpaceColor() const { return FColors[1]; }
  void SetBorderSpaceColor(TColor v) { SetColors(1, v); }
  TColor InnerLightColor() const { return FColors[2]; }
  void SetInnerLightColor(TColor v) { SetColors(2, v); }
  TColor InnerShadowColor() const { return FColors[3]; }
  void SetInnerShadowColor(TColor v) { SetColors(3, v); }
  TColor OuterLightColor() const { return FColors[4]; }
  void SetOuterLightColor(TColor v) { SetColors(4, v); }
  TColor OuterShadowColor() const { return FColors[5]; }
  void SetOuterShadowColor(TColor v) { SetColors(5, v); }

  // Pixels the frame takes on each side.
  int BevelExtent() const;
  // Draws the frame inside outer and answers the rectangle left inside it.
  RECT PaintBevel(TCanvas& canvas, const RECT& outer) const;

private:
  TPanelBevel FBevelInner = bvNone, FBevelOuter = bvLowered;
  TBevelWidth FBevelInnerWidth = 1, FBevelOuterWidth = 1;
  TFormBorderStyle FBorderStyle = bsNone;
  TBorderWidth FBorderWidth = 0, FBorderSpace = 0;
  TColor FColors[6] = {clBtnFace,   clBlack,        clBtnHighlight,
                       clBtnShadow, clBtnHighlight, clBtnShadow};
};

// Roots of the library's components.
class TMMComponent : public TComponent {
public:
  explicit TMMComponent(TComponent* AOwner) : TComponent(AOwner) {}
};

class TMMNonVisualComponent : public TMMComponent {
public:
  explicit TMMNonVisualComponent(TComponent* AOwner) : TMMComponent(AOwner) {}
};

// Device numbers; the two named values are registered for the form reader.
using TMMDeviceId = int;
constexpr TMMDeviceId MapperId = -1, badDeviceId = -2;

// A windowed sound control framed by its own bevel.
class TMMCustomControl : public TCustomControl {
public:
  explicit TMMCustomControl(TComponent* AOwner);
  ~TMMCustomControl() override;
  TMMBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(TMMBevel* value) { FBevel->Assign(value); }
  RECT ClientRect() override;

protected:
  void Paint() override;
  virtual void BevelChanged();

private:
  std::unique_ptr<TMMBevel> FBevel;
};

// A panel framed by the library's bevel instead of its own.
class TMMCustomPanel : public TCustomPanel {
public:
  using TMMPanelPaintEvent = std::function<void(TMMCustomPanel* Panel)>;
  explicit TMMCustomPanel(TComponent* AOwner);
  ~TMMCustomPanel() override;
  TMMBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(TMMBevel* value) { FBevel->Assign(value); }
  // When assigned, replaces the default painting.
  TMMPanelPaintEvent OnPaint;

protected:
  void Paint() override;
  void AlignControls(RECT& rect) override;
  virtual void BevelChanged();

private:
  std::unique_ptr<TMMBevel> FBevel;
};

// A windowless sound control framed by its own bevel.
class TMMGraphicControl : public TGraphicControl {
public:
  explicit TMMGraphicControl(TComponent* AOwner);
  ~TMMGraphicControl() override;
  TMMBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(TMMBevel* value) { FBevel->Assign(value); }
  RECT ClientRect() override;
  // Leaves the inner rectangle unfilled while set (the control paints all of it itself).
  bool NoFill() const { return FNoFill; }
  void SetNoFill(bool value) { FNoFill = value; }

  // True while the displays' screen drawing is held on this thread (see TMMDrawHold).
  static bool DrawingHeld();

protected:
  void Paint() override;
  virtual void BevelChanged();
  // While the drawing is held, keeps draw (the control's latest, replacing an earlier one) for
  // the end of the hold and answers true; otherwise answers false and the caller draws now.
  bool HoldDrawing(std::function<void()> draw);

private:
  std::unique_ptr<TMMBevel> FBevel;
  bool FNoFill = false;
};

// Holds the sound displays' screen drawing on this thread for its life: a display fed several
// frames meanwhile keeps their state and draws once, with its latest picture, at Release.
class TMMDrawHold {
public:
  TMMDrawHold();
  ~TMMDrawHold(); // releases what Release did not, reporting nothing
  TMMDrawHold(const TMMDrawHold&) = delete;
  TMMDrawHold& operator=(const TMMDrawHold&) = delete;
  using TFailure = std::function<void(TMMGraphicControl*, std::exception_ptr)>;
  // Ends the hold and draws each held control once; a control whose drawing raises goes to
  // failed, and the others still draw.
  void Release(const TFailure& failed);

private:
  bool FReleased = false;
};
