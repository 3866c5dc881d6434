#pragma once
// ColorPanel: a flat rectangle of one colour in overlay pixels (origin top-left, y down).

#include "render/gl.h"
#include "render/shaders.h"
#include "render/types.h"

// The arrays have room for a box of 24 vertices; the panel draws only its front rectangle.
inline constexpr int kColorPanelVertices = 24;
inline constexpr int kColorPanelQuadVertices = 4;

struct ColorPanel {
    float x = 0.0f; // left edge
    float y = 0.0f; // top edge
    float z = 0.0f; // eye-space z; must lie in -0.1..-200 to be seen (scenes use -5)
    float width = 1.0f;
    float height = 1.0f;
    float depth = 1.0f; // not read by the draw
    Color color{0.0f, 0.0f, 0.0f, 0.0f};
    float* positions = nullptr; // kColorPanelVertices x 3
    float* colors = nullptr;    // kColorPanelVertices x 4
    AttributeLocations attributes;
    GLuint program = 0; // flatColorProgram, built by createResources
};

// Allocates the arrays; every other field keeps its start value above.
void colorPanelInit(ColorPanel& panel);
// A flatColorProgram of its own and its attribute locations.
void colorPanelLoadResources(ColorPanel& panel);
// Writes the four corners (top-left, top-right, bottom-right, bottom-left) and their colours.
void colorPanelBuild(ColorPanel& panel);
// colorPanelBuild, then one GL_QUADS draw of 4 vertices with the panel's program left in use.
void colorPanelDraw(ColorPanel& panel);
void colorPanelFree(ColorPanel& panel);
