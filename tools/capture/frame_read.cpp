#include "capture/frame_read.h"

#include <cstdio>

void frameRead(int32_t width, int32_t height, GLenum format, uint8_t* out) {
    GLint drawn = GL_BACK;
    glGetIntegerv(GL_DRAW_BUFFER, &drawn);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(static_cast<GLenum>(drawn));
    glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, out);
}

FrameLimits frameLimitsQuery(int32_t drawableWidth, int32_t drawableHeight) {
    FrameLimits limits;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limits.viewportWidth = viewport[0];
    limits.viewportHeight = viewport[1];
    // Asked only where it exists, so that the query leaves no error behind.
    if (GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object || GLEW_EXT_framebuffer_object) {
        GLint side = 0;
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &side);
        limits.renderbufferSide = side;
    }
    limits.drawableWidth = drawableWidth;
    limits.drawableHeight = drawableHeight;
    return limits;
}

std::string frameLimitProblem(const FrameLimits& limits, int32_t width, int32_t height) {
    const auto size = [](int32_t w, int32_t h) {
        return std::to_string(w) + "x" + std::to_string(h);
    };
    if (width > limits.viewportWidth || height > limits.viewportHeight) {
        return "the largest viewport here is " + size(limits.viewportWidth, limits.viewportHeight);
    }
    const int32_t side = limits.renderbufferSide;
    if (side > 0 && (width > side || height > side)) {
        return "the largest colour buffer here is " + size(side, side);
    }
    if (width != limits.drawableWidth || height != limits.drawableHeight) {
        return "the window got a drawable of " + size(limits.drawableWidth, limits.drawableHeight);
    }
    return "";
}

std::string glErrorName(GLenum code) {
    switch (code) {
    case GL_INVALID_ENUM:
        return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE:
        return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION:
        return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW:
        return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW:
        return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY:
        return "GL_OUT_OF_MEMORY";
    case GL_INVALID_FRAMEBUFFER_OPERATION:
        return "GL_INVALID_FRAMEBUFFER_OPERATION";
    default:
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%04x", code);
        return hex;
    }
}
