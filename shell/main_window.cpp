// SPDX-License-Identifier: MIT
#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "about_box.h"
#include "app/tag_journal.h"
#include "journal_dialog.h"
#include "qt_timers.h"
#include "text/menus.h"

namespace tagwright::shell {

namespace {

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QLabel* ColourLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // A child of the tool bar takes the bar's button roles, which would paint the text in the
    // button text colour, whatever colour the field was given.
    label->setBackgroundRole(QPalette::Button);
    label->setForegroundRole(QPalette::WindowText);
    label->setAutoFillBackground(true);
    ShowInColour(*label, text, feed::kBlue);
    return label;
}

// A command shorter than this (an Auto operation tick without a tag) never greys the controls.
constexpr int kBusyLookDelayMs = 100;

}  // namespace

// "Pages written: n of m" in the status bar while a message is written.
class MainWindow::ProgressLine : public tag::WriteProgress {
  public:
    explicit ProgressLine(QStatusBar& bar) : bar_(bar) {}
    void PagesWritten(std::size_t written, std::size_t total) override {
        QString line = Qs(text::Tr(text::Table::Message, text::msg::kPagesWritten));
        const qsizetype first = line.indexOf(QStringLiteral("%d"));
        if (first >= 0) line.replace(first, 2, QString::number(written));
        const qsizetype second = line.indexOf(QStringLiteral("%d"));
        if (second >= 0) line.replace(second, 2, QString::number(total));
        bar_.showMessage(line);
    }

  private:
    QStatusBar& bar_;
};

MainWindow::MainWindow(app::Application& application, app::InstanceStarter& starter,
                       Dialogs dialogs)
    : app_(application), starter_(starter), dialogs_(std::move(dialogs)) {
    // No maximize button; the frame can still be resized and minimized.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Tagwright"));
    setWindowIcon(ProgramIcon());
    const QRect work = QGuiApplication::primaryScreen()
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, 800, 600);
    resize(std::min(800, work.width()), std::min(600, work.height()));
    move(work.center() - rect().center());

    BuildMenu();
    BuildDeviceBar();
    BuildSplitter();
    progress_ = std::make_unique<ProgressLine>(*statusBar());
    busyLook_.setSingleShot(true);
    busyLook_.setInterval(kBusyLookDelayMs);
    connect(&busyLook_, &QTimer::timeout, this, [this] {
        if (busy()) ShowBusy(true);
    });
    // The pace of a batch from a sheet, in a field of its own that status texts do not cover.
    pace_ = new QLabel(this);
    statusBar()->addPermanentWidget(pace_);
    dialogs_.showProgress = [this](const QString& line) { pace_->setText(line); };
    sink_ = std::make_unique<WindowLogSink>(log_->model(), *tips_);
    comboAdapter_ = std::make_unique<DeviceComboAdapter>(*combo_);
    reader::DeviceSession& devices =
        app_.AttachDevices(*comboAdapter_, *this, ReaderThread::Api(), &ReaderThread::Pause);
    devices.StartupSelection();
    panelWidget_ = nullptr;
    app_.ShowPanel(app_.currentPanel(), *this);
    PanelShown(app_.currentPanel());

    connect(combo_, &DeviceComboBox::aboutToDropDown, this,
            [this] { DeviceCommand(&reader::DeviceSession::OnDropDown); });
    connect(combo_, &QComboBox::currentIndexChanged, this,
            [this] { DeviceCommand(&reader::DeviceSession::OnSelectionChange); });
    connect(open_, &QPushButton::clicked, this,
            [this] { DeviceCommand(&reader::DeviceSession::Open); });
    connect(close_, &QPushButton::clicked, this,
            [this] { DeviceCommand(&reader::DeviceSession::Close); });
    readerThread_.SetLive(true);
}

bool MainWindow::busy() {
    if (deviceBusy_ > 0) return true;
    if (panelWidget_ && panelWidget_->inDialog()) return true;
    app::OpenPanel* open = app_.openPanel();
    return open != nullptr && open->controller().busy();
}

