// SPDX-License-Identifier: MIT
// File -> Journal...: tags written through the window on the simulated reader, then the journal
// dialog shows exactly those records, by day and by batch file, exports them as the journal holds
// them, and says what is wrong with a journal it cannot read. Runs headless (offscreen).
#include <sys/stat.h>
#include <QAbstractItemModelTester>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include "app/application.h"
#include "app/journal_csv.h"
#include "app/tag_journal.h"
#include "shell/dialog_colours.h"
#include "shell/journal_dialog.h"
#include "shell/main_window.h"
#include "shell/message_log_model.h"
#include "text/menus.h"

using namespace tagwright;

namespace {

struct FakeStarter : app::InstanceStarter {
    bool StartNewInstance() override { return true; }
};

// 2026-03-04T10:00:00Z: the day every record of this test is made on.
std::chrono::system_clock::time_point TheDay() {
    return std::chrono::system_clock::from_time_t(1772618400);
}

}  // namespace

class JournalViewTest : public QObject {
    Q_OBJECT

  private:
    QStringList LogTexts() const {
        QStringList texts;
        auto& model = window_->log().model();
        for (int row = 0; row < model.rowCount(); ++row)
            texts << model.index(row, shell::MessageLogModel::Text).data().toString();
        return texts;
    }
    QString Cell(int row, const std::string& column) const {
        auto& model = window_->journalDialog()->model();
        const auto at = std::find(app::kJournalColumns.begin(), app::kJournalColumns.end(), column);
        return model.index(row, int(at - app::kJournalColumns.begin())).data().toString();
    }
    static bool Loaded(shell::JournalDialog& dialog) {
        return QTest::qWaitFor([&] { return !dialog.model().loading(); }, 10000);
    }

  private slots:
    void recordsWrittenThroughTheWindowAreShownFilteredAndExported() {
        QTemporaryDir dir;
        qputenv("CARDHOST_SIM_DIR", dir.path().toUtf8());
        qputenv("CARDHOST_BACKENDS", "sim");
        const QString folder = dir.filePath("journal");
        app::TagJournal journal(app::JournalFile::Daily(folder.toStdString()), TheDay);
        app::FixedPanelStore panels(2);
        app::FixedLanguageStore language(text::Language::English);
        app::Application application(panels, language);
        application.SetJournal(&journal);
        QVERIFY(application.Start());
        QString chosen, saveTo;
        QStringList errors;
        shell::Dialogs dialogs{[&](QWidget*, const QString&) { return chosen; },
                               [&](QWidget*, const QString& text) { errors << text; }};
        dialogs.chooseSaveFile = [&](QWidget*, const QString&) { return saveTo; };
        window_ = std::make_unique<shell::MainWindow>(application, starter_, dialogs);
        window_->show();

        // Row 1 of a sheet.
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        const QString sheet = dir.filePath("rows.csv");
        {
            QFile file(sheet);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("row 1\nrow 2\n");
        }
        chosen = sheet;
        QTest::mouseClick(&panel->browseButton(), Qt::LeftButton);
        QCOMPARE(window_->tips().text(), QStringLiteral("File Loading Successfully !"));
        panel->writeFromFileBox().setChecked(true);
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().contains(QStringLiteral("Write data succeed: row 1")),
                 qPrintable(LogTexts().join('\n') + window_->tips().text()));
        const QString uid = QRegularExpression(QStringLiteral("UID: ([0-9A-F]{14})"))
                                .match(LogTexts().join('\n'))
                                .captured(1);
        QVERIFY(!uid.isEmpty());

