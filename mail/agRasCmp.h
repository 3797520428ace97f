// Dial-up networking: makes sure a dial-up connection stands before a mail connection opens.
#pragma once
#include <memory>
#include "Classes.h"
#include "Components.h"
#include "Handles.h"
#include "SysUtils.h"
#include "msCls.h"
#include <windows.h>
#include <functional>
#include <string>

TB_DECLARE_EXCEPTION(ERASError, Exception);

using TRASNotifyEvent = std::function<void(TObject* Sender, const std::string& State)>;

// The library the component binds; tests put a stand-in of their own in its place. Takes
// effect for components made afterwards.
void SetRasLibraryName(const std::string& name);
std::string RasLibraryName();

class TagRas : public TComponent {
public:
  explicit TagRas(TComponent* AOwner);
  ~TagRas() override;

  // The phone-book entries; the list is filled again at every call.
  TStringList& GetEntries();
  void Dial();
  void HangUp();
  void Disconnect();

  const std::string& Service() const { return FService; }
  void SetService(const std::string& value);
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& value) { FPassword = value; }
  bool RemovePassword() const { return FRemovePassword; }
  void SetRemovePassword(bool value) { FRemovePassword = value; }
  bool ForceService() const { return FForceService; }
  void SetForceService(bool value) { FForceService = value; }
  bool MinimizeAtConnect() const { return FMinimizeAtConnect; }
  void SetMinimizeAtConnect(bool value) { FMinimizeAtConnect = value; }
  int TimeOut() const { return FCounter->TimeOut(); }
  void SetTimeOut(int value) { FCounter->SetTimeOut(value); }
  bool DialledHere() const { return FDialledHere; }
  bool IsConnected() const { return FConnected; }
  bool LibraryLoaded() const { return FLibrary.Valid(); }
  uint32_t LastError() const { return FLastError; }

  TRASNotifyEvent OnStatusChange;
  TNotifyEvent OnDisconnected;

  bool IsConnectionActive();

private:
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  FARPROC Proc(const char* name) const;
  [[noreturn]] void RaiseRasError(uint32_t code);
  std::string StateText(unsigned state) const;

  std::unique_ptr<TStringList> FEntries;
  std::string FService;
  HANDLE FConnection = reinterpret_cast<HANDLE>(-1);
  UINT FDialEventMessage = 0;
  HWND FWindow = nullptr;
  bool FMinimizeAtConnect = false;
  bool FDialledHere = false;
  std::string FPassword;
  bool FRemovePassword = true;
  TModule FLibrary;
  bool FForceService = true;
  uint32_t FLastError = 0;
  std::unique_ptr<TTimeCounter> FCounter;
  bool FCanceled = false;
  bool FConnected = false;
};
