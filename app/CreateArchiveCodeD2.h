// The archive creation window: the progress of packing chosen titles into a zip archive.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include "Buttons.h"
#include "Classes.h"
#include "ExtCtrls.h"
#include "ExtProgressBar.h"
#include "Forms.h"
#include "StdCtrls.h"

class TFeatureHost;
class TCreateArchiveForm;
// The window made in the program's creation order (none in tests).
extern TCreateArchiveForm* CreateArchiveFrm;

class TCreateArchiveForm : public TForm {
public:
  explicit TCreateArchiveForm(TComponent* AOwner);
  // The main window's side, handed over when the window is made (none: the window works alone).
  void SetHost(TFeatureHost* host) { FHost = host; }

  TGroupBox *GroupBox1, *GroupBox2;
  TExtProgressBar *EPB1, *EPB2;
  TBitBtn* BitBtn1; // Cancel
  TTimer* Timer1;   // starts the work once the window is painted

  // Keeps the target and a copy of the keys, clears Cancelled and prepares both bars.
  void StartArchiving(const std::string& targetName, const TStringList& keys);
  bool Cancelled() const { return FCancelled; }
  bool Working() const { return FWorking; }

  // Writes the titles of the keys into the target archive; polls Cancelled.
  std::function<void(const std::string& target, TStringList& keys)> ArchiveTitlesWork;

  void FormShow(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void WndProc(TMessage& message) override;

private:
  TFeatureHost* FHost = nullptr;
  std::string FTargetName;
  std::unique_ptr<TStringList> FKeys;
  bool FCancelled = false;
  bool FWorking = false;
};

// Shared by both archive windows: the dialog frame, two captioned bars and Cancel.
void BuildArchiveProgressForm(TForm& form, TGroupBox*& box1, TExtProgressBar*& bar1,
                              TGroupBox*& box2, TExtProgressBar*& bar2, TBitBtn*& cancel,
                              TTimer*& timer);
