#pragma once

#include <QBasicTimer>
#include <QTableView>

#include "host_list_model.h"

namespace veldaro {

// The host list as the user sees it: a report view with a header of three
// fixed-order columns, one line per row, at most one selected row whose
// highlight covers the first cell only and disappears while the list lacks the
// keyboard focus. Black text on white, no editing, no sorting, no grid.
//
// A table view rather than a tree view: a tree lays out every row again each
// time a row is added, so the cost of adding grew with the list; a table with
// rows of one fixed height places a row by arithmetic, whatever the list holds.
class HostListView final : public QTableView {
  Q_OBJECT

 public:
  static constexpr int kColumnWidths[HostListModel::kColumnCount] = {100, 100, 120};

  explicit HostListView(HostListModel* model, QWidget* parent = nullptr);

  // The height of every row: one line of text in the list's font, as the
  // style pads an item (the height a tree view gives its rows).
  int RowHeightForFont() const;

 protected:
  // The highlight comes and goes with the focus, so the whole list is redrawn
  // (the base class only redraws the current cell, which need not be the
  // highlighted first cell).
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // The row height follows the font and the style.
  void changeEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  // Home and End go to the first and last row, as in a list.
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

 private:
  void UpdateRowHeight();
  // Replaces the table's own handling of a changed row count.
  void OnRowCountChanged(int old_count, int new_count);

  // Set while the model appends rows (rows after the last one).
  bool appending_ = false;
  // Runs while appended rows wait for the scroll range to take them in.
  QBasicTimer scroll_range_timer_;
};

}  // namespace veldaro
