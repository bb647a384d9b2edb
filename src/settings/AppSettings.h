#pragma once

#include "settings/HotkeyConfig.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace quillstack {

class DataLocations;
class LoginItemService;

// The user's two settings, the global shortcut and launch at login, kept in settings.json in the
// Quillstack data folder. Every assignment is announced before the value changes; only a real
// change saves the file, updates the login item or tells onHotkeyChanged.
class AppSettings : public QObject {
    Q_OBJECT

public:
    // Loads settings.json. A missing or undecodable file leaves the defaults (⌘⇧V, launch at login
    // off); a loaded file ends with one login-item request matching the stored choice.
    AppSettings(const DataLocations& locations, LoginItemService& loginItems,
                QObject* parent = nullptr);

    HotkeyConfig hotkeyConfig() const { return hotkeyConfig_; }
    void setHotkeyConfig(const HotkeyConfig& config);

    bool launchAtLogin() const { return launchAtLogin_; }
    void setLaunchAtLogin(bool enabled);

    // Told, after the save, about each real change of the shortcut.
    using HotkeyListener = std::function<void(const HotkeyConfig&)>;
    const HotkeyListener& onHotkeyChanged() const { return onHotkeyChanged_; }
    void setOnHotkeyChanged(HotkeyListener listener) { onHotkeyChanged_ = std::move(listener); }

    // The shortcut the desktop actually holds for us, as reported by whoever registers it: none
    // when no shortcut could be registered, the previous one when a new choice was refused. Until
    // a report arrives it is the chosen shortcut. It is never saved.
    std::optional<HotkeyConfig> registeredHotkey() const;
    void setRegisteredHotkey(const std::optional<HotkeyConfig>& config);
    // The trigger the desktop itself assigned to the shortcut, in its own words, where the
    // desktop decides (the GlobalShortcuts portal); nothing elsewhere. Not saved.
    const std::optional<QString>& assignedHotkeyTrigger() const { return assignedHotkeyTrigger_; }
    void setAssignedHotkeyTrigger(std::optional<QString> trigger);

    // The path of settings.json.
    QString storageURL() const { return storageURL_; }

signals:
    // Emitted on every assignment, before the field holds newValue.
    void hotkeyConfigWillChange(const quillstack::HotkeyConfig& newValue);
    void launchAtLoginWillChange(bool newValue);
    // Emitted on every assignment, once the field holds value and the change has been handled.
    void hotkeyConfigChanged(const quillstack::HotkeyConfig& value);
    void launchAtLoginChanged(bool value);
    // Emitted when the reported registration differs from the one known before.
    void registeredHotkeyChanged();
    void assignedHotkeyTriggerChanged();

private:
    void load();
    void save();
    // repeatsLastRequest: the same request was just made; a failure it already reported is not
    // reported again.
    void applyLaunchAtLogin(bool repeatsLastRequest = false);

    HotkeyListener onHotkeyChanged_;
    HotkeyConfig hotkeyConfig_ = HotkeyConfig::defaultConfig();
    bool launchAtLogin_ = false;
    std::optional<QString> lastLoginItemFailure_;
    bool registrationReported_ = false;
    std::optional<HotkeyConfig> registeredHotkey_;
    std::optional<QString> assignedHotkeyTrigger_;
    LoginItemService& loginItems_;
    QString storageURL_;
    // settings.json is on disk but could not be read or decoded: kept aside before the next save.
    bool keepAsideBeforeSave_ = false;
};

} // namespace quillstack
