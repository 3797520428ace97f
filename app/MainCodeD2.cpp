// The main window: its parts, start-up in three steps, requests from outside and shutdown.
#include "MainCodeD2.h"
#include "DragCommands.h"
#include "MainLayout.h"
#include "RequestCommands.h"
#include "MainViewCommands.h"
#include "MainPlay.h"
#include "ImportCommands.h"
#include "VisualEffects.h"
#include "EditCommands.h"
#include "CatalogueCommands.h"
#include "PlayerCommands.h"
#include "TableCommands.h"
#include "ContextHelp.h"
#include "ScanCommands.h"
#include "ExportCommands.h"
#include "FeatureHost.h"
#include "MailServices.h"
#include "PrintCommands.h"
#include "MailWindowHost.h"
#include <windows.h>
#include <shellapi.h>
#include <algorithm>
#include <memory>
#include "AboutCodeD2.h"
#include "ArchiveCodeD2.h"
#include "CreateArchiveCodeD2.h"
#include "DriveScanCodeD2.h"
#include "GetLocalCodeD2.h"
#include "ScanFormCodeD2.h"
#include "FileAssoc.h"
#include "Guard.h"
#include "Handles.h"
#include "IniFiles.h"
#include "ManageNPICode.h"
#include "MessageBox.h"
#include "Messages.h"
#include "OnceOnly.h"
#include "PlugInDirs.h"
#include "PrintParamD2.h"
#include "FolderTools.h"
#include "SplashCodeD2.h"
#include "SysUtils.h"
#include "ViewProgCode.h"
#include "finalMain.h"
#include "CDPanel.h"
#include "CatalogueDamage.h"
#include "DataCodeD2.h"
#include "FileAssocCommands.h"
#include "MainViews.h"
#include "Menus.h"
#include "UnMIDICode.h"

TMasterFrm* MasterFrm = nullptr;

namespace {

// The plug-in sends its request in a global atom with this message.
constexpr UINT WM_PLUGINREQUEST = WM_USER + 687;

// The start-up questions' buttons.
constexpr TMessageButtons YesNoHelp =
    TMessageButtons::Yes | TMessageButtons::No | TMessageButtons::Help;

// Masks by which the work folders are emptied at every start; "TempTrash" keeps its ".mid"
// files and "BackUp" is never emptied.
const std::vector<std::string> TuneMasks = {"*.mid", "*.rmi", "*.zip", "*.gif", "*.jpg"};
const std::vector<std::string> TrashMasks = {"*.dat", "*.rmi", "*.zip", "*.gif", "*.jpg"};

} // namespace

TMasterFrm::~TMasterFrm() {
  SetMailServicesHost(nullptr);
  FVisualEffects->FormDestroy(this);
  FNavPITimer->SetEnabled(false);
  FQueueTimer->SetEnabled(false);
  // The list view outlives these members: it must not keep their image lists.
  FAllAlbLV->SetLargeImages(nullptr);
  FAllAlbLV->SetSmallImages(nullptr);
  if (!FClosed) {
    // Freed without a close (a test): the player must not keep the play file open.
    FTimer1->SetEnabled(false);
    FTimer2->SetEnabled(false);
    CloseSequencer();
  }
  if (FViewer) FViewer->SetMainWindow(nullptr);
  if (MasterFrm == this) {
    MasterFrm = nullptr;
    Application->OnHint = nullptr;
    Application->OnException = nullptr;
  }
}

// --- start-up -----------------------------------------------------------------------------------

void TMasterFrm::FormCreate(TObject*) {
  Application->OnException = [this](TObject* s, const std::exception& e) { AppException(s, e); };
  FRequestSeen = false;
  std::string title = Application->Title().empty() ? AppTitleText : Application->Title();
  SetCaption(title);
  FDocTypeName = title + ".Document";
  FMIDIdefault->SetCaption("Set as default Windows &MIDI player");
  FSessionEnding = false;
  FSettingsPath = ProgramFolder() + TSettings::FileName;
  FFirstRun = !FileExists(FSettingsPath);
  FRoad->SetImportBusy(false);
  FRoad->SetStartBusy(false);
  // Messages run only once the work folders exist: a request handled now would need them.
  PrepareWorkFolders();
  LetMessagesRun();
  Application->OnHint = [this](TObject* s) { ShowAppHint(s); };
  FStatusText = "Idle";
  FCategoryText = "No category";
  FTitleText = "No title";
  FArtistText = "No artist";
  HMODULE self = GetModuleHandleA(nullptr);
  HCURSOR help = LoadCursorA(self, "HELP");
  HCURSOR hand = LoadCursorA(self, "HANDPOINT");
  Screen->SetCursors(5, help ? help : LoadCursorA(nullptr, IDC_HELP));
  Screen->SetCursors(6, hand ? hand : LoadCursorA(nullptr, IDC_HAND));
  FRoad->Program().SetIndex(-1);
  DisableCommands();
  // Made here, loaded by the start-up timer once the window shows.
  FCatalogue.MakeLists(ProgramFolder());
  FCDPanel->SetPlayer(FMyMidi.get());
  // Files dropped from the shell are imported.
  DragAcceptFiles(Handle(), TRUE);
}

