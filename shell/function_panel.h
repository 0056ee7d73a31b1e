// SPDX-License-Identifier: MIT
// What the three function panels share: the option group (keys, Auto operation, Write from
// file, Encryption, Lock Tag), the file group and the Read, Write, Clear key and Stop buttons,
// placed in dialog units. The content area above them is each panel's own. A panel only displays
// and forwards: every command goes to the operation controller or the spreadsheet source of its
// OpenPanel.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <memory>

#include "app/open_panel.h"
#include "app/production_options.h"
#include "app/production_run.h"
#include "dialog_units.h"
#include "key_edits.h"

namespace tagwright::shell {

// The file dialog of "Load file:" and the error message box; tests put their own in.
struct Dialogs {
    // The path chosen, or empty; the dialog opens in `folder`.
    std::function<QString(QWidget* parent, const QString& folder)> chooseFile;
    std::function<void(QWidget* parent, const QString& text)> showError;
    // The folder of the sheet loaded last, shared by the panels made with copies of these
    // dialogs; the operator's home until a sheet loads.
    std::shared_ptr<QString> sheetFolder = std::make_shared<QString>(QDir::homePath());
    // A file to write to, or empty; the dialog suggests `suggested`. Unset: the platform's.
    std::function<QString(QWidget* parent, const QString& suggested)> chooseSaveFile = nullptr;
    // A question of the core (pre-flight, resume): true for its first answer. Empty: the
    // platform's message box.
    std::function<bool(QWidget* parent, const app::Question& question)> ask = {};
    // The pace line of a batch; the window puts it into its status bar.
    std::function<void(const QString& line)> showProgress = {};
};
// The file dialog (.xls, .xlsx, .csv) and the message box with caption "Error" and error icon.
Dialogs PlatformDialogs();

class FunctionPanel : public QWidget, public panels::Panel, public reader::ErrorBox {
    Q_OBJECT
  public:
    FunctionPanel(QWidget* parent, Dialogs dialogs);
    // The machinery the buttons reach; set once the core has made it.
    // `journal` tells which sheets were written before (nullptr: none is kept).
    void Attach(app::OpenPanel& open, const app::TagJournal* journal = nullptr);

    // panels::Panel
    bool autoOperation() const override { return autoOperation_->isChecked(); }
    bool encryption() const override { return encryption_->isChecked(); }
    bool lockTag() const override { return lockTag_->isChecked(); }
    bool writeFromFile() const override { return writeFromFile_->isChecked(); }
    std::string originalKeyText() const override { return originalKey_->text().toStdString(); }
    std::string newKeyText() const override { return newKey_->text().toStdString(); }
    bool verifyWrites() const override { return verify_->isChecked(); }
    bool nfcCounter() const override { return nfcCounter_->isChecked(); }
    bool counterByKey() const override { return counterByKey_->isChecked(); }
    bool lockConfig() const override { return lockConfig_->isChecked(); }
    bool genuineOnly() const override { return genuineOnly_->isChecked(); }
    int attemptLimit() const override { return attemptLimit_->currentIndex(); }
    bool protectReads() const override { return protectReads_->isChecked(); }
    std::string packText() const override { return pack_->text().toStdString(); }
    bool expandTemplates() const override { return templates_->isChecked(); }
    bool rowAutoIncrement() const override { return rowAuto_->isChecked(); }
    std::string rowNumberText() const override { return rowNumber_->text().toStdString(); }
    void SetRowNumberText(const std::string& text) override;
    void SetFilePathText(const std::string& path) override;
    void SetReadWriteEnabled(bool enabled) override;
    // While a command runs: Read, Write, Clear key, the row buttons and the file button greyed,
    // whatever Auto operation asked for; Stop stays.
    void SetBusy(bool busy);
    // Whether one of the panel's own dialogs (the file dialog, the pre-flight or resume
    // question) is open: the panel is on the stack under it and must not be taken away.
    bool inDialog() const { return dialogDepth_ > 0; }

