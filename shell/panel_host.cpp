// SPDX-License-Identifier: MIT
#include "panel_host.h"

#include <algorithm>

namespace tagwright::shell {

PanelHost::PanelHost(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(214, 230, 244));
    setPalette(colours);
}

void PanelHost::Show(QWidget& panel) {
    panel_ = &panel;
    Centre();
    panel.show();
}

void PanelHost::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Centre();
}

void PanelHost::Centre() {
    if (!panel_) return;
    panel_->move(std::max(0, (width() - panel_->width()) / 2),
                 std::max(0, (height() - panel_->height()) / 2));
}

}  // namespace tagwright::shell
