// The rendering core against a real GL context: the four programs, compile logs, textures and an
// empty frame.
#include <gtest/gtest.h>

#include <SDL.h>
#include <set>
#include <string>
#include <vector>

#include "app/demo_state.h"
#include "gl_harness.h"
#include "render/shaders.h"
#include "render/texture.h"

namespace {

TEST(Programs, AllFourLinkWithTheirAttributesAndEachInstanceHasItsOwn) {
    const struct {
        const ProgramSources* sources;
        std::vector<const char*> attributes;
    } programs[] = {
        {&flatColorProgram, {"position", "color"}},
        {&texturedProgram, {"position", "color", "texcoord"}},
        {&particleProgram, {"position", "color", "texcoord"}},
        {&distanceFieldProgram, {"position", "color", "texcoord", "smoothing"}},
    };
    for (const auto& p : programs) {
        const GLuint program = buildProgram(p.sources->vertex, p.sources->fragment);
        ASSERT_NE(program, 0u);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        for (const char* attribute : p.attributes) {
            EXPECT_GE(glGetAttribLocation(program, attribute), 0) << attribute;
        }
        EXPECT_EQ(glGetUniformLocation(program, "sampler") >= 0, p.attributes.size() > 2);
    }
    const std::set<GLuint> built = {colorPanelA.program, colorPanelB.program, boxA.program,
                                    boxB.program,        fieldA.program,      fieldB.program,
                                    fieldC.program,      fieldD.program,      emitterA.program,
                                    emitterB.program,    emitterC.program,    captions.program};
    EXPECT_EQ(built.size(), 12u);
    EXPECT_EQ(built.count(0), 0u);
}

TEST(Programs, CompileLogsGoToStandardOutputAndFailuresGiveZero) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(buildProgram(flatColorProgram.vertex, "#version 120\nvoid main() { nope = 1; }"), 0u);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("nope"), std::string::npos);
    const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
    testing::internal::CaptureStdout();
    EXPECT_EQ(compileShader(shader, texturedProgram.vertex), 1);
    EXPECT_EQ(compileShader(0, texturedProgram.vertex), 0);
    EXPECT_EQ(compileShader(shader, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

std::vector<uint8_t> texels(GLuint texture, int width, int height) {
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

TEST(Textures, OtherFormatsUploadAsTheSameRgbaTexels) {
    constexpr int kWidth = 5; // odd, so the RGB rows carry padding
    constexpr int kHeight = 3;
    std::vector<GLuint> textures;
    for (Uint32 format : {SDL_PIXELFORMAT_RGBA32, SDL_PIXELFORMAT_RGB24, SDL_PIXELFORMAT_BGRA32}) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, format);
        ASSERT_NE(s, nullptr);
        for (int i = 0; i < kWidth * kHeight; ++i) {
            const Uint32 pixel = SDL_MapRGBA(s->format, static_cast<Uint8>(40 * (i % kWidth) + 10),
                                             static_cast<Uint8>(70 * (i / kWidth) + 5), 200, 255);
            auto* at = static_cast<Uint8*>(s->pixels) + (i / kWidth) * s->pitch +
                       (i % kWidth) * s->format->BytesPerPixel;
            SDL_memcpy(at, &pixel, s->format->BytesPerPixel);
        }
        textures.push_back(createTexture(s));
        ASSERT_NE(textures.back(), 0u);
    }
    const std::vector<uint8_t> expected = texels(textures[0], kWidth, kHeight);
    EXPECT_EQ(std::vector<uint8_t>(expected.begin(), expected.begin() + 4),
              (std::vector<uint8_t>{10, 5, 200, 255}));
    EXPECT_EQ(texels(textures[1], kWidth, kHeight), expected);
    EXPECT_EQ(texels(textures[2], kWidth, kHeight), expected);
}

TEST(Textures, LinearClampedAndOneOfItsOwnForEveryInstance) {
    const GLuint texture = textureLoad("res/box1.png");
    GLint value = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), texture);
    for (GLenum name : {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER}) {
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        EXPECT_EQ(value, GL_LINEAR);
    }
    for (GLenum name : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
    }
    EXPECT_EQ(textureLoad("res/no-such-image.png"), 0u);
    const std::set<GLuint> all = {
        boxA.texture,   boxB.texture,     fieldA.texture,   fieldB.texture,   fieldC.texture,
        fieldD.texture, emitterA.texture, emitterB.texture, emitterC.texture, captions.fontTexture};
    EXPECT_EQ(all.size(), 10u);
    EXPECT_EQ(all.count(0), 0u);
}

TEST(Frame, NothingShownIsTransparentBlackAndTheOverlayStateStays) {
    harnessClearScene();
    const Frame frame = harnessCompose();
    // The default surface may have no alpha bits; GL then reads alpha back as 1.
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    for (size_t i = 0; i < frame.bytes.size(); ++i) {
        if (i % 4 != 3 || alphaBits > 0) {
            ASSERT_EQ(frame.bytes[i], 0) << "byte " << i;
        }
    }
    float clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "every draw pops what it pushes";
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], 2.0f / kHarnessWidth, 1e-7f);   // one unit per pixel
    EXPECT_NEAR(projection[5], -2.0f / kHarnessHeight, 1e-7f); // y grows downwards
}

} // namespace
