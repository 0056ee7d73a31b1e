// SPDX-License-Identifier: MIT
// A PC/SC service in the test process: readers that come and go, a service that stops and
// restarts, escapes that are refused, and one NTAG chip (the simulator's model) answering as a
// reader of personality A, B or C passes its commands on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cardhost/pcsc/pcsc_api.h"
#include "cardhost/sim/ntag_chip.h"

namespace tagwright::test {

enum class FakePersonality { A, B, C };

struct FakePcscReader {
    std::string name;
    FakePersonality personality = FakePersonality::A;
    std::optional<cardhost::sim::NtagChip> chip;  // the tag in the field, if any
    std::vector<std::uint8_t> atr;
    bool firmwareAsksGetResponse = false;  // answers 61 xx and waits for GET RESPONSE
};

class FakePcsc : public cardhost::pcsc::PcscApi {
  public:
    FakePcsc();

    // The readers, in pcsc-lite's order.
    std::vector<FakePcscReader> readers;
    bool serviceRunning = true;
    LONG controlResult = SCARD_S_SUCCESS;  // what every SCardControl returns
    // Everything sent, by reader: APDUs, control codes and resets, as hex lines.
    std::vector<std::string> log;
    unsigned contextsEstablished = 0;

    // Stops and starts the service: every context and handle made before is dead.
    void RestartService();
    FakePcscReader* Find(const std::string& name);
    static std::vector<std::uint8_t> UltralightAtr();

    // The reader stops answering: every SCardTransmit to it waits, as pcsc-lite's does, until
    // AnswerAgain (and then fails as a lost exchange).
    void GoSilent(const std::string& reader);
    void AnswerAgain();
    unsigned CallsWaiting();  // calls inside a silent reader right now
    std::size_t OpenContexts();
    std::size_t OpenConnections();

    LONG EstablishContext(SCARDCONTEXT& context) override;
    LONG ReleaseContext(SCARDCONTEXT context) override;
    LONG ListReaders(SCARDCONTEXT context, std::vector<std::string>& names) override;
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

  private:
    struct Connection {
        std::string reader;
        unsigned generation;
        bool direct;
    };
    LONG Check(SCARDCONTEXT context) const;
    // The reader and its card behind a handle; a failure when either is gone.
    LONG Resolve(SCARDHANDLE card, FakePcscReader*& reader, bool needCard);
    std::vector<std::uint8_t> Answer(FakePcscReader& reader, std::span<const std::uint8_t> apdu);
    std::vector<std::uint8_t> ChipThrough(FakePcscReader& reader,
                                          std::span<const std::uint8_t> frame, bool& ok);

    // Calls may come from the backend's call threads: one at a time, but a silent reader's
    // waits while others go on.
    std::mutex mutex_;
    std::condition_variable answering_;
    std::string silent_;
    unsigned waiting_ = 0;
    unsigned generation_ = 1;  // a restart makes every older context and handle dead
    std::map<SCARDCONTEXT, unsigned> contexts_;
    std::map<SCARDHANDLE, Connection> connections_;
    SCARDCONTEXT nextContext_ = 100;
    SCARDHANDLE nextHandle_ = 1000;
    std::vector<std::uint8_t> pending_;  // what GET RESPONSE hands out
};

}  // namespace tagwright::test
