#pragma once
// The start-up and the frame that every program shares: the demo's three builds, the web page and
// the capture tool.

#include <cstddef>
#include <cstdint>

#include "app/command_line.h"
#include "app/platform.h"

// Starts the platform, takes the window's size for a full-screen run, makes the GPU resources,
// sets the GL state and viewport, sets the camera's eye and up and the screen size, adds the three
// captions, starts the frame clock and sets scene 1 up. False when the platform did not start
// (nothing is left open; platformFailure says why).
bool demoStart(const CommandLine& options, Pacing pacing, Headless headless);

// One line on standard error for each image that did not load, "kiru: " and why: the demo runs on
// without it (its texture is 0, which samples black). The capture tool refuses instead.
void demoImageFailuresReport();

// The update of the scene that demoState.sceneNumber names.
void demoUpdateScene();

// A frame's steps, in this order: the scene updates that lead up to it, the compose, the swap that
// shows it and the end. A frame that is not drawn (kiru-capture's unlisted ones) skips the
// compose and the swap.
void demoUpdate(int32_t updates);
// composeFrame into the buffer being drawn; it stays there, to be read back, until demoPresent.
void demoCompose();
void demoPresent();
// The events, then the sleep (the paced build's 16 ms); the frame is counted, and every 16th frame
// the title shows the rate of this one.
void demoFrameEnd(uint32_t sleepMs);

// What the demo's programs ask of a frame.
struct FrameStep {
    int32_t updates = 1;
    uint32_t sleepMs = 0;
};
// The steps above for one drawn frame of the demo's builds and the web page.
void demoFrame(const FrameStep& step);

// Frames per second of one frame that took `elapsed` ticks at `frequency` ticks per second.
float frameRate(int64_t elapsed, int64_t frequency);

// Room for "KIRU: " and the longest "%.2f" of a float, with its terminator.
inline constexpr size_t kTitleSize = 64;
// Writes "KIRU: %.2f" into buffer, cut to size; returns buffer.
const char* titleFormat(char* buffer, size_t size, float fps);
