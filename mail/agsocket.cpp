// The socket component: a TCP connection whose every wait runs the window message loop.
#include "agsocket.h"
#include "agRasCmp.h"
#include "Controls.h"
#include "Messages.h"
#include "Resources.h"
#include "msutils.h"

namespace {
constexpr size_t MaxLineLength = 255;
constexpr int ChunkSize = 2047;
// A reply of a well-behaved server is a few hundred bytes; past this a server floods us.
constexpr size_t MaxReplyBytes = 64 * 1024;
// The transfer log keeps the newest lines within this size; older ones are dropped in batches.
constexpr size_t MaxLogBytes = 4 * 1024 * 1024;
} // namespace

std::string MailErrorText(int code) {
  std::string text = code >= 0 ? LoadStr(static_cast<unsigned>(code)) : std::string();
  return text.empty() ? "Error #" + IntToStr(code) : text;
}

TagSocket::TagSocket(TComponent* AOwner)
    : TComponent(AOwner), FCounter(new TTimeCounter), FLog(new TStringList) {
  if (!ComponentState().Contains(csDesigning))
    FWindow = AllocateHWnd([this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
      return HandleMessage(msg, wp, lp, result);
    });
}

TagSocket::~TagSocket() {
  if (FWindow) DeallocateHWnd(FWindow);
  try {
    for (; FStartups > 0; --FStartups)
      agWinsock.WSACleanup();
  } catch (...) {
    // The library went first; nothing is left to clean up.
  }
}

void TagSocket::SetRAS(TagRas* value) {
  if (FRAS == value) return;
  if (FRAS) RemoveFreeNotification(FRAS);
  FRAS = value;
  if (FRAS) FreeNotification(FRAS);
}

void TagSocket::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FRAS) FRAS = nullptr;
}

void TagSocket::SetWinsockLoaded(bool value) {
  if (value)
    agWinsock.Load();
  else
    agWinsock.Unload();
}

bool TagSocket::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg < WM_AG_HOSTFOUND || msg > WM_AG_SOCKETEVENT) return false;
  result = 0;
  uint16_t error = WSAGETASYNCERROR(lp);
  if (msg == WM_AG_SOCKETEVENT) {
    // News of a socket closed before is no news of this one.
    if (static_cast<SOCKET>(wp) != FSocket || FSocket == INVALID_SOCKET) return true;
  } else if (reinterpret_cast<HANDLE>(wp) != FRequest || !FRequest) {
    return true;
  }
  if (error != 0) {
    FError = true;
    FLastError = error;
  }
  switch (msg) {
  case WM_AG_HOSTFOUND:
    FHostFound = true;
    break;
  case WM_AG_SERVICEFOUND:
    FServiceFound = true;
    break;
  default:
    if (error != 0) break;
    switch (WSAGETSELECTEVENT(lp)) {
    case FD_READ:
      FReadable = true;
      break;
    case FD_WRITE:
      FWritable = true;
      break;
    case FD_CONNECT:
      FConnected = true;
      break;
    case FD_CLOSE:
      FClosedByPeer = true;
      break;
    }
  }
  return true;
}

void TagSocket::ResetFlags() {
  FCanceled = FHostFound = FServiceFound = FConnected = false;
  FReadable = FWritable = FClosedByPeer = FError = false;
  FLastError = 0;
  FRequest = nullptr;
  FCounter->SetTimedOut(false);
}

int TagSocket::ReplyCode(const std::string& line) {
  if (line.size() < 3) return -1;
  int code = 0;
  for (int i = 0; i < 3; ++i) {
    if (line[i] < '0' || line[i] > '9') return -1;
    code = code * 10 + (line[i] - '0');
  }
  return code;
}

void TagSocket::WaitFor(const std::function<bool()>& done, bool endOnError) {
  PumpUntil([&] { return done() || FCanceled || FCounter->TimedOut() || (endOnError && FError); },
            INFINITE_WAIT, 50);
}

void TagSocket::Open() {
  if (FRAS) FRAS->Dial();
  if (OnOpen) OnOpen(this);
  if (FServer.empty()) SocketError(msErrServerRequired);
  if (agWinsock.WSAStartup(0x0101, &FWSAData) != 0) SocketError(msErrWinsockVersion);
  ++FStartups;
  std::string host = FServer.substr(0, FServer.find(':'));
  char name[512] = {};
  if (agWinsock.gethostname(name, sizeof name - 1) == 0)
    FLocalHost = name;
  else
    FLocalHost = host;
  ResolveHost(host);
  ResolvePort();
  FSocket = agWinsock.socket(AF_INET, SOCK_STREAM, FUseUDP ? 17 : 0);
  if (FSocket == INVALID_SOCKET) SocketError(agWinsock.WSAGetLastError());
  FInput.clear();
  FLineLength = 0;
  FEndOfInput = false;
}

