// File-system controls over the standard list and combo boxes.
#include "FileCtrls.h"
#include <windows.h>
#include <windowsx.h>
#include <algorithm>
#include "Handles.h"
#include "SysUtils.h"

namespace {

TDriveSource gDriveSource;

std::string RootOf(char letter) {
  return std::string(1, letter) + ":\\";
}

// Sub-folders or files of a folder, sorted ignoring case.
std::vector<std::string> ListFolder(const std::string& folder, bool folders,
                                    const std::vector<std::string>& masks) {
  std::vector<std::string> names;
  std::string prefix = IncludeTrailingBackslash(folder);
  if (prefix.size() + 1 >= MAX_PATH) return names;
  WIN32_FIND_DATAA fd;
  TFindHandle h(FindFirstFileA((prefix + "*").c_str(), &fd));
  if (!h) return names;
  do {
    std::string name = fd.cFileName;
    bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder != folders || name == "." || name == "..") continue;
    if (!folders) {
      bool match = false;
      for (const auto& m : masks)
        match = match || MatchesFileMask(name, m);
      if (!match) continue;
    }
    names.push_back(name);
  } while (FindNextFileA(h.Get(), &fd));
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  return names;
}

std::vector<std::string> SplitMasks(const std::string& mask) {
  std::vector<std::string> masks;
  size_t start = 0;
  while (start <= mask.size()) {
    size_t end = mask.find(';', start);
    if (end == std::string::npos) end = mask.size();
    std::string m = Trim(mask.substr(start, end - start));
    if (!m.empty()) masks.push_back(m);
    start = end + 1;
  }
  if (masks.empty()) masks.push_back("*.*");
  return masks;
}

} // namespace

