// The library's track bar.
#include "MMSlider.h"
#include "MMProps.h"
#include "MMUtils.h"
#include <cmath>
#include <map>
#include <memory>
#include <utility>

// --- TBitmapCache --------------------------------------------------------------------------------

namespace {

struct TCacheEntry {
  std::unique_ptr<TBitmap> Bitmap;
  int Users = 0;
};
// Never destroyed: a slider may still go after the statics at exit, and gives its bitmap back.
std::map<std::pair<int, int>, TCacheEntry>& Cache = *new std::map<std::pair<int, int>, TCacheEntry>;

} // namespace

TBitmap* TBitmapCache::Acquire(int width, int height) {
  width = width < 0 ? 0 : width;
  height = height < 0 ? 0 : height;
  TCacheEntry& entry = Cache[{width, height}];
  if (!entry.Bitmap) entry.Bitmap = std::make_unique<TBitmap>(width, height);
  ++entry.Users;
  return entry.Bitmap.get();
}

void TBitmapCache::Release(TBitmap* bitmap) {
  if (!bitmap) return;
  for (auto it = Cache.begin(); it != Cache.end(); ++it) {
    if (it->second.Bitmap.get() != bitmap) continue;
    if (--it->second.Users == 0) Cache.erase(it);
    break;
  }
}

int TBitmapCache::Count() {
  return static_cast<int>(Cache.size());
}

int TBitmapCache::Users(int width, int height) {
  auto it = Cache.find({width, height});
  return it == Cache.end() ? 0 : it->second.Users;
}

// --- blink timer
// -----------------------------------------------------------------------------------

namespace {
// One timer serves the one focused slider.
TTimer* BlinkTimer = nullptr;
TMMCustomSlider* BlinkSlider = nullptr;

} // namespace

void TMMCustomSlider::StartBlink() {
  if (!BlinkTimer) {
    BlinkTimer = new TTimer(nullptr);
    BlinkTimer->SetEnabled(false);
    BlinkTimer->SetInterval(500);
    BlinkTimer->OnTimer = [](TObject*) { BlinkTick(); };
  }
  BlinkSlider = this;
  FBlinkPhase = false;
  BlinkTimer->SetEnabled(true);
}

void TMMCustomSlider::StopBlink() {
  if (BlinkSlider == this) {
    // No slider blinks now: the timer goes until the next one takes the focus.
    BlinkSlider = nullptr;
    FreeAndNil(BlinkTimer);
  }
  FBlinkPhase = false;
}

void TMMCustomSlider::BlinkTick() {
  TMMCustomSlider* s = BlinkSlider;
  if (!s) return;
  // The thumb stays marked while it is dragged.
  s->FBlinkPhase = s->FDragging ? true : !s->FBlinkPhase;
  s->Invalidate();
}

// --- TMMCustomSlider
// ---------------------------------------------------------------------------------

TMMCustomSlider::TMMCustomSlider(TComponent* AOwner)
    : TMMCustomControl(AOwner), FGroove(new TMMBevel), FScale(new TMMScale), FPicLeft(new TBitmap),
      FPicRight(new TBitmap) {
  FWidth = 200;
  FHeight = 40;
  FColor = clWindow;
  FTabStop = true;
  Bevel()->SetBorderWidth(5);
  FScale->SetVisible(false);
  FScale->SetOrigin(soOuter);
  FScale->SetConnect(true);
  FGroove->OnChange = [this](TObject*) { Changed(); };
  FScale->OnChange = [this](TObject*) { Changed(); };
  UpdateThumbRect();
  AcquireBitmap();
}

TMMCustomSlider::~TMMCustomSlider() {
  StopBlink();
  ReleaseBitmap();
}

void TMMCustomSlider::Changed() {
  UpdateThumbRect();
  Invalidate();
}

void TMMCustomSlider::BevelChanged() {
  Changed();
}

