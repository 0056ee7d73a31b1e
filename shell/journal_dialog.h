// SPDX-License-Identifier: MIT
// File -> Journal...: the journal's records in a table (today's by default, another day's, or
// one batch file's from every day), exported as CSV, and the folder the journal lives in. It
// only displays; the reading, filtering and export are the core's (app/journal_view.h).
#pragma once

#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "app/journal_file.h"
#include "function_panel.h"
#include "journal_table_model.h"

namespace tagwright::shell {

class JournalDialog : public QDialog {
    Q_OBJECT
  public:
    // The batch file is chosen with dialogs.chooseFile, the export file with
    // dialogs.chooseSaveFile (a platform save dialog when unset).
    JournalDialog(QWidget* parent, app::JournalFile journal, Dialogs dialogs);

    void ShowDay(const QDate& day);
    void ShowBatch(const QString& file);

    // Named for tests.
    QDateEdit& dayEdit() { return *day_; }
    QPushButton& batchButton() { return *batch_; }
    QPushButton& exportButton() { return *export_; }
    QPushButton& closeButton() { return *close_; }
    QTableView& table() { return *table_; }
    JournalTableModel& model() { return *model_; }
    QLabel& status() { return *status_; }
    QLabel& folder() { return *folder_; }

  private:
    void Export();
    void UpdateStatus();

    app::JournalFile journal_;
    Dialogs dialogs_;
    JournalTableModel* model_ = nullptr;
    QDateEdit* day_ = nullptr;
    QPushButton *batch_ = nullptr, *export_ = nullptr, *close_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel *status_ = nullptr, *folder_ = nullptr;
    QString batchFile_;  // empty when a day is shown
};

}  // namespace tagwright::shell