bool MatchesFileMask(const std::string& name, const std::string& mask) {
  if (mask == "*.*" || mask == "*") return true;
  // One backtrack point, the last "*" seen; ASCII case ignored.
  const char *n = name.c_str(), *m = mask.c_str(), *star = nullptr, *afterStar = nullptr;
  auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  while (*n) {
    if (*m == '*') {
      star = m++;
      afterStar = n;
    } else if (*m && (*m == '?' || up(*m) == up(*n))) {
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

// --- drives
// ---------------------------------------------------------------------------------------------

std::vector<TDriveInfo> SystemDrives() {
  std::vector<TDriveInfo> drives;
  DWORD mask = GetLogicalDrives();
  for (char c = 'A'; c <= 'Z'; ++c) {
    if (!(mask & (1u << (c - 'A')))) continue;
    TDriveInfo d;
    d.Letter = c;
    d.Root = RootOf(c);
    d.Type = GetDriveTypeA(d.Root.c_str());
    drives.push_back(d);
  }
  return drives;
}

void SetDriveSource(TDriveSource source) {
  gDriveSource = std::move(source);
}

std::vector<TDriveInfo> ListDrives() {
  return gDriveSource ? gDriveSource() : SystemDrives();
}

bool IsDriveReady(char letter) {
  char up = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 32) : letter;
  if (up < 'A' || up > 'Z') throw EConvertError("Invalid drive ID");
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  ULARGE_INTEGER total{};
  BOOL ok = GetDiskFreeSpaceExA(RootOf(up).c_str(), nullptr, &total, nullptr);
  SetErrorMode(old);
  return ok != FALSE;
}

// --- drive box
// ------------------------------------------------------------------------------------------

TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TComboBox(AOwner) {
  SetStyle(csDropDownList);
  char folder[MAX_PATH] = {};
  if (GetCurrentDirectoryA(MAX_PATH, folder) && folder[1] == ':')
    FDrive = static_cast<char>(toupper(static_cast<unsigned char>(folder[0])));
}

void TDriveComboBox::BuildList() {
  FLetters.clear();
  Items().Clear();
  for (const TDriveInfo& d : SystemDrives()) {
    FLetters.push_back(d.Letter);
    Items().Add(std::string(1, d.Letter) + ":");
  }
  auto at = std::find(FLetters.begin(), FLetters.end(), FDrive);
  SetItemIndex(at == FLetters.end() ? -1 : static_cast<int>(at - FLetters.begin()));
}

void TDriveComboBox::InitWnd() {
  if (FLetters.empty()) BuildList();
  TComboBox::InitWnd();
}

void TDriveComboBox::SetDrive(char letter) {
  letter = static_cast<char>(toupper(static_cast<unsigned char>(letter)));
  FDrive = letter;
  if (FLetters.empty()) BuildList();
  auto at = std::find(FLetters.begin(), FLetters.end(), letter);
  SetItemIndex(at == FLetters.end() ? -1 : static_cast<int>(at - FLetters.begin()));
  if (FDirList && FDirList->Drive() != letter) FDirList->SetDrive(letter);
}

void TDriveComboBox::Change() {
  int index = ItemIndex();
  if (index >= 0 && index < static_cast<int>(FLetters.size())) FDrive = FLetters[index];
  // The handler may refuse the drive and set another; the folder list follows what stays.
  TComboBox::Change();
  if (FDirList && FDirList->Drive() != FDrive) FDirList->SetDrive(FDrive);
}

// --- folder list
// ----------------------------------------------------------------------------------------

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner) : TListBox(AOwner) {
  char folder[MAX_PATH] = {};
  if (GetCurrentDirectoryA(MAX_PATH, folder)) FDirectory = folder;
  // The list shows its folder from the start, not only once another is opened.
  if (!FDirectory.empty()) {
    FLastOnDrive[static_cast<char>(toupper(static_cast<unsigned char>(FDirectory[0])))] =
        FDirectory;
    Fill();
  }
}

std::string TDirectoryListBox::PathOf(int index) const {
  return index >= 0 && index < static_cast<int>(FPaths.size()) ? FPaths[index] : "";
}

void TDirectoryListBox::SetFileList(TFileListBox* value) {
  FFileList = value;
  if (FFileList) FFileList->SetDirectory(FDirectory);
}

bool TDirectoryListBox::SetDirectory(const std::string& folder) {
  std::string full = ExpandFileName(folder);
  if (full.size() > 3) full = ExcludeTrailingBackslash(full);
  if (full.size() == 2 && full[1] == ':') full += "\\";
  if (full.size() + 2 >= MAX_PATH || !DirectoryExists(full)) return false;
  FDirectory = full;
  FLastOnDrive[static_cast<char>(toupper(static_cast<unsigned char>(full[0])))] = full;
  Fill();
  if (FFileList) FFileList->SetDirectory(FDirectory);
  if (OnChange) OnChange(this);
  return true;
}

bool TDirectoryListBox::SetDrive(char letter) {
  letter = static_cast<char>(toupper(static_cast<unsigned char>(letter)));
  auto it = FLastOnDrive.find(letter);
  if (it != FLastOnDrive.end() && SetDirectory(it->second)) return true;
  return SetDirectory(RootOf(letter));
}

void TDirectoryListBox::Fill() {
  FPaths.clear();
  TStringList lines;
  // The open folder's levels, the root first, each indented one step further.
  std::string path = IncludeTrailingBackslash(FDirectory);
  std::string level = path.substr(0, 3);
  int depth = 0;
  FPaths.push_back(level);
  lines.Add(UpperCase(level));
  size_t pos = 3;
  while (pos < path.size()) {
    size_t slash = path.find('\\', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string name = path.substr(pos, slash - pos);
    ++depth;
    FPaths.push_back(path.substr(0, slash));
    lines.Add(std::string(depth * 2, ' ') + name);
    pos = slash + 1;
  }
  int open = static_cast<int>(FPaths.size()) - 1;
  std::string prefix = IncludeTrailingBackslash(FDirectory);
  for (const auto& name : ListFolder(FDirectory, true, {})) {
    FPaths.push_back(prefix + name);
    lines.Add(std::string((depth + 1) * 2, ' ') + name);
  }
  Items().Assign(lines);
  SetItemIndex(open);
}

void TDirectoryListBox::DblClick() {
  std::string path = PathOf(ItemIndex());
  TListBox::DblClick();
  if (!path.empty() && path != FDirectory) SetDirectory(path);
}

void TDirectoryListBox::WndProc(TMessage& m) {
  if (m.Msg == WM_KEYDOWN && m.WParam == VK_RETURN) {
    DblClick();
    return;
  }
  if (m.Msg == WM_GETDLGCODE && m.WParam == VK_RETURN) {
    TListBox::WndProc(m);
    m.Result |= DLGC_WANTALLKEYS;
    return;
  }
  if (m.Msg == WM_LBUTTONDBLCLK) {
    // The list selects the line first, then the folder opens.
    TListBox::WndProc(m);
    return;
  }
  TListBox::WndProc(m);
}

// --- file list
// ------------------------------------------------------------------------------------------

TFileListBox::TFileListBox(TComponent* AOwner) : TListBox(AOwner) {
  char folder[MAX_PATH] = {};
  if (GetCurrentDirectoryA(MAX_PATH, folder)) FDirectory = folder;
}

void TFileListBox::SetDirectory(const std::string& folder) {
  FDirectory = folder;
  Update();
}

void TFileListBox::SetMask(const std::string& mask) {
  FMask = mask;
  Update();
}

void TFileListBox::Update() {
  TStringList lines;
  for (const auto& name : ListFolder(FDirectory, false, SplitMasks(FMask)))
    lines.Add(name);
  Items().Assign(lines);
}

std::vector<std::string> TFileListBox::SelectedNames() {
  std::vector<std::string> names;
  if (!HandleAllocated()) return names;
  for (int i = 0; i < Items().Count(); ++i)
    if (Selected(i)) names.push_back(Items()[i]);
  return names;
}

void TFileListBox::WndProc(TMessage& m) {
  if (DragMouseMessage(this, m)) return;
  switch (m.Msg) {
  case WM_LBUTTONDOWN: {
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    const int item = ItemAtPos(p, true);
    FPressed = item >= 0;
    FPressPoint = p;
    // A plain press on one of several selected files may start dragging them all: the list would
    // keep only that file, so it hears of the press only once the button comes up undragged.
    FDeferredPress = FPressed && MultiSelect() && !(m.WParam & (MK_SHIFT | MK_CONTROL)) &&
                     Selected(item) && SelCount() > 1;
    if (FDeferredPress) {
      FDeferredKeys = m.WParam;
      if (GetFocus() != FHandle) SetFocus();
      SetCapture(FHandle);
      return;
    }
    break;
  }
  case WM_LBUTTONUP:
    FPressed = false;
    if (FDeferredPress) {
      // A click without a drag: the list selects that file alone, as for any click.
      FDeferredPress = false;
      if (GetCapture() == FHandle) ReleaseCapture();
      TMessage down{WM_LBUTTONDOWN, FDeferredKeys, MAKELPARAM(FPressPoint.x, FPressPoint.y), 0};
      TListBox::WndProc(down);
    }
    break;
  case WM_MOUSEMOVE:
    if (FPressed && (m.WParam & MK_LBUTTON) && !Dragging()) {
      int dx = GET_X_LPARAM(m.LParam) - FPressPoint.x, dy = GET_Y_LPARAM(m.LParam) - FPressPoint.y;
      if (std::abs(dx) > 4 || std::abs(dy) > 4) {
        FPressed = false;
        if (FDeferredPress) {
          // The list never heard of the press: the selection stays whole for the drag.
          FDeferredPress = false;
          if (GetCapture() == FHandle) ReleaseCapture();
        } else {
          // The list ends its own selecting (and lets go of the mouse) before the drag takes it.
          TMessage up{WM_LBUTTONUP, 0, MAKELPARAM(FPressPoint.x, FPressPoint.y), 0};
          TListBox::WndProc(up);
        }
        BeginDrag(this);
        return;
      }
    } else if (!(m.WParam & MK_LBUTTON)) {
      FPressed = false;
    }
    break;
  case WM_CAPTURECHANGED:
    // Another window took the mouse before the button came up: the press is forgotten.
    if (FDeferredPress && reinterpret_cast<HWND>(m.LParam) != FHandle) {
      FDeferredPress = false;
      FPressed = false;
    }
    break;
  }
  TListBox::WndProc(m);
}

void TFileListBox::DoEndDrag(TObject* Target, int X, int Y) {
  FPressed = false;
  TDragClient::DoEndDrag(Target, X, Y);
}

// --- filter box
// -----------------------------------------------------------------------------------------

TFilterComboBox::TFilterComboBox(TComponent* AOwner) : TComboBox(AOwner) {
  SetStyle(csDropDownList);
  SetFilter("All files (*.*)|*.*");
}

void TFilterComboBox::SetFilter(const std::string& filter) {
  FFilter = filter;
  FMasks.clear();
  TStringList texts;
  size_t start = 0;
  while (start < filter.size()) {
    size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    std::string text = filter.substr(start, bar - start);
    size_t maskEnd = bar < filter.size() ? filter.find('|', bar + 1) : std::string::npos;
    if (maskEnd == std::string::npos) maskEnd = filter.size();
    std::string mask = bar < filter.size() ? filter.substr(bar + 1, maskEnd - bar - 1) : "*.*";
    texts.Add(text);
    FMasks.push_back(Trim(mask).empty() ? "*.*" : Trim(mask));
    start = maskEnd + 1;
  }
  Items().Assign(texts);
  SetItemIndex(FMasks.empty() ? -1 : 0);
  if (FFileList) FFileList->SetMask(Mask());
}

std::string TFilterComboBox::Mask() {
  int index = ItemIndex();
  return index >= 0 && index < static_cast<int>(FMasks.size()) ? FMasks[index] : "*.*";
}

void TFilterComboBox::SetFileList(TFileListBox* value) {
  FFileList = value;
  if (FFileList) FFileList->SetMask(Mask());
}

void TFilterComboBox::Change() {
  if (FFileList) FFileList->SetMask(Mask());
  TComboBox::Change();
}
