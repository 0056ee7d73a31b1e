#include "sim_state.h"

#include <limits>
#include <sstream>

#include "entry_points.h"
#include "store_error.h"
#include "store_names.h"

namespace cardhost::sim {
namespace {

constexpr const char* kMagic = "cardhost-sim-state 2";
constexpr const char* kOldMagic = "cardhost-sim-state 1";
constexpr const char* kEnd = "end-of-state";

template <typename T>
void WriteList(std::ostringstream& out, const char* key, const T& values) {
    out << key;
    for (const auto& value : values)
        out << ' ' << +value;
    out << '\n';
}

// One line's words after its key, read strictly: every value must be there, nothing may follow.
class LineReader {
  public:
    LineReader(std::istringstream& words, std::size_t number) : words_(words), number_(number) {}

    template <typename T>
    T Number(T min, T max) {
        long long value = 0;
        if (!(words_ >> value) || value < static_cast<long long>(min) ||
            value > static_cast<long long>(max)) {
            Fail("a number from " + std::to_string(min) + " to " + std::to_string(max));
        }
        return static_cast<T>(value);
    }
    std::uint64_t Unsigned(std::uint64_t max = std::numeric_limits<std::uint64_t>::max()) {
        std::string text;
        words_ >> text;
        std::uint64_t value = 0;
        bool fits = !text.empty() && text.size() <= 20;
        for (char c : text) {
            fits = fits && c >= '0' && c <= '9';
            if (!fits) break;
            const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
            fits = value <= (max - digit) / 10;
            value = value * 10 + digit;
        }
        if (!fits) Fail("a number up to " + std::to_string(max));
        return value;
    }
    std::string Word() {
        std::string word;
        if (!(words_ >> word)) Fail("one more word");
        return word;
    }
    void End() {
        std::string extra;
        if (words_ >> extra) Fail("nothing after the values");
    }
    [[noreturn]] void Fail(const std::string& expected) const {
        throw FormatError("line " + std::to_string(number_) + ": expected " + expected);
    }

