// The main window lays out its player area, catalogue area and status line whenever it resizes.
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>
#include "MainLayout.h"
#include "Handles.h"
#include "Buttons.h"
#include "CatalogueCommands.h"
#include "PlayerCommands.h"
#include "VisualEffects.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "ExtPage.h"
#include "ExtProgressBar.h"
#include "MMSlider.h"
#include "Menus.h"

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
    text = CaptionWidth(probe.Canvas(), button->Caption());
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

int TMainLayout::NaturalWidth(TControl* c) {
  int built = FBuiltWidths.emplace(c, c->Width()).first->second;
  return std::max(built, LeastWidth(c));
}

void TMainLayout::LayoutTopArea() {
  int width = FContext.Form.ClientWidth();
  int panelHeight = FParts.Panel11->Height();
  FParts.TopPanel->SetBounds(0, 0, width, panelHeight + 52);
  const int displayRight = FParts.TopPanel->Width() - FParts.Panel11->Left();
  const int blockLeft = PlaceStayingCommands(displayRight);
  FParts.Panel11->SetWidth((FShowTools ? displayRight : blockLeft - ToolClearance) -
                           FParts.Panel11->Left());
  FParts.ToolsRight->SetTop(panelHeight + 28);
  FParts.ToolsLeft->SetTop(panelHeight + 28);
  FParts.ToolsRight->SetLeft(FParts.TopPanel->Width() - FParts.ToolsRight->Width() - 7);
  FContext.PlayerCommands.PlaceSlider(2, panelHeight + 3, FParts.TopPanel->Width() - 4);

  auto natural = [this](TControl* c) { return NaturalWidth(c); };
  // One centred row: 15 pixels between Play, ListPanel, PlayPanel and SoundPanel. It stays
  // clear of the two tool buttons: a narrow window closes the gaps first, then narrows buttons.
  std::vector<TRowGroup> row;
  for (TControl* c : std::initializer_list<TControl*>{
           FParts.PlayReplace, FParts.Play, FParts.ListPanel, FParts.PlayPanel, FParts.SoundPanel})
    row.push_back(GroupOf(c, natural, c == FParts.Play || c == FParts.PlayReplace ? 0 : 15));
  TRowRoom room;
  room.Left = FParts.ToolsLeft->Left() + FParts.ToolsLeft->Width() + ToolClearance;
  room.Right = FParts.ToolsRight->Left() - ToolClearance;
  room.RuleLeft = (FParts.TopPanel->Width() - RowWidth(row)) / 2;
  PlaceRow(row, room);
  for (const TRowGroup& g : row)
    g.Control->SetTop(panelHeight + 22);

  int statusTop = FContext.Form.ClientHeight() -
                  (FParts.StatusBar1->Visible() ? FParts.StatusBar1->Height() : 0);
  FParts.DBPanel->SetBounds(0, FParts.TopPanel->Height(), width,
                            statusTop - FParts.TopPanel->Height());
  FParts.MusicPanel->SetBounds(0, FParts.DBPanel->Top(), width, FParts.DBPanel->Height());
}

std::vector<TControl*> TMainLayout::StayingCommands() const {
  return {FParts.Panel4,    FParts.WebPanel,    FParts.EditCat,
          FParts.MailTitle, FParts.ExportTitle, FParts.TrashCat};
}

int TMainLayout::PlaceStayingCommands(int right) {
  if (FShowTools) {
    // Back in the catalogue area's row, which LayoutCatalogueArea places.
    for (TControl* c : StayingCommands())
      c->SetParent(FParts.DBPanel);
    return right;
  }
  // Without the tool row the commands that titles are dropped on stay in reach in two rows of
  // three beside the display, where they cover nothing and the panels below take the row's room.
  auto natural = [this](TControl* c) { return NaturalWidth(c); };
  std::vector<TControl*> staying = StayingCommands();
  const int rowHeight = FParts.EditCat->Height(), gap = 4;
  const int top = FParts.Panel11->Top() + (FParts.Panel11->Height() - 2 * rowHeight - gap) / 2;
  int blockLeft = right;
  for (size_t first = 0; first < staying.size(); first += 3) {
    int x = right;
    for (size_t i = first + 3; i-- > first;) {
      TControl* c = staying[i];
      c->SetParent(FParts.TopPanel);
      TRowGroup g = GroupOf(c, natural, 0);
      x -= g.WidthAt(0);
      PlaceGroup(g, x, 0.0);
      c->SetTop(top + (first ? rowHeight + gap : 0));
      c->SetVisible(true);
    }
    blockLeft = std::min(blockLeft, x);
  }
  return blockLeft;
}

