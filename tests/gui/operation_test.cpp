// SPDX-License-Identifier: MIT
// The window while the reader works: a long write on the simulator in real time (a full
// NTAG216) leaves the window painting and ticking, shows its pages as they go, refuses a second
// Write meanwhile, and a close asked for during it waits for the tag to be whole.
#include <QFile>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <optional>
#include <utility>

#include "app/application.h"
#include "shell/main_window.h"
#include "text/menus.h"

using namespace tagwright;

namespace {

struct FakeStarter : app::InstanceStarter {
    bool StartNewInstance() override { return true; }
};

}  // namespace

class OperationTest : public QObject {
    Q_OBJECT

    QString Sim(const QStringList& words) const {
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + "/cardhost-sim", words);
        tool.waitForFinished(30000);
        return QString::fromUtf8(tool.readAllStandardOutput());
    }
    QStringList LogTexts() const {
        QStringList texts;
        auto& model = window_->log().model();
        for (int row = 0; row < model.rowCount(); ++row)
            texts << model.index(row, shell::MessageLogModel::Text).data().toString();
        return texts;
    }
    // Rows long enough to fill most of an NTAG216, each told apart by its first word.
    QString LongRows() const {
        const QString path = simDir_.filePath(QStringLiteral("rows.csv"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return {};
        for (int row = 1; row <= 3; ++row)
            file.write("row" + QByteArray::number(row) + ' ' + QByteArray(700, 'x') + '\n');
        return path;
    }

    QTemporaryDir simDir_;
    std::optional<app::FixedPanelStore> panelStore_;
    std::optional<app::FixedLanguageStore> languageStore_;
    std::optional<app::Application> application_;
    std::unique_ptr<shell::MainWindow> window_;
    FakeStarter starter_;
    QString chosenFile_;
    int questions_ = 0;
    bool startAnyway_ = true;
    std::function<void()> onQuestion_;

    // The window on the simulated reader, opened, an NTAG216 in the field and a sheet of long
    // rows loaded for "Write from file".
    shell::TextPanel* StartWithLongRows() {
        window_.reset();  // what an earlier scenario left, before its application goes
        qputenv("CARDHOST_SIM_DIR", simDir_.path().toUtf8());
        qputenv("CARDHOST_BACKENDS", "sim");
        panelStore_.emplace(2);
        languageStore_.emplace(text::Language::English);
        application_.emplace(*panelStore_, *languageStore_);
        if (!application_->Start()) return nullptr;
        shell::Dialogs dialogs{[this](QWidget*, const QString&) { return chosenFile_; },
                               [](QWidget*, const QString&) {}};
        // Once an NTAG213 was met the rows do not fit, and an Auto batch asks first.
        dialogs.ask = [this](QWidget*, const app::Question&) {
            ++questions_;
            if (onQuestion_) onQuestion_();
            return startAnyway_;
        };
        window_ = std::make_unique<shell::MainWindow>(*application_, starter_, dialogs);
        window_->show();
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        Sim({"tag", "new", "--model", "NTAG216", "--reader", "SIM-0001"});
        shell::TextPanel* panel = window_->textPanel();
        chosenFile_ = LongRows();
        QTest::mouseClick(&panel->browseButton(), Qt::LeftButton);
        panel->writeFromFileBox().setChecked(true);
        return panel;
    }

  private slots:
    void aLongWriteKeepsTheWindowLiveAndRefusesASecondWrite() {
        shell::TextPanel* panel = StartWithLongRows();
        QVERIFY(panel);

        // A timer of the window's thread, and a look at the window part-way through the write.
        int ticks = 0;
        QTimer clock;
        connect(&clock, &QTimer::timeout, [&] { ++ticks; });
        clock.start(20);
        QStringList progress;
        bool writeGreyed = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, [&] {
            const QString line = window_->statusBar()->currentMessage();
            if (!line.isEmpty() && !progress.contains(line)) progress << line;
        });
        watcher.start(50);
        QTimer::singleShot(400, [&] {
            writeGreyed = !panel->writeButton().isEnabled();
            QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);  // refused, not queued
        });
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        QVERIFY2(progress.size() >= 3, qPrintable(progress.join('\n')));
        QVERIFY(progress.first().startsWith(QStringLiteral("Pages written: ")));
        QVERIFY(writeGreyed);
        QTest::qWait(300);  // a queued click would run now
        QCOMPARE(LogTexts().filter(QStringLiteral("Write data succeed")).size(), 1);
        QCOMPARE(panel->rowNumberField().text(), QStringLiteral("2"));
        QVERIFY(panel->writeButton().isEnabled());
        QVERIFY(window_->statusBar()->currentMessage().isEmpty());

        // Closed during the next row's write: the window goes once the tag holds that row.
        QTimer::singleShot(400, [&] { window_->close(); });
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QCOMPARE(LogTexts().filter(QStringLiteral("Write data succeed: row2")).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 2000);
        QCOMPARE(panel->rowNumberField().text(), QStringLiteral("3"));
        window_->closeButton().click();  // the next scenario opens the reader again
        window_.reset();
        application_->Exit();
    }

    // Stop pressed while an Auto tick writes: the tag gets its row whole and Auto operation ends
    // there; a new tag in the field is not written. Another function chosen during a write
    // follows the write instead of taking the panel from under it.
    void stopAndAPanelSwitchDuringWrites() {
        shell::TextPanel* panel = StartWithLongRows();
        QVERIFY(panel);
        panel->autoOperationBox().setChecked(true);
        // Each action once the first page of a write is on the tag.
        std::function<void()> midWriteAction;
        QTimer midWrite;
        connect(&midWrite, &QTimer::timeout, [&] {
            if (midWriteAction &&
                window_->statusBar()->currentMessage().startsWith("Pages written"))
                std::exchange(midWriteAction, nullptr)();
        });
        midWrite.start(20);
        midWriteAction = [&] { QTest::mouseClick(&panel->stopButton(), Qt::LeftButton); };
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!midWriteAction && !window_->busy(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(LogTexts().filter(QStringLiteral("Write data succeed")).size(), 1,
                                  5000);
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        Sim({"tag", "new", "--model", "NTAG216", "--reader", "SIM-0001"});
        QTest::qWait(1500);  // a tick left running would write the new tag now
        QCOMPARE(LogTexts().filter(QStringLiteral("Write data succeed")).size(), 1);
        QCOMPARE(panel->rowNumberField().text(), QStringLiteral("2"));

        panel->autoOperationBox().setChecked(false);
        bool stillText = false;
        midWriteAction = [&] {
            window_->RunCommand(text::command::kNfcUrl);
            stillText = window_->textPanel() != nullptr;
        };
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QVERIFY(stillText);
        QTRY_VERIFY_WITH_TIMEOUT(window_->urlPanel() != nullptr, 5000);
        QVERIFY2(LogTexts().contains(QStringLiteral("Write data succeed: row2 ") +
                                     QString(700, QLatin1Char('x'))),
                 qPrintable(LogTexts().join(QChar(10)).left(400)));
        QCOMPARE(window_->functionName().text(), QStringLiteral("NFC URL"));
        window_->closeButton().click();
        window_.reset();
        application_->Exit();
    }

    // Another function chosen while the pre-flight question is open: the panel that asks is
    // still on the stack, so the switch waits for the answer.
    void aPanelSwitchDuringTheQuestionWaitsForTheAnswer() {
        shell::TextPanel* panel = StartWithLongRows();
        QVERIFY(panel);
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        Sim({"tag", "new", "--model", "NTAG213", "--reader", "SIM-0001"});
        QTest::mouseClick(&panel->readButton(), Qt::LeftButton);
        panel->autoOperationBox().setChecked(true);
        bool stillText = false;
        startAnyway_ = false;
        questions_ = 0;
        onQuestion_ = [&] {
            window_->RunCommand(text::command::kNfcUrl);
            stillText = window_->textPanel() != nullptr;
        };
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QCOMPARE(questions_, 1);
        QVERIFY(stillText);
        QTRY_VERIFY_WITH_TIMEOUT(window_->urlPanel() != nullptr, 2000);
        QVERIFY(!LogTexts().join('\n').contains(QStringLiteral("Write data succeed")));
        onQuestion_ = nullptr;
        startAnyway_ = true;
        window_->closeButton().click();
        window_.reset();
        application_->Exit();
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CARDHOST_SIM_REALTIME", "1");  // read once, at the first reader call
    QApplication app(argc, argv);
    OperationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "operation_test.moc"
