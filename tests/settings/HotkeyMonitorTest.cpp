#include "settings/HotkeyMonitor.h"
#include "platform/memory/MemoryHotkeyRegistrar.h"

#include <gtest/gtest.h>

namespace quillstack {
namespace {

const HotkeyConfig commandShiftV = HotkeyConfig::defaultConfig();
const HotkeyConfig commandOptionK{HotkeyKey::k, HotkeyModifierPreset::commandOption};
const HotkeyConfig optionShiftP{HotkeyKey::p, HotkeyModifierPreset::optionShift};

bool press(MemoryHotkeyRegistrar& registrar, const HotkeyConfig& config) {
    return registrar.press(config.key.carbonKeyCode(), config.modifiers.carbonFlags());
}

void refuse(MemoryHotkeyRegistrar& registrar, const HotkeyConfig& config) {
    registrar.refuse(config.key.carbonKeyCode(), config.modifiers.carbonFlags());
}

class HotkeyMonitorTest : public testing::Test {
protected:
    MemoryHotkeyRegistrar registrar;
    HotkeyMonitor monitor{registrar};
    int triggers = 0;
    void SetUp() override {
        monitor.setOnTrigger([this] { ++triggers; });
    }
};

TEST_F(HotkeyMonitorTest, StartRegistersUnderQLSKAndPressesTrigger) {
    EXPECT_EQ(HotkeyMonitor::signature, 0x514C534Bu);
    monitor.start(commandShiftV);
    EXPECT_TRUE(monitor.isStarted());
    ASSERT_EQ(registrar.registrations().size(), 1);
    const auto registration = registrar.registrations().first();
    EXPECT_EQ(registration.keyCode, 9u);
    EXPECT_EQ(registration.modifierFlags, 0x0300u);
    EXPECT_EQ(registration.identifier, (HotkeyRegistrar::Identifier{0x514C534B, 1}));

    EXPECT_TRUE(press(registrar, commandShiftV));
    EXPECT_EQ(triggers, 1);
    // Only id 1 triggers; an unreadable identifier is swallowed too.
    registrar.deliver(HotkeyRegistrar::Identifier{HotkeyMonitor::signature, 2});
    registrar.deliver(std::nullopt);
    registrar.deliver(HotkeyRegistrar::Identifier{0, 1});
    EXPECT_EQ(triggers, 2);

    monitor.setOnTrigger(nullptr);
    EXPECT_TRUE(press(registrar, commandShiftV)); // consumed silently
}

TEST_F(HotkeyMonitorTest, UpdateMovesTheRegistration) {
    monitor.start(commandShiftV);
    EXPECT_TRUE(monitor.update(commandOptionK));
    EXPECT_EQ(monitor.currentConfig(), commandOptionK);
    EXPECT_FALSE(press(registrar, commandShiftV));
    EXPECT_TRUE(press(registrar, commandOptionK));
    EXPECT_EQ(triggers, 1);
    // The same shortcut again is released and taken again.
    const int registers = registrar.registerCallCount();
    EXPECT_TRUE(monitor.update(commandOptionK));
    EXPECT_EQ(registrar.registerCallCount(), registers + 1);
    EXPECT_EQ(registrar.registrations().size(), 1);
    // start while started behaves as update.
    monitor.start(optionShiftP);
    EXPECT_EQ(monitor.currentConfig(), optionShiftP);
    EXPECT_EQ(registrar.registrations().size(), 1);
}

TEST_F(HotkeyMonitorTest, ARefusedChangeRevertsToThePreviousShortcut) {
    monitor.start(commandShiftV);
    refuse(registrar, commandOptionK);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(monitor.update(commandOptionK));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to register hotkey ⌘⌥K.\n"
              "Quillstack: reverting to previous hotkey ⌘⇧V.\n");
    EXPECT_EQ(monitor.currentConfig(), commandShiftV);
    EXPECT_TRUE(monitor.isStarted());
    EXPECT_TRUE(press(registrar, commandShiftV));
    EXPECT_EQ(triggers, 1);
}

TEST_F(HotkeyMonitorTest, DoubleRefusalLeavesNothingRegisteredUntilTheNextGoodUpdate) {
    monitor.start(commandShiftV);
    refuse(registrar, commandShiftV); // from now on the previous one cannot come back either
    refuse(registrar, commandOptionK);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(monitor.update(commandOptionK));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to register hotkey ⌘⌥K.\n"
              "Quillstack: reverting to previous hotkey ⌘⇧V.\n"
              "Quillstack: failed to register hotkey ⌘⇧V.\n");
    EXPECT_TRUE(registrar.registrations().isEmpty());
    EXPECT_TRUE(monitor.isStarted());
    EXPECT_TRUE(registrar.isHandlerInstalled());
    EXPECT_EQ(monitor.currentConfig(), commandShiftV);

    EXPECT_TRUE(monitor.update(optionShiftP));
    EXPECT_TRUE(press(registrar, optionShiftP));
    EXPECT_EQ(triggers, 1);
}

