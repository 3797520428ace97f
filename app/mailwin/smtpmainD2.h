// The mail window: catalogue titles exported into "TempMail" and sent as attachments, singly or
// in one zip archive, with the mail settings kept in the settings file.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "ExtListView.h"
#include "ExtProgressBar.h"
#include "GradForm.h"
#include "MailHandOff.h"
#include "MailWindowHost.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "agRasCmp.h"
#include "mssmtp.h"

class TMailForm;
// The window made in the program's creation order (none in tests until they make one).
extern TMailForm* MailForm;

class TMailForm : public TGradientForm, public TMailWindowLink, public TMailWindowControl {
public:
  explicit TMailForm(TComponent* AOwner);
  ~TMailForm() override;

  TPanel* ToolBar1;
  TSpeedButton *SendButton, *SetupButton, *ExitButton, *CancelButton, *AttachButton;
  TMainMenu* MainMenu1;
  TMenuItem *File1, *Send1, *Cancel1, *Attach1, *Exit1, *Setup1, *Help1, *UseHelpCursor1,
      *ViewHelpFile1, *About1;
  TBevel *Bevel1, *Bevel2;
  TPanel* SendInfoPanel;
  TLabel *ToLabel, *SubjectLabel;
  TEdit *ToEdit, *SubjectEdit;
  TMemo* BodyMemo;
  TPanel* AttachPanel;
  TCheckBox* CheckBox1;
  TExtListView* ListView1;
  TStatusBar* StatusBar1;
  TExtProgressBar* ProgressBar1;
  TmsSMTP* msSMTP1;
  TmsMessage* msMessage1;
  TagRas* agRas1;

  // The mail hand-off.
  void SetMailCaption(const std::string& caption) override;
  void ShowMailWindow() override;
  void SetMailStatus(const std::string& text) override;
  void AttachTitles(const TStringList& masterKeys) override;
  // While a mail is being sent its rows stay: true (after telling the user) when busy.
  bool RefusedWhileBusy() override;
  // What the main window's shutdown calls.
  void HideMailWindow() override { Hide(); }
  void CancelTransfer() override { CancelButtonClick(this); }
  void SaveMailSettings() override;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormResize(TObject* Sender);
  void SendButtonClick(TObject* Sender);
  void SetupButtonClick(TObject* Sender);
  void ExitButtonClick(TObject* Sender);
  void CancelButtonClick(TObject* Sender);
  void AttachButtonClick(TObject* Sender);
  void UseHelpCursorClick(TObject* Sender);
  void ViewHelpFileClick(TObject* Sender);
  void AboutClick(TObject* Sender);
  // Adds a row for a file of the user's (with its associated icon).
  void AddUserFile(const std::string& path);

  // The files an attach asks for; a seam over the open dialog so tests can answer it.
  std::function<std::vector<std::string>()> OnChooseFiles;
  // The status texts in the order shown (tests read it; cleared by nobody but them).
  std::vector<std::string> StatusLog;

  int RasIndex() const { return FRasIndex; }
  // From the loading of the attachments to the end of the exchange.
  bool Busy() const { return FBusy; }
  // The first file of a drop becomes a row.
  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitWnd() override;

private:
  // The window's parts, made in this order.
  void BuildMailClient();
  void BuildMenu();
  void BuildToolBar();
  void BuildSendInfo();
  void BuildBodyAndAttachments();
  void BuildStatusBar();
  void FollowMailClient();
  // The steps of a send; those answering bool say whether it goes on.
  bool ComposeMessage();
  bool LoadAttachments();
  bool PackAttachments(int rows);
  bool ReadyToSend();
  void SendAndReport();
  void SetStatus(const std::string& text);
  // A mail that did not go: why, on the status bar and in a box.
  void SendFailed(const std::string& why);
  void SetBusy(bool busy);
  void ReadMailSettings();
  void ClearAttachments();
  // A free name in the work folder for a title's export.
  std::string ExportName(const std::string& title, int32_t key) const;
  std::vector<std::string> ChooseFiles();
  void HelpClick(TObject* sender);
  void CheckBox1Click(TObject* sender);

  std::string FIniFileName;
  int FRasIndex = 0;
  bool FSent = false, FNotification = false, FClosed = false, FHelpUndo = false;
  // Whether the client's closed event has shown (and beeped) during the current send.
  bool FClosedShown = false;
  bool FBusy = false, FCancelAsked = false;
  // The rows' files that this window exported (and so may delete).
  std::vector<std::string> FExported;
  std::vector<std::string> FLeftOut;
  TImageList* FIcons = nullptr;
};
