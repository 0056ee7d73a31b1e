// SPDX-License-Identifier: MIT
#include "operation_controller.h"

#include "key_rules.h"
#include "log/log_feed.h"
#include "message_template.h"
#include "mirror_room.h"
#include "secrets/wipe.h"
#include "spreadsheet_source.h"
#include "tag/access_byte.h"
#include "tag/erase.h"
#include "tag/lock.h"
#include "tag/nfc_counter.h"
#include "tag/originality.h"
#include "text/text_tables.h"

namespace tagwright::panels {
namespace {

using tag::DetectOutcome;
using text::Table;

constexpr std::uint8_t kLightSignal = 2;
constexpr std::uint8_t kLightRest = 1;
constexpr std::uint8_t kSuccessBeep = 10;

RunResult FromDetection(DetectOutcome outcome) {
    switch (outcome) {
        case DetectOutcome::NoTag:
            return RunResult::NoTag;
        case DetectOutcome::ReaderGone:
            return RunResult::Refused;
        case DetectOutcome::AlreadyHandled:
            return RunResult::Skipped;
        default:
            return RunResult::Failed;
    }
}

// PWD_AUTH with the key; a refusal leaves the tag idle, so it is selected again. False when that
// selection fails (the run ends without a report), or when the tag took the key with a PACK that
// gives it away (its red line is logged).
bool AuthenticateOrReselect(tag::TagLink link, const tag::Key& key, tag::DetectedTag& tag,
                            bool& authenticated, RunLog& log) {
    const tag::AuthOutcome outcome = tag::Authenticate(link, key);
    authenticated = outcome == tag::AuthOutcome::Accepted;
    if (outcome == tag::AuthOutcome::WrongPack) {
        log.Fail(tag::Failure{tag::Problem::WrongPack});
        return false;
    }
    if (authenticated) return true;
    const char* failed = nullptr;
    return tag::Reselect(link, tag, failed) == 0;
}

}  // namespace

OperationController::OperationController(PanelKind kind, Panel& panel,
                                         reader::DeviceSession& devices, RowSource& rows,
                                         TimerService& timers, tag::LastProcessedUid& last,
                                         reader::Sleeper sleep)
    : panel_(panel),
      devices_(devices),
      rows_(rows),
      timers_(timers),
      last_(last),
      sleep_(std::move(sleep)),
      format_(MakeMessageFormat(kind)) {}

OperationController::BusyScope::BusyScope(OperationController& owner) : owner_(owner) {
    if (owner_.busyDepth_++ == 0 && owner_.busyObserver_) owner_.busyObserver_(true);
}

OperationController::BusyScope::~BusyScope() {
    if (--owner_.busyDepth_ == 0 && owner_.busyObserver_) owner_.busyObserver_(false);
}

OperationController::~OperationController() {
    // The panel's timers end with it.
    timers_.Kill(kAutoReadTimer);
    timers_.Kill(kAutoWriteTimer);
}

bool OperationController::KeysUsable(bool needNewKey) const {
    if (!KeyFromField(panel_.originalKeyText())) {
        feed::ShowStatus(text::Tr(Table::General, text::general::kOriginalKeyNotHex), feed::kRed);
        return false;
    }
    if (needNewKey && !KeyFromField(panel_.newKeyText())) {
        feed::ShowStatus(text::Tr(Table::General, text::general::kNewKeyNotHex), feed::kRed);
        return false;
    }
    // An empty PACK field means the derived one; a PACK half typed must not mean that too.
    if (!panel_.packText().empty() && !PackFromText(panel_.packText())) {
        feed::ShowStatus(text::Tr(Table::General, text::general::kPackNotHex), feed::kRed);
        return false;
    }
    return true;
}

void OperationController::StartAuto(int timer, RunResult (OperationController::*run)()) {
    panel_.SetReadWriteEnabled(false);
    timers_.Start(timer, kAutoPeriod, [this, run] {
        // A tick that falls due while a run still waits on the reader is skipped, not queued.
        if (busy()) return;
        (this->*run)();
    });
}

void OperationController::OnRead() {
    if (busy()) return;
    const BusyScope scope(*this);
    if (!devices_.ReaderReady(panel_.errorBox())) return;
    last_.Clear();
    if (panel_.autoOperation()) {
        StartAuto(kAutoReadTimer, &OperationController::RunRead);
    } else {
        RunRead();
    }
}

void OperationController::OnWrite() {
    if (busy()) return;
    const BusyScope scope(*this);
    if (!KeysUsable(panel_.encryption())) return;
    if (!devices_.ReaderReady(panel_.errorBox())) return;
    last_.Clear();
    writtenThisRun_ = 0;
    if (panel_.writeFromFile()) {
        if (!rows_.SheetLoaded()) {
            feed::ShowStatus(text::Tr(Table::General, text::general::kNoFilesLoaded), feed::kRed);
            return;
        }
        if (!rows_.CurrentRowReady()) return;  // the row's message is shown; no tag is touched
    }
    if (panel_.autoOperation()) {
        StartAuto(kAutoWriteTimer, &OperationController::RunWrite);
    } else {
        RunWrite();
    }
}

void OperationController::OnStop() {
    timers_.Kill(kAutoReadTimer);
    timers_.Kill(kAutoWriteTimer);
    panel_.SetReadWriteEnabled(true);
}

void OperationController::RunOnceWithKey(RunResult (OperationController::*run)()) {
    if (busy()) return;
    const BusyScope scope(*this);
    if (!KeysUsable(false)) return;
    if (!devices_.ReaderReady(panel_.errorBox())) return;
    // The tag in the field is handled even if it was the last one.
    last_.Clear();
    (this->*run)();
}

void OperationController::OnClearKey() {
    RunOnceWithKey(&OperationController::RunClearKey);
}

void OperationController::OnErase() {
    RunOnceWithKey(&OperationController::RunErase);
}

RunResult OperationController::NotDetected(DetectOutcome outcome) {
    // No tag can be reached until the operator opens the reader again, so Auto operation ends.
    if (outcome == DetectOutcome::ReaderGone) OnStop();
    return FromDetection(outcome);
}

tag::DetectOutcome OperationController::Wake(tag::TagLink link, tag::OperationKind kind,
                                             tag::DetectedTag& tag) {
    // Read before the reader is asked: the window's box stays live while the call runs.
    const bool autoOperation = panel_.autoOperation();
    const tag::Detection woken = tag::WakeAndSelect(link, last_, tag);
    switch (woken.outcome) {
        case DetectOutcome::ReaderGone:
            log_.Fail(*woken.failure);
            feed::ShowCallError(woken.failure->status, woken.failure->call);
            break;
        case DetectOutcome::NoTag:
            if (!autoOperation) {
                log_.Fail(*woken.failure);
                break;
            }
            log_.Clear();
            log_.Blue(text::Tr(Table::Message, text::msg::kWaitingForCard));
            link.api.Sys_SetLight(link.handle, kLightRest);
            break;
        case DetectOutcome::NotSelectable:
            if (autoOperation) log_.Clear();
            log_.Fail(*woken.failure);
            break;
        case DetectOutcome::Detected:
            if (kind != tag::OperationKind::ClearKey) log_.Clear();
            break;
        default:
            break;
    }
    return woken.outcome;
}

tag::DetectOutcome OperationController::Identify(tag::TagLink link, tag::DetectedTag& tag) {
    const tag::Detection identified = tag::IdentifyModel(link, tag);
    if (identified.failure) {
        log_.Fail(*identified.failure);
    } else {
        log_.Blue(IdentificationLine(tag));
    }
    return identified.outcome;
}

RunResult OperationController::Finish(RunResult result) {
    if (result == RunResult::Failed) RecordRun(false);
    // The tag holds its row even though the batch ends without the success feedback.
    if (result == RunResult::WrittenBatchEnded && !RecordRun(true)) result = RunResult::Failed;
    inFlight_.reset();
    if (observer_) observer_(result);
    return result;
}

OperationController::InFlight::InFlight() = default;

void OperationController::BeginRecord(tag::OperationKind operation) {
    log_.Begin();
    chosenPack_ = PackFromText(panel_.packText());
    inFlight_.reset();
    if (journal_ == nullptr) return;
    inFlight_.emplace();
    inFlight_->started = std::chrono::steady_clock::now();
    inFlight_->tag.operation = operation;
    inFlight_->tag.autoOperation = panel_.autoOperation();
}

bool OperationController::RecordRun(bool succeeded) {
    // Only a run that reached a tag is recorded: the tag's UID is kept from its selection on.
    if (!inFlight_ || inFlight_->recorded || last_.IsClear()) return true;
    HandledTag& tag = inFlight_->tag;
    tag.uid = last_.bytes;
    tag.succeeded = succeeded;
    if (!succeeded) {
        tag.failure = log_.failureText();
        tag.code = log_.failureCode();
    }
    tag.duration = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - inFlight_->started);
    inFlight_->recorded = true;
    if (journal_->Record(tag)) return true;
    // A batch from a sheet is resumed, and its tags told apart, by what the journal holds: one
    // more tag without its record could receive a row twice.
    const bool batch = tag.operation == tag::OperationKind::Write &&
                       (panel_.writeFromFile() || ledger_.uniqueTags());
    if (!batch) return true;
    log_.Red(text::Tr(Table::General, text::general::kBatchStoppedNoJournal));
    OnStop();
    return false;
}

