// The store under disk faults, on real files and folders: a save that fails never stops the
// recording and never harms the old file; unreadable images, leftovers of interrupted saves,
// folders that are not the user's own and links are each met with a bounded outcome.

#include "StoreTestData.h"
#include "entries/EntryJson.h"
#include "platform/memory/MemoryDataLocations.h"
#include "store/ClipboardManager.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillstack;
using namespace std::chrono_literals;
using test::readFile;
using test::textEntry;

namespace {

unsigned modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

QStringList leftovers(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".history.json.*")},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

// A small tmpfs of our own, where this process may mount one.
class Tmpfs {
public:
    Tmpfs(const QString& path, const char* size) : path_(QFile::encodeName(path)) {
        mounted_ = ::mount("tmpfs", path_.constData(), "tmpfs", 0, size) == 0;
    }
    ~Tmpfs() {
        if (mounted_) {
            ::umount2(path_.constData(), MNT_DETACH);
        }
    }
    bool isMounted() const { return mounted_; }
    bool remount(unsigned long flags, const char* options) {
        return ::mount("tmpfs", path_.constData(), "tmpfs", MS_REMOUNT | flags, options) == 0;
    }

private:
    QByteArray path_;
    bool mounted_ = false;
};

class HistoryFaults : public ::testing::Test {
public:
    QTemporaryDir dir;
    QString data = dir.path() + QStringLiteral("/data");
    MemoryDataLocations locations{data};
    QString folder = data + QStringLiteral("/Quillstack");
    QString file = folder + QStringLiteral("/history.json");

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(data)); }

    std::unique_ptr<ClipboardManager> makeStore() {
        ClipboardManager::Services services;
        services.locations = &locations;
        auto store = std::make_unique<ClipboardManager>(services);
        store->setSaveRetryInterval(50ms);
        return store;
    }

    // Waits for the saves and for their results to reach the store.
    static void settle(ClipboardManager& store) {
        store.finishSaving();
        test::spin(20ms);
    }

    QList<ClipboardEntry> fileEntries() {
        return EntryJson::decodeHistory(readFile(file)).value_or(QList<ClipboardEntry>{});
    }
};

// One way for saving to break, and how it is mended.
struct SaveFault {
    const char* name;
    // Prepares the data folder before the store starts (for example mounts a small disk there);
    // false when this machine cannot provide the fault.
    std::function<bool(HistoryFaults&)> prepare;
    std::function<bool(HistoryFaults&)> breakSaving;
    std::function<bool(HistoryFaults&)> mend;
    // A missing folder is simply made again: saving does not fail at all.
    bool failsWhileBroken;
};

} // namespace

