// The real `quillstack` on a Wayland desktop: two copies in a native Wayland program are
// recorded with its app_id, the desktop's shortcut opens the panel (an X11 window through
// XWayland), and Down, Return paste the older copy back into the program. On sway the shortcut
// is bound to `quillstack --toggle` and keys go through the virtual keyboard; on KWin the
// portal registers it and keys go through fake input.

#include "KwinFakeKeyboard.h"
#include "PasteTargetProcess.h"
#include "RunningQuillstack.h"

#include <QJsonObject>

using namespace quillstack;
using namespace std::chrono_literals;

namespace {

bool panelShows() {
    return !test::runProcess("xdotool", {"search", "--onlyvisible", "--classname", "^quillstack$"})
                .out.trimmed()
                .isEmpty();
}

// The program started with a runtime folder of its own (the compositor's socket stays
// reachable), and two copies made in a Wayland program that keeps the keyboard.
struct WaylandEndToEnd : testing::Test {
    QTemporaryDir root;
    std::unique_ptr<test::RunningQuillstack> app;
    std::unique_ptr<test::PasteTargetProcess> target;

    QJsonArray history() const { return test::historyIn(qEnvironmentVariable("XDG_DATA_HOME")); }
    void startAndCopyTwice(const QStringList& folders, const QByteArray& services) {
        qputenv("WAYLAND_DISPLAY", qgetenv("XDG_RUNTIME_DIR") + '/' + qgetenv("WAYLAND_DISPLAY"));
        test::prepareHome(root, folders);
        app = std::make_unique<test::RunningQuillstack>(true);
        ASSERT_TRUE(app->isReady()) << app->errors().toStdString();
        const QByteArray startup = app->errors();
        EXPECT_TRUE(startup.contains(services)) << startup.toStdString();
        qputenv("QT_QPA_PLATFORM", "wayland");
        target = std::make_unique<test::PasteTargetProcess>(QStringLiteral(QUILLSTACK_PASTE_TARGET),
                                                            QStringLiteral("org.example.Notes"));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        ASSERT_NE(target->windowId(), 0u);
        const QByteArray copies[] = {"the older copy", "the newest copy"};
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(test::runProcess("wl-copy", {}, copies[i]).exitCode, 0);
            ASSERT_TRUE(test::waitUntil([&] { return history().size() == i + 1; }, 10s))
                << app->errors().toStdString();
        }
        EXPECT_EQ(history().at(0).toObject().value("text").toString(), "the newest copy");
        EXPECT_EQ(history().at(1).toObject().value("sourceAppBundleID").toString(),
                  "org.example.Notes");
    }
    // The panel pasted the older copy and closed; the paste was not recorded.
    void expectPastedBack() {
        EXPECT_EQ(target->waitForText("the older copy"), "the older copy")
            << app->errors().toStdString();
        EXPECT_TRUE(test::waitUntil([] { return !panelShows(); }));
        test::spin(1s);
        EXPECT_EQ(history().size(), 2);
        app->process().terminate();
        EXPECT_TRUE(app->process().waitForFinished(10000));
    }
};

void wtype(const QStringList& arguments) {
    const auto result = test::runProcess(QStringLiteral("wtype"), arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
}

TEST_F(WaylandEndToEnd, SwayBoundShortcutAndVirtualKeyboard) {
    startAndCopyTwice({"data", "config", "runtime"},
                      "desktop services: Wayland (clipboard: wlr-data-control");
    ASSERT_FALSE(HasFailure());
    const auto bound = test::runProcess(
        "swaymsg", {QStringLiteral("bindsym Mod4+Shift+v exec env XDG_RUNTIME_DIR=%1 %2 --toggle")
                        .arg(qEnvironmentVariable("XDG_RUNTIME_DIR"), QUILLSTACK_EXECUTABLE)});
    ASSERT_EQ(bound.exitCode, 0) << bound.out.toStdString();
    wtype({"-M", "logo", "-M", "shift", "-k", "v", "-m", "shift", "-m", "logo"});
    ASSERT_TRUE(test::waitUntil(panelShows, 10s)) << app->errors().toStdString();
    test::spin(500ms); // the panel takes the keyboard
    // One keyboard for both keys: XWayland may drop the first key after a new keyboard's keymap.
    wtype({"-s", "200", "-k", "Down", "-s", "200", "-k", "Return"});
    expectPastedBack();
}

TEST_F(WaylandEndToEnd, KwinPortalShortcutAndFakeInput) {
    // KWin's own settings stay where it put them: only the runtime folder is the program's.
    startAndCopyTwice({"runtime"}, "desktop services: Wayland (clipboard: wlr-data-control, "
                                   "window: plasma-window-management, keys: kde-fake-input, "
                                   "fallback: wtype, shortcut: GlobalShortcuts portal)");
    ASSERT_FALSE(HasFailure());
    test::KwinFakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.isAvailable());
    ASSERT_TRUE(test::waitUntil(
        [&] {
            keyboard.chord({KEY_LEFTMETA, KEY_LEFTSHIFT, KEY_V});
            return test::waitUntil(panelShows, 1s);
        },
        10s))
        << app->errors().toStdString();
    test::spin(500ms);
    keyboard.chord({KEY_DOWN});
    keyboard.chord({KEY_ENTER});
    expectPastedBack();
}

} // namespace
