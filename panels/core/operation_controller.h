// SPDX-License-Identifier: MIT
// The command machinery every function panel shares: Read, Write, Stop, Clear key, Erase and Auto
// operation, the order of the steps inside one run, and the light and buzzer feedback.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "batch_ledger.h"
#include "message_format.h"
#include "mirror_room.h"
#include "panel.h"
#include "reader/device_session.h"
#include "run_journal.h"
#include "run_log.h"
#include "tag/detection.h"
#include "tag/password.h"
#include "tag/read_back.h"
#include "timers.h"

namespace tagwright::panels {

// How one run ended.
enum class RunResult {
    Refused,    // nothing reached the tag (bad key, no reader, the reader unplugged)
    NoTag,      // the wake-up found no tag
    Skipped,    // the tag was handled already
    Failed,     // the run reported a failure (or ended silently on a lost tag)
    Succeeded,  // success feedback was given
    // "Write from file": the tag was written with its row, but the next row did not load, so
    // Auto operation stopped and no success feedback was given.
    WrittenBatchEnded,
};

inline constexpr int kAutoReadTimer = 0;
inline constexpr int kAutoWriteTimer = 1;
inline constexpr std::chrono::milliseconds kAutoPeriod{100};
inline constexpr std::chrono::milliseconds kSuccessBeepPause{110};

class OperationController {
  public:
    OperationController(PanelKind kind, Panel& panel, reader::DeviceSession& devices,
                        RowSource& rows, TimerService& timers, tag::LastProcessedUid& last,
                        reader::Sleeper sleep = reader::SleepFor);
    ~OperationController();

    // The panel's buttons.
    void OnRead();
    void OnWrite();
    void OnStop();
    void OnClearKey();
    // Gives the tag in the field its delivery state (once; never in Auto operation).
    void OnErase();

    // One operation each (what a timer tick runs).
    RunResult RunRead();
    RunResult RunWrite();
    RunResult RunClearKey();
    RunResult RunErase();

    // Hears of every run's end (for front ends that count results).
    void SetRunObserver(std::function<void(RunResult)> observer) {
        observer_ = std::move(observer);
    }
    // Receives one record per tag handled (nullptr: none kept). Not owned.
    void SetJournal(RunJournal* journal) { journal_ = journal; }
    // Hears of each page of a message write as the tag takes it (nullptr: nobody). Not owned.
    void SetWriteProgress(tag::WriteProgress* progress) { progress_ = progress; }

    // Whether a command or an Auto operation tick is under way. A front end whose event loop runs
    // during the reader calls (so that its window keeps painting) may meanwhile receive another
    // click or tick: while busy, Read, Write, Clear key, Erase and the ticks start nothing, and the
    // front end must neither destroy the panel nor switch it. Stop is always obeyed.
    bool busy() const { return busyDepth_ > 0; }
    // Hears of busy() changing, true when a command starts, false once it has ended.
    void SetBusyObserver(std::function<void(bool)> observer) {
        busyObserver_ = std::move(observer);
    }
    // Marks the controller busy for its lifetime; nested scopes count. A front end marks its own
    // reader work with one (Open and Close of the device), so that no tick starts meanwhile.
    class BusyScope {
      public:
        explicit BusyScope(OperationController& owner);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

      private:
        OperationController& owner_;
    };
    // The model of the last tag this panel identified, by Read or Write; none before the first.
    std::optional<tag::ModelCode> lastModel() const { return last_.model; }
    // The rows of the current batch by tag: one row per tag, resuming.
    BatchLedger& ledger() { return ledger_; }

