// Listing and clearing the files of a folder tree by mask.
#include "FolderTools.h"
#include "Classes.h"
#include "FileCtrls.h"
#include "Handles.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SysUtils.h"
#include <windows.h>
#include <new>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using TFolderId = std::pair<DWORD, uint64_t>; // volume serial, file index

// A folder's identity on its volume; false when the folder cannot be opened.
bool FolderIdentity(const std::string& folder, TFolderId& id) {
  TKernelHandle h(CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h.Get(), &info)) return false;
  id = {info.dwVolumeSerialNumber,
        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return true;
}

struct TTreeWalk {
  std::string Mask;
  const TTreeWalkEvents* Events;
  std::set<TFolderId> Visited;
  bool Stopped = false;

  bool AskStop() {
    if (!Stopped && Events->Stopped && Events->Stopped()) Stopped = true;
    return Stopped;
  }
  void Break() {
    if (Events->OnBreak) Events->OnBreak();
  }

  void Walk(const std::string& folder) {
    std::string prefix = IncludeTrailingBackslash(folder);
    // Windows cannot list or open a path this long; trying would only fail.
    if (prefix.size() + 1 >= MAX_PATH) return;
    TFolderId id;
    // A folder whose identity is unknown is still listed (some file systems give none); the
    // reparse-point test below keeps links out either way.
    if (FolderIdentity(folder, id) && id.second != 0 && !Visited.insert(id).second) return;
    WIN32_FIND_DATAA fd;
    TFindHandle h(FindFirstFileA((prefix + "*").c_str(), &fd));
    if (!h) return;
    std::vector<std::string> subfolders;
    int sinceBreak = 0;
    do {
      std::string name = fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (name != "." && name != ".." && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
          subfolders.push_back(prefix + name);
      } else if (MatchesMask(name, Mask) && prefix.size() + name.size() < MAX_PATH) {
        if (AskStop()) return;
        if (Events->OnFile) Events->OnFile(prefix + name);
        if (Events->FilesPerBreak > 0 && ++sinceBreak >= Events->FilesPerBreak) {
          sinceBreak = 0;
          Break();
        }
      }
    } while (FindNextFileA(h.Get(), &fd));
    h.Reset(); // the search ends before the walk goes deeper
    for (const auto& sub : subfolders) {
      if (AskStop()) return;
      Walk(sub);
      if (Stopped) return;
      Break();
    }
    if (AskStop()) return;
    if (Events->OnFolderDone) Events->OnFolderDone(folder);
  }
};

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  return MatchesFileMask(name, mask);
}

bool WalkFolderTree(const std::string& folder, const std::string& mask,
                    const TTreeWalkEvents& events) {
  TTreeWalk walk;
  walk.Mask = mask;
  walk.Events = &events;
  walk.Walk(ExcludeTrailingBackslash(ExpandFileName(folder)));
  return !walk.Stopped;
}

bool ListFilesInTree(const std::string& folder, const std::string& mask, TStringList& list) {
  bool full = false;
  TTreeWalkEvents events;
  events.OnFile = [&](const std::string& path) {
    try {
      list.Add(path);
    } catch (const std::bad_alloc&) {
      full = true;
    } catch (const std::length_error&) {
      full = true;
    }
  };
  events.Stopped = [&] { return full; };
  events.OnBreak = [] { LetMessagesRun(); };
  events.FilesPerBreak = 0; // as before: messages between folders only
  WalkFolderTree(folder, mask, events);
  if (full)
    PlainMessageBox("ERROR: FileCount > TStringList capacity.", "Tonalbrook",
                    TMessageKind::Information, TMessageButtons::OK);
  return !full;
}

int ClearDirectory(const std::string& folder, const std::string& mask) {
  std::string full = folder.empty() ? "" : ExpandFileName(folder);
  // The folder must be neither the program's folder nor above it; the test is on full paths and
  // ignores case, as Windows does, so no spelling of the program folder slips through.
  std::string app = UpperCase(IncludeTrailingBackslash(AppFolder()));
  std::string target = UpperCase(IncludeTrailingBackslash(full));
  if (!full.empty() && app.compare(0, target.size(), target) == 0) {
    PlainMessageBox("Error: Do not clear app directory", "Tonalbrook", TMessageKind::Error,
                    TMessageButtons::OK);
    return 0;
  }
  if (full.empty() || !DirectoryExists(full)) {
    PlainMessageBox("Potential error in ClearDirectory", "Tonalbrook", TMessageKind::Warning,
                    TMessageButtons::OK);
    return 0;
  }
  TStringList files;
  ListFilesInTree(full, mask, files);
  int deleted = 0;
  for (int i = files.Count() - 1; i >= 0; --i)
    if (DeleteFileA(files[i].c_str())) ++deleted;
  return deleted;
}