TEST_F(HistoryFaults, AFailedSaveNeverStopsTheRecordingAndKeepsTheOldFileWhole) {
    std::unique_ptr<Tmpfs> disk;
    rlimit oldLimit{};
    ::getrlimit(RLIMIT_FSIZE, &oldLimit);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    qsizetype bigText = 300 * 1024; // larger than the small disk below

    const auto mountDisk = [&](HistoryFaults& f) {
        disk = std::make_unique<Tmpfs>(f.data, "size=256k,mode=0700");
        return disk->isMounted();
    };
    const std::vector<SaveFault> faults{
        {"full disk",
         [&](HistoryFaults& f) {
             mountDisk(f);
             return true;
         },
         [&](HistoryFaults& f) {
             if (disk->isMounted()) {
                 return true;
             }
             // No mount allowed: a file size limit stops the write the same way, even for root.
             rlimit small = oldLimit;
             small.rlim_cur = rlim_t(readFile(f.file).size() + 1000);
             return ::setrlimit(RLIMIT_FSIZE, &small) == 0;
         },
         [&](HistoryFaults&) {
             return disk->isMounted() ? disk->remount(0, "size=8m")
                                      : ::setrlimit(RLIMIT_FSIZE, &oldLimit) == 0;
         },
         true},
        {"read-only folder", [&](HistoryFaults& f) { return mountDisk(f) || ::geteuid() != 0; },
         [&](HistoryFaults& f) {
             return disk->isMounted() ? disk->remount(MS_RDONLY, "size=8m")
                                      : ::chmod(QFile::encodeName(f.folder).constData(), 0500) == 0;
         },
         [&](HistoryFaults& f) {
             return disk->isMounted() ? disk->remount(0, "size=8m")
                                      : ::chmod(QFile::encodeName(f.folder).constData(), 0700) == 0;
         },
         true},
        {"folder deleted while running", [](HistoryFaults&) { return true; },
         [](HistoryFaults& f) { return QDir(f.folder).removeRecursively(); },
         [](HistoryFaults&) { return true; }, false},
        {"a plain file where the folder should be", [](HistoryFaults&) { return true; },
         [](HistoryFaults& f) {
             return QDir(f.folder).removeRecursively() && test::writeFile(f.folder, "not a folder");
         },
         [](HistoryFaults& f) { return QFile::remove(f.folder); }, true},
    };

    for (const SaveFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        QTemporaryDir caseDir;
        data = caseDir.path() + QStringLiteral("/data");
        folder = data + QStringLiteral("/Quillstack");
        file = folder + QStringLiteral("/history.json");
        locations = MemoryDataLocations(data);
        ASSERT_TRUE(QDir().mkpath(data));
        disk.reset();
        if (!fault.prepare(*this)) {
            continue; // e.g. a read-only folder for root without mounts: root writes anyway
        }
        test::CapturedStandardError errors;
        auto store = makeStore();
        const ClipboardEntry a = textEntry(QStringLiteral("a"));
        store->insert(a);
        settle(*store);
        const QByteArray saved = readFile(file);
        ASSERT_FALSE(saved.isEmpty());

        ASSERT_TRUE(fault.breakSaving(*this));
        // The history changes as always; every change tries to save.
        const ClipboardEntry big = textEntry(QString(bigText, QLatin1Char('x')));
        const ClipboardEntry c = textEntry(QStringLiteral("c"));
        store->insert(big);
        store->insert(c);
        store->deleteEntry(a.id());
        settle(*store);
        EXPECT_EQ(store->history(), (QList<ClipboardEntry>{c, big}));
        if (fault.failsWhileBroken) {
            EXPECT_TRUE(store->isSaveFailing());
            if (QFileInfo(folder).isDir()) {
                EXPECT_EQ(readFile(file), saved); // the old file, whole
                EXPECT_EQ(leftovers(folder), QStringList{});
            }
            test::spin(200ms); // retries in between fail quietly
            const QList<QByteArray> failing = errors.lines();
            ASSERT_EQ(failing.size(), 1) << errors.text().toStdString();
            EXPECT_TRUE(failing[0].startsWith("Quillstack: cannot save the history to " +
                                              QFile::encodeName(file) + ": "))
                << failing[0].toStdString();
        } else {
            EXPECT_FALSE(store->isSaveFailing());
            EXPECT_EQ(errors.lines(), QList<QByteArray>{});
        }

        // Mended: the retry saves by itself, without another change.
        ASSERT_TRUE(fault.mend(*this));
        EXPECT_TRUE(test::waitUntil([&] { return !store->isSaveFailing(); }, 3s));
        store->finishSaving();
        EXPECT_EQ(fileEntries(), store->history());
        EXPECT_EQ(modeOf(folder), 0700u);
        EXPECT_EQ(modeOf(file), 0600u);
        if (fault.failsWhileBroken) {
            const QList<QByteArray> lines = errors.lines();
            ASSERT_EQ(lines.size(), 2);
            EXPECT_EQ(lines[1],
                      "Quillstack: the history is saved again to " + QFile::encodeName(file) + ".");
        }
        store.reset();
        disk.reset();
    }
    ::setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
}

