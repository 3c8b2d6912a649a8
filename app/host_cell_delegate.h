#pragma once

#include <QStyledItemDelegate>

namespace veldaro {

// Draws the host list's cells: the selection and focus are shown on the first
// cell of a row only, cells never light up under the mouse, and a cell whose
// text does not fit (and so is drawn cut short with an ellipsis) shows its
// whole text in a tip on hover. Cells that fit show no tip.
class HostCellDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // Whether the cell's text is wider than the room the style gives it.
  static bool IsTextCut(const QStyleOptionViewItem& option, const QWidget* widget);

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace veldaro
