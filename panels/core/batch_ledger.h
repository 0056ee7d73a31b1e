// SPDX-License-Identifier: MIT
// Which tags received which row of the batch ("Write from file"), for refusing a tag that comes
// back (one row per tag) and for taking up an interrupted batch again.
#pragma once

#include <map>
#include <optional>

#include "tag/detection.h"

namespace tagwright::panels {

class BatchLedger {
  public:
    // One row per tag: a tag that already received a row of this batch is refused.
    void SetUniqueTags(bool on) { uniqueTags_ = on; }
    bool uniqueTags() const { return uniqueTags_; }

    void Received(const tag::Uid& uid, int row);
    std::optional<int> RowOf(const tag::Uid& uid) const;
    // Whether this tag received the highest row so far: the one tag whose success feedback an
    // interruption may have cut off.
    bool ReceivedLastRow(const tag::Uid& uid) const;

    // Resuming: the first tag written is first read back, since it may be the one that was in
    // flight when the run was interrupted and already hold its row.
    void ExpectTagInFlight() { readBackNext_ = true; }
    // True once, for the first Write that asks.
    bool TakeReadBack();
    // Another sheet, another batch: no tag has received a row of it yet.
    void Forget();
    // The tag was erased: it holds no row of the batch any more.
    void Forget(const tag::Uid& uid);

  private:
    bool uniqueTags_ = false;
    bool readBackNext_ = false;
    std::map<tag::Uid, int> rows_;
    std::optional<int> lastRow_;
};

}  // namespace tagwright::panels
