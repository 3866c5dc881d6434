#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/png_header.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The first 24 bytes of a PNG as the format lays them out, with any field replaceable, cut short
// or with zero bytes after to make `size`.
Bytes header(uint32_t width, uint32_t height, size_t size = 24, uint32_t length = 13,
             const char* type = "IHDR") {
    Bytes b = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    for (uint32_t word : {length, 0u, width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            b.push_back(static_cast<uint8_t>(word >> shift));
        }
    }
    for (int i = 0; i < 4; ++i) {
        b[12 + i] = static_cast<uint8_t>(type[i]);
    }
    b.resize(size);
    return b;
}

TEST(PngHeader, SizeOfAPngAndWhyOtherBytesAreNotOne) {
    Bytes flipped = header(1, 1);
    flipped[1] = 'p';
    const struct {
        const char* what;
        Bytes bytes;
        uint32_t width, height;
        const char* failure; // "" when the size is read
    } cases[] = {
        {"one pixel", header(1, 1), 1, 1, ""},
        {"the largest side", header(0x7FFFFFFF, 0x7FFFFFFF), 0x7FFFFFFF, 0x7FFFFFFF, ""},
        {"bytes after the header", header(640, 480, 33), 640, 480, ""},
        {"one letter off the signature", flipped, 0, 0, "not a PNG file"},
        {"nothing", {}, 0, 0, "not a PNG file"},
        {"half a signature", header(1, 1, 4), 0, 0, "not a PNG file"},
        {"only the signature", header(1, 1, 8), 0, 0, "the file ends before the image's size"},
        {"one byte short", header(1, 1, 23), 0, 0, "the file ends before the image's size"},
        {"a first chunk of 12 bytes", header(1, 1, 24, 12), 0, 0,
         "its first chunk is not the image header"},
        {"data first", header(1, 1, 24, 13, "IDAT"), 0, 0,
         "its first chunk is not the image header"},
        {"no width", header(0, 1), 0, 0, "its header gives a size no PNG has"},
        {"no height", header(1, 0), 0, 0, "its header gives a size no PNG has"},
        {"a side of 2^31", header(0x80000000, 1), 0, 0, "its header gives a size no PNG has"},
        {"a height of 2^32 - 1", header(1, 0xFFFFFFFF), 0, 0, "its header gives a size no PNG has"},
    };
    for (const auto& c : cases) {
        const PngHeader got = pngHeaderRead(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(std::string(got.failure != nullptr ? got.failure : ""), c.failure) << c.what;
        EXPECT_EQ(std::pair(got.width, got.height), std::pair(c.width, c.height)) << c.what;
    }
}

} // namespace
