// The real `quillstack` on an X display. With a window manager and a tray: copies by other
// programs are recorded, the shortcut opens the panel at the pointer and an entry is pasted into
// the window the user came from, the command line reaches the running instance, and quitting
// from the tray, a restart and SIGTERM keep the history. Without them: killed at random moments
// while copies of about 1 MB stream in, and quit while a large history is being written.

#include "PasteTargetProcess.h"
#include "RunningQuillstack.h"
#include "entries/EntryJson.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRect>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include <iostream>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

const QString program = QStringLiteral(QUILLSTACK_EXECUTABLE);

test::ProcessResult xdotool(const QStringList& arguments) {
    return test::runProcess(QStringLiteral("xdotool"), arguments);
}

// A visible window of this program: the panel is wide, the tray icon narrow.
std::optional<QRect> window(bool wide) {
    const auto ids = xdotool({"search", "--onlyvisible", "--classname", "^quillstack$"}).out;
    for (const QByteArray& id : ids.split('\n')) {
        static const QRegularExpression field(QStringLiteral("^(X|Y|WIDTH|HEIGHT)=(-?\\d+)$"),
                                              QRegularExpression::MultilineOption);
        QHash<QString, int> v;
        for (const auto& match : field.globalMatch(QString::fromLatin1(
                 xdotool({"getwindowgeometry", "--shell", QString::fromLatin1(id)}).out))) {
            v.insert(match.captured(1), match.captured(2).toInt());
        }
        if (!id.trimmed().isEmpty() && (v["WIDTH"] >= 400) == wide) {
            return QRect(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]);
        }
    }
    return std::nullopt;
}
bool panelShows() {
    return window(true).has_value();
}
bool panelHidden() {
    return !panelShows();
}

struct Home : testing::Test {
    QTemporaryDir root;
    QString folder = root.path() + QStringLiteral("/data/Quillstack");
    QString historyPath = folder + QStringLiteral("/history.json");

