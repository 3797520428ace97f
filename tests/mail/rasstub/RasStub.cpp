// A stand-in for the Remote Access Service library: its answers are set by the test through
// StubSetup, and it records every call for StubCalls.
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
struct TConnection {
  std::string Name, Ip;
};
struct TScript {
  std::vector<std::string> Entries;
  std::vector<TConnection> Connections;
  bool Saved = false;
  std::vector<std::pair<unsigned, unsigned>> States; // state, error posted on dialling
  unsigned DialError = 0, GetParamsError = 0, EnumConnectionsError = 0;
};
TScript script;
std::string calls;

void Record(const std::string& call) {
  calls += call + "\n";
}

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(sep, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

#pragma pack(push, 4)
struct TEntryName {
  DWORD dwSize;
  char szEntryName[257];
};
struct TConn {
  DWORD dwSize;
  HANDLE hrasconn;
  char szEntryName[257];
  char szDeviceType[17];
  char szDeviceName[129];
};
struct TPppIp {
  DWORD dwSize;
  DWORD dwError;
  char szIpAddress[16];
};
struct TDialParams {
  DWORD dwSize;
  char szEntryName[257];
  char szPhoneNumber[129];
  char szCallbackNumber[129];
  char szUserName[257];
  char szPassword[257];
  char szDomain[16];
};
#pragma pack(pop)

HANDLE ConnectionHandle(size_t index) {
  return reinterpret_cast<HANDLE>(0x5000 + index);
}
const HANDLE DialledHandle = reinterpret_cast<HANDLE>(0x7777);
} // namespace

// "entries=A,B;conn=Name/1.2.3.4,Other/;saved=1;states=0,1,8192;stateerror=5:678;dialerror=N;
// geterror=N;enumerror=N". Clears the record of calls.
extern "C" __declspec(dllexport) void WINAPI StubSetup(const char* text) {
  script = TScript();
  calls.clear();
  for (const std::string& part : Split(text, ';')) {
    size_t eq = part.find('=');
    std::string key = part.substr(0, eq),
                value = eq == std::string::npos ? "" : part.substr(eq + 1);
    if (key == "entries") script.Entries = Split(value, ',');
    if (key == "conn")
      for (const std::string& c : Split(value, ',')) {
        size_t slash = c.find('/');
        script.Connections.push_back(
            {c.substr(0, slash), slash == std::string::npos ? "" : c.substr(slash + 1)});
      }
    if (key == "saved") script.Saved = value == "1";
    if (key == "states")
      for (const std::string& s : Split(value, ','))
        script.States.push_back({static_cast<unsigned>(std::stoul(s)), 0});
    if (key == "stateerror") {
      size_t colon = value.find(':');
      script.States.push_back({static_cast<unsigned>(std::stoul(value.substr(0, colon))),
                               static_cast<unsigned>(std::stoul(value.substr(colon + 1)))});
    }
    if (key == "dialerror") script.DialError = static_cast<unsigned>(std::stoul(value));
    if (key == "geterror") script.GetParamsError = static_cast<unsigned>(std::stoul(value));
    if (key == "enumerror") script.EnumConnectionsError = static_cast<unsigned>(std::stoul(value));
  }
}

extern "C" __declspec(dllexport) void WINAPI StubCalls(char* buffer, int size) {
  std::snprintf(buffer, static_cast<size_t>(size), "%s", calls.c_str());
}

extern "C" __declspec(dllexport) DWORD WINAPI
    RasEnumEntriesA(LPCSTR, LPCSTR, TEntryName* entries, DWORD* bytes, DWORD* count) {
  Record("RasEnumEntriesA");
  if (!entries || entries->dwSize != sizeof(TEntryName)) return 632; // wrong structure size
  size_t room = *bytes / sizeof(TEntryName);
  if (script.Entries.size() > room) return 603;
  for (size_t i = 0; i < script.Entries.size(); ++i) {
    entries[i].dwSize = sizeof(TEntryName);
    std::snprintf(entries[i].szEntryName, 257, "%s", script.Entries[i].c_str());
  }
  *count = static_cast<DWORD>(script.Entries.size());
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI
    RasEnumConnectionsA(TConn* conns, DWORD* bytes, DWORD* count) {
  Record("RasEnumConnectionsA");
  if (script.EnumConnectionsError) return script.EnumConnectionsError;
  if (!conns || conns->dwSize != sizeof(TConn)) return 632;
  size_t room = *bytes / sizeof(TConn);
  if (script.Connections.size() > room) return 603;
  for (size_t i = 0; i < script.Connections.size(); ++i) {
    conns[i].dwSize = sizeof(TConn);
    conns[i].hrasconn = ConnectionHandle(i);
    std::snprintf(conns[i].szEntryName, 257, "%s", script.Connections[i].Name.c_str());
  }
  *count = static_cast<DWORD>(script.Connections.size());
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI
    RasGetProjectionInfoA(HANDLE conn, int projection, TPppIp* info, DWORD* size) {
  Record("RasGetProjectionInfoA");
  if (projection != 0x8021 || !info || *size < sizeof(TPppIp)) return 87;
  for (size_t i = 0; i < script.Connections.size(); ++i)
    if (ConnectionHandle(i) == conn) {
      if (script.Connections[i].Ip.empty()) return 731; // no such projection
      std::snprintf(info->szIpAddress, 16, "%s", script.Connections[i].Ip.c_str());
      info->dwError = 0;
      return 0;
    }
  return 6;
}

extern "C" __declspec(dllexport) DWORD WINAPI
    RasGetEntryDialParamsA(LPCSTR, TDialParams* params, BOOL* hasPassword) {
  Record(std::string("RasGetEntryDialParamsA ") + params->szEntryName +
         " size=" + std::to_string(params->dwSize));
  if (script.GetParamsError) return script.GetParamsError;
  *hasPassword = script.Saved;
  if (script.Saved) std::snprintf(params->szPassword, 257, "%s", "saved-secret");
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI
    RasSetEntryDialParamsA(LPCSTR, TDialParams* params, BOOL remove) {
  Record(std::string("RasSetEntryDialParamsA ") + params->szEntryName +
         " password=" + params->szPassword + " remove=" + (remove ? "1" : "0"));
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI
    RasDialA(void*, LPCSTR, TDialParams* params, DWORD notifierType, void* notifier, HANDLE* conn) {
  Record(std::string("RasDialA ") + params->szEntryName + " password=" + params->szPassword +
         " notifier=" + std::to_string(notifierType));
  *conn = DialledHandle;
  if (script.DialError) return script.DialError;
  UINT message = RegisterWindowMessageA("RASDIALEVENT");
  for (auto [state, error] : script.States)
    PostMessageA(static_cast<HWND>(notifier), message, state, error);
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI RasHangUpA(HANDLE conn) {
  Record("RasHangUpA " + std::to_string(reinterpret_cast<uintptr_t>(conn)));
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI
    RasGetErrorStringA(UINT code, LPSTR buffer, DWORD size) {
  std::snprintf(buffer, size, "Stub dial-up error %u", code);
  return 0;
}
