// tagwright: the desktop program, on the settings stores of this machine.
#include <QApplication>

#include "app/qsettings_scope.h"
#include "main_window.h"
#include "program.h"

int main(int argc, char** argv) {
    using namespace tagwright;
    QApplication qt(argc, argv);
    const auto panelStore = app::ProgramPanelStore();
    auto languageStore = app::ProgramLanguageStore();
    app::Application application(*panelStore, languageStore);
    shell::ProcessStarter starter;
    return shell::RunProgram(application, starter, shell::ShowStartupError);
}
