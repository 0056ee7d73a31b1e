// SPDX-License-Identifier: MIT
#include "menu_fields.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <functional>

#include "text/menus.h"

namespace tagwright::shell {

namespace {

bool ClipboardHasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText();
}

// The field's side of every command.
struct FieldCommands {
    std::function<void()> selectAll, copy, clear, undo, cut, paste;
};

std::unique_ptr<QMenu> BuildMenu(QWidget* owner, const FieldState& state, FieldCommands commands) {
    namespace c = text::command;
    // Owned by the caller alone, not by the field as well.
    auto menu = std::make_unique<QMenu>();
    const auto language = text::UiLanguage();
    for (const text::MenuItem& item : text::ContextMenu()) {
        if (item.kind == text::MenuItem::Kind::Separator) {
            menu->addSeparator();
            continue;
        }
        if (item.kind != text::MenuItem::Kind::Command) continue;
        const std::string_view caption = item.In(language);
        QAction* action =
            menu->addAction(QString::fromUtf8(caption.data(), qsizetype(caption.size())));
        action->setData(item.commandId);
        action->setEnabled(FieldCommandEnabled(item.commandId, state));
        std::function<void()> run;
        switch (item.commandId) {
            case c::kCopyAll:
                run = [commands] {
                    commands.selectAll();
                    commands.copy();  // the whole text stays selected
                };
                break;
            case c::kClearAll:
                run = [commands] {
                    commands.selectAll();
                    commands.clear();
                };
                break;
            case c::kUndo:
                run = commands.undo;
                break;
            case c::kCut:
                run = commands.cut;
                break;
            case c::kCopy:
                run = commands.copy;
                break;
            case c::kPaste:
                run = commands.paste;
                break;
            case c::kClear:
                run = commands.clear;
                break;
            case c::kSelectAll:
                run = commands.selectAll;
                break;
            default:
                break;
        }
        if (run) QObject::connect(action, &QAction::triggered, owner, run);
    }
    return menu;
}

}  // namespace

bool FieldCommandEnabled(int commandId, const FieldState& state) {
    namespace c = text::command;
    switch (commandId) {
        case c::kCopyAll:
        case c::kClearAll:
        case c::kSelectAll:
            return state.hasText;
        case c::kUndo:
            return state.canUndo;
        case c::kCut:
        case c::kCopy:
        case c::kClear:
            return state.hasSelection;
        case c::kPaste:
            return state.clipboardHasText;
        default:
            return false;
    }
}

std::unique_ptr<QMenu> MenuLineEdit::CreateFieldMenu() {
    const FieldState state{!text().isEmpty(), isUndoAvailable(), hasSelectedText(),
                           ClipboardHasText()};
    return BuildMenu(this, state,
                     {[this] { selectAll(); }, [this] { copy(); }, [this] { del(); },
                      [this] { undo(); }, [this] { cut(); }, [this] { paste(); }});
}

void MenuLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    CreateFieldMenu()->exec(event->globalPos());
}

std::unique_ptr<QMenu> MenuTextEdit::CreateFieldMenu() {
    const FieldState state{!document()->isEmpty(), document()->isUndoAvailable(),
                           textCursor().hasSelection(), ClipboardHasText()};
    return BuildMenu(
        this, state,
        {[this] { selectAll(); }, [this] { copy(); }, [this] { textCursor().removeSelectedText(); },
         [this] { undo(); }, [this] { cut(); }, [this] { paste(); }});
}

void MenuTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    CreateFieldMenu()->exec(event->globalPos());
}

}  // namespace tagwright::shell
