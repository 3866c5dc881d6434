#pragma once
// The web build's <GL/glew.h>, found before any other: WebGL through the ES 2.0 names, with the GL
// 2.0 calls that WebGL lacks routed to kiru's layer (web/gl/gl_layer.h). Only the web build's
// include path has this folder; the native build includes the real GLEW.

#include "gl/gl_layer.h"

#define glMatrixMode kglMatrixMode
#define glLoadIdentity kglLoadIdentity
#define glPushMatrix kglPushMatrix
#define glPopMatrix kglPopMatrix
#define glMultMatrixf kglMultMatrixf
#define glTranslatef kglTranslatef
#define glRotatef kglRotatef
#define glFrustum kglFrustum
#define glOrtho kglOrtho
#define glShaderSource kglShaderSource
#define glLinkProgram kglLinkProgram
#define glUseProgram kglUseProgram
#define glEnableVertexAttribArray kglEnableVertexAttribArray
#define glDisableVertexAttribArray kglDisableVertexAttribArray
#define glVertexAttribPointer kglVertexAttribPointer
#define glDrawArrays kglDrawArrays
#define glEnable kglEnable
#define glDisable kglDisable
#define glTexParameteri kglTexParameteri
#define glClearDepth kglClearDepth
#define glDepthRange kglDepthRange