void TMMCustomSlider::EnabledChanged() {
  Invalidate();
}

void TMMCustomSlider::PicturesChanged() {
  Changed();
}

void TMMCustomSlider::AcquireBitmap() {
  int w = Width() < 0 ? 0 : Width(), h = Height() < 0 ? 0 : Height();
  if (FBitmap && w == FBitmapWidth && h == FBitmapHeight) return;
  TBitmap* fresh = TBitmapCache::Acquire(w, h);
  ReleaseBitmap();
  FBitmap = fresh;
  FBitmapWidth = w;
  FBitmapHeight = h;
}

void TMMCustomSlider::ReleaseBitmap() {
  if (!FBitmap) return;
  TBitmapCache::Release(FBitmap);
  FBitmap = nullptr;
}

void TMMCustomSlider::Loaded() {
  TMMCustomControl::Loaded();
  // The range rule was left out while loading.
  SetRange(FMinValue, FMaxValue);
  AcquireBitmap();
  UpdateThumbRect();
}

void TMMCustomSlider::SetBounds(int left, int top, int width, int height) {
  TMMCustomControl::SetBounds(left, top, width, height);
  AcquireBitmap();
  UpdateThumbRect();
}

void TMMCustomSlider::SetFocusAction(TMMFocusAction v) {
  if (StoreChanged(FFocusAction, v)) Invalidate();
}
void TMMCustomSlider::SetFocusColor(TColor v) {
  if (StoreChanged(FFocusColor, v)) Invalidate();
}
void TMMCustomSlider::SetGrooveColor(TColor v) {
  if (StoreChanged(FGrooveColor, v)) Invalidate();
}
void TMMCustomSlider::SetThumbColor(TColor v) {
  if (StoreChanged(FThumbColor, v)) Invalidate();
}
void TMMCustomSlider::SetThumbBorder(bool v) {
  if (StoreChanged(FThumbBorder, v)) Invalidate();
}
void TMMCustomSlider::SetDisabledColor(TColor v) {
  if (StoreChanged(FDisabledColor, v)) Invalidate();
}
void TMMCustomSlider::SetGrooveSize(int v) {
  if (StoreChanged(FGrooveSize, v)) Changed();
}
void TMMCustomSlider::SetThumbWidth(int v) {
  if (StoreChanged(FThumbWidth, v)) Changed();
}
void TMMCustomSlider::SetThumbHeight(int v) {
  if (StoreChanged(FThumbHeight, v)) Changed();
}
void TMMCustomSlider::SetThumbStyle(TMMThumbStyle v) {
  if (StoreChanged(FThumbStyle, v)) Invalidate();
}
void TMMCustomSlider::SetGrooveStyle(TMMGrooveStyle v) {
  if (StoreChanged(FGrooveStyle, v)) Invalidate();
}
void TMMCustomSlider::SetScaleDistance(int v) {
  if (StoreChanged(FScaleDistance, v)) Changed();
}
void TMMCustomSlider::SetScalePosition(TMMScalePos v) {
  if (StoreChanged(FScalePosition, v)) Changed();
}

void TMMCustomSlider::SetOrientation(TMMOrientation v) {
  if (v != FOrientation) {
    FOrientation = v;
    if (ComponentState().Contains(csDesigning) && !LoadingOrReading(this)) {
      std::swap(FThumbWidth, FThumbHeight);
      bool tall = Height() > Width();
      if (tall != (v == orVertical)) SetBounds(Left(), Top(), Height(), Width());
    }
  }
  Changed();
}

void TMMCustomSlider::SetRange(int minValue, int maxValue) {
  FMinValue = minValue;
  FMaxValue = maxValue;
  if (LoadingOrReading(this)) return;
  if (FMaxValue < FMinValue + 1) FMaxValue = FMinValue + 1;
  int p = Position();
  SetPosition(MinMax(p, FMinValue, FMaxValue));
  Changed();
}

