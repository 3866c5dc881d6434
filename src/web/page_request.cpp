#include "web/page_request.h"

#include <algorithm>
#include <cstring>

#include "app/command_line.h"

namespace {

constexpr char kFrameName[] = "frame";
constexpr char kSizeName[] = "size";
constexpr size_t kEscapeLength = 3; // "%" and two hex digits

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Decodes text[begin, end). On a '%' without two hex digits after it, or one that stands for NUL
// (the values are read as C strings, so a NUL would cut them short), returns false with the escape
// as written in badEscape.
bool percentDecode(const std::string& text, size_t begin, size_t end, std::string& decoded,
                   std::string& badEscape) {
    decoded.clear();
    for (size_t i = begin; i < end; ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        const int high = i + 1 < end ? hexDigitValue(text[i + 1]) : -1;
        const int low = i + 2 < end ? hexDigitValue(text[i + 2]) : -1;
        if (high < 0 || low < 0 || (high == 0 && low == 0)) {
            badEscape = text.substr(i, std::min(kEscapeLength, end - i));
            return false;
        }
        decoded += static_cast<char>(high * 16 + low);
        i += kEscapeLength - 1;
    }
    return true;
}

} // namespace

bool pageRequestParse(int argc, const char* const* argv, PageRequest& request, std::string& error) {
    request = {};
    bool frameSeen = false;
    bool sizeSeen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string field = argv[i];
        const size_t equals = field.find('=');
        const size_t nameEnd = equals == std::string::npos ? field.size() : equals;
        std::string name;
        std::string value;
        std::string badEscape;
        if (!percentDecode(field, 0, nameEnd, name, badEscape) ||
            (equals != std::string::npos &&
             !percentDecode(field, equals + 1, field.size(), value, badEscape))) {
            error = "bad escape \"" + badEscape + "\" in \"" + field +
                    "\" (expected % and two hex digits, not 00)";
            return false;
        }
        const bool isFrame = name == kFrameName;
        if (!isFrame && name != kSizeName) {
            error = "unknown field \"" + name + "\"";
            return false;
        }
        if (equals == std::string::npos) {
            error = "field \"" + name + "\" has no value (expected " + name + "=" +
                    (isFrame ? "N" : "WxH") + ")";
            return false;
        }
        bool& seen = isFrame ? frameSeen : sizeSeen;
        if (seen) {
            error = "the address gives " + name + "= twice";
            return false;
        }
        seen = true;
        if (isFrame && !frameNumberParse(value.c_str(), request.frame)) {
            error = "bad frame \"" + value + "\" (expected a whole number from 1 to " +
                    std::to_string(kMaxFrame) + ")";
            return false;
        }
        if (!isFrame && !windowSizeParse(value.c_str(), request.width, request.height)) {
            error = "bad size \"" + value + "\" (expected " + kWindowSizeRule + ")";
            return false;
        }
    }
    return true;
}
