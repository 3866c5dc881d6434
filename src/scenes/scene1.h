#pragma once
// Scene 1: two white bars grow across a black screen and carry black remarks.

extern float scene1Time;
extern float scene1Line1Width;
extern float scene1Line2Width;
extern float scene1AcceptedWidth;

void scene1Setup();
// Hands over to scene 2 once scene1Time passes 8.
void scene1Update();
