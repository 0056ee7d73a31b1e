// SPDX-License-Identifier: MIT
// cardhost-sim: looks after the simulated readers and tags that the reader library offers.
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>

#include "cardhost/sim/entry_points.h"
#include "cardhost/sim/hex.h"
#include "cardhost/sim/sim_reader.h"
#include "cardhost/sim/sim_store.h"
#include "sim_tool.h"
#include "tag_view.h"
#include "tools/common/arguments.h"
#include "version/version.h"

namespace cardhost_sim {
namespace {

using tagwright::tools::Arguments;
using tagwright::tools::ParseNumber;
using tagwright::tools::UsageError;

using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;
using cardhost::sim::ReaderRecord;
using cardhost::sim::SimStore;
using Tx = SimStore::Transaction;

constexpr const char* kUsage = R"(usage: cardhost-sim COMMAND ...
       cardhost-sim --help | --version

Looks after the simulated readers and tags of the cardhost reader library. The state lives in
$CARDHOST_SIM_DIR (default: $XDG_STATE_HOME/cardhost-sim or ~/.local/state/cardhost-sim); the
program and this tool see the same readers and tags. The first use creates reader SIM-0001 with
a factory-fresh NTAG213 in its field.

Readers
  readers                          list the readers: serial, plugged in or not, tag in the field,
                                   tags waiting in the queue
  reader add SERIAL                plug in a new reader
  reader remove SERIAL             forget a reader (its tags stay known by UID)
  reader detach SERIAL             unplug a reader (it keeps its tag, queue and counters)
  reader attach SERIAL             plug it in again

Tags (models NTAG203 NTAG210 NTAG212 NTAG213 NTAG215 NTAG216; layouts: datasheet, the factory
delivery contents, or plain, 03 00 FE 00 at page 4)
  tags                             list every known tag
  tag new [--model M] [--uid HEX14] [--layout L] [--reader SERIAL] [--version HEX16]
          [--signature HEX64]      make a factory-fresh tag (default NTAG213, datasheet) and
                                   print its UID; with --reader it is placed in that field;
                                   --version makes it answer GET_VERSION with other bytes;
                                   --signature makes it answer READ_SIG with these bytes in
                                   place of the simulator's test-key signature
  tag place UID --reader SERIAL    put a tag into a reader's field by hand (it stays until
                                   removed)
  tag remove --reader SERIAL       take the tag out of a reader's field
  tag dump (UID | --reader SERIAL) [--hex]
                                   show the memory page by page; --hex prints the whole memory
                                   as one line of hex digits (real PWD and PACK included)
  tag poke (UID | --reader SERIAL) PAGE HEX8
                                   overwrite one page raw, bypassing every protection

Conveyor
  queue --reader SERIAL --count N [--model M] [--layout L] [--gap-polls K]
                                   make N new tags and queue them at the reader; prints their
                                   UIDs in order. A queued tag arrives after K empty polls and
                                   leaves when the program sounds the success beep (length 10)

Faults (for tests)
  fault fail KIND --reader SERIAL [--nth N] [--status CODE]
                                   the N-th call (N >= 1, default 1) of entry point KIND from
                                   now on fails with CODE (default 0x09): 1 to 0xFF for the Sys_
                                   calls, 1 to 0x7FFFFFFF for the TyA_ calls. KIND is one of the
                                   26 entry points listed below. Calls that no open reader
                                   serves count on a reader's rules too: Sys_Open and
                                   Sys_GetHidSerialNumberStr on the reader they name,
                                   Sys_GetDeviceNum on every reader (the first that falls due
                                   fails it). A failed Sys_Close leaves the reader open;
                                   Sys_IsOpen takes no --status, its failure answers 0
  fault weak --reader SERIAL --page P [--nth N]
                                   the N-th WRITE (default 1) to page P from now on is
                                   acknowledged, but the page keeps other bytes: each byte
                                   written with its lowest bit inverted (a weak tag)
  fault tear --reader SERIAL --after N
                                   the tag leaves the field after N more commands
  fault detach --reader SERIAL --after N
                                   the reader is unplugged after N more commands
  fault clear --reader SERIAL      drop every pending fault
  fault list --reader SERIAL       show the pending faults

Statistics
  stats --reader SERIAL [--reset]  commands by entry point, modeled air time, light and buzzer
                                   history

  demo                             list the readers and dump the tag of the first one

Exit status: 0 done, 1 failed (unknown reader or tag, damaged state: the message names the
file), 2 bad arguments.

Entry points:)";

class Failure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

