// Help mode, the Help menu's commands and the help contexts of the main window's controls.
#include <windows.h>
#include "MainCodeD2.h"

namespace {
// Contexts of our own for the controls and commands that take part without one of their own.
constexpr int LoadContext = 40, ScanDriveContext = 41, ScanSystemContext = 42,
              PlayerDisplayContext = 43, AlbumListContext = 44, ViewTitlesContext = 45,
              PortContext = 46, PlayerCommandsContext = 47, NoSoundContext = 23;
} // namespace

bool TMasterFrm::ContextHelpClick(TObject* Sender, bool Force) {
  if (Screen->Cursor() != HelpCursor && !Force) return false;
  Screen->SetCursor(crDefault);
  int context = 0;
  if (auto* control = dynamic_cast<TControl*>(Sender))
    context = control->HelpContext();
  else
    context = MenuHelpContext(Sender);
  if (context > 0) {
    // A help system that is missing or fails leaves the click taken all the same.
    try {
      if (HelpCall) HelpCall(HELP_CONTEXTPOPUP, static_cast<ULONG_PTR>(context));
    } catch (const std::exception&) {
    }
  }
  return true;
}

int TMasterFrm::MenuHelpContext(TObject* item) const {
  auto found = FMenuHelpContexts.find(item);
  return found == FMenuHelpContexts.end() ? 0 : found->second;
}

void TMasterFrm::Contextsensitive1Click(TObject*) {
  Screen->SetCursor(HelpCursor);
}

void TMasterFrm::Hintlevel1Click(TObject*) {
  FHintlevel1->SetChecked(!FHintlevel1->Checked());
  Application->SetShowHint(FHintlevel1->Checked());
}

void TMasterFrm::Viewhelpfile1Click(TObject*) {
  if (HelpCall) HelpCall(HELP_FINDER, 0);
}

void TMasterFrm::Nosound1Click(TObject*) {
  if (HelpCall) HelpCall(HELP_CONTEXT, NoSoundContext);
}

void TMasterFrm::Email1Click(TObject*) {
  if (FAssocCommands->OpenWebPage(SupportMail) <= 32)
    ShowMessageBox("Opening your e-mail program failed.\n\nPlease write to "
                   "support@tonalbrook.example yourself.",
                   TMessageKind::Warning, 0, TMessageButtons::OK);
}

void TMasterFrm::Phone1Click(TObject*) {
  ShowMessageBox(std::string("Tonalbrook support by telephone:\n\n") + SupportPhones,
                 TMessageKind::Information, 0, TMessageButtons::OK);
}

void TMasterFrm::Web1Click(TObject*) {
  if (FAssocCommands->OpenWebPage(TFileAssocCommands::SupportPage) <= 32)
    ShowMessageBox(std::string("Opening the support page failed.\n\nPlease visit ") +
                       TFileAssocCommands::SupportPage + " yourself.",
                   TMessageKind::Warning, 0, TMessageButtons::OK);
}

void TMasterFrm::BuildHelpMenu() {
  auto item = [this](const std::string& name, const std::string& caption,
                     void (TMasterFrm::*click)(TObject*)) {
    TMenuItem* m = NewMenuItem(this, *FHelp1, name, caption);
    if (click) m->OnClick = [this, click](TObject* s) { (this->*click)(s); };
    return m;
  };
  FContextsensitive1 =
      item("Contextsensitive1", "&Use help cursor", &TMasterFrm::Contextsensitive1Click);
  FViewhelpfile1 = item("Viewhelpfile1", "&View help file", &TMasterFrm::Viewhelpfile1Click);
  FHintlevel1 = item("Hintlevel1", "&Show hints", &TMasterFrm::Hintlevel1Click);
  item("N40", "-", nullptr);
  FNosound1 = item("Nosound1", "No &sound?", &TMasterFrm::Nosound1Click);
  item("N41", "-", nullptr);
  FEmail1 = item("Email1", "&Email", &TMasterFrm::Email1Click);
  FPhone1 = item("Phone1", "&Phone", &TMasterFrm::Phone1Click);
  FWeb1 = item("Web1", "&Web", &TMasterFrm::Web1Click);
  item("N42", "-", nullptr);
  HelpCall = [](unsigned command, ULONG_PTR data) {
    return Application->HelpCommand(command, data);
  };
}

