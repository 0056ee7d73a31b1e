// SPDX-License-Identifier: MIT
#include "message_log_model.h"

namespace tagwright::shell {

QString OnOneLine(QString text) {
    // A row is one line high: a line break would hide what follows it.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar('\n'), kLineBreakMark);
    return text;
}

int MessageLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int MessageLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MessageLogModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = rows_[std::size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return index.column() == Number ? row.number
                   : index.column() == Text ? row.text
                                            : row.code;
        case Qt::ForegroundRole:
            return row.colour;
        case Qt::TextAlignmentRole:
            return index.column() == Text ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                          : QVariant(Qt::AlignCenter);
        default:
            return {};
    }
}

void MessageLogModel::Append(const feed::LogLine& line) {
    // Texts are formatted once here, so painting a row does no work of its own.
    const int at = int(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back({QString::number(line.number), OnOneLine(QString::fromStdString(line.text)),
                     QString::fromStdString(feed::FormatErrorCode(line.code)),
                     QColor(line.colour.red, line.colour.green, line.colour.blue)});
    endInsertRows();
}

void MessageLogModel::Clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

}  // namespace tagwright::shell
