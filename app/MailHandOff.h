// The main window's way to the mail window; the mail window registers itself once it exists.
#pragma once
#include <string>

class TStringList;

class TMailWindowLink {
public:
  virtual ~TMailWindowLink() = default;
  virtual void SetMailCaption(const std::string& caption) = 0;
  virtual void ShowMailWindow() = 0;
  // The first panel of the mail window's status bar.
  virtual void SetMailStatus(const std::string& text) = 0;
  // Exports and attaches the titles of these master keys (decimal text, one per line).
  virtual void AttachTitles(const TStringList& masterKeys) = 0;
  // True, after telling the user, when the window is sending and so must keep its rows.
  virtual bool RefusedWhileBusy() { return false; }
};

// Registers the mail window (nullptr when it goes); none until the mail window is built.
void RegisterMailWindow(TMailWindowLink* link);
TMailWindowLink* MailWindowLink();
