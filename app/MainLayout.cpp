// The main window lays out its player area, catalogue area and status line whenever it resizes.
#include <windows.h>
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
  FAlbPanel->SetBounds(5, albTop, FAlbPanel->Width(), FDBPanel->Height() - albTop - 5);
  FSeparator->SetBounds(FAlbPanel->Left() + FAlbPanel->Width(), FAlbPanel->Top(),
                        FSeparator->Width(), FAlbPanel->Height());
  int catLeft = FSeparator->Left() + FSeparator->Width();
  FCatPanel->SetBounds(catLeft, FAlbPanel->Top(), FDBPanel->Width() - catLeft - 5,
                       FAlbPanel->Height());
}

void TMasterFrm::SetShowTools(bool value) {
  FShowTools = value;
  FShowmusictoolbar1->SetCaption(value ? "&Hide music toolbar" : "&Show music toolbar");
  FToolsLeft->SetHint(value ? "Hide|Hide music toolbar" : "Show|Show music toolbar");
  FToolsRight->SetHint(FToolsLeft->Hint());
  if (HandleAllocated()) LayoutCatalogueArea();
}
