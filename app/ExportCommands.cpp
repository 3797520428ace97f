// Sending titles out of the catalogue: to the mail window, to files on disk and into one archive.
#include <windows.h>
#include <map>
#include "CreateArchiveCodeD2.h"
#include "FolderTools.h"
#include "HourGlass.h"
#include "MailHandOff.h"
#include "ExportCommands.h"
#include "Dialogs.h"
#include "MsgDlg.h"
#include "ImportCommands.h"
#include "MainCatalogue.h"
#include "MainServices.h"
#include "ProgramWide.h"
#include "ScanCommands.h"
#include "TuneFiles.h"
#include "WorkingKeys.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TitleFileName.h"
#include "DataCodeD2.h"
#include "ExtPage.h"

namespace {

using TKind = TMessageKind;
using TButtons = TMessageButtons;
using TAnswer = TMessageAnswer;

constexpr int SaveDialogHelp = 1080;
constexpr const char* SaveFilter = "MIDI file (*.mid)|*.mid|Compressed file (*.zip)|*.zip";

bool EndsWithText(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && SameText(text.substr(text.size() - end.size()), end);
}

// The chosen name with the filter's extension, unless it already ends in it.
std::string WithExtension(const std::string& name, const std::string& ext) {
  return EndsWithText(name, ext) ? name : name + ext;
}

} // namespace

// --- the mail window
// ------------------------------------------------------------------------------

void TExportCommands::MailTitles(const TStringList& keys) {
  TMailWindowLink* mail = MailWindowLink();
  if (!mail || keys.Count() == 0) return;
  // Mid-send the rows are the mail going out; its caption and status stay too.
  if (mail->RefusedWhileBusy()) return;
  auto busy = HourGlass();
  TBusyState commands(FContext.Window.Busy());
  mail->SetMailCaption(" Mail the attached " + IntToStr(keys.Count()) + " title(s)");
  mail->ShowMailWindow();
  mail->SetMailStatus("Attaching files...");
  // The status is emptied even when attaching fails; the failure still reaches the handler.
  TScopeExit clear([mail] { mail->SetMailStatus(""); });
  mail->AttachTitles(keys);
}

void TExportCommands::Mail4Click(TObject*) {
  TStringList keys;
  keys.AddStrings(FContext.Keys.Keys());
  FContext.Keys.Clear();
  MailTitles(keys);
}

// --- saving to disk
// -------------------------------------------------------------------------------

TSaveDialog& TExportCommands::SaveDialog1() {
  if (!FSaveDialog1) {
    FSaveDialog1 = new TSaveDialog(&FContext.Owner);
    FSaveDialog1->SetName("SaveDialog1");
    FSaveDialog1->SetHelpContext(SaveDialogHelp);
    FSaveDialog1->SetFilter(SaveFilter);
    FSaveDialog1->SetInitialDir("C:\\");
  }
  return *FSaveDialog1;
}

bool TExportCommands::SaveTitleAs(int32_t key, const std::string& target, bool zip) {
  TMyDB* db = FContext.Catalogue.Store();
  if (!db) return false;
  // Written in a work folder first and moved into place only when whole, so that a failed export
  // leaves a file the user already had as it was.
  const std::string work = WorkFolder("TempTrash") + "Save\\";
  ForceDirectories(work);
  std::string stem = ChangeFileExt(ExtractFileName(target), "");
  if (Trim(stem).empty()) stem = "Untitled";
  stem = work + stem;
  bool ok = db->ExportTune(key, stem, zip);
  const std::string made = zip ? stem + ".zip" : stem;
  if (ok) ok = FSaveOps->Replace(made, target);
  for (const std::string& leftover : {stem, stem + ".mid", stem + ".zip"})
    if (FileExists(leftover)) DeleteFileA(leftover.c_str());
  return ok;
}

