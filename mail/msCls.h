// The one-second count-down behind every mail time-out, and the temporary file of a message.
#pragma once
#include <memory>
#include "Classes.h"
#include "Components.h"
#include <string>

class TTimer;

// Counts TimeOut seconds down on a one-second timer of the window thread; the timed-out flag
// stays set until it is cleared, and the timer runs until Stop.
class TTimeCounter : public TObject {
public:
  TTimeCounter();
  ~TTimeCounter() override;
  TTimeCounter(const TTimeCounter&) = delete;
  TTimeCounter& operator=(const TTimeCounter&) = delete;

  void Start();
  void Stop();
  int TimeOut() const { return FTimeOut; }
  void SetTimeOut(int value) { FTimeOut = value; }
  bool TimedOut() const { return FTimedOut; }
  void SetTimedOut(bool value) { FTimedOut = value; }
  int Remaining() const { return FRemaining; }

private:
  void Tick();
  std::unique_ptr<TTimer> FTimer;
  int FRemaining = 0;
  int FTimeOut = 60;
  bool FTimedOut = false;
};

// Holds the name of a fresh file in the system's temporary folder ("ms" prefix) and erases the
// file when it goes; as the first base of TTempFileStream it goes after the file is closed.
class TTempFileName {
public:
  TTempFileName();
  ~TTempFileName();
  TTempFileName(const TTempFileName&) = delete;
  TTempFileName& operator=(const TTempFileName&) = delete;
  const std::string& TempName() const { return FName; }

private:
  std::string FName;
};

class TTempFileStream : private TTempFileName, public TFileStream {
public:
  TTempFileStream();
};