ReaderRecord& ReaderNamed(Tx& tx, const std::string& serial) {
    ReaderRecord* reader = tx.state().Find(serial);
    if (reader == nullptr) throw Failure("no reader " + serial);
    return *reader;
}

ChipModel ModelOption(const Arguments& args) {
    const auto name = args.Value("--model");
    if (!name) return ChipModel::Ntag213;
    const auto model = cardhost::sim::ModelFromName(*name);
    if (!model) throw UsageError("unknown model " + *name);
    return *model;
}

Layout LayoutOption(const Arguments& args) {
    const auto name = args.Value("--layout");
    if (!name) return Layout::Datasheet;
    const auto layout = cardhost::sim::LayoutFromName(*name);
    if (!layout) throw UsageError("unknown layout " + *name + " (datasheet or plain)");
    return *layout;
}

std::string CanonicalUid(const std::string& text) {
    const auto bytes = cardhost::sim::FromHex(text);
    if (!bytes || bytes->size() != 7) throw UsageError("a UID is 14 hex digits: " + text);
    return cardhost::sim::ToHex(*bytes);
}

void CheckSerial(const std::string& serial) {
    if (!cardhost::sim::IsValidSerial(serial)) {
        throw UsageError("a reader serial is 1 to 255 printable characters, no spaces");
    }
}

constexpr const char* kNowhere = "not in a field";

// Where each tag that lies in a field or waits in a queue is, by UID.
std::map<std::string, std::string> Whereabouts(Tx& tx) {
    std::map<std::string, std::string> where;
    for (const ReaderRecord& reader : tx.state().readers) {
        if (!reader.fieldUid.empty()) {
            where.emplace(reader.fieldUid, "in the field of " + reader.serial);
        }
        for (const std::string& queued : tx.QueuedUids(reader)) {
            where.emplace(queued, "queued at " + reader.serial);
        }
    }
    return where;
}

std::string WhereIs(Tx& tx, const std::string& uid) {
    const auto where = Whereabouts(tx);
    const auto it = where.find(uid);
    return it == where.end() ? kNowhere : it->second;
}

// The tag a dump or poke names: a UID as the first word, or the one in --reader's field.
std::string TargetTag(Tx& tx, const Arguments& args, std::size_t extraWords) {
    if (auto serial = args.Value("--reader")) {
        args.ExpectPositional(extraWords);
        const ReaderRecord& reader = ReaderNamed(tx, *serial);
        if (reader.fieldUid.empty()) throw Failure("no tag in the field of " + *serial);
        tx.RequireTag(reader.fieldUid);
        return reader.fieldUid;
    }
    args.ExpectPositional(extraWords + 1);
    const std::string uid = CanonicalUid(args.positional()[0]);
    if (!tx.TagExists(uid)) throw Failure("no tag " + uid);
    return uid;
}

void ListReaders(Tx& tx) {
    for (const ReaderRecord& r : tx.state().readers) {
        std::cout << r.serial << ' ' << (r.attached ? "attached" : "detached")
                  << " tag=" << (r.fieldUid.empty() ? "-" : r.fieldUid)
                  << " queued=" << r.QueueWaiting() << '\n';
    }
}

void DumpTag(Tx& tx, const std::string& uid, bool hex) {
    const NtagChip& chip = tx.RequireTag(uid);
    if (hex) {
        std::cout << cardhost::sim::ToHex(chip.memory()) << '\n';
    } else {
        std::cout << DescribeTag(chip, WhereIs(tx, uid));
    }
}

void ReaderCommand(Tx& tx, const std::vector<std::string>& words) {
    const Arguments args(words, {}, {});
    args.ExpectPositional(2);
    const std::string& verb = args.positional()[0];
    const std::string& serial = args.positional()[1];
    CheckSerial(serial);
    auto& readers = tx.state().readers;
    if (verb == "add") {
        if (tx.state().Find(serial)) throw Failure("reader " + serial + " exists");
        ReaderRecord reader;
        reader.serial = serial;
        readers.push_back(reader);
    } else if (verb == "remove") {
        ReaderNamed(tx, serial);
        std::erase_if(readers, [&](const ReaderRecord& r) { return r.serial == serial; });
        tx.DropQueue(serial);
    } else if (verb == "detach" || verb == "attach") {
        ReaderNamed(tx, serial).attached = verb == "attach";
    } else {
        throw UsageError("unknown reader command " + verb);
    }
    tx.MarkStateChanged();
}

// Exactly N bytes as 2N hex digits, or a usage error saying so.
template <std::size_t N>
std::array<std::uint8_t, N> FixedHex(const std::string& text, const char* refusal) {
    const auto bytes = cardhost::sim::FromHex(text);
    if (!bytes || bytes->size() != N) throw UsageError(refusal);
    std::array<std::uint8_t, N> fixed{};
    std::copy(bytes->begin(), bytes->end(), fixed.begin());
    return fixed;
}

