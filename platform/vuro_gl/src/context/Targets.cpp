#include "Targets.h"

#include <tolu/gl/Error.h>
#include <tolu/gl/GL.h>

#include <string>
#include <utility>

namespace Vuro::GL {

namespace {

using namespace Tolu::GL;

// Names straight into `name`, so that a failure further on still finds it to delete.
void makeTexture(GLuint& name, GLint internalFormat, GLenum format, GLenum type, unsigned width,
                 unsigned height) {
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, GLsizei(width), GLsizei(height), 0, format, type,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

const char* kindName(Target::Kind kind) {
    return kind == Target::Kind::ShadowMap ? "shadow map" : "colour and depth";
}

} // namespace

void ensureTarget(Target& target, Target::Kind kind, unsigned width, unsigned height) {
    if (target.fits(width, height)) {
        return;
    }
    releaseTarget(target);
    // Built in a local copy: a failure half way deletes it, and `target` stays empty.
    Target made;
    struct Cleanup {
        Target& t;
        ~Cleanup() { releaseTarget(t); }
    } cleanup{made};
    made.width = width;
    made.height = height;

    glActiveTexture(GL_TEXTURE0);
    glGenFramebuffers(1, &made.fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, made.fbo);
    if (kind == Target::Kind::ShadowMap) {
        makeTexture(made.depth, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, width,
                    height);
        // Linear comparison filtering smooths the edges of shadows for free; outside the
        // map everything is lit.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
        const GLfloat border[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, made.depth, 0);
        glDrawBuffer(GL_NONE);
        glReadBuffer(GL_NONE);
    } else {
        makeTexture(made.color, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, width, height);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, made.color, 0);
        // Float depth stores gl_FragCoord.z exactly, so a peeled layer compares equal to
        // itself and is not peeled twice.
        makeTexture(made.depth, GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, width, height);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, made.depth, 0);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        throw Tolu::GL::Error("Vuro::GL::Context: " + std::string(kindName(kind)) + " target " +
                              std::to_string(width) + " x " + std::to_string(height) +
                              " is incomplete (status " + std::to_string(status) + ")");
    }
    target = std::exchange(made, Target{});
}

void releaseTarget(Target& target) noexcept {
    const Target t = std::exchange(target, Target{});
    // Called on teardown and while unwinding: failures cannot be reported, and the names
    // are forgotten either way.
    auto quietly = [](auto&& remove, const GLuint& name) {
        if (name != 0) {
            try {
                remove(1, &name);
            } catch (...) {
            }
        }
    };
    quietly(glDeleteFramebuffers, t.fbo);
    quietly(glDeleteTextures, t.color);
    quietly(glDeleteTextures, t.depth);
}

} // namespace Vuro::GL
