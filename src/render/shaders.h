#pragma once
// GLSL 1.20 programs: building them and the four source pairs the drawables use.

#include "render/gl.h"

struct ProgramSources {
    const char* vertex;
    const char* fragment;
};

extern const ProgramSources flatColorProgram;     // position, color
extern const ProgramSources texturedProgram;      // position, color, texcoord; sampler
extern const ProgramSources particleProgram;      // position, color, texcoord; sampler
extern const ProgramSources distanceFieldProgram; // position, color, texcoord, smoothing; sampler

// Compiles source into shader and returns GL_COMPILE_STATUS. A non-empty info log goes to
// standard output as the driver wrote it. Shader 0 or a null source: 0, and no GL call at all.
GLint compileShader(GLuint shader, const char* source);

// Compiles both stages and links them; 0 when a stage fails to compile or no program object
// could be made. The link status is not checked and shaders are never deleted.
GLuint buildProgram(const char* vertexSource, const char* fragmentSource);
