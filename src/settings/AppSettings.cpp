#include "settings/AppSettings.h"

#include "platform/DataLocations.h"
#include "platform/DurableFile.h"
#include "platform/LoginItemService.h"

#include <QDir>
#include <QFileInfo>

#include <nlohmann/json.hpp>

#include <cstdio>

namespace quillstack {

namespace {

// Far above any settings file this program writes; a larger file is treated as undecodable.
constexpr qint64 maxSettingsBytes = 64 * 1024;

struct PersistedSettings {
    HotkeyConfig hotkeyConfig;
    bool launchAtLogin = false;
};

std::optional<PersistedSettings> decode(const QByteArray& bytes) {
    const auto json = nlohmann::ordered_json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!json.is_object() || !json.contains("hotkeyConfig") || !json.contains("launchAtLogin")) {
        return std::nullopt;
    }
    const std::optional<HotkeyConfig> config = HotkeyConfig::fromJson(json.at("hotkeyConfig"));
    const auto& launchAtLogin = json.at("launchAtLogin");
    if (!config || !launchAtLogin.is_boolean()) {
        return std::nullopt;
    }
    return PersistedSettings{*config, launchAtLogin.get<bool>()};
}

QByteArray encode(const PersistedSettings& settings) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["hotkeyConfig"] = settings.hotkeyConfig.toJson();
    json["launchAtLogin"] = settings.launchAtLogin;
    return QByteArray::fromStdString(json.dump());
}

} // namespace

AppSettings::AppSettings(const DataLocations& locations, LoginItemService& loginItems,
                         QObject* parent)
    : QObject(parent), loginItems_(loginItems),
      storageURL_(QDir(quillstackFolder(locations)).filePath(QStringLiteral("settings.json"))) {
    load();
}

void AppSettings::load() {
    const std::optional<QByteArray> bytes = DurableFile::readAll(storageURL_, maxSettingsBytes);
    const std::optional<PersistedSettings> stored = bytes ? decode(*bytes) : std::nullopt;
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
            DurableFile::keepAside(storageURL_);
        }
    }
    DurableFile::write(storageURL_, encode({hotkeyConfig_, launchAtLogin_})); // failures ignored
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
        const QString line =
            QStringLiteral("Quillstack: unable to update launch-at-login setting: ") + description +
            QLatin1Char('\n');
        std::fputs(line.toUtf8().constData(), stderr);
        std::fflush(stderr);
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
