// The title editor: the title text, artist and category of one title, or one common artist and
// category for several titles.
#pragma once
#include <functional>
#include <string>
#include "Buttons.h"
#include "ExtCtrls.h"
#include "GradForm.h"
#include "StdCtrls.h"

class TCatList;
class TPerfList;

// A key handed over that tells the caller to keep each title's own value.
constexpr int32_t KeepOwnKey = -99;

class TTuneAdder : public TGradientForm {
public:
  explicit TTuneAdder(TComponent* AOwner);

  TPanel *Panel1, *Panel2, *Panel3;
  TLabel *Label1, *Label2; // "MIDI Selection:" and the selection
  TLabel *Label3, *TitleLabel, *ArtistLabel, *CategoryLabel;
  TEdit* TitleEdit;
  TComboBox *Artists, *Categories;
  TBitBtn *OKBB, *CancelBB;

  // The lists the boxes are filled from and typed names are added to.
  void SetLists(TCatList* categories, TPerfList* artists) {
    FCatList = categories;
    FPerfList = artists;
  }
  // Receives the outcome of OK: title text, origin ("" keeps the stored one), artist key,
  // category key.
  std::function<void(const std::string&, const std::string&, int32_t, int32_t)> OnAddInfo;

  // Each fills the window and shows it modally; answers the modal result.
  int ShowSingleTitle(const std::string& title, const std::string& firstName,
                      const std::string& category, const std::string& lastName);
  int ShowMultipleTitles(int count, const std::string& lastName, const std::string& firstName,
                         const std::string& category);

  bool OKPressed() const { return FOKPressed; }
  int32_t CategoryKey() const { return FCategoryKey; }
  int32_t ArtistKey() const { return FArtistKey; }

  void FormShow(TObject* Sender);
  void FormHide(TObject* Sender);
  void OKBBClick(TObject* Sender);
  void CancelBBClick(TObject* Sender);

private:
  int ShowEditor();
  // A message over the editor; the editor stays open.
  void Refuse(const std::string& text);
  TCatList* FCatList = nullptr;
  TPerfList* FPerfList = nullptr;
  bool FOKPressed = false;
  int32_t FCategoryKey = 0, FArtistKey = 0;
  TStringList FCategoryKeys, FArtistKeys;
  std::string FCommonLast, FCommonFirst, FCommonCategory;
  bool FMultiple = false;
  std::string FArtistText, FCategoryText; // shown once the boxes are filled
};

// The editor made in the program's creation order (none in tests).
extern TTuneAdder* TuneAdder;

// Placeholders of the editor.
extern const char* const NoCommonArtistsItem;    // "<No common artists>"
extern const char* const NoCommonCategoriesItem; // "<No common categories>"
