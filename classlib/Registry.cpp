// TRegistry over the RegOpenKeyEx/RegCreateKeyEx family.
#include "Registry.h"
#include "Handles.h"
#include <windows.h>
#include <vector>

HRootKey HKeyClassesRoot() {
  return HKEY_CLASSES_ROOT;
}
HRootKey HKeyCurrentUser() {
  return HKEY_CURRENT_USER;
}
HRootKey HKeyLocalMachine() {
  return HKEY_LOCAL_MACHINE;
}

static HKEY H(void* key) {
  return static_cast<HKEY>(key);
}

TRegistry::TRegistry() : TRegistry(KEY_ALL_ACCESS) {}

TRegistry::TRegistry(uint32_t access) : FRootKey(HKEY_CURRENT_USER), FAccess(access) {}

TRegistry::~TRegistry() {
  CloseKey();
}

void TRegistry::SetRootKey(HRootKey value) {
  if (value == FRootKey) return;
  CloseKey();
  FRootKey = value;
}

static bool IsRelative(const std::string& key) {
  return key.empty() || key[0] != '\\';
}

static std::string WithoutLeadingBackslash(const std::string& key) {
  return IsRelative(key) ? key : key.substr(1);
}

void* TRegistry::BaseKey(bool relative) const {
  return (relative && FCurrentKey) ? FCurrentKey : FRootKey;
}

std::string TRegistry::FullPath(const std::string& key) const {
  std::string sub = ExcludeTrailingBackslash(WithoutLeadingBackslash(key));
  if (IsRelative(key) && FCurrentKey && !FCurrentPath.empty())
    return sub.empty() ? FCurrentPath : FCurrentPath + "\\" + sub;
  return sub;
}

void TRegistry::ChangeKey(void* key, const std::string& path) {
  CloseKey();
  FCurrentKey = key;
  FCurrentPath = path;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  bool relative = IsRelative(key);
  std::string sub = WithoutLeadingBackslash(key);
  HKEY result = nullptr;
  LONG rc;
  if (canCreate && !sub.empty())
    rc = RegCreateKeyExA(H(BaseKey(relative)), sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                         FAccess, nullptr, &result, nullptr);
  else
    rc = RegOpenKeyExA(H(BaseKey(relative)), sub.c_str(), 0, FAccess, &result);
  if (rc != ERROR_SUCCESS) return false;
  ChangeKey(result, FullPath(key));
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  uint32_t former = FAccess;
  FAccess = KEY_READ;
  bool ok = OpenKey(key, false);
  FAccess = former;
  return ok;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) RegCloseKey(H(FCurrentKey));
  FCurrentKey = nullptr;
  FCurrentPath.clear();
}

bool TRegistry::KeyExists(const std::string& key) {
  TRegKey k;
  std::string sub = WithoutLeadingBackslash(key);
  return RegOpenKeyExA(H(BaseKey(IsRelative(key))), sub.c_str(), 0, KEY_READ, k.Put()) ==
         ERROR_SUCCESS;
}

// RegDeleteKey leaves a key that still has keys below it, so empty it first.
static bool DeleteTree(HKEY base, const std::string& sub) {
  TRegKey k;
  if (RegOpenKeyExA(base, sub.c_str(), 0, KEY_ALL_ACCESS, k.Put()) != ERROR_SUCCESS) return false;
  std::vector<std::string> children;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof name;
    if (RegEnumKeyExA(k.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    children.emplace_back(name, len);
  }
  for (const auto& c : children)
    DeleteTree(k.Get(), c);
  k.Reset(); // closed before the key itself goes
  return RegDeleteKeyA(base, sub.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::string& key) {
  std::string sub = ExcludeTrailingBackslash(WithoutLeadingBackslash(key));
  if (sub.empty()) return false; // never the root or the open key itself
  return DeleteTree(H(BaseKey(IsRelative(key))), sub);
}

bool TRegistry::ValueExists(const std::string& name) const {
  if (!FCurrentKey) return false;
  return RegQueryValueExA(H(FCurrentKey), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& name) {
  if (!FCurrentKey) return false;
  return RegDeleteValueA(H(FCurrentKey), name.c_str()) == ERROR_SUCCESS;
}

static std::string ShownName(const std::string& name) {
  return "'" + name + "'";
}

std::string TRegistry::ReadString(const std::string& name) const {
  if (!FCurrentKey) return "";
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(H(FCurrentKey), name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS)
    return "";
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException("Invalid data type for " + ShownName(name));
  std::vector<char> buf(size + 1, '\0');
  if (RegQueryValueExA(H(FCurrentKey), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buf.data()), &size) != ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for " + ShownName(name));
  buf[size < buf.size() ? size : buf.size() - 1] = '\0';
  return std::string(buf.data()); // without the stored terminator
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  if (!FCurrentKey || RegSetValueExA(H(FCurrentKey), name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for " + ShownName(name));
}

int TRegistry::ReadInteger(const std::string& name) const {
  DWORD type = 0, value = 0, size = sizeof value;
  if (!FCurrentKey || RegQueryValueExA(H(FCurrentKey), name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for " + ShownName(name));
  if (type != REG_DWORD) throw ERegistryException("Invalid data type for " + ShownName(name));
  return static_cast<int>(value);
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  DWORD v = static_cast<DWORD>(value);
  if (!FCurrentKey || RegSetValueExA(H(FCurrentKey), name.c_str(), 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&v), sizeof v) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for " + ShownName(name));
}

void TRegistry::GetKeyNames(TStringList& strings) const {
  strings.Clear();
  if (!FCurrentKey) return;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof name;
    if (RegEnumKeyExA(H(FCurrentKey), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    strings.Add(std::string(name, len));
  }
}

void TRegistry::GetValueNames(TStringList& strings) const {
  strings.Clear();
  if (!FCurrentKey) return;
  std::vector<char> name(16384);
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    if (RegEnumValueA(H(FCurrentKey), i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    strings.Add(std::string(name.data(), len));
  }
}
