// The user settings of "Tonalbrook.ini": every value with its default, read at start and written at
// shutdown.
#pragma once
#include <cstdint>
#include <string>

// The settings the main window keeps in sections "Setup", "Visual" and "Format". A missing file
// or key gives the defaults below.
class TSettings {
public:
  // The main window's settings file, in the program's folder.
  static constexpr const char* FileName = "Tonalbrook.ini";

  // Setup
  bool FullScanDone = false;           // a scan of all drives has been done
  bool ShowAllHints = true;            // Hintlevel1: the application shows hints
  bool ShowAlbTabs = true;             // album tab pages shown
  bool ShowCatTabs = true;             // category tab pages shown
  bool ShowTools = true;               // toolbar shown
  bool RemindToScan = true;            // Remindtoscan1: the scan question at start-up
  bool AutoLooping = true;             // Looping1: the program loops
  int MIDIOutPort = 0;                 // the player's MIDI output port, -1 = the mapper
  bool DoRestartOnPortChange = false;  // restart the title when the port changes
  bool RestartPosOnPortChange = false; // and go back to the former position
  bool GMGSReset = false;              // GMGS1
  bool GSGMReset = false;              // GSGM1
  bool GMReset = false;                // GM1
  bool GSReset = false;                // GS1
  bool LOWS_Normal = false;            // Normal1: start with Windows, normal window
  bool LOWS_Minimized = false;         // Minimized1: start with Windows, minimised
  bool DisableTempConPI = false;       // disable conflicting browser plug-ins while running
  // Visual
  bool VisE = false;      // Visualeffects1
  bool SpecBars = true;   // Spectrumbars1
  bool Lights = false;    // Lights1
  bool SpecGraph = false; // Spectrograph1
  // Format
  int AlbPanelWidth = 200; // width of the album panel AlbPanel
  int Height = 400;        // main window
  int Width = 585;
  int Top = 100; // read as 10 when stored below 5
  int Left = 100;
  uint32_t TabActiveColor = 0xC0C0C0;   // active tab colour of both tab controls
  uint32_t TabActiveFontColor = 0x8000; // active tab font colour of both tab controls

  // None1 is ticked when no reset is chosen.
  bool NoReset() const { return !GMGSReset && !GSGMReset && !GMReset && !GSReset; }
  // Not1 is ticked when the program does not start with Windows.
  bool LOWS_Not() const { return !LOWS_Normal && !LOWS_Minimized; }
  // LaunchOnWinStart is ticked when it does, either way.
  bool LaunchOnWinStart() const { return !LOWS_Not(); }
  // The file was missing at the last Load: the first run, when the window is centred instead.
  bool FirstRun() const { return FFirstRun; }

  // Reads every key; a missing file leaves the defaults and marks the first run.
  void Load(const std::string& path);
  // Writes every key in the program's fixed order. While the main window is maximised its
  // geometry and the album panel width are left as the file holds them. Raises
  // EIniFileException when the file cannot be written.
  void Save(const std::string& path, bool maximized = false) const;

private:
  bool FFirstRun = false;
};
