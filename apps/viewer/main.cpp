// simGLViewer: the built-in mechanism in a window, to orbit, zoom, pick and drag.
//
//     simGLViewer
//
// Left drag on empty space or right drag: orbit. Wheel, + and -: zoom. Left click: pick
// and highlight. Left drag on a body: move it. s: shadows, t: transparency mode,
// 1..9: display-mask bits, h: clear highlights, r: reset the camera, q or Esc: quit.

#include "ViewerController.h"

#include <tolu/gl/Functions.h>

#include <GL/freeglut.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

using SimGLViewer::MouseButton;
using SimGLViewer::ViewerController;

constexpr int initialWidth = 1280;
constexpr int initialHeight = 720;
constexpr unsigned frameMillis = 16;

// GLUT calls back through plain functions, so the view lives here; it goes while its
// window's context is still current (see onClose).
std::unique_ptr<ViewerController> controller;
std::optional<std::string> failure;
bool windowOpen = false;

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

int run(int argc, char** argv) {
    glutInitErrorFunc(onGlutError);
    glutInit(&argc, argv);
    glutInitContextVersion(3, 3);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(initialWidth, initialHeight);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutCreateWindow("simGLViewer");
    windowOpen = true;

    Tolu::GL::load(resolve);
    controller = std::make_unique<ViewerController>(initialWidth, initialHeight);
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutMouseWheelFunc(onWheel);
    glutKeyboardFunc(onKeyboard);
    glutCloseFunc(onClose);
    glutTimerFunc(frameMillis, onTimer, 0);
    std::cout << "simGLViewer: left drag orbits or moves a body, wheel or +/- zooms, click "
                 "highlights; s shadows, t transparency, 1-9 mask bits, h clear, q quit\n";

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
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::cerr << "simGLViewer: no display available (DISPLAY is not set). Run it in a "
                     "desktop session or under xvfb-run; simGLDemo draws the same scene "
                     "headless into image files.\n";
        return 1;
    }
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "simGLViewer failed: " << e.what() << "\n";
    }
    controller.reset();
    return 1;
}
