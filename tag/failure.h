// SPDX-License-Identifier: MIT
// Why a step on a tag stopped, as a value: the front end turns it into the operator's words, and
// the journal keeps it, so that the engine itself never writes a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

namespace tagwright::tag {

enum class Problem {
    ReadFailed,          // a READ of `page` failed
    WriteFailed,         // a WRITE of `page` failed, or the message would run past page 255
    VerifyFailed,        // `page` holds other bytes than were written, or refused its password
    ReaderCall,          // the reader call named `call` failed with `status`
    NotNtag,             // no NTAG: another ATQA, or the selection failed
    ModelUnknown,        // the tag would not say its model, or declares another model's memory
    NotNdef,             // no capability container, or no NDEF TLV in page 4's block
    Locked,              // the capability container's write access is not 0x00
    BufferTooSmall,      // the tag's capacity is more than the panel's buffer takes
    NoPassword,          // the model has no password (NTAG203)
    Auth0Unknown,        // the model's configuration pages are not known
    DynamicLockUnknown,  // the model's dynamic lock page is not known
    KeyRefused,          // the tag refused the original key
    NoCounter,           // the model has no NFC counter
    NotGenuine,          // the originality signature is not NXP's
    NoSignature,         // the model has no originality signature (NTAG203)
    WrongPack,           // the tag took the key but answered with another PACK
    NoMirror,            // the model has no UID and counter mirror, or it would not fit
};

struct Failure {
    Problem problem;
    std::int32_t status = 0;
    std::uint16_t page = 0;      // with ReadFailed, WriteFailed and VerifyFailed
    const char* call = nullptr;  // with ReaderCall: the entry point's name
    // The password page took before the step stopped: the tag now answers to the key that was
    // being set, and the operator must be told so.
    bool passwordStands = false;
    // With ReadFailed: the tag itself refused the READ (a NAK), as one whose reads are
    // protected does, rather than the reader or the link failing.
    bool refused = false;
};

inline Failure PageFailure(Problem problem, std::size_t page, std::int32_t status = 0) {
    return {problem, status, static_cast<std::uint16_t>(page)};
}

inline Failure CallFailure(const char* call, std::int32_t status) {
    return {Problem::ReaderCall, status, 0, call};
}

// A step's value, or why it has none.
template <typename T>
class Result {
  public:
    Result(T value) : value_(std::move(value)) {}   // NOLINT: a value converts as it would return
    Result(Failure failure) : failure_(failure) {}  // NOLINT: so does a failure
    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // Only when there is no value.
    const Failure& failure() const { return failure_; }

  private:
    std::optional<T> value_;
    Failure failure_{Problem::ReaderCall};
};

// What a step without a value gives back: nothing when it did its work.
using Outcome = std::optional<Failure>;

}  // namespace tagwright::tag
