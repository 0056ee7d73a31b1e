// SPDX-License-Identifier: MIT
// Process start to the main window shown on a real display: `tagwright` is started afresh for
// each iteration and timed from the spawn to the X server's notice that its window "Tagwright"
// is mapped. Then it is killed (no exit sequence, so no setting is written). Needs an X display
// without a window manager, such as xvfb-run gives: a window manager maps the frame instead.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

bool NamedTagwright(xcb_connection_t* x, xcb_window_t window) {
    const auto cookie =
        xcb_get_property(x, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(x, cookie, nullptr), &std::free);
    if (!reply) return false;
    const auto* name = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(name, std::size_t(xcb_get_property_value_length(reply.get()))) ==
           "Tagwright";
}

// Waits for the map of the program's window; false after `limit` without it.
bool WaitForWindowMapped(xcb_connection_t* x, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    pollfd wait{xcb_get_file_descriptor(x), POLLIN, 0};
    while (Clock::now() < end) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            std::free(event);
            if (mapped && NamedTagwright(x, window)) return true;
        }
        if (xcb_connection_has_error(x)) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        poll(&wait, 1, int(std::max<long long>(1, left.count())));
    }
    return false;
}

}  // namespace

static void ProcessStartToWindowShown(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        state.SkipWithError("no X display: run under xvfb-run");
        return;
    }
    int screenNumber = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x)) {
        xcb_disconnect(x);
        state.SkipWithError("the X display does not answer");
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screens.data->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    QTemporaryDir sim;
    const std::string program =
        (QCoreApplication::applicationDirPath() + "/tagwright").toStdString();
    std::vector<std::string> settings{"QT_QPA_PLATFORM=xcb",
                                      "CARDHOST_SIM_DIR=" + sim.path().toStdString()};
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("QT_QPA_PLATFORM=", 0) != 0 && text.rfind("CARDHOST_SIM_DIR=", 0) != 0)
            settings.push_back(text);
    }
    std::vector<char*> env;
    for (std::string& text : settings)
        env.push_back(text.data());
    env.push_back(nullptr);
    std::string name = "tagwright";
    char* argv[] = {name.data(), nullptr};

    for (auto _ : state) {
        const auto start = Clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, env.data()) != 0) {
            state.SkipWithError("tagwright could not be started");
            break;
        }
        const bool shown = WaitForWindowMapped(x, std::chrono::seconds(10));
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!shown) {
            state.SkipWithError("no window named Tagwright was mapped within 10 s");
            break;
        }
    }
    xcb_disconnect(x);
}
BENCHMARK(ProcessStartToWindowShown)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