void TMasterFrm::PrepareWorkFolders() {
  std::string folder = ProgramFolder();
  RegisterDocType(ProgramFolder() + ExtractFileName(ParamStr(0)), FDocTypeName);
  WriteDocumentIcon(folder);
  FAssocCommands = std::make_unique<TFileAssocCommands>(
      TFileAssocCommands::TItems{FMIDIdefault, FMIDIrestore, FLaunchOnWinStart, FNormal1,
                                 FMinimized1, FNot1},
      ProgramFolder() + ExtractFileName(ParamStr(0)));
  FAssocCommands->ShowMessageBox = [this](const std::string& text, TMessageKind kind, int help,
                                          TMessageButtons buttons) {
    return ShowMessageBox(text, kind, help, buttons);
  };
  FAssocCommands->Ending = [this] { return FRoad->Aborted(); };
  FAssocCommands->RepaintMainWindow = [this] { Repaint(); };
  std::string notMade;
  for (const char* name : WorkFolderNames) {
    std::string work = folder + name + "\\";
    if (!DirectoryExists(work) && !ForceDirectories(work)) {
      // Said once for all of them below; a folder that is not there has nothing to clear.
      notMade += std::string(notMade.empty() ? "" : ", ") + name;
      continue;
    }
    const std::string n = name;
    if (n == "BackUp") continue;
    for (const std::string& mask : n == "TempTrash" ? TrashMasks : TuneMasks)
      ClearDirectory(work, mask);
  }
  if (!notMade.empty())
    ShowMessageBox("These work folders could not be made in " + folder + ": " + notMade +
                       ".\r\n\r\nWork that needs them will fail until the program folder can "
                       "be written to.",
                   TMessageKind::Warning, 0, TMessageButtons::OK);
}

void TMasterFrm::ShowAppHint(TObject*) {
  FStatusBar1->Font().SetName("MS Sans Serif");
  FStatusBar1->Font().SetSize(8);
  FStatusBar1->Font().SetStyle({fsBold});
  if (FStatusBar1->PanelCount() > 0) FStatusBar1->Panels(0).SetText(Application->Hint());
}

void TMasterFrm::FormShow(TObject*) {
  BuildCoolMenus();
  // The splash shows only for a plain start: no plug-in request waiting and no parameters.
  if (SplashAllowed && Trim(PendingRequest).empty() && FParams.empty()) {
    FSplash = std::make_unique<TSplashFrm>(nullptr);
    FSplash->StartUpDone = [] { return StartUpDone; };
    FSplash->Show();
    FSplash->Repaint();
  }
  LetMessagesRun();
  Font().SetName("MS Sans Serif");
  FRoad->Program().SetPlaying(false);
  // Both tab rows: bold green active tab, regular inactive ones, both on silver.
  for (TExtPageControl* tabs : {FCategories, FAlbums}) {
    tabs->TabActiveFont().SetName("MS Sans Serif");
    tabs->TabActiveFont().SetStyle({fsBold});
    tabs->TabActiveFont().SetColor(static_cast<TColor>(0x008000));
    tabs->SetTabActiveColor(static_cast<TColor>(0xC0C0C0));
    tabs->TabInactiveFont().SetName("MS Sans Serif");
    tabs->TabInactiveFont().SetStyle({});
    tabs->SetTabInactiveColor(static_cast<TColor>(0xC0C0C0));
    // Many categories or albums wrap onto further rows of tabs, each as high as its font.
    tabs->SetTabStyle(tabStDefault);
    tabs->SetTabHeight(0);
    tabs->SetMultiLine(true);
  }
  FViewCommands->MakeAlbumImageLists();
  TTuneInfo idle;
  idle.Category = idle.Artist = idle.Title = "None";
  idle.Status = "No program";
  ShowTuneInfo(idle);
  SetCurrentDir(ProgramFolder());
  ReadSettings();
  FindPlugInDirs();
  FormResize(this);
  FTimer2->SetEnabled(true);
  // Chained before the input first starts: a later link would stop the running connector.
  ProgramViewer();
  FVisualEffects->SetVisualEffects(FVisualeffects1->Checked(), false, true);
}

void TMasterFrm::ReadSettings() {
  FSettings.Load(FSettingsPath);
  ApplySettingsToMenus();
  int width = FSettings.Width, height = FSettings.Height;
  if (FFirstRun) {
    SetBounds((Screen->Width() - width) / 2, (Screen->Height() - height) / 2, width, height);
  } else {
    SetBounds(FSettings.Left, FSettings.Top, width, height);
    // A place kept for a screen that is no longer there (or edited by hand) would lose the
    // window, and the close would keep it lost.
    KeepReachable();
  }
  bool isDefault = IsDefaultMIDIPlayer(FDocTypeName);
  FMIDIdefault->SetEnabled(!isDefault);
  FMIDIrestore->SetEnabled(!FMIDIdefault->Enabled());
}

