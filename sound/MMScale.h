// The tick scale a sound control draws beside itself: evenly spaced ticks, every n-th one long,
// an optional base line and up to three colour zones set by the owner.
#pragma once
#include "Graphics.h"
#include "MMObj.h"
#include "SysUtils.h"

TB_DECLARE_EXCEPTION(EMMScaleError, Exception);

enum TMMScaleStyle { stColor, stLowered, stRaised };
enum TMMScaleOrigin { soInner, soOuter };
// Which side of its control a scale stands on (the slider may show one on both).
enum class TMMScalePos { spAboveOrLeft, spBelowOrRight, spBoth };

class TMMCustomScale : public TPersistent {
public:
  TMMCustomScale() = default;
  void Assign(TPersistent* Source) override;

  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // Setting Color gives all three zones that colour.
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TMMScaleStyle Style() const { return FStyle; }
  void SetStyle(TMMScaleStyle value);
  int TickCount() const { return FTickCount; }
  void SetTickCount(int value);
  int EnlargeEvery() const { return FEnlargeEvery; }
  void SetEnlargeEvery(int value);
  int Size() const { return FSize; }
  void SetSize(int value);
  TMMScaleOrigin Origin() const { return FOrigin; }
  void SetOrigin(TMMScaleOrigin value);
  bool Connect() const { return FConnect; }
  void SetConnect(bool value);

  // Set by the owner: the canvas to draw on, the zone colours and the zone points (tick units).
  TCanvas* Canvas() const { return FCanvas; }
  void SetCanvas(TCanvas* value) { FCanvas = value; }
  void SetZoneColors(TColor first, TColor second, TColor third);
  void SetZonePoints(int first, int second);

  // Pixels across the scale needs, and where its ticks start from the origin edge.
  int Room() const;
  int BaseOffset() const;
  // Draws into the canvas in rect; side tells on which side of the control the rect lies.
  void Draw(const RECT& rect, TMMScalePos side);

  TNotifyEvent OnChange;

protected:
  void Changed();

private:
  void Line(int x1, int y1, int x2, int y2, TColor color, bool vertical);
  bool FVisible = true;
  TCanvas* FCanvas = nullptr;
  TColor FColor = clBlack, FColor2 = clBlack, FColor3 = clBlack;
  int FPoint1 = 0, FPoint2 = 0;
  TMMScaleStyle FStyle = stColor;
  int FTickCount = 11, FEnlargeEvery = 5, FSize = 7;
  TMMScaleOrigin FOrigin = soInner;
  bool FConnect = false;
};

class TMMScale : public TMMCustomScale {
public:
  TMMScale() = default;
};

// Registers TMMScale's published properties (idempotent).
void RegisterMMScale();
