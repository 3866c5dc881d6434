#include "render/shaders.h"

#include <cstdio>

// The sources are the program's own texts, character for character; none ends in a line feed.
const ProgramSources flatColorProgram = {
    "#version 120\nattribute vec3 position;\nattribute vec4 color;\nvoid main() { "
    "\n\tgl_FrontColor = color;\n\tgl_Position = gl_ModelViewProjectionMatrix * "
    "vec4(position, 1.0);\n}",
    "#version 120\nvoid main() {\n    gl_FragColor = gl_Color;\n}",
};

const ProgramSources texturedProgram = {
    "#version 120\nattribute vec3 position;\nattribute vec4 color;\nattribute vec2 "
    "texcoord;\nvarying vec2 outTex;\nvoid main() { \n\tgl_FrontColor = color;\n\toutTex = "
    "texcoord;\n\tgl_Position = gl_ModelViewProjectionMatrix * vec4(position, 1.0);\n}",
    "#version 120\nuniform sampler2D sampler;\nvarying vec2 outTex;\nvoid main() {\n    vec4 "
    "texColor = texture2D(sampler, outTex);\n    gl_FragColor = texColor * gl_Color;\n}",
};

const ProgramSources particleProgram = {
    "#version 120\nattribute vec3 position;\nattribute vec4 color;\nattribute vec2 "
    "texcoord;\nvarying vec2 outTex;\nvoid main() {\tgl_Position = gl_ModelViewProjectionMatrix "
    "* vec4(position, 1.0);\n\toutTex = texcoord;\n\tgl_FrontColor = color;\n}",
    "#version 120\nuniform sampler2D sampler;\nvarying vec2 outTex;\nvoid main() {\tvec4 "
    "texColor = texture2D(sampler, outTex) * gl_Color;\n   gl_FragColor = texColor;\n}",
};

const ProgramSources distanceFieldProgram = {
    "#version 120\nattribute vec3 position;\nattribute vec4 color;\nattribute vec2 "
    "texcoord;\nattribute float smoothing;\nvarying vec2 outTex;\nvarying float smooth;\nvoid "
    "main() { \n\tgl_FrontColor = color;\n\toutTex = texcoord;\n\tsmooth = "
    "smoothing;\n\tgl_Position = gl_ModelViewProjectionMatrix * vec4(position, 1.0);\n}",
    "#version 120\nuniform sampler2D sampler;\nvarying vec2 outTex;\nvarying float "
    "smooth;\nvoid main() {\n    float distance = texture2D(sampler, outTex).a;\n    float "
    "alpha = smoothstep(0.5 - smooth, 0.5 + smooth, distance) * gl_Color.a;\n    gl_FragColor "
    "= vec4(gl_Color.rgb, alpha);\n}",
};

namespace {
constexpr GLsizei kLogSize = 512;
}

GLint compileShader(GLuint shader, const char* source) {
    char log[kLogSize] = {};
    GLint status = 0;
    if (shader == 0 || source == nullptr) {
        return 0;
    }
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    glGetShaderInfoLog(shader, kLogSize, nullptr, log);
    if (log[0] != '\0') {
        std::fputs(log, stdout);
    }
    return status;
}

GLuint buildProgram(const char* vertexSource, const char* fragmentSource) {
    const GLuint vertexShader = glCreateShader(GL_VERTEX_SHADER);
    if (compileShader(vertexShader, vertexSource) != 1) {
        return 0;
    }
    const GLuint fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
    if (compileShader(fragmentShader, fragmentSource) != 1) {
        return 0;
    }
    const GLuint program = glCreateProgram();
    if (program == 0) {
        return 0;
    }
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    return program;
}

GLuint programBuild(const ProgramSources& sources, AttributeLocations& attributes) {
    const GLuint program = buildProgram(sources.vertex, sources.fragment);
    attributes.position = glGetAttribLocation(program, "position");
    attributes.color = glGetAttribLocation(program, "color");
    attributes.texcoord = glGetAttribLocation(program, "texcoord");
    attributes.smoothing = glGetAttribLocation(program, "smoothing");
    return program;
}
