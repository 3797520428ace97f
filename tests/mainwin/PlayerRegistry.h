// The default players of ".mid" and ".rmi" as a test sets them, put back afterwards.
#pragma once
#include <optional>
#include <string>
#include "FileAssoc.h"
#include "Registry.h"

class TPlayerRegistry {
public:
  // Both extensions default to value (the program's document type makes it the default player).
  explicit TPlayerRegistry(const std::string& value) {
    for (int i = 0; i < 2; ++i) {
      FFormer[i] = Read(Ext(i));
      Write(Ext(i), value);
    }
  }
  ~TPlayerRegistry() {
    for (int i = 0; i < 2; ++i)
      Write(Ext(i), FFormer[i]);
  }
  TPlayerRegistry(const TPlayerRegistry&) = delete;
  TPlayerRegistry& operator=(const TPlayerRegistry&) = delete;

  static std::optional<std::string> Read(const std::string& ext) {
    TRegistry reg(0x20019); // KEY_READ
    reg.SetRootKey(HKeyClassesRoot());
    if (!reg.OpenKey("\\" + ext, false) || !reg.ValueExists("")) return std::nullopt;
    return reg.ReadString("");
  }

private:
  static std::string Ext(int i) { return i == 0 ? ".mid" : ".rmi"; }
  static void Write(const std::string& ext, const std::optional<std::string>& value) {
    TRegistry reg;
    reg.SetRootKey(HKeyClassesRoot());
    if (value) {
      if (reg.OpenKey("\\" + ext, true)) reg.WriteString("", *value);
    } else if (reg.OpenKey("\\" + ext, false)) {
      reg.DeleteValue("");
    }
  }
  std::optional<std::string> FFormer[2];
};
