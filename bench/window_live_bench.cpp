// SPDX-License-Identifier: MIT
// Frames the window paints while a full NTAG216 is written with the simulator in real time
// (every page takes its air time). The window is asked for a frame every 16 ms, as an animation
// would; what it manages to paint per second of the write is the figure. Offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "app/application.h"
#include "shell/main_window.h"

using namespace tagwright;

namespace {

struct NoRestart : app::InstanceStarter {
    bool StartNewInstance() override { return false; }
};

// Counts the frames the window composes: one update request of the top level per frame, however
// many of its widgets repaint in it.
struct FrameCounter : QObject {
    int frames = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::UpdateRequest) ++frames;
        return QObject::eventFilter(watched, event);
    }
};

void Sim(const QStringList& words) {
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + "/cardhost-sim", words);
    tool.waitForFinished(30000);
}

void FramesDuringAFullNtag216Write(benchmark::State& state) {
    QTemporaryDir simDir;
    qputenv("CARDHOST_SIM_DIR", simDir.path().toUtf8());
    qputenv("CARDHOST_BACKENDS", "sim");
    app::FixedPanelStore panels(2);
    app::FixedLanguageStore language(text::Language::English);
    app::Application application(panels, language);
    if (!application.Start()) {
        state.SkipWithError("the reader library did not load");
        return;
    }
    NoRestart starter;
    shell::Dialogs dialogs{[](QWidget*, const QString&) { return QString(); },
                           [](QWidget*, const QString&) {}};
    {
        shell::MainWindow window(application, starter, dialogs);
        window.show();
        window.openButton().click();
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        Sim({"tag", "new", "--model", "NTAG216", "--reader", "SIM-0001"});
        shell::TextPanel* panel = window.textPanel();
        // Close to the NTAG216's 868 bytes of NDEF area.
        panel->textBox().setPlainText(QString(840, QLatin1Char('x')));

        FrameCounter counter;
        window.installEventFilter(&counter);
        QTimer animation;
        QObject::connect(&animation, &QTimer::timeout, &window, [&] { window.update(); });
        animation.start(16);
        double frames = 0, seconds = 0;
        for (auto _ : state) {
            counter.frames = 0;
            QElapsedTimer clock;
            clock.start();
            panel->writeButton().click();  // returns when the write has ended
            const double elapsed = double(clock.nsecsElapsed()) / 1e9;
            state.SetIterationTime(elapsed);
            frames += counter.frames;
            seconds += elapsed;
        }
        animation.stop();
        window.removeEventFilter(&counter);
        state.counters["frames_per_s"] = seconds > 0 ? frames / seconds : 0;
        state.counters["write_s"] = benchmark::Counter(seconds, benchmark::Counter::kAvgIterations);
        window.closeButton().click();
    }
    application.Exit();
}
BENCHMARK(FramesDuringAFullNtag216Write)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CARDHOST_SIM_REALTIME", "1");  // read once, at the first reader call
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
