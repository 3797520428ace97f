// Works a modal window of the main window as a user would, while it really runs: typed characters,
// keys, box selections and button clicks, one step per timer tick.
#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Messages.h"
#include "StdCtrls.h"

// A key pressed and released on a window, as the keyboard sends it.
inline void PressKey(HWND window, WORD key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
  ProcessMessages();
}

// The edit inside a drop-down combo box.
inline HWND ComboEdit(TComboBox& box) {
  return FindWindowExA(box.Handle(), nullptr, "Edit", nullptr);
}

// Replaces an edit's text by typing: everything selected, wiped out, then each character.
inline void TypeInto(HWND edit, const std::string& text) {
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  PostMessageA(edit, WM_CHAR, VK_BACK, 1);
  for (char c : text)
    PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
  ProcessMessages();
}

inline void ClickButton(TButton& button) {
  SendMessageA(button.Handle(), BM_CLICK, 0, 0);
  ProcessMessages();
}

// The focused window is the control, or the edit of the combo box.
inline bool HasFocus(TWinControl& control) {
  HWND focus = GetFocus();
  return focus && (focus == control.Handle() || GetParent(focus) == control.Handle());
}

// One answer of the modal seam that lets the next modal window run for real and works it step by
// step; a window a step left open by mistake ends after 20 s so that the test fails, not hangs.
class TModalScript {
public:
  using TStep = std::function<void(TForm&)>;
  TModalAnswers::TAnswer Run(std::vector<TStep> steps) {
    return [this, steps](TModalRequest& r) {
      TForm* form = r.Form;
      auto timer = std::make_unique<TTimer>(nullptr);
      TTimer* t = timer.get();
      FTimers.push_back(std::move(timer));
      auto next = std::make_shared<size_t>(0);
      const DWORD start = GetTickCount();
      t->SetInterval(30);
      t->OnTimer = [t, form, steps, next, start](TObject*) {
        if (!form->Modal()) {
          t->SetEnabled(false);
          return;
        }
        if (*next < steps.size()) {
          t->SetEnabled(false);
          steps[(*next)++](*form);
          ProcessMessages();
          t->SetEnabled(true);
        } else if (GetTickCount() - start > 20000) {
          form->SetModalResult(mrAbort);
        }
      };
      t->SetEnabled(true);
      return mrRunModal;
    };
  }

private:
  std::vector<std::unique_ptr<TTimer>> FTimers;
};

// A message box as the seam saw it.
struct TBoxSeen {
  std::string Caption, Text;
  std::vector<int> Ids; // the window identifiers of its answering buttons
  int HelpContext = -1;
};

// Answers a message box with result and records it.
inline TModalAnswers::TAnswer RecordBox(int result, std::vector<TBoxSeen>& log) {
  return [result, &log](TModalRequest& r) {
    TBoxSeen seen;
    seen.Caption = r.Caption;
    seen.Text = r.Text;
    if (TForm* f = r.Form) {
      seen.HelpContext = f->HelpContext();
      for (int i = 0; i < f->ComponentCount(); ++i)
        if (auto* b = dynamic_cast<TButton*>(f->Components(i)); b && b->ModalResult() != mrNone)
          seen.Ids.push_back(GetDlgCtrlID(b->Handle()));
    }
    log.push_back(seen);
    return result;
  };
}
