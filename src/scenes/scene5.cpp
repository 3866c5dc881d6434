#include "scenes/scene5.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "scenes/scene1.h"
#include "scenes/scene3.h"
#include "scenes/timeline.h"

float scene5Time = 0.0f;
float scene5NamesWidth;   // zero until the set-up measures it
float scene5MissingWidth; // zero until the set-up measures it
float scene5EndWidth;     // zero until the set-up measures it
char scene5HeadingText[kScene5TextSize] = {};
char scene5LineText[kScene5TextSize] = {};
// Never reseeded: every pass of the scene continues the same sequence.
uint32_t scrambleState = 9873451u;

namespace {

constexpr const char* kNames = "Rulvo, Sefira, Dovak";
constexpr const char* kMissing = "Missing";
constexpr const char* kTheEnd = "THE END";
constexpr float kHeadingScale = 1.25f;
constexpr float kLineScale = 1.5f;
constexpr float kEndScale = 2.5f;

constexpr float kBrightnessRampEnd = 1.6f;
constexpr float kBrightnessRate = 0.5f;
constexpr float kFieldFadeStart = 15.0f;

constexpr float kPanelStart = 1.5f;
constexpr float kSlideInEnd = 5.5f;
constexpr float kSlideOutStart = 14.5f;
constexpr float kPanelWidthsPerSecond = 0.55f;
constexpr float kPanelMargin = 30.0f;
// The heading's top sits this far above the middle of the panel's top fifth of the screen
// height; the names line starts this far below the heading's top.
constexpr float kHeadingRise = 51.0f;
constexpr float kLineDrop = 39.1f;

constexpr float kSettleRate = 30.0f;    // characters per second
constexpr float kEndSettleRate = 10.0f; // characters per second for "THE END"

struct Credit {
    const char* heading;
    const char* line;
    float start;     // the heading starts settling
    float lineStart; // the line follows a quarter second later
    float end;
};
constexpr Credit kFirstCredit{"Motivated By :", kNames, 4.0f, 4.25f, 6.15f};
constexpr Credit kSecondCredit{"Music and Sound :", kMissing, 7.5f, 7.75f, 9.25f};
constexpr float kEndStart = 10.5f;
constexpr float kEndEnd = 13.25f;
constexpr float kEnd = 20.0f;

constexpr Color kBlack{0.0f, 0.0f, 0.0f, 1.0f};

void setRoomBrightness(float brightness) {
    fieldB.brightness = brightness;
    fieldC.brightness = brightness;
    fieldD.brightness = brightness;
}

void copyText(char (&buffer)[kScene5TextSize], const char* text) {
    std::snprintf(buffer, sizeof buffer, "%s", text);
}

// Refilled from the plain text every frame, so the settled prefix never changes back.
void showCredit(const Credit& credit, float lineWidth, float t, float bx, float by, float bw,
                float half5) {
    copyText(scene5HeadingText, credit.heading);
    copyText(scene5LineText, credit.line);
    textScramble(scene5HeadingText, static_cast<int32_t>((t - credit.start) * kSettleRate));
    textScramble(scene5LineText, static_cast<int32_t>((t - credit.lineStart) * kSettleRate));
    const float y = half5 + by - kHeadingRise;
    // Placed by the plain text's width, so the scrambled characters do not move the line.
    captionSet(slotIndex(demoState.captionSlot1), scene5HeadingText, kHeadingScale,
               bx + kPanelMargin, y);
    captionColorSet(demoState.captionSlot1, kBlack);
    captionSet(slotIndex(demoState.captionSlot2), scene5LineText, kLineScale,
               bx + bw - lineWidth - kPanelMargin, y + kLineDrop);
    captionColorSet(demoState.captionSlot2, kBlack);
}

void fadeCredit(float t, float from) {
    const Color fade = captionFadeOut(t, from);
    captionColorSet(demoState.captionSlot1, fade);
    captionColorSet(demoState.captionSlot2, fade);
}

} // namespace

float scene5Height(float i, float j, float phase) {
    return 1.5f * std::fabs(std::sin((2.0f * i * i + j * j + 3.0f * phase) * 0.333f));
}

float scene5Shade(float i, float j, float phase) {
    return 0.8f * std::fabs(std::sin((i * i + 4.0f * j * j + 5.0f * phase) * 0.333f)) + 0.15f;
}

void textScramble(char* buffer, int32_t keep) {
    for (char* c = buffer; *c != '\0'; ++c) {
        if (keep > 0) {
            --keep;
            continue;
        }
        scrambleState = scrambleState * 214013u + 2531011u;
        const uint32_t r = (scrambleState >> 16) & 0x7FFFu;
        *c = static_cast<char>(32u + r % 90u);
    }
}

