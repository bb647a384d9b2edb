#include "settings/AppSettings.h"
#include "platform/memory/MemoryDataLocations.h"
#include "platform/memory/MemoryLoginItemService.h"
#include "settings/SettingsJson.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillstack {
namespace {

const QByteArray defaultFile =
    R"({"hotkeyConfig":{"key":"v","modifiers":"commandShift"},"launchAtLogin":false})";
const HotkeyConfig commandOptionK{HotkeyKey::k, HotkeyModifierPreset::commandOption};

// A settings file for ⌘⌥K whose unknown member nests `levels` arrays (the top object is level 1).
QByteArray nestedFile(int levels) {
    return R"({"future":)" + QByteArray(levels, '[') + QByteArray(levels, ']') +
           R"(,"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":false})";
}

class AppSettingsTest : public testing::Test {
protected:
    QString settingsPath() const {
        return dir.path() + QStringLiteral("/Quillstack/settings.json");
    }

    void writeSettings(const QByteArray& bytes) {
        QDir(dir.path()).mkpath(QStringLiteral("Quillstack"));
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readSettings() const {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList keptAside() const {
        return QDir(dir.path() + QStringLiteral("/Quillstack"))
            .entryList({QStringLiteral("settings.json.corrupt-*")}, QDir::Files);
    }

    QTemporaryDir dir;
    MemoryDataLocations locations{dir.path(), dir.path() + QStringLiteral("/tmp")};
    MemoryLoginItemService loginItems;
};

TEST_F(AppSettingsTest, NoFileKeepsDefaultsAndTouchesNothing) {
    AppSettings settings(locations, loginItems);
    EXPECT_EQ(settings.hotkeyConfig(), HotkeyConfig::defaultConfig());
    EXPECT_FALSE(settings.launchAtLogin());
    EXPECT_EQ(settings.storageURL(), settingsPath());
    EXPECT_TRUE(QDir(dir.path() + QStringLiteral("/Quillstack")).exists());
    EXPECT_FALSE(QFile::exists(settingsPath()));
    EXPECT_EQ(loginItems.registerCount(), 0);
    EXPECT_EQ(loginItems.unregisterCount(), 0);
}

TEST_F(AppSettingsTest, StoredFalseLoadsAndEndsWithOneUnregister) {
    const QByteArray stored =
        R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":false})";
    writeSettings(stored);
    AppSettings settings(locations, loginItems);
    EXPECT_EQ(settings.hotkeyConfig(), commandOptionK);
    EXPECT_EQ(settings.hotkeyConfig().displayString(), QStringLiteral("⌘⌥K"));
    EXPECT_FALSE(settings.launchAtLogin());
    EXPECT_EQ(readSettings(), stored);
    EXPECT_EQ(loginItems.registerCount(), 0);
    EXPECT_EQ(loginItems.unregisterCount(), 1);
}

TEST_F(AppSettingsTest, StoredTrueRegistersTwice) {
    const QByteArray stored =
        R"({"launchAtLogin":true,"hotkeyConfig":{"modifiers":"commandOption","key":"k"}})";
    writeSettings(stored);
    AppSettings settings(locations, loginItems);
    EXPECT_EQ(settings.hotkeyConfig(), commandOptionK);
    EXPECT_TRUE(settings.launchAtLogin());
    EXPECT_EQ(readSettings(),
              R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":true})");
    EXPECT_EQ(loginItems.registerCount(), 2);
    EXPECT_EQ(loginItems.unregisterCount(), 0);
}

TEST_F(AppSettingsTest, StoredDefaultsStillRequestUnregisterWithoutRewriting) {
    writeSettings(defaultFile);
    AppSettings settings(locations, loginItems);
    EXPECT_EQ(settings.hotkeyConfig(), HotkeyConfig::defaultConfig());
    EXPECT_EQ(readSettings(), defaultFile);
    EXPECT_EQ(loginItems.unregisterCount(), 1);
}

TEST_F(AppSettingsTest, UndecodableFileGivesDefaultsAndIsKeptAsideOnTheFirstChange) {
    const QList<QByteArray> undecodable = {
        R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"}})",
        R"({"hotkeyConfig":{"key":"k","modifiers":"CommandOption"},"launchAtLogin":true})",
        R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":"yes"})",
        R"({"hotkeyConfig":{"key":"k"},"launchAtLogin":true})",
        R"([1,2,3])",
        "{\"hotkeyConfig\":{\"key\":\"k\",\"modifiers\":\"commandOption\"},\"launchAtLogin\":tr",
        "\xff\xfe\x00garbage",
        QByteArray(200 * 1024, ' ') + defaultFile,
        // nested past the bound: just past it, 30,000 levels (60 KB), 65,000 levels (130 KB)
        nestedFile(SettingsJson::maxNesting),
        nestedFile(30000),
        nestedFile(65000),
    };
    for (const QByteArray& bytes : undecodable) {
        QDir(dir.path() + QStringLiteral("/Quillstack")).removeRecursively();
        writeSettings(bytes);
        MemoryLoginItemService requests;
        AppSettings settings(locations, requests);
        EXPECT_EQ(settings.hotkeyConfig(), HotkeyConfig::defaultConfig()) << bytes.left(80).data();
        EXPECT_FALSE(settings.launchAtLogin());
        EXPECT_EQ(requests.registerCount() + requests.unregisterCount(), 0);
        EXPECT_EQ(readSettings(), bytes);
        EXPECT_TRUE(keptAside().isEmpty());

        testing::internal::CaptureStderr();
        settings.setHotkeyConfig(commandOptionK);
        const std::string said = testing::internal::GetCapturedStderr();
        ASSERT_EQ(keptAside().size(), 1);
        const QString asidePath = dir.path() + QStringLiteral("/Quillstack/") + keptAside().first();
        EXPECT_EQ(said, "Quillstack: settings.json could not be read; it was moved to " +
                            asidePath.toStdString() + "\n");
        QFile aside(asidePath);
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), bytes);
        EXPECT_EQ(
            readSettings(),
            R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":false})");
        testing::internal::CaptureStderr();
        settings.setLaunchAtLogin(true);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(keptAside().size(), 1);
    }
    // Nested just within the bound, the file still reads.
    writeSettings(nestedFile(SettingsJson::maxNesting - 1));
    EXPECT_EQ(AppSettings(locations, loginItems).hotkeyConfig(), commandOptionK);
}

TEST_F(AppSettingsTest, AssigningTheSameValuesAnnouncesButSavesAndCallsNobody) {
    AppSettings settings(locations, loginItems);
    int listenerCalls = 0;
    int announcements = 0;
    settings.setOnHotkeyChanged([&](const HotkeyConfig&) { ++listenerCalls; });
    QObject::connect(&settings, &AppSettings::hotkeyConfigWillChange, [&] { ++announcements; });
    QObject::connect(&settings, &AppSettings::launchAtLoginWillChange, [&] { ++announcements; });

    settings.setHotkeyConfig(HotkeyConfig::defaultConfig());
    settings.setLaunchAtLogin(false);
    EXPECT_EQ(announcements, 2);
    EXPECT_EQ(listenerCalls, 0);
    EXPECT_FALSE(QFile::exists(settingsPath()));
    EXPECT_EQ(loginItems.registerCount() + loginItems.unregisterCount(), 0);
}

TEST_F(AppSettingsTest, AChangeIsAnnouncedFirstThenSavedThenTold) {
    AppSettings settings(locations, loginItems);
    QStringList events;
    QObject::connect(
        &settings, &AppSettings::hotkeyConfigWillChange, [&](const HotkeyConfig& next) {
            events << QStringLiteral("will %1 -> %2")
                          .arg(settings.hotkeyConfig().displayString(), next.displayString());
        });
    settings.setOnHotkeyChanged([&](const HotkeyConfig& config) {
        events << QStringLiteral("told %1, file has %2")
                      .arg(config.displayString(), QString::fromUtf8(readSettings()));
    });
    QObject::connect(&settings, &AppSettings::hotkeyConfigChanged, [&](const HotkeyConfig& config) {
        events << QStringLiteral("changed %1").arg(config.displayString());
    });

    settings.setHotkeyConfig(commandOptionK);
    EXPECT_EQ(events,
              QStringList({
                  QStringLiteral("will ⌘⇧V -> ⌘⌥K"),
                  QStringLiteral("told ⌘⌥K, file has "
                                 R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},)"
                                 R"("launchAtLogin":false})"),
                  QStringLiteral("changed ⌘⌥K"),
              }));

    settings.setHotkeyConfig(HotkeyConfig::defaultConfig());
    EXPECT_EQ(readSettings(), defaultFile);

    bool sawOldValue = false;
    QObject::connect(&settings, &AppSettings::launchAtLoginWillChange,
                     [&](bool next) { sawOldValue = next && !settings.launchAtLogin(); });
    settings.setLaunchAtLogin(true);
    EXPECT_TRUE(sawOldValue);
    EXPECT_EQ(loginItems.registerCount(), 1);
    EXPECT_TRUE(loginItems.isRegistered());
    settings.setLaunchAtLogin(false);
    EXPECT_EQ(loginItems.unregisterCount(), 1);
    EXPECT_EQ(readSettings(), defaultFile);
}

