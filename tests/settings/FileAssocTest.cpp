// Document type, default MIDI player and start with Windows, against the test prefix's registry.
#include <gtest/gtest.h>
#include "FileAssoc.h"
#include "FileAssocCommands.h"
#include <memory>
#include <windows.h>
#include "Registry.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include <optional>

namespace {

constexpr const char* Program = "C:\\Program Files\\Tonal Brook\\Tonalbrook.exe";

// A string value: nullopt when the key or the value is missing.
std::optional<std::string> Value(HRootKey root, const std::string& key, const std::string& name) {
  TRegistry reg(0x20019); // KEY_READ
  reg.SetRootKey(root);
  if (!reg.OpenKey(key, false) || !reg.ValueExists(name)) return std::nullopt;
  return reg.ReadString(name);
}

void SetValue(HRootKey root, const std::string& key, const std::string& name,
              const std::optional<std::string>& value) {
  TRegistry reg;
  reg.SetRootKey(root);
  if (value) {
    ASSERT_TRUE(reg.OpenKey(key, true));
    reg.WriteString(name, *value);
  } else if (reg.OpenKey(key, false)) {
    reg.DeleteValue(name);
  }
}

std::optional<std::string> ExtDefault(const std::string& ext) {
  return Value(HKeyClassesRoot(), "\\" + ext, "");
}

// Puts the prefix's registry back as it was before each test.
class FileAssoc : public testing::Test {
protected:
  TScratchDir FFolder{"assoc"};
  std::optional<std::string> FMid, FRmi, FRun;
  bool FDocTypeExisted = false, FMidExisted = false, FRmiExisted = false;

  void SetUp() override {
    FMid = ExtDefault(".mid");
    FRmi = ExtDefault(".rmi");
    FRun = Value(HKeyCurrentUser(), RunKey, RunValueName);
    TRegistry reg;
    reg.SetRootKey(HKeyClassesRoot());
    FDocTypeExisted = reg.KeyExists(std::string("\\") + DocTypeName);
    FMidExisted = reg.KeyExists("\\.mid");
    FRmiExisted = reg.KeyExists("\\.rmi");
  }
  void TearDown() override {
    SetValue(HKeyClassesRoot(), "\\.mid", "", FMid);
    SetValue(HKeyClassesRoot(), "\\.rmi", "", FRmi);
    SetValue(HKeyCurrentUser(), RunKey, RunValueName, FRun);
    TRegistry reg;
    reg.SetRootKey(HKeyClassesRoot());
    if (!FDocTypeExisted) reg.DeleteKey(std::string("\\") + DocTypeName);
    if (!FMidExisted) reg.DeleteKey("\\.mid");
    if (!FRmiExisted) reg.DeleteKey("\\.rmi");
  }
  std::string Backup(const char* name) { return FFolder / name; }
};

} // namespace

TEST_F(FileAssoc, DocumentTypeCarriesTheFourVerbsAndTheIcon) {
  RegisterDocType(Program);
  auto root = HKeyClassesRoot();
  std::string key = std::string("\\") + DocTypeName;
  std::string quoted = std::string("\"") + Program + "\"";
  EXPECT_EQ(Value(root, key, ""), "MIDI music file");
  EXPECT_EQ(Value(root, key + "\\Shell\\Open\\Command", ""), quoted + " P\"%1\"");
  EXPECT_EQ(Value(root, key + "\\Shell\\Play\\Command", ""), quoted + " P\"%1\"");
  EXPECT_EQ(Value(root, key + "\\Shell\\Send as email\\Command", ""), quoted + " M\"%1\"");
  EXPECT_EQ(Value(root, key + "\\Shell\\Zip into database\\Command", ""), quoted + " Z\"%1\"");
  EXPECT_EQ(Value(root, key + "\\DefaultIcon", ""), "C:\\Program Files\\Tonal Brook\\QXmidiX.ico");
}

