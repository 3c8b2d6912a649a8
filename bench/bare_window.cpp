// The yardstick for Veldaro's start-up: the least a Qt Widgets program can do
// to put a window of Veldaro's size on the screen. Built with the same flags
// and Qt as Veldaro; first_paint_hook.cpp watches it the same way.
//
//   bench_bare_window [--with-text]
// With --with-text the window also shows one line of text ("刷新", the
// Refresh caption): a second yardstick that pays, like Veldaro, for loading
// the font system and a CJK font, which the bare window never does.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

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
  if (argc > 1 && std::strcmp(argv[1], "--with-text") == 0) {
    auto* text = new QLabel(QString::fromUtf8("刷新"), &window);
    text->move(kWidth / 2, kHeight - 50);
  }
  window.show();
  return application.exec();
}
