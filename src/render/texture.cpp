#include "render/texture.h"

#include <string>

#include "render/resources.h"

namespace {

// Filled once, at the first failure of start-up.
std::string firstFailure;

GLuint fail(const char* name, const std::string& why) {
    if (firstFailure.empty()) {
        firstFailure = std::string("cannot load the image ") + name + ": " + why;
    }
    return 0;
}

} // namespace

GLuint createTexture(const Image& image) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP_TO_EDGE));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP_TO_EDGE));
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    return texture;
}

GLuint textureLoad(const char* name) {
    const std::string path = resourceFind(name);
    if (path.empty()) {
        return fail(name, "not found (looked for " + resourceSearchedPlaces(name) + ")");
    }
    Image image;
    if (!imageLoad(path.c_str(), image)) {
        return fail(path.c_str(), imageFailure());
    }
    const GLuint texture = createTexture(image);
    imageFree(image);
    return texture;
}

const char* textureLoadFailure() {
    return firstFailure.c_str();
}
