#include "capture/still_file.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>
#include <zlib.h>

#include "capture/capture_system.h"

namespace {

struct Sink {
    FILE* file;
    int error; // errno of the first failed write, 0 while none failed
};

void writeData(png_structp png, png_bytep data, size_t length) {
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, sink->file) != length) {
        sink->error = errno != 0 ? errno : EIO;
        png_error(png, "write failed");
    }
}

void flushData(png_structp) {}

// libpng's own handlers print to standard error; the caller says what failed.
void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void quietWarning(png_structp, png_const_charp) {}

// Holds no object with a destructor: libpng's errors come back here through longjmp.
bool encode(png_structp png, png_infop info, int32_t width, int32_t height, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    // Level 1 with no row filter: about five times faster than libpng's defaults here, and the
    // files are barely larger (the frames are large flat areas and sharp edges).
    png_set_compression_level(png, Z_BEST_SPEED);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER); // drops each pixel's fourth byte
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

} // namespace

bool stillWrite(const std::string& path, int32_t width, int32_t height, const uint8_t* rgbx,
                std::string& error) {
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
        rows[static_cast<size_t>(y)] =
            const_cast<png_bytep>(rgbx + static_cast<size_t>(height - 1 - y) * rowBytes);
    }
    TempFile temp;
    std::string reason;
    if (!tempFileCreate(path, temp, reason)) {
        error = "cannot write " + path + ": " + reason;
        return false;
    }
    Sink sink{temp.file, 0};
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (info != nullptr) {
        png_set_write_fn(png, &sink, writeData, flushData);
        written = encode(png, info, width, height, rows.data());
    }
    png_destroy_write_struct(&png, &info);
    if (std::fflush(sink.file) != 0 && sink.error == 0) {
        sink.error = errno;
    }
    if (written && sink.error == 0 && tempFileCommit(temp, reason)) {
        return true;
    }
    if (reason.empty()) {
        reason = sink.error != 0 ? std::strerror(sink.error) : "the PNG encoder failed";
    }
    error = "cannot write " + path + ": " + reason;
    tempFileDiscard(temp);
    return false;
}
