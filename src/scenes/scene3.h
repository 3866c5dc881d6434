#pragma once
// Scene 3: the 44 x 44 field rolls in waves under a circling camera, with three fountains.

// The middle column of the 44 x 44 field, and the camera's orbit about it, which scene 4 continues.
inline constexpr float kFieldCentre = 22.0f;
inline constexpr float kOrbitRadius = 11.0f;
inline constexpr float kOrbitHeight = 5.0f;

extern float scene3Time;
extern float scene3TitleWidth;

float scene3Height(float i, float j, float phase);
// The field functions centred on column (22, 22); scenes 4 and 5 reuse them.
float weight22(float i, float j);
float shade22(float i, float j, float phase);

void scene3Setup();
// Hands over to scene 4 once scene3Time passes 16.
void scene3Update();
