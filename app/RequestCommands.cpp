// Requests from outside the main window's own commands: this start's command line, a second
// start's hand-off, the browser plug-in, and files dropped from the shell. They wait in one queue
// and run one at a time once start-up is done and no import or title start runs.
#include <windows.h>
#include <shellapi.h>
#include "MailHandOff.h"
#include "HourGlass.h"
#include "ImportCommands.h"
#include "MainCodeD2.h"
#include "ExportCommands.h"
#include "Messages.h"
#include "OnceOnly.h"
#include "SysUtils.h"

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

void TMasterFrm::ProcessRequest(const std::string& text, int) {
  FRequestSeen = true;
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
  TMyDB* db = FDMM2 ? FDMM2->MyDB() : nullptr;
  if (!db || !db->Loaded()) return;

  TStringList keys;
  int32_t found = -1;
  if (db->FindIdByFileName(StoredOrigin(origin), found)) {
    keys.Add(IntToStr(found));
  } else {
    std::string result;
    // Quiet, with the duplicate test on: an archive asked for again adds nothing again.
    FImportCommands->AddFileByType(path, title, result, true, true, origin, "Unknown", category);
    if (result == "OK")
      for (int32_t key : FImportCommands->AddedKeys())
        keys.Add(IntToStr(key));
    else if (nv)
      SendBadFileBitmap();
  }
  if (keys.Count() == 0) return;
  if (nv || bare || command == 'P' || command == 'O') {
    auto hourglass = HourGlass();
    if (nv) {
      FLooping1->SetChecked(true);
      FRoad->SetLooping(true);
      FRoad->Program().ReplaceAndPlay(keys);
    } else {
      FRoad->Program().PlayAtTop(keys);
    }
    UpdatePlayControls();
    RefreshCategoryViews();
    ProgramChanged();
  } else {
    // "M" hands the title to the mail window once there is one; "Z" only adds.
    RefreshCategoryViews();
    if (command == 'M') FExportCommands->MailTitles(keys);
  }
}

void TMasterFrm::RefreshCategoryViews() {
  if (!FCatList || !FCatList->Loaded()) return;
  FCatList->ResortAll();
  FCatList->UpdateAllSummaries();
}

void TMasterFrm::SendBadFileBitmap() {
  HWND receiver = FindWindowA("TMsgRcvFrm", nullptr);
  if (!receiver || !QxMessages.ShowBadFileBitmap) return;
  DWORD_PTR ignored = 0;
  // The receiver lives in a browser; a hung browser must not hang the program.
  SendMessageTimeoutA(receiver, QxMessages.ShowBadFileBitmap, 0, 0, SMTO_ABORTIFHUNG, 1000,
                      &ignored);
}

// --- drops
// -----------------------------------------------------------------------------------------

std::string TMasterFrm::ActiveCategoryName() const {
  int index = FCatList ? FCatList->ActiveIndex() : -1;
  std::string name = index >= 0 ? Trim(FCatList->Items(index).Name) : "";
  return name.empty() ? "Windows default" : name;
}

void TMasterFrm::DropFile(const std::string& path, const std::string& category) {
  if (!FileExists(path)) return;
  std::string result;
  FImportCommands->AddFileByType(path, DropTitleOf(path), result, true, false, path, "Unknown",
                                 category);
  RefreshCategoryViews();
}

void TMasterFrm::TakeDroppedFiles(void* handle) {
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

void TMasterFrm::RunDrop(const TQueued& drop) {
  auto hourglass = HourGlass();
  TBusyState busy(*this);
  const int count = static_cast<int>(drop.Files.size());
  SetStatus("Importing drag/drop files...", true);
  ProgressStart(count - 1);
  for (int i = 0; i < count && !FRoad->Aborted(); ++i) {
    DropFile(drop.Files[i], drop.Category);
    ProgressPosition(i + 1);
  }
  ProgressDone();
  SetStatus("Done", true);
}

// --- the plug-in
// -----------------------------------------------------------------------------------

void TMasterFrm::ReceivePluginRequest(unsigned atom) {
  std::string request;
  if (atom) {
    char text[513] = {};
    UINT n = GlobalGetAtomNameA(static_cast<ATOM>(atom), text, 512);
    request.assign(text, n);
    GlobalDeleteAtom(static_cast<ATOM>(atom));
  }
  if (!Trim(request).empty() && !FRoad->Aborted() && !FClosed) {
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
  if (StartUpDone && FQueueOpen) FNavPITimer->SetEnabled(true);
  EnumWindows(RepaintNetscape, 0);
}

void TMasterFrm::NavPITimerTimer(TObject*) {
  FNavPITimer->SetEnabled(false);
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

void TMasterFrm::Enqueue(TQueued item) {
  if (FRoad->Aborted() || FClosed) return; // closing: nothing new starts
  FQueue.push_back(std::move(item));
  PostQueueRun();
}

void TMasterFrm::PostQueueRun() {
  // A timer, not a posted message: it dies with the window, a posted message would not.
  FQueueTimer->SetEnabled(true);
}

bool TMasterFrm::QueueMayRun() const {
  return FQueueOpen && !FRunningQueue && !FClosed && !FRoad->Aborted() && FImportDepth == 0 &&
         !FLoading && !FRoad->StartInProgress() && !FRoad->Program().Stepping();
}

void TMasterFrm::RunQueuedRequests() {
  if (!QueueMayRun() || FQueue.empty()) return;
  TQueued item = std::move(FQueue.front());
  FQueue.pop_front();
  TFlagHold running(FRunningQueue);
  if (item.Drop)
    RunDrop(item);
  else
    ProcessRequest(item.Text, item.Index);
  FRunningQueue = false;
  if (!FQueue.empty()) PostQueueRun();
}

void TMasterFrm::ImportEnded() {
  // A title start that gave up waiting for this import gets its turn.
  if (FRoad->StartFailed() && FRoad->Program().Playing()) FRestepPending = true;
  PostQueueRun();
}

void TMasterFrm::QueueTimerTimer(TObject*) {
  FQueueTimer->SetEnabled(false);
  if (FCloseWhenImported && FImportDepth == 0) {
    FCloseWhenImported = false;
    Close();
    return;
  }
  if (FRestepPending && QueueMayRun()) {
    FRestepPending = false;
    if (FRoad->StartFailed() && FRoad->Program().Playing()) FRoad->Program().StepProgram(true);
  }
  RunQueuedRequests();
}
