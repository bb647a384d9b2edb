#include "platform/portal/PortalHotkeyRegistrar.h"
#include "platform/wayland/WaylandConnection.h"
#include "settings/HotkeyMonitor.h"
#include "support/TestEnvironment.h"

#include "fake-input-client-protocol.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace quillstack {
namespace {

using test::waitUntil;

// Presses keys through KWin's fake input, as a user at the keyboard would.
class FakeKeyboard {
public:
    FakeKeyboard() : connection_(WaylandConnection::connect()) {
        fakeInput_ = static_cast<org_kde_kwin_fake_input*>(
            connection_->bind("org_kde_kwin_fake_input", &org_kde_kwin_fake_input_interface, 4));
        if (fakeInput_) {
            org_kde_kwin_fake_input_authenticate(fakeInput_, "test", "press the shortcut");
        }
    }
    bool isAvailable() const { return fakeInput_ != nullptr; }
    void chord(std::initializer_list<quint32> keys) {
        for (quint32 key : keys) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput_, key, 1);
        }
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput_, *key, 0);
        }
        connection_->roundtrip();
    }

private:
    std::unique_ptr<WaylandConnection> connection_;
    org_kde_kwin_fake_input* fakeInput_ = nullptr;
};

// Under KWin with the desktop portal and its KDE backend (with-wayland.sh --kwin --portal).
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

    FakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.isAvailable());
    keyboard.chord({KEY_LEFTMETA, KEY_LEFTSHIFT, KEY_V});
    EXPECT_TRUE(waitUntil([&] { return triggers == 1; }));
    keyboard.chord({KEY_LEFTCTRL, KEY_V}); // another combination does nothing
    test::spin(std::chrono::milliseconds(300));
    EXPECT_EQ(triggers, 1);

    // After stopping, the desktop's shortcut no longer reaches the program.
    monitor.stop();
    keyboard.chord({KEY_LEFTMETA, KEY_LEFTSHIFT, KEY_V});
    test::spin(std::chrono::milliseconds(300));
    EXPECT_EQ(triggers, 1);
}

} // namespace
} // namespace quillstack
