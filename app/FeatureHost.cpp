// The main window as the feature windows' host: each call goes to the catalogue, the play road,
// the window's services or a command group.
#include "FeatureHost.h"
#include "ContextHelp.h"
#include "ImportCommands.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "PlayRoad.h"
#include "ScanCommands.h"

namespace {

class TMainFeatureHost : public TFeatureHost {
public:
  explicit TMainFeatureHost(const TFeatureHostContext& context) : FContext(context) {}
  TCatList* Categories() override { return FContext.Catalogue.CatList(); }
  TPerfList* Artists() override { return FContext.Catalogue.Artists(); }
  TMyDB* Titles() override { return FContext.Catalogue.Store(); }
  TTuneFiles* TuneFiles() override { return &FContext.Catalogue.TuneFiles(); }
  bool Aborted() override { return FContext.Road.Aborted(); }
  void RepaintMain() override { FContext.Window.RepaintMain(); }
  bool ContextHelpClick(TObject* sender) override {
    return FContext.ContextHelp.ContextHelpClick(sender);
  }
  void SetExtractAbort(bool value) override { FContext.ImportCommands.SetExtractAbort(value); }
  void ImportArchive(const std::string& archive, const TImportInput& input, bool quiet,
                     std::string& result, bool checkDuplicates) override {
    FContext.ImportCommands.ImportArchive(archive, input, quiet, result, checkDuplicates);
  }
  void AddScannedFolder(const std::string& folder, bool checkDuplicates,
                        const std::string& lastName, const std::string& firstName,
                        const std::string& category) override {
    FContext.ScanCommands.AddScannedFolder(folder, checkDuplicates, lastName, firstName, category);
  }
  void AddFullScanResults(bool checkDuplicates) override {
    FContext.ScanCommands.AddFullScanResults(checkDuplicates);
  }

private:
  TFeatureHostContext FContext;
};

} // namespace

std::unique_ptr<TFeatureHost> MakeFeatureHost(const TFeatureHostContext& context) {
  return std::make_unique<TMainFeatureHost>(context);
}
