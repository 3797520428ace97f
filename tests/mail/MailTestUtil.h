// Shared by the mail tests: the loopback peers' ports and files, and small event helpers.
#pragma once
#include "ExtCtrls.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "agRasCmp.h"
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The folder where the peers keep what they received (with the trailing backslash).
inline std::string PeersDir() {
  return WinPath(EnvVar("TB_BUILD_DIR")) + "\\mailpeers\\";
}

// The port of a peer by its name in the peers' "ports" file ("aiosmtpd", "control", ...).
inline int PeerPort(const std::string& name) {
  TStringList lines;
  lines.LoadFromFile(PeersDir() + "ports");
  return StrToIntDef(lines.Values(name), 0);
}

inline std::string PeerServer(const std::string& name) {
  return "127.0.0.1:" + IntToStr(PeerPort(name));
}

// The folder where a host checker of tests/checks reads this test's files.
inline std::string CheckDir(const std::string& checker) {
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\" + checker + "\\";
  ForceDirectories(dir);
  return dir;
}

// Runs action once, after delayMs, from a timer of the window thread.
class TOneShot {
public:
  TOneShot(unsigned delayMs, std::function<void()> action) : FTimer(new TTimer(nullptr)) {
    FTimer->SetInterval(delayMs);
    FTimer->OnTimer = [this, action](TObject*) {
      FTimer->SetEnabled(false);
      action();
    };
  }
  ~TOneShot() { delete FTimer; }
  TOneShot(const TOneShot&) = delete;
  TOneShot& operator=(const TOneShot&) = delete;

private:
  TTimer* FTimer;
};

// The message of the exception of type E that action raises, or what happened instead.
template <class E> std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return std::string("other exception: ") + e.what();
  }
  return "no exception";
}

// Bytes of every value, in an order that depends on step.
inline std::string Pattern(size_t size, unsigned step) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i)
    bytes += static_cast<char>((i * step + i / 256) & 255);
  return bytes;
}

// A file's lines, the way the peers and the transfer log write them.
inline std::string FileText(const std::string& path) {
  return FileExists(path) ? ReadFileBytes(path) : std::string();
}

// A file of size bytes that takes no disk: only its end is set.
inline bool MakeSparseFile(const std::string& path, int64_t size) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at;
  at.QuadPart = size;
  bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  return ok;
}

// The stand-in dial-up library built beside the tests (tbrasstub.dll), reached in the one copy
// of it that the components load too: those made while it is set up load it in place of the
// system's.
class TRasStub {
public:
  TRasStub() : FModule(LoadLibraryA("tbrasstub.dll")) {}
  ~TRasStub() {
    SetRasLibraryName("rasapi32.dll");
    FreeLibrary(FModule);
  }
  bool Loaded() const { return FModule != nullptr; }
  void Setup(const std::string& script) {
    SetRasLibraryName("tbrasstub.dll");
    reinterpret_cast<void(WINAPI*)(const char*)>(
        reinterpret_cast<void*>(GetProcAddress(FModule, "StubSetup")))(script.c_str());
  }
  std::string Calls() {
    std::vector<char> buffer(8192);
    reinterpret_cast<void(WINAPI*)(char*, int)>(
        reinterpret_cast<void*>(GetProcAddress(FModule, "StubCalls")))(buffer.data(), 8192);
    return buffer.data();
  }
  bool Called(const std::string& call) { return Calls().find(call) != std::string::npos; }

private:
  HMODULE FModule;
};
