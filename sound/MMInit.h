// The sound library's start-up: cursors into the screen, the platform flag, the registry.
#pragma once

// Called once at start-up, after the screen exists and before any window is made.
void InitSoundUnits();
