// Settings files of sections and "key=value" lines, read and written through the private-profile
// functions.
#pragma once
#include "Classes.h"
#include "SysUtils.h"
#include <string>

TB_DECLARE_EXCEPTION(EIniFileException, Exception);

// A settings file. Every call opens, reads or writes and closes the file through the system;
// nothing is held open between calls. Booleans are stored as 0 and 1, integers in decimal.
class TIniFile {
public:
  // A name without a folder means the current folder (the system alone would take the Windows
  // folder instead).
  explicit TIniFile(const std::string& fileName);
  virtual ~TIniFile() = default;

  const std::string& FileName() const { return FFileName; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) const;
  // Raises EIniFileException when the file cannot be written.
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  // Decimal, "$1F" or "0x1F"; anything else gives the default.
  int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  // Any integer but 0 is true; text that is no integer gives the default.
  bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
  void WriteBool(const std::string& section, const std::string& ident, bool value);

  // The keys of a section, in file order.
  void ReadSection(const std::string& section, TStringList& strings) const;
  // The section names, in file order.
  void ReadSections(TStringList& strings) const;
  // The "key=value" lines of a section.
  void ReadSectionValues(const std::string& section, TStringList& strings) const;
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& ident) const;

  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& ident);
  // Writes what the system still caches for this file to the disk.
  void UpdateFile();

private:
  std::string FFileName;
  // A double-NUL-terminated list from GetPrivateProfileString/Section, split into its items.
  void ReadList(const char* section, TStringList& strings) const;
};
