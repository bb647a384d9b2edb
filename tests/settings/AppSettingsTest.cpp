#include "settings/AppSettings.h"
#include "platform/memory/MemoryDataLocations.h"
#include "platform/memory/MemoryLoginItemService.h"
#include "settings/SettingsJson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
std::vector<std::string> calls; // "fsync <path>" and "rename <from> <to>", in order
} // namespace

// Wrapped at link time (see CMakeLists.txt) to record their order.
extern "C" {
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);
int __wrap_fsync(int fd) {
    const QFileInfo link(QStringLiteral("/proc/self/fd/%1").arg(fd));
    calls.push_back("fsync " + link.symLinkTarget().toStdString());
    return __real_fsync(fd);
}
int __wrap_rename(const char* from, const char* to) {
    calls.push_back(std::string("rename ") + from + " " + to);
    return __real_rename(from, to);
}
}

namespace quillstack {
namespace {

const QByteArray defaultFile =
    R"({"hotkeyConfig":{"key":"v","modifiers":"commandShift"},"launchAtLogin":false})";
const QByteArray optionKFile =
    R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":false})";
const HotkeyConfig commandOptionK{HotkeyKey::k, HotkeyModifierPreset::commandOption};

// A settings file for ⌘⌥K whose unknown member nests `levels` arrays (the top object is level 1).
QByteArray nestedFile(int levels) {
    return R"({"future":)" + QByteArray(levels, '[') + QByteArray(levels, ']') +
           R"(,"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":false})";
}

class AppSettingsTest : public testing::Test {
protected:
    QString folder() const { return dir.path() + QStringLiteral("/Quillstack"); }
    QString settingsPath() const { return folder() + QStringLiteral("/settings.json"); }
    void writeSettings(const QByteArray& bytes) { // none: not even the folder
        QDir(folder()).removeRecursively();
        if (bytes.isNull()) {
            return;
        }
        QDir(dir.path()).mkpath(QStringLiteral("Quillstack"));
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray readSettings(const QString& path = {}) const {
        QFile file(path.isEmpty() ? settingsPath() : path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList keptAside() const {
        return QDir(folder()).entryList({QStringLiteral("settings.json.corrupt-*")}, QDir::Files);
    }
    template <typename F> static std::string said(F&& action) {
        testing::internal::CaptureStderr();
        action();
        return testing::internal::GetCapturedStderr();
    }

    QTemporaryDir dir;
    MemoryDataLocations locations{dir.path(), dir.path() + QStringLiteral("/tmp")};
    MemoryLoginItemService loginItems;
};

// A stored choice loads in any member order and the login item is requested for it (twice for
// true). A file that does not decode changes nothing until the first change keeps it aside.
TEST_F(AppSettingsTest, StoredFilesLoadOrAreKeptAsideOnTheFirstChange) {
    struct Row {
        QByteArray stored, after;
        HotkeyConfig config = HotkeyConfig::defaultConfig();
        bool launch = false;
        int registers = 0, unregisters = 0;
        bool undecodable = false;
    };
    std::vector<Row> rows = {
        {{}, {}},
        {optionKFile, optionKFile, commandOptionK, false, 0, 1},
        {R"({"launchAtLogin":true,"hotkeyConfig":{"modifiers":"commandOption","key":"k"}})",
         R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":true})",
         commandOptionK, true, 2, 0},
        {nestedFile(SettingsJson::maxNesting - 1), optionKFile, commandOptionK, false, 0, 1},
    };
    const QList<QByteArray> undecodable = {
        R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"}})",
        R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":"yes"})",
        R"({"hotkeyConfig":{"key":"k"},"launchAtLogin":true})",
        R"([1,2,3])",
        R"({"hotkeyConfig":{"key":"k","modifiers":"commandOption"},"launchAtLogin":tr)",
        QByteArray(200 * 1024, ' ') + defaultFile,
        nestedFile(SettingsJson::maxNesting), // nested just past the bound
    };
    for (const QByteArray& bytes : undecodable) {
        rows.push_back({.stored = bytes, .after = bytes, .undecodable = true});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored.left(80).constData());
        writeSettings(row.stored);
        MemoryLoginItemService requests;
        AppSettings settings(locations, requests);
        EXPECT_EQ(settings.hotkeyConfig(), row.config);
        EXPECT_EQ(settings.launchAtLogin(), row.launch);
        EXPECT_TRUE(QDir(folder()).exists());
        EXPECT_EQ(readSettings(), row.after);
        EXPECT_EQ(std::pair(requests.registerCount(), requests.unregisterCount()),
                  std::pair(row.registers, row.unregisters));
        EXPECT_TRUE(keptAside().isEmpty());
        if (!row.undecodable) {
            continue;
        }
        const std::string first = said([&] { settings.setHotkeyConfig(commandOptionK); });
        ASSERT_EQ(keptAside().size(), 1);
        const QString aside = folder() + QStringLiteral("/") + keptAside().first();
        EXPECT_EQ(first, "Quillstack: settings.json could not be read; it was moved to " +
                             aside.toStdString() + "\n");
        EXPECT_EQ(readSettings(aside), row.stored);
        EXPECT_EQ(readSettings(), optionKFile);
        EXPECT_EQ(said([&] { settings.setLaunchAtLogin(true); }), "");
    }
}

// Announced, saved durably, told, signalled; equal values are announced but neither saved nor told.
TEST_F(AppSettingsTest, ChangesAreAnnouncedSavedAndTold) {
    AppSettings settings(locations, loginItems);
    QStringList events;
    QObject::connect(&settings, &AppSettings::hotkeyConfigWillChange,
                     [&](const HotkeyConfig& next) {
                         events << "will " + settings.hotkeyConfig().displayString() + " -> " +
                                       next.displayString();
                     });
    settings.setOnHotkeyChanged([&](const HotkeyConfig& config) {
        events << "told " + config.displayString() + ", file has " + readSettings();
    });
    QObject::connect(&settings, &AppSettings::hotkeyConfigChanged, [&](const HotkeyConfig& config) {
        events << "changed " + config.displayString();
    });
    QObject::connect(&settings, &AppSettings::launchAtLoginWillChange, [&](bool next) {
        events << QStringLiteral("will launch %1 -> %2").arg(settings.launchAtLogin()).arg(next);
    });
    settings.setHotkeyConfig(HotkeyConfig::defaultConfig());
    settings.setLaunchAtLogin(false);
    EXPECT_EQ(events, QStringList({"will ⌘⇧V -> ⌘⇧V", "changed ⌘⇧V", "will launch 0 -> 0"}));
    EXPECT_FALSE(QFile::exists(settingsPath()));
    EXPECT_EQ(loginItems.registerCount() + loginItems.unregisterCount(), 0);
    events.clear();
    calls.clear();
    settings.setHotkeyConfig(commandOptionK);
    EXPECT_EQ(events,
              QStringList({"will ⌘⇧V -> ⌘⌥K", "told ⌘⌥K, file has " + optionKFile, "changed ⌘⌥K"}));
    ASSERT_EQ(calls.size(), 3u) << testing::PrintToString(calls);
    const std::string from = calls[1].substr(7, calls[1].find(' ', 7) - 7); // "rename <from> <to>"
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "fsync " + from, "rename " + from + " " + settingsPath().toStdString(),
                         "fsync " + folder().toStdString()}));
    settings.setHotkeyConfig(HotkeyConfig::defaultConfig());
    events.clear();
    settings.setLaunchAtLogin(true);
    EXPECT_EQ(events, QStringList{"will launch 0 -> 1"});
    settings.setLaunchAtLogin(false);
    EXPECT_EQ(std::pair(loginItems.registerCount(), loginItems.unregisterCount()), std::pair(1, 1));
    EXPECT_EQ(readSettings(), defaultFile);
}

TEST_F(AppSettingsTest, RefusedLoginItemPrintsOneLineAndKeepsTheChoice) {
    AppSettings settings(locations, loginItems);
    loginItems.setRefusal(QStringLiteral("cannot write /x/quillstack.desktop: Permission denied"));
    EXPECT_EQ(said([&] { settings.setLaunchAtLogin(true); }),
              "Quillstack: unable to update launch-at-login setting: cannot write "
              "/x/quillstack.desktop: Permission denied\n");
    EXPECT_TRUE(settings.launchAtLogin());
    EXPECT_EQ(readSettings(),
              R"({"hotkeyConfig":{"key":"v","modifiers":"commandShift"},"launchAtLogin":true})");
    // A reload asks twice for the stored choice and reports once; each later refusal once.
    const int registers = loginItems.registerCount();
    std::optional<AppSettings> reloaded;
    const std::string lines = said([&] { reloaded.emplace(locations, loginItems); });
    EXPECT_EQ(loginItems.registerCount(), registers + 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
    const std::string later = said([&] {
        reloaded->setLaunchAtLogin(false);
        reloaded->setLaunchAtLogin(true);
    });
    EXPECT_EQ(std::count(later.begin(), later.end(), '\n'), 2) << later;
    // A plain file where the folder should be: the settings live on in memory.
    writeSettings({});
    ASSERT_TRUE(QFile(folder()).open(QIODevice::WriteOnly));
    loginItems.setRefusal(std::nullopt);
    AppSettings unsaved(locations, loginItems);
    const int before = loginItems.registerCount();
    unsaved.setHotkeyConfig(commandOptionK);
    unsaved.setLaunchAtLogin(true);
    EXPECT_EQ(std::pair(unsaved.hotkeyConfig(), unsaved.launchAtLogin()),
              std::pair(commandOptionK, true));
    EXPECT_EQ(loginItems.registerCount(), before + 1);
}

} // namespace
} // namespace quillstack
