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
#include <optional>

#include "app/application.h"
#include "main_window.h"

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

  private slots:
    void aLongWriteKeepsTheWindowLiveAndRefusesASecondWrite() {
        qputenv("CARDHOST_SIM_DIR", simDir_.path().toUtf8());
        qputenv("CARDHOST_BACKENDS", "sim");
        panelStore_.emplace(2);
        languageStore_.emplace(text::Language::English);
        application_.emplace(*panelStore_, *languageStore_);
        QVERIFY(application_->Start());
        shell::Dialogs dialogs{[this](QWidget*, const QString&) { return chosenFile_; },
                               [](QWidget*, const QString&) {}};
        window_ = std::make_unique<shell::MainWindow>(*application_, starter_, dialogs);
        window_->show();
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        Sim({"tag", "new", "--model", "NTAG216", "--reader", "SIM-0001"});
        shell::TextPanel* panel = window_->textPanel();
        chosenFile_ = LongRows();
        QTest::mouseClick(&panel->browseButton(), Qt::LeftButton);
        panel->writeFromFileBox().setChecked(true);

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
