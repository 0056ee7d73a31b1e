// SPDX-License-Identifier: MIT
#include "text_panel.h"

#include "text/text_tables.h"

namespace tagwright::shell {

TextPanel::TextPanel(QWidget* parent, Dialogs dialogs) : FunctionPanel(parent, std::move(dialogs)) {
    namespace l = text::label;
    const DialogUnits& du = units();
    PlaceLabel(this, du, 1027, Label(l::kTextToBeWritten), Qt::AlignLeft, 76, 18, 95, 8);
    // Created hidden, captioned all the same.
    PlaceLabel(this, du, 1028, Label(l::kTextLength), Qt::AlignRight, 304, 18, 53, 8)->hide();
    textLength_ = PlaceNew<QLineEdit>(this, du, 1011, 364, 15, 45, 14, QStringLiteral("0"));
    textLength_->setReadOnly(true);
    PlaceLabel(this, du, 1029, Label(l::kBytes), Qt::AlignLeft, 417, 18, 21, 8);
    textBox_ = PlaceNew<MenuTextEdit>(this, du, 1009, 72, 33, 372, 57);
    textBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control; a tab character never reaches a tag's text.
    textBox_->setTabChangesFocus(true);
    connect(textBox_, &QPlainTextEdit::textChanged, this, [this] {
        textLength_->setText(QString::number(textBox_->toPlainText().toUtf8().size()));
    });
    OrderTabStops({textLength_, textBox_});
}

void TextPanel::SetContentText(const std::string& text) {
    textBox_->setPlainText(QString::fromStdString(text));
}

}  // namespace tagwright::shell
