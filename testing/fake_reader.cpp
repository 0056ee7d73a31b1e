// SPDX-License-Identifier: MIT
#include "fake_reader.h"

#include <algorithm>

namespace tagwright::testing {
namespace {

FakeTag* g_tag = nullptr;

int32_t Request(int32_t, uint8_t, uint8_t* atqa) {
    ++g_tag->requests;
    if (g_tag->requestStatus == 0) std::copy(g_tag->atqa.begin(), g_tag->atqa.end(), atqa);
    return g_tag->requestStatus;
}

int32_t Select(int32_t, uint8_t* uid, uint8_t* length) {
    if (g_tag->selectStatus == 0) {
        std::copy(g_tag->uid.begin(), g_tag->uid.end(), uid);
        *length = 7;
    }
    return g_tag->selectStatus;
}

int32_t Version(int32_t, uint8_t* version, uint8_t* length) {
    const auto call = static_cast<std::size_t>(g_tag->versionCalls++);
    const int32_t status =
        call < g_tag->versionStatuses.size() ? g_tag->versionStatuses[call] : g_tag->versionStatus;
    if (status == 0) {
        std::copy(g_tag->version.begin(), g_tag->version.end(), version);
        *length = 8;
    }
    return status;
}

int32_t Signature(int32_t, uint8_t* signature, uint8_t* length) {
    ++g_tag->signatureCalls;
    if (g_tag->signatureStatus == 0) {
        std::fill_n(signature, 32, uint8_t{0x5A});
        *length = 32;
    }
    return g_tag->signatureStatus;
}

uint8_t Light(int32_t, uint8_t state) {
    g_tag->lights.push_back(state);
    return 0;
}

}  // namespace

reader::ReaderApi FakeReaderApi(FakeTag& tag) {
    g_tag = &tag;
    reader::ReaderApi api;
    api.TyA_Request = Request;
    api.TyA_NTAG_AnticollSelect = Select;
    api.TyA_NTAG_GetVersion = Version;
    api.TyA_NTAG_ReadSig = Signature;
    api.Sys_SetLight = Light;
    return api;
}

}  // namespace tagwright::testing
