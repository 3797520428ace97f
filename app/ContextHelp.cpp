// Help mode, the Help menu's commands and the help contexts of the main window's controls.
#include <windows.h>
#include "Forms.h"
#include "MainServices.h"
#include "ContextHelp.h"
#include "Buttons.h"
#include "ExtCtrls.h"
#include "ExtListView.h"
#include "ExtPage.h"
#include "MyStringGrid.h"
#include "FileAssocCommands.h"
#include "Menus.h"

namespace {
// Contexts of our own for the controls and commands that take part without one of their own.
constexpr int LoadContext = 40, ScanDriveContext = 41, ScanSystemContext = 42,
              PlayerDisplayContext = 43, AlbumListContext = 44, ViewTitlesContext = 45,
              PortContext = 46, PlayerCommandsContext = 47, NoSoundContext = 23;
} // namespace

bool TContextHelp::ContextHelpClick(TObject* Sender, bool Force) {
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

int TContextHelp::MenuHelpContext(TObject* item) const {
  auto found = FMenuHelpContexts.find(item);
  return found == FMenuHelpContexts.end() ? 0 : found->second;
}

void TContextHelp::Contextsensitive1Click(TObject*) {
  Screen->SetCursor(HelpCursor);
}

void TContextHelp::Hintlevel1Click(TObject*) {
  FHintlevel1->SetChecked(!FHintlevel1->Checked());
  Application->SetShowHint(FHintlevel1->Checked());
}

void TContextHelp::Viewhelpfile1Click(TObject*) {
  if (HelpCall) HelpCall(HELP_FINDER, 0);
}

void TContextHelp::Nosound1Click(TObject*) {
  if (HelpCall) HelpCall(HELP_CONTEXT, NoSoundContext);
}

void TContextHelp::Email1Click(TObject*) {
  if (FContext.OpenWebPage(SupportMail) <= 32)
    FContext.Window.ShowMessageBox("Opening your e-mail program failed.\n\nPlease write to "
                                   "support@tonalbrook.example yourself.",
                                   TMessageKind::Warning, 0, TMessageButtons::OK);
}

void TContextHelp::Phone1Click(TObject*) {
  FContext.Window.ShowMessageBox(std::string("Tonalbrook support by telephone:\n\n") +
                                     SupportPhones,
                                 TMessageKind::Information, 0, TMessageButtons::OK);
}

void TContextHelp::Web1Click(TObject*) {
  if (FContext.OpenWebPage(TFileAssocCommands::SupportPage) <= 32)
    FContext.Window.ShowMessageBox(
        std::string("Opening the support page failed.\n\nPlease visit ") +
            TFileAssocCommands::SupportPage + " yourself.",
        TMessageKind::Warning, 0, TMessageButtons::OK);
}

void TContextHelp::BuildHelpMenu(TMenuItem& helpMenu) {
  auto item = [this, &helpMenu](const std::string& name, const std::string& caption,
                                void (TContextHelp::*click)(TObject*)) {
    TMenuItem* m = NewMenuItem(&FContext.Owner, helpMenu, name, caption);
    if (click) m->OnClick = [this, click](TObject* s) { (this->*click)(s); };
    return m;
  };
  item("Contextsensitive1", "&Use help cursor", &TContextHelp::Contextsensitive1Click);
  item("Viewhelpfile1", "&View help file", &TContextHelp::Viewhelpfile1Click);
  FHintlevel1 = item("Hintlevel1", "&Show hints", &TContextHelp::Hintlevel1Click);
  item("N40", "-", nullptr);
  item("Nosound1", "No &sound?", &TContextHelp::Nosound1Click);
  item("N41", "-", nullptr);
  item("Email1", "&Email", &TContextHelp::Email1Click);
  item("Phone1", "&Phone", &TContextHelp::Phone1Click);
  item("Web1", "&Web", &TContextHelp::Web1Click);
  item("N42", "-", nullptr);
  HelpCall = [](unsigned command, ULONG_PTR data) {
    return Application->HelpCommand(command, data);
  };
}

void TContextHelp::WireContextHelp(const TContextHelpParts& parts) {
  const std::pair<TControl*, int> contexts[] = {{parts.AllCatGrid, 12},
                                                {parts.Categories, 18},
                                                {parts.Albums, 1033},
                                                {parts.Play, 4},
                                                {parts.PlayReplace, 3},
                                                {parts.NewAlb, 5},
                                                {parts.EditCat, 6},
                                                {parts.ExportTitle, 8},
                                                {parts.TrashCat, 9},
                                                {parts.Archive, 21},
                                                {parts.MailTitle, 27},
                                                {parts.PrintCat, 31},
                                                {parts.GetLocal, LoadContext},
                                                {parts.BitBtn1, ScanSystemContext},
                                                {parts.BitBtn2, ScanDriveContext},
                                                {parts.TopPanel, PlayerDisplayContext},
                                                {parts.AllAlbLV, AlbumListContext},
                                                {parts.OutPort, PortContext},
                                                {parts.Back, PlayerCommandsContext},
                                                {parts.PlayNext, PlayerCommandsContext},
                                                {parts.RepeatSB, PlayerCommandsContext},
                                                {parts.Shuffle, PlayerCommandsContext},
                                                {parts.MusicClear, PlayerCommandsContext},
                                                {parts.Pause, PlayerCommandsContext},
                                                {parts.OneStop, PlayerCommandsContext},
                                                {parts.AllStop, PlayerCommandsContext},
                                                {parts.ProgView, ViewTitlesContext}};
  for (const auto& [control, context] : contexts)
    if (control) control->SetHelpContext(context);
  const std::pair<TObject*, int> menuContexts[] = {
      {parts.GetLocal2, LoadContext},
      {parts.ScanadriveforMIDIfiles1, ScanDriveContext},
      {parts.ScansystemforMIDIfiles1, ScanSystemContext},
      {parts.Viewtitles1, ViewTitlesContext},
      {FContext.Owner.FindComponent("Createnew1"), 5},
      {FContext.Owner.FindComponent("Createnew2"), 18},
      {parts.N19, PortContext},
      {parts.Volume2, PlayerCommandsContext}};
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
  for (TControl* c : std::initializer_list<TControl*>{
           parts.Play, parts.PlayReplace, parts.EditCat, parts.MailTitle, parts.ExportTitle,
           parts.TrashCat, parts.PrintCat, parts.Archive, parts.NewAlb, parts.GetLocal,
           parts.BitBtn1, parts.BitBtn2})
    if (c && c->OnClick) first(c->OnClick); // the gate keeps handler-less buttons disabled
  // The grids ask help themselves, for every way into their commands (the window wires them).
  for (TControl* c : std::initializer_list<TControl*>{parts.TopPanel, parts.AllAlbLV})
    first(c->OnClick);
  first(parts.AllAlbLV->OnReturn); // Enter on an album's line is its click
  // The program's and the player's buttons.
  for (TControl* c : std::initializer_list<TControl*>{parts.Back, parts.PlayNext, parts.RepeatSB,
                                                      parts.Shuffle, parts.MusicClear, parts.Pause,
                                                      parts.OneStop, parts.AllStop, parts.ProgView})
    first(c->OnClick);
  for (TComponent* o : std::initializer_list<TComponent*>{
           parts.GetLocal2, parts.ScanadriveforMIDIfiles1, parts.ScansystemforMIDIfiles1,
           parts.Viewtitles1, FContext.Owner.FindComponent("Createnew1"),
           FContext.Owner.FindComponent("Createnew2")})
    if (auto* m = dynamic_cast<TMenuItem*>(o); m && m->OnClick) first(m->OnClick);
  // A mouse down on either row of tabs in help mode shows help and starts no drag.
  for (TExtPageControl* tabs : {parts.Categories, parts.Albums}) {
    TMouseEvent down = tabs->OnMouseDown;
    tabs->OnMouseDown = [this, down](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      if (b == mbLeft && ContextHelpClick(s)) return;
      if (down) down(s, b, sh, x, y);
    };
  }
  // The right button on the tab rows and the album list offers itself to help before the pop-up.
  for (TControl* c :
       std::initializer_list<TControl*>{parts.Categories, parts.Albums, parts.AllAlbLV})
    c->OnContextPopup = [this](TObject* s, POINT, bool& handled) { handled = ContextHelpClick(s); };
}

TContextHelp::TContextHelp(const TContextHelpContext& context) : FContext(context) {}

TContextHelp::~TContextHelp() = default;
