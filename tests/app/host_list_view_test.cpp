// The host list's view on its own: it must look and behave as a list (one
// line per row at a tree's row height, rows moved through by the keyboard,
// a header that sorts and selects nothing) although it is a table underneath.
#include "host_list_view.h"

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QPaintEvent>
#include <QRegion>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>

#include "host_cell_delegate.h"

namespace veldaro {
namespace {

constexpr ScanId kScan = 1;

// How tall a tree view over the same model, font and cells makes its rows.
int TreeRowHeight(HostListModel* model, const QFont& font) {
  QTreeView tree;
  tree.setFont(font);
  tree.setModel(model);
  tree.setItemDelegate(new HostCellDelegate(&tree));
  tree.setRootIsDecorated(false);
  tree.setIndentation(0);
  tree.setUniformRowHeights(true);
  tree.resize(368, 200);
  return tree.visualRect(model->index(0, 0)).height();
}

TEST(HostListViewTest, RowsAreOneLineHighAsInATreeAndFollowTheFont) {
  struct Case {
    const char* what;
    int point_size_delta;
  };
  const Case cases[] = {{"default font", 0}, {"larger font", 6}, {"smaller font", -2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostListModel model;
    model.AddRow(kScan, "PC-01");
    model.SetCell(kScan, 0, HostListModel::kIpv4Column, "192.168.100.100");
    model.AddRow(kScan, "\xBC\xC6\xCB\xE3\xBB\xFA");  // CJK glyphs can be taller
    HostListView view(&model);
    view.resize(368, 200);
    QFont font = QApplication::font();
    font.setPointSize(font.pointSize() + c.point_size_delta);
    view.setFont(font);

    const int tree_height = TreeRowHeight(&model, font);
    ASSERT_GT(tree_height, 0);
    for (int row = 0; row < 2; ++row) {
      EXPECT_EQ(view.rowHeight(row), tree_height) << "row " << row;
      EXPECT_EQ(view.visualRect(model.index(row, 0)).top(), row * tree_height);
    }
    // Rows added later get the same height without measuring anything.
    model.AddRow(kScan, "PC-03");
    EXPECT_EQ(view.rowHeight(2), tree_height);
  }
}

TEST(HostListViewTest, KeysAndClicksMoveTheOneSelectedRowAsInAList) {
  constexpr int kRows = 40;  // more than fit, so paging moves by a screenful
  enum class Input { kKey, kHeaderClick };
  struct Case {
    const char* what;
    int start_row;
    Input input;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int selected_after;  // -1: a later row than the start, by some page
  };
  const Case cases[] = {
      {"Down", 3, Input::kKey, Qt::Key_Down, Qt::NoModifier, 4},
      {"Up", 3, Input::kKey, Qt::Key_Up, Qt::NoModifier, 2},
      {"Up on the first row stays", 0, Input::kKey, Qt::Key_Up, Qt::NoModifier, 0},
      {"Down on the last row stays", kRows - 1, Input::kKey, Qt::Key_Down, Qt::NoModifier, kRows - 1},
      {"Home goes to the first row", 17, Input::kKey, Qt::Key_Home, Qt::NoModifier, 0},
      {"End goes to the last row", 3, Input::kKey, Qt::Key_End, Qt::NoModifier, kRows - 1},
      {"Page Down moves by a screenful", 3, Input::kKey, Qt::Key_PageDown, Qt::NoModifier, -1},
      {"Right keeps the row", 3, Input::kKey, Qt::Key_Right, Qt::NoModifier, 3},
      {"Left keeps the row", 3, Input::kKey, Qt::Key_Left, Qt::NoModifier, 3},
      {"a letter edits nothing", 3, Input::kKey, Qt::Key_A, Qt::NoModifier, 3},
      {"F2 edits nothing", 3, Input::kKey, Qt::Key_F2, Qt::NoModifier, 3},
      {"a header click selects no column", 3, Input::kHeaderClick, Qt::Key_unknown, Qt::NoModifier, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostListModel model;
    for (int i = 0; i < kRows; ++i) model.AddRow(kScan, "PC-" + std::to_string(i));
    HostListView view(&model);
    view.resize(368, 200);
    view.show();
    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.setFocus(Qt::OtherFocusReason);
    // A click on the row's middle cell, as a user would.
    view.scrollTo(model.index(c.start_row, 0));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      view.visualRect(model.index(c.start_row, 1)).center());
    ASSERT_TRUE(view.selectionModel()->isRowSelected(c.start_row, QModelIndex()));

    if (c.input == Input::kKey) {
      QTest::keyClick(&view, c.key, c.modifiers);
    } else {
      QHeaderView* header = view.horizontalHeader();
      const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

    const QModelIndexList rows = view.selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 1);
    if (c.selected_after >= 0) {
      EXPECT_EQ(rows.front().row(), c.selected_after);
    } else {
      EXPECT_GT(rows.front().row(), c.start_row + 1);
    }
    EXPECT_EQ(view.currentIndex().row(), rows.front().row());
    // No editor opened: the focus stays on the list itself.
    EXPECT_EQ(QApplication::focusWidget(), &view);
    EXPECT_EQ(model.CellText(c.start_row, 0), "PC-" + std::to_string(c.start_row));
  }
}

// Collects what a widget is asked to repaint.
class PaintRecorder final : public QObject {
 public:
  explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
  QRegion Take() { return std::exchange(painted_, QRegion()); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted_ += static_cast<QPaintEvent*>(event)->region();
    return false;
  }

 private:
  QRegion painted_;
};

TEST(HostListViewTest, RowsAppearOneByOneAndOnlyWhatChangedIsRepainted) {
  HostListModel model;
  HostListView view(&model);
  view.resize(368, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  PaintRecorder recorder(view.viewport());
  const auto settle = [&] {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  };
  const auto row_rect = [&](int row) {
    return QRect(0, view.rowViewportPosition(row), view.viewport()->width(), view.rowHeight(row));
  };
  settle();
  recorder.Take();

  constexpr int kRows = 40;  // well past the rows that fit
  for (int row = 0; row < kRows; ++row) {
    SCOPED_TRACE(row);
    const QSize viewport_before = view.viewport()->size();
    ASSERT_EQ(model.AddRow(kScan, "PC-" + std::to_string(row)), row);
    settle();
    QRegion painted = recorder.Take();
    const bool visible = row_rect(row).intersects(view.viewport()->rect());
    if (view.viewport()->size() == viewport_before) {
      // The new row is drawn; the rows already there are not drawn again.
      EXPECT_EQ(painted.contains(row_rect(row) & view.viewport()->rect()), visible);
      EXPECT_TRUE((painted & QRegion(0, 0, view.viewport()->width(), view.rowViewportPosition(row)))
                      .isEmpty());
    }

    model.SetCell(kScan, row, HostListModel::kIpv4Column, "10.0.0." + std::to_string(row));
    settle();
    painted = recorder.Take();
    const QRect cell = view.visualRect(model.index(row, HostListModel::kIpv4Column));
    EXPECT_EQ(painted.contains(cell & view.viewport()->rect()), visible);
    EXPECT_TRUE((painted - cell).isEmpty());
  }
  // The scroll range follows the rows added below the visible ones (within
  // a frame).
  const int visible_rows = view.viewport()->height() / view.rowHeight(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.verticalScrollBar()->maximum() >= kRows - visible_rows; }));
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  EXPECT_EQ(view.rowAt(view.viewport()->height() - 1), kRows - 1);

  // Emptying the list goes the table's usual way: everything redrawn.
  model.ClearRows();
  settle();
  EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
  EXPECT_TRUE(recorder.Take().contains(view.viewport()->rect()));
}

}  // namespace
}  // namespace veldaro
