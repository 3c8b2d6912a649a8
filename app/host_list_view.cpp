#include "host_list_view.h"

#include <QFocusEvent>
#include <QFrame>
#include <QHeaderView>
#include <QPalette>

#include "host_cell_delegate.h"

namespace veldaro {

HostListView::HostListView(HostListModel* model, QWidget* parent) : QTreeView(parent) {
  setModel(model);
  setItemDelegate(new HostCellDelegate(this));

  // A flat list, not a tree: no expand arrows or indent, and rows of one
  // height so adding a row never measures the others.
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setAllColumnsShowFocus(false);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  QHeaderView* header = this->header();
  header->setSectionsMovable(false);
  header->setSectionsClickable(true);  // a click changes nothing: no sorting
  header->setSortIndicatorShown(false);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  for (int column = 0; column < HostListModel::kColumnCount; ++column) {
    setColumnWidth(column, kColumnWidths[column]);
  }

  QPalette colours = palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Base, Qt::white);
    colours.setColor(group, QPalette::Text, Qt::black);
  }
  // Selection hidden while the list lacks the focus: drawn in the list's own
  // colours.
  colours.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
  setPalette(colours);
}

void HostListView::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  viewport()->update();
}

void HostListView::focusOutEvent(QFocusEvent* event) {
  QTreeView::focusOutEvent(event);
  viewport()->update();
}

}  // namespace veldaro
