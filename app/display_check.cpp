#include "display_check.h"

#include <QByteArray>
#include <QList>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <xcb/xcb.h>

namespace veldaro {
namespace {

// The platform Debian's Qt starts when nothing else is chosen.
constexpr std::string_view kDefaultPlatform = "xcb";

struct XcbDisconnect {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

// The value after `option` ("-name"; Qt takes "--name" alike) on the command
// line, or nothing.
const char* OptionValue(int argc, char** argv, std::string_view option) {
  for (int i = 1; i + 1 < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.starts_with("--")) arg.remove_prefix(1);
    if (arg == option) return argv[i + 1];
  }
  return nullptr;
}

bool X11DisplayAnswers(const char* display_name) {
  // xcb_connect always returns a connection object, broken or not.
  const XcbConnection connection(xcb_connect(display_name, nullptr));
  return connection && xcb_connection_has_error(connection.get()) == 0;
}

bool PlatformUsable(const QByteArray& platform, const char* x11_display) {
  // "name:option=value" - only the name matters here.
  const QByteArray name = platform.split(':').front().trimmed();
  if (name.isEmpty()) return false;
  if (name == "xcb") return X11DisplayAnswers(x11_display);
  if (name.startsWith("wayland")) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return wayland != nullptr && *wayland != '\0';
  }
  return true;
}

}  // namespace

bool CanStartUiPlatform(int argc, char** argv) {
  QByteArray chosen;
  if (const char* option = OptionValue(argc, argv, "-platform")) {
    chosen = option;
  } else if (const char* env = std::getenv("QT_QPA_PLATFORM"); env != nullptr && *env != '\0') {
    chosen = env;
  } else {
    chosen = QByteArray(kDefaultPlatform.data(), static_cast<qsizetype>(kDefaultPlatform.size()));
  }
  const char* x11_display = OptionValue(argc, argv, "-display");
  // Qt tries a ';'-separated list in order and starts the first that works.
  for (const QByteArray& candidate : chosen.split(';')) {
    if (PlatformUsable(candidate, x11_display)) return true;
  }
  return false;
}

}  // namespace veldaro
