// SPDX-License-Identifier: MIT
// The main window: the menu of the current language, the device bar (device combo, Open,
// Close, the function-name field, the Tips field), and a splitter with the panel host above and
// the message log below. It shows what the application core holds and forwards commands to it.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/application.h"
#include "device_combo.h"
#include "message_log_view.h"
#include "panel_host.h"
#include "reader_thread.h"
#include "text_panel.h"
#include "url_panel.h"
#include "window_log_sink.h"

class QSplitter;

namespace tagwright::shell {

class JournalDialog;

class MainWindow : public QMainWindow, public reader::ErrorBox, public app::PanelFactory {
    Q_OBJECT
  public:
    MainWindow(app::Application& application, app::InstanceStarter& starter,
               Dialogs dialogs = PlatformDialogs());
    ~MainWindow() override;

    // The menu commands, by command id (File, Function, Set, Help).
    void RunCommand(int commandId);

    // reader::ErrorBox: "Please select a device !" and the reader failures of Open and Close.
    void ShowError(const std::string& text) override;
    // app::PanelFactory
    app::PanelParts Create(panels::PanelKind kind) override;

    // Named for tests and screenshots.
    DeviceComboBox& deviceCombo() { return *combo_; }
    QPushButton& openButton() { return *open_; }
    QPushButton& closeButton() { return *close_; }
    QLabel& functionName() { return *functionName_; }
    QLabel& tips() { return *tips_; }
    QLabel& pace() { return *pace_; }
    MessageLogView& log() { return *log_; }
    PanelHost& panelHost() { return *host_; }
    QSplitter& splitter() { return *splitter_; }
    FunctionPanel* functionPanel() { return panelWidget_; }
    TextPanel* textPanel() { return qobject_cast<TextPanel*>(panelWidget_); }
    UrlPanel* urlPanel() { return qobject_cast<UrlPanel*>(panelWidget_); }
    // The journal dialog File -> Journal... opened last, or nullptr.
    JournalDialog* journalDialog() { return journalDialog_; }
    // Whether a command, an Auto operation tick, Open or Close is under way.
    bool busy();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenu();
    void BuildDeviceBar();
    void BuildSplitter();
    // After the core made panel `n`: its widget into the host, its name into the bar.
    void PanelShown(int n);
    // Open and Close of the device, marked busy as the panel's commands are.
    void DeviceCommand(void (reader::DeviceSession::*command)());
    // The controls greyed while a command runs, or given back once it has ended.
    void ShowBusy(bool busy);
    void BusyChanged(bool busy);
    // The commands and the close asked for while busy, once it is over.
    void RunDeferred();

    class ProgressLine;

    // First: the reader calls of the session below go through it.
    ReaderThread readerThread_{reader::Reader()};
    app::Application& app_;
    app::InstanceStarter& starter_;
    Dialogs dialogs_;
    DeviceComboBox* combo_ = nullptr;
    QPushButton *open_ = nullptr, *close_ = nullptr;
    QLabel *functionName_ = nullptr, *tips_ = nullptr, *pace_ = nullptr;
    QSplitter* splitter_ = nullptr;
    PanelHost* host_ = nullptr;
    MessageLogView* log_ = nullptr;
    JournalDialog* journalDialog_ = nullptr;  // a child of the window
    FunctionPanel* panelWidget_ = nullptr;    // the shown panel, owned by the core's OpenPanel
    std::unique_ptr<DeviceComboAdapter> comboAdapter_;
    std::unique_ptr<WindowLogSink> sink_;  // installed while the window lives
    std::unique_ptr<ProgressLine> progress_;
    int deviceBusy_ = 0;
    // The controls are greyed only for a command that lasts: an Auto operation tick would make
    // them flicker. Until then a click is refused all the same.
    QTimer busyLook_;
    std::vector<int> deferred_;
    bool closeDeferred_ = false;
    bool selectionDeferred_ = false;
};

// Starts the running executable anew, without arguments.
class ProcessStarter : public app::InstanceStarter {
  public:
    bool StartNewInstance() override;
};

}  // namespace tagwright::shell