  private:
    tag::TagLink Link(tag::PageWrites* writes = nullptr) const {
        return {devices_.api(), devices_.selectedHandle(), writes, progress_,
                chosenPack_ ? &*chosenPack_ : nullptr};
    }
    bool KeysUsable(bool needNewKey) const;
    // False when the run's record could not be kept and the batch stopped for it.
    bool SuccessFeedback();
    void StartAuto(int timer, RunResult (OperationController::*run)());
    // Clear key and Erase: once, with the Original key, on whatever tag is in the field.
    void RunOnceWithKey(RunResult (OperationController::*run)());
    RunResult Finish(RunResult result);
    // How a run ends whose tag was not detected; a reader that is gone also stops Auto operation.
    RunResult NotDetected(tag::DetectOutcome outcome);
    // Wake-up and selection, told to the operator as the operation requires: for Read and Write
    // the log is cleared when a new tag is found; in Auto operation an empty field is waited for
    // in blue, with the light at rest. A reader that is gone is reported as a failed reader call
    // is, in the log and in the Tips field, even in Auto operation; the log is kept then, so that
    // the last tag's lines (a page that failed half-way) stay above the error.
    tag::DetectOutcome Wake(tag::TagLink link, tag::OperationKind kind, tag::DetectedTag& tag);
    // The model, and the line that names the tag, or why it could not be identified.
    tag::DetectOutcome Identify(tag::TagLink link, tag::DetectedTag& tag);
    // What one Write reads from the panel's check boxes, once, as it starts.
    struct WriteSettings {
        bool encryption = false, lock = false, fromFile = false, verify = false;
        bool counter = false, counterByKey = false;      // the NFC counter switched on
        bool lockConfig = false;                         // with lock: CFGLCK too
        int attemptLimit = 0;                            // with encryption: AUTHLIM, 0 unchanged
        bool protectReads = false;                       // with encryption: PROT
        bool genuineOnly = false;                        // refuse a tag that is not NXP's
        tag::MirrorKind mirror = tag::MirrorKind::None;  // UID and/or counter in the URL
    };
    // One Write's tag as its steps go on.
    struct WriteRun {
        WriteSettings settings;
        tag::PageWrites written;  // the pages the tag acknowledged, for verification
        tag::DetectedTag tag;
        bool authenticated = false;
        bool messageHeld = false;  // resuming: the tag holds its row already
        RecordRoom room;           // the mirror's room in the record, which the tag fills in
        int row = 0;               // the row number, with "Write from file"
    };
    WriteSettings ReadWriteSettings() const;
    // Write on a tag whose reads are protected and which refused the original key.
    tag::Result<tag::NdefArea> OpenProtectedForWrite(tag::TagLink link, WriteRun& run);
    // After a Read: the NFC counter's line, where the tag shows it. `authenticated`: the key was
    // taken, and opens a counter it protects.
    void ShowCounter(tag::TagLink link, const tag::DetectedTag& tag, bool authenticated);
    // After a Read: whether the tag is a genuine NXP chip, where it has a signature.
    void ShowOriginality(tag::TagLink link, tag::DetectedTag& tag);
    // Before a Write with "Genuine only": false, with its red line, for a tag that is not.
    bool CheckGenuine(tag::TagLink link, tag::DetectedTag& tag);
    // The Write's steps, in their order; those that can end the run return how it ends.
    RunResult WriteSteps();
    std::optional<RunResult> IdentifyForWrite(tag::TagLink link, const tag::Key& originalKey,
                                              WriteRun& run);
    void RecordContent(const WriteRun& run, const MessageContent& content);
    // After the message: MIRROR_CONF, MIRROR_BYTE and MIRROR_PAGE for the room where the marker of
    // `marked` stood; false, with its red line, when the tag cannot mirror it.
    bool PlaceMirror(tag::TagLink link, const tag::NdefArea& area, const MessageContent& marked,
                     WriteRun& run);
    // Resuming with Encryption: a tag that refused the original key is tried with the new one,
    // which the interrupted run may have set, before any step after the message needs it.
    bool AuthenticateHeldTag(tag::TagLink link, WriteRun& run);
    std::optional<RunResult> ApplyRowCheck(tag::TagLink link, const tag::NdefArea& area,
                                           const MessageContent& content, WriteRun& run);
    // The new password and the lock, as the settings ask; false when a step failed.
    bool Protect(tag::TagLink link, WriteRun& run);
    // The journal record of the run under way.
    void BeginRecord(tag::OperationKind operation);
    bool RecordRun(bool succeeded);
    // "Write from file" after the tag was identified: whether the tag may take the current row,
    // and whether (resuming) it already holds it.
    enum class RowCheck { Write, Refuse, AlreadyHeld, AlreadyWritten };
    RunResult AdvanceAndFinish(const tag::Uid& uid, int row);
    RowCheck CheckRow(tag::TagLink link, const tag::DetectedTag& tag, const tag::NdefArea& area,
                      const MessageContent& content, bool readBack, RecordRoom room);
    // The content this tag receives: the panel's, its template fields filled in when templates
    // are on; nothing (reported) when a template cannot be expanded.
    std::optional<MessageContent> ContentFor(const tag::DetectedTag& tag);

    Panel& panel_;
    reader::DeviceSession& devices_;
    RowSource& rows_;
    TimerService& timers_;
    tag::LastProcessedUid& last_;
    reader::Sleeper sleep_;
    std::unique_ptr<MessageFormat> format_;
    std::function<void(RunResult)> observer_;
    RunJournal* journal_ = nullptr;
    tag::WriteProgress* progress_ = nullptr;
    std::optional<tag::Pack> chosenPack_;  // read from the panel as each run begins
    std::function<void(bool)> busyObserver_;
    int busyDepth_ = 0;
    BatchLedger ledger_;
    RunLog log_;
    struct InFlight {
        InFlight();  // out of line: clang wants the member initializers complete first
        HandledTag tag;
        std::chrono::steady_clock::time_point started;
        bool recorded = false;
    };
    std::optional<InFlight> inFlight_;
    std::uint64_t writtenThisRun_ = 0;  // tags written since the Write command: {n} - 1
};

}  // namespace tagwright::panels
