#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "drawables/caption_list.h"

namespace {

// A list of the tests' own, empty at the start of each.
CaptionList list;

class CaptionListTest : public testing::Test {
  protected:
    void SetUp() override {
        list = {};
        captionListInit(list);
    }
    void TearDown() override { captionListFree(list); }
};

// Adds one caption and lays out the whole list; returns the vertex count.
int add(const char* text, float scale, float x, float y, Color color = {1, 1, 1, 1}) {
    captionAdd(list, Caption{text, scale, color, x, y});
    return captionListBuild(list);
}

// "Ab" at scale 1.5 from (5, 100): the baseline lies 35 * 1.5 below the top; each glyph's quad
// starts offsetX * 1.5 right of the pen and offsetY * 1.5 above the baseline, and 'b' follows
// after the advance of 'A', 21.813 * 1.5. Corners top-left, top-right, bottom-right, bottom-left;
// texture coordinates in atlas pixels.
TEST_F(CaptionListTest, EveryVertexOfAShortTextAndTheSmoothing) {
    const float kVertices[8][4] = {{2.468f, 116.968f, 87, 110},    {41.468f, 116.968f, 113, 110},
                                   {41.468f, 155.968f, 113, 136},  {2.468f, 155.968f, 87, 136},
                                   {36.2195f, 114.343f, 187, 209}, {69.2195f, 114.343f, 209, 209},
                                   {69.2195f, 156.343f, 209, 237}, {36.2195f, 156.343f, 187, 237}};
    ASSERT_EQ(add("Ab", 1.5f, 5.0f, 100.0f, {0.2f, 0.4f, 0.6f, 0.8f}), 8);
    for (int v = 0; v < 8; ++v) {
        SCOPED_TRACE(v);
        const auto& [x, y, u, w] = kVertices[v];
        const float* p = list.positions + v * 3;
        EXPECT_TRUE(std::abs(p[0] - x) < 1e-3f && std::abs(p[1] - y) < 1e-3f && p[2] == -5.0f);
        EXPECT_TRUE(list.texcoords[v * 2] == u / 256 && list.texcoords[v * 2 + 1] == w / 256);
        const float* c = list.colors + v * 4;
        EXPECT_TRUE(c[0] == 0.2f && c[1] == 0.4f && c[2] == 0.6f && c[3] == 0.8f);
        EXPECT_FLOAT_EQ(list.smoothings[v], 1 / 7.5f);
    }
    const float smoothings[][2] = {{1, 0.2f}, {3.2f, 0.0625f}, {40, 0.0625f}};
    for (const auto& [scale, smoothing] : smoothings) {
        list.count = 0;
        ASSERT_EQ(add("x", scale, 0, 0), 4);
        EXPECT_FLOAT_EQ(list.smoothings[3], smoothing) << "scale " << scale;
    }
}

// At most 256 glyphs a frame across the captions: glyph 256 is the 56th of the second caption and
// the third caption gets nothing. The list holds 10 captions: an eleventh is refused. A control
// character is a zero-size quad at the pen on the baseline: four vertices spent, no advance. 127
// and the bytes that read as negative have no row: nothing drawn, spent or measured.
TEST_F(CaptionListTest, TheGlyphBudgetAndCharactersWithoutGlyphs) {
    const std::string a(200, 'A'), b(100, 'B');
    captionAdd(list, Caption{a.c_str(), 1.0f, {1, 0, 0, 1}, 0, 0});
    captionAdd(list, Caption{b.c_str(), 1.0f, {0, 1, 0, 1}, 10, 50});
    ASSERT_EQ(add("C", 1.0f, 0, 300), MAX_TEXT_VERTICES);
    EXPECT_NEAR(list.positions[(MAX_TEXT_VERTICES - 4) * 3], 10 + 55 * 19.688f - 1.5f, 1e-2f);
    for (uint32_t k = 3; k <= 10; ++k) {
        EXPECT_EQ(captionAdd(list, Caption{}), k < 10 ? k : kCaptionNone) << k;
    }
    const std::pair<const char*, int> cases[] = {{"\tA", 8},           {"\001A", 8}, {"\177A", 4},
                                                 {"\377\200A\303", 4}, {nullptr, 0}, {"", 0}};
    for (const auto& [text, vertices] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        list.count = 0;
        ASSERT_EQ(add(text, 2.0f, 100, 0), vertices);
        const float* p = list.positions;
        EXPECT_TRUE(vertices < 8 || (p[0] == 100 && p[1] == 70 && p[6] == 100 && p[7] == 70));
        EXPECT_TRUE(vertices == 0 || std::abs(p[(vertices - 4) * 3] - (100 - 1.688f * 2)) < 1e-4f);
    }
    for (const char* text : {"AB", "A\tB", "\177A\377B"}) {
        EXPECT_NEAR(textWidth(text, 2.0f), 83.002f, 1e-4f) << testing::PrintToString(text);
    }
}

} // namespace
