#include "scenes/scene4.h"

#include <cmath>
#include <initializer_list>

#include "scenes/scene3.h"
#include "scenes/scene5.h"
#include "scenes/timeline.h"

float scene4Time = 0.0f;

namespace {

constexpr float kRingFrequency = 0.33f;
// The rings grow to full height over the first two seconds of phase.
constexpr float kRampEnd = 2.0f;
constexpr float kRingAmplitude = 2.0f;

constexpr float kSpiralStart = 6.0f;
constexpr float kDescentStart = 8.0f;
constexpr float kFadeStart = 7.75f;
constexpr float kBrightness = 0.77f;
constexpr float kEnd = 9.0f;
// From kSpiralStart the radius falls linearly, by about a third of the orbit's radius a second
// (from 0.9999 of it at 6 s), to 0 at kEnd.
constexpr float kSpiralRate = 0.3333f;
// The orbit turns at a quarter radian per second and starts as though 16 seconds had passed, at
// 4 radians.
constexpr float kTurnRate = 0.25f;
constexpr float kStartAngleTime = 16.0f;
constexpr float kFadeDuration = 1.25f; // from kFadeStart to kEnd

} // namespace

float scene4Height(float i, float j, float phase) {
    const float di = i - kFieldCentre;
    const float dj = j - kFieldCentre;
    const float r = std::sqrt(di * di + dj * dj);
    // The phase enters squared, so the rings run inwards faster and faster.
    const float e = std::fabs(std::sin((r + phase * phase) * kRingFrequency));
    return before(phase, kRampEnd) ? phase * e : kRingAmplitude * e;
}

void scene4Setup() {
    const float h = screenH();

    fieldA.originX = 0.0f;
    fieldA.originY = -1.5f;
    fieldA.originZ = 0.0f;
    fieldA.heightFn = scene4Height;
    fieldA.weightFn = weight22;
    fieldA.shadeFn = shade22;
    fieldA.phase = 0.0f;
    fieldA.brightness = kBrightness;
    cubeFieldSwitchOn(fieldA);

    boxA.visible = false;
    boxB.visible = false;

    for (ParticleEmitter* emitter : {&emitterA, &emitterB, &emitterC}) {
        emitter->count = 0;
        emitter->enabled = false;
    }

    captionSet(slotIndex(demoState.captionSlot1), "", 1.25f, 5.0f, h * 3.0f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot2), "", 1.5f, 5.0f, h * 3.0f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot3), "", 1.0f, 5.0f, h * 6.7f / 10.0f);
    captionColorSet(demoState.captionSlot3, {0.0f, 0.0f, 0.0f, 1.0f});
}

void scene4Update() {
    const float dt = kFrameStep;

    scene4Time += dt;
    const float t = scene4Time;

    // Circles at radius 11 and height 5, then spirals in and down to the centre at t = 9.
    const float d = after(t, kSpiralStart) ? (kEnd - t) * kSpiralRate * kOrbitRadius : kOrbitRadius;
    const float y = after(t, kDescentStart) ? (kEnd - t) * kOrbitHeight : kOrbitHeight;
    const float a = (t + kStartAngleTime) * kTurnRate;
    demoState.cameraTarget = {0.0f, 0.0f, 0.0f};
    demoState.cameraEye = {std::cos(a) * d, y, std::sin(a) * d};

    if (after(t, kFadeStart)) {
        fieldA.brightness = (kEnd - t) / kFadeDuration * kBrightness;
    }

    fieldA.phase += dt;
    cubeFieldUpdateHeights(fieldA);

    if (after(t, kEnd)) {
        sceneHandOver(scene4Time, 5, scene5Setup);
    }
}
