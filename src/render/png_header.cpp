#include "render/png_header.h"

#include <cstring>

namespace {

constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kIhdrLength = 13;
constexpr size_t kLengthAt = 8;
constexpr size_t kTypeAt = 12;
constexpr size_t kWidthAt = 16;
constexpr size_t kHeightAt = 20;
constexpr uint32_t kLargestSide = 0x7FFFFFFFu;

uint32_t bigEndian(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

PngHeader failed(const char* why) {
    PngHeader header;
    header.failure = why;
    return header;
}

} // namespace

PngHeader pngHeaderRead(const uint8_t* bytes, size_t count) {
    if (count < sizeof kSignature || std::memcmp(bytes, kSignature, sizeof kSignature) != 0) {
        return failed("not a PNG file");
    }
    if (count < kPngHeaderBytes) {
        return failed("the file ends before the image's size");
    }
    if (bigEndian(bytes + kLengthAt) != kIhdrLength ||
        std::memcmp(bytes + kTypeAt, "IHDR", 4) != 0) {
        return failed("its first chunk is not the image header");
    }
    const uint32_t width = bigEndian(bytes + kWidthAt);
    const uint32_t height = bigEndian(bytes + kHeightAt);
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) {
        return failed("its header gives a size no PNG has");
    }
    return {width, height, nullptr};
}
