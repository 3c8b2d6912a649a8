#pragma once

#include <memory>

#include "host_list_model.h"
#include "host_rows.h"
#include "ui_call_queue.h"

namespace veldaro {

// The host list as scans reach it: each operation is handed to the UI thread
// and carried out there whole while the calling scan waits, so operations of
// different scans never overlap. Once closed (the window is gone) every
// operation returns at once without touching the list; AddRow then gives -1.
class HostList final : public HostRows {
 public:
  // Make on the UI thread. `model` must stay alive until Close() has run.
  HostList(HostListModel* model, std::shared_ptr<UiCallQueue> queue);

  void ClearRows() override;
  std::int32_t AddRow(ScanId scan, const std::string& text) override;
  void SetCell(ScanId scan, std::int32_t row, std::int32_t column,
               const std::string& text) override;

  // UI thread: releases scans waiting on the list and refuses further calls.
  void Close();

 private:
  HostListModel* const model_;
  const std::shared_ptr<UiCallQueue> queue_;
};

}  // namespace veldaro