  signals:
    // The last of the panel's dialogs has closed.
    void dialogEnded();

  public:
    reader::ErrorBox& errorBox() override { return *this; }
    // reader::ErrorBox: caption "Error", the error icon, owned by the panel.
    void ShowError(const std::string& text) override;

    // Named for tests and screenshots.
    QPushButton& readButton() { return *read_; }
    QPushButton& writeButton() { return *write_; }
    QPushButton& stopButton() { return *stop_; }
    QPushButton& clearKeyButton() { return *clearKey_; }
    QPushButton& eraseButton() { return *erase_; }
    QPushButton& browseButton() { return *browse_; }
    QCheckBox& autoOperationBox() { return *autoOperation_; }
    QCheckBox& writeFromFileBox() { return *writeFromFile_; }
    QCheckBox& verifyBox() { return *verify_; }
    QCheckBox& nfcCounterBox() { return *nfcCounter_; }
    QCheckBox& counterByKeyBox() { return *counterByKey_; }
    QCheckBox& lockConfigBox() { return *lockConfig_; }
    QCheckBox& protectReadsBox() { return *protectReads_; }
    QCheckBox& genuineOnlyBox() { return *genuineOnly_; }
    QCheckBox& lockTagBox() { return *lockTag_; }
    QCheckBox& encryptionBox() { return *encryption_; }
    QComboBox& attemptLimitList() { return *attemptLimit_; }
    QCheckBox& oneRowPerTagBox() { return *oneRowPerTag_; }
    QCheckBox& templatesBox() { return *templates_; }
    HexKeyEdit& originalKeyField() { return *originalKey_; }
    HexKeyEdit& packField() { return *pack_; }
    RowNumberEdit& rowNumberField() { return *rowNumber_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;  // Enter and Escape do nothing

  protected:
    // Caption text of the label table in the current language.
    static QString Label(int entry);
    // The tab order of the layout: the panel's own content fields (`content`, in their order),
    // then the option group, the file group and the buttons. A panel calls it once its content
    // exists; creation order alone would put the content last.
    void OrderTabStops(std::initializer_list<QWidget*> content);
    const DialogUnits& units() const { return units_; }

  private:
    void Build();
    void Forward(void (panels::OperationController::*command)());
    void ApplyEnabled();
    // Whether a command is under way: the row and file buttons then change nothing.
    bool Busy() const { return open_ != nullptr && open_->controller().busy(); }
    void Browse();
    void PressWrite();
    void PressStop();
    // The pace line as the batch stands: its figures, or nothing when no batch is shown.
    void ShowPace();
    void SaveOptions();
    bool Ask(const app::Question& question);
    // Held while a dialog of the panel is open.
    struct DialogScope {
        explicit DialogScope(FunctionPanel& panel);
        ~DialogScope();
        FunctionPanel& panel;
    };

    Dialogs dialogs_;
    DialogUnits units_;
    app::OpenPanel* open_ = nullptr;
    bool readWriteWanted_ = true;  // false during Auto operation
    bool busy_ = false;
    const app::TagJournal* journal_ = nullptr;
    app::ProductionOptionsStore options_;
    app::BatchPace pace_;
    int dialogDepth_ = 0;
    QLineEdit* filePath_;
    HexKeyEdit *originalKey_, *newKey_, *pack_;
    RowNumberEdit* rowNumber_;
    QCheckBox *autoOperation_, *writeFromFile_, *encryption_, *lockTag_, *rowAuto_;
    QComboBox* attemptLimit_;
    QCheckBox* protectReads_;
    QCheckBox *verify_, *nfcCounter_, *counterByKey_, *lockConfig_, *oneRowPerTag_, *templates_,
        *genuineOnly_;
    QPushButton *read_, *write_, *clearKey_, *stop_, *erase_, *rowMinus_, *rowPlus_, *browse_;
};

}  // namespace tagwright::shell