void TagSocket::ResolveHost(const std::string& host) {
  unsigned long addr = agWinsock.inet_addr(host.c_str());
  if (addr == INADDR_NONE) {
    const hostent* entry = nullptr;
    if (!FBlocking) {
      FHostFound = FError = false;
      FRequest = agWinsock.WSAAsyncGetHostByName(FWindow, WM_AG_HOSTFOUND, host.c_str(),
                                                 FHostBuffer, sizeof FHostBuffer);
      if (!FRequest) SocketError(agWinsock.WSAGetLastError());
      FCounter->Start();
      WaitFor([&] { return FHostFound; }, false);
      FCounter->Stop();
      if (!FHostFound && FRequest) agWinsock.WSACancelAsyncRequest(FRequest);
      FRequest = nullptr;
      if (FError) SocketError(FLastError);
      if (FCounter->TimedOut()) TimeOutError();
      if (FCanceled) CancelError();
      entry = reinterpret_cast<const hostent*>(FHostBuffer);
    } else {
      entry = agWinsock.gethostbyname(host.c_str());
      if (!entry) SocketError(agWinsock.WSAGetLastError());
    }
    if (!entry->h_addr_list || !entry->h_addr_list[0]) SocketError(msErrResolveHost);
    const auto* b = reinterpret_cast<const unsigned char*>(entry->h_addr_list[0]);
    std::string dotted =
        IntToStr(b[0]) + "." + IntToStr(b[1]) + "." + IntToStr(b[2]) + "." + IntToStr(b[3]);
    addr = agWinsock.inet_addr(dotted.c_str());
    if (addr == INADDR_NONE) SocketError(msErrResolveHost);
  }
  FRemoteAddr = addr;
  const auto* b = reinterpret_cast<const unsigned char*>(&FRemoteAddr);
  FRemoteAddrText =
      IntToStr(b[0]) + "." + IntToStr(b[1]) + "." + IntToStr(b[2]) + "." + IntToStr(b[3]);
}

void TagSocket::ResolvePort() {
  size_t colon = FServer.find(':');
  if (colon != std::string::npos) {
    // A port must be a whole number the protocol can carry, never cut to 16 bits.
    std::string text = FServer.substr(colon + 1);
    long value = 0;
    bool ok = !text.empty() && text.size() <= 5;
    for (char c : text) {
      if (c < '0' || c > '9') ok = false;
      if (ok) value = value * 10 + (c - '0');
    }
    if (!ok || value < 1 || value > 65535) SocketError(msErrInvalidPort);
    FRemotePort = static_cast<uint16_t>(value);
    return;
  }
  if (FServiceName.empty()) SocketError(msErrServiceRequired);
  const char* proto = FUseUDP ? "udp" : "tcp";
  if (FBlocking) {
    const servent* entry = agWinsock.getservbyname(FServiceName.c_str(), proto);
    if (!entry) SocketError(agWinsock.WSAGetLastError());
    FRemotePort = agWinsock.htons(static_cast<u_short>(entry->s_port));
    return;
  }
  FServiceFound = FError = false;
  FRequest = agWinsock.WSAAsyncGetServByName(FWindow, WM_AG_SERVICEFOUND, FServiceName.c_str(),
                                             proto, FServiceBuffer, sizeof FServiceBuffer);
  bool found = false;
  if (FRequest) {
    FCounter->Start();
    WaitFor([&] { return FServiceFound; }, false);
    FCounter->Stop();
    if (!FServiceFound) agWinsock.WSACancelAsyncRequest(FRequest);
    FRequest = nullptr;
    found = FServiceFound && !FError && !FCounter->TimedOut() && !FCanceled;
  }
  if (FCanceled) CancelError();
  if (found) {
    const auto* entry = reinterpret_cast<const servent*>(FServiceBuffer);
    FRemotePort = agWinsock.htons(static_cast<u_short>(entry->s_port));
  } else {
    // The fallback must not inherit the failed look-up's time-out or error.
    FRemotePort = FDefaultPort;
    FCounter->SetTimedOut(false);
    FError = false;
    FLastError = 0;
  }
}