void TExportCommands::SaveTitlesToDisk(const TStringList& keys) {
  TMyDB* db = FContext.Catalogue.Store();
  if (keys.Count() == 0 || !db) return;
  FContext.Window.RepaintMain();
  TScopeExit home([] { SetCurrentDir(ProgramFolder()); });
  TSaveDialog& dialog = SaveDialog1();
  int run = 0, offset = 0;
  for (int i = 0; i < keys.Count(); ++i) {
    const int32_t key = StrToIntDef(keys[i], 0);
    TTuneRec rec;
    // A key the store no longer holds saves nothing.
    if (!db->FindById(key, rec)) continue;
    const std::string name = TitleFileName(Trim(rec.Title));
    dialog.SetFileName(name);
    dialog.SetTitle("Save " + name + " to...");
    std::string target;
    bool zip = false, chosen = false;
    while (!chosen && dialog.Execute()) {
      zip = dialog.FilterIndex() == 2;
      target = WithExtension(dialog.FileName(), zip ? ".zip" : ".mid");
      chosen = !FSaveOps->Exists(target) ||
               FContext.Window.ShowMessageBox(
                   target + " already exists.\r\nDo you want to replace it?", TKind::Warning, 0,
                   TButtons::Yes | TButtons::No) == TAnswer::Yes;
      // No: the dialog comes again for the same title.
      if (!chosen) dialog.SetFileName(ExtractFileName(target));
    }
    if (!chosen) {
      ++run;
      if (run >= 3 && i < keys.Count() - 1) {
        if (FContext.Window.ShowMessageBox("You have not saved the last " + IntToStr(run + offset) +
                                               " MIDI files.\r\n        Do you wish to continue?",
                                           TKind::Warning, 0,
                                           TButtons::Yes | TButtons::No) != TAnswer::Yes)
          return;
        offset = 2;
        run = -2;
      }
      continue;
    }
    run = 0;
    offset = 0;
    bool saved = false;
    {
      auto busy = HourGlass();
      dialog.SetInitialDir(ExtractFilePath(target));
      saved = SaveTitleAs(key, target, zip);
    }
    // A damaged stored title was named in a message of its own already.
    if (!saved && !db->ToldDamaged(key)) {
      std::string text = "\"";
      text.append(Trim(rec.Title)).append("\" could not be saved to ").append(target);
      text.append(".\r\nA file of that name that was there is unchanged.");
      FContext.Window.ShowMessageBox(text, TKind::Error, 0, TButtons::OK);
    }
  }
}

void TExportCommands::Save2Click(TObject*) {
  TStringList keys;
  keys.AddStrings(FContext.Keys.Keys());
  FContext.Keys.Clear();
  SaveTitlesToDisk(keys);
}

// --- archiving
// ------------------------------------------------------------------------------------

void TExportCommands::ArchiveTitles(const TStringList& keys) {
  TScopeExit after([this] {
    FArchiving = false;
    SetCurrentDir(ProgramFolder());
  });
  if (keys.Count() == 0) {
    MessageBeep(0);
    FContext.Window.ShowMessageBox("No titles to archive!", TKind::Error, 0, TButtons::OK);
    return;
  }
  std::string target;
  {
    TSaveDialog dialog(&FContext.Owner);
    dialog.SetFilter("Archive files (*.zip)|*.zip");
    dialog.SetOptions({TSaveOption::ShowHelp, TSaveOption::OverwritePrompt});
    dialog.SetTitle("Enter the name for this " + IntToStr(keys.Count()) + "-title archive...");
    if (!dialog.Execute()) return;
    // Named with ".zip" here, so that the entries are counted in the file really written.
    target = WithExtension(dialog.FileName(), ".zip");
  }
  TCreateArchiveForm& window = FContext.ImportCommands.CreateArchiveWindow();
  FContext.Window.CenterOverMainWindow(window);
  window.StartArchiving(target, keys);
  window.ArchiveTitlesWork = [this](const std::string& name, TStringList& list) {
    ArchiveTitlesWork(name, list);
  };
  window.ShowModal();
}

TMessageAnswer TExportCommands::ArchiveBox(const std::string& text, TMessageKind kind) {
  TCreateArchiveForm& window = FContext.ImportCommands.CreateArchiveWindow();
  if (!window.Visible()) return FContext.Window.ShowMessageBox(text, kind, 0, TButtons::OK);
  // The archive window stays on top: a box of the main window would sit beneath it.
  TMessageDialog box(&window);
  box.SetText(text);
  box.SetLineSeparator("");
  box.SetButtonSet(TButtons::OK);
  box.SetKind(kind);
  return static_cast<TMessageAnswer>(box.Execute());
}

