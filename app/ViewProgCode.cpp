// The program viewer: the grid of the program's titles, its summary and commands, the splitter
// and the spectrum fed by its own connector.
#include "ViewProgCode.h"
#include <windows.h>
#include <algorithm>
#include "HourGlass.h"
#include "MainCatalogue.h"
#include "PlayRoad.h"
#include "TimeText.h"
#include "DataCodeD2.h"

TViewProgFrm* ViewProgFrm = nullptr;

namespace {

constexpr int SpectrumHeight = 120, SplitterHeight = 4;
constexpr int ButtonWidth = 75, ButtonHeight = 25, ButtonGap = 8, Margin = 6;
constexpr int LabelTop = 4, GridTop = 22;
constexpr int OrderWidth = 56, DurationWidth = 60;
// The spectrum keeps at least this much, and the list below the splitter at least its buttons
// and a few rows.
constexpr int SpectrumMinimum = 30, ListMinimum = 150;

std::string ModeText(TMidiMode mode) {
  switch (mode) {
  case mdPaused:
    return "Paused";
  case mdPlaying:
    return "Playing";
  case mdStopped:
    return "Stopped";
  default:
    return "Current";
  }
}

TBitBtn* MakeButton(TViewProgFrm* form, TWinControl* parent, const char* name,
                    const char* caption) {
  auto* b = new TBitBtn(form);
  b->SetName(name);
  b->SetCaption(caption);
  b->SetBounds(0, 0, ButtonWidth, ButtonHeight);
  b->SetParent(parent);
  return b;
}

} // namespace

TViewProgFrm::TViewProgFrm(TComponent* AOwner) : TForm(AOwner) {
  SetName("ViewProgFrm");
  SetCaption("Music program titles");
  // The minimum tracking size is larger than the designed width: it wins.
  SetBounds(Left(), Top(), std::max(DesignWidth, MinTrackWidth),
            std::max(DesignHeight, MinTrackHeight));

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetCaption("");
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetHeight(SpectrumHeight);
  Panel1->SetAlign(alTop);
  Panel1->SetParent(this);
  MMSpectrum1 = new TMMSpectrum(this);
  MMSpectrum1->SetName("MMSpectrum1");
  MMSpectrum1->SetFFTLength(128);
  MMSpectrum1->SetBounds(0, 0, 100, SpectrumHeight);
  MMSpectrum1->SetParent(Panel1);
  MMConnector1 = new TMMConnector(this);
  MMConnector1->SetName("MMConnector1");
  MMConnector1->SetSpectrum(0, MMSpectrum1);

  Splitter1 = new TPanel(this);
  Splitter1->SetName("Splitter1");
  Splitter1->SetCaption("");
  Splitter1->SetBevelOuter(bvNone);
  Splitter1->SetHeight(SplitterHeight);
  Splitter1->SetCursor(crVSplit);
  Splitter1->SetAlign(alTop);
  Splitter1->SetParent(this);
  Splitter1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    SplitterMouseDown(s, b, sh, x, y);
  };
  Splitter1->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
    SplitterMouseMove(s, sh, x, y);
  };
  Splitter1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    SplitterMouseUp(s, b, sh, x, y);
  };

  Panel2 = new TPanel(this);
  Panel2->SetName("Panel2");
  Panel2->SetCaption("");
  Panel2->SetBevelOuter(bvNone);
  Panel2->SetAlign(alClient);
  Panel2->SetParent(this);
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetAutoSize(true);
  Label1->SetCaption("Empty");
  Label1->SetParent(Panel2);

  SG1 = new TMyStringGrid(this);
  SG1->SetName("SG1");
  SG1->SetParent(Panel2);
  // The rows are the program's order: no sorting, no dragging, and the one row without a title
  // ("No titles in program") may be selected too.
  SG1->CanSort = false;
  SG1->CanDragRows = false;
  SG1->SelectEmptyRows = true;
  SG1->SetColCount(4);
  SG1->SetRowCount(2);
  SG1->SetColumnCentered(0, true);
  SG1->SetColumnCentered(3, true);
  SG1->OnKeyDown = [this](TObject*, WORD& key, TShiftState) {
    if (key == VK_RETURN) {
      key = 0;
      PlaySelectedRow();
    } else if (key == VK_DELETE) {
      key = 0;
      DeleteSelectedRow();
    }
  };
  SG1->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int y) {
    FMouseX = x;
    FMouseY = y;
  };
  SG1->OnDblClick = [this](TObject*) {
    if (SG1->MouseToCell(FMouseX, FMouseY).Y >= 1) PlaySelectedRow();
  };
  SG1->OnEnter = [this](TObject* s) { SG1Enter(s); };

  BitBtn2 = MakeButton(this, Panel2, "BitBtn2", "&Shuffle");
  BitBtn3 = MakeButton(this, Panel2, "BitBtn3", "&Clear");
  BitBtn1 = MakeButton(this, Panel2, "BitBtn1", "C&lose");
  BitBtn2->OnClick = [this](TObject* s) { BitBtn2Click(s); };
  BitBtn3->OnClick = [this](TObject* s) { BitBtn3Click(s); };
  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
  BitBtn2->SetEnabled(false);
  BitBtn3->SetEnabled(false);

  Panel1->OnResize = [this](TObject* s) { Panel1Resize(s); };
  Panel2->OnResize = [this](TObject* s) { Panel2Resize(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnActivate = [this](TObject* s) { FormActivate(s); };
  Panel1->SetVisible(false);
  Splitter1->SetVisible(false);
}

void TViewProgFrm::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  // Its own taskbar button: the viewer stands beside the main window, not above it.
  params.ExStyle |= WS_EX_APPWINDOW;
  params.WndParent = GetDesktopWindow();
}

