// Dial-up networking: makes sure a dial-up connection stands before a mail connection opens.
#include "agRasCmp.h"
#include "Controls.h"
#include "Dialogs.h"
#include "Messages.h"
#include "agsocket.h"
#include <cstring>

namespace {
std::string& LibraryName() {
  static std::string name = "rasapi32.dll";
  return name;
}

constexpr DWORD RasConnectedState = 0x2000;
constexpr DWORD RasNotifierWindow = 0xFFFFFFFF;
constexpr int RasProjectionPppIp = 0x8021;

// The records of the Remote Access Service in the sizes the library was first made with.
#pragma pack(push, 4)
struct TRasEntryName {
  DWORD dwSize;
  char szEntryName[257];
};
struct TRasConn {
  DWORD dwSize;
  HANDLE hrasconn;
  char szEntryName[257];
  char szDeviceType[17];
  char szDeviceName[129];
};
struct TRasPppIp {
  DWORD dwSize;
  DWORD dwError;
  char szIpAddress[16];
};
struct TRasDialParams {
  DWORD dwSize;
  char szEntryName[257];
  char szPhoneNumber[129];
  char szCallbackNumber[129];
  char szUserName[257];
  char szPassword[257];
  char szDomain[16];
};
#pragma pack(pop)
static_assert(sizeof(TRasEntryName) == 264);
static_assert(sizeof(TRasConn) == 412);
static_assert(sizeof(TRasPppIp) == 24);
static_assert(sizeof(TRasDialParams) == 1052);

using TRasEnumEntries = DWORD(WINAPI*)(LPCSTR, LPCSTR, TRasEntryName*, DWORD*, DWORD*);
using TRasEnumConnections = DWORD(WINAPI*)(TRasConn*, DWORD*, DWORD*);
using TRasGetProjectionInfo = DWORD(WINAPI*)(HANDLE, int, void*, DWORD*);
using TRasGetEntryDialParams = DWORD(WINAPI*)(LPCSTR, TRasDialParams*, BOOL*);
using TRasSetEntryDialParams = DWORD(WINAPI*)(LPCSTR, TRasDialParams*, BOOL);
using TRasDial = DWORD(WINAPI*)(void*, LPCSTR, TRasDialParams*, DWORD, void*, HANDLE*);
using TRasHangUp = DWORD(WINAPI*)(HANDLE);
using TRasGetErrorString = DWORD(WINAPI*)(UINT, LPSTR, DWORD);

template <class F> F As(FARPROC p) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

void CopyName(char* to, size_t size, const std::string& from) {
  std::memset(to, 0, size);
  std::memcpy(to, from.data(), std::min(from.size(), size - 1));
}
} // namespace

void SetRasLibraryName(const std::string& name) {
  LibraryName() = name;
}
std::string RasLibraryName() {
  return LibraryName();
}

TagRas::TagRas(TComponent* AOwner)
    : TComponent(AOwner), FEntries(new TStringList), FCounter(new TTimeCounter) {
  FCounter->SetTimeOut(120);
  FDialEventMessage = RegisterWindowMessageA("RASDIALEVENT");
  if (!ComponentState().Contains(csDesigning))
    FWindow = AllocateHWnd([this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
      return HandleMessage(msg, wp, lp, result);
    });
  UINT former = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  FLibrary.Reset(LoadLibraryA(LibraryName().c_str()));
  SetErrorMode(former);
}

TagRas::~TagRas() {
  if (FWindow) DeallocateHWnd(FWindow);
}

FARPROC TagRas::Proc(const char* name) const {
  return FLibrary ? GetProcAddress(FLibrary.Get(), name) : nullptr;
}

void TagRas::RaiseRasError(uint32_t code) {
  std::string text;
  if (auto getText = As<TRasGetErrorString>(Proc("RasGetErrorStringA"))) {
    char buffer[256] = {};
    if (getText(code, buffer, sizeof buffer) == 0) text = buffer;
  } else {
    text = "RAS error no " + IntToStr(code);
  }
  if (text.empty()) text = "RAS error no " + IntToStr(code);
  throw ERASError(text);
}

std::string TagRas::StateText(unsigned state) const {
  unsigned id = 0;
  switch (state) {
  case 0:
    id = 120;
    break;
  case 1:
  case 2:
  case 3:
    id = 122;
    break;
  case 5:
  case 19:
    id = 124;
    break;
  case 14:
    id = 131;
    break;
  case 21:
    id = 128;
    break;
  case RasConnectedState:
    id = 129;
    break;
  default:
    return "";
  }
  char buffer[256] = {};
  if (!FLibrary || LoadStringA(FLibrary.Get(), id, buffer, sizeof buffer) <= 0) return "";
  return buffer;
}

bool TagRas::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != FDialEventMessage || msg == 0) return false;
  result = 0;
  if (OnStatusChange) OnStatusChange(this, StateText(static_cast<unsigned>(wp)));
  bool wasConnected = FConnected;
  if (!FConnected) FConnected = wp == RasConnectedState;
  if (lp != 0) {
    FLastError = static_cast<uint32_t>(lp);
    if (wasConnected) RaiseRasError(FLastError);
  }
  return true;
}

