// SPDX-License-Identifier: MIT
// A reader table whose tag answers as a test says: for tags the simulator cannot be, such as one
// with another ATQA or an unknown model code.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "reader/reader_api.h"

namespace tagwright::testing {

struct FakeTag {
    std::int32_t requestStatus = 0;
    std::array<std::uint8_t, 2> atqa{0x44, 0x00};
    std::int32_t selectStatus = 0;
    std::array<std::uint8_t, 7> uid{0x04, 1, 2, 3, 4, 5, 6};
    std::int32_t versionStatus = 0;
    std::array<std::uint8_t, 8> version{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x0F, 0x03};
    // Statuses of successive GET_VERSION calls, used before versionStatus.
    std::vector<std::int32_t> versionStatuses;
    std::int32_t signatureStatus = 0;
    int versionCalls = 0, signatureCalls = 0;
    std::vector<std::uint8_t> lights;
    int requests = 0;
};

// The table's calls answer from `tag`, which must outlive its use.
reader::ReaderApi FakeReaderApi(FakeTag& tag);

}  // namespace tagwright::testing
