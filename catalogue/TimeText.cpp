// Duration text of title records and summary lines.
#include "TimeText.h"
#include <cstdio>

void SecondsToTimeText(int seconds, std::string& text) {
  char buf[32] = "?";
  int minutes = seconds / 60;
  if (seconds < 1)
    ; // below one second the duration is not known
  else if (minutes < 60)
    std::snprintf(buf, sizeof buf, "%d:%02d", minutes, seconds % 60);
  else
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", minutes / 60, minutes % 60, seconds % 60);
  text = std::string(buf);
}
