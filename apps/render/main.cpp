// simgl-render: renders a scene file headless into a PNG image.
//
//     simgl-render MODEL [options] --out image.png       (simgl-render --help for all)

#include "RenderArgs.h"
#include "SceneRender.h"

#include <tolu/gl/Image.h>
#include <tolu/util/Error.h>

#include <exception>
#include <iostream>
#include <ostra_io/Urdf.h>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace SimGLRender;
    RenderArgs args;
    try {
        args = parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "simgl-render: " << e.what() << "\n" << synopsis();
        return 2;
    }
    if (args.action == RenderArgs::Action::Help) {
        std::cout << synopsis()
                  << "\nRenders the scene file MODEL headless (no display needed) into a PNG "
                     "image.\n"
                     "  --size WxH          image size in pixels (default 1280x720)\n"
                     "  --camera e,t,u      eye, target and up vector, nine numbers (default: "
                     "--fit)\n"
                     "  --fit               look at the whole scene from the front left, above\n"
                     "  --fov DEGREES       vertical field of view (default 40)\n"
                     "  --shadows           cast shadows\n"
                     "  --transparency N    0 opaque, 1 blended (default), 2 and 3 depth-peeled\n"
                     "  --highlight NAME    outline the body, joint or sensor NAME (repeatable)\n"
                     "  --msaa N            N samples per pixel (default 1)\n"
                     "  --out FILE          the PNG image to write\n"
                     "  --motion, --frames, --video, --fps: not available yet\n";
        return 0;
    }
    if (args.action == RenderArgs::Action::Version) {
        std::cout << "simgl-render " << TOLU_VERSION << "\n";
        return 0;
    }
    try {
        const Ostra::IO::Scene scene = Ostra::IO::loadModel(args.model);
        Tolu::GL::savePNG(renderScene(scene, args), args.out);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "simgl-render: " << e.what() << "\n";
    }
    return 1;
}
