#include "host_list.h"

#include <utility>

namespace veldaro {

HostList::HostList(HostListModel* model, std::shared_ptr<UiCallQueue> queue)
    : model_(model), queue_(std::move(queue)) {}

void HostList::ClearRows() {
  queue_->Call([this] { model_->ClearRows(); });
}

std::int32_t HostList::AddRow(ScanId scan, const std::string& text) {
  // Written on the UI thread, read here only after Call() has returned true,
  // which happens after the write (the queue's promise orders the two).
  std::int32_t row = -1;
  if (!queue_->Call([this, scan, &text, &row] { row = model_->AddRow(scan, text); })) return -1;
  return row;
}

void HostList::SetCell(ScanId scan, std::int32_t row, std::int32_t column,
                       const std::string& text) {
  queue_->Call([this, scan, row, column, &text] { model_->SetCell(scan, row, column, text); });
}

void HostList::Close() { queue_->Close(); }

}  // namespace veldaro
