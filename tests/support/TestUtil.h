// Helpers shared by the tests: scratch folders, file contents, corpus paths, Python oracles.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A fresh empty folder under the system's temp folder, removed again with the object.
class TScratchDir {
public:
  explicit TScratchDir(const std::string& name = "tb");
  ~TScratchDir();
  const std::string& Path() const { return FPath; } // with the trailing backslash
  std::string operator/(const std::string& name) const { return FPath + name; }

private:
  std::string FPath;
};

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
// A file's bytes, read beside whoever has it open for writing or playing; "" when it cannot be
// opened yet.
std::string SharedRead(const std::string& path);
void RemoveTree(const std::string& path);
// Environment variables the ctest entry sets.
std::string EnvVar(const char* name);
// The screen's dots per inch that this run asked for (tests/support/with-screen-dpi.sh), else 96.
int AskedScreenDpi();
// The screen's dots per inch as this process sees it.
int ScreenDpi();
// The real-world MIDI files of build/corpus, as Windows paths; empty when the corpus is absent.
std::vector<std::string> CorpusFiles(const std::string& package = "");
// A RIFF MIDI file ("RIFF" size "RMID" "data" size) around a Standard MIDI File, padded to even
// length.
std::string RiffMidiOf(const std::string& smf);
// A host path as Wine sees it (/x/y -> Z:\x\y).
std::string WinPath(const std::string& unixPath);
// Makes path (a file that does not exist yet) the host's /dev/full, a device on which every write
// fails as on a full disk, for its lifetime. Made() when a write through path fails with
// ERROR_DISK_FULL.
class TFullDisk {
public:
  explicit TFullDisk(const std::string& path);
  ~TFullDisk();
  TFullDisk(const TFullDisk&) = delete;
  TFullDisk& operator=(const TFullDisk&) = delete;
  bool Made() const { return FMade; }

private:
  std::string FPath;
  bool FMade = false;
};
// The folder into which the Python oracles wrote their golden files for this run.
std::string OracleDir(const std::string& oracle);

// "Nothing happened" without a fixed wait. Runs this thread's messages until everything queued
// before the call has been handled: the input already queued (SendInput's clicks and keys, the
// moves of SetCursorPos) and then the posted messages, shown by a private message posted behind
// them that comes back, and the paints the windows owe. Input those handlers cause is run too;
// messages they post come behind the private one (call again for a further round). Timers that
// are not due yet are not waited for (see PumpPastTimer). What the windows drew is on the screen
// after it. False when the queue did not run dry in the time.
bool PumpQueued(uint32_t timeoutMs = 30000);
// Runs this thread's messages until a timer of intervalMs set now has fired: every timer of this
// thread due within that time has fired and been handled before it (timers fire in the order
// they fall due). For "a timer of the program did not fire again".
bool PumpPastTimer(uint32_t intervalMs, uint32_t timeoutMs = 30000);

// Waits until done() holds without running this thread's queue: for a state another thread
// brings about while what is queued here must stay queued (or on a thread without windows).
// Messages other threads send are answered meanwhile. False when the time ran out first.
bool PollUntil(const std::function<bool()>& done, uint32_t timeoutMs = 30000);
// Waits, without running this thread's queue, until a one-shot system (multimedia) timer of
// intervalMs set now has fired. The system's timers run on one thread in the order they fall
// due, so every periodic system timer due within that time has ticked before it: for "a system
// timer did not tick again".
bool WaitPastSystemTimer(uint32_t intervalMs, uint32_t timeoutMs = 30000);
// A periodic system timer of intervalMs counting its ticks for its lifetime: an independent clock
// read in ticks, run by the same thread as the program's system timers, so that a load which
// holds up theirs holds up this one alike.
class TSystemTicks {
public:
  explicit TSystemTicks(uint32_t intervalMs);
  ~TSystemTicks();
  TSystemTicks(const TSystemTicks&) = delete;
  TSystemTicks& operator=(const TSystemTicks&) = delete;
  bool Running() const { return FId != 0; }
  int Count() const { return FCount.load(); }

private:
  unsigned FId = 0;
  std::atomic<int> FCount{0};
};

// The middle reading of a series (0 when empty): a live level read this way ignores the odd
// glitched buffer of a loaded machine.
int MedianOf(std::vector<int> values);
