// Buttons with glyphs: the bitmap button and the windowless speed button.
#pragma once
#include "DragDrop.h"
#include "StdCtrls.h"

enum TBitBtnKind {
  bkCustom,
  bkOK,
  bkCancel,
  bkHelp,
  bkYes,
  bkNo,
  bkClose,
  bkAbort,
  bkRetry,
  bkIgnore,
  bkAll
};
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A push button that draws a glyph beside its caption. The glyph's bottom-left pixel is its
// transparent colour; with NumGlyphs 2 the second half of the bitmap is the disabled look. It can
// be the target of a drag (DragDrop.h).
class TBitBtn : public TButton, public TDragClient {
public:
  explicit TBitBtn(TComponent* AOwner);
  TBitmap& Glyph() { return FGlyph; }
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  TBitBtnKind Kind() const { return FKind; }
  void SetKind(TBitBtnKind value); // caption and modal result of the kind
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);
  void Click() override;
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;

private:
  void DrawItem(const DRAWITEMSTRUCT& d);
  TBitmap FGlyph;
  int FNumGlyphs = 1, FSpacing = 4;
  TBitBtnKind FKind = bkCustom;
  TButtonLayout FLayout = blGlyphLeft;
  TCanvas FCanvas;
};

// The width a caption takes on a button face in the canvas's font: its letters' advances, and
// room on both sides of the centred text for the ink of a first or last letter that leans past
// its advance.
int CaptionWidth(TCanvas& canvas, const std::string& caption);

// Draws a glyph (part index of numGlyphs) and a caption centred in rect, as buttons show them.
void DrawButtonFace(TCanvas& canvas, const RECT& rect, TBitmap& glyph, int numGlyphs,
                    const std::string& caption, TButtonLayout layout, int spacing, bool enabled,
                    int offset);

// A flat tool button without a window. With a GroupIndex, buttons of the same group and parent
// stay down one at a time; AllowAllUp lets the last one come up again.
class TSpeedButton : public TGraphicControl {
public:
  explicit TSpeedButton(TComponent* AOwner);
  TBitmap& Glyph() { return FGlyph; }
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  bool Down() const { return FDown; }
  void SetDown(bool value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value) { FGroupIndex = value; }
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool value) { FAllowAllUp = value; }
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  void Click() override;
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  TBitmap FGlyph;
  int FNumGlyphs = 1, FGroupIndex = 0;
  bool FDown = false, FAllowAllUp = false, FFlat = false, FPressed = false, FMouseInside = false;
  TButtonLayout FLayout = blGlyphLeft;
};
