// SPDX-License-Identifier: MIT
// The simulator backend: virtual readers and tags kept in the simulator's state directory.
#include <cardhost/cardhost.h>

#include <type_traits>

#include "cardhost/library/backend.h"
#include "file_lock.h"
#include "sim_reader.h"
#include "sim_store.h"
#include "store_error.h"

namespace cardhost {
namespace {

// One simulator transaction; a state directory that cannot be used ends the call with
// CARDHOST_STORAGE, whatever layer of the store noticed it.
template <typename Work>
void Transact(sim::SimStore& store, Work&& work) {
    try {
        store.Transact(std::forward<Work>(work));
    } catch (const sim::StoreError& error) {
        throw BackendError(CARDHOST_STORAGE, error.what());
    } catch (const std::filesystem::filesystem_error& error) {
        throw BackendError(CARDHOST_STORAGE, error.what());
    }
}

template <typename Work>
void Transact(sim::SimStore&& store, Work&& work) {
    Transact(store, std::forward<Work>(work));
}

// Without a folder of the user's own there is no state to use: CARDHOST_STORAGE as well.
std::filesystem::path StateDirectory() {
    try {
        return sim::SimStore::DefaultDirectory();
    } catch (const sim::StoreError& error) {
        throw BackendError(CARDHOST_STORAGE, error.what());
    }
}

using sim::ChipAnswer;
using sim::NtagChip;
using sim::ReaderRecord;
using sim::SimStore;

class SimulatedReader : public ReaderSession {
  public:
    SimulatedReader(std::filesystem::path directory, std::string serial,
                    std::unique_ptr<sim::FileLock> hold)
        : store_(std::move(directory)), serial_(std::move(serial)), hold_(std::move(hold)) {}

    bool IsOpen() override {
        bool open = false;
        Transact(store_, [&](SimStore::Transaction& tx) {
            ReaderRecord* reader = tx.state().Find(serial_);
            if (reader == nullptr) return;
            open = !sim::DueFailure(tx, *reader, "Sys_IsOpen") && reader->attached;
        });
        return open;
    }

    Status Close() override {
        Status status = CARDHOST_OK;
        Transact(store_, [&](SimStore::Transaction& tx) {
            // A reader that was removed meanwhile can always be closed.
            if (ReaderRecord* reader = tx.state().Find(serial_)) {
                status = sim::DueFailure(tx, *reader, "Sys_Close").value_or(CARDHOST_OK);
            }
        });
        return status;
    }

    Status SetLight(std::uint8_t state) override {
        return Run("Sys_SetLight", [&](auto&, ReaderRecord& reader) {
            sim::RecordLight(reader, state);
            return Status{CARDHOST_OK};
        });
    }

    Status SetBuzzer(std::uint8_t length) override {
        return Run("Sys_SetBuzzer", [&](SimStore::Transaction& tx, ReaderRecord& reader) {
            sim::RecordBuzzer(tx, reader, length);
            return Status{CARDHOST_OK};
        });
    }

    Status SetAntenna(std::uint8_t state) override {
        return Run("Sys_SetAntenna", [&](SimStore::Transaction& tx, ReaderRecord& reader) {
            if (state > 1) return Status{CARDHOST_BAD_ARGUMENT};
            antennaOn_ = state == 1;
            // Switching the field off powers the tag down.
            if (!antennaOn_) {
                if (NtagChip* chip = sim::TagInField(tx, reader)) {
                    chip->PowerOff();
                    tx.MarkTagChanged(reader.fieldUid);
                }
            }
            return Status{CARDHOST_OK};
        });
    }

    Status InitType(std::uint8_t cardType) override {
        return Run("Sys_InitType", [&](auto&, ReaderRecord&) {
            if (cardType != 'A' && cardType != 'B') return Status{CARDHOST_BAD_ARGUMENT};
            typeA_ = cardType == 'A';
            return Status{CARDHOST_OK};
        });
    }

    Status Request(std::uint8_t requestCode, std::array<std::uint8_t, 2>& atqa) override {
        return Run("TyA_Request", [&](SimStore::Transaction& tx, ReaderRecord& reader) {
            if (requestCode != 0x52 && requestCode != 0x26) return Status{CARDHOST_BAD_ARGUMENT};
            if (!antennaOn_ || !typeA_) return Status{CARDHOST_NO_TAG};
            NtagChip* chip = sim::TagInField(tx, reader);
            if (chip == nullptr) {
                if (!sim::PollEmptyField(tx, reader)) return Status{CARDHOST_NO_TAG};
                chip = sim::TagInField(tx, reader);
                if (chip == nullptr) return Status{CARDHOST_NO_TAG};
            }
            const bool answered = chip->WakeUp(requestCode, atqa);
            tx.MarkTagChanged(reader.fieldUid);
            return answered ? Status{CARDHOST_OK} : Status{CARDHOST_NO_TAG};
        });
    }

    Status AnticollSelect(std::array<std::uint8_t, 7>& uid) override {
        return WithTag("TyA_NTAG_AnticollSelect", [&](NtagChip& chip) {
            return chip.AnticollisionAndSelect(uid) ? Status{CARDHOST_OK}
                                                    : Status{CARDHOST_NO_ANSWER};
        });
    }

    Status Anticollision(std::array<std::uint8_t, 4>& uid4) override {
        return WithTag("TyA_Anticollision", [&](NtagChip& chip) {
            return chip.AnticollisionLevel1(uid4) ? Status{CARDHOST_OK}
                                                  : Status{CARDHOST_NO_ANSWER};
        });
    }

    Status Select(const std::array<std::uint8_t, 4>& uid4, std::uint8_t& sak) override {
        return WithTag("TyA_Select", [&](NtagChip& chip) {
            return chip.SelectLevel1(uid4, sak) ? Status{CARDHOST_OK} : Status{CARDHOST_NO_ANSWER};
        });
    }

