// SPDX-License-Identifier: MIT
// The key fields and the row-number field: line edits that ask the core's typing filters before
// handling a key. Pasting is not filtered.
#pragma once

#include <QLineEdit>

#include "app/key_filters.h"

namespace tagwright::shell {

// The key code and typed character of a Qt key event, as the typing filters take them.
int FilterKeyCode(int qtKey);
// Ctrl with a letter types the letter's control character, as on Windows, whatever text the
// platform gives the event.
char32_t TypedCharacter(const QString& text, int qtKey, bool control);

class HexKeyEdit : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    app::HexKeyFilter filter_;
};

// The row-number field. Its typing limit binds only what the operator types, pastes or drops: a
// number the program sets stands whole, however long, as with a Windows edit control's limit.
class RowNumberEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit RowNumberEdit(const QString& text, QWidget* parent = nullptr);

    void SetTypingLimit(int characters);
    // The text as the program sets it, past the typing limit if need be.
    void SetNumberText(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // QLineEdit's own limit cuts every text it is given, the program's too. It is kept at the
    // typing limit or at the length of a longer text the program set, whichever is more, so
    // that such a text can be shortened but not lengthened by typing.
    void FitLimitToText();

    app::RowNumberFilter filter_;
    int typingLimit_ = 32767;
};

}  // namespace tagwright::shell
