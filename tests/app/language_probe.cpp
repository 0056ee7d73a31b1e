// SPDX-License-Identifier: MIT
// The window's language setting as the installed program keeps it: with "EN" or "CN" stores that
// choice, then prints the language the next start-up would read. Copied into an installed tree
// by tests/install/installed_layout_test.sh, so that it finds AppConfig.ini where the window does.
#include <cstdio>
#include <string_view>

#include "app/language_store.h"

int main(int argc, char** argv) {
    using namespace tagwright;
    app::AppConfigLanguageStore store = app::ProgramLanguageStore();
    if (argc > 1 && !store.Save(app::LanguageFromValue(argv[1]))) {
        std::puts("not stored");
        return 1;
    }
    std::printf("%s\n", std::string(app::LanguageValue(store.Load())).c_str());
    return 0;
}
