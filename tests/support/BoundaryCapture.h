// Routes exceptions that reach a boundary to the application's handler and records what it was
// given, for the life of the object; the former boundary handler and OnException come back after.
#pragma once
#include <string>
#include <vector>
#include "Forms.h"
#include "Guard.h"

class TBoundaryCapture {
public:
  TBoundaryCapture() : FFormerHandler(BoundaryHandler()), FFormerEvent(Application->OnException) {
    SetBoundaryHandler([](std::exception_ptr e) { Application->HandleException(e); });
    Application->OnException = [this](TObject*, const std::exception& e) {
      Messages.push_back(e.what());
    };
  }
  ~TBoundaryCapture() {
    Application->OnException = FFormerEvent;
    SetBoundaryHandler(FFormerHandler);
  }
  TBoundaryCapture(const TBoundaryCapture&) = delete;
  TBoundaryCapture& operator=(const TBoundaryCapture&) = delete;

  // The messages of the exceptions the application's handler received, in order.
  std::vector<std::string> Messages;

private:
  TBoundaryHandler FFormerHandler;
  TExceptionEvent FFormerEvent;
};
