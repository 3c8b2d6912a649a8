#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host_rows.h"

namespace veldaro {

// The rows of the host list: three text cells each (name, IPv4 address,
// adapter address) plus the scan that added the row. Rows keep the order in
// which they were added; the model never sorts. Used on the UI thread only;
// other threads reach it through HostList.
class HostListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = 3;
  static constexpr int kNameColumn = 0;
  static constexpr int kIpv4Column = 1;
  static constexpr int kMacColumn = 2;

  explicit HostListModel(QObject* parent = nullptr);

  // Removes every row; views drop their selection with them.
  void ClearRows();

  // Appends a row whose cell 0 is a copy of `text` and whose other cells are
  // empty; returns its index, or -1 when the list cannot hold another row.
  std::int32_t AddRow(ScanId scan, const std::string& text);

  // Sets one cell to a copy of `text` when the row exists, was added by
  // `scan`, and the column is 0..2. Anything else changes nothing.
  void SetCell(ScanId scan, std::int32_t row, std::int32_t column, const std::string& text);

  // The bytes of a cell as they were given; empty for a cell that does not exist.
  std::string CellText(int row, int column) const;

  // The scan that added a row; 0 (no scan) for a row that does not exist.
  ScanId RowScan(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Cell {
    std::string bytes;
    QString shown;  // decoded once when set, not on every repaint
  };
  struct Row {
    ScanId scan = 0;
    std::array<Cell, kColumnCount> cells;
  };

  static Qt::Alignment ColumnAlignment(int column);

  std::vector<Row> rows_;
};

}  // namespace veldaro
