// CPU cost of the per-frame work that runs without GL: vertex building and scene updates.
// Target: everything here together stays well inside a 16.7 ms frame on one core; the 44 x 44
// field, the heaviest piece, should build in under 2 ms.
#include <benchmark/benchmark.h>

#include "app/demo.h"
#include "scenes/loop.h"
#include "scenes/scene1.h"
#include "scenes/scene3.h"
#include "scenes/timeline.h"
#include "stage/demo_state.h"

namespace {

void ensureStartCaptions() {
    demoState.screenWidth = 800;
    demoState.screenHeight = 600;
    while (captions.count < 3) {
        Caption caption;
        caption.text = "";
        caption.scale = 1.5f;
        caption.color = {1.0f, 1.0f, 1.0f, 0.667f};
        captionAdd(captions, caption);
    }
    demoState.captionSlot1 = 0;
    demoState.captionSlot2 = 1;
    demoState.captionSlot3 = 2;
}

void fieldABuild(benchmark::State& state) {
    fieldA.heightFn = scene3Height;
    fieldA.weightFn = weight22;
    fieldA.shadeFn = shade22;
    cubeFieldSwitchOn(fieldA);
    cubeFieldUpdateHeights(fieldA);
    for (auto _ : state) {
        benchmark::DoNotOptimize(cubeFieldBuild(fieldA));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFieldASize * kFieldASize);
}
BENCHMARK(fieldABuild)->Unit(benchmark::kMicrosecond);

void fieldAUpdateHeights(benchmark::State& state) {
    fieldA.heightFn = scene3Height;
    fieldA.weightFn = weight22;
    cubeFieldSwitchOn(fieldA);
    for (auto _ : state) {
        fieldA.phase += kFrameStep;
        cubeFieldUpdateHeights(fieldA);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(fieldAUpdateHeights)->Unit(benchmark::kMicrosecond);

// A fountain at its fullest: two emissions a frame for 2 s of life is about 244 particles.
void emitterUpdateAndBuild(benchmark::State& state) {
    ParticleEmitter emitter;
    CameraBlock camera;
    camera.cameraUp = {0.0f, 1.0f, 0.0f};
    camera.cameraRight = {1.0f, 0.0f, 0.0f};
    particleEmitterInit(emitter, &camera);
    emitter.enabled = true;
    for (int i = 0; i < 244; ++i) {
        particleEmitterEmit(emitter);
    }
    for (auto _ : state) {
        particleEmitterEmit(emitter);
        particleEmitterEmit(emitter);
        particleEmitterUpdate(emitter, kFrameStep);
        benchmark::DoNotOptimize(
            particleEmitterBuild(emitter, camera.cameraRight, camera.cameraUp));
    }
    particleEmitterFree(emitter);
}
BENCHMARK(emitterUpdateAndBuild)->Unit(benchmark::kMicrosecond);

// The full glyph budget: 256 glyphs across the three captions.
void captionsBuild(benchmark::State& state) {
    ensureStartCaptions();
    static const char kLine[] = "If you can get a cube to rotate - you should definitely join!"
                                " --D Not One, But Two Rotating Cubes!";
    for (uint32_t i = 0; i < 3; ++i) {
        captionSet(i, kLine, 1.5f, 5.0f, 100.0f + 60.0f * static_cast<float>(i));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(captionListBuild(captions));
    }
}
BENCHMARK(captionsBuild)->Unit(benchmark::kMicrosecond);

// One whole loop of the timeline, without drawing.
void timelineLoop(benchmark::State& state) {
    ensureStartCaptions();
    for (auto _ : state) {
        demoState.sceneNumber = 1;
        scene1Time = 0.0f;
        scene1Setup();
        for (uint32_t update = 0; update < kLoopFrames; ++update) {
            demoUpdateScene();
        }
    }
    state.SetItemsProcessed(state.iterations() * kLoopFrames);
}
BENCHMARK(timelineLoop)->Unit(benchmark::kMillisecond);

} // namespace
