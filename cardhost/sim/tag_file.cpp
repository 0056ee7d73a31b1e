// SPDX-License-Identifier: MIT
#include "tag_file.h"

#include <array>
#include <sstream>

#include "hex.h"
#include "store_error.h"

namespace cardhost::sim {
namespace {

constexpr const char* kMagic = "cardhost-tag 2";
constexpr const char* kOldMagic = "cardhost-tag 1";
constexpr const char* kEnd = "end-of-tag";
constexpr std::string_view kEndLine = "\nend-of-tag\n";  // the last line, with its newlines

constexpr std::array<const char*, 6> kStateNames{"idle",   "ready1", "ready2",
                                                 "active", "auth",   "halt"};

std::optional<ChipState> StateFromName(const std::string& name) {
    for (std::size_t i = 0; i < kStateNames.size(); ++i) {
        if (name == kStateNames[i]) return static_cast<ChipState>(i);
    }
    return std::nullopt;
}

// The next line, which must be `key value...`; returns the words after the key.
std::istringstream Line(std::istringstream& in, const char* key) {
    std::string line;
    if (!std::getline(in, line) || !line.starts_with(std::string(key) + " ")) {
        throw FormatError(std::string("expected the '") + key + "' line");
    }
    return std::istringstream(line.substr(std::char_traits<char>::length(key) + 1));
}

template <typename T>
T Value(std::istringstream& words, const char* key) {
    T value{};
    if (!(words >> value)) throw FormatError(std::string("bad '") + key + "' line");
    return value;
}

void ExpectEnd(std::istringstream& words, const char* key) {
    std::string extra;
    if (words >> extra) throw FormatError(std::string("bad '") + key + "' line");
}

std::vector<std::uint8_t> HexLine(std::istringstream& in, const char* key, std::size_t size) {
    std::istringstream words = Line(in, key);
    const auto bytes = FromHex(Value<std::string>(words, key));
    ExpectEnd(words, key);
    if (!bytes || bytes->size() != size) {
        throw FormatError(std::string("'") + key + "' needs " + std::to_string(size) + " bytes");
    }
    return *bytes;
}

}  // namespace

std::string SerializeTag(const NtagChip& chip) {
    std::ostringstream out;
    out << kMagic << '\n'
        << "model " << chip.facts().name << '\n'
        << "state " << kStateNames[static_cast<std::size_t>(chip.state())] << ' '
        << (chip.counterTouched() ? 1 : 0) << '\n'
        << "authfail " << +chip.failedAuthentications() << '\n'
        << "counter " << chip.nfcCounter() << '\n'
        << "sig " << ToHex(chip.signature()) << '\n'
        << "mem " << ToHex(chip.memory()) << '\n';
    if (chip.versionOverride()) out << "version " << ToHex(*chip.versionOverride()) << '\n';
    out << kEnd << '\n';
    return out.str();
}

NtagChip ParseTag(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    if (line == kOldMagic) throw FormatError("written by an older simulator");
    if (line != kMagic) throw FormatError("not a simulator tag file");
    // The end line is written last: without it the file was cut short.
    if (!text.ends_with(kEndLine)) throw FormatError("cut short");

    std::istringstream modelLine = Line(in, "model");
    const auto model = ModelFromName(Value<std::string>(modelLine, "model"));
    ExpectEnd(modelLine, "model");
    if (!model) throw FormatError("unknown model");
    std::istringstream stateLine = Line(in, "state");
    const auto state = StateFromName(Value<std::string>(stateLine, "state"));
    const int touched = Value<int>(stateLine, "state");
    ExpectEnd(stateLine, "state");
    if (!state || (touched != 0 && touched != 1)) throw FormatError("bad 'state' line");
    std::istringstream authLine = Line(in, "authfail");
    const unsigned authFail = Value<unsigned>(authLine, "authfail");
    ExpectEnd(authLine, "authfail");
    if (authFail > 0xFF) throw FormatError("bad 'authfail' line");
    std::istringstream counterLine = Line(in, "counter");
    const std::uint32_t counter = Value<std::uint32_t>(counterLine, "counter");
    ExpectEnd(counterLine, "counter");
    const auto signature = HexLine(in, "sig", 32);
    auto memory = HexLine(in, "mem", std::size_t{FactsOf(*model).lastPage + 1u} * 4);

    NtagChip chip(*model, std::move(memory));
    std::array<std::uint8_t, 32> sig{};
    std::copy(signature.begin(), signature.end(), sig.begin());
    chip.RestoreCounters(static_cast<std::uint8_t>(authFail), counter, sig);
    chip.RestoreState(*state, touched != 0);
    if (in.peek() == 'v') {
        const auto version = HexLine(in, "version", 8);
        std::array<std::uint8_t, 8> bytes{};
        std::copy(version.begin(), version.end(), bytes.begin());
        chip.OverrideVersion(bytes);
    }
    if (!std::getline(in, line) || line != kEnd || in.peek() != EOF) {
        throw FormatError("unexpected line after the tag");
    }
    return chip;
}

}  // namespace cardhost::sim