void TMainLayout::LayoutCatalogueArea() {
  auto natural = [this](TControl* c) { return NaturalWidth(c); };
  TControl* commands[] = {FParts.EditCat,     FParts.MailTitle, FParts.Archive,
                          FParts.ExportTitle, FParts.PrintCat,  FParts.TrashCat};
  // Without the tool row the commands that stay are the top area's (LayoutTopArea); loading,
  // scanning, archiving and printing go, and the panels take the row's room.
  FParts.Archive->SetVisible(FShowTools);
  FParts.PrintCat->SetVisible(FShowTools);
  FParts.GetMIDIsPanel->SetVisible(FShowTools);
  if (FShowTools) {
    for (TControl* c : commands)
      c->SetTop(4);
    FParts.Panel4->SetTop(4);
    FParts.WebPanel->SetTop(4);
    // The panels at both ends keep their buttons whole; the web panel follows the new-album one.
    PlaceGroup(GroupOf(FParts.Panel4, natural, 0), 6, 0.0);
    PlaceGroup(GroupOf(FParts.WebPanel, natural, 0),
               FParts.Panel4->Left() + FParts.Panel4->Width() + ToolClearance, 0.0);
    PlaceGroup(GroupOf(FParts.GetMIDIsPanel, natural, 0), 0, 0.0);
    FParts.GetMIDIsPanel->SetTop(4);
    FParts.GetMIDIsPanel->SetLeft(FParts.DBPanel->Width() - FParts.GetMIDIsPanel->Width() - 6);

    // The command buttons adjoin in one row centred in the catalogue area (its width counts 5
    // more), between the panels at both ends; in a narrow window they narrow to fit.
    std::vector<TRowGroup> row;
    for (TControl* c : commands)
      row.push_back(GroupOf(c, natural, 0));
    TRowRoom room;
    room.Left = FParts.WebPanel->Left() + FParts.WebPanel->Width() + ToolClearance;
    room.Right = FParts.GetMIDIsPanel->Left() - ToolClearance;
    room.RuleLeft = (FParts.DBPanel->Width() - (RowWidth(row) + 5)) / 2;
    PlaceRow(row, room);
  }

  const int albTop = FShowTools ? 32 : 0;
  // A stored or former width may not fit this window: both panels keep the splitter's minimum,
  // so the separator stays in reach.
  int widest = FParts.DBPanel->Width() - 5 - FParts.Separator->Width() - 5 - SplitterMinimum;
  int albWidth = std::max(SplitterMinimum, std::min(FAlbPanelWidth, widest));
  FParts.AlbPanel->SetBounds(5, albTop, albWidth, FParts.DBPanel->Height() - albTop - 5);
  FParts.Separator->SetBounds(FParts.AlbPanel->Left() + FParts.AlbPanel->Width(),
                              FParts.AlbPanel->Top(), FParts.Separator->Width(),
                              FParts.AlbPanel->Height());
  int catLeft = FParts.Separator->Left() + FParts.Separator->Width();
  FParts.CatPanel->SetBounds(catLeft, FParts.AlbPanel->Top(), FParts.DBPanel->Width() - catLeft - 5,
                             FParts.AlbPanel->Height());
}

void TMainLayout::SetShowTools(bool value) {
  FShowTools = value;
  UpdateToggleCaptions();
  if (FContext.Form.HandleAllocated()) LayoutAreas();
}

void TMainLayout::LayoutAreas() {
  // The top area first: it sizes the catalogue area and holds the commands without the tool row.
  LayoutTopArea();
  LayoutCatalogueArea();
}

