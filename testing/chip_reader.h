// SPDX-License-Identifier: MIT
// A reader table that talks straight to an in-memory simulated chip: the whole tag engine runs on
// it without files, processes or a shared library. A test can script the failures the simulator's
// control tool would inject (a call that fails, a page that keeps other bytes than it
// acknowledged) and count the calls.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cardhost/sim/ntag_chip.h"
#include "reader/reader_api.h"

namespace tagwright::testing {

class ChipReader {
  public:
    ChipReader() = default;
    explicit ChipReader(cardhost::sim::NtagChip chip) { Place(std::move(chip)); }
    ~ChipReader();
    ChipReader(const ChipReader&) = delete;
    ChipReader& operator=(const ChipReader&) = delete;

    // The reader's table. Its calls reach this reader; one reader's table works at a time (the
    // last one asked for), and only while that reader lives.
    reader::ReaderApi api();

    // Puts a chip in the field, taking away whatever lay there; or leaves the field empty.
    void Place(cardhost::sim::NtagChip chip);
    void Remove();
    // The chip in the field; one must be there.
    cardhost::sim::NtagChip& chip() { return *chip_; }

    // The nth call of `entry` from now (an entry point's name, as "TyA_NTAG_GetVersion") fails
    // with `status` without reaching the chip.
    void Fail(const std::string& entry, std::int32_t status, int nth = 1);
    // The nth WRITE of `page` from now is acknowledged, but the page keeps other bytes.
    void Weak(std::uint8_t page, int nth = 1);

    // Calls of `entry` so far, and the light states set, in order.
    std::uint64_t Calls(const std::string& entry) const;
    const std::vector<std::uint8_t>& lights() const { return lights_; }

    // What the table's functions use.
    std::optional<std::int32_t> Enter(const char* entry);
    bool TakeWeakWrite(std::uint8_t page);
    cardhost::sim::NtagChip* field() { return chip_ ? &*chip_ : external_; }
    void RecordLight(std::uint8_t state) { lights_.push_back(state); }
    // Stands for a chip a caller owns (the fuzzers' tables).
    void Attach(cardhost::sim::NtagChip& chip) { external_ = &chip; }

  private:
    struct Scripted {
        std::string entry;
        std::int32_t status;
        int countdown;
    };
    std::optional<cardhost::sim::NtagChip> chip_;
    cardhost::sim::NtagChip* external_ = nullptr;
    std::vector<Scripted> failures_;
    std::map<std::uint8_t, std::vector<int>> weakWrites_;
    std::map<std::string, std::uint64_t> calls_;
    std::vector<std::uint8_t> lights_;
};

// A table whose calls reach `chip`, which must outlive its use. The field is always on.
reader::ReaderApi ChipReaderApi(cardhost::sim::NtagChip& chip);

}  // namespace tagwright::testing