void TagCommand(Tx& tx, const std::vector<std::string>& words) {
    if (words.empty()) throw UsageError("missing tag command");
    const std::string verb = words[0];
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (verb == "new") {
        const Arguments args(
            rest, {"--model", "--uid", "--layout", "--reader", "--version", "--signature"}, {});
        args.ExpectPositional(0);
        ReaderRecord* reader = nullptr;
        if (auto serial = args.Value("--reader")) {
            reader = &ReaderNamed(tx, *serial);
            if (!reader->fieldUid.empty()) throw Failure(*serial + " already holds a tag");
        }
        std::string uid;
        if (auto wanted = args.Value("--uid")) {
            uid = CanonicalUid(*wanted);
            if (tx.TagExists(uid)) throw Failure("tag " + uid + " exists");
            const auto bytes = *cardhost::sim::FromHex(uid);
            cardhost::sim::Uid raw{};
            std::copy(bytes.begin(), bytes.end(), raw.begin());
            tx.PutTag(NtagChip::FactoryNew(ModelOption(args), raw, LayoutOption(args)));
        } else {
            uid = tx.NewTag(ModelOption(args), LayoutOption(args));
        }
        if (auto version = args.Value("--version")) {
            tx.Tag(uid)->OverrideVersion(FixedHex<8>(*version, "a version is 16 hex digits"));
            tx.MarkTagChanged(uid);
        }
        if (auto signature = args.Value("--signature")) {
            tx.Tag(uid)->OverrideSignature(
                FixedHex<32>(*signature, "a signature is 64 hex digits"));
            tx.MarkTagChanged(uid);
        }
        if (reader) cardhost::sim::PlaceTag(tx, *reader, uid, false);
        std::cout << uid << '\n';
    } else if (verb == "place") {
        const Arguments args(rest, {"--reader"}, {});
        args.ExpectPositional(1);
        const std::string uid = CanonicalUid(args.positional()[0]);
        ReaderRecord& reader = ReaderNamed(tx, args.Required("--reader"));
        if (!tx.TagExists(uid)) throw Failure("no tag " + uid);
        if (const std::string where = WhereIs(tx, uid); where != kNowhere) {
            throw Failure(uid + " is " + where);
        }
        if (!reader.fieldUid.empty()) throw Failure(reader.serial + " already holds a tag");
        cardhost::sim::PlaceTag(tx, reader, uid, false);
    } else if (verb == "remove") {
        const Arguments args(rest, {"--reader"}, {});
        args.ExpectPositional(0);
        ReaderRecord& reader = ReaderNamed(tx, args.Required("--reader"));
        if (reader.fieldUid.empty()) throw Failure("no tag in the field of " + reader.serial);
        cardhost::sim::TakeTagAway(tx, reader);
    } else if (verb == "dump") {
        const Arguments args(rest, {"--reader"}, {"--hex"});
        DumpTag(tx, TargetTag(tx, args, 0), args.Flag("--hex"));
    } else if (verb == "poke") {
        const Arguments args(rest, {"--reader"}, {});
        const std::string uid = TargetTag(tx, args, 2);
        const auto& words2 = args.positional();
        const std::size_t first = args.Value("--reader") ? 0 : 1;
        NtagChip& chip = tx.RequireTag(uid);
        const auto page = ParseNumber(words2[first], 0, chip.facts().lastPage, "page");
        const auto data = cardhost::sim::FromHex(words2[first + 1]);
        if (!data || data->size() != 4) throw UsageError("a page is 8 hex digits");
        std::copy(data->begin(), data->end(),
                  chip.memory().begin() + static_cast<std::ptrdiff_t>(page * 4));
        tx.MarkTagChanged(uid);
    } else {
        throw UsageError("unknown tag command " + verb);
    }
}

void QueueCommand(Tx& tx, const std::vector<std::string>& words) {
    const Arguments args(words, {"--reader", "--count", "--model", "--layout", "--gap-polls"}, {});
    args.ExpectPositional(0);
    ReaderRecord& reader = ReaderNamed(tx, args.Required("--reader"));
    const auto count = ParseNumber(args.Required("--count"), 1, 100000, "count");
    if (auto gap = args.Value("--gap-polls")) {
        reader.gapPolls = static_cast<std::uint32_t>(ParseNumber(*gap, 0, 1000000, "gap"));
    }
    const ChipModel model = ModelOption(args);
    const Layout layout = LayoutOption(args);
    std::vector<std::string> uids;
    for (std::int64_t i = 0; i < count; ++i) {
        uids.push_back(tx.NewTag(model, layout));
        std::cout << uids.back() << '\n';
    }
    tx.AppendToQueue(reader, uids);
}

