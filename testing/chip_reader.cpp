// SPDX-License-Identifier: MIT
#include "chip_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tagwright::testing {
namespace {

using cardhost::sim::ChipAnswer;

cardhost::sim::NtagChip* g_chip = nullptr;

int32_t Exchange(std::vector<std::uint8_t> frame, uint8_t* out, std::size_t expected) {
    const ChipAnswer answer = g_chip->Command(frame);
    switch (answer.kind) {
        case ChipAnswer::Kind::Data:
            if (answer.data.size() != expected) return 0x0B;
            std::memcpy(out, answer.data.data(), expected);
            return 0;
        case ChipAnswer::Kind::Ack:
            return expected == 0 ? 0 : 0x0B;
        case ChipAnswer::Kind::Nak:
            return 0x20 | answer.nakCode;
        case ChipAnswer::Kind::Silent:
            break;
    }
    return 0x06;
}

uint8_t Ok(int32_t, uint8_t) {
    return 0;
}
int32_t IsOpen(int32_t) {
    return 1;
}

int32_t Request(int32_t, uint8_t code, uint8_t* atqa) {
    std::array<std::uint8_t, 2> answer{};
    if (!g_chip->WakeUp(code, answer)) return 0x05;
    std::copy(answer.begin(), answer.end(), atqa);
    return 0;
}

int32_t Select(int32_t, uint8_t* uid, uint8_t* length) {
    cardhost::sim::Uid answer{};
    if (!g_chip->AnticollisionAndSelect(answer)) return 0x06;
    std::copy(answer.begin(), answer.end(), uid);
    *length = 7;
    return 0;
}

int32_t Version(int32_t, uint8_t* version, uint8_t* length) {
    *length = 8;
    return Exchange({0x60}, version, 8);
}

int32_t Read(int32_t, uint8_t page, uint8_t* data, uint8_t* length) {
    *length = 16;
    return Exchange({0x30, page}, data, 16);
}

int32_t Write(int32_t, uint8_t page, const uint8_t* data) {
    return Exchange({0xA2, page, data[0], data[1], data[2], data[3]}, nullptr, 0);
}

int32_t PwdAuth(int32_t, const uint8_t* password, uint8_t* pack, uint8_t* length) {
    *length = 2;
    return Exchange({0x1B, password[0], password[1], password[2], password[3]}, pack, 2);
}

int32_t ReadSig(int32_t, uint8_t* signature, uint8_t* length) {
    *length = 32;
    return Exchange({0x3C, 0x00}, signature, 32);
}

}  // namespace

reader::ReaderApi ChipReaderApi(cardhost::sim::NtagChip& chip) {
    g_chip = &chip;
    reader::ReaderApi api;
    api.Sys_IsOpen = IsOpen;
    api.Sys_SetLight = Ok;
    api.Sys_SetBuzzer = Ok;
    api.TyA_Request = Request;
    api.TyA_NTAG_AnticollSelect = Select;
    api.TyA_NTAG_GetVersion = Version;
    api.TyA_NTAG_Read = Read;
    api.TyA_NTAG_Write = Write;
    api.TyA_NTAG_PwdAuth = PwdAuth;
    api.TyA_NTAG_ReadSig = ReadSig;
    return api;
}

}  // namespace tagwright::testing
