// Settings files over GetPrivateProfileStringA and WritePrivateProfileStringA.
#include "IniFiles.h"
#include <windows.h>
#include <vector>

TIniFile::TIniFile(const std::string& fileName) : FFileName(fileName) {
  // Only a bare name is taken from the Windows folder by the system; a path with a folder part is
  // used as it stands.
  if (!fileName.empty() && fileName.find_first_of("\\/:") == std::string::npos)
    FFileName = ExpandFileName(fileName);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const {
  // The system cuts the value to the buffer without saying so; grow until it fits.
  std::vector<char> buf(2048);
  for (;;) {
    DWORD n =
        GetPrivateProfileStringA(section.c_str(), ident.c_str(), defaultValue.c_str(), buf.data(),
                                 static_cast<DWORD>(buf.size()), FFileName.c_str());
    if (n < buf.size() - 1 || buf.size() >= (1u << 20)) return std::string(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(), FFileName.c_str()))
    throw EIniFileException("Unable to write to " + FFileName);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident,
                          int defaultValue) const {
  std::string text = Trim(ReadString(section, ident, ""));
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.replace(0, 2, "$");
  return StrToIntDef(text, defaultValue);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident,
                        bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::ReadList(const char* section, TStringList& strings) const {
  strings.Clear();
  std::vector<char> buf(16384);
  DWORD n = 0;
  for (;;) {
    n = GetPrivateProfileStringA(section, nullptr, "", buf.data(), static_cast<DWORD>(buf.size()),
                                 FFileName.c_str());
    if (n < buf.size() - 2 || buf.size() >= (1u << 24)) break;
    buf.resize(buf.size() * 4);
  }
  for (DWORD i = 0; i < n;) {
    std::string item(buf.data() + i);
    if (item.empty()) break;
    strings.Add(item);
    i += static_cast<DWORD>(item.size()) + 1;
  }
}

void TIniFile::ReadSection(const std::string& section, TStringList& strings) const {
  ReadList(section.c_str(), strings);
}

void TIniFile::ReadSections(TStringList& strings) const {
  ReadList(nullptr, strings);
}

void TIniFile::ReadSectionValues(const std::string& section, TStringList& strings) const {
  TStringList keys;
  ReadSection(section, keys);
  strings.Clear();
  for (int i = 0; i < keys.Count(); ++i)
    strings.Add(keys[i] + "=" + ReadString(section, keys[i], ""));
}

bool TIniFile::SectionExists(const std::string& section) const {
  TStringList keys;
  ReadSection(section, keys);
  return keys.Count() > 0;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const {
  TStringList keys;
  ReadSection(section, keys);
  return keys.IndexOf(ident) >= 0;
}

void TIniFile::EraseSection(const std::string& section) {
  if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, FFileName.c_str()) &&
      FileExists(FFileName))
    throw EIniFileException("Unable to write to " + FFileName);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  WritePrivateProfileStringA(section.c_str(), ident.c_str(), nullptr, FFileName.c_str());
}

void TIniFile::UpdateFile() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FFileName.c_str());
}
