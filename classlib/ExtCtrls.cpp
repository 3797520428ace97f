// Timers, panels, paint boxes and images.
#include "ExtCtrls.h"
#include "SysUtils.h"
#include <algorithm>

// --- TTimer --------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindow = AllocateHWnd([this](UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg != WM_TIMER) return false;
    if (FEnabled) Timer();
    return true;
  });
  Update();
}

TTimer::~TTimer() {
  FEnabled = false;
  KillTimer(FWindow, 1);
  DeallocateHWnd(FWindow);
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

void TTimer::Update() {
  KillTimer(FWindow, 1);
  if (FEnabled && FInterval > 0 && !SetTimer(FWindow, 1, FInterval, nullptr))
    throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Update();
}

void TTimer::SetInterval(unsigned value) {
  if (value == FInterval) return;
  FInterval = value;
  Update();
}

// --- TCustomPanel
// -----------------------------------------------------------------------------------------

void Frame3D(TCanvas& canvas, RECT& r, TColor topColor, TColor bottomColor, int width) {
  for (int i = 0; i < width; ++i) {
    --r.right;
    --r.bottom;
    canvas.Pen().SetColor(topColor);
    POINT topLeft[] = {{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}};
    canvas.Polyline(topLeft, 3);
    canvas.Pen().SetColor(bottomColor);
    POINT bottomRight[] = {{r.right, r.top}, {r.right, r.bottom}, {r.left - 1, r.bottom}};
    canvas.Polyline(bottomRight, 3);
    ++r.left;
    ++r.top;
  }
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
  FControlStyle.Include(csAcceptsControls);
}

void TCustomPanel::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  if (FBorderStyle == bsFrameSingle) p.Style |= WS_BORDER;
}

void TCustomPanel::SetBevelOuter(TPanelBevel v) {
  FBevelOuter = v;
  Invalidate();
  Realign();
}
void TCustomPanel::SetBevelInner(TPanelBevel v) {
  FBevelInner = v;
  Invalidate();
  Realign();
}
void TCustomPanel::SetBevelWidth(int v) {
  FBevelWidth = v;
  Invalidate();
  Realign();
}
void TCustomPanel::SetBorderWidth(int v) {
  FBorderWidth = v;
  Invalidate();
  Realign();
}
void TCustomPanel::SetBorderStyle(TBorderStyle v) {
  if (v == FBorderStyle) return;
  FBorderStyle = v;
  RecreateWnd();
}
void TCustomPanel::SetAlignment(TAlignment v) {
  FAlignment = v;
  Invalidate();
}

RECT TCustomPanel::ClientRect() {
  RECT r = TCustomControl::ClientRect();
  int inset = FBorderWidth + (FBevelOuter != bvNone ? FBevelWidth : 0) +
              (FBevelInner != bvNone ? FBevelWidth : 0);
  InflateRect(&r, -inset, -inset);
  return r;
}

