#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "host_rows.h"

namespace veldaro::fakes {

// A host list in memory with the same rules as the window's: rows remember the
// scan that added them, SetCell on anything else changes nothing. Thread-safe;
// records every operation in order.
class FakeHostRows final : public HostRows {
 public:
  struct Row {
    ScanId scan;
    std::array<std::string, 3> cells;
  };

  void ClearRows() override {
    std::lock_guard lock(mutex_);
    rows_.clear();
    operations_.push_back("ClearRows()");
  }
  std::int32_t AddRow(ScanId scan, const std::string& text) override {
    std::int32_t row;
    {
      std::lock_guard lock(mutex_);
      row = static_cast<std::int32_t>(rows_.size());
      rows_.push_back({scan, {text, "", ""}});
      operations_.push_back("AddRow(" + std::to_string(scan) + "," + text + ")=" +
                            std::to_string(row));
    }
    if (after_add_row) after_add_row(scan, row);
    return row;
  }
  void SetCell(ScanId scan, std::int32_t row, std::int32_t column, const std::string& text) override {
    std::lock_guard lock(mutex_);
    operations_.push_back("SetCell(" + std::to_string(scan) + "," + std::to_string(row) + "," +
                          std::to_string(column) + "," + text + ")");
    if (row < 0 || row >= static_cast<std::int32_t>(rows_.size()) || column < 0 || column > 2) return;
    if (rows_[row].scan != scan) return;
    rows_[row].cells[column] = text;
  }

  std::vector<Row> rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
  }
  std::vector<std::string> operations() const {
    std::lock_guard lock(mutex_);
    return operations_;
  }

  // Runs on the calling thread right after a row was added, outside the lock:
  // lets a test put another scan's operations between a row's AddRow and its SetCell.
  std::function<void(ScanId, std::int32_t)> after_add_row;

 private:
  mutable std::mutex mutex_;
  std::vector<Row> rows_;
  std::vector<std::string> operations_;
};

}  // namespace veldaro::fakes
