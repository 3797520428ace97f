// What the feature windows (loader, scans, archive windows, mail) call back in the main window.
#pragma once
#include <memory>
#include <string>

class TCatList;
class TContextHelp;
class TImportCommands;
class TMainCatalogue;
class TMainServices;
class TMyDB;
class TObject;
class TPerfList;
class TPlayRoad;
class TScanCommands;
class TTuneFiles;
struct TImportInput;

// Handed to each feature window when it is made; the window asks nothing else of the program.
class TFeatureHost {
public:
  virtual ~TFeatureHost() = default;
  // The catalogue's lists and store; null while the catalogue is not loaded.
  virtual TCatList* Categories() = 0;
  virtual TPerfList* Artists() = 0;
  virtual TMyDB* Titles() = 0;
  virtual TTuneFiles* TuneFiles() = 0;
  // The program is closing: work in hand stops after its current file.
  virtual bool Aborted() = 0;
  virtual void RepaintMain() = 0;
  // True when context help took the click.
  virtual bool ContextHelpClick(TObject* sender) = 0;
  // The archive import window's Cancel and its import.
  virtual void SetExtractAbort(bool value) = 0;
  virtual void ImportArchive(const std::string& archive, const TImportInput& input, bool quiet,
                             std::string& result, bool checkDuplicates) = 0;
  // The scan windows' imports of what they found.
  virtual void AddScannedFolder(const std::string& folder, bool checkDuplicates,
                                const std::string& lastName, const std::string& firstName,
                                const std::string& category) = 0;
  virtual void AddFullScanResults(bool checkDuplicates) = 0;
};

// What the main window's side of it answers from: the window's repaint, the catalogue, the play
// road's abort, help mode, and the imports and scans the feature windows run.
struct TFeatureHostContext {
  TMainServices& Window;
  const TMainCatalogue& Catalogue;
  TPlayRoad& Road;
  TContextHelp& ContextHelp;
  TImportCommands& ImportCommands;
  TScanCommands& ScanCommands;
};

// The main window's side of it.
std::unique_ptr<TFeatureHost> MakeFeatureHost(const TFeatureHostContext& context);
