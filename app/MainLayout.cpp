// The main window lays out its player area, catalogue area and status line whenever it resizes.
#include <windows.h>
#include "MainCodeD2.h"

void TMasterFrm::FormResize(TObject*) {
  if (!HandleAllocated() || !TopPanel || !DBPanel) return;
  SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  bool progressVisible = ProgressBar1->Visible();
  ProgressBar1->SetVisible(false);
  Albums->SetVisible(false);
  Categories->SetVisible(false);
  LayoutTopArea();
  LayoutCatalogueArea();
  Albums->SetVisible(true);
  Categories->SetVisible(true);
  // The progress bar sits in the status line right of its first panel, one pixel low.
  int barHeight = StatusBar1->Height() - 6;
  ProgressBar1->SetBounds(290, (StatusBar1->Height() - barHeight) / 2 + 1,
                          StatusBar1->Width() - 290 - 17, barHeight);
  ProgressBar1->SetVisible(progressVisible);
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  RedrawWindow(Handle(), nullptr, nullptr,
               RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TMasterFrm::LayoutTopArea() {
  int width = ClientWidth();
  int panelHeight = Panel11->Height();
  TopPanel->SetBounds(0, 0, width, panelHeight + 52);
  Panel11->SetWidth(TopPanel->Width() - 2 * Panel11->Left());
  ToolsRight->SetTop(panelHeight + 28);
  ToolsLeft->SetTop(panelHeight + 28);
  ToolsRight->SetLeft(TopPanel->Width() - ToolsRight->Width() - 7);
  MMSlider1->SetBounds(2, panelHeight + 3, TopPanel->Width() - 4, MMSlider1->Height());
  MMSlider1Change(MMSlider1);

  // One centred row: 15 pixels between Play, ListPanel, PlayPanel and SoundPanel.
  TControl* row[] = {PlayReplace, Play, ListPanel, PlayPanel, SoundPanel};
  int total = 45;
  for (TControl* c : row)
    total += c->Width();
  int x = (TopPanel->Width() - total) / 2;
  for (TControl* c : row) {
    c->SetTop(panelHeight + 22);
    c->SetLeft(x);
    x += c->Width() + (c == PlayReplace ? 0 : 15);
  }

  int statusTop = ClientHeight() - (StatusBar1->Visible() ? StatusBar1->Height() : 0);
  DBPanel->SetBounds(0, TopPanel->Height(), width, statusTop - TopPanel->Height());
  MusicPanel->SetBounds(0, DBPanel->Top(), width, DBPanel->Height());
}

void TMasterFrm::LayoutCatalogueArea() {
  TControl* commands[] = {EditCat, MailTitle, Archive, ExportTitle, PrintCat, TrashCat};
  for (TControl* c : commands)
    c->SetTop(4);
  Panel4->SetTop(4);
  Panel4->SetLeft(6);
  WebPanel->SetTop(4);
  int rowWidth = 5;
  for (TControl* c : commands)
    rowWidth += c->Width();
  int x = (DBPanel->Width() - rowWidth) / 2;
  for (TControl* c : commands) {
    c->SetLeft(x);
    x += c->Width();
  }
  GetMIDIsPanel->SetTop(4);
  GetMIDIsPanel->SetLeft(DBPanel->Width() - GetMIDIsPanel->Width() - 6);

  GetMIDIsPanel->SetVisible(FShowTools);
  Archive->SetVisible(FShowTools);
  PrintCat->SetVisible(FShowTools);
  int albTop = FShowTools ? 32 : 0;
  AlbPanel->SetBounds(5, albTop, AlbPanel->Width(), DBPanel->Height() - albTop - 5);
  Separator->SetBounds(AlbPanel->Left() + AlbPanel->Width(), AlbPanel->Top(), Separator->Width(),
                       AlbPanel->Height());
  int catLeft = Separator->Left() + Separator->Width();
  CatPanel->SetBounds(catLeft, AlbPanel->Top(), DBPanel->Width() - catLeft - 5, AlbPanel->Height());
}

void TMasterFrm::SetShowTools(bool value) {
  FShowTools = value;
  Showmusictoolbar1->SetCaption(value ? "&Hide music toolbar" : "&Show music toolbar");
  ToolsLeft->SetHint(value ? "Hide|Hide music toolbar" : "Show|Show music toolbar");
  ToolsRight->SetHint(ToolsLeft->Hint());
  if (HandleAllocated()) LayoutCatalogueArea();
}
