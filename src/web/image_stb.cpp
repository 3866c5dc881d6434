// The web build's image decoder (render/image.h): stb_image, on the files packaged with the page.
#include "render/image.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_FAILURE_USERMSG
#include <stb_image.h>

namespace {
constexpr int kRgbaChannels = 4;
const char* failure = "";
} // namespace

// stb_image turns grey, grey and alpha, and RGB images into RGBA itself.
bool imageLoad(const char* path, Image& image) {
    image = {};
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path, &width, &height, &channels, kRgbaChannels);
    if (pixels == nullptr) {
        failure = stbi_failure_reason();
        return false;
    }
    image = {width, height, pixels, pixels};
    return true;
}

const char* imageFailure() {
    return failure;
}

void imageFree(Image& image) {
    stbi_image_free(image.owner);
    image = {};
}
