// SPDX-License-Identifier: MIT
#include "pcsc_deadline.h"

#include <dlfcn.h>

#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>

namespace cardhost::pcsc {
namespace {

constexpr std::chrono::milliseconds kDefaultDeadline{5000};
constexpr long kLongestDeadlineMs = 600000;

// What a call waits on: the service (a new context), a context, a card handle, a reader.
struct Keys {
    bool service = false;
    SCARDCONTEXT context = 0;
    SCARDHANDLE handle = 0;
    std::string reader;
};

struct Call {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    LONG result = SCARD_S_SUCCESS;
};

// A thread left waiting runs this library's code when its call comes back: the library must
// then still be loaded, even when the program unloads it at exit meanwhile.
void KeepLibraryLoaded() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const int anchor = 0;
        Dl_info info{};
        if (dladdr(&anchor, &info) != 0 && info.dli_fname != nullptr) {
            dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
        }
    });
}

}  // namespace

std::chrono::milliseconds CallDeadline() {
    const char* text = std::getenv("CARDHOST_PCSC_DEADLINE_MS");
    if (text == nullptr || *text == '\0') return kDefaultDeadline;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1 || value > kLongestDeadlineMs) return kDefaultDeadline;
    return std::chrono::milliseconds(value);
}

struct BoundedApi::Shared {
    struct Owner {
        SCARDCONTEXT context;
        std::string reader;
    };

    std::shared_ptr<PcscApi> api;
    std::chrono::milliseconds deadline;
    std::mutex mutex;
    bool serviceStuck = false;
    std::set<SCARDCONTEXT> stuckContexts;
    std::set<SCARDHANDLE> stuckHandles;
    std::set<std::string> stuckReaders;
    std::map<SCARDHANDLE, Owner> owners;
    // Asked for while their handle or context was stuck: done once it is free.
    std::map<SCARDHANDLE, DWORD> disconnectLater;
    std::set<SCARDCONTEXT> releaseLater;

    Keys KeysOf(SCARDHANDLE handle) {
        const std::lock_guard<std::mutex> lock(mutex);
        Keys keys;
        keys.handle = handle;
        if (const auto it = owners.find(handle); it != owners.end()) {
            keys.context = it->second.context;
            keys.reader = it->second.reader;
        }
        return keys;
    }

    bool StuckLocked(const Keys& keys) const {
        return (keys.service && serviceStuck) ||
               (keys.context != 0 && stuckContexts.count(keys.context) != 0) ||
               (keys.handle != 0 && stuckHandles.count(keys.handle) != 0) ||
               (!keys.reader.empty() && stuckReaders.count(keys.reader) != 0);
    }

    bool Stuck(const Keys& keys) {
        const std::lock_guard<std::mutex> lock(mutex);
        return StuckLocked(keys);
    }

    void MarkLocked(const Keys& keys) {
        if (keys.service) serviceStuck = true;
        if (keys.context != 0) stuckContexts.insert(keys.context);
        if (keys.handle != 0) stuckHandles.insert(keys.handle);
        if (!keys.reader.empty()) stuckReaders.insert(keys.reader);
    }

    // The call that held these keys came back: they are free, and what waited for them is done.
    void Unstick(const Keys& keys) {
        std::vector<std::pair<SCARDHANDLE, DWORD>> disconnects;
        std::vector<SCARDCONTEXT> releases;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (keys.service) serviceStuck = false;
            stuckContexts.erase(keys.context);
            stuckHandles.erase(keys.handle);
            stuckReaders.erase(keys.reader);
            for (auto it = disconnectLater.begin(); it != disconnectLater.end();) {
                const auto owner = owners.find(it->first);
                Keys waiting;
                waiting.handle = it->first;
                if (owner != owners.end()) {
                    waiting.context = owner->second.context;
                    waiting.reader = owner->second.reader;
                }
                if (StuckLocked(waiting)) {
                    ++it;
                    continue;
                }
                disconnects.emplace_back(*it);
                owners.erase(it->first);
                it = disconnectLater.erase(it);
            }
            for (auto it = releaseLater.begin(); it != releaseLater.end();) {
                if (stuckContexts.count(*it) != 0) {
                    ++it;
                    continue;
                }
                releases.push_back(*it);
                it = releaseLater.erase(it);
            }
        }
        for (const auto& [handle, disposition] : disconnects)
            api->Disconnect(handle, disposition);
        for (const SCARDCONTEXT context : releases)
            api->ReleaseContext(context);
    }
};

