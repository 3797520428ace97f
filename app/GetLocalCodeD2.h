// The local-file loader: the user picks MIDI and zip files, collects them in a list and chooses
// the category and artist the new titles get; the main window imports the list after OK.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "Buttons.h"
#include "DragDrop.h"
#include "FileCtrls.h"
#include "Forms.h"
#include "MsgDlg.h"
#include "StdCtrls.h"

class TFeatureHost;
class TGetLocalF;
// The window made in the program's creation order (none in tests).
extern TGetLocalF* GetLocalF;

// A list box that takes part in drags as a target.
class TDropListBox : public TListBox, public TDragClient {
public:
  using TListBox::TListBox;
};

class TGetLocalF : public TForm {
public:
  explicit TGetLocalF(TComponent* AOwner);
  // The main window's side, handed over when the window is made (none: the window works alone).
  void SetHost(TFeatureHost* host) { FHost = host; }

  TGroupBox *GroupBox1, *GroupBox2, *GroupBox3, *GroupBox4;
  TDriveComboBox* DriveComboBox1;
  TDirectoryListBox* DirectoryListBox1;
  TFilterComboBox* FilterComboBox1;
  TFileListBox* FileListBox1;
  TDropListBox* ListBox1; // the paths to import, sorted
  TLabel *Label1, *Label2;
  TComboBox *Artists, *Categories;
  TCheckBox* DupCheck;
  TBitBtn *BitBtn1, *BitBtn2; // OK, Cancel
  TMessageDialog* MD2;

  // The keys OK (or Enter in Categories) resolved.
  int32_t CategoryKey() const { return FCategoryKey; }
  int32_t ArtistKey() const { return FArtistKey; }
  // The listed paths, in the list's order.
  std::vector<std::string> Paths() const;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FileListBox1DblClick(TObject* Sender);
  void ListBox1DragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                        bool& Accept);
  void ListBox1DragDrop(TObject* Sender, TObject* Source, int X, int Y);
  void ArtistsKeyPress(TObject* Sender, char& Key);
  void CategoriesKeyPress(TObject* Sender, char& Key);
  void BitBtn1Click(TObject* Sender);
  void DriveComboBox1Enter(TObject* Sender);
  void DriveComboBox1Change(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);

private:
  TFeatureHost* FHost = nullptr;
  void AddSelectedFiles();
  // Resolves the category and artist into the keys the import of the list gets; false (with
  // the window's own box) when a typed name is blank.
  bool ResolveAddInfo();
  TStringList FCategoryKeys, FArtistKeys;
  int32_t FCategoryKey = 0, FArtistKey = 0;
  char FOldDrive = 'C';
};
