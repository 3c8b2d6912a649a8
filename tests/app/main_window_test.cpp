#include "main_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>
#include <memory>

#include "host_cell_delegate.h"

namespace veldaro {
namespace {

constexpr ScanId kScan = 1;

// A shown, active main window over its own list, counting the scans it starts.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<MainWindow>(&model_, [this] { ++launches_; });
    window_->show();
    Activate(window_.get());
  }

  static void Activate(QWidget* widget) {
    QApplication::setActiveWindow(widget);
    ASSERT_TRUE(QTest::qWaitForWindowActive(widget));
  }

  HostListView* List() const { return window_->HostListWidget(); }
  QPushButton* Button() const { return window_->RefreshButton(); }

  QPoint CellCentre(int row, int column) const {
    return List()->visualRect(model_.index(row, column)).center();
  }

  HostListModel model_;
  int launches_ = 0;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, BuildsTheWindowAndItsControlsAsLaidOut) {
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Veldaro"));
  EXPECT_EQ(window_->minimumSize(), QSize(375, 277));  // no frame offscreen
  EXPECT_EQ(window_->maximumSize(), QSize(375, 277));
  EXPECT_TRUE(window_->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window_->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  const QList<QSize> icon_sizes = window_->windowIcon().availableSizes();
  EXPECT_TRUE(icon_sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(icon_sizes.contains(QSize(48, 48)));

  EXPECT_EQ(List()->geometry(), QRect(0, 0, 368, 200));
  EXPECT_EQ(Button()->geometry(), QRect(112, 208, 128, 32));
  EXPECT_EQ(Button()->text(), QString::fromUtf8("刷新"));
  EXPECT_FALSE(Button()->isDefault());
  EXPECT_FALSE(Button()->autoDefault());
  EXPECT_EQ(List()->model()->rowCount(), 0);
  EXPECT_EQ(QApplication::focusWidget(), List());  // focus on the list at first activation
}

TEST_F(MainWindowTest, ListHasThreeFixedOrderColumnsThatNeverSort) {
  const QHeaderView* header = List()->horizontalHeader();
  const int widths[] = {100, 100, 120};
  ASSERT_EQ(header->count(), 3);
  for (int column = 0; column < 3; ++column) {
    SCOPED_TRACE(column);
    EXPECT_EQ(header->sectionSize(column), widths[column]);
    EXPECT_EQ(header->visualIndex(column), column);
    EXPECT_EQ(header->sectionResizeMode(column), QHeaderView::Interactive);
  }
  EXPECT_FALSE(header->sectionsMovable());
  EXPECT_FALSE(header->stretchLastSection());
  // A list, not a grid: no row numbers, no lines, one line of text per row,
  // every row of one height.
  EXPECT_TRUE(List()->verticalHeader()->isHidden());
  EXPECT_FALSE(List()->showGrid());
  EXPECT_FALSE(List()->wordWrap());
  EXPECT_EQ(List()->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
  EXPECT_EQ(List()->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(List()->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(List()->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(List()->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(List()->palette().color(QPalette::Text), QColor(Qt::black));

  model_.AddRow(kScan, "B");
  model_.AddRow(kScan, "A");
  model_.AddRow(kScan, "C");
  for (int column = 0; column < 3; ++column) {
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  }
  const QModelIndex first = List()->model()->index(0, 0);
  EXPECT_EQ(first.data().toString(), QStringLiteral("B"));
  EXPECT_EQ(List()->model()->index(1, 0).data().toString(), QStringLiteral("A"));
  EXPECT_FALSE(header->isSortIndicatorShown());
}

TEST_F(MainWindowTest, CreatedEventAndRefreshClickEachStartOneScan) {
  EXPECT_EQ(launches_, 0);
  window_->OnMainWindowCreated();
  EXPECT_EQ(launches_, 1);
  QTest::mouseClick(Button(), Qt::LeftButton);
  EXPECT_EQ(launches_, 2);
  window_->OnRefreshClicked();
  EXPECT_EQ(launches_, 3);
}

TEST_F(MainWindowTest, KeyboardClosesMovesFocusOrDoesNothingAsTheWindowDecides) {
  enum class Start { kList, kButton };
  enum class Then { kClosed, kOnList, kOnButton };
  struct Case {
    const char* what;
    Start start;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    Then then;
    int launches;
  };
  const Case cases[] = {
      {"Esc on the list", Start::kList, Qt::Key_Escape, Qt::NoModifier, Then::kClosed, 0},
      {"Esc on the button", Start::kButton, Qt::Key_Escape, Qt::NoModifier, Then::kClosed, 0},
      {"Shift+Esc is another key", Start::kList, Qt::Key_Escape, Qt::ShiftModifier, Then::kOnList, 0},
      {"Enter on the button", Start::kButton, Qt::Key_Return, Qt::NoModifier, Then::kOnButton, 0},
      {"keypad Enter on the button", Start::kButton, Qt::Key_Enter, Qt::KeypadModifier,
       Then::kOnButton, 0},
      {"Enter on the list", Start::kList, Qt::Key_Return, Qt::NoModifier, Then::kOnList, 0},
      {"F1 on the button", Start::kButton, Qt::Key_F1, Qt::NoModifier, Then::kOnButton, 0},
      {"F1 on the list", Start::kList, Qt::Key_F1, Qt::NoModifier, Then::kOnList, 0},
      {"Tab from the list", Start::kList, Qt::Key_Tab, Qt::NoModifier, Then::kOnButton, 0},
      {"Tab from the button", Start::kButton, Qt::Key_Tab, Qt::NoModifier, Then::kOnList, 0},
      {"Shift+Tab from the list", Start::kList, Qt::Key_Backtab, Qt::ShiftModifier,
       Then::kOnButton, 0},
      {"Shift+Tab from the button", Start::kButton, Qt::Key_Backtab, Qt::ShiftModifier,
       Then::kOnList, 0},
      {"Space on the button clicks it", Start::kButton, Qt::Key_Space, Qt::NoModifier,
       Then::kOnButton, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostListModel model;
    model.AddRow(kScan, "PC-01");
    int launches = 0;
    MainWindow window(&model, [&] { ++launches; });
    window.show();
    Activate(&window);
    QWidget* start = c.start == Start::kList ? static_cast<QWidget*>(window.HostListWidget())
                                             : window.RefreshButton();
    start->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), start);

    QTest::keyClick(start, c.key, c.modifiers);

    EXPECT_EQ(window.isVisible(), c.then != Then::kClosed);
    if (c.then == Then::kOnList) {
      EXPECT_EQ(QApplication::focusWidget(), window.HostListWidget());
    } else if (c.then == Then::kOnButton) {
      EXPECT_EQ(QApplication::focusWidget(), window.RefreshButton());
    }
    EXPECT_EQ(launches, c.launches);
  }
}

TEST_F(MainWindowTest, FocusReturnsToTheLastFocusedControlOnReactivation) {
  Button()->setFocus(Qt::TabFocusReason);
  QWidget other;
  other.show();
  Activate(&other);
  Activate(window_.get());
  EXPECT_EQ(QApplication::focusWidget(), Button());
}

TEST_F(MainWindowTest, HighlightCoversTheFirstCellOnlyAndOnlyWhileTheListHasFocus) {
  model_.AddRow(kScan, "");
  model_.AddRow(kScan, "");
  // Clicking any cell of a row selects that row; the highlight stays on cell 0.
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, CellCentre(1, 1));
  ASSERT_TRUE(List()->selectionModel()->isRowSelected(1, QModelIndex()));
  ASSERT_EQ(QApplication::focusWidget(), List());

  const QColor highlight = List()->palette().color(QPalette::Active, QPalette::Highlight);
  const auto colour_at = [&](int row, int column) {
    const QImage shot = List()->viewport()->grab().toImage();
    return QColor(shot.pixel(CellCentre(row, column)));
  };
  EXPECT_EQ(colour_at(1, 0), highlight);
  EXPECT_EQ(colour_at(1, 1), QColor(Qt::white));
  EXPECT_EQ(colour_at(1, 2), QColor(Qt::white));
  EXPECT_EQ(colour_at(0, 0), QColor(Qt::white));

  Button()->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(colour_at(1, 0), QColor(Qt::white));
  EXPECT_TRUE(List()->selectionModel()->isRowSelected(1, QModelIndex()));  // hidden, not lost
}

TEST_F(MainWindowTest, OnlyACellCutShortShowsItsWholeTextInATip) {
  const std::string long_text(80, 'W');
  model_.AddRow(kScan, "PC");
  model_.SetCell(kScan, 0, 2, long_text);
  struct Case {
    int column;
    bool tip;
  };
  const Case cases[] = {{0, false}, {1, false} /* empty */, {2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    QToolTip::hideText();
    const QPoint at = CellCentre(0, c.column);
    QHelpEvent help(QEvent::ToolTip, at, List()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(List()->viewport(), &help);
    EXPECT_EQ(QToolTip::isVisible(), c.tip);
    if (c.tip) {
      EXPECT_EQ(QToolTip::text(), QString::fromStdString(long_text));
    }
  }
  QToolTip::hideText();
}

}  // namespace
}  // namespace veldaro
