// SPDX-License-Identifier: MIT
// Which backends offer readers, and in which order.
#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>

#include <cardhost/cardhost.h>

#include "backend.h"

namespace cardhost {
namespace {

bool AlwaysThere() {
    return true;
}

// PC/SC readers come first: a real reader is what a user with one plugged in means.
constexpr BackendKind kKinds[] = {
    {"pcsc", &PcscServiceAnswers, &MakePcscBackend, &PcscProblem},
    {"sim", &AlwaysThere, &MakeSimulatorBackend, &SimulatorProblem},
};

const BackendKind* KindNamed(std::string_view name) {
    for (const BackendKind& kind : kKinds) {
        if (kind.name == name) return &kind;
    }
    return nullptr;
}

std::vector<std::string> ChosenNames() {
    std::vector<std::string> names;
    const char* setting = std::getenv("CARDHOST_BACKENDS");
    if (setting != nullptr && *setting != '\0') {
        std::istringstream list(setting);
        std::string name;
        while (std::getline(list, name, ','))
            names.push_back(name);
        return names;
    }
    for (const BackendKind& kind : kKinds) {
        if (kind.probe()) names.emplace_back(kind.name);
    }
    return names;
}

}  // namespace

std::span<const BackendKind> BackendKinds() {
    return kKinds;
}

std::vector<Backend*> ActiveBackends() {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<Backend>, std::less<>> made;
    const std::lock_guard<std::mutex> lock(mutex);

    std::vector<Backend*> backends;
    for (const std::string& name : ChosenNames()) {
        auto it = made.find(name);
        if (it == made.end()) {
            const BackendKind* kind = KindNamed(name);
            std::unique_ptr<Backend> backend = kind != nullptr ? kind->make() : nullptr;
            if (!backend) continue;  // unknown or not compiled in: offers no readers
            it = made.emplace(name, std::move(backend)).first;
        }
        backends.push_back(it->second.get());
    }
    return backends;
}

std::string_view EntryPointOf(TagCommand command) {
    switch (command) {
        case TagCommand::Raw:
            return "Sys_Transceive";
        case TagCommand::Halt:
            return "TyA_Halt";
        case TagCommand::GetVersion:
            return "TyA_NTAG_GetVersion";
        case TagCommand::Read:
            return "TyA_NTAG_Read";
        case TagCommand::FastRead:
            return "TyA_NTAG_FastRead";
        case TagCommand::Write:
            return "TyA_NTAG_Write";
        case TagCommand::CompWrite:
            return "TyA_NTAG_CompWrite";
        case TagCommand::ReadCnt:
            return "TyA_NTAG_ReadCnt";
        case TagCommand::PwdAuth:
            return "TyA_NTAG_PwdAuth";
        case TagCommand::ReadSig:
            return "TyA_NTAG_ReadSig";
    }
    return "Sys_Transceive";
}

std::string_view EntryPointOf(ClassicCommand command) {
    switch (command) {
        case ClassicCommand::Authentication:
            return "TyA_CS_Authentication2";
        case ClassicCommand::Read:
            return "TyA_CS_Read";
        case ClassicCommand::Write:
            return "TyA_CS_Write";
    }
    return "TyA_CS_Read";
}

std::vector<ReaderDescription> DescribeReaders() {
    std::vector<ReaderDescription> all;
    for (Backend* backend : ActiveBackends()) {
        // A backend that cannot list (its state damaged, its service gone) has nothing to show;
        // DescribeProblems tells why.
        try {
            std::vector<std::string> serials;
            // The device session lists readers under the vendor's ids; so does this.
            const Status listed =
                backend->ListReaders(CARDHOST_VENDOR_ID, CARDHOST_PRODUCT_ID, serials);
            if (listed != CARDHOST_OK) continue;
            for (const std::string& serial : serials)
                all.push_back(backend->Describe(serial));
        } catch (const BackendError&) {
            continue;
        }
    }
    return all;
}

std::vector<BackendProblem> DescribeProblems() {
    std::vector<BackendProblem> problems;
    for (const std::string& name : ChosenNames()) {
        const BackendKind* kind = KindNamed(name);
        if (kind == nullptr) continue;
        if (auto text = kind->problem()) problems.push_back({name, std::move(*text)});
    }
    return problems;
}

}  // namespace cardhost
