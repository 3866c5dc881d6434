#include "render/camera.h"

#include <cmath>

#include "render/gl.h"

namespace {

Vec3 normalised(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length != 0.0f) {
        const float inverse = 1.0f / length;
        v = {v.x * inverse, v.y * inverse, v.z * inverse};
    }
    return v;
}

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

} // namespace

LookAtFrame lookAtBuild(float eyeX, float eyeY, float eyeZ, float targetX, float targetY,
                        float targetZ, float upX, float upY, float upZ) {
    // Forward points from the target back to the eye: the camera looks down its own -z.
    const Vec3 forward = normalised({eyeX - targetX, eyeY - targetY, eyeZ - targetZ});
    const Vec3 up{upX, upY, upZ};
    const Vec3 sideRaw = cross(up, forward);
    const Vec3 upRaw = cross(forward, sideRaw); // from the side before it is normalised
    const Vec3 s = normalised(sideRaw);
    const Vec3 u = normalised(upRaw);
    const Vec3& f = forward;
    return LookAtFrame{
        {s.x, u.x, f.x, 0.0f, s.y, u.y, f.y, 0.0f, s.z, u.z, f.z, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
        s,
    };
}

void lookAt(CameraBlock& camera, float eyeX, float eyeY, float eyeZ, float targetX, float targetY,
            float targetZ, float upX, float upY, float upZ) {
    const LookAtFrame frame =
        lookAtBuild(eyeX, eyeY, eyeZ, targetX, targetY, targetZ, upX, upY, upZ);
    camera.cameraRight = frame.right;
    glMultMatrixf(frame.matrix);
    glTranslatef(-eyeX, -eyeY, -eyeZ);
}

void rotateXYZ(float x, float y, float z) {
    glRotatef(x, 1.0f, 0.0f, 0.0f);
    glRotatef(y, 0.0f, 1.0f, 0.0f);
    glRotatef(z, 0.0f, 0.0f, 1.0f);
}
