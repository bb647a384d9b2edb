#include "PanelFixture.h"

#include "settings/HotkeySettingsView.h"
#include "settings/PopupButton.h"
#include "settings/ToggleSwitch.h"

#include <QFileInfo>
#include <QPushButton>

using namespace quillstack;

namespace {

using HotkeySettingsViewTest = test::PanelFixture;

// Chooses a picker's row as a user does, through the activation the list reports.
void choose(PopupButton* picker, const QString& label) {
    const int row = picker->findText(label);
    ASSERT_GE(row, 0) << label.toStdString();
    picker->setCurrentIndex(row);
    emit picker->activated(row);
}

} // namespace

TEST_F(HotkeySettingsViewTest, PickersFollowAndWriteTheSettings) {
    HotkeySettingsView card(settings_, [] {});
    QStringList modifiers;
    for (int i = 0; i < card.modifiersPicker()->count(); ++i) {
        modifiers << card.modifiersPicker()->itemText(i);
    }
    EXPECT_EQ(modifiers, (QStringList{u"⌘⇧"_qs, u"⌘⌥"_qs, u"⌘⌃"_qs, u"⌘"_qs, u"⌥⇧"_qs}));
    EXPECT_EQ(card.keyPicker()->count(), 7);
    EXPECT_EQ(card.keyPicker()->itemText(6), u"K"_qs);
    EXPECT_EQ(card.currentShortcutText(), u"Current: ⌘⇧V"_qs);

    // A change made elsewhere shows at once.
    settings_.setHotkeyConfig({HotkeyKey::p, HotkeyModifierPreset::optionShift});
    EXPECT_EQ(card.currentShortcutText(), u"Current: ⌥⇧P"_qs);
    EXPECT_EQ(card.modifiersPicker()->currentText(), u"⌥⇧"_qs);
    EXPECT_EQ(card.keyPicker()->currentText(), u"P"_qs);
    settings_.setLaunchAtLogin(true);
    EXPECT_TRUE(card.launchAtLoginSwitch()->isChecked());

    // Each picker writes its half and keeps the other.
    QList<HotkeyConfig> told;
    settings_.setOnHotkeyChanged([&](const HotkeyConfig& config) { told << config; });
    choose(card.keyPicker(), u"K"_qs);
    EXPECT_EQ(settings_.hotkeyConfig(),
              (HotkeyConfig{HotkeyKey::k, HotkeyModifierPreset::optionShift}));
    choose(card.modifiersPicker(), u"⌘⌥"_qs);
    EXPECT_EQ(settings_.hotkeyConfig(),
              (HotkeyConfig{HotkeyKey::k, HotkeyModifierPreset::commandOption}));
    EXPECT_EQ(card.currentShortcutText(), u"Current: ⌘⌥K"_qs);
    ASSERT_EQ(told.size(), 2);
    // Choosing what is already chosen assigns an equal value: nothing is saved or re-registered.
    ASSERT_TRUE(QFile::remove(settings_.storageURL()));
    choose(card.keyPicker(), u"K"_qs);
    EXPECT_EQ(told.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(settings_.storageURL()));

    // The switch writes launch at login and asks for the login item.
    card.launchAtLoginSwitch()->click();
    EXPECT_FALSE(settings_.launchAtLogin());
    const int registers = loginItems_.registerCount();
    card.launchAtLoginSwitch()->click();
    EXPECT_TRUE(settings_.launchAtLogin());
    EXPECT_EQ(loginItems_.registerCount(), registers + 1);
}

TEST_F(HotkeySettingsViewTest, DoneAndReturnCloseTheCardWhichShowsTheAssignedTrigger) {
    int closed = 0;
    HotkeySettingsView card(settings_, [&] { ++closed; });
    card.show();
    QTest::mouseClick(card.doneButton(), Qt::LeftButton);
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(card.doneButton()->isDefault());
    card.modifiersPicker()->setFocus();
    QTest::keyClick(card.modifiersPicker(), Qt::Key_Return);
    EXPECT_EQ(closed, 2);
    QTest::keyClick(&card, Qt::Key_Enter);
    EXPECT_EQ(closed, 3);
    EXPECT_EQ(settings_.hotkeyConfig(), HotkeyConfig::defaultConfig());

    // Only where the desktop assigns a trigger of its own.
    EXPECT_EQ(card.assignedTriggerText(), QString());
    settings_.setAssignedHotkeyTrigger(QStringLiteral("Meta+Shift+V"));
    EXPECT_EQ(card.assignedTriggerText(), u"Assigned by the desktop: Meta+Shift+V"_qs);
    EXPECT_EQ(card.currentShortcutText(), u"Current: ⌘⇧V"_qs);
    settings_.setAssignedHotkeyTrigger(std::nullopt);
    EXPECT_EQ(card.assignedTriggerText(), QString());
}