int TMMCustomSlider::Position() const {
  int p = MinMax(FThumbPos, FMinValue, FMaxValue);
  const int range = FMaxValue - FMinValue;
  if (!FLogarithmic || p == 0 || range <= 0) return p;
  const double s = -FSensitivity, r = range;
  double v = r * std::pow(10.0, (s * p / r - s) * 0.05);
  return MinMax(Round(v), FMinValue, FMaxValue);
}

void TMMCustomSlider::SetPosition(int value) {
  int thumb;
  const int range = FMaxValue - FMinValue;
  if (!FLogarithmic || range <= 0) {
    thumb = value;
  } else if (value <= 0) {
    // No logarithm for these: the bottom of the scale.
    thumb = FMinValue;
  } else {
    const double s = -FSensitivity, r = range;
    thumb = Round(r * (20.0 * std::log10(value / r) + s) / s);
  }
  if (!LoadingOrReading(this)) thumb = MinMax(thumb, FMinValue, FMaxValue);
  if (thumb == FThumbPos) return;
  FThumbPos = thumb;
  RECT old = FThumbRect;
  UpdateThumbRect();
  if (!EqualRect(&old, &FThumbRect)) Invalidate();
  Change();
}

bool TMMCustomSlider::SetThumbPosition(int value) {
  if (value == FThumbPos || value < FMinValue || value > FMaxValue) return false;
  FThumbPos = value;
  RECT old = FThumbRect;
  UpdateThumbRect();
  if (!EqualRect(&old, &FThumbRect)) Invalidate();
  Change();
  return true;
}

void TMMCustomSlider::SetLogarithmic(bool v) {
  if (v == FLogarithmic) return;
  int p = Position();
  FLogarithmic = v;
  SetPosition(p);
  Invalidate();
}

void TMMCustomSlider::SetSensitivity(int v) {
  v = MinMax(v, -96, -20);
  if (v == FSensitivity) return;
  int p = Position();
  FSensitivity = v;
  SetPosition(p);
  Invalidate();
}

void TMMCustomSlider::Change() {
  if (LoadingOrReading(this)) return;
  if (OnChange) OnChange(this);
}

void TMMCustomSlider::Track() {
  FTracking = true;
  if (OnTrack) OnTrack(this);
}

void TMMCustomSlider::TrackEnd() {
  if (!FTracking) return;
  if (OnTrackEnd) OnTrackEnd(this);
  FTracking = false;
}

// --- geometry ------------------------------------------------------------------------------------

TMMCustomSlider::TLayout TMMCustomSlider::Layout() const {
  TLayout l;
  l.Client = {0, 0, Width(), Height()};
  int e = Bevel()->BevelExtent();
  InflateRect(&l.Client, -e, -e);
  const bool horizontal = FOrientation == orHorizontal;
  // Pictures take the ends: left and right when horizontal, bottom and top when vertical.
  int before = FPicLeft->Empty() ? 0 : (horizontal ? FPicLeft->Width() : FPicLeft->Height());
  int after = FPicRight->Empty() ? 0 : (horizontal ? FPicRight->Width() : FPicRight->Height());
  if (horizontal) {
    l.Start = l.Client.left + before;
    l.End = l.Client.right - after;
    l.Centre = (l.Client.top + l.Client.bottom) / 2;
  } else {
    l.Start = l.Client.top + after;
    l.End = l.Client.bottom - before;
    l.Centre = (l.Client.left + l.Client.right) / 2;
  }
  // A control narrower than its thumb and pictures still has one step to divide by.
  l.Usable = std::max(1, l.End - l.Start - AlongThumb());
  return l;
}

