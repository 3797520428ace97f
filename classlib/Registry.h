// The Windows registry through one open key at a time, with a root key and paths below it.
#pragma once
#include "Classes.h"
#include "SysUtils.h"
#include <cstdint>
#include <string>

TB_DECLARE_EXCEPTION(ERegistryException, Exception);

// Root keys by their system values, so that callers need not include <windows.h>.
using HRootKey = void*;
HRootKey HKeyClassesRoot();
HRootKey HKeyCurrentUser();
HRootKey HKeyLocalMachine();

// One registry key open at a time below a root key (HKEY_CURRENT_USER unless set). A path that
// begins with "\" is taken from the root; any other from the key open at the time. The empty
// value name is the key's default value.
class TRegistry {
public:
  TRegistry();                         // full access
  explicit TRegistry(uint32_t access); // KEY_* rights for the keys it opens
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;
  virtual ~TRegistry();

  HRootKey RootKey() const { return FRootKey; }
  void SetRootKey(HRootKey value); // closes the open key
  HRootKey CurrentKey() const { return FCurrentKey; }
  const std::string& CurrentPath() const { return FCurrentPath; }
  uint32_t Access() const { return FAccess; }
  void SetAccess(uint32_t value) { FAccess = value; }

  // Opens the key, creating it (and the keys above it) when canCreate is set. Answers whether it
  // is open; the former key is closed only when it is.
  bool OpenKey(const std::string& key, bool canCreate);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool KeyExists(const std::string& key);
  // Deletes the key with every key below it.
  bool DeleteKey(const std::string& key);

  bool ValueExists(const std::string& name) const;
  bool DeleteValue(const std::string& name);
  // An absent value reads as empty text; a value that is not text raises ERegistryException.
  std::string ReadString(const std::string& name) const;
  void WriteString(const std::string& name, const std::string& value);
  // An absent value or one that is not a DWORD raises ERegistryException.
  int ReadInteger(const std::string& name) const;
  void WriteInteger(const std::string& name, int value);
  void GetKeyNames(TStringList& strings) const;
  void GetValueNames(TStringList& strings) const;

private:
  HRootKey FRootKey;
  HRootKey FCurrentKey = nullptr;
  std::string FCurrentPath;
  uint32_t FAccess;
  void* BaseKey(bool relative) const;
  void ChangeKey(void* key, const std::string& path);
  std::string FullPath(const std::string& key) const; // the key's path below the root
};
