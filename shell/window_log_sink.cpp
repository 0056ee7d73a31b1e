// SPDX-License-Identifier: MIT
#include "window_log_sink.h"

namespace tagwright::shell {

void ShowInColour(QLabel& label, const QString& text, feed::Rgb colour) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    label.setPalette(palette);
    label.setText(text);
}

void ShowTips(QLabel& tips, const QString& text, feed::Rgb colour) {
    ShowInColour(tips, text, colour);
    tips.setToolTip(text);
}

}  // namespace tagwright::shell
