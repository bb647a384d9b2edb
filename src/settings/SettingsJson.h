#pragma once

#include "settings/HotkeyConfig.h"

#include <QByteArray>

#include <optional>

namespace quillstack {

// The two settings as settings.json holds them: one compact JSON object with the members
// hotkeyConfig and launchAtLogin, both required when reading; other members are ignored.
struct PersistedSettings {
    HotkeyConfig hotkeyConfig;
    bool launchAtLogin = false;
};

class SettingsJson {
public:
    // Arrays and objects nest at most this deep, the top object counting as the first level;
    // a deeper file is undecodable, however it would otherwise read.
    static constexpr int maxNesting = 64;

    // Nothing when the bytes are not such an object.
    static std::optional<PersistedSettings> decode(const QByteArray& bytes);
    static QByteArray encode(const PersistedSettings& settings);
};

} // namespace quillstack
