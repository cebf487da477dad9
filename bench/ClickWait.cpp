// The wait a user has in the real program: irochi started fresh in a real X
// server, in the image mode with a folder of two 24-megapixel pictures; the
// first is shown, then the second's name is clicked and the time taken until
// the picture is on the screen and the program answers (its copy button,
// clicked right after the name, has put the text on the clipboard). Timed in
// the same iterations: the floor, the same work with nothing wasted (for a
// JPEG libjpeg's own one-pass decode of the file's bytes, already in memory,
// into memory already faulted in; for a BMP reading the file into such
// memory).
//
//   click_wait make FOLDER    writes the pictures: FOLDER/KIND/a.* and b.*
//   click_wait run IROCHI FOLDER KIND RUNS
//     prints one line a run: "<wait ms> <floor ms>"
#include "BenchPhoto.h"

#include "XClient.h"
#include <lcms2.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Now() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The photo as a 24-bit bottom-up BMP file.
std::vector<std::uint8_t> PhotoBmp(bool flipped) {
    const std::uint32_t stride = PhotoWidth * 3;
    const std::uint32_t pixels = stride * PhotoHeight;
    std::vector<std::uint8_t> bytes(54);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54 + pixels);
    put32(10, 54);
    put32(14, 40);
    put32(18, PhotoWidth);
    put32(22, PhotoHeight);
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, pixels);
    bytes.reserve(54 + pixels);
    for (int row = PhotoHeight - 1; row >= 0; --row) {
        const auto line = PhotoRow(flipped ? PhotoHeight - 1 - row : row);
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    return bytes;
}