// Another program shortens history.json in place: the images still to be read from it are gone.
// Each such image costs its own entry; the others and the save go on.
TEST_F(HistoryFaults, AnImageThatCanNoLongerBeReadCostsOnlyItsEntry) {
    const ClipboardEntry t0 = textEntry(QStringLiteral("first"));
    const ClipboardEntry i1 = test::imageEntry(60000, 1);
    const ClipboardEntry i2 = test::imageEntry(60000, 2);
    const ClipboardEntry t3 = textEntry(QStringLiteral("last"));
    const QByteArray bytes = EntryJson::encodeHistory({t0, i1, i2, t3}).value();
    ASSERT_TRUE(test::writeFile(file, bytes));
    auto store = makeStore();
    ASSERT_EQ(store->history().size(), 4);

    // Cut inside the second image's text, in place (same file, same inode).
    const qsizetype second =
        bytes.indexOf("\"imagePNGData\"", bytes.indexOf("\"imagePNGData\"") + 1);
    ASSERT_GT(second, 0);
    ASSERT_EQ(::truncate(QFile::encodeName(file).constData(), second + 1000), 0);

    test::CapturedStandardError errors;
    const ClipboardEntry n = textEntry(QStringLiteral("new"));
    store->insert(n);
    settle(*store);
    EXPECT_FALSE(store->isSaveFailing());
    EXPECT_EQ(store->history(), (QList<ClipboardEntry>{n, t0, i1, t3}));
    EXPECT_EQ(fileEntries(), store->history());
    EXPECT_EQ(store->history()[2].imagePNGData(), i1.imagePNGData());
    EXPECT_EQ(errors.lines().size(), 1) << errors.text().toStdString();

    // Later saves go on as usual.
    store->deleteEntry(t0.id());
    settle(*store);
    EXPECT_EQ(fileEntries(), (QList<ClipboardEntry>{n, i1, t3}));
}

// Temporary files of interrupted saves hold clipboard contents: they go at start and when the
// history is cleared; nothing else in the folder is touched.
TEST_F(HistoryFaults, LeftoversOfInterruptedSavesAreRemovedAtStartAndWhenCleared) {
    const QStringList ours{".history.json.Ab12Cd", ".settings.json.zzZZ99", ".history.json.000000"};
    const QStringList others{".history.json.toolong1", "history.json.Ab12Cd", "notes.txt",
                             ".history.json.AB12-d", ".other.json.Ab12Cd"};
    for (const QString& name : ours + others) {
        ASSERT_TRUE(test::writeFile(folder + "/" + name, "copied secrets"));
    }
    // A link with a leftover's name is not followed: its target stays.
    const QString target = dir.path() + QStringLiteral("/target");
    ASSERT_TRUE(test::writeFile(target, "keep"));
    ASSERT_TRUE(QFile::link(target, folder + QStringLiteral("/.history.json.Link12")));

    auto store = makeStore();
    QStringList remaining =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    QStringList expected = others;
    expected << QStringLiteral(".history.json.Link12");
    expected.sort();
    remaining.sort();
    EXPECT_EQ(remaining, expected);
    EXPECT_EQ(readFile(target), QByteArray("keep"));

    store->insert(textEntry(QStringLiteral("a")));
    settle(*store);
    ASSERT_TRUE(test::writeFile(folder + QStringLiteral("/.history.json.Late99"), "more"));
    store->deleteAll();
    settle(*store);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/.history.json.Late99")));
    EXPECT_EQ(readFile(file), QByteArray("[]"));
}

