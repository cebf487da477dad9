#pragma once

// What the end-to-end timers share: starting the program in the X server
// and reading the screen's pixels.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <unistd.h> // environ

// Starts the program on the X server and blocks until it maps its window
// (root selected for SubstructureNotify); returns its pid. Spawned, not
// forked: a fork would leave this process's faulted-in memory copy-on-write,
// to be faulted again by the next floor.
inline pid_t StartProgram(Display* display, Window root, const std::string& program,
                          Window& window) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        throw std::runtime_error("cannot start " + program);
    }
    for (XEvent e;;) {
        XNextEvent(display, &e);
        if (e.type == MapNotify && e.xmap.event == root) {
            window = e.xmap.window;
            return pid;
        }
    }
}

// The screen's pixel at (x, y) of a window, 0xRRGGBB.
inline unsigned long PixelOf(Display* display, Window window, int x, int y) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = image ? XGetPixel(image, 0, 0) & 0xFFFFFF : 0;
    if (image) {
        XDestroyImage(image);
    }
    return pixel;
}