void TMasterFrm::ApplySettingsToMenus() {
  const TSettings& s = FSettings;
  FFullScanDone = s.FullScanDone;
  FContextHelp->Hintlevel1()->SetChecked(s.ShowAllHints);
  Application->SetShowHint(s.ShowAllHints);
  FViewCommands->SetShowTabs(s.ShowAlbTabs, s.ShowCatTabs);
  FViewCommands->SetTabColors(static_cast<TColor>(s.TabActiveColor),
                              static_cast<TColor>(s.TabActiveFontColor));
  FRemindtoscan1->SetChecked(s.RemindToScan);
  FLooping1->SetChecked(s.AutoLooping);
  FRoad->SetLooping(s.AutoLooping);
  FMyMidi->SetMidiOutPort(s.MIDIOutPort);
  // More than one reset key set ticks each of them; the next reset click makes it single.
  FGMGS1->SetChecked(s.GMGSReset);
  FGSGM1->SetChecked(s.GSGMReset);
  FGM1->SetChecked(s.GMReset);
  FGS1->SetChecked(s.GSReset);
  FNone1->SetChecked(s.NoReset());
  FRoad->SetResetChoice(ResetChoiceOf(s));
  FNormal1->SetChecked(s.LOWS_Normal);
  FMinimized1->SetChecked(s.LOWS_Minimized);
  FNot1->SetChecked(s.LOWS_Not());
  FLaunchOnWinStart->SetChecked(s.LaunchOnWinStart());
  FDisableTempConPI = s.DisableTempConPI;
  FVisualeffects1->SetChecked(s.VisE);
  FSpectrumbars1->SetChecked(s.SpecBars);
  FLights1->SetChecked(s.Lights);
  FSpectrograph1->SetChecked(s.SpecGraph);
  FLayout->SetAlbPanelWidth(s.AlbPanelWidth);
  FLayout->SetShowTools(s.ShowTools);
}

void TMasterFrm::TakeSettingsFromMenus() {
  TSettings& s = FSettings;
  s.ShowTools = FLayout->ShowTools();
  s.FullScanDone = FFullScanDone;
  s.ShowAllHints = FContextHelp->Hintlevel1()->Checked();
  s.ShowAlbTabs = FViewCommands->ShowAlbTabs();
  s.ShowCatTabs = FViewCommands->ShowCatTabs();
  s.TabActiveColor = static_cast<uint32_t>(FCategories->TabActiveColor());
  s.TabActiveFontColor = static_cast<uint32_t>(FCategories->TabActiveFont().Color());
  s.RemindToScan = FRemindtoscan1->Checked();
  s.VisE = FVisualeffects1->Checked();
  s.SpecBars = FSpectrumbars1->Checked();
  s.Lights = FLights1->Checked();
  s.SpecGraph = FSpectrograph1->Checked();
  s.AutoLooping = FLooping1->Checked();
  s.MIDIOutPort = FMyMidi->MidiOutPort();
  s.GMGSReset = FGMGS1->Checked();
  s.GSGMReset = FGSGM1->Checked();
  s.GMReset = FGM1->Checked();
  s.GSReset = FGS1->Checked();
  s.LOWS_Normal = FNormal1->Checked();
  s.LOWS_Minimized = FMinimized1->Checked();
  s.DisableTempConPI = FDisableTempConPI;
  s.AlbPanelWidth = FAlbPanel->Width();
  s.Top = Top();
  s.Left = Left();
  s.Height = Height();
  s.Width = Width();
}

void TMasterFrm::FindPlugInDirs() {
  FPlugInDirs = ExistingPlugInDirs();
  FManageNPI->SetVisible(!FPlugInDirs.empty());
  FManageNPISep->SetVisible(!FPlugInDirs.empty());
}

TManageNPIFrm& TMasterFrm::NPIManager() {
  TManageNPIFrm* manager = ManageNPIFrm;
  if (!manager) {
    if (!FOwnNPIManager) FOwnNPIManager = std::make_unique<TManageNPIFrm>(nullptr);
    manager = FOwnNPIManager.get();
  }
  manager->SetDisableTempConPI = [this](bool value) { FDisableTempConPI = value; };
  manager->SessionEnding = [this] { return FSessionEnding; };
  return *manager;
}

void TMasterFrm::About1Click(TObject*) {
  ShowAboutBox(this);
}

void TMasterFrm::ManageNPIClick(TObject*) {
  TManageNPIFrm& manager = NPIManager();
  RECT area = BoundsRect();
  manager.SetPosition(poDesigned);
  manager.SetBounds(area.left + (area.right - area.left - manager.Width()) / 2,
                    area.top + (area.bottom - area.top - manager.Height()) / 2, manager.Width(),
                    manager.Height());
  manager.ShowModal();
}

