#include "settings/AppSettings.h"

#include "platform/DataLocations.h"
#include "platform/Diagnostics.h"
#include "platform/DurableFile.h"
#include "platform/LoginItemService.h"
#include "settings/SettingsJson.h"

#include <QDir>
#include <QFileInfo>

namespace quillstack {

namespace {

// Far above any settings file this program writes; a larger file is treated as undecodable.
constexpr qint64 maxSettingsBytes = 64 * 1024;

// One line on standard error, as every diagnostic of the program is written.
} // namespace

AppSettings::AppSettings(const DataLocations& locations, LoginItemService& loginItems,
                         QObject* parent)
    : QObject(parent), loginItems_(loginItems),
      storageURL_(QDir(quillstackFolder(locations)).filePath(QStringLiteral("settings.json"))) {
    load();
}

void AppSettings::load() {
    const std::optional<QByteArray> bytes = DurableFile::readAll(storageURL_, maxSettingsBytes);
    const std::optional<PersistedSettings> stored =
        bytes ? SettingsJson::decode(*bytes) : std::nullopt;
    if (!stored) {
        keepAsideBeforeSave_ = QFileInfo::exists(storageURL_);
        return;
    }
    setHotkeyConfig(stored->hotkeyConfig);
    setLaunchAtLogin(stored->launchAtLogin);
    // A stored true has just been requested by the assignment: this request repeats it.
    applyLaunchAtLogin(stored->launchAtLogin);
}

void AppSettings::setHotkeyConfig(const HotkeyConfig& config) {
    emit hotkeyConfigWillChange(config);
    const HotkeyConfig old = hotkeyConfig_;
    hotkeyConfig_ = config;
    if (config != old) {
        save();
        if (onHotkeyChanged_) {
            const HotkeyListener listener = onHotkeyChanged_;
            listener(config);
        }
    }
    emit hotkeyConfigChanged(hotkeyConfig_);
}

void AppSettings::setLaunchAtLogin(bool enabled) {
    emit launchAtLoginWillChange(enabled);
    const bool old = launchAtLogin_;
    launchAtLogin_ = enabled;
    if (enabled != old) {
        applyLaunchAtLogin();
        save();
    }
    emit launchAtLoginChanged(launchAtLogin_);
}

std::optional<HotkeyConfig> AppSettings::registeredHotkey() const {
    return registrationReported_ ? registeredHotkey_ : std::optional(hotkeyConfig_);
}

void AppSettings::setRegisteredHotkey(const std::optional<HotkeyConfig>& config) {
    const std::optional<HotkeyConfig> before = registeredHotkey();
    registrationReported_ = true;
    registeredHotkey_ = config;
    if (registeredHotkey() != before) {
        emit registeredHotkeyChanged();
    }
}

void AppSettings::save() {
    if (keepAsideBeforeSave_) {
        keepAsideBeforeSave_ = false;
        if (QFileInfo::exists(storageURL_)) {
            if (const std::optional<QString> aside = DurableFile::keepAside(storageURL_)) {
                printDiagnostic(QStringLiteral("settings.json could not be read; it was "
                                               "moved to ") +
                                *aside);
            }
        }
    }
    DurableFile::write(storageURL_,
                       SettingsJson::encode({hotkeyConfig_, launchAtLogin_})); // failures ignored
}

void AppSettings::applyLaunchAtLogin(bool repeatsLastRequest) {
    const std::optional<QString> failure =
        launchAtLogin_ ? loginItems_.registerLoginItem() : loginItems_.unregisterLoginItem();
    // One refusal of one choice is one line, however often the same request is made.
    const bool reported = repeatsLastRequest && failure == lastLoginItemFailure_;
    lastLoginItemFailure_ = failure;
    if (failure && !reported) {
        QString description = *failure;
        description.replace(QLatin1Char('\n'), QLatin1Char(' ')); // the message stays one line
        printDiagnostic(QStringLiteral("unable to update launch-at-login setting: ") + description);
    }
}

void AppSettings::setAssignedHotkeyTrigger(std::optional<QString> trigger) {
    if (assignedHotkeyTrigger_ == trigger) {
        return;
    }
    assignedHotkeyTrigger_ = std::move(trigger);
    emit assignedHotkeyTriggerChanged();
}

} // namespace quillstack
