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

class RowNumberEdit : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    app::RowNumberFilter filter_;
};

}  // namespace tagwright::shell
