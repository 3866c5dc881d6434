#pragma once
// What the page's address asks for: index.html?frame=N&size=WxH. The same rules as kiru-capture's
// --frames and --size: a frame number from 1 to kMaxFrame, a size of two multiples of 4 up to
// kMaxWindowSide. Pure logic, tested natively.

#include <cstdint>
#include <string>

struct PageRequest {
    uint32_t frame = 0; // 0: play the demo
    int32_t width = 0;  // 0: the window's size
    int32_t height = 0;
};

// Parses the address's query fields (argv[1] to argv[argc - 1], each "name=value" as the address
// holds it, %XX escapes and all). Names and values are percent-decoded; a '+' stays a plus. False,
// with one plain line in error, for a bad escape (or one of NUL), a field other than frame and
// size, a field without "=value", or a frame or size that breaks the rules or is given twice.
bool pageRequestParse(int argc, const char* const* argv, PageRequest& request, std::string& error);
