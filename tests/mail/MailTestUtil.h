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

// A file's lines, the way the peers and the transfer log write them.
inline std::string FileText(const std::string& path) {
  return FileExists(path) ? ReadFileBytes(path) : std::string();
}
