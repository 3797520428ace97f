// The program viewer: the play list title by title with the title in play marked, where a title
// is played, removed, the program shuffled or cleared, and a spectrum of the sound input above.
#pragma once
#include <functional>
#include "Buttons.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "MMConect.h"
#include "MMSpectr.h"
#include "MyStringGrid.h"
#include "StdCtrls.h"

class TMainCatalogue;
class TPlayRoad;
class TViewProgFrm;
// The viewer made in the program's creation order (none in tests).
extern TViewProgFrm* ViewProgFrm;

// What the viewer uses of the main window: the play road whose program it shows, the catalogue
// whose store names the titles, whether the visual effects are ticked, and the refresh of the
// window's program buttons.
struct TViewerContext {
  TPlayRoad& Road;
  const TMainCatalogue& Catalogue;
  std::function<bool()> VisualEffectsTicked;
  std::function<void()> UpdatePlayControls;
};

class TViewProgFrm : public TForm {
public:
  explicit TViewProgFrm(TComponent* AOwner);

  // The spectrum's panel and the splitter under it show while the visual effects are ticked.
  TPanel* Panel1;
  TMMSpectrum* MMSpectrum1;
  TMMConnector* MMConnector1; // chained below the main window's connector
  TPanel* Splitter1;
  TPanel* Panel2;
  TLabel* Label1; // the summary
  TMyStringGrid* SG1;
  TBitBtn* BitBtn2; // Shuffle
  TBitBtn* BitBtn3; // Clear
  TBitBtn* BitBtn1; // Close

  static constexpr int DesignWidth = 302, DesignHeight = 450;
  static constexpr int MinTrackWidth = 410, MinTrackHeight = 280;

  // The main window whose program it shows and whose commands it calls (null when none is).
  void SetMainWindow(const TViewerContext* value) { FContext = value; }

  // Rebuilds the grid and the summary from the program and its index, and sets the enabled state
  // of its own and the main window's program buttons.
  void ShowProgram(const TStringList& program, int index);
  // Panel1 and Splitter1 follow the main window's "Visual effects" item.
  void VisualEffectsChanged();

  // Enter in the grid, or a double click on a data row: plays the selected row's title.
  void PlaySelectedRow();
  // Delete in the grid: takes the selected row's title out of the program.
  void DeleteSelectedRow();
  void BitBtn2Click(TObject* Sender);
  void BitBtn3Click(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void SG1Enter(TObject* Sender);
  void Panel1Resize(TObject* Sender);
  void Panel2Resize(TObject* Sender);

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;

private:
  void SelectCurrentRow();
  void CentreSummary();
  void SplitterMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void SplitterMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void SplitterMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  const TViewerContext* FContext = nullptr;
  int FMouseX = 0, FMouseY = 0; // the last press in the grid
  int FTopRow = 1;
  bool FSplitting = false;
  int FSplitStartY = 0, FSplitStartHeight = 0;
};
