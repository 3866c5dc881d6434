#pragma once
// Scene 5: the credits on a room corner of three small fields, ending on "THE END".

#include <cstdint>

inline constexpr int kScene5TextSize = 128;

extern float scene5Time;
extern float scene5NamesWidth;
extern float scene5MissingWidth;
extern float scene5EndWidth;
extern char scene5HeadingText[kScene5TextSize];
extern char scene5LineText[kScene5TextSize];
extern uint32_t scrambleState;

float scene5Height(float i, float j, float phase);
float scene5Shade(float i, float j, float phase);
// Keeps the first `keep` characters and replaces every later one with a random code 32..121.
void textScramble(char* buffer, int32_t keep);

void scene5Setup();
// Hands over to scene 1 once scene5Time passes 20.
void scene5Update();
