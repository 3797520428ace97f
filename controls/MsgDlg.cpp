// Message and input dialog components: a fresh box per Execute, placed, sounded and freed.
#include "MsgDlg.h"
#include "SysUtils.h"
#include <algorithm>
#include <memory>
#include <mmsystem.h>

namespace {

// The screen cursor for the life of a box, restored however the box ends.
class TCursorScope {
public:
  explicit TCursorScope(TCursor cursor) : FSaved(Screen->Cursor()) { Screen->SetCursor(cursor); }
  ~TCursorScope() { Screen->SetCursor(FSaved); }
  TCursorScope(const TCursorScope&) = delete;
  TCursorScope& operator=(const TCursorScope&) = delete;

private:
  TCursor FSaved;
};

// Designed at 96 pixels per inch.
void ScaleBox(TForm& box) {
  int ppi = Screen->PixelsPerInch();
  if (ppi == 96 || ppi <= 0) return;
  for (int i = 0; i < box.ControlCount(); ++i) {
    TControl* c = box.Controls(i);
    c->SetBounds(MulDiv(c->Left(), ppi, 96), MulDiv(c->Top(), ppi, 96), MulDiv(c->Width(), ppi, 96),
                 MulDiv(c->Height(), ppi, 96));
  }
  box.SetClientWidth(MulDiv(box.ClientWidth(), ppi, 96));
  box.SetClientHeight(MulDiv(box.ClientHeight(), ppi, 96));
}

} // namespace

std::string ReplaceLineSeparators(const std::string& text, const std::string& separator) {
  size_t b = separator.find_first_not_of(" \t"), e = separator.find_last_not_of(" \t");
  if (b == std::string::npos) return text;
  std::string sep = separator.substr(b, e - b + 1);
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = text.find(sep, pos)) != std::string::npos; pos = hit + sep.size()) {
    out.append(text, pos, hit - pos);
    out += "\r\n";
  }
  out.append(text, pos, std::string::npos);
  return out;
}

void SetStandardButtonIds(TForm& box) {
  for (int i = 0; i < box.ComponentCount(); ++i) {
    auto* button = dynamic_cast<TButton*>(box.Components(i));
    if (!button) continue;
    int result = button->ModalResult();
    if (result < IDOK || result > IDNO) continue;
    // Commands reach the button by its window, not by this number, so it may be replaced.
    SetWindowLongPtrA(button->Handle(), GWLP_ID, result);
  }
}

// --- shared steps --------------------------------------------------------------------------------

TForm* TCustomMsgComponent::OwningForm() const {
  for (TComponent* c = Owner(); c; c = c->Owner()) {
    if (auto* form = dynamic_cast<TForm*>(c)) {
      if (form->FormStyle() == fsMDIChild && Application->MainForm())
        return Application->MainForm();
      return form;
    }
  }
  return nullptr;
}

void TCustomMsgComponent::PlaceBox(TForm& box) const {
  if (ComponentState().Contains(csDesigning)) return;
  TForm* owner = OwningForm();
  bool ownerShown = owner && owner->HandleAllocated() && IsWindowVisible(owner->Handle()) &&
                    !IsIconic(owner->Handle());
  if (FPosition == TMsgDlgPosition::poParentCenter && ownerShown) {
    RECT r;
    GetWindowRect(owner->Handle(), &r);
    int ownerWidth = r.right - r.left, ownerHeight = r.bottom - r.top;
    int left = r.left + ownerWidth / 2 - box.Width() / 2;
    int top = r.top + ownerHeight / 2 - box.Height() / 2;
    // Entirely on the screen (its top-left corner first when it is larger than the screen).
    left = std::max(std::min(left, Screen->Width() - box.Width()), 0);
    top = std::max(std::min(top, Screen->Height() - box.Height()), 0);
    box.SetPosition(poDesigned);
    box.SetBounds(left, top, box.Width(), box.Height());
  } else if (FPosition == TMsgDlgPosition::poDesigned) {
    box.SetPosition(poDesigned);
    box.SetBounds(FPositionLeft != -1 ? FPositionLeft : box.Left(),
                  FPositionTop != -1 ? FPositionTop : box.Top(), box.Width(), box.Height());
  }
  // Otherwise the place the box comes with: centred on the screen.
}

