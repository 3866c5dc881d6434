#pragma once
// Frame composition: GPU resources of every drawable once, then all twelve instances every frame
// from the demo state, in a fixed order of passes. Presenting the frame is the platform's.

// Programs, attribute locations and textures of all twelve instances, in a fixed order.
void createResources();

// lookAt with the demo state's eye, target and up; stores the frame's right vector in the demo
// state for the particle billboards.
void applyCamera();

// The four passes below, in order. The frame is then in the buffer being drawn, ready to be read
// back or presented.
void composeFrame();

// composeFrame's passes, one by one (each leaves the GL state the next expects): the clear with
// the perspective and the camera; the opaque boxes and fields with depth; the particles, tested
// against that depth, their light adding up; the panels and captions on top, one unit a pixel from
// the top-left corner, later draws covering earlier ones.
void framePassClear();
void framePassSolid();
void framePassParticles();
void framePassOverlay();
