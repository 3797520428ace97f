// Message dialogs and the modal test seam.
#include "Dialogs.h"
#include <commdlg.h>
#include "MessageBox.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"
#include <memory>
#include "SysUtils.h"
#include "Guard.h"
#include <algorithm>

namespace {
TModalAnswers* gAnswers = nullptr;

void InstallHooks() {
  if (!gAnswers) {
    SetModalHook(nullptr);
    SetMessageBoxHook(nullptr);
    return;
  }
  SetModalHook([](TForm& form, int& result) {
    TModalRequest request;
    request.Kind = form.ClassName();
    request.Caption = form.Caption();
    if (auto m = dynamic_cast<TMessageForm*>(&form)) request.Text = m->MessageText();
    request.Form = &form;
    bool runModal = false;
    result = gAnswers->Answer(request, runModal);
    return !runModal;
  });
  SetMessageBoxHook([](const std::string& text, const std::string& caption, unsigned flags) {
    TModalRequest request;
    request.Kind = "MessageBox";
    request.Caption = caption;
    request.Text = text;
    request.Flags = flags;
    bool runModal = false;
    int result = gAnswers->Answer(request, runModal);
    return runModal ? IDCANCEL : result;
  });
}
} // namespace

TModalAnswers::TModalAnswers() : FPrevious(gAnswers) {
  gAnswers = this;
  InstallHooks();
}

TModalAnswers::~TModalAnswers() {
  gAnswers = FPrevious;
  InstallHooks();
}

void TModalAnswers::Push(int modalResult) {
  FQueue.push_back([modalResult](TModalRequest&) { return modalResult; });
}

void TModalAnswers::Push(TAnswer answer) {
  FQueue.push_back(std::move(answer));
}

void TModalAnswers::Clear() {
  FQueue.clear();
  FAsked.clear();
  FUnanswered = 0;
}

int TModalAnswers::Answer(TModalRequest& request, bool& runModal) {
  int result = mrCancel;
  if (FQueue.empty()) {
    ++FUnanswered;
  } else {
    TAnswer answer = std::move(FQueue.front());
    FQueue.pop_front();
    result = answer(request);
  }
  runModal = result == mrRunModal;
  request.Form = nullptr;
  FAsked.push_back(request);
  return result;
}

bool AnswerCommonDialog(const std::string& kind, const std::string& caption, TObject* dialog,
                        int& result) {
  if (!gAnswers) return false;
  TModalRequest request;
  request.Kind = kind;
  request.Caption = caption;
  request.Dialog = dialog;
  bool runModal = false;
  result = gAnswers->Answer(request, runModal);
  return !runModal;
}

// --- colour dialog
// ---------------------------------------------------------------------------------

bool TColorDialog::Execute() {
  if (gAnswers) {
    TModalRequest request;
    request.Kind = "TColorDialog";
    request.Dialog = this;
    bool runModal = false;
    int result = gAnswers->Answer(request, runModal);
    if (!runModal) return result == mrOk;
  }
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof(cc);
  TWinControl* owner = dynamic_cast<TWinControl*>(Owner());
  cc.hwndOwner = owner && owner->HandleAllocated() ? owner->Handle() : GetActiveWindow();
  cc.rgbResult = ColorToRGB(FColor);
  cc.lpCustColors = FCustom;
  cc.Flags = CC_RGBINIT;
  if (!ChooseColorA(&cc)) return false;
  FColor = static_cast<TColor>(cc.rgbResult);
  return true;
}

// --- save dialog
// -----------------------------------------------------------------------------------

namespace {

// The system's file dialog comes up where the system likes (under Wine, the screen's top left):
// once it has laid itself out it is centred over the window that owns it, kept on the screen's
// work area.
UINT_PTR CALLBACK CentreOverOwner(HWND hook, UINT msg, WPARAM, LPARAM lp) {
  return Guard<UINT_PTR>(0, [&]() -> UINT_PTR {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lp)->code != CDN_INITDONE) return 0;
    HWND dialog = GetParent(hook);
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!owner || IsIconic(owner) || !IsWindowVisible(owner)) return 0;
    RECT over{}, box{}, work{};
    GetWindowRect(owner, &over);
    GetWindowRect(dialog, &box);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    work = monitor.rcWork;
    const int w = box.right - box.left, h = box.bottom - box.top;
    int left = (over.left + over.right - w) / 2, top = (over.top + over.bottom - h) / 2;
    left = std::max<int>(work.left, std::min<int>(left, work.right - w));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - h));
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  });
}

} // namespace

