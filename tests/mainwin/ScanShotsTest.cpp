// Pictures of the scan windows and the loader at work, written to build/out/screenshots for a
// person to look at; the test only makes sure each shows more than a blank face.
#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include "DriveScanCodeD2.h"
#include "ScanCommands.h"
#include "FileCtrls.h"
#include "GetLocalCodeD2.h"
#include "MainWindowFixture.h"
#include "ScanFormCodeD2.h"
#include "ScanHelpers.h"
#include "TestCapture.h"

namespace {

class Shots : public TMainWindowFixture {
protected:
  Shots() : TMainWindowFixture("tbshots") {}
  void TearDown() override {
    SetDriveSource(nullptr);
    TMainWindowFixture::TearDown();
  }
};

} // namespace

TEST_F(Shots, TheScanWindowsAndTheLoaderAtWork) {
  Start();
  TScratchDir root("shots");
  MakeTree(root / "c\\", {"one.mid", "sub\\two.mid", "sub\\three.mid"});
  MakeTree(root / "d\\", {"a\\four.mid", "b\\five.mid", "b\\c\\six.mid"});
  SetDriveSource([&] {
    return std::vector<TDriveInfo>{{'C', DRIVE_FIXED, root / "c\\"},
                                   {'D', DRIVE_FIXED, root / "d\\"}};
  });

  // The system scan, pictured halfway through its import.
  TScanStatus& scan = FForm->ScanCommands().ScanStatusWindow();
  int colours = 0;
  scan.OnImportPosition = [&](int n) {
    if (n == 3) colours = SaveWindowShot(scan, "scan_status");
  };
  TWhenShown pressScan([&] { scan.OKBtn->Click(); });
  FAnswers.Push([&](TModalRequest&) {
    pressScan.Post();
    return mrRunModal;
  });
  FForm->ScanCommands().ScansystemforMIDIfiles1Click(nullptr);
  scan.OnImportPosition = nullptr;
  EXPECT_GT(colours, 8);

  // The drive scan, pictured during its import.
  TDriveScanFrm& drive = FForm->ScanCommands().DriveScanWindow();
  colours = 0;
  drive.OnImportPosition = [&](int n) {
    if (n == 2) colours = SaveWindowShot(drive, "drive_scan");
  };
  TWhenShown pressDrive([&] {
    drive.DirectoryListBox1->SetDirectory(root / "d");
    drive.Artists->SetText("Smith, John");
    drive.Categories->SetText("Brass Band");
    drive.OKBtnClick(drive.OKBtn);
  });
  FAnswers.Push([&](TModalRequest&) {
    pressDrive.Post();
    return mrRunModal;
  });
  FForm->ScanCommands().ScanadriveforMIDIfiles1Click(nullptr);
  drive.OnImportPosition = nullptr;
  EXPECT_GT(colours, 8);

  // The loader with a folder open and two paths chosen.
  TGetLocalF& loader = FForm->ScanCommands().GetLocalWindow();
  loader.Show();
  loader.DirectoryListBox1->SetDirectory(root / "c\\sub");
  loader.FileListBox1->SetSelected(0, true);
  loader.FileListBox1->SetSelected(1, true);
  loader.FileListBox1DblClick(loader.FileListBox1);
  EXPECT_GT(SaveWindowShot(loader, "loader"), 8);
  loader.Hide();
}
