// Sanitizer suppressions for the LAN binaries, built into them so that no
// environment variable has to cross into the LAN's client namespace. Unused in
// builds without sanitizers. Each names a library we do not build, never our
// own code.

// LeakSanitizer: libdbus, which Qt's platform plugins load, keeps an
// allocation that nobody frees at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

// ThreadSanitizer:
// - Samba's libtdb (under libsmbclient) has a signal handler that does not
//   restore errno.
// - Qt is not built with the sanitizer, and its own locks (futexes) hand
//   objects between its threads unseen: allocations made inside Qt look like
//   races when Qt frees them on another thread.
// - GLib, under Qt's event dispatcher, recycles memory between Qt's own
//   threads the same unseen way (seen when a long scan outlives them).
extern "C" const char* __tsan_default_suppressions() {
  return "signal:libtdb.so.1\n"
         "called_from_lib:libglib-2.0.so.0\n"
         "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n";
}
