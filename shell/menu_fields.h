// SPDX-License-Identifier: MIT
// The panels' free-text fields with their own context menu ("Copy all", "Clear all", "Undo",
// "Cut", "Copy", "Paste", "Clear", "Select all") in the current language. The menu's commands
// go to the field alone: "Copy all" shares its id with the SmartPoster menu item but never
// switches the panel.
#pragma once

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <memory>

namespace tagwright::shell {

// What the enable rules look at.
struct FieldState {
    bool hasText, canUndo, hasSelection, clipboardHasText;
};
bool FieldCommandEnabled(int commandId, const FieldState& state);

// The single-line field (URL, Title).
class MenuLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;
    // The menu as a right-click shows it, its items enabled by their rules.
    std::unique_ptr<QMenu> CreateFieldMenu();

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// The multi-line text box of the Text panel.
class MenuTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    using QPlainTextEdit::QPlainTextEdit;
    std::unique_ptr<QMenu> CreateFieldMenu();

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace tagwright::shell
