// The browser plug-in manager: installs and removes the companion plug-in and deals with other
// browser plug-ins that claim MIDI files.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "Buttons.h"
#include "Forms.h"
#include "MsgDlg.h"
#include "StdCtrls.h"
#include "TuneFiles.h"

class TManageNPIFrm;
// The manager made in the program's creation order (none in tests).
extern TManageNPIFrm* ManageNPIFrm;

class TManageNPIFrm : public TForm {
public:
  explicit TManageNPIFrm(TComponent* AOwner);

  static constexpr const char* PlugInFile = "NPqorvex.dll";
  // The names of the plug-ins disabled only while the program is open, kept beside the settings
  // so that a crash does not lose them.
  static constexpr const char* TempDisabledListFile = "PlugInsDisabledWhileOpen.lst";

  TGroupBox* GroupBox1;
  TBitBtn *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn4;
  TGroupBox* RadioGroup1;
  TRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4;
  TMessageDialog* MD1;

  // The main window's flag for disabling conflicting plug-ins while the program is open, and
  // its end-of-session flag.
  std::function<void(bool)> SetDisableTempConPI;
  std::function<bool()> SessionEnding;
  // The program folder that holds the plug-in file and the list (ProgramFolder() when unset).
  std::function<std::string()> ProgramFolderOf;

  int CountBrowserWindows();
  // Folder count: the non-empty entries.
  bool IsPlugInInstalled(int& folderCount);
  int InstallPlugIn();
  int RemovePlugIn();
  void FindInPlugInDirs(const std::string& mask, TStringList& list);
  static bool IsConflictingPlugIn(const std::string& path);
  int CountConflictingPlugIns();
  int DisableConflictingPlugIns();
  // -1 when the list of those disabled earlier cannot be read: the user is told and nothing
  // changes, as the list would otherwise lose them.
  int DisableConflictingWhileOpen();
  // Every disabled plug-in back, those disabled for good too.
  int EnableDisabledPlugIns();
  // Only those disabled while the program was open (the list), at shutdown.
  int EnableTempDisabledPlugIns();
  void RefreshState();

  void BitBtn1Click(TObject* Sender); // install
  void BitBtn2Click(TObject* Sender); // remove
  void BitBtn4Click(TObject* Sender); // execute the chosen configuration
  void FormShow(TObject* Sender);

private:
  int DisableConflicting(std::vector<std::string>* renamed);
  bool RenameFile(const std::string& from, const std::string& to);
  bool BrowsersClosed();
  void Inform(const std::string& text);
  std::string Folder() const;
  std::string ListPath() const;
  // False, the user told why, when the list exists but cannot be read.
  bool ReadTempList(TStringList& list, const std::string& consequence);
  void SaveTempList(const TStringList& list);
  void ShowError(const std::string& text);
  void SetFlag(bool value);
  TTuneFiles FTuneFiles;
};

// A plug-in file's disabled name in the same folder, and back.
std::string DisabledPlugInName(const std::string& path);
std::string EnabledPlugInName(const std::string& disabledPath);
