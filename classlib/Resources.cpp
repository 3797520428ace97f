// Resources of the program file.
#include "Resources.h"
#include "Forms.h"
#include "SysUtils.h"
#include <cstdint>
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

std::string ModuleResourceData(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC res = FindResourceA(module, name, type);
  HGLOBAL data = res ? LoadResource(module, res) : nullptr;
  const void* p = data ? LockResource(data) : nullptr;
  return p ? std::string(static_cast<const char*>(p), SizeofResource(module, res)) : std::string();
}

std::string IconFileBytes(HMODULE module, const std::string& groupName) {
  // The group holds a 6-byte head and one 14-byte entry per image whose last two bytes name the
  // image's RT_ICON resource; the file holds the same head and 16-byte entries whose last four
  // bytes give the image's offset in the file.
  std::string group = ModuleResourceData(module, groupName.c_str(), RT_GROUP_ICON);
  if (group.size() < 6) return std::string();
  auto word = [](const std::string& s, size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(s[at]) |
                                 static_cast<unsigned char>(s[at + 1]) << 8);
  };
  auto putDword = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      s += static_cast<char>(v >> (8 * i) & 0xFF);
  };
  unsigned count = word(group, 4);
  if (count == 0 || group.size() < 6 + 14 * size_t(count)) return std::string();
  std::string head = group.substr(0, 6), images;
  uint32_t offset = 6 + 16 * count;
  for (unsigned i = 0; i < count; ++i) {
    size_t at = 6 + 14 * size_t(i);
    std::string image = ModuleResourceData(module, MAKEINTRESOURCEA(word(group, at + 12)), RT_ICON);
    if (image.empty()) return std::string();
    head += group.substr(at, 8); // width, height, colours, reserved, planes, bit count
    putDword(head, static_cast<uint32_t>(image.size()));
    putDword(head, offset);
    offset += static_cast<uint32_t>(image.size());
    images += image;
  }
  return head + images;
}
