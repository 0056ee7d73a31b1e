// SPDX-License-Identifier: MIT
#include "pcsc_session.h"

#include <cardhost/cardhost.h>
#include <algorithm>

#include "pcsc_card.h"
#include "pcsc_status.h"

namespace cardhost::pcsc {
namespace {

constexpr DWORD kProtocols = SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;
constexpr std::uint16_t kSuccess = 0x9000;
constexpr std::uint16_t kOperationFailed = 0x6300;
constexpr std::uint16_t kFunctionNotSupported = 0x6A81;

class PcscReader : public ReaderSession, public PcscSessionView {
  public:
    PcscReader(std::shared_ptr<Context> context, std::string reader, SCARDHANDLE handle,
               DWORD protocol, bool withCard, Personality personality)
        : context_(std::move(context)),
          reader_(std::move(reader)),
          handle_(handle),
          protocol_(protocol),
          withCard_(withCard),
          personality_(personality) {}

    ~PcscReader() override {
        Disconnect();
        context_->Release(reader_);
    }

    Personality personality() const override { return personality_; }
    const EscapeRecord& escapes() const override { return escapes_; }

    bool IsOpen() override {
        const std::lock_guard<std::mutex> lock(mutex_);
        DWORD state = 0;
        const LONG result = context_->WithRetry(
            [&](SCARDCONTEXT context) { return api().ReaderState(context, reader_, state); });
        return result == SCARD_S_SUCCESS &&
               (state & (SCARD_STATE_UNKNOWN | SCARD_STATE_IGNORE)) == 0;
    }

    Status Close() override {
        const std::lock_guard<std::mutex> lock(mutex_);
        Disconnect();
        return CARDHOST_OK;
    }

    Status SetLight(std::uint8_t state) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        SendEscape(api(), handle_, LightEscape(personality_, state), escapes_, reader_);
        return CARDHOST_OK;
    }

    Status SetBuzzer(std::uint8_t length) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        SendEscape(api(), handle_, BuzzerEscape(personality_, length), escapes_, reader_);
        return CARDHOST_OK;
    }

