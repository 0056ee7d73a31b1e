// SPDX-License-Identifier: MIT
#include "chip_reader.h"

#include <cardhost/cardhost.h>

#include <algorithm>
#include <cstring>

namespace tagwright::testing {
namespace {

using cardhost::sim::ChipAnswer;

// The table's functions carry no context: they reach the reader whose table was asked for last.
ChipReader* g_reader = nullptr;

int32_t Exchange(std::vector<std::uint8_t> frame, uint8_t* out, std::size_t expected) {
    cardhost::sim::NtagChip* chip = g_reader->field();
    if (chip == nullptr) return CARDHOST_NO_ANSWER;
    const ChipAnswer answer = chip->Command(frame);
    switch (answer.kind) {
        case ChipAnswer::Kind::Data:
            if (answer.data.size() != expected) return CARDHOST_READER_ERROR;
            std::memcpy(out, answer.data.data(), expected);
            return 0;
        case ChipAnswer::Kind::Ack:
            return expected == 0 ? 0 : CARDHOST_READER_ERROR;
        case ChipAnswer::Kind::Nak:
            return CARDHOST_NAK_BASE | answer.nakCode;
        case ChipAnswer::Kind::Silent:
            break;
    }
    return CARDHOST_NO_ANSWER;
}

uint8_t SetLight(int32_t, uint8_t state) {
    if (g_reader->Enter("Sys_SetLight")) return 1;
    g_reader->RecordLight(state);
    return 0;
}
uint8_t SetBuzzer(int32_t, uint8_t) {
    return g_reader->Enter("Sys_SetBuzzer") ? 1 : 0;
}
int32_t IsOpen(int32_t) {
    return 1;
}

int32_t Request(int32_t, uint8_t code, uint8_t* atqa) {
    if (const auto failed = g_reader->Enter("TyA_Request")) return *failed;
    std::array<std::uint8_t, 2> answer{};
    cardhost::sim::NtagChip* chip = g_reader->field();
    if (chip == nullptr || !chip->WakeUp(code, answer)) return CARDHOST_NO_TAG;
    std::copy(answer.begin(), answer.end(), atqa);
    return 0;
}

int32_t Select(int32_t, uint8_t* uid, uint8_t* length) {
    if (const auto failed = g_reader->Enter("TyA_NTAG_AnticollSelect")) return *failed;
    cardhost::sim::Uid answer{};
    cardhost::sim::NtagChip* chip = g_reader->field();
    if (chip == nullptr || !chip->AnticollisionAndSelect(answer)) return CARDHOST_NO_ANSWER;
    std::copy(answer.begin(), answer.end(), uid);
    *length = 7;
    return 0;
}

int32_t Version(int32_t, uint8_t* version, uint8_t* length) {
    if (const auto failed = g_reader->Enter("TyA_NTAG_GetVersion")) return *failed;
    *length = 8;
    return Exchange({0x60}, version, 8);
}

int32_t Read(int32_t, uint8_t page, uint8_t* data, uint8_t* length) {
    if (const auto failed = g_reader->Enter("TyA_NTAG_Read")) return *failed;
    *length = 16;
    return Exchange({0x30, page}, data, 16);
}

int32_t Write(int32_t, uint8_t page, const uint8_t* data) {
    if (const auto failed = g_reader->Enter("TyA_NTAG_Write")) return *failed;
    std::vector<std::uint8_t> frame{0xA2, page, data[0], data[1], data[2], data[3]};
    if (g_reader->TakeWeakWrite(page)) {
        for (std::size_t i = 2; i < frame.size(); ++i)
            frame[i] ^= 0x01;
    }
    return Exchange(std::move(frame), nullptr, 0);
}

int32_t PwdAuth(int32_t, const uint8_t* password, uint8_t* pack, uint8_t* length) {
    if (const auto failed = g_reader->Enter("TyA_NTAG_PwdAuth")) return *failed;
    *length = 2;
    return Exchange({0x1B, password[0], password[1], password[2], password[3]}, pack, 2);
}

int32_t ReadSig(int32_t, uint8_t* signature, uint8_t* length) {
    if (const auto failed = g_reader->Enter("TyA_NTAG_ReadSig")) return *failed;
    *length = 32;
    return Exchange({0x3C, 0x00}, signature, 32);
}

int32_t ReadCnt(int32_t, uint8_t counter, uint8_t* value, uint8_t* length) {
    if (const auto failed = g_reader->Enter("TyA_NTAG_ReadCnt")) return *failed;
    *length = 3;
    return Exchange({0x39, counter}, value, 3);
}

}  // namespace

ChipReader::~ChipReader() {
    if (g_reader == this) g_reader = nullptr;
}

reader::ReaderApi ChipReader::api() {
    g_reader = this;
    reader::ReaderApi api;
    api.Sys_IsOpen = IsOpen;
    api.Sys_SetLight = SetLight;
    api.Sys_SetBuzzer = SetBuzzer;
    api.TyA_Request = Request;
    api.TyA_NTAG_AnticollSelect = Select;
    api.TyA_NTAG_GetVersion = Version;
    api.TyA_NTAG_Read = Read;
    api.TyA_NTAG_Write = Write;
    api.TyA_NTAG_PwdAuth = PwdAuth;
    api.TyA_NTAG_ReadSig = ReadSig;
    api.TyA_NTAG_ReadCnt = ReadCnt;
    return api;
}

void ChipReader::Place(cardhost::sim::NtagChip chip) {
    chip_.emplace(std::move(chip));
}

void ChipReader::Remove() {
    chip_.reset();
    external_ = nullptr;
}

void ChipReader::Fail(const std::string& entry, std::int32_t status, int nth) {
    failures_.push_back({entry, status, nth});
}

void ChipReader::Weak(std::uint8_t page, int nth) {
    weakWrites_[page].push_back(nth);
}

std::uint64_t ChipReader::Calls(const std::string& entry) const {
    const auto it = calls_.find(entry);
    return it == calls_.end() ? 0 : it->second;
}

std::optional<std::int32_t> ChipReader::Enter(const char* entry) {
    ++calls_[entry];
    std::optional<std::int32_t> failed;
    for (auto it = failures_.begin(); it != failures_.end();) {
        if (it->entry != entry || --it->countdown > 0) {
            ++it;
            continue;
        }
        if (!failed) failed = it->status;
        it = failures_.erase(it);
    }
    return failed;
}

bool ChipReader::TakeWeakWrite(std::uint8_t page) {
    const auto rules = weakWrites_.find(page);
    if (rules == weakWrites_.end()) return false;
    bool due = false;
    for (auto it = rules->second.begin(); it != rules->second.end();) {
        if (--*it > 0) {
            ++it;
            continue;
        }
        due = true;
        it = rules->second.erase(it);
    }
    return due;
}

reader::ReaderApi ChipReaderApi(cardhost::sim::NtagChip& chip) {
    static ChipReader shared;
    shared.Attach(chip);
    return shared.api();
}

}  // namespace tagwright::testing
