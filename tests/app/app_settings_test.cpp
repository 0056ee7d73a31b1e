// SPDX-License-Identifier: MIT
// The settings the program keeps between runs: the current panel (CurMenu) in the two settings
// scopes, and the UI language in AppConfig.ini beside the program.
#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/language_store.h"
#include "app/panel_store.h"
#include "app/qsettings_scope.h"

namespace tagwright {
namespace {

namespace fs = std::filesystem;

fs::path MakeTempDirectory() {
    std::string pattern = (fs::temp_directory_path() / "tw-settings-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    return pattern;
}

void WriteFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Both settings scopes redirected into a private folder.
class PanelSetting : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeTempDirectory();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((folder_ / "user").string()));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                           QString::fromStdString((folder_ / "system").string()));
    }
    void TearDown() override { fs::remove_all(folder_); }

    static void Put(QSettings::Scope scope, const QVariant& value) {
        QSettings settings(QSettings::NativeFormat, scope, "Varnholt", "Tagwright");
        settings.setValue("CurMenu", value);
    }
    static QVariant Get(QSettings::Scope scope) {
        QSettings settings(QSettings::NativeFormat, scope, "Varnholt", "Tagwright");
        settings.setFallbacksEnabled(false);
        return settings.value("CurMenu");
    }

    fs::path folder_;
};

TEST_F(PanelSetting, StartUpReadsTheOperatorsValueFirstAndIgnoresWhatIsNoInteger) {
    EXPECT_EQ(app::ProgramPanelStore()->Load(), 2) << "first run: the Text panel";

    for (int stored : {2, 3, 4, 7}) {
        Put(QSettings::SystemScope, stored);
        EXPECT_EQ(app::ProgramPanelStore()->Load(), stored) << "machine-wide " << stored;
    }
    Put(QSettings::SystemScope, 3);
    Put(QSettings::UserScope, 4);
    EXPECT_EQ(app::ProgramPanelStore()->Load(), 4) << "the operator's own value comes first";

    Put(QSettings::UserScope, QString("a string"));
    EXPECT_EQ(app::ProgramPanelStore()->Load(), 3) << "a string is ignored";
    Put(QSettings::SystemScope, QString("4x"));
    EXPECT_EQ(app::ProgramPanelStore()->Load(), 2) << "nothing usable: the Text panel";
}

TEST_F(PanelSetting, ExitSavesMachineWideWhereWritableAndDropsTheOperatorsOlderValue) {
    Put(QSettings::UserScope, 3);
    app::ProgramPanelStore()->Save(4);
    EXPECT_EQ(Get(QSettings::SystemScope).toInt(), 4);
    EXPECT_FALSE(Get(QSettings::UserScope).isValid()) << "an older value would hide the new one";
    EXPECT_EQ(app::ProgramPanelStore()->Load(), 4);
}

// A scope in memory whose writability the test decides.
struct MemoryScope : app::SettingsScope {
    std::map<std::string, std::string>& values;
    bool writable;
    MemoryScope(std::map<std::string, std::string>& v, bool w) : values(v), writable(w) {}
    std::optional<std::string> Read(const std::string& key) const override {
        const auto it = values.find(key);
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
    bool Writable() const override { return writable; }
    bool Write(const std::string& key, int value) override {
        if (!writable) return false;
        values[key] = std::to_string(value);
        return true;
    }
    void Remove(const std::string& key) override { values.erase(key); }
};

TEST(PanelStore, WithoutRightsMachineWideTheValueIsKeptForTheOperator) {
    std::map<std::string, std::string> user, system{{"CurMenu", "2"}};
    app::ScopedPanelStore store(std::make_unique<MemoryScope>(user, true),
                                std::make_unique<MemoryScope>(system, false));
    store.Save(3);
    EXPECT_EQ(user.at("CurMenu"), "3");
    EXPECT_EQ(system.at("CurMenu"), "2");
    EXPECT_EQ(store.Load(), 3) << "the next start shows the panel this one ended on";
}

TEST(PanelStore, OnlyAWholeIntegerIsAPanelValue) {
    EXPECT_EQ(app::ParsePanelValue("4"), 4);
    EXPECT_EQ(app::ParsePanelValue("-1"), -1);
    EXPECT_EQ(app::ParsePanelValue(""), std::nullopt);
    EXPECT_EQ(app::ParsePanelValue("3 "), std::nullopt);
    EXPECT_EQ(app::ParsePanelValue("abc"), std::nullopt);
    EXPECT_EQ(app::ParsePanelValue("99999999999"), std::nullopt);
}

class LanguageSetting : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = MakeTempDirectory();
        fs::create_directories(Beside().parent_path());
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path Beside() const { return folder_ / "bin" / "AppConfig.ini"; }
    fs::path UserCopy() const {
        return folder_ / "config" / "Varnholt" / "Tagwright" / "AppConfig.ini";
    }
    app::AppConfigLanguageStore Store(bool besideWritable = true) const {
        return app::AppConfigLanguageStore(
            Beside(), UserCopy(), [besideWritable](const fs::path&) { return besideWritable; });
    }

