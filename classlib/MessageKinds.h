// The kinds, button sets and answers of the program's message boxes: the one definition that the
// main window, the message dialog, the catalogue store and the play road share.
#pragma once
#include <cstdint>

// The kind gives a box its icon and caption.
enum class TMessageKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

// A set of buttons, as bits; combine with |.
enum class TMessageButtons : uint16_t {
  None = 0,
  Yes = 1,
  No = 2,
  OK = 4,
  Cancel = 8,
  Abort = 16,
  Help = 1024
};

constexpr TMessageButtons operator|(TMessageButtons a, TMessageButtons b) {
  return static_cast<TMessageButtons>(static_cast<uint16_t>(a) | static_cast<uint16_t>(b));
}

// Whether every button of part is in set.
constexpr bool Contains(TMessageButtons set, TMessageButtons part) {
  return (static_cast<uint16_t>(set) & static_cast<uint16_t>(part)) == static_cast<uint16_t>(part);
}

// The button that closed a box (the values of the system's and the class library's results).
enum class TMessageAnswer { None = 0, OK = 1, Cancel = 2, Abort = 3, Yes = 6, No = 7 };
