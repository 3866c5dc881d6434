#pragma once
// The one way into OpenGL: GLEW's header must come before any other GL header.
#include <GL/glew.h>
