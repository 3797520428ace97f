// Timers, panels, paint boxes and images.
#pragma once
#include "Controls.h"
#include "StdCtrls.h"

// Fires OnTimer every Interval milliseconds while enabled, on the window thread.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned value);
  TNotifyEvent OnTimer;

protected:
  virtual void Timer();

private:
  void Update();
  bool FEnabled = true;
  unsigned FInterval = 1000;
  HWND FWindow = nullptr;
};

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNoBorder, bsFrameSingle }; // a control's own border

// Draws a 3-D frame like a panel's: outer then inner bevel, BorderWidth apart.
void Frame3D(TCanvas& canvas, RECT& rect, TColor topColor, TColor bottomColor, int width);

// The panel's behaviour; TPanel is the panel the forms place, others derive from this one.
class TCustomPanel : public TCustomControl {
public:
  explicit TCustomPanel(TComponent* AOwner);
  TPanelBevel BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel value);
  TPanelBevel BevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  RECT ClientRect() override; // less the bevels, for aligned children

protected:
  void Paint() override;
  void CreateParams(TCreateParams& params) override;

private:
  TPanelBevel FBevelOuter = bvRaised, FBevelInner = bvNone;
  int FBevelWidth = 1, FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNoBorder;
  TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// A windowless area that its owner paints in OnPaint.
class TPaintBox : public TGraphicControl {
public:
  explicit TPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;

protected:
  void Paint() override;
};

class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* AOwner);
  TPicture& Picture() { return FPicture; }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);

protected:
  void Paint() override;

private:
  void PictureChanged();
  TPicture FPicture;
  bool FStretch = false, FCenter = false, FTransparent = false, FAutoSize = false;
};

// A sunken or raised line or box.
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
class TBevel : public TGraphicControl {
public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape value);
  bool Raised() const { return FRaised; }
  void SetRaised(bool value);

protected:
  void Paint() override;

private:
  TBevelShape FShape = bsBox;
  bool FRaised = false;
};

// A group box of radio buttons made from Items; ItemIndex is the checked one (-1 none).
class TRadioGroup : public TGroupBox {
public:
  explicit TRadioGroup(TComponent* AOwner);
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int value);
  int Columns() const { return FColumns; }
  void SetColumns(int value);
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Items(int index) const { return FItems.at(index); }
  void AddItem(const std::string& caption);
  void SetItems(const std::vector<std::string>& captions);
  TRadioButton* Buttons(int index) const { return FButtons.at(index); }

protected:
  void Resize() override;

private:
  void ArrangeButtons();
  std::vector<std::string> FItems;
  std::vector<TRadioButton*> FButtons;
  int FItemIndex = -1, FColumns = 1;
  bool FUpdating = false;
};