void TViewProgFrm::WndProc(TMessage& m) {
  if (m.Msg == WM_GETMINMAXINFO) {
    TForm::WndProc(m);
    auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
    info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, MinTrackWidth);
    info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, MinTrackHeight);
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_WINDOWPOSCHANGING) {
    // A size set by the program keeps the same minimum as one dragged by the user.
    auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
    if (!(pos->flags & SWP_NOSIZE) && !IsIconic(Handle())) {
      pos->cx = std::max(pos->cx, MinTrackWidth);
      pos->cy = std::max(pos->cy, MinTrackHeight);
    }
  }
  TForm::WndProc(m);
}

// --- showing the program ------------------------------------------------------------------------

void TViewProgFrm::ShowProgram(const TStringList& program, int index) {
  const int count = program.Count();
  BitBtn2->SetEnabled(count > 1);
  BitBtn3->SetEnabled(count > 0);
  // The main window's program buttons follow the same program.
  if (FContext) FContext->UpdatePlayControls();

  TMyDB* db = FContext ? FContext->Catalogue.Store() : nullptr;
  SG1->BeginUpdate();
  SG1->ClearSelection();
  if (count > 0) {
    SG1->SetRowCount(count + 1);
    const TMidiMode mode = FContext ? FContext->Road.Mode() : mdNotReady;
    int64_t total = 0;
    for (int i = 0; i < count; ++i) {
      const int row = i + 1;
      TTuneRec rec;
      const bool found = db && db->FindById(StrToIntDef(Trim(program[i]), -1), rec);
      SG1->SetCells(0, row, i == index ? ModeText(mode) : IntToStr(i + 1));
      SG1->SetCells(1, row, found ? rec.Title : "");
      SG1->SetCells(2, row, found ? Trim(rec.FirstName + " " + rec.LastName) : "");
      SG1->SetCells(3, row, found ? rec.TimeText : "");
      // An unknown (or damaged) duration adds nothing.
      if (found && rec.Seconds > 0) total += rec.Seconds;
    }
    std::string summary = IntToStr(count) + " title(s)";
    if (total > 0)
      summary +=
          "  ---  " + SecondsToTimeText(static_cast<int>(std::min<int64_t>(total, INT32_MAX)));
    Label1->SetCaption(summary);
  } else {
    SG1->SetRowCount(2);
    for (int col = 0; col < SG1->ColCount(); ++col)
      SG1->SetCells(col, 1, "");
    SG1->SetCells(1, 1, "No titles in program");
    Label1->SetCaption("Empty");
  }
  SG1->EndUpdate();
  SG1->Invalidate();
  SelectCurrentRow();
  CentreSummary();
}

void TViewProgFrm::SelectCurrentRow() {
  SG1->ClearSelection();
  if (!FContext) return;
  const TProgram& program = FContext->Road.Program();
  if (program.Count() == 0) return;
  // Before the first step the first title stands where play will begin.
  const int row = std::clamp(program.Index() + 1, 1, program.Count());
  SG1->KeyMovedTo(row, false);
}

void TViewProgFrm::CentreSummary() {
  Label1->SetBounds((Panel2->ClientWidth() - Label1->Width()) / 2, LabelTop, Label1->Width(),
                    Label1->Height());
}

void TViewProgFrm::VisualEffectsChanged() {
  const bool on = FContext && FContext->VisualEffectsTicked();
  Panel1->SetVisible(on);
  Splitter1->SetVisible(on);
}

// --- commands
// -------------------------------------------------------------------------------------

