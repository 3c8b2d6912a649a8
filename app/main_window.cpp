#include "main_window.h"

#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "window_frame_extents.h"

namespace veldaro {
namespace {

const QRect kHostListPlace(0, 0, 368, 200);
const QRect kRefreshButtonPlace(112, 208, 128, 32);

constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint;

// Esc closes only on its own; with Shift, Ctrl or Alt it is some other key.
constexpr Qt::KeyboardModifiers kChordModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

QIcon ApplicationIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48}) {
    icon.addFile(QStringLiteral(":/veldaro/veldaro-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace

MainWindow::MainWindow(HostListModel* model, std::function<void()> launch_scan)
    : QWidget(nullptr, kWindowFlags), launch_scan_(std::move(launch_scan)) {
  setWindowTitle(QStringLiteral("Veldaro"));
  setWindowIcon(ApplicationIcon());
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  setFixedSize(kOuterWidth, kOuterHeight);

  refresh_button_ = new QPushButton(QString::fromUtf8("刷新"), this);
  refresh_button_->setGeometry(kRefreshButtonPlace);
  // No default button: Enter must not click it.
  refresh_button_->setAutoDefault(false);
  refresh_button_->setDefault(false);
  refresh_button_->setFocusPolicy(Qt::StrongFocus);
  connect(refresh_button_, &QPushButton::clicked, this, [this] { OnRefreshClicked(); });

  host_list_ = new HostListView(model, this);
  host_list_->setGeometry(kHostListPlace);
  host_list_->setFocusPolicy(Qt::StrongFocus);

  // The list comes first in the focus order although it is made second.
  QWidget::setTabOrder(host_list_, refresh_button_);
  host_list_->setFocus(Qt::OtherFocusReason);

  for (QObject* control : {static_cast<QObject*>(host_list_), static_cast<QObject*>(refresh_button_),
                           static_cast<QObject*>(this)}) {
    control->installEventFilter(this);
  }
}

bool MainWindow::CreateAndPlace() {
  winId();
  if (windowHandle() == nullptr) return false;

  const FrameExtents frame = QueryFrameExtents(*this).value_or(FrameExtents{});
  // Never smaller than one pixel, whatever a window manager claims its frame is.
  setFixedSize(std::max(1, kOuterWidth - frame.left - frame.right),
               std::max(1, kOuterHeight - frame.top - frame.bottom));

  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect full = screen != nullptr ? screen->geometry() : QRect(0, 0, kOuterWidth, kOuterHeight);
  const int outer_left = full.x() + (full.width() - kOuterWidth) / 2;
  const int outer_top = full.y() + (full.height() - kOuterHeight) / 2;
  // Qt's X11 windows use static gravity: the position given is the client's,
  // so the frame's centred corner is moved by the frame's own thickness.
  move(outer_left + frame.left, outer_top + frame.top);
  return true;
}

void MainWindow::OnMainWindowCreated() { launch_scan_(); }

void MainWindow::OnRefreshClicked() { launch_scan_(); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && HandleWindowKey(*static_cast<QKeyEvent*>(event))) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool MainWindow::HandleWindowKey(const QKeyEvent& key) {
  const Qt::KeyboardModifiers modifiers = key.modifiers();
  switch (key.key()) {
    case Qt::Key_Escape:
      if (modifiers & kChordModifiers) return false;
      close();
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
      if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return false;
      // Two controls: the next one and the previous one are the same.
      const bool on_list = focusWidget() == host_list_;
      QWidget* const next = on_list ? static_cast<QWidget*>(refresh_button_) : host_list_;
      next->setFocus(key.key() == Qt::Key_Tab ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:  // the keypad's Enter
    case Qt::Key_F1:
      return true;
    default:
      return false;
  }
}

bool MainWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // Qt gives the focus back to the control that had it when the window was
  // deactivated; when none had it, the list takes it.
  if (event->type() == QEvent::WindowActivate && focusWidget() == nullptr) {
    host_list_->setFocus(Qt::ActiveWindowFocusReason);
  }
  return handled;
}

}  // namespace veldaro