void TMasterFrm::Timer2Timer(TObject*) {
  StartUpDone = false;
  FTimer2->SetEnabled(false);
  ++FStartupTimerRuns;
  if (!FParams.empty() && Trim(FParams[0]) == "M") {
    FreeSplash();
    Application->Minimize();
  } else {
    SetVisible(true);
  }
  Repaint();
  bool loaded = false;
  {
    TFlagHold loading(FLoading);
    try {
      LoadCatalogue();
      loaded = true;
    } catch (...) {
      // Shown by the application's handler; the commands stay disabled, as nothing could act on
      // a catalogue that did not open.
      Application->HandleException(std::current_exception());
    }
  }
  // Conflicting browser plug-ins step aside while the program is open.
  if (loaded && FDisableTempConPI) NPIManager().DisableConflictingWhileOpen();
  if (FCloseWhenLoaded) {
    StartUpDone = true;
    Close();
    return;
  }
  StartUpDone = true;
  LetMessagesRun();
  // Resizes during start-up skipped the view's change handler: run it once now.
  ViewInUseChange();
  if (loaded) {
    EnableCommands();
    if (FAllCatGrid->CanFocus()) FAllCatGrid->SetFocus();
    Repaint();
    FCDPanel->StartFlashing();

    if (!Trim(PendingRequest).empty()) {
      std::string request = PendingRequest;
      PendingRequest.clear();
      FRequestCommands->ProcessRequest(request, 0);
    } else if (!FParams.empty()) {
      FRequestCommands->ProcessRequest(FParams[0], 0);
    }
    // What arrived meanwhile runs now, before the start-up questions.
    FRequestCommands->OpenQueue();
    while (FRequestCommands->QueuedRequests() > 0 && FRequestCommands->QueueMayRun())
      FRequestCommands->RunQueuedRequests();
    FRequestCommands->TellLeftOut(); // what this start's own request left out
    if (FParams.empty()) AskStartQuestions();
  }
  // Start-up is over, its questions included; programs outside (tests) look for this mark.
  SetPropA(Handle(), StartUpDoneProperty, reinterpret_cast<HANDLE>(1));
}

void TMasterFrm::AskStartQuestions() {
  const bool managePlugIns = FFirstRun && FManageNPI->Visible();
  const bool remindToScan = FRemindtoscan1->Checked() && !FFullScanDone && !FRequestSeen;
  // The splash stays over every other window: a question under it would lose its first click
  // to the splash, so the splash goes before anything is asked.
  if (managePlugIns || remindToScan || (FFirstRun && FMIDIdefault->Enabled())) FreeSplash();
  if (managePlugIns) ManageNPIClick(this);
  if (remindToScan) {
    if (ShowMessageBox(ScanQuestionText, TMessageKind::Confirmation, 201, YesNoHelp) ==
        TMessageAnswer::Yes) {
      Repaint();
      FScanCommands->ScansystemforMIDIfiles1Click(this);
    }
  }
  if (FFirstRun && FMIDIdefault->Enabled()) {
    if (ShowMessageBox(std::string("Make ") + AppTitleText +
                           " your default Windows MIDI player (recommended)?",
                       TMessageKind::Confirmation, 202, YesNoHelp) == TMessageAnswer::Yes)
      FAssocCommands->MIDIdefaultClick();
  }
}

bool TMasterFrm::ReceiveHandOff(TMessage& m) {
  // Each line waits its turn; the second start is answered at once.
  auto queue = [](void* target, const std::string& line, int no) {
    auto* self = static_cast<TMasterFrm*>(target);
    TRequestCommands::TQueued item;
    item.Text = line;
    item.Index = no;
    self->RequestCommands().Enqueue(std::move(item));
  };
  if (m.Msg == WM_INSTANCEPARAMS) {
    if (IsIconic(Handle())) Application->Restore();
    ReceiveInstanceParams(m.WParam, m.LParam, queue, this);
    m.Result = 0;
    return true;
  }
  // A parameter longer than an atom holds comes copied; the answer tells the sender it arrived.
  if (!ReceiveCopiedInstanceParams(m.LParam, queue, this)) return false;
  if (IsIconic(Handle())) Application->Restore();
  m.Result = TRUE;
  return true;
}

