#include "PasteTargetProcess.h"
#include "platform/x11/X11Workspace.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace quillstack {
namespace {

using test::PasteTargetProcess;
using test::waitUntil;

const QString pasteTarget = QStringLiteral(QUILLSTACK_PASTE_TARGET);

// Without a window manager the front application is the top-level window holding the input
// focus, and activating one gives it the focus.
TEST(X11WorkspaceWithoutWindowManager, FollowsAndMovesTheInputFocus) {
    X11Workspace workspace;
    ASSERT_FALSE(workspace.hasWindowManager());
    PasteTargetProcess first(pasteTarget, QStringLiteral("QuillstackFirst"));
    ASSERT_NE(first.windowId(), 0u);
    PasteTargetProcess second(pasteTarget, QStringLiteral("QuillstackSecond"));
    ASSERT_NE(second.windowId(), 0u);

    std::optional<RunningApplication> front;
    ASSERT_TRUE(waitUntil([&] {
        front = workspace.frontmostApplication();
        return front && front->windowId == second.windowId();
    }));
    EXPECT_EQ(front->bundleIdentifier, QStringLiteral("QuillstackSecond"));

    workspace.activate(RunningApplication{first.windowId(), QStringLiteral("QuillstackFirst")});
    EXPECT_TRUE(waitUntil([&] {
        front = workspace.frontmostApplication();
        return front && front->windowId == first.windowId();
    }));
    EXPECT_EQ(front->bundleIdentifier, QStringLiteral("QuillstackFirst"));
    // The helper sees its field get the keys again.
    EXPECT_EQ(first.ask("activate"), "active");
}

} // namespace
} // namespace quillstack
