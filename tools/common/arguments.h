// SPDX-License-Identifier: MIT
// Command-line words split into positional words and --options, with usage errors as exceptions.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tagwright::tools {

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Arguments {
  public:
    // `valued` options take the next word; `flags` take none. Anything else is a usage error.
    // A word "--" ends the options: every word after it is positional.
    Arguments(const std::vector<std::string>& words, const std::set<std::string>& valued,
              const std::set<std::string>& flags);

    const std::vector<std::string>& positional() const { return positional_; }
    std::optional<std::string> Value(const std::string& option) const;
    bool Flag(const std::string& option) const { return flags_.count(option) > 0; }
    std::string Required(const std::string& option) const;
    // Expects exactly this many positional words.
    void ExpectPositional(std::size_t count) const;

  private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
};

// "unexpected argument WORD" — but a word of 8 hexadecimal digits is not repeated: it is likely a
// key whose option was left out, and usage errors end up in the logs of production scripts.
UsageError UnexpectedArgument(const std::string& word);

// Decimal or 0x-prefixed hexadecimal, within [min, max].
std::int64_t ParseNumber(const std::string& text, std::int64_t min, std::int64_t max,
                         const std::string& what);

}  // namespace tagwright::tools
