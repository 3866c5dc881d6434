#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/demo_state.h"
#include "drawables/caption_list.h"
#include "drawables/glyph_table.h"

namespace {

// The list is the program's one global: each test starts from an empty list and puts back
// what was there.
class CaptionListTest : public testing::Test {
  protected:
    void SetUp() override {
        savedCount = captions.count;
        saved.assign(captions.items, captions.items + captions.capacity);
        captions.count = 0;
    }
    void TearDown() override {
        std::copy(saved.begin(), saved.end(), captions.items);
        captions.count = savedCount;
    }
    static const float* position(int v) { return captions.positions + v * 3; }

    uint32_t savedCount = 0;
    std::vector<Caption> saved;
};

Caption caption(const char* text, float scale, float x, float y, Color color = {1, 1, 1, 1}) {
    return Caption{text, scale, color, x, y};
}

TEST_F(CaptionListTest, GlyphQuadLayout) {
    captionAdd(caption("AA", 1.5f, 5.0f, 100.0f, {0.2f, 0.4f, 0.6f, 0.8f}));
    ASSERT_EQ(captionListBuild(), 8);
    const float left = 5.0f - 1.688f * 1.5f;
    const float top = 152.5f - 23.688f * 1.5f;
    const float corners[4][2] = {
        {left, top}, {left + 39, top}, {left + 39, top + 39}, {left, top + 39}};
    const float uv[4][2] = {{87 / 256.0f, 110 / 256.0f},
                            {113 / 256.0f, 110 / 256.0f},
                            {113 / 256.0f, 136 / 256.0f},
                            {87 / 256.0f, 136 / 256.0f}};
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(v);
        EXPECT_NEAR(position(v)[0], corners[v][0], 1e-4f);
        EXPECT_NEAR(position(v)[1], corners[v][1], 1e-4f);
        EXPECT_EQ(position(v)[2], -5.0f);
        EXPECT_FLOAT_EQ(captions.texcoords[v * 2], uv[v][0]);
        EXPECT_FLOAT_EQ(captions.texcoords[v * 2 + 1], uv[v][1]);
        EXPECT_FLOAT_EQ(captions.colors[v * 4 + 1], 0.4f);
        EXPECT_FLOAT_EQ(captions.colors[v * 4 + 3], 0.8f);
        EXPECT_NEAR(captions.smoothings[v], 1.0f / 7.5f, 1e-6f);
    }
    // The second glyph starts one advance further on.
    EXPECT_NEAR(position(4)[0], left + 21.813f * 1.5f, 1e-4f);
    EXPECT_NEAR(position(4)[1], top, 1e-4f);
}

TEST_F(CaptionListTest, SmoothingFollowsTheScale) {
    const struct {
        float scale, smoothing;
    } cases[] = {
        {1.0f, 0.2f}, {1.5f, 0.13333334f}, {3.2f, 0.0625f}, {4.0f, 0.0625f}, {40.0f, 0.0625f}};
    for (const auto& c : cases) {
        captions.count = 0;
        captionAdd(caption("x", c.scale, 0, 0));
        ASSERT_EQ(captionListBuild(), 4);
        EXPECT_FLOAT_EQ(captions.smoothings[3], c.smoothing) << "scale " << c.scale;
    }
}

TEST_F(CaptionListTest, BudgetOfTwoHundredFiftySixGlyphsAcrossCaptions) {
    const std::string first(200, 'A');
    const std::string second(100, 'B');
    captionAdd(caption(first.c_str(), 1.0f, 0, 0, {1, 0, 0, 1}));
    captionAdd(caption(second.c_str(), 1.0f, 10, 50, {0, 1, 0, 1}));
    captionAdd(caption("C", 1.0f, 0, 300, {0, 0, 1, 1}));
    ASSERT_EQ(captionListBuild(), MAX_TEXT_VERTICES);
    // Glyph 256 is the 56th of the second caption; the third caption gets nothing.
    const int last = MAX_TEXT_VERTICES - 4;
    EXPECT_NEAR(position(last)[0], 10 + 55 * 19.688f - 1.5f, 1e-2f);
    EXPECT_FLOAT_EQ(captions.colors[last * 4 + 1], 1.0f);
    EXPECT_FLOAT_EQ(captions.colors[(MAX_TEXT_VERTICES - 1) * 4 + 2], 0.0f);
    // Exactly 256 glyphs fit.
    captions.count = 0;
    const std::string exact(256, 'A');
    captionAdd(caption(exact.c_str(), 1.0f, 0, 0));
    EXPECT_EQ(captionListBuild(), MAX_TEXT_VERTICES);
}

