#include "batch_ledger.h"

namespace tagwright::panels {

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

}  // namespace tagwright::panels
