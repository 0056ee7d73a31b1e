// SPDX-License-Identifier: MIT
// PC/SC readers as cardhost readers: their names are the serial texts.
#include "pcsc_backend.h"

#include <cardhost/cardhost.h>

#include "pcsc_card.h"
#include "pcsc_context.h"
#include "pcsc_personality.h"
#include "pcsc_reader_names.h"
#include "pcsc_session.h"
#include "pcsc_status.h"

namespace cardhost::pcsc {
namespace {

class PcscBackend : public Backend {
  public:
    PcscBackend(std::shared_ptr<PcscApi> api, std::chrono::milliseconds deadline)
        : context_(std::make_shared<Context>(std::move(api), deadline)) {}

    // Every PC/SC reader answers to the vendor's ids: the program asks only for those, and a
    // reader reached through PC/SC is one this library drives like the vendor's own.
    Status ListReaders(std::uint16_t vendorId, std::uint16_t productId,
                       std::vector<std::string>& serials) override {
        if (vendorId != CARDHOST_VENDOR_ID || productId != CARDHOST_PRODUCT_ID) return CARDHOST_OK;
        std::vector<std::string> names;
        const LONG result = context_->WithRetry([&](SCARDCONTEXT context) {
            names.clear();
            return context_->api().ListReaders(context, names);
        });
        if (result == SCARD_E_NO_READERS_AVAILABLE) return CARDHOST_OK;
        if (result != SCARD_S_SUCCESS) return StatusOf(result);
        serials = ContactlessSlots(names);
        return CARDHOST_OK;
    }

    Status Open(const std::string& serial, std::unique_ptr<ReaderSession>& session) override {
        return OpenReader(context_, serial, session);
    }

    Status InjectedFailure(std::string_view, const std::string&) override { return CARDHOST_OK; }

    ReaderDescription Describe(const std::string& serial) override {
        ReaderDescription description{serial, "pcsc", {}, {}, CARDHOST_OK};
        PcscApi& api = context_->api();
        SCARDHANDLE card = 0;
        DWORD protocol = 0;
        // Shared: a look must not take the reader from a program that has it open.
        const LONG result = context_->WithRetry([&](SCARDCONTEXT context) {
            return api.Connect(context, serial, SCARD_SHARE_SHARED,
                               SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, card, protocol);
        });
        if (result != SCARD_S_SUCCESS) {
            description.personality = std::string(PersonalityName(Personality::Unknown));
            description.status = CardGone(result) ? Status{CARDHOST_NO_TAG} : StatusOf(result);
            return description;
        }
        api.Status(card, description.atr);
        description.personality =
            std::string(PersonalityName(ProbePersonality(api, card, protocol)));
        api.Disconnect(card, SCARD_LEAVE_CARD);
        return description;
    }

  private:
    std::shared_ptr<Context> context_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend(std::shared_ptr<PcscApi> api,
                                     std::chrono::milliseconds deadline) {
    return std::make_unique<PcscBackend>(std::move(api), deadline);
}

}  // namespace cardhost::pcsc

namespace cardhost {

std::unique_ptr<Backend> MakePcscBackend() {
    return pcsc::MakeBackend(pcsc::SystemPcscApi());
}

bool PcscServiceAnswers() {
    // Bounded too: a service that hangs does not answer.
    pcsc::BoundedApi api(pcsc::SystemPcscApi(), pcsc::CallDeadline());
    SCARDCONTEXT context = 0;
    if (api.EstablishContext(context) != SCARD_S_SUCCESS) return false;
    api.ReleaseContext(context);
    return true;
}

std::optional<std::string> PcscProblem() {
    if (PcscServiceAnswers()) return std::nullopt;
    return "the PC/SC service (pcscd) is not running";
}

}  // namespace cardhost
