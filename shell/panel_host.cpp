// SPDX-License-Identifier: MIT
#include "panel_host.h"

#include <QEvent>
#include <QScrollBar>
#include <algorithm>

#include "dialog_colours.h"

namespace tagwright::shell {

PanelHost::PanelHost(QWidget* parent) : QScrollArea(parent), canvas_(new QWidget) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setWidget(canvas_);
    for (QWidget* area : {static_cast<QWidget*>(this), viewport(), canvas_}) {
        QPalette colours = area->palette();
        colours.setColor(QPalette::Window, kDialogBackground);
        area->setPalette(colours);
        area->setAutoFillBackground(true);
    }
    canvas_->installEventFilter(this);
}

void PanelHost::Show(QWidget& panel) {
    panel_ = &panel;
    panel.setParent(canvas_);
    // Never smaller than the panel: where the pane is, it scrolls.
    canvas_->setMinimumSize(panel.size());
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    Centre();
    panel.show();
}

bool PanelHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == canvas_ && event->type() == QEvent::Resize) Centre();
    return QScrollArea::eventFilter(watched, event);
}

void PanelHost::Centre() {
    if (!panel_) return;
    panel_->move(std::max(0, (canvas_->width() - panel_->width()) / 2),
                 std::max(0, (canvas_->height() - panel_->height()) / 2));
}

}  // namespace tagwright::shell
