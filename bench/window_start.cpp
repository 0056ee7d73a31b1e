// SPDX-License-Identifier: MIT
// Process start to the main window shown on a real display: `tagwright` is started afresh for
// each iteration and timed from the spawn to the X server's notice that its window "Tagwright"
// is mapped. Then it is killed (no exit sequence, so no setting is written). And the window's
// close to the end of the process, the exit sequence included. Needs an X display without a
// window manager, such as xvfb-run gives: a window manager maps the frame instead.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// Waits for the map of the program's window; XCB_NONE after `limit` without it.
xcb_window_t WaitForWindowMapped(xcb_connection_t* x, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    pollfd wait{xcb_get_file_descriptor(x), POLLIN, 0};
    while (Clock::now() < end) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            std::free(event);
            if (mapped && NamedTagwright(x, window)) return window;
        }
        if (xcb_connection_has_error(x)) return XCB_NONE;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        poll(&wait, 1, int(std::max<long long>(1, left.count())));
    }
    return XCB_NONE;
}

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
    const auto cookie = xcb_intern_atom(x, 0, std::uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(x, cookie, nullptr), &std::free);
    return reply ? reply->atom : XCB_NONE;
}

// What a window manager sends when the close box is clicked: the same path as File -> Exit.
void AskToClose(xcb_connection_t* x, xcb_window_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = Atom(x, "WM_PROTOCOLS");
    message.data.data32[0] = Atom(x, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(x);
}

// Waits for `pid` to end; false after `limit` without it.
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
        usleep(500);
    }
    return false;
}

// The display, its root window watched for maps; nullptr (with the benchmark skipped) without.
xcb_connection_t* WatchDisplay(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        state.SkipWithError("no X display: run under xvfb-run");
        return nullptr;
    }
    int screenNumber = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x)) {
        xcb_disconnect(x);
        state.SkipWithError("the X display does not answer");
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screens.data->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    return x;
}

// The program in this build, its environment: the X platform, a simulator of its own and, when
// `settings` is set, settings folders of its own (the exit sequence writes the panel value).
struct Program {
    explicit Program(const QTemporaryDir* settings = nullptr) {
        std::vector<std::string> own{"QT_QPA_PLATFORM=xcb",
                                     "CARDHOST_SIM_DIR=" + sim.path().toStdString()};
        if (settings) {
            own.push_back("XDG_CONFIG_HOME=" + settings->path().toStdString());
            own.push_back("HOME=" + settings->path().toStdString());
        }
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            const auto variable = text.substr(0, text.find('=') + 1);
            if (std::none_of(own.begin(), own.end(),
                             [&](const std::string& o) { return o.rfind(variable, 0) == 0; }))
                own.push_back(text);
        }
        variables = std::move(own);
        for (std::string& text : variables)
            env.push_back(text.data());
        env.push_back(nullptr);
    }
    pid_t Start() {
        pid_t pid = 0;
        char* argv[] = {name.data(), nullptr};
        return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, env.data()) == 0 ? pid : 0;
    }

    QTemporaryDir sim;
    std::string path = (QCoreApplication::applicationDirPath() + "/tagwright").toStdString();
    std::string name = "tagwright";
    std::vector<std::string> variables;
    std::vector<char*> env;
};

}  // namespace

static void ProcessStartToWindowShown(benchmark::State& state) {
    xcb_connection_t* x = WatchDisplay(state);
    if (!x) return;
    Program program;
    for (auto _ : state) {
        const auto start = Clock::now();
        const pid_t pid = program.Start();
        if (pid == 0) {
            state.SkipWithError("tagwright could not be started");
            break;
        }
        const bool shown = WaitForWindowMapped(x, std::chrono::seconds(10)) != XCB_NONE;
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

// The window closed (as by File -> Exit or the close box) to the end of the process: the exit
// sequence saves the panel value (into settings folders of the benchmark's own) and unloads the
// reader library.
static void WindowClosedToProcessEnded(benchmark::State& state) {
    xcb_connection_t* x = WatchDisplay(state);
    if (!x) return;
    QTemporaryDir settings;
    Program program(&settings);
    for (auto _ : state) {
        const pid_t pid = program.Start();
        const xcb_window_t window =
            pid == 0 ? XCB_NONE : WaitForWindowMapped(x, std::chrono::seconds(10));
        if (window == XCB_NONE) {
            if (pid != 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
            state.SkipWithError("no window named Tagwright was mapped within 10 s");
            break;
        }
        usleep(200 * 1000);  // the window shown and idle, as an operator leaves it
        const auto start = Clock::now();
        AskToClose(x, window);
        const bool ended = WaitForExit(pid, std::chrono::seconds(10));
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            state.SkipWithError("tagwright did not end within 10 s of the close request");
            break;
        }
    }
    xcb_disconnect(x);
}
BENCHMARK(WindowClosedToProcessEnded)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
