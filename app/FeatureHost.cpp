// The main window as the feature windows' host: each call goes to the window or its group.
#include "FeatureHost.h"
#include "ContextHelp.h"
#include "DataCodeD2.h"
#include "ImportCommands.h"
#include "MainCodeD2.h"
#include "ScanCommands.h"

namespace {

class TMainFeatureHost : public TFeatureHost {
public:
  explicit TMainFeatureHost(TMasterFrm& master) : FMaster(master) {}
  TCatList* Categories() override { return FMaster.CatList(); }
  TPerfList* Artists() override { return FMaster.DMM2() ? FMaster.DMM2()->PerfList() : nullptr; }
  TMyDB* Titles() override { return FMaster.DMM2() ? FMaster.DMM2()->MyDB() : nullptr; }
  TTuneFiles* TuneFiles() override { return FMaster.TuneFiles(); }
  bool Aborted() override { return FMaster.Road().Aborted(); }
  void RepaintMain() override { FMaster.Repaint(); }
  bool ContextHelpClick(TObject* sender) override {
    return FMaster.ContextHelp().ContextHelpClick(sender);
  }
  void SetExtractAbort(bool value) override { FMaster.ImportCommands().SetExtractAbort(value); }
  void ImportArchive(const std::string& archive, const TImportInput& input, bool quiet,
                     std::string& result, bool checkDuplicates) override {
    FMaster.ImportCommands().ImportArchive(archive, input, quiet, result, checkDuplicates);
  }
  void AddScannedFolder(const std::string& folder, bool checkDuplicates,
                        const std::string& lastName, const std::string& firstName,
                        const std::string& category) override {
    FMaster.ScanCommands().AddScannedFolder(folder, checkDuplicates, lastName, firstName, category);
  }
  void AddFullScanResults(bool checkDuplicates) override {
    FMaster.ScanCommands().AddFullScanResults(checkDuplicates);
  }

private:
  TMasterFrm& FMaster;
};

} // namespace

std::unique_ptr<TFeatureHost> MakeFeatureHost(TMasterFrm& master) {
  return std::make_unique<TMainFeatureHost>(master);
}
