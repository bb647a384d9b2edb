// The real `quillstack` under KWin with XWayland and the desktop portal: a copy in a native
// Wayland program is recorded with its app_id, the shortcut the portal registered opens the
// panel (an X11 window through XWayland), and Down, Return paste the second-newest entry into
// the Wayland program through fake input. with-wayland.sh grants this test and the program fake
// input and window management; KWin's own settings stay where it put them.

#include "KwinFakeKeyboard.h"
#include "WaylandSession.h"

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

TEST(KwinEndToEnd, ThePortalShortcutOpensThePanelAndFakeInputPastes) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    test::privateRuntime(root);
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    const auto history = [&] { return test::historyIn(data); };

    test::RunningQuillstack running(true);
    QProcess& app = running.process();
    ASSERT_TRUE(running.isReady()) << running.errors().toStdString();
    const QByteArray startup = running.errors();
    EXPECT_TRUE(startup.contains("desktop services: Wayland (clipboard: wlr-data-control, window: "
                                 "plasma-window-management, keys: kde-fake-input, fallback: wtype, "
                                 "shortcut: GlobalShortcuts portal)"))
        << startup.toStdString();
    const auto target = test::copyTwiceInWaylandProgram(app, history);
    ASSERT_FALSE(::testing::Test::HasFailure());

    // Meta+Shift+V, registered through the portal, opens the panel; Down, Return paste.
    test::KwinFakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.isAvailable());
    ASSERT_TRUE(test::waitUntil(
        [&] {
            keyboard.chord({KEY_LEFTMETA, KEY_LEFTSHIFT, KEY_V});
            return test::waitUntil(test::panelShows, 1s);
        },
        10s))
        << app.readAllStandardError().toStdString();
    test::spin(500ms); // the panel takes the keyboard
    keyboard.chord({KEY_DOWN});
    keyboard.chord({KEY_ENTER});
    test::expectPastedBack(app, *target, history);
}

} // namespace
