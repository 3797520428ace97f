// The Options menu's commands for the default MIDI player and the start with Windows.
#include "FileAssocCommands.h"
#include "FileAssoc.h"
#include "SysUtils.h"
#include <windows.h>
#include <shellapi.h>

TFileAssocCommands::TFileAssocCommands(const TItems& items, const std::string& programPath)
    : FItems(items), FProgramPath(programPath), FProgramFolder(ExtractFilePath(programPath)) {
  OpenWebPage = [](const std::string& url) {
    return reinterpret_cast<intptr_t>(
        ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  };
}

TMessageAnswer TFileAssocCommands::Box(const std::string& text, TMessageKind kind,
                                       TMessageButtons buttons) {
  return ShowMessageBox ? ShowMessageBox(text, kind, 0, buttons) : TMessageAnswer::None;
}

void TFileAssocCommands::MIDIdefaultClick() {
  // A backup that cannot be written raises; it reaches the application's handler.
  ClaimExtension(".mid", FProgramFolder + OldMidKeyFile);
  ClaimExtension(".rmi", FProgramFolder + OldRmiKeyFile);
  FItems.MIDIrestore->SetEnabled(true);
  FItems.MIDIdefault->SetEnabled(false);
  if (!(Ending && Ending()))
    Box("Tonalbrook has been set as your default Windows MIDI Player.", TMessageKind::Information,
        TMessageButtons::OK);
}

void TFileAssocCommands::MIDIrestoreClick() {
  if (Box("Are you sure you want to restore the original default Windows MIDI player?",
          TMessageKind::Confirmation,
          TMessageButtons::Yes | TMessageButtons::No) != TMessageAnswer::Yes)
    return;
  TRestoredPlayer restored = RestoreDefaultPlayer(FProgramFolder);
  FItems.MIDIdefault->SetEnabled(restored.Mid);
  FItems.MIDIrestore->SetEnabled(!restored.Mid);
  if (!restored.Mid)
    OfferSupportOnFailure("Unable to restore the original default MIDI player!");
  else
    Box("Your original default Windows MIDI player setting has been restored.",
        TMessageKind::Information, TMessageButtons::OK);
}

void TFileAssocCommands::OfferSupportOnFailure(const std::string& text) {
  MessageBeep(MB_OK);
  if (Box(text + "\r\n\r\n" +
              "Do you wish to get help from Technical Support (you must be connected to the "
              "Internet)?",
          TMessageKind::Warning, TMessageButtons::Yes | TMessageButtons::No) != TMessageAnswer::Yes)
    return;
  if (RepaintMainWindow) RepaintMainWindow();
  if (OpenWebPage(SupportPage) <= 32)
    Box(std::string("Unable to open the Technical Support page.\r\n\r\nPlease connect to the "
                    "Internet and open ") +
            SupportPage + " yourself.",
        TMessageKind::Warning, TMessageButtons::Abort);
}

void TFileAssocCommands::ApplyLaunchChoice() {
  FItems.Not1->SetChecked(!FItems.Normal1->Checked() && !FItems.Minimized1->Checked());
  FItems.LaunchOnWinStart->SetChecked(FItems.Normal1->Checked() || FItems.Minimized1->Checked());
  SetLaunchOnStart(FItems.Normal1->Checked(), FItems.Minimized1->Checked(), FProgramPath);
}

void TFileAssocCommands::Normal1Click() {
  FItems.Normal1->SetChecked(!FItems.Normal1->Checked());
  FItems.Minimized1->SetChecked(false);
  ApplyLaunchChoice();
}

void TFileAssocCommands::Minimized1Click() {
  FItems.Minimized1->SetChecked(!FItems.Minimized1->Checked());
  FItems.Normal1->SetChecked(false);
  ApplyLaunchChoice();
}

void TFileAssocCommands::Not1Click() {
  FItems.Normal1->SetChecked(false);
  FItems.Minimized1->SetChecked(false);
  ApplyLaunchChoice();
}
