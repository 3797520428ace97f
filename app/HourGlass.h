// The hourglass for the life of a command, back to the arrow even when the command throws.
#pragma once
#include "Forms.h"
#include "Handles.h"

inline auto HourGlass() {
  Screen->SetCursor(crHourGlass);
  return TScopeExit([] { Screen->SetCursor(crDefault); });
}
