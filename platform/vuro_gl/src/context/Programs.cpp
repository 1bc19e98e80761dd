#include "Programs.h"

#include "RestoreSteps.h"
#include "ShaderSources.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>

#include <string>
#include <utility>

namespace Vuro::GL {

namespace {

using namespace Tolu::GL;

struct Sources {
    const char* name;
    const char* define; // inserted after the version line, may be empty
    const char* vertex;
    const char* fragment;
};

Sources sourcesOf(ProgramKind kind) {
    switch (kind) {
    case ProgramKind::Solid:
        return {"solid", "", Shaders::solidVertex, Shaders::solidFragment};
    case ProgramKind::Peel:
        return {"peel", "#define PEEL 1\n", Shaders::solidVertex, Shaders::solidFragment};
    case ProgramKind::Shadow:
        return {"shadow", "", Shaders::shadowVertex, Shaders::shadowFragment};
    case ProgramKind::Hud:
        return {"hud", "", Shaders::hudVertex, Shaders::hudFragment};
    case ProgramKind::Mask:
        return {"mask", "#define MASK 1\n", Shaders::hudVertex, Shaders::hudFragment};
    case ProgramKind::Compose:
        return {"compose", "", Shaders::screenVertex, Shaders::composeFragment};
    case ProgramKind::Outline:
        return {"outline", "", Shaders::screenVertex, Shaders::outlineFragment};
    }
    throw Tolu::GL::Error("Vuro::GL::buildProgram: unknown program kind " +
                          std::to_string(unsigned(kind)));
}

// Owns a shader or program name until released or destroyed, so that every failure path
// deletes what was made so far. A failure to delete reaches the caller, unless another
// failure is already unwinding (see RestoreSteps).
template <void (*destroy)(GLuint)> class Owned {
public:
    explicit Owned(GLuint name) : name(name) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() noexcept(false) {
        if (name != 0) {
            restore([&] { destroy(name); });
        }
        restore.finish();
    }
    [[nodiscard]] GLuint get() const noexcept { return name; }
    GLuint release() noexcept { return std::exchange(name, 0u); }
    // Deletes the name now; when that fails the owner keeps it and tries again on the
    // way out, so the failure reaches the caller and the name is not lost.
    void destroyNow() {
        destroy(name);
        name = 0;
    }

private:
    RestoreSteps restore;
    GLuint name;
};

void destroyShader(GLuint name) {
    glDeleteShader(name);
}
void destroyProgram(GLuint name) {
    glDeleteProgram(name);
}
using OwnedShader = Owned<destroyShader>;
using OwnedProgram = Owned<destroyProgram>;

GLuint compile(const Sources& sources, GLenum type, const char* body) {
    OwnedShader shader(glCreateShader(type));
    const char* parts[] = {"#version 330 core\n", sources.define, body};
    glShaderSource(shader.get(), 3, parts, nullptr);
    glCompileShader(shader.get());
    GLint ok = GL_FALSE;
    glGetShaderiv(shader.get(), GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[2048] = {};
        glGetShaderInfoLog(shader.get(), sizeof log, nullptr, log);
        throw Tolu::GL::Error(std::string("Vuro::GL::Context: the ") + sources.name +
                              (type == GL_VERTEX_SHADER ? " vertex" : " fragment") +
                              " shader does not compile: " + log);
    }
    return shader.release();
}

void setSampler(GLuint program, const char* name, int unit) {
    const GLint location = glGetUniformLocation(program, name);
    if (location >= 0) {
        glUniform1i(location, unit);
    }
}

} // namespace

Program buildProgram(ProgramKind kind) {
    const Sources sources = sourcesOf(kind);
    OwnedShader vertex(compile(sources, GL_VERTEX_SHADER, sources.vertex));
    OwnedShader fragment(compile(sources, GL_FRAGMENT_SHADER, sources.fragment));
    OwnedProgram program(glCreateProgram());
    glAttachShader(program.get(), vertex.get());
    glAttachShader(program.get(), fragment.get());
    glLinkProgram(program.get());
    GLint ok = GL_FALSE;
    glGetProgramiv(program.get(), GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[2048] = {};
        glGetProgramInfoLog(program.get(), sizeof log, nullptr, log);
        throw Tolu::GL::Error(std::string("Vuro::GL::Context: the ") + sources.name +
                              " program does not link: " + log);
    }
    // Detached and deleted, the shaders are gone; the program keeps its code.
    glDetachShader(program.get(), vertex.get());
    glDetachShader(program.get(), fragment.get());
    fragment.destroyNow();
    vertex.destroyNow();

    Program p;
    const GLuint name = program.get();
    auto at = [name](const char* uniform) { return glGetUniformLocation(name, uniform); };
    p.viewProj = at("uViewProj");
    p.model = at("uModel");
    p.shadowMatrix = at("uShadowMatrix");
    p.color = at("uColor");
    p.mixColor = at("uMixColor");
    p.mix = at("uMix");
    p.lightDir = at("uLightDir");
    p.lightColor = at("uLightColor");
    p.ambient = at("uAmbient");
    p.shadows = at("uShadows");
    p.shadowBias = at("uShadowBias");
    p.firstLayer = at("uFirstLayer");
    p.weight = at("uWeight");
    p.withDepth = at("uWithDepth");
    p.radius = at("uRadius");
    glUseProgram(name);
    setSampler(name, "uShadowMap", shadowMapUnit);
    setSampler(name, "uOpaqueDepth", opaqueDepthUnit);
    setSampler(name, "uPrevDepth", prevDepthUnit);
    setSampler(name, "uColorTex", screenColorUnit);
    setSampler(name, "uDepthTex", screenDepthUnit);
    setSampler(name, "uMask", screenColorUnit);
    p.name = program.release();
    return p;
}

void deleteProgram(Program& program) noexcept {
    const GLuint name = std::exchange(program, Program{}).name;
    if (name != 0) {
        // Called on teardown: a failing table cannot be reported, the name is gone anyway.
        try {
            glDeleteProgram(name);
        } catch (...) {
        }
    }
}

} // namespace Vuro::GL
