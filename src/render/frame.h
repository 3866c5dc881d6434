#pragma once
// Frame composition: GPU resources of every drawable once, then all drawables every frame.

// Programs, attribute locations and textures of all twelve instances, in a fixed order.
void createResources();

// Clear, perspective 3-D pass, particle pass and pixel-space overlay pass, without presenting.
// The capture tool reads the back buffer between this and the swap.
void composeFramePasses();

// composeFramePasses, then the buffer swap.
void composeFrame();
