// The mail window's host over the main window.
#include "MailServices.h"
#include "AboutCodeD2.h"
#include "MailWindowHost.h"
#include "MainCodeD2.h"
#include "ContextHelp.h"
#include "Settings.h"
#include "SysUtils.h"
#include "DataCodeD2.h"
#include "MainViews.h"

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
    return MasterFrm && MasterFrm->TuneFiles() &&
           MasterFrm->TuneFiles()->ZipFileList(files, archive);
  }
  bool AbortSet() override { return MasterFrm && MasterFrm->Road().Aborted(); }
  bool ContextHelpClick(TObject* sender) override {
    return MasterFrm && MasterFrm->ContextHelp().ContextHelpClick(sender);
  }
  void ShowAbout(TForm* over) override { ShowAboutBox(over); }

private:
  static TMyDB* Store() {
    return MasterFrm && MasterFrm->DMM2() ? MasterFrm->DMM2()->MyDB() : nullptr;
  }
};

} // namespace

void InstallMailServices() {
  static TMainMailServices services;
  MailWindowHost = &services;
}
