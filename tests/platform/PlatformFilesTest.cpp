#include "platform/DataLocations.h"
#include "platform/DurableFile.h"
#include "platform/memory/MemoryDataLocations.h"
#include "platform/x11/XdgAutostartLoginItem.h"
#include "platform/x11/XdgDataLocations.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillstack {
namespace {

unsigned modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(DurableFile, FoldersAndFilesAreOwnerOnlyAndFailuresLeaveNothing) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/a/b");
    ASSERT_TRUE(DurableFile::makeFolder(folder));
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(dir.path() + QStringLiteral("/a")), 0700u);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ASSERT_TRUE(DurableFile::makeFolder(folder)); // an existing folder is left as it is
    EXPECT_EQ(modeOf(folder), 0755u);
    ASSERT_TRUE(DurableFile::makePrivateFolder(folder)); // unless it must be private
    EXPECT_EQ(modeOf(folder), 0700u);

    const QString path = folder + QStringLiteral("/f.json");
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    ::chmod(QFile::encodeName(path).constData(), 0644);
    ASSERT_TRUE(DurableFile::write(path, QByteArray("new")));
    EXPECT_EQ(readFile(path), QByteArray("new"));
    EXPECT_EQ(modeOf(path), 0600u);

    // A failed write leaves the old file and no temporary file behind.
    EXPECT_FALSE(DurableFile::write(path, [](QIODevice& device) {
        device.write("partial");
        return false;
    }));
    EXPECT_FALSE(DurableFile::write(path, [](QIODevice&) -> bool { throw std::bad_alloc(); }));
    EXPECT_EQ(readFile(path), QByteArray("new"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"f.json"});

    EXPECT_FALSE(DurableFile::write(path + QStringLiteral("/sub/x"), QByteArray("x")));
}

TEST(DurableFile, KeepAsideAndBoundedReads) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/history.json");
    EXPECT_FALSE(DurableFile::keepAside(path)); // nothing there
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(DurableFile::write(path, QByteArray::number(i)));
        const std::optional<QString> aside = DurableFile::keepAside(path);
        ASSERT_TRUE(aside);
        EXPECT_TRUE(aside->startsWith(path + QStringLiteral(".corrupt-")));
        EXPECT_EQ(readFile(*aside), QByteArray::number(i));
        EXPECT_FALSE(QFileInfo::exists(path));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);

    ASSERT_TRUE(DurableFile::write(path, QByteArray("12345")));
    EXPECT_EQ(DurableFile::readAll(path, 5), QByteArray("12345"));
    EXPECT_FALSE(DurableFile::readAll(path, 4));
    ASSERT_TRUE(DurableFile::write(path, QByteArray()));
    EXPECT_EQ(DurableFile::readAll(path, 5), QByteArray());
    EXPECT_FALSE(DurableFile::readAll(dir.path() + QStringLiteral("/missing"), 5));
    // Neither a FIFO (would block) nor an endless device is read.
    const QString fifo = dir.path() + QStringLiteral("/fifo"),
                  zero = dir.path() + QStringLiteral("/zero");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(DurableFile::readAll(fifo, 100));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    EXPECT_FALSE(DurableFile::readAll(zero, 100));
}

TEST(DataLocations, TheSupportFolderOrAPrivateOneInTheTemporaryFolder) {
    QTemporaryDir dir;
    const QString inTemp = dir.path() + QStringLiteral("/tmp/Quillstack");
    EXPECT_EQ(
        quillstackFolder(MemoryDataLocations(std::nullopt, dir.path() + QStringLiteral("/tmp"))),
        inTemp);
    EXPECT_EQ(modeOf(inTemp), 0700u);
    ASSERT_TRUE(QDir(inTemp).removeRecursively()); // made again by the same rules
    EXPECT_TRUE(remakeQuillstackFolder(inTemp));
    EXPECT_EQ(modeOf(inTemp), 0700u);
    EXPECT_EQ(quillstackFolder(MemoryDataLocations(dir.path() + QStringLiteral("/data"))),
              dir.path() + QStringLiteral("/data/Quillstack"));
}

// The XDG folders: the variable's value when absolute, else below HOME; none without a HOME.
TEST(XdgFolders, TheVariableOrBelowHome) {
    test::TemporaryHome home; // puts the variables back
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", "/home/someone");
    const XdgDataLocations xdg;
    qputenv("XDG_DATA_HOME", "/srv/data//");
    EXPECT_EQ(xdg.applicationSupportDirectory(), QStringLiteral("/srv/data"));
    for (const char* value : {"relative/data", ""}) {
        qputenv("XDG_DATA_HOME", value);
        qputenv("XDG_CONFIG_HOME", value);
        EXPECT_EQ(xdg.applicationSupportDirectory(), QStringLiteral("/home/someone/.local/share"));
        EXPECT_EQ(XdgAutostartLoginItem::entryPath(),
                  QStringLiteral("/home/someone/.config/autostart/quillstack.desktop"));
    }
    qunsetenv("HOME");
    EXPECT_FALSE(xdg.applicationSupportDirectory());
    qputenv("HOME", oldHome);
}