    Status Exchange(TagCommand command, std::span<const std::uint8_t> frame,
                    std::vector<std::uint8_t>& answer) override {
        return WithTag(EntryPointOf(command),
                       [&](NtagChip& chip, SimStore::Transaction& tx, ReaderRecord& reader) {
                           std::vector<std::uint8_t> received(frame.begin(), frame.end());
                           if (command == TagCommand::Write) sim::WeakenWrite(tx, reader, received);
                           ChipAnswer reply = chip.Command(received);
                           switch (reply.kind) {
                               case ChipAnswer::Kind::Data:
                                   answer = std::move(reply.data);
                                   return Status{CARDHOST_OK};
                               case ChipAnswer::Kind::Ack:
                                   answer.clear();
                                   return Status{CARDHOST_OK};
                               case ChipAnswer::Kind::Nak:
                                   return Status{CARDHOST_NAK_BASE | reply.nakCode};
                               case ChipAnswer::Kind::Silent:
                                   break;
                           }
                           return Status{CARDHOST_NO_ANSWER};
                       });
    }

    Status Classic(ClassicCommand command) override {
        return Run(EntryPointOf(command),
                   [](auto&, ReaderRecord&) { return Status{CARDHOST_NOT_SUPPORTED}; });
    }

  private:
    template <typename Work>
    Status Run(std::string_view kind, Work&& work) {
        Status status = CARDHOST_OK;
        Transact(store_, [&](SimStore::Transaction& tx) {
            ReaderRecord* reader = tx.state().Find(serial_);
            if (reader == nullptr) {
                status = CARDHOST_DETACHED;
                return;
            }
            if (auto failure = sim::BeginCommand(tx, *reader, kind)) {
                status = *failure;
                return;
            }
            status = work(tx, *reader);
        });
        // Outside the transaction: the air time holds this reader only, not the whole simulator.
        if (status != CARDHOST_DETACHED) sim::SpendAirTime(kind);
        return status;
    }

    // A command to the tag in the field; its changes are stored with the tag.
    template <typename Work>
    Status WithTag(std::string_view kind, Work&& work) {
        return Run(kind, [&](SimStore::Transaction& tx, ReaderRecord& reader) {
            NtagChip* chip = antennaOn_ ? sim::TagInField(tx, reader) : nullptr;
            if (chip == nullptr) return Status{CARDHOST_NO_TAG};
            Status status;
            if constexpr (std::is_invocable_v<Work, NtagChip&>) {
                status = work(*chip);
            } else {
                status = work(*chip, tx, reader);
            }
            tx.MarkTagChanged(reader.fieldUid);
            return status;
        });
    }

    SimStore store_;
    std::string serial_;
    std::unique_ptr<sim::FileLock> hold_;  // this reader is ours alone while it is held
    bool antennaOn_ = false;
    bool typeA_ = true;
};

class SimulatorBackend : public Backend {
  public:
    Status ListReaders(std::uint16_t vendorId, std::uint16_t productId,
                       std::vector<std::string>& serials) override {
        if (vendorId != CARDHOST_VENDOR_ID || productId != CARDHOST_PRODUCT_ID) return CARDHOST_OK;
        SimStore store(StateDirectory());
        Transact(store, [&](SimStore::Transaction& tx) {
            for (const ReaderRecord* reader : tx.state().Attached()) {
                serials.push_back(reader->serial);
            }
        });
        return CARDHOST_OK;
    }

    Status Open(const std::string& serial, std::unique_ptr<ReaderSession>& session) override {
        const std::filesystem::path directory = StateDirectory();
        Status status = CARDHOST_OK;
        Transact(SimStore(directory), [&](SimStore::Transaction& tx) {
            ReaderRecord* reader = tx.state().Find(serial);
            if (reader == nullptr || !reader->attached) {
                status = CARDHOST_NO_DEVICE;
                return;
            }
            if (const auto failure = sim::DueFailure(tx, *reader, "Sys_Open")) {
                status = *failure;
                return;
            }
            // Damage to what this reader will use shows now, as CARDHOST_STORAGE, not later.
            sim::TagInField(tx, *reader);
            tx.QueuedUids(*reader);
        });
        if (status != CARDHOST_OK) return status;
        auto hold = sim::FileLock::TryAcquire(sim::ReaderHoldPath(directory, serial));
        if (!hold) return CARDHOST_BUSY;
        session = std::make_unique<SimulatedReader>(directory, serial, std::move(hold));
        return CARDHOST_OK;
    }

    ReaderDescription Describe(const std::string& serial) override {
        // A simulated reader has no ATR; its tag commands reach the chip model directly.
        return {serial, "sim", {}, "simulated", CARDHOST_OK};
    }

    Status InjectedFailure(std::string_view kind, const std::string& serial) override {
        Status status = CARDHOST_OK;
        Transact(SimStore(StateDirectory()), [&](SimStore::Transaction& tx) {
            // Every reader's rules count the call; the first reader's failure is the answer.
            for (ReaderRecord& reader : tx.state().readers) {
                if (!serial.empty() && reader.serial != serial) continue;
                const auto failure = sim::DueFailure(tx, reader, kind);
                if (failure && status == CARDHOST_OK) status = *failure;
            }
        });
        return status;
    }
};

}  // namespace

std::unique_ptr<Backend> MakeSimulatorBackend() {
    return std::make_unique<SimulatorBackend>();
}

std::optional<std::string> SimulatorProblem() {
    try {
        return sim::DescribeStateProblem(sim::SimStore::DefaultDirectory());
    } catch (const std::exception& error) {  // no folder of the user's own to keep state in
        return std::string(error.what());
    }
}

}  // namespace cardhost
