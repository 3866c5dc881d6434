#pragma once
// OpenGL 2.0 on WebGL 1, the least that kiru uses. WebGL is OpenGL ES 2.0: it has no matrix stack,
// no GL_QUADS, no client-side vertex arrays, no GLSL 1.20 and no GL_GENERATE_MIPMAP. For the web
// build, src/web/include/GL/glew.h maps the GL names of these calls onto the kgl functions below;
// every other call the shared sources make goes to WebGL as it is.
//
// - Matrices: glMatrixMode, glLoadIdentity, glPushMatrix, glPopMatrix, glMultMatrixf,
//   glTranslatef, glRotatef, glFrustum and glOrtho work on the stacks of gl_layer_core.h.
// - Programs: glShaderSource hands the driver the source as GLSL ES 1.00 (shaderSourceAdapt);
//   glLinkProgram notes where each program keeps the matrix uniform, and every draw sets it to
//   projection times modelview.
// - Draws: glVertexAttribPointer and glEnable/DisableVertexAttribArray only record the client
//   arrays; glDrawArrays streams each enabled array into a buffer object of its own and draws
//   GL_QUADS as triangles through a static index buffer, in batches of at most kMaxIndexedQuads.
// - State: glEnable/glDisable(GL_TEXTURE_2D) and glTexParameteri(GL_GENERATE_MIPMAP) do nothing
//   (shaders sample whatever is bound; the demo never lets GL make mipmaps); glClearDepth and
//   glDepthRange become their ES float forms.

#include <GLES2/gl2.h>

// GL 2.0 enums that ES 2.0 lacks.
#define GL_QUADS 0x0007
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_GENERATE_MIPMAP 0x8191

// Makes the buffers the draws use, on the current context; call once after making it current.
void kglInit();

void kglMatrixMode(GLenum mode);
void kglLoadIdentity();
void kglPushMatrix();
void kglPopMatrix();
void kglMultMatrixf(const GLfloat* m);
void kglTranslatef(GLfloat x, GLfloat y, GLfloat z);
void kglRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z);
void kglFrustum(double left, double right, double bottom, double top, double nearZ, double farZ);
void kglOrtho(double left, double right, double bottom, double top, double nearZ, double farZ);

void kglShaderSource(GLuint shader, GLsizei count, const GLchar* const* strings,
                     const GLint* lengths);
void kglLinkProgram(GLuint program);
void kglUseProgram(GLuint program);

void kglEnableVertexAttribArray(GLuint index);
void kglDisableVertexAttribArray(GLuint index);
void kglVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                            GLsizei stride, const void* pointer);
void kglDrawArrays(GLenum mode, GLint first, GLsizei count);

void kglEnable(GLenum capability);
void kglDisable(GLenum capability);
void kglTexParameteri(GLenum target, GLenum name, GLint value);
void kglClearDepth(double depth);
void kglDepthRange(double nearZ, double farZ);
