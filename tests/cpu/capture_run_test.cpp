#include <gtest/gtest.h>

#include <csignal>
#include <tuple>

#include "capture/capture_run.h"

namespace {

// Which of a run's outcomes names the exit status and its line: a failure drawing or writing
// above all, then a failed standard output, then a stop signal, then a closed window (status 3,
// a viewer's stop).
TEST(CaptureRun, TheStatusComesFromTheWeightiestOutcome) {
    const struct {
        const char* failure;
        const char* output;
        int signal;
        bool closed;
        int status;
        const char* says;
    } cases[] = {
        {"", "", 0, false, 0, ""},
        {"disk full", "", 0, false, 1, "disk full"},
        {"disk full", "stdout", SIGTERM, true, 1, "disk full"},
        {"", "", SIGTERM, false, 143, "stopped by SIGTERM after frame 7 of 9"},
        {"", "", SIGINT, true, 130, "stopped by SIGINT after frame 7 of 9"},
        {"", "stdout", SIGINT, false, 1, "stdout"},
        {"", "", 0, true, 3, "the window was closed after frame 7 of 9"},
        {"", "stdout", 0, true, 1, "stdout"},
        {"", "stdout", 0, false, 1, "stdout"},
    };
    for (const auto& c : cases) {
        CaptureEnd end;
        std::tie(end.failure, end.outputFailure, end.stopSignal, end.windowClosed, end.played,
                 end.last) = std::tuple(c.failure, c.output, c.signal, c.closed, 7u, 9u);
        const CaptureStatus got = captureStatus(end);
        EXPECT_EQ(got.status, c.status) << c.failure << c.output << c.signal << c.closed;
        EXPECT_EQ(got.message, c.says);
    }
}

} // namespace