    void SetUp() override { test::prepareHome(root); }
    QString file(const QString& name, const QByteArray& contents) const {
        return test::fileIn(root, name, contents);
    }
    QByteArray historyBytes() const {
        QFile in(historyPath);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    QJsonArray history() const { return test::historyIn(root.path() + QStringLiteral("/data")); }
    bool waitForEntries(qsizetype count) const {
        return test::waitUntil([&] { return history().size() == count; }, 10s);
    }
    // Temporary files of a save under way or cut short.
    QStringList leftovers() const {
        return QDir(folder).entryList({QStringLiteral(".history.json.*")},
                                      QDir::Files | QDir::Hidden | QDir::System);
    }
};
using EndToEnd = Home;
using CrashConsistency = Home;

TEST_F(EndToEnd, CopyPasteToggleQuitAndRestart) {
    test::PasteTargetProcess target(QStringLiteral(QUILLSTACK_PASTE_TARGET),
                                    QStringLiteral("EndToEndTarget"));
    ASSERT_NE(target.windowId(), 0u);
    auto app = std::make_unique<test::RunningQuillstack>();
    ASSERT_TRUE(app->isReady()) << app->errors().toStdString();

    // Other programs copy an image, two files, plain text and HTML with its plain text.
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    ASSERT_TRUE(image.save(root.path() + QStringLiteral("/files/picture.png")));
    test::xclip("image/png", root.path() + QStringLiteral("/files/picture.png"));
    ASSERT_TRUE(waitForEntries(1)) << app->errors().toStdString();
    const QString uris = QUrl::fromLocalFile(file("report one.txt", "one")).toEncoded() + "\r\n" +
                         QUrl::fromLocalFile(file("report-two.txt", "two")).toEncoded();
    test::xclip("text/uri-list", file("uris", uris.toUtf8()));
    ASSERT_TRUE(waitForEntries(2));
    const QString plainText = QStringLiteral("Meet at noon by the river");
    test::xclip("UTF8_STRING", file("plain.txt", plainText.toUtf8()));
    ASSERT_TRUE(waitForEntries(3));
    QProcess offer;
    offer.start(QStringLiteral(QUILLSTACK_CLIPBOARD_OFFER),
                {"text/html=" + file("page.html", "<p>Quarterly <b>numbers</b></p>"),
                 "text/plain=" + file("page.txt", "Quarterly numbers")});
    ASSERT_TRUE(waitForEntries(4));
    offer.kill();
    offer.waitForFinished(3000);

    // Newest first, readable by their owner only.
    QStringList kinds;
    for (const auto& entry : history()) {
        kinds.append(entry.toObject().value("kind").toString());
    }
    EXPECT_EQ(kinds, (QStringList{"html", "text", "file", "image"}));
    EXPECT_EQ(history().at(2).toObject().value("filePaths").toArray().size(), 2);
    EXPECT_EQ(QFileInfo(historyPath).permissions() & 0x7777,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);

    // The shortcut opens the panel at the pointer; Down, Return paste the second-newest entry
    // into the field the user was typing in, and that write is not recorded.
    ASSERT_EQ(target.ask("activate"), QByteArray("active"));
    ASSERT_EQ(xdotool({"mousemove", "--sync", "800", "500"}).exitCode, 0);
    ASSERT_EQ(xdotool({"key", "super+shift+v"}).exitCode, 0);
    ASSERT_TRUE(test::waitUntil(panelShows)) << app->errors().toStdString();
    const QPoint centre = window(true)->center();
    EXPECT_LE((centre - QPoint(800, 500)).manhattanLength(), 40) << centre.x() << "," << centre.y();
    const QByteArray recorded = historyBytes();
    test::spin(300ms); // the panel takes the keyboard
    ASSERT_EQ(xdotool({"key", "Down", "Return"}).exitCode, 0);
    EXPECT_EQ(target.waitForText(plainText.toStdString()), plainText.toStdString());
    EXPECT_FALSE(panelShows());
    EXPECT_EQ(xdotool({"getactivewindow"}).out.trimmed().toULongLong(), target.windowId());
    test::spin(1s);
    EXPECT_EQ(historyBytes(), recorded);

    // --toggle opens and closes the panel; a second start opens it and ends; a later copy is
    // recorded once.
    for (const QStringList& arguments : {QStringList{"--toggle"}, QStringList{}}) {
        const test::ProcessResult handedOver = test::runProcess(program, arguments);
        EXPECT_EQ(handedOver.exitCode, 0) << handedOver.err.toStdString();
        EXPECT_TRUE(test::waitUntil(panelShows));
        ASSERT_EQ(test::runProcess(program, {"--toggle"}).exitCode, 0);
        EXPECT_TRUE(test::waitUntil(panelHidden));
    }
    const QString later = QStringLiteral("copied after the second start");
    test::xclip("UTF8_STRING", file("later.txt", later.toUtf8()));
    ASSERT_TRUE(waitForEntries(5));
    test::spin(1s);
    EXPECT_EQ(history().size(), 5);
    EXPECT_EQ(history().at(0).toObject().value("text").toString(), later);

    // "Quit Quillstack" from the tray menu (a click on the item opens it) ends the program.
    const std::optional<QRect> icon = window(false);
    ASSERT_TRUE(icon.has_value()) << "no tray icon";
    ASSERT_EQ(xdotool({"mousemove", "--sync", QString::number(icon->center().x()),
                       QString::number(icon->center().y()), "click", "1"})
                  .exitCode,
              0);
    test::spin(500ms);
    ASSERT_EQ(xdotool({"key", "Up", "Return"}).exitCode, 0);
    app->expectCleanExit();
    const QByteArray beforeRestart = historyBytes();

    // A restart shows the same history: Return pastes its newest entry.
    app = std::make_unique<test::RunningQuillstack>();
    ASSERT_TRUE(app->isReady()) << app->errors().toStdString();
    EXPECT_EQ(historyBytes(), beforeRestart);
    target.ask("clear");
    ASSERT_EQ(target.ask("activate"), QByteArray("active"));
    ASSERT_EQ(xdotool({"key", "super+shift+v"}).exitCode, 0);
    ASSERT_TRUE(test::waitUntil(panelShows));
    test::spin(300ms);
    ASSERT_EQ(xdotool({"key", "Return"}).exitCode, 0);
    EXPECT_EQ(target.waitForText(later.toStdString()), later.toStdString());

    // SIGTERM ends it cleanly too, leaving no instance behind.
    app->process().terminate();
    app->expectCleanExit();
    const test::ProcessResult none = test::runProcess(program, {"--toggle"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, QByteArray("quillstack: Quillstack is not running.\n"));
    EXPECT_EQ(historyBytes(), beforeRestart);
}

// A PNG of random pixels: about 1 MB, as noise does not compress.
QByteArray noisePng(int seed) {
    QImage image(600, 600, QImage::Format_RGB32);
    QRandomGenerator(quint32(seed))
        .fillRange(reinterpret_cast<quint32*>(image.bits()), image.sizeInBytes() / 4);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Every start loads what the last one saved (nothing moved aside), no saved entry is ever lost,
// and no temporary file is left behind.
TEST_F(CrashConsistency, KilledAtRandomMomentsItLosesNothingSavedAndLeavesNothingBehind) {
    constexpr int rounds = 8;
    QRandomGenerator random(20261207);
    QSet<QString> saved;
    int leftoversSeen = 0;
    int n = 0;
    // The file, if there, is a whole history holding every entry saved before.
    const auto expectAllSaved = [&] {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(historyBytes(), &error);
        EXPECT_TRUE(!QFile::exists(historyPath) || document.isArray())
            << error.errorString().toStdString();
        QSet<QString> ids;
        for (const auto& entry : document.array()) {
            ids.insert(entry.toObject().value("id").toString());
        }
        EXPECT_TRUE(ids.contains(saved)) << "lost an entry";
        saved.unite(ids);
    };
    for (int round = 0; round <= rounds; ++round) {
        SCOPED_TRACE(round);
        test::RunningQuillstack app;
        ASSERT_TRUE(app.isReady()) << app.errors().toStdString();
        EXPECT_EQ(QDir(folder).entryList({"history.json.corrupt-*"}, QDir::Files), QStringList{});
        EXPECT_EQ(leftovers(), QStringList{});
        expectAllSaved();
        if (round == rounds) {
            break;
        }
        // Copies stream in; the kill comes after a random one of them, every other round once a
        // save is under way (its temporary file is there), else at a random moment.
        const int killAfter = int(random.bounded(4));
        for (int i = 0; i <= killAfter; ++i, ++n) {
            if (n % 2 == 0) {
                test::xclip("image/png", file(QStringLiteral("image%1.png").arg(n), noisePng(n)));
            } else {
                test::xclip(
                    "UTF8_STRING",
                    file(QStringLiteral("text%1.txt").arg(n),
                         QStringLiteral("copy %1 %2").arg(n).arg(random.generate()).toUtf8()));
            }
            if (i == killAfter && round % 2 == 0) {
                test::waitUntil([&] { return !leftovers().isEmpty(); }, 3s);
            } else {
                test::spin(std::chrono::milliseconds(i == killAfter ? random.bounded(50, 700)
                                                                    : random.bounded(100, 400)));
            }
        }
        app.kill();
        leftoversSeen += int(leftovers().size());
        expectAllSaved();
    }
    EXPECT_GT(saved.size(), rounds); // the copies were recorded
    std::cout << "entries saved: " << saved.size()
              << ", kills that left a temporary file: " << leftoversSeen << " of " << rounds
              << "\n";
}

// A quit (by --quit or by a signal) while about 90 MB of history is being written waits for
// that write: the new file is complete and holds the copy that started it.
TEST_F(CrashConsistency, AQuitDuringASaveLeavesTheNewFileComplete) {
    QList<ClipboardEntry> entries;
    QList<EntryJson::EncodedEntry> encoded;
    for (int i = 0; i < 60; ++i) {
        QByteArray bytes(1536 * 1024, Qt::Uninitialized);
        QRandomGenerator(quint32(i))
            .fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        entries << ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                                  ClipboardKind::image, std::nullopt, std::nullopt, std::nullopt,
                                  std::nullopt, {}, std::optional<QByteArray>(bytes), std::nullopt,
                                  QStringLiteral("%1").arg(i, 64, 10, QLatin1Char('0')),
                                  QStringLiteral("image"));
        encoded << EntryJson::encodeForHistory(entries.last()).value();
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile out(historyPath);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_TRUE(EntryJson::writeHistory(out, entries, encoded));
    out.close();
    const qint64 oldSize = QFileInfo(historyPath).size();

    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "--quit");
        test::RunningQuillstack app;
        ASSERT_TRUE(app.isReady()) << app.errors().toStdString();
        const QByteArray text = QByteArray("quit while saving ") + (bySignal ? "signal" : "quit");
        test::xclip("UTF8_STRING", file("quit.txt", text));
        ASSERT_TRUE(test::waitUntil([&] { return !leftovers().isEmpty(); }, 10s));
        if (bySignal) {
            app.process().terminate();
        } else {
            EXPECT_EQ(test::runProcess(program, {"--quit"}).exitCode, 0);
        }
        app.expectCleanExit(30s);
        EXPECT_EQ(leftovers(), QStringList{});
        const std::optional<QList<ClipboardEntry>> written =
            EntryJson::decodeHistory(historyBytes());
        ASSERT_TRUE(written.has_value());
        ASSERT_GT(written->size(), 60);
        EXPECT_EQ(written->first().text(), QString::fromUtf8(text));
        EXPECT_GT(QFileInfo(historyPath).size(), oldSize);
    }
}

} // namespace
