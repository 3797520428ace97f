// Common controls: the status bar with its panels.
#pragma once
#include "Controls.h"
#include <vector>

enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusBar;

class TStatusPanel {
public:
  const std::string& Text() const { return FText; }
  void SetText(const std::string& value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  TStatusPanelStyle Style() const { return FStyle; }
  void SetStyle(TStatusPanelStyle value);
  TStatusPanelBevel Bevel() const { return FBevel; }
  void SetBevel(TStatusPanelBevel value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  int Index() const { return FIndex; }

private:
  friend class TStatusBar;
  TStatusBar* FBar = nullptr;
  int FIndex = 0;
  std::string FText;
  int FWidth = 50;
  TStatusPanelStyle FStyle = psText;
  TStatusPanelBevel FBevel = pbLowered;
  TAlignment FAlignment = taLeftJustify;
};

using TDrawPanelEvent =
    std::function<void(TStatusBar* StatusBar, TStatusPanel& Panel, const RECT& Rect)>;

// The status line at the bottom of a form; SimplePanel shows SimpleText across the whole bar.
class TStatusBar : public TWinControl {
public:
  explicit TStatusBar(TComponent* AOwner);
  ~TStatusBar() override;
  int PanelCount() const { return static_cast<int>(FPanels.size()); }
  TStatusPanel& Panels(int index) { return *FPanels.at(index); }
  TStatusPanel& AddPanel();
  void ClearPanels();
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool value);
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& value);
  bool SizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool value);
  TCanvas& Canvas() { return FCanvas; }
  TDrawPanelEvent OnDrawPanel;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;

private:
  friend class TStatusPanel;
  void UpdatePanels();
  void UpdatePanel(int index);
  std::vector<TStatusPanel*> FPanels;
  bool FSimplePanel = false, FSizeGrip = true;
  std::string FSimpleText;
  TCanvas FCanvas;
};