TEST_F(HotkeyMonitorTest, AFailedStartStaysStoppedUntilAFreeShortcutIsChosen) {
    refuse(registrar, commandShiftV);
    refuse(registrar, optionShiftP);
    testing::internal::CaptureStderr();
    monitor.start(commandShiftV);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to register hotkey ⌘⇧V.\n");
    EXPECT_FALSE(monitor.isStarted());
    EXPECT_FALSE(registrar.isHandlerInstalled());
    EXPECT_EQ(monitor.currentConfig(), commandShiftV);
    EXPECT_EQ(monitor.registeredConfig(), std::nullopt);

    // Another taken shortcut: refused as such, with nothing to revert to.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(monitor.update(optionShiftP));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to register hotkey ⌥⇧P.\n");
    EXPECT_FALSE(monitor.isStarted());
    EXPECT_FALSE(registrar.isHandlerInstalled());
    EXPECT_EQ(monitor.registeredConfig(), std::nullopt);

    // A free one starts the monitor for real.
    EXPECT_TRUE(monitor.update(commandOptionK));
    EXPECT_TRUE(monitor.isStarted());
    EXPECT_EQ(monitor.registeredConfig(), commandOptionK);
    EXPECT_TRUE(press(registrar, commandOptionK));
    EXPECT_EQ(triggers, 1);
    // From here on refusals revert as usual.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(monitor.update(optionShiftP));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to register hotkey ⌥⇧P.\n"
              "Quillstack: reverting to previous hotkey ⌘⌥K.\n");
    EXPECT_EQ(monitor.registeredConfig(), commandOptionK);

    // After stop() an update only records again.
    monitor.stop();
    EXPECT_TRUE(monitor.update(optionShiftP));
    EXPECT_FALSE(monitor.isStarted());
    EXPECT_EQ(monitor.currentConfig(), optionShiftP);

    HotkeyMonitor other(registrar);
    registrar.setRefusesHandler(true);
    testing::internal::CaptureStderr();
    other.start(optionShiftP);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to install hotkey event handler.\n");
    EXPECT_FALSE(other.isStarted());
    const int registers = registrar.registerCallCount();
    // Choosing a shortcut tries again, handler first.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(other.update(commandOptionK));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Quillstack: failed to install hotkey event handler.\n");
    EXPECT_EQ(registrar.registerCallCount(), registers);
}

TEST_F(HotkeyMonitorTest, UpdateBeforeStartIsRecordedButStartUsesItsOwnArgument) {
    EXPECT_TRUE(monitor.update(commandOptionK));
    EXPECT_EQ(registrar.registerCallCount(), 0);
    monitor.start(optionShiftP);
    EXPECT_EQ(monitor.currentConfig(), optionShiftP);
    EXPECT_TRUE(press(registrar, optionShiftP));
    EXPECT_FALSE(press(registrar, commandOptionK));
}

TEST_F(HotkeyMonitorTest, StopReleasesEverythingAndTwiceIsHarmless) {
    monitor.start(commandShiftV);
    monitor.stop();
    EXPECT_FALSE(monitor.isStarted());
    EXPECT_TRUE(registrar.registrations().isEmpty());
    EXPECT_FALSE(registrar.isHandlerInstalled());
    EXPECT_FALSE(press(registrar, commandShiftV));
    const int unregisters = registrar.unregisterCallCount();
    monitor.stop();
    EXPECT_EQ(registrar.unregisterCallCount(), unregisters);
    EXPECT_EQ(monitor.currentConfig(), commandShiftV);
    EXPECT_TRUE(monitor.onTrigger());
    EXPECT_EQ(triggers, 0);

    // A destroyed monitor leaves no handler behind that could call into it.
    {
        HotkeyMonitor shortLived(registrar);
        shortLived.start(commandOptionK);
    }
    EXPECT_FALSE(registrar.isHandlerInstalled());
    EXPECT_TRUE(registrar.registrations().isEmpty());
}

TEST_F(HotkeyMonitorTest, KeepsTheTriggerTheDesktopAssignedToTheRegistrationInForce) {
    int changes = 0;
    monitor.setOnAssignedTriggerChanged([&] { ++changes; });
    monitor.start(commandShiftV);
    EXPECT_FALSE(monitor.assignedTrigger());
    const HotkeyRegistrar::Handle first = 1; // the memory registrar's first handle
    ASSERT_TRUE(registrar.assign(first, QStringLiteral("Meta+Shift+V")));
    EXPECT_EQ(monitor.assignedTrigger(), QStringLiteral("Meta+Shift+V"));
    EXPECT_EQ(changes, 1);

    // A new registration forgets the old trigger; a late answer about the old one is ignored.
    ASSERT_TRUE(monitor.update(commandOptionK));
    EXPECT_FALSE(monitor.assignedTrigger());
    registrar.assign(first, QStringLiteral("Meta+Shift+V"));
    EXPECT_FALSE(monitor.assignedTrigger());

    monitor.stop();
    EXPECT_FALSE(registrar.assign(first, QStringLiteral("anything")));
}

} // namespace
} // namespace quillstack
