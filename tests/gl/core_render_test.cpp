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

TEST(Programs, AllFourCompileAndLinkWithTheirAttributes) {
    const struct {
        const char* name;
        const ProgramSources* sources;
        std::vector<const char*> attributes;
        bool textured;
    } programs[] = {
        {"flatColor", &flatColorProgram, {"position", "color"}, false},
        {"textured", &texturedProgram, {"position", "color", "texcoord"}, true},
        {"particle", &particleProgram, {"position", "color", "texcoord"}, true},
        {"distanceField",
         &distanceFieldProgram,
         {"position", "color", "texcoord", "smoothing"},
         true},
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        const GLuint program = buildProgram(p.sources->vertex, p.sources->fragment);
        ASSERT_NE(program, 0u);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        for (const char* attribute : p.attributes) {
            EXPECT_GE(glGetAttribLocation(program, attribute), 0) << attribute;
        }
        EXPECT_EQ(glGetUniformLocation(program, "sampler") >= 0, p.textured);
    }
}

TEST(Programs, EveryInstanceBuiltItsOwnProgram) {
    const std::set<GLuint> programs = {
        colorPanelA.program, colorPanelB.program, boxA.program,     boxB.program,
        fieldA.program,      fieldB.program,      fieldC.program,   fieldD.program,
        emitterA.program,    emitterB.program,    emitterC.program, captions.program,
    };
    EXPECT_EQ(programs.size(), 12u);
    EXPECT_EQ(programs.count(0), 0u);
}

TEST(Programs, BrokenFragmentPrintsItsLogAndGivesZero) {
    const char* broken = "#version 120\nvoid main() {\n    gl_FragColor = undefinedThing;\n}";
    GLint before = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &before);
    testing::internal::CaptureStdout();
    const GLuint program = buildProgram(flatColorProgram.vertex, broken);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(program, 0u);
    EXPECT_NE(log.find("undefinedThing"), std::string::npos) << log;
    EXPECT_NE(log.back(), '\0');
}

TEST(Programs, CompileStatusComesFromTheDriver) {
    const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
    testing::internal::CaptureStdout();
    EXPECT_EQ(compileShader(shader, texturedProgram.vertex), 1);
    EXPECT_EQ(compileShader(shader, "#version 120\nvoid main() { gl_Position = nope; }"), 0);
    EXPECT_FALSE(testing::internal::GetCapturedStdout().empty());
    testing::internal::CaptureStdout();
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

TEST(Textures, RgbAndBgraSurfacesUploadAsTheSameRgbaTexels) {
    constexpr int kWidth = 5; // odd, so RGB rows carry padding
    constexpr int kHeight = 3;
    SDL_Surface* rgba =
        SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_RGBA32);
    SDL_Surface* rgb =
        SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 24, SDL_PIXELFORMAT_RGB24);
    SDL_Surface* bgr =
        SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_BGRA32);
    ASSERT_TRUE(rgba && rgb && bgr);
    ASSERT_NE(rgb->pitch, kWidth * 3);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Uint8 r = static_cast<Uint8>(40 * x + 10), g = static_cast<Uint8>(70 * y + 5),
                        b = static_cast<Uint8>(200 - 30 * x);
            for (SDL_Surface* s : {rgba, rgb, bgr}) {
                const Uint32 pixel = SDL_MapRGBA(s->format, r, g, b, 255);
                auto* row = static_cast<Uint8*>(s->pixels) + y * s->pitch;
                SDL_memcpy(row + x * s->format->BytesPerPixel, &pixel, s->format->BytesPerPixel);
            }
        }
    }
    const GLuint fromRgba = createTexture(rgba);
    const GLuint fromRgb = createTexture(rgb);
    const GLuint fromBgr = createTexture(bgr);
    ASSERT_NE(fromRgba, 0u);
    ASSERT_NE(fromRgb, 0u);
    ASSERT_NE(fromBgr, 0u);
    const std::vector<uint8_t> expected = texels(fromRgba, kWidth, kHeight);
    EXPECT_EQ(expected[0], 10);
    EXPECT_EQ(expected[1], 5);
    EXPECT_EQ(expected[2], 200);
    EXPECT_EQ(expected[3], 255);
    EXPECT_EQ(texels(fromRgb, kWidth, kHeight), expected);
    EXPECT_EQ(texels(fromBgr, kWidth, kHeight), expected);
}

TEST(Textures, SamplingIsLinearAndClampedAndTheNewTextureStaysBound) {
    const GLuint texture = textureLoad("res/box1.png");
    ASSERT_NE(texture, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture);
    GLint value = 0;
    for (GLenum filter : {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER}) {
        glGetTexParameteriv(GL_TEXTURE_2D, filter, &value);
        EXPECT_EQ(value, GL_LINEAR);
    }
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
        glGetTexParameteriv(GL_TEXTURE_2D, wrap, &value);
        EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
    }
    EXPECT_EQ(textureLoad("res/no-such-image.png"), 0u);
}

TEST(Textures, EveryInstanceLoadedItsOwnCopy) {
    const std::set<GLuint> boxes = {boxA.texture,   boxB.texture,   fieldA.texture,
                                    fieldB.texture, fieldC.texture, fieldD.texture};
    EXPECT_EQ(boxes.size(), 6u);
    const std::set<GLuint> all = {
        boxA.texture,   boxB.texture,     fieldA.texture,   fieldB.texture,   fieldC.texture,
        fieldD.texture, emitterA.texture, emitterB.texture, emitterC.texture, captions.fontTexture};
    EXPECT_EQ(all.size(), 10u);
    EXPECT_EQ(all.count(0), 0u);
}

TEST(Frame, NothingShownIsTransparentBlack) {
    harnessClearScene();
    const Frame frame = harnessCompose();
    ASSERT_EQ(frame.width, kHarnessWidth);
    ASSERT_EQ(frame.height, kHarnessHeight);
    // The default surface may have no alpha bits; then GL reads alpha back as 1.
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    size_t lit = 0;
    size_t opaque = 0;
    for (size_t i = 0; i < frame.bytes.size(); i += 4) {
        lit += (frame.bytes[i] | frame.bytes[i + 1] | frame.bytes[i + 2]) != 0 ? 1 : 0;
        opaque += frame.bytes[i + 3] != 0 ? 1 : 0;
    }
    EXPECT_EQ(lit, 0u);
    if (alphaBits > 0) {
        EXPECT_EQ(opaque, 0u);
    }
    float clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);
}

TEST(Frame, LeavesTheOverlayStateForTheNextFrame) {
    harnessClearScene();
    harnessCompose();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "every draw pops what it pushes";
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], 2.0f / kHarnessWidth, 1e-7f);   // one unit per pixel
    EXPECT_NEAR(projection[5], -2.0f / kHarnessHeight, 1e-7f); // y grows downwards
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

} // namespace