namespace {

// Runs `body` on a thread of its own and waits for it up to the deadline. A call that comes
// back after its caller has given up hands its result to `late` (which undoes what it made).
LONG RunBounded(const std::shared_ptr<BoundedApi::Shared>& shared, const Keys& keys,
                std::function<LONG()> body, std::function<void(LONG)> late = {}) {
    if (shared->Stuck(keys)) return SCARD_E_TIMEOUT;
    auto call = std::make_shared<Call>();
    std::thread worker([shared, call, keys, body = std::move(body), late = std::move(late)] {
        const LONG result = body();
        bool abandoned = false;
        {
            const std::lock_guard<std::mutex> lock(call->mutex);
            call->result = result;
            call->done = true;
            abandoned = call->abandoned;
        }
        call->finished.notify_one();
        if (!abandoned) return;
        if (late) late(result);
        shared->Unstick(keys);
    });
    std::unique_lock<std::mutex> lock(call->mutex);
    if (call->finished.wait_for(lock, shared->deadline, [&] { return call->done; })) {
        lock.unlock();
        worker.join();
        return call->result;
    }
    {
        // Marked before the call may see that it was given up, so that its Unstick comes after.
        const std::lock_guard<std::mutex> sharedLock(shared->mutex);
        shared->MarkLocked(keys);
    }
    call->abandoned = true;
    lock.unlock();
    KeepLibraryLoaded();
    worker.detach();
    return SCARD_E_TIMEOUT;
}

}  // namespace

BoundedApi::BoundedApi(std::shared_ptr<PcscApi> api, std::chrono::milliseconds deadline)
    : shared_(std::make_shared<Shared>()) {
    shared_->api = std::move(api);
    shared_->deadline = deadline;
}

BoundedApi::~BoundedApi() = default;

bool BoundedApi::Stuck(SCARDCONTEXT context) const {
    Keys keys;
    keys.context = context;
    return shared_->Stuck(keys);
}

LONG BoundedApi::EstablishContext(SCARDCONTEXT& context) {
    auto made = std::make_shared<SCARDCONTEXT>(0);
    Keys keys;
    keys.service = true;
    const auto api = shared_->api;
    const LONG result = RunBounded(
        shared_, keys, [api, made] { return api->EstablishContext(*made); },
        [api, made](LONG late) {
            if (late == SCARD_S_SUCCESS) api->ReleaseContext(*made);
        });
    if (result == SCARD_S_SUCCESS) context = *made;
    return result;
}

LONG BoundedApi::ReleaseContext(SCARDCONTEXT context) {
    Keys keys;
    keys.context = context;
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        if (shared_->StuckLocked(keys)) {
            shared_->releaseLater.insert(context);
            return SCARD_S_SUCCESS;
        }
    }
    const auto api = shared_->api;
    return RunBounded(shared_, keys, [api, context] { return api->ReleaseContext(context); });
}

LONG BoundedApi::ListReaders(SCARDCONTEXT context, std::vector<std::string>& readers) {
    auto names = std::make_shared<std::vector<std::string>>();
    Keys keys;
    keys.context = context;
    const auto api = shared_->api;
    const LONG result = RunBounded(
        shared_, keys, [api, context, names] { return api->ListReaders(context, *names); });
    if (result == SCARD_S_SUCCESS) readers.insert(readers.end(), names->begin(), names->end());
    return result;
}

