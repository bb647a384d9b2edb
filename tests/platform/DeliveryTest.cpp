// Monitoring and paste delivery into other processes' windows, with the services wired as the store
// wires them: X11 and a window manager, sway or KWin (QUILLSTACK_DELIVERY_X11, _SWAY, _KWIN).
#include "PasteTargetProcess.h"
#include "platform/memory/MemoryPasteboard.h"
#include "store/PasteDelivery.h"
#include "store/PasteboardMonitor.h"
#include "support/TestEnvironment.h"

#ifdef QUILLSTACK_DELIVERY_X11
#include "platform/x11/X11AccessibilityTrust.h"
#include "platform/x11/X11FallbackKeystroke.h"
#include "platform/x11/X11KeystrokePoster.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QWidget>
#else
#include "platform/wayland/WaylandAccessibilityTrust.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WtypeFallbackKeystroke.h"
#endif
#ifdef QUILLSTACK_DELIVERY_SWAY
#include "platform/wayland/VirtualKeyboardPoster.h"
#include "platform/wayland/WlrToplevelWorkspace.h"

#include <QProcess>
#endif
#ifdef QUILLSTACK_DELIVERY_KWIN
#include "KwinFakeKeyboard.h"
#include "platform/portal/PortalHotkeyRegistrar.h"
#include "platform/wayland/FakeInputPoster.h"
#include "platform/wayland/PlasmaWindowWorkspace.h"
#include "settings/HotkeyMonitor.h"
#endif

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace quillstack {
namespace {

using test::PasteTargetProcess;
using test::runProcess;
using test::waitUntil;
using namespace std::chrono_literals;

const QString pasteTarget = QStringLiteral(QUILLSTACK_PASTE_TARGET);

#ifdef QUILLSTACK_DELIVERY_X11
const QString terminalClass = QStringLiteral("kitty");
const QStringList copyCommand{"xclip", "-selection", "clipboard"};
struct Services {
    X11Pasteboard pasteboard;
    X11Workspace workspace;
    X11AccessibilityTrust trust;
    X11KeystrokePoster keystrokes;
    X11FallbackKeystroke fallback;
    Services(bool keysGranted, const QString& fallbackProgram)
        : trust(keysGranted ? "XTEST" : "QUILLSTACK-NO-SUCH-EXTENSION"),
          fallback(fallbackProgram.isEmpty() ? QStringLiteral("xdotool") : fallbackProgram) {}
    void wake(PasteboardMonitor& monitor) {
        monitor.wakeOn(QGuiApplication::clipboard(), &QClipboard::changed);
    }
};
struct HeldShift {
    HeldShift() { runProcess(QStringLiteral("xdotool"), {"keydown", "shift"}); }
    ~HeldShift() { runProcess(QStringLiteral("xdotool"), {"keyup", "shift"}); }
};
#else
template <typename WorkspaceType, typename PosterType> struct WaylandServices {
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::connect();
    WaylandPasteboard pasteboard{*connection, DataControl::Protocol::wlr};
    WorkspaceType workspace{*connection};
    PosterType keystrokes{*connection};
    WaylandAccessibilityTrust trust;
    WtypeFallbackKeystroke fallback;
    WaylandServices(bool keysGranted, const QString& fallbackProgram)
        : trust(keysGranted),
          fallback(fallbackProgram.isEmpty() ? QStringLiteral("wtype") : fallbackProgram) {
        qputenv("QT_QPA_PLATFORM", "wayland"); // for the paste targets started meanwhile
    }
    ~WaylandServices() { qputenv("QT_QPA_PLATFORM", "offscreen"); }
    void wake(PasteboardMonitor& monitor) {
        connection->roundtrip();
        connection->start();
        monitor.wakeOn(&pasteboard, &WaylandPasteboard::changed);
    }
};
const QStringList copyCommand{"wl-copy"};
#endif

#ifdef QUILLSTACK_DELIVERY_SWAY
using Services = WaylandServices<WlrToplevelWorkspace, VirtualKeyboardPoster>;
const QString terminalClass = QStringLiteral("foot");

// Shift held on a second keyboard on the seat (wtype's), as the shortcut's Shift would be.
struct HeldShift {
    QProcess wtype;
    HeldShift() {
        wtype.start(QStringLiteral("wtype"), {"-M", "shift", "-s", "3000", "-m", "shift"});
        test::spin(500ms);
    }
    ~HeldShift() { wtype.waitForFinished(5000); }
};
#endif

#ifdef QUILLSTACK_DELIVERY_KWIN
using Services = WaylandServices<PlasmaWindowWorkspace, FakeInputPoster>;
const QString terminalClass = QStringLiteral("org.kde.konsole");
struct HeldShift {}; // KWin's fake input has no second keyboard to hold it on
#endif

struct Desktop : Services {
    QList<ClipboardEntry> recorded;
    PasteboardMonitor monitor{&pasteboard, &workspace,
                              [this](ClipboardEntry e) { recorded.append(std::move(e)); }};
    PasteDelivery delivery{{&pasteboard, &workspace, &trust, &keystrokes, &fallback}, monitor};

    explicit Desktop(bool keysGranted = true, const QString& fallbackProgram = {})
        : Services(keysGranted, fallbackProgram) {
        wake(monitor);
        monitor.startMonitoring();
    }
    bool inFront(const QString& appId) {
        return waitUntil([&] {
            const auto front = workspace.frontmostApplication();
            return front && front->bundleIdentifier == appId;
        });
    }
    // The program writes an entry and sends the paste keys.
    void paste(const QString& text) {
        MemoryPasteboard board;
        board.offer(Pasteboard::stringType(), text);
        const qint64 before = pasteboard.changeCount();
        delivery.prepareForPaste(*ClipboardEntry::capture(board, std::nullopt));
        ASSERT_TRUE(waitUntil([&] { return pasteboard.changeCount() != before; }));
        delivery.sendCommandV();
    }
};

void expectText(PasteTargetProcess& target, const std::string& text) {
    EXPECT_EQ(target.waitForText(text), text);
}

// Pastes go to the front window, into a terminal with its keys, and into a remembered window once
// it is activated again.
TEST(Delivery, RecordsWithTheFrontAppPastesAndActivatesTheRememberedWindow) {
    Desktop desktop;
    PasteTargetProcess target(pasteTarget, QStringLiteral("org.example.Editor"));
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.Editor")));
    const RunningApplication remembered = *desktop.workspace.frontmostApplication();
    EXPECT_FALSE(desktop.workspace.belongsToThisProcess(remembered));
    ASSERT_EQ(runProcess(copyCommand[0], copyCommand.mid(1), "copied by another program").exitCode,
              0);
    ASSERT_TRUE(waitUntil([&] { return !desktop.recorded.isEmpty(); }));
    EXPECT_EQ(desktop.recorded.first().text(), QStringLiteral("copied by another program"));
    EXPECT_EQ(desktop.recorded.first().sourceAppBundleID(), QStringLiteral("org.example.Editor"));
    const qsizetype recorded = desktop.recorded.size();

    desktop.paste(QStringLiteral("pasted by quillstack"));
    expectText(target, "pasted by quillstack");
    test::spin(500ms);
    EXPECT_EQ(desktop.recorded.size(), recorded); // the own write is consumed
    {
        // The Shift of the shortcut is still held: the paste must not become Control+Shift+V.
        [[maybe_unused]] HeldShift shift;
        desktop.paste(QStringLiteral(", with shift held"));
        expectText(target, "pasted by quillstack, with shift held");
    }

    PasteTargetProcess terminal(pasteTarget, terminalClass, true);
    ASSERT_TRUE(desktop.inFront(terminalClass));
    desktop.paste(QStringLiteral("ls -l"));
    expectText(terminal, "ls -l");
    desktop.workspace.activate(remembered);
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.Editor")));
    desktop.paste(QStringLiteral(", again"));
    expectText(target, "pasted by quillstack, with shift held, again");
#ifdef QUILLSTACK_DELIVERY_X11
    QWidget own;
    own.show();
    EXPECT_TRUE(desktop.workspace.belongsToThisProcess({quint64(own.winId()), {}}));
#endif
}

#ifndef QUILLSTACK_DELIVERY_KWIN
TEST(Delivery, WithoutKeysTheFallbackProgramPastesOrIsReportedMissing) {
    Desktop desktop(/*keysGranted=*/false);
    ASSERT_FALSE(desktop.trust.isProcessTrusted());
    PasteTargetProcess target(pasteTarget, QStringLiteral("org.example.Editor"));
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.Editor")));
    desktop.paste(QStringLiteral("typed by the fallback"));
    expectText(target, "typed by the fallback");
    PasteTargetProcess terminal(pasteTarget, QStringLiteral("org.kde.konsole"), true);
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.kde.konsole")));
    desktop.paste(QStringLiteral("pwd"));
    expectText(terminal, "pwd"); // a failure would have ended the fallback

    Desktop missing(false, QStringLiteral("/nonexistent/fallback"));
    testing::internal::CaptureStderr();
    missing.delivery.sendCommandV();
    waitUntil([&] { return !missing.delivery.appleScriptFallbackAllowed(); });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Quillstack: AppleScript paste fallback failed: /nonexistent/fallback", 0),
              0u)
        << err;
}
#endif

#ifdef QUILLSTACK_DELIVERY_KWIN
TEST(PortalShortcut, TheDesktopAssignsTheShortcutAndItsPressesTrigger) {
    ASSERT_TRUE(PortalHotkeyRegistrar::portalOffersShortcuts());
    PortalHotkeyRegistrar registrar;
    HotkeyMonitor monitor(registrar);
    int triggers = 0;
    monitor.setOnTrigger([&] { ++triggers; });
    monitor.start(HotkeyConfig::defaultConfig()); // Command+Shift+V: Meta+Shift+V here
    ASSERT_TRUE(monitor.isRegistered());
    ASSERT_TRUE(waitUntil([&] { return monitor.assignedTrigger().has_value(); }));
    EXPECT_TRUE(monitor.assignedTrigger()->contains(QLatin1Char('V'), Qt::CaseInsensitive))
        << monitor.assignedTrigger()->toStdString();

    test::KwinFakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.isAvailable());
    keyboard.chord({KEY_LEFTMETA, KEY_LEFTSHIFT, KEY_V});
    EXPECT_TRUE(waitUntil([&] { return triggers == 1; }));
    monitor.stop(); // the desktop's shortcut no longer reaches the program
    keyboard.chord({KEY_LEFTMETA, KEY_LEFTSHIFT, KEY_V});
    test::spin(300ms);
    EXPECT_EQ(triggers, 1);
}
#endif

} // namespace
} // namespace quillstack
