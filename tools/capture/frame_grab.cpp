#include "capture/frame_grab.h"

#include <algorithm>
#include <cstddef>

void frameRead(int32_t width, int32_t height, GLenum format, uint8_t* out) {
    GLint drawn = GL_BACK;
    glGetIntegerv(GL_DRAW_BUFFER, &drawn);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(static_cast<GLenum>(drawn));
    glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, out);
}

void frameGrab(int32_t width, int32_t height, GLenum format, uint8_t* out) {
    frameRead(width, height, format, out);
    // GL's first row is the bottom one; swap rows in place.
    const size_t rowBytes = static_cast<size_t>(width) * (format == GL_RGB ? 3 : 4);
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(out + static_cast<size_t>(top) * rowBytes,
                         out + static_cast<size_t>(top + 1) * rowBytes,
                         out + static_cast<size_t>(bottom) * rowBytes);
    }
}
