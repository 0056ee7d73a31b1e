// SPDX-License-Identifier: MIT
#include "message_log_view.h"

#include <QHeaderView>
#include <QTimer>

namespace tagwright::shell {

MessageLogView::MessageLogView(QWidget* parent) : QTableView(parent) {
    setModel(&model_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setShowGrid(false);
    setWordWrap(false);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    // Every row has the same fixed height: appending never measures the rows above.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    horizontalHeader()->setStretchLastSection(false);
    setColumnWidth(MessageLogModel::Number, 60);
    setColumnWidth(MessageLogModel::Text, 400);
    setColumnWidth(MessageLogModel::Code, 130);
    // Scrolling lays the rows out; it is done once for all the lines a run appends, when the
    // event loop comes round, not once per line.
    connect(&model_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (scrollPending_) return;
        scrollPending_ = true;
        QTimer::singleShot(0, this, [this] {
            scrollPending_ = false;
            scrollToBottom();
        });
    });
}

}  // namespace tagwright::shell
