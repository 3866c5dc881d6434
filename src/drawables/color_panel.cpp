#include "drawables/color_panel.h"

#include "render/arrays.h"
#include "render/quad_arrays.h"
#include "render/shaders.h"

void colorPanelInit(ColorPanel& panel) {
    panel.positions = new float[kColorPanelVertices * kPositionFloats]();
    panel.colors = new float[kColorPanelVertices * kColorFloats]();
}

void colorPanelLoadResources(ColorPanel& panel) {
    panel.program = programBuild(flatColorProgram, panel.attributes);
}

void colorPanelBuild(ColorPanel& panel) {
    const float left = panel.x;
    const float top = panel.y;
    const float right = panel.x + panel.width;
    const float bottom = panel.y + panel.height;
    const Vec3 corners[kColorPanelQuadVertices] = {{left, top, panel.z},
                                                   {right, top, panel.z},
                                                   {right, bottom, panel.z},
                                                   {left, bottom, panel.z}};
    float* position = panel.positions;
    float* color = panel.colors;
    for (const Vec3& corner : corners) {
        position[0] = corner.x;
        position[1] = corner.y;
        position[2] = corner.z;
        color[0] = panel.color.r;
        color[1] = panel.color.g;
        color[2] = panel.color.b;
        color[3] = panel.color.a;
        position += kPositionFloats;
        color += kColorFloats;
    }
}

// Relies on the overlay pass's state (pixel orthographic projection, identity modelview, depth
// test off, alpha blending); binds no texture and leaves the program in use.
void colorPanelDraw(ColorPanel& panel) {
    colorPanelBuild(panel);
    glUseProgram(panel.program);
    drawQuadArrays({{panel.attributes.position, kPositionFloats, panel.positions},
                    {panel.attributes.color, kColorFloats, panel.colors}},
                   kColorPanelQuadVertices);
}

void colorPanelFree(ColorPanel& panel) {
    arraysFree(panel.positions, panel.colors);
}
