// The real `quillstack` on a headless sway with XWayland: a copy in a native Wayland program is
// recorded with its app_id, `quillstack --toggle` bound in sway opens the panel (an X11 window
// through XWayland), and Down, Return paste the second-newest entry into the Wayland program's
// field through the virtual keyboard.

#include "WaylandSession.h"

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

// Keys typed on a keyboard of the seat (wtype's own virtual keyboard).
void type(const QStringList& arguments) {
    const auto result = test::runProcess(QStringLiteral("wtype"), arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
}

TEST(WaylandEndToEnd, RecordsInWaylandProgramsAndPastesBackThroughTheBoundShortcut) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString runtime = test::privateRuntime(root);
    for (const char* folder : {"data", "config"}) {
        ASSERT_TRUE(QDir(root.path()).mkpath(QString::fromLatin1(folder)));
    }
    qputenv("XDG_DATA_HOME", (root.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit());
    const auto history = [&] { return test::historyIn(root.path() + QStringLiteral("/data")); };

    // sway runs `quillstack --toggle` for Super+Shift+V.
    const auto bound = test::runProcess(QStringLiteral("swaymsg"),
                                        {QStringLiteral("bindsym Mod4+Shift+v exec env "
                                                        "XDG_RUNTIME_DIR=%1 %2 --toggle")
                                             .arg(runtime, QStringLiteral(QUILLSTACK_EXECUTABLE))});
    ASSERT_EQ(bound.exitCode, 0) << bound.out.toStdString();

    test::RunningQuillstack running(true);
    QProcess& app = running.process();
    ASSERT_TRUE(running.isReady()) << running.errors().toStdString();
    const QByteArray startup = running.errors();
    EXPECT_TRUE(startup.contains("desktop services: Wayland (clipboard: wlr-data-control"))
        << startup.toStdString();
    const auto target = test::copyTwiceInWaylandProgram(app, history);
    ASSERT_FALSE(::testing::Test::HasFailure());

    // The bound shortcut opens the panel; Down, Return paste the second-newest entry back.
    type({"-M", "logo", "-M", "shift", "-k", "v", "-m", "shift", "-m", "logo"});
    ASSERT_TRUE(test::waitUntil(test::panelShows, 10s)) << app.readAllStandardError().toStdString();
    test::spin(500ms); // the panel takes the keyboard
    // One keyboard for both keys: XWayland may drop the first key after a new keyboard's keymap.
    type({"-s", "200", "-k", "Down", "-s", "200", "-k", "Return"});
    test::expectPastedBack(app, *target, history);
}

} // namespace