    Status SetAntenna(std::uint8_t state) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (state > 1) return CARDHOST_BAD_ARGUMENT;
        // The reader keeps its own field; with ours off no tag is woken or spoken to.
        antennaOn_ = state == 1;
        if (!antennaOn_) Sleep();
        return CARDHOST_OK;
    }

    Status InitType(std::uint8_t cardType) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (cardType != 'A' && cardType != 'B') return CARDHOST_BAD_ARGUMENT;
        typeA_ = cardType == 'A';
        return CARDHOST_OK;
    }

    Status Request(std::uint8_t requestCode, std::array<std::uint8_t, 2>& atqa) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (requestCode != 0x52 && requestCode != 0x26) return CARDHOST_BAD_ARGUMENT;
        Sleep();
        if (!antennaOn_ || !typeA_) return CARDHOST_NO_TAG;
        DWORD state = 0;
        LONG result = context_->WithRetry(
            [&](SCARDCONTEXT context) { return api().ReaderState(context, reader_, state); });
        if (result != SCARD_S_SUCCESS) return StatusOf(result);
        if ((state & (SCARD_STATE_UNKNOWN | SCARD_STATE_IGNORE)) != 0) return CARDHOST_DETACHED;
        if ((state & SCARD_STATE_PRESENT) == 0) return CARDHOST_NO_TAG;
        // PC/SC has no bare WUPA: a reset of the card plays its part, and like a wake-up it
        // ends any authentication.
        result = ResetCard();
        if (result != SCARD_S_SUCCESS) return CardGone(result) ? CARDHOST_NO_TAG : StatusOf(result);
        std::vector<std::uint8_t> atr;
        result = api().Status(handle_, atr);
        if (result != SCARD_S_SUCCESS) return Failed(result);
        if (personality_ == Personality::Unknown) {
            personality_ = ProbePersonality(api(), handle_, protocol_);
        }
        atqa = AtqaFromAtr(atr);
        awake_ = true;
        return CARDHOST_OK;
    }

    Status AnticollSelect(std::array<std::uint8_t, 7>& uid) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::uint8_t> bytes;
        if (const Status status = ReadUid(bytes); status != CARDHOST_OK) return status;
        if (bytes.size() != uid.size()) return CARDHOST_NO_ANSWER;  // not a 7-byte-UID tag
        std::copy(bytes.begin(), bytes.end(), uid.begin());
        selected_ = true;
        return CARDHOST_OK;
    }

    Status Anticollision(std::array<std::uint8_t, 4>& uid4) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::uint8_t> bytes;
        if (const Status status = ReadUid(bytes); status != CARDHOST_OK) return status;
        if (bytes.size() == 4) {
            std::copy(bytes.begin(), bytes.end(), uid4.begin());
        } else {
            // Cascade level 1 of a 7-byte UID: the cascade tag, then its first three bytes.
            uid4 = {0x88, bytes[0], bytes[1], bytes[2]};
        }
        return CARDHOST_OK;
    }

    Status Select(const std::array<std::uint8_t, 4>& uid4, std::uint8_t& sak) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::uint8_t> bytes;
        if (const Status status = ReadUid(bytes); status != CARDHOST_OK) return status;
        const bool cascade = bytes.size() == 7;
        const std::array<std::uint8_t, 4> level1 =
            cascade ? std::array<std::uint8_t, 4>{0x88, bytes[0], bytes[1], bytes[2]}
                    : std::array<std::uint8_t, 4>{bytes[0], bytes[1], bytes[2], bytes[3]};
        if (level1 != uid4) return CARDHOST_NO_ANSWER;
        sak = cascade ? 0x04 : 0x00;
        return CARDHOST_OK;
    }

    Status Exchange(TagCommand command, std::span<const std::uint8_t> frame,
                    std::vector<std::uint8_t>& answer) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!selected_ || frame.empty()) return CARDHOST_NO_ANSWER;
        switch (command) {
            case TagCommand::Read:
                if (frame.size() != 2) return CARDHOST_BAD_ARGUMENT;
                return Storage({0xFF, 0xB0, 0x00, frame[1], 0x10}, 16, answer);
            case TagCommand::Write:
            case TagCommand::CompWrite: {
                // COMPATIBILITY_WRITE stores the first four of its sixteen bytes, as WRITE does.
                if (frame.size() < 6) return CARDHOST_BAD_ARGUMENT;
                return Storage(
                    {0xFF, 0xD6, 0x00, frame[1], 0x04, frame[2], frame[3], frame[4], frame[5]}, 0,
                    answer);
            }
            case TagCommand::Halt: {
                if (personality_ != Personality::StorageOnly) {
                    SendRaw(api(), handle_, protocol_, personality_, frame);
                }
                Sleep();
                return CARDHOST_NO_ANSWER;  // HLTA is never answered
            }
            case TagCommand::Raw:
            case TagCommand::GetVersion:
            case TagCommand::FastRead:
            case TagCommand::ReadCnt:
            case TagCommand::PwdAuth:
            case TagCommand::ReadSig:
                break;
        }
        RawAnswer raw = SendRaw(api(), handle_, protocol_, personality_, frame);
        if (raw.result != SCARD_S_SUCCESS) return Failed(raw.result);
        if (raw.status == CARDHOST_NOT_SUPPORTED) return raw.status;  // the tag was not asked
        if (raw.status != CARDHOST_OK) {
            Sleep();  // a NAK or silence leaves the tag idle until the next wake-up
            return raw.status;
        }
        answer = std::move(raw.data);
        return CARDHOST_OK;
    }

    Status Classic(ClassicCommand) override { return CARDHOST_NOT_SUPPORTED; }

  private:
    PcscApi& api() { return context_->api(); }

    void Sleep() {
        awake_ = false;
        selected_ = false;
    }

    void Disconnect() {
        if (handle_ != 0) api().Disconnect(handle_, SCARD_LEAVE_CARD);
        handle_ = 0;
        withCard_ = false;
        Sleep();
    }

    // A PC/SC failure in the middle of a command: the card or reader went, or the service.
    Status Failed(LONG result) {
        Sleep();
        if (CardGone(result)) return CARDHOST_NO_TAG;
        return StatusOf(result);
    }

    LONG ResetCard() {
        if (withCard_ && handle_ != 0) {
            DWORD active = 0;
            const LONG result = api().Reconnect(handle_, SCARD_SHARE_EXCLUSIVE, kProtocols,
                                                SCARD_RESET_CARD, active);
            if (result == SCARD_S_SUCCESS) {
                protocol_ = active;
                return result;
            }
        }
        // No card connection yet, or one to a card that left, or to a service that restarted.
        if (handle_ != 0) api().Disconnect(handle_, SCARD_LEAVE_CARD);
        handle_ = 0;
        withCard_ = false;
        const LONG result = context_->WithRetry([&](SCARDCONTEXT context) {
            return api().Connect(context, reader_, SCARD_SHARE_EXCLUSIVE, kProtocols, handle_,
                                 protocol_);
        });
        if (result == SCARD_S_SUCCESS) withCard_ = true;
        return result;
    }

    Status ReadUid(std::vector<std::uint8_t>& uid) {
        if (!awake_) return CARDHOST_NO_ANSWER;
        static const std::vector<std::uint8_t> kGetUid{0xFF, 0xCA, 0x00, 0x00, 0x00};
        const Apdu apdu = TransmitApdu(api(), handle_, protocol_, kGetUid);
        if (apdu.result != SCARD_S_SUCCESS) return Failed(apdu.result);
        if (apdu.statusWord != kSuccess || (apdu.data.size() != 7 && apdu.data.size() != 4)) {
            Sleep();
            return CARDHOST_NO_ANSWER;
        }
        uid = apdu.data;
        return CARDHOST_OK;
    }

    // A storage-card command: 63 00 is the tag's refusal (a NAK on the air), 6A 81 the
    // reader's.
    Status Storage(const std::vector<std::uint8_t>& command, std::size_t expected,
                   std::vector<std::uint8_t>& answer) {
        const Apdu apdu = TransmitApdu(api(), handle_, protocol_, command);
        if (apdu.result != SCARD_S_SUCCESS) return Failed(apdu.result);
        if (apdu.statusWord == kSuccess && apdu.data.size() == expected) {
            answer = apdu.data;
            return CARDHOST_OK;
        }
        Sleep();
        if (apdu.statusWord == kOperationFailed) return CARDHOST_NAK_BASE;
        if (apdu.statusWord == kFunctionNotSupported) return CARDHOST_NOT_SUPPORTED;
        return CARDHOST_READER_ERROR;
    }

    std::mutex mutex_;
    std::shared_ptr<Context> context_;
    std::string reader_;
    SCARDHANDLE handle_ = 0;
    DWORD protocol_ = 0;
    bool withCard_ = false;
    Personality personality_ = Personality::Unknown;
    EscapeRecord escapes_;
    bool antennaOn_ = false;
    bool typeA_ = true;
    bool awake_ = false;
    bool selected_ = false;
};

}  // namespace

