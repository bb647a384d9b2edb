#include "store/ClipboardManager.h"
#include "entries/EntryFingerprint.h"
#include "entries/EntryJson.h"
#include "entries/SearchIndex.h"
#include "platform/memory/MemoryDataLocations.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace quillstack;
using namespace std::chrono_literals;
using Entries = QList<ClipboardEntry>;
using K = ClipboardKind;

namespace {

ClipboardEntry entryOf(K kind, const std::optional<QString>& text,
                       const std::optional<QByteArray>& image = {}, bool withIndex = true) {
    return ClipboardEntry(QUuid::createUuid(), QDateTime::fromSecsSinceEpoch(1765016543, Qt::UTC),
                          kind, text, {}, {}, {}, {}, image, "org.example.app",
                          EntryFingerprint::compute(kind, text, {}, {}, {}, {}, image),
                          withIndex
                              ? std::optional(SearchIndex::compute(kind, text, {}, {}, {}, {}, {}))
                              : std::nullopt);
}

ClipboardEntry textEntry(const QString& text, bool withIndex = true) {
    return entryOf(K::text, text, {}, withIndex);
}

ClipboardEntry imageEntry(quint32 seed) {
    QByteArray png(60000, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(png.data()), png.size() / 4);
    return entryOf(K::image, {}, png);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct stat statOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

class HistoryFaults : public ::testing::Test {
public:
    QTemporaryDir dir;
    QString folder, file;
    MemoryDataLocations locations{std::nullopt};
    void SetUp() override { useDataFolder(dir.path() + "/data"); }
    void useDataFolder(const QString& path) {
        folder = path + "/Quillstack";
        file = folder + "/history.json";
        locations = MemoryDataLocations(path);
        ASSERT_TRUE(QDir().mkpath(path));
    }
    std::unique_ptr<ClipboardManager> makeStore(DataLocations* where = nullptr) {
        ClipboardManager::Services services;
        services.locations = where ? where : &locations;
        auto store = std::make_unique<ClipboardManager>(services);
        store->setSaveRetryInterval(50ms);
        return store;
    }
    static void settle(ClipboardManager& store) {
        store.finishSaving();
        test::spin(20ms);
    }
    Entries savedEntries(ClipboardManager& store) {
        store.finishSaving();
        return EntryJson::decodeHistory(readFile(file)).value_or(Entries{});
    }
    // Each announced list, the history as it stood then, and the change signals.
    QList<Entries> announced, seenDuring;
    int changed = 0;
    void listen(ClipboardManager& store) {
        QObject::connect(&store, &ClipboardManager::historyWillChange,
                         [this, &store](const Entries& next) {
                             announced.append(next);
                             seenDuring.append(store.history());
                         });
        QObject::connect(&store, &ClipboardManager::historyChanged, [this] { ++changed; });
    }
};

} // namespace

// Every change is announced before it is made; a change that changes nothing announces and
// writes nothing.
TEST_F(HistoryFaults, InsertionMovesDuplicatesToTheTopAndDeletionsAnnounceOnce) {
    auto store = makeStore();
    listen(*store);
    const ClipboardEntry a = textEntry("A");
    store->insert(a);
    EXPECT_EQ(announced.size(), 2);       // the removal pass, then the insertion
    EXPECT_TRUE(seenDuring[1].isEmpty()); // history() still held the old list
    store->finishSaving();
    const ino_t before = statOf(file).st_ino;
    store->insert(textEntry("A"));
    store->deleteEntry(QUuid::createUuid());
    store->finishSaving();
    EXPECT_EQ(announced.size(), 2);
    EXPECT_EQ(statOf(file).st_ino, before);
    // A, B, A: the first A is gone, the new A (new identity) is on top.
    const ClipboardEntry b = textEntry("B");
    store->insert(b);
    const ClipboardEntry a2 = textEntry("A");
    store->insert(a2);
    EXPECT_EQ(store->history(), (Entries{a2, b}));
    EXPECT_EQ(announced[4], Entries{b}); // the removal pass of a2
    const ClipboardEntry c = textEntry("C");
    store->insert(c);
    store->insert(textEntry("B"));
    const Entries full = store->history();
    EXPECT_EQ(full.mid(1), (Entries{c, a2})); // a match in the middle: count stays
    const qsizetype count = announced.size();
    store->deleteEntry(c.id());
    EXPECT_EQ(announced.size(), count + 1);
    EXPECT_EQ(savedEntries(*store), (Entries{full[0], a2}));
    store->deleteAll();
    store->finishSaving();
    EXPECT_EQ(readFile(file), QByteArray("[]"));
    const ino_t empty = statOf(file).st_ino;
    store->deleteAll();
    store->finishSaving();
    EXPECT_EQ(announced.size(), count + 2);
    EXPECT_EQ(changed, announced.size());
    EXPECT_EQ(statOf(file).st_ino, empty);
}

// A longer file is loaded whole, its missing search indexes filled in and written back.
TEST_F(HistoryFaults, TrimsTo200AndLoadsLongerFilesWhole) {
    auto store = makeStore();
    for (int i = 0; i < 200; ++i) {
        store->insert(textEntry(QString::number(i)));
    }
    listen(*store);
    store->insert(textEntry("200"));
    EXPECT_EQ(announced.size(), 3); // removal pass, insertion (201), trim
    EXPECT_EQ(announced[1].size(), 201);
    EXPECT_EQ(store->history().size(), 200);
    EXPECT_EQ(store->history().last().text(), "1");
    EXPECT_EQ(savedEntries(*store), store->history());
    store.reset();
    Entries many;
    for (int i = 0; i < 250; ++i) {
        many << textEntry(QStringLiteral("Old  %1").arg(i), i > 0);
    }
    ASSERT_TRUE(writeFile(file, EntryJson::encodeHistory(many).value()));
    store = makeStore();
    EXPECT_EQ(store->history().mid(1), many.mid(1)); // neither trimmed nor de-duplicated
    EXPECT_EQ(store->history()[0].searchIndex(), "text old 0 org.example.app");
    EXPECT_EQ(store->history()[0].id(), many[0].id());
    EXPECT_EQ(savedEntries(*store), store->history());
    store->insert(textEntry("new"));
    EXPECT_EQ(store->history().mid(2), many.mid(1, 198));
}

TEST_F(HistoryFaults, KeepsAnUndecodableFileAside) {
    QByteArray corrupt = EntryJson::encodeHistory({textEntry("good")}).value();
    corrupt.replace("\"kind\": \"text\"", "\"kind\": \"Text\"");
    ASSERT_TRUE(writeFile(file, corrupt));
    test::CapturedStandardError errors;
    auto store = makeStore();
    const QStringList asides = QDir(folder).entryList({"history.json.corrupt-*"});
    ASSERT_EQ(asides.size(), 1);
    const QString aside = folder + "/" + asides.first();
    EXPECT_EQ(errors.lines(), QList<QByteArray>{"Quillstack: " + QFile::encodeName(file) +
                                                " could not be read; it was moved to " +
                                                QFile::encodeName(aside) + "."});
    const ClipboardEntry capture = textEntry("new");
    store->insert(capture);
    EXPECT_EQ(savedEntries(*store), Entries{capture});
    EXPECT_EQ(readFile(aside), corrupt);
}

// Loaded images are read from the loaded file when saved, also after the first save has
// replaced it. Another program shortens that file: each image no longer in it costs its own
// entry; the others and the save go on.
TEST_F(HistoryFaults, LoadedImagesSurviveEverySaveOrCostOnlyTheirEntry) {
    const ClipboardEntry t0 = textEntry("first"), i1 = imageEntry(1), t3 = textEntry("last");
    const QByteArray bytes = EntryJson::encodeHistory({t0, i1, imageEntry(2), t3}).value();
    ASSERT_TRUE(writeFile(file, bytes));
    auto store = makeStore();
    ASSERT_EQ(store->history().size(), 4);
    const qsizetype second =
        bytes.indexOf("\"imagePNGData\"", bytes.indexOf("\"imagePNGData\"") + 1);
    ASSERT_EQ(::truncate(QFile::encodeName(file).constData(), second + 1000), 0);
    test::CapturedStandardError errors;
    const ClipboardEntry n = textEntry("new");
    store->insert(n);
    settle(*store);
    EXPECT_EQ(store->history(), (Entries{n, t0, i1, t3}));
    EXPECT_EQ(errors.lines().size(), 1) << errors.text().toStdString();
    const ClipboardEntry b = textEntry("b");
    store->insert(b);
    store->deleteEntry(t0.id());
    store.reset(); // finishes the last save
    EXPECT_EQ(readFile(file), EntryJson::encodeHistory({b, n, i1, t3}));
}

// The folder deleted while running is simply made again; a plain file in its place fails the
// saves until it goes: one line says so, the retries in between fail quietly.
TEST_F(HistoryFaults, AFailedSaveNeverStopsTheRecordingAndIsRetriedQuietly) {
    for (const bool plainFile : {false, true}) {
        SCOPED_TRACE(plainFile);
        QTemporaryDir caseDir;
        useDataFolder(caseDir.path() + "/data");
        test::CapturedStandardError errors;
        auto store = makeStore();
        const ClipboardEntry a = textEntry("a"), b = textEntry("b");
        store->insert(a);
        settle(*store);
        ASSERT_TRUE(QDir(folder).removeRecursively());
        ASSERT_TRUE(!plainFile || writeFile(folder, "not a folder"));
        store->insert(b);
        store->deleteEntry(a.id());
        settle(*store);
        EXPECT_EQ(store->history(), Entries{b});
        EXPECT_EQ(store->isSaveFailing(), plainFile);
        test::spin(200ms);
        EXPECT_EQ(errors.lines().size(), plainFile ? 1 : 0);
        // Mended: the retry saves by itself, without another change.
        ASSERT_TRUE(!plainFile || QFile::remove(folder));
        EXPECT_TRUE(test::waitUntil([&] { return !store->isSaveFailing(); }, 3s));
        EXPECT_EQ(savedEntries(*store), store->history());
        const QList<QByteArray> lines = errors.lines();
        ASSERT_EQ(lines.size(), plainFile ? 2 : 0);
        if (plainFile) {
            EXPECT_TRUE(lines[0].startsWith("Quillstack: cannot save the history to " +
                                            QFile::encodeName(file) + ": "))
                << lines[0].toStdString();
            EXPECT_EQ(lines[1],
                      "Quillstack: the history is saved again to " + QFile::encodeName(file) + ".");
        }
    }
}

// Temporary files of interrupted saves hold clipboard contents: they go at start and when the
// history is cleared; nothing else in the folder is touched, nor a link's target.
TEST_F(HistoryFaults, LeftoversOfInterruptedSavesAreRemovedAtStartAndWhenCleared) {
    QStringList others{".history.json.toolong1", "history.json.Ab12Cd", ".history.json.AB12-d",
                       ".other.json.Ab12Cd"};
    for (const QString& name :
         others + QStringList{".history.json.Ab12Cd", ".settings.json.zzZZ99"}) {
        ASSERT_TRUE(writeFile(folder + "/" + name, "copied secrets"));
    }
    ASSERT_TRUE(writeFile(dir.path() + "/target", "keep"));
    ASSERT_TRUE(QFile::link(dir.path() + "/target", folder + "/.history.json.Link12"));
    auto store = makeStore();
    others << ".history.json.Link12";
    others.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
              others);
    EXPECT_EQ(readFile(dir.path() + "/target"), QByteArray("keep"));
    store->insert(textEntry("a"));
    settle(*store);
    ASSERT_TRUE(writeFile(folder + "/.history.json.Late99", "more"));
    store->deleteAll();
    settle(*store);
    EXPECT_FALSE(QFileInfo::exists(folder + "/.history.json.Late99"));
}

