// SPDX-License-Identifier: MIT
// The message log with many lines: 100,000 appended to a shown view (each one scrolled into
// view, as a run does), and a panel switch of the main window. Offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/application.h"
#include "shell/main_window.h"
#include "shell/message_log_view.h"
#include "text/menus.h"

using namespace tagwright;

static void AppendLines(benchmark::State& state) {
    for (auto _ : state) {
        shell::MessageLogView view;
        view.resize(600, 150);
        view.show();
        for (int i = 1; i <= state.range(0); ++i)
            view.model().Append(
                {i, "Write data succeed: a line of the log", 0, i % 7 ? feed::kBlue : feed::kRed});
        QCoreApplication::processEvents();  // the view lays out and paints what it must
        benchmark::DoNotOptimize(view.model().rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(AppendLines)->Arg(100000)->Unit(benchmark::kMillisecond);

// One more line, shown, in a log that already holds many: what each line of a long Auto
// operation costs.
static void AppendToLongLog(benchmark::State& state) {
    shell::MessageLogView view;
    view.resize(600, 150);
    view.show();
    const int held = int(state.range(0));
    for (int i = 1; i <= held; ++i)
        view.model().Append({i, "Read data succeed !", 0, feed::kBlue});
    QCoreApplication::processEvents();
    int n = held;
    for (auto _ : state) {
        view.model().Append({++n, "Write data succeed: one more", 0, feed::kBlue});
        QCoreApplication::processEvents();
    }
}
// The same with 1,000 lines held: a cost that does not grow with the log.
BENCHMARK(AppendToLongLog)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

struct NoRestart : app::InstanceStarter {
    bool StartNewInstance() override { return false; }
};

static void SwitchPanel(benchmark::State& state) {
    QTemporaryDir sim;
    qputenv("CARDHOST_SIM_DIR", sim.path().toUtf8());
    app::FixedPanelStore panels(2);
    app::FixedLanguageStore language(text::Language::English);
    app::Application application(panels, language);
    if (!application.Start()) {
        state.SkipWithError("the reader library did not bind");
        return;
    }
    NoRestart starter;
    {
        shell::MainWindow window(application, starter);
        window.show();
        bool url = false;
        for (auto _ : state) {
            url = !url;
            window.RunCommand(url ? text::command::kNfcUrl : text::command::kNfcText);
            QCoreApplication::processEvents();
        }
    }
    application.Exit();
}
BENCHMARK(SwitchPanel)->Unit(benchmark::kMillisecond);

// Start-up inside the process: settings, the reader library bound, the window built and shown
// with its first panel, the library unloaded again at exit.
static void StartToWindowShown(benchmark::State& state) {
    QTemporaryDir sim;
    qputenv("CARDHOST_SIM_DIR", sim.path().toUtf8());
    for (auto _ : state) {
        app::FixedPanelStore panels(2);
        app::FixedLanguageStore language(text::Language::English);
        app::Application application(panels, language);
        if (!application.Start()) {
            state.SkipWithError("the reader library did not bind");
            return;
        }
        NoRestart starter;
        {
            shell::MainWindow window(application, starter);
            window.show();
            QCoreApplication::processEvents();
        }
        application.Exit();
    }
}
BENCHMARK(StartToWindowShown)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
