#include "store/ClipboardManager.h"
#include "StoreTestData.h"
#include "entries/EntryFingerprint.h"
#include "entries/EntryJson.h"
#include "entries/SearchIndex.h"
#include "platform/memory/MemoryDataLocations.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillstack;
using test::readFile;
using test::textEntry;

namespace {

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QStringList texts(const QList<ClipboardEntry>& entries) {
    QStringList result;
    for (const ClipboardEntry& entry : entries) {
        result << entry.text().value_or(QString());
    }
    return result;
}

class ClipboardManagerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    MemoryDataLocations locations{dir.path()};
    QString folder = dir.path() + QStringLiteral("/Quillstack");
    QString file = folder + QStringLiteral("/history.json");

    std::unique_ptr<ClipboardManager> makeStore() {
        ClipboardManager::Services services;
        services.locations = &locations;
        return std::make_unique<ClipboardManager>(services);
    }

    // What history.json holds once the store's saves have finished.
    QList<ClipboardEntry> fileEntries(ClipboardManager& store) {
        store.finishSaving();
        return EntryJson::decodeHistory(readFile(file)).value_or(QList<ClipboardEntry>{});
    }
};

// Counts the announcements and records what history() held while each one was made.
struct Announcements {
    explicit Announcements(ClipboardManager& store) {
        QObject::connect(&store, &ClipboardManager::historyWillChange,
                         [this, &store](const QList<ClipboardEntry>& next) {
                             announced.append(next);
                             seenDuring.append(store.history());
                         });
        QObject::connect(&store, &ClipboardManager::historyChanged, [this] { ++changed; });
    }
    QList<QList<ClipboardEntry>> announced;
    QList<QList<ClipboardEntry>> seenDuring;
    int changed = 0;
};

} // namespace

