// Message dialogs and the modal test seam.
#include "Dialogs.h"
#include "MessageBox.h"
#include "SysUtils.h"
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
