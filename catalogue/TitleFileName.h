// A title made into a file name that stays in the folder it is written to.
#pragma once
#include <string>

// The title as a bare file name without extension: characters Windows refuses in names (\ / : * ?
// " < > | and control characters) become "_", blanks and dots at the ends go, device names ("CON",
// "LPT1", also with an extension) get a leading "_", and the length is bounded. An empty result
// becomes "Untitled".
std::string TitleFileName(const std::string& title);
