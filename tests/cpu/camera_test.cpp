// lookAtBuild's rotation for a few cameras: the rows s, u, f (s is also the camera's right), from
// a float64 model of gluLookAt's formulas written apart from the code (f = unit(eye - target),
// s = unit(up x f), u = unit(f x s), a vector of no length left as it is). The GL tests check
// what lookAt makes of it on the modelview stack.
#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"

namespace {

TEST(LookAt, RowsAndRightVector) {
    const struct {
        Vec3 eye, target, up;
        float rows[3][3];
    } cases[] = {
        // An up vector off every axis, neither of unit length nor across the view.
        {{3, 4, 12},
         {-1, 0.5f, -2},
         {0.3f, 1, -0.2f},
         {{0.9300957f, -0.3163591f, -0.1866519f},
          {0.252137f, 0.9193968f, -0.3018883f},
          {0.2671122f, 0.2337232f, 0.9348928f}}},
        // Looking down -z with the up vector rolled 45 degrees.
        {{2, -1, 3},
         {2, -1, -7},
         {1, 1, 0},
         {{0.7071068f, -0.7071068f, 0}, {0.7071068f, 0.7071068f, 0}, {0, 0, 1}}},
        // Up along the view: side and up have no direction and stay 0.
        {{0, 5, 0}, {0, 0, 0}, {0, 1, 0}, {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}}},
    };
    for (const auto& [eye, target, up, rows] : cases) {
        SCOPED_TRACE(testing::Message() << eye.x << " " << eye.y << " " << eye.z);
        const LookAtFrame frame =
            lookAtBuild(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
        for (int e = 0; e < 16; ++e) { // column-major: element e is row e % 4, column e / 4
            const float want = e % 4 < 3 && e < 12 ? rows[e % 4][e / 4] : float(e == 15);
            EXPECT_NEAR(frame.matrix[e], want, 1e-6f) << "element " << e;
        }
        const Vec3& s = frame.right;
        EXPECT_NEAR(std::hypot(s.x - rows[0][0], s.y - rows[0][1], s.z - rows[0][2]), 0, 1e-6f);
    }
}

} // namespace