TEST_F(ClipboardManagerTest, LocatesItsOwnerOnlyFolderAndFile) {
    auto store = makeStore();
    EXPECT_EQ(store->storageURL(), file);
    EXPECT_TRUE(store->history().isEmpty());
    store->insert(textEntry(QStringLiteral("secret")));
    store->finishSaving();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ::stat(QFile::encodeName(folder).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Without any data location the temporary folder holds the file.
    QTemporaryDir temp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    ClipboardManager fallback(ClipboardManager::Services{});
    qputenv("TMPDIR", oldTmp);
    EXPECT_EQ(fallback.storageURL(), QDir(temp.path()).filePath("Quillstack/history.json"));
}

TEST_F(ClipboardManagerTest, InsertionDeduplicatesAndAnnouncesBeforeChanging) {
    auto store = makeStore();
    Announcements log(*store);
    const ClipboardEntry a = textEntry(QStringLiteral("A"));
    store->insert(a);
    EXPECT_EQ(log.announced.size(), 2); // the removal pass, then the insertion
    EXPECT_EQ(log.changed, 2);
    EXPECT_TRUE(log.seenDuring[1].isEmpty()); // history() still held the old list
    EXPECT_EQ(log.announced[1], QList<ClipboardEntry>{a});
    EXPECT_EQ(fileEntries(*store), QList<ClipboardEntry>{a});

    // The same content again is discarded: no announcement, no write.
    const ino_t before = inodeOf(file);
    store->insert(textEntry(QStringLiteral("A")));
    store->finishSaving();
    EXPECT_EQ(log.announced.size(), 2);
    EXPECT_EQ(store->history(), QList<ClipboardEntry>{a});
    EXPECT_EQ(inodeOf(file), before);

    // A, B, A: the first A is gone, the new A (new identity) is on top.
    const ClipboardEntry b = textEntry(QStringLiteral("B"));
    store->insert(b);
    const ClipboardEntry a2 = textEntry(QStringLiteral("A"));
    store->insert(a2);
    EXPECT_EQ(store->history(), (QList<ClipboardEntry>{a2, b}));
    EXPECT_NE(a2.id(), a.id());
    EXPECT_EQ(log.announced[4], (QList<ClipboardEntry>{b})); // the removal pass of a2
    EXPECT_EQ(fileEntries(*store), store->history());

    // A match in the middle: the count stays, the new entry is on top.
    store->insert(textEntry(QStringLiteral("C")));
    store->insert(textEntry(QStringLiteral("B")));
    EXPECT_EQ(texts(store->history()), (QStringList{"B", "C", "A"}));
}

TEST_F(ClipboardManagerTest, TrimsTo200AndLoadsLongerFilesWhole) {
    {
        auto store = makeStore();
        for (int i = 0; i < 200; ++i) {
            store->insert(textEntry(QString::number(i)));
        }
        Announcements log(*store);
        store->insert(textEntry(QStringLiteral("200")));
        EXPECT_EQ(log.announced.size(), 3); // removal pass, insertion (201), trim
        EXPECT_EQ(log.announced[1].size(), 201);
        EXPECT_EQ(store->history().size(), 200);
        EXPECT_EQ(store->history().first().text(), QStringLiteral("200"));
        EXPECT_EQ(store->history().last().text(), QStringLiteral("1"));
        EXPECT_EQ(fileEntries(*store), store->history());
    }
    QList<ClipboardEntry> many;
    for (int i = 0; i < 250; ++i) {
        many << textEntry(QStringLiteral("old %1").arg(i));
    }
    ASSERT_TRUE(test::writeFile(file, EntryJson::encodeHistory(many).value()));
    auto store = makeStore();
    EXPECT_EQ(store->history(), many); // neither trimmed nor de-duplicated on load
    store->insert(textEntry(QStringLiteral("new")));
    EXPECT_EQ(store->history().size(), 200);
    EXPECT_EQ(store->history().mid(1), many.first(199));
}

TEST_F(ClipboardManagerTest, BackfillsMissingSearchIndexesAndRewritesTheFile) {
    const QList<ClipboardEntry> bare{textEntry(QStringLiteral("Hello  World"), false),
                                     textEntry(QStringLiteral("x"), true)};
    ASSERT_TRUE(test::writeFile(file, EntryJson::encodeHistory(bare).value()));
    auto store = makeStore();
    ASSERT_EQ(store->history().size(), 2);
    EXPECT_EQ(store->history()[0].searchIndex(),
              QStringLiteral("text hello world org.example.app"));
    EXPECT_EQ(store->history()[0].id(), bare[0].id());
    EXPECT_EQ(store->history()[0].timestamp(), bare[0].timestamp());
    EXPECT_EQ(store->history()[1], bare[1]);
    EXPECT_EQ(fileEntries(*store), store->history());
}

TEST_F(ClipboardManagerTest, KeepsAnUndecodableFileAside) {
    const ClipboardEntry good = textEntry(QStringLiteral("good"));
    QByteArray corrupt = EntryJson::encodeHistory({good, good}).value();
    corrupt.replace("\"kind\": \"text\"", "\"kind\": \"Text\"");
    ASSERT_TRUE(test::writeFile(file, corrupt));
    test::CapturedStandardError errors;
    auto store = makeStore();
    EXPECT_TRUE(store->history().isEmpty());
    const QStringList aside =
        QDir(folder).entryList({QStringLiteral("history.json.corrupt-*")}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    // One line names where the unreadable file went.
    EXPECT_EQ(errors.lines(),
              QList<QByteArray>{"Quillstack: " + QFile::encodeName(file) +
                                " could not be read; it was moved to " +
                                QFile::encodeName(folder + "/" + aside.first()) + "."});
    EXPECT_EQ(readFile(folder + "/" + aside.first()), corrupt);

    const ClipboardEntry capture = textEntry(QStringLiteral("new"));
    store->insert(capture);
    EXPECT_EQ(fileEntries(*store), QList<ClipboardEntry>{capture});
    EXPECT_EQ(readFile(folder + "/" + aside.first()), corrupt);

    // A second corrupt file at the next start is kept as well, under another name.
    store->finishSaving();
    ASSERT_TRUE(test::writeFile(file, "[{"));
    auto again = makeStore();
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("history.json.corrupt-*")}).size(), 2);

    // Something that is not a regular file neither hangs the start nor gets overwritten.
    QFile::remove(file);
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    auto fifo = makeStore();
    EXPECT_TRUE(fifo->history().isEmpty());
    EXPECT_EQ(QDir(folder)
                  .entryList({QStringLiteral("history.json.corrupt-*")}, QDir::Files | QDir::System)
                  .size(),
              3);
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(ClipboardManagerTest, DeletionsAnnounceOnceAndLeaveTheFileAloneWhenNothingChanges) {
    auto store = makeStore();
    const ClipboardEntry a = textEntry(QStringLiteral("a"));
    const ClipboardEntry b = textEntry(QStringLiteral("b"));
    store->insert(a);
    store->insert(b);
    Announcements log(*store);

    store->finishSaving();
    const ino_t before = inodeOf(file);
    store->deleteEntry(QUuid::createUuid());
    store->finishSaving();
    EXPECT_EQ(log.announced.size(), 0);
    EXPECT_EQ(inodeOf(file), before);

    store->deleteEntry(a.id());
    EXPECT_EQ(log.announced.size(), 1);
    EXPECT_EQ(log.seenDuring[0], (QList<ClipboardEntry>{b, a}));
    EXPECT_EQ(store->history(), QList<ClipboardEntry>{b});
    EXPECT_EQ(fileEntries(*store), QList<ClipboardEntry>{b});

    store->deleteAll();
    EXPECT_EQ(log.announced.size(), 2);
    EXPECT_EQ(log.changed, 2);
    EXPECT_TRUE(store->history().isEmpty());
    store->finishSaving();
    EXPECT_EQ(readFile(file), QByteArray("[]"));

    const ino_t empty = inodeOf(file);
    store->deleteAll();
    store->finishSaving();
    EXPECT_EQ(log.announced.size(), 2);
    EXPECT_EQ(inodeOf(file), empty);
}

