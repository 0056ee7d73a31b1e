// SPDX-License-Identifier: MIT
// The colours of every dialog of the program: the function panels, the About box and the message
// boxes. Light blue background, dark blue text.
#pragma once

#include <QColor>
#include <QWidget>

namespace tagwright::shell {

inline const QColor kDialogBackground{214, 230, 244};
inline const QColor kDialogText{41, 90, 136};

// Gives `dialog` and the children that take their parent's colours the dialog colours.
void UseDialogColours(QWidget& dialog);

}  // namespace tagwright::shell
