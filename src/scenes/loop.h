#pragma once
// The frames of one loop of the five scenes, the numbers that kiru-capture, the tests and the
// docs count in.

#include <cstdint>

// The frame in which each scene's first update runs, scenes 1 to 5, counted from 1. A scene
// hands over in the update whose timer, summed in single-precision steps of kFrameStep, first
// passes the scene's end; the timeline test replays the scenes to check these.
inline constexpr uint32_t kSceneFirstFrames[] = {1, 481, 1322, 2283, 2823};
// One whole loop: the next one starts, with scene 1, in frame kLoopFrames + 1.
inline constexpr uint32_t kLoopFrames = 4023;
