#include "run_veldaro.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "display_check.h"
#include "host_list.h"
#include "host_list_model.h"
#include "main_window.h"
#include "scan_hosts.h"
#include "ui_call_queue.h"

namespace veldaro {
namespace {

// -1 as the process sees it.
constexpr int kWindowFailedExitCode = 255;

}  // namespace

int RunVeldaro(int argc, char** argv, std::shared_ptr<NetworkQueries> queries) {
  if (!CanStartUiPlatform(argc, argv)) {
    std::fputs("veldaro: the main window cannot be created: no display to show it on\n", stderr);
    return kWindowFailedExitCode;
  }
  QApplication application(argc, argv);

  HostListModel model;
  const auto queue = UiCallQueue::Create();
  const auto rows = std::make_shared<HostList>(&model, queue);
  ScanLauncher launcher(std::move(queries), rows);

  MainWindow window(&model, [&launcher] { launcher.LaunchScan(); });
  if (!window.CreateAndPlace()) {
    const char* message = "veldaro: the main window cannot be created\n";
    std::fputs(message, stderr);
    QMessageBox::critical(nullptr, QStringLiteral("Veldaro"), QString::fromUtf8("无法创建主窗口。"));
    return kWindowFailedExitCode;
  }

  // The first scan starts before the loop runs; its first list operation
  // waits until the loop carries it out.
  window.OnMainWindowCreated();
  window.show();
  window.raise();
  window.activateWindow();
  application.exec();

  // The window is gone. Scans may still be running and would touch the list,
  // the queries and Qt if anything were torn down under them, so nothing is:
  // waiting scans are released, output is flushed and the process ends here.
  rows->Close();
  std::fflush(nullptr);
  std::_Exit(0);
}

}  // namespace veldaro
