// The real `quillstack` on a headless sway with XWayland: a copy in a native Wayland program is
// recorded with its app_id, `quillstack --toggle` bound in sway opens the panel (an X11 window
// through XWayland), and Down, Return paste the second-newest entry into the Wayland program's
// field through the virtual keyboard.
//
// QUILLSTACK_EXECUTABLE and QUILLSTACK_PASTE_TARGET name the programs.

#include "PasteTargetProcess.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

const QString program = QStringLiteral(QUILLSTACK_EXECUTABLE);

test::ProcessResult run(const QString& command, const QStringList& arguments,
                        const QByteArray& input = {}) {
    return test::runProcess(command, arguments, input);
}

// Keys typed on a keyboard of the seat (wtype's own virtual keyboard).
void type(const QStringList& arguments) {
    const auto result = run(QStringLiteral("wtype"), arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
}

bool panelShows() {
    const auto found =
        run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--classname", "^quillstack$"});
    return !found.out.trimmed().isEmpty();
}

TEST(WaylandEndToEnd, RecordsInWaylandProgramsAndPastesBackThroughTheBoundShortcut) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    for (const char* folder : {"data", "config", "runtime"}) {
        ASSERT_TRUE(QDir(root.path()).mkpath(QString::fromLatin1(folder)));
    }
    const QString runtime = root.path() + QStringLiteral("/runtime");
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    // The compositor's socket stays reachable while the program gets a runtime folder of its own.
    qputenv("WAYLAND_DISPLAY", qgetenv("XDG_RUNTIME_DIR") + '/' + qgetenv("WAYLAND_DISPLAY"));
    qputenv("XDG_DATA_HOME", (root.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    const QString historyPath = root.path() + QStringLiteral("/data/Quillstack/history.json");
    const auto history = [&] {
        QFile in(historyPath);
        return in.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(in.readAll()).array()
                                            : QJsonArray();
    };

    // sway runs `quillstack --toggle` for Super+Shift+V.
    const auto bound = run(QStringLiteral("swaymsg"),
                           {QStringLiteral("bindsym Mod4+Shift+v exec env XDG_RUNTIME_DIR=%1 %2 "
                                           "--toggle")
                                .arg(runtime, program)});
    ASSERT_EQ(bound.exitCode, 0) << bound.out.toStdString();

    // The program, with the panel on XWayland (xcb) and the services native.
    QProcess app;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("QUILLSTACK_READY_FD"), QStringLiteral("1"));
    app.setProcessEnvironment(environment);
    app.start(program, {});
    QByteArray output;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            output += app.readAllStandardOutput();
            return output.contains("ready\n") || app.state() == QProcess::NotRunning;
        },
        15s));
    ASSERT_TRUE(output.contains("ready\n")) << app.readAllStandardError().toStdString();
    const QByteArray startup = app.readAllStandardError();
    EXPECT_TRUE(startup.contains("desktop services: Wayland (clipboard: wlr-data-control"))
        << startup.toStdString();

    // A native Wayland program has the keyboard; two copies are made there.
    qputenv("QT_QPA_PLATFORM", "wayland");
    test::PasteTargetProcess target(QStringLiteral(QUILLSTACK_PASTE_TARGET),
                                    QStringLiteral("org.example.Notes"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ASSERT_NE(target.windowId(), 0u);
    ASSERT_EQ(run(QStringLiteral("wl-copy"), {}, "the older copy").exitCode, 0);
    ASSERT_TRUE(test::waitUntil([&] { return history().size() == 1; }, 10s))
        << app.readAllStandardError().toStdString();
    ASSERT_EQ(run(QStringLiteral("wl-copy"), {}, "the newest copy").exitCode, 0);
    ASSERT_TRUE(test::waitUntil([&] { return history().size() == 2; }, 10s));
    EXPECT_EQ(history().at(0).toObject().value("text").toString(),
              QStringLiteral("the newest copy"));
    EXPECT_EQ(history().at(1).toObject().value("sourceAppBundleID").toString(),
              QStringLiteral("org.example.Notes"));

    // The bound shortcut opens the panel; Down, Return paste the second-newest entry back into
    // the Wayland program.
    type({"-M", "logo", "-M", "shift", "-k", "v", "-m", "shift", "-m", "logo"});
    ASSERT_TRUE(test::waitUntil(panelShows, 10s)) << app.readAllStandardError().toStdString();
    test::spin(500ms); // the panel takes the keyboard
    // One keyboard for both keys: XWayland may drop the first key after a new keyboard's keymap.
    type({"-s", "200", "-k", "Down", "-s", "200", "-k", "Return"});
    EXPECT_EQ(target.waitForText("the older copy"), "the older copy")
        << app.readAllStandardError().toStdString();
    EXPECT_TRUE(test::waitUntil([] { return !panelShows(); }));
    // The program's own write is not recorded.
    test::spin(1s);
    EXPECT_EQ(history().size(), 2);

    app.terminate();
    EXPECT_TRUE(app.waitForFinished(10000));
}

} // namespace
