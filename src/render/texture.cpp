#include "render/texture.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "render/png_header.h"
#include "render/resources.h"

namespace {

// One line for each image name that did not load, in the order of the first attempts.
std::vector<std::string> failedNames;
std::vector<std::string> failures;

GLuint fail(const char* name, const std::string& why) {
    failedNames.emplace_back(name);
    failures.push_back(std::string("cannot load the image ") + name + ": " + why);
    return 0;
}

// "" when the file at path starts as a PNG of at most limit x limit pixels; otherwise why not.
std::string headerCheck(const std::string& path, int32_t limit) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return path + " cannot be read (" + std::strerror(errno) + ")";
    }
    uint8_t bytes[kPngHeaderBytes] = {};
    const size_t count = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    const PngHeader header = pngHeaderRead(bytes, count);
    if (header.failure != nullptr) {
        return path + " cannot be decoded (" + header.failure + ")";
    }
    const auto side = static_cast<uint32_t>(limit);
    if (header.width > side || header.height > side) {
        return path + " is " + std::to_string(header.width) + " x " +
               std::to_string(header.height) + " pixels, more than the " + std::to_string(limit) +
               " x " + std::to_string(limit) + " the demo draws";
    }
    return "";
}

} // namespace

int32_t textureSideLimit() {
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    return std::min<int32_t>(kImageSideLimit, most);
}

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
    if (std::find(failedNames.begin(), failedNames.end(), name) != failedNames.end()) {
        return 0;
    }
    const std::string path = resourceFind(name);
    if (path.empty()) {
        return fail(name, "not found (looked for " + resourceSearchedPlaces(name) + ")");
    }
    if (const std::string why = headerCheck(path, textureSideLimit()); !why.empty()) {
        return fail(name, why);
    }
    Image image;
    if (!imageLoad(path.c_str(), image)) {
        return fail(name, path + " cannot be decoded (" + imageFailure() + ")");
    }
    const GLuint texture = createTexture(image);
    imageFree(image);
    return texture;
}

const char* textureLoadFailure() {
    return failures.empty() ? "" : failures.front().c_str();
}

const std::vector<std::string>& textureLoadFailures() {
    return failures;
}
