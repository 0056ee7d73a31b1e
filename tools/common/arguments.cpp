// SPDX-License-Identifier: MIT
#include "arguments.h"

#include <cerrno>
#include <cstdlib>

namespace tagwright::tools {

Arguments::Arguments(const std::vector<std::string>& words, const std::set<std::string>& valued,
                     const std::set<std::string>& flags) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;  // what follows is positional, even when it begins with --
        } else if (!optionsEnded && word.size() > 2 && word.starts_with("--")) {
            if (valued.count(word)) {
                if (i + 1 >= words.size()) throw UsageError(word + " needs a value");
                values_[word] = words[++i];
            } else if (flags.count(word)) {
                flags_.insert(word);
            } else if (const std::size_t equals = word.find('='); equals != std::string::npos) {
                // Only the name is repeated: what follows `=` may be a key.
                const std::string name = word.substr(0, equals);
                throw UsageError("unknown option " + name + "=" +
                                 (valued.count(name) ? " (write " + name + " VALUE)" : ""));
            } else {
                throw UsageError("unknown option " + word);
            }
        } else {
            positional_.push_back(word);
        }
    }
}

UsageError UnexpectedArgument(const std::string& word) {
    const bool keyLike =
        word.size() == 8 && word.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    return UsageError(keyLike ? "unexpected argument of 8 hexadecimal digits (a key goes after "
                                "--original-key or --new-key)"
                              : "unexpected argument " + word);
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
    const auto it = values_.find(option);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string Arguments::Required(const std::string& option) const {
    auto value = Value(option);
    if (!value) throw UsageError(option + " is required");
    return *value;
}

void Arguments::ExpectPositional(std::size_t count) const {
    if (positional_.size() < count) throw UsageError("missing argument");
    if (positional_.size() > count) throw UnexpectedArgument(positional_[count]);
}

std::int64_t ParseNumber(const std::string& text, std::int64_t min, std::int64_t max,
                         const std::string& what) {
    const bool hex = text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"));
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty()) throw UsageError("bad " + what + ": " + text);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(digits.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || digits[0] == '+' || (hex && digits[0] == '-') ||
        value < min || value > max) {
        throw UsageError("bad " + what + ": " + text);
    }
    return value;
}

}  // namespace tagwright::tools
