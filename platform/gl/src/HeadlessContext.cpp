#include <tolu/gl/Error.h>
#include <tolu/gl/Functions.h>
#include <tolu/gl/HeadlessContext.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace Tolu::GL {

namespace {

int liveContexts = 0;

[[noreturn]] void throwEgl(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    throw Error(std::string("Tolu::GL::HeadlessContext: ") + what + " failed (EGL error " + code +
                ")");
}

bool hasExtension(const char* list, const char* name) {
    const std::size_t length = std::strlen(name);
    for (const char* p = list; p && (p = std::strstr(p, name)); p += length)
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0'))
            return true;
    return false;
}

void requireExtension(const char* list, const char* name) {
    if (!hasExtension(list, name))
        throw Error(std::string("Tolu::GL::HeadlessContext: EGL extension ") + name +
                    " is not available");
}

EGLDisplay openDisplay() {
    requireExtension(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS),
                     "EGL_MESA_platform_surfaceless");
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        throw Error("Tolu::GL::HeadlessContext: eglGetPlatformDisplayEXT is not available");
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        throwEgl("eglGetPlatformDisplayEXT");
    EGLint major = 0;
    EGLint minor = 0;
    if (!eglInitialize(display, &major, &minor))
        throwEgl("eglInitialize");
    // Never terminated: eglTerminate unloads the driver, whose remaining
    // allocations the leak checker then reports. The display lives as long as
    // the process.
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    requireExtension(extensions, "EGL_KHR_no_config_context");
    requireExtension(extensions, "EGL_KHR_surfaceless_context");
    return display;
}

// Opened on first use; a failed attempt is retried by the next context.
EGLDisplay display() {
    static const EGLDisplay shared = openDisplay();
    return shared;
}

void bindApi() {
    if (!eglBindAPI(EGL_OPENGL_API))
        throwEgl("eglBindAPI(EGL_OPENGL_API)");
}

// Puts back what readPixels changes, on every way out.
class PackStateGuard {
public:
    explicit PackStateGuard(const Functions& gl) : gl_(gl) {
        gl_.glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer_);
        gl_.glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer_);
        gl_.glGetIntegerv(GL_PACK_ALIGNMENT, &alignment_);
        gl_.glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength_);
    }
    ~PackStateGuard() {
        gl_.glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer_));
        gl_.glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer_));
        gl_.glPixelStorei(GL_PACK_ALIGNMENT, alignment_);
        gl_.glPixelStorei(GL_PACK_ROW_LENGTH, rowLength_);
    }
    PackStateGuard(const PackStateGuard&) = delete;
    PackStateGuard& operator=(const PackStateGuard&) = delete;

private:
    const Functions& gl_;
    GLint readFramebuffer_ = 0;
    GLint packBuffer_ = 0;
    GLint alignment_ = 4;
    GLint rowLength_ = 0;
};

} // namespace

HeadlessContext::HeadlessContext(int width, int height) : width_(width), height_(height) {
    if (width <= 0 || height <= 0)
        throw Error("Tolu::GL::HeadlessContext: invalid size " + std::to_string(width) + "x" +
                    std::to_string(height));
    const EGLDisplay dpy = display();
    bindApi();
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    context_ = eglCreateContext(dpy, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context_ == EGL_NO_CONTEXT)
        throwEgl("eglCreateContext(OpenGL 3.3 core)");
    try {
        makeCurrent();
        load([](const char* name) { return eglGetProcAddress(name); });
        ++liveContexts;
        counted_ = true;
        createFramebuffer();
    } catch (...) {
        release();
        throw;
    }
}

HeadlessContext::~HeadlessContext() {
    release();
}

void HeadlessContext::createFramebuffer() {
    const Functions& gl = loadedFunctions();
    GLint maxSize = 0;
    gl.glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width_ > maxSize || height_ > maxSize)
        throw Error("Tolu::GL::HeadlessContext: size " + std::to_string(width_) + "x" +
                    std::to_string(height_) + " exceeds the renderbuffer limit " +
                    std::to_string(maxSize));
    gl.glGenRenderbuffers(1, &colorBuffer_);
    gl.glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    gl.glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
    gl.glGenRenderbuffers(1, &depthBuffer_);
    gl.glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    gl.glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width_, height_);
    gl.glBindRenderbuffer(GL_RENDERBUFFER, 0);

    gl.glGenFramebuffers(1, &framebuffer_);
    gl.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                 colorBuffer_);
    gl.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                 depthBuffer_);
    const GLenum status = gl.glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", status);
        throw Error(std::string("Tolu::GL::HeadlessContext: framebuffer incomplete, status ") +
                    code);
    }
    gl.glViewport(0, 0, width_, height_);
}

void HeadlessContext::release() noexcept {
    if (context_ != EGL_NO_CONTEXT) {
        // A context exists, so the display is open and display() cannot throw.
        const EGLDisplay dpy = display();
        // Our objects belong to our context: make it current to delete them.
        if (counted_ && eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) {
            const Functions& gl = loadedFunctions();
            gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
            gl.glDeleteFramebuffers(1, &framebuffer_);
            gl.glDeleteRenderbuffers(1, &colorBuffer_);
            gl.glDeleteRenderbuffers(1, &depthBuffer_);
        }
        eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(dpy, context_);
        context_ = EGL_NO_CONTEXT;
    }
    framebuffer_ = colorBuffer_ = depthBuffer_ = 0;
    if (counted_) {
        counted_ = false;
        // The last context takes the table with it, unless a guard has put
        // another table in place.
        if (--liveContexts == 0 && &functions() == &loadedFunctions())
            unload();
    }
}

void HeadlessContext::makeCurrent() {
    bindApi();
    if (!eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, context_))
        throwEgl("eglMakeCurrent");
}

bool HeadlessContext::isCurrent() const {
    return eglGetCurrentContext() == context_;
}

Image HeadlessContext::readPixels() const {
    if (!isCurrent())
        throw Error("Tolu::GL::HeadlessContext::readPixels: the context is not current");
    const Functions& gl = loadedFunctions();
    Image image;
    image.width = width_;
    image.height = height_;
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
    std::vector<std::uint8_t> bottomUp(rowBytes * static_cast<std::size_t>(height_));
    {
        PackStateGuard guard(gl);
        gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        gl.glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gl.glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        gl.glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    }
    // OpenGL's row 0 is the bottom one; ours is the top.
    image.rgba.resize(bottomUp.size());
    for (int y = 0; y < height_; ++y)
        std::memcpy(image.rgba.data() + static_cast<std::size_t>(y) * rowBytes,
                    bottomUp.data() + static_cast<std::size_t>(height_ - 1 - y) * rowBytes,
                    rowBytes);
    return image;
}

} // namespace Tolu::GL
