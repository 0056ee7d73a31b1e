#include "open_panel.h"

namespace tagwright::app {

OpenPanel::OpenPanel(panels::PanelKind kind, PanelParts parts, reader::DeviceSession& devices,
                     tag::LastProcessedUid& last)
    : kind_(kind),
      parts_(std::move(parts)),
      rows_(*parts_.panel),
      controller_(kind, *parts_.panel, devices, rows_, *parts_.timers, last) {}

}  // namespace tagwright::app
