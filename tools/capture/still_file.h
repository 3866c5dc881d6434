#pragma once
// PNG stills of read-back frames.

#include <cstdint>
#include <string>

// Writes width x height pixels of 4 bytes each (R, G, B, unused), bottom row first as GL reads
// them, as an RGB PNG with rows top-down, at zlib's fastest level without row filters, into a
// temporary file that is renamed to path when complete. True only when the whole file reached
// the file system and closed cleanly; otherwise the temporary file is removed, path is left as
// it was and error reads "cannot write PATH: reason".
bool stillWrite(const std::string& path, int32_t width, int32_t height, const uint8_t* rgbx,
                std::string& error);
