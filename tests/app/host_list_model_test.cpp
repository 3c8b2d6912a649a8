#include "host_list_model.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace veldaro {
namespace {

constexpr ScanId kScan = 7;
constexpr ScanId kOtherScan = 8;

std::vector<std::string> RowCells(const HostListModel& model, int row) {
  return {model.CellText(row, 0), model.CellText(row, 1), model.CellText(row, 2)};
}

TEST(HostListModelTest, AddRowAppendsAtTheEndAndReturnsItsIndex) {
  HostListModel model;
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  EXPECT_EQ(model.AddRow(kScan, "PC-01"), 0);
  EXPECT_EQ(model.AddRow(kOtherScan, "PC-02"), 1);
  EXPECT_EQ(model.AddRow(kScan, ""), 2);
  EXPECT_EQ(model.rowCount(), 3);
  EXPECT_EQ(RowCells(model, 1), (std::vector<std::string>{"PC-02", "", ""}));
  EXPECT_EQ(RowCells(model, 2), (std::vector<std::string>{"", "", ""}));
}

TEST(HostListModelTest, SetCellChangesOnlyAnExistingCellOfItsOwnScansRow) {
  struct Case {
    const char* what;
    ScanId scan;
    std::int32_t row;
    std::int32_t column;
    std::vector<std::string> row0_after;  // row 1 never changes
    bool changes;
  };
  const Case cases[] = {
      {"column 1", kScan, 0, 1, {"PC-01", "new", ""}, true},
      {"column 2", kScan, 0, 2, {"PC-01", "", "new"}, true},
      {"column 0 replaces the name", kScan, 0, 0, {"new", "", ""}, true},
      {"row -1", kScan, -1, 1, {"PC-01", "", ""}, false},
      {"row equal to the row count", kScan, 2, 1, {"PC-01", "", ""}, false},
      {"huge row", kScan, INT32_MAX, 1, {"PC-01", "", ""}, false},
      {"column 3", kScan, 0, 3, {"PC-01", "", ""}, false},
      {"column -1", kScan, 0, -1, {"PC-01", "", ""}, false},
      {"row added by another scan", kOtherScan, 0, 1, {"PC-01", "", ""}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HostListModel model;
    model.AddRow(kScan, "PC-01");
    model.AddRow(kOtherScan, "PC-02");
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    model.SetCell(c.scan, c.row, c.column, "new");

    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(RowCells(model, 0), c.row0_after);
    EXPECT_EQ(RowCells(model, 1), (std::vector<std::string>{"PC-02", "", ""}));
    ASSERT_EQ(changed.count(), c.changes ? 1 : 0);
    if (c.changes) {
      // Only the one cell is reported, so a repaint touches only that cell.
      const QModelIndex cell = changed.front().at(0).value<QModelIndex>();
      EXPECT_EQ(cell, changed.front().at(1).value<QModelIndex>());
      EXPECT_EQ(cell.row(), c.row);
      EXPECT_EQ(cell.column(), c.column);
    }
  }
}

TEST(HostListModelTest, ClearRowsRemovesRowsAndTheSelection) {
  HostListModel model;
  QItemSelectionModel selection(&model);
  model.ClearRows();  // on an empty list: nothing to do, nothing breaks
  EXPECT_EQ(model.rowCount(), 0);

  model.AddRow(kScan, "PC-01");
  model.AddRow(kScan, "PC-02");
  selection.select(model.index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  selection.setCurrentIndex(model.index(1, 0), QItemSelectionModel::NoUpdate);
  ASSERT_TRUE(selection.hasSelection());

  model.ClearRows();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_FALSE(selection.hasSelection());
  EXPECT_FALSE(selection.currentIndex().isValid());
  // A later row at the old index is not selected.
  model.AddRow(kScan, "PC-03");
  model.AddRow(kScan, "PC-04");
  EXPECT_FALSE(selection.isRowSelected(1, QModelIndex()));
}

TEST(HostListModelTest, ShowsDecodedTextsWithColumnCaptionsAndAlignment) {
  HostListModel model;
  model.AddRow(kScan, "\x95\x5C" "A");
  model.SetCell(kScan, 0, 1, "192.168.100.100");
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), QString::fromStdU16String(u"\u661E" "A"));
  EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("192.168.100.100"));
  EXPECT_EQ(model.columnCount(), 3);

  const QString captions[] = {QString::fromUtf8("计算机名称"), QStringLiteral("IP"),
                              QString::fromUtf8("网卡地址")};
  const int alignments[] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignCenter};
  for (int column = 0; column < 3; ++column) {
    SCOPED_TRACE(column);
    EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), captions[column]);
    EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
              alignments[column]);
    EXPECT_EQ(model.data(model.index(0, column), Qt::TextAlignmentRole).toInt(), alignments[column]);
    EXPECT_FALSE(model.flags(model.index(0, column)) & Qt::ItemIsEditable);
    // No tips from the model: only a cut-short cell shows one (the view decides).
    EXPECT_FALSE(model.data(model.index(0, column), Qt::ToolTipRole).isValid());
  }
}

}  // namespace
}  // namespace veldaro
