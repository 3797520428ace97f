// File-system controls over the standard list and combo boxes: a drive box, a folder list, a file
// list (a drag source) and a file-type filter. Each keeps its folder itself; none ever changes
// the process's current folder.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "DragDrop.h"
#include "StdCtrls.h"

class TDirectoryListBox;
class TFileListBox;

// Wildcard match of a file name against one mask of "*" and "?", ASCII case ignored; "*.*" is
// every name, dot or not.
bool MatchesFileMask(const std::string& name, const std::string& mask);

// The drive of a root path ("C:\"): its letter, and its type as GetDriveTypeA gives it.
struct TDriveInfo {
  char Letter = 0;
  unsigned Type = 0; // DRIVE_FIXED, DRIVE_CDROM, ...
  std::string Root;  // "C:\" for a real drive; tests may give a folder instead
};

// The drives of the machine, A to Z; a test may set another source.
std::vector<TDriveInfo> SystemDrives();
using TDriveSource = std::function<std::vector<TDriveInfo>()>;
void SetDriveSource(TDriveSource source);
std::vector<TDriveInfo> ListDrives();

// Whether a drive has a disk: its size can be read. The letter is taken in upper case; anything
// but A-Z raises EConvertError "Invalid drive ID". Critical-error boxes stay off while the size
// is asked (a drive without a disk would otherwise ask the user) and the mode is restored.
bool IsDriveReady(char letter);

// The drive box: one line per drive ("C:").
class TDriveComboBox : public TComboBox {
public:
  explicit TDriveComboBox(TComponent* AOwner);
  char Drive() const { return FDrive; }
  // Selects the drive's line; the linked folder list follows.
  void SetDrive(char letter);
  TDirectoryListBox* DirList() const { return FDirList; }
  void SetDirList(TDirectoryListBox* value) { FDirList = value; }
  // Lists the drives again.
  void BuildList();

protected:
  void InitWnd() override;
  void Change() override;

private:
  std::vector<char> FLetters;
  char FDrive = 'C';
  TDirectoryListBox* FDirList = nullptr;
};

// The folder list: the open folder's path, one line per level, then its sub-folders. A double
// click (or Enter) on a line opens that folder.
class TDirectoryListBox : public TListBox {
public:
  explicit TDirectoryListBox(TComponent* AOwner);
  // Absolute, without a trailing backslash except at a drive's root.
  const std::string& Directory() const { return FDirectory; }
  // Opens a folder; false (nothing changed) when it cannot be listed.
  bool SetDirectory(const std::string& folder);
  char Drive() const { return FDirectory.empty() ? 0 : FDirectory[0]; }
  // Opens the folder last open on that drive, or its root.
  bool SetDrive(char letter);
  // The full path of a line.
  std::string PathOf(int index) const;
  TFileListBox* FileList() const { return FFileList; }
  void SetFileList(TFileListBox* value);
  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

protected:
  void DblClick() override;

private:
  void Fill();
  std::string FDirectory;
  std::vector<std::string> FPaths;
  std::map<char, std::string> FLastOnDrive;
  TFileListBox* FFileList = nullptr;
};

// The file list: the files of its folder that match its mask ("*.mid;*.rmi"), sorted. A press on
// a line followed by a move of a few pixels starts a drag (DragDrop.h).
class TFileListBox : public TListBox, public TDragClient {
public:
  explicit TFileListBox(TComponent* AOwner);
  const std::string& Directory() const { return FDirectory; }
  void SetDirectory(const std::string& folder);
  const std::string& Mask() const { return FMask; }
  void SetMask(const std::string& mask);
  // Lists the folder again.
  void Update();
  // Names of the selected lines (bare file names).
  std::vector<std::string> SelectedNames();
  void WndProc(TMessage& message) override;

protected:
  void DoEndDrag(TObject* Target, int X, int Y) override;

private:
  std::string FDirectory, FMask = "*.*";
  bool FPressed = false;
  // A press on a file of a multi-selection, held back from the list until the button comes up.
  bool FDeferredPress = false;
  WPARAM FDeferredKeys = 0;
  POINT FPressPoint{};
};

// The file-type box: "Text|mask|Text|mask..."; choosing a line sets the linked file list's mask.
class TFilterComboBox : public TComboBox {
public:
  explicit TFilterComboBox(TComponent* AOwner);
  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& filter);
  // The mask of the chosen line.
  std::string Mask();
  TFileListBox* FileList() const { return FFileList; }
  void SetFileList(TFileListBox* value);

protected:
  void Change() override;

private:
  std::string FFilter;
  std::vector<std::string> FMasks;
  TFileListBox* FFileList = nullptr;
};
