#include "platform/DurableFile.h"
#include "platform/DataLocations.h"
#include "platform/x11/XdgDataLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quillstack;

namespace {

unsigned modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

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

    QString why; // the parent is a regular file
    EXPECT_FALSE(DurableFile::makeFolder(path + QStringLiteral("/sub"), &why));
    EXPECT_TRUE(why.endsWith(QStringLiteral("Not a directory"))) << why.toStdString();
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

TEST(DataLocations, XdgDataHomeOrTheTemporaryFolder) {
    struct Fixed : DataLocations {
        std::optional<QString> support;
        QString temp;
        std::optional<QString> applicationSupportDirectory() const override { return support; }
        QString temporaryDirectory() const override { return temp; }
    };
    QTemporaryDir dir;
    Fixed locations;
    locations.temp = dir.path() + QStringLiteral("/tmp");
    const QString inTemp = dir.path() + QStringLiteral("/tmp/Quillstack");
    EXPECT_EQ(quillstackFolder(locations), inTemp);
    EXPECT_EQ(modeOf(inTemp), 0700u);
    ASSERT_TRUE(QDir(inTemp).removeRecursively()); // made again by the same rules
    EXPECT_TRUE(remakeQuillstackFolder(inTemp));
    EXPECT_EQ(modeOf(inTemp), 0700u);
    locations.support = dir.path() + QStringLiteral("/data");
    EXPECT_EQ(quillstackFolder(locations), dir.path() + QStringLiteral("/data/Quillstack"));

    const auto setEnv = [](const char* name, const QByteArray& value) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    };
    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
    const XdgDataLocations xdg;
    qputenv("HOME", "/home/someone");
    const std::pair<QByteArray, std::optional<QString>> cases[] = {
        {"/srv/data//", QStringLiteral("/srv/data")},
        {"relative/data", QStringLiteral("/home/someone/.local/share")}, // invalid: ignored
        {QByteArray(), QStringLiteral("/home/someone/.local/share")},
    };
    for (const auto& [value, expected] : cases) {
        setEnv("XDG_DATA_HOME", value);
        EXPECT_EQ(xdg.applicationSupportDirectory(), expected) << value.constData();
    }
    qunsetenv("HOME");
    EXPECT_FALSE(xdg.applicationSupportDirectory());
    setEnv("HOME", oldHome);
    setEnv("XDG_DATA_HOME", oldData);
}
