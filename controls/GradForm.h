// A form that paints its own caption bar: a gradient from black to the caption colour, the small
// icon, the caption buttons and the title in white.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "Forms.h"
#include "Graphics.h"
#include "Handles.h"

enum TGFPaintWhen { gfpAlways, gfpActive, gfpNever };
using TGFOnCaptionPaint = std::function<void(TObject* Sender, TCanvas& Canvas, RECT& R)>;

// The form keeps its title itself; the window's own text is kept equal to it, so that the
// taskbar and other programs (which read the window text without asking the window) see it.
class TGradientForm : public TForm {
public:
  explicit TGradientForm(TComponent* AOwner);
  ~TGradientForm() override;

  int GradientColors() const { return FGradientColors; }
  // 8 to 256; anything else is ignored.
  void SetGradientColors(int value);
  TGFPaintWhen PaintGradient() const { return FPaintGradient; }
  void SetPaintGradient(TGFPaintWhen value);
  std::string Caption() const override { return FCaption; }
  void SetCaption(const std::string& value) override;
  TGFOnCaptionPaint OnCaptionPaint;

  // The colour of each gradient step (entry 0 black, the last the caption colour).
  const std::vector<COLORREF>& ActiveColors() const { return FActiveColors; }
  const std::vector<COLORREF>& InactiveColors() const { return FInactiveColors; }
  // The caption bar in window coordinates (empty without a border).
  RECT CaptionRect();
  // Whether the caption shows the active state now.
  bool IsActiveCaption();
  // Paints the caption bar now in the given state.
  void PaintCaption(bool active);
  // The text room of the last painted caption, in window coordinates.
  RECT LastTextRect() const { return FLastTextRect; }

  void WndProc(TMessage& message) override;

protected:
  void InitWnd() override;

private:
  void CalculateColors();
  void MakeCaptionFont();
  void RedrawFrame();
  void DrawCaption(HDC dc, bool active);
  // The steps of DrawCaption; each that takes the text's room narrows it.
  void PaintCaptionBackground(HDC windowDC, HDC dc, int w, int h, bool active);
  void DrawCaptionIcon(HDC dc, RECT& r);
  void DrawCaptionButtons(HDC dc, RECT& r);
  void DrawCaptionText(HDC dc, RECT& r);
  bool ToolWindow() const {
    return BorderStyle() == bsToolWindow || BorderStyle() == bsSizeToolWin;
  }

  int FGradientColors = 64;
  TGFPaintWhen FPaintGradient = gfpAlways;
  std::string FCaption;
  std::vector<COLORREF> FActiveColors, FInactiveColors;
  TGdiObject<HFONT> FCaptionFont;
  RECT FLastTextRect{0, 0, 0, 0};
};
