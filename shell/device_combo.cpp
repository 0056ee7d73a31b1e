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
    const QString name = QString::fromStdString(text);
    combo_.addItem(name);
    // A PC/SC reader's name is longer than the box shows: the whole name is its tip.
    combo_.setItemData(combo_.count() - 1, name, Qt::ToolTipRole);
}

void DeviceComboAdapter::Select(int index) {
    const QSignalBlocker quiet(combo_);
    combo_.setCurrentIndex(index < combo_.count() ? index : -1);
    combo_.setToolTip(combo_.currentText());
}

DeviceComboBox::DeviceComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

void DeviceComboBox::showPopup() {
    emit aboutToDropDown();
    QComboBox::showPopup();
}

}  // namespace tagwright::shell
