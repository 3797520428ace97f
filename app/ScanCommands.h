// Loading files and scanning drives for MIDI files, and the import of what they found.
#pragma once
#include <functional>
#include <memory>
#include <string>

class TContextHelp;
class TFeatureHost;
class TImportCommands;
class TMainCatalogue;
class TMainServices;
class TObject;
class TPlayRoad;
class TGetLocalF;
class TScanStatus;
class TDriveScanFrm;
class TStringList;
class TLeftOutFiles;
struct TImportInput;

// What the load and scan commands work with: the window's message box, busy state, import-busy,
// status line and progress bar, the catalogue, the play road (its abort, and a title start that
// waits for the import), the imports that store what they find, help mode for their buttons, the
// feature windows' host their own windows call back, and the note that a system scan ran (the
// reminder to scan stays quiet from then on).
struct TScanContext {
  TMainServices& Window;
  const TMainCatalogue& Catalogue;
  TPlayRoad& Road;
  TImportCommands& ImportCommands;
  TContextHelp& ContextHelp;
  std::function<TFeatureHost&()> FeatureHost;
  std::function<void()> FullScanDone;
};

// The main window's load and scan commands and the windows they show.
class TScanCommands {
public:
  explicit TScanCommands(const TScanContext& context);
  ~TScanCommands();
  TScanCommands(const TScanCommands&) = delete;
  TScanCommands& operator=(const TScanCommands&) = delete;

  // --- loading and scanning (ScanCommands.cpp)
  // File > "&Open" and the load button: the loader, then the import of its list.
  void GetLocal2Click(TObject* Sender);
  void ScanadriveforMIDIfiles1Click(TObject* Sender);
  void ScansystemforMIDIfiles1Click(TObject* Sender);

  // Walks folder with the drive scan window and imports its MIDI files quietly.
  void AddScannedFolder(const std::string& folder, bool checkDuplicates,
                        const std::string& lastName, const std::string& firstName,
                        const std::string& category);

  // Walks every fixed drive with the scan status window and imports what it found.
  void AddFullScanResults(bool checkDuplicates);

  // The windows of the creation order, or the main window's own when none was made.
  TGetLocalF& GetLocalWindow();
  TScanStatus& ScanStatusWindow();
  TDriveScanFrm& DriveScanWindow();

  // Between two files of a scan's import: a title start that gave up waiting for the import
  // plays now.
  void PlayWaitingTitle();

  // What the import of one of the loader's files gets: its name, its path, and the artist and
  // category the loader settled.
  TImportInput LoaderInput(const std::string& path);

private:
  // The category and artist a scan gives every title it imports, found or made.
  TImportInput ScanKeys(const std::string& category, const std::string& firstName,
                        const std::string& lastName);
  // A scan's import of the files found, until stopped; position hears each file's number.
  void ImportScanned(const TStringList& files, const TImportInput& keys, bool checkDuplicates,
                     const bool& stopped, TLeftOutFiles& leftOut,
                     const std::function<void(int)>& position);

  TScanContext FContext;
  std::unique_ptr<TGetLocalF> FOwnGetLocalF;
  std::unique_ptr<TScanStatus> FOwnScanStatus;
  std::unique_ptr<TDriveScanFrm> FOwnDriveScanFrm;
};
