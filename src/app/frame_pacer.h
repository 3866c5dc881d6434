#pragma once
// Pacing by the wall clock: how many fixed 1/60 s updates a frame runs so that the demo's clock
// keeps to real time on any display. Pure logic, shared by kiru-realtime and the web page.

#include <cstdint>

inline constexpr double kUpdateSeconds = 1.0 / 60.0;
// A slow machine runs up to this many updates a frame and lets the rest of its backlog go, so the
// demo slows down rather than falling ever further behind.
inline constexpr int32_t kMostUpdatesPerFrame = 4;

struct FramePacer {
    double owedSeconds = kUpdateSeconds; // the first frame runs update 1 at once
    double previousSeconds = 0.0;
    bool started = false; // false until the first frame gives a time
};

// The updates the frame at real time `now` (seconds on any steady clock) runs: the real time owed
// since the last frame in whole updates, rounded to the nearest, so that a 60 Hz display with
// jittery timestamps still gets one every frame; at most kMostUpdatesPerFrame, the rest dropped.
// A clock that goes backwards counts as no time.
int32_t framePacerAdvance(FramePacer& pacer, double now);

// Seconds from the last frame's time until a whole update is owed (0 when one already is): how long
// a frame that ran no update may sleep instead of spinning.
double framePacerWait(const FramePacer& pacer);
