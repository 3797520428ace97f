// The name dialog: the small modal box in which the user types a new category or album name.
#pragma once
#include <string>
#include "Buttons.h"
#include "Forms.h"
#include "StdCtrls.h"

// Set when the dialog's edit receives the focus; cleared at creation and by Cancel. OK takes a
// name only after the user has been in the edit.
extern bool EditEntered;

class TRenamer : public TForm {
public:
  explicit TRenamer(TComponent* AOwner);

  TEdit* Edit1;
  TBitBtn* BitBtn1; // OK
  TBitBtn* BitBtn2; // Cancel

  // Where OK puts the trimmed name; the caller empties it before each use. Without one the
  // dialog keeps the name itself.
  void SetNameResult(std::string* target) { FResult = target ? target : &FOwnResult; }
  const std::string& NameResult() const { return *FResult; }

  void FormShow(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void BitBtn2Click(TObject* Sender);

private:
  std::string FOwnResult;
  std::string* FResult = &FOwnResult;
};

// The dialog made in the program's creation order (none in tests).
extern TRenamer* Renamer;

// Places form with its centre on the screen point (x, y).
void CenterFormAt(TForm& form, int x, int y);
// Sets the caption, the edit's text and the edit's hint, and shows the dialog modally.
int AskName(TRenamer& form, const std::string& caption, const std::string& text,
            const std::string& hint);
// The text that replaces a name holding an ampersand.
extern const char* const AmpersandWarning;