// Display P3 as a phone's photos carry it: its primaries and sRGB's curve.
std::vector<std::uint8_t> DisplayP3Profile() {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

void Make(const fs::path& folder) {
    for (const char* kind : {"jpeg", "grey", "progressive", "bmp", "p3"}) {
        fs::create_directories(folder / kind);
    }
    const std::vector<std::uint8_t> p3 = DisplayP3Profile();
    for (const bool flipped : {false, true}) {
        const char* name = flipped ? "b" : "a";
        WriteFile(folder / "jpeg" / (std::string(name) + ".jpg"),
                  CompressPhoto(false, false, flipped));
        WriteFile(folder / "grey" / (std::string(name) + ".jpg"),
                  CompressPhoto(true, false, flipped));
        WriteFile(folder / "progressive" / (std::string(name) + ".jpg"),
                  CompressPhoto(false, true, flipped));
        WriteFile(folder / "bmp" / (std::string(name) + ".bmp"), PhotoBmp(flipped));
        WriteFile(folder / "p3" / (std::string(name) + ".jpg"),
                  CompressPhoto(false, false, flipped, p3));
    }
}

// Places on the window's client area, in its logical pixels (scale 1).
constexpr int SwitchX = 157, SwitchY = 56;
constexpr int CopyX = 44, CopyY = 49;
constexpr int FirstFileX = 404, FirstFileY = 79, RowHeight = 12;
constexpr int ListX = 420, ListY = 200; // white once the file list shows
constexpr int ViewX = 20, ViewY = 80;   // inside the picture at 100 %

class Screen {
public:
    Screen() : FDisplay(XOpenDisplay(nullptr)) {
        if (!FDisplay) {
            throw std::runtime_error("no X display");
        }
        FRoot = DefaultRootWindow(FDisplay);
        FOwner = XCreateSimpleWindow(FDisplay, FRoot, 0, 0, 1, 1, 0, 0, 0);
        FClipboard = XInternAtom(FDisplay, "CLIPBOARD", False);
        XSelectInput(FDisplay, FRoot, SubstructureNotifyMask);
        int error = 0;
        if (!XFixesQueryExtension(FDisplay, &FFixesEvent, &error)) {
            throw std::runtime_error("no XFixes");
        }
        XFixesSelectSelectionInput(FDisplay, FOwner, FClipboard, XFixesSetSelectionOwnerNotifyMask);
    }
    ~Screen() { XCloseDisplay(FDisplay); }

    // Starts the program and waits for its window; returns its pid.
    pid_t Start(const std::string& program) {
        const pid_t pid = StartProgram(FDisplay, FRoot, program, FWindow);
        Window child;
        XTranslateCoordinates(FDisplay, FWindow, FRoot, 0, 0, &FX, &FY, &child);
        return pid;
    }

    void Click(int x, int y) {
        XTestFakeMotionEvent(FDisplay, -1, FX + x, FY + y, 0);
        XTestFakeButtonEvent(FDisplay, 1, True, 0);
        XTestFakeButtonEvent(FDisplay, 1, False, 0);
        XFlush(FDisplay);
    }

    unsigned long Pixel(int x, int y) { return PixelOf(FDisplay, FRoot, FX + x, FY + y); }

    // Waits until the pixel is not any of the given ones, looking every
    // tenth of a millisecond; returns it.
    unsigned long PixelOtherThan(int x, int y, std::vector<unsigned long> not_, double seconds) {
        const double deadline = Now() + seconds * 1000;
        for (;;) {
            const unsigned long p = Pixel(x, y);
            if (std::find(not_.begin(), not_.end(), p) == not_.end() || Now() > deadline) {
                return p;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }

    // The clipboard taken from everyone, so that the program's next copy shows.
    void TakeClipboard() {
        XSetSelectionOwner(FDisplay, FClipboard, FOwner, CurrentTime);
        XSync(FDisplay, False);
    }
    // Blocks, using no processor time the program could use, until the X
    // server says another client owns the clipboard.
    void WaitForClipboard() {
        for (XEvent e;;) {
            XNextEvent(FDisplay, &e);
            if (e.type == FFixesEvent + XFixesSelectionNotify &&
                reinterpret_cast<XFixesSelectionNotifyEvent&>(e).owner != FOwner) {
                return;
            }
        }
    }

private:
    Display* FDisplay;
    Window FRoot, FOwner, FWindow = 0;
    Atom FClipboard;
    int FFixesEvent = 0;
    int FX = 0, FY = 0;
};

// The floor of one kind of picture: the same work with nothing wasted.
double Floor(const std::string& kind, const fs::path& file) {
    if (kind == "bmp") {
        const auto size = std::size_t(fs::file_size(file));
        std::uint8_t* out = FaultedOutput(size);
        const double start = Now();
        const int fd = open(file.c_str(), O_RDONLY);
        std::size_t done = 0;
        for (ssize_t n; done < size && (n = read(fd, out + done, size - done)) > 0;) {
            done += std::size_t(n);
        }
        close(fd);
        return Now() - start;
    }
    const auto bytes = ReadFile(file);
    const OrdinaryPages ordinary;
    const double start = Now();
    // A grey picture is shown through a colour table, as the program does.
    DecodeWithLibjpeg(bytes, kind == "grey", Output::Faulted);
    return Now() - start;
}

int Run(const std::string& program, const fs::path& folder, const std::string& kind, int runs) {
    const fs::path pictures = folder / kind;
    const fs::path second = pictures / (kind == "bmp" ? "b.bmp" : "b.jpg");
    // The program's own folder names the pictures' folder in pixdir.txt.
    const fs::path home = folder / ("bin-" + kind);
    fs::create_directories(home);
    fs::copy_file(program, home / "irochi", fs::copy_options::overwrite_existing);
    std::ofstream(home / "pixdir.txt") << pictures.string();
    Screen screen;
    Floor(kind, second); // the floor's memory faulted in once, before any clock
    for (int run = 0; run < runs; ++run) {
        const pid_t pid = screen.Start((home / "irochi").string());
        const unsigned long grey = screen.PixelOtherThan(SwitchX, SwitchY - 20, {0}, 5);
        screen.Click(SwitchX, SwitchY);
        screen.Click(SwitchX, SwitchY);
        screen.PixelOtherThan(ListX, ListY, {grey}, 10);
        const unsigned long empty = screen.Pixel(ViewX, ViewY);
        // The first picture, shown and answered for.
        screen.TakeClipboard();
        screen.Click(FirstFileX, FirstFileY);
        screen.Click(CopyX, CopyY);
        screen.WaitForClipboard();
        const unsigned long first = screen.PixelOtherThan(ViewX, ViewY, {empty, grey}, 20);
        // A user looks at a picture before clicking the next: the window has
        // settled (the scroll bars that came with the first picture laid out,
        // the labels refitted and repainted), which takes a few milliseconds
        // after the picture shows, and would otherwise be counted in the wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));

        const double floor = Floor(kind, second);
        screen.TakeClipboard();
        const double start = Now();
        screen.Click(FirstFileX, FirstFileY + RowHeight);
        screen.Click(CopyX, CopyY);
        screen.WaitForClipboard();
        const double answered = Now() - start;
        const unsigned long shown = screen.PixelOtherThan(ViewX, ViewY, {first, empty, grey}, 20);
        const double wait = Now() - start;
        if (std::getenv("CLICK_WAIT_DEBUG")) {
            std::fprintf(
                stderr, "answered %.1f shown %.1f pixels grey %lx empty %lx first %lx second %lx\n",
                answered, wait, grey, empty, first, shown);
        }
        std::printf("%.2f %.2f\n", wait, floor);
        std::fflush(stdout);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 3) {
        Make(argv[2]);
        return 0;
    }
    if (mode == "floor" && argc == 4) {
        for (int i = 0; i < 5; ++i) {
            std::printf("%.1f\n", Floor(argv[2], argv[3]));
        }
        return 0;
    }
    if (mode == "run" && argc == 6) {
        return Run(argv[2], argv[3], argv[4], std::stoi(argv[5]));
    }
    std::fprintf(stderr, "usage: click_wait make FOLDER | run IROCHI FOLDER KIND RUNS\n");
    return 2;
}
