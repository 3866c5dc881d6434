#include "gl/gl_layer.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "gl/gl_layer_core.h"

namespace {

constexpr GLuint kMaxAttributes = 16;

// What glVertexAttribPointer recorded for one attribute, and whether the array is enabled.
struct ClientArray {
    GLint size = 4;
    GLenum type = GL_FLOAT;
    GLboolean normalized = GL_FALSE;
    GLsizei stride = 0; // bytes between vertices; 0 until recorded
    const void* pointer = nullptr;
    bool enabled = false;
};

MatrixStacks stacks;
ClientArray arrays[kMaxAttributes];
GLuint arrayBuffers[kMaxAttributes] = {};
GLuint quadIndexBuffer = 0;
GLuint currentProgram = 0;
std::unordered_map<GLuint, GLint> mvpLocations; // program -> location of the matrix uniform

GLsizei typeBytes(GLenum type) {
    switch (type) {
    case GL_BYTE:
    case GL_UNSIGNED_BYTE:
        return 1;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
        return 2;
    default:
        return 4;
    }
}

// Points every enabled array at its buffer, starting at vertex `first`.
void arraysPoint(GLint first) {
    for (GLuint i = 0; i < kMaxAttributes; ++i) {
        const ClientArray& array = arrays[i];
        if (array.enabled) {
            glBindBuffer(GL_ARRAY_BUFFER, arrayBuffers[i]);
            glVertexAttribPointer(
                i, array.size, array.type, array.normalized, array.stride,
                reinterpret_cast<const void*>(static_cast<intptr_t>(first) * array.stride));
        }
    }
}

} // namespace

void kglInit() {
    glGenBuffers(kMaxAttributes, arrayBuffers);
    glGenBuffers(1, &quadIndexBuffer);
    std::vector<uint16_t> indices(kMaxIndexedQuads * 6);
    quadIndicesFill(indices.data(), kMaxIndexedQuads);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 2),
                 indices.data(), GL_STATIC_DRAW);
}

void kglMatrixMode(GLenum mode) {
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) {
        stacks.mode = mode == GL_MODELVIEW ? MatrixMode::ModelView : MatrixMode::Projection;
    }
}

void kglLoadIdentity() {
    matrixStackTop(stacks) = kIdentityMatrix;
}

void kglPushMatrix() {
    matrixStackPush(stacks);
}

void kglPopMatrix() {
    matrixStackPop(stacks);
}

void kglMultMatrixf(const GLfloat* m) {
    matrixMultiply(matrixStackTop(stacks), m);
}

void kglTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    matrixTranslate(matrixStackTop(stacks), x, y, z);
}

void kglRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z) {
    matrixRotate(matrixStackTop(stacks), degrees, x, y, z);
}

void kglFrustum(double left, double right, double bottom, double top, double nearZ, double farZ) {
    matrixFrustum(matrixStackTop(stacks), left, right, bottom, top, nearZ, farZ);
}

void kglOrtho(double left, double right, double bottom, double top, double nearZ, double farZ) {
    matrixOrtho(matrixStackTop(stacks), left, right, bottom, top, nearZ, farZ);
}

void kglShaderSource(GLuint shader, GLsizei count, const GLchar* const* strings,
                     const GLint* lengths) {
    std::string source;
    for (GLsizei i = 0; i < count; ++i) {
        if (lengths != nullptr && lengths[i] >= 0) {
            source.append(strings[i], static_cast<size_t>(lengths[i]));
        } else {
            source.append(strings[i]);
        }
    }
    GLint type = 0;
    glGetShaderiv(shader, GL_SHADER_TYPE, &type);
    const std::string adapted = shaderSourceAdapt(source, type == GL_VERTEX_SHADER);
    const GLchar* text = adapted.c_str();
    glShaderSource(shader, 1, &text, nullptr);
}

void kglLinkProgram(GLuint program) {
    glLinkProgram(program);
    mvpLocations[program] = glGetUniformLocation(program, kMvpUniformName);
}

void kglUseProgram(GLuint program) {
    currentProgram = program;
    glUseProgram(program);
}

void kglEnableVertexAttribArray(GLuint index) {
    if (index < kMaxAttributes) {
        arrays[index].enabled = true;
        glEnableVertexAttribArray(index);
    }
}

void kglDisableVertexAttribArray(GLuint index) {
    if (index < kMaxAttributes) {
        arrays[index].enabled = false;
        glDisableVertexAttribArray(index);
    }
}

void kglVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                            GLsizei stride, const void* pointer) {
    if (index < kMaxAttributes) {
        arrays[index] = {size,       type,
                         normalized, stride != 0 ? stride : size * typeBytes(type),
                         pointer,    arrays[index].enabled};
    }
}

void kglDrawArrays(GLenum mode, GLint first, GLsizei count) {
    if (count <= 0 || first < 0) {
        return;
    }
    const auto location = mvpLocations.find(currentProgram);
    if (location != mvpLocations.end() && location->second >= 0) {
        const Matrix mvp = matrixStacksModelViewProjection(stacks);
        glUniformMatrix4fv(location->second, 1, GL_FALSE, mvp.data());
    }
    // Vertices 0 to first + count - 1 of every enabled array go into its buffer.
    for (GLuint i = 0; i < kMaxAttributes; ++i) {
        if (arrays[i].enabled) {
            glBindBuffer(GL_ARRAY_BUFFER, arrayBuffers[i]);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(first + count) * arrays[i].stride,
                         arrays[i].pointer, GL_STREAM_DRAW);
        }
    }
    if (mode != GL_QUADS) {
        arraysPoint(0);
        glDrawArrays(mode, first, count);
    } else {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndexBuffer);
        const uint32_t quads = static_cast<uint32_t>(count) / 4;
        for (uint32_t done = 0; done < quads; done += kMaxIndexedQuads) {
            const uint32_t batch = std::min(quads - done, kMaxIndexedQuads);
            arraysPoint(first + static_cast<GLint>(done * 4));
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(batch * 6), GL_UNSIGNED_SHORT,
                           nullptr);
        }
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void kglEnable(GLenum capability) {
    if (capability != GL_TEXTURE_2D) {
        glEnable(capability);
    }
}

void kglDisable(GLenum capability) {
    if (capability != GL_TEXTURE_2D) {
        glDisable(capability);
    }
}

void kglTexParameteri(GLenum target, GLenum name, GLint value) {
    if (name != GL_GENERATE_MIPMAP) {
        glTexParameteri(target, name, value);
    }
}

void kglClearDepth(double depth) {
    glClearDepthf(static_cast<GLfloat>(depth));
}

void kglDepthRange(double nearZ, double farZ) {
    glDepthRangef(static_cast<GLfloat>(nearZ), static_cast<GLfloat>(farZ));
}