void TMainLayout::ToolsLeftClick(TObject*) {
  if (FParts.MusicPanel->Visible()) {
    FParts.MusicPanel->SetVisible(false);
    FContext.VisualEffects.LayoutDisplays();
    FShowTools = false;
  } else if (!FShowTools) {
    FShowTools = true;
  } else if (FParts.Visualeffects1->Checked()) {
    FParts.MusicPanel->SetVisible(true);
    FParts.MusicPanel->BringToFront();
    FContext.VisualEffects.LayoutDisplays();
  } else {
    FShowTools = false;
    FParts.MusicPanel->SetVisible(false);
    FContext.VisualEffects.LayoutDisplays();
    FParts.MusicPanel->SendToBack();
  }
  UpdateToggleCaptions();
  LayoutAreas();
  FContext.CatalogueCommands.ViewInUseChange();
}

void TMainLayout::UpdateToggleCaptions() {
  // The buttons' caption stands in for their picture: one sign per state.
  const char *glyph, *hint, *caption;
  if (FParts.MusicPanel && FParts.MusicPanel->Visible()) {
    glyph = "x", hint = "Hide|Hide visual effects", caption = "&Hide visual effects";
  } else if (!FShowTools) {
    glyph = "v", hint = "Show|Show music toolbar", caption = "&Show music toolbar";
  } else if (FParts.Visualeffects1 && FParts.Visualeffects1->Checked()) {
    glyph = "*", hint = "Visual effects|Show visual effects", caption = "&Show visual effects";
  } else {
    glyph = "^", hint = "Hide|Hide music toolbar", caption = "&Hide music toolbar";
  }
  FParts.ToolsLeft->SetCaption(glyph);
  FParts.ToolsLeft->SetHint(hint);
  FParts.Showmusictoolbar1->SetCaption(caption);
  FParts.ToolsRight->SetCaption(FParts.ToolsLeft->Caption());
  FParts.ToolsRight->SetHint(FParts.ToolsLeft->Hint());
}

// --- the splitter -----------------------------------------------------------------------------

namespace {
void InvertBand(const RECT& r) {
  TClientDC screen(nullptr);
  PatBlt(screen, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
}
} // namespace

void TMainLayout::SeparatorMouseDown(TObject*, TMouseButton button, TShiftState, int x, int) {
  if (button != mbLeft) return;
  FSplitting = true;
  FSplitStartX = x;
  if (GetCapture() != FParts.Separator->Handle()) SetCapture(FParts.Separator->Handle());
}

void TMainLayout::SeparatorMouseMove(TObject*, TShiftState shift, int x, int) {
  if (!FSplitting || !shift.Contains(ssLeft)) return;
  ::SetCursor(Screen->Cursors(crHSplit));
  POINT origin{0, 0};
  ::ClientToScreen(FParts.Separator->Handle(), &origin);
  RECT window{};
  GetWindowRect(FContext.Form.Handle(), &window);
  if (FBandShown) InvertBand(FBand);
  FBandShown = false;
  FBand = RECT{};
  if (FParts.Separator->Left() + x >= SplitterMinimum && origin.x + x <= window.right - 35) {
    // The band covers the separator's own screen rows.
    FBand = RECT{origin.x + x, origin.y + 1, origin.x + x + 4,
                 origin.y + FParts.Separator->Height() - 2};
    InvertBand(FBand);
    FBandShown = true;
  }
}

void TMainLayout::SeparatorMouseUp(TObject*, TMouseButton button, TShiftState, int x, int) {
  if (button != mbLeft || !FSplitting) return;
  FSplitting = false;
  if (GetCapture() == FParts.Separator->Handle()) ReleaseCapture();
  if (FBandShown) InvertBand(FBand);
  FBandShown = false;
  FBand = RECT{};
  int delta = x - FSplitStartX;
  if (delta > 0)
    delta = std::min(delta, FParts.CatPanel->Width() - SplitterMinimum);
  else
    delta = std::max(delta, SplitterMinimum - FParts.AlbPanel->Width());
  if (delta == 0) return;
  SetAlbPanelWidth(FParts.AlbPanel->Width() + delta);
}

void TMainLayout::SetAlbPanelWidth(int value) {
  FAlbPanelWidth = value;
  FParts.AlbPanel->SetWidth(value);
  if (FContext.Form.HandleAllocated()) LayoutCatalogueArea();
}

TMainLayout::TMainLayout(const TMainLayoutContext& context) : FContext(context) {}

TMainLayout::~TMainLayout() = default;
