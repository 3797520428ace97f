// Message pumping for long waits: they keep the window thread responsive while they wait.
#pragma once
#include <cstdint>
#include <functional>

// Runs every pending window message of this thread.
void ProcessMessages();
// Pumps messages until done() holds or timeoutMs passes (INFINITE_WAIT for no bound), sleeping in
// MsgWaitForMultipleObjects between checks. Answers whether done() held.
constexpr uint32_t INFINITE_WAIT = 0xFFFFFFFF;
bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs, uint32_t pollMs = 10);
