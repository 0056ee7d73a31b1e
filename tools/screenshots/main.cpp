// SPDX-License-Identifier: MIT
// tagwright-screenshots: the real main window on the simulated reader, photographed. For each
// language it saves the three panels, the Text panel once more after a write and a read with a
// red and blue log, and a production run from a sheet: the pre-flight question, the pace line
// of the batch, the resume offer and the journal dialog; PNG files into the folder named on the
// command line.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/application.h"
#include "app/tag_journal.h"
#include "shell/journal_dialog.h"
#include "shell/main_window.h"
#include "shell/url_panel.h"
#include "text/menus.h"

using namespace tagwright;

namespace {

struct NoRestart : app::InstanceStarter {
    bool StartNewInstance() override { return false; }
};

void Save(QWidget& window, const QDir& folder, const QString& name) {
    QTest::qWait(100);  // let the window paint
    window.grab().save(folder.filePath(name + ".png"));
}

// The question the next command asks, photographed and answered with its first button.
void AnswerNextQuestion(const QDir& folder, const QString& name) {
    QTimer::singleShot(300, [folder, name] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        box->grab().save(folder.filePath(name + ".png"));
        for (QAbstractButton* button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::AcceptRole) button->click();
        }
    });
}

// A sheet whose second row is too long for the smallest tag.
QString WriteSheet(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("march.csv"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("https://example.com/a1\n" + QByteArray(200, 'x') +
                   "\nhttps://example.com/a3\nhttps://example.com/a4\nhttps://example.com/a5\n");
    }
    return path;
}

void Photograph(text::Language language, const QDir& folder) {
    const QString suffix = language == text::Language::English ? "en" : "zh";
    app::FixedPanelStore panelStore(2);
    app::FixedLanguageStore languageStore(language);
    app::Application application(panelStore, languageStore);
    QTemporaryDir work;
    app::TagJournal journal(app::JournalFile::Daily(work.filePath("journal").toStdString()));
    application.SetJournal(&journal);
    if (!application.Start()) return;
    NoRestart starter;
    {
        QString chosen;
        shell::Dialogs dialogs{[&chosen](QWidget*, const QString&) { return chosen; },
                               [](QWidget*, const QString&) {}};
        shell::MainWindow window(application, starter, dialogs);
        window.show();
        Save(window, folder, "text-" + suffix);
        window.RunCommand(text::command::kNfcUrl);
        Save(window, folder, "url-" + suffix);
        window.RunCommand(text::command::kSmartPoster);
        Save(window, folder, "smartposter-" + suffix);

        window.RunCommand(text::command::kNfcText);
        window.openButton().click();
        shell::TextPanel* panel = window.textPanel();
        panel->textBox().setPlainText(language == text::Language::English
                                          ? QStringLiteral("Hello from Tagwright")
                                          : QStringLiteral("你好，Tagwright"));
        panel->writeButton().click();
        panel->readButton().click();
        // A wrong key gives a red line among the blue ones.
        panel->originalKeyField().setText(QStringLiteral("12345678"));
        panel->clearKeyButton().click();
        Save(window, folder, "log-" + suffix);

        // A batch from a sheet, with read-back: the pre-flight finds the long row, the batch
        // starts anyway, and its pace shows in the status bar.
        window.log().model().Clear();
        chosen = WriteSheet(work);
        panel->browseButton().click();
        panel->writeFromFileBox().setChecked(true);
        panel->autoOperationBox().setChecked(true);
        panel->verifyBox().setChecked(true);
        AnswerNextQuestion(folder, "preflight-" + suffix);
        panel->writeButton().click();
        QTest::qWait(1500);
        Save(window, folder, "batch-" + suffix);
        panel->stopButton().click();
        panel->autoOperationBox().setChecked(false);
        panel->verifyBox().setChecked(false);

        // The same sheet again: the journal knows its first row.
        AnswerNextQuestion(folder, "resume-" + suffix);
        panel->browseButton().click();

        window.RunCommand(text::command::kJournal);
        if (shell::JournalDialog* dialog = window.journalDialog()) {
            dialog->resize(900, 320);
            QTest::qWait(300);
            dialog->grab().save(folder.filePath("journal-" + suffix + ".png"));
            dialog->close();
        }
        panel->writeFromFileBox().setChecked(false);

        // Read-write protection: Write protects reads too, and the tag then answers no read
        // without its key.
        window.log().model().Clear();
        panel->originalKeyField().setText(QStringLiteral("7C7C7C7C"));
        panel->textBox().setPlainText(language == text::Language::English
                                          ? QStringLiteral("Only with the key")
                                          : QStringLiteral("凭密码读取"));
        panel->encryptionBox().setChecked(true);
        panel->protectReadsBox().setChecked(true);
        panel->writeButton().click();
        Save(window, folder, "protect-" + suffix);
        panel->encryptionBox().setChecked(false);
        panel->clearKeyButton().click();

        // The URL panel with the mirror: the tag fills its UID and counter into the URL it holds
        // at every read, and Read shows the URL so.
        window.RunCommand(text::command::kNfcUrl);
        window.log().model().Clear();
        if (shell::UrlPanel* url = window.urlPanel()) {
            url->prefixList().setCurrentIndex(4);
            url->urlField().setText(QStringLiteral("example.com/t?u={mirror}"));
            url->mirrorList().setCurrentIndex(3);
            url->writeButton().click();
            url->readButton().click();
            Save(window, folder, "mirror-" + suffix);
            url->mirrorList().setCurrentIndex(0);
        }
        // A reader is opened by one holder at a time: free it for the next language.
        window.closeButton().click();
    }
    application.Exit();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    folder.mkpath(QStringLiteral("."));
    Photograph(text::Language::English, folder);
    Photograph(text::Language::Chinese, folder);
    return 0;
}
