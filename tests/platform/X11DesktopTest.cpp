#include "PasteTargetProcess.h"
#include "platform/x11/X11HotkeyRegistrar.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XcbReply.h"
#include "settings/HotkeyMonitor.h"
#include "support/TestEnvironment.h"

#include <QGuiApplication>
#include <QThread>

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace quillstack {
namespace {

using test::runProcess;
using test::waitUntil;

const HotkeyConfig commandShiftV = HotkeyConfig::defaultConfig();
const HotkeyConfig commandOptionK{HotkeyKey::k, HotkeyModifierPreset::commandOption};

// X11 masks as the default Xvfb keyboard map assigns them.
constexpr int shift = XCB_MOD_MASK_SHIFT, lock = XCB_MOD_MASK_LOCK, alt = XCB_MOD_MASK_1,
              numLock = XCB_MOD_MASK_2, super = XCB_MOD_MASK_4;

void key(const char* keys) {
    const test::ProcessResult result = runProcess(QStringLiteral("xdotool"), {"key", keys});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
}

quint16 lockState() {
    xcb_connection_t* connection =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const XcbReply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr));
    return reply ? reply->mask & (lock | numLock) : 0;
}

// Another X client (a connection of its own) holding the letter under the given masks: a grab
// is exclusive, so it gets it only when no one else holds it.
class OtherClient {
public:
    OtherClient(char letter, const QList<int>& masks) : c_(xcb_connect(nullptr, nullptr)) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c_);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, xcb_keysym_t(letter));
        xcb_key_symbols_free(symbols);
        for (const int mask : masks) {
            xcb_generic_error_t* error = xcb_request_check(
                c_, xcb_grab_key_checked(c_, 0, root, uint16_t(mask), codes[0], XCB_GRAB_MODE_ASYNC,
                                         XCB_GRAB_MODE_ASYNC));
            holds_ = holds_ && !error;
            std::free(error);
        }
        std::free(codes);
    }
    ~OtherClient() { xcb_disconnect(c_); }
    bool holdsGrab() const { return holds_; }

private:
    xcb_connection_t* c_;
    bool holds_ = true;
};

class X11HotkeyTest : public testing::Test {
protected:
    X11HotkeyTest() {
        monitor.setOnTrigger([this] {
            ++triggers;
            onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        });
    }
    ~X11HotkeyTest() override { monitor.stop(); }
    bool pressed(const char* keys, int expected) {
        key(keys);
        return waitUntil([&] { return triggers == expected; });
    }

    X11HotkeyRegistrar registrar;
    HotkeyMonitor monitor{registrar};
    int triggers = 0;
    bool onGuiThread = true;
};

// Each step toggles one lock. Held down, the key repeats; repeats would be counted before the next
// press. An update or a stop frees every lock variant; a combination another client holds in any
// variant is refused whole: none of it stays grabbed and the previous one keeps working.
TEST_F(X11HotkeyTest, FiresWhateverLockIsOnOnceWhileHeldAndGrabsAllVariantsOrNone) {
    monitor.start(commandShiftV);
    ASSERT_TRUE(monitor.isStarted());
    const std::pair<const char*, int> steps[] = {{"", 0},
                                                 {"Num_Lock", numLock},
                                                 {"Caps_Lock", numLock | lock},
                                                 {"Num_Lock", lock},
                                                 {"Caps_Lock", 0}};
    for (const auto& [lockKey, state] : steps) {
        if (*lockKey) {
            key(lockKey);
        }
        ASSERT_EQ(lockState(), state);
        EXPECT_TRUE(pressed("super+shift+v", triggers + 1)) << lockKey;
    }
    ASSERT_EQ(runProcess(QStringLiteral("xdotool"), {"keydown", "super+shift+v", "sleep", "1.2",
                                                     "keyup", "v", "keyup", "super+shift"})
                  .exitCode,
              0);
    key("super+shift+v");
    EXPECT_TRUE(waitUntil([&] { return triggers >= 7; }));
    EXPECT_EQ(triggers, 7);
    EXPECT_TRUE(onGuiThread);

    ASSERT_TRUE(monitor.update(commandOptionK));
    EXPECT_TRUE(OtherClient('v', {super | shift, super | shift | lock, super | shift | numLock,
                                  super | shift | lock | numLock})
                    .holdsGrab());
    EXPECT_TRUE(pressed("super+alt+k", 8));
    monitor.stop();
    {
        OtherClient holder('k', {super | alt | numLock});
        ASSERT_TRUE(holder.holdsGrab());
        monitor.start(commandOptionK);
        EXPECT_FALSE(monitor.isStarted());
        EXPECT_TRUE(
            OtherClient('k', {super | alt, super | alt | lock, super | alt | lock | numLock})
                .holdsGrab());
        EXPECT_TRUE(monitor.update(commandShiftV));
        EXPECT_TRUE(pressed("super+shift+v", 9));
        EXPECT_FALSE(monitor.update(commandOptionK));
        EXPECT_TRUE(pressed("super+shift+v", 10));
    }
    EXPECT_TRUE(monitor.update(commandOptionK)); // the holder is gone
    EXPECT_TRUE(pressed("super+alt+k", 11));
}

// Without a window manager the front application is the top-level window holding the input
// focus, and activating one gives it the focus.
TEST(X11WorkspaceWithoutWindowManager, FollowsAndMovesTheInputFocus) {
    X11Workspace workspace;
    ASSERT_FALSE(workspace.hasWindowManager());
    test::PasteTargetProcess first(QUILLSTACK_PASTE_TARGET, QStringLiteral("QuillstackFirst"));
    test::PasteTargetProcess second(QUILLSTACK_PASTE_TARGET, QStringLiteral("QuillstackSecond"));
    ASSERT_NE(first.windowId(), 0u);
    const RunningApplication firstApp{first.windowId(), QStringLiteral("QuillstackFirst")};
    const auto inFront = [&](const RunningApplication& app) {
        return waitUntil([&] { return workspace.frontmostApplication() == app; });
    };
    EXPECT_TRUE(inFront({second.windowId(), QStringLiteral("QuillstackSecond")}));
    workspace.activate(firstApp);
    EXPECT_TRUE(inFront(firstApp));
    EXPECT_EQ(first.ask("activate"), "active"); // its field gets the keys again
}

} // namespace
} // namespace quillstack
