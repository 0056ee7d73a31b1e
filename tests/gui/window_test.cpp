// SPDX-License-Identifier: MIT
// The window on the simulated reader, driven as an operator drives it: the device bar, the Text
// panel's buttons and fields, the menus, the message log. Runs headless (offscreen platform).
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <cstdlib>
#include <optional>

#include "app/application.h"
#include "app/qsettings_scope.h"
#include "log/log_feed.h"
#include "reader/binding.h"
#include "shell/about_box.h"
#include "shell/main_window.h"
#include "shell/message_log_model.h"
#include "shell/program.h"
#include "text/menus.h"
#include "version/version.h"

using namespace tagwright;

namespace {

struct FakeStarter : app::InstanceStarter {
    bool StartNewInstance() override {
        ++starts;
        return true;
    }
    int starts = 0;
};

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

int MainWindowsShown() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<shell::MainWindow*>(widget) && widget->isVisible()) ++count;
    return count;
}

// The panels' controls as their layout gives them, in dialog units: id, x, y, width, height.
struct Placed {
    int id, x, y, width, height;
};
// What the three panels share: the option group, the file group and the buttons.
// The option group is one row (11 units) taller than the original layout, for Protect reads
// (1058) and the PACK (1059, its label 1060); the file group and the buttons are that much lower.
constexpr Placed kSharedControls[] = {
    {1046, 72, 98, 372, 70},  {1030, 90, 114, 55, 8},    {1044, 151, 112, 91, 14},
    {1031, 272, 115, 39, 8},  {1045, 317, 113, 91, 14},  {1006, 93, 138, 87, 10},
    {1037, 191, 138, 87, 10}, {1043, 289, 138, 67, 10},  {1008, 367, 138, 67, 10},
    {1058, 289, 149, 67, 10}, {1060, 367, 150, 28, 8},   {1059, 399, 148, 41, 12},
    {1039, 72, 175, 372, 63}, {1038, 81, 190, 45, 8},    {1040, 133, 188, 63, 14},
    {1036, 211, 190, 71, 10}, {1042, 300, 188, 50, 14},  {1041, 368, 188, 50, 14},
    {1033, 82, 217, 44, 8},   {1035, 133, 215, 277, 14}, {1034, 416, 215, 14, 14},
    {1004, 114, 251, 50, 14}, {1005, 194, 251, 50, 14},  {1010, 274, 251, 50, 14},
    {1007, 354, 251, 50, 14},
};
constexpr Placed kTextControls[] = {
    {1027, 76, 18, 95, 8},  {1028, 304, 18, 53, 8},  {1011, 364, 15, 45, 14},
    {1029, 417, 18, 21, 8}, {1009, 72, 33, 372, 57},
};
// Dialog units to pixels for a dialog font of base units 6 x 13 (96 dots per inch), rounded
// to the nearest pixel as the platform's MulDiv rounds.
int PixelsX(int units) {
    return (units * 6 + 2) / 4;
}
int PixelsY(int units) {
    return (units * 13 + 4) / 8;
}
QRect Pixels(const Placed& c) {
    return {PixelsX(c.x), PixelsY(c.y), PixelsX(c.width), PixelsY(c.height)};
}

