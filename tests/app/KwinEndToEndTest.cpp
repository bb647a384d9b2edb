// The real `quillstack` under KWin with XWayland and the desktop portal: a copy in a native
// Wayland program is recorded with its app_id, the shortcut the portal registered opens the
// panel (an X11 window through XWayland), and Down, Return paste the second-newest entry into
// the Wayland program through fake input.
//
// QUILLSTACK_EXECUTABLE and QUILLSTACK_PASTE_TARGET name the programs; with-wayland.sh grants
// this test and the program fake input and window management.

#include "KwinFakeKeyboard.h"
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

bool panelShows() {
    const auto found = test::runProcess(QStringLiteral("xdotool"),
                                        {"search", "--onlyvisible", "--classname", "^quillstack$"});
    return !found.out.trimmed().isEmpty();
}

TEST(KwinEndToEnd, ThePortalShortcutOpensThePanelAndFakeInputPastes) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("runtime")));
    const QString runtime = root.path() + QStringLiteral("/runtime");
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    // The compositor's socket stays reachable while the program gets a runtime folder of its own;
    // KWin's own settings and service cache stay where with-wayland.sh put them.
    qputenv("WAYLAND_DISPLAY", qgetenv("XDG_RUNTIME_DIR") + '/' + qgetenv("WAYLAND_DISPLAY"));
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    const QString historyPath =
        qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Quillstack/history.json");
    const auto history = [&] {
        QFile in(historyPath);
        return in.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(in.readAll()).array()
                                            : QJsonArray();
    };

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
    QByteArray errors = app.readAllStandardError();
    EXPECT_TRUE(errors.contains("desktop services: Wayland (clipboard: wlr-data-control, window: "
                                "plasma-window-management, keys: kde-fake-input, fallback: wtype, "
                                "shortcut: GlobalShortcuts portal)"))
        << errors.toStdString();

    qputenv("QT_QPA_PLATFORM", "wayland");
    test::PasteTargetProcess target(QStringLiteral(QUILLSTACK_PASTE_TARGET),
                                    QStringLiteral("org.example.Notes"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ASSERT_NE(target.windowId(), 0u);
    ASSERT_EQ(test::runProcess(QStringLiteral("wl-copy"), {}, "the older copy").exitCode, 0);
    ASSERT_TRUE(test::waitUntil([&] { return history().size() == 1; }, 10s))
        << app.readAllStandardError().toStdString();
    ASSERT_EQ(test::runProcess(QStringLiteral("wl-copy"), {}, "the newest copy").exitCode, 0);
    ASSERT_TRUE(test::waitUntil([&] { return history().size() == 2; }, 10s));
    EXPECT_EQ(history().at(1).toObject().value("sourceAppBundleID").toString(),
              QStringLiteral("org.example.Notes"));

    // Meta+Shift+V, registered through the portal, opens the panel; Down, Return paste.
    test::KwinFakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.isAvailable());
    ASSERT_TRUE(test::waitUntil(
        [&] {
            keyboard.chord({KEY_LEFTMETA, KEY_LEFTSHIFT, KEY_V});
            return test::waitUntil(panelShows, 1s);
        },
        10s))
        << app.readAllStandardError().toStdString();
    test::spin(500ms); // the panel takes the keyboard
    keyboard.chord({KEY_DOWN});
    keyboard.chord({KEY_ENTER});
    EXPECT_EQ(target.waitForText("the older copy"), "the older copy")
        << app.readAllStandardError().toStdString();
    EXPECT_TRUE(test::waitUntil([] { return !panelShows(); }));
    test::spin(1s);
    EXPECT_EQ(history().size(), 2);

    app.terminate();
    EXPECT_TRUE(app.waitForFinished(10000));
}

} // namespace