// Loaded images are kept as their place in the loaded file: every later save, after the first
// one has replaced that file, still writes them back exactly.
TEST_F(ClipboardManagerTest, LoadedImagesSurviveEverySaveUnchanged) {
    QList<ClipboardEntry> entries;
    for (int i = 0; i < 3; ++i) {
        entries << test::imageEntry(100000 + i, i);
    }
    ASSERT_TRUE(test::writeFile(file, EntryJson::encodeHistory(entries).value()));
    const ino_t loadedInode = inodeOf(file);

    auto store = makeStore();
    ASSERT_EQ(store->history(), entries);
    const ClipboardEntry a = textEntry(QStringLiteral("a"));
    store->insert(a);
    store->finishSaving();
    EXPECT_NE(inodeOf(file), loadedInode);
    EXPECT_EQ(readFile(file), EntryJson::encodeHistory({a, entries[0], entries[1], entries[2]}));

    const ClipboardEntry b = textEntry(QStringLiteral("b"));
    store->insert(b);
    store->deleteEntry(entries[1].id());
    store->finishSaving();
    EXPECT_EQ(readFile(file), EntryJson::encodeHistory({b, a, entries[0], entries[2]}));
    EXPECT_EQ(store->history().at(3).imagePNGData(), entries[2].imagePNGData());

    // A restart reads what was written.
    store.reset(); // finishes the last save
    EXPECT_EQ(makeStore()->history(), (QList<ClipboardEntry>{b, a, entries[0], entries[2]}));
}

// Saves run beside the GUI thread and only the newest history is written: changes made while a
// large save runs become one more write, and the file ends with every one of them.
TEST_F(ClipboardManagerTest, ABurstOfChangesDuringASaveBecomesOneWrite) {
    QList<ClipboardEntry> images;
    for (int i = 0; i < 40; ++i) {
        images << test::imageEntry(1024 * 1024, i);
    }
    ASSERT_TRUE(test::writeFile(file, EntryJson::encodeHistory(images).value()));
    auto store = makeStore();

    // Renames onto history.json, one per finished write.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(folder).constData(), IN_MOVED_TO), 0);
    for (int i = 0; i < 20; ++i) {
        store->insert(textEntry(QStringLiteral("burst %1").arg(i)));
    }
    EXPECT_EQ(fileEntries(*store), store->history());
    int writes = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            writes += QByteArray(event->name) == "history.json" ? 1 : 0;
            p += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    EXPECT_GE(writes, 1);
    EXPECT_LE(writes, 2) << "the first change's write, then one for all the others";
    EXPECT_EQ(store->history().size(), 60);
}