bool TSaveDialog::Execute() {
  if (gAnswers) {
    TModalRequest request;
    request.Kind = "TSaveDialog";
    request.Caption = FTitle;
    request.Dialog = this;
    bool runModal = false;
    int result = gAnswers->Answer(request, runModal);
    if (!runModal) return result == mrOk;
  }
  // The filter's bars become the nulls the system expects, with a double null at the end.
  std::string filter = FFilter;
  for (char& c : filter)
    if (c == '|') c = '\0';
  filter.push_back('\0');
  filter.push_back('\0');
  std::vector<char> name(MAX_PATH * 4, '\0');
  FFileName.copy(name.data(), name.size() - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  TWinControl* owner = dynamic_cast<TWinControl*>(Owner());
  ofn.hwndOwner = owner && owner->HandleAllocated() ? owner->Handle() : GetActiveWindow();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(FFilterIndex);
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrInitialDir = FInitialDir.empty() ? nullptr : FInitialDir.c_str();
  ofn.lpstrTitle = FTitle.empty() ? nullptr : FTitle.c_str();
  // The hook only places the dialog; without ENABLESIZING a hooked dialog could not be resized.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
              OFN_ENABLEHOOK | OFN_ENABLESIZING;
  ofn.lpfnHook = CentreOverOwner;
  if (FOptions.Contains(TSaveOption::ShowHelp)) ofn.Flags |= OFN_SHOWHELP;
  if (FOptions.Contains(TSaveOption::OverwritePrompt)) ofn.Flags |= OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameA(&ofn)) return false;
  FFileName = name.data();
  FFilterIndex = static_cast<int>(ofn.nFilterIndex);
  return true;
}

// --- message dialogs
// --------------------------------------------------------------------------------

TModalResult ModalResultOf(TMsgDlgBtn button) {
  static const TModalResult results[] = {mrYes,    mrNo,  mrOk,      mrCancel,   mrAbort, mrRetry,
                                         mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
  return results[button];
}

void TMessageForm::InitWnd() {
  TForm::InitWnd();
  CreateWindowExA(0, "STATIC", FMessageText.c_str(), WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0, Handle(),
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(0xFFFF)), HInstance(), nullptr);
}

TForm* CreateMessageDialog(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  static const char* const captions[] = {"Warning", "Error", "Information", "Confirm", ""};
  static const LPCSTR icons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION, nullptr};
  static const char* const buttonCaptions[] = {"&Yes",       "&No",         "OK",      "Cancel",
                                               "&Abort",     "&Retry",      "&Ignore", "&All",
                                               "N&o to All", "Yes to &All", "&Help"};
  auto* form = new TMessageForm(nullptr);
  try {
    form->FMessageText = text;
    form->SetBorderStyle(bsDialog);
    form->SetPosition(poScreenCenter);
    form->SetCaption(type == mtCustom ? Application->Title() : captions[type]);
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof(ncm);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0))
      form->Font().AssignLogFont(ncm.lfMessageFont);

    // Measure the text and the buttons in the form's font.
    TBitmap probe(1, 1);
    probe.Canvas().Font().Assign(form->Font());
    RECT textRect{0, 0, Screen->Width() / 2, 0};
    probe.Canvas().DrawText(text, textRect,
                            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    int lineHeight = probe.Canvas().TextHeight("Xy");
    int buttonWidth = 75, buttonHeight = std::max(23, lineHeight + 10), gap = 8, margin = 12;
    std::vector<TMsgDlgBtn> list;
    for (int b = mbYes; b <= mbHelp; ++b)
      if (buttons.Contains(static_cast<TMsgDlgBtn>(b))) list.push_back(static_cast<TMsgDlgBtn>(b));
    for (TMsgDlgBtn b : list)
      buttonWidth = std::max(buttonWidth, probe.Canvas().TextWidth(buttonCaptions[b]) + 16);

    int left = margin;
    if (icons[type]) {
      auto* image = new TImage(form);
      image->SetName("Image");
      image->SetBounds(margin, margin, 32, 32);
      image->Picture().Icon().SetHandle(CopyIcon(LoadIconA(nullptr, icons[type])));
      image->SetParent(form);
      left += 32 + margin;
    }
    auto* message = new TLabel(form);
    message->SetName("Message");
    message->SetWordWrap(true);
    message->SetAutoSize(false);
    message->SetShowAccelChar(false);
    message->SetBounds(left, margin, textRect.right + 4, textRect.bottom);
    message->SetCaption(text);
    message->SetParent(form);

    int rowWidth = static_cast<int>(list.size()) * (buttonWidth + gap) - gap;
    int clientWidth = std::max<int>(left + textRect.right + 4 + margin, rowWidth + 2 * margin);
    int top = margin + std::max<int>(textRect.bottom, icons[type] ? 32 : 0) + margin;
    int x = (clientWidth - rowWidth) / 2;
    bool first = true;
    for (TMsgDlgBtn b : list) {
      auto* button = new TButton(form);
      button->SetName(std::string(buttonCaptions[b]).substr(buttonCaptions[b][0] == '&'));
      button->SetCaption(buttonCaptions[b]);
      button->SetModalResult(ModalResultOf(b));
      button->SetBounds(x, top, buttonWidth, buttonHeight);
      if (first) button->SetDefault(true);
      if (b == mbCancel || (b == mbNo && !buttons.Contains(mbCancel)) || (list.size() == 1))
        button->SetCancel(true);
      button->SetParent(form);
      if (first) form->SetActiveControl(button);
      first = false;
      x += buttonWidth + gap;
    }
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(top + buttonHeight + margin);
  } catch (...) {
    delete form;
    throw;
  }
  return form;
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
  std::unique_ptr<TForm> form(CreateMessageDialog(text, type, buttons));
  form->SetHelpContext(helpContext);
  return form->ShowModal();
}

void ShowMessage(const std::string& text) {
  std::unique_ptr<TForm> form(CreateMessageDialog(text, mtCustom, {mbOK}));
  form->ShowModal();
}
