#pragma once
// The demo's command line, kiru [width height [fullScreenFlag]], and the rules for sizes and frame
// numbers that every program shares: the demo, kiru-capture and the web page.

#include <cstdint>

inline constexpr int32_t kDefaultWidth = 800;
inline constexpr int32_t kDefaultHeight = 600;
inline constexpr int32_t kMaxWindowSide = 16384;
// Both sides of a window are multiples of this.
inline constexpr int32_t kWindowSideMultiple = 4;
// Largest frame number a program takes: about 46 hours of demo time at 60 frames a second.
inline constexpr uint32_t kMaxFrame = 10000000;

struct CommandLine {
    int32_t width = kDefaultWidth;
    int32_t height = kDefaultHeight;
    bool fullScreen = true;
};

// Reads like atoi (leading blanks, a sign, leading digits, 0 when there are none) but saturates
// at the int32 limits instead of overflowing. Null reads as 0.
int32_t parseInteger(const char* text);

// Width and height are taken only when both are given and the size is valid (below); otherwise
// both defaults stay. Full-screen unless a third argument other than 1 is given. argc counts the
// program name.
CommandLine commandLineParse(int argc, const char* const* argv);

// The one size rule: both sides multiples of 4 in 1..kMaxWindowSide. The words for messages:
bool windowSizeValid(int32_t width, int32_t height);
inline constexpr char kWindowSizeRule[] = "WxH, both positive multiples of 4 up to 16384";

// Digits only (no sign or blanks), at most limit; advances text past them. False, with text
// somewhere inside the digits, when there are none or the number passes limit.
bool digitsRead(const char*& text, uint32_t limit, uint32_t& value);

// "WxH", digits only, of a valid size.
bool windowSizeParse(const char* text, int32_t& width, int32_t& height);

// "N", digits only, with N in 1..kMaxFrame.
bool frameNumberParse(const char* text, uint32_t& frame);
