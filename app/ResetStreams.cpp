// The synthesizer-reset streams: from the program's resources, or the built-in copies.
#include "ResetStreams.h"
#include <cstring>
#include <windows.h>
#include "Resources.h"

std::string BuiltInGMReset() {
  static const char bytes[] = TB_GMRESET_BYTES;
  return std::string(bytes, sizeof bytes - 1);
}

std::string BuiltInGSReset() {
  static const char bytes[] = TB_GSRESET_BYTES;
  return std::string(bytes, sizeof bytes - 1);
}

std::string ResetStreamResource(HMODULE module, const char* name) {
  return ModuleResourceData(module, name, RT_RCDATA);
}

std::string LoadResetStream(const char* name) {
  std::string stream = ResetStreamResource(GetModuleHandleA(nullptr), name);
  if (!stream.empty()) return stream;
  if (std::strcmp(name, "GMRESET") == 0) return BuiltInGMReset();
  if (std::strcmp(name, "GSRESET") == 0) return BuiltInGSReset();
  return "";
}