TEST_F(FileAssoc, ClaimingKeepsTheFirstBackupAndRestoringBringsTheFormerPlayerBack) {
  SetValue(HKeyClassesRoot(), "\\.mid", "", std::string("midfile"));
  SetValue(HKeyClassesRoot(), "\\.rmi", "", std::string("rmifile"));
  EXPECT_FALSE(IsDefaultMIDIPlayer());

  ClaimDefaultMIDIPlayer(FFolder.Path());
  EXPECT_TRUE(IsDefaultMIDIPlayer());
  EXPECT_EQ(ExtDefault(".mid"), DocTypeName);
  EXPECT_EQ(ReadFileBytes(Backup(OldMidKeyFile)), "midfile\r\n");
  EXPECT_EQ(ReadFileBytes(Backup(OldRmiKeyFile)), "rmifile\r\n");

  // The second time the value already is ours: the backup of the real former player stays.
  ClaimDefaultMIDIPlayer(FFolder.Path());
  EXPECT_EQ(ReadFileBytes(Backup(OldMidKeyFile)), "midfile\r\n");
  EXPECT_EQ(ReadFileBytes(Backup(OldRmiKeyFile)), "rmifile\r\n");

  TRestoredPlayer restored = RestoreDefaultPlayer(FFolder.Path());
  EXPECT_TRUE(restored.Mid);
  EXPECT_TRUE(restored.Rmi);
  EXPECT_EQ(ExtDefault(".mid"), "midfile");
  EXPECT_EQ(ExtDefault(".rmi"), "rmifile");
  EXPECT_FALSE(IsDefaultMIDIPlayer());
  EXPECT_TRUE(FileExists(Backup(OldMidKeyFile)));
  EXPECT_FALSE(FileExists(Backup(OldRmiKeyFile)));
}

TEST_F(FileAssoc, ExtensionWithoutFormerDefaultIsRestoredToHavingNone) {
  SetValue(HKeyClassesRoot(), "\\.mid", "", std::string("midfile"));
  SetValue(HKeyClassesRoot(), "\\.rmi", "", std::nullopt);
  ClaimDefaultMIDIPlayer(FFolder.Path());
  EXPECT_EQ(ExtDefault(".rmi"), DocTypeName);
  EXPECT_EQ(ReadFileBytes(Backup(OldRmiKeyFile)), "\r\n");

  TRestoredPlayer restored = RestoreDefaultPlayer(FFolder.Path());
  EXPECT_TRUE(restored.Mid);
  EXPECT_TRUE(restored.Rmi);
  EXPECT_EQ(ExtDefault(".mid"), "midfile");
  EXPECT_EQ(ExtDefault(".rmi"), std::nullopt);
}

TEST_F(FileAssoc, RestoringWithoutBackupsRestoresNothing) {
  SetValue(HKeyClassesRoot(), "\\.mid", "", std::string(DocTypeName));
  TRestoredPlayer restored = RestoreDefaultPlayer(FFolder.Path());
  EXPECT_FALSE(restored.Mid);
  EXPECT_FALSE(restored.Rmi);
  EXPECT_EQ(ExtDefault(".mid"), DocTypeName);
}

TEST_F(FileAssoc, UnwritableBackupStopsTheClaimWithItsMessage) {
  SetValue(HKeyClassesRoot(), "\\.mid", "", std::string("midfile"));
  SetValue(HKeyClassesRoot(), "\\.rmi", "", std::string("rmifile"));
  std::string folder = FFolder / "not there";
  try {
    ClaimDefaultMIDIPlayer(folder);
    FAIL() << "claim without a writable backup went through";
  } catch (const EFileAssocError& e) {
    EXPECT_EQ(e.Message(), "Unable to save key data for .mid");
  }
  EXPECT_EQ(ExtDefault(".mid"), "midfile");
  EXPECT_EQ(ExtDefault(".rmi"), "rmifile"); // the other extension is not claimed either
}

