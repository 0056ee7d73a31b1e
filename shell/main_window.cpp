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
#include <vector>

#include "about_box.h"
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

}  // namespace

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
    // The pace of a batch from a sheet, in a field of its own that status texts do not cover.
    progress_ = new QLabel(this);
    statusBar()->addPermanentWidget(progress_);
    dialogs_.showProgress = [this](const QString& line) { progress_->setText(line); };
    sink_ = std::make_unique<WindowLogSink>(log_->model(), *tips_);
    comboAdapter_ = std::make_unique<DeviceComboAdapter>(*combo_);
    reader::DeviceSession& devices = app_.AttachDevices(*comboAdapter_, *this);
    devices.StartupSelection();
    panelWidget_ = nullptr;
    app_.ShowPanel(app_.currentPanel(), *this);
    PanelShown(app_.currentPanel());

    connect(combo_, &DeviceComboBox::aboutToDropDown, this,
            [this] { app_.devices()->OnDropDown(); });
    connect(combo_, &QComboBox::currentIndexChanged, this,
            [this] { app_.devices()->OnSelectionChange(); });
    connect(open_, &QPushButton::clicked, this, [this] { app_.devices()->Open(); });
    connect(close_, &QPushButton::clicked, this, [this] { app_.devices()->Close(); });
}

MainWindow::~MainWindow() {
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
    if (panelWidget_ && open) {
        panelWidget_->Attach(*open, app_.journal());
        host_->Show(*panelWidget_);
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
        default:
            break;
    }
}

void MainWindow::ShowError(const std::string& text) {
    dialogs_.showError(this, QString::fromStdString(text));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    app_.Close(starter_);
    event->accept();
}

bool ProcessStarter::StartNewInstance() {
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}

}  // namespace tagwright::shell
