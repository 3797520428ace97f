// What the mail window needs of the program around it (the store, the zipper, the abort flag,
// the help check), and what the main window's shutdown needs of the mail window. Header only: the
// main window implements it without knowing the mail window, which stands above it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TObject;
class TForm;

struct TMailTitle {
  std::string Category, Artist, Title;
};

class TMailWindowHost {
public:
  virtual ~TMailWindowHost() = default;
  // The settings file: the program file's name with ".ini".
  virtual std::string SettingsFileName() = 0;
  // The work folder the exports go to, with the trailing backslash.
  virtual std::string MailFolder() = 0;
  virtual bool FindTitle(int32_t masterKey, TMailTitle& title) = 0;
  // Writes the title as a MIDI file at exactly target; false when nothing usable was written.
  virtual bool ExportTitle(int32_t masterKey, const std::string& target) = 0;
  virtual bool ZipFiles(const std::vector<std::string>& files, const std::string& archive) = 0;
  // The program-wide abort flag (shutdown under way).
  virtual bool AbortSet() = 0;
  // True when help mode was on and the help for sender was shown instead.
  virtual bool ContextHelpClick(TObject* sender) = 0;
  virtual void ShowAbout(TForm* over) = 0;
};

// What the main window's shutdown calls on the mail window.
class TMailWindowControl {
public:
  virtual ~TMailWindowControl() = default;
  virtual void HideMailWindow() = 0;
  virtual void CancelTransfer() = 0;
  virtual void SaveMailSettings() = 0;
};

// Set by the main window at start (tests set stand-ins); none before.
inline TMailWindowHost* MailWindowHost = nullptr;
// Set by the mail window while it exists.
inline TMailWindowControl* MailWindowControl = nullptr;
