// The yardstick for Veldaro's start-up: the least a Qt Widgets program can do
// to put a window of Veldaro's size on the screen. Built with the same flags
// and Qt as Veldaro; first_paint_hook.cpp watches it the same way.
#include <QApplication>
#include <QWidget>

namespace {

// Veldaro's outer size (its frame included: the bare window asks for no less).
constexpr int kWidth = 375;
constexpr int kHeight = 277;

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Bare"));
  window.setFixedSize(kWidth, kHeight);
  window.show();
  return application.exec();
}