TEST_F(FileAssoc, StartWithWindowsValueForNormalMinimisedAndNone) {
  std::string quoted = std::string("\"") + Program + "\"";
  ASSERT_TRUE(SetLaunchOnStart(true, false, Program));
  EXPECT_EQ(Value(HKeyCurrentUser(), RunKey, "Tonalbrook"), quoted);
  ASSERT_TRUE(SetLaunchOnStart(false, true, Program));
  EXPECT_EQ(Value(HKeyCurrentUser(), RunKey, "Tonalbrook"), quoted + " M");
  ASSERT_TRUE(SetLaunchOnStart(false, false, Program));
  EXPECT_EQ(Value(HKeyCurrentUser(), RunKey, "Tonalbrook"), std::nullopt);
}

TEST_F(FileAssoc, EmptyBackupFileIsAFailureAndStopsTheRestore) {
  SetValue(HKeyClassesRoot(), "\\.mid", "", std::string(DocTypeName));
  SetValue(HKeyClassesRoot(), "\\.rmi", "", std::string(DocTypeName));
  WriteFileBytes(Backup(OldMidKeyFile), "");
  WriteFileBytes(Backup(OldRmiKeyFile), "rmifile\r\n");
  TRestoredPlayer restored = RestoreDefaultPlayer(FFolder.Path());
  EXPECT_FALSE(restored.Mid);
  EXPECT_FALSE(restored.Rmi);
  EXPECT_EQ(ExtDefault(".mid"), DocTypeName); // not emptied
  EXPECT_EQ(ExtDefault(".rmi"), DocTypeName);
  EXPECT_TRUE(FileExists(Backup(OldRmiKeyFile)));
}

TEST_F(FileAssoc, ClaimOfAVanishedKeyKeepsTheEarlierBackup) {
  const std::string ext = ".tbassoctest";
  TRegistry reg;
  reg.SetRootKey(HKeyClassesRoot());
  reg.DeleteKey("\\" + ext);
  std::string backup = FFolder / "Old_Test_Key";
  WriteFileBytes(backup, "formerplayer\r\n");
  EXPECT_TRUE(ClaimExtension(ext, backup));
  EXPECT_EQ(ReadFileBytes(backup), "formerplayer\r\n");
  EXPECT_EQ(ExtDefault(ext), DocTypeName);
  // Without a backup, a missing key is recorded as having had no default.
  reg.DeleteKey("\\" + ext);
  DeleteFile(backup);
  EXPECT_TRUE(ClaimExtension(ext, backup));
  EXPECT_EQ(ReadFileBytes(backup), "\r\n");
  reg.DeleteKey("\\" + ext);
}

namespace {

// The Options menu's items and a recording message box around the commands.
struct TAssocMenu {
  TComponent Owner{nullptr};
  TFileAssocCommands::TItems Items;
  std::vector<std::string> Boxes;
  std::vector<TMessageAnswer> Answers; // given in order; OK when none is left
  std::vector<std::string> Opened;
  intptr_t OpenResult = 42;
  std::unique_ptr<TFileAssocCommands> Commands;

  explicit TAssocMenu(const std::string& programPath) {
    for (TMenuItem** item : {&Items.MIDIdefault, &Items.MIDIrestore, &Items.LaunchOnWinStart,
                             &Items.Normal1, &Items.Minimized1, &Items.Not1})
      *item = new TMenuItem(&Owner);
    Commands = std::make_unique<TFileAssocCommands>(Items, programPath);
    Commands->ShowMessageBox = [this](const std::string& text, TMessageKind, int, TMessageButtons) {
      Boxes.push_back(text);
      if (Answers.empty()) return TMessageAnswer::OK;
      TMessageAnswer a = Answers.front();
      Answers.erase(Answers.begin());
      return a;
    };
    Commands->OpenWebPage = [this](const std::string& url) {
      Opened.push_back(url);
      return OpenResult;
    };
  }
};

} // namespace

