// SPDX-License-Identifier: MIT
// The application core that the window and tagwright-cli share: start-up and exit, the device
// session, the one function panel that exists at a time and switching between panels, the
// restart flag of a language change. No widgets here: a front end supplies its panels, timers,
// device combo and message box through the interfaces below, and only displays and forwards.
//
// Two rules the window must keep (see docs/application-core.md):
// - A timer tick may Kill or Start its own timer (Auto operation stops itself). A QTimer must
//   therefore never be deleted inside its own timeout: stop it, and delete it later.
// - Refilling the device combo (RefreshDeviceList, StartupSelection) selects entries itself; the
//   widget's selection-changed signal must not be fed back into the session meanwhile (block it
//   with a QSignalBlocker while the session fills it).
#pragma once

#include <array>
#include <memory>
#include <optional>

#include "language_store.h"
#include "open_panel.h"
#include "panel_store.h"
#include "reader/binding.h"

namespace tagwright::app {

// Makes the widgets (or fields) and timers of a panel for the front end.
class PanelFactory {
  public:
    virtual ~PanelFactory() = default;
    virtual PanelParts Create(panels::PanelKind kind) = 0;
};

// Starts a new instance of the running program, for the restart after a language change.
class InstanceStarter {
  public:
    virtual ~InstanceStarter() = default;
    virtual bool StartNewInstance() = 0;
};

class Application {
  public:
    // Binds the reader library; tests put in one that fails.
    using Binder = bool (*)();
    Application(PanelStore& panelStore, LanguageStore& languageStore,
                Binder bind = &reader::BindReaderLibrary)
        : panelStore_(panelStore), languageStore_(languageStore), bind_(bind) {}
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up: the current panel value, the UI language (made the process's), the reader
    // library. False when the library could not be bound: the front end shows
    // text::kLoadLibraryFailed and ends without a window (Exit still runs).
    bool Start();
    // The device state (no reader selected, every slot free) over the front end's combo and
    // message box. Call after Start succeeded.
    reader::DeviceSession& AttachDevices(reader::DeviceCombo& combo, reader::ErrorBox& errors);
    reader::DeviceSession* devices() { return devices_ ? &*devices_ : nullptr; }

    // Exit: the current panel value saved, the panel and the session gone, the library unloaded.
    void Exit();

    int currentPanel() const { return currentPanel_; }
    // Shows panel `n` whatever is shown now (start-up): the shown panel is destroyed with its
    // timers and contents; 2, 3 and 4 create a fresh Text, URL or SmartPoster panel, any other
    // value none. Returns the new panel, or nullptr.
    OpenPanel* ShowPanel(int n, PanelFactory& factory);
    // The Function menu: choosing the panel already shown does nothing and returns false (what
    // was typed stays); another one becomes the current panel value and is shown.
    bool ChoosePanel(int n, PanelFactory& factory);
    OpenPanel* openPanel() { return panel_.get(); }
    // The shown panel destroyed without another (a window that closes before Exit).
    void ClosePanel() { panel_.reset(); }
    // The journal every panel shown from now on records its tags in (nullptr: none). Not owned;
    // it must outlive the panels.
    void SetJournal(TagJournal* journal) { journal_ = journal; }
    const TagJournal* journal() const { return journal_; }
    // Kept per panel kind for the whole run, whatever panels come and go.
    tag::LastProcessedUid& lastUid(panels::PanelKind kind);

    // The Set -> Language command: the value written, the restart flag set. The front end then
    // closes its window, which calls Close.
    void ChooseLanguage(text::Language language);
    bool restartRequested() const { return restart_; }
    // The window closes: when a restart was asked for, the current panel value is saved first
    // (the new instance reads it) and a new instance started; a failed start is not reported.
    void Close(InstanceStarter& starter);

  private:
    PanelStore& panelStore_;
    LanguageStore& languageStore_;
    Binder bind_;
    int currentPanel_ = kDefaultPanel;
    bool restart_ = false;
    TagJournal* journal_ = nullptr;
    std::optional<reader::DeviceSession> devices_;
    std::array<tag::LastProcessedUid, 3> lastUids_{};
    std::unique_ptr<OpenPanel> panel_;  // after devices_ and lastUids_: destroyed before them
};

// Settings that do not persist: for tagwright-cli, where the command line names the panel and
// the language, and for tests.
class FixedPanelStore : public PanelStore {
  public:
    explicit FixedPanelStore(int panel) : panel_(panel) {}
    int Load() const override { return panel_; }
    void Save(int panel) override { saved = panel; }
    std::optional<int> saved;

  private:
    int panel_;
};

class FixedLanguageStore : public LanguageStore {
  public:
    explicit FixedLanguageStore(text::Language language) : language_(language) {}
    text::Language Load() const override { return language_; }
    bool Save(text::Language language) override {
        saved = language;
        return true;
    }
    std::optional<text::Language> saved;

  private:
    text::Language language_;
};

}  // namespace tagwright::app
