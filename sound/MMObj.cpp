// Base layer of the sound components.
#include "MMObj.h"
#include "MMUtils.h"
#include "Resources.h"
#include <utility>
#include <vector>

std::string LoadLibraryString(int n) {
  return LoadStr(static_cast<unsigned>(MMS_BASE + n));
}

HCURSOR LoadLibraryCursor(int n) {
  return LoadCursorA(HInstance(), MAKEINTRESOURCEA(2000 + n));
}

void LoadLibraryCursors() {
  if (!Screen) return;
  for (int id = MMCursorFirst; id <= MMCursorLast; ++id)
    Screen->SetCursors(id, LoadLibraryCursor(id - 2000));
}

bool LoadingOrReading(const TComponent* component) {
  TComponentState s = component->ComponentState();
  return s.Contains(csLoading) || s.Contains(csReading);
}

void TMMObject::Changed() {
  if (OnChange) OnChange(this);
}

// --- TMMBevel ------------------------------------------------------------------------------------

void TMMBevel::Assign(TPersistent* Source) {
  auto* b = dynamic_cast<TMMBevel*>(Source);
  if (!b) {
    TMMObject::Assign(Source);
    return;
  }
  SetBevelInner(b->FBevelInner);
  SetBevelOuter(b->FBevelOuter);
  SetBevelInnerWidth(b->FBevelInnerWidth);
  SetBevelOuterWidth(b->FBevelOuterWidth);
  SetBorderStyle(b->FBorderStyle);
  SetBorderWidth(b->FBorderWidth);
  SetBorderSpace(b->FBorderSpace);
  for (int i = 0; i < 6; ++i)
    SetColors(i, b->FColors[i]);
  Changed();
}

void TMMBevel::SetBevelInner(TPanelBevel v) {
  if (StoreChanged(FBevelInner, v)) Changed();
}
void TMMBevel::SetBevelOuter(TPanelBevel v) {
  if (StoreChanged(FBevelOuter, v)) Changed();
}
void TMMBevel::SetBevelInnerWidth(TBevelWidth v) {
  if (StoreChanged(FBevelInnerWidth, v)) Changed();
}
void TMMBevel::SetBevelOuterWidth(TBevelWidth v) {
  if (StoreChanged(FBevelOuterWidth, v)) Changed();
}
void TMMBevel::SetBorderStyle(TFormBorderStyle v) {
  if (StoreChanged(FBorderStyle, v)) Changed();
}
void TMMBevel::SetBorderWidth(TBorderWidth v) {
  if (StoreChanged(FBorderWidth, v)) Changed();
}
void TMMBevel::SetBorderSpace(TBorderWidth v) {
  if (StoreChanged(FBorderSpace, v)) Changed();
}
void TMMBevel::SetColors(int index, TColor v) {
  if (index < 0 || index > 5) return;
  if (StoreChanged(FColors[index], v)) Changed();
}

int TMMBevel::BevelExtent() const {
  return FBorderWidth + FBorderSpace + (FBevelOuter != bvNone ? FBevelOuterWidth : 0) +
         (FBevelInner != bvNone ? FBevelInnerWidth : 0) + (FBorderStyle == bsSingle ? 1 : 0);
}

RECT TMMBevel::PaintBevel(TCanvas& canvas, const RECT& outer) const {
  RECT r = outer;
  auto bevel = [&](TPanelBevel kind, TColor light, TColor shadow, int width) {
    if (kind == bvNone) return;
    if (kind == bvLowered)
      Frame3D(canvas, r, shadow, light, width);
    else
      Frame3D(canvas, r, light, shadow, width);
  };
  if (FBorderStyle == bsSingle) Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
  bevel(FBevelOuter, OuterLightColor(), OuterShadowColor(), FBevelOuterWidth);
  Frame3D(canvas, r, BorderColor(), BorderColor(), FBorderWidth);
  bevel(FBevelInner, InnerLightColor(), InnerShadowColor(), FBevelInnerWidth);
  if (FBorderSpace > 0) Frame3D(canvas, r, BorderSpaceColor(), BorderSpaceColor(), FBorderSpace);
  return r;
}

// --- control bases -------------------------------------------------------------------------------

namespace {
RECT ShrunkBy(RECT r, int extent) {
  InflateRect(&r, -extent, -extent);
  return r;
}
} // namespace

TMMCustomControl::TMMCustomControl(TComponent* AOwner)
    : TCustomControl(AOwner), FBevel(new TMMBevel) {
  FControlStyle.Include(csOpaque);
  FBevel->OnChange = [this](TObject*) { BevelChanged(); };
}

TMMCustomControl::~TMMCustomControl() {}

