#include "PasteTargetProcess.h"
#include "platform/memory/MemoryPasteboard.h"
#include "platform/x11/X11AccessibilityTrust.h"
#include "platform/x11/X11FallbackKeystroke.h"
#include "platform/x11/X11KeystrokePoster.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "store/PasteDelivery.h"
#include "store/PasteboardMonitor.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace quillstack {
namespace {

using test::PasteTargetProcess;
using test::runProcess;
using test::waitUntil;

const QString pasteTarget = QStringLiteral(QUILLSTACK_PASTE_TARGET);

// The program's own parts, wired as the store wires them, on the real desktop.
struct Desktop {
    X11Pasteboard pasteboard;
    X11Workspace workspace;
    X11AccessibilityTrust trust;
    X11KeystrokePoster keystrokes;
    X11FallbackKeystroke fallback;
    QList<ClipboardEntry> recorded;
    PasteboardMonitor monitor{&pasteboard, &workspace,
                              [this](ClipboardEntry e) { recorded.append(std::move(e)); }};
    PasteDelivery delivery;

    explicit Desktop(QByteArray trustedExtension = QByteArrayLiteral("XTEST"),
                     QString fallbackProgram = QStringLiteral("xdotool"))
        : trust(std::move(trustedExtension)), fallback(std::move(fallbackProgram)),
          delivery({&pasteboard, &workspace, &trust, &keystrokes, &fallback}, monitor) {
        monitor.wakeOn(QGuiApplication::clipboard(), &QClipboard::changed);
        monitor.startMonitoring();
    }
    bool waitForPoll() {
        return waitUntil([&] {
            return monitor.lastChangeCount() == pasteboard.changeCount() && !monitor.isCapturing();
        });
    }
};

// Waits until the window manager names the window as the active one.
bool waitUntilInFront(const X11Workspace& workspace, quint64 windowId) {
    return windowId != 0 && waitUntil([&] {
               const auto front = workspace.frontmostApplication();
               return front && front->windowId == windowId;
           });
}
bool waitUntilInFront(const X11Workspace& workspace, const PasteTargetProcess& target) {
    return waitUntilInFront(workspace, target.windowId());
}

ClipboardEntry textEntry(const QString& text) {
    MemoryPasteboard board;
    board.offer(Pasteboard::stringType(), text);
    return *ClipboardEntry::capture(board, std::nullopt);
}

void copyWithXclip(const QByteArray& text) {
    const auto result = runProcess(
        QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard")}, text);
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
}

TEST(X11Delivery, RecordsACopyByAnotherProgramWithTheFrontWindowsClass) {
    Desktop desktop;
    PasteTargetProcess target(pasteTarget, QStringLiteral("QuillstackProbe"));
    ASSERT_TRUE(waitUntilInFront(desktop.workspace, target));
    const auto front = desktop.workspace.frontmostApplication();
    ASSERT_TRUE(front.has_value());
    EXPECT_EQ(front->windowId, target.windowId());
    EXPECT_EQ(front->bundleIdentifier, QStringLiteral("QuillstackProbe"));
    EXPECT_FALSE(desktop.workspace.belongsToThisProcess(*front));

    EXPECT_FALSE(desktop.monitor.isTicking()); // idle: no timer runs
    copyWithXclip("copied by xclip");
    ASSERT_TRUE(waitUntil([&] { return !desktop.recorded.isEmpty(); }));
    ASSERT_EQ(desktop.recorded.size(), 1);
    EXPECT_EQ(desktop.recorded.first().text(), QStringLiteral("copied by xclip"));
    EXPECT_EQ(desktop.recorded.first().sourceAppBundleID(), QStringLiteral("QuillstackProbe"));
    EXPECT_TRUE(waitUntil([&] { return !desktop.monitor.isTicking(); }));
}

TEST(X11Delivery, LeavesACopyMarkedAsSecretOut) {
    Desktop desktop;
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("text")),
                  mark = dir.filePath(QStringLiteral("mark"));
    for (const auto& [path, bytes] : {std::pair{text, "hunter2"}, std::pair{mark, "secret"}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QProcess offer;
    offer.start(QStringLiteral(QUILLSTACK_CLIPBOARD_OFFER),
                {QStringLiteral("text/plain=") + text,
                 QStringLiteral("x-kde-passwordManagerHint=") + mark});
    QByteArray offerOutput;
    ASSERT_TRUE(waitUntil([&] {
        offerOutput += offer.readAllStandardOutput();
        return offerOutput.contains("ready\n") || offer.state() == QProcess::NotRunning;
    }));
    ASSERT_TRUE(offerOutput.contains("ready\n")) << offer.readAllStandardError().constData();
    ASSERT_TRUE(waitUntil([&] { return desktop.pasteboard.changeCount() > 0; }));
    ASSERT_TRUE(desktop.waitForPoll());
    EXPECT_TRUE(desktop.recorded.isEmpty());

    copyWithXclip("no secret");
    ASSERT_TRUE(waitUntil([&] { return !desktop.recorded.isEmpty(); }));
    EXPECT_EQ(desktop.recorded.first().text(), QStringLiteral("no secret"));
    offer.waitForFinished(3000);
}

TEST(X11Delivery, PastesIntoTheFocusedFieldOfAnotherProcess) {
    Desktop desktop;
    ASSERT_TRUE(desktop.trust.isProcessTrusted());
    PasteTargetProcess target(pasteTarget, QStringLiteral("QuillstackEditor"));
    ASSERT_TRUE(waitUntilInFront(desktop.workspace, target));

    desktop.delivery.prepareForPaste(textEntry(QStringLiteral("pasted by quillstack")));
    desktop.delivery.sendCommandV();
    EXPECT_EQ(target.waitForText("pasted by quillstack"), "pasted by quillstack");
    ASSERT_TRUE(desktop.waitForPoll());
    EXPECT_TRUE(desktop.recorded.isEmpty()); // the own write is consumed

    // The Shift of the shortcut is still held: the paste must not become Control+Shift+V.
    ASSERT_EQ(target.ask("clear"), "cleared");
    ASSERT_EQ(
        runProcess(QStringLiteral("xdotool"), {QStringLiteral("keydown"), QStringLiteral("shift")})
            .exitCode,
        0);
    desktop.delivery.prepareForPaste(textEntry(QStringLiteral("with shift held")));
    desktop.delivery.sendCommandV();
    const std::string pasted = target.waitForText("with shift held");
    runProcess(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("shift")});
    EXPECT_EQ(pasted, "with shift held");
}

TEST(X11Delivery, PastesIntoATerminalWithControlShiftV) {
    Desktop desktop;
    PasteTargetProcess terminal(pasteTarget, QStringLiteral("kitty"), true);
    ASSERT_TRUE(waitUntilInFront(desktop.workspace, terminal));
    desktop.delivery.prepareForPaste(textEntry(QStringLiteral("ls -l")));
    desktop.delivery.sendCommandV();
    EXPECT_EQ(terminal.waitForText("ls -l"), "ls -l");
}

TEST(X11Delivery, WithoutXTestTheFallbackKeystrokePastes) {
    Desktop desktop(QByteArrayLiteral("QUILLSTACK-NO-SUCH-EXTENSION"));
    ASSERT_FALSE(desktop.trust.isProcessTrusted());
    PasteTargetProcess target(pasteTarget, QStringLiteral("QuillstackEditor"));
    ASSERT_TRUE(waitUntilInFront(desktop.workspace, target));

    testing::internal::CaptureStderr();
    desktop.delivery.prepareForPaste(textEntry(QStringLiteral("typed by xdotool")));
    desktop.delivery.sendCommandV();
    const std::string pasted = target.waitForText("typed by xdotool");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(pasted, "typed by xdotool");
    EXPECT_TRUE(desktop.delivery.hasPromptedForAccessibility());
    EXPECT_TRUE(desktop.delivery.appleScriptFallbackAllowed());
}

TEST(X11Delivery, AMissingFallbackProgramIsReportedOnceAndGivenUp) {
    Desktop desktop(QByteArrayLiteral("QUILLSTACK-NO-SUCH-EXTENSION"),
                    QStringLiteral("/nonexistent/xdotool"));
    testing::internal::CaptureStderr();
    desktop.delivery.sendCommandV();
    waitUntil([&] { return !desktop.delivery.appleScriptFallbackAllowed(); });
    desktop.delivery.sendCommandV();
    test::spin(PasteDelivery::fallbackDelay * 4);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(desktop.delivery.appleScriptFallbackAllowed());
    EXPECT_EQ(err.rfind("Quillstack: AppleScript paste fallback failed: /nonexistent/xdotool", 0),
              0u)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST(X11Delivery, WorkspaceActivatesARememberedWindowAndKnowsItsOwn) {
    X11Workspace workspace;
    ASSERT_TRUE(workspace.hasWindowManager());
    PasteTargetProcess first(pasteTarget, QStringLiteral("QuillstackFirst"));
    PasteTargetProcess second(pasteTarget, QStringLiteral("QuillstackSecond"));
    ASSERT_NE(first.windowId(), 0u);
    ASSERT_TRUE(waitUntilInFront(workspace, second));
    EXPECT_EQ(workspace.frontmostApplication()->bundleIdentifier,
              QStringLiteral("QuillstackSecond"));

    workspace.activate(RunningApplication{first.windowId(), QStringLiteral("QuillstackFirst")});
    EXPECT_TRUE(waitUntilInFront(workspace, first));

    QWidget own;
    own.setWindowTitle(QStringLiteral("own window"));
    own.show();
    own.activateWindow();
    ASSERT_TRUE(waitUntilInFront(workspace, quint64(own.winId())));
    EXPECT_TRUE(workspace.belongsToThisProcess(*workspace.frontmostApplication()));
    EXPECT_FALSE(workspace.belongsToThisProcess(RunningApplication{first.windowId(), {}}));
}

} // namespace
} // namespace quillstack
