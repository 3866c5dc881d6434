#pragma once
// A high-resolution counter with a fixed frequency, over the system's monotonic clock.

#include <cstdint>

// Ticks per second; the same value for the whole run. Always succeeds here.
bool QueryPerformanceFrequency(int64_t* frequency);
// The current reading in ticks; never goes backwards.
bool QueryPerformanceCounter(int64_t* count);
