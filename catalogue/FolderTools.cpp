// Listing and clearing the files of a folder tree by mask.
#include "FolderTools.h"
#include "Classes.h"
#include "Handles.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SysUtils.h"
#include <windows.h>
#include <new>
#include <set>
#include <stdexcept>
#include <utility>

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
  TStringList* List;
  std::set<TFolderId> Visited;
  bool Full = false;

  void Walk(const std::string& folder) {
    TFolderId id;
    // A folder whose identity is unknown is still listed (some file systems give none); the
    // reparse-point test below keeps links out either way.
    if (FolderIdentity(folder, id) && !Visited.insert(id).second) return;
    std::string prefix = IncludeTrailingBackslash(folder);
    WIN32_FIND_DATAA fd;
    TFindHandle h(FindFirstFileA((prefix + "*").c_str(), &fd));
    if (!h) return;
    std::vector<std::string> subfolders;
    do {
      std::string name = fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (name != "." && name != ".." && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
          subfolders.push_back(prefix + name);
      } else if (MatchesMask(name, Mask)) {
        try {
          List->Add(prefix + name);
        } catch (const std::bad_alloc&) {
          Full = true;
        } catch (const std::length_error&) {
          Full = true;
        }
        if (Full) break;
      }
    } while (FindNextFileA(h.Get(), &fd));
    h.Reset(); // the search ends before the walk goes deeper
    if (Full) {
      PlainMessageBox("ERROR: FileCount > TStringList capacity.", "Tonalbrook",
                      MB_OK | MB_ICONINFORMATION);
      return;
    }
    for (const auto& sub : subfolders) {
      Walk(sub);
      LetMessagesRun();
      if (Full) return;
    }
  }
};

bool SameChar(char a, char b) {
  unsigned char x = static_cast<unsigned char>(a), y = static_cast<unsigned char>(b);
  if (x >= 'a' && x <= 'z') x -= 32;
  if (y >= 'a' && y <= 'z') y -= 32;
  return x == y;
}

// Wildcard match with one backtrack point, the last "*" seen.
bool MatchFrom(const char* n, const char* m) {
  const char* star = nullptr;
  const char* afterStar = nullptr;
  while (*n) {
    if (*m == '*') {
      star = m++;
      afterStar = n;
    } else if (*m && (*m == '?' || SameChar(*m, *n))) {
      ++m;
      ++n;
    } else if (star) {
      m = star + 1;
      n = ++afterStar;
    } else {
      return false;
    }
  }
  while (*m == '*')
    ++m;
  return *m == 0;
}

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  if (mask == "*.*") return true; // the classic "every file", dot or not
  return MatchFrom(name.c_str(), mask.c_str());
}

bool ListFilesInTree(const std::string& folder, const std::string& mask, TStringList& list) {
  TTreeWalk walk;
  walk.Mask = mask;
  walk.List = &list;
  walk.Walk(ExcludeTrailingBackslash(ExpandFileName(folder)));
  return !walk.Full;
}

int ClearDirectory(const std::string& folder, const std::string& mask) {
  std::string full = folder.empty() ? "" : ExpandFileName(folder);
  // The folder must be neither the program's folder nor above it; the test is on full paths and
  // ignores case, as Windows does, so no spelling of the program folder slips through.
  std::string app = UpperCase(IncludeTrailingBackslash(AppFolder()));
  std::string target = UpperCase(IncludeTrailingBackslash(full));
  if (!full.empty() && app.compare(0, target.size(), target) == 0) {
    PlainMessageBox("Error: Do not clear app directory", "Tonalbrook", MB_OK | MB_ICONERROR);
    return 0;
  }
  if (full.empty() || !DirectoryExists(full)) {
    PlainMessageBox("Potential error in ClearDirectory", "Tonalbrook", MB_OK | MB_ICONWARNING);
    return 0;
  }
  TStringList files;
  ListFilesInTree(full, mask, files);
  int deleted = 0;
  for (int i = files.Count() - 1; i >= 0; --i)
    if (DeleteFileA(files[i].c_str())) ++deleted;
  return deleted;
}
