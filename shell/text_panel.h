// SPDX-License-Identifier: MIT
// The NFC Text panel: a multi-line text box and the count of its UTF-8 bytes above the shared
// option and file groups.
#pragma once

#include <QLineEdit>

#include "function_panel.h"
#include "menu_fields.h"

namespace tagwright::shell {

class TextPanel : public FunctionPanel {
    Q_OBJECT
  public:
    TextPanel(QWidget* parent, Dialogs dialogs);

    std::string contentText() const override { return textBox_->toPlainText().toStdString(); }
    void SetContentText(const std::string& text) override;
    void ShowText(const std::string& text) override { SetContentText(text); }

    MenuTextEdit& textBox() { return *textBox_; }
    QLineEdit& textLength() { return *textLength_; }

  private:
    MenuTextEdit* textBox_;
    QLineEdit* textLength_;
};

}  // namespace tagwright::shell
