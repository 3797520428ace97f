// The archive import window.
#include "ArchiveCodeD2.h"
#include <windows.h>
#include "Handles.h"
#include "CreateArchiveCodeD2.h"
#include "FeatureHost.h"
#include "ImportCommands.h"
#include "SysUtils.h"

TArchiveForm* ArchiveFrm = nullptr;

TArchiveForm::TArchiveForm(TComponent* AOwner) : TForm(AOwner) {
  SetName("ArchiveForm");
  SetCaption("Archive processing status");
  BuildArchiveProgressForm(*this, GroupBox1, EPB1, GroupBox2, EPB2, BitBtn1, Timer1);
  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  // Hidden before its first tick (a modal answer in tests): the work must not start later.
  OnHide = [this](TObject*) { Timer1->SetEnabled(false); };
}

void TArchiveForm::StartExtract(const std::string& archiveName, bool quiet, int fileCount,
                                bool checkDuplicates) {
  FArchiveName = archiveName;
  FQuiet = quiet;
  FFileCount = fileCount;
  FCheckDuplicates = checkDuplicates;
  FResult.clear();
  // A Cancel of an earlier import must not stop this one.
  if (FHost) FHost->SetExtractAbort(false);
  GroupBox1->SetCaption(" Extracting " + IntToStr(fileCount) + " files from archive ");
  GroupBox2->SetCaption(" Importing " + IntToStr(fileCount) + " files into database ");
  for (TExtProgressBar* bar : {EPB1, EPB2}) {
    bar->SetRange(0, std::max(fileCount, 0));
    bar->SetPosition(0);
  }
}

void TArchiveForm::FormShow(TObject*) {
  Timer1->SetEnabled(true);
}

void TArchiveForm::Timer1Timer(TObject*) {
  SetBounds(Left(), Top(), 501, 190);
  Timer1->SetEnabled(false);
  EPB1->SetRange(0, 100);
  EPB1->SetPosition(0);
  TFlagHold working(FWorking);
  // A failed import is its result; the window closes all the same.
  try {
    if (ImportWork)
      ImportWork(FArchiveName, FQuiet, FResult, FCheckDuplicates);
    else if (FHost)
      FHost->ImportArchive(FArchiveName, FInput, FQuiet, FResult, FCheckDuplicates);
  } catch (const std::exception& e) {
    FResult = FailureText(e);
  }
  FWorking = false;
  Hide();
  if (FHost) FHost->RepaintMain();
  Close();
}

void TArchiveForm::BitBtn1Click(TObject*) {
  if (FHost) FHost->SetExtractAbort(true);
  // Before the import starts there is nothing to wait for.
  if (!FWorking) {
    Timer1->SetEnabled(false);
    FResult = "The import was cancelled before any entry was read";
    Close();
  }
}

void TArchiveForm::WndProc(TMessage& m) {
  // Closing the window while the import runs is a Cancel; it closes itself when the import ends.
  if (m.Msg == WM_CLOSE || (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_CLOSE)) {
    BitBtn1Click(this);
    m.Result = 0;
    return;
  }
  TForm::WndProc(m);
}
