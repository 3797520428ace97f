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

// Parameters joined with CR LF.
std::string JoinInstanceParams(const std::vector<std::string>& params);

// One message of a hand-off. Parameters go whole, in order: as many as fit in one atom go
// together with WM_INSTANCEPARAMS (which any instance understands); one longer than an atom holds
// goes by WM_COPYDATA, tagged with WM_INSTANCEPARAMS.
struct TInstancePacket {
  std::vector<std::string> Params;
  bool Copied = false; // sent by WM_COPYDATA
};

// The messages that hand params over, in order; no parameters make one message without any.
std::vector<TInstancePacket> PackInstanceParams(const std::vector<std::string>& params);

// A top-level window of the class that belongs to another process; nullptr when none.
void* FindPreviousInstance(const std::string& className);

// How a message of a hand-off went. Refused: the window answered, but does not know the kind of
// message (an instance older than WM_COPYDATA hand-offs).
enum class THandOffResult { Taken, NoAnswer, Gone, Refused };

// Sends one message of a hand-off and waits at most timeoutMs for the window to take it. A
// message not taken in that time is withdrawn (and its atom deleted): it never arrives later.
THandOffResult HandToInstance(void* window, const TInstancePacket& packet, unsigned timeoutMs);

// When another process has a top-level window of the class, hands it the parameters and answers
// true (the caller then ends); otherwise false. Windows of this process never count. A named
// lock beside the window keeps starts made at the same moment apart: the first takes the lock
// and answers false; the others wait for its window and hand over to it. A running instance that
// is busy is waited for; after a moment a note says so, and its Cancel gives up. Files that were
// not handed over (given up, or refused) are named in a message, and the answer is true.
bool SendToPreviousInstance(const std::string& className, const std::vector<std::string>& params);
// The same with this start's own command-line parameters.
bool SendToPreviousInstance(const std::string& className = MasterFormClassName);

// The file a parameter names, as a user knows it: without its command letter, quotes or a
// plug-in request's address; "" for a parameter that names none (the lone "M").
std::string HandOffFileOf(const std::string& param);

// Called for each handed-over line with its 1-based number.
using TInstanceParamCallback =
    std::function<void(void* target, const std::string& line, int lineNo)>;

// Receiving side of WM_INSTANCEPARAMS: splits the atom's text into lines and calls back for each
// (only when wParam is at least 1 and a callback is given). The atom is deleted in any case.
void ReceiveInstanceParams(uintptr_t wParam, intptr_t lParam,
                           const TInstanceParamCallback& callback, void* target);
// Receiving side of WM_COPYDATA: when the data is a hand-off, calls back for each of its lines
// and answers true (the message's answer then says it was taken); otherwise false.
bool ReceiveCopiedInstanceParams(intptr_t lParam, const TInstanceParamCallback& callback,
                                 void* target);