LONG BoundedApi::ReaderState(SCARDCONTEXT context, const std::string& reader, DWORD& state) {
    auto found = std::make_shared<DWORD>(0);
    Keys keys;
    keys.context = context;
    const auto api = shared_->api;
    const LONG result = RunBounded(shared_, keys, [api, context, reader, found] {
        return api->ReaderState(context, reader, *found);
    });
    if (result == SCARD_S_SUCCESS) state = *found;
    return result;
}

LONG BoundedApi::Connect(SCARDCONTEXT context, const std::string& reader, DWORD shareMode,
                         DWORD protocols, SCARDHANDLE& card, DWORD& activeProtocol) {
    struct Made {
        SCARDHANDLE card = 0;
        DWORD protocol = 0;
    };
    auto made = std::make_shared<Made>();
    Keys keys;
    keys.context = context;
    keys.reader = reader;
    const auto api = shared_->api;
    const LONG result = RunBounded(
        shared_, keys,
        [api, context, reader, shareMode, protocols, made] {
            return api->Connect(context, reader, shareMode, protocols, made->card, made->protocol);
        },
        [api, made](LONG late) {
            if (late == SCARD_S_SUCCESS) api->Disconnect(made->card, SCARD_LEAVE_CARD);
        });
    if (result != SCARD_S_SUCCESS) return result;
    card = made->card;
    activeProtocol = made->protocol;
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->owners[card] = {context, reader};
    return result;
}

LONG BoundedApi::Reconnect(SCARDHANDLE card, DWORD shareMode, DWORD protocols, DWORD initialization,
                           DWORD& activeProtocol) {
    auto active = std::make_shared<DWORD>(0);
    const auto api = shared_->api;
    const LONG result = RunBounded(
        shared_, shared_->KeysOf(card), [api, card, shareMode, protocols, initialization, active] {
            return api->Reconnect(card, shareMode, protocols, initialization, *active);
        });
    if (result == SCARD_S_SUCCESS) activeProtocol = *active;
    return result;
}

LONG BoundedApi::Disconnect(SCARDHANDLE card, DWORD disposition) {
    const Keys keys = shared_->KeysOf(card);
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        if (shared_->StuckLocked(keys)) {
            shared_->disconnectLater[card] = disposition;
            return SCARD_S_SUCCESS;
        }
    }
    const auto api = shared_->api;
    const LONG result = RunBounded(
        shared_, keys, [api, card, disposition] { return api->Disconnect(card, disposition); });
    // Gone or going (a disconnect past its deadline still runs): no call names the handle again.
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->owners.erase(card);
    return result;
}

LONG BoundedApi::Status(SCARDHANDLE card, std::vector<std::uint8_t>& atr) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    const auto api = shared_->api;
    const LONG result = RunBounded(shared_, shared_->KeysOf(card),
                                   [api, card, bytes] { return api->Status(card, *bytes); });
    if (result == SCARD_S_SUCCESS) atr = *bytes;
    return result;
}

LONG BoundedApi::Transmit(SCARDHANDLE card, DWORD protocol, std::span<const std::uint8_t> command,
                          std::vector<std::uint8_t>& response) {
    auto answer = std::make_shared<std::vector<std::uint8_t>>();
    const std::vector<std::uint8_t> sent(command.begin(), command.end());
    const auto api = shared_->api;
    const LONG result =
        RunBounded(shared_, shared_->KeysOf(card), [api, card, protocol, sent, answer] {
            return api->Transmit(card, protocol, sent, *answer);
        });
    if (result == SCARD_S_SUCCESS) response = *answer;
    return result;
}

LONG BoundedApi::Control(SCARDHANDLE card, DWORD code, std::span<const std::uint8_t> command,
                         std::vector<std::uint8_t>& response) {
    auto answer = std::make_shared<std::vector<std::uint8_t>>();
    const std::vector<std::uint8_t> sent(command.begin(), command.end());
    const auto api = shared_->api;
    const LONG result = RunBounded(shared_, shared_->KeysOf(card), [api, card, code, sent, answer] {
        return api->Control(card, code, sent, *answer);
    });
    if (result == SCARD_S_SUCCESS) response = *answer;
    return result;
}

}  // namespace cardhost::pcsc
