#include "platform/x11/XdgAutostartLoginItem.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace quillstack {
namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void run(const QString& program, const QStringList& arguments) {
    const test::ProcessResult result = test::runProcess(program, arguments);
    ASSERT_EQ(result.exitCode, 0) << result.out.constData() << result.err.constData();
}

// The entry as a desktop session reads it: desktop-file-validate checks it, and GLib's launcher
// (what GNOME and many autostart implementations use) starts the program from a folder whose
// name holds spaces and a "$".
TEST(XdgAutostartLoginItem, WritesAnEntryThatALauncherStartsAndRemovesIt) {
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
    run(QStringLiteral("desktop-file-validate"), {path});
    run(QStringLiteral("gio"), {QStringLiteral("launch"), path});
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

TEST(XdgAutostartLoginItem, DefaultFolderAndFailuresCarryTheSystemsText) {
    test::TemporaryHome home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(XdgAutostartLoginItem::entryPath(),
              home.path() + QStringLiteral("/.config/autostart/quillstack.desktop"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(XdgAutostartLoginItem::entryPath(),
              home.path() + QStringLiteral("/.config/autostart/quillstack.desktop"));
    qputenv("HOME", oldHome);

    // A plain file where the configuration folder should be.
    const QString blocker = home.path() + QStringLiteral("/not-a-folder");
    writeFile(blocker, {});
    qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());
    XdgAutostartLoginItem item(QStringLiteral("/usr/bin/quillstack"));
    const std::optional<QString> failure = item.registerLoginItem();
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->contains(QStringLiteral("Not a directory"))) << failure->toStdString();
    EXPECT_TRUE(failure->contains(blocker + QStringLiteral("/autostart")));
    EXPECT_EQ(item.unregisterLoginItem(), std::nullopt);

    // An entry that cannot be replaced or removed: a folder with something in it.
    qputenv("XDG_CONFIG_HOME", home.configHome().toLocal8Bit());
    ASSERT_TRUE(QDir().mkpath(XdgAutostartLoginItem::entryPath() + QStringLiteral("/inside")));
    const std::optional<QString> writeFailure = item.registerLoginItem();
    ASSERT_TRUE(writeFailure);
    EXPECT_TRUE(writeFailure->contains(XdgAutostartLoginItem::entryPath()));
    const std::optional<QString> removeFailure = item.unregisterLoginItem();
    ASSERT_TRUE(removeFailure);
    EXPECT_TRUE(removeFailure->contains(QStringLiteral("Directory not empty")))
        << removeFailure->toStdString();
}

} // namespace
} // namespace quillstack
