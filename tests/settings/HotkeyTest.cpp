#include "settings/HotkeyConfig.h"
#include "settings/HotkeyMonitor.h"

#include "platform/memory/MemoryHotkeyRegistrar.h"

#include <QSet>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quillstack {
namespace {

using Preset = HotkeyModifierPreset;
const HotkeyConfig commandShiftV = HotkeyConfig::defaultConfig();
const HotkeyConfig commandOptionK{HotkeyKey::k, Preset::commandOption};
const HotkeyConfig optionShiftP{HotkeyKey::p, Preset::optionShift};

// All 35 combinations differ and survive JSON; raw values are case-sensitive, both required.
TEST(HotkeyModel, NamesCodesAndStrictJson) {
    const std::pair<HotkeyConfig, const char*> names[] = {
        {commandShiftV, "Super+Shift+V"},
        {{HotkeyKey::x, Preset::commandControl}, "Super+Ctrl+X"},
        {optionShiftP, "Alt+Shift+P"},
    };
    for (const auto& [config, name] : names) {
        EXPECT_EQ(config.keyboardNames(), QString::fromLatin1(name));
    }
    QSet<QString> displays;
    QSet<QPair<quint32, quint32>> codes;
    for (const HotkeyKey key : HotkeyKey::allCases()) {
        for (const Preset modifiers : Preset::allCases()) {
            const HotkeyConfig config{key, modifiers};
            displays.insert(config.displayString());
            codes.insert({key.carbonKeyCode(), modifiers.carbonFlags()});
            EXPECT_EQ(HotkeyConfig::fromJson(config.toJson()), config);
        }
    }
    EXPECT_EQ(std::pair(displays.size(), codes.size()), std::pair(qsizetype(35), qsizetype(35)));
    const auto decode = [](const char* text) {
        return HotkeyConfig::fromJson(nlohmann::ordered_json::parse(text));
    };
    EXPECT_EQ(decode(R"({"modifiers":"commandOption","key":"k","extra":1})"), commandOptionK);
    for (const char* wrong :
         {R"({"key":"V","modifiers":"commandShift"})", R"({"key":"v","modifiers":"commandshift"})",
          R"({"key":"v"})", R"({"modifiers":"commandShift"})",
          R"({"key":["v"],"modifiers":"commandShift"})", R"({"key":"v","modifiers":null})",
          R"("v")"}) {
        EXPECT_FALSE(decode(wrong)) << wrong;
    }
}

std::string failed(const char* shortcut) {
    return std::string("Quillstack: failed to register hotkey ") + shortcut + ".\n";
}
std::string reverting(const char* shortcut) {
    return std::string("Quillstack: reverting to previous hotkey ") + shortcut + ".\n";
}

class HotkeyMonitorTest : public testing::Test {
protected:
    void SetUp() override {
        monitor.setOnTrigger([this] { ++triggers; });
    }
    bool press(const HotkeyConfig& config) {
        return registrar.press(config.key.carbonKeyCode(), config.modifiers.carbonFlags());
    }
    void refuse(const HotkeyConfig& config) {
        registrar.refuse(config.key.carbonKeyCode(), config.modifiers.carbonFlags());
    }
    // What start() or update() answered and wrote to the error stream.
    std::pair<bool, std::string> update(const HotkeyConfig& config, bool start = false) {
        testing::internal::CaptureStderr();
        const bool result =
            start ? (monitor.start(config), monitor.isStarted()) : monitor.update(config);
        return {result, testing::internal::GetCapturedStderr()};
    }
    // Started, handler installed, registrations held, shortcut in force.
    auto state() const {
        return std::tuple(monitor.isStarted(), registrar.isHandlerInstalled(),
                          registrar.registrations().size(), monitor.registeredConfig());
    }

