#include "capture/multisample.h"

#include "capture/frame_read.h"

int multisampleLimit() {
    if (!GLEW_VERSION_3_0 && !GLEW_ARB_framebuffer_object) {
        return 0;
    }
    GLint samples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &samples);
    return samples;
}

bool multisampleStart(Multisample& target, int samples, int32_t width, int32_t height,
                      std::string& error) {
    const int limit = multisampleLimit();
    if (limit < samples) {
        error = "cannot draw with " + std::to_string(samples) + " samples a pixel: " +
                (limit == 0 ? std::string("this OpenGL has no multisampled framebuffers")
                            : "this OpenGL offers at most " + std::to_string(limit));
        return false;
    }
    target.width = width;
    target.height = height;
    glGenFramebuffers(1, &target.framebuffer);
    glGenRenderbuffers(1, &target.color);
    glGenRenderbuffers(1, &target.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, target.color);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, target.depth);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target.color);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target.depth);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (const GLenum failure = glGetError(); failure != GL_NO_ERROR) {
        error = "cannot make a framebuffer of " + std::to_string(samples) +
                " samples a pixel: it raised OpenGL's " + glErrorName(failure);
        multisampleStop(target);
        return false;
    }
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        error = "cannot make a framebuffer of " + std::to_string(samples) +
                " samples a pixel: the OpenGL here does not complete it (status " +
                std::to_string(status) + ")";
        multisampleStop(target);
        return false;
    }
    return true;
}

void multisampleBind(const Multisample& target) {
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
}

void multisampleResolve(const Multisample& target) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, target.width, target.height, 0, 0, target.width, target.height,
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void multisampleStop(Multisample& target) {
    if (target.framebuffer == 0) {
        return;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &target.depth);
    glDeleteRenderbuffers(1, &target.color);
    glDeleteFramebuffers(1, &target.framebuffer);
    target = {};
}
