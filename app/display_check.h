#pragma once

namespace veldaro {

// Whether a QApplication can be made for the UI platform that this command
// line and environment choose (`-platform`, QT_QPA_PLATFORM, else X11).
// Qt aborts the process when its platform cannot start, so this is asked
// first: an X11 display must accept a connection, a Wayland one must be
// named; platforms that need no display server (offscreen, vnc, ...) count
// as usable.
bool CanStartUiPlatform(int argc, char** argv);

}  // namespace veldaro
