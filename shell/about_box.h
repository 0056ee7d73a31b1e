// SPDX-License-Identifier: MIT
// The program icon and the About box ("About Tagwright", the icon, the product line and a line
// of our own with the version below it, OK).
#pragma once

#include <QIcon>
#include <QMessageBox>
#include <memory>

namespace tagwright::shell {

// Drawn, not loaded: a tag in the dialog text colour with three waves of a reader's field.
QIcon ProgramIcon();

std::unique_ptr<QMessageBox> MakeAboutBox(QWidget* parent);

}  // namespace tagwright::shell
