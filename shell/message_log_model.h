// SPDX-License-Identifier: MIT
// The message log's lines as a model: number, text, error code, one colour per line; the number
// and the code centred. Lines are only appended (one row inserted, nothing else touched) or all
// cleared.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <vector>

#include "log/log_feed.h"

namespace tagwright::shell {

// What a line break of a logged text shows as, so that the whole text stands on its one row.
inline constexpr QChar kLineBreakMark{u'\u21B5'};  // DOWNWARDS ARROW WITH CORNER LEFTWARDS
QString OnOneLine(QString text);

class MessageLogModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Number, Text, Code, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void Append(const feed::LogLine& line);
    void Clear();

  private:
    struct Row {
        QString number, text, code;
        QColor colour;
    };
    std::vector<Row> rows_;
};

}  // namespace tagwright::shell
