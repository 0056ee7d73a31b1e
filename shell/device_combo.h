// SPDX-License-Identifier: MIT
// The device combo of the device bar as the device session sees it. Every change the session
// makes is done with the widget's signals blocked, so that it never comes back to the session as
// the operator's selection change.
#pragma once

#include <QComboBox>

#include "reader/device_session.h"

namespace tagwright::shell {

class DeviceComboAdapter : public reader::DeviceCombo {
  public:
    explicit DeviceComboAdapter(QComboBox& combo) : combo_(combo) {}
    void Clear() override;
    void Add(const std::string& text) override;
    int Count() const override { return combo_.count(); }
    int Selected() const override { return combo_.currentIndex(); }
    void Select(int index) override;
    std::string Text(int index) const override { return combo_.itemText(index).toStdString(); }

  private:
    QComboBox& combo_;
};

// A combo that tells before its list drops down (the session refreshes the readers then). The
// device bar gives it a fixed width that a PC/SC reader's name outgrows: the box's tip and each
// row's show the whole name (the list itself is as wide as its longest row).
class DeviceComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit DeviceComboBox(QWidget* parent = nullptr);
    void showPopup() override;
  signals:
    void aboutToDropDown();
};

}  // namespace tagwright::shell
