// The title editor: fills its boxes from the category and artist lists, hands the chosen keys to
// the main window, and refuses names that would make a nameless category or artist.
#include "AdderCodeD2.h"
#include <windows.h>
#include "DataCodeD2.h"
#include "Dialogs.h"
#include "HourGlass.h"
#include "SysUtils.h"

TTuneAdder* TuneAdder = nullptr;
const char* const NoCommonArtistsItem = "<No common artists>";
const char* const NoCommonCategoriesItem = "<No common categories>";

namespace {

// An edit or combo box on which Enter does something of its own instead of the default button.
template <class T> class TEnterControl : public T {
public:
  using T::T;
  std::function<void()> OnEnterKey;
  bool DialogKeyAction(WORD key, bool focused) override {
    if (key == VK_RETURN && focused && OnEnterKey) {
      OnEnterKey();
      return true;
    }
    return T::DialogKeyAction(key, focused);
  }
};

// The item chosen in a box; -1 when the text was typed (an edited text no longer is the item's).
int ChosenItem(TComboBox& box) {
  int index = box.ItemIndex();
  if (index < 0 || index >= box.Items().Count() || box.Items()[index] != box.Text()) return -1;
  return index;
}

void Centre(TControl& control, int width) {
  control.SetLeft((width - control.Width()) / 2);
}

} // namespace

TTuneAdder::TTuneAdder(TComponent* AOwner) : TGradientForm(AOwner) {
  SetName("TuneAdder");
  SetCaption(" MIDI Selection Information");
  SetBorderStyle(bsSingle);
  SetBorderIcons({biSystemMenu});
  SetPosition(poDesigned);
  SetClientWidth(408);
  SetClientHeight(255);
  SetHelpContext(1100);

  auto panel = [this](const std::string& name, int top, int height) {
    auto* p = new TPanel(this);
    p->SetName(name);
    p->SetCaption("");
    p->SetBounds(0, top, 408, height);
    p->SetParent(this);
    return p;
  };
  Panel1 = panel("Panel1", 0, 52);
  Label1 = MakeLabel(this, Panel1, "", "MIDI Selection:", 0, 8);
  Label1->Font().SetStyle({fsBold});
  Label2 = MakeLabel(this, Panel1, "", "", 0, 28);
  Label2->SetShowAccelChar(false);

  Panel2 = panel("Panel2", 52, 159);
  Label3 = MakeLabel(this, Panel2, "", "Edit Selection Information", 0, 6);
  TitleLabel = MakeLabel(this, Panel2, "", "TITLE", 16, 34);
  ArtistLabel = MakeLabel(this, Panel2, "", "ARTIST", 16, 78);
  CategoryLabel = MakeLabel(this, Panel2, "", "CATEGORY", 16, 122);

  auto* title = new TEnterControl<TEdit>(this);
  TitleEdit = title;
  TitleEdit->SetName("TitleEdit");
  TitleEdit->SetBounds(100, 30, 290, 21);
  TitleEdit->SetText("<up to 35 characters incl. spaces>");
  TitleEdit->SetHelpContext(1001);
  TitleEdit->SetTabStop(true);
  TitleEdit->SetParent(Panel2);
  auto combo = [this](const std::string& name, int top, int help) {
    auto* c = new TEnterControl<TComboBox>(this);
    c->SetName(name);
    c->SetBounds(100, top, 290, 21);
    c->SetDropDownCount(12);
    c->SetText("<Select from list>");
    c->SetHelpContext(help);
    c->SetTabStop(true);
    c->SetParent(Panel2);
    return c;
  };
  auto* artists = combo("Artists", 74, 1002);
  auto* categories = combo("Categories", 118, 1003);
  Artists = artists;
  Categories = categories;
  // Enter moves on, and on the last box acts as OK.
  title->OnEnterKey = [this] {
    if (Artists->CanFocus()) Artists->SetFocus();
  };
  artists->OnEnterKey = [this] {
    if (Categories->CanFocus()) Categories->SetFocus();
  };
  categories->OnEnterKey = [this] { OKBBClick(OKBB); };

  Panel3 = panel("Panel3", 211, 44);
  OKBB = new TBitBtn(this);
  OKBB->SetName("OKBB");
  OKBB->SetCaption("&OK");
  OKBB->SetBounds(0, 9, 89, 27);
  OKBB->SetTabStop(true);
  OKBB->SetParent(Panel3);
  OKBB->OnClick = [this](TObject* s) { OKBBClick(s); };
  CancelBB = new TBitBtn(this);
  CancelBB->SetName("CancelBB");
  CancelBB->SetCaption("&Cancel");
  CancelBB->SetBounds(0, 9, 89, 27);
  CancelBB->SetCancel(true);
  CancelBB->SetTabStop(true);
  CancelBB->Font().SetName("MS Sans Serif");
  CancelBB->Font().SetSize(8);
  CancelBB->Font().SetStyle({});
  CancelBB->SetParent(Panel3);
  CancelBB->OnClick = [this](TObject* s) { CancelBBClick(s); };

  OnShow = [this](TObject* s) { FormShow(s); };
  OnHide = [this](TObject* s) { FormHide(s); };
}

