// Sanitizer suppressions for binaries that run Qt, built into each of them so
// that no environment variable has to reach them (ctest, subprocesses).
// Unused in builds without sanitizers.

// LeakSanitizer: libdbus, which Qt's X11 platform loads, keeps an allocation
// that nobody frees at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

// ThreadSanitizer: Qt is not built with it, and its own locks (futexes, not
// pthread mutexes) hand objects between its threads without the sanitizer
// seeing it: an event or task made by Qt on one thread and freed by Qt on
// another looks like a race. Ignoring the allocations that happen inside Qt's
// libraries keeps every access of our own code checked.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n";
}