    MemoryHotkeyRegistrar registrar;
    HotkeyMonitor monitor{registrar};
    int triggers = 0;
};

const std::optional<HotkeyConfig> none;

TEST_F(HotkeyMonitorTest, RegistersOneShortcutAndMovesIt) {
    // An update before start is only recorded; start uses its own argument.
    EXPECT_TRUE(monitor.update(optionShiftP));
    EXPECT_EQ(registrar.registerCallCount(), 0);
    monitor.start(commandShiftV);
    EXPECT_EQ(state(), std::tuple(true, true, 1, commandShiftV));
    EXPECT_TRUE(press(commandShiftV));
    // Only id 1 triggers; an unreadable identifier is swallowed too.
    registrar.deliver(HotkeyRegistrar::Identifier{HotkeyMonitor::signature, 2});
    registrar.deliver(std::nullopt);
    registrar.deliver(HotkeyRegistrar::Identifier{0, 1});
    EXPECT_EQ(triggers, 2);
    EXPECT_TRUE(monitor.update(commandOptionK));
    EXPECT_FALSE(press(commandShiftV));
    EXPECT_TRUE(press(commandOptionK));
    EXPECT_EQ(triggers, 3);
    // The same shortcut again is released and taken again; start while started updates.
    const int registers = registrar.registerCallCount();
    EXPECT_TRUE(monitor.update(commandOptionK));
    EXPECT_EQ(registrar.registerCallCount(), registers + 1);
    monitor.start(optionShiftP);
    EXPECT_EQ(state(), std::tuple(true, true, 1, optionShiftP));
    monitor.setOnTrigger(nullptr);
    EXPECT_TRUE(press(optionShiftP)); // consumed silently
}

// Stopped until a shortcut is taken, each choice tries again; later a refusal reverts.
TEST_F(HotkeyMonitorTest, RefusalsAreReportedAndRevertToTheShortcutInForce) {
    const std::string noHandler = "Quillstack: failed to install hotkey event handler.\n";
    registrar.setRefusesHandler(true);
    EXPECT_EQ(update(optionShiftP, true), std::pair(false, noHandler));
    EXPECT_EQ(update(commandOptionK), std::pair(false, noHandler));
    EXPECT_EQ(registrar.registerCallCount(), 0);
    registrar.setRefusesHandler(false);
    refuse(commandShiftV);
    refuse(optionShiftP);
    EXPECT_EQ(update(commandShiftV, true), std::pair(false, failed("⌘⇧V")));
    EXPECT_EQ(update(optionShiftP), std::pair(false, failed("⌥⇧P")));
    EXPECT_EQ(state(), std::tuple(false, false, 0, none));
    EXPECT_EQ(monitor.currentConfig(), optionShiftP);
    EXPECT_TRUE(monitor.update(commandOptionK));
    EXPECT_EQ(update(optionShiftP), std::pair(false, failed("⌥⇧P") + reverting("⌘⌥K")));
    EXPECT_EQ(state(), std::tuple(true, true, 1, commandOptionK));
    EXPECT_TRUE(press(commandOptionK));
    // When the previous one cannot come back either, nothing is registered until a good update.
    refuse(commandOptionK);
    EXPECT_EQ(update(commandShiftV),
              std::pair(false, failed("⌘⇧V") + reverting("⌘⌥K") + failed("⌘⌥K")));
    EXPECT_EQ(state(), std::tuple(true, true, 0, none));
    EXPECT_EQ(monitor.currentConfig(), commandOptionK);
    const HotkeyConfig commandC{HotkeyKey::c, Preset::commandOnly};
    EXPECT_TRUE(monitor.update(commandC));
    EXPECT_TRUE(press(commandC));
    EXPECT_EQ(triggers, 2);
}

TEST_F(HotkeyMonitorTest, StopReleasesEverythingAndForgetsTheAssignedTrigger) {
    int changes = 0;
    monitor.setOnAssignedTriggerChanged([&] { ++changes; });
    monitor.start(commandShiftV);
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
    EXPECT_EQ(state(), std::tuple(false, false, 0, none));
    const int unregisters = registrar.unregisterCallCount();
    monitor.stop(); // twice is harmless
    EXPECT_EQ(registrar.unregisterCallCount(), unregisters);
    // After stop() an update only records.
    EXPECT_TRUE(monitor.update(optionShiftP));
    EXPECT_EQ(std::pair(monitor.isStarted(), monitor.currentConfig()),
              std::pair(false, optionShiftP));
    // A destroyed monitor leaves no handler behind that could call into it.
    {
        HotkeyMonitor shortLived(registrar);
        shortLived.start(commandOptionK);
    }
    EXPECT_EQ(state(), std::tuple(false, false, 0, none));
}

} // namespace
} // namespace quillstack
