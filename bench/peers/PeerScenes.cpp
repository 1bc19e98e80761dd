#include "PeerScenes.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace Peers {

Grid::Grid(int count) : n(count), side(int(std::ceil(std::sqrt(double(count))))) {
    const int middle = side / 2;
    centre[0] = spacing * middle;
    centre[1] = spacing * middle;
    // High enough that the whole grid fits the vertical field of view.
    const double halfExtent = 0.5 * spacing * side + 1.0;
    eyeHeight = halfExtent / std::tan(0.5 * fovyDegrees * std::numbers::pi / 180.0) + 1.0;
}

void Grid::position(int i, double out[3]) const {
    out[0] = spacing * (i % side);
    out[1] = spacing * (i / side);
    out[2] = 0.0;
}

bool offers(int kind, Library::Op op) {
    using Op = Library::Op;
    switch (kind) {
    case 0:
        return true;
    case 1: // the engine's visualiser has no volume pick and no scene bound
        return op != Op::FrustumPick && op != Op::BSphere && op != Op::BSphereAfterMove;
    default: // the scene graph has no dragging
        return op != Op::DragStep && op != Op::StartDrag;
    }
}

namespace {

EGLDisplay display() {
    static const EGLDisplay shared = [] {
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        EGLDisplay dpy = getPlatformDisplay ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA,
                                                                 EGL_DEFAULT_DISPLAY, nullptr)
                                            : EGL_NO_DISPLAY;
        if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, nullptr, nullptr))
            throw std::runtime_error("no surfaceless EGL display");
        return dpy;
    }();
    return shared;
}

template <class F> F proc(const char* name) {
    auto f = reinterpret_cast<F>(eglGetProcAddress(name));
    if (!f)
        throw std::runtime_error(std::string("no ") + name);
    return f;
}

} // namespace

CompatContext::CompatContext() {
    const EGLDisplay dpy = display();
    eglBindAPI(EGL_OPENGL_API);
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context = eglCreateContext(dpy, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT)
        throw std::runtime_error("cannot create a compatibility-profile context");
    makeCurrent();
    auto genFramebuffers = proc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    auto bindFramebuffer = proc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    auto genRenderbuffers = proc<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    auto bindRenderbuffer = proc<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    auto storage = proc<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    auto attach = proc<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    genFramebuffers(1, &fbo);
    bindFramebuffer(GL_FRAMEBUFFER, fbo);
    genRenderbuffers(1, &colour);
    bindRenderbuffer(GL_RENDERBUFFER, colour);
    storage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    genRenderbuffers(1, &depth);
    bindRenderbuffer(GL_RENDERBUFFER, depth);
    storage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    attach(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, width, height);
}

CompatContext::~CompatContext() {
    eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display(), context);
}

void CompatContext::makeCurrent() {
    if (!eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        throw std::runtime_error("cannot make the compatibility context current");
}

} // namespace Peers
