#include "capture/capture_options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "app/command_line.h"

namespace {

// Digits only, no sign or blanks, at most kMaxCaptureFrame; advances text past them.
bool readNumber(const char*& text, uint32_t limit, uint32_t& value) {
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

bool sizeParse(const char* text, int32_t& width, int32_t& height) {
    uint32_t w = 0;
    uint32_t h = 0;
    const auto limit = static_cast<uint32_t>(kMaxWindowSide);
    if (!readNumber(text, limit, w) || *text++ != 'x' || !readNumber(text, limit, h) ||
        *text != '\0') {
        return false;
    }
    if (w == 0 || h == 0 || w % 4 != 0 || h % 4 != 0) {
        return false;
    }
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

} // namespace

bool frameListParse(const char* text, std::vector<FrameRange>& ranges, std::string& error) {
    ranges.clear();
    const char* start = text;
    for (;;) {
        FrameRange range{};
        if (!readNumber(text, kMaxCaptureFrame, range.first)) {
            break;
        }
        range.last = range.first;
        if (*text == '-') {
            ++text;
            if (!readNumber(text, kMaxCaptureFrame, range.last)) {
                break;
            }
        }
        if (range.first == 0) {
            error = "frame numbers start at 1";
            return false;
        }
        if (range.last < range.first) {
            error = "a frame range must not run backwards";
            return false;
        }
        ranges.push_back(range);
        if (*text == '\0') {
            return true;
        }
        if (*text++ != ',') {
            break;
        }
    }
    error = std::string("cannot read the frame list \"") + start +
            "\" (expected numbers and ranges like 1-120,480)";
    return false;
}

bool frameListContains(const std::vector<FrameRange>& ranges, uint32_t frame) {
    for (const FrameRange& range : ranges) {
        if (frame >= range.first && frame <= range.last) {
            return true;
        }
    }
    return false;
}

uint32_t frameListLast(const std::vector<FrameRange>& ranges) {
    uint32_t last = 0;
    for (const FrameRange& range : ranges) {
        last = range.last > last ? range.last : last;
    }
    return last;
}

bool captureOptionsParse(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* flag = argv[i];
        if (std::strcmp(flag, "--help") == 0 || std::strcmp(flag, "-h") == 0) {
            options.help = true;
            continue;
        }
        const bool known = std::strcmp(flag, "--size") == 0 || std::strcmp(flag, "--frames") == 0 ||
                           std::strcmp(flag, "--out") == 0;
        if (!known) {
            error = std::string("unknown argument \"") + flag + "\"";
            return false;
        }
        if (i + 1 >= argc) {
            error = std::string(flag) + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        if (std::strcmp(flag, "--size") == 0) {
            if (!sizeParse(value, options.width, options.height)) {
                error = std::string("bad size \"") + value +
                        "\" (expected WxH, both positive multiples of 4 up to 16384)";
                return false;
            }
        } else if (std::strcmp(flag, "--frames") == 0) {
            if (!frameListParse(value, options.frames, error)) {
                return false;
            }
        } else {
            if (*value == '\0') {
                error = "--out needs a folder";
                return false;
            }
            options.outDir = value;
        }
    }
    return true;
}

bool captureOutDirPrepare(const std::string& dir, std::string& error) {
    // mkdir -p: make each missing parent in turn.
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create the folder \"" + part + "\": " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "\"" + dir + "\" is not a folder";
        return false;
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        error = "cannot write into \"" + dir + "\": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string captureFramePath(const std::string& dir, uint32_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06u.png", frame);
    return dir + name;
}
