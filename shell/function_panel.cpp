// SPDX-License-Identifier: MIT
#include "function_panel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QToolTip>
#include <vector>

#include "dialog_colours.h"
#include "text/text_tables.h"

namespace tagwright::shell {

namespace {

QString Tip(int entry) {
    const std::string_view text = text::Tr(text::Table::Tip, entry);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QLabel* Static(QWidget* parent, const DialogUnits& du, int id, int entry, Qt::Alignment align,
               int x, int y, int cx, int cy) {
    const std::string_view caption = text::Tr(text::Table::Label, entry);
    return PlaceLabel(parent, du, id, QString::fromUtf8(caption.data(), qsizetype(caption.size())),
                      align, x, y, cx, cy);
}

}  // namespace

Dialogs PlatformDialogs() {
    return {[](QWidget* parent, const QString& folder) {
                return QFileDialog::getOpenFileName(
                    parent, {}, folder, QStringLiteral("Spreadsheets (*.xls *.xlsx *.csv)"));
            },
            [](QWidget* parent, const QString& text) {
                QMessageBox box(QMessageBox::Critical,
                                QString::fromUtf8(text::kErrorCaption.data(),
                                                  qsizetype(text::kErrorCaption.size())),
                                text, QMessageBox::Ok, parent);
                UseDialogColours(box);
                box.exec();
            }};
}

QString FunctionPanel::Label(int entry) {
    const std::string_view text = text::Tr(text::Table::Label, entry);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

FunctionPanel::FunctionPanel(QWidget* parent, Dialogs dialogs)
    : QWidget(parent),
      dialogs_(std::move(dialogs)),
      units_(DialogUnits::ForScreen()),
      options_(app::OperatorProductionOptions()) {
    setFont(DialogFont(units_));
    // The dialog colours of the program; tooltips white with black text.
    UseDialogColours(*this);
    QPalette colours = palette();
    colours.setColor(QPalette::ToolTipBase, Qt::white);
    colours.setColor(QPalette::ToolTipText, Qt::black);
    setPalette(colours);
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, Qt::white);
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
    Build();
}

void FunctionPanel::Build() {
    namespace l = text::label;
    const DialogUnits& du = units_;
    setFixedSize(du.X(517), du.Y(269));
    // The option group has a third row (11 units) for Protect reads: the file group and the
    // buttons below it sit that much lower than the original layout had them.
    PlaceNew<QGroupBox>(this, du, 1046, 72, 98, 372, 70, Label(l::kOption));
    Static(this, du, 1030, l::kOriginalKey, Qt::AlignRight, 90, 114, 55, 8);
    originalKey_ =
        PlaceNew<HexKeyEdit>(this, du, 1044, 151, 112, 91, 14, QStringLiteral("7C7C7C7C"));
    Static(this, du, 1031, l::kNewKey, Qt::AlignRight, 272, 115, 39, 8);
    newKey_ = PlaceNew<HexKeyEdit>(this, du, 1045, 317, 113, 91, 14, QStringLiteral("7C7C7C7C"));
    originalKey_->setMaxLength(8);
    newKey_->setMaxLength(8);
    // Right of the New key it goes with: the wrong keys a tag allows once Encryption protects it.
    attemptLimit_ = PlaceNew<QComboBox>(this, du, 1054, 412, 113, 28, 14);
    attemptLimit_->addItem(QStringLiteral("-"));
    for (int limit = 1; limit <= 7; ++limit)
        attemptLimit_->addItem(QString::number(limit));
    attemptLimit_->setToolTip(Tip(text::tip::kAttemptLimit));
    autoOperation_ = PlaceNew<QCheckBox>(this, du, 1006, 93, 138, 87, 10, Label(l::kAutoOperation));
    writeFromFile_ =
        PlaceNew<QCheckBox>(this, du, 1037, 191, 138, 87, 10, Label(l::kWriteFromFile));
    encryption_ = PlaceNew<QCheckBox>(this, du, 1043, 289, 138, 67, 10, Label(l::kEncryption));
    lockTag_ = PlaceNew<QCheckBox>(this, du, 1008, 367, 138, 67, 10, Label(l::kLockTag));
    // Below the key fields, in the column of "Auto operation".
    verify_ = PlaceNew<QCheckBox>(this, du, 1047, 93, 127, 87, 10, Label(l::kVerify));
    // Beside Verify, on the line the original option rows leave free.
    nfcCounter_ = PlaceNew<QCheckBox>(this, du, 1051, 191, 127, 87, 10, Label(l::kNfcCounter));
    counterByKey_ = PlaceNew<QCheckBox>(this, du, 1052, 289, 127, 67, 10, Label(l::kCounterByKey));
    // Above Lock Tag, which it goes with.
    lockConfig_ = PlaceNew<QCheckBox>(this, du, 1053, 367, 127, 67, 10, Label(l::kLockConfig));
    autoOperation_->setToolTip(Tip(text::tip::kAutoOperation));
    writeFromFile_->setToolTip(Tip(text::tip::kWriteFromFile));
    lockTag_->setToolTip(Tip(text::tip::kLockTag));
    encryption_->setToolTip(Tip(text::tip::kEncryption));
    nfcCounter_->setToolTip(Tip(text::tip::kNfcCounter));
    counterByKey_->setToolTip(Tip(text::tip::kCounterByKey));
    lockConfig_->setToolTip(Tip(text::tip::kLockConfig));
    // Below Encryption, which it goes with.
    protectReads_ = PlaceNew<QCheckBox>(this, du, 1058, 289, 149, 67, 10, Label(l::kProtectReads));
    protectReads_->setToolTip(Tip(text::tip::kProtectReads));
    // On the same row, in the column below the New key's: the acknowledge that goes with it.
    Static(this, du, 1060, l::kPack, Qt::AlignRight, 367, 150, 28, 8);
    pack_ = PlaceNew<HexKeyEdit>(this, du, 1059, 399, 148, 41, 12);
    pack_->setMaxLength(4);
    pack_->setToolTip(Tip(text::tip::kPack));
    // Each goes with the box above it and does nothing without it.
    lockConfig_->setEnabled(false);
    connect(lockTag_, &QCheckBox::toggled, lockConfig_, &QWidget::setEnabled);
    protectReads_->setEnabled(false);
    connect(encryption_, &QCheckBox::toggled, protectReads_, &QWidget::setEnabled);

    PlaceNew<QGroupBox>(this, du, 1039, 72, 175, 372, 63, Label(l::kFile));
    Static(this, du, 1038, l::kRowNumber, Qt::AlignRight, 81, 190, 45, 8);
    rowNumber_ = PlaceNew<RowNumberEdit>(this, du, 1040, 133, 188, 63, 14, QStringLiteral("1"));
    rowNumber_->SetTypingLimit(5);
    rowAuto_ = PlaceNew<QCheckBox>(this, du, 1036, 211, 190, 71, 10, Label(l::kRowAutoPlus1));
    rowAuto_->setChecked(true);
    rowMinus_ = PlaceNew<QPushButton>(this, du, 1042, 300, 188, 50, 14, Label(l::kRowMinus1));
    rowPlus_ = PlaceNew<QPushButton>(this, du, 1041, 368, 188, 50, 14, Label(l::kRowPlus1));
    Static(this, du, 1033, l::kLoadFile, Qt::AlignRight, 82, 217, 44, 8);
    filePath_ = PlaceNew<QLineEdit>(this, du, 1035, 133, 215, 277, 14);
    browse_ = PlaceNew<QPushButton>(this, du, 1034, 416, 215, 14, 14);
    // Between the row line and the file line.
    oneRowPerTag_ = PlaceNew<QCheckBox>(this, du, 1048, 133, 203, 87, 10, Label(l::kOneRowPerTag));
    templates_ = PlaceNew<QCheckBox>(this, du, 1049, 230, 203, 67, 10, Label(l::kTemplates));
    genuineOnly_ = PlaceNew<QCheckBox>(this, du, 1055, 306, 203, 87, 10, Label(l::kGenuineOnly));
    genuineOnly_->setToolTip(Tip(text::tip::kGenuineOnly));
    const app::ProductionOptions saved = options_.Load();
    verify_->setChecked(saved.verify);
    oneRowPerTag_->setChecked(saved.oneRowPerTag);
    templates_->setChecked(saved.templates);
    genuineOnly_->setChecked(saved.genuineOnly);
    for (QCheckBox* box : {verify_, oneRowPerTag_, templates_, genuineOnly_})
        connect(box, &QCheckBox::toggled, this, &FunctionPanel::SaveOptions);

    read_ = PlaceNew<QPushButton>(this, du, 1004, 114, 251, 50, 14, Label(l::kRead));
    write_ = PlaceNew<QPushButton>(this, du, 1005, 194, 251, 50, 14, Label(l::kWrite));
    clearKey_ = PlaceNew<QPushButton>(this, du, 1010, 274, 251, 50, 14, Label(l::kClearKey));
    stop_ = PlaceNew<QPushButton>(this, du, 1007, 354, 251, 50, 14, Label(l::kStop));
    // After the row of the original buttons, at their spacing.
    erase_ = PlaceNew<QPushButton>(this, du, 1050, 434, 251, 50, 14, Label(l::kErase));
    for (QPushButton* button :
         {read_, write_, clearKey_, stop_, erase_, rowMinus_, rowPlus_, browse_})
        button->setAutoDefault(false);

    using C = panels::OperationController;
    connect(read_, &QPushButton::clicked, this, [this] { Forward(&C::OnRead); });
    connect(write_, &QPushButton::clicked, this, &FunctionPanel::PressWrite);
    connect(clearKey_, &QPushButton::clicked, this, [this] { Forward(&C::OnClearKey); });
    connect(erase_, &QPushButton::clicked, this, [this] { Forward(&C::OnErase); });
    connect(stop_, &QPushButton::clicked, this, &FunctionPanel::PressStop);
    // A row changed under a write would make the row step after it skip one.
    connect(rowPlus_, &QPushButton::clicked, this, [this] {
        if (open_ && !Busy()) open_->rows().NextRow();
    });
    connect(rowMinus_, &QPushButton::clicked, this, [this] {
        if (open_ && !Busy()) open_->rows().PreviousRow();
    });
    connect(browse_, &QPushButton::clicked, this, &FunctionPanel::Browse);
}

void FunctionPanel::OrderTabStops(std::initializer_list<QWidget*> content) {
    std::vector<QWidget*> chain(content);
    chain.insert(
        chain.end(),
        {originalKey_, newKey_,       attemptLimit_, autoOperation_, writeFromFile_, encryption_,
         lockTag_,     verify_,       nfcCounter_,   counterByKey_,  lockConfig_,    protectReads_,
         pack_,        rowNumber_,    rowAuto_,      rowMinus_,      rowPlus_,       filePath_,
         browse_,      oneRowPerTag_, templates_,    genuineOnly_,   read_,          write_,
         clearKey_,    stop_,         erase_});
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void FunctionPanel::Forward(void (panels::OperationController::*command)()) {
    if (open_) (open_->controller().*command)();
}

namespace {

// The core's questions put through the panel's dialog.
struct PanelQuestions : app::ProductionQuestions {
    explicit PanelQuestions(std::function<bool(const app::Question&)> ask) : ask_(std::move(ask)) {}
    bool Ask(const app::Question& question) override { return ask_(question); }
    std::function<bool(const app::Question&)> ask_;
};

}  // namespace

void FunctionPanel::Attach(app::OpenPanel& open, const app::TagJournal* journal) {
    open_ = &open;
    journal_ = journal;
    open.controller().ledger().SetUniqueTags(oneRowPerTag_->isChecked());
    open.controller().SetRunObserver([this](panels::RunResult result) {
        if (open_ && app::RunEnded(*open_, pace_, result, app::BatchPace::Clock::now())) ShowPace();
    });
}

void FunctionPanel::SaveOptions() {
    if (open_) open_->controller().ledger().SetUniqueTags(oneRowPerTag_->isChecked());
    options_.Save({verify_->isChecked(), oneRowPerTag_->isChecked(), templates_->isChecked(),
                   genuineOnly_->isChecked()});
}

bool FunctionPanel::Ask(const app::Question& question) {
    if (dialogs_.ask) return dialogs_.ask(this, question);
    QString text = QString::fromStdString(question.text);
    for (const std::string& line : question.lines)
        text += QLatin1Char('\n') + QString::fromStdString(line);
    QMessageBox box(QMessageBox::Question, QString::fromStdString(question.caption), text,
                    QMessageBox::NoButton, this);
    QPushButton* yes = box.addButton(QString::fromStdString(question.yes), QMessageBox::AcceptRole);
    box.addButton(QString::fromStdString(question.no), QMessageBox::RejectRole);
    UseDialogColours(box);
    box.exec();
    return box.clickedButton() == yes;
}

FunctionPanel::DialogScope::DialogScope(FunctionPanel& p) : panel(p) {
    ++panel.dialogDepth_;
}

FunctionPanel::DialogScope::~DialogScope() {
    if (--panel.dialogDepth_ == 0) emit panel.dialogEnded();
}

void FunctionPanel::PressWrite() {
    // A click that reached the button before it greyed: no question over a running write.
    if (!open_ || Busy()) return;
    const DialogScope scope(*this);
    PanelQuestions questions([this](const app::Question& q) { return Ask(q); });
    app::PressWrite(*open_, questions, pace_, [] { return app::BatchPace::Clock::now(); });
    ShowPace();
}

void FunctionPanel::PressStop() {
    Forward(&panels::OperationController::OnStop);
    pace_ = {};
    ShowPace();
}

void FunctionPanel::ShowPace() {
    if (!dialogs_.showProgress) return;
    dialogs_.showProgress(pace_.shown()
                              ? QString::fromStdString(pace_.Line(app::BatchPace::Clock::now()))
                              : QString());
}

void FunctionPanel::Browse() {
    if (Busy()) return;
    const DialogScope scope(*this);
    const QString path = dialogs_.chooseFile(this, *dialogs_.sheetFolder);
    if (path.isEmpty() || !open_) return;
    // Another sheet, another batch.
    pace_ = {};
    ShowPace();
    PanelQuestions questions([this](const app::Question& q) { return Ask(q); });
    app::ChooseSheet(*open_, path.toStdString(), journal_, questions);
    // The next sheet of a batch is most likely beside this one; the program's own folder is not
    // the operator's once it is installed.
    if (open_->rows().SheetLoaded()) *dialogs_.sheetFolder = QFileInfo(path).absolutePath();
}

void FunctionPanel::SetRowNumberText(const std::string& text) {
    rowNumber_->SetNumberText(QString::fromStdString(text));
}

void FunctionPanel::SetFilePathText(const std::string& path) {
    filePath_->setText(QString::fromStdString(path));
}

void FunctionPanel::SetReadWriteEnabled(bool enabled) {
    readWriteWanted_ = enabled;
    ApplyEnabled();
}

void FunctionPanel::SetBusy(bool busy) {
    busy_ = busy;
    ApplyEnabled();
}

void FunctionPanel::ApplyEnabled() {
    read_->setEnabled(readWriteWanted_ && !busy_);
    write_->setEnabled(readWriteWanted_ && !busy_);
    // Not between the ticks of Auto operation either: it would empty a tag the batch just wrote.
    erase_->setEnabled(readWriteWanted_ && !busy_);
    for (QPushButton* button : {clearKey_, rowMinus_, rowPlus_, browse_})
        button->setEnabled(!busy_);
}

void FunctionPanel::ShowError(const std::string& text) {
    dialogs_.showError(this, QString::fromStdString(text));
}

void FunctionPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace tagwright::shell
