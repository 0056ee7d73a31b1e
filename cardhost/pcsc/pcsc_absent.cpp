// SPDX-License-Identifier: MIT
// A build without pcsc-lite: the "pcsc" backend is known by name but offers no readers.
#include "cardhost/library/backend.h"

namespace cardhost {

std::unique_ptr<Backend> MakePcscBackend() {
    return nullptr;
}

bool PcscServiceAnswers() {
    return false;
}

std::optional<std::string> PcscProblem() {
    return "this build has no PC/SC support";
}

}  // namespace cardhost
