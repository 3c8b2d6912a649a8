#include "host_cell_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace veldaro {

namespace {

// The selection and focus are shown on the first cell only, and only while
// the list has the keyboard focus.
bool ShowsSelection(const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (index.column() != 0) return false;
  return option.widget == nullptr || option.widget->hasFocus();
}

}  // namespace

void HostCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!ShowsSelection(*option, index)) {
    option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
  }
  option->state &= ~QStyle::State_MouseOver;
}

void HostCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  // A table view paints a selected row's panel in the highlight colour under
  // every cell before the cell itself; a cell that shows no selection covers
  // it with the list's own background.
  if ((option.state & QStyle::State_Selected) && !ShowsSelection(option, index)) {
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                                : QPalette::Inactive;
    painter->fillRect(option.rect, option.palette.brush(group, QPalette::Base));
  }
  QStyledItemDelegate::paint(painter, option, index);
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