        window_->RunCommand(text::command::kJournal);
        shell::JournalDialog* dialog = window_->journalDialog();
        QVERIFY(dialog && dialog->isVisible());
        QAbstractItemModelTester tester(&dialog->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Journal"));
        QCOMPARE(dialog->palette().color(QPalette::Window), shell::kDialogBackground);
        QCOMPARE(dialog->folder().text(), folder);
        QVERIFY(dialog->folder().textInteractionFlags() & Qt::TextSelectableByMouse);
        QCOMPARE(dialog->model().headerData(2, Qt::Horizontal).toString(), QStringLiteral("UID"));
        QCOMPARE(dialog->model().headerData(15, Qt::Horizontal).toString(),
                 QStringLiteral("Result"));
        QCOMPARE(text::Lookup(text::Table::JournalColumn, 15, text::Language::Chinese), "结果");
        // Today (not the records' day) has no file: said, not an empty table alone.
        QVERIFY(Loaded(*dialog));
        QCOMPARE(dialog->model().rowCount(), 0);
        QVERIFY2(dialog->status().text().contains(
                     QStringLiteral("The journal cannot be read: no records were kept on")),
                 qPrintable(dialog->status().text()));

        dialog->dayEdit().setDate(QDate(2026, 3, 4));
        QVERIFY(Loaded(*dialog));
        QCOMPARE(dialog->model().rowCount(), 1);
        QCOMPARE(dialog->status().text(), QStringLiteral("1 records"));
        for (int row = 0; row < 1; ++row) {
            QCOMPARE(Cell(row, "uid"), uid);
            QVERIFY2(Cell(row, "result").startsWith(QStringLiteral("success")),
                     qPrintable(Cell(row, "result")));
            QCOMPARE(Cell(row, "time"), QStringLiteral("2026-03-04T10:00:00.000Z"));
        }
        QCOMPARE(Cell(0, "row"), QStringLiteral("1"));

        // The export is the day's file byte for byte, and private.
        saveTo = dir.filePath("export.csv");
        QTest::mouseClick(&dialog->exportButton(), Qt::LeftButton);
        QFile day(folder + "/journal-2026-03-04.csv");
        QVERIFY(day.open(QIODevice::ReadOnly));
        const QByteArray dayBytes = day.readAll();
        QFile exported(saveTo);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(exported.readAll(), dayBytes);
        struct stat info {};
        QCOMPARE(::stat(saveTo.toLocal8Bit().constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);

        // The batch file's records alone.
        chosen = sheet;
        QTest::mouseClick(&dialog->batchButton(), Qt::LeftButton);
        QVERIFY(Loaded(*dialog));
        QCOMPARE(dialog->model().rowCount(), 1);
        QCOMPARE(Cell(0, "row"), QStringLiteral("1"));
        QCOMPARE(Cell(0, "batch_file"), sheet);
        QCOMPARE(dialog->status().text(), QStringLiteral("rows.csv: 1 records"));
        QTest::mouseClick(&dialog->exportButton(), Qt::LeftButton);
        exported.close();
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(exported.readAll(), dayBytes);
        // Another batch file's records: none.
        chosen = dir.filePath("other.csv");
        {
            QFile file(chosen);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("other\n");
        }
        QTest::mouseClick(&dialog->batchButton(), Qt::LeftButton);
        QVERIFY(Loaded(*dialog));
        QCOMPARE(dialog->model().rowCount(), 0);
        QCOMPARE(dialog->status().text(), QStringLiteral("other.csv: 0 records"));

        // An export that cannot be written is said, and the file there stays as it was.
        saveTo = dir.filePath("no/such/folder/export.csv");
        QTest::mouseClick(&dialog->exportButton(), Qt::LeftButton);
        QCOMPARE(errors, QStringList{QStringLiteral("The journal could not be exported !")});

        // A day's file that is no journal: said, with nothing shown.
        {
            QFile other(folder + "/journal-2026-03-05.csv");
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write("not,a,journal\r\n1,2,3\r\n");
        }
        dialog->dayEdit().setDate(QDate(2026, 3, 5));
        QVERIFY(Loaded(*dialog));
        QCOMPARE(dialog->model().rowCount(), 0);
        QVERIFY2(dialog->status().text().contains(
                     QStringLiteral("the first line is not the journal's header")),
                 qPrintable(dialog->status().text()));
        QTest::mouseClick(&dialog->closeButton(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());

        window_.reset();
        application.Exit();
    }

  private:
    std::unique_ptr<shell::MainWindow> window_;
    FakeStarter starter_;
};

QTEST_MAIN(JournalViewTest)
#include "journal_view_test.moc"
