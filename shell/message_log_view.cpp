#include "message_log_view.h"

#include <QHeaderView>

namespace tagwright::shell {

MessageLogView::MessageLogView(QWidget* parent) : QTreeView(parent) {
    setModel(&model_);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    // Every row is as high as the first: appending never measures the rows above.
    setUniformRowHeights(true);
    header()->setStretchLastSection(false);
    setColumnWidth(MessageLogModel::Number, 60);
    setColumnWidth(MessageLogModel::Text, 400);
    setColumnWidth(MessageLogModel::Code, 130);
    connect(&model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int, int last) {
                scrollTo(model_.index(last, 0), PositionAtBottom);
            });
}

}  // namespace tagwright::shell
