// SPDX-License-Identifier: MIT
#include "store_error.h"

#include <system_error>

namespace cardhost::sim {

StoreError SystemRefusal(const std::filesystem::path& file, const std::string& what, int error) {
    return StoreError(file, what + ": " + std::generic_category().message(error),
                      StoreError::Kind::Refusal);
}

}  // namespace cardhost::sim
