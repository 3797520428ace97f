// The browser plug-in manager window and its file operations.
#include "ManageNPICode.h"
#include <windows.h>
#include <algorithm>
#include "FileOps.h"
#include "FolderTools.h"
#include "HourGlass.h"
#include "ProgramWide.h"
#include "PlugInDirs.h"
#include "SysUtils.h"

TManageNPIFrm* ManageNPIFrm = nullptr;

namespace {

const char* const ConflictMask = "NP*.dll";
const char* const DisabledMask = "QXXNP*.dllBAK";
const char* const CloseBrowserText = "Please close your open Netscape window(s) and retry!";
const char* const UntilReenabled =
    "until you choose the Re-enable option below or remove Tonalbrook as a plugin.";

BOOL CALLBACK CountNetscape(HWND window, LPARAM data) {
  char title[513] = {};
  int n = GetWindowTextA(window, title, 512);
  if (UpperCase(std::string(title, n > 0 ? n : 0)).find("NETSCAPE") != std::string::npos)
    ++*reinterpret_cast<int*>(data);
  return TRUE;
}

std::string CountText(int n) {
  return std::to_string(n);
}

} // namespace

std::string DisabledPlugInName(const std::string& path) {
  return ExtractFilePath(path) + "QXX" + ExtractFileName(path) + "BAK";
}

std::string EnabledPlugInName(const std::string& disabledPath) {
  std::string name = ExtractFileName(disabledPath);
  if (name.size() < 6) return disabledPath;
  return ExtractFilePath(disabledPath) + name.substr(3, name.size() - 6);
}

TManageNPIFrm::TManageNPIFrm(TComponent* AOwner) : TForm(AOwner) {
  SetName("ManageNPIFrm");
  SetCaption(" Manage Navigator plugin");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetClientWidth(420);
  SetClientHeight(268);
  SetPosition(poMainFormCenter);

  auto button = [this](TWinControl* parent, const char* name, const char* caption, int help) {
    auto* b = new TBitBtn(this);
    b->SetName(name);
    b->SetCaption(caption);
    b->SetHelpContext(help);
    b->SetParent(parent);
    return b;
  };
  auto radio = [this](const char* name, const char* caption, int help, int top) {
    auto* r = new TRadioButton(this);
    r->SetName(name);
    r->SetCaption(caption);
    r->SetHelpContext(help);
    r->SetBounds(12, top, 380, 18);
    r->SetParent(RadioGroup1);
    return r;
  };

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName("GroupBox1");
  GroupBox1->SetCaption(" Manage plugin status ");
  GroupBox1->SetHelpContext(7002);
  GroupBox1->Font().SetStyle({fsBold});
  GroupBox1->SetBounds(8, 4, 404, 60);
  GroupBox1->SetParent(this);
  BitBtn1 = button(GroupBox1, "BitBtn1", "&Install Tonalbrook plugin", 7003);
  BitBtn1->SetBounds(12, 22, 186, 27);
  BitBtn2 = button(GroupBox1, "BitBtn2", "&Remove Tonalbrook plugin", 7004);
  BitBtn2->SetBounds(206, 22, 186, 27);

  RadioGroup1 = new TGroupBox(this);
  RadioGroup1->SetName("RadioGroup1");
  RadioGroup1->SetCaption(" Choose configuration for conflicting plugins... ");
  RadioGroup1->SetHelpContext(7005);
  RadioGroup1->Font().SetStyle({fsBold});
  RadioGroup1->SetBounds(8, 70, 404, 150);
  RadioGroup1->SetParent(this);
  RadioButton1 = radio("RadioButton1", "Ignore them:  Tonalbrook plugin may not work!", 7006, 22);
  RadioButton2 =
      radio("RadioButton2", "Disable them while Tonalbrook is open, then re-enable them", 7007, 44);
  RadioButton3 = radio("RadioButton3", "Disable conflicting plugins", 7008, 66);
  RadioButton4 = radio("RadioButton4", "Re-enable previously disabled plugins", 7009, 88);
  for (TControl* c : {static_cast<TControl*>(BitBtn1), static_cast<TControl*>(BitBtn2),
                      static_cast<TControl*>(RadioButton1), static_cast<TControl*>(RadioButton2),
                      static_cast<TControl*>(RadioButton3), static_cast<TControl*>(RadioButton4)})
    c->Font().SetStyle({});
  RadioButton2->SetChecked(true);
  BitBtn4 = button(RadioGroup1, "BitBtn4", "&Execute configuration", 7010);
  BitBtn4->Font().SetStyle({});
  BitBtn4->SetBounds(110, 114, 186, 27);
  BitBtn3 = button(this, "BitBtn3", "&Close", 7011);
  BitBtn3->SetBounds(166, 232, 89, 27);
  BitBtn3->SetModalResult(mrOk);
  MD1 = new TMessageDialog(this);
  MD1->SetName("MD1");
  // Paths appear in the texts: a "\n" in a folder name ("C:\new") is no line break here.
  MD1->SetLineSeparator("");

  BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
  BitBtn2->OnClick = [this](TObject* s) { BitBtn2Click(s); };
  BitBtn4->OnClick = [this](TObject* s) { BitBtn4Click(s); };
  for (TRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton4})
    r->OnClick = [this](TObject*) {
      BitBtn4->SetEnabled(BitBtn2->Enabled() && !RadioButton1->Checked());
    };
  OnShow = [this](TObject* s) { FormShow(s); };
  FTuneFiles.OnMessageBox = [this](const std::string& text, TMessageKind kind, int,
                                   TMessageButtons) {
    MD1->SetText(text);
    MD1->SetKind(kind);
    MD1->SetButtonSet(TMessageButtons::OK);
    MD1->Execute();
    return TMessageAnswer::OK;
  };
}

