// Requests from outside the main window's own commands: this start's command line, a second
// start's hand-off, the browser plug-in, and files dropped from the shell. They wait in one queue
// and run one at a time once start-up is done and no import or title start runs.
#include <windows.h>
#include <shellapi.h>
#include "MailHandOff.h"
#include "HourGlass.h"
#include "ImportCommands.h"
#include "RequestCommands.h"
#include "ExportCommands.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "PlayRoad.h"
#include "ProgramWide.h"
#include "SysUtils.h"
#include "DataCodeD2.h"
#include "ExtCtrls.h"
#include "Menus.h"

namespace {

BOOL CALLBACK RepaintNetscape(HWND w, LPARAM) {
  char text[512] = {};
  GetWindowTextA(w, text, sizeof text);
  if (UpperCase(text).find("NETSCAPE") != std::string::npos)
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return TRUE;
}

} // namespace

// --- one request
// -----------------------------------------------------------------------------------

void TRequestCommands::ProcessRequest(const std::string& text, int) {
  FContext.RequestSeen();
  FHandledRequests.push_back(text);
  // A lone "M" only marked a minimised start.
  if (Trim(text) == "M" || text.empty()) return;

  const bool bare = text.size() > 1 && text[1] == ':';
  const bool nv = !bare && text.compare(0, 2, "NV") == 0;
  const char command = bare ? 0 : static_cast<char>(toupper(static_cast<unsigned char>(text[0])));
  std::string path = UnquotedPath(bare ? text : text.substr(1));
  std::string origin = path, title = ExtractFileName(path), category;
  if (nv) {
    TNVRequest request;
    if (!ParseNVRequest(text, request)) return; // not a plug-in request the program can serve
    path = request.Path;
    origin = request.Origin;
    title = request.Title;
    category = "Netscape default";
  } else if (bare || command == 'P' || command == 'O' || command == 'Z') {
    category = "Windows default";
  } else if (command == 'M') {
    category = "Email default";
  } else {
    return; // no command of this program
  }
  if (!FileExists(path)) {
    if (command == 'Z') RefreshCategoryViews();
    return;
  }
  TMyDB* db = FContext.Catalogue.Store();
  if (!db || !db->Loaded()) return;

  TStringList keys;
  int32_t found = -1;
  if (db->FindIdByFileName(StoredOrigin(origin), found)) {
    keys.Add(IntToStr(found));
  } else {
    std::string result;
    // Quiet, with the duplicate test on: an archive asked for again adds nothing again.
    FContext.ImportCommands.AddFileByType(path, title, result, true, true, origin, "Unknown",
                                          category);
    if (result == "OK")
      for (int32_t key : FContext.ImportCommands.AddedKeys())
        keys.Add(IntToStr(key));
    else if (nv)
      SendBadFileBitmap(); // the plug-in tells its user
    else
      FContext.ImportCommands.NoteLeftOut(FLeftOut, path, result);
  }
  if (keys.Count() == 0) return;
  if (nv || bare || command == 'P' || command == 'O') {
    auto hourglass = HourGlass();
    if (nv) {
      FParts.Looping1->SetChecked(true);
      FContext.Road.SetLooping(true);
      FContext.Road.Program().ReplaceAndPlay(keys);
    } else {
      FContext.Road.Program().PlayAtTop(keys);
    }
    // The player's buttons and the viewer follow the program.
    FContext.RoadView.UpdatePlayControls();
    RefreshCategoryViews();
    FContext.RoadView.ProgramChanged();
  } else {
    // "M" hands the title to the mail window once there is one; "Z" only adds.
    RefreshCategoryViews();
    if (command == 'M') FContext.ExportCommands.MailTitles(keys);
  }
}

void TRequestCommands::RefreshCategoryViews() {
  if (!FContext.Catalogue.CatList() || !FContext.Catalogue.CatList()->Loaded()) return;
  FContext.Catalogue.CatList()->ResortAll();
  FContext.Catalogue.CatList()->UpdateAllSummaries();
}

void TRequestCommands::SendBadFileBitmap() {
  HWND receiver = FindWindowA("TMsgRcvFrm", nullptr);
  if (!receiver || !QxMessages.ShowBadFileBitmap) return;
  DWORD_PTR ignored = 0;
  // The receiver lives in a browser; a hung browser must not hang the program.
  SendMessageTimeoutA(receiver, QxMessages.ShowBadFileBitmap, 0, 0, SMTO_ABORTIFHUNG, 1000,
                      &ignored);
}

// --- drops
// -----------------------------------------------------------------------------------------

std::string TRequestCommands::ActiveCategoryName() const {
  int index = FContext.Catalogue.CatList() ? FContext.Catalogue.CatList()->ActiveIndex() : -1;
  std::string name = index >= 0 ? Trim(FContext.Catalogue.CatList()->Items(index).Name) : "";
  return name.empty() ? "Windows default" : name;
}

void TRequestCommands::DropFile(const std::string& path, const std::string& category) {
  if (!FileExists(path)) return;
  std::string result;
  FContext.ImportCommands.AddFileByType(path, DropTitleOf(path), result, true, false, path,
                                        "Unknown", category);
  FContext.ImportCommands.NoteLeftOut(FLeftOut, path, result);
  RefreshCategoryViews();
}

