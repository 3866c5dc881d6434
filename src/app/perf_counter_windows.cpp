// Windows' counterpart of perf_counter.cpp: the counter is Windows' own.
#include "app/perf_counter.h"

#include <windows.h>

bool QueryPerformanceFrequency(int64_t* frequency) {
    LARGE_INTEGER value{};
    const bool read = ::QueryPerformanceFrequency(&value) != 0;
    *frequency = value.QuadPart;
    return read;
}

bool QueryPerformanceCounter(int64_t* count) {
    LARGE_INTEGER value{};
    const bool read = ::QueryPerformanceCounter(&value) != 0;
    *count = value.QuadPart;
    return read;
}
