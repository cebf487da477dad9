// The wait a user has for the screen pick in the real program: irochi
// started fresh in a real X server, Ctrl+Shift+P pressed on its window, and
// the time until the frozen screen covers the output with the loupe drawn
// at the pointer. Timed in the same run: the floor, the capture alone (the
// root window read from the X server into 32-bit rows, as a program that
// holds the screen in its own memory reads it; irochi has the server keep
// its copy instead). The wait is split where the X server shows it: until
// the window steps aside (unmapped), until the overlay is mapped, until the
// loupe is painted. Every wait blocks on the X server's events.
//
//   pick_wait run IROCHI RUNS
//     prints one line a run:
//     "<wait ms> <floor ms> <to unmapped ms> <to overlay mapped ms>"
#include "XClient.h"

#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace {

double Now() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The loupe's frame is drawn in this grey, beside the pick point.
constexpr unsigned long LoupeFrame = 0xC8C8C8;
// The frame's corner: the gap from the middle of the picked pixel, rounded.
constexpr int LoupeCorner = 25;

class Screen {
public:
    Screen() : FDisplay(XOpenDisplay(nullptr)) {
        if (!FDisplay) {
            throw std::runtime_error("no X display");
        }
        FRoot = DefaultRootWindow(FDisplay);
        XSelectInput(FDisplay, FRoot, SubstructureNotifyMask);
        int error = 0;
        if (!XDamageQueryExtension(FDisplay, &FDamageEvent, &error)) {
            throw std::runtime_error("no DAMAGE extension");
        }
        FWidth = DisplayWidth(FDisplay, DefaultScreen(FDisplay));
        FHeight = DisplayHeight(FDisplay, DefaultScreen(FDisplay));
    }
    ~Screen() { XCloseDisplay(FDisplay); }

    pid_t Start(const std::string& program) {
        return StartProgram(FDisplay, FRoot, program, FWindow);
    }

    // Blocks until the X server reports a window mapped or unmapped (of
    // `window`, or any when 0); returns the window.
    Window WaitFor(int type, Window window) {
        for (XEvent e;;) {
            XNextEvent(FDisplay, &e);
            if (e.type == type && type == MapNotify && e.xmap.event == FRoot &&
                (!window || e.xmap.window == window)) {
                return e.xmap.window;
            }
            if (e.type == type && type == UnmapNotify && e.xunmap.event == FRoot &&
                (!window || e.xunmap.window == window)) {
                return e.xunmap.window;
            }
        }
    }

    void MovePointer(int x, int y) {
        XTestFakeMotionEvent(FDisplay, -1, x, y, 0);
        XFlush(FDisplay);
    }

    void Keys(std::vector<KeySym> chord) {
        for (const KeySym key : chord) {
            XTestFakeKeyEvent(FDisplay, XKeysymToKeycode(FDisplay, key), True, 0);
        }
        for (auto key = chord.rbegin(); key != chord.rend(); ++key) {
            XTestFakeKeyEvent(FDisplay, XKeysymToKeycode(FDisplay, *key), False, 0);
        }
        XFlush(FDisplay);
    }

    unsigned long Pixel(int x, int y) { return PixelOf(FDisplay, FRoot, x, y); }

    // Blocks, using no processor time the program could use, until the
    // window's pixel at (x, y) is the given one: the X server reports each
    // drawing into the window, and the pixel is looked at after each.
    void PixelBecomes(Window window, int x, int y, unsigned long wanted) {
        const Damage damage = XDamageCreate(FDisplay, window, XDamageReportRawRectangles);
        XSync(FDisplay, False);
        while (PixelOf(FDisplay, window, x, y) != wanted) {
            for (XEvent e;;) {
                XNextEvent(FDisplay, &e);
                if (e.type == FDamageEvent + XDamageNotify) {
                    break;
                }
            }
        }
        // Done before the program is ended: the server would otherwise free
        // the damage with the program's window first and refuse the destroy.
        XDamageDestroy(FDisplay, damage);
        XSync(FDisplay, False);
    }

    // The floor: the whole root window read, its rows copied into 32-bit
    // memory already faulted in.
    double CaptureFloor(std::vector<std::uint32_t>& rows) {
        const double start = Now();
        XImage* image = XGetImage(FDisplay, FRoot, 0, 0, unsigned(FWidth), unsigned(FHeight),
                                  AllPlanes, ZPixmap);
        if (!image) {
            throw std::runtime_error("XGetImage failed");
        }
        for (int y = 0; y < FHeight; ++y) {
            std::memcpy(rows.data() + std::size_t(y) * std::size_t(FWidth),
                        image->data + std::size_t(y) * std::size_t(image->bytes_per_line),
                        std::size_t(FWidth) * 4);
        }
        XDestroyImage(image);
        return Now() - start;
    }

    Window ProgramWindow() const { return FWindow; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

private:
    Display* FDisplay;
    Window FRoot, FWindow = 0;
    int FWidth = 0, FHeight = 0;
    int FDamageEvent = 0;
};

int Run(const std::string& program, int runs) {
    Screen screen;
    std::vector<std::uint32_t> rows(std::size_t(screen.Width()) * std::size_t(screen.Height()), 1);
    const int pointerX = 400, pointerY = 300; // on the window, at its design place
    for (int run = 0; run < runs; ++run) {
        const pid_t pid = screen.Start(program);
        screen.MovePointer(pointerX, pointerY); // the keyboard follows the pointer
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double floor = screen.CaptureFloor(rows);
        const double start = Now();
        screen.Keys({XK_Control_L, XK_Shift_L, XK_p});
        screen.WaitFor(UnmapNotify, screen.ProgramWindow());
        const double unmapped = Now() - start;
        const Window overlay = screen.WaitFor(MapNotify, 0);
        const double mapped = Now() - start;
        // The overlay covers the screen from its corner.
        screen.PixelBecomes(overlay, pointerX + LoupeCorner, pointerY + LoupeCorner, LoupeFrame);
        const double wait = Now() - start;
        std::printf("%.2f %.2f %.2f %.2f\n", wait, floor, unmapped, mapped);
        std::fflush(stdout);
        screen.Keys({XK_Escape});
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "run") {
        return Run(argv[2], std::stoi(argv[3]));
    }
    std::fprintf(stderr, "usage: pick_wait run IROCHI RUNS\n");
    return 2;
}
