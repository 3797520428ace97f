// The socket component: a TCP connection whose every wait runs the window message loop.
#pragma once
#include <memory>
#include "agwsock.h"
#include "Classes.h"
#include "Components.h"
#include "msCls.h"
#include "msutils.h"
#include <functional>
#include <string>

TB_DECLARE_EXCEPTION(ESocketError, Exception);
TB_DECLARE_EXCEPTION(ETimedOutError, Exception);
TB_DECLARE_EXCEPTION(ECanceledError, Exception);

using TmsProgressEvent = std::function<void(TObject* Sender, int Perc, int Transferred)>;
using TmsErrorEvent = std::function<void(TObject* Sender, std::string& Msg)>;
using TmsLineEvent = std::function<void(TObject* Sender, const std::string& Line)>;

// Messages the sockets library sends to the notification window.
constexpr UINT WM_AG_HOSTFOUND = WM_USER + 148;
constexpr UINT WM_AG_SERVICEFOUND = WM_USER + 149;
constexpr UINT WM_AG_SOCKETEVENT = WM_USER + 150;

// The program's own error numbers of the socket layer.
constexpr int msErrTimedOut = 57000;
constexpr int msErrCanceled = 57001;
constexpr int msErrServerRequired = 57002;
constexpr int msErrWinsockVersion = 57003;
constexpr int msErrResolveHost = 57004;
constexpr int msErrServiceRequired = 57005;
constexpr int msErrInvalidPort = 57006;
constexpr int msErrNotConnected = 57008;
constexpr int msErrReplyTooLong = 57009;

// The string-table text of a mail error number, or "Error #n" when the table has none.
std::string MailErrorText(int code);

class TagRas;

class TagSocket : public TComponent {
public:
  explicit TagSocket(TComponent* AOwner);
  ~TagSocket() override;

  const std::string& Server() const { return FServer; }
  void SetServer(const std::string& value) { FServer = value; }
  const std::string& LogFileName() const { return FLogFileName; }
  void SetLogFileName(const std::string& value) { FLogFileName = value; }
  uint16_t DefaultPort() const { return FDefaultPort; }
  void SetDefaultPort(uint16_t value) { FDefaultPort = value; }
  const std::string& ServiceName() const { return FServiceName; }
  void SetServiceName(const std::string& value) { FServiceName = value; }
  bool UseUDP() const { return FUseUDP; }
  void SetUseUDP(bool value) { FUseUDP = value; }
  bool Blocking() const { return FBlocking; }
  void SetBlocking(bool value) { FBlocking = value; }
  TagRas* RAS() const { return FRAS; }
  void SetRAS(TagRas* value);
  bool WinsockLoaded() const { return agWinsock.Loaded(); }
  void SetWinsockLoaded(bool value);
  int TimeOut() const { return FCounter->TimeOut(); }
  void SetTimeOut(int value) { FCounter->SetTimeOut(value); }

  TNotifyEvent OnOpen, OnConnected, OnClosing, OnClosed, OnCancel;
  TmsProgressEvent OnProgress;
  TmsErrorEvent OnError;
  TmsLineEvent OnLineSent, OnLineReceived;

  virtual void ResetFlags();
  virtual int ReplyCode(const std::string& line);
  virtual void Open();
  virtual void Close();
  virtual void Cancel();

  bool Connected() const { return FSocket != INVALID_SOCKET; }
  void ConnectSocket();
  // One line from the server without its line end; answers its reply code (-1 when none). The
  // line must come within TimeOut seconds and 64 KB, or as part of a reply within the reply's.
  int ReadLine(std::string& line);
  // One reply, a multi-line one read whole; answers the code of its first line. The whole reply
  // must come within TimeOut seconds and 64 KB.
  int ReadReply();
  void SendLine(const std::string& text);
  // Sends the whole stream from its start; a bare CR or LF goes out as CR LF and a "." that
  // begins a line goes out doubled.
  void SendStream(TStream& stream);

  const std::string& LastReply() const { return FLastReply; }
  const std::string& LocalHost() const { return FLocalHost; }
  const std::string& RemoteAddressText() const { return FRemoteAddrText; }
  uint16_t RemotePort() const { return FRemotePort; }
  const TStringList& TransferLog() const { return *FLog; }
  bool Canceled() const { return FCanceled; }

protected:
  void Notification(TComponent* component, TOperation operation) override;
  // The error paths: each stops the counter and passes OnError before it raises.
  [[noreturn]] void SocketError(int code);
  [[noreturn]] void TimeOutError();
  [[noreturn]] void CancelError();
  TTimeCounter& Counter() { return *FCounter; }

private:
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // Runs the message loop until done() holds, cancel, the counter's time-out or (when asked)
  // an error flag.
  void WaitFor(const std::function<bool()>& done, bool endOnError);
  void ResolveHost(const std::string& host);
  void ResolvePort();
  void SendBytes(const char* data, size_t count);
  void TakeInput(const char* data, int count);
  void Log(const std::string& line);

  std::string FServer;
  std::string FLogFileName;
  uint16_t FDefaultPort = 0;
  std::string FServiceName;
  bool FUseUDP = false;
  bool FBlocking = false;
  TagRas* FRAS = nullptr;
  HWND FWindow = nullptr;
  WSADATA FWSAData{};
  SOCKET FSocket = INVALID_SOCKET;
  HANDLE FRequest = nullptr;
  std::unique_ptr<TTimeCounter> FCounter;
  unsigned long FRemoteAddr = 0;
  std::string FRemoteAddrText;
  std::string FLocalHost;
  uint16_t FRemotePort = 0;
  int FStartups = 0;
  std::unique_ptr<TStringList> FLog;
  bool FCanceled = false, FHostFound = false, FServiceFound = false, FConnected = false,
       FReadable = false, FWritable = false, FClosedByPeer = false, FError = false;
  uint16_t FLastError = 0;
  uint16_t FSendFlags = 0;
  std::string FLastReply;
  // Bytes received and not yet taken as lines; the line being received is cut to 255 characters.
  std::string FInput;
  size_t FLineLength = 0;
  // Bytes received for the reply (or lone line) being read, and whether a reply is being read.
  size_t FReplyBytes = 0;
  bool FInReply = false;
  // What the transfer log holds, in bytes of the file it becomes.
  size_t FLogBytes = 0;
  TTransferLogFile FLogFile;
  bool FEndOfInput = false;
  char FHostBuffer[MAXGETHOSTSTRUCT] = {};
  char FServiceBuffer[MAXGETHOSTSTRUCT] = {};
};
