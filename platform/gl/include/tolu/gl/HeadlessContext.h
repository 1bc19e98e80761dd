#pragma once

#include <tolu/gl/Export.h>
#include <tolu/gl/GLTypes.h>
#include <tolu/gl/Image.h>

namespace Tolu::GL {

/// An OpenGL 3.3 core context without a window (EGL, surfaceless), rendering
/// into its own framebuffer object with an RGBA8 colour and a 24-bit depth +
/// 8-bit stencil renderbuffer.
///
/// Loading: the constructor loads the dispatch table (isInited() becomes
/// true); the table stays loaded while any HeadlessContext lives and is
/// unloaded when the last one is destroyed. Destroy contexts outside
/// ScopedFunctions scopes, so no guard puts back a table of a gone context.
class TOLU_GL_EXPORT HeadlessContext {
public:
    /// Creates the context, makes it current, loads the table, and leaves its
    /// framebuffer bound and the viewport covering it. Throws Error when the
    /// size is not positive or too large, or EGL or OpenGL 3.3 is unavailable.
    HeadlessContext(int width, int height);
    /// Deletes the framebuffer objects and the context; leaves no context current.
    ~HeadlessContext();
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    /// Makes this context current on the calling thread. Throws Error on failure.
    void makeCurrent();

    /// Reads the colour buffer of the framebuffer, row 0 at the top. Restores
    /// the read framebuffer and pack state it changes. Throws Error when this
    /// context is not current.
    [[nodiscard]] Image readPixels() const;

    /// True when this context is current on the calling thread.
    [[nodiscard]] bool isCurrent() const;
    /// The framebuffer object frames are drawn into.
    [[nodiscard]] GLuint getFramebuffer() const { return framebuffer_; }
    ///@{
    /// The framebuffer's size in pixels.
    [[nodiscard]] int getWidth() const { return width_; }
    [[nodiscard]] int getHeight() const { return height_; }
    ///@}

private:
    void createFramebuffer();
    void release() noexcept;

    void* context_ = nullptr; // an EGLContext; opaque so EGL stays out of our headers
    bool counted_ = false;
    int width_;
    int height_;
    GLuint framebuffer_ = 0;
    GLuint colorBuffer_ = 0;
    GLuint depthBuffer_ = 0;
};

} // namespace Tolu::GL
