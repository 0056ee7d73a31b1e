// SPDX-License-Identifier: MIT
// What one run tells the operator: the tag engine's failures and findings in the operator's
// words, written to the log feed as the run goes, and the failure its journal record keeps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "log/log_feed.h"
#include "tag/detection.h"
#include "tag/failure.h"
#include "tag/password.h"

namespace tagwright::panels {

// The text of a failure's own line ("Write faild: Page7 !", a reader call's name, ...).
std::string FailureText(const tag::Failure& failure);

// "NTAG213, UID: 04A1B2C3D4E5F6": the line that names the tag once it is identified.
std::string IdentificationLine(const tag::DetectedTag& tag);

class RunLog {
  public:
    // A new run: no failure yet.
    void Begin() {
        failureText_.clear();
        failureCode_ = 0;
    }

    void Blue(std::string_view text) { feed::AppendLog(0, text, feed::kBlue); }
    // A red line is the run's failure until a later one replaces it.
    void Red(std::string_view text, std::int32_t status = 0);
    // A red line that warns but does not fail the run.
    void Warn(std::string_view text) { feed::AppendLog(0, text, feed::kRed); }
    void Clear() { feed::ClearLog(); }

    // A step's failure: its line, then, when the password page took, which key the tag now
    // answers to (`standingKey`: the key that was being set).
    void Fail(const tag::Failure& failure, const tag::Key& standingKey = tag::kDefaultKey);
    // Which key the tag answers to. A key the operator chose is named by its field, never by its
    // digits: logs are kept and shown where keys must not be. The default key is no secret.
    void Password(const tag::Key& key, feed::Rgb colour);

    // The last red line of the run and its status: what the journal keeps of a failed run.
    const std::string& failureText() const { return failureText_; }
    std::int32_t failureCode() const { return failureCode_; }

  private:
    std::string failureText_;
    std::int32_t failureCode_ = 0;
};

}  // namespace tagwright::panels
