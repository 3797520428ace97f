// The two synthesizer-reset streams: small Standard MIDI Files played before a title when chosen.
#pragma once

// Format 0, 120 ticks per quarter, 4/4 at 500,000 us per quarter. Octal escapes so that the
// resource compiler and C++ read the same bytes.
// GM System On (F0 7E 7F 09 01 F7) at tick 0, end of track at tick 115: 49 bytes.
#define TB_GMRESET_BYTES                                                                           \
  "\115\124\150\144\000\000\000\006\000\000\000\001\000\170\115\124"                               \
  "\162\153\000\000\000\033\000\377\130\004\004\002\030\010\000\377"                               \
  "\121\003\007\241\040\000\360\005\176\177\011\001\367\163\377\057"                               \
  "\000"
// GS Reset (F0 41 10 42 12 40 00 7F 00 41 F7) at tick 0, a part-mode message at tick 56, end of
// track 58 ticks later: 82 bytes.
#define TB_GSRESET_BYTES                                                                           \
  "\115\124\150\144\000\000\000\006\000\000\000\001\000\170\115\124"                               \
  "\162\153\000\000\000\074\000\377\130\004\004\002\030\010\000\377"                               \
  "\121\003\007\241\040\000\360\012\101\020\102\022\100\000\177\000"                               \
  "\101\367\070\360\031\101\020\102\022\100\001\020\002\002\002\002"                               \
  "\002\002\002\000\000\000\000\002\002\002\002\002\027\367\072\377"                               \
  "\057\000"

#ifndef RC_INVOKED
#include <string>
#include <windows.h>

// The stream of that name (type RCDATA) in a module; empty when the module has none.
std::string ResetStreamResource(HMODULE module, const char* name);

// The stream of resource name "GMRESET" or "GSRESET" (type RCDATA) from the program file; the
// built-in copy when the running module has no such resource (test programs).
std::string LoadResetStream(const char* name);
// The built-in copies.
std::string BuiltInGMReset();
std::string BuiltInGSReset();
#endif
