// The sanitizers' options, built into every program of a sanitised build, so
// that a test run by ctest, by hand or by another test's script behaves the
// same: leaks reported, a failure ends the run, a hopeless allocation
// returns null as the system's allocator does (libtiff inside Qt's TIFF
// reader asks for 171 GB for a hostile file, then fails cleanly).
// Options given in the environment still take precedence.

extern "C" {

const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=1:allocator_may_return_null=1";
}

const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

const char* __lsan_default_options() {
    return "print_suppressions=0";
}

// Allocations that system libraries keep until exit on purpose (font caches,
// Qt's platform plugins); leaks in this project's code are still reported.
const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libQt6Core.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libQt6Widgets.so\n"
           "leak:libdbus-1.so\n"
           "leak:libxcb\n"
           "leak:libX11\n";
}

} // extern "C"
