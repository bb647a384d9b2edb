#include "PasteTargetProcess.h"
#include "WaylandDesktop.h"
#include "platform/wayland/FakeInputPoster.h"
#include "platform/wayland/PlasmaWindowWorkspace.h"

#include <gtest/gtest.h>

namespace quillstack {
namespace {

using test::PasteTargetProcess;
using test::runProcess;
using test::waitUntil;
using Desktop = test::WaylandDesktop<PlasmaWindowWorkspace, FakeInputPoster>;

const QString pasteTarget = QStringLiteral(QUILLSTACK_PASTE_TARGET);

// Under KWin (started by with-wayland.sh --kwin, which installs the desktop entry that grants
// this test program fake input and window management).
TEST(KwinDesktop, RecordsThroughDataControlWithTheFrontAppId) {
    Desktop desktop;
    ASSERT_TRUE(desktop.pasteboard.isAvailable());
    ASSERT_TRUE(desktop.workspace.isAvailable()) << "KWin did not grant window management";
    PasteTargetProcess target(pasteTarget, QStringLiteral("org.example.Editor"));
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.Editor")));

    const auto copied = runProcess(QStringLiteral("wl-copy"), {}, "copied under KWin");
    ASSERT_EQ(copied.exitCode, 0) << copied.err.constData();
    ASSERT_TRUE(waitUntil([&] { return !desktop.recorded.isEmpty(); }));
    EXPECT_EQ(desktop.recorded.first().text(), QStringLiteral("copied under KWin"));
    EXPECT_EQ(desktop.recorded.first().sourceAppBundleID(), QStringLiteral("org.example.Editor"));

    // The program's own selection is served to others and not recorded.
    desktop.paste(QStringLiteral("written back"));
    const auto pasted = runProcess(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
    EXPECT_EQ(pasted.out, "written back");
    test::spin(std::chrono::milliseconds(500));
    EXPECT_EQ(desktop.recorded.size(), 1);
}

TEST(KwinDesktop, ActivatesTheRememberedWindowAndPastesThroughFakeInput) {
    Desktop desktop;
    ASSERT_TRUE(desktop.keystrokes.isAvailable()) << "KWin did not grant fake input";
    PasteTargetProcess first(pasteTarget, QStringLiteral("org.example.First"));
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.First")));
    const RunningApplication remembered = *desktop.workspace.frontmostApplication();
    PasteTargetProcess terminal(pasteTarget, QStringLiteral("org.kde.konsole"), true);
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.kde.konsole")));

    desktop.paste(QStringLiteral("echo terminal"));
    EXPECT_EQ(terminal.waitForText("echo terminal"), "echo terminal");

    desktop.workspace.activate(remembered);
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.First")));
    desktop.paste(QStringLiteral("pasted through fake input"));
    EXPECT_EQ(first.waitForText("pasted through fake input"), "pasted through fake input");
}

} // namespace
} // namespace quillstack
