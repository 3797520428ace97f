// The one-second count-down behind every mail time-out, and the temporary file of a message.
#include "msCls.h"
#include "ExtCtrls.h"
#include "SysUtils.h"
#include <windows.h>

TTimeCounter::TTimeCounter() : FTimer(new TTimer(nullptr)) {
  FTimer->SetEnabled(false);
  FTimer->SetInterval(1000);
  FTimer->OnTimer = [this](TObject*) { Tick(); };
}

TTimeCounter::~TTimeCounter() = default;

void TTimeCounter::Start() {
  FRemaining = FTimeOut;
  // Restarting must begin a whole new second, not finish the running one.
  FTimer->SetEnabled(false);
  FTimer->SetEnabled(true);
}

void TTimeCounter::Stop() {
  FTimer->SetEnabled(false);
}

void TTimeCounter::Tick() {
  --FRemaining;
  if (FRemaining < 1) FTimedOut = true;
}

TTempFileName::TTempFileName() {
  char path[MAX_PATH + 1] = {};
  char name[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(sizeof path, path);
  if (n == 0 || n > MAX_PATH || GetTempFileNameA(path, "ms", 0, name) == 0) RaiseLastOSError();
  FName = name;
}

TTempFileName::~TTempFileName() {
  DeleteFileA(FName.c_str());
}

TTempFileStream::TTempFileStream() : TFileStream(TempName(), fmCreate) {}
