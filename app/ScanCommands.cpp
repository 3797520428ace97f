// Loading chosen files, and scanning a folder tree or every fixed drive for MIDI files: the main
// window's side of the loader and the two scan windows.
#include <windows.h>
#include <algorithm>
#include "DriveScanCodeD2.h"
#include "GetLocalCodeD2.h"
#include "Handles.h"
#include "HourGlass.h"
#include "ImportCommands.h"
#include "ContextHelp.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "PlayRoad.h"
#include "ProgramWide.h"
#include "ScanCommands.h"
#include "FeatureHost.h"
#include "ScanFormCodeD2.h"
#include "SysUtils.h"
#include "DataCodeD2.h"

namespace {

constexpr const char* ScanMask = "*.mid";

std::string ShortDateText() {
  char text[80] = {};
  if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, sizeof text))
    return text;
  return FormatDateTime("yyyy-mm-dd", Now());
}

void SortByPath(TStringList& files) {
  std::vector<std::string> paths;
  for (int i = 0; i < files.Count(); ++i)
    paths.push_back(files[i]);
  std::sort(paths.begin(), paths.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  files.Clear();
  for (const auto& p : paths)
    files.Add(p);
}

} // namespace

void TScanCommands::PlayWaitingTitle() {
  if (!FContext.Road.StartFailed() || !FContext.Road.Program().Playing()) return;
  // Nothing of the import is in hand between two files: the start may use the zip components.
  FContext.Road.SetImportBusy(false);
  TScopeExit busyAgain([this] { FContext.Road.SetImportBusy(true); });
  FContext.Road.Program().StepProgram(true);
}

TGetLocalF& TScanCommands::GetLocalWindow() {
  if (GetLocalF) return *GetLocalF;
  if (!FOwnGetLocalF) {
    FOwnGetLocalF = std::make_unique<TGetLocalF>(nullptr);
    FOwnGetLocalF->SetHost(&FContext.FeatureHost());
    FOwnGetLocalF->AfterConstruction();
  }
  return *FOwnGetLocalF;
}

TScanStatus& TScanCommands::ScanStatusWindow() {
  if (ScanStatus) return *ScanStatus;
  if (!FOwnScanStatus) {
    FOwnScanStatus = std::make_unique<TScanStatus>(nullptr);
    FOwnScanStatus->SetHost(&FContext.FeatureHost());
  }
  return *FOwnScanStatus;
}

TDriveScanFrm& TScanCommands::DriveScanWindow() {
  if (DriveScanFrm) return *DriveScanFrm;
  if (!FOwnDriveScanFrm) {
    FOwnDriveScanFrm = std::make_unique<TDriveScanFrm>(nullptr);
    FOwnDriveScanFrm->SetHost(&FContext.FeatureHost());
  }
  return *FOwnDriveScanFrm;
}

void TScanCommands::GetLocal2Click(TObject* Sender) {
  if (FContext.ContextHelp.ContextHelpClick(Sender)) return;
  // A category or artist the loader adds but cannot write keeps the titles out: the import tells
  // it as their reason, so it is held until then and not told twice.
  TMyDB* store = FContext.Catalogue.Store();
  if (store) store->HoldSaveFailures();
  TScopeExit released([store] {
    try {
      if (store) store->ReleaseSaveFailures();
    } catch (const std::exception&) {
      // The box could not be shown; the failure stays to be found at the next save.
    }
  });
  TGetLocalF& loader = GetLocalWindow();
  FContext.Window.CenterOverMainWindow(loader);
  // Kept on the screen: its buttons are at the bottom.
  int top = loader.Top();
  if (top + loader.Height() > Screen->Height() - 30) top = Screen->Height() - 30 - loader.Height();
  if (top < 2) top = 2;
  loader.SetTop(top);
  if (loader.ShowModal() != mrOk) return;
  const std::vector<std::string> paths = loader.Paths();
  if (paths.empty()) return;
  FContext.Window.RepaintMain();
  TLeftOutFiles leftOut;
  {
    TBusyState busy(FContext.Window.Busy());
    TImportScope importing(FContext.Window, FContext.Catalogue.Store());
    auto hourglass = HourGlass();
    FContext.Window.SetStatus("Importing files...", false);
    // The status and the progress bar are put back however the import ends.
    TScopeExit statusDone([this] {
      FContext.Window.SetStatus("Done", false);
      FContext.Window.ProgressDone();
    });
    const int count = static_cast<int>(paths.size());
    FContext.Window.ProgressStart(count - 1);
    const bool checkDuplicates = loader.DupCheck->Checked();
    for (int i = 0; i < count && !FContext.Road.Aborted(); ++i) {
      FContext.Window.ProgressPosition(i);
      std::string result;
      FContext.ImportCommands.ImportFile(paths[i], LoaderInput(paths[i]), result, checkDuplicates,
                                         count > 1);
      FContext.ImportCommands.NoteLeftOut(leftOut, paths[i], result);
      FContext.Window.RunImportPump();
    }
    if (!FContext.Road.Aborted()) {
      if ((UpperCase(paths[0]).find(".ZIP") != std::string::npos || count > 1) &&
          FContext.Catalogue.CatList()) {
        FContext.Catalogue.CatList()->ResortAll();
        FContext.Catalogue.CatList()->UpdateAllSummaries();
      }
      loader.ListBox1->Items().Clear();
    }
  }
  FContext.ImportCommands.TellLeftOut(leftOut);
}

