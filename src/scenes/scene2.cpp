#include "scenes/scene2.h"

#include <algorithm>
#include <cmath>

#include "scenes/scene3.h"
#include "scenes/timeline.h"

float scene2Time = 0.0f;
float scene2TitleWidth; // zero until the set-up measures it

namespace {

constexpr const char* kTitle = "Not One, But Two Rotating Cubes!";
constexpr float kTitleScale = 1.25f;
constexpr float kEmptyScale = 1.5f;

constexpr float kRiseStart = 1.0f;
constexpr float kRiseEnd = 4.0f;
constexpr float kDescentStart = 6.0f;
constexpr float kPanelPixelsPerSecond = 300.0f;
constexpr float kTitleFadeOut = 5.75f;
// The title's top sits this far above the panel's middle.
constexpr float kTitleRise = 34.0f;

constexpr float kCubesMeet = 5.0f;
constexpr float kCubesNear = -3.5f;
constexpr float kCubesFar = -12.0f;
// Wider screens start the cubes further apart, up to 880 pixels' worth.
constexpr float kMaxWidthFactor = 1.1f;
constexpr float kSpinRate = 100.0f; // degrees per second

constexpr float kFountainStart = 5.0f;
constexpr float kDoubleEmitEnd = 11.75f;
constexpr float kEmitEnd = 12.25f;

constexpr float kCameraTurn = 8.0f;
constexpr float kEnd = 14.0f;

// The cubes are mirror images: on the z axis at z and -z, spinning about it in opposite senses.
void placeCube(TexturedCube& cube, float z, float spin) {
    cube.x = 0.0f;
    cube.y = 0.0f;
    cube.z = z;
    cube.rotX = 0.0f;
    cube.rotY = 0.0f;
    cube.rotZ = spin;
}

} // namespace

void scene2Setup() {
    const float w = screenW();
    const float h = screenH();

    // The panel waits below the bottom edge, at whole-pixel rows.
    colorPanelA.color = {1.0f, 1.0f, 1.0f, 0.85f};
    colorPanelA.x = 1.0f;
    colorPanelA.y = static_cast<float>(demoState.screenHeight * 11u / 10u);
    colorPanelA.z = -5.0f;
    colorPanelA.width = w;
    colorPanelA.height = static_cast<float>(demoState.screenHeight * 2u / 10u);
    colorPanelA.depth = 0.0f;

    colorPanelB.x = 0.0f;
    colorPanelB.y = 0.0f;
    colorPanelB.z = 0.0f;
    colorPanelB.width = 0.0f;
    colorPanelB.height = 0.0f;
    colorPanelB.depth = 0.0f;

    fieldA.visible = 0;
    fieldB.visible = 0;
    fieldC.visible = 0;
    fieldD.visible = 0;

    captionSet(slotIndex(demoState.captionSlot1), "", kTitleScale, 5.0f, h * 3.0f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot2), "", kEmptyScale, 5.0f, 3.0f * h / 10.0f);
    captionSet(slotIndex(demoState.captionSlot3), "", kEmptyScale, 5.0f, h * 6.7f / 10.0f);

    scene2TitleWidth = textWidth(kTitle, kTitleScale);

    boxA.visible = true;
    boxA.x = -22.0f;
    boxA.y = 0.0f;
    boxA.z = 0.0f;
    boxB.visible = true;
    boxB.x = 22.0f;
    boxB.y = 0.0f;
    boxB.z = 0.0f;

    emitterA.count = 0;
    emitterA.enabled = false;
    emitterB.enabled = false;
    emitterC.enabled = false;
    emitterA.drift = {0.0f, 0.0f, 0.0f};
}

void scene2Update() {
    const float dt = kFrameStep;
    const float w = screenW();
    const float h = screenH();
    const float fifth = 0.2f * h;

    scene2Time += dt;
    const float t = scene2Time;

    ColorPanel& panel = colorPanelA;
    bool ready = false;
    if (between(t, kRiseStart, kRiseEnd)) {
        const float stop = 0.75f * h;
        if (panel.y > stop) {
            panel.y -= kPanelPixelsPerSecond * dt;
        }
        if (panel.y <= stop) {
            panel.y = stop;
            ready = true;
        }
    } else if (!before(t, kRiseEnd)) {
        // A panel that has not arrived by now stays where it is and shows the title anyway.
        ready = true;
    }

    if (after(t, kDescentStart) && panel.y < h) {
        panel.y += kPanelPixelsPerSecond * dt;
    }

    if (ready) {
        captionSet(slotIndex(demoState.captionSlot1), kTitle, kTitleScale,
                   (w - scene2TitleWidth) * 0.5f, panel.y + 0.5f * fifth - kTitleRise);
        captionColorSet(demoState.captionSlot1, {0.0f, 0.0f, 0.0f, clamp01(t - 1.0f)});
    } else {
        captionSet(slotIndex(demoState.captionSlot1), "", kTitleScale, 5.0f, 0.8f * h);
    }

    if (after(t, kTitleFadeOut)) {
        captionColorSet(demoState.captionSlot1, captionFadeOut(t, kTitleFadeOut));
    }

    const float k = std::min(w / 800.0f, kMaxWidthFactor);
    const float far = kCubesFar * k;
    const float z =
        !after(t, kCubesMeet) ? far + (kCubesNear - far) * (t / kCubesMeet) : kCubesNear;
    const float spin = t * kSpinRate;
    placeCube(boxA, z, spin);
    placeCube(boxB, -z, -spin);

    if (after(t, kFountainStart)) {
        // The origin circles the line x = -6, z = 0 and sinks 15 units every 8 seconds.
        const float s = (t - kFountainStart) * 0.125f;
        emitterA.origin = {-6.0f + 0.5f * std::sin(t), 11.0f - 15.0f * s, 0.5f * std::cos(t)};
        emitterA.enabled = true;
        if (before(t, kDoubleEmitEnd)) {
            particleEmitterEmit(emitterA);
        }
        if (before(t, kEmitEnd)) {
            particleEmitterEmit(emitterA);
        }
        particleEmitterUpdate(emitterA, dt);
    } else {
        emitterA.enabled = false;
    }

    if (!after(t, kCameraTurn)) {
        demoState.cameraTarget = {0.0f, 0.0f, 0.0f};
        demoState.cameraEye = {10.0f, 0.0f, 0.0f};
    } else {
        // The target jumps to the fountain's axis; the eye moves on continuously.
        demoState.cameraTarget = {-6.0f, 0.0f, 0.0f};
        demoState.cameraEye = {10.0f - 13.0f * ((t - kCameraTurn) / 6.0f), 0.0f, 0.0f};
    }

    if (after(t, kEnd)) {
        sceneHandOver(scene2Time, 3, scene3Setup);
    }
}
