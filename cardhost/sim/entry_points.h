// SPDX-License-Identifier: MIT
// The reader library's 26 entry points by name, as fault rules and command counts name them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace cardhost::sim {

inline constexpr std::array<std::string_view, 26> kEntryPoints{"Sys_GetDeviceNum",
                                                               "Sys_GetHidSerialNumberStr",
                                                               "Sys_Open",
                                                               "Sys_IsOpen",
                                                               "Sys_Close",
                                                               "Sys_SetLight",
                                                               "Sys_SetBuzzer",
                                                               "Sys_SetAntenna",
                                                               "Sys_InitType",
                                                               "Sys_Transceive",
                                                               "TyA_Request",
                                                               "TyA_Anticollision",
                                                               "TyA_Select",
                                                               "TyA_Halt",
                                                               "TyA_CS_Authentication2",
                                                               "TyA_CS_Read",
                                                               "TyA_CS_Write",
                                                               "TyA_NTAG_AnticollSelect",
                                                               "TyA_NTAG_GetVersion",
                                                               "TyA_NTAG_Read",
                                                               "TyA_NTAG_FastRead",
                                                               "TyA_NTAG_Write",
                                                               "TyA_NTAG_CompWrite",
                                                               "TyA_NTAG_ReadCnt",
                                                               "TyA_NTAG_PwdAuth",
                                                               "TyA_NTAG_ReadSig"};

bool IsEntryPoint(std::string_view name);

// The largest status an entry point can return: Sys_ calls answer in 8 bits, TyA_ calls in 32
// (positive) bits. A failure must fit, or the caller would see another status, even success.
std::uint32_t LargestStatus(std::string_view entryPoint);

// Sys_IsOpen answers 1 or 0, not a status: an injected failure makes it answer 0.
inline constexpr std::string_view kIsOpen = "Sys_IsOpen";

}  // namespace cardhost::sim
