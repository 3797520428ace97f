// The drive scan window: one folder tree on a chosen drive walked for MIDI files, imported with
// the artist and category the user gives.
#pragma once
#include <functional>
#include <string>
#include "Buttons.h"
#include "ExtCtrls.h"
#include "ExtProgressBar.h"
#include "FileCtrls.h"
#include "Forms.h"
#include "MsgDlg.h"
#include "StdCtrls.h"

class TFeatureHost;
class TDriveScanFrm;
// The window made in the program's creation order (none in tests).
extern TDriveScanFrm* DriveScanFrm;

constexpr const char* CategoryPlaceholder = "<Select or enter a category>";
constexpr const char* ArtistPlaceholder = "<Select or enter an artist>";

class TDriveScanFrm : public TForm {
public:
  explicit TDriveScanFrm(TComponent* AOwner);
  // The main window's side, handed over when the window is made (none: the window works alone).
  void SetHost(TFeatureHost* host) { FHost = host; }

  TGroupBox* GroupBox1; // " Scanning status "
  TLabel *Label1, *Label2;
  TEdit *Edit1, *Edit2; // folders scanned, MIDI files found
  TBitBtn* BitBtn1;     // the scanning "Stop"
  TGroupBox* GroupBox2; // " Importing status "
  TExtProgressBar* ExtProgressBar1;
  TBitBtn* BitBtn2;     // the importing "Stop"
  TGroupBox* GroupBox3; // " Select drive, top level directory and options "
  TDriveComboBox* DriveComboBox1;
  TDirectoryListBox* DirectoryListBox1;
  TGroupBox* GroupBox5; // "Provide information for added MIDIs "
  TLabel *Label6, *Label7;
  TComboBox *Artists, *Categories;
  TGroupBox* RadioGroup1;
  TRadioButton *RadioButton1, *RadioButton2;
  TGroupBox* GroupBox4;             // " Execute scan "
  TLabel *Label3, *Label4, *Label5; // "Scan", the folder, "and sub-directories"
  TBitBtn *OKBtn, *CancelBtn;
  TTimer* Timer1;
  TMessageDialog* MD1;

  bool ScanStopped = false, ImportStopped = false;

  void SearchFolder(const std::string& folder, const std::string& mask, TStringList& files);
  void SetImportRange(int min, int max);
  void SetImportPosition(int n);
  // Checks what the user gave the new titles. A picked artist's names come from its kept key.
  bool ValidateScanInfo(const std::string& artistText, const std::string& categoryText,
                        std::string& lastName, std::string& firstName, std::string& category);
  // A box of this window's own dialog; answers its modal result.
  int ShowBox(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons);

  void FormShow(TObject* Sender);
  void DriveComboBox1Enter(TObject* Sender);
  void DriveComboBox1Change(TObject* Sender);
  void OKBtnClick(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void BitBtn2Click(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void WndProc(TMessage& message) override;

  // The scan and import: the main window's AddScannedFolder unless a test gives another.
  std::function<void(const std::string& folder, bool checkDuplicates, const std::string& last,
                     const std::string& first, const std::string& category)>
      ScanWork;
  // After each move of the import bar (a seam for tests).
  std::function<void(int position)> OnImportPosition;
  // After each folder walked to its end (a seam for tests).
  std::function<void(const std::string& folder)> OnFolderWalked;
  int32_t FolderCount() const { return FFolderCount; }

private:
  TFeatureHost* FHost = nullptr;
  bool Stopped() const;
  void ShowChosenFolder();
  int32_t FFolderCount = 0;
  char FOldDrive = 'C';
  TStringList FCategoryKeys, FArtistKeys;
};
