// The controller's output beside the frame: the status line, the overlay that shows it
// and the help, and screenshots.

#include "ViewerArgs.h"
#include "ViewerController.h"

#include <tolu/gl/GL.h>
#include <tolu/gl/GLEnums.h>
#include <tolu/gl/Image.h>
#include <tolu/util/Error.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostra_io/Motion.h>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace SimGLViewer {

using namespace Tolu::GL;

std::string ViewerController::getStatusLine() const {
    std::string line;
    if (const Ostra::IO::Playback* playback = model.getPlayback()) {
        char text[96];
        std::snprintf(text, sizeof text, "t %.3f / %.3f s  frame %ld  %s", time,
                      playback->endTime(), getFrame(), playing ? "playing" : "paused");
        line = text;
    } else {
        line = "no motion";
    }
    line += "  |  picked: " + (pickedName.empty() ? std::string("-") : pickedName);
    if (!message.empty()) {
        line += "  |  " + message;
    }
    return line;
}

void ViewerController::drawOverlay() {
    const int width = camera.getWidth();
    const int height = camera.getHeight();
    const TextOverlay::C4 shade{0.0f, 0.0f, 0.0f, 0.7f};
    const TextOverlay::C4 ink{1.0f, 1.0f, 1.0f, 1.0f};
    constexpr int pad = 4;
    const int bar = TextOverlay::lineHeight + 2 * pad;
    overlay.addBox(0, height - bar, width, bar, shade);
    overlay.addText(pad, height - bar + pad + TextOverlay::scale, getStatusLine(), ink);
    const std::string hint = "? help";
    overlay.addText(width - TextOverlay::textWidth(hint) - pad,
                    height - bar + pad + TextOverlay::scale, hint, ink);
    if (helpShown) {
        const std::vector<std::string>& lines = keyHelp();
        int widest = 0;
        for (const std::string& line : lines) {
            widest = std::max(widest, TextOverlay::textWidth(line));
        }
        const int boxHeight = int(lines.size() + 1) * TextOverlay::lineHeight + 2 * pad;
        overlay.addBox(pad, pad, widest + 4 * pad, boxHeight, shade);
        int y = 2 * pad;
        overlay.addText(3 * pad, y, "keys and mouse", ink);
        for (const std::string& line : lines) {
            y += TextOverlay::lineHeight;
            overlay.addText(3 * pad, y, line, ink);
        }
    }
    overlay.draw(width, height);
}

void ViewerController::saveScreenshot(unsigned framebuffer) {
    Tolu::GL::Image image;
    image.width = camera.getWidth();
    image.height = camera.getHeight();
    const std::size_t rowBytes = std::size_t(image.width) * 4;
    std::vector<std::uint8_t> bottomUp(rowBytes * std::size_t(image.height));
    GLint readBound = 0;
    GLint alignment = 4;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readBound);
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(readBound));
    // OpenGL's rows run bottom-up, the file's top-down; the view is opaque, whatever
    // alpha the window's framebuffer keeps.
    image.rgba.resize(bottomUp.size());
    for (int y = 0; y < image.height; ++y) {
        std::copy_n(bottomUp.begin() + std::ptrdiff_t(rowBytes * std::size_t(image.height - 1 - y)),
                    rowBytes, image.rgba.begin() + std::ptrdiff_t(rowBytes * std::size_t(y)));
    }
    for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
        image.rgba[i] = 255;
    }
    std::filesystem::path path;
    for (unsigned n = 1;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "simGLViewer-%04u.png", n);
        path = shotFolder / name;
        if (!std::filesystem::exists(path)) {
            break;
        }
    }
    try {
        Tolu::GL::savePNG(image, path.string());
    } catch (const Tolu::Error& e) {
        say(std::string("screenshot failed: ") + e.what());
        return;
    }
    say("saved " + path.string());
}

void ViewerController::say(std::string text) {
    message = std::move(text);
    *output << "simGLViewer: " << message << "\n";
    output->flush();
}

} // namespace SimGLViewer
