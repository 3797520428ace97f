// Test program entry for the display panel. Its windows are shown and activated, so these tests
// run on a desktop of their own, where they cannot take the focus from the windows of test
// programs running beside them.
#include <gtest/gtest.h>
#include <windows.h>
#include "Guard.h"
#include "SysUtils.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  HDESK desk = CreateDesktopA("TonalbrookPanelTests", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (!desk || !SetThreadDesktop(desk)) {
    fprintf(stderr, "no desktop of our own (%lu)\n", GetLastError());
    return 2;
  }
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  return RUN_ALL_TESTS();
}
