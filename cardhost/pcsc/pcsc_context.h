// SPDX-License-Identifier: MIT
// The backend's one PC/SC context, made again when the service was restarted.
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "pcsc_deadline.h"

namespace cardhost::pcsc {

class Context {
  public:
    // Every call made through the context is bounded by `deadline`.
    Context(std::shared_ptr<PcscApi> api, std::chrono::milliseconds deadline)
        : api_(std::make_shared<BoundedApi>(std::move(api), deadline)) {}
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    PcscApi& api() { return *api_; }

    // The context, established when there is none; the failure when the service is not there.
    LONG Get(SCARDCONTEXT& context);
    // Drops a context the service no longer knows (it was restarted or stopped), so that the
    // next Get establishes a new one.
    void Drop();

    // Runs a call on the context; when it says the context died, or the context is stuck in a
    // call that did not come back, once more on a new one.
    template <typename Call>
    LONG WithRetry(Call&& call) {
        for (int attempt = 0;; ++attempt) {
            SCARDCONTEXT context = 0;
            LONG result = Get(context);
            if (result == SCARD_S_SUCCESS) result = call(context);
            const bool stuck = result == SCARD_E_TIMEOUT && api_->Stuck(context);
            if ((!Lost(result) && !stuck) || attempt == 1) return result;
            Drop();
        }
    }

    // Readers held open by this process: a second Sys_Open of one is refused as busy before
    // PC/SC is asked, as the simulator does.
    bool Hold(const std::string& reader);
    void Release(const std::string& reader);

    static bool Lost(LONG result);

  private:
    std::shared_ptr<BoundedApi> api_;
    std::recursive_mutex mutex_;
    SCARDCONTEXT context_ = 0;
    bool established_ = false;
    std::set<std::string> held_;
};

}  // namespace cardhost::pcsc