void TagSocket::ConnectSocket() {
  if (FCanceled) CancelError();
  if (!Connected()) SocketError(msErrNotConnected);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = agWinsock.htons(FRemotePort);
  to.sin_addr.s_addr = FRemoteAddr;
  if (!FBlocking) {
    FConnected = FReadable = FWritable = FClosedByPeer = FError = false;
    FLastError = 0;
    if (agWinsock.WSAAsyncSelect(FSocket, FWindow, WM_AG_SOCKETEVENT,
                                 FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) != 0)
      SocketError(agWinsock.WSAGetLastError());
    FCounter->Start();
    if (agWinsock.connect(FSocket, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      int code = agWinsock.WSAGetLastError();
      if (code != WSAEWOULDBLOCK) SocketError(code);
    }
    // A refused connection comes back as FD_CONNECT with its error code.
    WaitFor([&] { return FConnected; }, true);
    FCounter->Stop();
    if (FCanceled) CancelError();
    if (FError) SocketError(FLastError);
    if (FCounter->TimedOut()) TimeOutError();
  } else if (agWinsock.connect(FSocket, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    SocketError(agWinsock.WSAGetLastError());
  }
  if (OnConnected) OnConnected(this);
}

void TagSocket::TakeInput(const char* data, int count) {
  for (int i = 0; i < count; ++i) {
    char c = data[i];
    if (c == '\n') {
      FInput += c;
      FLineLength = 0;
    } else if (FLineLength < MaxLineLength) {
      FInput += c;
      ++FLineLength;
    }
  }
}

int TagSocket::ReadLine(std::string& line) {
  if (!Connected()) SocketError(msErrNotConnected);
  line.clear();
  // Inside a reply the reply's own deadline and size count; a line read alone gets its own.
  bool alone = !FInReply;
  if (alone) {
    FReplyBytes = 0;
    if (!FBlocking) FCounter->Start();
  }
  size_t lf;
  while ((lf = FInput.find('\n')) == std::string::npos && !FEndOfInput) {
    if (!FBlocking) {
      ProcessMessages();
      if (FCanceled) CancelError();
      // A server that trickles bytes must not hold the reply past its deadline.
      if (FCounter->TimedOut()) TimeOutError();
    }
    FReadable = false;
    char buffer[1024];
    int n = agWinsock.recv(FSocket, buffer, sizeof buffer, 0);
    if (n > 0) {
      TakeInput(buffer, n);
      FReplyBytes += static_cast<size_t>(n);
      if (FReplyBytes > MaxReplyBytes) SocketError(msErrReplyTooLong);
      continue;
    }
    if (n == 0) {
      FEndOfInput = true;
      continue;
    }
    int code = agWinsock.WSAGetLastError();
    if (FBlocking || code != WSAEWOULDBLOCK) {
      if (FCanceled) CancelError();
      SocketError(code);
    }
    if (FClosedByPeer) {
      FEndOfInput = true; // closed, and nothing more is waiting
      continue;
    }
    WaitFor([&] { return FReadable || FClosedByPeer; }, true);
    if (FCanceled) CancelError();
    if (FError) SocketError(FLastError);
    if (FCounter->TimedOut()) TimeOutError();
  }
  if (alone && !FBlocking) FCounter->Stop();
  int code = -1;
  if (lf != std::string::npos) {
    line = FInput.substr(0, lf);
    FInput.erase(0, lf + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
      line.pop_back();
    code = ReplyCode(line);
  } else if (!FInput.empty()) {
    line = FInput; // the last words of a peer that closed without a line end
    FInput.clear();
  } else {
    SocketError(WSAECONNRESET); // the peer closed and no line came
  }
  if (!FLogFileName.empty()) Log(line);
  if (OnLineReceived) OnLineReceived(this, line);
  return code;
}

int TagSocket::ReadReply() {
  // The whole reply, continuation lines and all, must come within TimeOut and MaxReplyBytes.
  FReplyBytes = 0;
  if (!FBlocking) FCounter->Start();
  FInReply = true;
  struct TReplyEnd {
    TagSocket& Socket;
    ~TReplyEnd() {
      Socket.FInReply = false;
      if (!Socket.FBlocking) Socket.FCounter->Stop();
    }
  } end{*this};
  std::string line;
  int code = ReadLine(line);
  if (code >= 1 && line.find('-') == 3) {
    // Further lines follow until one with the same code and a blank, or nothing, after it.
    for (;;) {
      if (!FBlocking && FCounter->TimedOut()) TimeOutError();
      int next = ReadLine(line);
      if (next == code && (line.size() == 3 || line[3] == ' ')) break;
    }
  }
  FLastReply = line;
  return code;
}

void TagSocket::SendBytes(const char* data, size_t count) {
  if (!FBlocking) {
    FCounter->Start();
    ProcessMessages();
    if (FCanceled) CancelError();
  }
  size_t sent = 0;
  while (sent < count) {
    FWritable = false;
    int n = agWinsock.send(FSocket, data + sent, static_cast<int>(count - sent), FSendFlags);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      if (!FBlocking) FCounter->Start();
      continue;
    }
    int code = agWinsock.WSAGetLastError();
    if (FCanceled) CancelError();
    if (FBlocking || code != WSAEWOULDBLOCK) SocketError(code);
    WaitFor([&] { return FWritable; }, true);
    if (FCanceled) CancelError();
    if (FError) SocketError(FLastError);
    if (FCounter->TimedOut()) TimeOutError();
  }
  if (!FBlocking) FCounter->Stop();
}

void TagSocket::SendLine(const std::string& text) {
  if (!Connected()) SocketError(msErrNotConnected);
  std::string data = text + "\r\n";
  SendBytes(data.data(), data.size());
  if (!FLogFileName.empty()) Log(text);
  if (OnLineSent) OnLineSent(this, text);
}

void TagSocket::SendStream(TStream& stream) {
  if (!Connected()) SocketError(msErrNotConnected);
  if (!FLogFileName.empty()) Log("Suppressing the message body");
  stream.SetPosition(0);
  int64_t size = stream.Size();
  char chunk[ChunkSize + 1];
  std::string out;
  // Every line on the wire ends in CR LF, a bare CR or LF included, and a "." that begins a
  // wire line would be lost at the server: it is doubled, also when the line begins in a later
  // chunk.
  bool lineStart = true, afterCR = false;
  for (;;) {
    int n = stream.Read(chunk, ChunkSize);
    if (n < 0) n = 0;
    out.clear();
    for (int i = 0; i < n; ++i) {
      char c = chunk[i];
      if (afterCR) {
        afterCR = false;
        out += '\n';
        lineStart = true;
        if (c == '\n') continue;
      }
      if (c == '\r') {
        out += c;
        afterCR = true;
        continue;
      }
      if (c == '\n') {
        out += "\r\n";
        lineStart = true;
        continue;
      }
      if (lineStart && c == '.') out += '.';
      out += c;
      lineStart = false;
    }
    if (n < ChunkSize && afterCR) out += '\n';
    if (!out.empty()) SendBytes(out.data(), out.size());
    int64_t pos = stream.Position();
    int perc = size > 0 ? static_cast<int>((pos * 100 + size / 2) / size) : 100;
    if (OnProgress) OnProgress(this, perc, static_cast<int>(pos));
    if (n < ChunkSize) break;
  }
  if (OnProgress) OnProgress(this, 0, 0);
}

void TagSocket::Log(const std::string& line) {
  FLog->Add(line);
  FLogBytes += line.size() + 2;
  if (FLogBytes <= MaxLogBytes) {
    FLogFile.Append(FLogFileName, line);
    return;
  }
  // The newest lines tell what went wrong last: the oldest quarter goes at once.
  int drop = 0;
  while (drop < FLog->Count() - 1 && FLogBytes > MaxLogBytes / 4 * 3)
    FLogBytes -= (*FLog)[drop++].size() + 2;
  TStringList kept;
  for (int i = drop; i < FLog->Count(); ++i)
    kept.Add((*FLog)[i]);
  *FLog = std::move(kept);
  FLogFile.Rewrite(FLogFileName, *FLog);
}

void TagSocket::Close() {
  if (Connected()) {
    if (OnClosing) OnClosing(this);
    if (!FBlocking) agWinsock.WSAAsyncSelect(FSocket, FWindow, 0, 0);
    agWinsock.closesocket(FSocket);
    FSocket = INVALID_SOCKET;
    // The next socket may get the same handle: news of this one must not reach it.
    MSG stale;
    while (FWindow &&
           PeekMessageA(&stale, FWindow, WM_AG_SOCKETEVENT, WM_AG_SOCKETEVENT, PM_REMOVE)) {
    }
    if (OnClosed) OnClosed(this);
  }
  FInput.clear();
  FLineLength = 0;
  FEndOfInput = false;
  // The transfer has ended: its log is complete on disk.
  FLogFile.Close();
  if (FRAS) FRAS->Disconnect();
}

void TagSocket::Cancel() {
  FCanceled = true;
  if (OnCancel) OnCancel(this);
  if (FRequest) {
    agWinsock.WSACancelAsyncRequest(FRequest);
    FRequest = nullptr;
  }
  Close();
}

void TagSocket::SocketError(int code) {
  FCounter->Stop();
  std::string msg = MailErrorText(code);
  if (OnError) OnError(this, msg);
  // After a reset or a flood nothing more can be read from this connection.
  if (code == WSAECONNRESET || code == msErrReplyTooLong) Close();
  throw ESocketError(msg);
}

void TagSocket::TimeOutError() {
  FCounter->Stop();
  std::string msg = MailErrorText(msErrTimedOut);
  if (OnError) OnError(this, msg);
  if (FRequest) {
    agWinsock.WSACancelAsyncRequest(FRequest);
    FRequest = nullptr;
  }
  if (FBlocking && agWinsock.WSAIsBlocking()) agWinsock.WSACancelBlockingCall();
  Close();
  throw ETimedOutError(msg);
}

void TagSocket::CancelError() {
  FCounter->Stop();
  std::string msg = MailErrorText(msErrCanceled);
  if (OnError) OnError(this, msg);
  throw ECanceledError(msg);
}
