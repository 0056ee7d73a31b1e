// SPDX-License-Identifier: MIT
// What the operation controller tells a journal about every tag it handled: one record per run
// that reached a tag (Read, Write or Clear key, by hand or in Auto operation). The journal itself
// (file, format, hashes) belongs to the application core; this layer only says what happened.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tag/detection.h"
#include "tag/mirror.h"
#include "tag/password.h"

namespace tagwright::panels {

struct HandledTag {
    tag::OperationKind operation = tag::OperationKind::Write;
    tag::Uid uid{};
    std::optional<tag::ModelCode> model;  // unknown when the run ended before GET_VERSION
    // The message written or read: the text, or the URL with its prefix; and its NDEF record.
    std::string message;
    std::vector<std::uint8_t> ndef;
    bool autoOperation = false;
    bool encryption = false;
    bool lock = false;
    // The key the run set (Encryption) or cleared (Clear key): only a fingerprint of it is
    // ever stored.
    std::optional<tag::Key> key;
    // The run wrote a sheet row: its number.
    std::optional<int> row;
    bool succeeded = false;
    // For a failure, the red line that ended the run and its reader status code (0 for none).
    std::string failure;
    std::int32_t code = 0;
    // A success that wrote nothing: the tag was found already holding its row.
    bool readBack = false;
    // A failure of the read-back after a Write (--verify): the tag acknowledged what it did not
    // keep, or could not be read back.
    bool verifyFailed = false;
    std::chrono::milliseconds duration{0};
    // What the tag mirrors into its URL (Write); the NFC counter a Read showed; whether the
    // originality signature was NXP's, where it was checked.
    tag::MirrorKind mirror = tag::MirrorKind::None;
    std::optional<std::uint32_t> counter;
    std::optional<bool> genuine;
};

class RunJournal {
  public:
    virtual ~RunJournal() = default;
    // Called before the success feedback; must not throw. False when the record could not be
    // kept: a batch from a sheet, whose resumption rests on the journal, then stops.
    virtual bool Record(const HandledTag& tag) = 0;
};

}  // namespace tagwright::panels
