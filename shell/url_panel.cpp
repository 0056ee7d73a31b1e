// SPDX-License-Identifier: MIT
#include "url_panel.h"

#include <algorithm>

#include "ndef/uri_record.h"
#include "text/text_tables.h"

namespace tagwright::shell {

UrlPanel::UrlPanel(QWidget* parent, Dialogs dialogs, bool withTitle)
    : FunctionPanel(parent, std::move(dialogs)) {
    namespace l = text::label;
    const DialogUnits& du = units();
    // The content area of the Text panel's size: Title above, prefix list and URL below.
    if (withTitle) {
        PlaceLabel(this, du, 1019, Label(l::kTitle), Qt::AlignRight, 72, 38, 40, 8);
        title_ = PlaceNew<MenuLineEdit>(this, du, 1025, 116, 35, 328, 14);
    }
    const int y = withTitle ? 62 : 50;
    PlaceLabel(this, du, 1020, Label(l::kUrl), Qt::AlignRight, 72, y + 3, 40, 8);
    prefix_ = PlaceNew<QComboBox>(this, du, 1026, 116, y, 80, 14);
    for (std::string_view prefix : ndef::kUriPrefixes)
        prefix_->addItem(QString::fromUtf8(prefix.data(), qsizetype(prefix.size())));
    prefix_->setCurrentIndex(0);
    url_ = PlaceNew<MenuLineEdit>(this, du, 1021, 200, y, 244, 14);
    // Below the prefix list, in the content area's free line: what the tag mirrors into the URL.
    PlaceLabel(this, du, 1056, Label(l::kMirror), Qt::AlignRight, 72, y + 21, 40, 8);
    mirror_ = PlaceNew<QComboBox>(this, du, 1057, 116, y + 18, 80, 14);
    for (int entry : {l::kMirrorNone, l::kMirrorUid, l::kMirrorCounter, l::kMirrorBoth})
        mirror_->addItem(Label(entry));
    const std::string_view tip = text::Tr(text::Table::Tip, text::tip::kMirror);
    mirror_->setToolTip(QString::fromUtf8(tip.data(), qsizetype(tip.size())));
    if (title_) {
        OrderTabStops({title_, prefix_, url_, mirror_});
    } else {
        OrderTabStops({prefix_, url_, mirror_});
    }
}

void UrlPanel::SetContentText(const std::string& text) {
    url_->setText(QString::fromStdString(text));
}

int UrlPanel::prefixCode() const {
    const int row = prefix_->currentIndex();
    return row < 0 ? panels::kNoPrefix : row;
}

tag::MirrorKind UrlPanel::mirror() const {
    return static_cast<tag::MirrorKind>(std::max(0, mirror_->currentIndex()));
}

void UrlPanel::ShowPrefix(int code) {
    prefix_->setCurrentIndex(code == panels::kNoPrefix ? -1 : code);
}

void SmartPosterPanel::ShowTitle(const std::string& title) {
    title_->setText(QString::fromStdString(title));
}

}  // namespace tagwright::shell
