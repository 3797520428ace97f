// The mail window's host over the main window.
#include "MailServices.h"
#include "AboutCodeD2.h"
#include "MailWindowHost.h"
#include "FeatureHost.h"
#include "ProgramWide.h"
#include "Settings.h"
#include "SysUtils.h"
#include "DataCodeD2.h"
#include "TuneFiles.h"

namespace {

class TMainMailServices : public TMailWindowHost {
public:
  std::string SettingsFileName() override { return ProgramFolder() + TSettings::FileName; }
  std::string MailFolder() override { return IncludeTrailingBackslash(WorkFolder("TempMail")); }
  bool FindTitle(int32_t masterKey, TMailTitle& title) override {
    TMyDB* db = Store();
    TTuneRec rec;
    if (!db || !db->FindById(masterKey, rec)) return false;
    title.Category = rec.CategoryName;
    title.Artist = rec.FullName;
    title.Title = rec.Title;
    return true;
  }
  bool ExportTitle(int32_t masterKey, const std::string& target) override {
    TMyDB* db = Store();
    return db && db->ExportTune(masterKey, target, false);
  }
  bool ZipFiles(const std::vector<std::string>& files, const std::string& archive) override {
    return Host && Host->TuneFiles() && Host->TuneFiles()->ZipFileList(files, archive);
  }
  bool AbortSet() override { return Host && Host->Aborted(); }
  bool ContextHelpClick(TObject* sender) override { return Host && Host->ContextHelpClick(sender); }
  void ShowAbout(TForm* over) override { ShowAboutBox(over); }
  // The main window while it lives.
  TFeatureHost* Host = nullptr;

private:
  TMyDB* Store() const { return Host ? Host->Titles() : nullptr; }
};

TMainMailServices& Services() {
  static TMainMailServices services;
  return services;
}

} // namespace

void InstallMailServices() {
  MailWindowHost = &Services();
}

void SetMailServicesHost(TFeatureHost* host) {
  Services().Host = host;
}
