#include "stage/frame.h"

#include <cmath>

#include "render/camera.h"
#include "render/gl.h"
#include "stage/demo_state.h"

namespace {

constexpr double kHalfFieldOfView = 0.5235987755982988; // 30 degrees: a 60 degree view
constexpr double kNear = 0.1;
constexpr double kFar = 400.0;
constexpr double kOverlayNear = 0.1;
constexpr double kOverlayFar = 200.0;

// fieldC and fieldD are floors like the others, stood up as the two walls of scene 5's room
// corner: each turned (degrees about an axis) after being moved in its own frame.
struct WallPlacement {
    float degrees;
    Vec3 axis;
    Vec3 offset;
};
constexpr WallPlacement kWallC{90.0f, {0.0f, 0.0f, 1.0f}, {5.0f, -6.5f, 0.0f}};
constexpr WallPlacement kWallD{-90.0f, {1.0f, 0.0f, 0.0f}, {0.0f, -6.5f, 5.0f}};

void drawWall(CubeField& field, const WallPlacement& wall) {
    glPushMatrix();
    glRotatef(wall.degrees, wall.axis.x, wall.axis.y, wall.axis.z);
    glTranslatef(wall.offset.x, wall.offset.y, wall.offset.z);
    cubeFieldDraw(field);
    glPopMatrix();
}

} // namespace

void createResources() {
    particleEmitterLoadResources(emitterA);
    particleEmitterLoadResources(emitterB);
    particleEmitterLoadResources(emitterC);
    captionListLoadResources(captions);
    texturedCubeLoadResources(boxA);
    texturedCubeLoadResources(boxB);
    colorPanelLoadResources(colorPanelA);
    colorPanelLoadResources(colorPanelB);
    cubeFieldLoadResources(fieldA);
    cubeFieldLoadResources(fieldB);
    cubeFieldLoadResources(fieldC);
    cubeFieldLoadResources(fieldD);
}

void applyCamera() {
    const Vec3& eye = demoState.cameraEye;
    const Vec3& target = demoState.cameraTarget;
    const Vec3& up = demoState.cameraUp;
    lookAt(demoState, eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
}

void composeFrame() {
    framePassClear();
    framePassSolid();
    framePassParticles();
    framePassOverlay();
}

void framePassClear() {
    const double width = static_cast<double>(demoState.screenWidth);
    const double height = static_cast<double>(demoState.screenHeight);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double top = kNear * std::tan(kHalfFieldOfView);
    const double right = top * (width / height);
    glFrustum(-right, right, -top, top, kNear, kFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    applyCamera();
}

void framePassSolid() {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glDepthRange(0.0, 1.0);
    texturedCubeDraw(boxA);
    texturedCubeDraw(boxB);
    cubeFieldDraw(fieldA);
    cubeFieldDraw(fieldB);
    drawWall(fieldC, kWallC);
    drawWall(fieldD, kWallD);
}

void framePassParticles() {
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    particleEmitterDraw(emitterA);
    particleEmitterDraw(emitterB);
    particleEmitterDraw(emitterC);
}

void framePassOverlay() {
    const double width = static_cast<double>(demoState.screenWidth);
    const double height = static_cast<double>(demoState.screenHeight);
    glDepthMask(GL_TRUE);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, kOverlayNear, kOverlayFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    colorPanelDraw(colorPanelA);
    colorPanelDraw(colorPanelB);
    captionListDraw(captions);
}
