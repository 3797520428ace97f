// The print options window: the columns, title and page orientation of a catalogue report.
#pragma once
#include "Buttons.h"
#include "Forms.h"
#include "StdCtrls.h"

class TPrintParamFrm : public TForm {
public:
  explicit TPrintParamFrm(TComponent* AOwner);

  TGroupBox* GroupBox1; // " Information to print "
  TCheckBox *Cat, *Art, *tit, *Dur, *Orig, *Dat, *FileType, *FileSize, *FileDate;
  TGroupBox* GroupBox2; // " Report title "
  TEdit* Edit1;
  TGroupBox* GroupBox3; // " Page orientation "
  TRadioButton *RadioButton1, *RadioButton2;
  TBitBtn *BitBtn1, *BitBtn2, *BitBtn3; // Print!, Setup..., Cancel

  // The nine boxes in the report's column order: Category, Artist, Title, Duration, Type, Size,
  // Date stamp, Origin, Date obtained.
  std::vector<TCheckBox*> ColumnBoxes() const;

  void FormShow(TObject* Sender);
  void RadioButtonClick(TObject* Sender);
  void OrigClick(TObject* Sender);
  void BitBtn2Click(TObject* Sender);
};

// The window made in the program's creation order (none in tests).
extern TPrintParamFrm* PrintParamFrm;
