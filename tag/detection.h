// SPDX-License-Identifier: MIT
// Tag detection: wake and select the tag, decide whether it was handled already, check that it
// is an NTAG and name its model. Every tag operation begins here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "failure.h"
#include "ntag_model.h"
#include "reader/reader_api.h"

namespace tagwright::tag {

using Uid = std::array<std::uint8_t, 7>;

class PageWrites;

// Told, after every page of a message write, how many of its pages the tag has taken so far
// (`written` of `total`), so that a front end can show a long write moving.
class WriteProgress {
  public:
    virtual ~WriteProgress() = default;
    virtual void PagesWritten(std::size_t written, std::size_t total) = 0;
};

// The UID as 14 upper-case hex digits, as the log, the journal and templates show it.
std::string UidDigits(const Uid& uid);

// The selected reader as the tag engine sees it. With `writes` set, every page write that the
// tag acknowledges is noted there, so that the Write can be read back afterwards. With
// `progress` set, a message write reports each page it has written.
struct TagLink {
    const reader::ReaderApi& api;
    std::int32_t handle;
    PageWrites* writes = nullptr;
    WriteProgress* progress = nullptr;
    // The password acknowledge (PACK) the operator chose: written by Encryption in place of the
    // one derived from the key, and accepted from the tag besides it. Null: none chosen.
    const std::array<std::uint8_t, 2>* pack = nullptr;
};

// The last processed UID of one panel: all zero when no tag has been handled yet.
struct LastProcessedUid {
    Uid bytes{};
    // The model of the last tag identified, kept through Clear(): what a batch is checked
    // against before its first tag arrives. None before the first tag.
    std::optional<ModelCode> model;
    void Clear() { bytes.fill(0); }
    bool IsClear() const;
};

enum class OperationKind { Read, Write, ClearKey, Erase };

enum class DetectOutcome {
    NoTag,           // the wake-up request failed
    ReaderGone,      // the wake-up request failed because the reader was unplugged
    NotSelectable,   // anticollision and selection failed
    AlreadyHandled,  // same UID as the last processed one: silent
    NotNtag,         // ATQA other than 0x0044
    ReaderError,     // re-selection after a refused GET_VERSION failed
    Unrecognized,    // the tag would not say which model it is, or said one it cannot be
    Detected,        // model code and UID known
};

// How a detection step ended, and why when it did not end in Detected or AlreadyHandled.
struct Detection {
    DetectOutcome outcome;
    std::optional<Failure> failure;
};

// What one operation learns about its tag.
struct DetectedTag {
    std::array<std::uint8_t, 2> atqa{};  // of the latest wake-up
    Uid uid{};
    ModelCode model = kNtag203;
    // The tag was woken and selected again while it was identified: an authentication made
    // before is gone.
    bool reselected = false;
    // The tag accepted a PWD_AUTH in this operation, which an NTAG203 cannot answer.
    bool answeredPwdAuth = false;
};

// Wake-up, selection and same-tag test. A failed wake-up (NoTag, ReaderGone) fails as the
// TyA_Request call with its status and forgets the last UID; a failed selection is NotNtag.
// Ends in NoTag, ReaderGone, NotSelectable, AlreadyHandled, or Detected meaning "go on".
Detection WakeAndSelect(TagLink link, LastProcessedUid& last, DetectedTag& tag);

// NTAG check and the model from GET_VERSION. Only a NAK can mean NTAG203, which does not know
// GET_VERSION: the tag is selected again and asked for its signature, which every NTAG21x gives
// and NTAG203 refuses. A tag that gives it is asked for its version once more. A tag that
// answered PWD_AUTH is an NTAG21x whatever it refuses. Any other failure, or a version answer
// naming model code 0, fails as ModelUnknown with the status; a failed selection as the reader
// call. Ends in NotNtag, ReaderError, Unrecognized or Detected.
Detection IdentifyModel(TagLink link, DetectedTag& tag);

// Wake-up and selection again, after the tag refused a command. Returns 0, or the failing
// call's status with its name in `failedFunction`.
std::int32_t Reselect(TagLink link, DetectedTag& tag, const char*& failedFunction);

// Checks the capability container's data-area size (byte 2, in units of 8 bytes) against the
// model GET_VERSION named: it must be more than the next smaller model's memory and at most the
// model's own. A tag that declares another model's memory is not what it says, and its
// configuration and lock pages lie elsewhere; a tool that formats a little short or to the whole
// user memory still passes. Unknown models are not checked.
bool CapacityFitsModel(ModelCode model, std::uint8_t ccSizeByte);

// True for a status that says the reader itself is gone (unplugged), whatever the backend: no
// call reaches a tag until the reader is opened again.
bool ReaderGone(std::int32_t status);

// True for a status that carries the tag's NAK rather than a failure of the reader or the link.
bool IsNak(std::int32_t status);

inline constexpr std::uint8_t kWakeUpRequest = 0x52;

}  // namespace tagwright::tag