bool OperationController::SuccessFeedback() {
    // The record is on disk before the operator is told the tag is done. A tag whose record a
    // batch could not keep gets no feedback: it stays in the field, for the resumed run to read
    // back.
    if (!RecordRun(true)) return false;
    const bool autoOperation = panel_.autoOperation();
    if (autoOperation) {
        log_.Blue(text::Tr(Table::Message, text::msg::kWaitingForRemoval));
    }
    const tag::TagLink link = Link();
    link.api.Sys_SetLight(link.handle, kLightSignal);
    link.api.Sys_SetBuzzer(link.handle, kSuccessBeep);
    sleep_(kSuccessBeepPause);
    if (!autoOperation) link.api.Sys_SetLight(link.handle, kLightRest);
    return true;
}

RunResult OperationController::RunRead() {
    const BusyScope scope(*this);
    BeginRecord(tag::OperationKind::Read);
    const tag::TagLink link = Link();
    tag::DetectedTag tag;
    DetectOutcome outcome = Wake(link, tag::OperationKind::Read, tag);
    if (outcome == DetectOutcome::Detected) outcome = Identify(link, tag);
    if (outcome != DetectOutcome::Detected) return Finish(NotDetected(outcome));
    last_.model = tag.model;
    if (inFlight_) inFlight_->tag.model = tag.model;
    auto area = tag::OpenNdefArea(link, tag.model);
    bool keyTaken = false;
    if (!area && tag::ReadsProtected(link, tag, area.failure())) {
        auto key = KeyFromField(panel_.originalKeyText());
        const secrets::WipeOnExit wipeKey(key);
        if (key) {
            area = tag::OpenWithKey(link, tag, *key);
            keyTaken = static_cast<bool>(area);
        }
    }
    if (!area) {
        log_.Fail(area.failure());
        return Finish(RunResult::Failed);
    }
    if (!format_->ReadAndShow(link, *area, panel_, log_)) return Finish(RunResult::Failed);
    // The signature first: a look-alike that refuses a later step (its counter page protected
    // against reading) would otherwise leave it idle and unchecked.
    ShowOriginality(link, tag);
    // A look-alike that refused READ_SIG was selected again, which ended the key's session.
    ShowCounter(link, tag, keyTaken && !tag.reselected);
    if (inFlight_) {
        inFlight_->tag.message = format_->lastReadText();
        inFlight_->tag.ndef = format_->lastRead();
    }
    return Finish(SuccessFeedback() ? RunResult::Succeeded : RunResult::Failed);
}

