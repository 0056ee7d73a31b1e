// SPDX-License-Identifier: MIT
// One function panel as it lives in the panel host: the front end's panel (widgets, or fields of
// a console), its timers, its spreadsheet rows and the operation controller that drives it.
//
// Destroying it destroys everything of the panel, its Auto operation timers included. The last
// processed UID is not the panel's: it belongs to the panel kind and outlives the panel.
#pragma once

#include <memory>
#include <optional>

#include "panels/core/operation_controller.h"
#include "panels/core/spreadsheet_source.h"
#include "reader/device_session.h"
#include "tag/detection.h"
#include "tag_journal.h"

namespace tagwright::app {

// What a front end makes for a panel: the panel itself and the timers its Auto operation runs
// on (window timers, a console loop, hand-driven timers in tests).
struct PanelParts {
    std::unique_ptr<panels::Panel> panel;
    std::unique_ptr<panels::TimerService> timers;
};

class OpenPanel {
  public:
    // With a journal, every tag the panel handles is recorded in it.
    OpenPanel(panels::PanelKind kind, PanelParts parts, reader::DeviceSession& devices,
              tag::LastProcessedUid& last, TagJournal* journal = nullptr);
    OpenPanel(const OpenPanel&) = delete;
    OpenPanel& operator=(const OpenPanel&) = delete;

    panels::PanelKind kind() const { return kind_; }
    panels::Panel& panel() { return *parts_.panel; }
    panels::TimerService& timers() { return *parts_.timers; }
    panels::SpreadsheetSource& rows() { return rows_; }
    panels::OperationController& controller() { return controller_; }

  private:
    panels::PanelKind kind_;
    // Destroyed in reverse: the controller (which kills its timers), the rows, the timers, the
    // panel.
    PanelParts parts_;
    panels::SpreadsheetSource rows_;
    std::optional<PanelJournal> journal_;
    panels::OperationController controller_;
};

}  // namespace tagwright::app