int TTuneAdder::ShowSingleTitle(const std::string& title, const std::string& firstName,
                                const std::string& category, const std::string& lastName) {
  FMultiple = false;
  Label2->SetCaption(title);
  TitleEdit->SetText(title);
  TitleEdit->SetReadOnly(false);
  TitleEdit->SetEnabled(true);
  FArtistText = ArtistNameForm(lastName, firstName);
  FCategoryText = Trim(category);
  return ShowEditor();
}

int TTuneAdder::ShowMultipleTitles(int count, const std::string& lastName,
                                   const std::string& firstName, const std::string& category) {
  FMultiple = true;
  Label2->SetCaption(IntToStr(count) + " titles to be assigned an artist and a category");
  TitleEdit->SetText("Not applicable");
  TitleEdit->SetEnabled(false);
  FCommonLast = lastName;
  FCommonFirst = firstName;
  FCommonCategory = category;
  FArtistText = Trim(firstName).empty() && Trim(lastName).empty()
                    ? "<no common artist selected>"
                    : ArtistNameForm(lastName, firstName);
  FCategoryText = category.empty() ? "<no common category selected>" : category;
  return ShowEditor();
}

int TTuneAdder::ShowEditor() {
  FOKPressed = false;
  return ShowModal();
}

void TTuneAdder::FormShow(TObject*) {
  const int width = ClientWidth();
  for (TControl* label : {static_cast<TControl*>(Label1), static_cast<TControl*>(Label2),
                          static_cast<TControl*>(Label3)})
    Centre(*label, width);
  const int gap = 25;
  int left = (width - OKBB->Width() - gap - CancelBB->Width()) / 2;
  OKBB->SetLeft(left);
  CancelBB->SetLeft(left + OKBB->Width() + gap);
  FOKPressed = false;

  TStringList names;
  Categories->Items().Clear();
  if (FCatList) FCatList->FillNameKeyLists(names, FCategoryKeys);
  Categories->Items().Assign(names);
  TStringList firsts, lasts;
  Artists->Items().Clear();
  if (FPerfList) FPerfList->FillNameKeyLists(firsts, lasts, FArtistKeys);
  for (int i = 0; i < lasts.Count(); ++i)
    Artists->Items().Add(ArtistNameForm(lasts[i], firsts[i]));
  Artists->SetItemIndex(-1);
  Categories->SetItemIndex(-1);
  Artists->SetText(FArtistText);
  Categories->SetText(FCategoryText);

  if (!FMultiple) {
    SetActiveControl(TitleEdit);
    return;
  }
  Artists->Items().Add(NoCommonArtistsItem);
  Categories->Items().Add(NoCommonCategoriesItem);
  if (Trim(FCommonLast + FCommonFirst).empty()) Artists->SetItemIndex(Artists->Items().Count() - 1);
  if (FCommonCategory.empty()) Categories->SetItemIndex(Categories->Items().Count() - 1);
  SetActiveControl(Artists);
}

void TTuneAdder::FormHide(TObject*) {
  FCategoryKeys.Clear();
  FArtistKeys.Clear();
}

void TTuneAdder::Refuse(const std::string& text) {
  MessageDlg(text, mtWarning, {mbOK}, 0);
}

void TTuneAdder::OKBBClick(TObject*) {
  const int categoryItem = ChosenItem(*Categories);
  const int artistItem = ChosenItem(*Artists);
  const std::string categoryText = Trim(Categories->Text());
  const std::string artistText = Trim(Artists->Text());
  // A typed artist with nothing typed for it, or with no category, ends the edit as cancelled,
  // before anything is added to a list.
  if (artistItem < 0 && (artistText.empty() || categoryText.empty())) {
    FOKPressed = false;
    SetModalResult(mrCancel);
    return;
  }
  // Names that would give a nameless category or artist are refused; the window stays open.
  if (categoryItem < 0 && categoryText.empty()) {
    Refuse("Please type a category name or select one from the list.");
    return;
  }
  std::string last, first;
  if (artistItem < 0) {
    SplitArtistText(artistText, last, first);
    if (last.empty() && first.empty()) {
      Refuse("Please type an artist name (last name, first name) or select one from the list.");
      return;
    }
  }
  if (!FMultiple && Trim(TitleEdit->Text()).empty()) {
    Refuse("Please type a title.");
    return;
  }

  FOKPressed = true;
  auto busy = HourGlass();
  if (categoryItem < 0) {
    FCategoryKey = FCatList ? FCatList->FindOrAddCategory(categoryText) : 0;
  } else if (FMultiple && Categories->Items()[categoryItem] == NoCommonCategoriesItem) {
    FCategoryKey = KeepOwnKey;
  } else {
    FCategoryKey = StrToIntDef(FCategoryKeys[categoryItem], 0);
  }
  if (artistItem < 0) {
    FArtistKey = FPerfList ? FPerfList->FindOrAddPerformer(first, last) : 0;
  } else if (FMultiple && Artists->Items()[artistItem] == NoCommonArtistsItem) {
    FArtistKey = KeepOwnKey;
  } else {
    FArtistKey = StrToIntDef(FArtistKeys[artistItem], 0);
  }
  // The editor knows no origin: the stored one stays.
  if (OnAddInfo) OnAddInfo(Trim(TitleEdit->Text()), "", FArtistKey, FCategoryKey);
  SetModalResult(mrOk);
}

void TTuneAdder::CancelBBClick(TObject*) {
  FOKPressed = false;
  SetModalResult(mrCancel);
}
