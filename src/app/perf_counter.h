#pragma once
// A high-resolution counter with a fixed frequency. On Windows these overload Windows' own
// functions of the same names (which take a LARGE_INTEGER) and read them
// (perf_counter_windows.cpp); elsewhere they read the system's monotonic clock (perf_counter.cpp).

#include <cstdint>

// Ticks per second; the same value for the whole run. Always succeeds here.
bool QueryPerformanceFrequency(int64_t* frequency);
// The current reading in ticks; never goes backwards.
bool QueryPerformanceCounter(int64_t* count);
