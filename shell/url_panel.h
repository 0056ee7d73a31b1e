// SPDX-License-Identifier: MIT
// The NFC URL panel (prefix list and URL field) and the SmartPoster panel, which adds the Title
// field above them; both over the shared option and file groups.
#pragma once

#include <QComboBox>
#include <QLineEdit>

#include "function_panel.h"
#include "menu_fields.h"

namespace tagwright::shell {

class UrlPanel : public FunctionPanel {
    Q_OBJECT
  public:
    UrlPanel(QWidget* parent, Dialogs dialogs) : UrlPanel(parent, std::move(dialogs), false) {}

    std::string contentText() const override { return url_->text().toStdString(); }
    void SetContentText(const std::string& text) override;
    int prefixCode() const override;
    void ShowPrefix(int code) override;
    void ShowUrl(const std::string& url) override { SetContentText(url); }
    tag::MirrorKind mirror() const override;

    QComboBox& prefixList() { return *prefix_; }
    QComboBox& mirrorList() { return *mirror_; }
    MenuLineEdit& urlField() { return *url_; }

  protected:
    UrlPanel(QWidget* parent, Dialogs dialogs, bool withTitle);
    MenuLineEdit* title_ = nullptr;

  private:
    QComboBox* prefix_;
    MenuLineEdit* url_;
    QComboBox* mirror_;
};

class SmartPosterPanel : public UrlPanel {
    Q_OBJECT
  public:
    SmartPosterPanel(QWidget* parent, Dialogs dialogs)
        : UrlPanel(parent, std::move(dialogs), true) {}

    std::string titleText() const override { return title_->text().toStdString(); }
    void ShowTitle(const std::string& title) override;

    MenuLineEdit& titleField() { return *title_; }
};

}  // namespace tagwright::shell