void OperationController::ShowCounter(tag::TagLink link, const tag::DetectedTag& tag,
                                      bool authenticated) {
    // The message is read and shown: a counter that cannot be read (its page protected against
    // reading, a reader call failing) is left unshown rather than failing the Read.
    const auto counter = tag::ReadNfcCounter(link, tag.model, authenticated);
    if (!counter || !*counter) return;
    log_.Blue(text::TrNumber(Table::Message, text::msg::kCounterValue, **counter));
    panel_.ShowCounter(**counter);
    if (inFlight_) inFlight_->tag.counter = **counter;
}

void OperationController::ShowOriginality(tag::TagLink link, tag::DetectedTag& tag) {
    // As the counter: a signature that cannot be read leaves the Read as it is.
    const auto genuine = tag::CheckGenuine(link, tag);
    if (!genuine || !*genuine) return;
    if (**genuine) {
        log_.Blue(text::TrText(Table::Message, text::msg::kGenuineNxp, tag::ModelName(tag.model)));
    } else {
        log_.Warn(text::Tr(Table::Message, text::msg::kNotGenuine));
    }
    panel_.ShowGenuine(**genuine);
    if (inFlight_) inFlight_->tag.genuine = **genuine;
}

bool OperationController::CheckGenuine(tag::TagLink link, tag::DetectedTag& tag) {
    const auto genuine = tag::CheckGenuine(link, tag);
    if (!genuine) {
        log_.Fail(genuine.failure());
        return false;
    }
    if (*genuine && inFlight_) inFlight_->tag.genuine = **genuine;
    if (*genuine && **genuine) return true;
    // A model without a signature cannot show that it is genuine.
    log_.Fail(tag::Failure{tag::HasSignature(tag.model) ? tag::Problem::NotGenuine
                                                        : tag::Problem::NoSignature});
    return false;
}

