// The printer object over the spooler's device context, and the printer setup dialog.
#include "Printers.h"
#include <windows.h>
#include <commdlg.h>
#include <winspool.h>
#include <cstring>
#include "Controls.h"
#include "Dialogs.h"
#include "Handles.h"

namespace {

std::string DefaultPrinterName() {
  DWORD size = 0;
  GetDefaultPrinterA(nullptr, &size);
  if (size == 0) return "";
  std::string name(size, '\0');
  if (!GetDefaultPrinterA(name.data(), &size)) return "";
  name.resize(std::strlen(name.c_str()));
  return name;
}

// The driver's own settings for a printer; empty when it cannot be opened.
std::vector<char> DriverDevMode(const std::string& name) {
  HANDLE printer = nullptr;
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), &printer, nullptr)) return {};
  TScopeExit close([printer] { ClosePrinter(printer); });
  LONG size =
      DocumentPropertiesA(nullptr, printer, const_cast<char*>(name.c_str()), nullptr, nullptr, 0);
  if (size < static_cast<LONG>(sizeof(DEVMODEA))) return {};
  std::vector<char> mode(static_cast<size_t>(size));
  if (DocumentPropertiesA(nullptr, printer, const_cast<char*>(name.c_str()),
                          reinterpret_cast<DEVMODEA*>(mode.data()), nullptr, DM_OUT_BUFFER) != IDOK)
    return {};
  return mode;
}

std::string LastErrorText() {
  DWORD code = GetLastError();
  std::string text = code ? Trim(SysErrorMessage(code)) : "";
  return text.empty() ? "the spooler gave no reason" : text;
}

} // namespace

TPrinter::TPrinter() : FCanvas(std::make_unique<TCanvas>()) {}

TPrinter::~TPrinter() {
  if (FPrinting) Abort();
  FreeDC();
}

TPrinter& Printer() {
  static TPrinter printer;
  return printer;
}

void TPrinter::Fetch() {
  FPrinters.clear();
  DWORD needed = 0, count = 0;
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &count);
  if (needed > 0) {
    std::vector<BYTE> buffer(needed);
    if (EnumPrintersA(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) {
      auto* info = reinterpret_cast<PRINTER_INFO_4A*>(buffer.data());
      for (DWORD i = 0; i < count; ++i)
        if (info[i].pPrinterName) FPrinters.emplace_back(info[i].pPrinterName);
    }
  }
  FFetched = true;
}

const std::vector<std::string>& TPrinter::Printers() {
  if (!FFetched) Fetch();
  return FPrinters;
}

void TPrinter::Refresh() {
  std::string current = FPrinterIndex >= 0 ? PrinterName() : "";
  Fetch();
  if (!current.empty()) SetPrinter(current);
}

void TPrinter::SetPrinterIndex(int value) {
  if (FPrinting) throw EPrinter("The printer cannot be changed while a report is printing.");
  if (value < -1 || value >= static_cast<int>(Printers().size()))
    throw EPrinter("There is no printer number " + IntToStr(value) + ".");
  if (value == FPrinterIndex) return;
  FPrinterIndex = value;
  FreeDC();
}

std::string TPrinter::PrinterName() {
  if (FPrinterIndex >= 0 && FPrinterIndex < static_cast<int>(Printers().size()))
    return FPrinters[FPrinterIndex];
  return DefaultPrinterName();
}

void TPrinter::SetPrinter(const std::string& name, const DEVMODEA* mode) {
  if (FPrinting) throw EPrinter("The printer cannot be changed while a report is printing.");
  Printers();
  int index = -1;
  for (size_t i = 0; i < FPrinters.size(); ++i)
    if (CompareText(FPrinters[i], name) == 0) index = static_cast<int>(i);
  if (index < 0) {
    FPrinters.push_back(name);
    index = static_cast<int>(FPrinters.size()) - 1;
  }
  FPrinterIndex = index;
  FreeDC();
  if (mode) {
    const char* bytes = reinterpret_cast<const char*>(mode);
    FDevMode.assign(bytes, bytes + mode->dmSize + mode->dmDriverExtra);
    FDevice = FPrinters[index];
    if (mode->dmFields & DM_ORIENTATION)
      FOrientation = mode->dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
  }
}

const DEVMODEA* TPrinter::DevMode() {
  std::string name = PrinterName();
  if (name.empty()) return nullptr;
  if (FDevice != name || FDevMode.empty()) {
    FDevice = name;
    FDevMode = DriverDevMode(name);
    // What was chosen before the printer was known holds for it.
    if (!FDevMode.empty()) {
      auto* mode = reinterpret_cast<DEVMODEA*>(FDevMode.data());
      mode->dmFields |= DM_ORIENTATION;
      mode->dmOrientation = FOrientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    }
  }
  return FDevMode.empty() ? nullptr : reinterpret_cast<const DEVMODEA*>(FDevMode.data());
}

TPrinterOrientation TPrinter::Orientation() const {
  return FOrientation;
}

void TPrinter::SetOrientation(TPrinterOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  if (!FDevMode.empty()) {
    auto* mode = reinterpret_cast<DEVMODEA*>(FDevMode.data());
    mode->dmFields |= DM_ORIENTATION;
    mode->dmOrientation = value == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  }
  // A job keeps its pages as begun; the next one takes the new orientation.
  if (!FPrinting) FreeDC();
}

void TPrinter::FreeDC() {
  FCanvas->SetHandle(nullptr);
  if (FDC) DeleteDC(FDC);
  FDC = nullptr;
}