void TViewProgFrm::PlaySelectedRow() {
  if (!FContext) return;
  TProgram& program = FContext->Road.Program();
  const int row = SG1->Row();
  if (program.Count() == 0 || row < 1 || row > program.Count()) return;
  {
    auto busy = HourGlass();
    FTopRow = SG1->TopRow();
    // The step goes one on from here: to the selected row's title.
    program.SetIndex(row - 2);
    program.StepProgram(true);
    FContext->UpdatePlayControls();
    SG1->SetTopRow(FTopRow);
  }
  Repaint();
  Application->ProcessMessages();
}

void TViewProgFrm::DeleteSelectedRow() {
  if (!FContext) return;
  TProgram& program = FContext->Road.Program();
  const int line = SG1->Row() - 1;
  // An empty program has only the "No titles in program" row: nothing to take out.
  if (program.Count() == 0 || line < 0 || line >= program.Count()) return;
  const bool wasCurrent = line == program.Index();
  // The index moves back with a line taken out at or before it, so that one step on reaches the
  // title that followed (past the end, the program's end rule applies).
  program.DeleteLine(line);
  if (wasCurrent && program.Count() > 0) {
    auto busy = HourGlass();
    program.StepProgram(true);
  }
  ShowProgram(program.Lines(), program.Index());
}

void TViewProgFrm::BitBtn2Click(TObject*) {
  if (!FContext) return;
  TProgram& program = FContext->Road.Program();
  if (program.Count() < 2) return;
  auto busy = HourGlass();
  program.ShuffleProgram();
  program.SetIndex(-1);
  program.StepProgram(true);
  ShowProgram(program.Lines(), program.Index());
  Show();
  if (SG1->CanFocus()) SG1->SetFocus();
  SelectCurrentRow();
}

void TViewProgFrm::BitBtn3Click(TObject*) {
  if (!FContext) return;
  TProgram& program = FContext->Road.Program();
  // The list and the playing flag go; the title playing plays on.
  program.EraseProgram();
  ShowProgram(program.Lines(), program.Index());
  Repaint();
}

void TViewProgFrm::BitBtn1Click(TObject*) {
  Close();
}

// --- showing, activation and layout
// ---------------------------------------------------------------

void TViewProgFrm::FormShow(TObject*) {
  TStringList headers;
  for (const char* h : {"Order", "Title", "Artist", "Duration"})
    headers.Add(h);
  SG1->SetColumnHeaders(&headers);
  Panel2Resize(this);
}

void TViewProgFrm::FormActivate(TObject*) {
  VisualEffectsChanged();
  SetForegroundWindow(Handle());
}

void TViewProgFrm::SG1Enter(TObject*) {
  SelectCurrentRow();
}

void TViewProgFrm::Panel1Resize(TObject*) {
  MMSpectrum1->SetBounds(0, 0, Panel1->ClientWidth(), Panel1->ClientHeight());
}

void TViewProgFrm::Panel2Resize(TObject*) {
  const int w = Panel2->ClientWidth(), h = Panel2->ClientHeight();
  const int buttonsTop = h - ButtonHeight - Margin;
  const int gridWidth = std::max(w - 2 * Margin, 0);
  SG1->SetBounds((w - gridWidth) / 2, GridTop, gridWidth,
                 std::max(buttonsTop - Margin - GridTop, 0));
  // Order and duration keep their widths; title and artist share the rest.
  const int rest = std::max(gridWidth - OrderWidth - DurationWidth - 24, 40);
  SG1->SetColWidths(0, OrderWidth);
  SG1->SetColWidths(1, rest * 3 / 5);
  SG1->SetColWidths(2, rest - rest * 3 / 5);
  SG1->SetColWidths(3, DurationWidth);
  int x = (w - (3 * ButtonWidth + 2 * ButtonGap)) / 2;
  for (TBitBtn* b : {BitBtn2, BitBtn3, BitBtn1}) {
    b->SetBounds(x, buttonsTop, ButtonWidth, ButtonHeight);
    x += ButtonWidth + ButtonGap;
  }
  CentreSummary();
}

// --- the splitter
// ---------------------------------------------------------------------------------

void TViewProgFrm::SplitterMouseDown(TObject*, TMouseButton button, TShiftState, int, int) {
  if (button != mbLeft) return;
  POINT p;
  GetCursorPos(&p);
  FSplitting = true;
  FSplitStartY = p.y;
  FSplitStartHeight = Panel1->Height();
  SetCapture(Splitter1->Handle());
}

void TViewProgFrm::SplitterMouseMove(TObject*, TShiftState, int, int) {
  if (!FSplitting) return;
  POINT p;
  GetCursorPos(&p);
  const int most = std::max(ClientHeight() - SplitterHeight - ListMinimum, SpectrumMinimum);
  Panel1->SetHeight(std::clamp(FSplitStartHeight + int(p.y - FSplitStartY), SpectrumMinimum, most));
}

void TViewProgFrm::SplitterMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  if (!FSplitting) return;
  FSplitting = false;
  ReleaseCapture();
}
