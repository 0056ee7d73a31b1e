// SPDX-License-Identifier: MIT
#include "batch_ledger.h"

namespace tagwright::panels {

void BatchLedger::Received(const tag::Uid& uid, int row) {
    rows_[uid] = row;
    if (!lastRow_ || row > *lastRow_) lastRow_ = row;
}

bool BatchLedger::ReceivedLastRow(const tag::Uid& uid) const {
    const auto row = RowOf(uid);
    return row && row == lastRow_;
}

std::optional<int> BatchLedger::RowOf(const tag::Uid& uid) const {
    const auto found = rows_.find(uid);
    if (found == rows_.end()) return std::nullopt;
    return found->second;
}

bool BatchLedger::TakeReadBack() {
    const bool take = readBackNext_;
    readBackNext_ = false;
    return take;
}

void BatchLedger::Forget() {
    rows_.clear();
    lastRow_.reset();
    readBackNext_ = false;
}

void BatchLedger::Forget(const tag::Uid& uid) {
    rows_.erase(uid);
}

}  // namespace tagwright::panels
