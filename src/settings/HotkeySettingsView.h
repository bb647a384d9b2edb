#pragma once

#include "settings/HotkeyConfig.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace quillstack {

class AppSettings;
class PopupButton;
class ToggleSwitch;

// The shortcut settings card: a title, the modifier and key pickers, the current shortcut, the
// launch-at-login switch and "Done". Every choice is written to the settings at once; "Done"
// (or Return anywhere on the card) only calls onClose. What the card shows always follows the
// settings object, also when it is changed elsewhere. The pickers show the user's choice; the
// "Current:" line shows the shortcut actually registered, which differs after a refusal.
class HotkeySettingsView : public QWidget {
    Q_OBJECT

public:
    static constexpr int cardWidth = 380;

    // The settings must outlive the card.
    HotkeySettingsView(AppSettings& settings, std::function<void()> onClose,
                       QWidget* parent = nullptr);

    // The text of the current-shortcut line, such as "Current: ⌘⇧V".
    QString currentShortcutText() const;
    // The current-shortcut line itself.
    QLabel* currentShortcutLabel() const { return current_; }

    // How a registered shortcut is shown ("⌘⇧V", or "None" when none is registered) and its
    // tooltip in PC key names ("Super+Shift+V"); the panel's header badge shows the same.
    static QString shortcutText(const std::optional<HotkeyConfig>& registered);
    static QString shortcutToolTip(const std::optional<HotkeyConfig>& registered);
    // The line naming the trigger the desktop assigned ("Assigned by the desktop: Meta+Shift+V");
    // empty, and the line hidden, where the desktop assigns none.
    QString assignedTriggerText() const;

    PopupButton* modifiersPicker() const { return modifiers_; }
    PopupButton* keyPicker() const { return key_; }
    ToggleSwitch* launchAtLoginSwitch() const { return launchAtLogin_; }
    QPushButton* doneButton() const { return done_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void chooseModifiers(int index);
    void chooseKey(int index);
    void close();

    AppSettings& settings_;
    std::function<void()> onClose_;
    PopupButton* modifiers_ = nullptr;
    PopupButton* key_ = nullptr;
    QLabel* current_ = nullptr;
    QLabel* assigned_ = nullptr;
    ToggleSwitch* launchAtLogin_ = nullptr;
    QPushButton* done_ = nullptr;
};

} // namespace quillstack
