#include "app/command_line.h"

#include <cstdint>

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool takesSize(int32_t side) {
    return side > 0 && side <= kMaxWindowSide && (side & 3) == 0;
}

} // namespace

int32_t parseInteger(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    while (isBlank(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    // Accumulate the magnitude in 64 bits and stop growing once it is past the int32 range.
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (magnitude < limit) {
            magnitude = magnitude * 10 + (*text - '0');
        }
    }
    if (magnitude > limit) {
        magnitude = limit;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

CommandLine commandLineParse(int argc, const char* const* argv) {
    CommandLine options;
    if (argc >= 3) {
        const int32_t width = parseInteger(argv[1]);
        const int32_t height = parseInteger(argv[2]);
        if (takesSize(width) && takesSize(height)) {
            options.width = width;
            options.height = height;
        }
    }
    if (argc >= 4) {
        options.fullScreen = parseInteger(argv[3]) == 1;
    }
    return options;
}
