// SPDX-License-Identifier: MIT
// .xls workbooks: FreeXL runs in the helper process tagwright-xls-reader beside the executable.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "reader/binding.h"
#include "workbook.h"
#include "xls_protocol.h"

extern char** environ;

namespace tagwright::sheets {
namespace {

constexpr auto kHelperTimeLimit = std::chrono::seconds(30);

// Runs the helper on the path and reads what it prints as it comes; nothing when it fails,
// crashes, runs too long, or prints what is malformed or passes the limits (it is then stopped
// at once). The helper is told the limits too, so that it gives up as early as it can.
std::optional<ColumnA> RunHelper(const std::filesystem::path& path, const SheetLimits& limits) {
    const std::string helper = (reader::ExecutableDirectory() / "tagwright-xls-reader").string();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> arguments = {helper,
                                          "--cell-bytes",
                                          std::to_string(limits.cellBytes),
                                          "--text-bytes",
                                          std::to_string(limits.textBytes),
                                          "--shared-strings",
                                          std::to_string(limits.sharedStrings),
                                          path.string()};
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    const int spawned =
        posix_spawn(&child, helper.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return std::nullopt;
    }

    ColumnDecoder answer(limits);
    bool ok = true;
    const auto deadline = std::chrono::steady_clock::now() + kHelperTimeLimit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting{pipeFds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            ok = false;  // hung
            break;
        }
        char buffer[65536];
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 || !answer.Feed(std::string_view(buffer, static_cast<std::size_t>(got)))) {
            ok = false;
            break;
        }
    }
    close(pipeFds[0]);
    if (!ok) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return answer.Finish();
}

}  // namespace

std::optional<ColumnA> ReadXlsColumnA(const std::filesystem::path& path,
                                      const SheetLimits& limits) {
    return RunHelper(path, limits);
}

}  // namespace tagwright::sheets
