// Scratch browser plug-in folders named in the test prefix's registry, and the stand-in DLLs.
#pragma once
#include <windows.h>
#include <string>
#include "Registry.h"
#include "SysUtils.h"
#include "TestUtil.h"

// The browser's registry values pointing into a scratch folder; removed again afterwards.
class TNavigatorRegistry {
public:
  // An empty folder leaves that value out.
  TNavigatorRegistry(const std::string& pluginsDir, const std::string& installDir) {
    Remove();
    TRegistry reg;
    if (!pluginsDir.empty()) {
      reg.SetRootKey(HKeyLocalMachine());
      reg.OpenKey("\\Software\\Netscape\\Netscape Navigator", true);
      reg.WriteString("CurrentVersion", "4.8 (en)");
      reg.OpenKey("\\Software\\Netscape\\Netscape Navigator\\4.8 (en)\\Main", true);
      reg.WriteString("PlugIns Directory", pluginsDir);
    }
    if (!installDir.empty()) {
      reg.SetRootKey(HKeyCurrentUser());
      reg.OpenKey("\\Software\\Netscape\\Netscape Navigator\\Main", true);
      reg.WriteString("Install Directory", installDir);
    }
  }
  ~TNavigatorRegistry() { Remove(); }
  TNavigatorRegistry(const TNavigatorRegistry&) = delete;
  TNavigatorRegistry& operator=(const TNavigatorRegistry&) = delete;

private:
  static void Remove() {
    TRegistry reg;
    for (HRootKey root : {HKeyLocalMachine(), HKeyCurrentUser()}) {
      reg.SetRootKey(root);
      reg.DeleteKey("\\Software\\Netscape");
    }
  }
};

// A stand-in plug-in built beside the test program: "conflict" (040904E4, FileExtents
// "mid|midi"), "unicode" (the same in 040904B0), "plain" (no version block), "standin".
inline std::string StandInDll(const std::string& name) {
  return WinPath(EnvVar("TB_BUILD_DIR") + "/tests/tbnp_" + name + ".dll");
}

inline void PlaceDll(const std::string& name, const std::string& target) {
  ForceDirectories(ExtractFilePath(target));
  ASSERT_TRUE(CopyFileA(StandInDll(name).c_str(), target.c_str(), FALSE)) << target;
}

// A top-level window with a browser's title while it lives.
class TBrowserWindow {
public:
  explicit TBrowserWindow(const char* title) {
    FWindow = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPED, 0, 0, 100, 50, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  }
  ~TBrowserWindow() { DestroyWindow(FWindow); }
  TBrowserWindow(const TBrowserWindow&) = delete;
  TBrowserWindow& operator=(const TBrowserWindow&) = delete;

private:
  HWND FWindow;
};
