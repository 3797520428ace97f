// Duration text of title records and summary lines: "?", "m:ss" or "h:mm:ss".
#pragma once
#include <string>

void SecondsToTimeText(int seconds, std::string& text);
inline std::string SecondsToTimeText(int seconds) {
  std::string text;
  SecondsToTimeText(seconds, text);
  return text;
}
