// The panel of tagwright-cli: its check boxes and fields come from the command line, and what a
// read shows is kept for printing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "panels/core/panel.h"

namespace tagwright::cli {

class ConsolePanel : public panels::Panel, public reader::ErrorBox {
  public:
    explicit ConsolePanel(const CliOptions& options) : o_(options), content_(options.content) {
        rowNumber_ = options.row;
    }

    bool autoOperation() const override { return o_.autoOperation; }
    bool encryption() const override { return o_.encrypt; }
    bool lockTag() const override { return o_.lock; }
    bool writeFromFile() const override { return o_.fromFile.has_value(); }
    std::string originalKeyText() const override { return o_.originalKey; }
    std::string newKeyText() const override { return o_.newKey; }
    bool rowAutoIncrement() const override { return o_.rowAuto; }
    std::string rowNumberText() const override { return rowNumber_; }
    void SetRowNumberText(const std::string& text) override { rowNumber_ = text; }
    void SetFilePathText(const std::string&) override {}

    std::string contentText() const override { return content_; }
    void SetContentText(const std::string& text) override { content_ = text; }
    int prefixCode() const override { return o_.prefixCode; }
    std::string titleText() const override { return o_.title; }

    void ShowText(const std::string& text) override { shownText = text; }
    void ShowPrefix(int code) override { shownPrefix = code; }
    void ShowUrl(const std::string& url) override { shownUrl = url; }
    void ShowTitle(const std::string& title) override { shownTitle = title; }
    void SetReadWriteEnabled(bool) override {}
    reader::ErrorBox& errorBox() override { return *this; }
    void ShowError(const std::string& text) override { errors.push_back(text); }

    void ForgetShown() {
        shownText.reset();
        shownUrl.reset();
        shownTitle.reset();
        shownPrefix.reset();
    }

    std::optional<std::string> shownText, shownUrl, shownTitle;
    std::optional<int> shownPrefix;
    std::vector<std::string> errors;

  private:
    const CliOptions& o_;
    std::string content_;
    std::string rowNumber_;
};

}  // namespace tagwright::cli
