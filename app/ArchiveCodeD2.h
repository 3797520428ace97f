// The archive import window: the progress of importing a many-title zip archive, with Cancel.
#pragma once
#include <functional>
#include <string>
#include "Buttons.h"
#include "ExtCtrls.h"
#include "ExtProgressBar.h"
#include "Forms.h"
#include "ImportCommands.h"
#include "StdCtrls.h"

class TFeatureHost;
class TArchiveForm;
// The window made in the program's creation order (none in tests).
extern TArchiveForm* ArchiveFrm;

class TArchiveForm : public TForm {
public:
  explicit TArchiveForm(TComponent* AOwner);
  // The main window's side, handed over when the window is made (none: the window works alone).
  void SetHost(TFeatureHost* host) { FHost = host; }

  TGroupBox *GroupBox1, *GroupBox2;
  TExtProgressBar *EPB1, *EPB2;
  TBitBtn* BitBtn1; // Cancel
  TTimer* Timer1;   // starts the import once the window is painted

  // Keeps what the import needs, clears the cancel flag and prepares both bars.
  void StartExtract(const std::string& archiveName, bool quiet, int fileCount,
                    bool checkDuplicates);
  // What the import stores with each title (the entry's own name and origin are added).
  void SetImportInput(const TImportInput& input) { FInput = input; }
  const std::string& Result() const { return FResult; }
  bool Working() const { return FWorking; }

  // The import itself: the main window's ImportArchive unless a test gives another.
  std::function<void(const std::string& archive, bool quiet, std::string& result,
                     bool checkDuplicates)>
      ImportWork;

  void FormShow(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void WndProc(TMessage& message) override;

private:
  TFeatureHost* FHost = nullptr;
  int FFileCount = 0;
  std::string FArchiveName;
  TImportInput FInput;
  bool FQuiet = false, FCheckDuplicates = true;
  std::string FResult;
  bool FWorking = false;
};