    fs::path folder_;
};

TEST_F(LanguageSetting, OnlyExactlyENSelectsEnglish) {
    const auto store = Store();
    const std::map<std::string, text::Language> files{
        {"[AppInfo]\nLanguage=EN\n", text::Language::English},
        {"[AppInfo]\r\nLanguage = EN\r\n", text::Language::English},
        {"[appinfo]\nlanguage=EN\n", text::Language::English},
        {"[AppInfo]\nLanguage=CN\n", text::Language::Chinese},
        {"[AppInfo]\nLanguage=en\n", text::Language::Chinese},
        {"[AppInfo]\nLanguage=English\n", text::Language::Chinese},
        {"[AppInfo]\nOther=EN\n", text::Language::Chinese},
        {"[Other]\nLanguage=EN\n", text::Language::Chinese},
    };
    for (const auto& [content, expected] : files) {
        WriteFile(Beside(), content);
        EXPECT_EQ(store.Load(), expected) << content;
    }
}

TEST_F(LanguageSetting, WithoutTheFileTheUiIsChineseAndStaysSo) {
    auto store = Store();
    EXPECT_EQ(store.Load(), text::Language::Chinese);
    EXPECT_FALSE(store.Save(text::Language::English));
    EXPECT_FALSE(fs::exists(Beside())) << "the file is never created";
    EXPECT_FALSE(fs::exists(UserCopy()));
    EXPECT_EQ(store.Load(), text::Language::Chinese);
}

TEST_F(LanguageSetting, AChoiceIsWrittenIntoTheFileKeepingItsOtherLines) {
    auto store = Store();
    WriteFile(Beside(), "; kept\n[AppInfo]\nVersion=3\nLanguage=CN\n[Other]\nLanguage=X\n");
    ASSERT_TRUE(store.Save(text::Language::English));
    EXPECT_EQ(ReadFile(Beside()),
              "; kept\n[AppInfo]\nVersion=3\nLanguage=EN\n[Other]\nLanguage=X\n");
    EXPECT_EQ(store.Load(), text::Language::English);

    WriteFile(Beside(), "[Other]\nA=1\n");
    ASSERT_TRUE(store.Save(text::Language::Chinese));
    EXPECT_EQ(ReadFile(Beside()), "[Other]\nA=1\n[AppInfo]\nLanguage=CN\n");
    WriteFile(Beside(), "[AppInfo]\nVersion=3\n\n[Other]\n");
    ASSERT_TRUE(store.Save(text::Language::English));
    EXPECT_EQ(ReadFile(Beside()), "[AppInfo]\nVersion=3\nLanguage=EN\n\n[Other]\n");
    EXPECT_FALSE(fs::exists(UserCopy()));
}

TEST_F(LanguageSetting, AnUnwritableFileBesideTheProgramGetsACopyForTheOperator) {
    WriteFile(Beside(), "[AppInfo]\nLanguage=CN\n");
    auto store = Store(/*besideWritable=*/false);
    ASSERT_TRUE(store.Save(text::Language::English));
    EXPECT_EQ(ReadFile(Beside()), "[AppInfo]\nLanguage=CN\n") << "the installed copy is untouched";
    EXPECT_EQ(ReadFile(UserCopy()), "[AppInfo]\nLanguage=EN\n");
    EXPECT_EQ(store.Load(), text::Language::English) << "the operator's copy is read first";
    ASSERT_TRUE(store.Save(text::Language::Chinese));
    EXPECT_EQ(store.Load(), text::Language::Chinese);

    // Once the file beside the program can be written again, it counts.
    WriteFile(Beside(), "[AppInfo]\nLanguage=EN\n");
    EXPECT_EQ(Store(/*besideWritable=*/true).Load(), text::Language::English);
}

TEST_F(LanguageSetting, TheFileSystemDecidesWhatIsWritable) {
    WriteFile(Beside(), "[AppInfo]\nLanguage=CN\n");
    EXPECT_TRUE(app::FileWritable(Beside()));
    const fs::path directory = folder_ / "bin";
    EXPECT_FALSE(app::FileWritable(directory)) << "a folder is no file to write";
}

}  // namespace
}  // namespace tagwright
