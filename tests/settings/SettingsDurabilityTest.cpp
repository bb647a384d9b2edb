// Saving the settings reaches the disk before it replaces the old file: fsync and rename are
// wrapped at link time (see CMakeLists.txt) to record their order.

#include "settings/AppSettings.h"

#include "platform/memory/MemoryDataLocations.h"
#include "platform/memory/MemoryLoginItemService.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> calls; // "fsync <path>" and "rename <from> <to>", in order

std::string pathOf(int fd) {
    char target[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t size = ::readlink(link.c_str(), target, sizeof target - 1);
    return size < 0 ? std::string() : std::string(target, static_cast<std::size_t>(size));
}

} // namespace

extern "C" {
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);
int __wrap_fsync(int fd) {
    calls.push_back("fsync " + pathOf(fd));
    return __real_fsync(fd);
}
int __wrap_rename(const char* from, const char* to) {
    calls.push_back(std::string("rename ") + from + " " + to);
    return __real_rename(from, to);
}
}

TEST(SettingsDurability, TheNewFileIsSyncedThenRenamedThenItsFolderSynced) {
    using namespace quillstack;
    QTemporaryDir dir;
    MemoryDataLocations locations(dir.path(), dir.path());
    MemoryLoginItemService loginItems;
    AppSettings settings(locations, loginItems);
    calls.clear();
    settings.setHotkeyConfig({HotkeyKey::c, HotkeyModifierPreset::commandOnly});

    ASSERT_EQ(calls.size(), 3u) << ::testing::PrintToString(calls);
    const std::string folder = (dir.path() + "/Quillstack").toStdString();
    const std::string from = calls[1].substr(7, calls[1].find(' ', 7) - 7); // "rename <from> <to>"
    EXPECT_EQ(calls, (std::vector<std::string>{"fsync " + from,
                                               "rename " + from + " " + folder + "/settings.json",
                                               "fsync " + folder}));
}
