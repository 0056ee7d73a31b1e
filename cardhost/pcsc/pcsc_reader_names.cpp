// SPDX-License-Identifier: MIT
#include "pcsc_reader_names.h"

#include <algorithm>
#include <cctype>

namespace cardhost::pcsc {
namespace {

// pcsc-lite names end " NN SS": the reader's plug-order index and the slot number. What stands
// before them names the device; slots of one device share it.
std::string DevicePart(const std::string& name) {
    const std::size_t size = name.size();
    const auto digit = [&](std::size_t i) {
        return std::isxdigit(static_cast<unsigned char>(name[i])) != 0;
    };
    if (size >= 6 && name[size - 3] == ' ' && name[size - 6] == ' ' && digit(size - 1) &&
        digit(size - 2) && digit(size - 4) && digit(size - 5)) {
        std::string device = name.substr(0, size - 3);  // keeps the index, drops the slot
        // Slot names in brackets ("[... PICC]", "[... SAM]") differ between slots of one device.
        const std::size_t open = device.find(" [");
        if (open != std::string::npos) {
            const std::size_t close = device.find(']', open);
            if (close != std::string::npos) device.erase(open, close - open + 1);
        }
        return device;
    }
    return name;
}

bool SaysPicc(const std::string& name) {
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper.find("PICC") != std::string::npos ||
           upper.find("CONTACTLESS") != std::string::npos;
}

}  // namespace

std::vector<std::string> ContactlessSlots(const std::vector<std::string>& names) {
    std::vector<std::string> kept;
    for (const std::string& name : names) {
        const std::string device = DevicePart(name);
        bool deviceHasPicc = false;
        std::size_t slots = 0;
        for (const std::string& other : names) {
            if (DevicePart(other) != device) continue;
            ++slots;
            deviceHasPicc = deviceHasPicc || SaysPicc(other);
        }
        if (slots > 1 && deviceHasPicc && !SaysPicc(name)) continue;
        kept.push_back(name);
    }
    return kept;
}

}  // namespace cardhost::pcsc
