// The main window lays out its player area, catalogue area and status line whenever it resizes.
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>
#include "MainCodeD2.h"
#include "VisualEffects.h"
#include "PlayerCommands.h"

namespace {

constexpr int ToolClearance = 4;  // between a row and the controls beside it
constexpr int LeastGap = 3;       // the gaps of a row in a narrow window
constexpr int CaptionMargin = 12; // a caption and picture clear of the frame and the focus line

// What a button's caption and picture need, or a control's own width.
int LeastWidth(TControl* c) {
  auto* button = dynamic_cast<TButton*>(c);
  if (!button) return c->Width();
  int text = 0;
  if (!button->Caption().empty()) {
    TBitmap probe(1, 1);
    probe.Canvas().Font().Assign(button->Font());
    RECT calc{0, 0, 0, 0};
    probe.Canvas().DrawText(button->Caption(), calc, DT_CALCRECT | DT_SINGLELINE);
    text = calc.right;
  }
  int picture = 0;
  if (auto* b = dynamic_cast<TBitBtn*>(c); b && !b->Glyph().Empty()) {
    picture = b->Glyph().Width() / std::max(1, b->NumGlyphs());
    if (text) picture += b->Spacing();
  }
  return text + picture + CaptionMargin;
}

// One part of a row: a button, or a panel of adjoining buttons inside its own border.
struct TRowGroup {
  struct TLeaf {
    TControl* Button;
    int Natural, Least;
  };
  TControl* Control = nullptr;
  int Gap = 0; // before this part, as the layout wants it
  int Border = 0;
  std::vector<TLeaf> Leaves;