void TMMCustomSlider::UpdateThumbRect() {
  TLayout l = Layout();
  const int range = FMaxValue - FMinValue;
  int p = MinMax(FThumbPos, FMinValue, FMaxValue) - FMinValue;
  int offset = range > 0 ? Round(static_cast<double>(p) * l.Usable / range) : 0;
  if (FOrientation == orHorizontal) {
    int left = l.Start + offset;
    int top = l.Centre - FThumbHeight / 2;
    FThumbRect = {left, top, left + FThumbWidth, top + FThumbHeight};
  } else {
    int top = l.End - FThumbHeight - offset;
    int left = l.Centre - FThumbWidth / 2;
    FThumbRect = {left, top, left + FThumbWidth, top + FThumbHeight};
  }
}

RECT TMMCustomSlider::GrooveRect() const {
  TLayout l = Layout();
  int across = FGrooveSize + 2 * FGroove->BevelExtent();
  int low = l.Centre - across / 2;
  if (FOrientation == orHorizontal) return {l.Start, low, l.End, low + across};
  return {low, l.Start, low + across, l.End};
}

int TMMCustomSlider::PointToPosition(int x, int y) const {
  TLayout l = Layout();
  const int range = FMaxValue - FMinValue;
  double along = FOrientation == orHorizontal ? x - l.Start - FThumbWidth / 2
                                              : (l.End - 1) - y - FThumbHeight / 2;
  int p = Round(along / l.Usable * range) + FMinValue;
  return MinMax(p, FMinValue, FMaxValue);
}

// --- painting ------------------------------------------------------------------------------------

void TMMCustomSlider::Paint() {
  AcquireBitmap();
  if (!FBitmap || Width() <= 0 || Height() <= 0) return;
  PaintTo(FBitmap->Canvas());
  BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), FBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TMMCustomSlider::PaintTo(TCanvas& c) {
  UpdateThumbRect();
  TLayout l = Layout();
  const bool horizontal = FOrientation == orHorizontal;
  const bool focused = const_cast<TMMCustomSlider*>(this)->Focused();
  RECT inner = Bevel()->PaintBevel(c, {0, 0, Width(), Height()});
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(inner);

  if (FScale->Visible()) {
    FScale->SetCanvas(&c);
    int half = AlongThumb() / 2;
    int room = FScale->Room();
    auto drawAt = [&](TMMScalePos side) {
      int nearEdge = side == TMMScalePos::spAboveOrLeft ? l.Centre - FScaleDistance - room
                                                        : l.Centre + FScaleDistance;
      RECT r = horizontal
                   ? RECT{l.Start + half, nearEdge, l.Start + half + l.Usable + 1, nearEdge + room}
                   : RECT{nearEdge, l.Start + half, nearEdge + room, l.Start + half + l.Usable + 1};
      FScale->Draw(r, side);
    };
    if (FScalePosition != TMMScalePos::spBelowOrRight) drawAt(TMMScalePos::spAboveOrLeft);
    if (FScalePosition != TMMScalePos::spAboveOrLeft) drawAt(TMMScalePos::spBelowOrRight);
    FScale->SetCanvas(nullptr);
  }

  RECT groove = GrooveRect();
  if (FGrooveStyle == gsOwnerDraw && OnDrawGroove) {
    OnDrawGroove(this, c, groove);
  } else {
    RECT g = FGroove->PaintBevel(c, groove);
    bool focusFill = focused && (FFocusAction == faFocusColor || FFocusAction == faAll);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(focusFill ? FFocusColor : FGrooveColor);
    c.FillRect(g);
  }
  if (focused && (FFocusAction == faFocusRect || FFocusAction == faAll)) {
    RECT f = groove;
    InflateRect(&f, 2, 2);
    c.Brush().SetColor(Color());
    c.DrawFocusRect(f);
  }

  // End pictures, transparent, centred in their ends.
  auto picture = [&](TBitmap& pic, bool first) {
    if (pic.Empty()) return;
    RECT end = horizontal ? (first ? RECT{l.Client.left, l.Client.top, l.Start, l.Client.bottom}
                                   : RECT{l.End, l.Client.top, l.Client.right, l.Client.bottom})
                          : (first ? RECT{l.Client.left, l.End, l.Client.right, l.Client.bottom}
                                   : RECT{l.Client.left, l.Client.top, l.Client.right, l.Start});
    int x = (end.left + end.right - pic.Width()) / 2, y = (end.top + end.bottom - pic.Height()) / 2;
    pic.SetTransparent(true);
    c.Draw(x, y, pic);
  };
  picture(*FPicLeft, true);
  picture(*FPicRight, false);

  DrawThumb(c);
}