void TCustomMsgComponent::ApplyStayOnTop(TForm& box) const {
  TForm* owner = OwningForm();
  if (FStayOnTop == stAlways || (owner && owner->FormStyle() == fsStayOnTop))
    box.SetFormStyle(fsStayOnTop);
}

void TCustomMsgComponent::PlaySound() const {
  switch (FMsgBeep) {
  case TMsgDlgBeepType::mbNone:
    break;
  case TMsgDlgBeepType::mbStandard:
    MessageBeep(0xFFFFFFFF);
    break;
  case TMsgDlgBeepType::mbCriticalStop:
    MessageBeep(MB_ICONHAND);
    break;
  case TMsgDlgBeepType::mbQuestion:
    MessageBeep(MB_ICONQUESTION);
    break;
  case TMsgDlgBeepType::mbExclamation:
    MessageBeep(MB_ICONEXCLAMATION);
    break;
  case TMsgDlgBeepType::mbAsterisk:
  case TMsgDlgBeepType::mbInformation:
    MessageBeep(MB_ICONASTERISK);
    break;
  case TMsgDlgBeepType::mbWaveFile:
    // A file that cannot be played stays silent; the box shows all the same.
    if (!FWaveFile.empty()) sndPlaySoundA(FWaveFile.c_str(), SND_ASYNC | SND_NODEFAULT);
    break;
  }
}

void TCustomMsgComponent::StopSound() const {
  if (FMsgBeep != TMsgDlgBeepType::mbNone) sndPlaySoundA(nullptr, 0);
}

void TCustomMsgComponent::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomMsgComponent::DoClose() {
  if (OnClose) OnClose(this);
}

// --- message dialog ------------------------------------------------------------------------------

void TMessageDialog::SetMsgType(TMsgDlgType value) {
  FMsgType = value;
  TComponentState state = ComponentState();
  if (!state.Contains(csDesigning) || state.Contains(csLoading)) return;
  if (FMsgBeep == TMsgDlgBeepType::mbWaveFile && !FWaveFile.empty()) return;
  static const TMsgDlgBeepType beeps[] = {
      TMsgDlgBeepType::mbExclamation, TMsgDlgBeepType::mbCriticalStop,
      TMsgDlgBeepType::mbInformation, TMsgDlgBeepType::mbQuestion, TMsgDlgBeepType::mbNone};
  FMsgBeep = beeps[value];
}

void TMessageDialog::SetKind(TMessageKind kind) {
  static const TMsgDlgType types[] = {mtWarning, mtError, mtInformation, mtConfirmation};
  int i = static_cast<int>(kind);
  FMsgType = i >= 0 && i < 4 ? types[i] : mtCustom;
}

void TMessageDialog::SetButtonSet(TMessageButtons buttons) {
  static const std::pair<TMessageButtons, TMsgDlgBtn> map[] = {
      {TMessageButtons::Yes, mbYes},     {TMessageButtons::No, mbNo},
      {TMessageButtons::OK, mbOK},       {TMessageButtons::Cancel, mbCancel},
      {TMessageButtons::Abort, mbAbort}, {TMessageButtons::Help, mbHelp}};
  TMsgDlgButtons set;
  for (const auto& [bit, button] : map)
    if (Contains(buttons, bit)) set.Include(button);
  if ((set - TMsgDlgButtons{mbHelp}).Empty()) set.Include(mbOK);
  FButtons = set;
}

