/* Starts a program and reports how long it took until its first top-level
 * window was mapped, waiting for the X server's MapNotify itself (no
 * polling), and the program's resident memory a second later.
 * Usage: mapwait PROGRAM [ARGS...]
 * Prints: "<milliseconds to MapNotify> <resident KiB one second later>". */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static long ResidentKiB(pid_t pid) {
    char path[64], line[256];
    long kib = -1;
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* status = fopen(path, "r");
    while (status && fgets(line, sizeof line, status)) {
        if (strncmp(line, "VmRSS:", 6) == 0) {
            kib = atol(line + 6);
        }
    }
    if (status) {
        fclose(status);
    }
    return kib;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: mapwait PROGRAM [ARGS...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "mapwait: no X display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    const double start = Now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    double mapped = -1;
    while (mapped < 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(display)) {
            mapped = Now() - start;
        }
    }
    sleep(1);
    const long resident = ResidentKiB(pid);
    kill(pid, SIGTERM);
    waitpid(pid, NULL, 0);
    printf("%.1f %ld\n", mapped, resident);
    XCloseDisplay(display);
    return 0;
}
