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

// Parses the address's query fields (argv[1] to argv[argc - 1], each "name=value"). Fields other
// than frame and size are left to the page. False, with one plain line in error, for a frame or
// size that breaks the rules or is given twice.
bool pageRequestParse(int argc, const char* const* argv, PageRequest& request, std::string& error);
