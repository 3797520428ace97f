// Test program entry for the visual effects (meter, conversion, connector). Their windows take
// the focus, so they run on a desktop of their own; the library starts as it does in the program.
#include <gtest/gtest.h>
#include <windows.h>
#include "Guard.h"
#include "MMInit.h"
#include "SysUtils.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  HDESK desk = CreateDesktopA("TonalbrookEffectsTests", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (!desk || !SetThreadDesktop(desk)) {
    fprintf(stderr, "no desktop of our own (%lu)\n", GetLastError());
    return 2;
  }
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  InitSoundUnits();
  return RUN_ALL_TESTS();
}
