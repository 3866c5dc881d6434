#include "web/page_request.h"

#include <cstring>

#include "app/command_line.h"

namespace {

constexpr char kFrameField[] = "frame=";
constexpr char kSizeField[] = "size=";

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace

bool pageRequestParse(int argc, const char* const* argv, PageRequest& request, std::string& error) {
    request = {};
    bool frameSeen = false;
    bool sizeSeen = false;
    for (int i = 1; i < argc; ++i) {
        const char* field = argv[i];
        if (startsWith(field, kFrameField)) {
            const char* value = field + std::strlen(kFrameField);
            if (frameSeen) {
                error = "the address gives frame= twice";
                return false;
            }
            frameSeen = true;
            if (!frameNumberParse(value, request.frame)) {
                error = "bad frame \"" + std::string(value) +
                        "\" (expected a whole number from 1 to " + std::to_string(kMaxFrame) + ")";
                return false;
            }
        } else if (startsWith(field, kSizeField)) {
            const char* value = field + std::strlen(kSizeField);
            if (sizeSeen) {
                error = "the address gives size= twice";
                return false;
            }
            sizeSeen = true;
            if (!windowSizeParse(value, request.width, request.height)) {
                error =
                    "bad size \"" + std::string(value) + "\" (expected " + kWindowSizeRule + ")";
                return false;
            }
        }
    }
    return true;
}
