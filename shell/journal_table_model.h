// SPDX-License-Identifier: MIT
// The journal's records as a table: a view of the journal read a piece at a time from the event
// loop, its rows appearing as they are read, so that a long journal never freezes the window.
#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <memory>

#include "app/journal_view.h"

namespace tagwright::shell {

class JournalTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit JournalTableModel(QObject* parent = nullptr);
    ~JournalTableModel() override;

    // Shows `view` from now on (what was shown goes); its records come in as it is read.
    void Show(std::unique_ptr<app::JournalView> view);
    bool loading() const { return timer_.isActive(); }
    // The view shown, or nullptr.
    const app::JournalView* view() const { return view_.get(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  signals:
    // Rows came in, or the view was read to its end.
    void progressed();
    void finished();

  private:
    void ReadSome();

    std::unique_ptr<app::JournalView> view_;
    int shown_ = 0;  // the rows of view_ the model has announced
    QTimer timer_;
};

}  // namespace tagwright::shell
