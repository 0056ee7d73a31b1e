// SPDX-License-Identifier: MIT
#include "application.h"

namespace tagwright::app {

namespace {

bool IsPanelKind(int n) {
    return n == int(panels::PanelKind::Text) || n == int(panels::PanelKind::Url) ||
           n == int(panels::PanelKind::SmartPoster);
}

}  // namespace

Application::~Application() {
    panel_.reset();
}

bool Application::Start() {
    currentPanel_ = panelStore_.Load();
    // The language index is Chinese while the setting is read.
    text::SetUiLanguage(text::Language::Chinese);
    text::SetUiLanguage(languageStore_.Load());
    return bind_();
}

reader::DeviceSession& Application::AttachDevices(reader::DeviceCombo& combo,
                                                  reader::ErrorBox& errors) {
    return AttachDevices(combo, errors, reader::Reader(), reader::SleepFor);
}

reader::DeviceSession& Application::AttachDevices(reader::DeviceCombo& combo,
                                                  reader::ErrorBox& errors,
                                                  const reader::ReaderApi& api,
                                                  reader::Sleeper sleep) {
    panel_.reset();  // a panel reaches the reader through the session it was made with
    devices_.emplace(api, combo, errors, std::move(sleep));
    return *devices_;
}

void Application::Exit() {
    panelStore_.Save(currentPanel_);
    panel_.reset();
    devices_.reset();
    reader::UnbindReaderLibrary();
}

OpenPanel* Application::ShowPanel(int n, PanelFactory& factory) {
    panel_.reset();  // the panel, its timers and everything typed into it
    if (!IsPanelKind(n) || !devices_) return nullptr;
    const auto kind = panels::PanelKind(n);
    panel_ =
        std::make_unique<OpenPanel>(kind, factory.Create(kind), *devices_, lastUid(kind), journal_);
    return panel_.get();
}

bool Application::ChoosePanel(int n, PanelFactory& factory) {
    if (n == currentPanel_) return false;
    currentPanel_ = n;
    ShowPanel(n, factory);
    return true;
}

tag::LastProcessedUid& Application::lastUid(panels::PanelKind kind) {
    return lastUids_.at(std::size_t(int(kind) - int(panels::PanelKind::Text)));
}

void Application::ChooseLanguage(text::Language language) {
    languageStore_.Save(language);
    restart_ = true;  // even when the language is the current one
}

void Application::Close(InstanceStarter& starter) {
    if (!restart_) return;
    panelStore_.Save(currentPanel_);
    starter.StartNewInstance();
}

}  // namespace tagwright::app
