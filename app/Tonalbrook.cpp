// Program entry: one instance, the windows created once in their fixed order, then the message
// loop.
#include <windows.h>
#include "ArchiveCodeD2.h"
#include "CreateArchiveCodeD2.h"
#include "DriveScanCodeD2.h"
#include "GetLocalCodeD2.h"
#include "FeatureHost.h"
#include "Forms.h"
#include "MIDIOPortCode.h"
#include "MMInit.h"
#include "ManageNPICode.h"
#include "MailServices.h"
#include "MainCodeD2.h"
#include "OnceOnly.h"
#include "PrintParamD2.h"
#include "ScanFormCodeD2.h"
#include "Smtpsu.h"
#include "SplashCodeD2.h"
#include "smtpmainD2.h"
#include "UnMIDICode.h"
#include "ViewProgCode.h"
#include "finalMain.h"
#include "AdderCodeD2.h"
#include "RenamerCodeD2.h"

namespace {

int RunProgram() {
  InitMainUnit();
  InitSoundUnits();
  if (SendToPreviousInstance(MasterFormClassName)) return 0;

  SplashAllowed = true;
  Application->SetTitle(AppTitleText);
  Application->SetHelpFile(AppHelpFile);
  InstallMailServices();
  TMasterFrm* master = Application->CreateForm<TMasterFrm>();
  SplashFrm = Application->CreateForm<TSplashFrm>();
  SplashFrm->StartUpDone = [] { return StartUpDone; };
  TuneAdder = Application->CreateForm<TTuneAdder>();
  Renamer = Application->CreateForm<TRenamer>();
  master->CreateDataModule();
  TFeatureHost& host = master->FeatureHost();
  GetLocalF = Application->CreateForm<TGetLocalF>();
  GetLocalF->SetHost(&host);
  ScanStatus = Application->CreateForm<TScanStatus>();
  ScanStatus->SetHost(&host);
  SetupDlg = Application->CreateForm<TSetupDlg>();
  ArchiveFrm = Application->CreateForm<TArchiveForm>();
  ArchiveFrm->SetHost(&host);
  CreateArchiveFrm = Application->CreateForm<TCreateArchiveForm>();
  CreateArchiveFrm->SetHost(&host);
  ViewProgFrm = Application->CreateForm<TViewProgFrm>();
  master->ProgramViewer();
  MailForm = Application->CreateForm<TMailForm>();
  PrintParamFrm = Application->CreateForm<TPrintParamFrm>();
  DriveScanFrm = Application->CreateForm<TDriveScanFrm>();
  DriveScanFrm->SetHost(&host);
  ManageNPIFrm = Application->CreateForm<TManageNPIFrm>();
  UnMIDIFrm = Application->CreateForm<TUnMIDIFrm>();
  MIDIOPortFrm = Application->CreateForm<TMIDIOPortFrm>();
  MIDIOPortFrm->SetVisible(false);
  MixerFrmF = Application->CreateForm<TMixerFrmF>();
  Application->Run();
  return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return RunGuardedEntry(RunProgram);
}
