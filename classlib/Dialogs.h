// Message dialogs and the test seam that answers every modal window (forms and message boxes).
#pragma once
#include "Forms.h"
#include <deque>
#include <functional>
#include <string>
#include <vector>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// The modal result a button gives.
TModalResult ModalResultOf(TMsgDlgBtn button);

// The standard message box as a form (not shown): an icon for the type, the text, and one button
// per member of buttons, in the order of TMsgDlgBtn; the caption is the type's ("Warning",
// "Error", "Information", "Confirm", or the application's title for mtCustom). The caller owns it.
TForm* CreateMessageDialog(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);
// Shows it modally and answers the modal result.
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
void ShowMessage(const std::string& text);

// The form CreateMessageDialog builds; the seam reports its text.
class TMessageForm : public TForm {
public:
  explicit TMessageForm(TComponent* AOwner) : TForm(AOwner) {}
  const std::string& MessageText() const { return FMessageText; }

protected:
  // The text also lives in a hidden static child (id 0xFFFF), where Windows' own boxes keep it,
  // so that other programs (screen readers, test drivers) can read it.
  void InitWnd() override;

private:
  friend TForm* CreateMessageDialog(const std::string&, TMsgDlgType, TMsgDlgButtons);
  std::string FMessageText;
};

// What a modal window asked while the test seam answered it.
struct TModalRequest {
  std::string Kind;      // the form's class name ("TMessageForm", "TTitleEditor") or "MessageBox"
  std::string Caption;   // the form's caption or the box's title
  std::string Text;      // a message's text; empty for other forms
  unsigned Flags = 0;    // MB_* flags of a plain message box
  TForm* Form = nullptr; // the form, while it is being answered (nullptr afterwards)
  TObject* Dialog = nullptr; // a common dialog, while it is being answered
};

// Result an answer gives to let the form run modally for real (a timer or posted input ends it).
constexpr int mrRunModal = -1;

// The system's colour chooser. Execute answers true when the user chose a colour with OK.
class TColorDialog : public TComponent {
public:
  explicit TColorDialog(TComponent* AOwner) : TComponent(AOwner) {}
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { FColor = value; }
  bool Execute();

private:
  TColor FColor = clBlack;
  COLORREF FCustom[16] = {};
};

// The system's file-save dialog. The filter is "Text|mask|Text|mask"; FilterIndex counts from
// 1. Execute answers true when the user chose a name with OK; FileName is then the full path.
enum class TSaveOption { ShowHelp, OverwritePrompt };
using TSaveOptions = TSet<TSaveOption>;
class TSaveDialog : public TComponent {
public:
  explicit TSaveDialog(TComponent* AOwner) : TComponent(AOwner) {}
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& value) { FFileName = value; }
  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& value) { FFilter = value; }
  int FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int value) { FFilterIndex = value; }
  const std::string& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& value) { FInitialDir = value; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  TSaveOptions Options() const { return FOptions; }
  void SetOptions(TSaveOptions value) { FOptions = value; }
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int value) { FHelpContext = value; }
  bool Execute();

private:
  std::string FFileName, FFilter, FInitialDir, FTitle;
  int FFilterIndex = 1;
  int FHelpContext = 0;
  TSaveOptions FOptions;
};

// Offers a common dialog of kind (its class name) to the modal test seam. True when the seam
// answered it (result then holds the modal result); false when there is no seam or the answer
// lets the real dialog run.
bool AnswerCommonDialog(const std::string& kind, const std::string& caption, TObject* dialog,
                        int& result);

// While one exists, every ShowModal and every PlainMessageBox is answered from its queue instead
// of showing, and recorded. An answer is a modal result, or a function that may work the form
// (fill its edits, click its buttons) and answers the result. With the queue empty, a modal window
// is recorded as unanswered and gets mrCancel (IDCANCEL), so that a test never blocks.
class TModalAnswers {
public:
  using TAnswer = std::function<int(TModalRequest& request)>;
  TModalAnswers();
  ~TModalAnswers();
  TModalAnswers(const TModalAnswers&) = delete;
  TModalAnswers& operator=(const TModalAnswers&) = delete;

  void Push(int modalResult);
  void Push(TAnswer answer);
  const std::vector<TModalRequest>& Asked() const { return FAsked; }
  int Pending() const { return static_cast<int>(FQueue.size()); }
  int Unanswered() const { return FUnanswered; }
  void Clear();

  // Takes the next answer for a request (the hooks call it).
  int Answer(TModalRequest& request, bool& runModal);

private:
  std::deque<TAnswer> FQueue;
  std::vector<TModalRequest> FAsked;
  int FUnanswered = 0;
  TModalAnswers* FPrevious;
};
