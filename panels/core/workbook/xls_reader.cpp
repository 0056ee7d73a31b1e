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

#include "reader/binding.h"
#include "workbook.h"
#include "xls_protocol.h"

extern char** environ;

namespace tagwright::panels {
namespace {

constexpr auto kHelperTimeLimit = std::chrono::seconds(30);
constexpr std::size_t kMaxAnswerBytes = 512u * 1024 * 1024;

// Runs the helper on the path and collects what it prints; nothing when it fails, crashes,
// runs too long or says too much.
std::optional<std::string> RunHelper(const std::filesystem::path& path) {
    const std::string helper = (reader::ExecutableDirectory() / "tagwright-xls-reader").string();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string argument = path.string();
    char* argv[] = {const_cast<char*>(helper.c_str()), const_cast<char*>(argument.c_str()),
                    nullptr};
    pid_t child = -1;
    const int spawned = posix_spawn(&child, helper.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return std::nullopt;
    }

    std::string answer;
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
        if (got < 0 || answer.size() + static_cast<std::size_t>(got) > kMaxAnswerBytes) {
            ok = false;
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    if (!ok) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return answer;
}

}  // namespace

std::optional<ColumnA> ReadXlsColumnA(const std::filesystem::path& path) {
    const auto answer = RunHelper(path);
    if (!answer) return std::nullopt;
    return DecodeColumn(*answer);
}

}  // namespace tagwright::panels
