// Shared by the mail tests: the loopback peers' ports and files, and small event helpers.
#pragma once
#include "ExtCtrls.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include <functional>
#include <map>
#include <memory>
#include <string>

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
