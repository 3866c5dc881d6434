#include "render/frame.h"

#include <SDL.h>
#include <cmath>

#include "app/demo_state.h"
#include "render/camera.h"
#include "render/gl.h"
#include "render/shaders.h"

namespace {

constexpr double kHalfFieldOfView = 0.5235987755982988; // 30 degrees: a 60 degree view
constexpr double kNear = 0.1;
constexpr double kFar = 400.0;
constexpr double kOverlayNear = 0.1;
constexpr double kOverlayFar = 200.0;

void colorPanelLoadResources(ColorPanel& panel) {
    panel.program = buildProgram(flatColorProgram.vertex, flatColorProgram.fragment);
    panel.positionAttrib = glGetAttribLocation(panel.program, "position");
    panel.colorAttrib = glGetAttribLocation(panel.program, "color");
}

} // namespace

void createResources() {
    particleEmitterLoadResources(emitterA);
    particleEmitterLoadResources(emitterB);
    particleEmitterLoadResources(emitterC);
    captionListLoadResources();
    texturedCubeLoadResources(boxA);
    texturedCubeLoadResources(boxB);
    colorPanelLoadResources(colorPanelA);
    colorPanelLoadResources(colorPanelB);
    cubeFieldLoadResources(fieldA);
    cubeFieldLoadResources(fieldB);
    cubeFieldLoadResources(fieldC);
    cubeFieldLoadResources(fieldD);
}

void composeFramePasses() {
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

    // 3-D pass: opaque boxes and fields with depth.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glDepthRange(0.0, 1.0);
    texturedCubeDraw(boxA);
    texturedCubeDraw(boxB);
    cubeFieldDraw(fieldA);
    cubeFieldDraw(fieldB);
    // fieldC and fieldD are the same kind of field turned into upright walls.
    glPushMatrix();
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    glTranslatef(5.0f, -6.5f, 0.0f);
    cubeFieldDraw(fieldC);
    glPopMatrix();
    glPushMatrix();
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, -6.5f, 5.0f);
    cubeFieldDraw(fieldD);
    glPopMatrix();

    // Particle pass: tested against the 3-D depth without writing it, light adds up.
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    particleEmitterDraw(emitterA);
    particleEmitterDraw(emitterB);
    particleEmitterDraw(emitterC);

    // Overlay pass: one unit per pixel, origin top-left, later draws cover earlier ones.
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
    captionListDraw();
}

void composeFrame() {
    composeFramePasses();
    SDL_GL_SwapWindow(demoState.window);
}