TEST_F(FileAssoc, MenuClaimsTheDefaultPlayerAndRestoresTheFormerOne) {
  SetValue(HKeyClassesRoot(), "\\.mid", "", std::string("midfile"));
  SetValue(HKeyClassesRoot(), "\\.rmi", "", std::string("rmifile"));
  TAssocMenu menu(FFolder / "Tonalbrook.exe");
  menu.Commands->MIDIdefaultClick();
  EXPECT_TRUE(IsDefaultMIDIPlayer());
  EXPECT_FALSE(menu.Items.MIDIdefault->Enabled());
  EXPECT_TRUE(menu.Items.MIDIrestore->Enabled());
  ASSERT_EQ(menu.Boxes.size(), 1u);
  EXPECT_EQ(menu.Boxes[0], "Tonalbrook has been set as your default Windows MIDI Player.");

  // "No" keeps everything as it is.
  menu.Answers = {TMessageAnswer::No};
  menu.Commands->MIDIrestoreClick();
  EXPECT_TRUE(IsDefaultMIDIPlayer());
  EXPECT_EQ(menu.Boxes[1],
            "Are you sure you want to restore the original default Windows MIDI player?");

  menu.Answers = {TMessageAnswer::Yes};
  menu.Commands->MIDIrestoreClick();
  EXPECT_EQ(ExtDefault(".mid"), "midfile");
  EXPECT_EQ(ExtDefault(".rmi"), "rmifile");
  EXPECT_TRUE(FileExists(Backup(OldMidKeyFile)));
  EXPECT_FALSE(FileExists(Backup(OldRmiKeyFile)));
  EXPECT_TRUE(menu.Items.MIDIdefault->Enabled());
  EXPECT_FALSE(menu.Items.MIDIrestore->Enabled());
  EXPECT_EQ(menu.Boxes.back(),
            "Your original default Windows MIDI player setting has been restored.");
  EXPECT_TRUE(menu.Opened.empty());
}

TEST_F(FileAssoc, RestoringWithoutBackupsOffersSupport) {
  TAssocMenu menu(FFolder / "Tonalbrook.exe");
  menu.Answers = {TMessageAnswer::Yes, TMessageAnswer::Yes};
  menu.OpenResult = 2; // the shell could not open the page
  menu.Commands->MIDIrestoreClick();
  ASSERT_EQ(menu.Boxes.size(), 3u);
  EXPECT_EQ(menu.Boxes[1], "Unable to restore the original default MIDI player!\r\n\r\n"
                           "Do you wish to get help from Technical Support (you must be connected "
                           "to the Internet)?");
  ASSERT_EQ(menu.Opened.size(), 1u);
  EXPECT_NE(menu.Boxes[2].find(menu.Opened[0]), std::string::npos); // tells where to go by hand
  EXPECT_FALSE(menu.Items.MIDIdefault->Enabled());
  EXPECT_TRUE(menu.Items.MIDIrestore->Enabled());
}

TEST_F(FileAssoc, LaunchMenuItemsWriteAndDeleteTheRunValue) {
  std::string program = FFolder / "Tonal brook.exe";
  TAssocMenu menu(program);
  menu.Commands->Normal1Click();
  EXPECT_EQ(Value(HKeyCurrentUser(), RunKey, RunValueName), "\"" + program + "\"");
  EXPECT_TRUE(menu.Items.LaunchOnWinStart->Checked());
  EXPECT_FALSE(menu.Items.Not1->Checked());
  menu.Commands->Minimized1Click();
  EXPECT_EQ(Value(HKeyCurrentUser(), RunKey, RunValueName), "\"" + program + "\" M");
  EXPECT_FALSE(menu.Items.Normal1->Checked());
  EXPECT_TRUE(menu.Items.Minimized1->Checked());
  // Choosing the ticked item again takes it back: not started at all.
  menu.Commands->Minimized1Click();
  EXPECT_EQ(Value(HKeyCurrentUser(), RunKey, RunValueName), std::nullopt);
  EXPECT_TRUE(menu.Items.Not1->Checked());
  EXPECT_FALSE(menu.Items.LaunchOnWinStart->Checked());
  menu.Commands->Normal1Click();
  menu.Commands->Not1Click();
  EXPECT_EQ(Value(HKeyCurrentUser(), RunKey, RunValueName), std::nullopt);
  EXPECT_TRUE(menu.Items.Not1->Checked());
}
