// SPDX-License-Identifier: MIT
// The PC/SC interface forwarded to pcsc-lite.
#include "pcsc_api.h"

#include <array>

namespace cardhost::pcsc {
namespace {

class SystemApi : public PcscApi {
  public:
    LONG EstablishContext(SCARDCONTEXT& context) override {
        return SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context);
    }

    LONG ReleaseContext(SCARDCONTEXT context) override { return SCardReleaseContext(context); }

    LONG ListReaders(SCARDCONTEXT context, std::vector<std::string>& readers) override {
        DWORD size = 0;
        LONG result = SCardListReaders(context, nullptr, nullptr, &size);
        if (result != SCARD_S_SUCCESS) return result;
        std::string names(size, '\0');
        result = SCardListReaders(context, nullptr, names.data(), &size);
        if (result != SCARD_S_SUCCESS) return result;
        names.resize(size);
        // "name\0name\0\0": each name ends at a NUL, an empty one ends the list.
        std::size_t start = 0;
        while (start < names.size() && names[start] != '\0') {
            const std::size_t end = names.find('\0', start);
            readers.push_back(names.substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return SCARD_S_SUCCESS;
    }

    LONG ReaderState(SCARDCONTEXT context, const std::string& reader, DWORD& state) override {
        SCARD_READERSTATE query{};
        query.szReader = reader.c_str();
        query.dwCurrentState = SCARD_STATE_UNAWARE;
        // Timeout 0: the state as it is, never a wait.
        const LONG result = SCardGetStatusChange(context, 0, &query, 1);
        state = query.dwEventState;
        return result == SCARD_E_TIMEOUT ? SCARD_S_SUCCESS : result;
    }

    LONG Connect(SCARDCONTEXT context, const std::string& reader, DWORD shareMode, DWORD protocols,
                 SCARDHANDLE& card, DWORD& activeProtocol) override {
        return SCardConnect(context, reader.c_str(), shareMode, protocols, &card, &activeProtocol);
    }

    LONG Reconnect(SCARDHANDLE card, DWORD shareMode, DWORD protocols, DWORD initialization,
                   DWORD& activeProtocol) override {
        return SCardReconnect(card, shareMode, protocols, initialization, &activeProtocol);
    }

    LONG Disconnect(SCARDHANDLE card, DWORD disposition) override {
        return SCardDisconnect(card, disposition);
    }

    LONG Status(SCARDHANDLE card, std::vector<std::uint8_t>& atr) override {
        std::array<BYTE, MAX_ATR_SIZE> bytes{};
        DWORD atrLength = bytes.size();
        DWORD state = 0;
        DWORD protocol = 0;
        DWORD nameLength = 0;
        const LONG result =
            SCardStatus(card, nullptr, &nameLength, &state, &protocol, bytes.data(), &atrLength);
        if (result == SCARD_S_SUCCESS) atr.assign(bytes.begin(), bytes.begin() + atrLength);
        return result;
    }

    LONG Transmit(SCARDHANDLE card, DWORD protocol, std::span<const std::uint8_t> command,
                  std::vector<std::uint8_t>& response) override {
        const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
        std::array<BYTE, MAX_BUFFER_SIZE_EXTENDED> buffer{};
        DWORD length = buffer.size();
        const LONG result =
            SCardTransmit(card, pci, command.data(), static_cast<DWORD>(command.size()), nullptr,
                          buffer.data(), &length);
        if (result == SCARD_S_SUCCESS) response.assign(buffer.begin(), buffer.begin() + length);
        return result;
    }

    LONG Control(SCARDHANDLE card, DWORD code, std::span<const std::uint8_t> command,
                 std::vector<std::uint8_t>& response) override {
        std::array<BYTE, MAX_BUFFER_SIZE> buffer{};
        DWORD length = 0;
        const LONG result =
            SCardControl(card, code, command.data(), static_cast<DWORD>(command.size()),
                         buffer.data(), static_cast<DWORD>(buffer.size()), &length);
        if (result == SCARD_S_SUCCESS) response.assign(buffer.begin(), buffer.begin() + length);
        return result;
    }
};

}  // namespace

std::shared_ptr<PcscApi> SystemPcscApi() {
    static const auto api = std::make_shared<SystemApi>();
    return api;
}

}  // namespace cardhost::pcsc
