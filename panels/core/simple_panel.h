// SPDX-License-Identifier: MIT
// A panel without a window: its check boxes and fields are plain members, and what a read shows
// is kept. For the command line, benchmarks, fuzzing and tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "panel.h"

namespace tagwright::panels {

struct SimplePanel : Panel, reader::ErrorBox {
    bool autoOp = false, encrypt = false, lock = false, fromFile = false;
    bool verify = false, templates = false, counter = false, counterKey = false;
    bool lockConfiguration = false, genuineTagsOnly = false, readProtection = false;
    int authLimit = 0;
    tag::MirrorKind mirrorKind = tag::MirrorKind::None;
    std::string originalKey = "7C7C7C7C", newKey = "7C7C7C7C", pack;
    std::string content, title;
    int prefix = 0;
    bool rowAuto = true;
    std::string rowNumber = "1", filePath;
    bool readWriteEnabled = true;
    std::vector<std::string> errorBoxes;
    // What reads showed.
    std::optional<std::string> shownText, shownUrl, shownTitle;
    std::optional<int> shownPrefix;
    std::optional<std::uint32_t> shownCounter;
    std::optional<bool> shownGenuine;

    bool autoOperation() const override { return autoOp; }
    bool encryption() const override { return encrypt; }
    bool lockTag() const override { return lock; }
    bool writeFromFile() const override { return fromFile; }
    std::string originalKeyText() const override { return originalKey; }
    std::string newKeyText() const override { return newKey; }
    bool verifyWrites() const override { return verify; }
    bool expandTemplates() const override { return templates; }
    bool nfcCounter() const override { return counter; }
    bool counterByKey() const override { return counterKey; }
    bool lockConfig() const override { return lockConfiguration; }
    int attemptLimit() const override { return authLimit; }
    bool protectReads() const override { return readProtection; }
    bool genuineOnly() const override { return genuineTagsOnly; }
    std::string packText() const override { return pack; }
    tag::MirrorKind mirror() const override { return mirrorKind; }
    bool rowAutoIncrement() const override { return rowAuto; }
    std::string rowNumberText() const override { return rowNumber; }
    void SetRowNumberText(const std::string& text) override { rowNumber = text; }
    void SetFilePathText(const std::string& path) override { filePath = path; }
    std::string contentText() const override { return content; }
    void SetContentText(const std::string& text) override { content = text; }
    int prefixCode() const override { return prefix; }
    std::string titleText() const override { return title; }
    void ShowText(const std::string& text) override { shownText = text; }
    void ShowPrefix(int code) override { shownPrefix = code; }
    void ShowUrl(const std::string& url) override { shownUrl = url; }
    void ShowTitle(const std::string& t) override { shownTitle = t; }
    void ShowCounter(std::uint32_t value) override { shownCounter = value; }
    void ShowGenuine(bool isGenuine) override { shownGenuine = isGenuine; }
    void SetReadWriteEnabled(bool enabled) override { readWriteEnabled = enabled; }
    reader::ErrorBox& errorBox() override { return *this; }
    void ShowError(const std::string& text) override { errorBoxes.push_back(text); }

    void ForgetShown() {
        shownText.reset();
        shownUrl.reset();
        shownTitle.reset();
        shownPrefix.reset();
        shownCounter.reset();
        shownGenuine.reset();
    }
};

}  // namespace tagwright::panels
