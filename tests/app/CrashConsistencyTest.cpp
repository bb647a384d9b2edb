// The real `quillstack` program killed at random moments while copies stream in (texts and
// images of about 1 MB, so that many kills land in the middle of a save): every start loads
// what the last one saved, no saved entry is ever lost, and no temporary file is left behind.
// And a quit while a large history is being written waits for that write.
//
// QUILLSTACK_EXECUTABLE names the program.

#include "RunningQuillstack.h"
#include "entries/EntryJson.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <iostream>
#include <sys/stat.h>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

const QString program = QStringLiteral(QUILLSTACK_EXECUTABLE);

using Running = test::RunningQuillstack;

struct CrashConsistency : testing::Test {
    QTemporaryDir root;
    QString folder;
    QString historyPath;

    void SetUp() override {
        ASSERT_TRUE(test::prepareHome(root));
        folder = root.path() + QStringLiteral("/data/Quillstack");
        historyPath = folder + QStringLiteral("/history.json");
    }

    // The ids in history.json; the file must be a complete history (or absent).
    QStringList savedIds() const {
        QFile file(historyPath);
        if (!file.exists()) {
            return {};
        }
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        EXPECT_TRUE(document.isArray());
        QStringList ids;
        for (const auto& entry : document.array()) {
            ids.append(entry.toObject().value(QStringLiteral("id")).toString());
        }
        return ids;
    }
    QStringList leftovers() const {
        return QDir(folder).entryList({QStringLiteral(".history.json.*")},
                                      QDir::Files | QDir::Hidden | QDir::System);
    }
    QStringList keptAside() const {
        return QDir(folder).entryList({QStringLiteral("history.json.corrupt-*")}, QDir::Files);
    }

    QString file(const QString& name, const QByteArray& contents) const {
        return test::fileIn(root, name, contents);
    }
    static void copy(const QString& type, const QString& path) { test::xclip(type, path); }
};

// A PNG of random pixels: about 1 MB, as noise does not compress.
QByteArray noisePng(int seed) {
    QImage image(512, 512, QImage::Format_ARGB32);
    QRandomGenerator random(quint32(seed) + 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] = random.generate() | 0xff000000u;
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

TEST_F(CrashConsistency, KilledAtRandomMomentsItLosesNothingSavedAndLeavesNothingBehind) {
    constexpr int rounds = 8;
    constexpr int copiesPerRound = 4;
    QRandomGenerator random(20261207);
    QSet<QString> saved;
    int leftoversSeen = 0;
    int copyNumber = 0;

    for (int round = 0; round <= rounds; ++round) {
        SCOPED_TRACE(round);
        auto app = std::make_unique<Running>();
        ASSERT_TRUE(app->isReady()) << app->process().readAllStandardError().toStdString();
        // Started: the last saved history was loaded (nothing moved aside), leftovers are gone.
        EXPECT_EQ(keptAside(), QStringList{});
        EXPECT_EQ(leftovers(), QStringList{});
        const QStringList atStart = savedIds();
        for (const QString& id : std::as_const(saved)) {
            EXPECT_TRUE(atStart.contains(id)) << "lost " << id.toStdString();
        }
        if (round == rounds) {
            break;
        }

        // Copies stream in; the kill comes after a random one of them, at a random moment.
        const int killAfter = int(random.bounded(copiesPerRound));
        for (int i = 0; i < copiesPerRound; ++i) {
            const int n = copyNumber++;
            if (n % 2 == 0) {
                copy(QStringLiteral("image/png"),
                     file(QStringLiteral("image%1.png").arg(n), noisePng(n)));
            } else {
                copy(QStringLiteral("UTF8_STRING"),
                     file(QStringLiteral("text%1.txt").arg(n),
                          QStringLiteral("copy %1 %2").arg(n).arg(random.generate()).toUtf8()));
            }
            if (i == killAfter) {
                // Every other round the kill waits for a save to be under way (its temporary
                // file is there); the others pick any moment.
                if (round % 2 == 0) {
                    test::waitUntil([&] { return !leftovers().isEmpty(); }, 3s);
                } else {
                    test::spin(std::chrono::milliseconds(random.bounded(50, 700)));
                }
                break;
            }
            test::spin(std::chrono::milliseconds(random.bounded(100, 400)));
        }
        app->kill();
        leftoversSeen += int(leftovers().size());
        // Whatever the moment, the file is a whole history holding every entry saved before.
        const QStringList afterKill = savedIds();
        for (const QString& id : std::as_const(saved)) {
            EXPECT_TRUE(afterKill.contains(id)) << "lost " << id.toStdString();
        }
        for (const QString& id : afterKill) {
            saved.insert(id);
        }
    }
    EXPECT_GT(saved.size(), rounds); // the copies were recorded
    std::cout << "entries saved: " << saved.size()
              << ", kills that left a temporary file: " << leftoversSeen << " of " << rounds
              << "\n";
}

// A quit (by --quit or by a signal) while a large history is being written waits for that
// write: the new file is complete and holds the copy that started it.
TEST_F(CrashConsistency, AQuitDuringASaveLeavesTheNewFileComplete) {
    // About 120 MB of history, so that its write takes a while.
    QList<ClipboardEntry> entries;
    for (int i = 0; i < 60; ++i) {
        QByteArray bytes(1536 * 1024, Qt::Uninitialized);
        QRandomGenerator random{quint32(i)};
        random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        const std::optional<QByteArray> image = bytes;
        entries << ClipboardEntry(
            QUuid::createUuid(), QDateTime::currentDateTimeUtc(), ClipboardKind::image,
            std::nullopt, std::nullopt, std::nullopt, std::nullopt, {}, image, std::nullopt,
            QStringLiteral("%1").arg(i, 64, 10, QLatin1Char('0')), QStringLiteral("image"));
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile out(historyPath);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_TRUE(EntryJson::writeHistory(out, entries, [&] {
            QList<EntryJson::EncodedEntry> encoded;
            for (const ClipboardEntry& entry : entries) {
                encoded << EntryJson::encodeForHistory(entry).value();
            }
            return encoded;
        }()));
    }
    const qint64 oldSize = QFileInfo(historyPath).size();

    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "--quit");
        auto app = std::make_unique<Running>();
        ASSERT_TRUE(app->isReady()) << app->process().readAllStandardError().toStdString();
        const QByteArray text = QByteArray("quit while saving ") + (bySignal ? "signal" : "quit");
        copy(QStringLiteral("UTF8_STRING"), file(QStringLiteral("quit.txt"), text));
        // The save has begun once its temporary file is there.
        ASSERT_TRUE(test::waitUntil([&] { return !leftovers().isEmpty(); }, 10s));
        if (bySignal) {
            app->process().terminate();
        } else {
            EXPECT_EQ(test::runProcess(program, {"--quit"}).exitCode, 0);
        }
        ASSERT_TRUE(
            test::waitUntil([&] { return app->process().state() == QProcess::NotRunning; }, 30s));
        EXPECT_EQ(app->process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app->process().exitCode(), 0);
        EXPECT_EQ(leftovers(), QStringList{});
        QFile saved(historyPath);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const std::optional<QList<ClipboardEntry>> written =
            EntryJson::decodeHistory(saved.readAll());
        ASSERT_TRUE(written.has_value());
        ASSERT_GT(written->size(), 60);
        EXPECT_EQ(written->first().text(), QString::fromUtf8(text));
        EXPECT_GT(QFileInfo(historyPath).size(), oldSize);
    }
}
