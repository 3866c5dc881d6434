#include "capture/frame_grab.h"

#include <algorithm>
#include <cstddef>

void frameGrab(int32_t width, int32_t height, GLenum format, uint8_t* out) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, out);
    // GL's first row is the bottom one; swap rows in place.
    const size_t rowBytes = static_cast<size_t>(width) * (format == GL_RGBA ? 4 : 3);
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(out + static_cast<size_t>(top) * rowBytes,
                         out + static_cast<size_t>(top + 1) * rowBytes,
                         out + static_cast<size_t>(bottom) * rowBytes);
    }
}
