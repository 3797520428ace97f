// What the whole program shares: its folders, registered messages and start-up state.
#include "ProgramWide.h"
#include <windows.h>
#include "SysUtils.h"

TQxMessages QxMessages;
std::string PendingRequest;
bool StartUpDone = false;
TSplashFrm* SplashFrm = nullptr;
bool SplashAllowed = false;
const char* const WorkFolderNames[5] = {"TempTune", "TempZips", "TempMail", "TempTrash", "BackUp"};

namespace {

TMciDriver*& MciDriverSlot() {
  static TMciDriver* driver = nullptr;
  return driver;
}

std::string& ProgramFolderOverride() {
  static std::string folder;
  return folder;
}

} // namespace

void InitMainUnit() {
  PendingRequest.clear();
  QxMessages.BringToFront = RegisterWindowMessageA("QX_BringToFront");
  QxMessages.TrackBarPerc = RegisterWindowMessageA("QX_TrackBar_Perc");
  QxMessages.TrackBarSetPos = RegisterWindowMessageA("QX_TrackBar_SetPos");
  QxMessages.ShowMixerWindow = RegisterWindowMessageA("QX_ShowMixerWindow");
  QxMessages.ShowBadFileBitmap = RegisterWindowMessageA("QX_ShowBadFileBitmap");
}

std::string ProgramFolder() {
  const std::string& o = ProgramFolderOverride();
  return o.empty() ? ExtractFilePath(ParamStr(0)) : o;
}

void SetProgramFolder(const std::string& folder) {
  ProgramFolderOverride() = folder.empty() ? "" : IncludeTrailingBackslash(folder);
}

std::string WorkFolder(const char* name) {
  return ProgramFolder() + name + "\\";
}

void SetMainMciDriver(TMciDriver* driver) {
  MciDriverSlot() = driver;
}

TMciDriver* MainMciDriver() {
  return MciDriverSlot();
}
