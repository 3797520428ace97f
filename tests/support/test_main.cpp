// Test program entry: GoogleTest with the boundary handler reporting caught exceptions as failures.
#include <gtest/gtest.h>
#include "Guard.h"
#include "SysUtils.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  SetBoundaryHandler([](std::exception_ptr e) {
    ADD_FAILURE() << "exception reached a boundary: " << ExceptionMessage(e);
  });
  return RUN_ALL_TESTS();
}
