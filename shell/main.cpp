// SPDX-License-Identifier: MIT
// tagwright: the desktop program, on the settings stores of this machine.
#include <QApplication>

#include "app/qsettings_scope.h"
#include "app/tag_journal.h"
#include "main_window.h"
#include "program.h"
#include "secrets/core_dumps.h"

int main(int argc, char** argv) {
    using namespace tagwright;
    // The key fields hold the tag's keys for as long as the window is open.
    secrets::ForbidCoreDumps();
    QApplication qt(argc, argv);
    const auto panelStore = app::ProgramPanelStore();
    auto languageStore = app::ProgramLanguageStore();
    // Every tag the window handles is recorded, one file a day in the operator's data folder.
    app::TagJournal journal(app::JournalFile::Default());
    app::Application application(*panelStore, languageStore);
    application.SetJournal(&journal);
    shell::ProcessStarter starter;
    return shell::RunProgram(application, starter, shell::ShowStartupError);
}
