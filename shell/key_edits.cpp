// SPDX-License-Identifier: MIT
#include "key_edits.h"

#include <QKeyEvent>
#include <algorithm>

namespace tagwright::shell {

int FilterKeyCode(int qtKey) {
    namespace key = app::key;
    switch (qtKey) {
        case Qt::Key_Control:
            return key::kControl;
        case Qt::Key_Backspace:
            return key::kBackspace;
        case Qt::Key_Delete:
            return key::kDelete;
        case Qt::Key_Left:
            return key::kLeft;
        case Qt::Key_Right:
            return key::kRight;
        case Qt::Key_Up:
            return key::kUp;
        case Qt::Key_Down:
            return key::kDown;
        case Qt::Key_Home:
            return key::kHome;
        case Qt::Key_End:
            return key::kEnd;
        case Qt::Key_PageUp:
            return key::kPageUp;
        case Qt::Key_PageDown:
            return key::kPageDown;
        case Qt::Key_Insert:
            return key::kInsert;
        default:
            break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return key::kF1 + (qtKey - Qt::Key_F1);
    // Digits and capital letters have the same codes in both.
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    return 0;  // any other key: a code no rule accepts
}

char32_t TypedCharacter(const QString& text, int qtKey, bool control) {
    if (control && qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return char32_t(qtKey - Qt::Key_A + 1);
    // Delete types nothing on Windows; some platforms give it the character DEL.
    if (qtKey == Qt::Key_Delete || text.isEmpty()) return 0;
    const auto codes = text.toUcs4();
    return codes.isEmpty() ? 0 : char32_t(codes.front());
}

void HexKeyEdit::keyPressEvent(QKeyEvent* event) {
    if (app::KeyPress(filter_, FilterKeyCode(event->key()),
                      TypedCharacter(event->text(), event->key(),
                                     event->modifiers().testFlag(Qt::ControlModifier))) ==
        app::Verdict::Refused) {
        event->accept();  // dropped: the edit never sees it
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void HexKeyEdit::keyReleaseEvent(QKeyEvent* event) {
    filter_.KeyUp(FilterKeyCode(event->key()));
    QLineEdit::keyReleaseEvent(event);
}

RowNumberEdit::RowNumberEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
    connect(this, &QLineEdit::textEdited, this, &RowNumberEdit::FitLimitToText);
}

void RowNumberEdit::SetTypingLimit(int characters) {
    typingLimit_ = characters;
    FitLimitToText();
}

void RowNumberEdit::SetNumberText(const QString& text) {
    if (text.size() > maxLength()) setMaxLength(int(text.size()));
    setText(text);
    FitLimitToText();
}

void RowNumberEdit::FitLimitToText() {
    const int fit = std::max(typingLimit_, int(text().size()));
    if (fit == maxLength()) return;
    // Setting the limit sets the text anew, which moves the caret to the end.
    const int caret = cursorPosition();
    setMaxLength(fit);
    setCursorPosition(caret);
}

void RowNumberEdit::keyPressEvent(QKeyEvent* event) {
    if (app::KeyPress(filter_, FilterKeyCode(event->key()),
                      TypedCharacter(event->text(), event->key(),
                                     event->modifiers().testFlag(Qt::ControlModifier))) ==
        app::Verdict::Refused) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace tagwright::shell