TStringList& TagRas::GetEntries() {
  FEntries->Clear();
  auto enumEntries = As<TRasEnumEntries>(Proc("RasEnumEntriesA"));
  if (!enumEntries) return *FEntries;
  std::vector<TRasEntryName> entries(25);
  entries[0].dwSize = sizeof(TRasEntryName);
  DWORD bytes = static_cast<DWORD>(entries.size() * sizeof(TRasEntryName));
  DWORD count = 0;
  FLastError = enumEntries(nullptr, nullptr, entries.data(), &bytes, &count);
  if (FLastError == 0)
    for (DWORD i = 0; i < count && i < entries.size(); ++i)
      FEntries->Add(entries[i].szEntryName);
  return *FEntries;
}

bool TagRas::IsConnectionActive() {
  auto enumConnections = As<TRasEnumConnections>(Proc("RasEnumConnectionsA"));
  if (!enumConnections) return false;
  std::vector<TRasConn> conns(10);
  conns[0].dwSize = sizeof(TRasConn);
  DWORD bytes = static_cast<DWORD>(conns.size() * sizeof(TRasConn));
  DWORD count = 0;
  DWORD error = enumConnections(conns.data(), &bytes, &count);
  if (error != 0) {
    FLastError = error;
    RaiseRasError(error);
  }
  if (count > conns.size()) count = static_cast<DWORD>(conns.size());
  for (DWORD i = 0; i < count; ++i)
    if (conns[i].hrasconn != FConnection && SameText(conns[i].szEntryName, FService) &&
        !FService.empty()) {
      FConnection = conns[i].hrasconn;
      return true;
    }
  if (!FForceService) {
    auto projection = As<TRasGetProjectionInfo>(Proc("RasGetProjectionInfoA"));
    for (DWORD i = 0; projection && i < count; ++i) {
      TRasPppIp ip{};
      ip.dwSize = sizeof ip;
      DWORD size = sizeof ip;
      if (projection(conns[i].hrasconn, RasProjectionPppIp, &ip, &size) == 0 &&
          ip.szIpAddress[0] != 0) {
        FConnection = conns[i].hrasconn;
        return true;
      }
    }
  }
  return false;
}

void TagRas::Dial() {
  if (FService.empty() || IsConnectionActive()) {
    FConnected = true;
    FDialledHere = false;
    return;
  }
  auto getParams = As<TRasGetEntryDialParams>(Proc("RasGetEntryDialParamsA"));
  auto setParams = As<TRasSetEntryDialParams>(Proc("RasSetEntryDialParamsA"));
  auto dial = As<TRasDial>(Proc("RasDialA"));
  if (!getParams || !setParams || !dial) RaiseRasError(ERROR_PROC_NOT_FOUND);
  FDialledHere = true;
  FConnection = nullptr;
  FCanceled = FConnected = false;
  FLastError = 0;
  FCounter->SetTimedOut(false);

  TRasDialParams params{};
  params.dwSize = sizeof params;
  CopyName(params.szEntryName, sizeof params.szEntryName, FService);
  BOOL hasPassword = FALSE;
  DWORD error = getParams(nullptr, &params, &hasPassword);
  if (error != 0) {
    FLastError = error;
    RaiseRasError(error);
  }
  if (!hasPassword) {
    CopyName(params.szPassword, sizeof params.szPassword, FPassword);
    error = setParams(nullptr, &params, FRemovePassword);
    if (error != 0) {
      FLastError = error;
      RaiseRasError(error);
    }
  }
  error = dial(nullptr, nullptr, &params, RasNotifierWindow, FWindow, &FConnection);
  if (error != 0) {
    FLastError = error;
    HangUp();
    RaiseRasError(error);
  }
  FCounter->Start();
  PumpUntil([&] { return FConnected || FLastError != 0 || FCanceled || FCounter->TimedOut(); },
            INFINITE_WAIT, 50);
  FCounter->Stop();
  if (FLastError != 0) {
    uint32_t code = FLastError;
    HangUp();
    RaiseRasError(code);
  }
  if (FCanceled) throw ECanceledError(MailErrorText(msErrCanceled));
  if (FCounter->TimedOut() && !FConnected) {
    HangUp();
    throw ETimedOutError(MailErrorText(msErrTimedOut));
  }
  if (FMinimizeAtConnect) {
    PumpUntil([] { return false; }, 1000);
    if (HWND box = FindWindowA("#32770", nullptr)) SendMessageA(box, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  }
}

void TagRas::HangUp() {
  if (FEntries->Count() > 0 && FDialledHere) {
    if (auto hangUp = As<TRasHangUp>(Proc("RasHangUpA")))
      if (FConnection && FConnection != reinterpret_cast<HANDLE>(-1)) hangUp(FConnection);
    FDialledHere = false; // hung up: a second hang-up has nothing of ours to end
    if (OnDisconnected) OnDisconnected(this);
  }
  FConnected = false;
  FConnection = reinterpret_cast<HANDLE>(-1);
}

void TagRas::Disconnect() {
  HangUp();
  FCanceled = true;
}

void TagRas::SetService(const std::string& value) {
  if (value.empty()) {
    FService.clear();
    return;
  }
  TStringList& entries = GetEntries();
  if (entries.Count() == 0) {
    MessageDlg("TagRas component was unable to detect\rRAS on your system.", mtError, {mbOK}, 0);
    return;
  }
  if (FConnected) {
    MessageDlg("This property can be set only before\restablishing the connection", mtError, {mbOK},
               0);
    return;
  }
  if (entries.IndexOf(value) < 0) {
    MessageDlg("Invalid service name", mtError, {mbOK}, 0);
    return;
  }
  FService = value;
}
