#pragma once
// Drives the scene timeline without GL, the way the frame loop does after start-up.

#include <cstdint>
#include <cstring>

#include "app/demo.h"
#include "app/demo_state.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene4.h"
#include "scenes/scene5.h"

namespace scenetest {

inline constexpr uint32_t kScrambleSeed = 9873451u;

// Puts the program in its post-start-up state on a screen of the given size and sets up scene 1.
// Tests share the global instances, so every test starts from here.
inline void startDemo(uint32_t width, uint32_t height) {
    demoState.screenWidth = width;
    demoState.screenHeight = height;
    if (captions.count == 0) {
        const float xs[3] = {5.0f, 5.0f, 0.0f};
        const float ys[3] = {100.0f, 100.0f, 0.0f};
        for (int k = 0; k < 3; ++k) {
            captionAdd(Caption{"", 1.5f, {1.0f, 1.0f, 1.0f, 0.667f}, xs[k], ys[k]});
        }
    }
    demoState.captionSlot1 = 0;
    demoState.captionSlot2 = 1;
    demoState.captionSlot3 = 2;
    demoState.cameraEye = {0.0f, 0.0f, 5.0f};
    demoState.cameraTarget = {0.0f, 0.0f, 0.0f};
    demoState.cameraUp = {0.0f, 1.0f, 0.0f};
    demoState.sceneNumber = 1;
    scene1Time = scene2Time = scene3Time = scene4Time = scene5Time = 0.0f;
    scrambleState = kScrambleSeed;
    for (CubeField* field : {&fieldA, &fieldB, &fieldC, &fieldD}) {
        field->visible = 0;
        field->weightsReady = 0;
        field->phase = 0.0f;
    }
    for (ParticleEmitter* emitter : {&emitterA, &emitterB, &emitterC}) {
        emitter->count = 0;
        emitter->enabled = false;
    }
    scene1Setup();
}

// Runs `n` updates of whatever scene is current.
inline void runUpdates(int n) {
    for (int k = 0; k < n; ++k) {
        demoUpdateScene();
    }
}

// Runs updates until the scene number changes; returns how many it took, or -1 after `limit`.
inline int updatesUntilHandOver(int limit = 5000) {
    const int32_t scene = demoState.sceneNumber;
    for (int k = 1; k <= limit; ++k) {
        demoUpdateScene();
        if (demoState.sceneNumber != scene) {
            return k;
        }
    }
    return -1;
}

// Enters scene n (2..5) through the hand-overs of the scenes before it.
inline void enterScene(int32_t n) {
    while (demoState.sceneNumber != n) {
        demoUpdateScene();
    }
}

inline const Caption& slot(int32_t index) {
    return captions.items[index];
}

inline const char* slotText(int32_t index) {
    const char* text = captions.items[index].text;
    return text != nullptr ? text : "";
}

} // namespace scenetest
