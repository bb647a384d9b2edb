// The real `quillstack` (QUILLSTACK_EXECUTABLE) in a home of its own: on X with a window
// manager and a tray, on X killed or quit while saving, and on sway and KWin.

#include "KwinFakeKeyboard.h"
#include "PasteTargetProcess.h"
#include "entries/EntryJson.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

const QString program = QStringLiteral(QUILLSTACK_EXECUTABLE);

test::ProcessResult xdotool(const QStringList& arguments) {
    return test::runProcess(QStringLiteral("xdotool"), arguments);
}

// The visible X windows of this program: the panel is wide; the tray icon and its menu narrow.
QList<QRect> windows(bool wide) {
    static const QRegularExpression geometry(
        QStringLiteral("Position: (-?\\d+),(-?\\d+).*\n.*Geometry: (\\d+)x(\\d+)"));
    const QByteArray found = xdotool({"search", "--onlyvisible", "--classname", "^quillstack$",
                                      "getwindowgeometry", "%@"})
                                 .out;
    QList<QRect> frames;
    for (const auto& m : geometry.globalMatch(QString::fromLatin1(found))) {
        const QRect frame(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                          m.captured(4).toInt());
        if ((frame.width() >= 400) == wide) {
            frames.append(frame);
        }
    }
    return frames;
}
std::optional<QRect> window(bool wide) {
    const QList<QRect> frames = windows(wide);
    return frames.isEmpty() ? std::nullopt : std::optional(frames.first());
}
const std::function<bool()> panelShows = [] { return window(true).has_value(); };

// The program, ready when it says so on standard output; nativePlatform: Qt picks Wayland.
struct Quillstack {
    QProcess process;
    QByteArray output;

    explicit Quillstack(bool nativePlatform = false) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUILLSTACK_READY_FD"), QStringLiteral("1"));
        if (nativePlatform) {
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        }
        process.setProcessEnvironment(environment);
        process.start(program, {});
        test::waitUntil([&] { return isReady() || process.state() == QProcess::NotRunning; }, 20s);
    }
    ~Quillstack() { kill(); }
    bool isReady() {
        output += process.readAllStandardOutput();
        return output.contains("ready\n");
    }
    std::string errors() { return process.readAllStandardError().toStdString(); }
    void kill() {
        process.kill();
        process.waitForFinished(5000);
    }
    void expectCleanExit(std::chrono::milliseconds timeout = 10s) {
        ASSERT_TRUE(
            test::waitUntil([&] { return process.state() == QProcess::NotRunning; }, timeout));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }
};

struct Home : testing::Test {
    QTemporaryDir root;

