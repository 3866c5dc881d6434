#include <gtest/gtest.h>

#include <csignal>

#include "capture/capture_run.h"

namespace {

// Which of a run's outcomes names the exit status and its line: a failure drawing or writing
// above all, a stop signal over a closed window, and a failed standard output over a stop signal
// but under a closed window.
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
        {"", "", 0, true, 1, "the window was closed after frame 7 of 9"},
        {"", "stdout", 0, true, 1, "the window was closed after frame 7 of 9"},
        {"", "stdout", 0, false, 1, "stdout"},
    };
    for (const auto& c : cases) {
        CaptureEnd end;
        end.failure = c.failure;
        end.outputFailure = c.output;
        end.stopSignal = c.signal;
        end.windowClosed = c.closed;
        end.played = 7;
        end.last = 9;
        const CaptureStatus got = captureStatus(end);
        EXPECT_EQ(got.status, c.status) << c.failure << c.output << c.signal << c.closed;
        EXPECT_EQ(got.message, c.says);
    }
}

} // namespace
