// The printer: a canvas on the chosen printer's device context, page size, orientation and the
// print job; and the system's printer setup dialog.
#pragma once
#include "Components.h"
#include "Graphics.h"
#include <memory>
#include <string>
#include <vector>

TB_DECLARE_EXCEPTION(EPrinter, Exception);

enum TPrinterOrientation { poPortrait, poLandscape };

// One printer of the system at a time (PrinterIndex; -1 the default printer). The device context
// is made when the canvas or the page size is first needed and made again when the printer or
// its settings change outside a job. Failures raise EPrinter with the reason.
class TPrinter {
public:
  TPrinter();
  ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // The canvas on the printer's device context (its font sizes in the printer's resolution).
  TCanvas& Canvas();
  // The printable page in printer pixels.
  int PageWidth();
  int PageHeight();
  // Pages begun in this job (1 after BeginDoc).
  int PageNumber() const { return FPageNumber; }
  // Kept while no printer exists, and given to the printer as soon as there is one.
  TPrinterOrientation Orientation() const;
  void SetOrientation(TPrinterOrientation value);
  // The job's name in the print queue.
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  void BeginDoc();
  void NewPage();
  void EndDoc();
  // Ends the job unfinished; the spooler drops what was sent. Never raises.
  void Abort();
  bool Printing() const { return FPrinting; }
  bool Aborted() const { return FAborted; }

  // The system's printers, looked up again by Refresh.
  const std::vector<std::string>& Printers();
  void Refresh();
  // -1 for the default printer, else a place in Printers().
  int PrinterIndex() const { return FPrinterIndex; }
  void SetPrinterIndex(int value);
  // The name of the printer in use ("" when there is none).
  std::string PrinterName();
  // Selects a printer by name, with its settings when mode is given (taken from the setup
  // dialog); a name the system does not list is kept and fails when it is used.
  void SetPrinter(const std::string& name, const DEVMODEA* mode = nullptr);
  // The settings kept for the printer in use (nullptr when there are none), as a DEVMODE.
  const DEVMODEA* DevMode();

private:
  void Fetch();
  void FreeDC();
  HDC DC();
  std::vector<std::string> FPrinters;
  bool FFetched = false;
  int FPrinterIndex = -1;
  std::string FDevice;        // of the DEVMODE kept
  std::vector<char> FDevMode; // the printer's settings, as the driver gave them
  TPrinterOrientation FOrientation = poPortrait;
  std::string FTitle;
  HDC FDC = nullptr;
  std::unique_ptr<TCanvas> FCanvas;
  bool FPrinting = false, FAborted = false;
  int FPageNumber = 0;
};

// The program's one printer object.
TPrinter& Printer();

// The system's printer setup dialog over Printer(): the printer and its settings (orientation,
// paper) chosen there are kept for the next job. Answered by the modal test seam like the other
// common dialogs. Execute answers true when the user closed it with OK.
class TPrinterSetupDialog : public TComponent {
public:
  explicit TPrinterSetupDialog(TComponent* AOwner) : TComponent(AOwner) {}
  bool Execute();
};
