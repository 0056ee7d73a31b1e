// SPDX-License-Identifier: MIT
// Every PC/SC call with a deadline. pcsc-lite waits for ever on a reader that stops answering
// (SCardTransmit has no timeout of its own, and a blocked call holds its context's lock), and
// nothing can cancel such a call. So each call runs on a thread of its own; past the deadline
// its caller gets SCARD_E_TIMEOUT and the call is left to finish on its own. Until it does, its
// context, its card handle and its reader count as stuck: calls on them fail at once with
// SCARD_E_TIMEOUT instead of queueing another blocked thread, and a disconnect or release asked
// for meanwhile is carried out by that thread when its call returns. So at most one thread
// waits per stuck context, handle or reader, and none outlives the service's answer.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>

#include "pcsc_api.h"

namespace cardhost::pcsc {

// The deadline of one PC/SC call: CARDHOST_PCSC_DEADLINE_MS when it is a number of
// milliseconds from 1 to 600000, else 5 s (a reader needs tens of milliseconds).
std::chrono::milliseconds CallDeadline();

class BoundedApi : public PcscApi {
  public:
    BoundedApi(std::shared_ptr<PcscApi> api, std::chrono::milliseconds deadline);
    ~BoundedApi() override;
    BoundedApi(const BoundedApi&) = delete;
    BoundedApi& operator=(const BoundedApi&) = delete;

    // True while a call on this context has not come back: the context is of no use now.
    bool Stuck(SCARDCONTEXT context) const;

    LONG EstablishContext(SCARDCONTEXT& context) override;
    LONG ReleaseContext(SCARDCONTEXT context) override;
    LONG ListReaders(SCARDCONTEXT context, std::vector<std::string>& readers) override;
    LONG ReaderState(SCARDCONTEXT context, const std::string& reader, DWORD& state) override;
    LONG Connect(SCARDCONTEXT context, const std::string& reader, DWORD shareMode, DWORD protocols,
                 SCARDHANDLE& card, DWORD& activeProtocol) override;
    LONG Reconnect(SCARDHANDLE card, DWORD shareMode, DWORD protocols, DWORD initialization,
                   DWORD& activeProtocol) override;
    LONG Disconnect(SCARDHANDLE card, DWORD disposition) override;
    LONG Status(SCARDHANDLE card, std::vector<std::uint8_t>& atr) override;
    LONG Transmit(SCARDHANDLE card, DWORD protocol, std::span<const std::uint8_t> command,
                  std::vector<std::uint8_t>& response) override;
    LONG Control(SCARDHANDLE card, DWORD code, std::span<const std::uint8_t> command,
                 std::vector<std::uint8_t>& response) override;

    struct Shared;

  private:
    std::shared_ptr<Shared> shared_;
};

}  // namespace cardhost::pcsc
