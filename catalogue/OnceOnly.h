// One running instance: a second start hands its command line to the first and ends.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The message a second start sends to the first instance's main window: wParam = the number of
// parameters, lParam = a global atom with them joined by CR LF (0 when there are none).
constexpr unsigned WM_INSTANCEPARAMS = 0x0400 + 431; // WM_USER + 431
// The class of the main window, which identifies a running instance.
constexpr const char* MasterFormClassName = "TMasterFrm";
// A global atom's name holds at most this many characters.
constexpr size_t MaxInstanceParamsLength = 255;

// Parameters joined with CR LF and cut to what an atom holds.
std::string JoinInstanceParams(const std::vector<std::string>& params);

// A top-level window of the class that belongs to another process; nullptr when none.
void* FindPreviousInstance(const std::string& className);

// How a hand-off to a window went.
enum class THandOffResult { Taken, NoAnswer, Gone };

// Sends the parameters to the window and waits at most timeoutMs for it to take them (at once
// when its thread is hung). When they were not taken, the atom is deleted here.
THandOffResult HandToInstance(void* window, const std::vector<std::string>& params,
                              unsigned timeoutMs);

// When another process has a top-level window of the class, hands it the parameters and answers
// true (the caller then ends); otherwise false. Windows of this process never count. A named
// lock beside the window keeps starts made at the same moment apart: the first takes the lock
// and answers false; the others wait for its window (at most waitMs) and hand over to it. When
// the running instance does not answer in that time, a message says so and the answer is true.
bool SendToPreviousInstance(const std::string& className, const std::vector<std::string>& params,
                            unsigned waitMs = 20000);
// The same with this start's own command-line parameters.
bool SendToPreviousInstance(const std::string& className = MasterFormClassName);

// Called for each handed-over line with its 1-based number.
using TInstanceParamCallback =
    std::function<void(void* target, const std::string& line, int lineNo)>;

// Receiving side of WM_INSTANCEPARAMS: splits the atom's text into lines and calls back for each
// (only when wParam is at least 1 and a callback is given). The atom is deleted in any case.
void ReceiveInstanceParams(uintptr_t wParam, intptr_t lParam,
                           const TInstanceParamCallback& callback, void* target);
