// The tick scale.
#include "MMScale.h"
#include "MMProps.h"
#include "MMUtils.h"

void TMMCustomScale::Changed() {
  if (OnChange) OnChange(this);
}

void TMMCustomScale::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TMMCustomScale*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  FVisible = s->FVisible;
  FColor = FColor2 = FColor3 = s->FColor;
  FStyle = s->FStyle;
  FTickCount = s->FTickCount;
  FEnlargeEvery = s->FEnlargeEvery;
  FSize = s->FSize;
  FOrigin = s->FOrigin;
  FConnect = s->FConnect;
  Changed();
}

void TMMCustomScale::SetVisible(bool v) {
  if (StoreChanged(FVisible, v)) Changed();
}

void TMMCustomScale::SetColor(TColor v) {
  if (FColor == v && FColor2 == v && FColor3 == v) return;
  FColor = FColor2 = FColor3 = v;
  Changed();
}

void TMMCustomScale::SetStyle(TMMScaleStyle v) {
  if (StoreChanged(FStyle, v)) Changed();
}

void TMMCustomScale::SetTickCount(int v) {
  if (StoreChanged(FTickCount, v)) Changed();
}

void TMMCustomScale::SetEnlargeEvery(int v) {
  if (StoreChanged(FEnlargeEvery, v)) Changed();
}

void TMMCustomScale::SetSize(int v) {
  if (StoreChanged(FSize, v)) Changed();
}

void TMMCustomScale::SetOrigin(TMMScaleOrigin v) {
  if (StoreChanged(FOrigin, v)) Changed();
}

void TMMCustomScale::SetConnect(bool v) {
  if (StoreChanged(FConnect, v)) Changed();
}

void TMMCustomScale::SetZoneColors(TColor first, TColor second, TColor third) {
  FColor = first;
  FColor2 = second;
  FColor3 = third;
}

void TMMCustomScale::SetZonePoints(int first, int second) {
  FPoint1 = first;
  FPoint2 = second;
}

int TMMCustomScale::Room() const {
  return FSize + (FConnect ? 1 : 0) + (FConnect && FStyle != stColor ? 1 : 0);
}

int TMMCustomScale::BaseOffset() const {
  if (!FConnect) return 0;
  return FStyle == stColor ? 1 : 2;
}

// One line in the scale's style; the second line of a 3D pair lies one pixel beside the first
// (to the right of a vertical line, below a horizontal one).
void TMMCustomScale::Line(int x1, int y1, int x2, int y2, TColor color, bool vertical) {
  TCanvas& c = *FCanvas;
  auto draw = [&](int dx, int dy, TColor col) {
    c.Pen().SetColor(col);
    c.MoveTo(x1 + dx, y1 + dy);
    c.LineTo(x2 + dx, y2 + dy);
  };
  int dx = vertical ? 1 : 0, dy = vertical ? 0 : 1;
  switch (FStyle) {
  case stLowered:
    draw(0, 0, clBlack);
    draw(dx, dy, clWhite);
    break;
  case stRaised:
    draw(0, 0, clWhite);
    draw(dx, dy, clBlack);
    break;
  default:
    draw(0, 0, color);
    break;
  }
}

void TMMCustomScale::Draw(const RECT& rect, TMMScalePos side) {
  if (!FCanvas) throw EMMScaleError(LoadLibraryString(MMS_CANVAS_NEEDED));
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  const bool horizontal = w > h;
  // Distance from the first pixel along the scale to the last one.
  const int length = (horizontal ? w : h) - 1;
  if (length < 0) return;
  const bool zoned = !(FColor == FColor2 && FColor2 == FColor3) && FTickCount > 0 && 0 <= FPoint1 &&
                     FPoint1 <= FPoint2 && FPoint2 <= FTickCount && FStyle == stColor;
  const int limit1 = zoned ? FPoint1 * length / FTickCount : 0;
  const int limit2 = zoned ? FPoint2 * length / FTickCount : 0;

  // A scale below or right of its control has its inner edge at its top or left.
  const bool innerIsLow = side != TMMScalePos::spAboveOrLeft;
  const bool fromLow = (FOrigin == soInner) == innerIsLow;
  const int acrossLow = horizontal ? rect.top : rect.left;
  const int acrossHigh = (horizontal ? rect.bottom : rect.right) - 1;
  const int dir = fromLow ? 1 : -1;
  const int edge = fromLow ? acrossLow : acrossHigh;
  const int alongStart = horizontal ? rect.left : rect.top;

  // Points given as (along, across).
  auto line = [&](int along1, int across1, int along2, int across2, TColor color, bool tickLine) {
    bool vertical = horizontal == tickLine;
    if (horizontal)
      Line(along1, across1, along2, across2, color, vertical);
    else
      Line(across1, along1, across2, along2, color, vertical);
  };

  if (FConnect) {
    // The base line (a 3D pair takes two pixels) lies on the origin edge.
    int across = fromLow ? edge : edge - (BaseOffset() - 1);
    int end = alongStart + length + 1;
    if (zoned) {
      line(alongStart, across, alongStart + limit1, across, FColor, false);
      line(alongStart + limit1, across, alongStart + limit2, across, FColor2, false);
      line(alongStart + limit2, across, end, across, FColor3, false);
    } else {
      line(alongStart, across, end, across, FColor, false);
    }
  }

  const int start = edge + dir * BaseOffset();
  for (int i = 0; i < FTickCount; ++i) {
    // One tick has no spacing to divide: it stands at the start.
    int place = FTickCount > 1 ? Round(static_cast<double>(i) * length / (FTickCount - 1)) : 0;
    bool longTick = FEnlargeEvery > 0 && i % FEnlargeEvery == 0;
    int len = longTick ? FSize : FSize / 2;
    if (len <= 0) continue;
    TColor color = FColor;
    if (zoned) color = place < limit1 ? FColor : (place < limit2 ? FColor2 : FColor3);
    line(alongStart + place, start, alongStart + place, start + dir * len, color, true);
  }
}

void RegisterMMScale() {
  if (FindMMClass("TMMScale")) return;
  using K = TMMPropKind;
  using S = TMMCustomScale;
  TMMClassInfo& c = RegisterMMClass<TMMScale>("TMMScale", "");
  c.Props = {
      OrdProp("Visible", K::pkBoolean, &S::Visible, &S::SetVisible, 1),
      OrdProp("Color", K::pkColor, &S::Color, &S::SetColor, clBlack),
      OrdProp("Style", K::pkEnum, &S::Style, &S::SetStyle, stColor),
      OrdProp("TickCount", K::pkInteger, &S::TickCount, &S::SetTickCount, 11),
      OrdProp("EnlargeEvery", K::pkInteger, &S::EnlargeEvery, &S::SetEnlargeEvery, 5),
      OrdProp("Size", K::pkInteger, &S::Size, &S::SetSize, 7),
      OrdProp("Origin", K::pkEnum, &S::Origin, &S::SetOrigin, soInner),
      OrdProp("Connect", K::pkBoolean, &S::Connect, &S::SetConnect, 0),
  };
  c.Props[2].EnumNames = {"stColor", "stLowered", "stRaised"};
  c.Props[6].EnumNames = {"soInner", "soOuter"};
  c.Events = {"OnChange"};
}
