#pragma once
// GLSL 1.20 programs: building them, the four source pairs the drawables use, and where a built
// program takes its vertex attributes.

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

// The attribute locations a drawable draws with; -1 for a name its program does not declare (the
// drawable then never points an array at it).
struct AttributeLocations {
    GLint position = 0;
    GLint color = 0;
    GLint texcoord = 0;
    GLint smoothing = 0;
};

// buildProgram on the pair, then the four locations looked up in the order above. Each call makes
// a program of its own.
GLuint programBuild(const ProgramSources& sources, AttributeLocations& attributes);
