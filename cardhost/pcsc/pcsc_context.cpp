// SPDX-License-Identifier: MIT
#include "pcsc_context.h"

#include "pcsc_status.h"

namespace cardhost::pcsc {

Context::~Context() {
    if (established_) api_->ReleaseContext(context_);
}

LONG Context::Get(SCARDCONTEXT& context) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!established_) {
        const LONG result = api_->EstablishContext(context_);
        if (result != SCARD_S_SUCCESS) return result;
        established_ = true;
    }
    context = context_;
    return SCARD_S_SUCCESS;
}

void Context::Drop() {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!established_) return;
    api_->ReleaseContext(context_);
    established_ = false;
}

bool Context::Hold(const std::string& reader) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return held_.insert(reader).second;
}

void Context::Release(const std::string& reader) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    held_.erase(reader);
}

bool Context::Lost(LONG result) {
    return ContextLost(result);
}

}  // namespace cardhost::pcsc