void TCustomPanel::Paint() {
  TCanvas& c = Canvas();
  RECT r = TCustomControl::ClientRect();
  auto bevel = [&](TPanelBevel b) {
    if (b == bvNone) return;
    if (b == bvSpace) {
      InflateRect(&r, -FBevelWidth, -FBevelWidth);
      return;
    }
    Frame3D(c, r, b == bvLowered ? clBtnShadow : clBtnHighlight,
            b == bvLowered ? clBtnHighlight : clBtnShadow, FBevelWidth);
  };
  bevel(FBevelOuter);
  Frame3D(c, r, Color(), Color(), FBorderWidth);
  bevel(FBevelInner);
  c.Brush().SetColor(Color());
  c.FillRect(r);
  std::string text = Caption();
  if (!text.empty()) {
    c.Brush().SetStyle(bsClear);
    c.Font().Assign(Font());
    unsigned align = FAlignment == taLeftJustify    ? DT_LEFT
                     : FAlignment == taRightJustify ? DT_RIGHT
                                                    : DT_CENTER;
    c.DrawText(text, r, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

// --- TPaintBox, TImage, TBevel -------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 105;
  FHeight = 105;
}

void TPaintBox::Paint() {
  Canvas().Font().Assign(Font());
  Canvas().Brush().SetColor(Color());
  if (OnPaint) OnPaint(this);
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 105;
  FHeight = 105;
  FPicture.OnChange = [this](TObject*) { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (FAutoSize && FPicture.Width() > 0)
    SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
  if (auto b = dynamic_cast<TBitmap*>(FPicture.Graphic())) b->SetTransparent(FTransparent);
  Invalidate();
}

void TImage::SetStretch(bool v) {
  FStretch = v;
  Invalidate();
}
void TImage::SetCenter(bool v) {
  FCenter = v;
  Invalidate();
}
void TImage::SetTransparent(bool v) {
  FTransparent = v;
  PictureChanged();
}
void TImage::SetAutoSize(bool v) {
  FAutoSize = v;
  PictureChanged();
}

void TImage::Paint() {
  TGraphic* g = FPicture.Graphic();
  if (!g) return;
  RECT r;
  if (FStretch) {
    r = {0, 0, FWidth, FHeight};
  } else {
    int x = FCenter ? (FWidth - g->Width()) / 2 : 0;
    int y = FCenter ? (FHeight - g->Height()) / 2 : 0;
    r = {x, y, x + g->Width(), y + g->Height()};
  }
  Canvas().StretchDraw(r, *g);
}

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 50;
  FHeight = 50;
}

void TBevel::SetShape(TBevelShape v) {
  FShape = v;
  Invalidate();
}
void TBevel::SetRaised(bool v) {
  FRaised = v;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas& c = Canvas();
  TColor hi = FRaised ? clBtnHighlight : clBtnShadow, lo = FRaised ? clBtnShadow : clBtnHighlight;
  RECT r{0, 0, FWidth, FHeight};
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    c.Pen().SetColor(color);
    c.MoveTo(x1, y1);
    c.LineTo(x2, y2);
  };
  switch (FShape) {
  case bsBox:
    Frame3D(c, r, hi, lo, 1);
    break;
  case bsFrame: {
    RECT outer = r;
    Frame3D(c, outer, hi, lo, 1);
    RECT inner{1, 1, FWidth, FHeight};
    Frame3D(c, inner, lo, hi, 1);
    break;
  }
  case bsTopLine:
    line(hi, 0, 0, FWidth, 0);
    line(lo, 0, 1, FWidth, 1);
    break;
  case bsBottomLine:
    line(hi, 0, FHeight - 2, FWidth, FHeight - 2);
    line(lo, 0, FHeight - 1, FWidth, FHeight - 1);
    break;
  case bsLeftLine:
    line(hi, 0, 0, 0, FHeight);
    line(lo, 1, 0, 1, FHeight);
    break;
  case bsRightLine:
    line(hi, FWidth - 2, 0, FWidth - 2, FHeight);
    line(lo, FWidth - 1, 0, FWidth - 1, FHeight);
    break;
  case bsSpacer:
    break;
  }
}

// --- TRadioGroup
// -----------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(TComponent* AOwner) : TGroupBox(AOwner) {}

void TRadioGroup::AddItem(const std::string& caption) {
  FItems.push_back(caption);
  auto* button = new TRadioButton(this);
  button->SetCaption(caption);
  int index = static_cast<int>(FButtons.size());
  button->OnClick = [this, index](TObject*) {
    if (FUpdating) return;
    FItemIndex = index;
    Click();
  };
  FButtons.push_back(button);
  button->SetParent(this);
  ArrangeButtons();
}

void TRadioGroup::SetItems(const std::vector<std::string>& captions) {
  for (TRadioButton* b : FButtons)
    delete b;
  FButtons.clear();
  FItems.clear();
  FItemIndex = -1;
  for (const auto& c : captions)
    AddItem(c);
}

void TRadioGroup::SetItemIndex(int value) {
  if (value < -1 || value >= Count()) value = -1;
  if (value == FItemIndex) return;
  FUpdating = true;
  if (value >= 0)
    FButtons[value]->SetChecked(true);
  else if (FItemIndex >= 0)
    FButtons[FItemIndex]->SetChecked(false);
  FUpdating = false;
  FItemIndex = value;
}

void TRadioGroup::SetColumns(int value) {
  FColumns = std::max(1, std::min(value, 16));
  ArrangeButtons();
}

void TRadioGroup::Resize() {
  TGroupBox::Resize();
  ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
  if (FButtons.empty()) return;
  int rows = (Count() + FColumns - 1) / FColumns;
  int top = 16, left = 8;
  int colWidth = (FWidth - left - 4) / FColumns;
  int rowHeight = std::max(1, (FHeight - top - 4) / rows);
  for (int i = 0; i < Count(); ++i)
    FButtons[i]->SetBounds(left + (i / rows) * colWidth, top + (i % rows) * rowHeight, colWidth - 4,
                           std::min(rowHeight, 20));
}