  private:
    std::istringstream& words_;
    std::size_t number_;
};

std::vector<std::uint8_t> ReadHistory(LineReader& in, std::istringstream& words) {
    std::vector<std::uint8_t> values;
    while (!(words >> std::ws).eof()) {
        values.push_back(in.Number<std::uint8_t>(0, 255));
        if (values.size() > kHistoryLimit) in.Fail("at most 256 values");
    }
    return values;
}

FaultRule ReadFault(LineReader& in) {
    FaultRule rule{};
    rule.kind = in.Word();
    if (!IsEntryPoint(rule.kind)) in.Fail("an entry point name");
    rule.remaining = in.Number<std::uint32_t>(1, std::numeric_limits<std::uint32_t>::max());
    rule.status = static_cast<std::int32_t>(in.Number<std::uint32_t>(1, LargestStatus(rule.kind)));
    return rule;
}

// Applies one `key values` line to the reader being read.
void ReadReaderLine(const std::string& key, LineReader& in, std::istringstream& words,
                    ReaderRecord& r) {
    if (key == "attached") {
        r.attached = in.Number<int>(0, 1) == 1;
    } else if (key == "field") {
        r.fieldUid = in.Word();
        if (!IsUidText(r.fieldUid)) in.Fail("a UID of 14 upper-case hex digits");
        r.fieldFromQueue = in.Number<int>(0, 1) == 1;
    } else if (key == "queue") {
        r.queueHead = in.Unsigned(kQueueLimit);
        r.queueLength = in.Unsigned(kQueueLimit);
        if (r.queueHead > r.queueLength) in.Fail("a queue head within the queue");
    } else if (key == "gap") {
        r.gapPolls = static_cast<std::uint32_t>(in.Unsigned(0xFFFFFFFF));
    } else if (key == "empty") {
        r.emptyPolls = static_cast<std::uint32_t>(in.Unsigned(0xFFFFFFFF));
    } else if (key == "fault") {
        r.faults.push_back(ReadFault(in));
    } else if (key == "tear") {
        r.tearAfter = in.Number<std::int64_t>(-1, std::numeric_limits<std::int64_t>::max());
    } else if (key == "detach") {
        r.detachAfter = in.Number<std::int64_t>(-1, std::numeric_limits<std::int64_t>::max());
    } else if (key == "count") {
        const std::string kind = in.Word();
        if (!IsEntryPoint(kind)) in.Fail("an entry point name");
        r.commandCounts[kind] = in.Unsigned();
    } else if (key == "air") {
        r.airTimeMicros = in.Unsigned();
    } else if (key == "lights") {
        r.lightHistory = ReadHistory(in, words);
    } else if (key == "buzzers") {
        r.buzzerHistory = ReadHistory(in, words);
    } else {
        in.Fail("a known key, not '" + key + "'");
    }
}

}  // namespace

bool IsValidSerial(const std::string& serial) {
    if (serial.empty() || serial.size() > 255) return false;
    for (unsigned char c : serial) {
        if (c <= 0x20 || c >= 0x7F) return false;
    }
    return true;
}

ReaderRecord* SimState::Find(const std::string& serial) {
    for (ReaderRecord& reader : readers) {
        if (reader.serial == serial) return &reader;
    }
    return nullptr;
}

const ReaderRecord* SimState::Find(const std::string& serial) const {
    return const_cast<SimState*>(this)->Find(serial);
}

std::vector<const ReaderRecord*> SimState::Attached() const {
    std::vector<const ReaderRecord*> attached;
    for (const ReaderRecord& reader : readers) {
        if (reader.attached) attached.push_back(&reader);
    }
    return attached;
}

std::string SerializeState(const SimState& state) {
    std::ostringstream out;
    out << kMagic << '\n';
    for (const ReaderRecord& r : state.readers) {
        out << "reader " << r.serial << '\n';
        out << "attached " << (r.attached ? 1 : 0) << '\n';
        if (!r.fieldUid.empty()) out << "field " << r.fieldUid << ' ' << r.fieldFromQueue << '\n';
        out << "queue " << r.queueHead << ' ' << r.queueLength << '\n';
        out << "gap " << r.gapPolls << '\n' << "empty " << r.emptyPolls << '\n';
        for (const FaultRule& f : r.faults) {
            out << "fault " << f.kind << ' ' << f.remaining << ' ' << f.status << '\n';
        }
        out << "tear " << r.tearAfter << '\n' << "detach " << r.detachAfter << '\n';
        for (const auto& [kind, count] : r.commandCounts) {
            out << "count " << kind << ' ' << count << '\n';
        }
        out << "air " << r.airTimeMicros << '\n';
        WriteList(out, "lights", r.lightHistory);
        WriteList(out, "buzzers", r.buzzerHistory);
        out << "end\n";
    }
    out << kEnd << '\n';
    return out.str();
}

SimState ParseState(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    if (line == kOldMagic) {
        throw FormatError("written by an older simulator; remove the folder to start afresh");
    }
    if (line != kMagic) throw FormatError("not a simulator state file");
    // The end line is written last: without it the file was cut short.
    if (!text.ends_with(std::string("\n") + kEnd + "\n")) throw FormatError("cut short");

    SimState state;
    ReaderRecord* current = nullptr;
    std::size_t number = 1;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        LineReader in(words, number);
        std::string key;
        words >> key;
        if (key == kEnd) {
            if (current != nullptr) in.Fail("'end' after reader " + current->serial);
            in.End();
            if (std::getline(lines, line)) in.Fail("nothing after the end");
            return state;
        }
        if (key == "reader") {
            if (current != nullptr) in.Fail("'end' before the next reader");
            const std::string serial = in.Word();
            if (!IsValidSerial(serial) || state.Find(serial) != nullptr) {
                in.Fail("a new printable reader serial");
            }
            current = &state.readers.emplace_back();
            current->serial = serial;
        } else if (current == nullptr) {
            in.Fail("'reader' or '" + std::string(kEnd) + "'");
        } else if (key == "end") {
            current = nullptr;
        } else {
            ReadReaderLine(key, in, words, *current);
        }
        in.End();
    }
    throw FormatError("cut short");
}

}  // namespace cardhost::sim