  // The width with every button narrowed by the fraction shrink of what it can give.
  int WidthAt(double shrink) const {
    int width = 2 * Border;
    for (const TLeaf& l : Leaves)
      width += LeafWidth(l, shrink);
    return width;
  }
  static int LeafWidth(const TLeaf& l, double shrink) {
    return l.Natural - static_cast<int>(std::ceil((l.Natural - l.Least) * shrink - 1e-9));
  }
};

TRowGroup GroupOf(TControl* c, const std::function<int(TControl*)>& natural, int gap) {
  TRowGroup g;
  g.Control = c;
  g.Gap = gap;
  auto* panel = dynamic_cast<TPanel*>(c);
  if (!panel || panel->ControlCount() == 0) {
    g.Leaves.push_back({c, natural(c), std::min(LeastWidth(c), natural(c))});
    return g;
  }
  std::vector<TControl*> parts;
  for (int i = 0; i < panel->ControlCount(); ++i)
    if (panel->Controls(i)->Visible()) parts.push_back(panel->Controls(i));
  std::sort(parts.begin(), parts.end(),
            [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
  g.Border = parts.empty() ? 0 : std::max(0, parts.front()->Left());
  for (TControl* p : parts)
    g.Leaves.push_back({p, natural(p), std::min(LeastWidth(p), natural(p))});
  return g;
}

void PlaceGroup(const TRowGroup& g, int left, double shrink) {
  if (g.Leaves.size() == 1 && g.Leaves.front().Button == g.Control) {
    g.Control->SetLeft(left);
    g.Control->SetWidth(TRowGroup::LeafWidth(g.Leaves.front(), shrink));
    return;
  }
  int x = g.Border;
  for (const TRowGroup::TLeaf& l : g.Leaves) {
    int width = TRowGroup::LeafWidth(l, shrink);
    l.Button->SetLeft(x);
    l.Button->SetWidth(width);
    x += width;
  }
  g.Control->SetLeft(left);
  g.Control->SetWidth(x + g.Border);
}

// Where a row may lie, and where the layout puts it when it fits there.
struct TRowRoom {
  int Left = 0, Right = 0, RuleLeft = 0;
};

int RowWidth(const std::vector<TRowGroup>& row) {
  int width = 0;
  for (size_t i = 0; i < row.size(); ++i)
    width += row[i].WidthAt(0) + (i ? row[i].Gap : 0);
  return width;
}

// The layout's own place when the row fits there; else the row is centred in its room, its gaps
// closing evenly toward LeastGap and then its buttons narrowing evenly toward their captions.
void PlaceRow(const std::vector<TRowGroup>& row, const TRowRoom& room) {
  std::vector<int> gap(row.size(), 0);
  int natural = 0, gaps = 0, leastGaps = 0;
  for (size_t i = 0; i < row.size(); ++i) {
    natural += row[i].WidthAt(0);
    if (i == 0) continue;
    gap[i] = row[i].Gap;
    gaps += row[i].Gap;
    leastGaps += std::min(row[i].Gap, LeastGap);
  }
  double shrink = 0;
  int left = room.RuleLeft;
  if (left < room.Left || left + natural + gaps > room.Right) {
    int width = room.Right - room.Left;
    int spare = width - natural - leastGaps;
    int give = gaps - leastGaps;
    for (size_t i = 1; i < row.size(); ++i) {
      int least = std::min(row[i].Gap, LeastGap);
      int closing = row[i].Gap - least;
      gap[i] = spare <= 0 || give <= 0 ? least : least + std::min(closing, closing * spare / give);
    }
    if (spare < 0) {
      int least = 0;
      for (const TRowGroup& g : row)
        least += g.WidthAt(1);
      shrink = natural > least ? std::min(1.0, static_cast<double>(-spare) / (natural - least)) : 1;
    }
    int used = 0;
    for (size_t i = 0; i < row.size(); ++i)
      used += row[i].WidthAt(shrink) + gap[i];
    left = room.Left + (width - used) / 2;
  }
  int x = left;
  for (size_t i = 0; i < row.size(); ++i) {
    x += gap[i];
    PlaceGroup(row[i], x, shrink);
    x += row[i].Control->Width();
  }
}

} // namespace

int TMasterFrm::NaturalWidth(TControl* c) {
  int built = FBuiltWidths.emplace(c, c->Width()).first->second;
  return std::max(built, LeastWidth(c));
}

void TMasterFrm::FormResize(TObject*) {
  if (!HandleAllocated() || !FTopPanel || !FDBPanel) return;
  SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  bool progressVisible = FProgressBar1->Visible();
  FProgressBar1->SetVisible(false);
  FAlbums->SetVisible(false);
  FCategories->SetVisible(false);
  LayoutTopArea();
  LayoutCatalogueArea();
  FAlbums->SetVisible(true);
  FCategories->SetVisible(true);
  ViewInUseChange();
  // The progress bar sits in the status line right of its first panel, one pixel low.
  int barHeight = FStatusBar1->Height() - 6;
  FProgressBar1->SetBounds(290, (FStatusBar1->Height() - barHeight) / 2 + 1,
                           FStatusBar1->Width() - 290 - 17, barHeight);
  FProgressBar1->SetVisible(progressVisible);
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  RedrawWindow(Handle(), nullptr, nullptr,
               RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TMasterFrm::LayoutTopArea() {
  int width = ClientWidth();
  int panelHeight = FPanel11->Height();
  FTopPanel->SetBounds(0, 0, width, panelHeight + 52);
  FPanel11->SetWidth(FTopPanel->Width() - 2 * FPanel11->Left());
  FToolsRight->SetTop(panelHeight + 28);
  FToolsLeft->SetTop(panelHeight + 28);
  FToolsRight->SetLeft(FTopPanel->Width() - FToolsRight->Width() - 7);
  FMMSlider1->SetBounds(2, panelHeight + 3, FTopPanel->Width() - 4, FMMSlider1->Height());
  FPlayerCommands->MMSlider1Change(FMMSlider1);

  auto natural = [this](TControl* c) { return NaturalWidth(c); };
  // One centred row: 15 pixels between Play, ListPanel, PlayPanel and SoundPanel. It stays
  // clear of the two tool buttons: a narrow window closes the gaps first, then narrows buttons.
  std::vector<TRowGroup> row;
  for (TControl* c :
       std::initializer_list<TControl*>{FPlayReplace, FPlay, FListPanel, FPlayPanel, FSoundPanel})
    row.push_back(GroupOf(c, natural, c == FPlay || c == FPlayReplace ? 0 : 15));
  TRowRoom room;
  room.Left = FToolsLeft->Left() + FToolsLeft->Width() + ToolClearance;
  room.Right = FToolsRight->Left() - ToolClearance;
  room.RuleLeft = (FTopPanel->Width() - RowWidth(row)) / 2;
  PlaceRow(row, room);
  for (const TRowGroup& g : row)
    g.Control->SetTop(panelHeight + 22);

  int statusTop = ClientHeight() - (FStatusBar1->Visible() ? FStatusBar1->Height() : 0);
  FDBPanel->SetBounds(0, FTopPanel->Height(), width, statusTop - FTopPanel->Height());
  FMusicPanel->SetBounds(0, FDBPanel->Top(), width, FDBPanel->Height());
}

void TMasterFrm::LayoutCatalogueArea() {
  auto natural = [this](TControl* c) { return NaturalWidth(c); };
  TControl* commands[] = {FEditCat, FMailTitle, FArchive, FExportTitle, FPrintCat, FTrashCat};
  for (TControl* c : commands)
    c->SetTop(4);
  FPanel4->SetTop(4);
  FPanel4->SetLeft(6);
  FWebPanel->SetTop(4);
  // The panels at both ends keep their buttons whole.
  for (TControl* p : std::initializer_list<TControl*>{FPanel4, FWebPanel, FGetMIDIsPanel}) {
    TRowGroup g = GroupOf(p, natural, 0);
    PlaceGroup(g, p->Left(), 0.0);
  }
  FGetMIDIsPanel->SetTop(4);
  FGetMIDIsPanel->SetLeft(FDBPanel->Width() - FGetMIDIsPanel->Width() - 6);

  // The album and category panels reach the top without the tool row: the row's buttons
  // would sit over their tabs, so the whole row goes with the tool row.
  for (TControl* c : commands)
    c->SetVisible(FShowTools);
  FPanel4->SetVisible(FShowTools);
  FWebPanel->SetVisible(FShowTools);
  FGetMIDIsPanel->SetVisible(FShowTools);

  // The command buttons adjoin in one row centred in the catalogue area (its width counts 5
  // more), between the panels at both ends; in a narrow window they narrow to fit.
  std::vector<TRowGroup> row;
  for (TControl* c : commands)
    row.push_back(GroupOf(c, natural, 0));
  TRowRoom room;
  room.Left = FWebPanel->Left() + FWebPanel->Width() + ToolClearance;
  room.Right = FGetMIDIsPanel->Left() - ToolClearance;
  room.RuleLeft = (FDBPanel->Width() - (RowWidth(row) + 5)) / 2;
  PlaceRow(row, room);

  int albTop = FShowTools ? 32 : 0;
  // A stored or former width may not fit this window: both panels keep the splitter's minimum,
  // so the separator stays in reach.
  int widest = FDBPanel->Width() - 5 - FSeparator->Width() - 5 - SplitterMinimum;
  int albWidth = std::max(SplitterMinimum, std::min(FAlbPanelWidth, widest));
  FAlbPanel->SetBounds(5, albTop, albWidth, FDBPanel->Height() - albTop - 5);
  FSeparator->SetBounds(FAlbPanel->Left() + FAlbPanel->Width(), FAlbPanel->Top(),
                        FSeparator->Width(), FAlbPanel->Height());
  int catLeft = FSeparator->Left() + FSeparator->Width();
  FCatPanel->SetBounds(catLeft, FAlbPanel->Top(), FDBPanel->Width() - catLeft - 5,
                       FAlbPanel->Height());
}

void TMasterFrm::SetShowTools(bool value) {
  FShowTools = value;
  UpdateToggleCaptions();
  if (HandleAllocated()) LayoutCatalogueArea();
}

void TMasterFrm::ViewInUseChange() {
  if (FAlbumsInUse)
    AlbumsChange();
  else
    CategoriesChange();
}

void TMasterFrm::ToolsLeftClick(TObject*) {
  if (FMusicPanel->Visible()) {
    FMusicPanel->SetVisible(false);
    FShowTools = false;
  } else if (!FShowTools) {
    FShowTools = true;
  } else if (FVisualeffects1->Checked()) {
    FMusicPanel->SetVisible(true);
    FMusicPanel->BringToFront();
    FVisualEffects->LayoutDisplays();
  } else {
    FShowTools = false;
    FMusicPanel->SetVisible(false);
    FMusicPanel->SendToBack();
  }
  UpdateToggleCaptions();
  LayoutCatalogueArea();
  ViewInUseChange();
}

void TMasterFrm::UpdateToggleCaptions() {
  // The buttons' caption stands in for their picture: one sign per state.
  const char *glyph, *hint, *caption;
  if (FMusicPanel && FMusicPanel->Visible()) {
    glyph = "x", hint = "Hide|Hide visual effects", caption = "&Hide visual effects";
  } else if (!FShowTools) {
    glyph = "v", hint = "Show|Show music toolbar", caption = "&Show music toolbar";
  } else if (FVisualeffects1 && FVisualeffects1->Checked()) {
    glyph = "*", hint = "Visual effects|Show visual effects", caption = "&Show visual effects";
  } else {
    glyph = "^", hint = "Hide|Hide music toolbar", caption = "&Hide music toolbar";
  }
  FToolsLeft->SetCaption(glyph);
  FToolsLeft->SetHint(hint);
  FShowmusictoolbar1->SetCaption(caption);
  FToolsRight->SetCaption(FToolsLeft->Caption());
  FToolsRight->SetHint(FToolsLeft->Hint());
}

// --- the splitter -----------------------------------------------------------------------------

namespace {
void InvertBand(const RECT& r) {
  HDC dc = GetDC(nullptr);
  PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
  ReleaseDC(nullptr, dc);
}
} // namespace

void TMasterFrm::SeparatorMouseDown(TObject*, TMouseButton button, TShiftState, int x, int) {
  if (button != mbLeft) return;
  FSplitting = true;
  FSplitStartX = x;
  if (GetCapture() != FSeparator->Handle()) SetCapture(FSeparator->Handle());
}

void TMasterFrm::SeparatorMouseMove(TObject*, TShiftState shift, int x, int) {
  if (!FSplitting || !shift.Contains(ssLeft)) return;
  ::SetCursor(Screen->Cursors(crHSplit));
  POINT origin{0, 0};
  ::ClientToScreen(FSeparator->Handle(), &origin);
  RECT window{};
  GetWindowRect(Handle(), &window);
  if (FBandShown) InvertBand(FBand);
  FBandShown = false;
  FBand = RECT{};
  if (FSeparator->Left() + x >= SplitterMinimum && origin.x + x <= window.right - 35) {
    // The band covers the separator's own screen rows.
    FBand = RECT{origin.x + x, origin.y + 1, origin.x + x + 4, origin.y + FSeparator->Height() - 2};
    InvertBand(FBand);
    FBandShown = true;
  }
}

void TMasterFrm::SeparatorMouseUp(TObject*, TMouseButton button, TShiftState, int x, int) {
  if (button != mbLeft || !FSplitting) return;
  FSplitting = false;
  if (GetCapture() == FSeparator->Handle()) ReleaseCapture();
  if (FBandShown) InvertBand(FBand);
  FBandShown = false;
  FBand = RECT{};
  int delta = x - FSplitStartX;
  if (delta > 0)
    delta = std::min(delta, FCatPanel->Width() - SplitterMinimum);
  else
    delta = std::max(delta, SplitterMinimum - FAlbPanel->Width());
  if (delta == 0) return;
  SetAlbPanelWidth(FAlbPanel->Width() + delta);
}

void TMasterFrm::SetAlbPanelWidth(int value) {
  FAlbPanelWidth = value;
  FAlbPanel->SetWidth(value);
  if (HandleAllocated()) LayoutCatalogueArea();
}

void TMasterFrm::WMGetMinMaxInfo(TMessage& m) {
  auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
  info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, 500);
  info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, 400);
  m.Result = 0;
}
