// The status bar over the common controls' status window.
#include "ComCtrls.h"
#include <commctrl.h>

void TStatusPanel::SetText(const std::string& v) {
  if (v == FText) return;
  FText = v;
  if (FBar) FBar->UpdatePanel(FIndex);
}
void TStatusPanel::SetWidth(int v) {
  FWidth = v;
  if (FBar) FBar->UpdatePanels();
}
void TStatusPanel::SetStyle(TStatusPanelStyle v) {
  FStyle = v;
  if (FBar) FBar->UpdatePanel(FIndex);
}
void TStatusPanel::SetBevel(TStatusPanelBevel v) {
  FBevel = v;
  if (FBar) FBar->UpdatePanel(FIndex);
}
void TStatusPanel::SetAlignment(TAlignment v) {
  FAlignment = v;
  if (FBar) FBar->UpdatePanel(FIndex);
}

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner) {
  InitCommonControlsOnce();
  FHeight = 19;
  FWidth = 200;
  FAlign = alBottom;
}

TStatusBar::~TStatusBar() {
  for (TStatusPanel* p : FPanels)
    delete p;
}

void TStatusBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SysClassName = STATUSCLASSNAMEA;
  // The bar keeps the size and place our alignment gives it.
  p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY | (FSizeGrip ? SBARS_SIZEGRIP : 0);
}

void TStatusBar::InitWnd() {
  UpdatePanels();
}

TStatusPanel& TStatusBar::AddPanel() {
  auto* p = new TStatusPanel();
  p->FBar = this;
  p->FIndex = PanelCount();
  FPanels.push_back(p);
  UpdatePanels();
  return *p;
}

void TStatusBar::ClearPanels() {
  for (TStatusPanel* p : FPanels)
    delete p;
  FPanels.clear();
  UpdatePanels();
}

void TStatusBar::SetSimplePanel(bool v) {
  FSimplePanel = v;
  UpdatePanels();
}

void TStatusBar::SetSimpleText(const std::string& v) {
  FSimpleText = v;
  if (FHandle && FSimplePanel)
    SendMessageA(FHandle, SB_SETTEXTA, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(v.c_str()));
}

void TStatusBar::SetSizeGrip(bool v) {
  if (v == FSizeGrip) return;
  FSizeGrip = v;
  RecreateWnd();
}

void TStatusBar::UpdatePanels() {
  if (!FHandle) return;
  SendMessageA(FHandle, SB_SIMPLE, FSimplePanel, 0);
  if (FSimplePanel) {
    SetSimpleText(FSimpleText);
    return;
  }
  std::vector<int> edges;
  int x = 0;
  for (size_t i = 0; i < FPanels.size(); ++i) {
    x += FPanels[i]->FWidth;
    edges.push_back(i + 1 == FPanels.size() ? -1 : x);
  }
  if (edges.empty()) edges.push_back(-1);
  SendMessageA(FHandle, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < PanelCount(); ++i)
    UpdatePanel(i);
}

void TStatusBar::UpdatePanel(int index) {
  if (!FHandle || FSimplePanel) return;
  TStatusPanel& p = *FPanels.at(index);
  std::string text = p.FText;
  if (p.FAlignment == taCenter) text = "\t" + text;
  if (p.FAlignment == taRightJustify) text = "\t\t" + text;
  WPARAM flags = index;
  if (p.FBevel == pbNone) flags |= SBT_NOBORDERS;
  if (p.FBevel == pbRaised) flags |= SBT_POPOUT;
  if (p.FStyle == psOwnerDraw) {
    flags |= SBT_OWNERDRAW;
    SendMessageA(FHandle, SB_SETTEXTA, flags, reinterpret_cast<LPARAM>(&p));
  } else {
    SendMessageA(FHandle, SB_SETTEXTA, flags, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void TStatusBar::WndProc(TMessage& m) {
  if (m.Msg == CN_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    int index = static_cast<int>(d->itemID);
    if (index >= 0 && index < PanelCount()) {
      FCanvas.SetHandle(d->hDC);
      FCanvas.Font().Assign(FFont);
      FCanvas.Brush().SetColor(clBtnFace);
      if (OnDrawPanel)
        OnDrawPanel(this, *FPanels[index], d->rcItem);
      else
        FCanvas.FillRect(d->rcItem);
      FCanvas.SetHandle(nullptr);
    }
    m.Result = TRUE;
    return;
  }
  if (m.Msg == WM_WINDOWPOSCHANGED) {
    TWinControl::WndProc(m);
    UpdatePanels(); // the last panel reaches the right edge
    return;
  }
  TWinControl::WndProc(m);
}
