#pragma once

#include <optional>

class QWidget;

namespace veldaro {

// The thickness of the frame a window manager draws around a top-level
// window, in pixels on each side.
struct FrameExtents {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

// Asks the window manager, before the window is first shown, how thick the
// frame of `window` will be. Nothing when there is no X11 display (e.g. the
// offscreen platform), when the window manager does not offer the question,
// or when it does not answer within a short time. Creates the native window.
std::optional<FrameExtents> QueryFrameExtents(QWidget& window);

}  // namespace veldaro
