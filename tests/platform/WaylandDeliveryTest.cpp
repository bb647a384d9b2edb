#include "PasteTargetProcess.h"
#include "WaylandDesktop.h"
#include "platform/wayland/VirtualKeyboardPoster.h"
#include "platform/wayland/WlrToplevelWorkspace.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace quillstack {
namespace {

using test::PasteTargetProcess;
using test::runProcess;
using test::waitUntil;
using Desktop = test::WaylandDesktop<WlrToplevelWorkspace, VirtualKeyboardPoster>;

const QString pasteTarget = QStringLiteral(QUILLSTACK_PASTE_TARGET);

// A second keyboard on the seat whose Shift stays down, as the shortcut's Shift would.
class HeldShift {
public:
    HeldShift() : connection_(WaylandConnection::connect()) {
        auto* manager = static_cast<zwp_virtual_keyboard_manager_v1*>(connection_->bind(
            "zwp_virtual_keyboard_manager_v1", &zwp_virtual_keyboard_manager_v1_interface, 1));
        keyboard_ =
            zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, connection_->seat());
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
        xkb_keymap* keymap =
            xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        const size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("held-shift-keymap", MFD_CLOEXEC);
        EXPECT_EQ(::write(fd, text, size), ssize_t(size));
        zwp_virtual_keyboard_v1_keymap(keyboard_, 1, fd, quint32(size));
        ::close(fd);
        const quint32 shift = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
        std::free(text);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
        zwp_virtual_keyboard_v1_key(keyboard_, 0, KEY_LEFTSHIFT, 1);
        zwp_virtual_keyboard_v1_modifiers(keyboard_, shift, 0, 0, 0);
        connection_->roundtrip();
    }
    ~HeldShift() {
        zwp_virtual_keyboard_v1_key(keyboard_, 0, KEY_LEFTSHIFT, 0);
        zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
        connection_->roundtrip();
    }

private:
    std::unique_ptr<WaylandConnection> connection_;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
};

void copyWithWlCopy(const QByteArray& text) {
    const auto result = runProcess(QStringLiteral("wl-copy"), {}, text);
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
}

TEST(WaylandDelivery, RecordsWithTheFrontAppIdAndPastesThroughTheVirtualKeyboard) {
    Desktop desktop;
    ASSERT_TRUE(desktop.workspace.isAvailable());
    ASSERT_TRUE(desktop.keystrokes.isAvailable());
    PasteTargetProcess target(pasteTarget, QStringLiteral("org.example.Editor"));
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.Editor")));
    EXPECT_FALSE(desktop.workspace.belongsToThisProcess(*desktop.workspace.frontmostApplication()));

    copyWithWlCopy("copied in a Wayland client");
    ASSERT_TRUE(waitUntil([&] { return !desktop.recorded.isEmpty(); }));
    EXPECT_EQ(desktop.recorded.first().text(), QStringLiteral("copied in a Wayland client"));
    EXPECT_EQ(desktop.recorded.first().sourceAppBundleID(), QStringLiteral("org.example.Editor"));

    desktop.paste(QStringLiteral("pasted by quillstack"));
    EXPECT_EQ(target.waitForText("pasted by quillstack"), "pasted by quillstack");
    test::spin(std::chrono::milliseconds(500));
    EXPECT_EQ(desktop.recorded.size(), 1); // the own write is consumed

    // The Shift of the shortcut is still held on another keyboard: the paste stays Control+V.
    ASSERT_EQ(target.ask("clear"), "cleared");
    {
        HeldShift shift;
        desktop.paste(QStringLiteral("with shift held"));
        EXPECT_EQ(target.waitForText("with shift held"), "with shift held");
    }
}

TEST(WaylandDelivery, ActivatesTheRememberedWindowAndPastesIntoATerminal) {
    Desktop desktop;
    PasteTargetProcess terminal(pasteTarget, QStringLiteral("foot"), true);
    ASSERT_TRUE(desktop.inFront(QStringLiteral("foot")));
    const RunningApplication remembered = *desktop.workspace.frontmostApplication();
    PasteTargetProcess other(pasteTarget, QStringLiteral("org.example.Other"));
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.Other")));

    desktop.workspace.activate(remembered);
    ASSERT_TRUE(desktop.inFront(QStringLiteral("foot")));
    desktop.paste(QStringLiteral("ls -l"));
    EXPECT_EQ(terminal.waitForText("ls -l"), "ls -l");
    EXPECT_EQ(other.text(), "");
}

TEST(WaylandDelivery, WithoutKeysWtypePastes) {
    Desktop desktop(/*keysGranted=*/false);
    PasteTargetProcess target(pasteTarget, QStringLiteral("org.example.Editor"));
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.example.Editor")));
    testing::internal::CaptureStderr();
    desktop.paste(QStringLiteral("typed by wtype"));
    const std::string pasted = target.waitForText("typed by wtype");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(pasted, "typed by wtype");

    PasteTargetProcess terminal(pasteTarget, QStringLiteral("org.kde.konsole"), true);
    ASSERT_TRUE(desktop.inFront(QStringLiteral("org.kde.konsole")));
    desktop.paste(QStringLiteral("pwd"));
    EXPECT_EQ(terminal.waitForText("pwd"), "pwd");
}

} // namespace
} // namespace quillstack
