// SPDX-License-Identifier: MIT
#include "journal_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "dialog_colours.h"
#include "text/text_tables.h"

namespace tagwright::shell {
namespace {

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
QString Label(int entry) {
    return Qs(text::Tr(text::Table::Label, entry));
}

}  // namespace

JournalDialog::JournalDialog(QWidget* parent, app::JournalFile journal, Dialogs dialogs)
    : QDialog(parent), journal_(std::move(journal)), dialogs_(std::move(dialogs)) {
    setWindowTitle(Label(text::label::kJournalTitle));
    UseDialogColours(*this);
    resize(760, 480);
    auto* layout = new QVBoxLayout(this);

    auto* choose = new QHBoxLayout;
    choose->addWidget(new QLabel(Label(text::label::kJournalDay), this));
    day_ = new QDateEdit(this);
    day_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    day_->setCalendarPopup(true);
    // The journal's files are by UTC day.
    day_->setDate(QDateTime::currentDateTimeUtc().date());
    choose->addWidget(day_);
    batch_ = new QPushButton(Label(text::label::kJournalBatchFile), this);
    choose->addWidget(batch_);
    choose->addStretch();
    layout->addLayout(choose);

    model_ = new JournalTableModel(this);
    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    layout->addWidget(table_, 1);

    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);

    auto* where = new QHBoxLayout;
    where->addWidget(new QLabel(Label(text::label::kJournalFolder), this));
    const std::filesystem::path folder =
        journal_.daily() ? journal_.where() : journal_.where().parent_path();
    folder_ = new QLabel(QString::fromStdString(folder.string()), this);
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    where->addWidget(folder_, 1);
    layout->addLayout(where);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    export_ = new QPushButton(Label(text::label::kJournalExport), this);
    close_ = new QPushButton(Label(text::label::kJournalClose), this);
    buttons->addWidget(export_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);

    connect(day_, &QDateEdit::dateChanged, this, [this](const QDate& day) { ShowDay(day); });
    connect(batch_, &QPushButton::clicked, this, [this] {
        const QString file =
            dialogs_.chooseFile ? dialogs_.chooseFile(this, *dialogs_.sheetFolder) : QString();
        if (!file.isEmpty()) ShowBatch(file);
    });
    connect(export_, &QPushButton::clicked, this, &JournalDialog::Export);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    connect(model_, &JournalTableModel::progressed, this, &JournalDialog::UpdateStatus);
    ShowDay(day_->date());
}

void JournalDialog::ShowDay(const QDate& day) {
    batchFile_.clear();
    app::JournalFilter filter;
    filter.day = day.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    model_->Show(std::make_unique<app::JournalView>(journal_, filter));
    UpdateStatus();
}

void JournalDialog::ShowBatch(const QString& file) {
    batchFile_ = file;
    model_->Show(
        std::make_unique<app::JournalView>(journal_, app::JournalFilter{}, file.toStdString()));
    UpdateStatus();
}

void JournalDialog::UpdateStatus() {
    const app::JournalView* view = model_->view();
    QString text =
        Qs(text::TrNumber(text::Table::Label, text::label::kJournalRecords, model_->rowCount()));
    if (!batchFile_.isEmpty())
        text = QFileInfo(batchFile_).fileName() + QStringLiteral(": ") + text;
    if (view && view->done()) {
        for (const std::string& problem : view->problems())
            text += '\n' +
                    Qs(text::TrText(text::Table::Label, text::label::kJournalCannotRead, problem));
    }
    status_->setText(text);
    export_->setEnabled(view && view->done());
}

void JournalDialog::Export() {
    const app::JournalView* view = model_->view();
    if (!view || !view->done()) return;
    const QString suggested = QDir::home().filePath(QStringLiteral("journal.csv"));
    const QString file =
        dialogs_.chooseSaveFile
            ? dialogs_.chooseSaveFile(this, suggested)
            : QFileDialog::getSaveFileName(this, {}, suggested, QStringLiteral("CSV (*.csv)"));
    if (file.isEmpty()) return;
    std::string error;
    if (!app::ExportJournalCsv(view->rows(), file.toStdString(), error) && dialogs_.showError)
        dialogs_.showError(this,
                           Qs(text::Tr(text::Table::General, text::general::kJournalNotExported)));
}

}  // namespace tagwright::shell