RunResult OperationController::RunWrite() {
    const BusyScope scope(*this);
    BeginRecord(tag::OperationKind::Write);
    const RunResult result = WriteSteps();
    if (result == RunResult::Succeeded || result == RunResult::WrittenBatchEnded) {
        ++writtenThisRun_;
    }
    return Finish(result);
}

std::optional<MessageContent> OperationController::ContentFor(const tag::DetectedTag& tag) {
    MessageContent content = ContentOf(panel_);
    if (!panel_.expandTemplates()) return content;
    TemplateValues values{tag::UidDigits(tag.uid), std::nullopt, writtenThisRun_ + 1};
    if (panel_.writeFromFile()) values.row = RowNumberValue(panel_.rowNumberText());
    // The mirror's marker is no template field: it stays for the Write to place the room.
    const bool mirror = panel_.mirror() != tag::MirrorKind::None;
    if (mirror) content.text = HoldMirrorMarker(std::move(content.text));
    for (std::string* field : {&content.text, &content.title}) {
        Expansion expanded = ExpandTemplate(*field, values);
        if (!expanded.error.empty()) {
            log_.Red(text::TrText(Table::Message, text::msg::kTemplateError, expanded.error));
            return std::nullopt;
        }
        *field = std::move(expanded.text);
    }
    if (mirror) content.text = ReleaseMirrorMarker(std::move(content.text));
    return content;
}

