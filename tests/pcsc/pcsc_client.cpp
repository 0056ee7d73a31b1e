// SPDX-License-Identifier: MIT
#include "pcsc_client.h"

#include <thread>

namespace tagwright::pcsc_testing {

PcscClient::PcscClient() = default;

PcscClient::~PcscClient() {
    Disconnect();
    if (context_ != 0) SCardReleaseContext(context_);
}

bool PcscClient::Establish() {
    if (context_ != 0) SCardReleaseContext(context_);
    context_ = 0;
    card_ = 0;
    lastError_ = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_);
    return lastError_ == SCARD_S_SUCCESS;
}

std::vector<std::string> PcscClient::Readers() {
    DWORD size = 0;
    lastError_ = SCardListReaders(context_, nullptr, nullptr, &size);
    if (lastError_ != SCARD_S_SUCCESS) return {};
    std::string all(size, '\0');
    lastError_ = SCardListReaders(context_, nullptr, all.data(), &size);
    if (lastError_ != SCARD_S_SUCCESS) return {};
    std::vector<std::string> names;
    for (std::size_t at = 0; at < all.size() && all[at] != '\0';) {
        names.emplace_back(all.c_str() + at);
        at += names.back().size() + 1;
    }
    return names;
}

bool PcscClient::WaitForCard(const std::string& reader, bool present,
                             std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    SCARD_READERSTATE state{};
    state.szReader = reader.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    while (std::chrono::steady_clock::now() < end) {
        // Short waits: the reader may not exist yet, and the limit must hold.
        lastError_ = SCardGetStatusChange(context_, 200, &state, 1);
        if (lastError_ == SCARD_S_SUCCESS || lastError_ == SCARD_E_TIMEOUT) {
            const bool hasCard = (state.dwEventState & SCARD_STATE_PRESENT) != 0 &&
                                 (state.dwEventState & SCARD_STATE_UNKNOWN) == 0;
            if (hasCard == present) return true;
            state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            state.dwCurrentState = SCARD_STATE_UNAWARE;
            // A restarted pcscd knows nothing of the context made with the one before.
            if (lastError_ == SCARD_E_NO_SERVICE || lastError_ == SCARD_E_SERVICE_STOPPED ||
                lastError_ == SCARD_E_INVALID_HANDLE) {
                Establish();
            }
        }
    }
    return false;
}

bool PcscClient::Connect(const std::string& reader) {
    Disconnect();
    lastError_ = SCardConnect(context_, reader.c_str(), SCARD_SHARE_SHARED,
                              SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card_, &protocol_);
    return lastError_ == SCARD_S_SUCCESS;
}

bool PcscClient::Reconnect(DWORD initialization) {
    lastError_ = SCardReconnect(card_, SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                                initialization, &protocol_);
    return lastError_ == SCARD_S_SUCCESS;
}

void PcscClient::Disconnect() {
    if (card_ != 0) SCardDisconnect(card_, SCARD_LEAVE_CARD);
    card_ = 0;
}

std::optional<Bytes> PcscClient::Transmit(const Bytes& apdu) {
    const SCARD_IO_REQUEST* pci = protocol_ == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
    Bytes answer(258);
    DWORD size = static_cast<DWORD>(answer.size());
    lastError_ = SCardTransmit(card_, pci, apdu.data(), static_cast<DWORD>(apdu.size()), nullptr,
                               answer.data(), &size);
    if (lastError_ != SCARD_S_SUCCESS) return std::nullopt;
    answer.resize(size);
    return answer;
}

Bytes PcscClient::Atr() {
    char name[256];
    DWORD nameSize = sizeof name;
    DWORD state = 0;
    Bytes atr(MAX_ATR_SIZE);
    DWORD atrSize = static_cast<DWORD>(atr.size());
    lastError_ = SCardStatus(card_, name, &nameSize, &state, &protocol_, atr.data(), &atrSize);
    if (lastError_ != SCARD_S_SUCCESS) return {};
    atr.resize(atrSize);
    return atr;
}

std::string ErrorText(LONG code) {
    return pcsc_stringify_error(code);
}

}  // namespace tagwright::pcsc_testing