void TExportCommands::ArchiveTitlesWork(const std::string& archiveName, TStringList& keys) {
  TMyDB* db = FContext.Catalogue.Store();
  if (!db) return;
  TCreateArchiveForm& window = FContext.ImportCommands.CreateArchiveWindow();
  const std::string gather = WorkFolder("TempTrash");
  ForceDirectories(gather);
  TBusyState busy(FContext.Window.Busy());
  FParts.Albums->SetEnabled(false);
  FParts.Categories->SetEnabled(false);
  TScopeExit after([this, gather] {
    ClearDirectory(gather, "*.mid");
    FParts.Albums->SetEnabled(true);
    FParts.Categories->SetEnabled(true);
    FArchiving = false;
    SetCurrentDir(ProgramFolder());
  });
  FArchiving = true;
  std::vector<std::string> files;
  std::map<int32_t, std::string> exported;
  int leftOut = 0, duplicates = 0;
  for (int i = 0; i < keys.Count(); ++i) {
    if (window.Visible()) window.EPB1->SetPosition(i + 1);
    LetMessagesRun();
    if (window.Cancelled()) break;
    const int32_t key = StrToIntDef(keys[i], 0);
    // A title asked for again is packed once and reported as a duplicate.
    if (exported.count(key)) {
      ++duplicates;
      continue;
    }
    TTuneRec rec;
    if (!db->FindById(key, rec)) {
      ++leftOut;
      continue;
    }
    const std::string base = gather + TitleFileName(Trim(rec.Title));
    std::string path = base;
    if (FileExists(path + ".mid")) path += " (" + IntToStr(key) + ")";
    // Another title may be called that already: the file must not take its place.
    for (int n = 2; FileExists(path + ".mid"); ++n)
      path = base + " (" + IntToStr(key) + ") (" + IntToStr(n) + ")";
    if (db->ExportTune(key, path, false) && RenameFile(path, path + ".mid")) {
      files.push_back(path + ".mid");
      exported[key] = path + ".mid";
    } else {
      // Left out: a missing file would fail the whole archive.
      DeleteFileA(path.c_str());
      ++leftOut;
    }
    FContext.ScanCommands.PlayWaitingTitle();
  }
  FArchiving = false;
  if (window.Cancelled()) return;
  const std::string leftOutLine =
      leftOut > 0
          ? "\r\n\r\n   " + IntToStr(leftOut) + " title(s) could not be exported and were left out"
          : "";
  if (files.empty()) {
    ArchiveBox("No title could be exported: nothing was archived." + leftOutLine, TKind::Error);
    return;
  }
  if (window.Visible()) {
    window.EPB2->SetRange(0, 100);
    window.EPB2->SetPosition(0);
  }
  const std::string written =
      UpperCase(archiveName).find(".ZIP") == std::string::npos ? archiveName + ".zip" : archiveName;
  const bool existed = FileExists(written);
  // The packing replaces an archive of that name only when the new one is whole and was not
  // cancelled, so a packed archive is a finished one.
  const bool packed = FContext.Catalogue.TuneFiles().ZipFileList(files, archiveName);
  const std::string keptLine =
      existed ? "\r\n\r\n   The archive already there was left as it was." : "";
  if (packed) {
    std::string text = "Archiving successfully completed!";
    if (window.Visible() && duplicates > 0)
      text += "\r\n\r\n   " + IntToStr(duplicates) + " duplicates were ignored";
    ArchiveBox(text + leftOutLine, TKind::Information);
  } else if (window.Cancelled()) {
    ArchiveBox("Archiving cancelled!" + keptLine, TKind::Warning);
  } else {
    ArchiveBox("Archiving failed!  Check titles for unusual characters." + leftOutLine + keptLine,
               TKind::Error);
  }
}

TExportCommands::TExportCommands(const TExportContext& context) : FContext(context) {}

TExportCommands::~TExportCommands() = default;