void TMMCustomSlider::DrawThumb(TCanvas& c) {
  RECT r = FThumbRect;
  const bool focused = const_cast<TMMCustomSlider*>(this)->Focused();
  if (FThumbStyle == tsOwnerDraw) {
    if (OnDrawThumb) OnDrawThumb(this, c, r, FDragging, focused);
    return;
  }
  if (FThumbBorder) {
    Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
  } else {
    // Only the right and bottom edges of the border.
    c.Pen().SetColor(clWindowFrame);
    POINT edge[] = {{r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left - 1, r.bottom - 1}};
    c.Polyline(edge, 3);
    --r.right;
    --r.bottom;
  }
  Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(FThumbColor);
  c.FillRect(r);
  bool blink = FBlinkPhase && (FFocusAction == faFocusThumb || FFocusAction == faAll);
  if (!Enabled() || blink) {
    TColor dots = !Enabled() ? FDisabledColor : clBlack;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if ((x & 1) == (y & 1)) c.SetPixels(x, y, dots);
  }
}

// --- keys, mouse and messages
// ----------------------------------------------------------------------

void TMMCustomSlider::KeyDown(WORD& key, TShiftState shift) {
  TMMCustomControl::KeyDown(key, shift);
  const int p = FThumbPos;
  const bool vertical = FOrientation == orVertical;
  int target = p;
  bool handled = true;
  switch (key) {
  case VK_PRIOR:
    target = std::min(p + FPageSize, FMaxValue);
    break;
  case VK_NEXT:
    target = std::max(p - FPageSize, FMinValue);
    break;
  case VK_END:
    target = vertical ? FMinValue : FMaxValue;
    break;
  case VK_HOME:
    target = vertical ? FMaxValue : FMinValue;
    break;
  case VK_LEFT:
  case VK_DOWN:
    if (p > FMinValue) target = p - FLineSize;
    break;
  case VK_RIGHT:
  case VK_UP:
    if (p < FMaxValue) target = p + FLineSize;
    break;
  default:
    handled = false;
  }
  if (handled && SetThumbPosition(target)) Track();
}

void TMMCustomSlider::KeyUp(WORD& key, TShiftState shift) {
  TMMCustomControl::KeyUp(key, shift);
  TrackEnd();
}

void TMMCustomSlider::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (CanFocus() && !Focused()) SetFocus();
  if (button == mbLeft) {
    POINT pt{x, y};
    if (PtInRect(&FThumbRect, pt)) FDragging = true;
    FLastMouse = pt;
    SetThumbPosition(PointToPosition(x, y));
    Track();
  }
  TMMCustomControl::MouseDown(button, shift, x, y);
}

void TMMCustomSlider::MouseMove(TShiftState shift, int x, int y) {
  POINT pt{x, y};
  if (shift.Contains(ssLeft) && FDragging) {
    FLastMouse = pt;
    if (SetThumbPosition(PointToPosition(x, y))) Track();
  } else {
    FHover = PtInRect(&FThumbRect, pt) != FALSE;
  }
  TMMCustomControl::MouseMove(shift, x, y);
}

void TMMCustomSlider::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  bool wasDragging = FDragging;
  FDragging = false;
  if (wasDragging) Invalidate();
  TrackEnd();
  TMMCustomControl::MouseUp(button, shift, x, y);
}

