// SPDX-License-Identifier: MIT
#include "sim_state.h"

#include <charconv>
#include <limits>
#include <string_view>
#include <type_traits>

#include "entry_points.h"
#include "store_error.h"
#include "store_names.h"

namespace cardhost::sim {
namespace {

// Every reader call reads and writes the state, so both are done without streams.
constexpr std::string_view kMagic = "cardhost-sim-state 2";
constexpr std::string_view kOldMagic = "cardhost-sim-state 1";
constexpr std::string_view kEnd = "end-of-state";
constexpr std::string_view kEndLine = "\nend-of-state\n";  // the last line, with its newlines

template <typename T>
void AppendNumber(std::string& out, T value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// `key value...`: the values, each after one space.
class LineWriter {
  public:
    LineWriter(std::string& out, std::string_view key) : out_(out) { out_ += key; }
    ~LineWriter() { out_ += '\n'; }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    LineWriter& operator<<(std::string_view word) {
        out_ += ' ';
        out_ += word;
        return *this;
    }
    template <typename T>
    requires std::is_integral_v<T> LineWriter& operator<<(T value) {
        out_ += ' ';
        AppendNumber(out_, +value);
        return *this;
    }

  private:
    std::string& out_;
};

// One line's words, separated by single spaces, read strictly: every value must be there in the
// form the simulator writes, nothing may follow.
class LineReader {
  public:
    LineReader(std::string_view line, std::size_t number) : rest_(line), number_(number) {}

    bool Done() const { return rest_.empty(); }

    std::string_view Word() {
        if (rest_.empty()) Fail("one more word");
        const std::size_t space = rest_.find(' ');
        const std::string_view word = rest_.substr(0, space);
        rest_ = space == std::string_view::npos ? std::string_view() : rest_.substr(space + 1);
        if (word.empty() || (space != std::string_view::npos && rest_.empty())) {
            Fail("single spaces between words");
        }
        return word;
    }

    template <typename T>
    T Number(T min, T max) {
        using Wide = std::conditional_t<std::is_signed_v<T>, long long, unsigned long long>;
        const std::string_view word = Word();
        Wide value{};
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size() ||
            value < static_cast<Wide>(min) || value > static_cast<Wide>(max)) {
            Fail("a number from " + std::to_string(min) + " to " + std::to_string(max));
        }
        return static_cast<T>(value);
    }

    void End() const {
        if (!rest_.empty()) Fail("nothing after the values");
    }

    [[noreturn]] void Fail(const std::string& expected) const {
        throw FormatError("line " + std::to_string(number_) + ": expected " + expected);
    }

  private:
    std::string_view rest_;
    std::size_t number_;
};

constexpr std::uint64_t kAny = std::numeric_limits<std::uint64_t>::max();

std::vector<std::uint8_t> ReadHistory(LineReader& in) {
    std::vector<std::uint8_t> values;
    while (!in.Done()) {
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
void ReadReaderLine(std::string_view key, LineReader& in, ReaderRecord& r) {
    constexpr std::int64_t kLongest = std::numeric_limits<std::int64_t>::max();
    if (key == "attached") {
        r.attached = in.Number<int>(0, 1) == 1;
    } else if (key == "field") {
        r.fieldUid = in.Word();
        if (!IsUidText(r.fieldUid)) in.Fail("a UID of 14 upper-case hex digits");
        r.fieldFromQueue = in.Number<int>(0, 1) == 1;
    } else if (key == "queue") {
        r.queueHead = in.Number<std::uint64_t>(0, kQueueLimit);
        r.queueLength = in.Number<std::uint64_t>(0, kQueueLimit);
        if (r.queueHead > r.queueLength) in.Fail("a queue head within the queue");
    } else if (key == "gap") {
        r.gapPolls = in.Number<std::uint32_t>(0, 0xFFFFFFFF);
    } else if (key == "empty") {
        r.emptyPolls = in.Number<std::uint32_t>(0, 0xFFFFFFFF);
    } else if (key == "fault") {
        r.faults.push_back(ReadFault(in));
    } else if (key == "weak") {
        const auto page = in.Number<std::uint8_t>(0, 255);
        r.weakPages.push_back(
            {page, in.Number<std::uint32_t>(1, std::numeric_limits<std::uint32_t>::max())});
    } else if (key == "tear") {
        r.tearAfter = in.Number<std::int64_t>(-1, kLongest);
    } else if (key == "detach") {
        r.detachAfter = in.Number<std::int64_t>(-1, kLongest);
    } else if (key == "count") {
        const std::string kind(in.Word());
        if (!IsEntryPoint(kind)) in.Fail("an entry point name");
        r.commandCounts[kind] = in.Number<std::uint64_t>(0, kAny);
    } else if (key == "air") {
        r.airTimeMicros = in.Number<std::uint64_t>(0, kAny);
    } else if (key == "lights") {
        r.lightHistory = ReadHistory(in);
    } else if (key == "buzzers") {
        r.buzzerHistory = ReadHistory(in);
    } else {
        in.Fail("a known key, not '" + std::string(key) + "'");
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
    std::string out;
    LineWriter(out, kMagic);
    for (const ReaderRecord& r : state.readers) {
        LineWriter(out, "reader") << r.serial;
        LineWriter(out, "attached") << (r.attached ? 1 : 0);
        if (!r.fieldUid.empty())
            LineWriter(out, "field") << r.fieldUid << (r.fieldFromQueue ? 1 : 0);
        LineWriter(out, "queue") << r.queueHead << r.queueLength;
        LineWriter(out, "gap") << r.gapPolls;
        LineWriter(out, "empty") << r.emptyPolls;
        for (const FaultRule& f : r.faults) {
            LineWriter(out, "fault") << f.kind << f.remaining << f.status;
        }
        for (const WeakPageRule& w : r.weakPages) {
            LineWriter(out, "weak") << w.page << w.remaining;
        }
        LineWriter(out, "tear") << r.tearAfter;
        LineWriter(out, "detach") << r.detachAfter;
        for (const auto& [kind, count] : r.commandCounts) {
            LineWriter(out, "count") << kind << count;
        }
        LineWriter(out, "air") << r.airTimeMicros;
        {
            LineWriter lights(out, "lights");
            for (const std::uint8_t value : r.lightHistory)
                lights << value;
        }
        {
            LineWriter buzzers(out, "buzzers");
            for (const std::uint8_t value : r.buzzerHistory)
                buzzers << value;
        }
        LineWriter(out, "end");
    }
    LineWriter(out, kEnd);
    return out;
}

SimState ParseState(const std::string& text) {
    std::string_view rest(text);
    // The next line without its newline; the text ends with one (checked below).
    const auto nextLine = [&rest] {
        const std::size_t newline = rest.find('\n');
        const std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        return line;
    };
    const std::string_view magic = nextLine();
    if (magic == kOldMagic) {
        throw FormatError("written by an older simulator; remove the folder to start afresh");
    }
    if (magic != kMagic) throw FormatError("not a simulator state file");
    // The end line is written last: without it the file was cut short.
    if (!std::string_view(text).ends_with(kEndLine)) throw FormatError("cut short");

    SimState state;
    ReaderRecord* current = nullptr;
    for (std::size_t number = 2; !rest.empty(); ++number) {
        LineReader in(nextLine(), number);
        const std::string_view key = in.Word();
        if (key == kEnd) {
            if (current != nullptr) in.Fail("'end' after reader " + current->serial);
            in.End();
            if (!rest.empty()) in.Fail("nothing after the end");
            return state;
        }
        if (key == "reader") {
            if (current != nullptr) in.Fail("'end' before the next reader");
            const std::string serial(in.Word());
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
            ReadReaderLine(key, in, *current);
        }
        in.End();
    }
    throw FormatError("cut short");
}

}  // namespace cardhost::sim
