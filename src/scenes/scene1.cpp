#include "scenes/scene1.h"

#include <algorithm>

#include "scenes/scene2.h"
#include "scenes/timeline.h"

float scene1Time = 0.0f;
float scene1Line1Width;    // zero until the set-up measures it
float scene1Line2Width;    // zero until the set-up measures it
float scene1AcceptedWidth; // zero until the set-up measures it

namespace {

constexpr const char* kLine1 = "If you can get a cube to rotate -";
constexpr const char* kLine2 = "- you should definitely join! --D";
constexpr const char* kAccepted = "Challenge Accepted!";

constexpr float kEmptyScale = 1.5f;
constexpr float kLineScale = 1.0f;
constexpr float kAcceptedScale = 1.5f;

// Windows of scene time; every test against them is strict.
constexpr float kBarAEnd = 3.0f;
constexpr float kBarBEnd = 6.0f;
constexpr float kLinesFadeIn = 1.5f;
constexpr float kAcceptedFadeIn = 4.0f;
constexpr float kFadeOut = 5.0f;
constexpr float kCollapse = 6.5f;
constexpr float kEnd = 8.0f;

constexpr float kBarBWidthRate = 1.1f; // screen widths per second
constexpr float kBarBHeightRate = 1.2f;
constexpr float kCollapseRate = 1.5f;
// A bar taller than this still shrinks from the top; from here on it narrows.
constexpr float kCollapseMinHeight = 1.1f;

// The remark lines sit on bar A's middle, line 1 this far left and up, line 2 this far right.
constexpr float kRemarkShift = 50.0f;
constexpr float kLine1Rise = 51.0f;
// From the top of a scale-1.5 line to about the middle of its capitals (a baseline 52.5 down,
// capitals 35.5 tall), so "Challenge Accepted!" is centred on bar B's middle.
constexpr float kAcceptedRise = 34.0f;

void emptyRemarks() {
    const float h = screenH();
    captionSet(slotIndex(demoState.captionSlot1), "", kEmptyScale, 5.0f, h * 3.0f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot2), "", kEmptyScale, 5.0f, h * 3.0f / 10.0f);
}

// Both bars collapse alike: first from the top edge down, then from the left edge rightwards.
void collapseBar(ColorPanel& bar, float vstep, float hstep) {
    if (bar.height > kCollapseMinHeight) {
        bar.y += vstep;
        bar.height = std::max(bar.height - vstep, 1.0f);
    } else {
        bar.x += hstep;
        bar.width -= hstep;
    }
}

} // namespace

void scene1Setup() {
    const float h = screenH();

    colorPanelA.color = {1.0f, 1.0f, 1.0f, 1.0f};
    colorPanelA.x = 1.0f;
    // Whole pixels on purpose: a 601-pixel screen puts the bar at 180, not 180.3.
    colorPanelA.y = static_cast<float>(demoState.screenHeight * 3u / 10u);
    colorPanelA.z = -5.0f;
    colorPanelA.width = 1.0f;
    colorPanelA.height = 1.0f;
    colorPanelA.depth = 1.0f;

    colorPanelB.color = {1.0f, 1.0f, 1.0f, 1.0f};
    colorPanelB.x = 1.0f;
    colorPanelB.y = 6.66f * h / 10.0f;
    colorPanelB.z = -5.0f;
    colorPanelB.width = 0.0f;
    colorPanelB.height = 0.0f;
    colorPanelB.depth = 0.0f;

    captionSet(slotIndex(demoState.captionSlot1), "", kEmptyScale, 5.0f, h * 3.0f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot2), "", kEmptyScale, 5.0f, h * 3.5f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot3), "", kEmptyScale, 5.0f, h * 6.7f / 10.0f);

    scene1Line1Width = textWidth(kLine1, kLineScale);
    scene1Line2Width = textWidth(kLine2, kLineScale);
    scene1AcceptedWidth = textWidth(kAccepted, kAcceptedScale);

    boxA.visible = false;
    boxB.visible = false;
    fieldA.visible = 0;
    fieldB.visible = 0;
    fieldC.visible = 0;
    fieldD.visible = 0;
    emitterA.enabled = false;
    emitterB.enabled = false;
    emitterC.enabled = false;
}

void scene1Update() {
    const float dt = kFrameStep;
    const float w = screenW();
    const float h = screenH();
    const float fifth = 0.2f * h;
    const float half = 0.5f * h;

    scene1Time += dt;
    const float t = scene1Time;

    if (before(t, kBarAEnd)) {
        ColorPanel& bar = colorPanelA;
        if (w > bar.width) {
            bar.width += w * dt;
        }
        if (!(w > bar.width) && bar.height < fifth) {
            bar.height += half * dt;
        }
        bool complete = false;
        if (bar.height >= fifth) {
            bar.height = fifth;
            complete = true;
        }
        if (complete) {
            const float middle = 0.3f * h + 0.5f * fifth;
            captionSet(slotIndex(demoState.captionSlot1), kLine1, kLineScale,
                       (w - scene1Line1Width) * 0.5f - kRemarkShift, middle - kLine1Rise);
            captionSet(slotIndex(demoState.captionSlot2), kLine2, kLineScale,
                       (w - scene1Line2Width) * 0.5f + kRemarkShift, middle);
            const float a = clamp01((t - kLinesFadeIn) * kCaptionFadeRate);
            captionColorSet(demoState.captionSlot1, {0.0f, 0.0f, 0.0f, a});
            captionColorSet(demoState.captionSlot2, {0.0f, 0.0f, 0.0f, a});
        } else {
            emptyRemarks();
        }
    }

    if (between(t, kBarAEnd, kBarBEnd)) {
        ColorPanel& bar = colorPanelB;
        if (w > bar.width) {
            bar.width += (w * kBarBWidthRate) * dt;
        }
        if (!(w > bar.width) && bar.height < fifth) {
            bar.height += (h * kBarBHeightRate) * dt;
        }
        // Not cut back to fifth: bar B may end up to one step taller.
        const bool complete = bar.height >= fifth;
        bar.height = std::max(bar.height, 1.0f);
        if (complete) {
            captionSet(slotIndex(demoState.captionSlot3), kAccepted, kAcceptedScale,
                       (w - scene1AcceptedWidth) * 0.5f, 0.666f * h + 0.5f * fifth - kAcceptedRise);
            captionColorSet(demoState.captionSlot3,
                            {0.0f, 0.0f, 0.0f, clamp01(t - kAcceptedFadeIn)});
        } else {
            captionSet(slotIndex(demoState.captionSlot3), "", kAcceptedScale, 5.0f,
                       h * 6.7f / 10.0f);
        }
    }

    // Runs after bar B's rule in the same frame, so its alpha wins.
    if (after(t, kFadeOut)) {
        const Color fade = captionFadeOut(t, kFadeOut);
        captionColorSet(demoState.captionSlot1, fade);
        captionColorSet(demoState.captionSlot2, fade);
        captionColorSet(demoState.captionSlot3, fade);
    }

    if (after(t, kCollapse)) {
        const float vstep = (kCollapseRate * h) * dt;
        const float hstep = (kCollapseRate * w) * dt;
        collapseBar(colorPanelA, vstep, hstep);
        collapseBar(colorPanelB, vstep, hstep);
    }

    if (after(t, kEnd)) {
        sceneHandOver(scene1Time, 2, scene2Setup);
    }
}