void TMMCustomSlider::WndProc(TMessage& m) {
  switch (m.Msg) {
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    if (FFocusAction != faNone) {
      if (m.Msg == WM_SETFOCUS && (FFocusAction == faFocusThumb || FFocusAction == faAll))
        StartBlink();
      if (m.Msg == WM_KILLFOCUS) StopBlink();
      Invalidate();
    }
    break;
  case WM_GETDLGCODE:
    m.Result = DLGC_WANTARROWS;
    return;
  // A trackbar's questions, so that screen readers and other programs can read the slider.
  case TBM_GETPOS:
    m.Result = Position();
    return;
  case TBM_GETRANGEMIN:
    m.Result = FMinValue;
    return;
  case TBM_GETRANGEMAX:
    m.Result = FMaxValue;
    return;
  case WM_SIZE: {
    TMMCustomControl::WndProc(m);
    int w = LOWORD(m.LParam), h = HIWORD(m.LParam);
    SetOrientation(h > w ? orVertical : orHorizontal);
    AcquireBitmap();
    return;
  }
  case WM_SETCURSOR:
    if (LOWORD(m.LParam) == HTCLIENT && Screen->Cursor() == crDefault) {
      POINT p;
      GetCursorPos(&p);
      p = ScreenToClient(p);
      if (PtInRect(&FThumbRect, p)) {
        TCursor c = FHandCursor ? crMMHand : FThumbCursor;
        if (c != crDefault) {
          ::SetCursor(Screen->Cursors(c));
          m.Result = 1;
          return;
        }
      }
    }
    break;
  }
  TMMCustomControl::WndProc(m);
}

// --- registration
// ----------------------------------------------------------------------------------