void scene5Setup() {
    const float w = screenW();
    const float h = screenH();

    fieldB.originX = 0.0f;
    fieldB.originY = -1.5f;
    fieldB.originZ = 0.0f;
    fieldB.brightness = 0.0f;
    fieldB.phase = 0.0f;
    for (CubeField* wall : {&fieldC, &fieldD}) {
        wall->originX = 0.0f;
        wall->originY = 0.0f;
        wall->originZ = 0.0f;
        wall->brightness = 0.0f;
        wall->phase = 0.0f;
    }
    for (CubeField* field : {&fieldB, &fieldC, &fieldD}) {
        field->heightFn = scene5Height;
        field->weightFn = weight22;
        field->shadeFn = scene5Shade;
        cubeFieldSwitchOn(*field);
    }

    boxA.visible = false;
    boxB.visible = false;
    fieldA.visible = 0;

    captionSet(slotIndex(demoState.captionSlot1), "", kHeadingScale, 5.0f, h * 3.0f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot2), "", kLineScale, 5.0f, h * 3.0f / 10.0f);
    captionSet(slotIndex(demoState.captionSlot3), "", 1.0f, 5.0f, h * 6.7f / 10.0f);
    captionColorSet(demoState.captionSlot3, kBlack);

    scene5NamesWidth = textWidth(kNames, kLineScale);
    scene5MissingWidth = textWidth(kMissing, kLineScale);
    scene5EndWidth = textWidth(kTheEnd, kEndScale);

    // Full width, just left of the screen, over the band from 0.75 H to 1.01 H.
    colorPanelA.color = {1.0f, 1.0f, 1.0f, 0.85f};
    colorPanelA.x = -w;
    colorPanelA.y = 0.75f * h;
    colorPanelA.z = -5.0f;
    colorPanelA.width = w;
    colorPanelA.height = 0.26f * h;
    colorPanelA.depth = 0.0f;
}

void scene5Update() {
    const float dt = kFrameStep;
    const float w = screenW();
    const float h = screenH();
    const float half5 = (0.2f * h) * 0.5f;

    scene5Time += dt;
    const float t = scene5Time;

    demoState.cameraTarget = {6.0f, 0.0f, 6.0f};
    demoState.cameraEye = {-6.0f, 4.0f, -4.0f};

    // Between the ramp and the fade the brightness keeps its last value.
    if (before(t, kBrightnessRampEnd)) {
        setRoomBrightness(kBrightnessRate * t);
    }
    if (after(t, kFieldFadeStart)) {
        setRoomBrightness(((kEnd - t) * 0.2f) * 0.8f);
    }
    for (CubeField* field : {&fieldB, &fieldC, &fieldD}) {
        field->phase += dt;
        cubeFieldUpdateHeights(*field);
    }

    if (after(t, kPanelStart)) {
        ColorPanel& panel = colorPanelA;
        const float step = (kPanelWidthsPerSecond * w) * dt;
        if (before(t, kSlideInEnd)) {
            panel.x = std::min(panel.x + step, 0.0f);
        }
        if (after(t, kSlideOutStart) && panel.x < w) {
            panel.x += step;
        }
        const float bx = panel.x;
        const float by = panel.y;
        const float bw = panel.width;

        // A fade keeps running after its text has gone; a later credit then restores alpha 1.
        if (between(t, kFirstCredit.start, kFirstCredit.end)) {
            showCredit(kFirstCredit, scene5NamesWidth, t, bx, by, bw, half5);
        }
        if (after(t, kFirstCredit.end)) {
            fadeCredit(t, kFirstCredit.end);
        }
        if (between(t, kSecondCredit.start, kSecondCredit.end)) {
            showCredit(kSecondCredit, scene5MissingWidth, t, bx, by, bw, half5);
        }
        if (after(t, kSecondCredit.end)) {
            fadeCredit(t, kSecondCredit.end);
        }
        if (between(t, kEndStart, kEndEnd)) {
            copyText(scene5HeadingText, kTheEnd);
            textScramble(scene5HeadingText, static_cast<int32_t>((t - kEndStart) * kEndSettleRate));
            captionSet(slotIndex(demoState.captionSlot1), scene5HeadingText, kEndScale,
                       bx + (bw - scene5EndWidth) * 0.5f, half5 + by - kHeadingRise);
            captionColorSet(demoState.captionSlot1, kBlack);
        }
        if (after(t, kEndEnd)) {
            captionColorSet(demoState.captionSlot1, captionFadeOut(t, kEndEnd));
        }
    }

    if (after(t, kEnd)) {
        sceneHandOver(scene5Time, 1, scene1Setup);
    }
}
