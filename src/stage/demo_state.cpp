#include "stage/demo_state.h"

#include <cstdlib>

// Every instance lives in this one unit so that their construction order is fixed: the records
// are constant-initialised, then the initialiser below allocates each one in declaration order
// and registers its release right after, so the releases run in the reverse order at exit.
DemoState demoState;
ColorPanel colorPanelA;
ColorPanel colorPanelB;
TexturedCube boxA;
TexturedCube boxB;
CubeField fieldA;
CubeField fieldB;
CubeField fieldC;
CubeField fieldD;
ParticleEmitter emitterA;
ParticleEmitter emitterB;
ParticleEmitter emitterC;
CaptionList captions;

namespace {

template <auto& instance, auto release> void releaseAtExit() {
    release(instance);
}

template <auto& instance, auto release> void registerRelease() {
    std::atexit(&releaseAtExit<instance, release>);
}

struct StaticConstruction {
    StaticConstruction() {
        colorPanelInit(colorPanelA);
        registerRelease<colorPanelA, colorPanelFree>();
        colorPanelInit(colorPanelB);
        registerRelease<colorPanelB, colorPanelFree>();
        texturedCubeInit(boxA);
        registerRelease<boxA, texturedCubeFree>();
        texturedCubeInit(boxB);
        registerRelease<boxB, texturedCubeFree>();
        cubeFieldInit(fieldA, kFieldASize);
        registerRelease<fieldA, cubeFieldFree>();
        cubeFieldInit(fieldB, kSmallFieldSize);
        registerRelease<fieldB, cubeFieldFree>();
        cubeFieldInit(fieldC, kSmallFieldSize);
        registerRelease<fieldC, cubeFieldFree>();
        cubeFieldInit(fieldD, kSmallFieldSize);
        registerRelease<fieldD, cubeFieldFree>();
        particleEmitterInit(emitterA, &demoState);
        registerRelease<emitterA, particleEmitterFree>();
        particleEmitterInit(emitterB, &demoState);
        registerRelease<emitterB, particleEmitterFree>();
        particleEmitterInit(emitterC, &demoState);
        registerRelease<emitterC, particleEmitterFree>();
        captionListInit(captions);
        registerRelease<captions, captionListFree>();
    }
};

const StaticConstruction staticConstruction;

} // namespace
