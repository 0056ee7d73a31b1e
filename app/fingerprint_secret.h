// SPDX-License-Identifier: MIT
// The operator's secret that key fingerprints are made with, so that a journal alone says
// nothing about a key: 32 random bytes in the private data folder, made on first use.
#pragma once

#include <optional>
#include <string>

namespace tagwright::app {

// The secret of <private data folder>/key-fingerprint.secret, made (0600) when there is none.
// Nothing, with the reason in `error`, when it can be neither read nor made, or when the file is
// not this user's alone.
std::optional<std::string> FingerprintSecret(std::string& error);

}  // namespace tagwright::app