std::string TManageNPIFrm::Folder() const {
  return IncludeTrailingBackslash(ProgramFolderOf ? ProgramFolderOf() : ProgramFolder());
}

std::string TManageNPIFrm::ListPath() const {
  return Folder() + TempDisabledListFile;
}

void TManageNPIFrm::SetFlag(bool value) {
  if (SetDisableTempConPI) SetDisableTempConPI(value);
}

int TManageNPIFrm::CountBrowserWindows() {
  int count = 0;
  EnumWindows(CountNetscape, reinterpret_cast<LPARAM>(&count));
  return count;
}

bool TManageNPIFrm::IsPlugInInstalled(int& folderCount) {
  folderCount = 0;
  bool all = true;
  for (const std::string& dir : GetPlugInDirs()) {
    if (dir.empty()) continue;
    ++folderCount;
    if (!FileExists(dir + PlugInFile)) all = false;
  }
  return folderCount > 0 && all;
}

int TManageNPIFrm::InstallPlugIn() {
  std::string source = Folder() + PlugInFile;
  int count = 0;
  for (const std::string& dir : ExistingPlugInDirs()) {
    try {
      if (FTuneFiles.CopyTuneFile(source, dir + PlugInFile)) ++count;
    } catch (const std::exception&) {
      // A folder that cannot be written to is not counted; the message says how many were.
    }
  }
  if (count > 0) {
    BitBtn1->SetEnabled(false);
    BitBtn2->SetEnabled(true);
  }
  return count;
}

int TManageNPIFrm::RemovePlugIn() {
  int count = 0;
  for (const std::string& dir : GetPlugInDirs()) {
    if (dir.empty() || !FileExists(dir + PlugInFile)) continue;
    if (DeleteFileA((dir + PlugInFile).c_str())) ++count;
  }
  if (count > 0 && !(SessionEnding && SessionEnding())) {
    BitBtn1->SetEnabled(true);
    BitBtn2->SetEnabled(false);
  }
  return count;
}

void TManageNPIFrm::FindInPlugInDirs(const std::string& mask, TStringList& list) {
  // Absolute paths throughout: the current folder stays where it was.
  for (const std::string& dir : ExistingPlugInDirs())
    ListFilesInTree(dir, mask, list);
}

bool TManageNPIFrm::IsConflictingPlugIn(const std::string& path) {
  if (UpperCase(path).find("QORVEX") != std::string::npos) return false;
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
  static const char* const keys[] = {
      "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
      "LegalTradeMarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments",
      "FileExtents",     "FileOpenName",     "MIMEType"};
  for (const char* key : keys) {
    std::string query = std::string("\\StringFileInfo\\040904E4\\") + key;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) ||
        !value)
      continue;
    // The value is read only within the length answered, whether or not it ends in a zero.
    std::string text(value, std::find(value, value + length, '\0'));
    std::string line = UpperCase(std::string(key) + "=" + text);
    if (line.find("FILEEXTENTS") != std::string::npos && line.find("MID") != std::string::npos)
      return true;
  }
  return false;
}