OperationController::RowCheck OperationController::CheckRow(tag::TagLink link,
                                                            const tag::DetectedTag& tag,
                                                            const tag::NdefArea& area,
                                                            const MessageContent& content,
                                                            bool readBack, RecordRoom room) {
    const int row = RowNumberValue(panel_.rowNumberText());
    const auto received = ledger_.RowOf(tag.uid);
    if (readBack && ledger_.ReceivedLastRow(tag.uid)) {
        // The journal has this tag with its row: only the feedback was lost.
        log_.Blue(text::TrNumber(Table::Message, text::msg::kTagAlreadyHoldsRow, *received));
        if (inFlight_) inFlight_->tag.row = *received;
        return RowCheck::AlreadyWritten;
    }
    if (received && ledger_.uniqueTags()) {
        log_.Red(text::TrNumber(Table::Message, text::msg::kTagAlreadyReceivedRow, *received));
        return RowCheck::Refuse;
    }
    if (readBack) {
        // Possibly the tag in flight when the batch was interrupted: written, not yet recorded.
        const auto stored = ReadStoredRecord(link, area, log_);
        if (stored && SameBesidesRoom(*stored, format_->BuildRecord(content), room)) {
            log_.Blue(text::TrNumber(Table::Message, text::msg::kTagAlreadyHoldsRow, row));
            return RowCheck::AlreadyHeld;
        }
    }
    return RowCheck::Write;
}

OperationController::WriteSettings OperationController::ReadWriteSettings() const {
    WriteSettings settings{panel_.encryption(),   panel_.lockTag(),      panel_.writeFromFile(),
                           panel_.verifyWrites(), panel_.nfcCounter(),   panel_.counterByKey(),
                           panel_.lockConfig(),   panel_.attemptLimit(), panel_.protectReads(),
                           panel_.genuineOnly(),  panel_.mirror()};
    // A mirrored counter that does not count would show 000000 for ever.
    if (settings.mirror == tag::MirrorKind::Counter || settings.mirror == tag::MirrorKind::Both) {
        settings.counter = true;
    }
    return settings;
}

std::optional<RunResult> OperationController::IdentifyForWrite(tag::TagLink link,
                                                               const tag::Key& originalKey,
                                                               WriteRun& run) {
    tag::DetectedTag& tag = run.tag;
    DetectOutcome outcome = Wake(link, tag::OperationKind::Write, tag);
    if (outcome != DetectOutcome::Detected) return NotDetected(outcome);
    // Authentication is attempted, not required: an unprotected tag is written all the same.
    if (!AuthenticateOrReselect(link, originalKey, tag, run.authenticated, log_)) {
        return RunResult::Failed;
    }
    tag.answeredPwdAuth = run.authenticated;
    outcome = Identify(link, tag);
    if (outcome != DetectOutcome::Detected) return FromDetection(outcome);
    last_.model = tag.model;
    // Identifying the tag may have selected it again, which ends its authentication.
    if (run.authenticated && tag.reselected &&
        !AuthenticateOrReselect(link, originalKey, tag, run.authenticated, log_)) {
        return RunResult::Failed;
    }
    return std::nullopt;
}

void OperationController::RecordContent(const WriteRun& run, const MessageContent& content) {
    if (!inFlight_) return;
    HandledTag& record = inFlight_->tag;
    record.model = run.tag.model;
    record.message = format_->DescribeContent(content);
    record.ndef = format_->BuildRecord(content);
    record.encryption = run.settings.encryption;
    record.lock = run.settings.lock;
    record.mirror = run.settings.mirror;
    if (run.settings.encryption) record.key = KeyFromField(panel_.newKeyText());
    if (run.settings.fromFile) record.row = run.row;
}

std::optional<RunResult> OperationController::ApplyRowCheck(tag::TagLink link,
                                                            const tag::NdefArea& area,
                                                            const MessageContent& content,
                                                            WriteRun& run) {
    switch (CheckRow(link, run.tag, area, content, ledger_.TakeReadBack(), run.room)) {
        case RowCheck::Refuse:
            return RunResult::Failed;
        case RowCheck::AlreadyWritten:
            if (inFlight_) {
                // The record says what the tag holds, not the row it was offered.
                inFlight_->tag.readBack = true;
                inFlight_->tag.message.clear();
                inFlight_->tag.ndef.clear();
            }
            return SuccessFeedback() ? RunResult::Succeeded : RunResult::Failed;
        case RowCheck::AlreadyHeld:
            if (inFlight_) inFlight_->tag.readBack = true;
            if (!run.settings.encryption && !run.settings.lock && !run.settings.counter &&
                !run.settings.counterByKey && run.settings.mirror == tag::MirrorKind::None) {
                return AdvanceAndFinish(run.tag.uid, run.row);
            }
            // The interrupted run may have ended between the message and its password, counter or
            // lock:
            // those steps are done again, so that the tag is not left open.
            run.messageHeld = true;
            return std::nullopt;
        case RowCheck::Write:
            return std::nullopt;
    }
    return std::nullopt;
}

