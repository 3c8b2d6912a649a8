// The window's outer size and place as the X server sees them, frame
// included. Needs an X display with a window manager (see
// run-with-window-manager); skips itself without one.
#include <QGuiApplication>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>

#include "main_window.h"

namespace veldaro {
namespace {

struct FreeDeleter {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeDeleter>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::vector<std::uint32_t> Property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                      xcb_atom_t type) {
  const ReplyPtr<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr));
  if (!reply || reply->format != 32) return {};
  const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

// The outermost window below the root that holds ours: the manager's frame.
QRect OuterGeometry(xcb_connection_t* c, xcb_window_t window) {
  for (;;) {
    const ReplyPtr<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree || tree->parent == tree->root) break;
    window = tree->parent;
  }
  const ReplyPtr<xcb_get_geometry_reply_t> geometry(
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
  if (!geometry) return {};
  const int border = geometry->border_width;
  return QRect(geometry->x, geometry->y, geometry->width + 2 * border,
               geometry->height + 2 * border);
}

class WindowGeometryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || x11 == nullptr ||
        x11->connection() == nullptr) {
      GTEST_SKIP() << "not on an X11 display";
    }
    connection_ = x11->connection();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    if (Property32(connection_, root_, Atom(connection_, "_NET_SUPPORTING_WM_CHECK"),
                   XCB_ATOM_WINDOW)
            .empty()) {
      GTEST_SKIP() << "no window manager is running";
    }
  }

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_WINDOW_NONE;
};

TEST_F(WindowGeometryTest, OuterWindowIsFixedAtItsSizeAndCentredOnThePrimaryScreen) {
  HostListModel model;
  MainWindow window(&model, [] {});
  ASSERT_TRUE(window.CreateAndPlace());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const auto client = static_cast<xcb_window_t>(window.winId());

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect expected((screen.width() - 375) / 2, (screen.height() - 277) / 2, 375, 277);
  // The manager frames and places the window after it is mapped.
  EXPECT_TRUE(QTest::qWaitFor([&] { return OuterGeometry(connection_, client) == expected; }, 5000))
      << "outer geometry " << OuterGeometry(connection_, client).x() << ","
      << OuterGeometry(connection_, client).y() << " "
      << OuterGeometry(connection_, client).width() << "x"
      << OuterGeometry(connection_, client).height();

  // The manager offers neither resizing nor maximising...
  const std::vector<std::uint32_t> allowed = Property32(
      connection_, client, Atom(connection_, "_NET_WM_ALLOWED_ACTIONS"), XCB_ATOM_ATOM);
  for (const char* action : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                             "_NET_WM_ACTION_MAXIMIZE_VERT"}) {
    SCOPED_TRACE(action);
    EXPECT_EQ(std::count(allowed.begin(), allowed.end(), Atom(connection_, action)), 0);
  }

  // ...and a resize asked of it from outside leaves the window as it was.
  const std::uint32_t bigger[] = {500, 400};
  xcb_configure_window(connection_, client, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                       bigger);
  xcb_flush(connection_);
  QTest::qWait(200);
  EXPECT_EQ(OuterGeometry(connection_, client), expected);
}

}  // namespace
}  // namespace veldaro
