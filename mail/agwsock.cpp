// The Windows Sockets 1.1 library, bound at run time with every function looked up by name.
#include "agwsock.h"
#include "Resources.h"

namespace {
// Made at the first use and kept until the process ends, so that components freed at any time
// still find it.
TagWinsock& TheWinsock() {
  static TagWinsock instance;
  return instance;
}

std::string Text(unsigned id, const char* fallback) {
  std::string s = LoadStr(id);
  return s.empty() ? std::string(fallback) : s;
}
} // namespace

TagWinsock& agWinsock = TheWinsock();

TagWinsock::~TagWinsock() {
  Unload();
}

void TagWinsock::Load() {
  if (Loaded()) return;
  // No "file not found" box from the system when the library is missing.
  UINT former = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  FHandle.Reset(LoadLibraryA("wsock32.dll"));
  SetErrorMode(former);
  if (!Loaded()) {
    FHandle.Release(); // no library: nothing to free
    throw EWinsockDLLError(Text(57012, "Winsock not found"));
  }
}

void TagWinsock::Unload() {
  FHandle.Reset();
}

template <class F> F TagWinsock::Proc(const char* name) {
  if (!Loaded()) throw EWinsockDLLError(Text(57011, "Winsock is not loaded"));
  FARPROC p = GetProcAddress(FHandle.Get(), name);
  if (!p) {
    std::string fmt = Text(57010, "Function %s not found");
    throw EWinsockDLLError(StringReplaceAll(fmt, "%s", name));
  }
  return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

int TagWinsock::closesocket(SOCKET s) {
  return Proc<int(WINAPI*)(SOCKET)>("closesocket")(s);
}
int TagWinsock::connect(SOCKET s, const sockaddr* name, int nameLen) {
  return Proc<int(WINAPI*)(SOCKET, const sockaddr*, int)>("connect")(s, name, nameLen);
}
u_short TagWinsock::htons(u_short value) {
  return Proc<u_short(WINAPI*)(u_short)>("htons")(value);
}
unsigned long TagWinsock::inet_addr(const char* cp) {
  return Proc<unsigned long(WINAPI*)(const char*)>("inet_addr")(cp);
}
int TagWinsock::recv(SOCKET s, char* buf, int len, int flags) {
  return Proc<int(WINAPI*)(SOCKET, char*, int, int)>("recv")(s, buf, len, flags);
}
int TagWinsock::send(SOCKET s, const char* buf, int len, int flags) {
  return Proc<int(WINAPI*)(SOCKET, const char*, int, int)>("send")(s, buf, len, flags);
}
SOCKET TagWinsock::socket(int af, int type, int protocol) {
  return Proc<SOCKET(WINAPI*)(int, int, int)>("socket")(af, type, protocol);
}
hostent* TagWinsock::gethostbyname(const char* name) {
  return Proc<hostent*(WINAPI*)(const char*)>("gethostbyname")(name);
}
int TagWinsock::gethostname(char* name, int len) {
  return Proc<int(WINAPI*)(char*, int)>("gethostname")(name, len);
}
servent* TagWinsock::getservbyname(const char* name, const char* proto) {
  return Proc<servent*(WINAPI*)(const char*, const char*)>("getservbyname")(name, proto);
}
int TagWinsock::WSAStartup(WORD version, WSADATA* data) {
  return Proc<int(WINAPI*)(WORD, WSADATA*)>("WSAStartup")(version, data);
}
int TagWinsock::WSACleanup() {
  return Proc<int(WINAPI*)()>("WSACleanup")();
}
int TagWinsock::WSAGetLastError() {
  return Proc<int(WINAPI*)()>("WSAGetLastError")();
}
BOOL TagWinsock::WSAIsBlocking() {
  return Proc<BOOL(WINAPI*)()>("WSAIsBlocking")();
}
int TagWinsock::WSACancelBlockingCall() {
  return Proc<int(WINAPI*)()>("WSACancelBlockingCall")();
}
HANDLE TagWinsock::WSAAsyncGetServByName(HWND wnd, u_int msg, const char* name, const char* proto,
                                         char* buf, int bufLen) {
  return Proc<HANDLE(WINAPI*)(HWND, u_int, const char*, const char*, char*, int)>(
      "WSAAsyncGetServByName")(wnd, msg, name, proto, buf, bufLen);
}
HANDLE TagWinsock::WSAAsyncGetHostByName(HWND wnd, u_int msg, const char* name, char* buf,
                                         int bufLen) {
  return Proc<HANDLE(WINAPI*)(HWND, u_int, const char*, char*, int)>("WSAAsyncGetHostByName")(
      wnd, msg, name, buf, bufLen);
}
int TagWinsock::WSACancelAsyncRequest(HANDLE request) {
  return Proc<int(WINAPI*)(HANDLE)>("WSACancelAsyncRequest")(request);
}
int TagWinsock::WSAAsyncSelect(SOCKET s, HWND wnd, u_int msg, long events) {
  return Proc<int(WINAPI*)(SOCKET, HWND, u_int, long)>("WSAAsyncSelect")(s, wnd, msg, events);
}
