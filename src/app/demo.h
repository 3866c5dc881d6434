#pragma once
// The start-up and per-frame steps that the demo's entry and the capture tool share.

#include <cstddef>
#include <cstdint>

#include "app/command_line.h"
#include "app/platform.h"

// Platform, window size, GPU resources, GL state, viewport, camera defaults, screen size and the
// three captions, in that order. False when the platform did not start (nothing is left open;
// platformFailure says why).
bool demoStart(const CommandLine& options, Pacing pacing, Headless headless);

// The update of the scene that demoState.sceneNumber names.
void demoUpdateScene();

// Frames per second of one frame that took `elapsed` ticks at `frequency` ticks per second.
float frameRate(int64_t elapsed, int64_t frequency);

// Room for "KIRU: " and the longest "%.2f" of a float, with its terminator.
inline constexpr size_t kTitleSize = 64;
// Writes "KIRU: %.2f" into buffer, cut to size; returns buffer.
const char* titleFormat(char* buffer, size_t size, float fps);
