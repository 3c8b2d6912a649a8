#include "window_frame_extents.h"

#include <QGuiApplication>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <xcb/xcb.h>

namespace veldaro {
namespace {

// openbox answers within a few milliseconds; a window manager that offers the
// question but never answers costs start-up no more than this.
constexpr auto kAnswerWait = std::chrono::milliseconds(100);
// How often the window's property is looked at while waiting for the answer.
constexpr auto kAnswerPoll = std::chrono::milliseconds(2);
// A frame side thicker than this is no frame but a broken answer.
constexpr std::uint32_t kMaxFrameSide = 200;
// _NET_SUPPORTED lists a few hundred atoms at most; read up to this many.
constexpr std::uint32_t kMaxSupportedAtoms = 4096;

// xcb replies are malloc'ed and released with free().
struct FreeDeleter {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeDeleter>;

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, /*only_if_exists=*/1, static_cast<std::uint16_t>(std::strlen(name)),
                      name),
      nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

bool RootSupports(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t supported,
                  xcb_atom_t wanted) {
  const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection,
      xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, kMaxSupportedAtoms),
      nullptr));
  if (!reply || reply->format != 32) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / 4;
  for (int i = 0; i < count; ++i) {
    if (atoms[i] == wanted) return true;
  }
  return false;
}

std::optional<FrameExtents> ReadFrameExtents(xcb_connection_t* connection, xcb_window_t window,
                                             xcb_atom_t frame_extents) {
  const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, frame_extents, XCB_ATOM_CARDINAL, 0, 4),
      nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16) {
    return std::nullopt;
  }
  // left, right, top, bottom
  const auto* sides = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  for (int i = 0; i < 4; ++i) {
    if (sides[i] > kMaxFrameSide) return std::nullopt;
  }
  return FrameExtents{static_cast<int>(sides[0]), static_cast<int>(sides[1]),
                      static_cast<int>(sides[2]), static_cast<int>(sides[3])};
}

xcb_window_t RootOf(xcb_connection_t* connection, xcb_window_t window) {
  const ReplyPtr<xcb_query_tree_reply_t> reply(
      xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
  return reply ? reply->root : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

}  // namespace

std::optional<FrameExtents> QueryFrameExtents(QWidget& widget) {
  // Only windows of the X11 platform are X windows; the offscreen platform
  // also offers an X11 connection when DISPLAY is set, but not for its windows.
  if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
    return std::nullopt;
  }
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return std::nullopt;
  xcb_connection_t* const connection = x11->connection();
  const auto window = static_cast<xcb_window_t>(widget.winId());
  const xcb_window_t root = RootOf(connection, window);
  if (root == XCB_WINDOW_NONE) return std::nullopt;

  const xcb_atom_t supported = InternAtom(connection, "_NET_SUPPORTED");
  const xcb_atom_t request = InternAtom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  const xcb_atom_t extents = InternAtom(connection, "_NET_FRAME_EXTENTS");
  if (supported == XCB_ATOM_NONE || request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE) {
    return std::nullopt;
  }
  if (!RootSupports(connection, root, supported, request)) return std::nullopt;
  if (auto known = ReadFrameExtents(connection, window, extents)) return known;

  // The window manager answers by setting _NET_FRAME_EXTENTS on our window.
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = request;
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);

  // Qt's own thread reads the X events, so the property is looked at instead
  // of waiting for its change notice.
  const auto give_up = std::chrono::steady_clock::now() + kAnswerWait;
  while (std::chrono::steady_clock::now() < give_up) {
    if (auto answer = ReadFrameExtents(connection, window, extents)) return answer;
    std::this_thread::sleep_for(kAnswerPoll);
  }
  return std::nullopt;
}

}  // namespace veldaro
