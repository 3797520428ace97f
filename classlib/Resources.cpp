// Resources of the program file.
#include "Resources.h"
#include "Forms.h"
#include "SysUtils.h"
#include <cstdio>
#include <vector>

std::string LoadStr(unsigned id) {
  char buf[4096];
  int n = LoadStringA(HInstance(), id, buf, sizeof buf);
  return std::string(buf, n > 0 ? n : 0);
}

static std::string ResourceBytes(HRSRC res, const std::string& what) {
  if (!res) throw EResNotFound("Resource " + what + " not found");
  HGLOBAL data = LoadResource(HInstance(), res);
  const void* p = data ? LockResource(data) : nullptr;
  if (!p) throw EResNotFound("Resource " + what + " not found");
  return std::string(static_cast<const char*>(p), SizeofResource(HInstance(), res));
}

std::string LoadResourceData(const std::string& name, LPCSTR type) {
  return ResourceBytes(FindResourceA(HInstance(), name.c_str(), type), name);
}

std::string LoadResourceData(int id, LPCSTR type) {
  return ResourceBytes(FindResourceA(HInstance(), MAKEINTRESOURCEA(id), type), IntToStr(id));
}

bool LoadCursorIntoScreen(int index, const std::string& name) {
  HCURSOR c = LoadCursorA(HInstance(), name.c_str());
  Screen->SetCursors(index, c);
  return c != nullptr;
}

std::string FileVersionValue(const std::string& path, const std::string& key) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (!size) return std::string();
  std::vector<char> info(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return std::string();
  struct TLangCode {
    WORD Language, CodePage;
  }* langs = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&langs),
                      &len) ||
      len < sizeof(TLangCode))
    return std::string();
  char sub[128];
  std::snprintf(sub, sizeof sub, "\\StringFileInfo\\%04x%04x\\%s", langs[0].Language,
                langs[0].CodePage, key.c_str());
  char* value = nullptr;
  if (!VerQueryValueA(info.data(), sub, reinterpret_cast<void**>(&value), &len) || !value)
    return std::string();
  return std::string(value, len && value[len - 1] == 0 ? len - 1 : len);
}
