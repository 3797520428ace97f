// Message pumping for long waits: they keep the window thread responsive while they wait.
#pragma once
#include <cstdint>
#include <functional>

struct tagMSG;

// Keyboard handling that comes before a message is dispatched (the application's short cuts and
// dialog keys); true when it consumed the message. The application object fills it.
extern bool (*TbIsDialogMessageHook)(tagMSG&);

// The one pump: takes the next waiting message of this thread, if any, and runs it through the
// keyboard hook and the window procedures, each under the exception boundary. Answers Empty when
// nothing waited and Quit (with its exit code) when the quit message came; that message is taken.
enum class TPumpResult { Empty, Handled, Quit };
TPumpResult PumpOneMessage(int& quitCode, unsigned long* queuedAt = nullptr);

// Runs the window messages that waited when it was called (and at most one that came meanwhile),
// so it always returns; a quit message is left for the main loop.
void ProcessMessages();
// How many ProcessMessages calls are under way on this thread: a handler that re-posts itself
// from inside one would keep it from ever returning.
int DrainDepth();
// Pumps messages until done() holds or timeoutMs passes (INFINITE_WAIT for no bound), sleeping in
// MsgWaitForMultipleObjects between checks. Answers whether done() held. For the main loop's
// stand-ins in tests; the program's own waits use WaitFor.
constexpr uint32_t INFINITE_WAIT = 0xFFFFFFFF;
bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs, uint32_t pollMs = 10);

// The program's waits. The outermost wait runs the message queue as PumpUntil does. A wait that
// starts inside a handler which another wait dispatched does not run the queue again: the outer
// wait's caller is still on the stack, and running further handlers from here would pile up
// commands on top of each other. It only answers messages sent from other threads, checks done()
// and keeps its own time bound.
bool WaitFor(const std::function<bool()>& done, uint32_t timeoutMs, uint32_t pollMs = 10);
// Lets pending messages run between the steps of a long job (the outermost wait only).
void LetMessagesRun();
// Lets messages run between the items of a long loop (an import): input, posted and sent
// messages at every Run, so that a Stop is heard before the next item; repaints no more often
// than every paintIntervalMs, since repainting a grid and its bars costs more than an item does.
class TLoopPump {
public:
  explicit TLoopPump(uint32_t paintIntervalMs = 50);
  void Run();

private:
  uint32_t FInterval;
  unsigned long FLastPaint;
};
// How many waits are under way on this thread.
int WaitDepth();