Status OpenReader(const std::shared_ptr<Context>& context, const std::string& reader,
                  std::unique_ptr<ReaderSession>& session) {
    if (!context->Hold(reader)) return CARDHOST_BUSY;
    PcscApi& api = context->api();
    DWORD state = 0;
    LONG result = context->WithRetry(
        [&](SCARDCONTEXT handle) { return api.ReaderState(handle, reader, state); });
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    const bool present = result == SCARD_S_SUCCESS && (state & SCARD_STATE_PRESENT) != 0;
    if (result == SCARD_S_SUCCESS) {
        result = context->WithRetry([&](SCARDCONTEXT handle) {
            return present ? api.Connect(handle, reader, SCARD_SHARE_EXCLUSIVE, kProtocols, card,
                                         protocol)
                           : api.Connect(handle, reader, SCARD_SHARE_DIRECT, 0, card, protocol);
        });
    }
    if (result != SCARD_S_SUCCESS) {
        context->Release(reader);
        if (result == SCARD_E_UNKNOWN_READER || result == SCARD_E_READER_UNAVAILABLE) {
            return CARDHOST_NO_DEVICE;
        }
        return StatusOf(result);
    }
    const Personality personality =
        present ? ProbePersonality(api, card, protocol) : Personality::Unknown;
    session = std::make_unique<PcscReader>(context, reader, card, protocol, present, personality);
    return CARDHOST_OK;
}

}  // namespace cardhost::pcsc
