// SPDX-License-Identifier: MIT
// fake-vpcd-card: an NTAG on a virtual reader. Connects to vpcd (the virtual reader driver of a
// pcscd) and answers as one reader personality would with the tag in its field; the tag is the
// simulator's chip model.
//
// Signals: SIGUSR1 takes the tag away from the reader, SIGUSR2 puts it back; SIGTERM ends.
// While pcscd is away the card keeps knocking, so a restarted pcscd finds it again.
#include <sys/prctl.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "card_answers.h"
#include "cardhost/sim/hex.h"
#include "cardhost/sim/tag_file.h"
#include "tools/common/arguments.h"
#include "vpcd_link.h"

namespace tagwright::pcsc_testing {
namespace {

using cardhost::sim::ChipModel;
using cardhost::sim::NtagChip;
using tools::Arguments;
using tools::ParseNumber;
using tools::UsageError;

constexpr const char* kUsage = R"(usage: fake-vpcd-card [OPTIONS]

An NTAG on vpcd's virtual reader, for tests through a real pcscd.
  --port N            vpcd port: 35963 "Virtual PCD 00 00" (default), 35964 "... 00 01"
  --personality P     A (PN532 direct transmit, default), B (transparent session), C (storage only)
  --model M           NTAG203 NTAG210 NTAG212 NTAG213 (default) NTAG215 NTAG216
  --uid HEX14         the UID (default 04A1B2C3D4E5F6)
  --layout L          datasheet (default) or plain
  --tag-file PATH     start from a tag file as cardhost-sim stores it (instead of the above)
  --password HEX8     protect the tag: this password, AUTH0 from --auth0 (default 4),
                      PACK from --pack (default 0000)
  --state-file PATH   the tag as cardhost-sim stores it, rewritten after every message
  --log PATH          every message and answer, in hex
  --remove-after N    answer N APDUs, then leave the reader on the next one, unanswered
                      (once; SIGUSR2 puts the tag back)
  --nak-at N          the tag NAKs the N-th APDU that reaches it (or the next one that does)
  --nak-on CMD:K[,CMD:K...]
                      the tag NAKs the K-th command CMD (read, write, get-version, pwd-auth,
                      read-sig) and leaves it undone, as cardhost-sim's `fault fail ... --status
                      0x20`; each CMD counts its own commands
  --remove-on CMD:K   the tag leaves the reader when the K-th command CMD comes (undone)
  --silent-on CMD:K   the reader stops answering when the K-th command CMD comes (undone):
                      it reads on but answers nothing, not even vpcd's polls, until SIGUSR1
  --max-seconds N     end after this long (default 300)
)";

volatile std::sig_atomic_t gStop = 0;
volatile std::sig_atomic_t gRemove = 0;
volatile std::sig_atomic_t gInsert = 0;

void OnSignal(int signal) {
    if (signal == SIGUSR1)
        gRemove = 1;
    else if (signal == SIGUSR2)
        gInsert = 1;
    else
        gStop = 1;
}

void InstallSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGUSR1, SIGUSR2, SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A test that dies must not leave its card knocking at vpcd.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

std::vector<std::uint8_t> Hex(const std::string& text, std::size_t size, const std::string& what) {
    auto bytes = cardhost::sim::FromHex(text);
    if (!bytes || bytes->size() != size) throw UsageError("bad " + what + ": " + text);
    return *bytes;
}

NtagChip MakeChip(const Arguments& args) {
    if (auto file = args.Value("--tag-file")) {
        std::ifstream in(*file, std::ios::binary);
        if (!in) throw UsageError("cannot read " + *file);
        std::ostringstream text;
        text << in.rdbuf();
        return cardhost::sim::ParseTag(text.str());
    }
    const auto model = cardhost::sim::ModelFromName(args.Value("--model").value_or("NTAG213"));
    if (!model) throw UsageError("unknown model");
    const auto layout = cardhost::sim::LayoutFromName(args.Value("--layout").value_or("datasheet"));
    if (!layout) throw UsageError("unknown layout");
    const auto uidBytes = Hex(args.Value("--uid").value_or("04A1B2C3D4E5F6"), 7, "UID");
    cardhost::sim::Uid uid{};
    std::copy(uidBytes.begin(), uidBytes.end(), uid.begin());
    NtagChip chip = NtagChip::FactoryNew(*model, uid, *layout);
    if (auto password = args.Value("--password")) {
        const auto cfg0 = chip.facts().cfg0Page;
        if (!cfg0) throw UsageError("this model has no password");
        const auto pwd = Hex(*password, 4, "password");
        const auto pack = Hex(args.Value("--pack").value_or("0000"), 2, "PACK");
        auto& memory = chip.memory();
        std::copy(pwd.begin(), pwd.end(), memory.begin() + (*cfg0 + 2) * 4);
        std::copy(pack.begin(), pack.end(), memory.begin() + (*cfg0 + 3) * 4);
        memory[std::size_t{*cfg0} * 4 + 3] = static_cast<std::uint8_t>(
            ParseNumber(args.Value("--auth0").value_or("4"), 0, 255, "AUTH0"));
    }
    return chip;
}

class Card {
  public:
    explicit Card(const Arguments& args)
        : answers_(PersonalityOf(args), MakeChip(args)),
          port_(static_cast<std::uint16_t>(
              ParseNumber(args.Value("--port").value_or("35963"), 1, 65535, "port"))),
          removeAfter_(Count(args, "--remove-after")),
          nakAt_(Count(args, "--nak-at")),
          statePath_(args.Value("--state-file").value_or("")) {
        if (auto log = args.Value("--log")) log_.open(*log, std::ios::app);
        if (auto naks = args.Value("--nak-on")) {
            std::istringstream list(*naks);
            for (std::string nak; std::getline(list, nak, ',');) {
                const auto [opcode, nth] = CommandCount(nak, "--nak-on");
                answers_.NakCommand(opcode, nth);
            }
        }
        if (auto leave = args.Value("--remove-on")) {
            const auto [opcode, nth] = CommandCount(*leave, "--remove-on");
            answers_.LeaveOnCommand(opcode, nth);
        }
        if (auto silence = args.Value("--silent-on")) {
            const auto [opcode, nth] = CommandCount(*silence, "--silent-on");
            answers_.LeaveOnCommand(opcode, nth);
            silenceInsteadOfLeaving_ = true;
        }
        SaveState();
    }

    void Run(std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!gStop && std::chrono::steady_clock::now() < end) {
            if (gRemove) LeaveReader("removed by signal");
            if (gInsert) {
                gInsert = 0;
                present_ = true;
                Log("inserted by signal");
            }
            if (!present_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            } else if (!link_.connected()) {
                if (link_.Connect(port_))
                    Log("connected");
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
            } else {
                Serve();
            }
        }
        Log(gStop ? "stopped" : "time limit reached");
        SaveState();
    }

  private:
    static Personality PersonalityOf(const Arguments& args) {
        const auto p = PersonalityFromName(args.Value("--personality").value_or("A"));
        if (!p) throw UsageError("personality must be A, B or C");
        return *p;
    }
    // CMD:K, as in write:2.
    static std::pair<std::uint8_t, std::uint32_t> CommandCount(const std::string& text,
                                                               const std::string& option) {
        const auto colon = text.find(':');
        const auto opcode = OpcodeFromName(text.substr(0, colon));
        if (colon == std::string::npos || !opcode) throw UsageError("bad " + option + ": " + text);
        return {*opcode, static_cast<std::uint32_t>(
                             ParseNumber(text.substr(colon + 1), 1, 1'000'000, option))};
    }
    static std::uint64_t Count(const Arguments& args, const std::string& option) {
        const auto value = args.Value(option);
        return value ? static_cast<std::uint64_t>(ParseNumber(*value, 1, 1'000'000, option)) : 0;
    }

    void Serve() {
        std::vector<std::uint8_t> message;
        switch (link_.Receive(std::chrono::milliseconds(50), message)) {
            case VpcdLink::Result::Idle:
                return;
            case VpcdLink::Result::Closed:
                // pcscd went away: the field is off; knock again until it is back.
                answers_.PowerOff();
                Log("vpcd closed the connection");
                SaveState();
                return;
            case VpcdLink::Result::Message:
                break;
        }
        if (silent_) {
            Log("unanswered " + cardhost::sim::ToHex(message));
        } else if (message.size() == 1) {
            Control(message[0]);
        } else {
            Apdu(message);
        }
    }

    void Control(std::uint8_t code) {
        Log("control " + std::to_string(code));
        switch (code) {
            case 0x00:
                answers_.PowerOff();
                break;
            case 0x01:
            case 0x02:
                answers_.PowerOn();
                break;
            case 0x04:
                link_.Send(answers_.Atr());
                break;
            default:
                break;
        }
        SaveState();
    }

    void Apdu(const std::vector<std::uint8_t>& apdu) {
        ++apdus_;
        Log("> " + cardhost::sim::ToHex(apdu));
        if (removeAfter_ != 0 && apdus_ > removeAfter_) {
            removeAfter_ = 0;  // once: put back, the tag stays
            link_.Abort();
            LeaveReader("left the reader during this APDU");
            return;
        }
        if (apdus_ == nakAt_) answers_.ForceNak();
        const auto answer = answers_.Answer(apdu);
        const bool leaving = answers_.TakeLeave();
        if (leaving && silenceInsteadOfLeaving_) {
            silent_ = true;
            Log("silent from this APDU on");
            return;
        }
        if (leaving) {
            link_.Abort();
            LeaveReader("left the reader during this APDU");
            return;
        }
        Log("< " + cardhost::sim::ToHex(answer));
        // The tag's bytes are on file before the answer: whoever got it may look at them.
        SaveState();
        link_.Send(answer);
    }

    void LeaveReader(const std::string& why) {
        gRemove = 0;
        silent_ = false;
        present_ = false;
        link_.Close();
        answers_.PowerOff();
        Log(why);
        SaveState();
    }

    void SaveState() {
        if (statePath_.empty()) return;
        // Written aside and renamed, so that a reader of the file never sees half a tag.
        const std::filesystem::path temporary = statePath_ + ".new";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << cardhost::sim::SerializeTag(answers_.chip());
        }
        std::error_code ignored;
        std::filesystem::rename(temporary, statePath_, ignored);
    }

    void Log(const std::string& line) {
        if (log_.is_open()) log_ << line << std::endl;
    }

    CardAnswers answers_;
    VpcdLink link_;
    std::uint16_t port_;
    std::uint64_t removeAfter_;
    std::uint64_t nakAt_;
    std::uint64_t apdus_ = 0;
    bool present_ = true;
    bool silenceInsteadOfLeaving_ = false;
    bool silent_ = false;
    std::string statePath_;
    std::ofstream log_;
};

}  // namespace
}  // namespace tagwright::pcsc_testing

int main(int argc, char** argv) {
    using namespace tagwright::pcsc_testing;
    try {
        const tagwright::tools::Arguments args(
            std::vector<std::string>(argv + 1, argv + argc),
            {"--port", "--personality", "--model", "--uid", "--layout", "--tag-file", "--password",
             "--auth0", "--pack", "--state-file", "--log", "--remove-after", "--nak-at", "--nak-on",
             "--remove-on", "--silent-on", "--max-seconds"},
            {"--help"});
        if (args.Flag("--help")) {
            std::cout << kUsage;
            return 0;
        }
        args.ExpectPositional(0);
        const auto limit = tagwright::tools::ParseNumber(
            args.Value("--max-seconds").value_or("300"), 1, 3600, "--max-seconds");
        InstallSignals();
        Card card(args);
        card.Run(std::chrono::seconds(limit));
        return 0;
    } catch (const tagwright::tools::UsageError& e) {
        std::cerr << "fake-vpcd-card: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "fake-vpcd-card: " << e.what() << "\n";
        return 1;
    }
}
