// SPDX-License-Identifier: MIT
#include "fake_card_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "cardhost/sim/tag_file.h"
#include "tools/common/shell_words.h"

namespace tagwright::pcsc_testing {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string HarnessMissing() {
    if (std::getenv("TW_PCSCD_DIR") == nullptr || std::getenv("TW_PCSCD_CONTROL") == nullptr) {
        return "not inside tests/pcsc/run-in-private-pcscd.sh: no private pcscd to talk to";
    }
    return {};
}

bool ControlPcscd(const std::string& action) {
    const std::string command =
        tools::ShellCommand(std::getenv("TW_PCSCD_CONTROL"), {"--control", action});
    return std::system(command.c_str()) == 0;
}

std::filesystem::path ProgramFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

FakeCardProcess::FakeCardProcess(std::vector<std::string> options) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tw-card-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    folder_ = pattern;
    options.insert(options.end(), {"--state-file", (folder_ / "tag").string(), "--log",
                                   (folder_ / "log").string(), "--max-seconds", "120"});
    const std::string program = (ProgramFolder() / "fake-vpcd-card").string();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (auto& option : options)
        argv.push_back(option.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    // The state file is written before the card first knocks at vpcd.
    for (int i = 0; i < 100 && !std::filesystem::exists(folder_ / "tag"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) pid_ = -1;  // refused its options
}

FakeCardProcess::~FakeCardProcess() {
    Stop();
    std::error_code ignored;
    if (!folder_.empty() && std::getenv("TW_PCSCD_KEEP") == nullptr) {
        std::filesystem::remove_all(folder_, ignored);
    }
}

void FakeCardProcess::TakeAway() {
    if (pid_ > 0) kill(pid_, SIGUSR1);
}

void FakeCardProcess::PutBack() {
    if (pid_ > 0) kill(pid_, SIGUSR2);
}

bool FakeCardProcess::Stop() {
    if (pid_ <= 0) return false;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return false;
}

cardhost::sim::NtagChip FakeCardProcess::Tag() const {
    return cardhost::sim::ParseTag(ReadFile(folder_ / "tag"));
}

std::string FakeCardProcess::Log() const {
    return ReadFile(folder_ / "log");
}

}  // namespace tagwright::pcsc_testing
