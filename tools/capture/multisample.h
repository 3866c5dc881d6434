#pragma once
// Frames drawn multisampled: an off-screen framebuffer of N samples a pixel that the composer
// draws into, resolved (blitted) into the window's own buffer before the read-back, so that the
// read-back and the window take the anti-aliased frame where they took the plain one. Needs
// framebuffer objects with multisampled renderbuffers and blits (OpenGL 3.0 or
// ARB_framebuffer_object). The fixed 1/60 s step makes every sample see the same state.

#include <cstdint>
#include <string>

#include "render/gl.h"

// The sample counts kiru-capture's --samples takes.
inline constexpr int kSampleCounts[] = {2, 4, 8};

struct Multisample {
    GLuint framebuffer = 0; // 0: not started
    GLuint color = 0;       // GL_RGBA8 renderbuffer
    GLuint depth = 0;       // GL_DEPTH_COMPONENT24 renderbuffer
    int32_t width = 0;
    int32_t height = 0;
};

// The largest sample count the current context offers (GL_MAX_SAMPLES); 0 without multisampled
// framebuffer objects.
int multisampleLimit();

// Makes the framebuffer of width x height pixels and samples samples. False, with the reason on
// one line and nothing left made, when the context offers fewer samples than asked or cannot
// make the framebuffer complete. The window's framebuffer stays bound.
bool multisampleStart(Multisample& target, int samples, int32_t width, int32_t height,
                      std::string& error);

// Sends the draws that follow into the multisampled framebuffer.
void multisampleBind(const Multisample& target);

// Resolves the frame into the window's buffer being drawn and binds the window's framebuffer
// again, so that reading back and presenting go on as without it.
void multisampleResolve(const Multisample& target);

// Deletes the framebuffer and its buffers; the window's framebuffer stays bound.
void multisampleStop(Multisample& target);
