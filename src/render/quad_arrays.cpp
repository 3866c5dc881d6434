#include "render/quad_arrays.h"

#include "render/types.h"

void texturedArraysNew(int vertices, float*& positions, float*& colors, float*& texcoords) {
    positions = new float[vertices * kPositionFloats]();
    colors = new float[vertices * kColorFloats]();
    texcoords = new float[vertices * kTexcoordFloats]();
}

void useTexturedProgram(GLuint program, GLuint texture) {
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "sampler"), 0);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void drawQuadArrays(std::initializer_list<VertexArray> arrays, GLsizei count) {
    for (const VertexArray& array : arrays) {
        glEnableVertexAttribArray(array.location);
    }
    for (const VertexArray& array : arrays) {
        glVertexAttribPointer(array.location, array.size, GL_FLOAT, GL_FALSE, 0, array.data);
    }
    glDrawArrays(GL_QUADS, 0, count);
    for (const VertexArray& array : arrays) {
        glDisableVertexAttribArray(array.location);
    }
}
