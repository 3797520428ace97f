// Files dropped as the shell drops them: the DROPFILES head, then the names, double-terminated.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include <vector>

inline std::string DropFilesBlock(const std::vector<std::string>& files) {
  std::string block(sizeof(DROPFILES), '\0');
  auto* head = reinterpret_cast<DROPFILES*>(block.data());
  head->pFiles = sizeof(DROPFILES);
  head->fWide = FALSE;
  for (const std::string& f : files)
    block += f + '\0';
  block += '\0';
  return block;
}

// The block in a global handle of this process, as WM_DROPFILES carries it; the window that takes
// the drop frees it.
inline HGLOBAL MakeDrop(const std::vector<std::string>& files) {
  const std::string block = DropFilesBlock(files);
  HGLOBAL h = GlobalAlloc(GHND, block.size());
  memcpy(GlobalLock(h), block.data(), block.size());
  GlobalUnlock(h);
  return h;
}
