// SPDX-License-Identifier: MIT
// tagwright-screenshots: the real main window on the simulated reader, photographed. For each
// language it saves the three panels, and the Text panel once more after a write and a read
// with a red and blue log, as PNG files into the folder named on the command line.
#include <QApplication>
#include <QDir>
#include <QTest>

#include "app/application.h"
#include "main_window.h"
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

void Photograph(text::Language language, const QDir& folder) {
    const QString suffix = language == text::Language::English ? "en" : "zh";
    app::FixedPanelStore panelStore(2);
    app::FixedLanguageStore languageStore(language);
    app::Application application(panelStore, languageStore);
    if (!application.Start()) return;
    NoRestart starter;
    {
        shell::Dialogs dialogs{[](QWidget*, const QString&) { return QString(); },
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
