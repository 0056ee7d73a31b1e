// SPDX-License-Identifier: MIT
#include "ntag_model.h"

#include <array>

namespace tagwright::tag {
namespace {

constexpr std::array<NtagModel, 6> kModels{{
    {kNtag203, "NTAG203", 144, std::nullopt, 0x28, 2},
    {kNtag210, "NTAG210", 48, 0x10, std::nullopt, 0},
    {kNtag212, "NTAG212", 128, 0x25, 0x24, 3},
    {kNtag213, "NTAG213", 144, 0x29, 0x28, 3},
    {kNtag215, "NTAG215", 504, 0x83, 0x82, 3},
    {kNtag216, "NTAG216", 888, 0xE3, 0xE2, 3},
}};

PageLookup FromOptional(const NtagModel* model, std::optional<std::uint8_t> page, int offset) {
    if (model == nullptr) return {PageLookup::Kind::Unknown};
    if (!page) return {PageLookup::Kind::NotSupported};
    return {PageLookup::Kind::Page, static_cast<std::uint8_t>(*page + offset)};
}

}  // namespace

const NtagModel* FindModel(ModelCode code) {
    for (const NtagModel& model : kModels) {
        if (model.code == code) return &model;
    }
    return nullptr;
}

std::string_view ModelName(ModelCode code) {
    const NtagModel* model = FindModel(code);
    return model ? model->name : std::string_view();
}

std::uint16_t NextSmallerUserMemory(ModelCode code) {
    const NtagModel* model = FindModel(code);
    std::uint16_t below = 0;
    if (model == nullptr) return below;
    for (const NtagModel& other : kModels) {
        if (other.userMemoryCap < model->userMemoryCap && other.userMemoryCap > below)
            below = other.userMemoryCap;
    }
    return below;
}

std::uint16_t CapUserMemory(ModelCode code, std::uint16_t capacity) {
    const NtagModel* model = FindModel(code);
    return (model && capacity > model->userMemoryCap) ? model->userMemoryCap : capacity;
}

PageLookup ConfigurationPage(ModelCode code) {
    const NtagModel* model = FindModel(code);
    return FromOptional(model, model ? model->configPage : std::nullopt, 0);
}

PageLookup PasswordPage(ModelCode code) {
    const NtagModel* model = FindModel(code);
    return FromOptional(model, model ? model->configPage : std::nullopt, 2);
}

PageLookup DynamicLockPage(ModelCode code) {
    const NtagModel* model = FindModel(code);
    return FromOptional(model, model ? model->dynamicLockPage : std::nullopt, 0);
}

void SetDynamicLockBytes(ModelCode code, std::uint8_t page[4]) {
    const NtagModel* model = FindModel(code);
    if (model == nullptr) return;
    for (int i = 0; i < model->dynamicLockBytes; ++i)
        page[i] = 0xFF;
}

}  // namespace tagwright::tag