void MainWindow::DeviceCommand(void (reader::DeviceSession::*command)()) {
    if (busy()) {
        // The reader belongs to the command under way. A new selection is taken up after it.
        if (command == &reader::DeviceSession::OnSelectionChange) selectionDeferred_ = true;
        return;
    }
    std::optional<panels::OperationController::BusyScope> hold;
    if (app::OpenPanel* open = app_.openPanel()) hold.emplace(open->controller());
    ++deviceBusy_;
    if (!hold) BusyChanged(true);
    (app_.devices()->*command)();
    --deviceBusy_;
    if (!hold) BusyChanged(false);
}

void MainWindow::BusyChanged(bool busy) {
    if (busy) {
        busyLook_.start();
        return;
    }
    busyLook_.stop();
    ShowBusy(false);
    // A Write's progress could pass for its outcome if it stayed: it goes with the command.
    statusBar()->clearMessage();
    // Run from the event loop: the command that just ended is still on the stack.
    if (!deferred_.empty() || closeDeferred_ || selectionDeferred_)
        QMetaObject::invokeMethod(
            this, [this] { RunDeferred(); }, Qt::QueuedConnection);
}

void MainWindow::ShowBusy(bool busy) {
    if (panelWidget_) panelWidget_->SetBusy(busy);
    for (QWidget* control : std::initializer_list<QWidget*>{combo_, open_, close_})
        control->setEnabled(!busy);
}

void MainWindow::RunDeferred() {
    if (busy()) return;  // another command began meanwhile; its end comes back here
    if (std::exchange(selectionDeferred_, false))
        DeviceCommand(&reader::DeviceSession::OnSelectionChange);
    const std::vector<int> commands = std::exchange(deferred_, {});
    for (const int command : commands)
        RunCommand(command);
    if (std::exchange(closeDeferred_, false)) close();
}

MainWindow::~MainWindow() {
    readerThread_.SetLive(false);
    // The panel's widget is a child of the host; it goes with the core's panel, before Qt
    // would delete it with the host.
    app_.ClosePanel();
    panelWidget_ = nullptr;
}

void MainWindow::BuildMenu() {
    const auto language = text::UiLanguage();
    std::vector<QMenu*> open;
    for (const text::MenuItem& item : text::MainMenu()) {
        switch (item.kind) {
            case text::MenuItem::Kind::Popup:
                open.push_back(open.empty() ? menuBar()->addMenu(Qs(item.In(language)))
                                            : open.back()->addMenu(Qs(item.In(language))));
                break;
            case text::MenuItem::Kind::EndPopup:
                if (!open.empty()) open.pop_back();
                break;
            case text::MenuItem::Kind::Separator:
                if (!open.empty()) open.back()->addSeparator();
                break;
            case text::MenuItem::Kind::Command:
                if (open.empty()) break;
                const int id = item.commandId;
                open.back()->addAction(Qs(item.In(language)), this, [this, id] { RunCommand(id); });
                break;
        }
    }
}

void MainWindow::BuildDeviceBar() {
    auto* bar = addToolBar(QStringLiteral("Device"));
    bar->setMovable(false);
    bar->setFloatable(false);
    const auto caption = [](int entry) { return Qs(text::Tr(text::Table::DeviceBar, entry)); };
    const auto fixed = [bar](QWidget* widget, int width) {
        widget->setFixedWidth(width);
        bar->addWidget(widget);
    };
    fixed(new QLabel(caption(text::bar::kDevice), bar), 54);
    combo_ = new DeviceComboBox(bar);
    combo_->addItem(caption(text::bar::kSelect));
    fixed(combo_, 105);
    open_ = new QPushButton(caption(text::bar::kOpen), bar);
    fixed(open_, 55);
    close_ = new QPushButton(caption(text::bar::kClose), bar);
    fixed(close_, 60);
    bar->addSeparator();
    fixed(new QLabel(caption(text::bar::kActionType), bar), 80);
    functionName_ = ColourLabel(bar, QStringLiteral("设备设置"));
    fixed(functionName_, 140);
    bar->addSeparator();
    fixed(new QLabel(caption(text::bar::kTips), bar), 38);
    tips_ = ColourLabel(bar, {});
    ShowTips(*tips_, Qs(text::Tr(text::Table::DeviceMessage, text::device::kDeviceNotOpened)),
             feed::kBlue);
    // 468 pixels where the bar has them; narrower rather than out of sight in the bar's
    // overflow menu where it has not.
    tips_->setMinimumWidth(120);
    tips_->setMaximumWidth(468);
    tips_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    bar->addWidget(tips_);
    // Nor does the window get narrower than the bar with the field at its narrowest.
    tips_->setMaximumWidth(tips_->minimumWidth());
    bar->layout()->invalidate();
    setMinimumWidth(bar->sizeHint().width());
    tips_->setMaximumWidth(468);
}

