// SPDX-License-Identifier: MIT
// The message log's lines as a model: number, text, error code, one colour per line. Lines are
// only appended (one row inserted, nothing else touched) or all cleared.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <vector>

#include "log/log_feed.h"

namespace tagwright::shell {

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
