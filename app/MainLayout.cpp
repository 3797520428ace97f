// The main window lays out its player area, catalogue area and status line whenever it resizes.
#include <windows.h>
#include <algorithm>
#include "MainCodeD2.h"

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
  MMSlider1Change(FMMSlider1);

  // One centred row: 15 pixels between Play, ListPanel, PlayPanel and SoundPanel.
  TControl* row[] = {FPlayReplace, FPlay, FListPanel, FPlayPanel, FSoundPanel};
  int total = 45;
  for (TControl* c : row)
    total += c->Width();
  int x = (FTopPanel->Width() - total) / 2;
  for (TControl* c : row) {
    c->SetTop(panelHeight + 22);
    c->SetLeft(x);
    x += c->Width() + (c == FPlayReplace ? 0 : 15);
  }

  int statusTop = ClientHeight() - (FStatusBar1->Visible() ? FStatusBar1->Height() : 0);
  FDBPanel->SetBounds(0, FTopPanel->Height(), width, statusTop - FTopPanel->Height());
  FMusicPanel->SetBounds(0, FDBPanel->Top(), width, FDBPanel->Height());
}

void TMasterFrm::LayoutCatalogueArea() {
  TControl* commands[] = {FEditCat, FMailTitle, FArchive, FExportTitle, FPrintCat, FTrashCat};
  for (TControl* c : commands)
    c->SetTop(4);
  FPanel4->SetTop(4);
  FPanel4->SetLeft(6);
  FWebPanel->SetTop(4);
  int rowWidth = 5;
  for (TControl* c : commands)
    rowWidth += c->Width();
  int x = (FDBPanel->Width() - rowWidth) / 2;
  for (TControl* c : commands) {
    c->SetLeft(x);
    x += c->Width();
  }
  FGetMIDIsPanel->SetTop(4);
  FGetMIDIsPanel->SetLeft(FDBPanel->Width() - FGetMIDIsPanel->Width() - 6);

  FGetMIDIsPanel->SetVisible(FShowTools);
  FArchive->SetVisible(FShowTools);
  FPrintCat->SetVisible(FShowTools);
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
    LayoutDisplays();
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
