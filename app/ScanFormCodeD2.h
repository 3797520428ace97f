// The system scan window: walks every fixed drive for MIDI files, then shows their import.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include "Buttons.h"
#include "ExtCtrls.h"
#include "ExtListView.h"
#include "ExtProgressBar.h"
#include "FileCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TFeatureHost;
class TScanStatus;
// The window made in the program's creation order (none in tests).
extern TScanStatus* ScanStatus;

class TScanStatus : public TForm {
public:
  explicit TScanStatus(TComponent* AOwner);
  // The main window's side, handed over when the window is made (none: the window works alone).
  void SetHost(TFeatureHost* host) { FHost = host; }
  ~TScanStatus() override;

  TGroupBox* GroupBox1; // " Scanning status "
  TExtListView* ExtListView1;
  TLabel *Label1, *Label2, *Label3; // "Found", "Total", the count
  TBitBtn* BitBtn1;                 // the scanning "Stop"
  TGroupBox* GroupBox2;             // " Importing status "
  TExtProgressBar* ExtProgressBar1;
  TBitBtn* BitBtn2; // the importing "Stop"
  TPanel* Panel1;
  TGroupBox* RadioGroup1;
  TRadioButton *RadioButton1, *RadioButton2;
  TBitBtn *OKBtn, *CancelBtn;
  TImage* Image1;

  bool ScanStopped = false, ImportStopped = false;

  // One row per fixed drive, then each drive walked in that order.
  void ListFixedDrives(const std::string& mask, TStringList& files);
  // Walks one drive from its root (never making it current).
  void ScanDrive(const TDriveInfo& drive, const std::string& mask, TStringList& files);
  void SearchFolder(const std::string& folder, const std::string& mask, TStringList& files);
  void SetImportRange(int min, int max);
  void SetImportPosition(int n);

  void FormShow(TObject* Sender);
  void OKBtnClick(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void BitBtn2Click(TObject* Sender);
  void WndProc(TMessage& message) override;

  // The scan and import itself: the main window's AddFullScanResults unless a test gives another.
  std::function<void(bool checkDuplicates)> ScanWork;
  // After each move of the import bar (a seam for tests).
  std::function<void(int position)> OnImportPosition;
  // After each folder walked to its end (a seam for tests).
  std::function<void(const std::string& folder)> OnFolderWalked;

private:
  TFeatureHost* FHost = nullptr;
  bool Stopped() const;
  void MakeDriveImages();
  std::unique_ptr<TImageList> FLargeImages, FSmallImages;
  int FRow = 0;
  int32_t FFolderCount = 0, FFileCount = 0;
};