HDC TPrinter::DC() {
  if (FDC) return FDC;
  std::string name = PrinterName();
  if (name.empty()) throw EPrinter("No printer is installed, or none is chosen as the default.");
  const DEVMODEA* mode = DevMode();
  SetLastError(0);
  FDC = CreateDCA("WINSPOOL", name.c_str(), nullptr, mode);
  if (!FDC) throw EPrinter("The printer \"" + name + "\" is not available: " + LastErrorText());
  FCanvas->SetHandle(FDC);
  FCanvas->Font().SetPixelsPerInch(GetDeviceCaps(FDC, LOGPIXELSY));
  return FDC;
}

TCanvas& TPrinter::Canvas() {
  DC();
  return *FCanvas;
}

int TPrinter::PageWidth() {
  return GetDeviceCaps(DC(), HORZRES);
}

int TPrinter::PageHeight() {
  return GetDeviceCaps(DC(), VERTRES);
}

void TPrinter::BeginDoc() {
  if (FPrinting) throw EPrinter("A report is printing already.");
  // A fresh device context takes the settings chosen since the last job.
  FreeDC();
  HDC dc = DC();
  DOCINFOA info{};
  info.cbSize = sizeof(info);
  info.lpszDocName = FTitle.c_str();
  SetLastError(0);
  if (StartDocA(dc, &info) <= 0)
    throw EPrinter("The printer \"" + PrinterName() + "\" refused the job: " + LastErrorText());
  FPrinting = true;
  FAborted = false;
  FPageNumber = 1;
  if (StartPage(dc) <= 0) {
    std::string why = LastErrorText();
    Abort();
    throw EPrinter("The printer \"" + PrinterName() + "\" refused the first page: " + why);
  }
}

void TPrinter::NewPage() {
  if (!FPrinting) throw EPrinter("No report is printing.");
  if (EndPage(FDC) <= 0 || StartPage(FDC) <= 0) {
    std::string why = LastErrorText();
    Abort();
    throw EPrinter("The printer \"" + PrinterName() + "\" refused a page: " + why);
  }
  ++FPageNumber;
  // A new page may start with the device context's defaults: select the tools again.
  FCanvas->SetHandle(nullptr);
  FCanvas->SetHandle(FDC);
}

void TPrinter::EndDoc() {
  if (!FPrinting) throw EPrinter("No report is printing.");
  bool ok = EndPage(FDC) > 0;
  ok = ::EndDoc(FDC) > 0 && ok;
  std::string why = ok ? "" : LastErrorText();
  FPrinting = false;
  FreeDC();
  if (!ok) throw EPrinter("The printer \"" + PrinterName() + "\" did not take the job: " + why);
}

void TPrinter::Abort() {
  if (!FPrinting) return;
  AbortDoc(FDC);
  FPrinting = false;
  FAborted = true;
  FreeDC();
}

// --- printer setup dialog
// --------------------------------------------------------------------------

namespace {

// Global memory the dialog takes and gives back.
TGlobalMemory CopyToGlobal(const void* data, size_t size) {
  TGlobalMemory h(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  TGlobalLock<> locked(h.Get());
  if (!locked.Get()) return {};
  std::memcpy(locked.Get(), data, size);
  return h;
}

// DEVNAMES naming one printer, so that the dialog opens on the printer in use.
TGlobalMemory DevNamesFor(const std::string& device) {
  std::vector<char> block(sizeof(DEVNAMES));
  auto add = [&block](const std::string& text) {
    WORD offset = static_cast<WORD>(block.size());
    block.insert(block.end(), text.begin(), text.end());
    block.push_back('\0');
    return offset;
  };
  WORD driver = add("winspool");
  WORD name = add(device);
  WORD output = add("");
  auto* names = reinterpret_cast<DEVNAMES*>(block.data());
  names->wDriverOffset = driver;
  names->wDeviceOffset = name;
  names->wOutputOffset = output;
  names->wDefault = 0;
  return CopyToGlobal(block.data(), block.size());
}

} // namespace

bool TPrinterSetupDialog::Execute() {
  int answer = mrCancel;
  if (AnswerCommonDialog("TPrinterSetupDialog", "", this, answer)) return answer == mrOk;
  TPrinter& printer = Printer();
  TGlobalMemory mode, names;
  std::string device = printer.PrinterName();
  if (!device.empty()) {
    if (const DEVMODEA* dm = printer.DevMode())
      mode = CopyToGlobal(dm, dm->dmSize + dm->dmDriverExtra);
    names = DevNamesFor(device);
  }
  PRINTDLGA pd{};
  pd.lStructSize = sizeof(pd);
  TWinControl* owner = dynamic_cast<TWinControl*>(Owner());
  pd.hwndOwner = owner && owner->HandleAllocated() ? owner->Handle() : GetActiveWindow();
  pd.hDevMode = mode.Get();
  pd.hDevNames = names.Get();
  pd.Flags = PD_PRINTSETUP;
  bool ok = PrintDlgA(&pd);
  // The dialog may have replaced the handles it was given, freeing the former ones itself.
  mode.Release();
  mode.Reset(pd.hDevMode);
  names.Release();
  names.Reset(pd.hDevNames);
  if (!ok) {
    DWORD error = CommDlgExtendedError();
    if (error == PDERR_NODEFAULTPRN || error == PDERR_NODEVICES)
      throw EPrinter("No printer is installed, so there is nothing to set up.");
    if (error)
      throw EPrinter("The printer setup could not be shown (error " +
                     IntToStr(static_cast<int>(error)) + ").");
    return false;
  }
  std::string chosen = device;
  if (TGlobalLock<DEVNAMES> dn(names.Get()); dn.Get())
    chosen = reinterpret_cast<const char*>(dn.Get()) + dn.Get()->wDeviceOffset;
  if (mode) {
    TGlobalLock<DEVMODEA> dm(mode.Get());
    printer.SetPrinter(chosen, dm.Get());
  } else if (!chosen.empty()) {
    printer.SetPrinter(chosen);
  }
  return true;
}