void TMasterFrm::WndProc(TMessage& m) {
  if ((m.Msg == WM_INSTANCEPARAMS || m.Msg == WM_COPYDATA) && ReceiveHandOff(m)) return;
  if (m.Msg == WM_PLUGINREQUEST) {
    FRequestCommands->ReceivePluginRequest(LOWORD(m.LParam));
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_DESTROY) RemovePropA(Handle(), StartUpDoneProperty);
  // A handler may have been given to a gated item since the busy state last changed.
  if (m.Msg == WM_INITMENUPOPUP) CommandGate().Apply();
  if (m.Msg == WM_GETMINMAXINFO) {
    TMasterFrmBase::WndProc(m);
    WMGetMinMaxInfo(m);
    return;
  }
  if (m.Msg == WM_SIZE) {
    // Laid out from the window's real client size, after the window has taken it.
    TMasterFrmBase::WndProc(m);
    if (m.WParam != SIZE_MINIMIZED) FormResize(this);
    return;
  }
  if (m.Msg == WM_DROPFILES) {
    GuardVoid([&] { FRequestCommands->TakeDroppedFiles(reinterpret_cast<HDROP>(m.WParam)); });
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_QUERYENDSESSION) {
    // The user may still cancel the shutdown: only the music stops here. Nothing that could not
    // be taken back (the abort flag is never cleared) is set before the session really ends.
    FTimer1->SetEnabled(false);
    CloseSequencer();
    FVisualEffects->CloseSoundInput();
  } else if (m.Msg == WM_ENDSESSION && m.WParam) {
    // The process ends when this returns: write the lists, the settings and the store now.
    FSessionEnding = true;
    FRoad->SetAborted();
    if (FImportDepth > 0) {
      // An import runs beneath this message and still uses the store: write what is kept in
      // memory and leave the store (written through at every add) open.
      SaveForSessionEnd();
      m.Result = 0;
      return;
    }
    TCloseAction action = caFree;
    FormClose(this, action);
    m.Result = 0;
    return;
  } else if (m.Msg == QxMessages.BringToFront && m.Msg != 0) {
    FreeSplash();
    Application->Restore();
    ShowWindow(Handle(), SW_RESTORE);
    SetVisible(true);
    SetForegroundWindow(Handle());
    TMasterFrmBase::WndProc(m);
    m.Result = 0;
    return;
  } else if (m.Msg == QxMessages.TrackBarSetPos && m.Msg != 0) {
    if (FRoad->Mode() == mdPlaying) {
      // wParam comes from another process: thousandths of the length, nothing beyond.
      const int64_t perMille = std::clamp<int64_t>(static_cast<int32_t>(m.WParam), 0, 1000);
      GuardVoid(
          [&] { FMyMidi->SetPosition(static_cast<int>(perMille * FMyMidi->Length() / 1000)); });
    }
  } else if (m.Msg == QxMessages.ShowMixerWindow && m.Msg != 0) {
    if (MixerFrmF)
      GuardVoid([this] {
        if (!MixerFrmF->Visible()) CenterOverMainWindow(*MixerFrmF);
        MixerFrmF->Show();
        if (IsIconic(MixerFrmF->Handle())) ShowWindow(MixerFrmF->Handle(), SW_RESTORE);
        SetForegroundWindow(MixerFrmF->Handle());
        MixerFrmF->Repaint();
      });
    TMasterFrmBase::WndProc(m);
    m.Result = 0;
    return;
  }
  TMasterFrmBase::WndProc(m);
}

// --- message box, busy state, exceptions
// ----------------------------------------------------------

TMessageAnswer TMasterFrm::ShowMessageBox(const std::string& text, TMessageKind kind,
                                          int helpContext, TMessageButtons buttons) {
  return TMasterFrmBase::ShowMessageBox(text, kind, helpContext, buttons);
}

// --- player timer and display -------------------------------------------------------------------

void TMasterFrm::Timer1Timer(TObject*) {
  FRoad->Timer1Timer();
}

void TMasterFrm::SetTimer1(bool enabled) {
  FTimer1->SetEnabled(enabled);
}

void TMasterFrm::ShowTuneInfo(const TTuneInfo& info) {
  FCDPanel->ShowTuneInfo(info.Category, info.Artist, info.TotalSeconds, info.Seconds,
                         info.ProgramCount, info.ProgramPlace, info.Status, info.Title);
}

// --- shutdown -----------------------------------------------------------------------------------

void TMasterFrm::CloseSequencer() {
  // A paused device holds the play file too: close whatever is open.
  if (FMyMidi->DeviceId() < 0) return;
  try {
    FMyMidi->Stop();
  } catch (const std::exception&) {
    // Closed all the same: a device that will not stop is still to be given back.
  }
  try {
    FMyMidi->Close();
  } catch (const std::exception&) {
    // The caller goes on to free the play file or open another: a device the driver keeps
    // answers for itself at the next open.
  }
}

