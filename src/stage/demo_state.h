#pragma once
// The program-wide state through which the entry, the frame composer and the scenes talk, and the
// twelve drawable instances. Scenes write it; the frame composer reads it. The platform's handles
// (window, GL context) are the platform's own and not here.

#include <cstdint>

#include "drawables/caption_list.h"
#include "drawables/color_panel.h"
#include "drawables/cube_field.h"
#include "drawables/particle_emitter.h"
#include "drawables/textured_cube.h"
#include "render/camera.h"

// The camera block comes first as a base so that emitters can point at it as a CameraBlock.
struct DemoState : CameraBlock {
    uint32_t screenWidth = 0; // drawable size in pixels from the end of start-up on
    uint32_t screenHeight = 0;
    int32_t sceneNumber = 1; // 1..5; only the scene updates change it
    bool running = true;     // cleared by pumpEvents, never set again
    uint32_t frameCount = 0;
    int32_t captionSlot1 = -1; // indices into captions, set by the start-up
    int32_t captionSlot2 = -1;
    int32_t captionSlot3 = -1;
};

extern DemoState demoState;

// Constructed in this order before the entry runs, released in the reverse order at exit.
extern ColorPanel colorPanelA;
extern ColorPanel colorPanelB;
extern TexturedCube boxA;
extern TexturedCube boxB;
extern CubeField fieldA; // 44 x 44
extern CubeField fieldB; // 16 x 16, the other three too
extern CubeField fieldC;
extern CubeField fieldD;
extern ParticleEmitter emitterA;
extern ParticleEmitter emitterB;
extern ParticleEmitter emitterC;
extern CaptionList captions;

inline constexpr int32_t kFieldASize = 44;
inline constexpr int32_t kSmallFieldSize = 16;
