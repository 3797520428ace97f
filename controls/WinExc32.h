// Runs another program and waits for its end while this program's windows keep answering.
#pragma once
#include <cstdint>
#include <string>

// The answer when a quit message arrived during the wait (ERROR_CANCELLED).
constexpr uint32_t RUN_WAIT_QUIT = 1223;

// Starts commandLine (no separate application name, no inherited handles, the caller's environment
// and folder) with showMode (an SW_* value) for its main window, and returns once it has ended:
// 0 then, or the system's error code when it could not be started. The window messages of this
// thread run during the wait. exitCode, when given, receives the program's exit code (left alone
// when it could not be started, STILL_ACTIVE when the wait was cut short).
// A quit message ends the wait at once: it is posted again so that the caller's own message loop
// shuts the program down in order, and RUN_WAIT_QUIT is returned; the other program runs on.
uint32_t RunAndWait(const std::string& commandLine, int showMode, uint32_t* exitCode = nullptr);
