#pragma once
// Camera transform: the look-at matrix on the GL modelview stack.

#include "render/types.h"

// Four consecutive vectors owned by the demo state; the particle billboards keep a pointer to it
// and read cameraUp and cameraRight.
struct CameraBlock {
    Vec3 cameraEye;
    Vec3 cameraTarget;
    Vec3 cameraUp;
    Vec3 cameraRight; // written by lookAt every frame
};

// What lookAt multiplies onto the current matrix (before the eye translation), column-major as
// glMultMatrixf takes it, and the side vector it stores as the camera's right.
struct LookAtFrame {
    float matrix[16];
    Vec3 right;
};

// Pure part of lookAt: single precision, zero-length vectors stay zero.
LookAtFrame lookAtBuild(float eyeX, float eyeY, float eyeZ, float targetX, float targetY,
                        float targetZ, float upX, float upY, float upZ);

// Multiplies the look-at rotation and the eye translation onto the current GL matrix and stores
// the right vector in camera.cameraRight, for the particle billboards of the same frame.
void lookAt(CameraBlock& camera, float eyeX, float eyeY, float eyeZ, float targetX, float targetY,
            float targetZ, float upX, float upY, float upZ);

// Multiplies rotations about the x, then the y, then the z axis (degrees) onto the current GL
// matrix.
void rotateXYZ(float x, float y, float z);