void MainWindow::BuildSplitter() {
    splitter_ = new QSplitter(Qt::Vertical, this);
    host_ = new PanelHost(splitter_);
    log_ = new MessageLogView(splitter_);
    setCentralWidget(splitter_);
    splitter_->setStretchFactor(0, 0);  // a taller or shorter window changes the log's height
    splitter_->setStretchFactor(1, 1);
    // The upper pane starts H - H/4 + 5 pixels high, H being the height below the menu bar (the
    // device bar included); the log takes what the device bar leaves of the rest.
    layout()->activate();
    const int h = height() - menuBar()->height();
    const int upper = h - h / 4 + 5;
    splitter_->setSizes(
        {upper, std::max(0, splitter_->height() - upper - splitter_->handleWidth())});
}

void MainWindow::PanelShown(int n) {
    app::OpenPanel* open = app_.openPanel();
    pace_->clear();  // the batch of the panel before, if any, has ended
    if (panelWidget_ && open) {
        panelWidget_->Attach(*open, app_.journal());
        host_->Show(*panelWidget_);
        open->controller().SetWriteProgress(progress_.get());
        open->controller().SetBusyObserver([this](bool busy) { BusyChanged(busy); });
        connect(panelWidget_, &FunctionPanel::dialogEnded, this, [this] { BusyChanged(false); });
    }
    functionName_->setText(n >= 0 && n <= 4 ? Qs(text::Tr(text::Table::Navigation, n)) : QString());
}

app::PanelParts MainWindow::Create(panels::PanelKind kind) {
    auto timers = std::make_unique<QtTimers>();
    std::unique_ptr<FunctionPanel> panel;
    switch (kind) {
        case panels::PanelKind::Text:
            panel = std::make_unique<TextPanel>(host_, dialogs_);
            break;
        case panels::PanelKind::Url:
            panel = std::make_unique<UrlPanel>(host_, dialogs_);
            break;
        case panels::PanelKind::SmartPoster:
            panel = std::make_unique<SmartPosterPanel>(host_, dialogs_);
            break;
    }
    panelWidget_ = panel.get();
    return {std::move(panel), std::move(timers)};
}

void MainWindow::RunCommand(int commandId) {
    namespace c = text::command;
    if (busy()) {
        // A panel switch or a restart would take the panel from under the command.
        deferred_.push_back(commandId);
        return;
    }
    switch (commandId) {
        case c::kExit:
            close();
            break;
        case c::kNfcText:
        case c::kNfcUrl:
        case c::kSmartPoster: {
            const int n = commandId == c::kNfcText ? 2 : commandId == c::kNfcUrl ? 3 : 4;
            if (n == app_.currentPanel()) break;  // the panel and what was typed stay
            panelWidget_ = nullptr;
            app_.ChoosePanel(n, *this);  // the shown panel destroyed, another made afresh
            PanelShown(n);
            break;
        }
        case c::kChinese:
        case c::kEnglish:
            app_.ChooseLanguage(commandId == c::kEnglish ? text::Language::English
                                                         : text::Language::Chinese);
            close();
            break;
        case c::kAbout:
            MakeAboutBox(this)->exec();
            break;
        case c::kJournal: {
            // The journal the panels record into; the operator's daily one when none is set.
            app::JournalFile journal =
                app_.journal() ? app_.journal()->file() : app::JournalFile::Default();
            delete journalDialog_;
            journalDialog_ = new JournalDialog(this, std::move(journal), dialogs_);
            journalDialog_->show();
            break;
        }
        default:
            break;
    }
}

void MainWindow::ShowError(const std::string& text) {
    dialogs_.showError(this, QString::fromStdString(text));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (busy()) {
        // The tag in the field is left whole: the window closes once the command has ended.
        closeDeferred_ = true;
        event->ignore();
        return;
    }
    app_.Close(starter_);
    event->accept();
}

bool ProcessStarter::StartNewInstance() {
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}

}  // namespace tagwright::shell
