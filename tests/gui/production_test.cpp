// SPDX-License-Identifier: MIT
// The window's production runs on the simulated reader: read-back after every write, the
// pre-flight of an Auto batch, one row per tag, the pace line, and taking up a batch that an
// earlier run (killed mid-batch) left unfinished. Runs headless (offscreen platform).
#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <optional>

#include "app/application.h"
#include "app/tag_journal.h"
#include "shell/main_window.h"
#include "shell/message_log_model.h"
#include "shell/url_panel.h"
#include "text/menus.h"

using namespace tagwright;

namespace {

struct NoRestart : app::InstanceStarter {
    bool StartNewInstance() override { return true; }
};

}  // namespace

class ProductionTest : public QObject {
    Q_OBJECT

  private:
    void Start() {
        Stop();
        asked_.clear();
        answer_ = true;
        questionWait_ = 0;
        simDir_.emplace();
        qputenv("CARDHOST_SIM_DIR", simDir_->path().toUtf8());
        qputenv("CARDHOST_BACKENDS", "sim");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           simDir_->filePath("settings"));
        panelStore_.emplace(2);
        languageStore_.emplace(text::Language::English);
        application_.emplace(*panelStore_, *languageStore_);
        QVERIFY(application_->Start());
        journal_.emplace(app::JournalFile::Single(JournalPath().toStdString()));
        application_->SetJournal(&*journal_);
        shell::Dialogs dialogs{[this](QWidget*, const QString&) { return chosenFile_; },
                               [](QWidget*, const QString&) {}};
        dialogs.ask = [this](QWidget*, const app::Question& q) {
            asked_.push_back(q);
            if (questionWait_ > 0) QTest::qWait(questionWait_);
            return answer_;
        };
        window_ = std::make_unique<shell::MainWindow>(*application_, starter_, dialogs);
        window_->show();
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
    }
    void Stop() {
        window_.reset();
        if (application_) application_->Exit();
        application_.reset();
        journal_.reset();
    }
    QString JournalPath() const { return simDir_->filePath("journal.csv"); }
    QString Sheet(const QStringList& rows) const {
        const QString path = simDir_->filePath("batch.csv");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(rows.join('\n').toUtf8() + '\n');
        return path;
    }
    QStringList LogTexts() const {
        QStringList texts;
        auto& model = window_->log().model();
        for (int row = 0; row < model.rowCount(); ++row)
            texts << model.index(row, shell::MessageLogModel::Text).data().toString();
        return texts;
    }
    QString Sim(const QStringList& words) const {
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + "/cardhost-sim", words);
        tool.waitForFinished(30000);
        return QString::fromUtf8(tool.readAllStandardOutput());
    }
    shell::TextPanel& Panel() { return *window_->textPanel(); }
    // A sheet of `rows` chosen in the Text panel and "Write from file" checked, for an Auto
    // batch unless told otherwise.
    void LoadBatch(const QStringList& rows, bool autoOperation = true) {
        chosenFile_ = Sheet(rows);
        QTest::mouseClick(&Panel().browseButton(), Qt::LeftButton);
        Panel().writeFromFileBox().setChecked(true);
        Panel().autoOperationBox().setChecked(autoOperation);
    }

    std::optional<QTemporaryDir> simDir_;
    std::optional<app::FixedPanelStore> panelStore_;
    std::optional<app::FixedLanguageStore> languageStore_;
    std::optional<app::TagJournal> journal_;
    std::optional<app::Application> application_;
    std::unique_ptr<shell::MainWindow> window_;
    NoRestart starter_;
    QString chosenFile_;
    std::vector<app::Question> asked_;
    bool answer_ = true;
    int questionWait_ = 0;  // milliseconds the operator takes to answer

  private slots:
    void cleanup() { Stop(); }

    // A weak page acknowledges the write and keeps other bytes: with Verify on that is the red
    // line, without feedback, and the batch row stays; the box is remembered for the next
    // panel and the next run.
    void verifyCatchesAWeakPageAndTheOptionsAreKept() {
        Start();
        // A new text, so that the bytes the weak page keeps differ from those written.
        Panel().verifyBox().setChecked(true);
        Panel().textBox().setPlainText(QStringLiteral("weak page two"));
        Sim({"fault", "weak", "--reader", "SIM-0001", "--page", "5", "--nth", "1"});
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().last() == QStringLiteral("Verify failed: Page5 !"),
                 qPrintable(LogTexts().join('\n')));

        Panel().templatesBox().setChecked(true);
        Panel().genuineOnlyBox().setChecked(true);
        window_->RunCommand(text::command::kNfcUrl);
        QVERIFY(window_->functionPanel()->verifyBox().isChecked());
        QVERIFY(window_->functionPanel()->templatesBox().isChecked());
        QVERIFY(window_->functionPanel()->genuineOnlyBox().isChecked());
        // A simulated tag is a look-alike: with Genuine only, Write refuses it.
        shell::UrlPanel* url = window_->urlPanel();
        url->urlField().setText(QStringLiteral("example.com"));
        QTest::mouseClick(&url->writeButton(), Qt::LeftButton);
        QVERIFY2(
            LogTexts().last() == QStringLiteral("Not a genuine NXP chip: nothing was written !"),
            qPrintable(LogTexts().join('\n')));
        url->genuineOnlyBox().setChecked(false);
        QVERIFY(!window_->functionPanel()->oneRowPerTagBox().isChecked());
    }

    // A row that would fail: Cancel writes nothing, Start anyway runs the batch, whose pace
    // line counts the tags; one row per tag refuses a tag that has its row.
    void preflightProgressAndOneRowPerTag() {
        Start();
        LoadBatch({"r1", "", "r3"});
        QCOMPARE(Panel().textBox().toPlainText(), QStringLiteral("r1"));
        answer_ = false;
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QCOMPARE(asked_.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(asked_[0].text),
                 QStringLiteral("1 of the rows 1 to 3 would fail on any tag:"));
        QCOMPARE(asked_[0].lines.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(asked_[0].lines[0]),
                 QStringLiteral("Row 2: the cell holds no text"));
        QVERIFY(Panel().writeButton().isEnabled());  // nothing started
        QTest::qWait(300);
        QVERIFY(!LogTexts().join('\n').contains(QStringLiteral("Write data succeed")));

        answer_ = true;
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(LogTexts().contains(QStringLiteral("Write data succeed: r1")),
                                 5000);
        QTRY_VERIFY_WITH_TIMEOUT(window_->pace().text().startsWith(
                                     QStringLiteral("Row 2 of 3  tags this run: 1  per minute: ")),
                                 5000);
        QVERIFY2(QRegularExpression(QStringLiteral("  time left: \\d+:\\d\\d$"))
                     .match(window_->pace().text())
                     .hasMatch(),
                 qPrintable(window_->pace().text()));
        QTest::mouseClick(&Panel().stopButton(), Qt::LeftButton);
        QCOMPARE(window_->pace().text(), QString());

        // The same tag, still in the field, offered row 3 by hand: refused with one row per tag.
        Panel().autoOperationBox().setChecked(false);
        Panel().oneRowPerTagBox().setChecked(true);
        Panel().rowNumberField().setText(QStringLiteral("3"));
        QTest::mouseClick(Panel().findChild<QPushButton*>(QStringLiteral("1041")),
                          Qt::LeftButton);  // Row +1 reads row 4: none
        Panel().rowNumberField().setText(QStringLiteral("4"));
        QTest::mouseClick(Panel().findChild<QPushButton*>(QStringLiteral("1042")),
                          Qt::LeftButton);  // back to row 3, loaded
        QCOMPARE(Panel().textBox().toPlainText(), QStringLiteral("r3"));
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QVERIFY2(
            LogTexts().contains(QStringLiteral("This tag already received row 1 of this batch !")),
            qPrintable(LogTexts().join('\n')));
    }

    // A tag that failed half-way in Auto operation, then the reader unplugged: the failed page
    // stays on screen above the reader's error, which alone would not say a tag is half-written.
    void aHalfWrittenTagStaysOnScreenWhenTheReaderGoes() {
        Start();
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        Sim({"tag", "new", "--model", "NTAG216", "--reader", "SIM-0001"});
        Panel().textBox().setPlainText(QString(400, 'y'));
        Panel().autoOperationBox().setChecked(true);
        Sim({"fault", "fail", "TyA_NTAG_Write", "--reader", "SIM-0001", "--nth", "53"});
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QTRY_VERIFY2_WITH_TIMEOUT(LogTexts().contains(QStringLiteral("Write faild: Page56 !")),
                                  qPrintable(LogTexts().join('\n')), 10000);
        Sim({"reader", "detach", "SIM-0001"});
        QTRY_VERIFY_WITH_TIMEOUT(Panel().writeButton().isEnabled(), 10000);  // Auto ended
        const QStringList log = LogTexts();
        QVERIFY2(log.contains(QStringLiteral("Write faild: Page56 !")) &&
                     log.last() == QStringLiteral("TyA_Request"),
                 qPrintable(log.join('\n')));
    }

    // Before the first tag the pre-flight fails only rows that fit no tag; once a tag was met,
    // rows too large for its model fail too, listed after those that fail on every tag.
    void preflightIsSizedForTheTagsOnTheLine() {
        Start();
        QStringList rows;
        for (int i = 1; i <= 25; ++i)
            rows << QString(200, 'x') + QString::number(i);
        rows << QString() << QStringLiteral("ok");
        LoadBatch(rows);
        answer_ = false;
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QCOMPARE(asked_.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(asked_[0].text),
                 QStringLiteral("1 of the rows 1 to 27 would fail on any tag:"));
        QCOMPARE(asked_[0].lines.size(), std::size_t(1));

        Panel().autoOperationBox().setChecked(false);
        QTest::mouseClick(&Panel().readButton(), Qt::LeftButton);  // an NTAG213 in the field
        Panel().autoOperationBox().setChecked(true);
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QCOMPARE(asked_.size(), std::size_t(2));
        QCOMPARE(QString::fromStdString(asked_[1].text),
                 QStringLiteral("26 of the rows 1 to 27 would fail on an NTAG213:"));
        const auto& lines = asked_[1].lines;
        QCOMPARE(lines.size(), std::size_t(21));
        QCOMPARE(QString::fromStdString(lines[0]),
                 QStringLiteral("Row 26: the cell holds no text"));
        QVERIFY2(QString::fromStdString(lines[1]).startsWith(QStringLiteral("Row 1: ")),
                 lines[1].c_str());
        QVERIFY2(QString::fromStdString(lines[19]).startsWith(QStringLiteral("Row 19: ")),
                 lines[19].c_str());
        QCOMPARE(QString::fromStdString(lines[20]), QStringLiteral("and 6 more rows."));
    }

    // The pace line of a batch counts from the answer to the pre-flight question, stops at the
    // last row with its final figures, and goes with another sheet or another panel.
    void thePaceLineFollowsTheBatch() {
        Start();
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        LoadBatch({"p1", "p1"});  // a duplicate: the question is put
        questionWait_ = 3000;
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QCOMPARE(asked_.size(), std::size_t(1));
        Sim({"queue", "--reader", "SIM-0001", "--count", "2", "--gap-polls", "2"});
        QTRY_VERIFY_WITH_TIMEOUT(
            window_->pace().text().startsWith(QStringLiteral("Row 2 of 2  tags this run: 2  ")),
            10000);
        const QString line = window_->pace().text();
        QVERIFY2(line.endsWith(QStringLiteral("  time left: 0:00")), qPrintable(line));
        // Both tags took a fraction of the three seconds the question stood open.
        const auto perMinute =
            QRegularExpression(QStringLiteral("per minute: ([0-9.]+)")).match(line).captured(1);
        QVERIFY2(perMinute.toDouble() > 30, qPrintable(line));
        QTest::qWait(300);
        QCOMPARE(window_->pace().text(), line);  // the figures stay as the batch left them

        chosenFile_ = Sheet({"q1", "q1"});
        QTest::mouseClick(&Panel().browseButton(), Qt::LeftButton);
        QCOMPARE(window_->pace().text(), QString());
        questionWait_ = 0;
        Panel().rowNumberField().setText(QStringLiteral("1"));
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QVERIFY2(window_->pace().text().startsWith(QStringLiteral("Row 1 of 2  tags this run: 0")),
                 qPrintable(window_->pace().text()));
        window_->RunCommand(text::command::kNfcUrl);
        QCOMPARE(window_->pace().text(), QString());
    }

    // Loading a sheet with one row written offers to go on in words that fit; Start afresh
    // begins at the first row whatever the field held.
    void resumingAfterOneRowOrStartingAfresh() {
        Start();
        LoadBatch({"s1", "s2", "s3"}, false);
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QCOMPARE(Panel().rowNumberField().text(), QStringLiteral("2"));
        Panel().rowNumberField().setText(QStringLiteral("3"));
        answer_ = false;
        QTest::mouseClick(&Panel().browseButton(), Qt::LeftButton);
        QCOMPARE(asked_.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(asked_[0].text),
                 QStringLiteral("Row 1 is on a tag; go on at row 2?"));
        QCOMPARE(Panel().rowNumberField().text(), QStringLiteral("1"));
        QCOMPARE(Panel().textBox().toPlainText(), QStringLiteral("s1"));
    }

    // Write from file writes the row the row number names, as the sheet holds it: a number typed
    // without Row +1/-1 and an edited or emptied box do not put other text on a tag under the
    // row's number.
    void aRowIsWrittenAsTheSheetHoldsIt() {
        Start();
        LoadBatch({"r1", "r2", "r3", "r4"}, false);
        QCOMPARE(Panel().textBox().toPlainText(), QStringLiteral("r1"));
        const auto write = [&](const QString& row) {
            QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
            QVERIFY2(LogTexts().contains("Write data succeed: " + row),
                     qPrintable(LogTexts().join('\n')));
        };
        Panel().rowNumberField().setText(QStringLiteral("2"));
        write(QStringLiteral("r2"));
        Panel().textBox().setPlainText(QStringLiteral("typed over row 3"));
        write(QStringLiteral("r3"));
        Panel().textBox().clear();
        write(QStringLiteral("r4"));
        QFile journal(JournalPath());
        QVERIFY(journal.open(QIODevice::ReadOnly));
        const QString records = QString::fromUtf8(journal.readAll());
        for (const char* row : {",2,r2,", ",3,r3,", ",4,r4,"})
            QVERIFY2(records.contains(QLatin1String(row)), qPrintable(records));
        QVERIFY(!records.contains(QStringLiteral("typed")));
    }

    // An earlier run, killed (SIGKILL) after three rows: loading the same sheet offers to go on
    // at row 4; the tag that may have been in flight is read back, not written again.
    void resumeAfterARunKilledMidBatch() {
        Start();
        const QString sheet = Sheet({"a1", "a2", "a3", "a4", "a5"});
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        const QStringList uids =
            Sim({"queue", "--reader", "SIM-0001", "--count", "3", "--gap-polls", "2"})
                .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(uids.size(), 3);
        // The window lets the reader go while the earlier run has it.
        QTest::mouseClick(&window_->closeButton(), Qt::LeftButton);
        QProcess cli;
        cli.start(QCoreApplication::applicationDirPath() + "/tagwright-cli",
                  {"write", "text", "--auto", "--from-file", sheet, "--journal", JournalPath()});
        QVERIFY(cli.waitForStarted());
        const auto written = [&] {
            QFile file(JournalPath());
            if (!file.open(QIODevice::ReadOnly)) return 0;
            return int(QString::fromUtf8(file.readAll()).count(QStringLiteral(",success")));
        };
        QTRY_COMPARE_WITH_TIMEOUT(written(), 3, 20000);
        ::kill(pid_t(cli.processId()), SIGKILL);
        cli.waitForFinished();
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        chosenFile_ = sheet;
        asked_.clear();
        answer_ = true;
        QTest::mouseClick(&Panel().browseButton(), Qt::LeftButton);
        QCOMPARE(asked_.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(asked_[0].text),
                 QStringLiteral("Rows 1 to 3 are on 3 tags; go on at row 4?"));
        QCOMPARE(Panel().rowNumberField().text(), QStringLiteral("4"));
        QCOMPARE(Panel().textBox().toPlainText(), QStringLiteral("a4"));

        // The last tag comes back: it holds row 3 already and is not given row 4.
        Sim({"tag", "place", uids[2], "--reader", "SIM-0001"});
        Panel().writeFromFileBox().setChecked(true);
        QTest::mouseClick(&Panel().writeButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().contains(QStringLiteral("The tag already holds row 3 !")),
                 qPrintable(LogTexts().join('\n')));
        QVERIFY(!LogTexts().contains(QStringLiteral("Write data succeed: a4")));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ProductionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "production_test.moc"