int TManageNPIFrm::CountConflictingPlugIns() {
  TStringList files;
  FindInPlugInDirs(ConflictMask, files);
  int count = 0;
  for (int i = 0; i < files.Count(); ++i)
    if (IsConflictingPlugIn(files[i])) ++count;
  return count;
}

void TManageNPIFrm::ShowError(const std::string& text) {
  MD1->SetText(text);
  MD1->SetKind(TMessageKind::Error);
  MD1->SetButtonSet(TMessageButtons::OK);
  MD1->Execute();
}

bool TManageNPIFrm::RenameFile(const std::string& from, const std::string& to) {
  if (MoveFileA(from.c_str(), to.c_str())) return true;
  ShowError("Unable to rename " + from + " to " + to);
  return false;
}

int TManageNPIFrm::DisableConflicting(std::vector<std::string>* renamed) {
  TStringList files;
  FindInPlugInDirs(ConflictMask, files);
  int count = 0;
  for (int i = 0; i < files.Count(); ++i) {
    if (!IsConflictingPlugIn(files[i])) continue;
    std::string target = DisabledPlugInName(files[i]);
    if (!RenameFile(files[i], target)) continue;
    ++count;
    if (renamed) renamed->push_back(target);
  }
  return count;
}

int TManageNPIFrm::DisableConflictingPlugIns() {
  int count = DisableConflicting(nullptr);
  // Disabled for good now, those disabled while open among them.
  DeleteFileA(ListPath().c_str());
  SetFlag(false);
  return count;
}

bool TManageNPIFrm::ReadTempList(TStringList& list, const std::string& consequence) {
  if (!FileExists(ListPath())) return true;
  try {
    list.LoadFromFile(ListPath());
    return true;
  } catch (const std::exception& e) {
    // The list stays as it is: written anew it would lose the plug-ins named in it, and they
    // would stay disabled for good.
    ShowError(std::string(e.what()) +
              "\r\nThe list of plugins disabled while Tonalbrook is open cannot be read, so " +
              consequence + " The list is kept as it is.");
    return false;
  }
}

void TManageNPIFrm::SaveTempList(const TStringList& list) {
  try {
    WriteFileSafely(ListPath(), list.Text());
  } catch (const std::exception& e) {
    ShowError(std::string(e.what()) +
              "\r\nThe plugins disabled now could not be listed, so they stay disabled until "
              "you choose the Re-enable option.");
  }
}

int TManageNPIFrm::DisableConflictingWhileOpen() {
  TStringList list;
  if (!ReadTempList(list, "no plugin was disabled.")) return -1;
  std::vector<std::string> renamed;
  int count = DisableConflicting(&renamed);
  if (!renamed.empty()) {
    for (const std::string& p : renamed)
      if (list.IndexOf(p) < 0) list.Add(p);
    SaveTempList(list);
  }
  SetFlag(true);
  return count;
}

int TManageNPIFrm::EnableDisabledPlugIns() {
  TStringList files;
  FindInPlugInDirs(DisabledMask, files);
  int count = 0;
  for (int i = 0; i < files.Count(); ++i)
    if (RenameFile(files[i], EnabledPlugInName(files[i]))) ++count;
  DeleteFileA(ListPath().c_str());
  return count;
}

int TManageNPIFrm::EnableTempDisabledPlugIns() {
  TStringList list;
  if (!ReadTempList(list, "the plugins named in it stay disabled until it can be read.")) return 0;
  int count = 0;
  TStringList kept;
  for (int i = 0; i < list.Count(); ++i) {
    const std::string& path = list[i];
    if (Trim(path).empty() || !FileExists(path)) continue;
    if (RenameFile(path, EnabledPlugInName(path)))
      ++count;
    else
      kept.Add(path);
  }
  if (kept.Count() == 0) {
    DeleteFileA(ListPath().c_str());
  } else {
    try {
      WriteFileSafely(ListPath(), kept.Text());
    } catch (const std::exception&) {
      // The old list stays and still names those kept; the others' files are gone now, so the
      // next shutdown passes over them.
    }
  }
  return count;
}

