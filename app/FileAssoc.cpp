// Registry work for the document type, the default MIDI player and the start with Windows.
#include "FileAssoc.h"
#include "Classes.h"
#include "FileOps.h"
#include "Registry.h"
#include "Resources.h"
#include <windows.h>

static std::string Quoted(const std::string& text) {
  std::string r = "\"";
  r += text;
  r += '"';
  return r;
}

void RegisterDocType(const std::string& programPath, const std::string& docType) {
  std::string key = "\\" + docType;
  std::string program = Quoted(programPath);
  const std::pair<std::string, std::string> entries[] = {
      {key, "MIDI music file"},
      {key + "\\Shell\\Open\\Command", program + " P\"%1\""},
      {key + "\\Shell\\Play\\Command", program + " P\"%1\""},
      {key + "\\Shell\\Send as email\\Command", program + " M\"%1\""},
      {key + "\\Shell\\Zip into database\\Command", program + " Z\"%1\""},
      {key + "\\DefaultIcon", ExtractFilePath(programPath) + DocIconFile},
  };
  for (const auto& [path, value] : entries) {
    try {
      TRegistry reg;
      reg.SetRootKey(HKeyClassesRoot());
      if (reg.OpenKey(path, true)) reg.WriteString("", value);
    } catch (const Exception&) {
      // Only the shell's menu is missing then; the program itself runs on.
    }
  }
}

bool WriteDocumentIcon(const std::string& programFolder) {
  std::string path = IncludeTrailingBackslash(programFolder) + DocIconFile;
  if (FileExists(path)) return true;
  std::string icon = IconFileBytes(GetModuleHandleA(nullptr), "MAINICON");
  if (icon.empty()) return false;
  try {
    WriteFileSafely(path, icon); // never a half-written icon
    return true;
  } catch (const Exception&) {
    return false;
  }
}

// The extension's default value; empty when the key or the value is missing.
static std::string ExtensionDefault(const std::string& extension) {
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKeyClassesRoot());
  if (!reg.OpenKey("\\" + extension, false)) return "";
  return reg.ReadString("");
}

bool IsDefaultMIDIPlayer(const std::string& docType) {
  try {
    return ExtensionDefault(".mid") == docType && ExtensionDefault(".rmi") == docType;
  } catch (const Exception&) {
    return false;
  }
}

bool SaveExtensionDefault(const std::string& extension, const std::string& file) {
  try {
    // The user's former player is kept whole or not replaced at all.
    WriteFileSafely(file, ExtensionDefault(extension) + "\r\n");
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool ClaimExtension(const std::string& extension, const std::string& backupFile,
                    const std::string& docType) {
  // An extension without a default is backed up too, as an empty line, so that restoring can
  // remove the claim again.
  std::string current;
  try {
    current = ExtensionDefault(extension);
  } catch (const Exception&) {
    current.clear(); // not text: SaveExtensionDefault reports it below
  }
  // A key that is gone says nothing about the former player: a backup from an earlier claim is
  // worth more than an empty one.
  bool keyGone = false;
  try {
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKeyClassesRoot());
    keyGone = !reg.KeyExists("\\" + extension);
  } catch (const Exception&) {
  }
  if (current != docType && !(keyGone && FileExists(backupFile))) {
    if (FileExists(backupFile)) DeleteFileA(backupFile.c_str());
    if (!SaveExtensionDefault(extension, backupFile))
      throw EFileAssocError("Unable to save key data for " + extension);
  }
  TRegistry reg;
  reg.SetRootKey(HKeyClassesRoot());
  if (!reg.OpenKey("\\" + extension, true))
    throw EFileAssocError("Unable to set the default of " + extension);
  reg.WriteString("", docType);
  return true;
}

void ClaimDefaultMIDIPlayer(const std::string& programFolder, const std::string& docType) {
  std::string folder = IncludeTrailingBackslash(programFolder);
  ClaimExtension(".mid", folder + OldMidKeyFile, docType);
  ClaimExtension(".rmi", folder + OldRmiKeyFile, docType);
}

// Puts the backed-up default of the extension back; an empty line means it had none.
static void RestoreExtension(const std::string& extension, const std::string& backupFile) {
  TStringList lines;
  lines.LoadFromFile(backupFile);
  // A backup without a line is damaged, not the record of an extension that had no default.
  if (lines.Count() == 0) throw EFileAssocError("Empty backup file " + backupFile);
  std::string former = lines[0];
  TRegistry reg;
  reg.SetRootKey(HKeyClassesRoot());
  if (former.empty()) {
    if (reg.OpenKey("\\" + extension, false)) reg.DeleteValue("");
    return;
  }
  if (!reg.OpenKey("\\" + extension, true))
    throw EFileAssocError("Unable to set the default of " + extension);
  reg.WriteString("", former);
}

TRestoredPlayer RestoreDefaultPlayer(const std::string& programFolder) {
  TRestoredPlayer result;
  std::string folder = IncludeTrailingBackslash(programFolder);
  try {
    if (FileExists(folder + OldMidKeyFile)) {
      RestoreExtension(".mid", folder + OldMidKeyFile);
      result.Mid = true;
    }
    if (FileExists(folder + OldRmiKeyFile)) {
      RestoreExtension(".rmi", folder + OldRmiKeyFile);
      DeleteFileA((folder + OldRmiKeyFile).c_str());
      result.Rmi = true;
    }
  } catch (const Exception&) {
    // What was restored so far stands; the caller reports the rest.
  }
  return result;
}

std::string LaunchOnStartCommand(const std::string& programPath, bool minimized) {
  // Quoted in both cases: a path with blanks would otherwise start another program.
  return minimized ? Quoted(programPath) + " M" : Quoted(programPath);
}

bool SetLaunchOnStart(bool normal, bool minimized, const std::string& programPath) {
  TRegistry reg;
  reg.SetRootKey(HKeyCurrentUser());
  if (!reg.OpenKey(RunKey, true)) return false;
  if (normal)
    reg.WriteString(RunValueName, LaunchOnStartCommand(programPath, false));
  else if (minimized)
    reg.WriteString(RunValueName, LaunchOnStartCommand(programPath, true));
  else
    reg.DeleteValue(RunValueName);
  return true;
}
