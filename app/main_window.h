#pragma once

#include <QPushButton>
#include <QWidget>
#include <functional>

#include "host_list_model.h"
#include "host_list_view.h"

namespace veldaro {

// The one window of the program: the host list above the Refresh button, at a
// fixed outer size, centred on the primary screen. Both its events (created,
// and a click of Refresh) do nothing but start a scan.
class MainWindow final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kOuterWidth = 375;
  static constexpr int kOuterHeight = 277;

  // Builds the window hidden: first the Refresh button, then the host list
  // with its columns over `model` (which must outlive the window).
  // `launch_scan` starts a scan and returns at once.
  MainWindow(HostListModel* model, std::function<void()> launch_scan);

  // Creates the native window while still hidden, then gives it its outer
  // size and centred place, allowing for the frame the window manager will
  // draw around it. False when no native window could be made.
  bool CreateAndPlace();

  void OnMainWindowCreated();
  void OnRefreshClicked();

  HostListView* HostListWidget() const { return host_list_; }
  QPushButton* RefreshButton() const { return refresh_button_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // True when the key was one the window handles itself.
  bool HandleWindowKey(const QKeyEvent& key);

  const std::function<void()> launch_scan_;
  QPushButton* refresh_button_ = nullptr;
  HostListView* host_list_ = nullptr;
};

}  // namespace veldaro