void TMasterFrm::WireContextHelp() {
  const std::pair<TControl*, int> contexts[] = {{FAllCatGrid, 12},
                                                {FCategories, 18},
                                                {FAlbums, 1033},
                                                {FPlay, 4},
                                                {FPlayReplace, 3},
                                                {FNewAlb, 5},
                                                {FEditCat, 6},
                                                {FExportTitle, 8},
                                                {FTrashCat, 9},
                                                {FArchive, 21},
                                                {FMailTitle, 27},
                                                {FPrintCat, 31},
                                                {FGetLocal, LoadContext},
                                                {FBitBtn1, ScanSystemContext},
                                                {FBitBtn2, ScanDriveContext},
                                                {FTopPanel, PlayerDisplayContext},
                                                {FAllAlbLV, AlbumListContext},
                                                {FOutPort, PortContext},
                                                {FBack, PlayerCommandsContext},
                                                {FPlayNext, PlayerCommandsContext},
                                                {FRepeatSB, PlayerCommandsContext},
                                                {FShuffle, PlayerCommandsContext},
                                                {FMusicClear, PlayerCommandsContext},
                                                {FPause, PlayerCommandsContext},
                                                {FOneStop, PlayerCommandsContext},
                                                {FAllStop, PlayerCommandsContext},
                                                {FProgView, ViewTitlesContext}};
  for (const auto& [control, context] : contexts)
    if (control) control->SetHelpContext(context);
  const std::pair<TObject*, int> menuContexts[] = {{FGetLocal2, LoadContext},
                                                   {FScanadriveforMIDIfiles1, ScanDriveContext},
                                                   {FScansystemforMIDIfiles1, ScanSystemContext},
                                                   {FViewtitles1, ViewTitlesContext},
                                                   {FindComponent("Createnew1"), 5},
                                                   {FindComponent("Createnew2"), 18},
                                                   {FN19, PortContext},
                                                   {FVolume2, PlayerCommandsContext}};
  for (const auto& [item, context] : menuContexts)
    if (item) FMenuHelpContexts[item] = context;

  // Help mode looks first; the click acts only when help did not take it. Handlers that ask
  // help themselves are simply asked twice, the second time outside help mode.
  auto first = [this](TNotifyEvent& event) {
    TNotifyEvent acting = event;
    event = [this, acting](TObject* s) {
      if (ContextHelpClick(s)) return;
      if (acting) acting(s);
    };
  };
  for (TControl* c : std::initializer_list<TControl*>{FPlay, FPlayReplace, FEditCat, FMailTitle,
                                                      FExportTitle, FTrashCat, FPrintCat, FArchive,
                                                      FNewAlb, FGetLocal, FBitBtn1, FBitBtn2})
    if (c && c->OnClick) first(c->OnClick); // the gate keeps handler-less buttons disabled
  for (TControl* c : std::initializer_list<TControl*>{FTopPanel, FAllCatGrid, FAllAlbLV})
    first(c->OnClick);
  // The program's and the player's buttons.
  for (TControl* c :
       std::initializer_list<TControl*>{FBack, FPlayNext, FRepeatSB, FShuffle, FMusicClear, FPause,
                                        FOneStop, FAllStop, FProgView})
    first(c->OnClick);
  for (TComponent* o : std::initializer_list<TComponent*>{
           FGetLocal2, FScanadriveforMIDIfiles1, FScansystemforMIDIfiles1, FViewtitles1,
           FindComponent("Createnew1"), FindComponent("Createnew2")})
    if (auto* m = dynamic_cast<TMenuItem*>(o); m && m->OnClick) first(m->OnClick);
  // A mouse down on either row of tabs in help mode shows help and starts no drag.
  for (TExtPageControl* tabs : {FCategories, FAlbums}) {
    TMouseEvent down = tabs->OnMouseDown;
    tabs->OnMouseDown = [this, down](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      if (b == mbLeft && ContextHelpClick(s)) return;
      if (down) down(s, b, sh, x, y);
    };
  }
  // The right button on the tab rows and the album list offers itself to help before the pop-up.
  for (TControl* c : std::initializer_list<TControl*>{FCategories, FAlbums, FAllAlbLV})
    c->OnContextPopup = [this](TObject* s, POINT, bool& handled) { handled = ContextHelpClick(s); };
}
