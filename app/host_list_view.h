#pragma once

#include <QTreeView>

#include "host_list_model.h"

namespace veldaro {

// The host list as the user sees it: a report view with a header of three
// fixed-order columns, one line per row, at most one selected row whose
// highlight covers the first cell only and disappears while the list lacks the
// keyboard focus. Black text on white, no editing, no sorting, no grid.
class HostListView final : public QTreeView {
  Q_OBJECT

 public:
  static constexpr int kColumnWidths[HostListModel::kColumnCount] = {100, 100, 120};

  explicit HostListView(HostListModel* model, QWidget* parent = nullptr);

 protected:
  // The highlight comes and goes with the focus, so the whole list is redrawn
  // (the base class only redraws the current cell, which need not be the
  // highlighted first cell).
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace veldaro
