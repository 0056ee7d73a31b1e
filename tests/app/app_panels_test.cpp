// SPDX-License-Identifier: MIT
// The application core on the simulated reader: start-up from the settings, one function panel
// at a time, switching panels, exit, and the restart after a language change.
#include <gtest/gtest.h>

#include <fstream>

#include "app/application.h"
#include "app/production_run.h"
#include "panels/core/simple_panel.h"
#include "support/sim_env.h"
#include "tag/detection.h"
#include "testing/manual_timers.h"
#include "testing/recording_sink.h"

namespace tagwright {
namespace {

using panels::PanelKind;

// Timers that say when they are gone and what was killed.
struct WatchedTimers : testing::ManualTimers {
    explicit WatchedTimers(int& alive) : alive_(alive) { ++alive_; }
    ~WatchedTimers() override { --alive_; }
    int& alive_;
};

// Panels without widgets; remembers what it made.
struct RecordingFactory : app::PanelFactory {
    app::PanelParts Create(PanelKind kind) override {
        auto panel = std::make_unique<panels::SimplePanel>();
        auto timers = std::make_unique<WatchedTimers>(timersAlive);
        lastPanel = panel.get();
        lastTimers = timers.get();
        made.push_back(kind);
        return {std::move(panel), std::move(timers)};
    }
    std::vector<PanelKind> made;
    panels::SimplePanel* lastPanel = nullptr;
    WatchedTimers* lastTimers = nullptr;
    int timersAlive = 0;
};

struct CountingStarter : app::InstanceStarter {
    explicit CountingStarter(const app::FixedPanelStore& s) : store(s) {}
    bool StartNewInstance() override {
        ++starts;
        savedBeforeStart = store.saved;
        return true;
    }
    const app::FixedPanelStore& store;
    int starts = 0;
    std::optional<int> savedBeforeStart;
};

struct NoQuestions : app::ProductionQuestions {
    bool Ask(const app::Question&) override { return true; }
};

struct NoBoxes : reader::ErrorBox {
    void ShowError(const std::string& text) override { boxes.push_back(text); }
    std::vector<std::string> boxes;
};

class ApplicationCore : public testing::SimEnvironment {
  protected:
    // Start-up as the window runs it, up to the first panel.
    app::OpenPanel* StartWith(int curMenu, text::Language language = text::Language::English) {
        panelStore.emplace(curMenu);
        languageStore.emplace(language);
        application.emplace(*panelStore, *languageStore);
        EXPECT_TRUE(application->Start());
        reader::DeviceSession& devices = application->AttachDevices(combo, boxes);
        devices.StartupSelection();
        return application->ShowPanel(application->currentPanel(), factory);
    }
    void OpenReader() {
        application->devices()->Open();
        ASSERT_TRUE(boxes.boxes.empty());
    }

