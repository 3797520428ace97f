// Requests from the command line, a second start and the browser plug-in, and dropped files.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>
#include "ImportCommands.h"

class TExportCommands;
class TImportCommands;
class TMainCatalogue;
class TMainServices;
class TMenuItem;
class TObject;
class TPlayRoad;
class TPlayRoadView;
class TTimer;

// What the requests work with: the window's busy state, status line and progress bar, whether it
// closes, imports or loads, the catalogue, the play road and the view it shows on, the imports
// and exports a request runs, the note that a request came from outside (the reminder to scan
// waits for another start), and the window's close, which a close put off by an import becomes.
struct TRequestContext {
  TMainServices& Window;
  const TMainCatalogue& Catalogue;
  TPlayRoad& Road;
  TPlayRoadView& RoadView;
  TImportCommands& ImportCommands;
  TExportCommands& ExportCommands;
  std::function<void()> RequestSeen;
  std::function<void()> Close;
};

// The window's parts the requests use: the looping item a plug-in request ticks, the plug-in
// request timer and the queue's timer.
struct TRequestParts {
  TMenuItem* Looping1 = nullptr;
  TTimer* NavPITimer = nullptr;
  TTimer* QueueTimer = nullptr;
};

// The main window's requests: they wait in a queue until start-up is done and no import or title
// start runs; then they run one at a time.
class TRequestCommands {
public:
  explicit TRequestCommands(const TRequestContext& context);
  // The parts it uses, once the window has built them.
  void SetParts(const TRequestParts& parts) { FParts = parts; }
  ~TRequestCommands();
  TRequestCommands(const TRequestCommands&) = delete;
  TRequestCommands& operator=(const TRequestCommands&) = delete;

  // A queued request line, or the files of one drop with the category they were dropped on.
  struct TQueued {
    bool Drop = false;
    std::string Text;
    int Index = 0;
    std::vector<std::string> Files;
    std::string Category;
  };

  // One request from the command line, a second start or the plug-in.
  void ProcessRequest(const std::string& text, int index);

  // One dropped file, imported into the active category (the all-titles page: "Windows default").
  void DropFile(const std::string& path, const std::string& category);

  // Tells in one box which requested or dropped files were left out since the last time.
  void TellLeftOut();

  // The plug-in request timer: runs the pending request.
  void NavPITimerTimer(TObject* Sender);
  void QueueTimerTimer(TObject* Sender);

  // Requests, second starts' lines and drops wait here until start-up is done and no import or
  // title start runs; then they run one at a time.
  int QueuedRequests() const { return static_cast<int>(FQueue.size()); }
  void RunQueuedRequests();
  // Start-up is done: what waits may run from now on.
  void OpenQueue() { FQueueOpen = true; }
  // Shutdown drops what still waits.
  void ClearQueue() { FQueue.clear(); }

  // Every request handed to ProcessRequest, in order.
  const std::vector<std::string>& HandledRequests() const { return FHandledRequests; }
  void Enqueue(TQueued item);
  void PostQueueRun();
  bool QueueMayRun() const;
  void RunDrop(const TQueued& drop);
  void TakeDroppedFiles(void* drop); // an HDROP
  void ReceivePluginRequest(unsigned atom);
  void SendBadFileBitmap();
  void RefreshCategoryViews();
  std::string ActiveCategoryName() const;
  // The last import ended: a title start that gave up waiting for it is stepped again.
  void ImportEnded();
  // A close came while an import ran: it follows once the import is over.
  void CloseWhenImported() { FCloseWhenImported = true; }

private:
  TRequestContext FContext;
  TRequestParts FParts;
  bool FCloseWhenImported = false, FRestepPending = false;
  std::deque<TQueued> FQueue;
  bool FQueueOpen = false, FRunningQueue = false;
  std::vector<std::string> FHandledRequests;
  TLeftOutFiles FLeftOut;
};