void TMasterFrm::FormClose(TObject*, TCloseAction& Action) {
  if (!FSessionEnding && FPrintCommands->Printing()) {
    // Closing now would lose the lists and settings: refuse until the print job ends.
    ShowMessageBox(std::string(AppTitleText) +
                       " is printing. Please close it again when the print job has ended.",
                   TMessageKind::Information, 0, TMessageButtons::OK);
    Action = caNone;
    return;
  }
  if (FLoading) {
    // The catalogue is being loaded: the close comes when it is in (the store is in use now).
    FCloseWhenLoaded = true;
    Action = caNone;
    return;
  }
  if (FImportDepth > 0) {
    // An import uses the store: it stops after its current file and the close follows.
    FRoad->SetAborted();
    FRequestCommands->CloseWhenImported();
    Action = caNone;
    return;
  }
  FRequestCommands->ClearQueue();
  if (FClosed) return;
  FClosed = true;
  FTimer1->SetEnabled(false);
  if (FViewer) FViewer->Hide();
  Repaint();
  FRoad->SetAborted();
  DisableCommands();
  Screen->SetCursor(crHourGlass);
  Repaint();
  CloseSequencer();
  FRoad->Program().SetPlaying(false);
  CloseCatalogue();
  if (MailWindowControl) {
    ShutdownStep([] { MailWindowControl->HideMailWindow(); });
    ShutdownStep([] { MailWindowControl->SaveMailSettings(); });
    ShutdownStep([] { MailWindowControl->CancelTransfer(); });
  }
  FinishAll();
  LetMessagesRun();
  Screen->SetCursor(crDefault);
  if (FStatusBar1->PanelCount() > 0) FStatusBar1->Panels(0).SetText("Closing down . . . .");
  // A cancelled transfer gets the time to close its connection.
  if (MailWindowControl) Sleep(1500);
  Action = caFree;
}

void TMasterFrm::WriteSettings() {
  TakeSettingsFromMenus();
  ShutdownStep([this] { FSettings.Save(FSettingsPath, WindowState() == wsMaximized); });
}

void TMasterFrm::ShutdownStep(const std::function<void()>& step) {
  try {
    step();
  } catch (const EIniFileException& e) {
    ReportShutdownFailure("The settings could not be saved:\r\n\r\n" + std::string(e.what()));
  } catch (const std::exception& e) {
    ReportShutdownFailure(e.what());
  }
}

void TMasterFrm::ReportShutdownFailure(const std::string& text) {
  if (std::find(FShutdownReported.begin(), FShutdownReported.end(), text) !=
      FShutdownReported.end())
    return;
  FShutdownReported.push_back(text);
  ShowMessageBox(text, TMessageKind::Error, 0, TMessageButtons::OK);
}

void TMasterFrm::FreeSplash() {
  if (!FSplash) return;
  FSplash->Hide();
  FSplash.reset();
}

void TMasterFrm::FinishAll() {
  FVisualEffects->MMConnector2()->ClearSlots();
  FreeSplash();
  FTimer1->SetEnabled(false);
  FTimer2->SetEnabled(false);
  SetCurrentDir(ProgramFolder());
  WriteSettings();
  FRoad->Program().SetPlaying(false);
  FRoad->Program().EraseProgram();
  // Emptied, not freed: a title start that let this close run may still come back to them.
  FWorkingKeys.ClearAll();
  if (FileExists(FRoad->PlayFile())) DeleteFile(FRoad->PlayFile());
  if (!Application->HelpFile().empty()) Application->HelpCommand(HELP_QUIT, 0);
  FRoad->SetGMReset("");
  FRoad->SetGSReset("");
  // Only the plug-ins set aside while the program was open come back; those disabled for good
  // stay disabled.
  if (FDisableTempConPI) ShutdownStep([this] { NPIManager().EnableTempDisabledPlugIns(); });
}

// --- the catalogue ------------------------------------------------------------------------------

void TMasterFrm::CreateDataModule() {
  if (FCatalogue.DMM2()) return;
  FCatalogue.SetDataModule(std::make_unique<TDMM2>(ProgramFolder(), this));
  TDMM2* module = FCatalogue.DMM2();
  try {
    module->FormCreate();
  } catch (const std::exception& e) {
    // The artist list stays unread and unwritten; the catalogue still opens.
    ShowMessageBox(std::string("The artist list could not be read:\r\n\r\n") + e.what(),
                   TMessageKind::Error, 0, TMessageButtons::OK);
  }
  module->MyDB()->SetZipper(&FCatalogue.TuneFiles());
  FCatalogue.PlayStore().SetModule(module);
}

void TMasterFrm::LoadCatalogue() {
  CreateDataModule();
  TMyDB* db = FCatalogue.DMM2()->MyDB();
  if (!db || db->Loaded()) return;
  SetCurrentDir(ProgramFolder());
  {
    // A page per category: the tabs are laid out once, when all are in.
    TPagesUpdate update(*FCategories);
    FCatalogue.CatList()->LoadFromFile(CategoriesName, &FCatalogue.CategoryArea());
  }
  FCatalogue.CatList()->SetStore(db);
  db->SetCatList(FCatalogue.CatList());
  FCatalogue.AlbList()->SetStore(db);
  db->SetAlbList(FCatalogue.AlbList());
  db->Open(ProgramFolder() + "Music");
  db->FillGrid();
  {
    // A page and a summary line per album: laid out and drawn once, when all are in.
    TPagesUpdate update(*FAlbums);
    FAllAlbLV->BeginUpdate();
    TScopeExit listDone([this] { FAllAlbLV->EndUpdate(); });
    FCatalogue.AlbList()->LoadFromFile(AlbumsName, &FCatalogue.AlbumArea());
  }
  FViewCommands->ApplyAlbumTabsView();
  FViewCommands->ApplyCategoryTabsView();
  ReportDamage();
}

