// The synthesizer-reset streams: from the program's resources, or the built-in copies.
#include "ResetStreams.h"
#include <cstring>
#include <windows.h>

std::string BuiltInGMReset() {
  static const char bytes[] = TB_GMRESET_BYTES;
  return std::string(bytes, sizeof bytes - 1);
}

std::string BuiltInGSReset() {
  static const char bytes[] = TB_GSRESET_BYTES;
  return std::string(bytes, sizeof bytes - 1);
}

std::string LoadResetStream(const char* name) {
  HMODULE module = GetModuleHandleA(nullptr);
  if (HRSRC info = FindResourceA(module, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */)) {
    DWORD size = SizeofResource(module, info);
    HGLOBAL handle = LoadResource(module, info);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (data && size > 0) return std::string(static_cast<const char*>(data), size);
  }
  if (std::strcmp(name, "GMRESET") == 0) return BuiltInGMReset();
  if (std::strcmp(name, "GSRESET") == 0) return BuiltInGSReset();
  return "";
}
