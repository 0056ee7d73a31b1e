// SPDX-License-Identifier: MIT
// One PC/SC reader opened through the reader library.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "cardhost/library/backend.h"
#include "pcsc_context.h"
#include "pcsc_escape.h"
#include "pcsc_personality.h"

namespace cardhost::pcsc {

// Connects to a listed reader for this caller alone: to the card when one is there (and then
// probes the reader's personality), else directly to the reader, which holds it all the same.
Status OpenReader(const std::shared_ptr<Context>& context, const std::string& reader,
                  std::unique_ptr<ReaderSession>& session);

// What the session has found out, for its tests.
class PcscSessionView {
  public:
    virtual ~PcscSessionView() = default;
    virtual Personality personality() const = 0;
    virtual const EscapeRecord& escapes() const = 0;
};

}  // namespace cardhost::pcsc