// With no data folder, a "Quillstack" folder in the temporary folder is used when it is a
// private one of this user, else a new private one and one line says so; a planted history is
// never read.
TEST_F(HistoryFaults, FoldersAndLinksThatAreNotOursAreNeverUsedOrFollowed) {
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    EXPECT_EQ(ClipboardManager(ClipboardManager::Services{}).storageURL(),
              dir.path() + "/Quillstack/history.json");
    qputenv("TMPDIR", oldTmp);
    const auto made = [](const QString& place, mode_t mode) {
        return QDir().mkpath(place) && ::chmod(QFile::encodeName(place).constData(), mode) == 0;
    };
    const ClipboardEntry planted = textEntry("planted");
    for (const std::string_view kind : {"another user's folder", "a link to a folder",
                                        "a plain file", "our own folder open to others"}) {
        SCOPED_TRACE(kind); // the last is fixed and used
        QTemporaryDir temp;
        const QString tmp = temp.path() + "/tmp", candidate = tmp + "/Quillstack";
        ASSERT_TRUE(made(tmp, 01777));
        ASSERT_TRUE(kind == "a link to a folder"
                        ? made(temp.path() + "/elsewhere", 0700) &&
                              QFile::link(temp.path() + "/elsewhere", candidate)
                    : kind == "a plain file" ? writeFile(candidate, "x")
                                             : made(candidate, 0777));
        ASSERT_TRUE(kind != "another user's folder" ||
                    ::chown(QFile::encodeName(candidate).constData(), 4242, 4242) == 0);
        writeFile(candidate + "/history.json", EntryJson::encodeHistory({planted}).value());
        test::CapturedStandardError errors;
        MemoryDataLocations noDataFolder(std::nullopt, tmp);
        const auto store = makeStore(&noDataFolder);
        const QString used = QFileInfo(store->storageURL()).absolutePath();
        const bool own = kind == "our own folder open to others";
        EXPECT_EQ(store->history(), own ? Entries{planted} : Entries{});
        EXPECT_EQ(errors.lines(),
                  own ? QList<QByteArray>{}
                      : QList<QByteArray>{"Quillstack: " + QFile::encodeName(candidate) +
                                          " is not a private folder of this user; using " +
                                          QFile::encodeName(used) + " instead."});
        EXPECT_TRUE(own ? used == candidate : used.startsWith(candidate + "-"))
            << used.toStdString();
        EXPECT_EQ(statOf(used).st_mode & 0777, 0700u);
        store->insert(textEntry("mine"));
        store->finishSaving();
        EXPECT_GT(QFileInfo(store->storageURL()).size(), 0);
    }
    // Files are replaced, never written through a link, and a data folder that is a link keeps its
    // target's mode.
    const QString outside = dir.path() + "/outside.json";
    const ClipboardEntry old = textEntry("old");
    ASSERT_TRUE(writeFile(outside, EntryJson::encodeHistory({old}).value()));
    ASSERT_TRUE(QDir().mkpath(folder) && QFile::link(outside, file));
    auto store = makeStore();
    EXPECT_EQ(store->history(), Entries{old});
    store->insert(textEntry("new"));
    store.reset();
    EXPECT_EQ(readFile(outside), EntryJson::encodeHistory({old}).value());
    EXPECT_FALSE(QFileInfo(file).isSymLink());
    ASSERT_TRUE(QDir(folder).removeRecursively());
    const QString linked = dir.path() + "/synced/Quillstack";
    ASSERT_TRUE(QDir().mkpath(linked));
    ASSERT_EQ(::chmod(QFile::encodeName(linked).constData(), 0755), 0);
    ASSERT_TRUE(QFile::link(linked, folder));
    makeStore()->insert(textEntry("through the link"));
    EXPECT_TRUE(QFileInfo(folder).isSymLink());
    EXPECT_EQ(statOf(linked).st_mode & 0777, 0755u);
}