// Every caption has the room it needs where it was placed.
QStringList ClippedCaptions(const QWidget& panel) {
    QStringList clipped;
    for (const QLabel* label : panel.findChildren<QLabel*>())
        if (label->isVisibleTo(&panel) &&
            label->fontMetrics().horizontalAdvance(label->text()) > label->width())
            clipped << label->text();
    for (const QCheckBox* box : panel.findChildren<QCheckBox*>())
        if (box->sizeHint().width() > box->width()) clipped << box->text();
    for (const QPushButton* button : panel.findChildren<QPushButton*>())
        if (button->fontMetrics().horizontalAdvance(button->text()) + 6 > button->width())
            clipped << button->text();
    for (const QGroupBox* group : panel.findChildren<QGroupBox*>())
        if (group->fontMetrics().horizontalAdvance(group->title()) > group->width())
            clipped << group->title();
    return clipped;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private:
    // A window over a fresh simulator, started as the program starts.
    void Start(int curMenu, text::Language language) {
        Stop();
        simDir_.emplace();
        qputenv("CARDHOST_SIM_DIR", simDir_->path().toUtf8());
        qputenv("CARDHOST_BACKENDS", "sim");
        errors_.clear();
        dialogFolders_.clear();
        panelStore_.emplace(curMenu);
        languageStore_.emplace(language);
        application_.emplace(*panelStore_, *languageStore_);
        QVERIFY(application_->Start());
        shell::Dialogs dialogs{[this](QWidget*, const QString& folder) {
                                   dialogFolders_ << folder;
                                   return chosenFile_;
                               },
                               [this](QWidget*, const QString& text) { errors_ << text; }};
        window_ = std::make_unique<shell::MainWindow>(*application_, starter_, dialogs);
        window_->show();
    }
    void Stop() {
        window_.reset();
        if (application_) application_->Exit();
        application_.reset();
        simDir_.reset();
    }
    QStringList LogTexts() const {
        QStringList texts;
        auto& model = window_->log().model();
        for (int row = 0; row < model.rowCount(); ++row)
            texts << model.index(row, shell::MessageLogModel::Text).data().toString();
        return texts;
    }

    std::optional<QTemporaryDir> simDir_;
    std::optional<app::FixedPanelStore> panelStore_;
    std::optional<app::FixedLanguageStore> languageStore_;
    std::optional<app::Application> application_;
    std::unique_ptr<shell::MainWindow> window_;
    FakeStarter starter_;
    QStringList errors_;
    QString chosenFile_;
    QStringList dialogFolders_;  // where each file dialog opened

    // The control tool on this test's simulator.
    QString Sim(const QStringList& words) const {
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + "/cardhost-sim", words);
        tool.waitForFinished(30000);
        return QString::fromUtf8(tool.readAllStandardOutput());
    }
    // What the reader's light and buzzer were told, in order: "lights 2 1" and "buzzer 10".
    QString LightsAndBuzzer() const {
        const QStringList lines =
            Sim({"stats", "--reader", "SIM-0001"}).split('\n', Qt::SkipEmptyParts);
        return lines.filter(QRegularExpression("^(lights|buzzer)")).join(';');
    }

    // The columns of `rect` in which `widget` paints pixels close to `colour` (glyph pixels).
    static QList<int> ColumnsPaintedIn(QWidget& widget, const QRect& rect, const QColor& colour) {
        QApplication::processEvents();
        const QImage image = widget.grab(rect).toImage();
        const auto near = [](int a, int b) { return std::abs(a - b) <= 60; };
        QList<int> columns;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y) {
                const QColor pixel = image.pixelColor(x, y);
                if (near(pixel.red(), colour.red()) && near(pixel.green(), colour.green()) &&
                    near(pixel.blue(), colour.blue())) {
                    columns << x;
                    break;
                }
            }
        return columns;
    }
    // Whether a colour label paints its text in `colour` (its frame left out).
    static bool LabelPaintedIn(QLabel& label, const QColor& colour) {
        return !ColumnsPaintedIn(label, label.contentsRect(), colour).isEmpty();
    }
    // Whether the log view paints row `row` with text of `colour` (glyph pixels close to it).
    bool RowPaintedIn(int row, const QColor& colour) const {
        auto& view = window_->log();
        QApplication::processEvents();
        const QRect rect = view.visualRect(view.model().index(row, shell::MessageLogModel::Text));
        if (!view.viewport()->rect().contains(rect)) return false;
        return !ColumnsPaintedIn(*view.viewport(), rect, colour).isEmpty();
    }
    // The text a Text panel wrote to the tag `uid` (of the plain layout, its NDEF TLV at page 4).
    QString TextOnTag(const QString& uid) const {
        const QByteArray memory =
            QByteArray::fromHex(Sim({"tag", "dump", uid, "--hex"}).trimmed().toLatin1());
        if (memory.size() < 26 || memory.at(16) != 0x03) return {};
        const int length = int(quint8(memory.at(20))) - 3;  // status byte and "en" left out
        return QString::fromUtf8(memory.mid(25, length));
    }
    // A sheet of `rows` rows, "row 1" to "row N", in this test's folder.
    QString SheetOfRows(int rows) const {
        const QString path = simDir_->filePath(QStringLiteral("rows.csv"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return {};
        QByteArray text;
        for (int row = 1; row <= rows; ++row)
            text += "row " + QByteArray::number(row) + '\n';
        file.write(text);
        return path;
    }
    // Clears a field and types `text` into it, as the operator does.
    static void TypeInto(QLineEdit& field, const QString& text) {
        field.selectAll();
        QTest::keyClick(&field, Qt::Key_Backspace);
        QTest::keyClicks(&field, text);
    }
    QColor RowColour(int row) const {
        return window_->log()
            .model()
            .index(row, shell::MessageLogModel::Text)
            .data(Qt::ForegroundRole)
            .value<QColor>();
    }

  private slots:
    // A scenario that fails half-way leaves nothing behind for the next one.
    void cleanup() { Stop(); }

    void logModelUnderTheModelTester() {
        shell::MessageLogModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.Append({1, "Open device successfully !", 0, feed::kBlue});
        model.Append({2, "Read faild", 0x0C, feed::kRed});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("2"));
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("Error Code: 0x0c"));
        QCOMPARE(model.index(0, 2).data().toString(), QString());
        QCOMPARE(model.index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
        QCOMPARE(model.index(1, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
        model.Append({1, "again", 0, feed::kRed});
        QCOMPARE(model.index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    }

    void deviceBarInBothLanguages() {
        Start(2, text::Language::English);
        QCOMPARE(window_->deviceCombo().itemText(0), QStringLiteral("- Select -"));
        QCOMPARE(window_->deviceCombo().itemText(1), QStringLiteral("SIM-0001"));
        QCOMPARE(window_->deviceCombo().currentIndex(), 1);
        QCOMPARE(window_->openButton().text(), QStringLiteral("Open"));
        QCOMPARE(window_->closeButton().text(), QStringLiteral("Close"));
        QCOMPARE(window_->tips().text(), QStringLiteral("Device not opened !"));
        QCOMPARE(window_->functionName().text(), QStringLiteral("NFC Text"));
        QCOMPARE(window_->panelHost().palette().color(QPalette::Window), QColor(214, 230, 244));
        QVERIFY(!(window_->windowFlags() & Qt::WindowMaximizeButtonHint));
        shell::FunctionPanel* panel = window_->functionPanel();
        QCOMPARE(panel->palette().color(QPalette::WindowText), QColor(41, 90, 136));
        QCOMPARE(panel->autoOperationBox().toolTip(),
                 QStringLiteral("Batch auto read / write card."));
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(Qt::white));
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipText), QColor(Qt::black));
        QCOMPARE(window_->menuBar()->actions().first()->text(), Qs(text::MainMenu()[0].english));
        QCOMPARE(window_->menuBar()->actions().size(), 4);  // File, Function, Set, Help
        Stop();

        Start(4, text::Language::Chinese);
        QCOMPARE(window_->deviceCombo().itemText(0),
                 Qs(text::Lookup(text::Table::DeviceBar, 1, text::Language::Chinese)));
        QCOMPARE(window_->tips().text(), QStringLiteral("设备未打开!"));
        QCOMPARE(window_->functionName().text(), QStringLiteral("智能海报"));
        QCOMPARE(window_->openButton().text(),
                 Qs(text::Lookup(text::Table::DeviceBar, 2, text::Language::Chinese)));
        Stop();
    }

    // PC/SC readers have long names: the box keeps its size in the bar, but its tips show the
    // whole name.
    void aLongReaderNameIsShownWhole() {
        // A box of its own: the window's refreshes its readers as its list drops down.
        shell::DeviceComboBox combo;
        combo.setFixedWidth(160);  // about the 105 dialog units the device bar gives it
        combo.show();
        shell::DeviceComboAdapter adapter(combo);
        adapter.Add("SIM-0001");
        const QString name = QStringLiteral("Identiv uTrust 3700 F CL Reader [Contactless] 01 00");
        adapter.Add(name.toStdString());
        adapter.Select(combo.count() - 1);
        QCOMPARE(combo.toolTip(), name);
        QCOMPARE(combo.itemData(combo.count() - 1, Qt::ToolTipRole).toString(), name);
        QVERIFY(combo.fontMetrics().horizontalAdvance(name) > combo.width());  // cut in the box
        adapter.Select(0);
        QCOMPARE(combo.toolTip(), QStringLiteral("SIM-0001"));
    }

    void openNeedsAReaderAndSaysSo() {
        Start(2, text::Language::English);
        window_->deviceCombo().setCurrentIndex(0);  // the operator picks "- Select -"
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        QCOMPARE(errors_, QStringList{QStringLiteral("Please select a device !")});

        window_->deviceCombo().setCurrentIndex(1);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        QCOMPARE(window_->tips().text(), QStringLiteral("Open device successfully !"));
        QCOMPARE(window_->tips().palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(errors_.size(), 1);
        Stop();
    }

    void openAndCloseAsTheSimulatorSeesIt() {
        Start(2, text::Language::English);
        Sim({"stats", "--reader", "SIM-0001", "--reset"});
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        const QString opened = LightsAndBuzzer();
        QTest::mouseClick(&window_->closeButton(), Qt::LeftButton);
        QCOMPARE(window_->tips().text(), QStringLiteral("Close device successfully !"));
        QCOMPARE(window_->tips().palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(errors_.isEmpty());
        // A Read on a closed reader is refused before it reaches the tag.
        QTest::mouseClick(&window_->textPanel()->readButton(), Qt::LeftButton);
        QCOMPARE(window_->tips().text(), QStringLiteral("Device not opened !"));
        QCOMPARE(window_->tips().palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(errors_.isEmpty());
        QCOMPARE(LightsAndBuzzer(), opened);
        Stop();

        Start(2, text::Language::Chinese);
        Sim({"reader", "detach", "SIM-0001"});
        window_->deviceCombo().setCurrentIndex(0);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        QCOMPARE(errors_, QStringList{QStringLiteral("请选择一个设备!")});
    }

    void theReaderListIsRefreshedWhenItDropsDownWithoutFeedback() {
        Start(2, text::Language::English);
        Sim({"reader", "add", "SIM-0002"});
        QSignalSpy changes(&window_->deviceCombo(), &QComboBox::currentIndexChanged);
        window_->deviceCombo().showPopup();
        window_->deviceCombo().hidePopup();
        QCOMPARE(window_->deviceCombo().count(), 3);
        QCOMPARE(window_->deviceCombo().itemText(2), QStringLiteral("SIM-0002"));
        QCOMPARE(window_->deviceCombo().currentText(), QStringLiteral("SIM-0001"));
        QCOMPARE(changes.count(), 0);  // the session's own refill never comes back to it
        window_->deviceCombo().setCurrentIndex(2);  // the operator's choice does
        QCOMPARE(application_->devices()->selectedIndex(), 1);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        QCOMPARE(window_->tips().text(), QStringLiteral("Open device successfully !"));
    }

    void writeAndReadATextByButton() {
        Start(2, text::Language::English);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        QVERIFY(panel);
        QTest::keyClicks(&panel->textBox(), QStringLiteral("Hello "));
        panel->textBox().insertPlainText(QStringLiteral("世界"));  // as an input method gives it
        QCOMPARE(panel->textLength().text(), QStringLiteral("12"));
        Sim({"stats", "--reader", "SIM-0001", "--reset"});
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        // The success feedback: light 2 with buzzer 10, then light 1 again.
        QCOMPARE(LightsAndBuzzer(), QStringLiteral("lights 2 1;buzzer 10"));
        QVERIFY2(LogTexts().contains(QStringLiteral("Write data succeed: Hello 世界")),
                 qPrintable(LogTexts().join('\n')));
        auto& model = window_->log().model();
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("1"));
        QCOMPARE(model.index(model.rowCount() - 1, 1).data(Qt::ForegroundRole).value<QColor>(),
                 QColor(0, 0, 255));

        panel->textBox().clear();
        QCOMPARE(panel->textLength().text(), QStringLiteral("0"));
        QTest::mouseClick(&panel->readButton(), Qt::LeftButton);
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("Hello 世界"));
        QCOMPARE(panel->textLength().text(), QStringLiteral("12"));
        QVERIFY(LogTexts().contains(QStringLiteral("Read data succeed !")));
        QCOMPARE(window_->log().model().index(0, 0).data().toString(),
                 QStringLiteral("1"));  // each command starts a fresh log

        // Lock config goes with Lock Tag.
        QVERIFY(!panel->lockConfigBox().isEnabled());
        panel->lockTagBox().setChecked(true);
        QVERIFY(panel->lockConfigBox().isEnabled());
        panel->lockTagBox().setChecked(false);
        // Protect reads goes with Encryption; Read opens such a tag with the original key.
        QVERIFY(!panel->protectReadsBox().isEnabled());
        panel->encryptionBox().setChecked(true);
        QVERIFY(panel->protectReadsBox().isEnabled());
        panel->protectReadsBox().setChecked(true);
        // A PACK half typed is refused, not taken for the derived one.
        QTest::keyClicks(&panel->packField(), QStringLiteral("ab"));
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QCOMPARE(window_->tips().text(), QStringLiteral("PACK is not 4 hex digits !"));
        QVERIFY(!LogTexts().contains(QStringLiteral("Reads need the key too !")));
        QTest::keyClicks(&panel->packField(), QStringLiteral("cd"));
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().contains(QStringLiteral("Reads need the key too !")),
                 qPrintable(LogTexts().join('\n')));
        panel->encryptionBox().setChecked(false);
        panel->textBox().clear();
        QTest::mouseClick(&panel->readButton(), Qt::LeftButton);
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("Hello 世界"));
        // Without the PACK it was given, the tag's answer to the key gives it away.
        panel->packField().clear();
        QTest::mouseClick(&panel->readButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().contains(QStringLiteral(
                     "Password acknowledge does not match: the tag takes keys it was not given !")),
                 qPrintable(LogTexts().join('\n')));
        QTest::keyClicks(&panel->packField(), QStringLiteral("ABCD"));
        QCOMPARE(panel->eraseButton().text(), QStringLiteral("Erase"));
        QTest::mouseClick(&panel->eraseButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().contains(QStringLiteral("Tag erased successfully !")),
                 qPrintable(LogTexts().join('\n')));
        QTest::mouseClick(&panel->readButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().contains(QStringLiteral("Unrecognizable NDEFMessage !")),
                 qPrintable(LogTexts().join('\n')));
        Stop();
    }

    void writeAndReadUrlAndSmartPosterByButton() {
        Start(3, text::Language::English);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::UrlPanel* url = window_->urlPanel();
        QVERIFY(url);
        QCOMPARE(url->prefixList().count(), 6);
        QCOMPARE(url->prefixList().currentIndex(), 0);
        url->prefixList().setCurrentIndex(4);  // https://
        QTest::keyClicks(&url->urlField(), QStringLiteral("example.com/a"));
        QTest::mouseClick(&url->writeButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().filter(QStringLiteral("example.com/a")).size() == 1,
                 qPrintable(LogTexts().join('\n')));
        url->urlField().clear();
        url->prefixList().setCurrentIndex(0);
        QTest::mouseClick(&url->readButton(), Qt::LeftButton);
        QCOMPARE(url->urlField().text(), QStringLiteral("example.com/a"));
        QCOMPARE(url->prefixList().currentIndex(), 4);

        window_->RunCommand(text::command::kSmartPoster);
        auto* poster = qobject_cast<shell::SmartPosterPanel*>(window_->functionPanel());
        QVERIFY(poster);
        QCOMPARE(window_->functionName().text(), QStringLiteral("SmartPoster"));
        QTest::keyClicks(&poster->titleField(), QStringLiteral("Call us"));
        poster->prefixList().setCurrentIndex(5);  // tel:
        QTest::keyClicks(&poster->urlField(), QStringLiteral("0123456789"));
        QTest::mouseClick(&poster->writeButton(), Qt::LeftButton);
        poster->titleField().clear();
        poster->urlField().clear();
        QTest::mouseClick(&poster->readButton(), Qt::LeftButton);
        QCOMPARE(poster->titleField().text(), QStringLiteral("Call us"));
        QCOMPARE(poster->urlField().text(), QStringLiteral("0123456789"));
        QCOMPARE(poster->prefixList().currentIndex(), 5);
        QVERIFY(LogTexts().contains(QStringLiteral("Read data succeed !")));
    }

    void aRowOfASheetChosenInTheFileDialogIsWritten() {
        Start(2, text::Language::English);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        chosenFile_ = QStringLiteral(TAGWRIGHT_FIXTURES_DIR "/rows.csv");
        QTest::mouseClick(&panel->browseButton(), Qt::LeftButton);
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("Hello A1"));
        panel->writeFromFileBox().setChecked(true);
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().contains(QStringLiteral("Write data succeed: Hello A1")),
                 qPrintable(LogTexts().join('\n')));
        QCOMPARE(panel->rowNumberField().text(), QStringLiteral("2"));  // Row auto +1
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("中文内容"));
    }

    // A batch past row 99,999: the number the program sets stands whole, with Row +1 and in Auto
    // operation; typing stays limited to five characters.
    void rowsPastTheFiveDigitsOfTheRowField() {
        Start(2, text::Language::English);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        chosenFile_ = SheetOfRows(100005);
        QTest::mouseClick(&panel->browseButton(), Qt::LeftButton);
        QCOMPARE(window_->tips().text(), QStringLiteral("File Loading Successfully !"));
        auto& row = panel->rowNumberField();
        TypeInto(row, QStringLiteral("99999"));
        QTest::keyClick(&row, Qt::Key_1);  // a sixth character cannot be typed
        QCOMPARE(row.text(), QStringLiteral("99999"));
        auto* rowPlus = panel->findChild<QPushButton*>(QStringLiteral("1041"));
        auto* rowMinus = panel->findChild<QPushButton*>(QStringLiteral("1042"));
        QTest::mouseClick(rowPlus, Qt::LeftButton);
        QCOMPARE(row.text(), QStringLiteral("100000"));
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("row 100000"));
        QTest::mouseClick(rowPlus, Qt::LeftButton);
        QCOMPARE(row.text(), QStringLiteral("100001"));
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("row 100001"));
        row.end(false);
        QTest::keyClick(&row, Qt::Key_7);  // nor can it be lengthened by typing
        QCOMPARE(row.text(), QStringLiteral("100001"));
        QTest::keyClick(&row, Qt::Key_Backspace);  // but shortened, and then typed to five
        QTest::keyClick(&row, Qt::Key_5);
        QCOMPARE(row.text(), QStringLiteral("10000"));
        QTest::mouseClick(rowMinus, Qt::LeftButton);
        QCOMPARE(row.text(), QStringLiteral("9999"));
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("row 9999"));

        // Auto operation from row 99,999: three tags, three rows, none repeated.
        TypeInto(row, QStringLiteral("99999"));
        QTest::mouseClick(rowMinus, Qt::LeftButton);
        QTest::mouseClick(rowPlus, Qt::LeftButton);  // loads row 99,999 again
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("row 99999"));
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        const QStringList uids = Sim({"queue", "--reader", "SIM-0001", "--count", "3",
                                      "--gap-polls", "2", "--layout", "plain"})
                                     .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(uids.size(), 3);
        panel->writeFromFileBox().setChecked(true);
        panel->autoOperationBox().setChecked(true);
        Sim({"stats", "--reader", "SIM-0001", "--reset"});
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(LightsAndBuzzer().count(QStringLiteral("10")), 3, 20000);
        QTest::mouseClick(&panel->stopButton(), Qt::LeftButton);
        QCOMPARE(TextOnTag(uids[0]), QStringLiteral("row 99999"));
        QCOMPARE(TextOnTag(uids[1]), QStringLiteral("row 100000"));
        QCOMPARE(TextOnTag(uids[2]), QStringLiteral("row 100001"));
        QCOMPARE(row.text(), QStringLiteral("100002"));
        QCOMPARE(panel->textBox().toPlainText(), QStringLiteral("row 100002"));
    }

    // The Tips field and the function-name field paint their texts in the colours they were
    // given: red for failures, blue for progress; a Tips text wider than the field shows whole
    // in its tooltip.
    void tipsAndFunctionNameArePaintedInTheirColours() {
        Start(2, text::Language::English);
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QLabel& tips = window_->tips();
        const auto paintedRed = [&](QLabel& label) {
            return LabelPaintedIn(label, Qt::red) && !LabelPaintedIn(label, Qt::blue) &&
                   !LabelPaintedIn(label, Qt::black);
        };
        const auto paintedBlue = [&](QLabel& label) {
            return LabelPaintedIn(label, Qt::blue) && !LabelPaintedIn(label, Qt::red) &&
                   !LabelPaintedIn(label, Qt::black);
        };
        QVERIFY(paintedBlue(window_->functionName()));
        window_->RunCommand(text::command::kNfcUrl);
        QVERIFY(paintedBlue(window_->functionName()));
        window_->RunCommand(text::command::kNfcText);

        QTest::mouseClick(&window_->textPanel()->readButton(), Qt::LeftButton);
        QCOMPARE(tips.text(), QStringLiteral("Device not opened !"));
        QVERIFY(paintedRed(tips));
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        QCOMPARE(tips.text(), QStringLiteral("Open device successfully !"));
        QVERIFY(paintedBlue(tips));
        chosenFile_ = simDir_->filePath(QStringLiteral("missing.xls"));
        QTest::mouseClick(&window_->textPanel()->browseButton(), Qt::LeftButton);
        QCOMPARE(tips.text(), QStringLiteral("Failed to load file !"));
        QVERIFY(paintedRed(tips));
        chosenFile_ = QStringLiteral(TAGWRIGHT_FIXTURES_DIR "/rows.csv");
        QTest::mouseClick(&window_->textPanel()->browseButton(), Qt::LeftButton);
        QCOMPARE(tips.text(), QStringLiteral("File Loading Successfully !"));
        QVERIFY(paintedBlue(tips));
        Sim({"fault", "fail", "Sys_Open", "--reader", "SIM-0001", "--status", "7"});
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        QCOMPARE(tips.text(), QStringLiteral("Error:0x07,Function:Sys_Open"));
        QVERIFY(paintedRed(tips));
        QCOMPARE(tips.toolTip(), tips.text());
        QCOMPARE(window_->functionName().toolTip(), QString());

        const QString wide = QStringLiteral("The journal cannot be written: ") + QString(80, 'x');
        feed::ShowStatus(wide.toStdString(), feed::kRed);
        QVERIFY(tips.fontMetrics().horizontalAdvance(wide) > tips.contentsRect().width());
        QCOMPARE(tips.toolTip(), wide);
    }

    // Tab walks a panel's controls in the order of its layout, content fields first, and out of
    // the text box again; a tab character never reaches the text.
    void tabWalksThePanelInLayoutOrder() {
        Start(2, text::Language::English);
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        // The production boxes follow the group they sit in; Lock config (1053) and Protect
        // reads (1058) are passed over until Lock Tag and Encryption are checked.
        const QStringList shared{"1044", "1045", "1054", "1006", "1037", "1043", "1008",
                                 "1047", "1051", "1052", "1059", "1040", "1036", "1042",
                                 "1041", "1035", "1034", "1048", "1049", "1055", "1004",
                                 "1005", "1010", "1007", "1050"};
        const auto walk = [&](QWidget* first, int steps, Qt::KeyboardModifiers modifiers) {
            first->setFocus(Qt::TabFocusReason);
            QStringList visited{QApplication::focusWidget()->objectName()};
            for (int step = 1; step < steps; ++step) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
                visited << QApplication::focusWidget()->objectName();
            }
            return visited;
        };
        struct Case {
            int command;
            QStringList content;
        };
        for (const Case& c :
             {Case{text::command::kNfcText, {"1011", "1009"}},
              Case{text::command::kNfcUrl, {"1026", "1021", "1057"}},
              Case{text::command::kSmartPoster, {"1025", "1026", "1021", "1057"}}}) {
            window_->RunCommand(c.command);
            shell::FunctionPanel* panel = window_->functionPanel();
            QWidget* first = panel->findChild<QWidget*>(c.content.first());
            const QStringList order = c.content + shared;
            QCOMPARE(walk(first, int(order.size()), Qt::NoModifier), order);
            QStringList back = order;
            std::reverse(back.begin(), back.end());
            QCOMPARE(walk(&panel->eraseButton(), int(back.size()), Qt::ShiftModifier), back);
        }
        window_->RunCommand(text::command::kNfcText);
        auto& box = window_->textPanel()->textBox();
        box.setFocus(Qt::TabFocusReason);
        QTest::keyClicks(&box, QStringLiteral("ab"));
        QTest::keyClick(&box, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), &window_->textPanel()->originalKeyField());
        box.setFocus(Qt::TabFocusReason);
        QTest::keyClick(&box, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), &window_->textPanel()->textLength());
        QCOMPARE(box.toPlainText(), QStringLiteral("ab"));
    }

    // The reader unplugged while Auto operation waits for a card: a red line naming the call
    // and its status under the waiting line, the reader error in red in the Tips field, Auto
    // operation ended; the operator opens the reader again to go on.
    void aReaderUnpluggedDuringAutoOperationEndsItAndSaysSo() {
        Start(2, text::Language::English);
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        panel->autoOperationBox().setChecked(true);
        QTest::mouseClick(&panel->readButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(LogTexts(), QStringList{"Waiting for card ......"}, 5000);
        Sim({"reader", "detach", "SIM-0001"});
        QTRY_VERIFY_WITH_TIMEOUT(panel->readButton().isEnabled(), 5000);
        const QStringList lines{"Waiting for card ......", "TyA_Request"};
        QCOMPARE(LogTexts(), lines);
        QCOMPARE(window_->log().model().index(1, shell::MessageLogModel::Code).data().toString(),
                 QStringLiteral("Error Code: 0x04"));
        QVERIFY(RowPaintedIn(1, Qt::red));
        QCOMPARE(window_->tips().text(), QStringLiteral("Error:0x04,Function:TyA_Request"));
        QVERIFY(LabelPaintedIn(window_->tips(), Qt::red));
        QVERIFY(!LabelPaintedIn(window_->tips(), Qt::blue));
        QTest::qWait(300);  // nothing polls on
        QCOMPARE(LogTexts(), lines);

        Sim({"reader", "attach", "SIM-0001"});
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        QCOMPARE(window_->tips().text(), QStringLiteral("Open device successfully !"));
        QTest::mouseClick(&panel->readButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(LogTexts(), QStringList{"Waiting for card ......"}, 5000);
        QTest::mouseClick(&panel->stopButton(), Qt::LeftButton);
    }

    // A multi-line text stands on its one log row with a mark for each line break; the numbers
    // and error codes are painted centred in their columns.
    void theLogShowsEachLineOnOneRowWithCentredNumbers() {
        Start(2, text::Language::English);
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        panel->textBox().insertPlainText(QStringLiteral("first\nsecond\nthird"));
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        const QString mark(shell::kLineBreakMark);
        QVERIFY2(
            LogTexts().contains("Write data succeed: first" + mark + "second" + mark + "third"),
            qPrintable(LogTexts().join('\n')));
        QVERIFY(QFontMetrics(window_->log().font()).inFont(shell::kLineBreakMark));
        QCOMPARE(shell::OnOneLine(QStringLiteral("a\r\nb\rc")), "a" + mark + "b" + mark + "c");

        auto& view = window_->log();
        for (const int column :
             {int(shell::MessageLogModel::Number), int(shell::MessageLogModel::Code)})
            QCOMPARE(view.model().index(0, column).data(Qt::TextAlignmentRole).toInt(),
                     int(Qt::AlignCenter));
        QApplication::processEvents();
        const QRect cell = view.visualRect(view.model().index(0, shell::MessageLogModel::Number));
        const QList<int> glyph = ColumnsPaintedIn(*view.viewport(), cell, Qt::blue);
        QVERIFY(!glyph.isEmpty());
        const int middle = (glyph.first() + glyph.last()) / 2;
        QVERIFY2(
            std::abs(middle - cell.width() / 2) <= 3,
            qPrintable(
                QStringLiteral("the number's middle at %1 of %2").arg(middle).arg(cell.width())));
    }

    // A window smaller than 800 x 600: the panel scrolls, so Stop and the other buttons stay in
    // reach; the device bar keeps the Tips field in sight, never in its overflow menu.
    void aSmallWindowScrollsThePanelAndKeepsTheTipsField() {
        Start(2, text::Language::English);
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->resize(300, 380);
        QApplication::processEvents();
        QVERIFY(window_->width() < 800);
        auto* bar = window_->findChild<QToolBar*>();
        QVERIFY(bar);
        auto* overflow = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(!overflow || !overflow->isVisible());
        QVERIFY(window_->tips().isVisible());
        QVERIFY(bar->rect().contains(window_->tips().geometry()));
        QVERIFY(window_->tips().width() >= 120);

        shell::PanelHost& host = window_->panelHost();
        QVERIFY(host.verticalScrollBar()->isVisible());
        QVERIFY(host.verticalScrollBar()->maximum() > 0);
        QPushButton& stop = window_->textPanel()->stopButton();
        host.ensureWidgetVisible(&stop);
        QApplication::processEvents();
        const QRect shown(stop.mapTo(host.viewport(), QPoint(0, 0)), stop.size());
        QVERIFY2(host.viewport()->rect().contains(shown),
                 qPrintable(QStringLiteral("Stop at %1,%2 in a pane of %3 x %4")
                                .arg(shown.x())
                                .arg(shown.y())
                                .arg(host.viewport()->width())
                                .arg(host.viewport()->height())));
        window_->resize(800, 600);
        QApplication::processEvents();
        QVERIFY(!host.verticalScrollBar()->isVisible());
        QVERIFY(!host.horizontalScrollBar()->isVisible());
    }

    // The file dialog opens in the operator's home, then in the folder of the sheet loaded last,
    // in every panel.
    void theFileDialogStartsWhereTheLastSheetWas() {
        Start(2, text::Language::English);
        chosenFile_.clear();  // cancelled
        QTest::mouseClick(&window_->textPanel()->browseButton(), Qt::LeftButton);
        chosenFile_ = simDir_->filePath(QStringLiteral("missing.csv"));
        QTest::mouseClick(&window_->textPanel()->browseButton(), Qt::LeftButton);
        chosenFile_ = QStringLiteral(TAGWRIGHT_FIXTURES_DIR "/rows.csv");
        QTest::mouseClick(&window_->textPanel()->browseButton(), Qt::LeftButton);
        QTest::mouseClick(&window_->textPanel()->browseButton(), Qt::LeftButton);
        window_->RunCommand(text::command::kNfcUrl);
        QTest::mouseClick(&window_->urlPanel()->browseButton(), Qt::LeftButton);
        const QString fixtures = QFileInfo(chosenFile_).absolutePath();
        QCOMPARE(dialogFolders_, (QStringList{QDir::homePath(), QDir::homePath(), QDir::homePath(),
                                              fixtures, fixtures}));
    }

    void contextMenuOfTheTextFields() {
        Start(3, text::Language::English);
        shell::UrlPanel* url = window_->urlPanel();
        const auto enabled = [](QMenu& menu) {
            QStringList on;
            for (QAction* action : menu.actions())
                if (!action->isSeparator() && action->isEnabled()) on << action->text();
            return on;
        };
        QGuiApplication::clipboard()->clear();
        auto menu = url->urlField().CreateFieldMenu();
        QCOMPARE(menu->actions().size(), 12);  // eight commands, four separators
        QCOMPARE(enabled(*menu), QStringList());

        QTest::keyClicks(&url->urlField(), QStringLiteral("example.com"));
        menu = url->urlField().CreateFieldMenu();
        QCOMPARE(enabled(*menu), (QStringList{"Copy all", "Clear all", "Undo", "Select all"}));
        url->urlField().setSelection(0, 7);
        menu = url->urlField().CreateFieldMenu();
        QCOMPARE(enabled(*menu), (QStringList{"Copy all", "Clear all", "Undo", "Cut", "Copy",
                                              "Clear", "Select all"}));

        menu->actions().first()->trigger();  // Copy all
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("example.com"));
        QCOMPARE(url->urlField().selectedText(), QStringLiteral("example.com"));
        QCOMPARE(window_->urlPanel(), url);  // the SmartPoster item shares the id, not the effect
        QCOMPARE(application_->currentPanel(), 3);
        menu = url->urlField().CreateFieldMenu();
        QVERIFY(enabled(*menu).contains(QStringLiteral("Paste")));
        menu->actions().at(1)->trigger();  // Clear all
        QCOMPARE(url->urlField().text(), QString());
        Stop();

        Start(2, text::Language::Chinese);
        QTest::keyClicks(&window_->textPanel()->textBox(), QStringLiteral("abc"));
        menu = window_->textPanel()->textBox().CreateFieldMenu();
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("复制全部"));
        QVERIFY(menu->actions().first()->isEnabled());
    }

    void keyAndRowFieldsFilterTyping() {
        Start(2, text::Language::English);
        shell::TextPanel* panel = window_->textPanel();
        QVERIFY(panel);
        auto& key = panel->originalKeyField();
        key.clear();
        QTest::keyClicks(&key, QStringLiteral("g1x-a B"));
        QCOMPARE(key.text(), QStringLiteral("1aB"));
        const int caret = key.cursorPosition();
        QTest::keyClick(&key, Qt::Key_Left);
        QTest::keyClick(&key, Qt::Key_Home);
        QCOMPARE(key.cursorPosition(), caret);
        QTest::keyClick(&key, Qt::Key_Backspace);
        QCOMPARE(key.text(), QStringLiteral("1a"));
        QTest::keyClick(&key, Qt::Key_7, Qt::KeypadModifier);
        QCOMPARE(key.text(), QStringLiteral("1a7"));
        QTest::keyPress(&key, Qt::Key_Control);
        QTest::keyClick(&key, Qt::Key_Left, Qt::ControlModifier);
        QTest::keyRelease(&key, Qt::Key_Control);
        QCOMPARE(key.cursorPosition(), 0);  // Ctrl combinations pass

        // Pasting is not filtered.
        QGuiApplication::clipboard()->setText(QStringLiteral("xyz"));
        key.clear();
        QTest::keyPress(&key, Qt::Key_Control);
        QTest::keyClick(&key, Qt::Key_V, Qt::ControlModifier);
        QTest::keyRelease(&key, Qt::Key_Control);
        QCOMPARE(key.text(), QStringLiteral("xyz"));

        // Enter and Escape do nothing to the panel.
        QTest::keyClick(panel, Qt::Key_Escape);
        QTest::keyClick(panel, Qt::Key_Return);
        QVERIFY(panel->isVisible());
        QCOMPARE(window_->textPanel(), panel);

        auto& row = panel->rowNumberField();
        row.clear();
        QTest::keyClicks(&row, QStringLiteral("12a"));
        QCOMPARE(row.text(), QStringLiteral("12"));
        row.clear();
        QTest::keyClicks(&row, QStringLiteral("-3"));
        QCOMPARE(row.text(), QStringLiteral("-3"));
        Stop();
    }

    void switchingPanelsKeepsOrRecreates() {
        Start(2, text::Language::English);
        shell::TextPanel* first = window_->textPanel();
        QTest::keyClicks(&first->textBox(), QStringLiteral("typed"));
        window_->RunCommand(text::command::kNfcText);
        QCOMPARE(window_->textPanel(), first);
        QCOMPARE(first->textBox().toPlainText(), QStringLiteral("typed"));

        window_->RunCommand(text::command::kNfcUrl);
        QCOMPARE(window_->functionName().text(), QStringLiteral("NFC URL"));
        QCOMPARE(application_->currentPanel(), 3);
        window_->RunCommand(text::command::kNfcText);
        QVERIFY(window_->textPanel());
        QCOMPARE(window_->textPanel()->textBox().toPlainText(), QString());
        QCOMPARE(window_->functionName().text(), QStringLiteral("NFC Text"));
        Stop();
        QCOMPARE(panelStore_->saved, std::optional<int>(2));
    }

    // Start-up from the stores the program uses: CurMenu in the settings scopes, Language in
    // AppConfig.ini; then the language command writes the file and restarts.
    void startUpFromTheStoredSettingsAndRestartInTheOtherLanguage() {
        QTemporaryDir folder;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.filePath("user"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                           folder.filePath("system"));
        const auto put = [](const QVariant& value) {
            QSettings(QSettings::NativeFormat, QSettings::UserScope, "Varnholt", "Tagwright")
                .setValue("CurMenu", value);
        };
        const QString ini = folder.filePath("AppConfig.ini");
        const auto writeIni = [&](const QByteArray& text) {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        struct Case {
            QVariant curMenu;
            QByteArray ini;
            QString functionName, tips;
        };
        const Case cases[] = {
            {QStringLiteral("a string"), "[AppInfo]\nLanguage=EN\n", "NFC Text",
             "Device not opened !"},
            {4, "[AppInfo]\nLanguage=en\n", "智能海报", "设备未打开!"},
            {7, "[AppInfo]\n", "", "设备未打开!"},
        };
        for (const Case& c : cases) {
            put(c.curMenu);
            writeIni(c.ini);
            Stop();
            simDir_.emplace();
            qputenv("CARDHOST_SIM_DIR", simDir_->path().toUtf8());
            const auto panels = app::ProgramPanelStore();
            app::AppConfigLanguageStore language(ini.toStdString(),
                                                 folder.filePath("copy.ini").toStdString());
            application_.emplace(*panels, language);
            QVERIFY(application_->Start());
            window_ = std::make_unique<shell::MainWindow>(*application_, starter_);
            QCOMPARE(window_->functionName().text(), c.functionName);
            QCOMPARE(window_->tips().text(), c.tips);
            QCOMPARE(window_->functionPanel() != nullptr, c.curMenu.toInt() != 7);

            const int starts = starter_.starts;
            window_->RunCommand(text::command::kEnglish);
            QCOMPARE(starter_.starts, starts + 1);
            QFile written(ini);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QVERIFY(written.readAll().contains("Language=EN"));
            window_.reset();
            application_->Exit();
            application_.reset();
        }
        QCOMPARE(QSettings(QSettings::NativeFormat, QSettings::SystemScope, "Varnholt", "Tagwright")
                     .value("CurMenu")
                     .toInt(),
                 7);  // saved at exit where writable
    }

    void aboutBox() {
        const auto box = shell::MakeAboutBox(nullptr);
        QCOMPARE(box->windowTitle(), QStringLiteral("About Tagwright"));
        QVERIFY(!box->iconPixmap().isNull());
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
        // The product line stays as it is; the version goes below our own line.
        QCOMPARE(box->text(), QStringLiteral("Tagwright"));
        QVERIFY(box->informativeText().startsWith(QStringLiteral("Writes Text, URL")));
        QVERIFY(box->informativeText().endsWith(
            QString::fromStdString(version::VersionLine("Version"))));
        QVERIFY(box->informativeText().contains(
            QStringLiteral("Version ") +
            QString::fromUtf8(version::Version().data(), qsizetype(version::Version().size()))));
        QVERIFY(!shell::ProgramIcon().isNull());
        // The dialog colours, as painted.
        QCOMPARE(box->palette().color(QPalette::Window), QColor(214, 230, 244));
        QCOMPARE(box->palette().color(QPalette::WindowText), QColor(41, 90, 136));
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QCOMPARE(box->grab().toImage().pixelColor(2, 2), QColor(214, 230, 244));
        auto* line = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        QVERIFY(line);
        QVERIFY(!ColumnsPaintedIn(*line, line->rect(), QColor(41, 90, 136)).isEmpty());
        QVERIFY(ColumnsPaintedIn(*line, line->rect(), Qt::black).isEmpty());
    }

    // The reader library cannot be bound: the one message box, naming this platform's library
    // file, then the program ends without a window; the exit sequence runs all the same (the
    // panel value read at start-up is written back, nothing stays bound).
    void aFailedBindingShowsOneMessageAndEndsWithoutAWindow() {
        for (const text::Language language : {text::Language::English, text::Language::Chinese}) {
            app::FixedPanelStore panels(4);
            app::FixedLanguageStore languages(language);
            app::Application application(panels, languages, [] { return false; });
            QStringList shown;
            int windowsWhileShown = -1;
            const int status = shell::RunProgram(application, starter_, [&](const QString& text) {
                shown << text;
                windowsWhileShown = MainWindowsShown();
            });
            QCOMPARE(status, 1);
            // Not localized: the language tables are not consulted.
            QCOMPARE(shown, QStringList{QStringLiteral("Load libcardhost.so failed !")});
            QCOMPARE(windowsWhileShown, 0);
            QCOMPARE(MainWindowsShown(), 0);
            QCOMPARE(panels.saved, std::optional<int>(4));
            QVERIFY(!reader::ReaderLibraryBound());
        }
    }

    // The box the program shows for it: caption "Error", the error icon, the text, one OK.
    void theStartUpMessageIsAnErrorBox() {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QColor background, foreground;
        qsizetype buttons = 0;
        bool seen = false;
        const auto inspect = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return false;
            seen = true;
            caption = box->windowTitle();
            text = box->text();
            background = box->palette().color(QPalette::Window);
            foreground = box->palette().color(QPalette::WindowText);
            icon = box->icon();
            buttons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
            return true;
        };
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (inspect()) poll.stop();
        });
        poll.start(20);
        shell::ShowStartupError(shell::LoadLibraryFailedText());
        QVERIFY(seen);
        QCOMPARE(caption, QStringLiteral("Error"));
        QCOMPARE(text, QStringLiteral("Load libcardhost.so failed !"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, qsizetype(1));
        QCOMPARE(background, QColor(214, 230, 244));
        QCOMPARE(foreground, QColor(41, 90, 136));
    }

    // A library that binds: the window is shown until it closes, then the exit sequence.
    void aBoundLibraryRunsTheWindowUntilItCloses() {
        simDir_.emplace();
        qputenv("CARDHOST_SIM_DIR", simDir_->path().toUtf8());
        app::FixedPanelStore panels(3);
        app::FixedLanguageStore languages(text::Language::English);
        app::Application application(panels, languages);
        int windowsWhileRunning = -1;
        QTimer::singleShot(0, this, [&] {
            windowsWhileRunning = MainWindowsShown();
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<shell::MainWindow*>(widget)) {
                    window->RunCommand(text::command::kSmartPoster);
                    window->RunCommand(text::command::kExit);
                }
        });
        bool failureShown = false;
        QCOMPARE(
            shell::RunProgram(application, starter_, [&](const QString&) { failureShown = true; }),
            0);
        QVERIFY(!failureShown);
        QCOMPARE(windowsWhileRunning, 1);
        QCOMPARE(MainWindowsShown(), 0);
        QCOMPARE(panels.saved, std::optional<int>(4));
        QVERIFY(!reader::ReaderLibraryBound());
    }

    // The frame is 800 x 600 and holds the panel whole; the upper pane starts H - H/4 + 5 high
    // (H below the menu bar); every control sits where its dialog units put it, with room for
    // its caption, in both languages.
    void theWindowAndThePanelsHaveTheirLaidOutSizes() {
        QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 96.0);
        for (const text::Language language : {text::Language::English, text::Language::Chinese}) {
            Start(2, language);
            QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
            QCOMPARE(window_->size(), QSize(800, 600));
            const int h = window_->height() - window_->menuBar()->height();
            QCOMPARE(window_->panelHost().height(), h - h / 4 + 5);
            QCOMPARE(window_->splitter().sizes().first(), h - h / 4 + 5);

            for (const int command :
                 {text::command::kNfcText, text::command::kNfcUrl, text::command::kSmartPoster}) {
                window_->RunCommand(command);
                shell::FunctionPanel* panel = window_->functionPanel();
                QVERIFY(panel);
                QCOMPARE(panel->size(), QSize(PixelsX(517), PixelsY(269)));
                QVERIFY2(window_->panelHost().rect().contains(panel->geometry()),
                         qPrintable(QStringLiteral("panel at %1,%2 in a pane of %3 x %4")
                                        .arg(panel->x())
                                        .arg(panel->y())
                                        .arg(window_->panelHost().width())
                                        .arg(window_->panelHost().height())));
                QCOMPARE(panel->x(), (window_->panelHost().width() - panel->width()) / 2);
                QCOMPARE(panel->y(), (window_->panelHost().height() - panel->height()) / 2);
                std::vector<Placed> controls(std::begin(kSharedControls),
                                             std::end(kSharedControls));
                if (command == text::command::kNfcText)
                    controls.insert(controls.end(), std::begin(kTextControls),
                                    std::end(kTextControls));
                for (const Placed& control : controls) {
                    auto* widget = panel->findChild<QWidget*>(QString::number(control.id));
                    QVERIFY2(widget, qPrintable(QString::number(control.id)));
                    QCOMPARE(widget->geometry(), Pixels(control));
                }
                for (QWidget* widget :
                     panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                    QVERIFY2(panel->rect().contains(widget->geometry()),
                             qPrintable(widget->objectName()));
                QCOMPARE(ClippedCaptions(*panel), QStringList());
            }
            Stop();
        }
    }

    void languageCommandWritesTheSettingAndRestarts() {
        Start(3, text::Language::English);
        const int before = starter_.starts;
        window_->RunCommand(text::command::kChinese);
        QVERIFY(languageStore_->saved == text::Language::Chinese);
        QCOMPARE(starter_.starts, before + 1);
        QVERIFY(!window_->isVisible());
        QCOMPARE(panelStore_->saved,
                 std::optional<int>(3));  // saved before the new instance starts
        Stop();
    }

    void autoOperationWritesEachTagOfTheConveyorOnce() {
        Start(2, text::Language::English);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        const QStringList uids =
            Sim({"queue", "--reader", "SIM-0001", "--count", "3", "--gap-polls", "2"})
                .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(uids.size(), 3);
        shell::TextPanel* panel = window_->textPanel();
        QTest::keyClicks(&panel->textBox(), QStringLiteral("conveyor"));
        panel->autoOperationBox().setChecked(true);
        Sim({"stats", "--reader", "SIM-0001", "--reset"});
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QVERIFY(!panel->readButton().isEnabled());   // Read and Write wait while Auto runs
        QVERIFY(!panel->eraseButton().isEnabled());  // and so does Erase
        QTRY_COMPARE_WITH_TIMEOUT(LightsAndBuzzer().count(QStringLiteral("10")), 3, 20000);
        QTest::mouseClick(&panel->stopButton(), Qt::LeftButton);
        QVERIFY(panel->readButton().isEnabled());
        const QString after = LightsAndBuzzer();
        QTest::qWait(400);  // no timer runs after Stop
        QCOMPARE(LightsAndBuzzer(), after);
    }

    // Clear key while Auto Read runs: it runs once on the tag in the field, its lines added to
    // the loop's (Clear key does not clear the log), its feedback leaves the light at 2, Auto
    // goes on, and the loop does not handle that tag again until it has left the field.
    void clearKeyDuringAutoOperationRunsOnceAndTheLoopSkipsThatTag() {
        Start(2, text::Language::English);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        // The tag protected under 11223344 first, by a single Write with Encryption.
        QTest::keyClicks(&panel->textBox(), QStringLiteral("protected"));
        panel->findChild<QCheckBox*>(QStringLiteral("1043"))->setChecked(true);
        auto* newKey = panel->findChild<QLineEdit*>(QStringLiteral("1045"));
        newKey->setText(QStringLiteral("11223344"));
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QVERIFY2(LogTexts().contains(QStringLiteral("Encryption successful !")),
                 qPrintable(LogTexts().join('\n')));
        panel->findChild<QCheckBox*>(QStringLiteral("1043"))->setChecked(false);
        panel->originalKeyField().setText(QStringLiteral("11223344"));

        panel->autoOperationBox().setChecked(true);
        QTest::mouseClick(&panel->readButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(
            LogTexts().contains(QStringLiteral("Waiting for the card to be removed ......")), 5000);
        const QStringList byTheLoop = LogTexts();
        QVERIFY(byTheLoop.contains(QStringLiteral("Read data succeed !")));
        const QString uid = QRegularExpression(QStringLiteral("UID: ([0-9A-F]{14})"))
                                .match(byTheLoop.join('\n'))
                                .captured(1);
        QVERIFY(!uid.isEmpty());

        Sim({"stats", "--reader", "SIM-0001", "--reset"});
        QVERIFY(panel->clearKeyButton().isEnabled());
        QTest::mouseClick(&panel->clearKeyButton(), Qt::LeftButton);
        const QStringList afterClear = LogTexts();
        QCOMPARE(afterClear.mid(0, byTheLoop.size()), byTheLoop);
        QVERIFY2(afterClear.mid(byTheLoop.size()).contains("Password cleared successfully !"),
                 qPrintable(afterClear.join('\n')));
        QCOMPARE(afterClear.last(), QStringLiteral("Waiting for the card to be removed ......"));
        QCOMPARE(LightsAndBuzzer(), QStringLiteral("lights 2;buzzer 10"));
        QVERIFY(!panel->readButton().isEnabled());  // Auto operation goes on
        // AUTH0 back to 0xFF, the default password stored (page 41 and page 43 of an NTAG213).
        const QString memory = Sim({"tag", "dump", "--reader", "SIM-0001", "--hex"}).trimmed();
        QCOMPARE(memory.mid(41 * 8 + 6, 2).toUpper(), QStringLiteral("FF"));
        QCOMPARE(memory.mid(43 * 8, 8).toUpper(), QStringLiteral("7C7C7C7C"));

        QTest::qWait(400);  // four ticks on the same tag: nothing handled again
        QCOMPARE(LogTexts(), afterClear);
        QCOMPARE(LightsAndBuzzer(), QStringLiteral("lights 2;buzzer 10"));

        // Once it has left the field and come back, the loop handles it again.
        Sim({"tag", "remove", "--reader", "SIM-0001"});
        QTRY_COMPARE_WITH_TIMEOUT(LogTexts(), QStringList{"Waiting for card ......"}, 5000);
        Sim({"tag", "place", uid, "--reader", "SIM-0001"});
        QTRY_VERIFY_WITH_TIMEOUT(LogTexts().contains(QStringLiteral("Read data succeed !")), 5000);
        QTest::mouseClick(&panel->stopButton(), Qt::LeftButton);
        QVERIFY(panel->readButton().isEnabled());
    }

    // A write that the reader fails part-way: its line is painted red among blue ones. The next
    // command clears the log; a blue line at the red line's row is painted blue.
    void aRealFailureIsARedLineAndAReusedRowTakesItsOwnColour() {
        Start(2, text::Language::English);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        QTest::keyClicks(&panel->textBox(), QStringLiteral("a text over two pages"));
        Sim({"fault", "fail", "TyA_NTAG_Write", "--reader", "SIM-0001", "--nth", "2", "--status",
             "0x0b"});
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        const QStringList failed = LogTexts();
        QVERIFY2(failed.last() == QStringLiteral("Write faild: Page5 !"),
                 qPrintable(failed.join('\n')));
        const int red = int(failed.size()) - 1;
        QVERIFY(red >= 1);
        QCOMPARE(RowColour(red), QColor(255, 0, 0));
        for (int row = 0; row < red; ++row)
            QCOMPARE(RowColour(row), QColor(0, 0, 255));
        QVERIFY(RowPaintedIn(red, Qt::red));
        QVERIFY(!RowPaintedIn(red, Qt::blue));
        QVERIFY(RowPaintedIn(0, Qt::blue));
        QVERIFY(!RowPaintedIn(0, Qt::red));
        QVERIFY(!LogTexts().contains(QStringLiteral("Write data succeed: a text over two pages")));

        // The fault was for one call: the Write that follows succeeds, in blue lines only.
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        const QStringList read = LogTexts();
        QVERIFY2(read.size() > red &&
                     read.contains(QStringLiteral("Write data succeed: a text over two pages")),
                 qPrintable(read.join('\n')));
        for (int row = 0; row < int(read.size()); ++row)
            QCOMPARE(RowColour(row), QColor(0, 0, 255));
        QVERIFY(RowPaintedIn(red, Qt::blue));
        QVERIFY(!RowPaintedIn(red, Qt::red));
    }

    void autoOperationRunsOnTheWindowTimer() {
        Start(2, text::Language::English);
        QTest::mouseClick(&window_->openButton(), Qt::LeftButton);
        shell::TextPanel* panel = window_->textPanel();
        QTest::keyClicks(&panel->textBox(), QStringLiteral("auto"));
        panel->autoOperationBox().setChecked(true);
        QTest::mouseClick(&panel->writeButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(LogTexts().contains(QStringLiteral("Write data succeed: auto")),
                                 5000);
        QTest::mouseClick(&panel->stopButton(), Qt::LeftButton);
        QVERIFY(panel->readButton().isEnabled());
        Stop();
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
