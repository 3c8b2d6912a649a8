#include "host_cell_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

namespace veldaro {

void HostCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.column() != 0) option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
  // The selection is not shown while the list lacks the keyboard focus.
  if (option->widget != nullptr && !option->widget->hasFocus()) {
    option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
  }
  option->state &= ~QStyle::State_MouseOver;
}

bool HostCellDelegate::IsTextCut(const QStyleOptionViewItem& option, const QWidget* widget) {
  if (option.text.isEmpty()) return false;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  const QRect text_rect = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
  // The style keeps this margin free on both sides of the text when it draws
  // (and elides) it.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, widget) + 1;
  return option.fontMetrics.horizontalAdvance(option.text) > text_rect.width() - 2 * margin;
}

bool HostCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip) {
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  }
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  if (!index.isValid() || !IsTextCut(cell, view)) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  QToolTip::showText(event->globalPos(), cell.text, view->viewport(), cell.rect);
  return true;
}

}  // namespace veldaro