int TMessageDialog::Execute() {
  std::string text = ReplaceLineSeparators(FText, FLineSeparator);
  std::unique_ptr<TForm> box(CreateMessageDialog(text, FMsgType, FButtons));
  if (FButtons.Contains(FDefaultButton)) {
    TModalResult wanted = ModalResultOf(FDefaultButton);
    for (int i = 0; i < box->ComponentCount(); ++i) {
      auto* button = dynamic_cast<TButton*>(box->Components(i));
      if (!button) continue;
      bool isHelp = FDefaultButton == mbHelp && button->Caption() == "&Help";
      if ((wanted != mrNone && button->ModalResult() == wanted) || isHelp) {
        box->SetActiveControl(button);
        break;
      }
    }
  }
  // The Help button opens the box's topic.
  if (auto* help = dynamic_cast<TButton*>(box->FindComponent("Help"))) {
    int context = FHelpContext;
    help->OnClick = [context](TObject*) {
      if (context != 0) Application->HelpContext(context);
    };
  }
  PlaceBox(*box);
  if (!FCaption.empty()) box->SetCaption(FCaption);
  box->SetHelpContext(FHelpContext);
  ScaleBox(*box);
  ApplyStayOnTop(*box);
  SetStandardButtonIds(*box);
  TCursorScope cursor(FCursor);
  PlaySound();
  DoShow();
  int result;
  try {
    result = box->ShowModal();
  } catch (...) {
    StopSound();
    throw;
  }
  StopSound();
  DoClose();
  return result;
}

// --- input dialog --------------------------------------------------------------------------------

TInputDialogBox::TInputDialogBox(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetCaption("Input");
  SetClientWidth(272);
  SetClientHeight(96);
  Font().SetName("MS Sans Serif");
  Font().SetSize(8);
  Font().SetStyle({fsBold});
  Font().SetColor(clBlack);
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetWordWrap(true);
  Label1->SetBounds(10, 12, 257, 13);
  Label1->SetParent(this);
  Edit1 = new TEdit(this);
  Edit1->SetName("Edit1");
  Edit1->SetBounds(8, 32, 257, 21);
  Edit1->SetParent(this);
  OKBtn = new TBitBtn(this);
  OKBtn->SetName("OKBtn");
  OKBtn->SetKind(bkOK);
  OKBtn->SetBounds(56, 60, 77, 27);
  OKBtn->SetParent(this);
  CancelBtn = new TBitBtn(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetKind(bkCancel);
  CancelBtn->SetBounds(140, 60, 77, 27);
  CancelBtn->SetParent(this);
  SetActiveControl(Edit1);
}

bool TInputDialog::Execute() {
  TCursorScope cursor(FCursor);
  std::string prompt = ReplaceLineSeparators(FPrompt, FLineSeparator);
  auto box = std::make_unique<TInputDialogBox>(nullptr);
  box->SetCaption(FCaption);
  box->Label1->SetCaption(prompt);
  box->Edit1->SetText(FText);
  // The edit and the buttons stand below the label, however many lines the prompt takes.
  box->Edit1->SetTop(box->Label1->Top() + box->Label1->Height() + 7);
  box->OKBtn->SetTop(box->Edit1->Top() + box->Edit1->Height() + 8);
  box->CancelBtn->SetTop(box->OKBtn->Top());
  box->SetClientHeight(box->OKBtn->Top() + box->OKBtn->Height() + 8);
  box->SetPosition(poDesigned);
  box->SetBounds(Screen->Width() / 2 - box->Width() / 2, Screen->Height() / 2 - box->Height() / 2,
                 box->Width(), box->Height());
  ApplyStayOnTop(*box);
  PlaceBox(*box);
  box->SetHelpContext(FHelpContext);
  SetStandardButtonIds(*box);
  PlaySound();
  DoShow();
  bool ok;
  try {
    ok = box->ShowModal() == mrOk;
  } catch (...) {
    StopSound();
    throw;
  }
  if (ok && !ComponentState().Contains(csDesigning)) FText = box->Edit1->Text();
  StopSound();
  DoClose();
  return ok;
}
