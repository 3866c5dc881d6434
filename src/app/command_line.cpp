#include "app/command_line.h"

#include <cstdint>

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool windowSideValid(int32_t side) {
    return side > 0 && side <= kMaxWindowSide && side % kWindowSideMultiple == 0;
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
        if (windowSizeValid(width, height)) {
            options.width = width;
            options.height = height;
        }
    }
    if (argc >= 4) {
        options.fullScreen = parseInteger(argv[3]) == 1;
    }
    return options;
}

bool windowSizeValid(int32_t width, int32_t height) {
    return windowSideValid(width) && windowSideValid(height);
}

bool digitsRead(const char*& text, uint32_t limit, uint32_t& value) {
    if (*text < '0' || *text > '9') {
        return false;
    }
    uint64_t result = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        result = result * 10 + static_cast<uint64_t>(*text - '0');
        if (result > limit) {
            return false;
        }
    }
    value = static_cast<uint32_t>(result);
    return true;
}

bool windowSizeParse(const char* text, int32_t& width, int32_t& height) {
    uint32_t w = 0;
    uint32_t h = 0;
    const auto limit = static_cast<uint32_t>(kMaxWindowSide);
    if (!digitsRead(text, limit, w) || *text++ != 'x' || !digitsRead(text, limit, h) ||
        *text != '\0' || !windowSizeValid(static_cast<int32_t>(w), static_cast<int32_t>(h))) {
        return false;
    }
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

bool frameNumberParse(const char* text, uint32_t& frame) {
    uint32_t value = 0;
    if (!digitsRead(text, kMaxFrame, value) || *text != '\0' || value == 0) {
        return false;
    }
    frame = value;
    return true;
}