void TScanCommands::ScanadriveforMIDIfiles1Click(TObject* Sender) {
  if (FContext.ContextHelp.ContextHelpClick(Sender)) return;
  TDriveScanFrm& window = DriveScanWindow();
  FContext.Window.CenterOverMainWindow(window);
  window.ShowModal();
}

void TScanCommands::ScansystemforMIDIfiles1Click(TObject* Sender) {
  if (FContext.ContextHelp.ContextHelpClick(Sender)) return;
  TScanStatus& window = ScanStatusWindow();
  FContext.Window.CenterOverMainWindow(window);
  window.ShowModal();
}

void TScanCommands::AddScannedFolder(const std::string& folder, bool checkDuplicates,
                                     const std::string& lastName, const std::string& firstName,
                                     const std::string& category) {
  TDriveScanFrm& window = DriveScanWindow();
  TBusyState busy(FContext.Window.Busy());
  // The walk and the import are one import: a close waits for them and stops them.
  TImportScope importing(FContext.Window, FContext.Catalogue.Store());
  if (!DirectoryExists(folder)) {
    window.ShowBox("Could not find directory: " + folder, mtError, TMsgDlgButtons{::mbOK});
    return;
  }
  TStringList files;
  window.SearchFolder(folder, ScanMask, files);
  if (files.Count() == 0 || FContext.Road.Aborted()) return;
  window.OKBtn->SetEnabled(false);
  window.BitBtn1->SetEnabled(false);
  window.BitBtn2->SetEnabled(true);
  window.SetImportRange(0, files.Count());
  SortByPath(files);
  TLeftOutFiles leftOut;
  ImportScanned(files, ScanKeys(category, firstName, lastName), checkDuplicates,
                window.ImportStopped, leftOut, [&window](int n) { window.SetImportPosition(n); });
  if (FContext.Catalogue.CatList() && !FContext.Road.Aborted()) {
    FContext.Catalogue.CatList()->ResortAll();
    FContext.Catalogue.CatList()->UpdateAllSummaries();
  }
  FContext.ImportCommands.TellLeftOut(leftOut);
}

TImportInput TScanCommands::ScanKeys(const std::string& category, const std::string& firstName,
                                     const std::string& lastName) {
  TImportInput keys;
  if (FContext.Catalogue.CatList())
    keys.CategoryKey = FContext.Catalogue.CatList()->FindOrAddCategory(category);
  if (TPerfList* artists = FContext.Catalogue.Artists())
    keys.ArtistKey = artists->FindOrAddPerformer(firstName, lastName);
  return keys;
}

TImportInput TScanCommands::LoaderInput(const std::string& path) {
  TGetLocalF& loader = GetLocalWindow();
  TImportInput input;
  input.Title = ExtractFileName(path);
  input.Origin = path;
  input.ArtistKey = loader.ArtistKey();
  input.CategoryKey = loader.CategoryKey();
  return input;
}

void TScanCommands::ImportScanned(const TStringList& files, const TImportInput& keys,
                                  bool checkDuplicates, const bool& stopped, TLeftOutFiles& leftOut,
                                  const std::function<void(int)>& position) {
  for (int i = 0; i < files.Count(); ++i) {
    FContext.Window.RunImportPump();
    if (stopped || FContext.Road.Aborted()) break;
    PlayWaitingTitle();
    position(i + 1);
    std::string result;
    TImportInput input = keys;
    input.Title = ExtractFileName(files[i]);
    input.Origin = files[i];
    FContext.ImportCommands.ImportFile(files[i], input, result, checkDuplicates, true);
    // With duplicates ignored, a file already in the catalogue is what the user asked for.
    if (checkDuplicates && result == "Duplicate") continue;
    FContext.ImportCommands.NoteLeftOut(leftOut, files[i], result);
  }
}

void TScanCommands::AddFullScanResults(bool checkDuplicates) {
  TScanStatus& window = ScanStatusWindow();
  TLeftOutFiles leftOut;
  {
    TBusyState busy(FContext.Window.Busy());
    TImportScope importing(FContext.Window, FContext.Catalogue.Store());
    TStringList files;
    window.ListFixedDrives(ScanMask, files);
    if (files.Count() > 0 && !FContext.Road.Aborted()) {
      window.OKBtn->SetEnabled(false);
      window.BitBtn1->SetEnabled(false);
      window.BitBtn2->SetEnabled(true);
      window.SetImportRange(0, files.Count());
      SortByPath(files);
      ImportScanned(files, ScanKeys("FullScan " + ShortDateText(), "", "TBD"), checkDuplicates,
                    window.ImportStopped, leftOut,
                    [&window](int n) { window.SetImportPosition(n); });
    }
    FContext.FullScanDone();
    if (FContext.Catalogue.CatList() && !FContext.Road.Aborted()) {
      FContext.Catalogue.CatList()->ResortAll();
      FContext.Catalogue.CatList()->UpdateAllSummaries();
    }
  }
  window.Close();
  FContext.ImportCommands.TellLeftOut(leftOut);
}

TScanCommands::TScanCommands(const TScanContext& context) : FContext(context) {}

TScanCommands::~TScanCommands() = default;
