// SPDX-License-Identifier: MIT
#include "device_combo.h"

#include <QSignalBlocker>

namespace tagwright::shell {

void DeviceComboAdapter::Clear() {
    const QSignalBlocker quiet(combo_);
    combo_.clear();
}

void DeviceComboAdapter::Add(const std::string& text) {
    const QSignalBlocker quiet(combo_);
    combo_.addItem(QString::fromStdString(text));
}

void DeviceComboAdapter::Select(int index) {
    const QSignalBlocker quiet(combo_);
    combo_.setCurrentIndex(index < combo_.count() ? index : -1);
}

void DeviceComboBox::showPopup() {
    emit aboutToDropDown();
    QComboBox::showPopup();
}

}  // namespace tagwright::shell
