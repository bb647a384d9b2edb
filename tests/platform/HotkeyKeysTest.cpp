#include "platform/HotkeyKeys.h"

#include <gtest/gtest.h>

using namespace quillstack;

TEST(HotkeyKeysTest, PortalTriggersInXdgNotation) {
    struct Row {
        quint32 keyCode;
        quint32 modifiers;
        std::optional<QString> trigger;
    };
    const Row rows[] = {
        {0x09, 0x0300, QStringLiteral("SHIFT+LOGO+v")},     // Command+Shift+V
        {0x28, 0x0900, QStringLiteral("ALT+LOGO+k")},       // Command+Option+K
        {0x23, 0x1A00, QStringLiteral("CTRL+ALT+SHIFT+p")}, // Control+Option+Shift+P
        {0x00, 0x0000, QStringLiteral("a")},
        {0x24, 0x0100, std::nullopt}, // Return is not a letter key
        {0x09, 0x0001, std::nullopt}, // an unknown modifier bit
    };
    for (const Row& row : rows) {
        EXPECT_EQ(xdgShortcutTrigger(row.keyCode, row.modifiers), row.trigger) << row.keyCode;
    }
    EXPECT_EQ(letterForKeyCode(0x2E), 'm');
    EXPECT_FALSE(letterForKeyCode(0x0A));
}