tag::Result<tag::NdefArea> OperationController::OpenProtectedForWrite(tag::TagLink link,
                                                                      WriteRun& run) {
    // The tag refused the original key, and its reads are protected. A resumed batch's tag may
    // answer to the New key already, set by the interrupted run; otherwise the key is wrong.
    if (!run.settings.encryption) return tag::Failure{tag::Problem::KeyRefused};
    tag::Key newKey = *KeyFromField(panel_.newKeyText());
    const secrets::WipeOnExit wipeNewKey(newKey);
    auto area =
        tag::OpenWithKey(link, run.tag, newKey, tag::AreaUse::Write, format_->capacityLimit());
    run.authenticated = static_cast<bool>(area);
    return area;
}

bool OperationController::AuthenticateHeldTag(tag::TagLink link, WriteRun& run) {
    if (!run.settings.encryption || !run.messageHeld || run.authenticated) return true;
    // A tag that refused the original key may answer to the new one already, set by the
    // interrupted run.
    tag::Key newKey = *KeyFromField(panel_.newKeyText());
    const secrets::WipeOnExit wipeNewKey(newKey);
    return AuthenticateOrReselect(link, newKey, run.tag, run.authenticated, log_);
}

bool OperationController::Protect(tag::TagLink link, WriteRun& run) {
    if (run.settings.encryption) {
        tag::Key newKey = *KeyFromField(panel_.newKeyText());
        const secrets::WipeOnExit wipeNewKey(newKey);
        const tag::Protection protection =
            run.settings.protectReads ? tag::Protection::ReadsAndWrites : tag::Protection::Writes;
        if (auto failure = tag::SetPassword(link, run.tag.model, newKey, protection)) {
            log_.Fail(*failure, newKey);
            return false;
        }
        log_.Password(newKey, feed::kBlue);
        if (run.settings.protectReads) {
            log_.Blue(text::Tr(Table::Message, text::msg::kReadsProtected));
        }
        if (run.settings.attemptLimit > 0) {
            const auto limit = static_cast<std::uint8_t>(run.settings.attemptLimit);
            if (auto failure = tag::SetAttemptLimit(link, run.tag.model, limit)) {
                failure->passwordStands = true;
                log_.Fail(*failure, newKey);
                return false;
            }
            log_.Blue(text::TrNumber(Table::Message, text::msg::kWrongKeysAllowed, limit));
        }
        log_.Blue(text::Tr(Table::Message, text::msg::kEncryptionSuccessful));
    }
    // After the password, which leaves the tag authenticated under the key it now has.
    if (run.settings.counter || run.settings.counterByKey) {
        if (auto failure = tag::EnableNfcCounter(link, run.tag.model, run.settings.counterByKey)) {
            log_.Fail(*failure);
            return false;
        }
        log_.Blue(text::Tr(Table::Message, text::msg::kNfcCounterOn));
    }
    if (!run.settings.lock) return true;
    if (auto failure = tag::LockTag(link, run.tag.model)) {
        log_.Fail(*failure);
        return false;
    }
    log_.Blue(text::Tr(Table::Message, text::msg::kLockTagSuccess));
    if (!run.settings.lockConfig) return true;
    // Last: the configuration the steps before set stays as it is.
    if (auto failure = tag::LockConfiguration(link, run.tag.model)) {
        log_.Fail(*failure);
        return false;
    }
    log_.Blue(text::Tr(Table::Message, text::msg::kConfigurationLocked));
    return true;
}

