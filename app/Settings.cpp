// Reading and writing the main window's settings file.
#include "Settings.h"
#include "IniFiles.h"
#include "SysUtils.h"

static const char* const SetupSection = "Setup";
static const char* const VisualSection = "Visual";
static const char* const FormatSection = "Format";

// A window placed above or left of the screen's edge would be out of reach.
static int OnScreen(int position) {
  return position < 5 ? 10 : position;
}

void TSettings::Load(const std::string& path) {
  *this = TSettings();
  FFirstRun = !FileExists(path);
  TIniFile ini(path);
  FullScanDone = ini.ReadBool(SetupSection, "FullScanDone", FullScanDone);
  ShowAllHints = ini.ReadBool(SetupSection, "ShowAllHints", ShowAllHints);
  ShowAlbTabs = ini.ReadBool(SetupSection, "ShowAlbTabs", ShowAlbTabs);
  ShowCatTabs = ini.ReadBool(SetupSection, "ShowCatTabs", ShowCatTabs);
  ShowTools = ini.ReadBool(SetupSection, "ShowTools", ShowTools);
  RemindToScan = ini.ReadBool(SetupSection, "RemindToScan", RemindToScan);
  AutoLooping = ini.ReadBool(SetupSection, "AutoLooping", AutoLooping);
  MIDIOutPort = ini.ReadInteger(SetupSection, "MIDIOutPort", MIDIOutPort);
  DoRestartOnPortChange =
      ini.ReadBool(SetupSection, "DoRestartOnPortChange", DoRestartOnPortChange);
  RestartPosOnPortChange =
      ini.ReadBool(SetupSection, "RestartPosOnPortChange", RestartPosOnPortChange);
  GMGSReset = ini.ReadBool(SetupSection, "GMGSReset", GMGSReset);
  GSGMReset = ini.ReadBool(SetupSection, "GSGMReset", GSGMReset);
  GMReset = ini.ReadBool(SetupSection, "GMReset", GMReset);
  GSReset = ini.ReadBool(SetupSection, "GSReset", GSReset);
  LOWS_Normal = ini.ReadBool(SetupSection, "LOWS_Normal", LOWS_Normal);
  LOWS_Minimized = ini.ReadBool(SetupSection, "LOWS_Minimized", LOWS_Minimized);
  DisableTempConPI = ini.ReadBool(SetupSection, "DisableTempConPI", DisableTempConPI);

  VisE = ini.ReadBool(VisualSection, "VisE", VisE);
  SpecBars = ini.ReadBool(VisualSection, "SpecBars", SpecBars);
  Lights = ini.ReadBool(VisualSection, "Lights", Lights);
  SpecGraph = ini.ReadBool(VisualSection, "SpecGraph", SpecGraph);

  AlbPanelWidth = ini.ReadInteger(FormatSection, "AlbPanelWidth", AlbPanelWidth);
  Height = ini.ReadInteger(FormatSection, "Height", Height);
  Width = ini.ReadInteger(FormatSection, "Width", Width);
  Top = OnScreen(ini.ReadInteger(FormatSection, "Top", Top));
  Left = OnScreen(ini.ReadInteger(FormatSection, "Left", Left));
  TabActiveColor = static_cast<uint32_t>(
      ini.ReadInteger(FormatSection, "TabActiveColor", static_cast<int>(TabActiveColor)));
  TabActiveFontColor = static_cast<uint32_t>(
      ini.ReadInteger(FormatSection, "TabActiveFontColor", static_cast<int>(TabActiveFontColor)));
}

void TSettings::Save(const std::string& path, bool maximized) const {
  TIniFile ini(path);
  // The order is fixed: a new file gets its keys in this order.
  ini.WriteBool(SetupSection, "ShowTools", ShowTools);
  ini.WriteBool(SetupSection, "FullScanDone", FullScanDone);
  ini.WriteBool(SetupSection, "ShowAllHints", ShowAllHints);
  ini.WriteBool(SetupSection, "ShowAlbTabs", ShowAlbTabs);
  ini.WriteBool(SetupSection, "ShowCatTabs", ShowCatTabs);
  ini.WriteBool(SetupSection, "RemindToScan", RemindToScan);

  ini.WriteBool(VisualSection, "VisE", VisE);
  ini.WriteBool(VisualSection, "SpecBars", SpecBars);
  ini.WriteBool(VisualSection, "Lights", Lights);
  ini.WriteBool(VisualSection, "SpecGraph", SpecGraph);

  ini.WriteBool(SetupSection, "AutoLooping", AutoLooping);
  ini.WriteInteger(SetupSection, "MIDIOutPort", MIDIOutPort);
  ini.WriteBool(SetupSection, "DoRestartOnPortChange", DoRestartOnPortChange);
  ini.WriteBool(SetupSection, "RestartPosOnPortChange", RestartPosOnPortChange);
  ini.WriteBool(SetupSection, "GMGSReset", GMGSReset);
  ini.WriteBool(SetupSection, "GSGMReset", GSGMReset);
  ini.WriteBool(SetupSection, "GMReset", GMReset);
  ini.WriteBool(SetupSection, "GSReset", GSReset);
  ini.WriteBool(SetupSection, "StartNotification", true);
  ini.WriteBool(SetupSection, "LOWS_Normal", LOWS_Normal);
  ini.WriteBool(SetupSection, "LOWS_Minimized", LOWS_Minimized);
  ini.WriteBool(SetupSection, "LOWS_Not", LOWS_Not());
  ini.WriteBool(SetupSection, "DisableTempConPI", DisableTempConPI);

  if (!maximized) {
    ini.WriteInteger(FormatSection, "AlbPanelWidth", AlbPanelWidth);
    ini.WriteInteger(FormatSection, "Top", Top);
    ini.WriteInteger(FormatSection, "Left", Left);
    ini.WriteInteger(FormatSection, "Height", Height);
    ini.WriteInteger(FormatSection, "Width", Width);
  }
  ini.WriteInteger(FormatSection, "TabActiveColor", static_cast<int>(TabActiveColor));
  ini.WriteInteger(FormatSection, "TabActiveFontColor", static_cast<int>(TabActiveFontColor));
  ini.UpdateFile();
}