RECT TMMCustomControl::ClientRect() {
  return ShrunkBy({0, 0, Width(), Height()}, FBevel->BevelExtent());
}

void TMMCustomControl::BevelChanged() {
  Invalidate();
}

void TMMCustomControl::Paint() {
  RECT inner = FBevel->PaintBevel(Canvas(), {0, 0, Width(), Height()});
  Canvas().Brush().SetStyle(bsSolid);
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(inner);
}

TMMCustomPanel::TMMCustomPanel(TComponent* AOwner) : TCustomPanel(AOwner), FBevel(new TMMBevel) {
  SetBevelOuter(bvNone);
  SetBevelInner(bvNone);
  FBevel->OnChange = [this](TObject*) { BevelChanged(); };
}

TMMCustomPanel::~TMMCustomPanel() {}

void TMMCustomPanel::BevelChanged() {
  Realign();
  Invalidate();
}

void TMMCustomPanel::AlignControls(RECT& rect) {
  rect = ShrunkBy(rect, FBevel->BevelExtent());
  TCustomPanel::AlignControls(rect);
}

void TMMCustomPanel::Paint() {
  if (OnPaint) {
    OnPaint(this);
    return;
  }
  TCanvas& c = Canvas();
  RECT inner = FBevel->PaintBevel(c, {0, 0, Width(), Height()});
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(inner);
  std::string text = Caption();
  if (text.empty()) return;
  c.Brush().SetStyle(bsClear);
  c.Font().Assign(Font());
  int textHeight = c.TextHeight("W");
  RECT r = inner;
  r.top = (inner.top + inner.bottom) / 2 - textHeight / 2;
  unsigned align = Alignment() == taLeftJustify    ? DT_LEFT
                   : Alignment() == taRightJustify ? DT_RIGHT
                                                   : DT_CENTER;
  c.DrawText(text, r, align | DT_EXPANDTABS | DT_SINGLELINE | DT_NOPREFIX);
}

TMMGraphicControl::TMMGraphicControl(TComponent* AOwner)
    : TGraphicControl(AOwner), FBevel(new TMMBevel) {
  FControlStyle.Include(csOpaque);
  FBevel->OnChange = [this](TObject*) { BevelChanged(); };
}

namespace {

// The held drawings of the one thread that holds (the window thread's display step).
struct THeldDrawings {
  DWORD Thread = 0;
  int Depth = 0;
  std::vector<std::pair<TMMGraphicControl*, std::function<void()>>> Draws;
};

THeldDrawings& Held() {
  static THeldDrawings held;
  return held;
}

} // namespace

TMMGraphicControl::~TMMGraphicControl() {
  auto& draws = Held().Draws;
  std::erase_if(draws, [this](const auto& d) { return d.first == this; });
}

bool TMMGraphicControl::DrawingHeld() {
  const THeldDrawings& h = Held();
  return h.Depth > 0 && h.Thread == GetCurrentThreadId();
}

bool TMMGraphicControl::HoldDrawing(std::function<void()> draw) {
  if (!DrawingHeld()) return false;
  for (auto& d : Held().Draws)
    if (d.first == this) {
      d.second = std::move(draw);
      return true;
    }
  Held().Draws.emplace_back(this, std::move(draw));
  return true;
}

TMMDrawHold::TMMDrawHold() {
  THeldDrawings& h = Held();
  if (h.Depth++ == 0) h.Thread = GetCurrentThreadId();
}

TMMDrawHold::~TMMDrawHold() {
  try {
    Release([](TMMGraphicControl*, std::exception_ptr) {});
  } catch (...) {
  }
}

void TMMDrawHold::Release(const TFailure& failed) {
  if (FReleased) return;
  FReleased = true;
  THeldDrawings& h = Held();
  if (--h.Depth > 0) return; // an outer hold draws
  h.Thread = 0;
  // Drawn with the hold ended, so that each draws for real; a control freed by another's
  // drawing leaves the list in its destructor.
  while (!h.Draws.empty()) {
    auto [control, draw] = std::move(h.Draws.front());
    h.Draws.erase(h.Draws.begin());
    try {
      draw();
    } catch (...) {
      failed(control, std::current_exception());
    }
  }
}

RECT TMMGraphicControl::ClientRect() {
  return ShrunkBy({0, 0, Width(), Height()}, FBevel->BevelExtent());
}

void TMMGraphicControl::BevelChanged() {
  Invalidate();
}

void TMMGraphicControl::Paint() {
  RECT inner = FBevel->PaintBevel(Canvas(), {0, 0, Width(), Height()});
  if (FNoFill) return;
  Canvas().Brush().SetStyle(bsSolid);
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(inner);
}