// The entry as a desktop session reads it: desktop-file-validate checks it, and GLib's launcher
// (what GNOME and many autostart implementations use) starts the program from a folder whose
// name holds spaces and a "$".
TEST(XdgAutostartLoginItem, WritesAnEntryThatALauncherStartsRemovesItOrSaysWhyNot) {
    test::TemporaryHome home;
    const QString path = home.configHome() + QStringLiteral("/autostart/quillstack.desktop");
    const QString folder = home.path() + QStringLiteral("/my builds/$HOME dir");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/quillstack");
    const QString marker = home.path() + QStringLiteral("/started");
    writeFile(program,
              QStringLiteral("#!/bin/sh\nprintf '%s' \"$0\" > '%1'\n").arg(marker).toUtf8());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    XdgAutostartLoginItem item(program);
    EXPECT_EQ(item.registerLoginItem(), std::nullopt);
    EXPECT_EQ(item.registerLoginItem(), std::nullopt); // again: replaced, still one entry
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1);
    ASSERT_EQ(test::runProcess(QStringLiteral("desktop-file-validate"), {path}).exitCode, 0);
    ASSERT_EQ(test::runProcess(QStringLiteral("gio"), {QStringLiteral("launch"), path}).exitCode,
              0);
    EXPECT_TRUE(test::waitUntil([&] { return readFile(marker) == program.toUtf8(); }))
        << readFile(marker).toStdString();

    EXPECT_EQ(item.unregisterLoginItem(), std::nullopt);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(item.unregisterLoginItem(), std::nullopt); // a missing entry is no failure

    // An entry that is a link is replaced by a file of its own; what it pointed to is untouched.
    const QString elsewhere = home.path() + QStringLiteral("/precious");
    writeFile(elsewhere, "precious");
    ASSERT_TRUE(QFile::link(elsewhere, path));
    EXPECT_EQ(item.registerLoginItem(), std::nullopt);
    EXPECT_EQ(readFile(elsewhere), QByteArray("precious"));
    EXPECT_FALSE(QFileInfo(path).isSymLink());

    // Without a path given, the entry names the running program itself.
    EXPECT_EQ(XdgAutostartLoginItem().registerLoginItem(), std::nullopt);
    EXPECT_TRUE(readFile(path).contains(
        "\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));

    // A plain file where the configuration folder should be.
    const QString blocker = home.path() + QStringLiteral("/not-a-folder");
    writeFile(blocker, {});
    qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());
    const std::optional<QString> failure = item.registerLoginItem();
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->contains(QStringLiteral("Not a directory"))) << failure->toStdString();
    EXPECT_TRUE(failure->contains(blocker + QStringLiteral("/autostart")));
    EXPECT_EQ(item.unregisterLoginItem(), std::nullopt);

    // An entry that cannot be replaced or removed: a folder with something in it.
    qputenv("XDG_CONFIG_HOME", home.configHome().toLocal8Bit());
    ASSERT_TRUE(QFile::remove(path) && QDir().mkpath(path + QStringLiteral("/inside")));
    const std::optional<QString> writeFailure = item.registerLoginItem();
    ASSERT_TRUE(writeFailure);
    EXPECT_TRUE(writeFailure->contains(path));
    const std::optional<QString> removeFailure = item.unregisterLoginItem();
    ASSERT_TRUE(removeFailure);
    EXPECT_TRUE(removeFailure->contains(QStringLiteral("Directory not empty")))
        << removeFailure->toStdString();
}

TEST(XdgAutostartLoginItem, ExecNamesTheRunningProgramQuotedAsEntriesRequire) {
    const std::pair<const char*, const char*> cases[] = {
        // A program run from its build tree is not on PATH: its own path is named.
        {"/work/build/src/app/../app/quillstack", "/work/build/src/app/quillstack"},
        {"/home/a b/.local/bin/quillstack", "\"/home/a b/.local/bin/quillstack\""},
        // Inside quotes $ gets a backslash, which the string value then doubles; % is doubled.
        {"/x$y/100%/bin/quillstack", "\"/x\\\\$y/100%%/bin/quillstack\""},
        // Nothing that could be written as one absolute path: the program on PATH.
        {"/a\nb/bin/quillstack", "quillstack"},
        {"build/quillstack", "quillstack"},
    };
    for (const auto& [path, exec] : cases) {
        EXPECT_EQ(XdgAutostartLoginItem::execCommand(QString::fromUtf8(path)),
                  QString::fromUtf8(exec))
            << path;
    }
}

} // namespace
} // namespace quillstack
