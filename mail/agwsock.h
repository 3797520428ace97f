// The Windows Sockets 1.1 library, bound at run time with every function looked up by name.
#pragma once
#include <windows.h> // brings the Windows Sockets 1.1 types of winsock.h
#include "Handles.h"
#include "SysUtils.h"
#include <string>

TB_DECLARE_EXCEPTION(EWinsockDLLError, Exception);

// One global instance (agWinsock) serves every socket component. The library counts as loaded
// while its handle is above 32.
class TagWinsock {
public:
  TagWinsock() = default;
  ~TagWinsock();
  TagWinsock(const TagWinsock&) = delete;
  TagWinsock& operator=(const TagWinsock&) = delete;

  bool Loaded() const { return reinterpret_cast<uintptr_t>(FHandle.Get()) > 32; }
  void Load(); // raises EWinsockDLLError "Winsock not found"
  void Unload();

  int closesocket(SOCKET s);
  int connect(SOCKET s, const sockaddr* name, int nameLen);
  u_short htons(u_short value);
  unsigned long inet_addr(const char* cp);
  int recv(SOCKET s, char* buf, int len, int flags);
  int send(SOCKET s, const char* buf, int len, int flags);
  SOCKET socket(int af, int type, int protocol);
  hostent* gethostbyname(const char* name);
  int gethostname(char* name, int len);
  servent* getservbyname(const char* name, const char* proto);
  int WSAStartup(WORD version, WSADATA* data);
  int WSACleanup();
  int WSAGetLastError();
  BOOL WSAIsBlocking();
  int WSACancelBlockingCall();
  HANDLE WSAAsyncGetServByName(HWND wnd, u_int msg, const char* name, const char* proto, char* buf,
                               int bufLen);
  HANDLE WSAAsyncGetHostByName(HWND wnd, u_int msg, const char* name, char* buf, int bufLen);
  int WSACancelAsyncRequest(HANDLE request);
  int WSAAsyncSelect(SOCKET s, HWND wnd, u_int msg, long events);

private:
  // The named function of the loaded library, cast to the caller's type.
  template <class F> F Proc(const char* name);
  TModule FHandle;
};

extern TagWinsock& agWinsock;