TEST_F(AppSettingsTest, RefusedLoginItemPrintsOneLineAndKeepsTheChoice) {
    AppSettings settings(locations, loginItems);
    loginItems.setRefusal(QStringLiteral("cannot write /x/quillstack.desktop: Permission denied"));
    testing::internal::CaptureStderr();
    settings.setLaunchAtLogin(true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: unable to update launch-at-login setting: cannot write "
              "/x/quillstack.desktop: Permission denied\n");
    EXPECT_TRUE(settings.launchAtLogin());
    EXPECT_EQ(readSettings(),
              R"({"hotkeyConfig":{"key":"v","modifiers":"commandShift"},"launchAtLogin":true})");

    // A reload with the refusal still in place asks twice for the one stored choice and
    // reports the refusal once.
    const int registers = loginItems.registerCount();
    testing::internal::CaptureStderr();
    AppSettings reloaded(locations, loginItems);
    const std::string lines = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(reloaded.launchAtLogin());
    EXPECT_EQ(loginItems.registerCount(), registers + 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;

    // Every later refusal of a choice is reported again, each once.
    testing::internal::CaptureStderr();
    reloaded.setLaunchAtLogin(false);
    reloaded.setLaunchAtLogin(true);
    const std::string later = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(later.begin(), later.end(), '\n'), 2) << later;
}

TEST_F(AppSettingsTest, AnUnwritableFolderKeepsTheSettingsInMemory) {
    // A plain file where the folder should be: neither the folder nor the file can be made.
    QFile blocker(dir.path() + QStringLiteral("/Quillstack"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AppSettings settings(locations, loginItems);
    settings.setHotkeyConfig(commandOptionK);
    settings.setLaunchAtLogin(true);
    EXPECT_EQ(settings.hotkeyConfig(), commandOptionK);
    EXPECT_TRUE(settings.launchAtLogin());
    EXPECT_EQ(loginItems.registerCount(), 1);
}

} // namespace
} // namespace quillstack