void TMasterFrm::ReportDamage() {
  // Everything the checks found at opening, in one question: the user may give up what could not
  // be read, or keep it and be asked again at the next start.
  TCatalogueDamage damage(*FCatalogue.DMM2(), *FCatalogue.CatList(), *FCatalogue.AlbList());
  std::string question;
  try {
    question = damage.Question();
  } catch (const std::exception& e) {
    // Without its copies the loss cannot be offered: everything stays as it is.
    ShowMessageBox(std::string("The damaged catalogue files could not be copied:\r\n\r\n") +
                       e.what() + "\r\n\r\nNothing that could not be read will be removed.",
                   TMessageKind::Error, 0, TMessageButtons::OK);
    return;
  }
  if (question.empty()) return;
  if (ShowMessageBox(question, TMessageKind::Warning, 0,
                     TMessageButtons::Yes | TMessageButtons::No) != TMessageAnswer::Yes)
    return;
  try {
    damage.Accept();
  } catch (const std::exception& e) {
    ShowMessageBox(std::string("What could not be read was not given up in full:\r\n\r\n") +
                       e.what(),
                   TMessageKind::Error, 0, TMessageButtons::OK);
  }
}

void TMasterFrm::SaveForSessionEnd() {
  // The session ends when this returns: each file is tried even when one before it failed, and
  // a failure has nobody to be shown to.
  auto attempt = [](const std::function<void()>& save) {
    try {
      save();
    } catch (const std::exception&) {
    }
  };
  attempt([this] {
    if (FCatalogue.AlbList() && FCatalogue.AlbList()->Loaded()) FCatalogue.AlbList()->SaveToFile();
  });
  attempt([this] {
    if (FCatalogue.CatList() && FCatalogue.CatList()->Loaded()) FCatalogue.CatList()->SaveToFile();
  });
  attempt([this] {
    TPerfList* artists = FCatalogue.Artists();
    if (artists && artists->Loaded()) artists->SaveToFile();
  });
  SetCurrentDir(ProgramFolder());
  TakeSettingsFromMenus();
  attempt([this] { FSettings.Save(FSettingsPath, WindowState() == wsMaximized); });
}

void TMasterFrm::CloseCatalogue() {
  // Each list is written even when one before it failed; the data module then packs the store.
  const bool loaded = FCatalogue.Store() && FCatalogue.Store()->Loaded();
  if (loaded) {
    ShutdownStep([this] {
      // Lists that were never loaded have nothing to write.
      if (FCatalogue.AlbList()->Loaded()) FCatalogue.AlbList()->SaveToFile();
    });
    ShutdownStep([this] {
      // Categories left without titles or without a name go; the file is written either way.
      if (FCatalogue.CatList()->Loaded()) {
        FCatalogue.CatList()->RemoveUnused();
        FCatalogue.CatList()->SaveToFile();
      }
    });
  }
  if (FCatalogue.DMM2()) {
    FCatalogue.PlayStore().SetModule(nullptr);
    ShutdownStep([this] { FCatalogue.DMM2()->FormClose(); });
    FCatalogue.FreeDataModule();
  }
}

void TMasterFrm::SetStatus(const std::string& text, bool bold) {
  FStatusBar1->Font().SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
  if (FStatusBar1->PanelCount() > 0) FStatusBar1->Panels(0).SetText(text);
  FStatusBar1->Repaint();
}

void TMasterFrm::ProgressStart(int max) {
  FProgressBar1->SetRange(0, std::max(max, 0));
  FProgressBar1->SetPosition(0);
  FProgressBar1->SetVisible(true);
}

void TMasterFrm::ProgressPosition(int position) {
  FProgressBar1->SetPosition(position);
}

void TMasterFrm::ProgressDone() {
  FProgressBar1->SetPosition(0);
  FProgressBar1->SetVisible(false);
}

void TMasterFrm::ShowStateMessage(const std::string& text, int seconds) {
  FCDPanel->ShowStateMessage(text, seconds);
}

void TMasterFrm::ShowDeviceBusyNotice() {
  TUnMIDIFrm* notice = UnMIDIFrm;
  if (!notice) {
    if (!FOwnNotice) FOwnNotice = std::make_unique<TUnMIDIFrm>(nullptr);
    notice = FOwnNotice.get();
  }
  if (notice->ShowNotice(this)) BringWindowToTop(notice->Handle());
}

void TMasterFrm::ShowPlainMessage(const std::string& text) {
  ShowMessage(text);
}