// `fault fail KIND ...`: a rule that the call can really return, checked before it is stored.
cardhost::sim::FaultRule FailureRule(const Arguments& args) {
    args.ExpectPositional(1);
    const std::string& kind = args.positional()[0];
    if (!cardhost::sim::IsEntryPoint(kind)) {
        throw UsageError("unknown entry point " + kind +
                         "; KIND is one of the 26 entry points, such as TyA_NTAG_Write");
    }
    const auto nth = ParseNumber(args.Value("--nth").value_or("1"), 1, 1000000000, "--nth");
    if (kind == cardhost::sim::kIsOpen && args.Value("--status")) {
        throw UsageError("Sys_IsOpen takes no --status: its failure answers 0 (not open)");
    }
    const std::uint32_t largest = cardhost::sim::LargestStatus(kind);
    char largestText[16];
    std::snprintf(largestText, sizeof largestText, "0x%X", largest);
    const auto status = ParseNumber(args.Value("--status").value_or("0x09"), 1, largest,
                                    "--status for " + kind + " (1 to " + largestText + ")");
    return {kind, static_cast<std::uint32_t>(nth), static_cast<std::int32_t>(status)};
}

void ListFaults(const ReaderRecord& reader) {
    for (const auto& f : reader.faults) {
        std::cout << "fail " << f.kind << " in " << f.remaining << " calls";
        if (f.kind == cardhost::sim::kIsOpen) {
            std::cout << " (answers 0)\n";
        } else {
            char status[16];
            std::snprintf(status, sizeof status, "0x%02x", static_cast<unsigned>(f.status));
            std::cout << " with " << status << '\n';
        }
    }
    for (const auto& w : reader.weakPages) {
        std::cout << "weak page " << int{w.page} << " on write " << w.remaining << '\n';
    }
    if (reader.tearAfter >= 0) std::cout << "tear after " << reader.tearAfter << '\n';
    if (reader.detachAfter >= 0) std::cout << "detach after " << reader.detachAfter << '\n';
}

void FaultCommand(Tx& tx, const std::vector<std::string>& words) {
    if (words.empty()) throw UsageError("missing fault command");
    const std::string verb = words[0];
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (verb == "fail") {
        const Arguments args(rest, {"--reader", "--nth", "--status"}, {});
        const auto rule = FailureRule(args);
        ReaderNamed(tx, args.Required("--reader")).faults.push_back(rule);
    } else if (verb == "weak") {
        const Arguments args(rest, {"--reader", "--page", "--nth"}, {});
        args.ExpectPositional(0);
        const auto page = ParseNumber(args.Required("--page"), 0, 255, "--page");
        const auto nth = ParseNumber(args.Value("--nth").value_or("1"), 1, 1000000000, "--nth");
        ReaderNamed(tx, args.Required("--reader"))
            .weakPages.push_back(
                {static_cast<std::uint8_t>(page), static_cast<std::uint32_t>(nth)});
    } else if (verb == "tear" || verb == "detach") {
        const Arguments args(rest, {"--reader", "--after"}, {});
        args.ExpectPositional(0);
        const auto after = ParseNumber(args.Required("--after"), 0, 1000000000, "--after");
        ReaderRecord& reader = ReaderNamed(tx, args.Required("--reader"));
        (verb == "tear" ? reader.tearAfter : reader.detachAfter) = after;
    } else if (verb == "clear" || verb == "list") {
        const Arguments args(rest, {"--reader"}, {});
        args.ExpectPositional(0);
        ReaderRecord& reader = ReaderNamed(tx, args.Required("--reader"));
        if (verb == "list") {
            ListFaults(reader);
            return;
        }
        reader.faults.clear();
        reader.weakPages.clear();
        reader.tearAfter = -1;
        reader.detachAfter = -1;
    } else {
        throw UsageError("unknown fault command " + verb);
    }
    tx.MarkStateChanged();
}

