// The browser's plug-in folders as its registry values name them.
#include "PlugInDirs.h"
#include <windows.h>
#include "Registry.h"
#include "SysUtils.h"

namespace {

const char* const NavigatorKey = "Software\\Netscape\\Netscape Navigator";

// An absent key or a value that is not text both mean "no folder".
std::string ReadValue(HRootKey root, const std::string& key, const std::string& name) {
  try {
    TRegistry reg(KEY_READ);
    reg.SetRootKey(root);
    if (!reg.OpenKeyReadOnly("\\" + key)) return "";
    return reg.ReadString(name);
  } catch (const std::exception&) {
    return "";
  }
}

} // namespace

std::vector<std::string> GetPlugInDirs() {
  std::vector<std::string> dirs(2);
  std::string version = ReadValue(HKeyLocalMachine(), NavigatorKey, "CurrentVersion");
  if (!version.empty())
    dirs[0] = ReadValue(HKeyLocalMachine(), std::string(NavigatorKey) + "\\" + version + "\\Main",
                        "PlugIns Directory");
  std::string install =
      ReadValue(HKeyCurrentUser(), std::string(NavigatorKey) + "\\Main", "Install Directory");
  if (!install.empty()) dirs[1] = install + "\\Program\\Plugins";
  for (std::string& dir : dirs)
    if (!dir.empty()) dir = IncludeTrailingBackslash(dir);
  return dirs;
}

std::vector<std::string> ExistingPlugInDirs() {
  std::vector<std::string> found;
  for (const std::string& dir : GetPlugInDirs())
    if (!dir.empty() && DirectoryExists(dir)) found.push_back(dir);
  return found;
}
