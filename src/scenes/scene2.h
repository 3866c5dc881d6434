#pragma once
// Scene 2: two textured cubes spin towards each other; a fountain starts and the camera turns to
// it.

extern float scene2Time;
extern float scene2TitleWidth;

void scene2Setup();
// Hands over to scene 3 once scene2Time passes 14.
void scene2Update();