    // The given XDG folders under root.
    void prepare(const QStringList& xdg = {"data", "config", "runtime"}) {
        for (const QString& name : xdg) {
            ASSERT_TRUE(QDir(root.path()).mkpath(name));
            const QByteArray variable =
                "XDG_" + name.toUpper().toLatin1() + (name == "runtime" ? "_DIR" : "_HOME");
            qputenv(variable.constData(), (root.path() + '/' + name).toLocal8Bit());
        }
        QFile::setPermissions(root.path() + "/runtime",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    static void xclip(const QString& type, const QByteArray& contents) {
        const auto result = test::runProcess(QStringLiteral("xclip"),
                                             {"-selection", "clipboard", "-t", type}, contents);
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    }
    static QString folder() { return qEnvironmentVariable("XDG_DATA_HOME") + "/Quillstack"; }
    static QString historyPath() { return folder() + "/history.json"; }
    static QByteArray historyBytes() {
        QFile in(historyPath());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    static QJsonArray history() { return QJsonDocument::fromJson(historyBytes()).array(); }
    // Temporary files of a save under way or cut short.
    static QStringList leftovers() {
        return QDir(folder()).entryList({QStringLiteral(".history.json.*")},
                                        QDir::Files | QDir::Hidden | QDir::System);
    }
};
using EndToEnd = Home;
using CrashConsistency = Home;

TEST_F(EndToEnd, CopyPasteToggleAndQuit) {
    prepare();
    test::PasteTargetProcess target(QUILLSTACK_PASTE_TARGET, "EndToEndTarget");
    Quillstack app;
    ASSERT_TRUE(app.isReady()) << app.errors();
    const QString plainText = QStringLiteral("Meet at noon by the river");
    for (const QString& text : {plainText, QStringLiteral("the newest copy")}) {
        xclip("UTF8_STRING", text.toUtf8());
        ASSERT_TRUE(test::waitUntil([&] { return history().at(0)["text"] == text; }, 10s));
    }
    // The shortcut opens the panel at the pointer; Down, Return paste the older entry back.
    ASSERT_EQ(target.ask("activate"), QByteArray("active"));
    ASSERT_EQ(xdotool({"mousemove", "--sync", "800", "500"}).exitCode, 0);
    ASSERT_EQ(xdotool({"key", "super+shift+v"}).exitCode, 0);
    ASSERT_TRUE(test::waitUntil(panelShows)) << app.errors();
    const auto atPointer = [] {
        return (window(true).value_or(QRect()).center() - QPoint(800, 500)).manhattanLength() <= 40;
    };
    EXPECT_TRUE(test::waitUntil(atPointer)) << window(true).value_or(QRect()).x();
    test::spin(300ms); // the panel takes the keyboard
    ASSERT_EQ(xdotool({"key", "Down", "Return"}).exitCode, 0);
    EXPECT_EQ(target.waitForText(plainText.toStdString()), plainText.toStdString());

    // A second start opens the panel and ends; --toggle (opening on sway) closes it.
    EXPECT_EQ(test::runProcess(program, {}).exitCode, 0);
    EXPECT_TRUE(test::waitUntil(panelShows));
    ASSERT_EQ(test::runProcess(program, {"--toggle"}).exitCode, 0);
    EXPECT_TRUE(test::waitUntil([] { return !panelShows(); }));

    // "Quit Quillstack" from the tray menu (a click on the item opens it) ends the program. Under
    // openbox a click on the tray within a moment of the panel closing is sometimes lost.
    test::spin(1s);
    const std::optional<QRect> icon = window(false);
    ASSERT_TRUE(icon.has_value()) << "no tray icon";
    const QString x = QString::number(icon->center().x()), y = QString::number(icon->center().y());
    ASSERT_EQ(xdotool({"mousemove", "--sync", x, y, "click", "1"}).exitCode, 0);
    ASSERT_TRUE(test::waitUntil([] { return windows(false).size() == 2; })) << "no tray menu";
    test::spin(300ms); // the menu takes the keyboard
    ASSERT_EQ(xdotool({"key", "Up", "Return"}).exitCode, 0);
    app.expectCleanExit();
    const test::ProcessResult none = test::runProcess(program, {"--toggle"});
    EXPECT_EQ(none.exitCode, 1); // no instance is left behind
    EXPECT_EQ(none.err, QByteArray("quillstack: Quillstack is not running.\n"));
}

// Every start finds what the last one saved, nothing moved aside or left behind. Every other
// copy is a 1 MB PNG; each round's last copy is killed in its save or at a random moment.
TEST_F(CrashConsistency, KilledItLosesNothingSavedAndQuitItFinishesItsSave) {
    prepare();
    QRandomGenerator random(20261207);
    QSet<QUuid> saved;
    const auto expectAllSaved = [&] {
        const auto written = EntryJson::decodeHistory(historyBytes());
        EXPECT_TRUE(written || !QFile::exists(historyPath())) << "the file is broken";
        QSet<QUuid> ids;
        for (const ClipboardEntry& entry : written.value_or(QList<ClipboardEntry>())) {
            ids.insert(entry.id());
        }
        EXPECT_TRUE(ids.contains(saved)) << "lost an entry";
        saved.unite(ids);
    };
    for (int round = 0, n = 0; round <= 8; ++round) {
        SCOPED_TRACE(round);
        Quillstack app;
        ASSERT_TRUE(app.isReady()) << app.errors();
        EXPECT_EQ(QDir(folder()).entryList({"history.json.corrupt-*"}, QDir::Files), QStringList{});
        EXPECT_EQ(leftovers(), QStringList{});
        for (int i = 0, last = int(random.bounded(4)); round < 8 && i <= last; ++i, ++n) {
            QByteArray copy = QByteArray::number(n);
            if (n % 2 == 0) {
                QImage image(600, 600, QImage::Format_RGB32);
                random.fillRange(reinterpret_cast<quint32*>(image.bits()), image.sizeInBytes() / 4);
                QBuffer png(&copy);
                ASSERT_TRUE(png.open(QIODevice::WriteOnly) && image.save(&png, "PNG"));
            }
            const qsizetype before = history().size();
            xclip(n % 2 == 0 ? "image/png" : "UTF8_STRING", copy);
            if (i < last) {
                ASSERT_TRUE(test::waitUntil([&] { return history().size() > before; }, 10s));
            } else if (round % 2 == 0) {
                test::waitUntil([&] { return !leftovers().isEmpty(); }, 3s);
            } else {
                test::spin(std::chrono::milliseconds(random.bounded(50, 700)));
            }
        }
        app.kill();
        expectAllSaved();
    }
    EXPECT_GT(saved.size(), 8); // the copies were recorded

    // A quit (by --quit or by a signal) while about 90 MB of history is being written waits for
    // that write: the new file is complete and holds the copy that started it.
    QList<ClipboardEntry> entries;
    for (int i = 0; i < 60; ++i) {
        QByteArray bytes(1536 * 1024, Qt::Uninitialized);
        QRandomGenerator(i).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        entries << ClipboardEntry(QUuid::createUuid(), QDateTime::currentDateTimeUtc(),
                                  ClipboardKind::image, {}, {}, {}, {}, {},
                                  std::optional<QByteArray>(bytes), {},
                                  QStringLiteral("%1").arg(i, 64, 10, QLatin1Char('0')), "image");
    }
    QFile out(historyPath());
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(EntryJson::encodeHistory(entries).value());
    out.close();
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "--quit");
        Quillstack app;
        ASSERT_TRUE(app.isReady()) << app.errors();
        const QByteArray text = QByteArray("quit while saving ") + (bySignal ? "signal" : "quit");
        xclip("UTF8_STRING", text);
        ASSERT_TRUE(test::waitUntil([&] { return !leftovers().isEmpty(); }, 10s));
        if (bySignal) {
            app.process.terminate();
        } else {
            EXPECT_EQ(test::runProcess(program, {"--quit"}).exitCode, 0);
        }
        app.expectCleanExit(30s);
        EXPECT_EQ(leftovers(), QStringList{});
        const auto written = EntryJson::decodeHistory(historyBytes());
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(written->first().text(), QString::fromUtf8(text));
    }
}

using WaylandEndToEnd = Home;

void wtype(const QStringList& arguments) {
    const auto result = test::runProcess(QStringLiteral("wtype"), arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
}

// Two copies in a Wayland program are recorded; the desktop's shortcut opens the panel (on
// XWayland) and Down, Return paste the older one back. sway runs `quillstack --toggle` for it and
// wtype types (one virtual keyboard: XWayland may drop the first key after a new keymap); on KWin
// the portal binds it, keys go through fake input and only the runtime folder is the program's.
TEST_F(WaylandEndToEnd, TheDesktopsShortcutOpensThePanelAndKeysPasteBack) {
    const bool sway = qEnvironmentVariableIsSet("SWAYSOCK");
    test::KwinFakeKeyboard keyboard;
    ASSERT_TRUE(sway || keyboard.isAvailable());
    qputenv("WAYLAND_DISPLAY", qgetenv("XDG_RUNTIME_DIR") + '/' + qgetenv("WAYLAND_DISPLAY"));
    prepare(sway ? QStringList{"data", "config", "runtime"} : QStringList{"runtime"});
    Quillstack app(true);
    ASSERT_TRUE(app.isReady()) << app.errors();
    const std::string startup = app.errors();
    EXPECT_NE(startup.find(sway ? "desktop services: Wayland (clipboard: wlr-data-control"
                                : "desktop services: Wayland (clipboard: wlr-data-control, "
                                  "window: plasma-window-management, keys: kde-fake-input, "
                                  "fallback: wtype, shortcut: GlobalShortcuts portal)"),
              std::string::npos)
        << startup;
    qputenv("QT_QPA_PLATFORM", "wayland");
    test::PasteTargetProcess target(QUILLSTACK_PASTE_TARGET, "org.example.Notes");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const QByteArray copy : {"the older copy", "the newest copy"}) {
        ASSERT_EQ(test::runProcess("wl-copy", {}, copy).exitCode, 0);
        ASSERT_TRUE(test::waitUntil([&] { return history().at(0)["text"] == copy.data(); }, 10s))
            << app.errors();
    }
    if (sway) {
        const auto bound = test::runProcess(
            "swaymsg",
            {QStringLiteral("bindsym Mod4+Shift+v exec env XDG_RUNTIME_DIR=%1 %2 --toggle")
                 .arg(qEnvironmentVariable("XDG_RUNTIME_DIR"), program)});
        ASSERT_EQ(bound.exitCode, 0) << bound.out.toStdString();
        wtype({"-M", "logo", "-M", "shift", "-k", "v", "-m", "shift", "-m", "logo"});
    } else {
        test::waitUntil(
            [&] { // until the portal has bound the shortcut
                keyboard.chord({KEY_LEFTMETA, KEY_LEFTSHIFT, KEY_V});
                return test::waitUntil(panelShows, 1s);
            },
            10s);
    }
    ASSERT_TRUE(test::waitUntil(panelShows, 10s)) << app.errors();
    test::spin(500ms); // the panel takes the keyboard
    if (sway) {
        wtype({"-s", "200", "-k", "Down", "-s", "200", "-k", "Return"});
    } else {
        keyboard.chord({KEY_DOWN});
        keyboard.chord({KEY_ENTER});
    }
    EXPECT_EQ(target.waitForText("the older copy"), "the older copy") << app.errors();
    app.process.terminate();
    EXPECT_TRUE(app.process.waitForFinished(10000));
}

} // namespace