    testing::RecordingSink sink;
    reader::ListDeviceCombo combo;
    NoBoxes boxes;
    RecordingFactory factory;
    std::optional<app::FixedPanelStore> panelStore;
    std::optional<app::FixedLanguageStore> languageStore;
    std::optional<app::Application> application;
};

TEST_F(ApplicationCore, StartUpShowsTheSavedPanelInTheSavedLanguage) {
    for (int curMenu : {2, 3, 4}) {
        factory.made.clear();
        app::OpenPanel* shown = StartWith(curMenu, text::Language::Chinese);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(int(shown->kind()), curMenu);
        EXPECT_EQ(factory.made, std::vector<PanelKind>{PanelKind(curMenu)});
        EXPECT_EQ(text::UiLanguage(), text::Language::Chinese);
        EXPECT_EQ(application->devices()->selectedIndex(), 0) << "the first reader preselected";
        application->Exit();
        EXPECT_EQ(panelStore->saved, curMenu);
    }
    StartWith(3, text::Language::English);
    EXPECT_EQ(text::UiLanguage(), text::Language::English);
    application->Exit();
}

TEST_F(ApplicationCore, AValueThatNamesNoPanelShowsNoneAndIsSavedUnchanged) {
    EXPECT_EQ(StartWith(7), nullptr);
    EXPECT_TRUE(factory.made.empty());
    EXPECT_EQ(application->openPanel(), nullptr);
    application->Exit();
    EXPECT_EQ(panelStore->saved, 7);
}

TEST_F(ApplicationCore, SwitchingKeepsTheSamePanelAndRecreatesAnother) {
    ASSERT_NE(StartWith(3), nullptr);
    panels::SimplePanel* first = factory.lastPanel;
    first->content = "typed by hand";

    EXPECT_FALSE(application->ChoosePanel(3, factory)) << "the panel already shown";
    EXPECT_EQ(factory.made.size(), 1u);
    EXPECT_EQ(&application->openPanel()->panel(), first);
    EXPECT_EQ(first->content, "typed by hand");

    EXPECT_TRUE(application->ChoosePanel(4, factory));
    EXPECT_EQ(application->currentPanel(), 4);
    EXPECT_EQ(application->openPanel()->kind(), PanelKind::SmartPoster);
    EXPECT_EQ(factory.timersAlive, 1) << "the URL panel's timers went with it";

    EXPECT_TRUE(application->ChoosePanel(3, factory));
    EXPECT_EQ(factory.made,
              (std::vector<PanelKind>{PanelKind::Url, PanelKind::SmartPoster, PanelKind::Url}));
    EXPECT_TRUE(factory.lastPanel->content.empty()) << "coming back gives a fresh panel";
    application->Exit();
    EXPECT_EQ(panelStore->saved, 3);
    EXPECT_EQ(factory.timersAlive, 0);
}

TEST_F(ApplicationCore, AutoOperationEndsWithItsPanelAndTheLastUidStaysWithTheKind) {
    ASSERT_NE(StartWith(2), nullptr);
    OpenReader();
    factory.lastPanel->autoOp = true;
    application->openPanel()->controller().OnRead();
    ASSERT_TRUE(factory.lastTimers->Running(0)) << "Auto operation reads on timer 0";
    ASSERT_TRUE(application->ChoosePanel(3, factory));
    EXPECT_EQ(factory.timersAlive, 1) << "the Text panel's timers are gone";
    EXPECT_FALSE(factory.lastTimers->AnyRunning()) << "the fresh URL panel runs nothing";

    ASSERT_TRUE(application->ChoosePanel(2, factory));
    factory.lastPanel->content = "first";
    application->openPanel()->controller().OnWrite();
    tag::LastProcessedUid& textUid = application->lastUid(PanelKind::Text);
    ASSERT_FALSE(textUid.IsClear()) << "the write handled the tag " << FieldUid();
    const tag::Uid handled = textUid.bytes;
    EXPECT_TRUE(application->lastUid(PanelKind::Url).IsClear()) << "one UID per panel kind";

    ASSERT_TRUE(application->ChoosePanel(3, factory));
    ASSERT_TRUE(application->ChoosePanel(2, factory));
    EXPECT_EQ(&application->lastUid(PanelKind::Text), &textUid);
    EXPECT_EQ(textUid.bytes, handled) << "kept for the whole run, past the panel";
    application->Exit();
}

TEST_F(ApplicationCore, ALanguageChangeWritesTheSettingAndRestartsOnClose) {
    ASSERT_NE(StartWith(4), nullptr);
    CountingStarter starter(*panelStore);
    application->Close(starter);
    EXPECT_EQ(starter.starts, 0) << "an ordinary close starts nothing";

    application->ChooseLanguage(text::Language::Chinese);
    EXPECT_EQ(languageStore->saved, text::Language::Chinese);
    EXPECT_TRUE(application->restartRequested());
    EXPECT_EQ(text::UiLanguage(), text::Language::English) << "this instance keeps its language";
    application->Close(starter);
    EXPECT_EQ(starter.starts, 1);
    EXPECT_EQ(starter.savedBeforeStart, 4) << "the new instance finds this panel";
    application->Exit();
}

TEST_F(ApplicationCore, ChoosingTheCurrentLanguageRestartsAllTheSame) {
    ASSERT_NE(StartWith(2, text::Language::English), nullptr);
    application->ChooseLanguage(text::Language::English);
    CountingStarter starter(*panelStore);
    application->Close(starter);
    EXPECT_EQ(starter.starts, 1);
    application->Exit();
}

}  // namespace
}  // namespace tagwright

namespace tagwright {
namespace {

// With one row per tag, a tag that received a row of one sheet takes a row of the next sheet
// chosen: another sheet is another batch.
TEST_F(ApplicationCore, AnotherSheetIsAnotherBatch) {
    app::OpenPanel* shown = StartWith(2);
    OpenReader();
    shown->controller().ledger().SetUniqueTags(true);
    panels::SimplePanel& panel = *factory.lastPanel;
    panel.fromFile = true;
    NoQuestions questions;
    for (const char* sheet : {"first", "second"}) {
        SCOPED_TRACE(sheet);
        const std::filesystem::path path = directory() / (std::string(sheet) + ".csv");
        std::ofstream(path) << sheet << " row\n";
        panel.rowNumber = "1";
        app::ChooseSheet(*shown, path, nullptr, questions);
        ASSERT_EQ(panel.content, std::string(sheet) + " row");
        sink.lines.clear();
        shown->controller().OnWrite();
        // The one row written, the batch ends at the sheet's end.
        const auto lines = sink.Texts();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], "Write data succeed: " + std::string(sheet) + " row");
    }
    application->Exit();
}

}  // namespace
}  // namespace tagwright
