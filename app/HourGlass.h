// The hourglass for the life of a command, back to the arrow even when the command throws.
#pragma once
#include "Forms.h"

class THourGlass {
public:
  THourGlass() { Screen->SetCursor(crHourGlass); }
  ~THourGlass() { Screen->SetCursor(crDefault); }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;
};
