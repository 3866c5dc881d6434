#pragma once
// Frame composition: GPU resources of every drawable once, then all twelve instances every frame
// from the demo state, in a fixed order of passes. Presenting the frame is the platform's.

// Programs, attribute locations and textures of all twelve instances, in a fixed order.
void createResources();

// lookAt with the demo state's eye, target and up; stores the frame's right vector in the demo
// state for the particle billboards.
void applyCamera();

// Clear, perspective 3-D pass, particle pass and pixel-space overlay pass. The frame is then in
// the buffer being drawn, ready to be read back or presented.
void composeFrame();
