#pragma once

#include <cstdint>
#include <string>

namespace veldaro {

// Identifies one scan. Rows remember the scan that added them so that a scan's
// SetCell can never land on a row another scan added after a ClearRows.
using ScanId = std::uint64_t;

// The visible host list as a scan sees it. Each operation is carried out whole
// before the next one starts, whichever thread calls it.
class HostRows {
 public:
  virtual ~HostRows() = default;

  // Removes every row (and with them the selection).
  virtual void ClearRows() = 0;

  // Appends a row whose cell 0 is `text`; returns its index, or -1 when the
  // list refused it.
  virtual std::int32_t AddRow(ScanId scan, const std::string& text) = 0;

  // Sets one cell of a row that `scan` added; any other row, a row or column
  // out of range, changes nothing.
  virtual void SetCell(ScanId scan, std::int32_t row, std::int32_t column,
                       const std::string& text) = 0;
};

}  // namespace veldaro
