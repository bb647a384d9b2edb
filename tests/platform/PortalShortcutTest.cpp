#include "KwinFakeKeyboard.h"
#include "platform/portal/PortalHotkeyRegistrar.h"
#include "settings/HotkeyMonitor.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace quillstack {
namespace {

using test::waitUntil;

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

    test::KwinFakeKeyboard keyboard;
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