// With neither a data folder nor a safe "Quillstack" folder in the temporary folder, a new
// private one is used and one line says so; a planted history is never read.
TEST_F(HistoryFaults, AFolderThatIsNotOursIsNeverUsed) {
    struct Planted {
        const char* name;
        std::function<bool(const QString& place, const QString& elsewhere)> plant;
        bool used; // ours after all: fixed and used
    };
    const std::vector<Planted> cases{
        {"another user's folder",
         [](const QString& place, const QString&) {
             return QDir().mkpath(place) &&
                    ::chown(QFile::encodeName(place).constData(), 4242, 4242) == 0 &&
                    ::chmod(QFile::encodeName(place).constData(), 0777) == 0;
         },
         false},
        {"a link to a folder",
         [](const QString& place, const QString& elsewhere) {
             return QDir().mkpath(elsewhere) && QFile::link(elsewhere, place);
         },
         false},
        {"a plain file",
         [](const QString& place, const QString&) { return test::writeFile(place, "x"); }, false},
        {"our own folder open to others",
         [](const QString& place, const QString&) {
             return QDir().mkpath(place) &&
                    ::chmod(QFile::encodeName(place).constData(), 0777) == 0;
         },
         true},
    };
    const ClipboardEntry planted = textEntry(QStringLiteral("planted"));
    for (const Planted& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp;
        const QString tmp = temp.path() + QStringLiteral("/tmp");
        ASSERT_TRUE(QDir().mkpath(tmp));
        ::chmod(QFile::encodeName(tmp).constData(), 01777);
        const QString candidate = tmp + QStringLiteral("/Quillstack");
        const QString elsewhere = temp.path() + QStringLiteral("/elsewhere");
        ASSERT_TRUE(c.plant(candidate, elsewhere));
        const QString plantedFile = (QFileInfo(candidate).isDir() ? candidate : elsewhere) +
                                    QStringLiteral("/history.json");
        if (QFileInfo(candidate).isDir()) {
            test::writeFile(plantedFile, EntryJson::encodeHistory({planted}).value());
        }

        test::CapturedStandardError errors;
        MemoryDataLocations noDataFolder(std::nullopt, tmp);
        ClipboardManager::Services services;
        services.locations = &noDataFolder;
        ClipboardManager store(services);
        const QString used = QFileInfo(store.storageURL()).absolutePath();
        if (c.used) {
            EXPECT_EQ(used, candidate);
            EXPECT_EQ(store.history(), QList<ClipboardEntry>{planted});
            EXPECT_EQ(errors.lines(), QList<QByteArray>{});
        } else {
            EXPECT_TRUE(used.startsWith(candidate + QStringLiteral("-"))) << used.toStdString();
            EXPECT_TRUE(store.history().isEmpty());
            EXPECT_EQ(errors.lines(),
                      QList<QByteArray>{"Quillstack: " + QFile::encodeName(candidate) +
                                        " is not a private folder of this user; using " +
                                        QFile::encodeName(used) + " instead."});
        }
        EXPECT_EQ(modeOf(used), 0700u);
        store.insert(textEntry(QStringLiteral("mine")));
        store.finishSaving();
        EXPECT_GT(QFileInfo(store.storageURL()).size(), 0);
    }
}

// Files are replaced, never written through a link, and a data folder that is a link keeps its
// target's mode.
TEST_F(HistoryFaults, LinksAreReplacedNotFollowedAndLinkedFoldersKeepTheirMode) {
    // history.json is a link to a file elsewhere: loaded through it, then replaced by a file.
    const QString outside = dir.path() + QStringLiteral("/outside.json");
    const ClipboardEntry old = textEntry(QStringLiteral("old"));
    const QByteArray outsideBytes = EntryJson::encodeHistory({old}).value();
    ASSERT_TRUE(test::writeFile(outside, outsideBytes));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::link(outside, file));
    {
        auto store = makeStore();
        EXPECT_EQ(store->history(), QList<ClipboardEntry>{old});
        store->insert(textEntry(QStringLiteral("new")));
        settle(*store);
    }
    EXPECT_EQ(readFile(outside), outsideBytes);
    EXPECT_FALSE(QFileInfo(file).isSymLink());
    EXPECT_EQ(fileEntries().size(), 2);

    // The data folder is a link to the user's folder elsewhere, mode 0755: used, not changed.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    const QString linked = dir.path() + QStringLiteral("/synced/Quillstack");
    ASSERT_TRUE(QDir().mkpath(linked));
    ASSERT_EQ(::chmod(QFile::encodeName(linked).constData(), 0755), 0);
    ASSERT_TRUE(QFile::link(linked, folder));
    {
        auto store = makeStore();
        store->insert(textEntry(QStringLiteral("through the link")));
        settle(*store);
    }
    EXPECT_TRUE(QFileInfo(folder).isSymLink());
    EXPECT_EQ(modeOf(linked), 0755u);
    EXPECT_EQ(modeOf(linked + QStringLiteral("/history.json")), 0600u);
}
