// Test program entry: GoogleTest with the boundary handler reporting caught exceptions as failures.
// Folders whose windows take the focus run on a desktop of their own (TB_OWN_DESKTOP names it),
// and the sound folders start the sound library as the program does (TB_SOUND_INIT).
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include "Guard.h"
#include "SysUtils.h"
#ifdef TB_SOUND_INIT
#include "MMInit.h"
#endif

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
#ifdef TB_OWN_DESKTOP
  HDESK desk = CreateDesktopA(TB_OWN_DESKTOP, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (!desk || !SetThreadDesktop(desk)) {
    fprintf(stderr, "no desktop of our own (%lu)\n", GetLastError());
    return 2;
  }
#endif
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
#ifdef TB_SOUND_INIT
  InitSoundUnits();
#endif
  return RUN_ALL_TESTS();
}