RunResult OperationController::WriteSteps() {
    WriteRun run;
    run.settings = ReadWriteSettings();
    const WriteSettings& settings = run.settings;
    if (!KeysUsable(settings.encryption)) return RunResult::Refused;
    if (settings.fromFile && !rows_.CurrentRowReady()) {
        // The content field does not hold a row: writing it would erase the tag.
        OnStop();
        return RunResult::Refused;
    }
    tag::Key originalKey = *KeyFromField(panel_.originalKeyText());
    const secrets::WipeOnExit wipeOriginalKey(originalKey);

    // With verification on, every page the tag acknowledges is noted, to be read back at the end;
    // the password and lock steps read back their own pages whether it is on or not.
    const tag::TagLink link = Link(settings.verify ? &run.written : nullptr);
    if (const auto ended = IdentifyForWrite(link, originalKey, run)) return *ended;
    // Before anything is written: the model must be able to mirror what the URL is to carry.
    if (!tag::CanMirror(run.tag.model, settings.mirror)) {
        if (inFlight_) inFlight_->tag.model = run.tag.model;
        log_.Fail(tag::Failure{tag::Problem::NoMirror});
        return RunResult::Failed;
    }
    if (settings.genuineOnly) {
        if (inFlight_) inFlight_->tag.model = run.tag.model;
        if (!CheckGenuine(link, run.tag)) return RunResult::Failed;
    }

    const auto marked = ContentFor(run.tag);
    if (!marked) return RunResult::Failed;
    // With the mirror on, the tag holds the room where the marker stands; the tag fills it in.
    const MessageContent content = settings.mirror == tag::MirrorKind::None
                                       ? *marked
                                       : WithMirrorRoom(*marked, settings.mirror);
    auto area =
        tag::OpenNdefArea(link, run.tag.model, tag::AreaUse::Write, format_->capacityLimit());
    if (!area && !run.authenticated && tag::ReadsProtected(link, run.tag, area.failure())) {
        area = OpenProtectedForWrite(link, run);
    }
    if (!area) {
        log_.Fail(area.failure());
        return RunResult::Failed;
    }
    run.row = RowNumberValue(panel_.rowNumberText());
    if (settings.mirror != tag::MirrorKind::None) {
        run.room = RoomInRecord(*format_, *marked, settings.mirror);
    }
    RecordContent(run, content);
    if (settings.fromFile) {
        if (const auto ended = ApplyRowCheck(link, *area, content, run)) return *ended;
    }
    if (!AuthenticateHeldTag(link, run)) return RunResult::Failed;
    // A mirror an earlier Write set would overlay this message.
    if (settings.mirror == tag::MirrorKind::None) {
        if (auto failure = tag::ClearMirror(link, run.tag.model)) {
            log_.Fail(*failure);
            return RunResult::Failed;
        }
    }
    if (!run.messageHeld && !format_->BuildAndWrite(link, *area, content, log_)) {
        return RunResult::Failed;
    }
    if (settings.mirror != tag::MirrorKind::None && !PlaceMirror(link, *area, *marked, run)) {
        return RunResult::Failed;
    }
    if (!Protect(link, run)) return RunResult::Failed;
    // A tag that kept other bytes than it acknowledged is a failure: its row stays for the next.
    if (const auto failure =
            settings.verify ? tag::VerifyWrites(link, run.tag.model, run.written) : std::nullopt) {
        log_.Fail(*failure);
        if (inFlight_) inFlight_->tag.verifyFailed = true;
        return RunResult::Failed;
    }
    if (!settings.fromFile) return SuccessFeedback() ? RunResult::Succeeded : RunResult::Failed;
    return AdvanceAndFinish(run.tag.uid, run.row);
}

bool OperationController::PlaceMirror(tag::TagLink link, const tag::NdefArea& area,
                                      const MessageContent& marked, WriteRun& run) {
    const tag::MirrorKind kind = run.settings.mirror;
    const std::size_t address = MirrorAddress(*format_, marked, kind, area.ndefOffset);
    if (auto failure = tag::SetMirror(link, run.tag.model, kind, address)) {
        log_.Fail(*failure);
        return false;
    }
    // The tag answers the room's bytes with its UID and counter: not what was written there.
    run.written.Skip(address, tag::MirrorRoom(kind));
    log_.Blue(text::TrText(Table::Message, text::msg::kMirrorOn, MirrorName(kind)));
    return true;
}

