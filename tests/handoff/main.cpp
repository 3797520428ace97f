// Test program entry; started with TB_HANDOFF_CLASS set it is instead a second start that hands
// its own command line to the window of that class and exits 10 when it did, 11 when it did not.
#include <gtest/gtest.h>
#include <windows.h>
#include "Guard.h"
#include "OnceOnly.h"
#include "SysUtils.h"

int main(int argc, char** argv) {
  char cls[256];
  DWORD n = GetEnvironmentVariableA("TB_HANDOFF_CLASS", cls, sizeof cls);
  if (n > 0 && n < sizeof cls) return SendToPreviousInstance(std::string(cls, n)) ? 10 : 11;

  testing::InitGoogleTest(&argc, argv);
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  return RUN_ALL_TESTS();
}
