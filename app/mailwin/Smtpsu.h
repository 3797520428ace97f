// The mail setup dialog: server, sender, log file, character set, encoding and dial-up entry.
#pragma once
#include "Forms.h"
#include "StdCtrls.h"

class TmsSMTP;
class TmsMessage;
class TagRas;

class TSetupDlg;
// The instance of the program's creation order (none in tests); each use makes a fresh one.
extern TSetupDlg* SetupDlg;

class TSetupDlg : public TForm {
public:
  explicit TSetupDlg(TComponent* AOwner);

  TLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
  TEdit *ServerEdit, *UserAddressEdit, *UserNameEdit, *LogFileNameEdit;
  TComboBox *CharSetComboBox, *EncodingComboBox, *RASComboBox;
  TButton *OKBtn, *CancelBtn;

  // Fills the fields from the client, the message and the dial-up entries; rasIndex preselects.
  void Fill(TmsSMTP& smtp, TmsMessage& message, TagRas& ras, int rasIndex);
  // Takes the fields over into the client, the message and the dial-up component; answers the
  // chosen entry index (0 none).
  int Apply(TmsSMTP& smtp, TmsMessage& message, TagRas& ras);

protected:
  void CreateParams(TCreateParams& params) override;
};

// Makes the dialog, shows it modally centred over owner and frees it; on OK the choices are
// taken over and rasIndex receives the entry index. Answers whether OK was chosen.
bool RunMailSetup(TForm* owner, TmsSMTP& smtp, TmsMessage& message, TagRas& ras, int& rasIndex);
