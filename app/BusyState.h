// The busy state of long operations: what holds it, and a holder of it for a scope.
#pragma once

// What holds the busy state: the main window, or a stand-in in a group's tests.
class TBusyHolder {
public:
  virtual ~TBusyHolder() = default;
  // The outermost begin disables the commands, its end enables them again.
  virtual void BeginBusy() = 0;
  virtual void EndBusy() = 0;
};

// Holds the busy state for its lifetime. Nested holders keep it until the outermost ends.
class TBusyState {
public:
  explicit TBusyState(TBusyHolder& holder) : FHolder(holder) { FHolder.BeginBusy(); }
  ~TBusyState() { FHolder.EndBusy(); }
  TBusyState(const TBusyState&) = delete;
  TBusyState& operator=(const TBusyState&) = delete;

private:
  TBusyHolder& FHolder;
};
