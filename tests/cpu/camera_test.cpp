#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"

namespace {

struct Case {
    Vec3 eye, target, up;
    Vec3 side, up2, forward; // the matrix rows s, u, f
};

TEST(LookAt, RowsAndRightVector) {
    const float k = 1.0f / std::sqrt(244.0f);
    const Case cases[] = {
        // The entry's default camera: a pure translation, right = +x.
        {{0, 0, 5}, {0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        // Scene 5's camera looking into the room corner.
        {{-6, 4, -4}, {6, 0, 6}, {0, 1, 0}, {-10 * k, 0, 12 * k}, {NAN, NAN, NAN}, {NAN, NAN, NAN}},
        // An up vector that is not perpendicular to the view only counts across it.
        {{0, 0, 5}, {0, 0, 0}, {0, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        // Eye equal to target: everything stays zero.
        {{3, 3, 3}, {3, 3, 3}, {0, 1, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        // Up parallel to the view: side and up stay zero, forward is still set.
        {{0, 5, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        const LookAtFrame frame = lookAtBuild(c.eye.x, c.eye.y, c.eye.z, c.target.x, c.target.y,
                                              c.target.z, c.up.x, c.up.y, c.up.z);
        const float* m = frame.matrix;
        SCOPED_TRACE(testing::Message() << "eye " << c.eye.x << "," << c.eye.y << "," << c.eye.z);
        const float rows[3][3] = {{m[0], m[4], m[8]}, {m[1], m[5], m[9]}, {m[2], m[6], m[10]}};
        const Vec3 expected[3] = {c.side, c.up2, c.forward};
        for (int r = 0; r < 3; ++r) {
            if (std::isnan(expected[r].x)) {
                continue;
            }
            EXPECT_NEAR(rows[r][0], expected[r].x, 1e-6f) << "row " << r;
            EXPECT_NEAR(rows[r][1], expected[r].y, 1e-6f) << "row " << r;
            EXPECT_NEAR(rows[r][2], expected[r].z, 1e-6f) << "row " << r;
        }
        EXPECT_NEAR(frame.right.x, c.side.x, 1e-6f);
        EXPECT_NEAR(frame.right.y, c.side.y, 1e-6f);
        EXPECT_NEAR(frame.right.z, c.side.z, 1e-6f);
        // No translation in the rotation part; the eye translation is a separate GL call.
        EXPECT_EQ(m[3], 0.0f);
        EXPECT_EQ(m[7], 0.0f);
        EXPECT_EQ(m[11], 0.0f);
        EXPECT_EQ(m[12], 0.0f);
        EXPECT_EQ(m[13], 0.0f);
        EXPECT_EQ(m[14], 0.0f);
        EXPECT_EQ(m[15], 1.0f);
    }
}

} // namespace
