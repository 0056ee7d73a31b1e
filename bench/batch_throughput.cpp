// SPDX-License-Identifier: MIT
// Throughput of an Auto batch as a line would see it: tagwright-cli writes 200 conveyed NTAG213
// tags with the simulator in real-time mode (every command lasts as long as the reader profile
// says: its modeled air time, and with acr122u the reader's own time), a 10-byte Text and a
// 48-byte URL, with and without --verify. Prints tags per minute and the time per tag against
// the floor: the commands' time, one 100 ms timer tick (the conveyor brings the next tag one
// empty poll after the last left) and the 110 ms success pause.
//
// Usage: batch_throughput [TAGS] [PROFILE]   (default 200 and air; each batch takes a minute or
// two)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cardhost/sim/sim_reader.h"
#include "reader/binding.h"
#include "sim_rig.h"
#include "tools/common/shell_words.h"

namespace {

using namespace tagwright;
using Clock = std::chrono::steady_clock;

struct Batch {
    const char* name;
    std::vector<std::string> write;  // the words after "write"
};

std::string Output(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return out;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        out.append(buffer, n);
    return out;
}

// What the reader's commands took by the simulator's counts, in milliseconds: the modeled air
// time, and their whole time with the profile.
struct CommandTime {
    double airMs = -1, profileMs = 0;
};

CommandTime CommandTimeMs(const std::string& tool, const cardhost::sim::ReaderLatency& profile) {
    std::istringstream stats(Output(tools::ShellCommand(tool, {"stats", "--reader", "SIM-0001"})));
    CommandTime time;
    std::string word, kind;
    double value = 0;
    // "command KIND N" lines, and "airtime_ms MS".
    while (stats >> word) {
        if (word == "command" && stats >> kind >> value) {
            time.profileMs += value * cardhost::sim::CommandMicros(kind, profile) / 1000.0;
        } else if (word == "airtime_ms" && stats >> value) {
            time.airMs = value;
        }
    }
    return time;
}

}  // namespace

int main(int argc, char** argv) {
    const int tags = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::string profileName = argc > 2 ? argv[2] : "air";
    const auto profile = cardhost::sim::ParseRealTime(profileName);
    if (tags < 1 || !profile) {
        std::fprintf(stderr, "usage: batch_throughput [TAGS] [air|acr122u]\n");
        return 2;
    }
    const auto bin = reader::ExecutableDirectory();
    const std::string cli = (bin / "tagwright-cli").string();
    const std::string sim = (bin / "cardhost-sim").string();
    const std::string url = "example.com/products/item-000123?lot=2026-12-08AB";  // 48 bytes
    const std::vector<Batch> batches{
        {"Text, 10 bytes", {"text", "0123456789"}},
        {"Text, 10 bytes, --verify", {"text", "--verify", "0123456789"}},
        {"URL, 48 bytes", {"url", "--prefix", "4", url}},
        {"URL, 48 bytes, --verify", {"url", "--prefix", "4", "--verify", url}},
    };
    std::printf("%d conveyed NTAG213 tags per batch, CARDHOST_SIM_REALTIME=%s\n\n", tags,
                profileName.c_str());
    std::printf("%-26s %8s %10s %10s %10s %10s %10s %8s\n", "Batch", "seconds", "tags/min",
                "ms/tag", "air ms/tag", "cmd ms/tag", "floor ms", "over");
    int status = 0;
    for (const Batch& batch : batches) {
        bench::FreshSimulator({{"tag", "remove", "--reader", "SIM-0001"},
                               {"queue", "--reader", "SIM-0001", "--count", std::to_string(tags),
                                "--layout", "plain", "--gap-polls", "1"}});
        std::vector<std::string> words{"write"};
        words.insert(words.end(), batch.write.begin(), batch.write.end());
        words.insert(words.end(), {"--auto", "--count", std::to_string(tags)});
        const std::string command = "CARDHOST_SIM_REALTIME=" + profileName + " " +
                                    tools::ShellCommand(cli, words) + " >/dev/null 2>&1";
        const auto started = Clock::now();
        const int exit = std::system(command.c_str());
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        if (exit != 0) {
            std::printf("%-26s failed (exit status %d)\n", batch.name, exit);
            status = 1;
            continue;
        }
        const double perTagMs = 1000.0 * seconds / tags;
        const CommandTime time = CommandTimeMs(sim, *profile);
        const double airMs = time.airMs / tags;
        const double commandMs = time.profileMs / tags;
        const double floorMs = commandMs + 100.0 + 110.0;
        std::printf("%-26s %8.1f %10.1f %10.1f %10.1f %10.1f %10.1f %7.1f%%\n", batch.name, seconds,
                    60.0 * tags / seconds, perTagMs, airMs, commandMs, floorMs,
                    100.0 * (perTagMs - floorMs) / floorMs);
    }
    return status;
}