RunResult OperationController::AdvanceAndFinish(const tag::Uid& uid, int row) {
    // The record is kept before the row moves on. When it cannot be, the batch stops on the row
    // this tag holds, and the next Write reads the tag back first: given the next row, the tag
    // would lose this one, which would then be on no tag and in no record.
    if (!RecordRun(true)) {
        ledger_.ExpectTagInFlight();
        return RunResult::Failed;
    }
    ledger_.Received(uid, row);
    if (!rows_.AdvanceAfterWrite()) {
        // The tag holds its row, but further tags would only receive an empty message, so the
        // batch ends here.
        OnStop();
        return RunResult::WrittenBatchEnded;
    }
    return SuccessFeedback() ? RunResult::Succeeded : RunResult::Failed;
}

RunResult OperationController::RunClearKey() {
    const BusyScope scope(*this);
    BeginRecord(tag::OperationKind::ClearKey);
    auto key = KeyFromField(panel_.originalKeyText());
    const secrets::WipeOnExit wipeKey(key);
    if (!key) return Finish(RunResult::Refused);
    if (inFlight_) inFlight_->tag.key = key;
    last_.Clear();
    const tag::TagLink link = Link();
    tag::DetectedTag tag;
    if (Wake(link, tag::OperationKind::ClearKey, tag) != DetectOutcome::Detected) {
        return Finish(RunResult::Failed);
    }
    if (auto failure = tag::AuthenticateOrFail(link, *key)) {
        log_.Fail(*failure);
        return Finish(RunResult::Failed);
    }
    tag.answeredPwdAuth = true;
    if (Identify(link, tag) != DetectOutcome::Detected) return Finish(RunResult::Failed);
    if (auto failure = tag::ClearProtection(link, tag, *key)) {
        log_.Fail(*failure, tag::kDefaultKey);
        return Finish(RunResult::Failed);
    }
    log_.Password(tag::kDefaultKey, feed::kBlue);
    log_.Blue(text::Tr(Table::Message, text::msg::kPasswordCleared));
    return Finish(SuccessFeedback() ? RunResult::Succeeded : RunResult::Failed);
}

RunResult OperationController::RunErase() {
    const BusyScope scope(*this);
    BeginRecord(tag::OperationKind::Erase);
    auto key = KeyFromField(panel_.originalKeyText());
    const secrets::WipeOnExit wipeKey(key);
    if (!key) return Finish(RunResult::Refused);
    if (inFlight_) inFlight_->tag.key = key;
    const tag::TagLink link = Link();
    WriteRun run;
    if (const auto ended = IdentifyForWrite(link, *key, run)) return Finish(*ended);
    if (inFlight_) inFlight_->tag.model = run.tag.model;
    const auto erased = tag::EraseTag(link, run.tag, run.authenticated, *key);
    if (!erased) {
        // A tag whose reads are protected refused its first READ: the key was wrong.
        if (!run.authenticated && tag::ReadsProtected(link, run.tag, erased.failure())) {
            log_.Fail(tag::Failure{tag::Problem::KeyRefused});
            return Finish(RunResult::Failed);
        }
        log_.Fail(erased.failure(), tag::kDefaultKey);
        return Finish(RunResult::Failed);
    }
    if (erased->protectionCleared) log_.Password(tag::kDefaultKey, feed::kBlue);
    // An erased tag holds no row of the batch any more: it may receive one again.
    ledger_.Forget(run.tag.uid);
    log_.Blue(text::Tr(Table::Message, text::msg::kTagErased));
    return Finish(SuccessFeedback() ? RunResult::Succeeded : RunResult::Failed);
}

}  // namespace tagwright::panels
