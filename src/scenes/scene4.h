#pragma once
// Scene 4: a fly-around of the field of rings, spiralling in while the field fades to black.

extern float scene4Time;

float scene4Height(float i, float j, float phase);

void scene4Setup();
// Hands over to scene 5 once scene4Time passes 9.
void scene4Update();