void StatsCommand(Tx& tx, const std::vector<std::string>& words) {
    const Arguments args(words, {"--reader"}, {"--reset"});
    args.ExpectPositional(0);
    ReaderRecord& reader = ReaderNamed(tx, args.Required("--reader"));
    if (args.Flag("--reset")) {
        reader.commandCounts.clear();
        reader.airTimeMicros = 0;
        reader.lightHistory.clear();
        reader.buzzerHistory.clear();
        tx.MarkStateChanged();
        return;
    }
    std::cout << "reader " << reader.serial << '\n';
    for (const auto& [kind, count] : reader.commandCounts) {
        std::cout << "command " << kind << ' ' << count << '\n';
    }
    char airTime[48];
    std::snprintf(airTime, sizeof airTime, "airtime_ms %.2f\n",
                  static_cast<double>(reader.airTimeMicros) / 1000.0);
    std::cout << airTime;
    std::cout << "lights";
    for (auto v : reader.lightHistory)
        std::cout << ' ' << +v;
    std::cout << "\nbuzzer";
    for (auto v : reader.buzzerHistory)
        std::cout << ' ' << +v;
    std::cout << '\n';
}

void Demo(Tx& tx) {
    std::cout << "Simulated readers (state in " << SimStore::DefaultDirectory().string() << "):\n";
    ListReaders(tx);
    for (const ReaderRecord& reader : tx.state().readers) {
        if (!reader.attached || reader.fieldUid.empty()) continue;
        std::cout << "\nTag in the field of " << reader.serial << ":\n";
        DumpTag(tx, reader.fieldUid, false);
        return;
    }
    std::cout << "\nNo tag lies in a field.\n";
}

void RunCommand(Tx& tx, const std::string& command, const std::vector<std::string>& rest) {
    if (command == "readers") {
        Arguments(rest, {}, {}).ExpectPositional(0);
        ListReaders(tx);
    } else if (command == "tags") {
        Arguments(rest, {}, {}).ExpectPositional(0);
        const auto where = Whereabouts(tx);
        for (const std::string& uid : tx.TagUids()) {
            const auto it = where.find(uid);
            std::cout << uid << ' ' << tx.RequireTag(uid).facts().name << ' '
                      << (it == where.end() ? kNowhere : it->second) << '\n';
        }
    } else if (command == "reader") {
        ReaderCommand(tx, rest);
    } else if (command == "tag") {
        TagCommand(tx, rest);
    } else if (command == "queue") {
        QueueCommand(tx, rest);
    } else if (command == "fault") {
        FaultCommand(tx, rest);
    } else if (command == "stats") {
        StatsCommand(tx, rest);
    } else if (command == "demo") {
        Demo(tx);
    } else {
        throw UsageError("unknown command " + command);
    }
}

void PrintUsage(std::ostream& out) {
    out << kUsage;
    for (std::size_t i = 0; i < cardhost::sim::kEntryPoints.size(); ++i) {
        out << (i % 4 == 0 ? "\n  " : " ") << cardhost::sim::kEntryPoints[i];
    }
    out << '\n';
}

// Sends std::cout to a buffer for as long as it lives.
class CapturedOutput {
  public:
    CapturedOutput() : previous_(std::cout.rdbuf(buffer_.rdbuf())) {}
    ~CapturedOutput() { std::cout.rdbuf(previous_); }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;
    std::string text() const { return buffer_.str(); }

  private:
    std::ostringstream buffer_;
    std::streambuf* previous_;
};

int Run(const std::vector<std::string>& words) {
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintUsage(std::cout);
        return words.empty() ? 2 : 0;
    }
    if (words[0] == "--version") {
        std::cout << tagwright::version::VersionLine("cardhost-sim") << '\n';
        return 0;
    }
    const std::string command = words[0];
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    SimStore store(SimStore::DefaultDirectory());
    // What a command prints shows once its transaction is stored: a UID printed is a tag made.
    std::string printed;
    {
        const CapturedOutput output;
        store.Transact([&](Tx& tx) { RunCommand(tx, command, rest); });
        printed = output.text();
    }
    std::cout << printed;
    return 0;
}

}  // namespace

int RunTool(const std::vector<std::string>& words) {
    try {
        return Run(words);
    } catch (const tagwright::tools::UsageError& error) {
        std::cerr << "cardhost-sim: " << error.what() << "\n(see cardhost-sim --help)\n";
        return 2;
    } catch (const cardhost::sim::StoreError& error) {
        std::cerr << "cardhost-sim: " << error.what() << '\n';
        // A refusal names its cause (no space, a read-only folder, another user's folder): the
        // file may be sound, and removing it would not help.
        if (error.kind() == cardhost::sim::StoreError::Kind::Damage) {
            std::cerr << "cardhost-sim: the simulator's state in "
                      << cardhost::sim::SimStore::DefaultDirectory().string()
                      << " cannot be used until that file is repaired or removed\n";
        }
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "cardhost-sim: " << error.what() << '\n';
        return 1;
    }
}

}  // namespace cardhost_sim
