// simGLViewer: a model file (or the built-in mechanism) in a window, to orbit, zoom,
// pick, drag, play its motion, take screenshots and reload it.
//
//     simGLViewer [MODEL] [--motion FILE]          (simGLViewer --help for the keys)

#include "ViewerArgs.h"
#include "ViewerController.h"

#include <tolu/gl/Functions.h>

#include <GL/freeglut.h>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace {

using SimGLViewer::MouseButton;
using SimGLViewer::SpecialKey;
using SimGLViewer::ViewerController;
using SimGLViewer::ViewerModel;

constexpr int initialWidth = 1280;
constexpr int initialHeight = 720;
constexpr unsigned frameMillis = 16;

// GLUT calls back through plain functions, so the view lives here; it goes while its
// window's context is still current (see onClose).
std::unique_ptr<ViewerController> controller;
std::optional<std::string> failure;
bool windowOpen = false;
std::chrono::steady_clock::time_point lastFrame;

// Exceptions must not unwind through GLUT's C frames: the first one ends the main
// loop and is reported once it has returned.
template <class F> void guarded(F&& f) {
    if (!controller || failure) {
        return;
    }
    try {
        f(*controller);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (failure || !controller->isRunning()) {
        glutLeaveMainLoop();
    }
}

std::optional<MouseButton> toButton(int button) {
    switch (button) {
    case GLUT_LEFT_BUTTON:
        return MouseButton::Left;
    case GLUT_MIDDLE_BUTTON:
        return MouseButton::Middle;
    case GLUT_RIGHT_BUTTON:
        return MouseButton::Right;
    default:
        return std::nullopt; // wheel steps arrive through onWheel
    }
}

void onDisplay() {
    guarded([](ViewerController& c) {
        // A playing motion runs at wall-clock speed, however often frames come.
        const auto now = std::chrono::steady_clock::now();
        c.tick(std::chrono::duration<double>(now - lastFrame).count());
        lastFrame = now;
        if (c.frame()) {
            glutSwapBuffers();
        }
    });
}

void onTimer(int) {
    glutPostRedisplay();
    glutTimerFunc(frameMillis, onTimer, 0);
}

void onReshape(int width, int height) {
    guarded([=](ViewerController& c) { c.resize(width, height); });
}

void onMouse(int button, int state, int x, int y) {
    const std::optional<MouseButton> which = toButton(button);
    if (!which) {
        return;
    }
    guarded([=](ViewerController& c) {
        if (state == GLUT_DOWN) {
            c.onMouseDown(x, y, *which);
        } else {
            c.onMouseUp(x, y, *which);
        }
    });
}

void onMotion(int x, int y) {
    guarded([=](ViewerController& c) { c.onMouseMove(x, y); });
}

void onWheel(int, int direction, int, int) {
    guarded([=](ViewerController& c) { c.onWheel(direction); });
}

void onKeyboard(unsigned char key, int, int) {
    guarded([=](ViewerController& c) { c.onKey(static_cast<char>(key)); });
}

void onSpecial(int key, int, int) {
    std::optional<SpecialKey> which;
    switch (key) {
    case GLUT_KEY_LEFT:
        which = SpecialKey::Left;
        break;
    case GLUT_KEY_RIGHT:
        which = SpecialKey::Right;
        break;
    case GLUT_KEY_F1:
        which = SpecialKey::F1;
        break;
    default:
        return;
    }
    guarded([=](ViewerController& c) { c.onSpecialKey(*which); });
}

void onClose() {
    // The window's context is current here and gone right after.
    controller.reset();
}

// GLUT reports fatal errors here and carries on as if nothing happened when this
// returns, so it ends the process. Without running destructors: the view may be alive
// and its context gone.
[[noreturn]] void onGlutError(const char* format, va_list args) {
    std::fputs("simGLViewer failed: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputs("\n", stderr);
    if (!windowOpen) {
        std::fputs("simGLViewer needs a display with OpenGL 3.3; without one, simGLDemo "
                   "draws the same scene into image files.\n",
                   stderr);
    }
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(1);
}

GLUTproc resolve(const char* name) {
    return glutGetProcAddress(name);
}

int run(char* program, ViewerModel model) {
    glutInitErrorFunc(onGlutError);
    // The arguments are the viewer's own, read already; GLUT sees only the program name.
    int argc = 1;
    glutInit(&argc, &program);
    glutInitContextVersion(3, 3);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(initialWidth, initialHeight);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutCreateWindow("simGLViewer");
    windowOpen = true;

    Tolu::GL::load(resolve);
    controller = std::make_unique<ViewerController>(initialWidth, initialHeight, std::move(model));
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutMouseWheelFunc(onWheel);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecial);
    glutCloseFunc(onClose);
    glutTimerFunc(frameMillis, onTimer, 0);
    lastFrame = std::chrono::steady_clock::now();

    glutMainLoop();
    // GLUT destroys the window as the loop returns, through onClose, however it ended.
    controller.reset();
    Tolu::GL::unload();
    if (failure) {
        std::cerr << "simGLViewer failed: " << *failure << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The files are opened before any window: one that cannot be read ends the run here.
    std::variant<ViewerModel, int> prepared =
        SimGLViewer::prepare(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    if (const int* status = std::get_if<int>(&prepared)) {
        return *status;
    }
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::cerr << "simGLViewer: no display available (DISPLAY is not set). Run it in a "
                     "desktop session or under xvfb-run; simGLDemo draws the same scene "
                     "headless into image files.\n";
        return 1;
    }
    try {
        return run(argv[0], std::move(std::get<ViewerModel>(prepared)));
    } catch (const std::exception& e) {
        std::cerr << "simGLViewer failed: " << e.what() << "\n";
    }
    controller.reset();
    return 1;
}
