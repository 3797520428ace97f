// The program's document type, the default player for ".mid" and ".rmi", and the start with
// Windows.
#pragma once
#include "SysUtils.h"
#include <string>

TB_DECLARE_EXCEPTION(EFileAssocError, Exception);

// Name of the document type under HKEY_CLASSES_ROOT.
constexpr const char* DocTypeName = "Tonalbrook.Document";
// Backup files in the program's folder that keep the former defaults of ".mid" and ".rmi".
constexpr const char* OldMidKeyFile = "Old_MID_Key";
constexpr const char* OldRmiKeyFile = "Old_RMI_Key";
// The start-with-Windows value under HKEY_CURRENT_USER.
constexpr const char* RunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* RunValueName = "Tonalbrook";
// The document type's icon, a file in the program's folder.
constexpr const char* DocIconFile = "QXmidiX.ico";

// Writes the document type, its four shell verbs and its icon. Registry failures are ignored: a
// start must not fail over them.
void RegisterDocType(const std::string& programPath, const std::string& docType = DocTypeName);

// Writes the document type's icon file into the program's folder from the running program's own
// icon when the file is missing there. False when it stays missing (a program file without an
// icon, or a folder that cannot be written): the shell then shows its default icon.
bool WriteDocumentIcon(const std::string& programFolder);

// Both ".mid" and ".rmi" default to the document type; a missing key counts as not.
bool IsDefaultMIDIPlayer(const std::string& docType = DocTypeName);

// Writes the extension's default value to the file as one line, an empty line when the extension
// has none. False when the file cannot be written.
bool SaveExtensionDefault(const std::string& extension, const std::string& file);

// Makes the document type the extension's default. The former default goes to the backup file,
// unless it already is the document type (so a second claim keeps the first backup) or the
// extension's key is gone while a backup exists. Raises
// EFileAssocError "Unable to save key data for " + extension when the backup cannot be written,
// leaving the extension as it was.
bool ClaimExtension(const std::string& extension, const std::string& backupFile,
                    const std::string& docType = DocTypeName);

// Claims ".mid" and then ".rmi" with their backups in the program's folder.
void ClaimDefaultMIDIPlayer(const std::string& programFolder,
                            const std::string& docType = DocTypeName);

struct TRestoredPlayer {
  bool Mid = false;
  bool Rmi = false;
};

// Writes the backed-up defaults back; an empty line deletes the default value. "Old_MID_Key"
// stays, "Old_RMI_Key" is deleted. Stops at the first failure (an unreadable or empty backup
// file) with what was restored so far.
TRestoredPlayer RestoreDefaultPlayer(const std::string& programFolder);

// The command Windows runs at log-on: the quoted program path, with " M" for a minimised start.
std::string LaunchOnStartCommand(const std::string& programPath, bool minimized);
// Writes the start-with-Windows value (normal wins when both are set) or deletes it when neither
// is set. False when the Run key cannot be opened.
bool SetLaunchOnStart(bool normal, bool minimized, const std::string& programPath);
