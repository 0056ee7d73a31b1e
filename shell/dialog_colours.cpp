// SPDX-License-Identifier: MIT
#include "dialog_colours.h"

#include <QPalette>

namespace tagwright::shell {

void UseDialogColours(QWidget& dialog) {
    QPalette colours = dialog.palette();
    colours.setColor(QPalette::Window, kDialogBackground);
    colours.setColor(QPalette::WindowText, kDialogText);
    dialog.setPalette(colours);
    dialog.setAutoFillBackground(true);
}

}  // namespace tagwright::shell
