#include "tag_file.h"

#include <array>
#include <sstream>

#include "hex.h"

namespace cardhost::sim {
namespace {

constexpr const char* kMagic = "cardhost-tag 1";

constexpr std::array<const char*, 6> kStateNames{"idle",   "ready1", "ready2",
                                                 "active", "auth",   "halt"};

std::optional<ChipState> StateFromName(const std::string& name) {
    for (std::size_t i = 0; i < kStateNames.size(); ++i) {
        if (name == kStateNames[i]) return static_cast<ChipState>(i);
    }
    return std::nullopt;
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
    return out.str();
}

std::optional<NtagChip> ParseTag(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kMagic) return std::nullopt;
    std::string key, modelName, stateName, sigHex, memHex;
    int touched = 0;
    unsigned authFail = 0;
    std::uint32_t counter = 0;
    if (!(in >> key >> modelName) || key != "model") return std::nullopt;
    if (!(in >> key >> stateName >> touched) || key != "state") return std::nullopt;
    if (!(in >> key >> authFail) || key != "authfail") return std::nullopt;
    if (!(in >> key >> counter) || key != "counter") return std::nullopt;
    if (!(in >> key >> sigHex) || key != "sig") return std::nullopt;
    if (!(in >> key >> memHex) || key != "mem") return std::nullopt;

    const auto model = ModelFromName(modelName);
    const auto state = StateFromName(stateName);
    const auto signature = FromHex(sigHex);
    auto memory = FromHex(memHex);
    if (!model || !state || !signature || signature->size() != 32 || !memory) return std::nullopt;
    if (memory->size() != std::size_t{FactsOf(*model).lastPage + 1u} * 4) return std::nullopt;

    NtagChip chip(*model, std::move(*memory));
    std::array<std::uint8_t, 32> sig{};
    std::copy(signature->begin(), signature->end(), sig.begin());
    chip.RestoreCounters(static_cast<std::uint8_t>(authFail), counter, sig);
    chip.RestoreState(*state, touched != 0);
    std::string versionHex;
    if (in >> key >> versionHex) {
        const auto version = FromHex(versionHex);
        if (key != "version" || !version || version->size() != 8) return std::nullopt;
        std::array<std::uint8_t, 8> bytes{};
        std::copy(version->begin(), version->end(), bytes.begin());
        chip.OverrideVersion(bytes);
    }
    return chip;
}

}  // namespace cardhost::sim
