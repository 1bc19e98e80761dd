// simGLDemo: draws the built-in mechanism headless and saves the frames as PNG files.
//
//     simGLDemo [output directory]      (default: ./demo-output)

#include "DemoRun.h"

#include <tolu/gl/HeadlessContext.h>
#include <tolu/gl/Image.h>
#include <tolu/util/Error.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

constexpr int frameWidth = 1280;
constexpr int frameHeight = 720;

int run(const std::filesystem::path& outputDir) {
    std::filesystem::create_directories(outputDir);
    Tolu::GL::HeadlessContext gl(frameWidth, frameHeight);
    const SimGLDemo::DemoRun run = SimGLDemo::runDemo(gl, std::cout);
    for (const auto& frame : run.frames) {
        const std::filesystem::path file = outputDir / (frame.name + ".png");
        Tolu::GL::savePNG(frame.image, file.string());
        std::cout << "  " << file.string() << "\n";
    }
    std::cout << run.frames.size() << " frames (" << frameWidth << "x" << frameHeight
              << ") saved in " << std::filesystem::absolute(outputDir).string() << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: " << argv[0] << " [output directory]\n";
        return 1;
    }
    const std::filesystem::path outputDir = argc > 1 ? argv[1] : "demo-output";
    try {
        return run(outputDir);
    } catch (const Tolu::Error& e) {
        std::cerr << "simGLDemo failed: " << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "simGLDemo failed: " << e.what() << "\n";
    }
    return 1;
}
