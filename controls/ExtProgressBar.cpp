// The 32-bit progress bar: range and position through the control's 32-bit messages.
#include "ExtProgressBar.h"
#include "SysUtils.h"
#include <commctrl.h>
#include <utility>

TExtProgressBar::TExtProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 150, 16);
}

void TExtProgressBar::CreateParams(TCreateParams& params) {
  InitCommonControlsOnce();
  TWinControl::CreateParams(params);
  params.SysClassName = PROGRESS_CLASSA;
  if (FExtendedStyles.Contains(pbxSmooth)) params.Style |= PBS_SMOOTH;
  if (FExtendedStyles.Contains(pbxVertical)) params.Style |= PBS_VERTICAL;
}

void TExtProgressBar::InitWnd() {
  TWinControl::InitWnd();
  SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FMin), static_cast<LPARAM>(FMax));
  SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

// The window's position outlives the window: a window made again shows it.
void TExtProgressBar::DestroyWnd() {
  if (FHandle) FPosition = static_cast<int>(SendMessageA(FHandle, PBM_GETPOS, 0, 0));
  TWinControl::DestroyWnd();
}

void TExtProgressBar::Loaded() {
  TWinControl::Loaded();
  if (ComponentState().Contains(csDesigning) && FExtendedStyles.Contains(pbxVertical))
    SetBounds(Left(), Top(), Height(), Width());
}

void TExtProgressBar::SetRange(int newMin, int newMax) {
  if (newMax < newMin) throw Exception("Max less than Min in Extended Progress Bar");
  if (newMin == FMin && newMax == FMax) return;
  if (FHandle) {
    SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(newMin), static_cast<LPARAM>(newMax));
    if (newMin < FMin) SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(newMin), 0);
  }
  FMin = newMin;
  FMax = newMax;
}

int TExtProgressBar::Position() {
  if (FHandle) return static_cast<int>(SendMessageA(FHandle, PBM_GETPOS, 0, 0));
  return FPosition;
}

void TExtProgressBar::SetPosition(int value) {
  if (FHandle) SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(value), 0);
  FPosition = value;
}

void TExtProgressBar::SetExtendedStyles(TPBExtendedStyles value) {
  if (value == FExtendedStyles) return;
  if (ComponentState().Contains(csDesigning) &&
      value.Contains(pbxVertical) != FExtendedStyles.Contains(pbxVertical))
    SetBounds(Left(), Top(), Height(), Width());
  FExtendedStyles = value;
  int position = Position();
  RecreateWnd();
  SetPosition(position);
}
