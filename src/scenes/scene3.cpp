#include "scenes/scene3.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "scenes/scene4.h"
#include "scenes/timeline.h"

float scene3Time = 0.0f;
float scene3TitleWidth; // zero until the set-up measures it

namespace {

constexpr const char* kTitle = "Billion* Cubes!";
constexpr float kTitleScale = 1.25f;

constexpr float kWaveAmplitude = 2.5f;
constexpr float kWaveFadeStart = 13.5f;
constexpr float kWaveFadeEnd = 16.0f;

constexpr float kPanelHeight = 68.0f;
constexpr float kPanelMargin = 50.0f;
constexpr float kPanelPixelsPerSecond = 500.0f;
constexpr float kSlideInStart = 2.5f;
constexpr float kSlideInEnd = 5.5f;
constexpr float kSlideOutStart = 6.0f;
constexpr float kTitleFadeOut = 5.75f;
// The title's top sits this far above the panel's middle on a 600-pixel screen, and
// proportionally on others.
constexpr float kTitleRise = 56.44f;
constexpr float kTitleRiseHeight = 600.0f;

constexpr float kBlendEnd = 2.0f;
constexpr float kStartTargetY = 12.0f;

constexpr float kDoubleEmitEnd = 12.75f;
constexpr float kEmitEnd = 14.25f;
// Each fountain rises from kFountainLow to kFountainHigh in its first kRiseTime seconds.
constexpr float kRiseTime = 2.0f;
constexpr float kFountainLow = -1.75f;
constexpr float kFountainHigh = 2.5f;
constexpr float kMaxFountainRadius = 3.5f;

constexpr float kEnd = 16.0f;

struct Fountain {
    ParticleEmitter& emitter;
    float start;      // T
    float radiusZero; // R: the spiral passes the axis here
    float angleShift; // P
};

void updateFountain(const Fountain& f, float t) {
    if (!after(t, f.start)) {
        return;
    }
    const float y = before(t, f.start + kRiseTime) ? 4.25f * ((t - f.start) * 0.5f) + kFountainLow
                                                   : kFountainHigh;
    // Negative just after the start: the origin begins on the far side of the axis.
    const float r = std::min(t - f.radiusZero, kMaxFountainRadius);
    const float angle = t - f.angleShift;
    f.emitter.origin = {r * std::sin(angle), y, r * std::cos(angle)};
    if (before(t, kDoubleEmitEnd)) {
        particleEmitterEmit(f.emitter);
    }
    if (before(t, kEmitEnd)) {
        particleEmitterEmit(f.emitter);
    }
    particleEmitterUpdate(f.emitter, kFrameStep);
}

} // namespace

float scene3Height(float i, float j, float phase) {
    const float v = (i + j + phase) * 0.333f;
    const float e = std::fabs(std::sin(v));
    if (before(phase, kWaveFadeStart)) {
        return e * kWaveAmplitude;
    }
    // Meets the full wave at 13.5 (2.5 * e) and flattens to nothing at 16.
    return (kWaveFadeEnd - phase) * e;
}

float weight22(float i, float j) {
    return cubeFieldCentreWeight(i, j, kFieldCentre);
}

float shade22(float i, float j, float /*phase*/) {
    return cubeFieldRingShade(i, j, kFieldCentre);
}

void scene3Setup() {
    const float w = screenW();
    const float h = screenH();

    fieldA.originX = 0.0f;
    fieldA.originY = -1.5f;
    fieldA.originZ = 0.0f;
    fieldA.heightFn = scene3Height;
    fieldA.brightness = 0.77f;
    fieldA.weightFn = weight22;
    cubeFieldSwitchOn(fieldA);
    fieldA.shadeFn = shade22;
    fieldA.phase = 0.0f;

    captionSet(slotIndex(demoState.captionSlot1), "", kTitleScale, 5.0f, h * 3.0f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot2), "", 1.5f, 5.0f, 3.0f * h / 10.0f);
    captionSet(slotIndex(demoState.captionSlot3), "", 1.0f, 5.0f, h * 6.7f / 10.0f);
    captionColorSet(demoState.captionSlot3, {0.0f, 0.0f, 0.0f, 1.0f});

    scene3TitleWidth = textWidth(kTitle, kTitleScale);

    boxA.visible = false;
    boxB.visible = false;

    for (ParticleEmitter* emitter : {&emitterA, &emitterB, &emitterC}) {
        emitter->drift = {0.0f, -1.5f, 0.0f};
        emitter->count = 0;
        emitter->enabled = true;
    }

    // Parked just beyond the right edge until the slide-in.
    colorPanelA.color = {1.0f, 1.0f, 1.0f, 0.85f};
    colorPanelA.x = w;
    colorPanelA.y = 0.05f * h;
    colorPanelA.z = -5.0f;
    colorPanelA.width = scene3TitleWidth + kPanelMargin;
    colorPanelA.height = kPanelHeight;
    colorPanelA.depth = 0.0f;

    demoState.cameraTarget = {0.0f, kStartTargetY, 0.0f};
    demoState.cameraEye = {kOrbitRadius, kOrbitHeight, 0.0f};
}

void scene3Update() {
    const float dt = kFrameStep;
    const float w = screenW();
    const float h = screenH();
    const float fifth = 0.2f * h;

    scene3Time += dt;
    const float t = scene3Time;

    ColorPanel& panel = colorPanelA;
    if (between(t, kSlideInStart, kSlideInEnd)) {
        if (w < panel.x + panel.width) {
            panel.x -= kPanelPixelsPerSecond * dt;
        }
        if (panel.x + panel.width <= w) {
            panel.x = w - panel.width;
        }
    }
    if (after(t, kSlideOutStart) && panel.x < w) {
        panel.x += kPanelPixelsPerSecond * dt;
    }

    if (after(t, kSlideInStart)) {
        captionSet(slotIndex(demoState.captionSlot1), kTitle, kTitleScale,
                   panel.x + (panel.width - scene3TitleWidth) * 0.5f,
                   panel.y + 0.5f * fifth - kTitleRise * (h / kTitleRiseHeight));
        // Its alpha, clamp(t - 1), is 1 throughout this window.
        captionColorSet(demoState.captionSlot1, {0.0f, 0.0f, 0.0f, 1.0f});
    }
    if (after(t, kTitleFadeOut)) {
        captionColorSet(demoState.captionSlot1, captionFadeOut(t, kTitleFadeOut));
    }

    // Until t = 2 the eye blends from its start into the orbit, which it reaches exactly at 2.
    const float s = 0.5f * t;
    const float a = 0.25f * t;
    const Vec3 orbit{kOrbitRadius * std::cos(a), kOrbitHeight, kOrbitRadius * std::sin(a)};
    Vec3 eye = orbit;
    Vec3 target{0.0f, 0.0f, 0.0f};
    if (before(t, kBlendEnd)) {
        const float u = 1.0f - s;
        eye = {orbit.x * s + kOrbitRadius * u, orbit.y * s + kOrbitHeight * u,
               orbit.z * s + 0.0f * u};
        target = {0.0f, kStartTargetY - kStartTargetY * s, 0.0f};
    }

    updateFountain({emitterA, 2.0f, 2.33f, 0.0f}, t);
    updateFountain({emitterB, 4.1f, 4.43f, 2.0f}, t);
    updateFountain({emitterC, 6.2f, 6.53f, 4.0f}, t);

    demoState.cameraTarget = target;
    demoState.cameraEye = eye;

    fieldA.phase += dt;
    cubeFieldUpdateHeights(fieldA);

    if (after(t, kEnd)) {
        sceneHandOver(scene3Time, 4, scene4Setup);
    }
}
