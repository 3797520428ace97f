// What the whole program shares: its title, folders, registered messages, start-up state and the
// player's device.
#pragma once
#include <string>

class TMciDriver;
class TSplashFrm;

// The application title and the document type registered for it.
constexpr const char* AppTitleText = "Tonalbrook";
constexpr const char* AppHelpFile = "TONALBROOK.HLP";
// The start-up question whether to scan, with where the reminder is switched off.
constexpr const char* ScanQuestionText =
    "Scan your system to find all MIDI files (recommended)?\r\n\r\n"
    "Options > Remind to scan switches this question off.";

// The five registered window messages exchanged with the browser plug-in and a second start.
struct TQxMessages {
  unsigned BringToFront = 0;
  unsigned TrackBarPerc = 0;
  unsigned TrackBarSetPos = 0;
  unsigned ShowMixerWindow = 0;
  unsigned ShowBadFileBitmap = 0;
};
extern TQxMessages QxMessages;

// What runs before any window: clears the pending request and registers the five messages.
// Safe to call more than once.
void InitMainUnit();

// The program folder with its trailing backslash: the program file's own folder, unless a test
// set another before the main window was made.
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);
// The work folders under the program folder, each with its trailing backslash.
std::string WorkFolder(const char* name);
extern const char* const
    WorkFolderNames[5]; // "TempTune", "TempZips", "TempMail", "TempTrash", "BackUp"

// A plug-in request that arrived before it could be run ("" when none).
extern std::string PendingRequest;
// Set once the catalogue is loaded at start-up; the splash waits for it.
extern bool StartUpDone;
// A property of the main window, set once start-up has ended (the first-run questions answered).
constexpr const char* StartUpDoneProperty = "Tonalbrook.StartUpDone";

// The player's device: the system's MCI unless a test set a stand-in before the window was made
// (null then).
void SetMainMciDriver(TMciDriver* driver);
TMciDriver* MainMciDriver();

// The splash made in the program's creation order (none in tests).
extern TSplashFrm* SplashFrm;
// Whether the main window puts up a splash of its own when first shown; the program entry turns
// it on, tests leave it off.
extern bool SplashAllowed;
