#pragma once
// How every drawable submits its vertices: quads from client-side arrays rebuilt each frame.

#include <initializer_list>

#include "render/gl.h"

// One attribute array: its location in the program, floats per vertex, and the data.
struct VertexArray {
    GLint location;
    GLint size;
    const float* data;
};

// Allocates the zeroed position (x 3), colour (x 4) and texture coordinate (x 2) arrays of a
// textured drawable with room for this many vertices.
void texturedArraysNew(int vertices, float*& positions, float*& colors, float*& texcoords);

// Uses the program, points its "sampler" at texture unit 0 and binds the texture there.
void useTexturedProgram(GLuint program, GLuint texture);

// Enables the arrays in the order given, points each at its data (GL_FLOAT, not normalised,
// stride 0), draws `count` vertices as GL_QUADS from the first, then disables the arrays in the
// same order.
void drawQuadArrays(std::initializer_list<VertexArray> arrays, GLsizei count);
