// The settings file as the user and the next start see it: defaults, round trip, order, geometry.
#include <gtest/gtest.h>
#include "Classes.h"
#include "IniFiles.h"
#include "Settings.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

// Every stored value, so that a test compares all of them at once.
std::vector<std::string> Values(const TSettings& s) {
  return {IntToStr(s.FullScanDone),
          IntToStr(s.ShowAllHints),
          IntToStr(s.ShowAlbTabs),
          IntToStr(s.ShowCatTabs),
          IntToStr(s.ShowTools),
          IntToStr(s.RemindToScan),
          IntToStr(s.AutoLooping),
          IntToStr(s.MIDIOutPort),
          IntToStr(s.DoRestartOnPortChange),
          IntToStr(s.RestartPosOnPortChange),
          IntToStr(s.GMGSReset),
          IntToStr(s.GSGMReset),
          IntToStr(s.GMReset),
          IntToStr(s.GSReset),
          IntToStr(s.LOWS_Normal),
          IntToStr(s.LOWS_Minimized),
          IntToStr(s.DisableTempConPI),
          IntToStr(s.VisE),
          IntToStr(s.SpecBars),
          IntToStr(s.Lights),
          IntToStr(s.SpecGraph),
          IntToStr(s.AlbPanelWidth),
          IntToStr(s.Height),
          IntToStr(s.Width),
          IntToStr(s.Top),
          IntToStr(s.Left),
          IntToStr(s.TabActiveColor),
          IntToStr(s.TabActiveFontColor)};
}

// Every value changed from its default.
TSettings Changed() {
  TSettings s;
  s.FullScanDone = true;
  s.ShowAllHints = false;
  s.ShowAlbTabs = false;
  s.ShowCatTabs = false;
  s.ShowTools = false;
  s.RemindToScan = false;
  s.AutoLooping = false;
  s.MIDIOutPort = -1;
  s.DoRestartOnPortChange = true;
  s.RestartPosOnPortChange = true;
  s.GMGSReset = true;
  s.GSGMReset = true;
  s.GMReset = true;
  s.GSReset = true;
  s.LOWS_Normal = false;
  s.LOWS_Minimized = true;
  s.DisableTempConPI = true;
  s.VisE = true;
  s.SpecBars = false;
  s.Lights = true;
  s.SpecGraph = true;
  s.AlbPanelWidth = 321;
  s.Height = 612;
  s.Width = 803;
  s.Top = 57;
  s.Left = 1400;
  s.TabActiveColor = 0x00FFEEDD;
  s.TabActiveFontColor = 0x000000FF;
  return s;
}

std::vector<std::string> NonEmptyLines(const std::string& path) {
  TStringList lines;
  lines.LoadFromFile(path);
  std::vector<std::string> r;
  for (int i = 0; i < lines.Count(); ++i)
    if (!Trim(lines[i]).empty()) r.push_back(Trim(lines[i]));
  return r;
}

} // namespace

TEST(Settings, MissingFileGivesTheDefaultsAndMarksTheFirstRun) {
  TScratchDir dir("settings");
  TSettings s = Changed();
  s.Load(dir / TSettings::FileName);
  EXPECT_TRUE(s.FirstRun());
  EXPECT_EQ(Values(s), Values(TSettings()));
  EXPECT_EQ(s.Width, 585);
  EXPECT_EQ(s.Height, 400);
  EXPECT_TRUE(s.NoReset());
  EXPECT_TRUE(s.AutoLooping);
  EXPECT_TRUE(s.ShowAllHints);
  EXPECT_TRUE(s.RemindToScan);
  EXPECT_TRUE(s.LOWS_Not());
  EXPECT_FALSE(FileExists(dir / TSettings::FileName));

  // A file that exists, even without the keys, is no first run.
  WriteFileBytes(dir / TSettings::FileName, "[Setup]\r\n");
  s.Load(dir / TSettings::FileName);
  EXPECT_FALSE(s.FirstRun());
  EXPECT_EQ(Values(s), Values(TSettings()));
}