void RegisterMMSlider() {
  RegisterMMBaseClasses();
  RegisterMMScale();
  if (FindMMClass("TMMSlider")) return;
  using K = TMMPropKind;
  using S = TMMCustomSlider;
  // The control-base properties the slider publishes.
  TMMClassInfo& base = *const_cast<TMMClassInfo*>(FindMMClass("TMMCustomControl"));
  if (base.Props.empty()) {
    TMMPropInfo bevel;
    bevel.Name = "Bevel";
    bevel.Kind = K::pkObject;
    bevel.GetObj = [](TObject* o) -> TPersistent* {
      return static_cast<TMMCustomControl*>(o)->Bevel();
    };
    base.Props.push_back(bevel);
  }
  TMMClassInfo& c = RegisterMMClass<TMMSlider>("TMMSlider", "TMMCustomControl");
  auto object = [](const char* name, TPersistent* (*get)(TObject*)) {
    TMMPropInfo p;
    p.Name = name;
    p.Kind = K::pkObject;
    p.GetObj = get;
    return p;
  };
  TMMPropInfo width = OrdProp("Width", K::pkInteger, &S::Width, &S::SetWidth, 200);
  TMMPropInfo height = OrdProp("Height", K::pkInteger, &S::Height, &S::SetHeight, 40);
  TMMPropInfo color = OrdProp("Color", K::pkColor, &S::Color, &S::SetColor, clWindow);
  TMMPropInfo position;
  position.Name = "Position";
  position.Kind = K::pkInteger;
  position.GetOrd = [](TObject* o) { return int64_t{static_cast<S*>(o)->Position()}; };
  position.SetOrd = [](TObject* o, int64_t v) { static_cast<S*>(o)->SetPosition(int(v)); };
  position.HasDefault = true;
  TMMPropInfo tabStop;
  tabStop.Name = "TabStop";
  tabStop.Kind = K::pkBoolean;
  tabStop.GetOrd = [](TObject* o) { return int64_t{static_cast<S*>(o)->TabStop()}; };
  tabStop.SetOrd = [](TObject* o, int64_t v) { static_cast<S*>(o)->SetTabStop(v != 0); };
  tabStop.HasDefault = true;
  tabStop.Default = 1;
  TMMPropInfo scalePos;
  scalePos.Name = "ScalePosition";
  scalePos.Kind = K::pkEnum;
  scalePos.EnumNames = {"spAboveOrLeft", "spBelowOrRight", "spBoth"};
  scalePos.GetOrd = [](TObject* o) {
    return static_cast<int64_t>(static_cast<S*>(o)->ScalePosition());
  };
  scalePos.SetOrd = [](TObject* o, int64_t v) {
    static_cast<S*>(o)->SetScalePosition(static_cast<TMMScalePos>(v));
  };
  scalePos.HasDefault = true;
  scalePos.Default = static_cast<int64_t>(TMMScalePos::spBelowOrRight);
  TMMPropInfo minValue = OrdProp("MinValue", K::pkInteger, &S::MinValue, &S::SetMinValue, 0);
  TMMPropInfo maxValue = OrdProp("MaxValue", K::pkInteger, &S::MaxValue, &S::SetMaxValue, 10);
  c.Props = {
      width,
      height,
      color,
      object("Groove", [](TObject* o) -> TPersistent* { return static_cast<S*>(o)->Groove(); }),
      OrdProp("FocusAction", K::pkEnum, &S::FocusAction, &S::SetFocusAction, faFocusRect),
      OrdProp("FocusColor", K::pkColor, &S::FocusColor, &S::SetFocusColor, clActiveCaption),
      OrdProp("GrooveColor", K::pkColor, &S::GrooveColor, &S::SetGrooveColor, clBtnFace),
      OrdProp("ThumbColor", K::pkColor, &S::ThumbColor, &S::SetThumbColor, clBtnFace),
      OrdProp("ThumbBorder", K::pkBoolean, &S::ThumbBorder, &S::SetThumbBorder, 1),
      OrdProp("DisabledColor", K::pkColor, &S::DisabledColor, &S::SetDisabledColor, clWhite),
      OrdProp("HandCursor", K::pkBoolean, &S::HandCursor, &S::SetHandCursor, 0),
      OrdProp("ThumbCursor", K::pkCursor, &S::ThumbCursor, &S::SetThumbCursor, crDefault),
      minValue,
      maxValue,
      OrdProp("LineSize", K::pkInteger, &S::LineSize, &S::SetLineSize, 1),
      OrdProp("PageSize", K::pkInteger, &S::PageSize, &S::SetPageSize, 5),
      OrdProp("Orientation", K::pkEnum, &S::Orientation, &S::SetOrientation, orHorizontal),
      position,
      OrdProp("GrooveSize", K::pkInteger, &S::GrooveSize, &S::SetGrooveSize, 3),
      OrdProp("ThumbWidth", K::pkInteger, &S::ThumbWidth, &S::SetThumbWidth, 11),
      OrdProp("ThumbHeight", K::pkInteger, &S::ThumbHeight, &S::SetThumbHeight, 23),
      OrdProp("ThumbStyle", K::pkEnum, &S::ThumbStyle, &S::SetThumbStyle, tsRect),
      OrdProp("GrooveStyle", K::pkEnum, &S::GrooveStyle, &S::SetGrooveStyle, gsRect),
      OrdProp("ScaleDistance", K::pkInteger, &S::ScaleDistance, &S::SetScaleDistance, 10),
      scalePos,
      object("Scale", [](TObject* o) -> TPersistent* { return static_cast<S*>(o)->Scale(); }),
      OrdProp("Logarithmic", K::pkBoolean, &S::Logarithmic, &S::SetLogarithmic, 0),
      OrdProp("Sensitivity", K::pkInteger, &S::Sensitivity, &S::SetSensitivity, -24),
      tabStop,
  };
  c.Events = {"OnChange",    "OnTrack",     "OnTrackEnd", "OnDrawThumb", "OnDrawGroove",
              "OnEnter",     "OnExit",      "OnKeyDown",  "OnKeyUp",     "OnKeyPress",
              "OnMouseDown", "OnMouseMove", "OnMouseUp"};
}
