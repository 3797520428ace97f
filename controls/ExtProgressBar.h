// A progress bar with a 32-bit range and position and the smooth and vertical styles.
#pragma once
#include "Controls.h"

enum TPBExtendedStyle { pbxSmooth, pbxVertical };
using TPBExtendedStyles = TSet<TPBExtendedStyle>;

// The common control's progress bar. Range and position are kept while there is no window and
// sent when it is made (again).
class TExtProgressBar : public TWinControl {
public:
  explicit TExtProgressBar(TComponent* AOwner);

  TPBExtendedStyles ExtendedStyles() const { return FExtendedStyles; }
  void SetExtendedStyles(TPBExtendedStyles value);
  int Min() const { return FMin; }
  void SetMin(int value) { SetRange(value, FMax); }
  int Max() const { return FMax; }
  void SetMax(int value) { SetRange(FMin, value); }
  // Raises "Max less than Min in Extended Progress Bar" and keeps the old range when max < min.
  void SetRange(int newMin, int newMax);
  int Position();
  void SetPosition(int value);
  void StepBy(int delta) { SetPosition(Position() + delta); }

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;
  void DestroyWnd() override;
  void Loaded() override;

private:
  TPBExtendedStyles FExtendedStyles;
  int FMin = 0, FMax = 100, FPosition = 0;
};
