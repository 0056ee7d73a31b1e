// SPDX-License-Identifier: MIT
#include "program.h"

#include <QApplication>

#include "main_window.h"
#include "reader/binding.h"
#include "text/text_tables.h"

namespace tagwright::shell {

QString LoadLibraryFailedText() {
    // The library's name on this platform, in the words of the Windows message.
    return QString::fromUtf8(text::kLoadLibraryFailed.data(),
                             qsizetype(text::kLoadLibraryFailed.size()))
        .replace(QStringLiteral("cardhost.dll"),
                 QString::fromUtf8(reader::ReaderLibraryFileName()));
}

void ShowStartupError(const QString& text) {
    PlatformDialogs().showError(nullptr, text);
}

int RunProgram(app::Application& application, app::InstanceStarter& starter,
               const std::function<void(const QString& text)>& showStartupError) {
    if (!application.Start()) {
        showStartupError(LoadLibraryFailedText());
        application.Exit();  // the current panel value is saved even so
        return 1;
    }
    int status = 0;
    {
        MainWindow window(application, starter);
        window.show();
        status = QApplication::exec();
    }
    application.Exit();
    return status;
}

}  // namespace tagwright::shell
