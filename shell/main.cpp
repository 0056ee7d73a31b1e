// tagwright: the desktop program. Start-up binds the reader library (a failure shows one message
// box and ends without a window), then shows the main window; exit saves the current panel.
#include <QApplication>
#include <QMessageBox>

#include "app/application.h"
#include "app/qsettings_scope.h"
#include "app/tag_journal.h"
#include "main_window.h"
#include "reader/binding.h"
#include "text/text_tables.h"

int main(int argc, char** argv) {
    using namespace tagwright;
    QApplication qt(argc, argv);
    const auto panelStore = app::ProgramPanelStore();
    auto languageStore = app::ProgramLanguageStore();
    // Every tag the window handles is recorded, one file a day in the operator's data folder.
    app::TagJournal journal(app::JournalFile::Daily(app::JournalFile::DefaultFolder()));
    app::Application application(*panelStore, languageStore);
    application.SetJournal(&journal);
    if (!application.Start()) {
        // The library's name on this platform, in the words of the Windows message.
        const QString text = QString::fromUtf8(text::kLoadLibraryFailed.data(),
                                               qsizetype(text::kLoadLibraryFailed.size()))
                                 .replace(QStringLiteral("cardhost.dll"),
                                          QString::fromUtf8(reader::ReaderLibraryFileName()));
        QMessageBox::critical(nullptr, QStringLiteral("Error"), text);
        application.Exit();
        return 1;
    }
    int status = 0;
    {
        shell::ProcessStarter starter;
        shell::MainWindow window(application, starter);
        window.show();
        status = qt.exec();
    }
    application.Exit();
    return status;
}