void TManageNPIFrm::RefreshState() {
  int folders = 0;
  bool installed = IsPlugInInstalled(folders);
  BitBtn2->SetEnabled(installed);
  BitBtn1->SetEnabled(!installed && folders > 0);
  for (TControl* c : {static_cast<TControl*>(RadioGroup1), static_cast<TControl*>(RadioButton1),
                      static_cast<TControl*>(RadioButton2), static_cast<TControl*>(RadioButton3),
                      static_cast<TControl*>(RadioButton4)})
    c->SetEnabled(installed);
  BitBtn4->SetEnabled(installed && !RadioButton1->Checked());
  if (BitBtn2->Enabled())
    GroupBox1->SetCaption(" Tonalbrook is installed as a Navigator plugin ");
  else if (BitBtn1->Enabled())
    GroupBox1->SetCaption(" Tonalbrook is NOT installed as a Navigator plugin ");
  else
    GroupBox1->SetCaption(" Netscape Navigator does not appear to be installed on your PC");
}

void TManageNPIFrm::FormShow(TObject*) {
  RefreshState();
}

bool TManageNPIFrm::BrowsersClosed() {
  if (CountBrowserWindows() == 0) return true;
  MessageBeep(0);
  ShowError(CloseBrowserText);
  return false;
}

void TManageNPIFrm::Inform(const std::string& text) {
  MD1->SetText(text);
  MD1->SetKind(TMessageKind::Information);
  MD1->SetButtonSet(TMessageButtons::OK);
  MD1->Execute();
}

void TManageNPIFrm::BitBtn1Click(TObject*) {
  if (!BrowsersClosed()) return;
  std::string source = Folder() + PlugInFile;
  if (!FileExists(source)) {
    ShowError("The plugin file " + source +
              " is missing, so Tonalbrook plugin could not be installed.\r\nNothing was "
              "changed.");
    return;
  }
  int n = 0, m = 0;
  {
    auto busy = HourGlass();
    n = InstallPlugIn();
    RefreshState();
    if (n > 0) m = CountConflictingPlugIns();
  }
  std::string found = m == 1   ? "One conflicting plugin was found."
                      : m == 0 ? "No conflicting plugins were found."
                               : CountText(m) + " conflicting plugins were found.";
  Inform(CountText(n) + " instance(s) of Tonalbrook plugin have been installed.\r\n\r\n" + found);
}

void TManageNPIFrm::BitBtn2Click(TObject*) {
  if (!BrowsersClosed()) return;
  int n = 0, m = 0;
  {
    auto busy = HourGlass();
    n = RemovePlugIn();
    m = EnableDisabledPlugIns();
    RefreshState();
  }
  SetFlag(false);
  Inform(CountText(n) + " instance(s) of Tonalbrook plugin have been removed, and\r\n" +
         CountText(m) + " conflicting plugin(s) (previously disabled) re-enabled.");
}

void TManageNPIFrm::BitBtn4Click(TObject*) {
  if (!BrowsersClosed()) return;
  if (RadioButton1->Checked()) return;
  std::string text;
  if (RadioButton2->Checked()) {
    int n = 0;
    {
      auto busy = HourGlass();
      n = DisableConflictingWhileOpen();
    }
    if (n < 0) return; // said already
    text = n == 0   ? "No conflicting plugins found!"
           : n == 1 ? std::string("1 conflicting plugin has been disabled while Tonalbrook is "
                                  "open,\r\n") +
                          UntilReenabled
                    : CountText(n) +
                          " conflicting plugins have been disabled while Tonalbrook is open,\r\n" +
                          UntilReenabled;
  } else if (RadioButton3->Checked()) {
    int n = 0;
    {
      auto busy = HourGlass();
      n = DisableConflictingPlugIns();
    }
    const char* tail = "\r\nor remove Tonalbrook as a plugin.";
    text = n == 0   ? "No conflicting plugins found!"
           : n == 1 ? std::string("1 conflicting plugin has been disabled until you choose the "
                                  "Re-enable option below") +
                          tail
                    : CountText(n) +
                          " conflicting plugins have been disabled until you choose the "
                          "Re-enable option below" +
                          tail;
  } else if (RadioButton4->Checked()) {
    int n = 0;
    {
      auto busy = HourGlass();
      n = EnableDisabledPlugIns();
    }
    SetFlag(false);
    text = n == 0 ? "No disabled plugins found!"
           : n == 1
               ? "1 conflicting plugin (previously disabled) has been re-enabled."
               : CountText(n) + " conflicting plugins (previously disabled) have been re-enabled.";
  } else {
    return;
  }
  RefreshState();
  Inform(text);
}
