// SPDX-License-Identifier: MIT
#include "journal_table_model.h"

#include "text/text_tables.h"

namespace tagwright::shell {
namespace {

// Time for reading in one turn of the event loop: short enough for the window to answer at once.
constexpr auto kSlice = std::chrono::milliseconds(15);

}  // namespace

JournalTableModel::JournalTableModel(QObject* parent) : QAbstractTableModel(parent) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &JournalTableModel::ReadSome);
}

JournalTableModel::~JournalTableModel() = default;

void JournalTableModel::Show(std::unique_ptr<app::JournalView> view) {
    beginResetModel();
    view_ = std::move(view);
    shown_ = 0;
    endResetModel();
    timer_.start();
}

void JournalTableModel::ReadSome() {
    const bool more = view_ && view_->ReadFor(kSlice);
    const int rows = view_ ? int(view_->rows().size()) : 0;
    if (rows > shown_) {
        // The view's rows grow while it reads; the model announces them here, all at once.
        beginInsertRows({}, shown_, rows - 1);
        shown_ = rows;
        endInsertRows();
    }
    if (!more) timer_.stop();
    emit progressed();
    if (!more) emit finished();
}

int JournalTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int JournalTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(app::kJournalColumns.size());
}

QVariant JournalTableModel::data(const QModelIndex& index, int role) const {
    if (!view_ || !index.isValid() || index.row() >= shown_ || role != Qt::DisplayRole) return {};
    const std::string_view cell =
        view_->rows().Cell(std::size_t(index.row()), std::size_t(index.column()));
    return QString::fromUtf8(cell.data(), qsizetype(cell.size()));
}

QVariant JournalTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    const std::string_view text = text::Tr(text::Table::JournalColumn, section);
    if (text.empty()) return {};
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace tagwright::shell
