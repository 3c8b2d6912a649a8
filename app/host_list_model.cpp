#include "host_list_model.h"

#include <limits>

#include "display_text.h"

namespace veldaro {
namespace {

// Row indices are signed 32-bit numbers for the scans; a row past that range
// could not be named, so the list refuses it.
constexpr std::size_t kMaxRows = std::numeric_limits<std::int32_t>::max();

const char* const kCaptions[HostListModel::kColumnCount] = {
    "计算机名称",  // computer name
    "IP",
    "网卡地址",  // network-adapter address
};

}  // namespace

HostListModel::HostListModel(QObject* parent) : QAbstractTableModel(parent) {}

void HostListModel::ClearRows() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

std::int32_t HostListModel::AddRow(ScanId scan, const std::string& text) {
  if (rows_.size() >= kMaxRows) return -1;
  const int index = static_cast<int>(rows_.size());
  beginInsertRows(QModelIndex(), index, index);
  Row& row = rows_.emplace_back();
  row.scan = scan;
  row.cells[kNameColumn] = Cell{text, DecodeTextForDisplay(text)};
  endInsertRows();
  return index;
}

void HostListModel::SetCell(ScanId scan, std::int32_t row, std::int32_t column,
                            const std::string& text) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
  if (column < 0 || column >= kColumnCount) return;
  Row& target = rows_[static_cast<std::size_t>(row)];
  // A row another scan added (after a ClearRows of that scan) is not ours to
  // change, even when the index happens to match.
  if (target.scan != scan) return;
  target.cells[static_cast<std::size_t>(column)] = Cell{text, DecodeTextForDisplay(text)};
  const QModelIndex changed = index(row, column);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

std::string HostListModel::CellText(int row, int column) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return {};
  if (column < 0 || column >= kColumnCount) return {};
  return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)].bytes;
}

ScanId HostListModel::RowScan(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return 0;
  return rows_[static_cast<std::size_t>(row)].scan;
}

int HostListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int HostListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant HostListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) return {};
  switch (role) {
    case Qt::DisplayRole:
      return rows_[static_cast<std::size_t>(index.row())]
          .cells[static_cast<std::size_t>(index.column())]
          .shown;
    case Qt::TextAlignmentRole:
      // As a plain int: Qt 6.4's views read the alignment with toInt().
      return static_cast<int>(ColumnAlignment(index.column()));
    default:
      return {};
  }
}

QVariant HostListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromUtf8(kCaptions[section]);
    case Qt::TextAlignmentRole:
      return static_cast<int>(ColumnAlignment(section));
    default:
      return {};
  }
}

Qt::ItemFlags HostListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

Qt::Alignment HostListModel::ColumnAlignment(int column) {
  return column == kNameColumn ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
}

}  // namespace veldaro