TEST_F(CaptionListTest, CharactersWithoutGlyphsAndControlCharacters) {
    struct Case {
        const char* name;
        const char* text;
        int vertices;
        float secondLeft; // x of the last quad's left edge, scale 2 at x = 100
    };
    const float a = 100 - 1.688f * 2;
    const Case cases[] = {
        // A tab is a zero-size quad at the pen: four vertices spent, no advance.
        {"tab", "\tA", 8, a},
        {"code 1",
         "\x01"
         "A",
         8, a},
        // 127 and the bytes that read as negative have no row: nothing drawn, nothing spent.
        {"delete",
         "\x7f"
         "A",
         4, a},
        {"high bytes",
         "\xff\x80"
         "A\xc3",
         4, a},
        {"null text", nullptr, 0, 0},
        {"empty text", "", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        captions.count = 0;
        captionAdd(caption(c.text, 2.0f, 100, 0));
        ASSERT_EQ(captionListBuild(), c.vertices);
        if (c.vertices > 0) {
            EXPECT_NEAR(position(c.vertices - 4)[0], c.secondLeft, 1e-4f);
        }
        if (c.vertices == 8) {
            // The control character's quad collapses onto the pen at the baseline.
            for (int v = 0; v < 4; ++v) {
                EXPECT_FLOAT_EQ(position(v)[0], 100.0f);
                EXPECT_FLOAT_EQ(position(v)[1], 70.0f);
            }
        }
    }
}

TEST_F(CaptionListTest, EmptyListLaysOutNothing) {
    EXPECT_EQ(captionListBuild(), 0);
}

TEST(TextWidth, SumsTheAdvances) {
    const struct {
        const char* text;
        float scale, width;
    } cases[] = {
        {"AB", 2.0f, 83.002f},
        {"", 3.0f, 0.0f},
        {nullptr, 3.0f, 0.0f},
        {"A\tB", 2.0f, 83.002f}, // control characters do not advance
        {"\x7f"
         "A\xff"
         "B",
         2.0f, 83.002f}, // nor do characters without a row
        {" ", 1.5f, 14.25f},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(textWidth(c.text, c.scale), c.width, 1e-4f) << (c.text ? c.text : "(null)");
    }
}

TEST_F(CaptionListTest, SetAtAndAddOnAFullList) {
    for (uint32_t k = 0; k < kCaptionCapacity; ++k) {
        EXPECT_EQ(captionAdd(caption("", 1.0f, 0, 0, {0, 0, 0, 1})), k);
    }
    EXPECT_EQ(captionAdd(caption("full", 1.0f, 0, 0)), kCaptionNone);
    EXPECT_EQ(captions.count, kCaptionCapacity);
    EXPECT_EQ(captionAt(kCaptionNone), nullptr);
    captionSet(kCaptionNone, "ignored", 2.0f, 1, 1); // must not write anywhere

    captions.count = 2;
    // An index equal to count changes nothing.
    const Caption before = captions.items[2];
    captionSet(2, "beyond", 3.0f, 7, 8);
    EXPECT_EQ(captions.items[2].text, before.text);
    EXPECT_EQ(captions.items[2].scale, before.scale);
    EXPECT_EQ(captionAt(2), nullptr);
    ASSERT_NE(captionAt(1), nullptr);

    // Otherwise the whole slot is rewritten, the colour reset to white at alpha 0.667.
    captionAt(1)->color = {0.1f, 0.2f, 0.3f, 1.0f};
    const char* text = "set";
    captionSet(1, text, 3.0f, 7, 8);
    const Caption& set = *captionAt(1);
    EXPECT_EQ(set.text, text);
    EXPECT_EQ(set.scale, 3.0f);
    EXPECT_EQ(set.x, 7.0f);
    EXPECT_EQ(set.y, 8.0f);
    EXPECT_EQ(set.color.r, 1.0f);
    EXPECT_EQ(set.color.g, 1.0f);
    EXPECT_EQ(set.color.b, 1.0f);
    EXPECT_EQ(set.color.a, 0.667f);
}

} // namespace
