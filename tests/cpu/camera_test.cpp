#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "render/camera.h"

namespace {

// The rows s, u, f of the rotation (NAN: not checked); the side row s is also the camera's right.
TEST(LookAt, RowsAndRightVector) {
    const float k = 1.0f / std::sqrt(244.0f);
    const struct {
        Vec3 eye, target, up;
        float rows[3][3];
    } cases[] = {
        // The entry's default camera: a pure translation, right = +x.
        {{0, 0, 5}, {0, 0, 0}, {0, 1, 0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        // Scene 5's camera looking into the room corner.
        {{-6, 4, -4}, {6, 0, 6}, {0, 1, 0}, {{-10 * k, 0, 12 * k}, {NAN}, {NAN}}},
        // An up vector that is not perpendicular to the view only counts across it.
        {{0, 0, 5}, {0, 0, 0}, {0, 1, 1}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        // Eye equal to target: everything stays zero.
        {{3, 3, 3}, {3, 3, 3}, {0, 1, 0}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
        // Up parallel to the view: side and up stay zero, forward is still set.
        {{0, 5, 0}, {0, 0, 0}, {0, 1, 0}, {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const LookAtFrame frame = lookAtBuild(c.eye.x, c.eye.y, c.eye.z, c.target.x, c.target.y,
                                              c.target.z, c.up.x, c.up.y, c.up.z);
        const float* m = frame.matrix; // column-major: row r is m[r], m[4 + r], m[8 + r]
        for (int r = 0; r < 3; ++r) {
            for (int col = 0; col < 3 && !std::isnan(c.rows[r][0]); ++col) {
                EXPECT_NEAR(m[4 * col + r], c.rows[r][col], 1e-6f) << "row " << r;
            }
        }
        EXPECT_TRUE(std::abs(frame.right.x - c.rows[0][0]) < 1e-6f &&
                    std::abs(frame.right.y - c.rows[0][1]) < 1e-6f &&
                    std::abs(frame.right.z - c.rows[0][2]) < 1e-6f);
        // No translation in the rotation part; the eye translation is a separate GL call.
        const float last[7] = {m[3], m[7], m[11], m[12], m[13], m[14], m[15] - 1};
        EXPECT_EQ(*std::max_element(last, last + 7), 0.0f);
        EXPECT_EQ(*std::min_element(last, last + 7), 0.0f);
    }
}

} // namespace
