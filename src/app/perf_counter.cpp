#include "app/perf_counter.h"

#include <time.h>

namespace {
constexpr int64_t kNanosecondsPerSecond = 1000000000;
}

bool QueryPerformanceFrequency(int64_t* frequency) {
    *frequency = kNanosecondsPerSecond;
    return true;
}

bool QueryPerformanceCounter(int64_t* count) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    *count = static_cast<int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
    return true;
}
