#include "sim_state.h"

#include <sstream>

namespace cardhost::sim {
namespace {

constexpr const char* kMagic = "cardhost-sim-state 1";

template <typename T>
void WriteList(std::ostringstream& out, const char* key, const T& values) {
    out << key;
    for (const auto& value : values)
        out << ' ' << +value;
    out << '\n';
}

std::vector<std::uint8_t> ReadBytes(std::istringstream& in) {
    std::vector<std::uint8_t> values;
    unsigned value = 0;
    while (in >> value)
        values.push_back(static_cast<std::uint8_t>(value));
    return values;
}

}  // namespace

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
        out << "queue";
        for (const std::string& uid : r.queue)
            out << ' ' << uid;
        out << '\n';
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
    return out.str();
}

std::optional<SimState> ParseState(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kMagic) return std::nullopt;
    SimState state;
    ReaderRecord* current = nullptr;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        std::istringstream in(line);
        std::string key;
        in >> key;
        if (key == "reader") {
            state.readers.emplace_back();
            current = &state.readers.back();
            in >> current->serial;
            if (current->serial.empty()) return std::nullopt;
            continue;
        }
        if (current == nullptr) return std::nullopt;
        if (key == "attached") {
            int attached = 1;
            in >> attached;
            current->attached = attached != 0;
        } else if (key == "field") {
            in >> current->fieldUid >> current->fieldFromQueue;
        } else if (key == "queue") {
            std::string uid;
            while (in >> uid)
                current->queue.push_back(uid);
        } else if (key == "gap") {
            in >> current->gapPolls;
        } else if (key == "empty") {
            in >> current->emptyPolls;
        } else if (key == "fault") {
            FaultRule rule{};
            if (!(in >> rule.kind >> rule.remaining >> rule.status)) return std::nullopt;
            current->faults.push_back(rule);
        } else if (key == "tear") {
            in >> current->tearAfter;
        } else if (key == "detach") {
            in >> current->detachAfter;
        } else if (key == "count") {
            std::string kind;
            std::uint64_t count = 0;
            if (!(in >> kind >> count)) return std::nullopt;
            current->commandCounts[kind] = count;
        } else if (key == "air") {
            in >> current->airTimeMicros;
        } else if (key == "lights") {
            current->lightHistory = ReadBytes(in);
        } else if (key == "buzzers") {
            current->buzzerHistory = ReadBytes(in);
        } else if (key == "end") {
            current = nullptr;
        } else {
            return std::nullopt;
        }
    }
    return state;
}

}  // namespace cardhost::sim
