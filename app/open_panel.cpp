// SPDX-License-Identifier: MIT
#include "open_panel.h"

namespace tagwright::app {

OpenPanel::OpenPanel(panels::PanelKind kind, PanelParts parts, reader::DeviceSession& devices,
                     tag::LastProcessedUid& last, TagJournal* journal)
    : kind_(kind),
      parts_(std::move(parts)),
      rows_(*parts_.panel),
      controller_(kind, *parts_.panel, devices, rows_, *parts_.timers, last, devices.sleeper()) {
    if (journal == nullptr) return;
    journal_.emplace(*journal, devices, kind, rows_);
    controller_.SetJournal(&*journal_);
}

}  // namespace tagwright::app