TEST(Settings, EveryKeyRoundTripsAndOtherKeysOfTheFileStay) {
  TScratchDir dir("settings");
  std::string path = dir / TSettings::FileName;
  // The mail window keeps its own keys in "Setup"; saving must not lose them.
  WriteFileBytes(path, "[Setup]\r\nServer=mail.example.org\r\nEMail Address=a@b.c\r\n");
  Changed().Save(path);
  TSettings s;
  s.Load(path);
  EXPECT_FALSE(s.FirstRun());
  EXPECT_EQ(Values(s), Values(Changed()));
  EXPECT_FALSE(s.NoReset()); // several resets stay ticked together
  EXPECT_TRUE(s.LaunchOnWinStart());

  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("Setup", "Server", ""), "mail.example.org");
  EXPECT_EQ(ini.ReadString("Setup", "EMail Address", ""), "a@b.c");
  // What other readers of the file see: decimal colours, 0/1 booleans, the written-only keys.
  EXPECT_EQ(ini.ReadString("Format", "TabActiveColor", ""), "16772829");
  EXPECT_EQ(ini.ReadString("Setup", "MIDIOutPort", ""), "-1");
  EXPECT_EQ(ini.ReadString("Setup", "LOWS_Not", ""), "0");
  EXPECT_EQ(ini.ReadString("Setup", "StartNotification", ""), "1");
  EXPECT_EQ(ini.ReadString("Visual", "SpecBars", ""), "0");

  // Defaults written and read again stay the defaults.
  TSettings().Save(path);
  s.Load(path);
  EXPECT_EQ(Values(s), Values(TSettings()));
  EXPECT_EQ(ini.ReadString("Setup", "LOWS_Not", ""), "1");
}

TEST(Settings, WindowAboveOrLeftOfTheScreenEdgeComesBackAt10) {
  TScratchDir dir("settings");
  std::string path = dir / TSettings::FileName;
  WriteFileBytes(path, "[Format]\r\nTop=3\r\nLeft=-200\r\n");
  TSettings s;
  s.Load(path);
  EXPECT_EQ(s.Top, 10);
  EXPECT_EQ(s.Left, 10);
  WriteFileBytes(path, "[Format]\r\nTop=5\r\nLeft=4\r\n");
  s.Load(path);
  EXPECT_EQ(s.Top, 5);
  EXPECT_EQ(s.Left, 10);
}

TEST(Settings, ClosingWhileMaximisedLeavesTheStoredGeometryAlone) {
  TScratchDir dir("settings");
  std::string path = dir / TSettings::FileName;
  TSettings before = Changed();
  before.Save(path);

  TSettings maximised = Changed();
  maximised.AlbPanelWidth = 999;
  maximised.Top = 0;
  maximised.Left = 0;
  maximised.Width = 1600;
  maximised.Height = 1200;
  maximised.TabActiveColor = 0x123456;
  maximised.VisE = false;
  maximised.Save(path, true);

  TSettings s;
  s.Load(path);
  EXPECT_EQ(s.AlbPanelWidth, 321);
  EXPECT_EQ(s.Top, 57);
  EXPECT_EQ(s.Left, 1400);
  EXPECT_EQ(s.Width, 803);
  EXPECT_EQ(s.Height, 612);
  // Everything else is still written.
  EXPECT_EQ(s.TabActiveColor, 0x123456u);
  EXPECT_FALSE(s.VisE);

  // Maximised on the first close: no geometry is written at all, so the defaults hold.
  TScratchDir fresh("settings");
  maximised.Save(fresh / TSettings::FileName, true);
  s.Load(fresh / TSettings::FileName);
  EXPECT_EQ(s.Width, 585);
  EXPECT_EQ(s.Top, 100);
}

TEST(Settings, NewFileHoldsTheKeysInTheProgramsOrder) {
  TScratchDir dir("settings");
  std::string path = dir / TSettings::FileName;
  TSettings().Save(path);
  std::vector<std::string> expected{"[Setup]",
                                    "ShowTools=1",
                                    "FullScanDone=0",
                                    "ShowAllHints=1",
                                    "ShowAlbTabs=1",
                                    "ShowCatTabs=1",
                                    "RemindToScan=1",
                                    "AutoLooping=1",
                                    "MIDIOutPort=0",
                                    "DoRestartOnPortChange=0",
                                    "RestartPosOnPortChange=0",
                                    "GMGSReset=0",
                                    "GSGMReset=0",
                                    "GMReset=0",
                                    "GSReset=0",
                                    "StartNotification=1",
                                    "LOWS_Normal=0",
                                    "LOWS_Minimized=0",
                                    "LOWS_Not=1",
                                    "DisableTempConPI=0",
                                    "[Visual]",
                                    "VisE=0",
                                    "SpecBars=1",
                                    "Lights=0",
                                    "SpecGraph=0",
                                    "[Format]",
                                    "AlbPanelWidth=200",
                                    "Top=100",
                                    "Left=100",
                                    "Height=400",
                                    "Width=585",
                                    "TabActiveColor=12632256",
                                    "TabActiveFontColor=32768"};
  EXPECT_EQ(NonEmptyLines(path), expected);
}