void TMasterFrm::SetBusyCursor(bool busy) {
  Screen->SetCursor(busy ? crHourGlass : crDefault);
}

// --- import-busy
// -----------------------------------------------------------------------------------

void TMasterFrm::EnterImport() {
  if (FImportDepth++ == 0) FRoad->SetImportBusy(true);
}

void TMasterFrm::LeaveImport() {
  if (--FImportDepth == 0) {
    FRoad->SetImportBusy(false);
    ImportEnded();
  }
}

void TMasterFrm::ImportEnded() {
  // A title start that gave up waiting for this import gets its turn.
  FRequestCommands->ImportEnded();
}

// --- the view in use and the player's display
// -----------------------------------------------------------------------------------------------

void TMasterFrm::EnableCommands() {
  TMasterFrmBase::EnableCommands();
  // The busy time may have changed what is selected where.
  if (StartUpDone && !FClosed) ViewInUseChange();
}

void TMasterFrm::CategoriesChange() {
  FCatalogueCommands->CategoriesChange();
}

void TMasterFrm::AlbumsChange() {
  FCatalogueCommands->AlbumsChange();
}

void TMasterFrm::ViewInUseChange() {
  FCatalogueCommands->ViewInUseChange();
}

void TMasterFrm::FormResize(TObject*) {
  if (!HandleAllocated() || !FTopPanel || !FDBPanel) return;
  SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  bool progressVisible = FProgressBar1->Visible();
  FProgressBar1->SetVisible(false);
  FAlbums->SetVisible(false);
  FCategories->SetVisible(false);
  FLayout->LayoutAreas();
  FAlbums->SetVisible(true);
  FCategories->SetVisible(true);
  ViewInUseChange();
  // The progress bar sits in the status line right of its first panel, one pixel low.
  int barHeight = FStatusBar1->Height() - 6;
  FProgressBar1->SetBounds(290, (FStatusBar1->Height() - barHeight) / 2 + 1,
                           FStatusBar1->Width() - 290 - 17, barHeight);
  FProgressBar1->SetVisible(progressVisible);
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  RedrawWindow(Handle(), nullptr, nullptr,
               RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TMasterFrm::WMGetMinMaxInfo(TMessage& m) {
  auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
  info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, 500);
  info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, 400);
  m.Result = 0;
}

void TMasterFrm::SetDragSource(bool fromAlbums, bool fromCategories) {
  FWorkingKeys.SetSource(fromAlbums, fromCategories);
}

TViewProgFrm& TMasterFrm::ProgramViewer() {
  TViewProgFrm* viewer = ViewProgFrm;
  if (!viewer) {
    if (!FOwnViewer) FOwnViewer = std::make_unique<TViewProgFrm>(nullptr);
    viewer = FOwnViewer.get();
  }
  if (viewer != FViewer) {
    FViewer = viewer;
    if (!FViewerContext)
      FViewerContext = std::make_unique<TViewerContext>(
          *FRoad, FCatalogue, [this] { return FVisualEffects->VisualEffectsTicked(); },
          [this] { UpdatePlayControls(); });
    viewer->SetMainWindow(FViewerContext.get());
    // The viewer's spectrum sees what the main window's displays see.
    FVisualEffects->MMConnector2()->SetOutput(viewer->MMConnector1);
  }
  return *viewer;
}

void TMasterFrm::Viewtitles1Click(TObject*) {
  TViewProgFrm& viewer = ProgramViewer();
  if (!viewer.Visible()) {
    CenterOverMainWindow(viewer);
    int top = Top() - 30;
    if (top < 0) top = 30;
    int height = Height() + 60;
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (top + height > screenHeight) height = screenHeight - top - 35;
    viewer.SetBounds(viewer.Left(), top, viewer.Width(), height);
  }
  viewer.ShowProgram(FRoad->Program().Lines(), FRoad->Program().Index());
  if (viewer.HandleAllocated() && IsIconic(viewer.Handle()))
    ShowWindow(viewer.Handle(), SW_RESTORE);
  viewer.Show();
}

void TMasterFrm::ProgramChanged() {
  if (FViewer && FViewer->Visible())
    FViewer->ShowProgram(FRoad->Program().Lines(), FRoad->Program().Index());
}

void TMasterFrm::UpdatePlayControls() {
  FPlayerCommands->UpdatePlayControls();
}

void TMasterFrm::SetSlider(int position, int maximum) {
  FPlayerCommands->SetSlider(position, maximum);
}

void TMasterFrm::SetVisualEffects() {
  FVisualEffects->SwitchVisualEffects(true);
}

bool TMasterFrm::SoundInputIdle() {
  return FVisualEffects->SoundInputIdle();
}

bool TMasterFrm::SoundInputFailed(TObject* Sender, const std::exception& E) {
  if (!dynamic_cast<TMMWaveIn*>(Sender) && !dynamic_cast<const EMMWaveInError*>(&E)) return false;
  FVisualEffects->CloseSoundInput();
  return true;
}
