// Sending titles out: mail, archives and single files on disk.
#pragma once
#include <string>
#include "FileOps.h"
#include "MessageKinds.h"

class TComponent;
class TExtPageControl;
class TImportCommands;
class TMainCatalogue;
class TMainServices;
class TObject;
class TSaveDialog;
class TScanCommands;
class TStringList;
class TWorkingKeys;

// What the export commands work with: the window's message box and busy state, the owner of the
// save dialog, the catalogue, the working keys, the import commands' archive creation window, and
// the scan commands (a title start that waits for an import plays between the titles archived).
struct TExportContext {
  TMainServices& Window;
  TComponent& Owner;
  const TMainCatalogue& Catalogue;
  TWorkingKeys& Keys;
  TImportCommands& ImportCommands;
  TScanCommands& ScanCommands;
};

// The window's parts the export commands use: the two areas are held still while an archive is
// made.
struct TExportParts {
  TExtPageControl* Albums = nullptr;
  TExtPageControl* Categories = nullptr;
};

// The main window's export commands; keys are master keys, one per line.
class TExportCommands {
public:
  explicit TExportCommands(const TExportContext& context);
  // The parts it acts on, once the window has built them.
  void SetParts(const TExportParts& parts) { FParts = parts; }
  ~TExportCommands();
  TExportCommands(const TExportCommands&) = delete;
  TExportCommands& operator=(const TExportCommands&) = delete;

  // --- sending titles out (ExportCommands.cpp); keys are master keys, one per line.
  // Hands the titles to the mail window; nothing while no mail window is registered.
  void MailTitles(const TStringList& keys);

  // One save dialog per title, as a ".mid" or a ".zip" file.
  void SaveTitlesToDisk(const TStringList& keys);

  // Asks for the archive's name and runs the archive creation window, which calls
  // ArchiveTitlesWork once it shows.
  void ArchiveTitles(const TStringList& keys);
  void ArchiveTitlesWork(const std::string& archiveName, TStringList& keys);
  bool Archiving() const { return FArchiving; }
  void Mail4Click(TObject* Sender);
  void Save2Click(TObject* Sender);

  // The save dialog of SaveTitlesToDisk, made at the first save.
  TSaveDialog& SaveDialog1();

  // Where saved files are put in place (a seam for tests; the real file system by default).
  void SetSaveFileOps(TFileOps* ops) { FSaveOps = ops ? ops : &DefaultFileOps(); }
  bool SaveTitleAs(int32_t key, const std::string& target, bool zip);

  // A box over the archive window while it shows, else the main window's.
  TMessageAnswer ArchiveBox(const std::string& text, TMessageKind kind);

private:
  TExportContext FContext;
  TExportParts FParts;
  TFileOps* FSaveOps = &DefaultFileOps();
  bool FArchiving = false;
  TSaveDialog* FSaveDialog1 = nullptr;
};
