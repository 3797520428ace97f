// Message and input dialog components: a window drops them on its form, sets their properties and
// calls Execute, which builds a fresh modal box, places it, sounds it and frees it again.
#pragma once
#include "Buttons.h"
#include "Dialogs.h"
#include "MessageKinds.h"
#include "StdCtrls.h"
#include <string>

// Scoped: the class library's form positions use the same names.
enum class TMsgDlgPosition { poScreenCenter, poParentCenter, poDesigned };
enum class TMsgDlgBeepType {
  mbNone,
  mbStandard,
  mbCriticalStop,
  mbQuestion,
  mbExclamation,
  mbAsterisk,
  mbInformation,
  mbWaveFile
};
enum TMsgDlgStayOnTop { stAuto, stAlways };

// Replaces every occurrence of the separator (trimmed of blanks and tabs) by CR LF; an empty
// separator leaves the text alone.
std::string ReplaceLineSeparators(const std::string& text, const std::string& separator);

// Shared by both components: where the box goes, its sound, cursor and stay-on-top.
class TCustomMsgComponent : public TComponent {
public:
  explicit TCustomMsgComponent(TComponent* AOwner) : TComponent(AOwner) {}
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value) { FCursor = value; }
  TMsgDlgPosition Position() const { return FPosition; }
  void SetPosition(TMsgDlgPosition value) { FPosition = value; }
  TMsgDlgBeepType MsgBeep() const { return FMsgBeep; }
  void SetMsgBeep(TMsgDlgBeepType value) { FMsgBeep = value; }
  int PositionLeft() const { return FPositionLeft; }
  void SetPositionLeft(int value) { FPositionLeft = value; }
  int PositionTop() const { return FPositionTop; }
  void SetPositionTop(int value) { FPositionTop = value; }
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int value) { FHelpContext = value; }
  const std::string& LineSeparator() const { return FLineSeparator; }
  void SetLineSeparator(const std::string& value) { FLineSeparator = value; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value) { FCaption = value; }
  TMsgDlgStayOnTop StayOnTop() const { return FStayOnTop; }
  void SetStayOnTop(TMsgDlgStayOnTop value) { FStayOnTop = value; }
  const std::string& WaveFile() const { return FWaveFile; }
  void SetWaveFile(const std::string& value) { FWaveFile = value; }
  TNotifyEvent OnShow, OnClose;

  // The first form among the owners (the main form in place of an MDI child), or nullptr.
  TForm* OwningForm() const;

protected:
  // Steps shared by Execute: place the box, make it stay on top, sound it, stop the sound.
  void PlaceBox(TForm& box) const;
  void ApplyStayOnTop(TForm& box) const;
  void PlaySound() const;
  void StopSound() const;
  virtual void DoShow();
  virtual void DoClose();

  TCursor FCursor = crDefault;
  TMsgDlgPosition FPosition = TMsgDlgPosition::poParentCenter;
  TMsgDlgBeepType FMsgBeep = TMsgDlgBeepType::mbNone;
  int FPositionLeft = -1, FPositionTop = -1;
  int FHelpContext = 0;
  std::string FLineSeparator = "\\n";
  std::string FCaption;
  TMsgDlgStayOnTop FStayOnTop = stAuto;
  std::string FWaveFile;
};

class TMessageDialog : public TCustomMsgComponent {
public:
  explicit TMessageDialog(TComponent* AOwner) : TCustomMsgComponent(AOwner) {}
  const std::string& Text() const { return FText; }
  void SetText(const std::string& value) { FText = value; }
  TMsgDlgType MsgType() const { return FMsgType; }
  // In the designer the kind also picks the matching beep.
  void SetMsgType(TMsgDlgType value);
  TMsgDlgButtons Buttons() const { return FButtons; }
  void SetButtons(TMsgDlgButtons value) { FButtons = value; }
  TMsgDlgBtn DefaultButton() const { return FDefaultButton; }
  void SetDefaultButton(TMsgDlgBtn value) { FDefaultButton = value; }
  // The program's own kinds and button sets, as the class library's types and buttons. A set
  // without a button that closes the box gets OK, so that the box can be answered.
  void SetKind(TMessageKind kind);
  void SetButtonSet(TMessageButtons buttons);

  // Shows the text in a fresh modal box and answers the modal result of the button pressed.
  int Execute();

private:
  std::string FText;
  TMsgDlgType FMsgType = mtCustom;
  TMsgDlgButtons FButtons{mbOK};
  TMsgDlgBtn FDefaultButton = mbOK;
};

// The input box: a prompt, an edit and OK and Cancel.
class TInputDialogBox : public TForm {
public:
  explicit TInputDialogBox(TComponent* AOwner);
  TLabel* Label1;
  TEdit* Edit1;
  TBitBtn* OKBtn;
  TBitBtn* CancelBtn;
};

class TInputDialog : public TCustomMsgComponent {
public:
  explicit TInputDialog(TComponent* AOwner) : TCustomMsgComponent(AOwner) {}
  const std::string& Prompt() const { return FPrompt; }
  void SetPrompt(const std::string& value) { FPrompt = value; }
  const std::string& Text() const { return FText; }
  void SetText(const std::string& value) { FText = value; }
  // True when OK was pressed; Text then holds what was typed.
  bool Execute();

private:
  std::string FPrompt, FText;
};

// Gives each button of a box the standard dialog identifier of its modal result (IDOK, IDYES,
// ...), so that another program can find and press it.
void SetStandardButtonIds(TForm& box);
