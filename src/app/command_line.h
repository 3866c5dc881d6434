#pragma once
// The demo's command line: kiru [width height [fullScreenFlag]].

#include <cstdint>

inline constexpr int32_t kDefaultWidth = 800;
inline constexpr int32_t kDefaultHeight = 600;
inline constexpr int32_t kMaxWindowSide = 16384;

struct CommandLine {
    int32_t width = kDefaultWidth;
    int32_t height = kDefaultHeight;
    bool fullScreen = true;
};

// Reads like atoi (leading blanks, a sign, leading digits, 0 when there are none) but saturates
// at the int32 limits instead of overflowing. Null reads as 0.
int32_t parseInteger(const char* text);

// Width and height are taken only when both are given, both are multiples of 4 and both lie in
// 1..kMaxWindowSide; otherwise both defaults stay. Full-screen unless a third argument other
// than 1 is given. argc counts the program name.
CommandLine commandLineParse(int argc, const char* const* argv);
