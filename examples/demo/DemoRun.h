#pragma once

#include <tolu/gl/HeadlessContext.h>
#include <tolu/gl/Image.h>

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace SimGLDemo {

/// A pixel position, column `x` and row `y` from the top left.
struct Pixel {
    int x = 0;
    int y = 0;
};

/// What one run of the demo produced: its frames in order, and where the things it
/// looked at showed.
struct DemoRun {
    struct Frame {
        std::string name; ///< file name stem, e.g. "1-plain"
        Tolu::GL::Image image;
    };

    std::vector<Frame> frames;    ///< plain, mode-0 highlight, mode-1 highlight, peeled, dragged
    Pixel ground;                 ///< a bare spot of ground
    Pixel highlight0;             ///< the body highlighted in mode 0 (the ball)
    Pixel highlight1;             ///< the body highlighted in mode 1 (the cart)
    Pixel glass;                  ///< the half-transparent body
    Pixel picked;                 ///< where the dragged body (the block) showed before the drag
    Pixel moved;                  ///< where it shows after the drag
    std::int32_t hitClassId = -1; ///< class of the node hit at `picked`; -1 for none
    std::string hitName;          ///< name of its simulation object
    bool hitBlock = false;        ///< the hit node mirrors the block
    bool grabbed = false;         ///< the drag grabbed a body
};

/// Runs the demo into `gl`'s framebuffer at its size: builds the mechanism, animates
/// it, draws the frames, picks and drags the block. Says what it does on `log`.
/// Throws Tolu::Error (and what the scene layer throws) on failure.
[[nodiscard]] DemoRun runDemo(Tolu::GL::HeadlessContext& gl, std::ostream& log);

} // namespace SimGLDemo
