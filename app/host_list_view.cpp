#include "host_list_view.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QHeaderView>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimerEvent>

#include "host_cell_delegate.h"

namespace veldaro {
namespace {

// One frame of a 60 Hz screen: the scroll range cannot be seen to change faster.
constexpr int kScrollRangeDelayMs = 16;

}  // namespace

HostListView::HostListView(HostListModel* model, QWidget* parent) : QTableView(parent) {
  setModel(model);
  setItemDelegate(new HostCellDelegate(this));

  // A list, not a grid: no lines between cells, no row numbers, and a cell's
  // text stays on one line (cut short with an ellipsis when it does not fit).
  setShowGrid(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  // Tab leaves the list for the button instead of walking its cells.
  setTabKeyNavigation(false);
  // Sideways by the pixel, as a list scrolls; up and down by whole rows.
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  // Rows of one fixed height: where a row goes is its index times the
  // height, so adding a row never measures the others.
  QHeaderView* rows = verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  UpdateRowHeight();

  // When rows are appended the table lays itself out again and redraws every
  // visible row, although only the new rows changed; with one hand-over per
  // row, that repaint was most of what adding a row cost. Appended rows get
  // the scroll range updated and only their own place redrawn; anything else
  // (rows removed, a reset) goes the table's own way.
  connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
          [this](const QModelIndex& parent, int first, int) {
            appending_ = !parent.isValid() && first == this->model()->rowCount();
          });
  disconnect(rows, SIGNAL(sectionCountChanged(int,int)), this, SLOT(rowCountChanged(int,int)));
  connect(rows, &QHeaderView::sectionCountChanged, this, &HostListView::OnRowCountChanged);

  QHeaderView* header = horizontalHeader();
  header->setSectionsMovable(false);
  header->setSectionsClickable(true);  // a click changes nothing: no sorting, no selection
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

int HostListView::RowHeightForFont() const {
  // Measured as the style measures an item holding one line of text; the
  // text's width plays no part in the height.
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.features |= QStyleOptionViewItem::HasDisplay;
  option.text = QStringLiteral("X");
  option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height();
}

void HostListView::UpdateRowHeight() {
  const int height = RowHeightForFont();
  QHeaderView* rows = verticalHeader();
  // The header's own minimum comes from its style and font, not the list's.
  rows->setMinimumSectionSize(height);
  rows->setDefaultSectionSize(height);
}

void HostListView::OnRowCountChanged(int old_count, int new_count) {
  const bool appended = appending_ && new_count > old_count;
  appending_ = false;
  if (!appended) {
    rowCountChanged(old_count, new_count);
    return;
  }
  // Every row has the same height, so where the new rows are is arithmetic;
  // asking the header would make it add up every row's place again.
  const int row_height = verticalHeader()->defaultSectionSize();
  const QRect added(0, old_count * row_height - verticalHeader()->offset(), viewport()->width(),
                    (new_count - old_count) * row_height);
  // Rows appended below the visible ones change nothing on screen but the
  // scroll bar.
  if (added.intersects(viewport()->rect())) viewport()->update(added);
  // The scroll range takes in the new rows a moment later, not inside the
  // hand-over the scan waits for, and at most once a frame: a flood of rows
  // would otherwise redraw the scroll bar for every row, which nobody can see.
  if (!scroll_range_timer_.isActive()) scroll_range_timer_.start(kScrollRangeDelayMs, this);
}

void HostListView::timerEvent(QTimerEvent* event) {
  if (event->timerId() != scroll_range_timer_.timerId()) {
    QTableView::timerEvent(event);
    return;
  }
  scroll_range_timer_.stop();
  updateGeometries();
}

void HostListView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    UpdateRowHeight();
  }
}

QModelIndex HostListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // A table's Home and End go to the first and last cell of the row; a
  // list's go to its first and last row (what the table does with Ctrl).
  if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
  return QTableView::moveCursor(action, modifiers);
}

void HostListView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();
}

void HostListView::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
}

}  // namespace veldaro