void TRequestCommands::TakeDroppedFiles(void* handle) {
  auto drop = static_cast<HDROP>(handle);
  TQueued item;
  item.Drop = true;
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Names at their full length, however long.
    UINT length = DragQueryFileA(drop, i, nullptr, 0);
    std::string name(length + 1, '\0');
    name.resize(DragQueryFileA(drop, i, name.data(), length + 1));
    if (!name.empty()) item.Files.push_back(name);
  }
  DragFinish(drop);
  // The category the files were dropped on, whatever page is active when they run.
  item.Category = ActiveCategoryName();
  if (!item.Files.empty()) Enqueue(std::move(item));
}

void TRequestCommands::RunDrop(const TQueued& drop) {
  auto hourglass = HourGlass();
  TBusyState busy(FContext.Window.Busy());
  const int count = static_cast<int>(drop.Files.size());
  FContext.Window.SetStatus("Importing drag/drop files...", true);
  // The status and the progress bar are put back however the drop ends.
  TScopeExit statusDone([this] {
    FContext.Window.ProgressDone();
    FContext.Window.SetStatus("Done", true);
  });
  FContext.Window.ProgressStart(count - 1);
  for (int i = 0; i < count && !FContext.Road.Aborted(); ++i) {
    DropFile(drop.Files[i], drop.Category);
    FContext.Window.ProgressPosition(i + 1);
  }
}

void TRequestCommands::TellLeftOut() {
  FContext.ImportCommands.TellLeftOut(FLeftOut);
}

// --- the plug-in
// -----------------------------------------------------------------------------------

void TRequestCommands::ReceivePluginRequest(unsigned atom) {
  std::string request;
  if (atom) {
    char text[513] = {};
    UINT n = GlobalGetAtomNameA(static_cast<ATOM>(atom), text, 512);
    request.assign(text, n);
    GlobalDeleteAtom(static_cast<ATOM>(atom));
  }
  if (!Trim(request).empty() && !FContext.Road.Aborted() && !FContext.Window.Closed()) {
    if (Trim(PendingRequest).empty() && !FQueueOpen) {
      PendingRequest = request; // start-up runs it
    } else {
      // Runs when the request timer fires, after any that came before it.
      TQueued item;
      item.Text = request;
      item.Index = 1;
      FQueue.push_back(std::move(item));
    }
  }
  if (StartUpDone && FQueueOpen) FParts.NavPITimer->SetEnabled(true);
  EnumWindows(RepaintNetscape, 0);
}

void TRequestCommands::NavPITimerTimer(TObject*) {
  FParts.NavPITimer->SetEnabled(false);
  if (!Trim(PendingRequest).empty()) {
    TQueued item;
    item.Text = PendingRequest;
    item.Index = 1;
    PendingRequest.clear();
    FQueue.push_back(std::move(item));
  }
  RunQueuedRequests();
}

// --- the queue
// -------------------------------------------------------------------------------------

void TRequestCommands::Enqueue(TQueued item) {
  if (FContext.Road.Aborted() || FContext.Window.Closed()) return; // closing: nothing new starts
  FQueue.push_back(std::move(item));
  PostQueueRun();
}

void TRequestCommands::PostQueueRun() {
  // A timer, not a posted message: it dies with the window, a posted message would not.
  FParts.QueueTimer->SetEnabled(true);
}

bool TRequestCommands::QueueMayRun() const {
  return FQueueOpen && !FRunningQueue && !FContext.Window.Closed() && !FContext.Road.Aborted() &&
         !FContext.Window.Importing() && !FContext.Window.Loading() &&
         !FContext.Road.StartInProgress() && !FContext.Road.Program().Stepping();
}

void TRequestCommands::RunQueuedRequests() {
  if (!QueueMayRun() || FQueue.empty()) return;
  TQueued item = std::move(FQueue.front());
  FQueue.pop_front();
  TFlagHold running(FRunningQueue);
  if (item.Drop)
    RunDrop(item);
  else
    ProcessRequest(item.Text, item.Index);
  // What a hand-off or a drop left out is told once, when nothing of it waits any more.
  if (FQueue.empty()) TellLeftOut();
  FRunningQueue = false;
  if (!FQueue.empty()) PostQueueRun();
}

void TRequestCommands::ImportEnded() {
  if (FContext.Road.StartFailed() && FContext.Road.Program().Playing()) FRestepPending = true;
  PostQueueRun();
}

void TRequestCommands::QueueTimerTimer(TObject*) {
  FParts.QueueTimer->SetEnabled(false);
  if (FCloseWhenImported && !FContext.Window.Importing()) {
    FCloseWhenImported = false;
    FContext.Close();
    return;
  }
  if (FRestepPending && QueueMayRun()) {
    FRestepPending = false;
    if (FContext.Road.StartFailed() && FContext.Road.Program().Playing())
      FContext.Road.Program().StepProgram(true);
  }
  RunQueuedRequests();
}

TRequestCommands::TRequestCommands(const TRequestContext& context) : FContext(context) {}

TRequestCommands::~TRequestCommands() = default;
