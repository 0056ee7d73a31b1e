// SPDX-License-Identifier: MIT
// The program's fixed texts in Chinese and English, looked up by table, entry and language.
//
// The UI language is chosen once at start-up and stays for the life of the process.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace tagwright::text {

enum class Language : std::uint8_t { Chinese = 0, English = 1 };

enum class Table : std::uint8_t {
    Navigation,      // function-name field, by current panel value
    DeviceBar,       // device bar captions
    Label,           // captions of the function panels
    Tip,             // tooltips of the function panels
    DeviceMessage,   // device session messages
    ResultFragment,  // pieces of the reader-error text
    General,         // general messages
    Message,         // tag operation messages
    JournalColumn,   // column headers of the journal view, in the journal's column order
};

struct Entry {
    int number;
    std::string_view chinese;
    std::string_view english;
};

// The text of an entry; empty when the table has no such entry.
std::string_view Lookup(Table table, int entry, Language language);
// The same in the current UI language.
std::string_view Tr(Table table, int entry);
// Every entry of a table, in table order.
std::span<const Entry> Entries(Table table);

void SetUiLanguage(Language language);
Language UiLanguage();

// The entry's text with its "%d" replaced by the number.
std::string TrNumber(Table table, int entry, long long number);
// The entry's text with its "%s" replaced by the value.
std::string TrText(Table table, int entry, std::string_view value);
// The entry's text with "%1" to "%9" replaced by the values in that order: the languages put
// them in orders of their own.
std::string TrArgs(Table table, int entry, std::initializer_list<std::string_view> values);

// Entry numbers used in code.
namespace nav {
inline constexpr int kDeviceSetting = 0, kLanguageSetting = 1, kText = 2, kUrl = 3,
                     kSmartPoster = 4;
}
namespace bar {
inline constexpr int kDevice = 0, kSelect = 1, kOpen = 2, kClose = 3, kActionType = 4, kTips = 5;
}
namespace label {
inline constexpr int kRead = 0, kWrite = 1, kStop = 2, kLockTag = 3, kAutoOperation = 4,
                     kTextToBeWritten = 5, kTextLength = 6, kBytes = 7, kTitle = 8, kUrl = 9,
                     kWriteFromFile = 10, kFile = 11, kRowNumber = 12, kRowAutoPlus1 = 13,
                     kRowMinus1 = 14, kRowPlus1 = 15, kLoadFile = 16, kEncryption = 17,
                     kOriginalKey = 18, kNewKey = 19, kClearKey = 20, kOption = 21,
                     kJournalTitle = 22, kJournalDay = 23, kJournalBatchFile = 24,
                     kJournalExport = 25, kJournalClose = 26, kJournalFolder = 27,
                     kJournalRecords = 28, kJournalCannotRead = 29, kVerify = 30,
                     kOneRowPerTag = 31, kTemplates = 32, kErase = 33, kNfcCounter = 34,
                     kCounterByKey = 35, kLockConfig = 36, kGenuineOnly = 37, kMirror = 38,
                     kMirrorNone = 39, kMirrorUid = 40, kMirrorCounter = 41, kMirrorBoth = 42,
                     kProtectReads = 43, kPack = 44;
}
namespace tip {
inline constexpr int kAutoOperation = 1, kWriteFromFile = 2, kLockTag = 3, kEncryption = 4,
                     kNfcCounter = 5, kCounterByKey = 6, kLockConfig = 7, kAttemptLimit = 8,
                     kGenuineOnly = 9, kMirror = 10, kProtectReads = 11, kPack = 12;
}
namespace device {
inline constexpr int kPleaseSelectDevice = 0, kDeviceNotOpened = 1;
}
namespace fragment {
inline constexpr int kError = 2, kFunction = 3;
}
namespace general {
inline constexpr int kDeviceNotOpened = 0, kOpenDeviceSuccessfully = 1,
                     kCloseDeviceSuccessfully = 3, kFileLoadingSuccessfully = 16,
                     kFailedToLoadFile = 17, kNoFilesLoaded = 18, kOriginalKeyNotHex = 19,
                     kNewKeyNotHex = 20, kJournalNotWritten = 21, kBatchStoppedNoJournal = 22,
                     kJournalNotExported = 23, kPreflightCaption = 24, kPreflightIntro = 25,
                     kPreflightRow = 26, kPreflightMore = 27, kStartAnyway = 28, kCancel = 29,
                     kResumeCaption = 30, kResumeQuestion = 31, kResumeGoOn = 32,
                     kResumeAfresh = 33, kResumeAllWritten = 34, kBatchProgress = 35,
                     kPreflightIntroAnyTag = 36, kResumeOneRow = 37, kResumeOneRowOneTag = 38,
                     kResumeRowsOneTag = 39, kPackNotHex = 40;
}
namespace msg {
inline constexpr int kWaitingForCard = 7, kWaitingForRemoval = 8, kNonNtagCard = 10,
                     kReadFailedPage = 16, kWriteFailedPage = 18, kReadDataSucceed = 20,
                     kNonNdefTag = 22, kTagIsLocked = 23, kDataLengthExceeds = 24,
                     kDynamicLockAddressUnknown = 25, kLockTagSuccess = 26, kUidPrefix = 27,
                     kUnrecognizableNdef = 28, kBufferLengthNotEnough = 29,
                     kDataLengthOutOfRange = 30, kWriteDataSucceed = 31, kNoFilesLoaded = 32,
                     kRowNumberAboveZero = 33, kUnrecognizableCharacterTypes = 34,
                     kAuth0AddressUnknown = 35, kEncryptionSuccessful = 36, kPasswordCleared = 37,
                     kAuthenticationKeyFail = 38, kTagModelUnknown = 39, kPasswordIsNow = 40,
                     kTagAlreadyReceivedRow = 42, kTagAlreadyHoldsRow = 43, kPasswordIsNewKey = 44,
                     kVerifyFailedPage = 45, kTemplateError = 46, kNoPasswordSupport = 47,
                     kPagesWritten = 48, kTagErased = 49, kNoNfcCounter = 50, kNfcCounterOn = 51,
                     kCounterValue = 52, kConfigurationLocked = 53, kWrongKeysAllowed = 54,
                     kGenuineNxp = 55, kNotGenuine = 56, kWrongPack = 57, kNotWritten = 58,
                     kNoSignature = 59, kNoMirror = 60, kMirrorOn = 61, kReadsProtected = 62;
}

// Texts that are the same in every language.
inline constexpr std::string_view kErrorCaption = "Error";
inline constexpr std::string_view kLoadLibraryFailed = "Load cardhost.dll failed !";

}  // namespace tagwright::text
